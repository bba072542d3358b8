#pragma once

#include "midi/MidiClock.h"
#include "midi/MidiPortProvider.h"

#include <QByteArray>
#include <functional>
#include <mutex>
#include <vector>

// A MIDI device in memory, offering one input ("Loopback In") and one output
// ("Loopback Out"). What is sent to the output is recorded with the time of the
// given clock and handed to an optional handler; bytes are delivered to the input
// with inject(). Used by tests and benchmarks.
class CLoopbackDevice : public CMidiPortProvider
{
public:
    struct Sent
    {
        QByteArray bytes;
        CMidiClock::TimePoint time;
    };
    // Called on the send thread with every message sent to the output.
    using Handler = std::function<void(const QByteArray& message)>;

    explicit CLoopbackDevice(CMidiClock* clock = nullptr);
    ~CLoopbackDevice() override;

    QStringList inputNames() override;
    QStringList outputNames() override;
    std::unique_ptr<CMidiInPort> createIn(int index) override;
    std::unique_ptr<CMidiOutPort> createOut(int index) override;

    // Delivers one message to the input, if it is open (any thread). False when closed.
    bool inject(const QByteArray& message);
    void setHandler(Handler handler);
    // Everything sent to the output leaves again through the input.
    void setEcho(bool on);
    // The next n sends fail.
    void failSends(int n);
    // Make the ports unavailable: the lists become empty.
    void setPresent(bool present);
    // The open input or output stops working for good, as when its MIDI system shuts
    // down: its lost handler gets reason, and the output refuses every further send.
    void loseIn(const QString& reason);
    void loseOut(const QString& reason);

    std::vector<Sent> sent() const;
    QByteArray sentBytes() const;
    void clearSent();
    bool inOpen() const;
    bool outOpen() const;
    int inOpenCount() const;

private:
    class InPort;
    class OutPort;
    friend class InPort;
    friend class OutPort;

    CMidiClock* m_clock;
    CSteadyMidiClock m_ownClock;
    mutable std::mutex m_mutex;
    CMidiInPort::Callback m_callback;
    bool m_inOpen = false;
    bool m_outOpen = false;
    int m_inOpenCount = 0;
    bool m_echo = false;
    bool m_present = true;
    int m_failSends = 0;
    QString m_outLost; // the reason, while the output is lost
    MidiPortLostHandler m_inLostHandler;
    MidiPortLostHandler m_outLostHandler;
    Handler m_handler;
    std::vector<Sent> m_sent;
};
