#include "midi/RtMidiPort.h"

#include <QFileInfo>

#if defined(TONELOOM_HAVE_JACK)
#include "midi/JackMidiInPort.h"
#include "midi/JackMidiOutPort.h"

#include <jack/jack.h>
#endif
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

namespace {

const char* const kClientName = "Toneloom";
constexpr unsigned int kInputQueueSize = 1024;

// RtMidi reports problems through this callback instead of throwing or printing.
void collectError(RtMidiError::Type, const std::string& text, void* target)
{
    *static_cast<std::string*>(target) = text;
}

template <typename Midi>
QStringList portNames(RtMidi::Api api)
{
    QStringList names;
    if (api == RtMidi::RTMIDI_DUMMY)
        return names;
    std::string error;
    try {
        Midi midi(api, kClientName);
        midi.setErrorCallback(&collectError, &error);
        const unsigned int count = midi.getPortCount();
        for (unsigned int i = 0; i < count; ++i)
            names << QString::fromStdString(midi.getPortName(i));
    } catch (const RtMidiError&) {
        // No such system (no sequencer, no JACK server): no ports.
    }
    return names;
}

template <typename Midi>
int findPort(Midi& midi, const QString& name)
{
    const unsigned int count = midi.getPortCount();
    for (unsigned int i = 0; i < count; ++i) {
        if (QString::fromStdString(midi.getPortName(i)) == name)
            return static_cast<int>(i);
    }
    return -1;
}

#if defined(TONELOOM_HAVE_JACK)
void quietJack(const char*)
{}

// One JACK client of this process that asks whether a server runs and lists its MIDI
// ports. Opening a client costs the server a graph change (a good part of a second on a
// loaded machine with long periods), so it is opened once and kept; a server that shuts
// down closes it, and the next question opens it anew.
class JackLister
{
public:
    static JackLister& instance()
    {
        static JackLister lister;
        return lister;
    }

    // Whether a server answers, asked without starting one and without the noise libjack
    // prints when there is none. A server that is there but too busy to answer in time
    // (a loaded machine) is asked again; one that cannot be reached at all is not there.
    bool running()
    {
        std::lock_guard lock(m_mutex);
        return connect();
    }

    // The names of the MIDI ports that send (sources, our inputs) or take data.
    QStringList ports(bool sources)
    {
        std::lock_guard lock(m_mutex);
        QStringList names;
        if (!connect())
            return names;
        const char** found =
            jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE, sources ? JackPortIsOutput : JackPortIsInput);
        if (!found)
            return names;
        for (const char** p = found; *p; ++p)
            names << QString::fromUtf8(*p);
        jack_free(static_cast<void*>(found));
        return names;
    }

private:
    JackLister() = default;
    ~JackLister()
    {
        if (m_client)
            jack_client_close(m_client);
    }

    // m_mutex held.
    bool connect()
    {
        if (m_client && m_gone.load()) {
            jack_client_close(m_client);
            m_client = nullptr;
        }
        if (m_client)
            return true;
        jack_set_error_function(&quietJack);
        jack_set_info_function(&quietJack);
        constexpr int kAttempts = 3;
        constexpr auto kRetryPause = std::chrono::milliseconds(200);
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            jack_status_t status{};
            m_client = jack_client_open("toneloom-list", JackNoStartServer, &status);
            if (m_client) {
                // Not activated: it only asks, and hears of a server that shuts down.
                m_gone = false;
                jack_on_shutdown(m_client, &JackLister::shutdown, this);
                return true;
            }
            if ((status & JackServerFailed) != 0)
                return false;
            std::this_thread::sleep_for(kRetryPause);
        }
        return false;
    }

    static void shutdown(void* arg) { static_cast<JackLister*>(arg)->m_gone = true; }

    std::mutex m_mutex;
    jack_client_t* m_client = nullptr;
    std::atomic<bool> m_gone{false};
};
#endif

bool jackServerRunning()
{
#if defined(TONELOOM_HAVE_JACK)
    return JackLister::instance().running();
#else
    return true;
#endif
}

bool compiled(RtMidi::Api api)
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

} // namespace

RtMidi::Api CRtMidiPort::api()
{
    const QByteArray forced = qgetenv("TONELOOM_MIDI_API").toLower();
    const bool alsa = compiled(RtMidi::LINUX_ALSA) && QFileInfo::exists(QStringLiteral("/dev/snd/seq"));
    const auto jack = [] { return compiled(RtMidi::UNIX_JACK) && jackServerRunning(); };
    if (forced == "jack")
        return jack() ? RtMidi::UNIX_JACK : RtMidi::RTMIDI_DUMMY;
    if (forced == "alsa")
        return alsa ? RtMidi::LINUX_ALSA : RtMidi::RTMIDI_DUMMY;
#if defined(Q_OS_LINUX)
    if (alsa)
        return RtMidi::LINUX_ALSA;
    if (jack())
        return RtMidi::UNIX_JACK;
    // Neither system is there: no hardware ports, only the emulator.
    return RtMidi::RTMIDI_DUMMY;
#else
    return RtMidi::UNSPECIFIED;
#endif
}

QString CRtMidiPort::apiName(RtMidi::Api api)
{
    if (api == RtMidi::RTMIDI_DUMMY)
        return QStringLiteral("none (neither ALSA nor JACK is running)");
    return QString::fromStdString(RtMidi::getApiDisplayName(api));
}

QStringList CRtMidiPort::inputNames(RtMidi::Api api)
{
#if defined(TONELOOM_HAVE_JACK)
    if (api == RtMidi::UNIX_JACK)
        return JackLister::instance().ports(true);
#endif
    return portNames<RtMidiIn>(api);
}

QStringList CRtMidiPort::outputNames(RtMidi::Api api)
{
#if defined(TONELOOM_HAVE_JACK)
    if (api == RtMidi::UNIX_JACK)
        return JackLister::instance().ports(false);
#endif
    return portNames<RtMidiOut>(api);
}

// ---------------------------------------------------------------- input

CRtMidiInPort::CRtMidiInPort(RtMidi::Api api, QString portName, bool isVirtual, QString clientName)
    : m_api(api), m_name(std::move(portName)), m_virtual(isVirtual), m_clientName(std::move(clientName))
{}

CRtMidiInPort::~CRtMidiInPort()
{
    close();
}

bool CRtMidiInPort::open(Callback callback, QString* error)
{
    close();
    std::string& problem = m_problem;
    problem.clear();
    try {
        const std::string client = m_clientName.isEmpty() ? std::string(kClientName) : m_clientName.toStdString();
        auto midi = std::make_unique<RtMidiIn>(m_api, client, kInputQueueSize);
        midi->setErrorCallback(&collectError, &problem);
        if (m_virtual) {
            midi->openVirtualPort(m_name.toStdString());
        } else {
            const int index = findPort(*midi, m_name);
            if (index < 0) {
                if (error)
                    *error = QStringLiteral("There is no MIDI input called \"%1\".").arg(m_name);
                return false;
            }
            midi->openPort(static_cast<unsigned int>(index), "Toneloom In");
        }
        if (!problem.empty() || (!m_virtual && !midi->isPortOpen())) {
            if (error)
                *error = QString::fromStdString(problem);
            return false;
        }
        // Everything comes through: System Exclusive for receives, clock, time code and
        // active sensing for MIDI thru. The engine sorts out what RtMidi glues together.
        midi->ignoreTypes(false, false, false);
        m_callback = std::move(callback);
        midi->setCallback(&CRtMidiInPort::received, this);
        m_midi = std::move(midi);
        return true;
    } catch (const RtMidiError& e) {
        if (error)
            *error = QString::fromStdString(e.getMessage());
        return false;
    }
}

void CRtMidiInPort::close()
{
    if (!m_midi)
        return;
    // Destroying the RtMidi object ends its thread (or JACK client), so no callback
    // runs after this.
    m_midi->cancelCallback();
    m_midi.reset();
    m_callback = nullptr;
}

void CRtMidiInPort::received(double, std::vector<unsigned char>* message, void* self)
{
    auto* port = static_cast<CRtMidiInPort*>(self);
    if (message && !message->empty() && port->m_callback)
        port->m_callback(message->data(), message->size());
}

// ---------------------------------------------------------------- output

CRtMidiOutPort::CRtMidiOutPort(RtMidi::Api api, QString portName, bool isVirtual, QString clientName)
    : m_api(api), m_name(std::move(portName)), m_virtual(isVirtual), m_clientName(std::move(clientName))
{}

CRtMidiOutPort::~CRtMidiOutPort()
{
    close();
}

void CRtMidiOutPort::failed(RtMidiError::Type, const std::string& text, void* self)
{
    static_cast<CRtMidiOutPort*>(self)->m_error = text;
}

bool CRtMidiOutPort::open(QString* error)
{
    close();
    m_error.clear();
    try {
        const std::string client = m_clientName.isEmpty() ? std::string(kClientName) : m_clientName.toStdString();
        auto midi = std::make_unique<RtMidiOut>(m_api, client);
        midi->setErrorCallback(&CRtMidiOutPort::failed, this);
        if (m_virtual) {
            midi->openVirtualPort(m_name.toStdString());
        } else {
            const int index = findPort(*midi, m_name);
            if (index < 0) {
                if (error)
                    *error = QStringLiteral("There is no MIDI output called \"%1\".").arg(m_name);
                return false;
            }
            midi->openPort(static_cast<unsigned int>(index), "Toneloom Out");
        }
        if (!m_error.empty() || (!m_virtual && !midi->isPortOpen())) {
            if (error)
                *error = QString::fromStdString(m_error);
            return false;
        }
        m_midi = std::move(midi);
        return true;
    } catch (const RtMidiError& e) {
        if (error)
            *error = QString::fromStdString(e.getMessage());
        return false;
    }
}

void CRtMidiOutPort::close()
{
    m_midi.reset();
}

bool CRtMidiOutPort::send(const std::uint8_t* data, std::size_t size, QString* error)
{
    if (!m_midi)
        return false;
    m_error.clear();
    try {
        m_midi->sendMessage(data, size);
    } catch (const RtMidiError& e) {
        m_error = e.getMessage();
    }
    if (m_error.empty())
        return true;
    if (error)
        *error = QString::fromStdString(m_error);
    return false;
}

std::unique_ptr<CMidiOutPort> createSystemOutPort(RtMidi::Api api, QString portName, bool isVirtual, QString clientName)
{
#if defined(TONELOOM_HAVE_JACK)
    if (api == RtMidi::UNIX_JACK)
        return std::make_unique<CJackMidiOutPort>(std::move(portName), isVirtual, std::move(clientName));
#endif
    return std::make_unique<CRtMidiOutPort>(api, std::move(portName), isVirtual, std::move(clientName));
}

std::unique_ptr<CMidiInPort> createSystemInPort(RtMidi::Api api, QString portName, bool isVirtual, QString clientName)
{
#if defined(TONELOOM_HAVE_JACK)
    if (api == RtMidi::UNIX_JACK)
        return std::make_unique<CJackMidiInPort>(std::move(portName), isVirtual, std::move(clientName));
#endif
    return std::make_unique<CRtMidiInPort>(api, std::move(portName), isVirtual, std::move(clientName));
}
