#include "midi/MidiMessageText.h"

#include "model/ParamMessages.h"
#include "model/ParamTable.h"
#include "model/SysEx.h"

#include <QStringList>
#include <array>
#include <vector>

namespace miditext {

namespace {

constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kChannelMask = 0x0F;
constexpr std::uint8_t kKindMask = 0xF0;
constexpr int kNanosPerMilli = 1'000'000;
constexpr int kMillisPerSecond = 1000;
constexpr int kNotesPerOctave = 12;
constexpr int kPitchBendCentre = 8192;
constexpr int kDataBits = 7;
// More rows than this in one DT1 are told as a count of bytes.
constexpr int kMaxRowsNamed = 4;
constexpr std::uint8_t kUniversalNonRealtime = 0x7E;
constexpr std::uint8_t kUniversalRealtime = 0x7F;

const char kHexDigits[] = "0123456789ABCDEF";

int channelOf(std::uint8_t status)
{
    return (status & kChannelMask) + 1;
}

QString controllerName(int controller)
{
    switch (controller) {
    case 0:
        return QStringLiteral("Bank Select MSB");
    case 1:
        return QStringLiteral("Modulation");
    case 2:
        return QStringLiteral("Breath");
    case 4:
        return QStringLiteral("Foot");
    case 5:
        return QStringLiteral("Portamento Time");
    case 6:
        return QStringLiteral("Data Entry");
    case 7:
        return QStringLiteral("Volume");
    case 10:
        return QStringLiteral("Pan");
    case 11:
        return QStringLiteral("Expression");
    case 32:
        return QStringLiteral("Bank Select LSB");
    case 64:
        return QStringLiteral("Hold");
    case 65:
        return QStringLiteral("Portamento");
    case 91:
        return QStringLiteral("Reverb");
    case 93:
        return QStringLiteral("Chorus");
    case 120:
        return QStringLiteral("All Sound Off");
    case 121:
        return QStringLiteral("Reset All Controllers");
    case 123:
        return QStringLiteral("All Notes Off");
    default:
        return {};
    }
}

QString describeChannel(QByteArrayView m)
{
    const auto status = static_cast<std::uint8_t>(m[0]);
    const int channel = channelOf(status);
    const auto data = [&](int i) { return i < m.size() ? static_cast<std::uint8_t>(m[i]) : 0; };
    switch (status & kKindMask) {
    case 0x80:
        return QStringLiteral("Note Off, ch %1, %2 (%3), velocity %4")
            .arg(channel)
            .arg(noteName(data(1)))
            .arg(data(1))
            .arg(data(2));
    case 0x90:
        if (data(2) == 0)
            return QStringLiteral("Note Off, ch %1, %2 (%3), note-on with velocity 0")
                .arg(channel)
                .arg(noteName(data(1)))
                .arg(data(1));
        return QStringLiteral("Note On, ch %1, %2 (%3), velocity %4")
            .arg(channel)
            .arg(noteName(data(1)))
            .arg(data(1))
            .arg(data(2));
    case 0xA0:
        return QStringLiteral("Key Pressure, ch %1, %2 (%3), %4")
            .arg(channel)
            .arg(noteName(data(1)))
            .arg(data(1))
            .arg(data(2));
    case 0xB0: {
        const QString name = controllerName(data(1));
        return QStringLiteral("Control Change, ch %1, controller %2%3, value %4")
            .arg(channel)
            .arg(data(1))
            .arg(name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(name))
            .arg(data(2));
    }
    case 0xC0:
        return QStringLiteral("Program Change, ch %1, program %2").arg(channel).arg(data(1) + 1);
    case 0xD0:
        return QStringLiteral("Channel Pressure, ch %1, %2").arg(channel).arg(data(1));
    case 0xE0:
        return QStringLiteral("Pitch Bend, ch %1, %2")
            .arg(channel)
            .arg((data(2) << kDataBits | data(1)) - kPitchBendCentre);
    default:
        return {};
    }
}

QString describeSystem(QByteArrayView m)
{
    const auto status = static_cast<std::uint8_t>(m[0]);
    const auto data = [&](int i) { return i < m.size() ? static_cast<std::uint8_t>(m[i]) : 0; };
    switch (status) {
    case 0xF1:
        return QStringLiteral("Time Code Quarter Frame, %1").arg(data(1));
    case 0xF2:
        return QStringLiteral("Song Position, %1").arg(data(2) << kDataBits | data(1));
    case 0xF3:
        return QStringLiteral("Song Select, %1").arg(data(1));
    case 0xF6:
        return QStringLiteral("Tune Request");
    case 0xF8:
        return QStringLiteral("Clock");
    case 0xFA:
        return QStringLiteral("Start");
    case 0xFB:
        return QStringLiteral("Continue");
    case 0xFC:
        return QStringLiteral("Stop");
    case 0xFE:
        return QStringLiteral("Active Sensing");
    case 0xFF:
        return QStringLiteral("System Reset");
    default:
        return QStringLiteral("Undefined status %1h").arg(hexBytes(m.first(1)));
    }
}

QString itemText(const params::Location& where)
{
    using sysex::Block;
    QString kind;
    switch (where.block) {
    case Block::PatchCommon:
    case Block::PatchTone:
        kind = QStringLiteral("Patch");
        break;
    case Block::PerformanceCommon:
    case Block::PerformancePart:
        kind = QStringLiteral("Performance");
        break;
    case Block::RhythmCommon:
    case Block::RhythmNote:
        kind = QStringLiteral("Rhythm Set");
        break;
    }
    switch (where.destination.area) {
    case sysex::MemoryArea::Temporary:
        return QStringLiteral("Temporary %1").arg(kind);
    case sysex::MemoryArea::User:
        return QStringLiteral("User %1 %2").arg(kind).arg(where.destination.number + 1);
    case sysex::MemoryArea::Card:
        return QStringLiteral("Card %1 %2").arg(kind).arg(where.destination.number + 1);
    }
    return kind;
}

QString blockText(const params::Location& where)
{
    using sysex::Block;
    switch (where.block) {
    case Block::PatchCommon:
    case Block::PerformanceCommon:
        return QStringLiteral("Common");
    case Block::RhythmCommon:
        return QStringLiteral("Name");
    case Block::PatchTone:
        return QStringLiteral("Tone %1").arg(where.index + 1);
    case Block::PerformancePart:
        return QStringLiteral("Part %1").arg(where.index + 1);
    case Block::RhythmNote:
        return QStringLiteral("Key %1").arg(noteName(where.index + sysex::kFirstRhythmNote));
    }
    return {};
}

// The block's shortest size on any model: a message from its start that long carries
// the whole block.
int shortestBlock(sysex::Block block)
{
    int size = sysex::blockDataSize(SynthModel::Jv2080, block);
    for (SynthModel model : {SynthModel::Jv1080, SynthModel::Xp})
        size = std::min(size, sysex::blockDataSize(model, block));
    return size;
}

// The block's longest size on any model: a buffer that long holds every row another
// row's text may look at.
int longestBlock(sysex::Block block)
{
    int size = sysex::blockDataSize(SynthModel::Jv2080, block);
    for (SynthModel model : {SynthModel::Jv1080, SynthModel::Xp})
        size = std::max(size, sysex::blockDataSize(model, block));
    return size;
}

// The rows a DT1's data holds, each with its value, or empty when the data does not
// begin and end on rows or holds too many of them.
QStringList rowTexts(const params::Location& where, QByteArrayView data)
{
    const int end = where.offset + static_cast<int>(data.size());
    // The whole block, the message's data in place and the rest zero: a row's text may
    // depend on another row of the block (a wave's group, an effect's type).
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::max(end, longestBlock(where.block))), 0);
    for (qsizetype i = 0; i < data.size(); ++i)
        block[static_cast<std::size_t>(where.offset + i)] = static_cast<std::uint8_t>(data[i]);
    const params::ShowContext context{block.data(), where.index, nullptr};
    QStringList texts;
    for (int at = where.offset; at < end;) {
        const params::Param* p = params::rowAt(where.block, at);
        if (!p || p->offset != at || p->offset + p->size > end || texts.size() == kMaxRowsNamed)
            return {};
        const int value = params::value(*p, block.data());
        // A multi-effect row means what the effect's type makes it, and a single
        // parameter's message does not carry the type: such a row is told by its id.
        const bool typed = p->list.kind == valuelists::Kind::EfxParameter;
        QString label = typed ? p->id : params::plainLabel(params::label(*p, block.data()));
        if (label.isEmpty())
            label = p->id;
        QString shown = typed ? QString::number(value) : params::shownText(*p, value, context);
        if (p->encoding == params::Encoding::Name)
            shown = QStringLiteral("\"%1\"").arg(shown);
        else if (shown != QString::number(value))
            shown = QStringLiteral("%1 (%2)").arg(shown).arg(value);
        texts << QStringLiteral("%1 = %2").arg(label, shown);
        at += p->size;
    }
    return texts;
}

QString describeDataSet(QByteArrayView m)
{
    const sysex::Address address{static_cast<std::uint8_t>(m[5]), static_cast<std::uint8_t>(m[6]),
                                 static_cast<std::uint8_t>(m[7]), static_cast<std::uint8_t>(m[8])};
    const QByteArrayView data = m.sliced(sysex::kOffData, m.size() - sysex::kFraming);
    const QString count = data.size() == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(data.size());
    const std::optional<params::Location> where = params::locate(address);
    if (!where) {
        if (address == sysex::systemModeAddress() && data.size() == 1)
            return QStringLiteral("System, Sound Mode = %1")
                .arg(data[0] != 0 ? QStringLiteral("Patch") : QStringLiteral("Performance"));
        return QStringLiteral("%1, %2").arg(hexBytes(m.sliced(sysex::kOffAddress, sysex::kAddressSize)), count);
    }
    const QString place = QStringLiteral("%1, %2").arg(itemText(*where), blockText(*where));
    const QStringList rows = rowTexts(*where, data);
    if (!rows.isEmpty())
        return QStringLiteral("%1: %2").arg(place, rows.join(QStringLiteral("; ")));
    if (where->offset == 0 && data.size() >= shortestBlock(where->block))
        return QStringLiteral("%1: %2").arg(place, count);
    return QStringLiteral("%1: %2 from offset %3h")
        .arg(place, count, QString::number(where->offset, 16).toUpper().rightJustified(2, QLatin1Char('0')));
}

QString describeRequest(QByteArrayView m)
{
    for (const sysex::NamedRequest& request : sysex::kNamedRequests) {
        const QByteArray named = HexTextToBytes(QByteArrayView(request.message));
        // The device byte is put in when a request is sent.
        if (named.size() == m.size() && named.first(sysex::kOffDevice) == m.first(sysex::kOffDevice)
            && named.sliced(sysex::kOffDevice + 1) == m.sliced(sysex::kOffDevice + 1))
            return QStringLiteral("\"%1\"").arg(QString::fromLatin1(request.name));
    }
    return QStringLiteral("%1, size %2")
        .arg(hexBytes(m.sliced(sysex::kOffAddress, sysex::kAddressSize)),
             hexBytes(m.sliced(sysex::kOffData, sysex::kAddressSize)));
}

QString describeSysEx(QByteArrayView m)
{
    const QString count = QStringLiteral("%1 bytes").arg(m.size());
    if (m.back() != char(sysex::kEnd))
        return QStringLiteral("System Exclusive without its end, %1").arg(count);
    if (m.size() >= 3
        && (static_cast<std::uint8_t>(m[1]) == kUniversalNonRealtime
            || static_cast<std::uint8_t>(m[1]) == kUniversalRealtime)) {
        if (m.size() >= 6 && m[3] == 0x06 && m[4] == 0x01)
            return QStringLiteral("Identity Request");
        if (m.size() >= 6 && m[3] == 0x06 && m[4] == 0x02)
            return QStringLiteral("Identity Reply, %1").arg(count);
        return QStringLiteral("Universal System Exclusive, %1").arg(count);
    }
    const bool ours = m.size() >= sysex::kFraming && static_cast<std::uint8_t>(m[1]) == sysex::kManufacturer
                      && static_cast<std::uint8_t>(m[3]) == sysex::kModelId;
    const auto command = ours ? static_cast<std::uint8_t>(m[4]) : 0;
    if (!ours || (command != sysex::kDataSet && command != sysex::kDataRequest)
        || (command == sysex::kDataRequest && m.size() != sysex::kRequestSize))
        return QStringLiteral("System Exclusive, manufacturer %1h, %2").arg(hexBytes(m.sliced(1, 1)), count);

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(m.data());
    const int covered = static_cast<int>(m.size()) - sysex::kOffAddress - 2;
    const bool checksumOk = sysex::checksum(covered, bytes + sysex::kOffAddress) == bytes[m.size() - 2];
    const QString device = QStringLiteral("device %1").arg(bytes[sysex::kOffDevice] + 1);
    const QString what = command == sysex::kDataSet ? QStringLiteral("DT1 %1, %2").arg(device, describeDataSet(m))
                                                    : QStringLiteral("RQ1 %1, %2").arg(device, describeRequest(m));
    return checksumOk ? what : what + QStringLiteral(" (checksum wrong)");
}

} // namespace

QString hexBytes(QByteArrayView bytes, int limit)
{
    const qsizetype shown = limit > 0 ? std::min<qsizetype>(limit, bytes.size()) : bytes.size();
    QString text;
    text.reserve(shown * 3 + 16);
    for (qsizetype i = 0; i < shown; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        text += QLatin1Char(kHexDigits[b >> 4]);
        text += QLatin1Char(kHexDigits[b & 0x0F]);
    }
    if (shown < bytes.size())
        text += QStringLiteral(" \u2026 (%1 bytes)").arg(bytes.size());
    return text;
}

QString directionText(MidiTraffic::Direction direction)
{
    return direction == MidiTraffic::Direction::Out ? QStringLiteral("OUT") : QStringLiteral("IN");
}

QString timeText(std::int64_t nanos)
{
    const std::int64_t millis = nanos / kNanosPerMilli;
    return QStringLiteral("%1.%2")
        .arg(millis / kMillisPerSecond)
        .arg(millis % kMillisPerSecond, 3, 10, QLatin1Char('0'));
}

QByteArray logLine(const MidiTraffic& traffic)
{
    QByteArray line = QByteArray::number(static_cast<qlonglong>(traffic.millis()));
    line += traffic.direction == MidiTraffic::Direction::Out ? " OUT" : " IN";
    line.reserve(line.size() + traffic.bytes.size() * 3);
    for (const char c : traffic.bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        line += ' ';
        line += kHexDigits[b >> 4];
        line += kHexDigits[b & 0x0F];
    }
    return line;
}

QString describe(QByteArrayView message)
{
    if (message.isEmpty())
        return {};
    const auto status = static_cast<std::uint8_t>(message[0]);
    if ((status & kStatusBit) == 0)
        return QStringLiteral("Data without a status, %1 bytes").arg(message.size());
    if (status == sysex::kStart)
        return describeSysEx(message);
    if (status < 0xF0)
        return describeChannel(message);
    return describeSystem(message);
}

QString noteName(int note)
{
    static constexpr std::array<const char*, kNotesPerOctave> kNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                                        "F#", "G",  "G#", "A",  "A#", "B"};
    if (note < 0)
        return QString::number(note);
    return QStringLiteral("%1%2")
        .arg(QLatin1String(kNames[static_cast<std::size_t>(note % kNotesPerOctave)]))
        .arg(note / kNotesPerOctave - 1);
}

} // namespace miditext
