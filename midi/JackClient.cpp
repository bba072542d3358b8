#include "midi/JackClient.h"

#include <jack/jack.h>
#include <jack/midiport.h>

CJackClient::~CJackClient()
{
    close();
}

bool CJackClient::open(const QString& clientName, const QString& portName, bool output, Process process, void* arg,
                       QString* error)
{
    close();
    m_output = output;
    m_lost = false;
    m_serverGone = false;
    m_watching = false;
    {
        std::lock_guard lock(m_mutex);
        m_reason.clear();
    }
    const auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        close();
        return false;
    };
    const QByteArray client = clientName.toUtf8();
    jack_status_t status{};
    m_client = jack_client_open(client.constData(), JackNoStartServer, &status);
    if (!m_client)
        return fail(QStringLiteral("The JACK server is not running."));
    const QByteArray name = portName.toUtf8();
    m_port = jack_port_register(m_client, name.constData(), JACK_DEFAULT_MIDI_TYPE,
                                output ? JackPortIsOutput : JackPortIsInput, 0);
    if (!m_port)
        return fail(QStringLiteral("JACK refused the MIDI port \"%1\".").arg(portName));
    jack_set_process_callback(m_client, process, arg);
    jack_on_info_shutdown(m_client, &CJackClient::shutdown, this);
    jack_set_port_connect_callback(m_client, &CJackClient::connectionChanged, this);
    return true;
}

bool CJackClient::activate(QString* error)
{
    if (m_client && jack_activate(m_client) == 0)
        return true;
    if (error)
        *error = QStringLiteral("The JACK server did not start the MIDI port.");
    return false;
}

bool CJackClient::connectTo(const QString& other, QString* error)
{
    const QByteArray target = other.toUtf8();
    const char* ours = jack_port_name(m_port);
    const int result =
        m_output ? jack_connect(m_client, ours, target.constData()) : jack_connect(m_client, target.constData(), ours);
    if (result != 0) {
        if (error)
            *error = QStringLiteral("There is no MIDI %1 called \"%2\".")
                         .arg(m_output ? QStringLiteral("output") : QStringLiteral("input"), other);
        return false;
    }
    m_other = other;
    m_otherPort = jack_port_by_name(m_client, target.constData());
    m_watching = true;
    return true;
}

void CJackClient::close()
{
    m_watching = false;
    if (m_client) {
        // Closing deactivates the client first (its process callback has run for the last
        // time when the call returns); a separate deactivation would cost the server a
        // second change of its graph. A client whose server has gone is still closed,
        // which only frees its memory.
        jack_client_close(m_client);
        m_client = nullptr;
        m_port = nullptr;
    }
}

double CJackClient::periodSeconds() const
{
    if (!m_client || m_serverGone)
        return 0;
    return double(jack_get_buffer_size(m_client)) / double(jack_get_sample_rate(m_client));
}

void CJackClient::setLostHandler(MidiPortLostHandler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

QString CJackClient::lostReason() const
{
    std::lock_guard lock(m_mutex);
    return m_reason;
}

void CJackClient::lose(const QString& reason)
{
    MidiPortLostHandler handler;
    {
        std::lock_guard lock(m_mutex);
        if (m_lost)
            return;
        m_reason = reason;
        m_lost = true;
        handler = m_handler;
    }
    if (handler)
        handler(reason);
}

void CJackClient::shutdown(jack_status_t, const char*, void* arg)
{
    auto* self = static_cast<CJackClient*>(arg);
    self->m_serverGone = true;
    self->lose(QStringLiteral("The JACK server has shut down."));
}

void CJackClient::connectionChanged(jack_port_id_t a, jack_port_id_t b, int connect, void* arg)
{
    auto* self = static_cast<CJackClient*>(arg);
    if (connect || !self->m_watching || !self->m_client)
        return;
    // The graph still shows the connection while its end is announced, so the ports
    // of the announcement tell whether it was ours.
    const jack_port_t* first = jack_port_by_id(self->m_client, a);
    const jack_port_t* second = jack_port_by_id(self->m_client, b);
    const jack_port_t* ours = self->m_port;
    const jack_port_t* other = self->m_otherPort;
    if (!((first == ours && second == other) || (first == other && second == ours)))
        return;
    self->lose(QStringLiteral("The MIDI %1 \"%2\" is no longer connected.")
                   .arg(self->m_output ? QStringLiteral("output") : QStringLiteral("input"), self->m_other));
}
