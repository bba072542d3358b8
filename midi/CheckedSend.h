#pragma once

#include "midi/SendCheck.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class CBulkTransfer;
class CMidi;
class CMidiPortProvider;

// A send from the program's windows with what surrounds it: the backup of the memory
// it overwrites before, the read-back that verifies it after (with the resend of what
// differs). The send itself streams through the engine's bulk transfer (its pace, its
// progress, the MIDI monitor); the backup and the read-back ask the instrument on ports
// of their own beside the engine's, on a worker thread, so the window never blocks.
class CCheckedSend : public QObject
{
    Q_OBJECT

public:
    enum class Phase { Idle, Backup, Send, Verify };
    Q_ENUM(Phase)
    enum class Outcome {
        Sent,       // sent, and no verification was asked for
        Verified,   // read back and equal, after resends where needed
        Differs,    // records still differ after the last try
        Unverified, // sent, but the instrument did not answer the read-back
        Stopped,    // stopped by the user (during the backup: nothing was sent)
        Failed      // nothing, or not all, was sent
    };
    Q_ENUM(Outcome)

    // Where the instrument is: positions in the provider's lists (-1: none) and how the
    // engine paces its sends.
    struct Line
    {
        int input = -1;
        int output = -1;
        QString inputName; // the engine's input, opened again after the read-back
        std::uint8_t deviceId = 0x10;
        int sendRate = 3125;
        int sendPause = 20;
    };
    struct Options
    {
        bool verify = true;
        bool backup = true;
        int keep = sendcheck::kDefaultKeptBackups;
        QString folder; // empty: sendcheck::defaultBackupFolder()
        synthline::ReadOptions read;
        int drainMs = 100; // after the engine's send, before the first request of the read-back
        // Asked (with the reason) when no backup could be made: true sends without one.
        // Unset: nothing is sent.
        std::function<bool(const QString& reason)> sendWithoutBackup;
    };

    CCheckedSend(CMidi& midi, CBulkTransfer& bulk, CMidiPortProvider& ports, QObject* parent = nullptr);
    ~CCheckedSend() override;

    // Starts the send of the file at path (the DT1 messages a send streams). False when
    // the send cannot start; the engine or error() says why.
    bool start(const QString& path, const Line& line, const Options& options);
    // The status window's Stop: a backup stops before anything is sent, a send stops
    // between two messages, a verification between two requests.
    void stop();

    bool isActive() const { return m_phase != Phase::Idle; }
    Phase phase() const { return m_phase; }
    // The backup of this send; empty when none was made.
    QString backupPath() const { return m_backupPath; }
    QString error() const { return m_error; }
    // What was sent, record by record.
    const std::vector<synthline::Record>& records() const { return m_records; }

    // "Sent 128 patches", or, for card memory without a read-back, that it was not read back.
    static QString sentText(const std::vector<synthline::Record>& records, bool verifyAsked);

signals:
    // text: what the status window shows for the phase ("Backing up 128 patches...").
    void phaseChanged(CCheckedSend::Phase phase, const QString& text);
    // Records of the backup read so far.
    void backupProgress(int done, int total);
    // The backup is written to path.
    void backedUp(const QString& path);
    void finished(CCheckedSend::Outcome outcome, const QString& text);

private:
    bool openLine(QString* error);
    void closeLine();
    void setPhase(Phase phase, const QString& text);
    void startBackup();
    void onBackupDone(const sendcheck::BackupResult& result);
    void startSend();
    void onSendFinished(int outcome);
    void startVerify();
    void onVerifyDone(const sendcheck::VerifyResult& result);
    void finish(Outcome outcome, const QString& text);
    void joinWorker();

    CMidi& m_midi;
    CBulkTransfer& m_bulk;
    CMidiPortProvider& m_ports;
    Line m_line;
    Options m_options;
    QString m_path;
    Phase m_phase = Phase::Idle;
    std::vector<synthline::Record> m_records;
    QString m_backupPath;
    QString m_error;
    std::unique_ptr<synthline::CListener> m_listener;
    std::unique_ptr<synthline::CPacedOut> m_out;
    std::atomic<bool> m_stop{false};
    std::jthread m_worker;
};
