#include "midi/BulkTransfer.h"

#include "fileio/AtomicFile.h"
#include "midi/Midi.h"
#include "model/Reporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    connect(&m_midi, &CMidi::noByteFor, this, [this](int milliseconds, long bytesSoFar) {
        if (!m_active || m_mode == Mode::Sending)
            return;
        m_noticeShown = true;
        emit notice(noByteText(m_selection, milliseconds, bytesSoFar));
    });
}

QString CBulkTransfer::noByteText(int selection, int milliseconds, long bytesSoFar)
{
    const int seconds = (milliseconds + 999) / 1000;
    if (bytesSoFar > 0)
        return tr("Nothing more has arrived for %1 seconds after %2 bytes; still waiting (Stop ends the receive). "
                  "Check that the synthesizer is on and that its MIDI cables are in place.")
            .arg(seconds)
            .arg(bytesSoFar);
    if (selection == kManual)
        return tr("Nothing has arrived for %1 seconds; still waiting (Stop ends the receive). Start the bulk dump "
                  "on the synthesizer, and check the MIDI cable from its MIDI Out to an input of this computer.")
            .arg(seconds);
    const bool card = selection >= 0 && selection < sysex::kNamedRequestCount
                      && QString::fromLatin1(sysex::kNamedRequests[static_cast<std::size_t>(selection)].name)
                             .contains(QLatin1String("Card"));
    QString text = tr("The synthesizer has not answered for %1 seconds; still waiting (Stop ends the receive). "
                      "Check its device ID in Midi > Setup..., the MIDI cables (its MIDI Out to an input of this "
                      "computer, an output of this computer to its MIDI In, not crossed) and that \"Rx Exclusive\" "
                      "is on in its MIDI settings.")
                       .arg(seconds);
    if (card)
        text += tr(" A card request needs a card in the synthesizer's card slot.");
    return text;
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

QString CBulkTransfer::receivingPath(const QString& path)
{
    return path + QStringLiteral(".part");
}

QString CBulkTransfer::incompletePath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    const QString stem = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    const QString ending = suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
    QString candidate = stem + QStringLiteral("-incomplete") + ending;
    // Anything in the way counts, a dangling link too: a kept dump never goes through one.
    for (int n = 2; AtomicFile::taken(candidate); ++n)
        candidate = stem + QStringLiteral("-incomplete-%1").arg(n) + ending;
    return candidate;
}

QString CBulkTransfer::freshReceivingPath(const QString& path)
{
    // Whatever stands in the way (a file, a link, a FIFO) is left alone.
    QString candidate = receivingPath(path);
    for (int n = 2; AtomicFile::taken(candidate); ++n)
        candidate = path + QStringLiteral(".%1.part").arg(n);
    return candidate;
}

bool CBulkTransfer::startReceive(const QString& path, int selection)
{
    // A FIFO, device or folder in the target's place is never replaced by the dump.
    if (const QString refused = AtomicFile::refusal(path); !refused.isEmpty()) {
        m_midi.reporter().showMessage(
            MessageIcon::Stop, tr("Cannot receive into \"%1\": %2").arg(QDir::toNativeSeparators(path), refused));
        return false;
    }
    m_selection = selection;
    m_mode = selection == kManual ? Mode::ReceivingManual : Mode::ReceivingRequest;
    m_path = path;
    m_keptPath.clear();
    m_active = true;
    m_completing = false;
    m_userStopped = false;
    m_overrun = false;
    m_aborted = false;
    // The target keeps its contents until a whole dump is there to replace them; the
    // partial file is created afresh, never opened through something planted there.
    m_partPath = freshReceivingPath(path);
    m_midi.setPath(m_partPath);
    m_midi.StartReceive(selection == kManual ? QByteArray() : requestBytes(selection, m_settings.deviceId));
    return m_midi.isReceiving();
}

bool CBulkTransfer::startSend(const QString& sendPath)
{
    m_mode = Mode::Sending;
    m_path = sendPath;
    m_keptPath.clear();
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

void CBulkTransfer::abort()
{
    m_aborted = m_active;
    stop();
}

void CBulkTransfer::onBytesReceived(long count)
{
    if (!m_active || m_mode == Mode::Sending)
        return;
    emit statusText(tr("Bytes received: %1").arg(count));
    if (count > 0 && std::exchange(m_noticeShown, false))
        emit notice(QString());
    // The completion rule: the answers to the request reach its size under the model
    // setting. Only answers are counted, so passing the size means the instrument is
    // of another model; the receive ends then instead of waiting for ever.
    if (m_selection == kManual || m_completing || m_overrun)
        return;
    const long expected = expectedSize(m_selection, m_settings.model);
    if (count == expected) {
        m_completing = true;
        m_midi.Stop();
    } else if (count > expected) {
        m_overrun = true;
        m_midi.reporter().showMessage(MessageIcon::Stop,
                                      tr("The synthesizer sent more than the %1 bytes this request gives under the "
                                         "chosen model (%2 so far); check the synthesizer model in the MIDI settings.")
                                          .arg(expected)
                                          .arg(count));
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
    if (std::exchange(m_noticeShown, false))
        emit notice(QString());
    const bool userStopped = std::exchange(m_userStopped, false);
    if (m_mode == Mode::Sending) {
        emit finished(m_midi.lastTransferFailed() ? Outcome::Failed
                      : userStopped               ? Outcome::Stopped
                                                  : Outcome::Completed,
                      false);
        return;
    }
    Outcome outcome = Outcome::Stopped;
    if (m_midi.lastTransferFailed() || m_overrun)
        outcome = Outcome::Failed;
    else if (m_completing)
        outcome = Outcome::Completed;
    // A manual receive ends when the user stops it; what came is the dump.
    const bool aborted = std::exchange(m_aborted, false);
    const bool whole = outcome == Outcome::Completed
                       || (outcome == Outcome::Stopped && !aborted && !sendOrError && m_mode == Mode::ReceivingManual
                           && m_midi.bytesReceivedCount() > 0);
    if (!whole) {
        keepPartial();
        emit finished(outcome, false);
        return;
    }
    if (!replaceTarget()) {
        emit finished(Outcome::Failed, false);
        return;
    }
    if (const long skipped = m_midi.skippedBytesCount(); skipped > 0) {
        m_midi.reporter().showMessage(MessageIcon::Information,
                                      tr("The first %1 bytes that arrived continue items whose beginning was not "
                                         "received (the rest of an earlier dump); recording began with the first "
                                         "message that begins an item.")
                                          .arg(skipped));
    }
    if (const long other = m_midi.otherBytesCount(); other > 0) {
        m_midi.reporter().showMessage(
            MessageIcon::Information,
            m_mode == Mode::ReceivingRequest
                ? tr("The synthesizer also sent %1 bytes that do not answer the request; they were not recorded.")
                      .arg(other)
                : tr("%1 bytes that arrived were not part of a complete System Exclusive message; they were not "
                     "recorded.")
                      .arg(other));
    }
    emit finished(outcome, true);
}

bool CBulkTransfer::replaceTarget()
{
    // Synced, with the target's mode and owner, a link in its place replaced.
    QString error;
    if (AtomicFile::replace(m_partPath, m_path, &error))
        return true;
    m_keptPath = m_partPath;
    m_midi.reporter().showMessage(
        MessageIcon::Stop,
        tr("%1; the received dump is kept in \"%2\".").arg(error, QDir::toNativeSeparators(m_partPath)));
    return false;
}

void CBulkTransfer::keepPartial()
{
    const QString received = m_partPath;
    const long count = m_midi.bytesReceivedCount();
    if (count <= 0) {
        QFile::remove(received);
        return;
    }
    const QString kept = incompletePath(m_path);
    m_keptPath = QFile::rename(received, kept) ? kept : received;
    m_midi.reporter().showMessage(MessageIcon::Information,
                                  tr("The dump was not completed. The %1 bytes that arrived are kept in \"%2\"; "
                                     "\"%3\" is unchanged.")
                                      .arg(count)
                                      .arg(QDir::toNativeSeparators(m_keptPath), QDir::toNativeSeparators(m_path)));
}
