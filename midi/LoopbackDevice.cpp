#include "midi/LoopbackDevice.h"

namespace {
const QString kInName = QStringLiteral("Loopback In");
const QString kOutName = QStringLiteral("Loopback Out");
} // namespace

class CLoopbackDevice::InPort : public CMidiInPort
{
public:
    explicit InPort(CLoopbackDevice& device) : m_device(device) {}
    ~InPort() override { close(); }
    QString name() const override { return kInName; }
    void setLostHandler(MidiPortLostHandler handler) override
    {
        std::lock_guard lock(m_device.m_mutex);
        m_device.m_inLostHandler = std::move(handler);
    }
    bool open(Callback callback, QString* error) override
    {
        std::lock_guard lock(m_device.m_mutex);
        if (m_device.m_inOpen) {
            if (error)
                *error = QStringLiteral("The loopback input is already open.");
            return false;
        }
        m_device.m_callback = std::move(callback);
        m_device.m_inOpen = true;
        ++m_device.m_inOpenCount;
        m_open = true;
        return true;
    }
    void close() override
    {
        if (!m_open)
            return;
        std::lock_guard lock(m_device.m_mutex);
        m_device.m_callback = nullptr;
        m_device.m_inOpen = false;
        m_open = false;
    }

private:
    CLoopbackDevice& m_device;
    bool m_open = false;
};

class CLoopbackDevice::OutPort : public CMidiOutPort
{
public:
    explicit OutPort(CLoopbackDevice& device) : m_device(device) {}
    ~OutPort() override { close(); }
    QString name() const override { return kOutName; }
    void setLostHandler(MidiPortLostHandler handler) override
    {
        std::lock_guard lock(m_device.m_mutex);
        m_device.m_outLostHandler = std::move(handler);
    }
    bool open(QString*) override
    {
        std::lock_guard lock(m_device.m_mutex);
        m_device.m_outLost.clear();
        m_device.m_outOpen = true;
        m_open = true;
        return true;
    }
    void close() override
    {
        if (!m_open)
            return;
        std::lock_guard lock(m_device.m_mutex);
        m_device.m_outOpen = false;
        m_open = false;
    }
    bool send(const std::uint8_t* data, std::size_t size, QString* error) override
    {
        const QByteArray message(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
        Handler handler;
        bool echo = false;
        {
            std::lock_guard lock(m_device.m_mutex);
            if (!m_device.m_outLost.isEmpty()) {
                if (error)
                    *error = m_device.m_outLost;
                return false;
            }
            if (m_device.m_failSends > 0) {
                --m_device.m_failSends;
                if (error)
                    *error = QStringLiteral("The loopback output refused the message.");
                return false;
            }
            m_device.m_sent.push_back({message, m_device.m_clock->now()});
            handler = m_device.m_handler;
            echo = m_device.m_echo;
        }
        if (handler)
            handler(message);
        if (echo)
            m_device.inject(message);
        return true;
    }

private:
    CLoopbackDevice& m_device;
    bool m_open = false;
};

CLoopbackDevice::CLoopbackDevice(CMidiClock* clock) : m_clock(clock ? clock : &m_ownClock)
{}

CLoopbackDevice::~CLoopbackDevice() = default;

QStringList CLoopbackDevice::inputNames()
{
    std::lock_guard lock(m_mutex);
    return m_present ? QStringList{kInName} : QStringList{};
}

QStringList CLoopbackDevice::outputNames()
{
    std::lock_guard lock(m_mutex);
    return m_present ? QStringList{kOutName} : QStringList{};
}

std::unique_ptr<CMidiInPort> CLoopbackDevice::createIn(int index)
{
    if (index != 0)
        return nullptr;
    return std::make_unique<InPort>(*this);
}

std::unique_ptr<CMidiOutPort> CLoopbackDevice::createOut(int index)
{
    if (index != 0)
        return nullptr;
    return std::make_unique<OutPort>(*this);
}

bool CLoopbackDevice::inject(const QByteArray& message)
{
    // The callback runs under the lock, so that close() waits for a delivery in flight.
    std::lock_guard lock(m_mutex);
    if (!m_inOpen || !m_callback)
        return false;
    m_callback(reinterpret_cast<const std::uint8_t*>(message.constData()), static_cast<std::size_t>(message.size()));
    return true;
}

void CLoopbackDevice::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void CLoopbackDevice::setEcho(bool on)
{
    std::lock_guard lock(m_mutex);
    m_echo = on;
}

void CLoopbackDevice::failSends(int n)
{
    std::lock_guard lock(m_mutex);
    m_failSends = n;
}

void CLoopbackDevice::setPresent(bool present)
{
    std::lock_guard lock(m_mutex);
    m_present = present;
}

void CLoopbackDevice::loseIn(const QString& reason)
{
    MidiPortLostHandler handler;
    {
        std::lock_guard lock(m_mutex);
        if (m_inOpen)
            handler = m_inLostHandler;
    }
    if (handler)
        handler(reason);
}

void CLoopbackDevice::loseOut(const QString& reason)
{
    MidiPortLostHandler handler;
    {
        std::lock_guard lock(m_mutex);
        if (!m_outOpen)
            return;
        m_outLost = reason;
        handler = m_outLostHandler;
    }
    if (handler)
        handler(reason);
}

std::vector<CLoopbackDevice::Sent> CLoopbackDevice::sent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

QByteArray CLoopbackDevice::sentBytes() const
{
    std::lock_guard lock(m_mutex);
    QByteArray all;
    for (const auto& s : m_sent)
        all += s.bytes;
    return all;
}

void CLoopbackDevice::clearSent()
{
    std::lock_guard lock(m_mutex);
    m_sent.clear();
}

bool CLoopbackDevice::inOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_inOpen;
}

bool CLoopbackDevice::outOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_outOpen;
}

int CLoopbackDevice::inOpenCount() const
{
    std::lock_guard lock(m_mutex);
    return m_inOpenCount;
}
