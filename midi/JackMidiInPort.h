#pragma once

#include "midi/JackClient.h"
#include "midi/MidiPort.h"

// A MIDI input straight on JACK: every event is handed over as it came, and the loss
// of the server or of the connection is reported, so that a receive from a source
// that vanished ends at once.
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

    QString m_name;
    bool m_virtual;
    QString m_clientName;
    Callback m_callback;
    CJackClient m_jack;
};
