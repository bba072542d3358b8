#include "model/ParamTable.h"

#include "model/EfxTypes.h"
#include "model/ExpansionNames.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cstring>

namespace params {

namespace {

using sysex::Block;
using valuelists::Kind;
using valuelists::named;
using valuelists::numbers;
using valuelists::texts;
using valuelists::ValueList;

constexpr int kBlockCount = 6;
constexpr int kPageCount = static_cast<int>(Page::Mix) + 1;
constexpr int kNameLength = 12;
constexpr int kNibble = 16;
constexpr int kGroupIdSpan = 128;
constexpr int kByteMax = 127;
constexpr int kFirstPrintable = 32;
constexpr int kTwoNibbleMax = 254; // wave and patch numbers: 0 .. 254
constexpr int kRhythmPart = 9;     // part 10 plays the rhythm set

// Page lists.
constexpr const char* kOffOn[] = {"OFF", "ON"};
constexpr const char* kPolySolo[] = {"POLY", "SOLO"};
constexpr const char* kPortamentoModes[] = {"NORMAL", "LEGATO"};
constexpr const char* kPortamentoTypes[] = {"RATE", "TIME"};
constexpr const char* kPortamentoStarts[] = {"PITCH", "NOTE"};
constexpr const char* kPatchControlSources[] = {"OFF",    "SYS-CTRL1", "SYS-CTRL2",  "MODULATION", "BREATH",     "FOOT",
                                                "VOLUME", "PAN",       "EXPRESSION", "BENDER",     "AFTERTOUCH", "LFO1",
                                                "LFO2",   "VELOCITY",  "KEYFOLLOW",  "PLAYMATE"};
constexpr const char* kEfxControlSources[] = {"OFF",    "SYS-CTRL1", "SYS-CTRL2",  "MODULATION", "BREATH",    "FOOT",
                                              "VOLUME", "PAN",       "EXPRESSION", "BENDER",     "AFTERTOUCH"};
constexpr const char* kHoldPeak[] = {"OFF", "HOLD", "PEAK"};
constexpr const char* kStretchTune[] = {"OFF", "1", "2", "3"};
constexpr const char* kVoicePriorities[] = {"LAST", "LOUDEST"};
constexpr const char* kBoosters[] = {"0", "+6", "+12", "+18"};
constexpr const char* kPatchClockSources[] = {"PATCH", "SYSTEM"};
constexpr const char* kCategories[] = {
    "NO ASSIGN",    "AC.PIANO",  "EL.PIANO",   "KEYBOARDS",   "BELL",        "MALLET",     "ORGAN",      "ACCORDION",
    "HARMONICA",    "AC.GUITAR", "EL.GUITAR",  "DIST.GUITAR", "BASS",        "SYNTH BASS", "STRINGS",    "ORCHESTRA",
    "HIT&STAB",     "WIND",      "FLUTE",      "AC.BRASS",    "SYNTH BRASS", "SAX",        "HARD LEAD",  "SOFT LEAD",
    "TECHNO SYNTH", "PULSATING", "SYNTH FX",   "OTHER SYNTH", "BRIGHT PAD",  "SOFT PAD",   "VOX",        "PLUCKED",
    "ETHNIC",       "FRETTED",   "PERCUSSION", "SOUND FX",    "BEAT&GROOVE", "DRUMS",      "COMBINATION"};
constexpr const char* kChorusOutputs[] = {"MIX", "REVERB", "MIX+REV"};
constexpr const char* kReverbTypes[] = {"ROOM1", "ROOM2", "STAGE1", "STAGE2", "HALL1", "HALL2", "DELAY", "PAN-DLY"};
constexpr const char* kEfxOutputs[] = {"MIX", "DIR1", "DIR2"};
constexpr const char* kWaveGains[] = {"-6", "0", "+6", "+12"};
constexpr const char* kDelayModes[] = {"NORMAL",     "HOLD",      "PLAYMATE", "CLOCK-SYNC",
                                       "<TAP-SYNC>", "KEY-OFF-N", "KEY-OFF-D"};
constexpr const char* kPanSwitches[] = {"OFF", "CONTINUOUS", "KEY-ON"};
constexpr const char* kDestinations[] = {"OFF", "PCH", "CUT", "RES", "LEV", "PAN", "MIX", "CHO", "REV", "PL1",
                                         "PL2", "FL1", "FL2", "AL1", "AL2", "pL1", "pL2", "L1R", "L2R"};
constexpr const char* kWaveforms[] = {"TRI", "SIN", "SAW", "SQR", "TRP", "S&H", "RND", "CHS"};
constexpr const char* kLfoOffsets[] = {"-100", "-50", "0", "+50", "+100"};
constexpr const char* kFadeModes[] = {"ON-IN", "ON-OUT", "OFF-IN", "OFF-OUT"};
constexpr const char* kExternalSyncs[] = {"OFF", "CLOCK", "<TAP>"};
constexpr const char* kFilterTypes[] = {"OFF", "LPF", "BPF", "HPF", "PKG"};
constexpr const char* kBiasDirections[] = {"LOWER", "UPPER", "LOWER&UPPER", "ALL"};
constexpr const char* kToneOutputs[] = {"MIX", "EFX", "OUTPUT 1", "OUTPUT 2"};
constexpr const char* kKeyboardModes[] = {"LAYER", "SINGLE"};
constexpr const char* kPerformanceClockSources[] = {"PERFORMANCE", "SYSTEM"};
constexpr const char* kPartOutputs[] = {"MIX", "EFX", "DIR1", "DIR2", "PATCH"};
constexpr const char* kBankSelectGroups[] = {"PATCH",  "GROUP1", "GROUP2", "GROUP3",
                                             "GROUP4", "GROUP5", "GROUP6", "GROUP7"};
constexpr const char* kOutputSelects[] = {"A", "B", "C"};
constexpr const char* kEnvelopeModes[] = {"NO-SUS", "SUSTAIN"};

constexpr ValueList kOctaveShift = numbers(-3, 3);
constexpr ValueList kCoarse48 = numbers(-48, 48, 1, valuelists::Format::Signed);
constexpr ValueList kFine50 = numbers(-50, 50, 1, valuelists::Format::Signed);

// Adds the rows of one block page by page; each row's order is its place on its page.
class Builder
{
public:
    Builder(std::vector<Param>& rows, Block block) : m_rows(rows), m_block(block) {}

    Builder& page(Page page)
    {
        m_page = page;
        return *this;
    }
    Param& add(const QString& id, int offset, const QString& label)
    {
        Param p;
        p.id = id;
        p.block = m_block;
        p.offset = offset;
        p.label = label;
        p.page = m_page;
        p.order = m_order[static_cast<std::size_t>(m_page)]++;
        m_rows.push_back(std::move(p));
        return m_rows.back();
    }
    // A drop-down list whose first item is stored as min.
    Builder& list(const QString& id, int offset, const QString& label, const ValueList& items, int def, int min = 0)
    {
        Param& p = add(id, offset, label);
        p.list = items;
        p.min = min;
        p.max = min + valuelists::itemCount(items) - 1;
        p.defaultValue = def;
        return *this;
    }
    // A list filled from the record or the name store.
    Builder& contextList(const QString& id, int offset, const QString& label, Kind kind, int min, int max, int def)
    {
        Param& p = add(id, offset, label);
        p.list = named(kind);
        p.min = min;
        p.max = max;
        p.defaultValue = def;
        return *this;
    }
    Builder& check(const QString& id, int offset, const QString& label, int def)
    {
        Param& p = add(id, offset, label);
        p.control = Control::Check;
        p.max = 1;
        p.defaultValue = def;
        return *this;
    }
    Builder& number(const QString& id, int offset, const QString& label, int min, int max, int def, int shownOffset = 0)
    {
        Param& p = add(id, offset, label);
        p.control = Control::Number;
        p.min = min;
        p.max = max;
        p.shownOffset = shownOffset;
        p.defaultValue = def;
        return *this;
    }
    Builder& scroll(const QString& id, int offset, const QString& label, const ValueList& items, int def)
    {
        list(id, offset, label, items, def);
        m_rows.back().control = Control::Scroll;
        return *this;
    }
    Builder& name(const QString& id, const QString& label)
    {
        Param& p = add(id, 0, label);
        p.control = Control::Name;
        p.encoding = Encoding::Name;
        p.size = kNameLength;
        p.min = kFirstPrintable;
        p.max = kByteMax;
        return *this;
    }
    // Modifiers of the row added last.
    Builder& nibbles()
    {
        m_rows.back().encoding = Encoding::Nibbles;
        m_rows.back().size = 2;
        return *this;
    }
    Builder& group(int maxType)
    {
        Param& p = m_rows.back();
        p.encoding = Encoding::Group;
        p.size = 2;
        p.min = 0;
        p.max = maxType * kGroupIdSpan + kByteMax;
        return *this;
    }
    Builder& shownOn(std::uint8_t models)
    {
        m_rows.back().shownOn = models;
        return *this;
    }
    Builder& rule(DefaultRule rule)
    {
        m_rows.back().defaultRule = rule;
        return *this;
    }

private:
    std::vector<Param>& m_rows;
    Block m_block;
    Page m_page = Page::None;
    std::array<int, kPageCount> m_order{};
};

QString numbered(const char* text, int n)
{
    return QString::fromLatin1(text).arg(n);
}

// Chorus, reverb and multi-effect rows: the same in the patch and the performance
// common block, one byte later in the performance (whose multi-effect has sources).
void addEffects(Builder& b, bool performance)
{
    const QString prefix = performance ? QStringLiteral("perf.") : QStringLiteral("patch.");
    const int shift = performance ? 0 : -1;
    const auto id = [&](const char* name) { return prefix + QLatin1String(name); };
    const auto at = [&](int p) { return p + shift; };
    // Defaults differ between the two records in a few rows.
    const auto def = [&](int patch, int perf) { return performance ? perf : patch; };

    b.page(Page::ChorusReverb);
    b.number(id("chorus.level"), at(0x22), QStringLiteral("Chorus Level"), 0, 127, 127);
    b.number(id("chorus.rate"), at(0x23), QStringLiteral("Chorus Rate"), 0, 127, 3);
    b.number(id("chorus.depth"), at(0x24), QStringLiteral("Chorus Depth"), 0, 127, 80);
    b.number(id("chorus.preDelay"), at(0x25), QStringLiteral("Chorus Pre Delay"), 0, 127, 0);
    b.number(id("chorus.feedback"), at(0x26), QStringLiteral("Chorus Feedback"), 0, 127, 0);
    b.list(id("chorus.output"), at(0x27), QStringLiteral("Chorus Output"), texts(kChorusOutputs), 0);
    b.list(id("reverb.type"), at(0x28), QStringLiteral("Reverb Type"), texts(kReverbTypes), 2);
    b.number(id("reverb.level"), at(0x29), QStringLiteral("Reverb Level"), 0, 127, 127);
    b.number(id("reverb.time"), at(0x2A), QStringLiteral("Reverb Time"), 0, 127, def(0x5A, 0x5F));
    b.list(id("reverb.hfDamp"), at(0x2B), QStringLiteral("Reverb HF damp"), named(Kind::Damp), 13);
    b.number(id("reverb.feedback"), at(0x2C), QStringLiteral("Reverb Feedback"), 0, 127, def(0, 0x32));

    b.page(Page::Efx);
    if (performance)
        b.list(id("efx.sourceA"), 0x0C, QStringLiteral("EFX-A Source"), named(Kind::EfxSource), 0);
    b.list(id("efx.type"), at(0x0D), QStringLiteral("Type"), named(Kind::EfxType), 0);
    // The defaults are those of the first type, in both records' choices.
    const std::array<int, efx::kRowCount> patchRows = {0, 15, 0, 15, 7, 1, 15, 7, 1, 15, 127, 0};
    const std::array<int, efx::kRowCount> perfRows = {0, 15, 1, 15, 7, 0, 15, 10, 0, 15, 127, 0};
    for (int k = 0; k < efx::kRowCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        b.contextList(prefix + QStringLiteral("efx.row%1").arg(k + 1), at(0x0E + k), QString(), Kind::EfxParameter, 0,
                      kByteMax, def(patchRows[i], perfRows[i]));
    }
    b.list(id("efx.output"), at(0x1A), QStringLiteral("Output Assign"), texts(kEfxOutputs), 0);
    b.number(id("efx.level"), at(0x1B), QStringLiteral("Output"), 0, 127, 127);
    b.number(id("efx.chorusSend"), at(0x1C), QStringLiteral("Chorus Send"), 0, 127, 0);
    b.number(id("efx.reverbSend"), at(0x1D), QStringLiteral("Reverb Send"), 0, 127, 0);
    for (int c = 0; c < 2; ++c) {
        b.list(prefix + QStringLiteral("efx.control%1.source").arg(c + 1), at(0x1E + 2 * c),
               numbered("Control %1 source", c + 1), texts(kEfxControlSources), 0);
        b.number(prefix + QStringLiteral("efx.control%1.depth").arg(c + 1), at(0x1F + 2 * c),
                 numbered("Control %1 depth", c + 1), 0, 126, 63, -63);
    }
    if (performance) {
        const std::uint8_t jv2080 = modelBit(SynthModel::Jv2080);
        b.list(id("efx.sourceB"), 0x42, QStringLiteral("EFX-B Source"), named(Kind::EfxSource), 0).shownOn(jv2080);
        b.list(id("efx.sourceC"), 0x43, QStringLiteral("EFX-C Source"), named(Kind::EfxSource), 0).shownOn(jv2080);
    }
}

void buildPatchCommon(std::vector<Param>& r)
{
    Builder b(r, Block::PatchCommon);
    b.page(Page::Common);
    b.name(QStringLiteral("patch.name"), QStringLiteral("Name"));
    b.list(QStringLiteral("patch.tempo"), 0x2C, QStringLiteral("Tempo"), numbers(20, 250), 120, 20).nibbles();
    b.list(QStringLiteral("patch.level"), 0x2E, QStringLiteral("Level"), valuelists::kZeroTo127, 127);
    b.list(QStringLiteral("patch.pan"), 0x2F, QStringLiteral("Pan"), valuelists::kPan64, 64);
    b.list(QStringLiteral("patch.analogFeel"), 0x30, QStringLiteral("Analog Feel"), valuelists::kZeroTo127, 0);
    b.list(QStringLiteral("patch.benderUp"), 0x31, QStringLiteral("Bender Range Up"), numbers(0, 12), 2);
    b.list(QStringLiteral("patch.benderDown"), 0x32, QStringLiteral("Bender Range Down"), numbers(0, 48), 2);
    b.list(QStringLiteral("patch.keyAssign"), 0x33, QStringLiteral("Key Assign Mode"), texts(kPolySolo), 0);
    b.list(QStringLiteral("patch.soloLegato"), 0x34, QStringLiteral("Solo Legato"), texts(kOffOn), 0);
    b.list(QStringLiteral("patch.portamento.switch"), 0x35, QStringLiteral("Portamento Switch"), texts(kOffOn), 0);
    b.list(QStringLiteral("patch.portamento.mode"), 0x36, QStringLiteral("Portamento Mode"), texts(kPortamentoModes),
           0);
    b.list(QStringLiteral("patch.portamento.type"), 0x37, QStringLiteral("Portamento Type"), texts(kPortamentoTypes),
           0);
    b.list(QStringLiteral("patch.portamento.start"), 0x38, QStringLiteral("Portamento Start"), texts(kPortamentoStarts),
           0);
    b.list(QStringLiteral("patch.portamento.time"), 0x39, QStringLiteral("Portamento Time"), valuelists::kZeroTo127, 0);
    for (int s = 2; s <= 3; ++s)
        b.list(QStringLiteral("patch.controlSource%1").arg(s), 0x38 + s, numbered("Patch Control Source %1", s),
               texts(kPatchControlSources), s - 1);
    b.list(QStringLiteral("patch.holdPeak.efx"), 0x3C, QStringLiteral("Control Hold/Peak EFX"), texts(kHoldPeak), 0);
    for (int c = 1; c <= 3; ++c)
        b.list(QStringLiteral("patch.holdPeak.control%1").arg(c), 0x3C + c, numbered("Control Hold/Peak Control %1", c),
               texts(kHoldPeak), 0);
    b.list(QStringLiteral("patch.velocityRange"), 0x40, QStringLiteral("Velocity Range Switch"), texts(kOffOn), 0);
    b.list(QStringLiteral("patch.octaveShift"), 0x41, QStringLiteral("Octave Shift"), kOctaveShift, 3);
    b.list(QStringLiteral("patch.stretchTune"), 0x42, QStringLiteral("Stretch Tune Depth"), texts(kStretchTune), 0);
    b.list(QStringLiteral("patch.voicePriority"), 0x43, QStringLiteral("Voice Priority"), texts(kVoicePriorities), 0);
    b.list(QStringLiteral("patch.structure12"), 0x44, QStringLiteral("Structure Type 1&2"), numbers(1, 10), 0);
    b.list(QStringLiteral("patch.booster12"), 0x45, QStringLiteral("Booster 1&2"), texts(kBoosters), 0);
    b.list(QStringLiteral("patch.structure34"), 0x46, QStringLiteral("Structure Type 3&4"), numbers(1, 10), 0);
    b.list(QStringLiteral("patch.booster34"), 0x47, QStringLiteral("Booster 3&4"), texts(kBoosters), 0);
    b.list(QStringLiteral("patch.clockSource"), 0x48, QStringLiteral("Clock Source"), texts(kPatchClockSources), 0);
    b.list(QStringLiteral("patch.category"), 0x49, QStringLiteral("Patch Category"), texts(kCategories), 0);
    addEffects(b, false);
}

// Time 1..4 and Level 1..levels of an envelope.
void addEnvelope(Builder& b, const QString& prefix, int timeOffset, int levels, const ValueList& levelList,
                 const std::array<int, 4>& timeDefaults, const std::array<int, 4>& levelDefaults)
{
    for (int k = 0; k < 4; ++k)
        b.list(prefix + QStringLiteral("time%1").arg(k + 1), timeOffset + k, numbered("Time %1", k + 1),
               valuelists::kZeroTo127, timeDefaults[static_cast<std::size_t>(k)]);
    for (int k = 0; k < levels; ++k)
        b.list(prefix + QStringLiteral("level%1").arg(k + 1), timeOffset + 4 + k, numbered("Level %1", k + 1),
               levelList, levelDefaults[static_cast<std::size_t>(k)]);
}

void buildPatchTone(std::vector<Param>& r)
{
    using valuelists::kSigned63;
    using valuelists::kTimeSens;
    using valuelists::kVelocitySens;
    using valuelists::kZeroTo127;
    Builder b(r, Block::PatchTone);
    const auto id = [](const char* name) { return QStringLiteral("tone.") + QLatin1String(name); };
    const auto text = [](const char* t) { return QString::fromLatin1(t); };

    b.page(Page::Wave);
    b.check(id("switch"), 0x00, text("Tone Switch"), 1).rule(DefaultRule::FirstBlockOnly);
    b.contextList(id("wave.group"), 0x01, text("Wave Group"), Kind::WaveGroup, 0, 0, 1).group(2);
    b.contextList(id("wave.number"), 0x03, text("Wave Number"), Kind::WaveNumber, 0, kTwoNibbleMax, 0).nibbles();
    b.list(id("wave.gain"), 0x05, text("Wave Gain"), texts(kWaveGains), 1);
    b.check(id("fxm.switch"), 0x06, text("FXM Switch"), 0);
    b.list(id("fxm.color"), 0x07, text("FXM Color"), numbers(1, 4), 0);
    b.list(id("fxm.depth"), 0x08, text("FXM Depth"), numbers(1, 16), 0);
    b.list(id("delay.mode"), 0x09, text("Tone Delay Mode"), texts(kDelayModes), 0);
    b.contextList(id("delay.time"), 0x0A, text("Tone Delay Time"), Kind::DelayTime, 0, kByteMax, 0);

    b.page(Page::Controls);
    b.list(id("velocity.fade"), 0x0B, text("Velocity Cross Fade"), kZeroTo127, 0);
    b.list(id("velocity.lower"), 0x0C, text("Velocity Range Lower"), numbers(1, 127), 1, 1);
    b.list(id("velocity.upper"), 0x0D, text("Velocity Range Upper"), numbers(1, 127), 127, 1);
    b.list(id("key.lower"), 0x0E, text("Keyboard Range Lower"), valuelists::kNote, 0);
    b.list(id("key.upper"), 0x0F, text("Keyboard Range Upper"), valuelists::kNote, 127);
    b.check(id("control.redamper"), 0x10, text("Redamper"), 0);
    b.check(id("control.volume"), 0x11, text("Volume"), 1);
    b.check(id("control.hold"), 0x12, text("Hold-1"), 1);
    b.check(id("control.bender"), 0x13, text("Bender"), 1);
    b.list(id("control.pan"), 0x14, text("Pan"), texts(kPanSwitches), 1);

    for (int k = 0; k < 3; ++k) {
        b.page(static_cast<Page>(static_cast<int>(Page::Controller1) + k));
        const QString prefix = QStringLiteral("tone.ctrl%1.").arg(k + 1);
        for (int d = 0; d < 4; ++d)
            b.list(prefix + QStringLiteral("dest%1").arg(d + 1), 0x15 + 8 * k + 2 * d,
                   numbered("Destination %1", d + 1), texts(kDestinations), 0);
        for (int d = 0; d < 4; ++d)
            b.list(prefix + QStringLiteral("depth%1").arg(d + 1), 0x16 + 8 * k + 2 * d, numbered("Depth %1", d + 1),
                   kSigned63, 63);
    }

    for (int m = 0; m < 2; ++m) {
        b.page(m == 0 ? Page::Lfo1 : Page::Lfo2);
        const QString prefix = QStringLiteral("tone.lfo%1.").arg(m + 1);
        const auto lfo = [&](const char* name) { return prefix + QLatin1String(name); };
        const int base = 0x2D + 8 * m;
        b.list(lfo("waveform"), base, text("Waveform"), texts(kWaveforms), 0);
        b.check(lfo("keyTrigger"), base + 1, text("Keytrigger"), 0);
        b.contextList(lfo("rate"), base + 2, text("Rate"), Kind::LfoRate, 0, kByteMax, 0x5C);
        b.list(lfo("offset"), base + 3, text("Offset"), texts(kLfoOffsets), 2);
        b.list(lfo("delay"), base + 4, text("Delay Time"), kZeroTo127, 0);
        b.list(lfo("fadeMode"), base + 5, text("Fade Mode"), texts(kFadeModes), 0);
        b.list(lfo("fadeTime"), base + 6, text("Fade Time"), kZeroTo127, 0);
        b.list(lfo("externalSync"), base + 7, text("External Sync"), texts(kExternalSyncs), 0);
        b.list(lfo("pitchDepth"), 0x4E + m, text("Depth Pitch"), kSigned63, 63);
        b.list(lfo("tvfDepth"), 0x63 + m, text("Depth TVF"), kSigned63, 63);
        b.list(lfo("tvaDepth"), 0x75 + m, text("Depth TVA"), kSigned63, 63);
        b.list(lfo("panDepth"), 0x7B + m, text("Depth Panorama"), kSigned63, 63);
    }

    b.page(Page::Pitch);
    b.list(id("pitch.coarse"), 0x3D, text("Coarse"), kCoarse48, 48);
    b.list(id("pitch.fine"), 0x3E, text("Fine"), kFine50, 50);
    b.list(id("pitch.random"), 0x3F, text("Random Pitch"), valuelists::kRandomPitch, 0);
    b.list(id("pitch.keyfollow"), 0x40, text("Pitch Key Follow"), valuelists::kKeyfollow, 12);
    b.list(id("penv.depth"), 0x41, text("Envelope Depth"), valuelists::kEnvelopeDepth12, 12);
    b.list(id("penv.velocitySens"), 0x42, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("penv.velocityTime1"), 0x43, text("Velocity Time 1"), kTimeSens, 7);
    b.list(id("penv.velocityTime4"), 0x44, text("Velocity Time 4"), kTimeSens, 7);
    b.list(id("penv.timeKeyfollow"), 0x45, text("Time Keyfollow"), kTimeSens, 7);

    b.page(Page::PitchEnvelope);
    addEnvelope(b, id("penv."), 0x46, 4, kSigned63, {0, 0, 0, 0}, {63, 63, 63, 63});

    b.page(Page::Tvf);
    b.list(id("tvf.filterType"), 0x50, text("Filter Type"), texts(kFilterTypes), 0);
    b.list(id("tvf.cutoff"), 0x51, text("Cutoff Frequency"), kZeroTo127, 127);
    b.list(id("tvf.cutoffKeyfollow"), 0x52, text("Cutoff Keyfollow"), valuelists::kKeyfollow, 5);
    b.list(id("tvf.resonance"), 0x53, text("Resonance"), kZeroTo127, 0);
    b.list(id("tvf.resonanceVelocitySens"), 0x54, text("Resonance Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.envDepth"), 0x55, text("Envelope Depth"), kSigned63, 63);
    b.list(id("tvf.velocityCurve"), 0x56, text("Envelope Velocity Curve"), valuelists::kVelocityCurve, 0);
    b.list(id("tvf.velocitySens"), 0x57, text("Envelope Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.velocityTime1"), 0x58, text("Velocity Time 1"), kTimeSens, 7);
    b.list(id("tvf.velocityTime4"), 0x59, text("Velocity Time 4"), kTimeSens, 7);
    b.list(id("tvf.timeKeyfollow"), 0x5A, text("Time Keyfollow"), kTimeSens, 7);

    b.page(Page::TvfEnvelope);
    addEnvelope(b, id("tvf."), 0x5B, 4, kZeroTo127, {0, 0, 0, 0}, {127, 127, 127, 127});

    b.page(Page::Tva);
    b.list(id("tva.level"), 0x65, text("Tone Level"), kZeroTo127, 127);
    b.list(id("tva.biasDirection"), 0x66, text("Bias Direction"), texts(kBiasDirections), 3);
    b.list(id("tva.biasPosition"), 0x67, text("Bias Position"), valuelists::kNote, 60);
    b.list(id("tva.biasLevel"), 0x68, text("Bias Level"), kTimeSens, 7);
    b.list(id("tva.velocityCurve"), 0x69, text("Envelope Velocity Curve"), valuelists::kVelocityCurve, 0);
    b.list(id("tva.velocitySens"), 0x6A, text("Envelope Velocity Sens"), kVelocitySens, 100);
    b.list(id("tva.velocityTime1"), 0x6B, text("Velocity Time 1"), kTimeSens, 7);
    b.list(id("tva.velocityTime4"), 0x6C, text("Velocity Time 4"), kTimeSens, 7);
    b.list(id("tva.timeKeyfollow"), 0x6D, text("Time Keyfollow"), kTimeSens, 7);

    b.page(Page::TvaEnvelope);
    addEnvelope(b, id("tva."), 0x6E, 3, kZeroTo127, {0, 0, 0, 10}, {127, 127, 127, 0});

    b.page(Page::PanOutput);
    b.list(id("pan"), 0x77, text("Tone Pan"), valuelists::kPan64, 64);
    b.list(id("panKeyfollow"), 0x78, text("Pan Keyfollow"), kTimeSens, 7);
    b.list(id("randomPan"), 0x79, text("Random Pan Depth"), numbers(0, 63), 0);
    b.list(id("alternatePan"), 0x7A, text("Alternate Pan Depth"), valuelists::kAlternatePan, 64, 1);
    b.list(id("output"), 0x7D, text("Output Assign"), texts(kToneOutputs), 0);
    b.list(id("mixSend"), 0x7E, text("Mix/EFX Send Level"), kZeroTo127, 127);
    b.list(id("chorusSend"), 0x7F, text("Chorus Send Level"), kZeroTo127, 0);
    b.list(id("reverbSend"), 0x80, text("Reverb Send Level"), kZeroTo127, 0);
}

void buildPerformanceCommon(std::vector<Param>& r)
{
    Builder b(r, Block::PerformanceCommon);
    b.page(Page::Common);
    b.name(QStringLiteral("perf.name"), QStringLiteral("Name"));
    b.number(QStringLiteral("perf.tempo"), 0x2D, QStringLiteral("Default Tempo"), 20, 250, 120).nibbles();
    b.check(QStringLiteral("perf.keyRange"), 0x2F, QStringLiteral("Use Key Range"), 0);
    for (int p = 0; p < 16; ++p)
        b.number(QStringLiteral("perf.voiceReserve%1").arg(p + 1), 0x30 + p, numbered("Voice Reserve Part %1", p + 1),
                 0, 64, 4);
    b.list(QStringLiteral("perf.keyboardMode"), 0x40, QStringLiteral("Keyboard Mode"), texts(kKeyboardModes), 0)
        .shownOn(modelBit(SynthModel::Xp));
    b.list(QStringLiteral("perf.clockSource"), 0x41, QStringLiteral("Clock Source"), texts(kPerformanceClockSources), 0)
        .shownOn(modelBit(SynthModel::Xp) | modelBit(SynthModel::Jv2080));
    addEffects(b, true);
}

void buildPerformancePart(std::vector<Param>& r)
{
    Builder b(r, Block::PerformancePart);
    const auto id = [](const char* name) { return QStringLiteral("part.") + QLatin1String(name); };
    const auto text = [](const char* t) { return QString::fromLatin1(t); };
    b.page(Page::Part);
    b.check(id("receive"), 0x00, text("Receive Switch"), 1);
    b.number(id("channel"), 0x01, text("Channel"), 0, 15, 0, 1).rule(DefaultRule::BlockIndex);
    b.contextList(id("group"), 0x02, text("Group"), Kind::PatchGroup, 0, 0, 3).group(2);
    b.contextList(id("patch"), 0x04, text("Patch"), Kind::PartPatch, 0, kTwoNibbleMax, 0).nibbles();
    b.number(id("level"), 0x06, text("Level Part"), 0, 127, 127);
    b.scroll(id("pan"), 0x07, text("Pan"), named(Kind::Pan), 64);
    b.number(id("tune"), 0x08, text("Tune"), 0, 96, 48, -48);
    b.number(id("fine"), 0x09, text("Fine"), 0, 100, 50, -50);
    b.list(id("output"), 0x0A, text("Output Assign"), texts(kPartOutputs), 0);
    b.number(id("mixSend"), 0x0B, text("Mix / EFX Send"), 0, 127, 127);
    b.number(id("chorusSend"), 0x0C, text("Chorus Send"), 0, 127, 0);
    b.number(id("reverbSend"), 0x0D, text("Reverb Send"), 0, 127, 0);
    b.check(id("receiveProgram"), 0x0E, text("Receive Program"), 1);
    b.check(id("receiveVolume"), 0x0F, text("Receive Volume"), 1);
    b.check(id("receiveHold"), 0x10, text("Receive Hold-1"), 1);
    b.scroll(id("keyLower"), 0x11, text("Key Range Lower"), valuelists::kNote, 0);
    b.scroll(id("keyUpper"), 0x12, text("Key Range Upper"), valuelists::kNote, 127);
    b.list(id("octaveShift"), 0x13, text("Octave Shift"), kOctaveShift, 3);
    b.check(id("local"), 0x14, text("Local Switch"), 1);
    b.check(id("transmit"), 0x15, text("Transmit Switch"), 1);
    b.list(id("bankSelectGroup"), 0x16, text("Transmit Bank Select Group"), texts(kBankSelectGroups), 0);
    const ValueList volumes = {Kind::NumbersOff, 0, 1, 128, valuelists::Format::Plain, nullptr};
    b.list(id("transmitVolume"), 0x17, text("Transmit Volume"), volumes, 0x10).nibbles();
    b.list(id("outputSelect"), 0x19, text("Output Select"), texts(kOutputSelects), 0);
}

void buildRhythmCommon(std::vector<Param>& r)
{
    Builder b(r, Block::RhythmCommon);
    b.name(QStringLiteral("rhythm.name"), QStringLiteral("Name"));
}

void buildRhythmNote(std::vector<Param>& r)
{
    using valuelists::kTimeSens;
    using valuelists::kVelocitySens;
    using valuelists::kZeroTo127;
    Builder b(r, Block::RhythmNote);
    const auto id = [](const char* name) { return QStringLiteral("note.") + QLatin1String(name); };
    const auto text = [](const char* t) { return QString::fromLatin1(t); };

    b.page(Page::Wave);
    b.check(id("switch"), 0x00, text("Tone Switch"), 1);
    b.contextList(id("wave.group"), 0x01, text("Wave Group"), Kind::WaveGroup, 0, 0, 1).group(2);
    b.contextList(id("wave.number"), 0x03, text("Wave Number"), Kind::WaveNumber, 0, kTwoNibbleMax, 0).nibbles();
    b.list(id("wave.gain"), 0x05, text("Wave Gain"), texts(kWaveGains), 1);
    b.list(id("bendRange"), 0x06, text("Bend Range"), numbers(0, 12), 0);
    b.list(id("muteGroup"), 0x07, text("Mute Group"), {Kind::OffNumbers, 1, 1, 31, valuelists::Format::Plain, nullptr},
           0);
    b.list(id("envelopeMode"), 0x08, text("Envelope Mode"), texts(kEnvelopeModes), 0);
    b.check(id("control.volume"), 0x09, text("Volume"), 0);
    b.check(id("control.hold"), 0x0A, text("Hold-1"), 0);
    b.list(id("control.pan"), 0x0B, text("Pan"), texts(kPanSwitches), 0);
    b.list(id("pan"), 0x33, text("Tone Pan"), valuelists::kPan64, 0);
    b.list(id("randomPan"), 0x34, text("Random Depth"), numbers(0, 63), 0);
    b.list(id("alternatePan"), 0x35, text("Alternate Depth"), valuelists::kAlternatePan, 64, 1);

    b.page(Page::Pitch);
    b.list(id("pitch.coarse"), 0x0C, text("Coarse"), valuelists::kNote, 0);
    b.list(id("pitch.fine"), 0x0D, text("Fine"), kFine50, 50);
    b.list(id("pitch.random"), 0x0E, text("Random Pitch"), valuelists::kRandomPitch, 0);
    b.list(id("penv.depth"), 0x0F, text("Envelope Depth"), valuelists::kEnvelopeDepth12, 12);
    b.list(id("penv.velocitySens"), 0x10, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("penv.velocityTime"), 0x11, text("Velocity Time"), kTimeSens, 7);
    addEnvelope(b, id("penv."), 0x12, 4, valuelists::kSigned63, {0, 0, 0, 0}, {63, 63, 63, 63});

    b.page(Page::Tvf);
    b.list(id("tvf.filterType"), 0x1A, text("Filter Type"), texts(kFilterTypes), 0);
    b.list(id("tvf.cutoff"), 0x1B, text("Cutoff Frequency"), kZeroTo127, 127);
    b.list(id("tvf.resonance"), 0x1C, text("Resonance"), kZeroTo127, 0);
    b.list(id("tvf.resonanceVelocitySens"), 0x1D, text("Resonance Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.envDepth"), 0x1E, text("Envelope Depth"), valuelists::kSigned63, 63);
    b.list(id("tvf.velocitySens"), 0x1F, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.velocityTime"), 0x20, text("Velocity Time"), kTimeSens, 7);
    addEnvelope(b, id("tvf."), 0x21, 4, kZeroTo127, {0, 0, 0, 0}, {0, 0, 0, 0});

    b.page(Page::Tva);
    b.list(id("tva.level"), 0x29, text("Tone Level"), kZeroTo127, 127);
    b.list(id("tva.velocitySens"), 0x2A, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("tva.velocityTime"), 0x2B, text("Velocity Time"), kTimeSens, 7);
    addEnvelope(b, id("tva."), 0x2C, 3, kZeroTo127, {0, 0, 0, 0}, {0, 0, 0, 0});
    b.list(id("output"), 0x36, text("Output Assign"), texts(kToneOutputs), 0);
    b.list(id("mixSend"), 0x37, text("Mix/EFX Level"), kZeroTo127, 127);
    b.list(id("chorusSend"), 0x38, text("Chorus Level"), kZeroTo127, 127);
    b.list(id("reverbSend"), 0x39, text("Reverb Level"), kZeroTo127, 127);
}

struct Table
{
    std::array<std::vector<Param>, kBlockCount> blocks;
    std::array<std::vector<int>, kBlockCount> byByte; // row index per data byte, -1 for none
    QHash<QString, const Param*> byId;
};

const Table& table()
{
    static const Table t = [] {
        Table t;
        buildPatchCommon(t.blocks[static_cast<std::size_t>(Block::PatchCommon)]);
        buildPatchTone(t.blocks[static_cast<std::size_t>(Block::PatchTone)]);
        buildPerformanceCommon(t.blocks[static_cast<std::size_t>(Block::PerformanceCommon)]);
        buildPerformancePart(t.blocks[static_cast<std::size_t>(Block::PerformancePart)]);
        buildRhythmCommon(t.blocks[static_cast<std::size_t>(Block::RhythmCommon)]);
        buildRhythmNote(t.blocks[static_cast<std::size_t>(Block::RhythmNote)]);
        for (std::size_t b = 0; b < t.blocks.size(); ++b) {
            auto& rows = t.blocks[b];
            std::stable_sort(rows.begin(), rows.end(),
                             [](const Param& x, const Param& y) { return x.offset < y.offset; });
            const int size = sysex::blockDataSize(SynthModel::Jv2080, static_cast<Block>(b));
            t.byByte[b].assign(static_cast<std::size_t>(size), -1);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                for (int k = 0; k < rows[i].size; ++k) {
                    const int at = rows[i].offset + k;
                    if (at >= 0 && at < size)
                        t.byByte[b][static_cast<std::size_t>(at)] = static_cast<int>(i);
                }
            }
        }
        // Ids after sorting, so that the pointers stay valid.
        for (const auto& rows : t.blocks)
            for (const Param& p : rows)
                t.byId.insert(p.id, &p);
        return t;
    }();
    return t;
}

const Param* sibling(const Param& p, QStringView suffix)
{
    const QString prefix = p.id.left(p.id.indexOf(QLatin1Char('.')) + 1);
    return find(QString(prefix + suffix.toString()));
}

int siblingValue(const Param& p, QStringView suffix, const std::uint8_t* data)
{
    const Param* other = sibling(p, suffix);
    return other && data ? value(*other, data) : 0;
}

// The multi-effect row number 0 .. 11 of a row, or -1.
int efxRow(const Param& p)
{
    if (p.list.kind != Kind::EfxParameter)
        return -1;
    const Param* type = sibling(p, u"efx.type");
    return type ? p.offset - type->offset - 1 : -1;
}

// The items of a row's list in its context.
QStringList contextItems(const Param& p, const ShowContext& c)
{
    const int decider = listContext(p, c.data);
    switch (p.list.kind) {
    case Kind::EfxParameter:
        return efx::rowItems(decider, efxRow(p));
    case Kind::LfoRate:
        return items(decider == 0 ? valuelists::kZeroTo127 : valuelists::kSyncedTime);
    case Kind::DelayTime: {
        constexpr int kClockSync = 3;
        constexpr int kTapSync = 4;
        return items(decider == kClockSync || decider == kTapSync ? valuelists::kSyncedTime : valuelists::kZeroTo127);
    }
    case Kind::WaveGroup:
        if (!c.names)
            return {};
        {
            QStringList out;
            for (const GroupItem& g : waveGroups(*c.names))
                out << g.text;
            return out;
        }
    case Kind::WaveNumber:
        if (!c.names)
            return {};
        return waveNames(*c.names, decider / kGroupIdSpan, decider % kGroupIdSpan);
    case Kind::PatchGroup:
        if (!c.names)
            return {};
        {
            QStringList out;
            for (const GroupItem& g : patchGroups(*c.names, c.index))
                out << g.text;
            return out;
        }
    case Kind::PartPatch:
        if (!c.names)
            return {};
        return partPatchNames(*c.names, decider / kGroupIdSpan, decider % kGroupIdSpan, c.index);
    default:
        return items(p.list);
    }
}

} // namespace

int listContext(const Param& p, const std::uint8_t* data)
{
    switch (p.list.kind) {
    case Kind::EfxParameter:
        return siblingValue(p, u"efx.type", data);
    case Kind::LfoRate: {
        const QString lfo = p.id.section(QLatin1Char('.'), 1, 1);
        return siblingValue(p, QString(lfo + QStringLiteral(".externalSync")), data);
    }
    case Kind::DelayTime:
        return siblingValue(p, u"delay.mode", data);
    case Kind::WaveNumber:
        return siblingValue(p, u"wave.group", data);
    case Kind::PartPatch:
        return siblingValue(p, u"group", data);
    default:
        return -1;
    }
}

const std::vector<Param>& rows(sysex::Block block)
{
    return table().blocks[static_cast<std::size_t>(block)];
}

std::vector<const Param*> allRows()
{
    std::vector<const Param*> out;
    for (const auto& block : table().blocks)
        for (const Param& p : block)
            out.push_back(&p);
    return out;
}

const Param* find(QStringView id)
{
    return table().byId.value(id.toString(), nullptr);
}

const Param& row(QStringView id)
{
    const Param* p = find(id);
    Q_ASSERT_X(p, "params::row", "unknown parameter id");
    return p ? *p : rows(Block::PatchCommon).front();
}

const Param* rowAt(sysex::Block block, int offset)
{
    const auto& index = table().byByte[static_cast<std::size_t>(block)];
    if (offset < 0 || offset >= static_cast<int>(index.size()))
        return nullptr;
    const int i = index[static_cast<std::size_t>(offset)];
    return i < 0 ? nullptr : &rows(block)[static_cast<std::size_t>(i)];
}

std::pair<int, int> offsetSpan(sysex::Block block, QStringView prefix)
{
    int first = -1;
    int last = -1;
    for (const Param& p : rows(block)) {
        if (!p.id.startsWith(prefix))
            continue;
        if (first < 0 || p.offset < first)
            first = p.offset;
        last = std::max(last, p.offset + p.size - 1);
    }
    return {first, last};
}

QByteArray defaultName(sysex::Block block)
{
    switch (block) {
    case Block::PatchCommon:
        return QByteArrayLiteral("INIT PATCH  ");
    case Block::PerformanceCommon:
        return QByteArrayLiteral("Init Perform");
    case Block::RhythmCommon:
        return QByteArrayLiteral("Init Rhythm ");
    default:
        return {};
    }
}

bool existsOn(const Param& p, SynthModel model)
{
    return p.offset + p.size <= sysex::blockDataSize(model, p.block);
}

bool shownOn(const Param& p, SynthModel model)
{
    return existsOn(p, model) && (p.shownOn & modelBit(model)) != 0;
}

int value(const Param& p, const std::uint8_t* data)
{
    const std::uint8_t* b = data + p.offset;
    switch (p.encoding) {
    case Encoding::Byte:
        return b[0];
    case Encoding::Nibbles:
        return b[0] * kNibble + b[1];
    case Encoding::Group:
        return b[0] * kGroupIdSpan + b[1];
    case Encoding::Name:
        return 0;
    }
    return 0;
}

void setValue(const Param& p, std::uint8_t* data, int v)
{
    std::uint8_t* b = data + p.offset;
    switch (p.encoding) {
    case Encoding::Byte:
        b[0] = static_cast<std::uint8_t>(v & kByteMax);
        break;
    case Encoding::Nibbles:
        b[0] = static_cast<std::uint8_t>((v / kNibble) & kByteMax);
        b[1] = static_cast<std::uint8_t>(v % kNibble);
        break;
    case Encoding::Group:
        b[0] = static_cast<std::uint8_t>((v / kGroupIdSpan) & kByteMax);
        b[1] = static_cast<std::uint8_t>(v % kGroupIdSpan);
        break;
    case Encoding::Name:
        break;
    }
}

QString nameText(const Param& p, const std::uint8_t* data)
{
    QByteArray name(reinterpret_cast<const char*>(data + p.offset), p.size);
    while (name.endsWith(' '))
        name.chop(1);
    return QString::fromLatin1(name);
}

std::pair<int, int> valueRange(const Param& p, const std::uint8_t* data)
{
    const int row = efxRow(p);
    if (row >= 0 && data)
        return {0, efx::rowMaximum(siblingValue(p, u"efx.type", data), row)};
    return {p.min, p.max};
}

bool holdsValidValue(const Param& p, const std::uint8_t* data)
{
    const std::uint8_t* b = data + p.offset;
    for (int k = 0; k < p.size; ++k) {
        if (b[k] > kByteMax)
            return false;
    }
    switch (p.encoding) {
    case Encoding::Name:
        return std::all_of(b, b + p.size, [](std::uint8_t c) { return c >= kFirstPrintable; });
    case Encoding::Nibbles:
        if (b[0] >= kNibble || b[1] >= kNibble)
            return false;
        break;
    case Encoding::Group:
        return b[0] >= p.min / kGroupIdSpan && b[0] <= p.max / kGroupIdSpan && b[1] >= p.min % kGroupIdSpan
               && b[1] <= p.max % kGroupIdSpan;
    case Encoding::Byte:
        break;
    }
    const auto [lo, hi] = valueRange(p, data);
    const int v = value(p, data);
    return v >= lo && v <= hi;
}

int defaultValue(const Param& p, int index)
{
    switch (p.defaultRule) {
    case DefaultRule::Fixed:
        return p.defaultValue;
    case DefaultRule::FirstBlockOnly:
        return index == 0 ? p.defaultValue : 0;
    case DefaultRule::BlockIndex:
        return index;
    }
    return p.defaultValue;
}

void writeDefaults(sysex::Block block, int index, std::uint8_t* data)
{
    writeDefaults(block, index, data, 0, sysex::blockDataSize(SynthModel::Jv2080, block));
}

void writeDefaults(sysex::Block block, int index, std::uint8_t* data, int fromOffset, int toOffset)
{
    for (const Param& p : rows(block)) {
        if (p.offset < fromOffset || p.offset + p.size > toOffset)
            continue;
        if (p.encoding == Encoding::Name) {
            const QByteArray name = defaultName(block);
            std::memcpy(data + p.offset, name.constData(), static_cast<std::size_t>(p.size));
        } else {
            setValue(p, data, defaultValue(p, index));
        }
    }
}

QString label(const Param& p, const std::uint8_t* data)
{
    const int row = efxRow(p);
    if (row >= 0)
        return efx::rowLabel(siblingValue(p, u"efx.type", data), row);
    return p.label;
}

QString plainLabel(const QString& label)
{
    QString plain = label;
    while (plain.endsWith(QLatin1Char(':')) || plain.endsWith(QLatin1Char(';')))
        plain.chop(1);
    return plain;
}

bool usedBy(const Param& p, const std::uint8_t* data)
{
    const int row = efxRow(p);
    return row < 0 || efx::rowUsed(siblingValue(p, u"efx.type", data), row);
}

QString shownText(const Param& p, int v, const ShowContext& context)
{
    switch (p.control) {
    case Control::Name:
        return context.data ? nameText(p, context.data) : QString();
    case Control::Check:
        return v != 0 ? QStringLiteral("ON") : QStringLiteral("OFF");
    case Control::Number:
        return QString::number(v + p.shownOffset);
    case Control::List:
    case Control::Scroll:
        break;
    }
    const QStringList list = contextItems(p, context);
    const int index = p.encoding == Encoding::Group ? -1 : v - p.min;
    if (p.encoding == Encoding::Group && context.names) {
        const std::vector<GroupItem> groups =
            p.list.kind == Kind::WaveGroup ? waveGroups(*context.names) : patchGroups(*context.names, context.index);
        for (const GroupItem& g : groups) {
            if (g.value() == v)
                return g.text;
        }
    }
    if (index >= 0 && index < list.size())
        return list.at(index);
    // Numbers without a name (a wave beyond the known list, a patch of the bank):
    // the 1-based number the instrument shows; a group as type and id.
    if (p.encoding == Encoding::Group)
        return QStringLiteral("%1-%2").arg(v / kGroupIdSpan).arg(v % kGroupIdSpan);
    if (p.encoding == Encoding::Nibbles && valuelists::dependsOnContext(p.list))
        return QString::number(v + 1);
    return QString::number(v);
}

QStringList listItems(const Param& p, const ShowContext& context)
{
    if (p.control != Control::List && p.control != Control::Scroll)
        return {};
    return contextItems(p, context);
}

std::vector<GroupItem> waveGroups(const CExpansionNames& names)
{
    std::vector<GroupItem> out = {
        {QStringLiteral("Preset A"), 0, 1}, {QStringLiteral("Preset B"), 0, 2}, {QStringLiteral("PCM"), 0, 3}};
    for (int b = 1; b <= names.GetFileCount(NameFileKind::Board); ++b)
        out.push_back({names.GetTitle(NameFileKind::Board, b), 2, b});
    return out;
}

namespace {

// Which preset file names the waves of an internal group.
constexpr int kPresetWaveFileA = 3;
constexpr int kPresetWaveFileB = 4;
constexpr int kGmFile = 8;

QStringList section(const CExpansionNames& names, int file, NameSection s, NameFileKind kind)
{
    QStringList out;
    const int count = names.GetNameCount(file, s, kind);
    for (int i = 0; i < count; ++i)
        out << names.GetName(file, s, i, kind);
    return out;
}

} // namespace

QStringList waveNames(const CExpansionNames& names, int type, int id)
{
    switch (type) {
    case 0:
        return section(names, id == 2 ? kPresetWaveFileB : kPresetWaveFileA, NameSection::Waves, NameFileKind::Preset);
    case 1:
        return section(names, kGmFile, NameSection::Waves, NameFileKind::Preset);
    case 2:
        return section(names, id, NameSection::Waves, NameFileKind::Board);
    default:
        return {};
    }
}

std::vector<GroupItem> patchGroups(const CExpansionNames& names, int part)
{
    std::vector<GroupItem> out;
    const int presets = names.GetFileCount(NameFileKind::Preset);
    for (int g = 1; g <= presets; ++g) {
        const QString title = names.GetTitle(NameFileKind::Preset, g);
        if (g < presets)
            out.push_back({title, 0, g});
        else if (part != kRhythmPart)
            out.push_back({title, 1, 1});
    }
    for (int b = 1; b <= names.GetFileCount(NameFileKind::Board); ++b)
        out.push_back({names.GetTitle(NameFileKind::Board, b), 2, b});
    return out;
}

QStringList partPatchNames(const CExpansionNames& names, int type, int id, int part)
{
    const NameSection s = part == kRhythmPart ? NameSection::RhythmSets : NameSection::Patches;
    switch (type) {
    case 0:
        return id == 1 ? QStringList() : section(names, id, s, NameFileKind::Preset);
    case 1:
        return section(names, kGmFile, s, NameFileKind::Preset);
    case 2:
        return section(names, id, s, NameFileKind::Board);
    default:
        return {};
    }
}

std::vector<Tab> tabs(Editor editor)
{
    std::vector<Tab> out;
    const auto add = [&](Page page, int index = 0) { out.push_back({page, index, pageTitle(editor, page, index)}); };
    switch (editor) {
    case Editor::Patch:
        for (int p = static_cast<int>(Page::Common); p <= static_cast<int>(Page::PanOutput); ++p)
            add(static_cast<Page>(p));
        break;
    case Editor::Performance:
        add(Page::Common);
        for (int part = 0; part < 16; ++part)
            add(Page::Part, part);
        add(Page::ChorusReverb);
        add(Page::Efx);
        add(Page::Mix);
        break;
    case Editor::Rhythm:
        add(Page::Wave);
        add(Page::Pitch);
        add(Page::Tvf);
        add(Page::Tva);
        break;
    }
    return out;
}

QString pageTitle(Editor editor, Page page, int index)
{
    switch (page) {
    case Page::None:
        return {};
    case Page::Common:
        return QStringLiteral("Common");
    case Page::ChorusReverb:
        return editor == Editor::Patch ? QStringLiteral("Chorus / Reverb") : QStringLiteral("Chorus/Reverb");
    case Page::Efx:
        return QStringLiteral("EFX");
    case Page::Controls:
        return QStringLiteral("Controls");
    case Page::Controller1:
    case Page::Controller2:
    case Page::Controller3:
        return QStringLiteral("Controller %1").arg(static_cast<int>(page) - static_cast<int>(Page::Controller1) + 1);
    case Page::Wave:
        return QStringLiteral("Wave");
    case Page::Lfo1:
        return QStringLiteral("LFO 1");
    case Page::Lfo2:
        return QStringLiteral("LFO 2");
    case Page::Pitch:
        return QStringLiteral("Pitch");
    case Page::PitchEnvelope:
        return QStringLiteral("Pitch Envelope");
    case Page::Tvf:
        return QStringLiteral("TVF");
    case Page::TvfEnvelope:
        return QStringLiteral("TVF Envelope");
    case Page::Tva:
        return QStringLiteral("TVA");
    case Page::TvaEnvelope:
        return QStringLiteral("TVA Envelope");
    case Page::PanOutput:
        return QStringLiteral("Pan / Output");
    case Page::Part:
        return QStringLiteral("Part %1").arg(index + 1);
    case Page::Mix:
        return QStringLiteral("Mix");
    }
    return {};
}

Editor editorOf(sysex::Block block)
{
    switch (block) {
    case Block::PatchCommon:
    case Block::PatchTone:
        return Editor::Patch;
    case Block::PerformanceCommon:
    case Block::PerformancePart:
        return Editor::Performance;
    case Block::RhythmCommon:
    case Block::RhythmNote:
        return Editor::Rhythm;
    }
    return Editor::Patch;
}

std::vector<const Param*> pageRows(Editor editor, Page page)
{
    std::vector<const Param*> out;
    for (std::size_t b = 0; b < kBlockCount; ++b) {
        if (editorOf(static_cast<Block>(b)) != editor)
            continue;
        for (const Param& p : rows(static_cast<Block>(b))) {
            if (p.page == page)
                out.push_back(&p);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Param* x, const Param* y) { return x->order < y->order; });
    return out;
}

const std::vector<MixRow>& mixRows()
{
    static const std::vector<MixRow> kRows = {
        {"Reverb:", "part.reverbSend", Control::Number, false}, {"Chorus:", "part.chorusSend", Control::Number, false},
        {"EFX:", "part.mixSend", Control::Number, false},       {"Pan:", "part.pan", Control::Number, false},
        {"Level:", "part.level", Control::Number, false},       {"Mute:", "part.receive", Control::Check, true},
    };
    return kRows;
}

} // namespace params
