#include "midi/JackMidiOutPort.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

constexpr std::size_t kQueueBytes = 1 << 17;            // a little more than a whole bank
constexpr auto kRoomTimeout = std::chrono::seconds(10); // a server that stopped taking data
constexpr auto kDrainTimeout = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(1);
using Header = std::uint32_t; // each queued message: its size, then its bytes

} // namespace

CJackMidiOutPort::CJackMidiOutPort(QString portName, bool isVirtual, QString clientName)
    : m_name(std::move(portName)), m_virtual(isVirtual), m_clientName(std::move(clientName))
{}

CJackMidiOutPort::~CJackMidiOutPort()
{
    close();
}

bool CJackMidiOutPort::open(QString* error)
{
    close();
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        close();
        return false;
    };
    const QByteArray client = (m_clientName.isEmpty() ? QStringLiteral("Toneloom") : m_clientName).toUtf8();
    jack_status_t status{};
    m_client = jack_client_open(client.constData(), JackNoStartServer, &status);
    if (!m_client)
        return fail(QStringLiteral("The JACK server is not running."));
    const QByteArray portName = (m_virtual ? m_name : QStringLiteral("Toneloom Out")).toUtf8();
    m_port = jack_port_register(m_client, portName.constData(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!m_port)
        return fail(QStringLiteral("JACK refused the MIDI output \"%1\".").arg(QString::fromUtf8(portName)));
    m_queue = jack_ringbuffer_create(kQueueBytes);
    if (!m_queue)
        return fail(QStringLiteral("Error allocating memory."));
    // The largest message one period can carry; larger ones could never go out.
    m_maxMessage = jack_port_type_get_buffer_size(m_client, JACK_DEFAULT_MIDI_TYPE) / 2;
    jack_set_process_callback(m_client, &CJackMidiOutPort::process, this);
    if (jack_activate(m_client) != 0)
        return fail(QStringLiteral("The JACK server did not start the MIDI output."));
    if (!m_virtual) {
        const QByteArray target = m_name.toUtf8();
        if (jack_connect(m_client, jack_port_name(m_port), target.constData()) != 0)
            return fail(QStringLiteral("There is no MIDI output called \"%1\".").arg(m_name));
    }
    return true;
}

void CJackMidiOutPort::close()
{
    if (m_client && m_queue) {
        // Let the server take what is queued, then one more period to deliver it.
        const auto deadline = std::chrono::steady_clock::now() + kDrainTimeout;
        while (jack_ringbuffer_read_space(m_queue) > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(kPoll);
        const double period = double(jack_get_buffer_size(m_client)) / double(jack_get_sample_rate(m_client));
        std::this_thread::sleep_for(std::chrono::duration<double>(2 * period));
    }
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
        m_client = nullptr;
        m_port = nullptr;
    }
    if (m_queue) {
        jack_ringbuffer_free(m_queue);
        m_queue = nullptr;
    }
}

bool CJackMidiOutPort::waitForRoom(std::size_t bytes) const
{
    const auto deadline = std::chrono::steady_clock::now() + kRoomTimeout;
    while (jack_ringbuffer_write_space(m_queue) < bytes) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

bool CJackMidiOutPort::send(const std::uint8_t* data, std::size_t size, QString* error)
{
    if (!m_client || !m_queue || size == 0)
        return false;
    if (size > m_maxMessage) {
        if (error)
            *error = QStringLiteral("A MIDI message of %1 bytes is too long for JACK.").arg(size);
        return false;
    }
    if (!waitForRoom(sizeof(Header) + size)) {
        if (error)
            *error = QStringLiteral("The JACK server does not take MIDI data.");
        return false;
    }
    // The reader looks for the whole message before it takes the header.
    const Header header = static_cast<Header>(size);
    jack_ringbuffer_write(m_queue, reinterpret_cast<const char*>(&header), sizeof header);
    jack_ringbuffer_write(m_queue, reinterpret_cast<const char*>(data), size);
    return true;
}

int CJackMidiOutPort::process(unsigned int frames, void* self)
{
    auto* port = static_cast<CJackMidiOutPort*>(self);
    void* buffer = jack_port_get_buffer(port->m_port, frames);
    jack_midi_clear_buffer(buffer);
    bool wroteAny = false;
    for (;;) {
        Header size = 0;
        if (jack_ringbuffer_peek(port->m_queue, reinterpret_cast<char*>(&size), sizeof size) < sizeof size)
            break;
        if (jack_ringbuffer_read_space(port->m_queue) < sizeof size + size)
            break; // the writer is still putting it in
        if (jack_midi_max_event_size(buffer) < size && wroteAny)
            break; // this period is full: the rest goes in the next one
        jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, size);
        jack_ringbuffer_read_advance(port->m_queue, sizeof size);
        if (event) {
            jack_ringbuffer_read(port->m_queue, reinterpret_cast<char*>(event), size);
            wroteAny = true;
        } else {
            jack_ringbuffer_read_advance(port->m_queue, size); // can never fit: not even alone
        }
    }
    return 0;
}
