#include "playsurfaces/VirtualSynthTable.h"

#include "controls/common/ChoiceList.h"
#include "controls/common/ControlStates.h"
#include "controls/common/StateStream.h"
#include "model/SysEx.h"

#include <QDataStream>
#include <QIODevice>
#include <stdexcept>

namespace vsynth {

namespace {

using namespace id;

// Tone parameter 0 (the tone switch) of the tones' message, and its address byte.
constexpr int kToneAddressByte = 7;
constexpr int kToneSwitchByte = 9;
constexpr int kTones = 4;

const QString kCommonText = QStringLiteral(
    "F0 41 10 6A 12 03 00 00 00 56 69 72 74 75 61 6C 53 79 6E 74 68 00 00 0F 00 0F 07 01 0F 07 01 0F 7F 00 00 7F "
    "00 00 00 3F 00 3F 7F 03 50 00 00 00 02 7F 5A 0D 00 07 08 7F 40 00 02 02 00 00 00 00 00 00 00 01 02 00 00 00 "
    "00 00 03 00 00 00 00 00 00 00 00 26 F7");
const QString kToneText = QStringLiteral(
    "F0 41 10 6A 12 03 00 10 00 01 00 01 00 00 01 00 00 00 00 00 00 01 7F 00 7F 00 01 01 01 01 00 3F 00 3F 00 3F "
    "00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 00 5C 02 00 00 00 00 00 00 5C 02 00 00 00 00 30 32 "
    "00 0C 0C 32 07 07 07 00 00 00 00 3F 3F 3F 3F 3F 3F 00 7F 05 00 32 3F 00 32 07 07 07 00 00 00 00 7F 7F 7F 7F "
    "3F 3F 7F 03 3C 07 00 64 07 07 07 00 00 00 0A 7F 7F 7F 3F 3F 40 07 00 40 3F 3F 00 7F 00 00 7F F7");

ControlDef choice(int controlId, Section section, const char* label, QStringList items, QList<int> values, int initial,
                  const char* sysExString, Rule rule)
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
    def.sysExString = QString::fromLatin1(sysExString);
    def.rule = rule;
    return def;
}

ControlDef knob(int controlId, Section section, const char* label, int minimum, int maximum, int initial,
                const char* sysExString, Rule rule)
{
    ControlDef def;
    def.id = controlId;
    def.section = section;
    def.label = QString::fromUtf8(label);
    def.minimum = minimum;
    def.maximum = maximum;
    def.initial = initial;
    def.sysExString = QString::fromLatin1(sysExString);
    def.rule = rule;
    return def;
}

std::vector<ControlDef> makeControls()
{
    using S = Section;
    using R = Rule;
    return {
        choice(kOscAWave, S::OscA, "Wave", {"SAW", "PULS", "TRI"}, {25, 38, 44}, 0,
               "F0 41 10 6A 12 03 00 10 01 00 02 XX YY KK F7", R::Wave),
        choice(kOctave, S::OscA, "Octave", {"4'", "8'", "16'", "32'"}, {60, 48, 36, 24}, 1,
               "F0 41 10 6A 12 03 00 10 3D XX KK F7", R::Octave),
        knob(kMix, S::Mix, "A \u2026 B", 0, 127, 63, "F0 41 10 6A 12 03 00 10 65 XX KK F7", R::Mix),
        choice(kFilterMode, S::Filter, "Mode", {"LP 24", "LP 12", "BPF", "HPF"}, {0, 1, 2, 3}, 1,
               "F0 41 10 6A 12 03 00 NN 50 XX KK F7", R::FilterMode),
        knob(kCutoff, S::Filter, "Cutoff", 0, 127, 127, "F0 41 10 6A 12 03 00 NN 51 XX KK F7", R::Both),
        knob(kReso, S::Filter, "Reso", 0, 127, 0, "F0 41 10 6A 12 03 00 NN 53 XX KK F7", R::Both),
        knob(kFilterEnv, S::Filter, "Env", -63, 63, 0, "F0 41 10 6A 12 03 00 NN 55 XX KK F7", R::BothPlus63),
        choice(kOscBWave, S::OscB, "Wave", {"SAW", "PULS", "TRI", "NOISE"}, {25, 38, 44, 47}, 0,
               "F0 41 10 6A 12 03 00 12 01 00 02 XX YY KK F7", R::Wave),
        knob(kInterval, S::OscB, "Interval", -24, 24, 0, "F0 41 10 6A 12 03 00 12 3D XX KK F7", R::Interval),
        knob(kTune, S::OscB, "Tune", -50, 50, 0, "F0 41 10 6A 12 03 00 12 3E XX KK F7", R::Tune),
        knob(kFilterEnvAttack, S::FilterEnv, "Attack", 0, 127, 0,
             "F0 41 10 6A 12 03 00 NN 5B XX KK F7 F0 41 10 6A 12 03 00 NN 5F 7F KK F7", R::Both),
        knob(kFilterEnvDecay, S::FilterEnv, "Decay", 0, 127, 0, "F0 41 10 6A 12 03 00 NN 5C XX KK F7", R::Both),
        knob(kFilterEnvSustain, S::FilterEnv, "Sustain", 0, 127, 127,
             "F0 41 10 6A 12 03 00 NN 5D 00 KK F7 F0 41 10 6A 12 03 00 NN 60 XX KK F7 F0 41 10 6A 12 03 00 NN 61 "
             "XX KK F7",
             R::Both),
        knob(kFilterEnvRelease, S::FilterEnv, "Release", 0, 127, 0,
             "F0 41 10 6A 12 03 00 NN 5E XX KK F7 F0 41 10 6A 12 03 00 NN 62 00 KK F7", R::Both),
        knob(kFilterEnvVelocity, S::FilterEnv, "Velo->Dpth", 0, 75, 0, "F0 41 10 6A 12 03 00 NN 57 XX KK F7",
             R::BothPlus50),
        knob(kPitchEgAttack, S::OscBPitchEg, "Attack", 0, 127, 0, "F0 41 10 6A 12 03 00 NN 46 XX KK F7", R::Both),
        knob(kPitchEgDecay, S::OscBPitchEg, "Decay", 0, 127, 0, "F0 41 10 6A 12 03 00 NN 47 XX KK F7", R::Both),
        knob(kPitchEgDepth, S::OscBPitchEg, "Depth", -63, 63, 0,
             "F0 41 10 6A 12 03 00 NN 4A XX KK F7 F0 41 10 6A 12 03 00 NN 41 18 KK F7", R::BothPlus63),
        knob(kAmpEnvAttack, S::AmpEnv, "Attack", 0, 127, 0,
             "F0 41 10 6A 12 03 00 NN 6E XX KK F7 F0 41 10 6A 12 03 00 NN 72 7F KK F7", R::Both),
        knob(kAmpEnvDecay, S::AmpEnv, "Decay", 0, 127, 0, "F0 41 10 6A 12 03 00 NN 6F XX KK F7", R::Both),
        knob(kAmpEnvSustain, S::AmpEnv, "Sustain", 0, 127, 127,
             "F0 41 10 6A 12 03 00 NN 70 00 KK F7 F0 41 10 6A 12 03 00 NN 73 XX KK F7 F0 41 10 6A 12 03 00 NN 74 "
             "XX KK F7",
             R::Both),
        knob(kAmpEnvRelease, S::AmpEnv, "Release", 0, 127, 0, "F0 41 10 6A 12 03 00 NN 71 XX KK F7", R::Both),
        knob(kAmpEnvVelocity, S::AmpEnv, "Velo->Dpth", 0, 75, 0, "F0 41 10 6A 12 03 00 NN 6A XX KK F7", R::BothPlus50),
        choice(kLfo1Wave, S::Lfo1, "Wave", {"SIN", "SAW", "RND"}, {1, 2, 6}, 0,
               "F0 41 10 6A 12 03 00 NN 2D XX KK F7 F0 41 10 6A 12 03 00 NN 35 XX KK F7", R::Both),
        choice(kLfo1Dest, S::Lfo1, "Dest", {"AB", "B", "Filter"}, {1, 2, 3}, 2, "", R::Lfo1Dest),
        knob(kLfo1Rate, S::Lfo1, "Rate", 0, 127, 92, "F0 41 10 6A 12 03 00 NN 2F XX KK F7", R::Both),
        knob(kLfo1Depth, S::Lfo1, "Depth", -63, 63, 0, "", R::Lfo1Depth),
        knob(kLfo2Rate, S::Lfo2, "Rate", 0, 127, 92, "F0 41 10 6A 12 03 00 NN 37 XX KK F7", R::Both),
        knob(kLfo2Depth, S::Lfo2, "Depth", -63, 63, 0, "", R::Lfo2Depth),
        choice(kLfo2Dest, S::Lfo2, "Dest", {"AB", "Amp"}, {1, 2}, 0, "", R::Lfo2Dest),
        choice(kWheel, S::Control, "MW", {"Filter", "Osc B", "L1 Dp"}, {1, 2, 3}, 0, "", R::Wheel),
        choice(kPressure, S::Control, "Press", {"Filter", "Amp", "L1 Dp"}, {1, 2, 3}, 1, "", R::Pressure),
        choice(kVoice, S::Control, "Voice", {"Poly", "Mono"}, {0, 1}, 0, "F0 41 10 6A 12 03 00 00 33 XX KK F7",
               R::Once),
        choice(kGlide, S::Control, "Glide", {"Off", "On"}, {0, 1}, 0,
               "F0 41 10 6A 12 03 00 00 35 XX KK F7 F0 41 10 6A 12 03 00 00 36 01 KK F7", R::Once),
        knob(kGlideTime, S::Control, "Glide Time", 0, 127, 0, "F0 41 10 6A 12 03 00 00 39 XX KK F7", R::Once),
    };
}

QString toneText(int tone)
{
    QByteArray tone1 = HexTextToBytes(kToneText.toLatin1());
    tone1[kToneAddressByte] = char(sysex::kPatchToneBase + 2 * tone);
    tone1[kToneSwitchByte] = char(tone < 2 ? 1 : 0);
    const qsizetype covered = tone1.size() - sysex::kOffAddress - 2;
    tone1[tone1.size() - 2] = char(sysex::checksum(
        static_cast<int>(covered), reinterpret_cast<const std::uint8_t*>(tone1.constData()) + sysex::kOffAddress));
    return QString::fromLatin1(BytesToHexText(tone1).replace("\r\n", "").trimmed());
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

QString initialPatchText()
{
    QString text = kCommonText;
    for (int tone = 0; tone < kTones; ++tone)
        text += QLatin1Char(' ') + (tone == 0 ? kToneText : toneText(tone));
    return text;
}

QByteArray choiceState(const ControlDef& def)
{
    ControlState::PickvaneState state;
    state.extent = kChoiceSize;
    state.stock.mask = ControlState::StockBit::kBackColor | ControlState::StockBit::kFont;
    state.stock.backColor = oleColor(QColor(192, 192, 192));
    state.stock.font = listFont();
    state.listItems = ChoiceList::join(def.items);
    state.sysExString = def.sysExString;
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
    state.sysExString = def.sysExString;
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
