#pragma once

#include "midi/JackClient.h"
#include "midi/MidiPort.h"

#include <atomic>
#include <cstdint>
#include <jack/ringbuffer.h>

// A MIDI output straight on JACK. RtMidi's JACK output throws away every message that
// does not fit into the current period, which happens whenever the server's periods are
// late and data piles up. This port keeps such messages for the next period instead,
// and a sender that gets ahead of the server waits for room: nothing is lost. A send
// fails at once when the server has shut down or the connection has gone.
class CJackMidiOutPort : public CMidiOutPort
{
public:
    // portName: the JACK input port to connect to, or with isVirtual the name of the
    // port this client offers for others to connect to.
    CJackMidiOutPort(QString portName, bool isVirtual = false, QString clientName = {});
    ~CJackMidiOutPort() override;
    QString name() const override { return m_name; }
    bool open(QString* error) override;
    // Delivers what is still queued (for a short while at most, and not at all once
    // the line is gone), then closes.
    void close() override;
    bool send(const std::uint8_t* data, std::size_t size, QString* error) override;
    void setLostHandler(MidiPortLostHandler handler) override { m_jack.setLostHandler(std::move(handler)); }
    void interrupt() override;
    void resume(bool discard) override;

private:
    static int process(unsigned int frames, void* self);
    bool waitForRoom(std::size_t bytes) const;

    QString m_name;
    bool m_virtual;
    QString m_clientName;
    CJackClient m_jack;
    jack_ringbuffer_t* m_queue = nullptr;
    std::size_t m_maxMessage = 0;
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_discard{false}; // asks the process callback to drop the queue
    // When a period last found data to take (steady clock, nanoseconds; 0: never).
    std::atomic<std::int64_t> m_lastTakenAt{0};
};
