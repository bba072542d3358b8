#pragma once

#include "midi/JackClient.h"
#include "midi/MidiPort.h"

#include <jack/ringbuffer.h>
#include <semaphore>
#include <thread>

// A MIDI input straight on JACK: every event is handed over as it came, and the loss
// of the server or of the connection is reported, so that a receive from a source
// that vanished ends at once. The server's thread only copies the events into a queue;
// the callback runs on a thread of the port's own, so that slow work there (answering
// a request, say) never makes the server skip this client and lose its events.
class CJackMidiInPort : public CMidiInPort
{
public:
    // portName: the JACK output port to connect from, or with isVirtual the name of
    // the port this client offers for others to connect to.
    CJackMidiInPort(QString portName, bool isVirtual = false, QString clientName = {});
    ~CJackMidiInPort() override;
    QString name() const override { return m_name; }
    bool open(Callback callback, QString* error) override;
    void close() override;
    void setLostHandler(MidiPortLostHandler handler) override { m_jack.setLostHandler(std::move(handler)); }

private:
    static int process(unsigned int frames, void* self);
    void deliver(std::stop_token stop);

    QString m_name;
    bool m_virtual;
    QString m_clientName;
    Callback m_callback;
    CJackClient m_jack;
    jack_ringbuffer_t* m_queue = nullptr;
    std::counting_semaphore<> m_ready{0};
    std::jthread m_thread;
};
