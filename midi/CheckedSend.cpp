#include "midi/CheckedSend.h"

#include "midi/BulkTransfer.h"
#include "midi/Midi.h"
#include "midi/MidiPortProvider.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <algorithm>

namespace {

bool isCard(const synthline::Record& r)
{
    return r.area == sysex::kAreaCardPatch || r.area == sysex::kAreaCardPerformance;
}

} // namespace

CCheckedSend::CCheckedSend(CMidi& midi, CBulkTransfer& bulk, CMidiPortProvider& ports, QObject* parent)
    : QObject(parent), m_midi(midi), m_bulk(bulk), m_ports(ports)
{
    connect(&m_bulk, &CBulkTransfer::finished, this, [this](CBulkTransfer::Outcome outcome, bool) {
        if (m_phase == Phase::Send)
            onSendFinished(static_cast<int>(outcome));
    });
}

CCheckedSend::~CCheckedSend()
{
    m_stop = true;
    joinWorker();
    closeLine();
}

QString CCheckedSend::sentText(const std::vector<synthline::Record>& records, bool verifyAsked)
{
    const QString count = sendcheck::countText(records);
    if (!verifyAsked && std::any_of(records.begin(), records.end(), isCard))
        return QStringLiteral("Sent %1 to card memory; not read back (\"Verify after sending\" is off), so whether "
                              "a card took them is not known")
            .arg(count);
    return QStringLiteral("Sent %1").arg(count);
}

bool CCheckedSend::start(const QString& path, const Line& line, const Options& options)
{
    if (isActive())
        return false;
    m_error.clear();
    m_backupPath.clear();
    m_records.clear();
    m_path = path;
    m_line = line;
    m_options = options;
    if (m_options.folder.isEmpty())
        m_options.folder = sendcheck::defaultBackupFolder();
    m_stop = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("The send file %1 cannot be read: %2")
                      .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    m_records = synthline::recordsOf(file.readAll());
    file.close();
    m_options.verify = m_options.verify && !m_records.empty();
    m_options.backup = m_options.backup && sendcheck::overwritesMemory(m_records);
    if (m_options.backup) {
        startBackup();
        return true;
    }
    startSend();
    // A send the engine refused has been reported by it and ended at once.
    return isActive();
}

void CCheckedSend::stop()
{
    m_stop = true;
    if (m_phase == Phase::Send)
        m_bulk.stop();
}

bool CCheckedSend::openLine(QString* error)
{
    if (m_listener)
        return true;
    auto in = m_line.input >= 0 ? m_ports.createIn(m_line.input) : nullptr;
    auto out = m_line.output >= 0 ? m_ports.createOut(m_line.output) : nullptr;
    if (!in || !out) {
        *error = QStringLiteral("no MIDI input and output are chosen for the synthesizer (Midi > Setup...)");
        return false;
    }
    auto listener = std::make_unique<synthline::CListener>();
    if (!listener->open(std::move(in), m_line.input, error))
        return false;
    auto paced = std::make_unique<synthline::CPacedOut>(std::move(out), m_line.sendRate, m_line.sendPause);
    if (!paced->open(error))
        return false;
    m_listener = std::move(listener);
    m_out = std::move(paced);
    return true;
}

void CCheckedSend::closeLine()
{
    if (!m_listener)
        return;
    m_listener->close();
    m_listener.reset();
    m_out.reset();
    // Our input stood beside the engine's (or took its place, on a device with one
    // listener): the engine opens its own again.
    m_midi.SetInDevice(m_midi.inDevice(), m_line.inputName);
}

void CCheckedSend::setPhase(Phase phase, const QString& text)
{
    m_phase = phase;
    emit phaseChanged(phase, text);
}

void CCheckedSend::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void CCheckedSend::startBackup()
{
    const std::vector<synthline::Record> memory = sendcheck::memoryRecords(m_records);
    setPhase(Phase::Backup, QStringLiteral("Backing up %1 into %2...")
                                .arg(sendcheck::countText(memory), QDir::toNativeSeparators(m_options.folder)));
    QString error;
    if (!openLine(&error)) {
        sendcheck::BackupResult result;
        result.error = QStringLiteral("No backup could be made: %1; nothing was sent.").arg(error);
        // Reported after start() returns, as every other outcome of the backup.
        QMetaObject::invokeMethod(
            this, [this, result] { onBackupDone(result); }, Qt::QueuedConnection);
        return;
    }
    m_worker = std::jthread([this] {
        const sendcheck::BackupResult result = sendcheck::backup(
            *m_listener, *m_out, m_line.deviceId, m_records, m_options.folder, m_options.keep, m_options.read, &m_stop,
            [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this, [this, done, total] { emit backupProgress(done, total); }, Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this, [this, result] { onBackupDone(result); }, Qt::QueuedConnection);
    });
}

void CCheckedSend::onBackupDone(const sendcheck::BackupResult& result)
{
    joinWorker();
    if (result.stopped || m_stop) {
        finish(Outcome::Stopped, QStringLiteral("The backup was stopped; nothing was sent."));
        return;
    }
    if (!result.ok) {
        if (!m_options.sendWithoutBackup || !m_options.sendWithoutBackup(result.error) || m_stop) {
            finish(Outcome::Failed, result.error);
            return;
        }
    } else if (!result.path.isEmpty()) {
        m_backupPath = result.path;
        emit backedUp(result.path);
    }
    startSend();
}

void CCheckedSend::startSend()
{
    setPhase(Phase::Send, QStringLiteral("Sending %1...").arg(sendcheck::countText(m_records)));
    if (!m_bulk.startSend(m_path) && m_phase == Phase::Send) {
        // The engine has said why.
        m_error = QStringLiteral("The send could not start.");
        finish(Outcome::Failed, m_error);
    }
}

void CCheckedSend::onSendFinished(int outcome)
{
    const auto result = static_cast<CBulkTransfer::Outcome>(outcome);
    if (result == CBulkTransfer::Outcome::Stopped) {
        finish(Outcome::Stopped, QStringLiteral("The send was stopped; the synthesizer may hold part of it."));
        return;
    }
    if (result == CBulkTransfer::Outcome::Failed) {
        finish(Outcome::Failed, QStringLiteral("The send failed; the synthesizer may hold part of it."));
        return;
    }
    if (!m_options.verify) {
        finish(Outcome::Sent, sentText(m_records, false));
        return;
    }
    setPhase(Phase::Verify, QStringLiteral("Reading back %1 to verify...").arg(sendcheck::countText(m_records)));
    // The last message leaves the engine's port within its pause; the first request
    // must not overtake it.
    QTimer::singleShot(std::max(0, m_line.sendPause) + m_options.drainMs, this, [this] {
        if (m_phase == Phase::Verify)
            startVerify();
    });
}

void CCheckedSend::startVerify()
{
    if (m_stop) {
        sendcheck::VerifyResult stopped;
        stopped.stopped = true;
        onVerifyDone(stopped);
        return;
    }
    QString error;
    if (!openLine(&error)) {
        onVerifyDone(sendcheck::VerifyResult{});
        return;
    }
    m_worker = std::jthread([this] {
        const sendcheck::VerifyResult result = sendcheck::verify(
            *m_listener, *m_out, m_line.deviceId, m_records, m_options.read, &m_stop, [this](const QString& text) {
                QMetaObject::invokeMethod(
                    this, [this, text] { emit phaseChanged(Phase::Verify, text); }, Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this, [this, result] { onVerifyDone(result); }, Qt::QueuedConnection);
    });
}

void CCheckedSend::onVerifyDone(const sendcheck::VerifyResult& result)
{
    joinWorker();
    QString text = sendcheck::verifyText(m_records, result);
    if (!result.resent.empty() && !result.stopped)
        text += QStringLiteral(" (sent again: %1)").arg(synthline::recordListText(result.resent));
    const Outcome outcome = result.stopped                   ? Outcome::Stopped
                            : !result.answered               ? Outcome::Unverified
                            : !result.stillDiffering.empty() ? Outcome::Differs
                                                             : Outcome::Verified;
    finish(outcome, text);
}

void CCheckedSend::finish(Outcome outcome, const QString& text)
{
    closeLine();
    m_phase = Phase::Idle;
    emit finished(outcome, text);
}
