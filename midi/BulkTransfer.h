#pragma once

#include "model/SynthSettings.h"
#include "model/SysEx.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class CMidi;
class CReporter;

// Bulk dumps in both directions, driven by the GUI's status window or by the
// command-line tool: the named requests with the configured device ID, the sizes
// that complete a receive, and the send of a bank through a temporary file.
class CBulkTransfer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kManual = -1; // receive without a request
    // What the status window shows.
    enum class Mode { Sending = 0, ReceivingRequest = 1, ReceivingManual = 2 };
    enum class Outcome { Completed, Stopped, Failed };
    // The file a send is written to before it is streamed.
    static const QString kSendFileName; // "sysex~~~.tmp"

    CBulkTransfer(CMidi& midi, const SynthSettings& settings, QObject* parent = nullptr);

    // The bytes that complete the named request under model; -1 for kManual or an
    // unknown request.
    static long expectedSize(int request, SynthModel model);
    // The 15 bytes of named request i with deviceId in byte 2; empty for a bad index.
    static QByteArray requestBytes(int request, std::uint8_t deviceId);
    // The index of a named request by its name, ignoring case, blanks, "-" and "_"; -1 if none.
    static int findRequest(const QString& name);

    // Records into a file beside path, which replaces path only when the receive
    // completes; selection is kManual or a request index. False when the receive could
    // not start (the engine has reported why).
    bool startReceive(const QString& path, int selection);
    // Streams the file at sendPath (a bank written for the send, CToneloomDoc::SaveForSend).
    bool startSend(const QString& sendPath);
    // The status window's Stop.
    void stop();
    // Stops a receive as an interruption: even a manual receive keeps what arrived
    // under the incomplete name instead of replacing the target.
    void abort();

    bool isActive() const { return m_active; }
    Mode mode() const { return m_mode; }
    int selection() const { return m_selection; }
    QString path() const { return m_path; }
    // What a receive says after recording no byte for milliseconds (bytes so far):
    // that it keeps waiting, and the likely causes for the request (selection).
    static QString noByteText(int selection, int milliseconds, long bytesSoFar);

    // Where a receive that did not complete left what arrived; empty when nothing did.
    QString keptPath() const { return m_keptPath; }
    // The file a receive into path records into until it completes.
    static QString receivingPath(const QString& path);
    // The name under which a receive into path that did not complete keeps its data:
    // "NAME-incomplete.syx", numbered when that exists.
    static QString incompletePath(const QString& path);
    // receivingPath(path), or a numbered name beside it when anything stands there.
    static QString freshReceivingPath(const QString& path);
    // The partial file of the running (or last) receive.
    QString partPath() const { return m_partPath; }

signals:
    // "Bytes received: %ld" or "Bytes sent: %ld", for the status bar.
    void statusText(const QString& text);
    // A notice for the status window while a receive waits (empty: none any more).
    void notice(const QString& text);
    // The transfer is over. For a receive, openFile tells whether path now holds a
    // dump to open as a bank: after the completion rule, or a manual receive stopped
    // after data came.
    void finished(CBulkTransfer::Outcome outcome, bool openFile);

private:
    void onBytesReceived(long count);
    void onBytesSent(long count);
    void onTransferEnded(bool sendOrError);
    // After a receive: the recorded file replaces the target (true), or is kept under
    // a name of its own, or removed when nothing came.
    bool replaceTarget();
    void keepPartial();

    CMidi& m_midi;
    const SynthSettings& m_settings;
    Mode m_mode = Mode::Sending;
    int m_selection = kManual;
    QString m_path;
    bool m_active = false;
    bool m_completing = false;
    bool m_userStopped = false;
    bool m_overrun = false; // more arrived than the request gives
    bool m_aborted = false;
    bool m_noticeShown = false;
    QString m_partPath;
    QString m_keptPath;
};
