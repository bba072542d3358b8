#pragma once

#include "midi/ui/StatusDlg.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class CAppSettings;
class CBulkTransfer;
class CCheckedSend;
class CMidi;
class CMidiPortProvider;
class CPrompter;
class QByteArray;
class QTemporaryDir;
class QTemporaryFile;
class QWidget;

// The program's transfers as the user sees them: a receive into a file, a send of a
// bank, of an editor's bytes or of a backup, each under the one status window, with the
// backup before and the verification after a send as the settings ask. It starts them,
// follows their phases on the status window, and says how they ended: a short text for
// the main window's status bar, a received file to open.
class CTransfers : public QObject
{
    Q_OBJECT

public:
    CTransfers(CAppSettings& settings, CPrompter& prompter, CMidiPortProvider& ports, CMidi& midi, CBulkTransfer& bulk,
               CCheckedSend& checked, QObject* parent = nullptr);
    ~CTransfers() override;

    // The status window stays over window (the main window) once it exists; until then
    // it is a window of its own.
    void setWindowParent(QWidget* window);
    CStatusDlg* statusWindow() const { return m_status; }

    bool isActive() const;
    // A send, rather than a receive, is running (with its backup or verification).
    bool isSending() const;
    // Where backups go: the user's data folder's toneloom/backups.
    static QString backupFolder();

    // Receives into path (a full path): selection is a named request or
    // CBulkTransfer::kManual. A receive that cannot start has said why and ends at once.
    void startReceive(const QString& path, int selection);
    // Sends the scratch file of a bank send, which goes when the send is over; none when
    // it could not be written. False when no send started.
    bool sendScratchFile(std::unique_ptr<QTemporaryFile> file);
    // Sends bytes with the backup and the verification the settings ask for. True when
    // it took the send over (started it, or said why it could not); false when neither is
    // due and the caller sends the bytes itself.
    bool sendChecked(const QByteArray& bytes);
    // Sends a backup file back (with the device ID of the settings), always verified,
    // backed up first as the settings say. False when no send started.
    bool restoreBackup(const QString& path);
    // The status window's Stop (or Close once a send's outcome is on show).
    void stop();
    // The program ends: whatever runs stops, the status window goes, and a receive
    // stopped now opens nothing. Cleared again with false when the exit was called off.
    void stopForExit(bool exiting);

    // The bulk transfer ended. Must reach this before the checked send hears of it:
    // the end of a checked send's stream is left to the checked send.
    void bulkFinished(bool openFile);

signals:
    // A short text for the main window's status bar ("Bytes sent: 0", "Ready", an outcome).
    void statusText(const QString& text);
    // A transfer started, changed phase or ended: commands follow.
    void activityChanged();
    // A whole receive ended: its file is opened.
    void receivedFile(const QString& path);

private:
    // Starts a send of the file at sendPath with the backup and the verification the
    // settings ask for (verification always when forceVerify).
    bool startCheckedSend(const QString& sendPath, bool forceVerify);
    // Writes bytes into a folder of this send alone ("send.syx" or "restore.syx" after
    // what) and starts their checked send; says why when the file cannot be written.
    // False when no send started.
    bool sendPrivateCopy(const QByteArray& bytes, const QString& what, bool forceVerify);
    void onCheckedPhase(int phase, const QString& text);
    void onCheckedFinished(int outcome, const QString& text);

    CAppSettings& m_settings;
    CPrompter& m_prompter;
    CMidiPortProvider& m_ports;
    CMidi& m_midi;
    CBulkTransfer& m_bulk;
    CCheckedSend& m_checked;
    // Owned here; a child of the main window while that exists, which may delete it first.
    QPointer<CStatusDlg> m_status;
    std::unique_ptr<QTemporaryDir> m_sendDir; // holds the file of a checked send of bytes
    QString m_backupWhere;                    // "Backed up into ..." of the running send
    qint64 m_sendFileSize = 0;
    bool m_exiting = false; // the windows are closing for Exit: a stopped receive opens nothing
};
