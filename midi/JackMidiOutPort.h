#pragma once

#include "midi/MidiPort.h"

#include <jack/ringbuffer.h>
#include <jack/types.h>

// A MIDI output straight on JACK. RtMidi's JACK output throws away every message that
// does not fit into the current period, which happens whenever the server's periods are
// late and data piles up. This port keeps such messages for the next period instead,
// and a sender that gets ahead of the server waits for room: nothing is lost.
class CJackMidiOutPort : public CMidiOutPort
{
public:
    // portName: the JACK input port to connect to, or with isVirtual the name of the
    // port this client offers for others to connect to.
    CJackMidiOutPort(QString portName, bool isVirtual = false, QString clientName = {});
    ~CJackMidiOutPort() override;
    QString name() const override { return m_name; }
    bool open(QString* error) override;
    // Delivers what is still queued (for a short while at most), then closes.
    void close() override;
    bool send(const std::uint8_t* data, std::size_t size, QString* error) override;

private:
    static int process(unsigned int frames, void* self);
    bool waitForRoom(std::size_t bytes) const;

    QString m_name;
    bool m_virtual;
    QString m_clientName;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    jack_ringbuffer_t* m_queue = nullptr;
    std::size_t m_maxMessage = 0;
};
