#pragma once

#include "midi/MidiPort.h"

#include <QString>
#include <atomic>
#include <jack/types.h>
#include <mutex>

// One JACK client with one MIDI port, as the JACK ports of the engine use it. It
// notices when the server shuts down and, once the port is connected to another,
// when that connection goes (the other side ended or was disconnected), so that a
// transfer over a dead line ends at once instead of running on.
class CJackClient
{
public:
    using Process = int (*)(jack_nframes_t frames, void* arg);

    CJackClient() = default;
    ~CJackClient();
    CJackClient(const CJackClient&) = delete;
    CJackClient& operator=(const CJackClient&) = delete;

    // Opens the client and registers the port (output or input); process runs every
    // period once activate() has been called. False with error set on failure.
    bool open(const QString& clientName, const QString& portName, bool output, Process process, void* arg,
              QString* error);
    bool activate(QString* error);
    // Connects the port with the port called other and watches that connection.
    bool connectTo(const QString& other, QString* error);
    void close();

    jack_client_t* client() const { return m_client; }
    jack_port_t* port() const { return m_port; }
    // Seconds of one period (0 when closed).
    double periodSeconds() const;

    void setLostHandler(MidiPortLostHandler handler);
    bool isLost() const { return m_lost.load(); }
    // Whether the server itself is gone (nothing may wait on it any more).
    bool serverGone() const { return m_serverGone.load(); }
    QString lostReason() const;

private:
    static void shutdown(jack_status_t code, const char* reason, void* arg);
    static void connectionChanged(jack_port_id_t a, jack_port_id_t b, int connect, void* arg);
    void lose(const QString& reason);

    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    bool m_output = false;
    QString m_other;
    const jack_port_t* m_otherPort = nullptr;
    std::atomic<bool> m_watching{false};
    std::atomic<bool> m_lost{false};
    std::atomic<bool> m_serverGone{false};
    mutable std::mutex m_mutex;
    QString m_reason;
    MidiPortLostHandler m_handler;
};
