#pragma once

#include "midi/InputQueue.h"
#include "midi/MidiClock.h"
#include "midi/MidiInputParser.h"
#include "midi/MidiPorts.h"
#include "midi/MidiSettings.h"
#include "midi/MidiTraffic.h"
#include "midi/ReceiveRecorder.h"
#include "midi/RequestList.h"
#include "midi/SendQueue.h"
#include "midi/TrafficTap.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CMidiPortProvider;
class CReporter;

// The program's gateway to MIDI: one input and one output (CMidiPorts), a send thread
// that carries everything sent (CSendQueue, which streams files with fileStreamer), the
// recording of incoming System Exclusive data into a file (CReceiveRecorder), the
// traffic signal (CTrafficTap) and the named requests (CRequestList). Lives in the
// user-interface thread; port callbacks and the send thread hand their results over as
// queued calls.
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
    int inDevice() const { return m_ports.inDevice(); }
    int outDevice() const { return m_ports.outDevice(); }
    void SetThru(bool on);
    bool thru() const { return m_thru; }
    bool isInOpen() const { return m_ports.isInOpen(); }
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
    bool isReceiving() const { return m_recorder.isReceiving(); }
    bool isSending() const { return m_fileSending || m_sender->hasPendingMessages(); }
    long bytesReceivedCount() const { return m_recorder.bytesReceived(); }
    long bytesSentCount() const { return m_bytesSent; }
    // System Exclusive bytes of the current receive that were not recorded: messages
    // that do not answer the request, and fragments.
    long otherBytesCount() const { return m_recorder.otherBytes(); }
    // A manual receive: bytes of messages that continue a record begun before it
    // (the rest of a stopped dump), which are not recorded.
    long skippedBytesCount() const { return m_recorder.skippedBytes(); }
    // True when the last transfer ended by an error rather than by completion or Stop.
    bool lastTransferFailed() const { return m_transferFailed; }
    CReporter& reporter() const { return m_reporter; }

    // Named dump requests.
    void AddRequest(const QString& name, const QString& text) { m_requests.add(name, text); }
    int GetRequestCount() const { return m_requests.count(); }
    QString GetRequestName(int i) const { return m_requests.name(i); }
    QString GetRequestText(int i) const { return m_requests.text(i); }

    // Listeners of control changes on MIDI channel 1: each gets a queued call of its
    // slot remoteValue(int value, int controller).
    void AddListener(QObject* listener);
    void RemoveListener(QObject* listener);

    // Waits until the send thread has sent everything queued so far (for callers
    // without an event loop, such as the command-line tool and tests).
    void waitUntilSent();
    // Waits until everything queued is sent and then until the paced line has carried
    // its last byte (for the command-line tool before it closes the output).
    void waitUntilLineFree();

    // Hands what the traffic signal has not yet carried over at once (closing down, tests).
    void deliverTraffic();
    // How many messages the traffic signal could not carry since the last call: more
    // were waiting than its queue holds.
    std::uint64_t takeLostTraffic();
    static constexpr std::size_t kTrafficCapacity = CTrafficTap::kCapacity;

signals:
    void bytesSent(long count);     // bytes of the file sent so far; 0 at the start of a send
    void bytesReceived(long count); // bytes recorded so far; 0 at the start of a receive
    // The request of a receive has been handed to the output (after the quiet time).
    void requestSent();
    // A receive has recorded no byte for CMidiSettings::noByteNotice milliseconds (since
    // its request went out, or since the last byte); it keeps waiting. Once per silence.
    void noByteFor(int milliseconds, long bytesSoFar);
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
    // Called from the send thread: runs f in the user-interface thread.
    template <typename F>
    void post(F&& f);
    CSendQueue::Events sendEvents();
    void finishFileSend(std::uint64_t generation, bool failed);
    void onOutputLost(std::uint64_t generation);
    void onInputLost(std::uint64_t generation, const QString& reason);
    void dropLostOutput();

    void resumeAfterOpen();
    struct HeldMessage;
    void sendOut(HeldMessage message);
    void queueOut(HeldMessage message);
    void onInput(std::uint64_t generation, const std::uint8_t* data, std::size_t size);
    void drainInput();
    void handleInput(const std::vector<std::uint8_t>& bytes);
    void handleMessage(const std::vector<std::uint8_t>& message);
    void handleShort(const std::vector<std::uint8_t>& message);
    void sendRequestWhenQuiet();
    void startRecording();
    void endTransfer(bool sendOrError, bool failed);
    void tapOut(const std::uint8_t* data, std::size_t size);
    void updateTapping();

    CReporter& m_reporter;
    CMidiSettings m_settings;
    std::unique_ptr<CMidiClock> m_ownClock;
    CMidiClock* m_clock;

    CMidiPorts m_ports;
    CTrafficTap m_tap;
    CReceiveRecorder m_recorder;
    CRequestList m_requests;

    // Input: the port's callback only queues; the user-interface thread parses.
    CInputQueue m_incoming;
    CMidiInputParser m_parser;
    // When System Exclusive data last arrived and when the input was opened
    // (nanoseconds of the steady clock), for the quiet time before a request.
    std::atomic<std::int64_t> m_lastSysExAt{0};
    std::int64_t m_inOpenedAt = 0;
    std::int64_t m_inputAt = 0; // when the input being handled arrived
    QTimer m_quietTimer;
    QTimer m_silenceTimer; // no byte recorded for CMidiSettings::noByteNotice

    // Messages asked for while the output is between two tries of its open, and input
    // that came meanwhile (handled once the open is over).
    struct HeldMessage
    {
        bool isShort = true;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<HeldMessage> m_heldOut;
    bool m_inputHeld = false;

    bool m_thru = false;
    bool m_fileSending = false;
    bool m_transferFailed = false;
    long m_bytesSent = 0;
    QString m_path;
    QList<QPointer<QObject>> m_listeners;

    std::unique_ptr<CSendQueue> m_sender; // last: its thread starts after everything above exists
};
