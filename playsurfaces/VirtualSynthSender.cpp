#include "playsurfaces/VirtualSynthSender.h"

#include "model/ParamMessages.h"
#include "model/ParamTable.h"

#include <algorithm>

namespace {

using vsynth::Rule;

constexpr int kTone1 = 0;
constexpr int kTone2 = 1;
constexpr int kCommon = -1; // send(): a row of the common block
constexpr int kMaxValue = 127;
constexpr int kPlus63 = 63;
constexpr int kPlus50 = 50;

const params::Param& row(const char* id)
{
    return params::row(QString::fromLatin1(id));
}

// Where the LFOs modulate: LFO 1 the pitch or the filter, LFO 2 the pitch or the level.
const params::Param& lfo1Pitch()
{
    return row("tone.lfo1.pitchDepth");
}
const params::Param& lfo1Filter()
{
    return row("tone.lfo1.tvfDepth");
}
const params::Param& lfo2Pitch()
{
    return row("tone.lfo2.pitchDepth");
}
const params::Param& lfo2Amp()
{
    return row("tone.lfo2.tvaDepth");
}

// The stored value of a destination of a tone's controllers ("CUT", "PL1").
int destination(const params::Param& dest, const char* text)
{
    return dest.min + static_cast<int>(params::listItems(dest).indexOf(QString::fromLatin1(text)));
}

// The controller modes of the wheel and of aftertouch.
constexpr int kToFilter = 1;
constexpr int kToOscB = 2;  // wheel
constexpr int kToLevel = 2; // aftertouch
constexpr int kToLfo1Depth = 3;

} // namespace

CVirtualSynthSender::CVirtualSynthSender(std::uint8_t deviceId) : m_deviceId(deviceId)
{}

QList<QByteArray> CVirtualSynthSender::send(const params::Param& p, int value, int tone) const
{
    const QByteArray message = params::valueMessage(p, tone == kCommon ? 0 : tone, std::clamp(value, 0, kMaxValue),
                                                    m_deviceId, {sysex::MemoryArea::Temporary, 0});
    return message.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{message};
}

void CVirtualSynthSender::writes(QList<QByteArray>& out, const vsynth::ControlDef& control, int value, int tone) const
{
    for (const vsynth::Write& w : control.writes)
        out << send(row(w.row), w.fixed == vsynth::kControlValue ? value : w.fixed, tone);
}

void CVirtualSynthSender::both(QList<QByteArray>& out, const vsynth::ControlDef& control, int value) const
{
    writes(out, control, value, kTone1);
    writes(out, control, value, kTone2);
}

void CVirtualSynthSender::both(QList<QByteArray>& out, const params::Param& p, int value) const
{
    out << send(p, value, kTone1) << send(p, value, kTone2);
}

QList<QByteArray> CVirtualSynthSender::initialPatch() const
{
    QList<QByteArray> out;
    const auto message = [&](sysex::Block block, int index) {
        const std::vector<std::uint8_t> data = vsynth::initialPatchData(block, index);
        out << params::bytesMessage(
            block, index, 0,
            QByteArrayView(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size())), m_deviceId,
            {sysex::MemoryArea::Temporary, 0});
    };
    message(sysex::Block::PatchCommon, 0);
    for (int tone = 0; tone < 4; ++tone)
        message(sysex::Block::PatchTone, tone);
    return out;
}

void CVirtualSynthSender::lfo1To(QList<QByteArray>& out, int destination, int depth) const
{
    switch (destination) {
    case 1:
        both(out, lfo1Pitch(), depth);
        break;
    case 2:
        out << send(lfo1Pitch(), depth, kTone2);
        break;
    case 3:
        both(out, lfo1Filter(), depth);
        break;
    default:
        break;
    }
}

void CVirtualSynthSender::lfo2To(QList<QByteArray>& out, int destination, int depth) const
{
    if (destination == 1)
        both(out, lfo2Pitch(), depth);
    else if (destination == 2)
        both(out, lfo2Amp(), depth);
}

// Destination 1 and its depth of controller 1 (the wheel) or 2 (aftertouch) of a tone.
void CVirtualSynthSender::controller(QList<QByteArray>& out, int number, int mode, int lfo1Dest) const
{
    const params::Param& dest = params::row(QStringLiteral("tone.ctrl%1.dest1").arg(number));
    const params::Param& depth = params::row(QStringLiteral("tone.ctrl%1.depth1").arg(number));
    const int full = depth.max;          // +63
    const int none = depth.defaultValue; // 0
    const auto to = [&](int tone, const char* target, int amount) {
        out << send(dest, destination(dest, target), tone) << send(depth, amount, tone);
    };
    const auto toBoth = [&](const char* target) {
        to(kTone1, target, full);
        to(kTone2, target, full);
    };
    // Tone 2 only: tone 1's controller off.
    const auto toOscB = [&](const char* target) {
        to(kTone1, "OFF", none);
        to(kTone2, target, full);
    };
    const bool wheel = number == 1;
    if (mode == kToFilter) {
        toBoth("CUT");
    } else if (wheel && mode == kToOscB) {
        toOscB("PCH");
    } else if (!wheel && mode == kToLevel) {
        toBoth("LEV");
    } else if (mode == kToLfo1Depth) {
        if (lfo1Dest == 1)
            toBoth("PL1");
        else if (lfo1Dest == 2)
            toOscB("PL1");
        else if (lfo1Dest == 3)
            toBoth("FL1");
    }
}

QList<QByteArray> CVirtualSynthSender::messages(const vsynth::ControlDef& control, int value, const Values& current)
{
    QList<QByteArray> out;
    switch (control.rule) {
    case Rule::Both:
        both(out, control, value);
        break;
    case Rule::BothPlus63:
        both(out, control, value + kPlus63);
        break;
    case Rule::BothPlus50:
        both(out, control, value + kPlus50);
        break;
    case Rule::Once:
        writes(out, control, value, kCommon);
        break;
    case Rule::Wave: {
        // The group and the number in one message, so that the tone never plays a
        // number of another group.
        const params::Param& group = row(control.writes.at(0).row);
        const QByteArray message =
            params::groupMessage(group, control.tone, control.writes.at(0).fixed, std::clamp(value, 0, kMaxValue),
                                 m_deviceId, {sysex::MemoryArea::Temporary, 0});
        if (!message.isEmpty())
            out << message;
        break;
    }
    case Rule::Octave: {
        const params::Param& coarse = row(control.writes.at(0).row);
        out << send(coarse, value, kTone1) << send(coarse, value + current.interval, kTone2);
        break;
    }
    case Rule::Interval:
        writes(out, control, value + current.octave, kTone2);
        break;
    case Rule::Tune:
        writes(out, control, value + kPlus50, kTone2);
        break;
    case Rule::Mix:
        writes(out, control, kMaxValue - value, kTone1);
        writes(out, control, value, kTone2);
        break;
    case Rule::FilterMode: {
        // LP 24 is the low pass in both filters of structure 2.
        out << send(row(control.writes.at(0).row), value == 0 ? 1 : 0, kCommon);
        both(out, row(control.writes.at(1).row), value == 0 ? 1 : value);
        break;
    }
    case Rule::Lfo1Dest:
        // The old destination back to neutral first, then the depth to the new one.
        lfo1To(out, m_lfo1Dest, kNeutral);
        m_lfo1Dest = value;
        lfo1To(out, value, current.lfo1Depth + kPlus63);
        if (current.wheel == kToLfo1Depth)
            controller(out, 1, kToLfo1Depth, value);
        if (current.pressure == kToLfo1Depth)
            controller(out, 2, kToLfo1Depth, value);
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
        controller(out, 1, value, current.lfo1Dest);
        break;
    case Rule::Pressure:
        controller(out, 2, value, current.lfo1Dest);
        break;
    }
    return out;
}
