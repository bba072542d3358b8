#include "midi/MidiTrafficModel.h"

#include "midi/MidiMessageText.h"

#include <algorithm>

namespace {

constexpr char kClock = char(0xF8);
constexpr char kActiveSensing = char(0xFE);

bool isRealtimeNoise(const MidiTraffic& message)
{
    return message.bytes.size() == 1 && (message.bytes[0] == kClock || message.bytes[0] == kActiveSensing);
}

} // namespace

CMidiTrafficModel::CMidiTrafficModel(QObject* parent) : QAbstractTableModel(parent)
{}

int CMidiTrafficModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CMidiTrafficModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CMidiTrafficModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const MidiTraffic& m = message(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case kTime:
            return miditext::timeText(m.nanos);
        case kDirection:
            return miditext::directionText(m.direction);
        case kBytes:
            return miditext::hexBytes(m.bytes, kShownBytes);
        case kMeaning:
            return miditext::describe(m.bytes);
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == kBytes && m.bytes.size() > kShownBytes)
        return miditext::hexBytes(m.bytes, kTipBytes);
    if (role == Qt::TextAlignmentRole && index.column() == kTime)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant CMidiTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kTime:
        return tr("Time");
    case kDirection:
        return tr("Dir");
    case kBytes:
        return tr("Bytes");
    case kMeaning:
        return tr("Meaning");
    default:
        return {};
    }
}

void CMidiTrafficModel::append(const QList<MidiTraffic>& messages)
{
    if (m_paused) {
        m_passed += messages.size();
        return;
    }
    qsizetype wanted = 0;
    for (const MidiTraffic& m : messages)
        if (!m_hideRealtime || !isRealtimeNoise(m))
            ++wanted;
    if (wanted == 0)
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(wanted) - 1);
    for (const MidiTraffic& m : messages)
        if (!m_hideRealtime || !isRealtimeNoise(m))
            m_rows.push_back(m);
    endInsertRows();
    trim();
}

void CMidiTrafficModel::trim()
{
    const auto excess = static_cast<int>(m_rows.size()) - m_limit;
    if (excess <= 0)
        return;
    beginRemoveRows({}, 0, excess - 1);
    m_rows.erase(m_rows.begin(), m_rows.begin() + excess);
    endRemoveRows();
}

void CMidiTrafficModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_passed = 0;
    endResetModel();
}

void CMidiTrafficModel::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (paused)
        m_passed = 0;
    emit pausedChanged(paused);
}

void CMidiTrafficModel::setLimit(int rows)
{
    m_limit = std::max(1, rows);
    trim();
}

QString CMidiTrafficModel::text(const QList<int>& rows) const
{
    QStringList lines;
    for (const int row : rows) {
        if (row < 0 || row >= rowCount())
            continue;
        const MidiTraffic& m = message(row);
        lines << QStringLiteral("%1\t%2\t%3\t%4")
                     .arg(miditext::timeText(m.nanos), miditext::directionText(m.direction),
                          miditext::hexBytes(m.bytes), miditext::describe(m.bytes));
    }
    return lines.join(QLatin1Char('\n'));
}
