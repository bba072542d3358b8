#pragma once

#include "midi/DumpRequest.h"
#include "midi/MidiClock.h"
#include "midi/MidiInputParser.h"
#include "midi/MidiPort.h"
#include "midi/MidiSettings.h"
#include "midi/NoteTracker.h"
#include "midi/TrafficQueue.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CMidiPortProvider;
class CReporter;

// The program's gateway to MIDI: one input and one output, a send thread that carries
// everything sent, and the recording of incoming System Exclusive data into a file.
// Single messages (notes, MIDI thru, parameter changes) go out in the order they were
// asked for; a file send runs beside them and lets them pass between two of its
// messages. Lives in the user-interface thread; port callbacks and the send thread
// hand their results over as queued calls.
class CMidi : public QObject
{
    Q_OBJECT

public:
    static constexpr std::uint8_t kControlChangeChannel1 = 0xB0;

    CMidi(CMidiPortProvider& ports, CReporter& reporter, const CMidiSettings& settings = {},
          CMidiClock* clock = nullptr, QObject* parent = nullptr);
    ~CMidi() override;

    // Devices. Closing the output first turns off every note still sounding through it.
    bool OpenIn();
    bool OpenOut();
    void CloseIn();
    void CloseOut();
    void SetInDevice(int index, const QString& name = {});
    void SetOutDevice(int index, const QString& name = {});
    int inDevice() const { return m_settings.inDevice; }
    int outDevice() const { return m_settings.outDevice; }
    void SetThru(bool on);
    bool thru() const { return m_thru; }
    bool isInOpen() const { return m_in != nullptr; }
    bool isOutOpen() const;

    // Pacing of the send thread; takes effect with the next message.
    void setSendRate(int bytesPerSecond);
    void setSendPause(int milliseconds);

    // Sending. SendShort takes the packed form: status in bits 0..7, data bytes in
    // 8..15 and 16..23. SendLong copies bytes and splits them into whole messages.
    void SendShort(std::uint32_t message);
    void SendLong(const QByteArray& bytes);
    // Streams the file at path() to the output.
    void StartSend();

    // Receiving: records incoming System Exclusive data into the file at path(). A
    // request (not empty) goes out once the input has been quiet (see
    // CMidiSettings::quietTime); what arrives before is dropped, and only the messages
    // that answer it are recorded and counted.
    void StartReceive(const QByteArray& request);
    // Ends the current transfer, turns off what sounds, closes devices and file and
    // reports transferEnded: true after a send (or when nothing ran), false after a receive.
    void Stop();

    void setPath(const QString& path) { m_path = path; }
    QString path() const { return m_path; }
    bool isReceiving() const { return m_receiving; }
    bool isSending() const { return m_fileSending || m_pendingJobs.load() > 0; }
    long bytesReceivedCount() const { return m_bytesReceived; }
    long bytesSentCount() const { return m_bytesSent; }
    // System Exclusive bytes of the current receive that were not recorded: messages
    // that do not answer the request, and fragments.
    long otherBytesCount() const { return m_otherBytes; }
    // A manual receive: bytes of messages that continue a record begun before it
    // (the rest of a stopped dump), which are not recorded.
    long skippedBytesCount() const { return m_skippedBytes; }
    // True when the last transfer ended by an error rather than by completion or Stop.
    bool lastTransferFailed() const { return m_transferFailed; }
    CReporter& reporter() const { return m_reporter; }

    // Named dump requests.
    void AddRequest(const QString& name, const QString& text);
    int GetRequestCount() const { return m_requestNames.size(); }
    QString GetRequestName(int i) const { return m_requestNames.value(i); }
    QString GetRequestText(int i) const { return m_requestTexts.value(i); }

    // Listeners of control changes on MIDI channel 1: each gets a queued call of its
    // slot remoteValue(int value, int controller).
    void AddListener(QObject* listener);
    void RemoveListener(QObject* listener);

    // Waits until the send thread has sent everything queued so far (for callers
    // without an event loop, such as the command-line tool and tests).
    void waitUntilSent();

    // Hands what the traffic signal has not yet carried over at once (closing down, tests).
    void deliverTraffic();
    // How many messages the traffic signal could not carry since the last call: more
    // were waiting than its queue holds.
    std::uint64_t takeLostTraffic();
    static constexpr std::size_t kTrafficCapacity = 8192;

signals:
    void bytesSent(long count);     // bytes of the file sent so far; 0 at the start of a send
    void bytesReceived(long count); // bytes recorded so far; 0 at the start of a receive
    // The request of a receive has been handed to the output (after the quiet time).
    void requestSent();
    // A transfer ended, was stopped or failed: true after a send or an error, false
    // after a stopped receive.
    void transferEnded(bool sendOrError);
    void remoteValue(int value, int controller);
    // Every whole message that went out to the output or came in from the input, in
    // the order each way, on the user-interface thread, in batches. The engine collects
    // them only while something is connected; the send thread hands them over through
    // a queue without a lock and never waits for their receivers.
    void traffic(const QList<MidiTraffic>& messages);

protected:
    void connectNotify(const QMetaMethod& signal) override;
    void disconnectNotify(const QMetaMethod& signal) override;

private:
    struct Job
    {
        enum class Kind { Short, Long, File };
        Kind kind = Kind::Short;
        std::vector<std::uint8_t> bytes;
        QString path;
        int chunkSize = CMidiSettings::kDefaultChunkSize;
        std::uint64_t generation = 0;
    };
    struct Incoming
    {
        std::uint64_t generation;
        std::vector<std::uint8_t> bytes;
        std::int64_t at = 0; // steady clock, nanoseconds
    };
    enum class SendResult { Sent, Failed, Cancelled };

    void enqueue(Job job);
    // Drops every queued job and waits until the send thread is idle; with discard the
    // port also drops what it holds and has not yet delivered.
    void cancelJobs(bool discard);
    void sendLoop(std::stop_token stop);
    void runJob(const Job& job);
    // Runs the single messages that wait, between two messages of a file send.
    void serveWaitingJobs();
    SendResult transmit(const Job& job, const std::uint8_t* data, std::size_t size, bool yieldToJobs,
                        QString* error = nullptr);
    void streamFile(const Job& job);
    bool cancelled(std::uint64_t generation) const;
    // Called from the send thread: runs f in the user-interface thread.
    template <typename F>
    void post(F&& f);
    void report(int icon, const QString& text);
    void finishFileSend(std::uint64_t generation, bool failed);
    // Turns off what sounds through the output; m_outMutex held.
    void releaseNotes();
    void onOutputLost(std::uint64_t generation);
    void onInputLost(std::uint64_t generation, const QString& reason);
    void dropLostOutput();

    void onInput(std::uint64_t generation, const std::uint8_t* data, std::size_t size);
    void drainInput();
    void handleInput(const std::vector<std::uint8_t>& bytes);
    void handleMessage(const std::vector<std::uint8_t>& message);
    void handleShort(const std::vector<std::uint8_t>& message);
    void sendRequestWhenQuiet();
    void endTransfer(bool sendOrError, bool failed);
    // Any thread: queues one message for the traffic signal when it has receivers.
    void tap(MidiTraffic::Direction direction, const std::uint8_t* data, std::size_t size, std::int64_t at);
    void updateTapping();

    CMidiPortProvider& m_ports;
    CReporter& m_reporter;
    CMidiSettings m_settings;
    std::unique_ptr<CMidiClock> m_ownClock;
    CMidiClock* m_clock;

    // Input: owned by the user-interface thread; the port's callback only appends to
    // m_incoming under m_inMutex.
    std::unique_ptr<CMidiInPort> m_in;
    std::mutex m_inMutex;
    std::deque<Incoming> m_incoming;
    bool m_drainPosted = false;
    std::atomic<std::uint64_t> m_inGeneration{0};
    CMidiInputParser m_parser;
    // When System Exclusive data last arrived and when the input was opened
    // (nanoseconds of the steady clock), for the quiet time before a request.
    std::atomic<std::int64_t> m_lastSysExAt{0};
    std::int64_t m_inOpenedAt = 0;

    // Output: the port is used by the send thread under m_outMutex; only the
    // user-interface thread replaces it.
    mutable std::mutex m_outMutex;
    std::unique_ptr<CMidiOutPort> m_out;
    CNoteTracker m_notes; // under m_outMutex
    std::atomic<std::uint64_t> m_outGeneration{0};
    std::atomic<bool> m_outLost{false};

    // The send queues: single messages in order, and file sends.
    std::mutex m_jobMutex;
    std::condition_variable_any m_jobCv;
    std::condition_variable m_idleCv;
    std::deque<Job> m_jobs;
    std::deque<Job> m_fileJobs;
    bool m_busy = false;
    std::atomic<std::uint64_t> m_cancelGeneration{0};
    std::atomic<int> m_pendingJobs{0}; // single messages not yet sent
    std::atomic<int> m_waitingJobs{0}; // of those, the ones still in m_jobs
    std::atomic<int> m_sendRate;
    std::atomic<int> m_sendPause;
    CMidiClock::TimePoint m_lineFree{};  // send thread only: the line has sent every byte
    CMidiClock::TimePoint m_sysExFree{}; // send thread only: the synth has had its pause

    bool m_thru = false;
    bool m_receiving = false; // a receive is under way (waiting for quiet or recording)
    bool m_recording = false; // the request is out (or there is none): messages are recorded
    bool m_fileSending = false;
    bool m_transferFailed = false;
    long m_bytesReceived = 0;
    long m_otherBytes = 0;
    long m_skippedBytes = 0;
    bool m_skipToRecordStart = false; // recording waits for a message that begins a record
    long m_bytesSent = 0;
    QString m_path;
    QFile m_file;
    QByteArray m_request;
    CDumpRequest m_answers;
    QTimer m_quietTimer;

    // The traffic signal's tap: the queue exists from the first receiver on; the flag
    // says whether anyone listens.
    std::int64_t m_startedAt = 0;
    std::int64_t m_inputAt = 0; // when the input being handled arrived
    std::atomic<bool> m_tapping{false};
    std::unique_ptr<CTrafficQueue> m_traffic;
    std::atomic<bool> m_trafficPosted{false};

    QStringList m_requestNames;
    QStringList m_requestTexts;
    QList<QPointer<QObject>> m_listeners;

    std::jthread m_thread; // last: started after everything above exists
};
