#pragma once

#include "emulator/PacedSender.h"
#include "emulator/SynthEmulator.h"
#include "midi/MidiPortProvider.h"

#include <functional>
#include <mutex>

// The synth emulator as a MIDI device inside the program: one output that the
// emulator listens on and one input on which it answers, at the rate of a MIDI cable.
class CEmulatorDevice : public CMidiPortProvider
{
public:
    static constexpr int kDefaultRate = 3125; // bytes per second
    static const QString kPortName;           // "Toneloom Emulator"

    explicit CEmulatorDevice(SynthModel model = SynthModel::Jv2080,
                             std::uint8_t deviceId = SynthSettings::kDefaultDeviceId, int rate = kDefaultRate);
    ~CEmulatorDevice() override;

    QStringList inputNames() override { return {kPortName}; }
    QStringList outputNames() override { return {kPortName}; }
    std::unique_ptr<CMidiInPort> createIn(int index) override;
    std::unique_ptr<CMidiOutPort> createOut(int index) override;

    // Makes the emulator a synthesizer of another model or device ID, keeping its user
    // and card memory (the bytes a model lacks get their defaults).
    void reconfigure(SynthModel model, std::uint8_t deviceId);
    // Runs f with the emulator, serialised with its MIDI traffic.
    void withEmulator(const std::function<void(CSynthEmulator&)>& f);
    void setRate(int bytesPerSecond) { m_sender.setRate(bytesPerSecond); }
    void waitIdle() { m_sender.waitIdle(); }
    // Bytes of answers not yet delivered.
    std::size_t queuedAnswerBytes() const { return m_sender.queuedBytes(); }

private:
    class InPort;
    class OutPort;
    friend class InPort;
    friend class OutPort;

    void deliver(const QByteArray& message);
    void receive(const std::uint8_t* data, std::size_t size);

    std::mutex m_emulatorMutex;
    CSynthEmulator m_emulator;
    std::mutex m_inMutex;
    CMidiInPort::Callback m_callback;
    CPacedSender m_sender; // last: its thread stops before the rest goes away
};
