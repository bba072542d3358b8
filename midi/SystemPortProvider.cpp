#include "midi/SystemPortProvider.h"

#include "emulator/EmulatorDevice.h"
#include "midi/RtMidiPort.h"

CSystemPortProvider::CSystemPortProvider(CEmulatorDevice* emulator, RtMidi::Api api)
    : m_emulator(emulator), m_api(api == RtMidi::UNSPECIFIED ? CRtMidiPort::api() : api)
{}

QStringList CSystemPortProvider::inputNames()
{
    m_inputs = CRtMidiPort::inputNames(m_api);
    QStringList names = m_inputs;
    if (m_emulator)
        names << m_emulator->inputNames();
    return names;
}

QStringList CSystemPortProvider::outputNames()
{
    m_outputs = CRtMidiPort::outputNames(m_api);
    QStringList names = m_outputs;
    if (m_emulator)
        names << m_emulator->outputNames();
    return names;
}

std::unique_ptr<CMidiInPort> CSystemPortProvider::createIn(int index)
{
    if (index >= 0 && index < m_inputs.size())
        return createSystemInPort(m_api, m_inputs[index]);
    if (m_emulator && index == m_inputs.size())
        return m_emulator->createIn(0);
    return nullptr;
}

std::unique_ptr<CMidiOutPort> CSystemPortProvider::createOut(int index)
{
    if (index >= 0 && index < m_outputs.size())
        return createSystemOutPort(m_api, m_outputs[index]);
    if (m_emulator && index == m_outputs.size())
        return m_emulator->createOut(0);
    return nullptr;
}
