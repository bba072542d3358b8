#include "midi/BulkTransfer.h"

#include "midi/Midi.h"

#include <array>
#include <utility>

const QString CBulkTransfer::kSendFileName = QStringLiteral("sysex~~~.tmp");

namespace {

// Bytes per request and model (JV-1080, JV-2080, XP), in the order of the named requests.
constexpr std::array<std::array<long, kModelCount>, sysex::kNamedRequestCount> kExpectedSizes{{
    {82304, 82560, 82432},    // All Patches
    {17760, 21472, 20896},    // All Performances
    {108942, 112910, 112206}, // All
    {82304, 82560, 82432},    // All Card Patches
    {17760, 21472, 20896},    // All Card Performances
    {108942, 112910, 112206}, // All Card
    {643, 645, 644},          // Temporary Patch
    {555, 671, 653},          // Temporary Performance
    {4439, 4439, 4439},       // Temporary Rhythm
}};

QString normalised(QString name)
{
    name = name.toLower();
    name.remove(QLatin1Char(' ')).remove(QLatin1Char('-')).remove(QLatin1Char('_'));
    return name;
}

} // namespace

CBulkTransfer::CBulkTransfer(CMidi& midi, const SynthSettings& settings, QObject* parent)
    : QObject(parent), m_midi(midi), m_settings(settings)
{
    connect(&m_midi, &CMidi::bytesReceived, this, &CBulkTransfer::onBytesReceived);
    connect(&m_midi, &CMidi::bytesSent, this, &CBulkTransfer::onBytesSent);
    connect(&m_midi, &CMidi::transferEnded, this, &CBulkTransfer::onTransferEnded);
}

long CBulkTransfer::expectedSize(int request, SynthModel model)
{
    const int m = static_cast<int>(model);
    if (request < 0 || request >= sysex::kNamedRequestCount || m < 0 || m >= kModelCount)
        return -1;
    return kExpectedSizes[static_cast<std::size_t>(request)][static_cast<std::size_t>(m)];
}

QByteArray CBulkTransfer::requestBytes(int request, std::uint8_t deviceId)
{
    if (request < 0 || request >= sysex::kNamedRequestCount)
        return {};
    // The device byte is outside the checksum, so the stored checksum stays right.
    QByteArray bytes = HexTextToBytes(sysex::kNamedRequests[static_cast<std::size_t>(request)].message);
    bytes[sysex::kOffDevice] = static_cast<char>(deviceId);
    return bytes;
}

int CBulkTransfer::findRequest(const QString& name)
{
    const QString wanted = normalised(name);
    for (int i = 0; i < sysex::kNamedRequestCount; ++i) {
        if (normalised(QString::fromLatin1(sysex::kNamedRequests[static_cast<std::size_t>(i)].name)) == wanted)
            return i;
    }
    return -1;
}

bool CBulkTransfer::startReceive(const QString& path, int selection)
{
    m_selection = selection;
    m_mode = selection == kManual ? Mode::ReceivingManual : Mode::ReceivingRequest;
    m_path = path;
    m_partialPath.clear();
    m_active = true;
    m_completing = false;
    m_userStopped = false;
    m_midi.setPath(path);
    m_midi.StartReceive(selection == kManual ? QByteArray() : requestBytes(selection, m_settings.deviceId));
    return m_midi.isReceiving();
}

bool CBulkTransfer::startSend(const QString& sendPath)
{
    m_mode = Mode::Sending;
    m_path = sendPath;
    m_partialPath.clear();
    m_active = true;
    m_completing = false;
    m_userStopped = false;
    m_midi.setPath(sendPath);
    m_midi.StartSend();
    return m_active;
}

void CBulkTransfer::stop()
{
    m_userStopped = m_active;
    m_midi.Stop();
}

void CBulkTransfer::onBytesReceived(long count)
{
    if (!m_active || m_mode == Mode::Sending)
        return;
    emit statusText(tr("Bytes received: %1").arg(count));
    // The completion rule: exactly the size of the request under the model setting.
    if (m_selection != kManual && !m_completing && count == expectedSize(m_selection, m_settings.model)) {
        m_completing = true;
        m_midi.Stop();
    }
}

void CBulkTransfer::onBytesSent(long count)
{
    if (m_active && m_mode == Mode::Sending)
        emit statusText(tr("Bytes sent: %1").arg(count));
}

void CBulkTransfer::onTransferEnded(bool sendOrError)
{
    if (!m_active)
        return;
    m_active = false;
    const bool userStopped = std::exchange(m_userStopped, false);
    // The receive file keeps what arrived before the end.
    const bool partial = m_mode != Mode::Sending && !m_completing && m_midi.bytesReceivedCount() > 0;
    if (m_midi.lastTransferFailed()) {
        if (partial)
            m_partialPath = m_path;
        emit finished(Outcome::Failed, false);
        return;
    }
    if (m_mode == Mode::Sending) {
        emit finished(userStopped ? Outcome::Stopped : Outcome::Completed, false);
        return;
    }
    if (m_completing) {
        emit finished(Outcome::Completed, true);
        return;
    }
    const bool open = !sendOrError && m_mode == Mode::ReceivingManual && m_midi.bytesReceivedCount() > 0;
    if (partial && !open)
        m_partialPath = m_path;
    emit finished(Outcome::Stopped, open);
}
