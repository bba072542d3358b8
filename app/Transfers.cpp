#include "app/Transfers.h"

#include "fileio/AtomicFile.h"
#include "midi/BackupList.h"
#include "midi/BulkTransfer.h"
#include "midi/CheckedSend.h"
#include "midi/Midi.h"
#include "midi/MidiPortProvider.h"
#include "midi/ui/StatusDlg.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {

const QString kReady = QStringLiteral("Ready");

} // namespace

CTransfers::CTransfers(CAppSettings& settings, CPrompter& prompter, CMidiPortProvider& ports, CMidi& midi,
                       CBulkTransfer& bulk, CCheckedSend& checked, QObject* parent)
    : QObject(parent), m_settings(settings), m_prompter(prompter), m_ports(ports), m_midi(midi), m_bulk(bulk),
      m_checked(checked), m_status(new CStatusDlg)
{
    connect(m_status, &CStatusDlg::stopClicked, this, &CTransfers::stop);
    connect(&m_bulk, &CBulkTransfer::statusText, this, &CTransfers::statusText);
    connect(&m_bulk, &CBulkTransfer::notice, m_status, &CStatusDlg::setNotice);
    connect(&m_checked, &CCheckedSend::phaseChanged, this,
            [this](CCheckedSend::Phase phase, const QString& text) { onCheckedPhase(static_cast<int>(phase), text); });
    connect(&m_checked, &CCheckedSend::backupProgress, m_status, &CStatusDlg::setRecordProgress);
    connect(&m_checked, &CCheckedSend::backedUp, this, [this](const QString& path) {
        m_backupWhere = QStringLiteral("Backed up into %1").arg(QDir::toNativeSeparators(path));
        m_status->setBackupLine(m_backupWhere);
    });
    connect(&m_checked, &CCheckedSend::finished, this, [this](CCheckedSend::Outcome outcome, const QString& text) {
        onCheckedFinished(static_cast<int>(outcome), text);
    });
    connect(&m_midi, &CMidi::bytesReceived, m_status, &CStatusDlg::setProgress);
    connect(&m_midi, &CMidi::bytesSent, m_status, &CStatusDlg::setProgress);
}

CTransfers::~CTransfers()
{
    delete m_status.data();
}

void CTransfers::setWindowParent(QWidget* window)
{
    m_status->setParent(window, m_status->windowFlags());
}

bool CTransfers::isActive() const
{
    return m_bulk.isActive() || m_checked.isActive();
}

bool CTransfers::isSending() const
{
    return m_checked.isActive() || m_bulk.mode() == CBulkTransfer::Mode::Sending;
}

QString CTransfers::backupFolder()
{
    return sendcheck::defaultBackupFolder();
}

void CTransfers::startReceive(const QString& path, int selection)
{
    const bool named = selection != CBulkTransfer::kManual;
    m_status->setMode(named ? CStatusDlg::Mode::ReceivingRequest : CStatusDlg::Mode::ReceivingManual,
                      named ? CBulkTransfer::expectedSize(selection, m_settings.synth().model) : -1);
    m_status->show();
    emit statusText(QStringLiteral("Bytes received: 0"));
    // A receive that cannot start (no input, no file) has been reported and ends at
    // once, which hides the status window again.
    m_bulk.startReceive(path, selection);
    emit activityChanged();
}

bool CTransfers::sendScratchFile(std::unique_ptr<QTemporaryFile> file)
{
    if (!file) {
        // The bank could not be written for the send, and has said why.
        emit activityChanged();
        return false;
    }
    QTemporaryFile* sendFile = file.release();
    sendFile->setParent(this);
    const bool started = startCheckedSend(sendFile->fileName(), false);
    if (started)
        connect(&m_checked, &CCheckedSend::finished, sendFile, &QObject::deleteLater);
    else
        sendFile->deleteLater();
    return started;
}

bool CTransfers::sendChecked(const QByteArray& bytes)
{
    const CAppSettings::Midi& midi = m_settings.midi();
    const std::vector<synthline::Record> records = synthline::recordsOf(bytes);
    if (!sendcheck::overwritesMemory(records) || (!midi.verifySends && !midi.backupBeforeSend))
        return false;
    if (isActive()) {
        m_prompter.showMessage(MessageIcon::Information,
                               QStringLiteral("A transfer is running; send again when it is over or stopped."));
        return true;
    }
    sendPrivateCopy(bytes, QStringLiteral("send"), false);
    return true;
}

bool CTransfers::restoreBackup(const QString& path)
{
    if (isActive()) {
        m_prompter.showMessage(MessageIcon::Information,
                               QStringLiteral("A transfer is running; restore when it is over or stopped."));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompter.showMessage(
            MessageIcon::Stop,
            QStringLiteral("The backup %1 cannot be read: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    const QByteArray bytes = backups::forDevice(file.readAll(), m_settings.synth().deviceId);
    if (synthline::recordsOf(bytes).empty()) {
        m_prompter.showMessage(
            MessageIcon::Exclamation,
            QStringLiteral("The backup %1 holds nothing to send.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    // A copy is sent: the backup made before the restore may prune the oldest file,
    // and that may be this one.
    return sendPrivateCopy(bytes, QStringLiteral("restore"), true);
}

bool CTransfers::sendPrivateCopy(const QByteArray& bytes, const QString& what, bool forceVerify)
{
    // A folder of this send alone, readable by its owner only, holds the bytes.
    auto dir = std::make_unique<QTemporaryDir>();
    QString error = dir->errorString();
    const QString path = dir->filePath(what + QStringLiteral(".syx"));
    if (!dir->isValid() || !AtomicFile::writeFile(path, bytes, &error)) {
        m_prompter.showMessage(MessageIcon::Stop, QStringLiteral("The %1 could not be prepared: %2").arg(what, error));
        return false;
    }
    m_sendDir = std::move(dir);
    if (startCheckedSend(path, forceVerify))
        return true;
    m_sendDir.reset();
    return false;
}

bool CTransfers::startCheckedSend(const QString& sendPath, bool forceVerify)
{
    const CAppSettings::Midi& midi = m_settings.midi();
    CCheckedSend::Line line;
    line.input = CMidiPortProvider::resolve(m_ports.inputNames(), midi.inDevice, midi.inName);
    line.output = CMidiPortProvider::resolve(m_ports.outputNames(), m_midi.outDevice(), midi.outName);
    line.inputName = midi.inName;
    line.deviceId = m_settings.synth().deviceId;
    line.sendRate = midi.sendRate;
    line.sendPause = midi.sendPause;
    CCheckedSend::Options options;
    options.verify = midi.verifySends || forceVerify;
    options.backup = midi.backupBeforeSend;
    options.keep = midi.keptBackups;
    options.folder = backupFolder();
    options.sendWithoutBackup = [this](const QString& reason) {
        return m_prompter.ask(reason + QStringLiteral("\n\nSend without a backup?")) == CPrompter::Answer::Yes;
    };
    m_backupWhere.clear();
    m_sendFileSize = QFileInfo(sendPath).size();
    const bool started = m_checked.start(sendPath, line, options);
    if (!started && !m_checked.error().isEmpty())
        m_prompter.showMessage(MessageIcon::Stop, m_checked.error());
    emit activityChanged();
    return started;
}

void CTransfers::onCheckedPhase(int phase, const QString& text)
{
    switch (static_cast<CCheckedSend::Phase>(phase)) {
    case CCheckedSend::Phase::Backup:
        m_status->setMode(CStatusDlg::Mode::Sending, -1);
        m_status->setPhase(text);
        m_status->setRecordProgress(0, static_cast<int>(sendcheck::memoryRecords(m_checked.records()).size()));
        emit statusText(QStringLiteral("Backing up..."));
        break;
    case CCheckedSend::Phase::Send:
        // The bar shows how much of the file has gone, as it does for a receive.
        m_status->setMode(CStatusDlg::Mode::Sending, m_sendFileSize);
        if (m_settings.midi().verifySends || m_settings.midi().backupBeforeSend)
            m_status->setPhase(text);
        m_status->setBackupLine(m_backupWhere);
        emit statusText(QStringLiteral("Bytes sent: 0"));
        break;
    case CCheckedSend::Phase::Verify:
        m_status->setPhase(text);
        m_status->setRecordProgress(0, 0);
        emit statusText(QStringLiteral("Verifying..."));
        break;
    case CCheckedSend::Phase::Idle:
        break;
    }
    m_status->show();
    emit activityChanged();
}

void CTransfers::onCheckedFinished(int outcome, const QString& text)
{
    m_sendDir.reset();
    const bool plain = static_cast<CCheckedSend::Outcome>(outcome) == CCheckedSend::Outcome::Sent
                       && m_backupWhere.isEmpty() && text == CCheckedSend::sentText(m_checked.records(), true);
    if (plain) {
        // Nothing but the send itself: the status window goes, as it always has.
        m_status->hide();
        emit statusText(kReady);
    } else {
        m_status->showOutcome(text); // where the backup went stays on its own line
        m_status->show();
        emit statusText(text);
    }
    emit activityChanged();
}

void CTransfers::stop()
{
    if (m_checked.isActive())
        m_checked.stop();
    else if (m_bulk.isActive())
        m_bulk.stop();
    else
        m_status->hide();
}

void CTransfers::stopForExit(bool exiting)
{
    m_exiting = exiting;
    if (!exiting)
        return;
    if (m_checked.isActive())
        m_checked.stop();
    if (m_bulk.isActive())
        m_bulk.stop();
    m_status->hide();
}

void CTransfers::bulkFinished(bool openFile)
{
    // A send from the windows goes on with its verification, and ends by itself.
    if (m_checked.isActive())
        return;
    m_status->hide();
    emit statusText(kReady);
    const bool receive = m_bulk.mode() != CBulkTransfer::Mode::Sending;
    const QString path = m_bulk.path();
    emit activityChanged();
    if (!receive)
        return;
    if (openFile && !m_exiting) {
        emit receivedFile(path);
        return;
    }
    // A receive that ended before the whole dump came has said where its bytes are
    // kept. A manual receive ended by Exit is a whole dump that is not opened: say
    // where it is.
    if (!openFile)
        return;
    m_prompter.showMessage(MessageIcon::Information,
                           QStringLiteral("The receive was stopped after %1 bytes. What was received so far is "
                                          "kept in %2.")
                               .arg(m_midi.bytesReceivedCount())
                               .arg(QDir::toNativeSeparators(path)));
}
