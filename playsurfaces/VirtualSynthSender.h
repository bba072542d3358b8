#pragma once

#include "playsurfaces/VirtualSynthTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

// Turns a control's value into the messages the virtual synthesizer sends, by the
// control's rule: the templates filled with the value and a tone, each message with
// the configured device ID. It remembers where the two LFOs went last, so that a new
// destination first puts the old one back to neutral.
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
    QList<QByteArray> messages(vsynth::Rule rule, const QString& sysExString, int value, const Values& current);
    // The patch "VirtualSynth" for the temporary patch: five messages.
    QList<QByteArray> initialPatch() const;

    // One filled template (whole-byte filling) with the device ID put in, as whole
    // messages. Values outside 0..127 are kept inside, since a data byte must not
    // look like a status byte.
    QList<QByteArray> send(const QString& sysExString, int value, int tone) const;

private:
    void both(QList<QByteArray>& out, const QString& sysExString, int value) const;
    void lfo1To(QList<QByteArray>& out, int destination, int depth) const;
    void lfo2To(QList<QByteArray>& out, int destination, int depth) const;
    void wheel(QList<QByteArray>& out, int mode, int lfo1Dest) const;
    void pressure(QList<QByteArray>& out, int mode, int lfo1Dest) const;
    QList<QByteArray> withDevice(const QByteArray& filled) const;

    std::uint8_t m_deviceId;
    int m_lfo1Dest = kNoDestination;
    int m_lfo2Dest = kNoDestination;
};
