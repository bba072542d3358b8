#include "emulator/EmulatorDevice.h"

#include <QBuffer>

const QString CEmulatorDevice::kPortName = QStringLiteral("Toneloom Emulator");

class CEmulatorDevice::InPort : public CMidiInPort
{
public:
    explicit InPort(CEmulatorDevice& device) : m_device(device) {}
    ~InPort() override { close(); }
    QString name() const override { return kPortName; }
    bool open(Callback callback, QString*) override
    {
        std::lock_guard lock(m_device.m_inMutex);
        m_device.m_callback = std::move(callback);
        m_open = true;
        return true;
    }
    void close() override
    {
        if (!m_open)
            return;
        std::lock_guard lock(m_device.m_inMutex);
        m_device.m_callback = nullptr;
        m_open = false;
    }

private:
    CEmulatorDevice& m_device;
    bool m_open = false;
};

class CEmulatorDevice::OutPort : public CMidiOutPort
{
public:
    explicit OutPort(CEmulatorDevice& device) : m_device(device) {}
    QString name() const override { return kPortName; }
    bool open(QString*) override { return true; }
    void close() override {}
    bool send(const std::uint8_t* data, std::size_t size, QString*) override
    {
        m_device.receive(data, size);
        return true;
    }

private:
    CEmulatorDevice& m_device;
};

CEmulatorDevice::CEmulatorDevice(SynthModel model, std::uint8_t deviceId, int rate)
    : m_emulator(model, deviceId), m_sender(rate, [this](const QByteArray& message) { deliver(message); })
{}

CEmulatorDevice::~CEmulatorDevice() = default;

std::unique_ptr<CMidiInPort> CEmulatorDevice::createIn(int index)
{
    return index == 0 ? std::make_unique<InPort>(*this) : nullptr;
}

std::unique_ptr<CMidiOutPort> CEmulatorDevice::createOut(int index)
{
    return index == 0 ? std::make_unique<OutPort>(*this) : nullptr;
}

void CEmulatorDevice::withEmulator(const std::function<void(CSynthEmulator&)>& f)
{
    std::lock_guard lock(m_emulatorMutex);
    f(m_emulator);
}

void CEmulatorDevice::reconfigure(SynthModel model, std::uint8_t deviceId)
{
    std::lock_guard lock(m_emulatorMutex);
    if (m_emulator.model() == model && m_emulator.deviceId() == deviceId)
        return;
    CSynthEmulator changed(model, deviceId);
    changed.setCardInserted(m_emulator.cardInserted());
    for (const auto area : {sysex::MemoryArea::User, sysex::MemoryArea::Card}) {
        if (area == sysex::MemoryArea::Card && !m_emulator.cardInserted())
            continue;
        QBuffer bank;
        bank.setData(m_emulator.dump(area));
        bank.open(QIODevice::ReadOnly);
        changed.loadBank(bank, area);
    }
    m_emulator = std::move(changed);
}

void CEmulatorDevice::receive(const std::uint8_t* data, std::size_t size)
{
    std::vector<QByteArray> answers;
    {
        std::lock_guard lock(m_emulatorMutex);
        m_emulator.receive(data, size, answers);
    }
    // A flood of requests is refused once the answers fill the sender, as the
    // instrument ignores requests while its output is full.
    m_sender.post(std::move(answers));
}

void CEmulatorDevice::deliver(const QByteArray& message)
{
    // An answer with nobody listening is lost, as on a cable without a receiver.
    std::lock_guard lock(m_inMutex);
    if (m_callback)
        m_callback(reinterpret_cast<const std::uint8_t*>(message.constData()),
                   static_cast<std::size_t>(message.size()));
}
