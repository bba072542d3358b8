#include "midi/JackMidiInPort.h"

#include <jack/jack.h>
#include <jack/midiport.h>

CJackMidiInPort::CJackMidiInPort(QString portName, bool isVirtual, QString clientName)
    : m_name(std::move(portName)), m_virtual(isVirtual), m_clientName(std::move(clientName))
{}

CJackMidiInPort::~CJackMidiInPort()
{
    close();
}

bool CJackMidiInPort::open(Callback callback, QString* error)
{
    close();
    m_callback = std::move(callback);
    const QString client = m_clientName.isEmpty() ? QStringLiteral("Toneloom") : m_clientName;
    const QString port = m_virtual ? m_name : QStringLiteral("Toneloom In");
    if (!m_jack.open(client, port, false, &CJackMidiInPort::process, this, error) || !m_jack.activate(error)
        || (!m_virtual && !m_jack.connectTo(m_name, error))) {
        close();
        return false;
    }
    return true;
}

void CJackMidiInPort::close()
{
    // Closing the client ends its process thread, so no callback runs after this.
    m_jack.close();
    m_callback = nullptr;
}

int CJackMidiInPort::process(unsigned int frames, void* self)
{
    auto* port = static_cast<CJackMidiInPort*>(self);
    void* buffer = jack_port_get_buffer(port->m_jack.port(), frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0 && port->m_callback)
            port->m_callback(event.buffer, event.size);
    }
    return 0;
}
