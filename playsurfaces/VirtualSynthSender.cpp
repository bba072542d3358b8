#include "playsurfaces/VirtualSynthSender.h"

#include "model/SysEx.h"

#include <algorithm>

namespace {

using vsynth::Rule;

constexpr int kTone1 = 0;
constexpr int kTone2 = 1;
constexpr int kMaxValue = 127;
constexpr int kPlus63 = 63;
constexpr int kPlus50 = 50;

// Tone 2's coarse tune at its fixed address, sent when the octave changes.
const QString kToneBCoarse = QStringLiteral("F0 41 10 6A 12 03 00 12 3D XX KK F7");
// The common switch between 12 and 24 dB low pass.
const QString kFilterSlope = QStringLiteral("F0 41 10 6A 12 03 00 00 44 XX KK F7");
// Where the LFOs modulate: LFO 1 the pitch (4Eh) or the filter (63h), LFO 2 the pitch
// (4Fh) or the level (76h).
const QString kLfo1Pitch = QStringLiteral("F0 41 10 6A 12 03 00 NN 4E XX KK F7");
const QString kLfo1Filter = QStringLiteral("F0 41 10 6A 12 03 00 NN 63 XX KK F7");
const QString kLfo2Pitch = QStringLiteral("F0 41 10 6A 12 03 00 NN 4F XX KK F7");
const QString kLfo2Amp = QStringLiteral("F0 41 10 6A 12 03 00 NN 76 XX KK F7");
// The text position of a fixed tone address ("10") in a one-message template.
constexpr int kToneAddressText = 21;

// A destination and depth of controller 1 (wheel: parameters 15h, 16h) or 2
// (aftertouch: 1Dh, 1Eh) of a tone; only tone and checksums are filled.
QString controllerTemplate(const char* destination, const char* depth, int destinationValue, int depthValue)
{
    const auto hex = [](int v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper(); };
    return QStringLiteral("F0 41 10 6A 12 03 00 NN %1 %2 KK F7 F0 41 10 6A 12 03 00 NN %3 %4 KK F7")
        .arg(QLatin1String(destination), hex(destinationValue), QLatin1String(depth), hex(depthValue));
}

// The destinations of the controllers.
constexpr int kToFilter = 0x02;
constexpr int kToLevel = 0x04;
constexpr int kToPitch = 0x01;
constexpr int kToLfo1Pitch = 0x09;
constexpr int kToLfo1Filter = 0x0B;
constexpr int kNone = 0x00;
constexpr int kFullDepth = 0x7E;
constexpr int kNoDepth = 0x3F;

} // namespace

CVirtualSynthSender::CVirtualSynthSender(std::uint8_t deviceId) : m_deviceId(deviceId)
{}

QList<QByteArray> CVirtualSynthSender::withDevice(const QByteArray& filled) const
{
    // The templates carry device 10h; the instrument listens only to its own ID, so
    // every message gets the configured one (the device byte is outside the checksum).
    QList<QByteArray> out;
    qsizetype start = filled.indexOf(char(sysex::kStart));
    while (start >= 0) {
        const qsizetype next = filled.indexOf(char(sysex::kStart), start + 1);
        QByteArray message = filled.mid(start, next < 0 ? -1 : next - start);
        if (message.size() > sysex::kOffDevice)
            message[sysex::kOffDevice] = char(m_deviceId);
        out << message;
        start = next;
    }
    return out;
}

QList<QByteArray> CVirtualSynthSender::send(const QString& sysExString, int value, int tone) const
{
    return withDevice(FillTemplate(sysExString.toLatin1(), std::clamp(value, 0, kMaxValue), tone));
}

void CVirtualSynthSender::both(QList<QByteArray>& out, const QString& sysExString, int value) const
{
    out << send(sysExString, value, kTone1) << send(sysExString, value, kTone2);
}

QList<QByteArray> CVirtualSynthSender::initialPatch() const
{
    return withDevice(HexTextToBytes(vsynth::initialPatchText().toLatin1()));
}

void CVirtualSynthSender::lfo1To(QList<QByteArray>& out, int destination, int depth) const
{
    switch (destination) {
    case 1:
        both(out, kLfo1Pitch, depth);
        break;
    case 2:
        out << send(kLfo1Pitch, depth, kTone2);
        break;
    case 3:
        both(out, kLfo1Filter, depth);
        break;
    default:
        break;
    }
}

void CVirtualSynthSender::lfo2To(QList<QByteArray>& out, int destination, int depth) const
{
    if (destination == 1)
        both(out, kLfo2Pitch, depth);
    else if (destination == 2)
        both(out, kLfo2Amp, depth);
}

void CVirtualSynthSender::wheel(QList<QByteArray>& out, int mode, int lfo1Dest) const
{
    const auto to = [](int destination, int depth) { return controllerTemplate("15", "16", destination, depth); };
    if (mode == 1) {
        both(out, to(kToFilter, kFullDepth), 0);
    } else if (mode == 2) {
        out << send(to(kNone, kNoDepth), 0, kTone1) << send(to(kToPitch, kFullDepth), 0, kTone2);
    } else if (mode == 3) {
        if (lfo1Dest == 1)
            both(out, to(kToLfo1Pitch, kFullDepth), 0);
        else if (lfo1Dest == 2)
            out << send(to(kNone, kNoDepth), 0, kTone1) << send(to(kToLfo1Pitch, kFullDepth), 0, kTone2);
        else if (lfo1Dest == 3)
            both(out, to(kToLfo1Filter, kFullDepth), 0);
    }
}

void CVirtualSynthSender::pressure(QList<QByteArray>& out, int mode, int lfo1Dest) const
{
    const auto to = [](int destination, int depth) { return controllerTemplate("1D", "1E", destination, depth); };
    if (mode == 1) {
        both(out, to(kToFilter, kFullDepth), 0);
    } else if (mode == 2) {
        both(out, to(kToLevel, kFullDepth), 0);
    } else if (mode == 3) {
        if (lfo1Dest == 1)
            both(out, to(kToLfo1Pitch, kFullDepth), 0);
        else if (lfo1Dest == 2)
            out << send(to(kNone, kNoDepth), 0, kTone1) << send(to(kToLfo1Pitch, kFullDepth), 0, kTone2);
        else if (lfo1Dest == 3)
            both(out, to(kToLfo1Filter, kFullDepth), 0);
    }
}

QList<QByteArray> CVirtualSynthSender::messages(Rule rule, const QString& sysExString, int value, const Values& current)
{
    QList<QByteArray> out;
    switch (rule) {
    case Rule::Both:
        both(out, sysExString, value);
        break;
    case Rule::BothPlus63:
        both(out, sysExString, value + kPlus63);
        break;
    case Rule::BothPlus50:
        both(out, sysExString, value + kPlus50);
        break;
    case Rule::Once:
        out << send(sysExString, value, kTone1);
        break;
    case Rule::Wave:
        out << withDevice(FillNibbleTemplate(sysExString.toLatin1(), std::clamp(value, 0, kMaxValue)));
        break;
    case Rule::Octave:
        out << send(sysExString, value, kTone1) << send(kToneBCoarse, value + current.interval, kTone2);
        break;
    case Rule::Interval:
        out << send(sysExString, value + current.octave, kTone2);
        break;
    case Rule::Tune:
        out << send(sysExString, value + kPlus50, kTone2);
        break;
    case Rule::Mix: {
        out << send(sysExString, kMaxValue - value, kTone1);
        QString toneB = sysExString;
        if (toneB.size() > kToneAddressText + 1)
            toneB.replace(kToneAddressText, 2, QStringLiteral("12"));
        out << send(toneB, value, kTone1);
        break;
    }
    case Rule::FilterMode:
        out << send(kFilterSlope, value == 0 ? 1 : 0, kTone1);
        both(out, sysExString, value == 0 ? 1 : value);
        break;
    case Rule::Lfo1Dest:
        // The old destination back to neutral first, then the depth to the new one.
        lfo1To(out, m_lfo1Dest, kNeutral);
        m_lfo1Dest = value;
        lfo1To(out, value, current.lfo1Depth + kPlus63);
        if (current.wheel == 3)
            wheel(out, 3, value);
        if (current.pressure == 3)
            pressure(out, 3, value);
        break;
    case Rule::Lfo1Depth:
        lfo1To(out, current.lfo1Dest, value + kPlus63);
        break;
    case Rule::Lfo2Dest:
        lfo2To(out, m_lfo2Dest, kNeutral);
        m_lfo2Dest = value;
        lfo2To(out, value, current.lfo2Depth + kPlus63);
        break;
    case Rule::Lfo2Depth:
        lfo2To(out, current.lfo2Dest, value + kPlus63);
        break;
    case Rule::Wheel:
        wheel(out, value, current.lfo1Dest);
        break;
    case Rule::Pressure:
        pressure(out, value, current.lfo1Dest);
        break;
    }
    return out;
}
