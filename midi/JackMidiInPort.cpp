#include "midi/JackMidiInPort.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <cstdint>
#include <vector>

namespace {
constexpr std::size_t kQueueBytes = 1 << 20; // several whole dumps, however late the reader
using Header = std::uint32_t;                // each queued event: its size, then its bytes
} // namespace

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
    m_queue = jack_ringbuffer_create(kQueueBytes);
    if (!m_queue) {
        if (error)
            *error = QStringLiteral("Error allocating memory.");
        return false;
    }
    m_thread = std::jthread([this](std::stop_token stop) { deliver(stop); });
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
    // Closing the client ends its process thread; then the delivering thread ends, so
    // no callback runs after this.
    m_jack.close();
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_ready.release();
        m_thread.join();
    }
    if (m_queue) {
        jack_ringbuffer_free(m_queue);
        m_queue = nullptr;
    }
    m_callback = nullptr;
}

int CJackMidiInPort::process(unsigned int frames, void* self)
{
    auto* port = static_cast<CJackMidiInPort*>(self);
    void* buffer = jack_port_get_buffer(port->m_jack.port(), frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    bool any = false;
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0)
            continue;
        // A reader a whole queue behind loses what does not fit, as a full MIDI
        // input buffer would.
        if (jack_ringbuffer_write_space(port->m_queue) < sizeof(Header) + event.size)
            continue;
        const Header size = static_cast<Header>(event.size);
        jack_ringbuffer_write(port->m_queue, reinterpret_cast<const char*>(&size), sizeof size);
        jack_ringbuffer_write(port->m_queue, reinterpret_cast<const char*>(event.buffer), event.size);
        any = true;
    }
    if (any)
        port->m_ready.release();
    return 0;
}

void CJackMidiInPort::deliver(std::stop_token stop)
{
    std::vector<std::uint8_t> event;
    while (!stop.stop_requested()) {
        m_ready.acquire();
        for (;;) {
            Header size = 0;
            if (jack_ringbuffer_peek(m_queue, reinterpret_cast<char*>(&size), sizeof size) < sizeof size
                || jack_ringbuffer_read_space(m_queue) < sizeof size + size)
                break; // the process callback is still writing it; it signals again
            jack_ringbuffer_read_advance(m_queue, sizeof size);
            event.resize(size);
            jack_ringbuffer_read(m_queue, reinterpret_cast<char*>(event.data()), size);
            if (m_callback && !stop.stop_requested())
                m_callback(event.data(), event.size());
        }
    }
}
