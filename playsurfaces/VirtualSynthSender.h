#pragma once

#include "playsurfaces/VirtualSynthTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace params {
struct Param;
}

// Turns a control's value into the messages the virtual synthesizer sends, by the
// control's rule: values of its parameter rows to the temporary patch, each message
// made by the parameter table's messages with the configured device ID. It remembers
// where the two LFOs went last, so that a new destination first puts the old one back
// to neutral.
class CVirtualSynthSender
{
public:
    // The destinations before the first one is chosen: none.
    static constexpr int kNoDestination = 63;
    // The neutral depth the instrument stores for "no modulation".
    static constexpr int kNeutral = 63;

    // What the rules read of the other controls.
    struct Values
    {
        int octave = 48;   // Osc A Octave's value (8')
        int interval = 0;  // Osc B Interval
        int lfo1Depth = 0; // Lfo 1 Depth
        int lfo1Dest = 3;  // Lfo 1 Dest's value
        int lfo2Depth = 0; // Lfo 2 Depth
        int lfo2Dest = 1;  // Lfo 2 Dest's value
        int wheel = 1;     // MW's value
        int pressure = 2;  // Press's value
    };

    explicit CVirtualSynthSender(std::uint8_t deviceId = 0x10);

    std::uint8_t deviceId() const { return m_deviceId; }
    void setDeviceId(std::uint8_t deviceId) { m_deviceId = deviceId; }
    int previousLfo1Dest() const { return m_lfo1Dest; }
    int previousLfo2Dest() const { return m_lfo2Dest; }

    // The whole messages a control's event sends, in order.
    QList<QByteArray> messages(const vsynth::ControlDef& control, int value, const Values& current);
    // The patch "VirtualSynth" for the temporary patch: five messages.
    QList<QByteArray> initialPatch() const;

    // A value of a row of tone (or the common block) of the temporary patch. Values
    // outside 0..127 are kept inside, since a data byte must not look like a status
    // byte; a value outside the row's range sends nothing.
    QList<QByteArray> send(const params::Param& row, int value, int tone) const;

private:
    void writes(QList<QByteArray>& out, const vsynth::ControlDef& control, int value, int tone) const;
    void both(QList<QByteArray>& out, const vsynth::ControlDef& control, int value) const;
    void both(QList<QByteArray>& out, const params::Param& row, int value) const;
    void lfo1To(QList<QByteArray>& out, int destination, int depth) const;
    void lfo2To(QList<QByteArray>& out, int destination, int depth) const;
    void controller(QList<QByteArray>& out, int controller, int mode, int lfo1Dest) const;

    std::uint8_t m_deviceId;
    int m_lfo1Dest = kNoDestination;
    int m_lfo2Dest = kNoDestination;
};
