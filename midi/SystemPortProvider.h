#pragma once

#include "midi/MidiPortProvider.h"

#include <rtmidi/RtMidi.h>

#include <vector>

// The devices the program offers: the system's MIDI ports through RtMidi, then the
// ports of the extra providers in their order (the built-in synth emulator, which so
// is entry 0 when there is no hardware, the default device).
class CSystemPortProvider : public CMidiPortProvider
{
public:
    explicit CSystemPortProvider(std::vector<CMidiPortProvider*> extras = {}, RtMidi::Api api = RtMidi::UNSPECIFIED);

    QStringList inputNames() override;
    QStringList outputNames() override;
    std::unique_ptr<CMidiInPort> createIn(int index) override;
    std::unique_ptr<CMidiOutPort> createOut(int index) override;
    RtMidi::Api api() const { return m_api; }

private:
    std::vector<CMidiPortProvider*> m_extras;
    RtMidi::Api m_api;
    // The lists as last enumerated: a device number refers to these.
    QStringList m_inputs;
    QStringList m_outputs;
};
