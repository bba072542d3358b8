#include "playsurfaces/VirtualSynthTable.h"

#include "controls/common/ChoiceList.h"
#include "controls/common/ControlStates.h"
#include "controls/common/StateStream.h"
#include "model/ParamTable.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <stdexcept>

namespace vsynth {

namespace {

using namespace id;

ControlDef choice(int controlId, Section section, const char* label, QStringList items, QList<int> values, int initial,
                  std::vector<Write> writes, Rule rule, int tone = 0)
{
    ControlDef def;
    def.id = controlId;
    def.section = section;
    def.label = QString::fromUtf8(label);
    def.choice = true;
    def.items = std::move(items);
    def.values = std::move(values);
    def.initial = initial;
    def.minimum = 0;
    def.maximum = static_cast<int>(def.items.size()) - 1;
    def.writes = std::move(writes);
    def.tone = tone;
    def.rule = rule;
    return def;
}

ControlDef knob(int controlId, Section section, const char* label, int minimum, int maximum, int initial,
                std::vector<Write> writes, Rule rule, int tone = 0)
{
    ControlDef def;
    def.id = controlId;
    def.section = section;
    def.label = QString::fromUtf8(label);
    def.minimum = minimum;
    def.maximum = maximum;
    def.initial = initial;
    def.writes = std::move(writes);
    def.tone = tone;
    def.rule = rule;
    return def;
}

std::vector<ControlDef> makeControls()
{
    using S = Section;
    using R = Rule;
    constexpr int kOscA = 0;
    constexpr int kOscB = 1;
    constexpr int kPresetB = 2;       // the wave group "Preset B" (type 0, id 2)
    constexpr int kFull = 127;        // an envelope level at its top
    constexpr int kPitchEgRange = 24; // the pitch envelope's depth: +12 semitones
    return {
        choice(kOscAWave, S::OscA, "Wave", {"SAW", "PULS", "TRI"}, {25, 38, 44}, 0,
               {{"tone.wave.group", kPresetB}, {"tone.wave.number"}}, R::Wave, kOscA),
        choice(kOctave, S::OscA, "Octave", {"4'", "8'", "16'", "32'"}, {60, 48, 36, 24}, 1, {{"tone.pitch.coarse"}},
               R::Octave),
        knob(kMix, S::Mix, "A \u2026 B", 0, 127, 63, {{"tone.tva.level"}}, R::Mix),
        choice(kFilterMode, S::Filter, "Mode", {"LP 24", "LP 12", "BPF", "HPF"}, {0, 1, 2, 3}, 1,
               {{"patch.structure12"}, {"tone.tvf.filterType"}}, R::FilterMode),
        knob(kCutoff, S::Filter, "Cutoff", 0, 127, 127, {{"tone.tvf.cutoff"}}, R::Both),
        knob(kReso, S::Filter, "Reso", 0, 127, 0, {{"tone.tvf.resonance"}}, R::Both),
        knob(kFilterEnv, S::Filter, "Env", -63, 63, 0, {{"tone.tvf.envDepth"}}, R::BothPlus63),
        choice(kOscBWave, S::OscB, "Wave", {"SAW", "PULS", "TRI", "NOISE"}, {25, 38, 44, 47}, 0,
               {{"tone.wave.group", kPresetB}, {"tone.wave.number"}}, R::Wave, kOscB),
        knob(kInterval, S::OscB, "Interval", -24, 24, 0, {{"tone.pitch.coarse"}}, R::Interval),
        knob(kTune, S::OscB, "Tune", -50, 50, 0, {{"tone.pitch.fine"}}, R::Tune),
        knob(kFilterEnvAttack, S::FilterEnv, "Attack", 0, 127, 0, {{"tone.tvf.time1"}, {"tone.tvf.level1", kFull}},
             R::Both),
        knob(kFilterEnvDecay, S::FilterEnv, "Decay", 0, 127, 0, {{"tone.tvf.time2"}}, R::Both),
        knob(kFilterEnvSustain, S::FilterEnv, "Sustain", 0, 127, 127,
             {{"tone.tvf.time3", 0}, {"tone.tvf.level2"}, {"tone.tvf.level3"}}, R::Both),
        knob(kFilterEnvRelease, S::FilterEnv, "Release", 0, 127, 0, {{"tone.tvf.time4"}, {"tone.tvf.level4", 0}},
             R::Both),
        knob(kFilterEnvVelocity, S::FilterEnv, "Velo->Dpth", 0, 75, 0, {{"tone.tvf.velocitySens"}}, R::BothPlus50),
        knob(kPitchEgAttack, S::OscBPitchEg, "Attack", 0, 127, 0, {{"tone.penv.time1"}}, R::Both),
        knob(kPitchEgDecay, S::OscBPitchEg, "Decay", 0, 127, 0, {{"tone.penv.time2"}}, R::Both),
        knob(kPitchEgDepth, S::OscBPitchEg, "Depth", -63, 63, 0,
             {{"tone.penv.level1"}, {"tone.penv.depth", kPitchEgRange}}, R::BothPlus63),
        knob(kAmpEnvAttack, S::AmpEnv, "Attack", 0, 127, 0, {{"tone.tva.time1"}, {"tone.tva.level1", kFull}}, R::Both),
        knob(kAmpEnvDecay, S::AmpEnv, "Decay", 0, 127, 0, {{"tone.tva.time2"}}, R::Both),
        knob(kAmpEnvSustain, S::AmpEnv, "Sustain", 0, 127, 127,
             {{"tone.tva.time3", 0}, {"tone.tva.level2"}, {"tone.tva.level3"}}, R::Both),
        knob(kAmpEnvRelease, S::AmpEnv, "Release", 0, 127, 0, {{"tone.tva.time4"}}, R::Both),
        knob(kAmpEnvVelocity, S::AmpEnv, "Velo->Dpth", 0, 75, 0, {{"tone.tva.velocitySens"}}, R::BothPlus50),
        choice(kLfo1Wave, S::Lfo1, "Wave", {"SIN", "SAW", "RND"}, {1, 2, 6}, 0,
               {{"tone.lfo1.waveform"}, {"tone.lfo2.waveform"}}, R::Both),
        choice(kLfo1Dest, S::Lfo1, "Dest", {"AB", "B", "Filter"}, {1, 2, 3}, 2, {}, R::Lfo1Dest),
        knob(kLfo1Rate, S::Lfo1, "Rate", 0, 127, 92, {{"tone.lfo1.rate"}}, R::Both),
        knob(kLfo1Depth, S::Lfo1, "Depth", -63, 63, 0, {}, R::Lfo1Depth),
        knob(kLfo2Rate, S::Lfo2, "Rate", 0, 127, 92, {{"tone.lfo2.rate"}}, R::Both),
        knob(kLfo2Depth, S::Lfo2, "Depth", -63, 63, 0, {}, R::Lfo2Depth),
        choice(kLfo2Dest, S::Lfo2, "Dest", {"AB", "Amp"}, {1, 2}, 0, {}, R::Lfo2Dest),
        choice(kWheel, S::Control, "MW", {"Filter", "Osc B", "L1 Dp"}, {1, 2, 3}, 0, {}, R::Wheel),
        choice(kPressure, S::Control, "Press", {"Filter", "Amp", "L1 Dp"}, {1, 2, 3}, 1, {}, R::Pressure),
        choice(kVoice, S::Control, "Voice", {"Poly", "Mono"}, {0, 1}, 0, {{"patch.keyAssign"}}, R::Once),
        choice(kGlide, S::Control, "Glide", {"Off", "On"}, {0, 1}, 0,
               {{"patch.portamento.switch"}, {"patch.portamento.mode", 1}}, R::Once),
        knob(kGlideTime, S::Control, "Glide Time", 0, 127, 0, {{"patch.portamento.time"}}, R::Once),
    };
}

// Bold 12-point Arial, as the panel's lists show.
ControlState::FontRecord listFont()
{
    constexpr quint16 kBold = 700;
    constexpr quint32 kTwelvePoints = 12 * ControlState::kFontSizeUnitsPerPoint;
    ControlState::FontRecord font;
    font.weight = kBold;
    font.size = kTwelvePoints;
    font.name = "Arial";
    return font;
}

ControlState::FontRecord labelFont(bool bold)
{
    constexpr quint16 kBold = 700;
    constexpr quint16 kNormal = 400;
    constexpr quint32 kEightPoints = 8 * ControlState::kFontSizeUnitsPerPoint;
    constexpr quint32 kNinePoints = 9 * ControlState::kFontSizeUnitsPerPoint;
    ControlState::FontRecord font;
    font.weight = bold ? kBold : kNormal;
    font.size = bold ? kNinePoints : kEightPoints;
    font.name = "Arial";
    return font;
}

quint32 oleColor(const QColor& color)
{
    return ControlState::toOleColor(color);
}

template <typename State>
QByteArray bytesOf(const State& state)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    ControlState::writeState(stream, state);
    return bytes;
}

} // namespace

const std::vector<ControlDef>& controls()
{
    static const std::vector<ControlDef> table = makeControls();
    return table;
}

const ControlDef& control(int controlId)
{
    for (const ControlDef& def : controls())
        if (def.id == controlId)
            return def;
    throw std::out_of_range("no virtual synth control with this number");
}

const std::vector<Heading>& headings()
{
    using S = Section;
    static const QColor kBlue(0, 0, 160);
    static const QColor kRed(176, 0, 0);
    static const QColor kDarkCyan(0, 128, 128);
    static const QColor kMagenta(168, 0, 168);
    static const QColor kCyan(0, 200, 200);
    static const QColor kYellow(232, 216, 0);
    static const QColor kOlive(128, 128, 0);
    static const QColor kWhite(255, 255, 255);
    static const QColor kBlack(0, 0, 0);
    static const std::vector<Heading> table = {
        {S::OscA, QStringLiteral("Osc A"), kBlue, kWhite},
        {S::Mix, QStringLiteral("Mix"), kRed, kWhite},
        {S::Filter, QStringLiteral("Filter"), kDarkCyan, kWhite},
        {S::OscB, QStringLiteral("Osc B"), kMagenta, kWhite},
        {S::FilterEnv, QStringLiteral("Filter Env"), kDarkCyan, kWhite},
        {S::OscBPitchEg, QStringLiteral("Osc B Pitch EG"), kMagenta, kWhite},
        {S::AmpEnv, QStringLiteral("Amp Env"), kCyan, kBlack},
        {S::Lfo1, QStringLiteral("Lfo 1"), kYellow, kBlack},
        {S::Lfo2, QStringLiteral("Lfo 2"), kYellow, kBlack},
        {S::Control, QStringLiteral("Control"), kOlive, kWhite},
    };
    return table;
}

const Heading& heading(Section section)
{
    for (const Heading& h : headings())
        if (h.section == section)
            return h;
    return headings().front();
}

const std::vector<int>& knobResetOrder()
{
    static const std::vector<int> order = {
        kLfo1Depth,
        kLfo2Depth,
        kInterval,
        kAmpEnvAttack,
        kAmpEnvDecay,
        kAmpEnvRelease,
        kAmpEnvSustain,
        kAmpEnvVelocity,
        kGlideTime,
        kFilterEnvAttack,
        kCutoff,
        kFilterEnvDecay,
        kFilterEnv,
        kFilterEnvRelease,
        kReso,
        kFilterEnvSustain,
        kFilterEnvVelocity,
        kLfo1Rate,
        kLfo2Rate,
        kMix,
        kTune,
        kPitchEgAttack,
        kPitchEgDecay,
        kPitchEgDepth,
    };
    return order;
}

const std::vector<int>& choiceResetOrder()
{
    static const std::vector<int> order = {kGlide,    kWheel,    kPressure, kVoice,    kFilterMode, kLfo1Dest,
                                           kLfo1Wave, kLfo2Dest, kOctave,   kOscAWave, kOscBWave};
    return order;
}

const std::vector<int>& focusKeys()
{
    static const std::vector<int> keys = {kOscAWave, kOscBWave, kPitchEgAttack, kLfo1Wave};
    return keys;
}

QString writesText(const ControlDef& def)
{
    QStringList parts;
    for (const Write& w : def.writes)
        parts << (w.fixed == kControlValue ? QString::fromLatin1(w.row)
                                           : QStringLiteral("%1=%2").arg(QLatin1String(w.row)).arg(w.fixed));
    return parts.join(QLatin1Char(' '));
}

std::vector<std::uint8_t> initialPatchData(sysex::Block block, int index)
{
    // The panel's sound starts as a new patch of the table does, under its own name,
    // with tone 2 sounding as well.
    std::vector<std::uint8_t> data(static_cast<std::size_t>(sysex::blockDataSize(SynthModel::Jv2080, block)));
    params::writeDefaults(block, 0, data.data());
    if (block == sysex::Block::PatchCommon) {
        const QByteArray name("VirtualSynth");
        std::copy(name.begin(), name.end(), data.begin() + params::row(u"patch.name").offset);
    } else {
        params::setValue(params::row(u"tone.switch"), data.data(), index < 2 ? 1 : 0);
    }
    return data;
}

QByteArray choiceState(const ControlDef& def)
{
    ControlState::PickvaneState state;
    state.extent = kChoiceSize;
    state.stock.mask = ControlState::StockBit::kBackColor | ControlState::StockBit::kFont;
    state.stock.backColor = oleColor(QColor(192, 192, 192));
    state.stock.font = listFont();
    state.listItems = ChoiceList::join(def.items);
    state.sysExString = writesText(def);
    state.listValues = ChoiceList::joinValues(def.values);
    state.selection = static_cast<qint16>(def.initial);
    return bytesOf(state);
}

QByteArray knobState(const ControlDef& def)
{
    ControlState::KnobState state;
    state.extent = kKnobSize;
    state.stock.mask = ControlState::StockBit::kForeColor | ControlState::StockBit::kFont;
    const Heading& band = heading(def.section);
    // Yellow and cyan pointers vanish on the light track; those sections' knobs take
    // a darker shade of their colour.
    state.stock.foreColor = oleColor(band.foreColor == Qt::black ? band.backColor.darker(140) : band.backColor);
    state.stock.font = labelFont(false);
    state.sysExString = writesText(def);
    state.initialValue = static_cast<qint16>(def.initial);
    state.minimum = static_cast<qint16>(def.minimum);
    state.maximum = static_cast<qint16>(def.maximum);
    // After Init the instrument sounds as the knobs stand.
    state.sendOnReset = true;
    return bytesOf(state);
}

QByteArray headingState(const Heading& heading, int width)
{
    ControlState::CaptileState state;
    state.extent = QSize(width, kHeadingHeight);
    state.stock.mask = ControlState::StockBit::kCaption | ControlState::StockBit::kForeColor
                       | ControlState::StockBit::kBackColor | ControlState::StockBit::kFont;
    state.stock.caption = heading.caption;
    state.stock.foreColor = oleColor(heading.foreColor);
    state.stock.backColor = oleColor(heading.backColor);
    state.stock.font = labelFont(true);
    return bytesOf(state);
}

} // namespace vsynth
