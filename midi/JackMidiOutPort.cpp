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
constexpr int kDiscardPeriods = 4; // how long a discard waits for the process callback
using Header = std::uint32_t;      // each queued message: its size, then its bytes

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
    m_interrupted = false;
    m_discard = false;
    m_lastTakenAt = 0;
    const QString client = m_clientName.isEmpty() ? QStringLiteral("Toneloom") : m_clientName;
    const QString port = m_virtual ? m_name : QStringLiteral("Toneloom Out");
    if (!m_jack.open(client, port, true, &CJackMidiOutPort::process, this, error))
        return false;
    m_queue = jack_ringbuffer_create(kQueueBytes);
    if (!m_queue) {
        if (error)
            *error = QStringLiteral("Error allocating memory.");
        close();
        return false;
    }
    // The largest message one period can carry; larger ones could never go out.
    m_maxMessage = jack_port_type_get_buffer_size(m_jack.client(), JACK_DEFAULT_MIDI_TYPE) / 2;
    if (!m_jack.activate(error) || (!m_virtual && !m_jack.connectTo(m_name, error))) {
        close();
        return false;
    }
    return true;
}

void CJackMidiOutPort::close()
{
    if (m_jack.client() && m_queue && !m_jack.isLost()) {
        // Let the server take what is queued, then one more period to deliver it.
        const auto deadline = std::chrono::steady_clock::now() + kDrainTimeout;
        while (jack_ringbuffer_read_space(m_queue) > 0 && std::chrono::steady_clock::now() < deadline
               && !m_jack.isLost())
            std::this_thread::sleep_for(kPoll);
        // Data taken in a period reaches the other side within the next one. A port
        // that has been idle for that long closes at once.
        const auto delivered = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(m_lastTakenAt.load()))
                               + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                   std::chrono::duration<double>(2 * m_jack.periodSeconds()));
        if (!m_jack.isLost() && delivered > std::chrono::steady_clock::now())
            std::this_thread::sleep_until(delivered);
    }
    m_jack.close();
    if (m_queue) {
        jack_ringbuffer_free(m_queue);
        m_queue = nullptr;
    }
}

bool CJackMidiOutPort::waitForRoom(std::size_t bytes) const
{
    const auto deadline = std::chrono::steady_clock::now() + kRoomTimeout;
    while (jack_ringbuffer_write_space(m_queue) < bytes) {
        if (m_interrupted || m_jack.isLost() || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

bool CJackMidiOutPort::send(const std::uint8_t* data, std::size_t size, QString* error)
{
    if (!m_jack.client() || !m_queue || size == 0)
        return false;
    const auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (m_jack.isLost())
        return fail(m_jack.lostReason());
    if (size > m_maxMessage)
        return fail(QStringLiteral("A MIDI message of %1 bytes is too long for JACK.").arg(size));
    if (!waitForRoom(sizeof(Header) + size)) {
        if (m_jack.isLost())
            return fail(m_jack.lostReason());
        return fail(m_interrupted ? QString() : QStringLiteral("The JACK server does not take MIDI data."));
    }
    // The reader looks for the whole message before it takes the header.
    const Header header = static_cast<Header>(size);
    jack_ringbuffer_write(m_queue, reinterpret_cast<const char*>(&header), sizeof header);
    jack_ringbuffer_write(m_queue, reinterpret_cast<const char*>(data), size);
    return true;
}

void CJackMidiOutPort::interrupt()
{
    m_interrupted = true;
}

void CJackMidiOutPort::resume(bool discard)
{
    if (discard && m_queue && m_jack.client() && !m_jack.isLost()) {
        // Only the reader may drop queued data: the process callback does it at the
        // start of its next period.
        m_discard = true;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(kDiscardPeriods * m_jack.periodSeconds());
        while (m_discard && std::chrono::steady_clock::now() < deadline && !m_jack.isLost())
            std::this_thread::sleep_for(kPoll);
        m_discard = false;
    }
    m_interrupted = false;
}

int CJackMidiOutPort::process(unsigned int frames, void* self)
{
    auto* port = static_cast<CJackMidiOutPort*>(self);
    void* buffer = jack_port_get_buffer(port->m_jack.port(), frames);
    jack_midi_clear_buffer(buffer);
    if (port->m_discard) {
        jack_ringbuffer_read_advance(port->m_queue, jack_ringbuffer_read_space(port->m_queue));
        port->m_discard = false;
        return 0;
    }
    // Noted before anything is taken, so that a close that finds the queue empty also
    // sees when its last data left.
    if (jack_ringbuffer_read_space(port->m_queue) > 0)
        port->m_lastTakenAt =
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
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
