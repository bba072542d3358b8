#include "midi/SystemPortProvider.h"

#include "midi/RtMidiPort.h"

CSystemPortProvider::CSystemPortProvider(std::vector<CMidiPortProvider*> extras, RtMidi::Api api)
    : m_extras(std::move(extras)), m_api(api == RtMidi::UNSPECIFIED ? CRtMidiPort::api() : api)
{}

QStringList CSystemPortProvider::inputNames()
{
    m_inputs = CRtMidiPort::inputNames(m_api);
    QStringList names = m_inputs;
    for (CMidiPortProvider* extra : m_extras)
        names << extra->inputNames();
    return names;
}

QStringList CSystemPortProvider::outputNames()
{
    m_outputs = CRtMidiPort::outputNames(m_api);
    QStringList names = m_outputs;
    for (CMidiPortProvider* extra : m_extras)
        names << extra->outputNames();
    return names;
}

std::unique_ptr<CMidiInPort> CSystemPortProvider::createIn(int index)
{
    if (index < 0)
        return nullptr;
    if (index < m_inputs.size())
        return createSystemInPort(m_api, m_inputs[index]);
    // Past the system's ports: the extra providers' ports, one list after the other.
    int first = static_cast<int>(m_inputs.size());
    for (CMidiPortProvider* extra : m_extras) {
        const int count = static_cast<int>(extra->inputNames().size());
        if (index < first + count)
            return extra->createIn(index - first);
        first += count;
    }
    return nullptr;
}

std::unique_ptr<CMidiOutPort> CSystemPortProvider::createOut(int index)
{
    if (index < 0)
        return nullptr;
    if (index < m_outputs.size())
        return createSystemOutPort(m_api, m_outputs[index]);
    int first = static_cast<int>(m_outputs.size());
    for (CMidiPortProvider* extra : m_extras) {
        const int count = static_cast<int>(extra->outputNames().size());
        if (index < first + count)
            return extra->createOut(index - first);
        first += count;
    }
    return nullptr;
}
