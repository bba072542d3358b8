// The rows of the patch common block.

#include "model/ParamRows.h"

namespace params::rowdata {

namespace {

constexpr const char* kPolySolo[] = {"POLY", "SOLO"};
constexpr const char* kPortamentoModes[] = {"NORMAL", "LEGATO"};
constexpr const char* kPortamentoTypes[] = {"RATE", "TIME"};
constexpr const char* kPortamentoStarts[] = {"PITCH", "NOTE"};
constexpr const char* kPatchControlSources[] = {"OFF",    "SYS-CTRL1", "SYS-CTRL2",  "MODULATION", "BREATH",     "FOOT",
                                                "VOLUME", "PAN",       "EXPRESSION", "BENDER",     "AFTERTOUCH", "LFO1",
                                                "LFO2",   "VELOCITY",  "KEYFOLLOW",  "PLAYMATE"};
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

} // namespace

void buildPatchCommon(std::vector<Param>& r)
{
    using V = Variation;
    Builder b(r, Block::PatchCommon);
    const auto id = [](const char* name) { return QStringLiteral("patch.") + QLatin1String(name); };
    const auto text = [](const char* t) { return QString::fromLatin1(t); };

    b.page(Page::Common);
    b.name(id("name"), text("Name"));
    // Everything after the name is the random patch's effect group: the effects and the
    // patch's performance settings.
    b.random(RandomGroup::Effect);
    b.list(id("tempo"), 0x2C, text("Tempo"), numbers(20, 250), 120, 20).nibbles().keep(120);
    b.list(id("level"), 0x2E, text("Level"), valuelists::kZeroTo127, 127).keep(127);
    b.list(id("pan"), 0x2F, text("Pan"), valuelists::kPan64, 64).keep(64);
    b.list(id("analogFeel"), 0x30, text("Analog Feel"), valuelists::kZeroTo127, 0);
    b.list(id("benderUp"), 0x31, text("Bender Range Up"), numbers(0, 12), 2);
    b.list(id("benderDown"), 0x32, text("Bender Range Down"), numbers(0, 48), 2).vary(V::Stepwise); // semitones
    b.list(id("keyAssign"), 0x33, text("Key Assign Mode"), texts(kPolySolo), 0).keep(0);
    b.list(id("soloLegato"), 0x34, text("Solo Legato"), texts(kOffOn), 0).keep(0);
    b.list(id("portamento.switch"), 0x35, text("Portamento Switch"), texts(kOffOn), 0);
    b.list(id("portamento.mode"), 0x36, text("Portamento Mode"), texts(kPortamentoModes), 0);
    b.list(id("portamento.type"), 0x37, text("Portamento Type"), texts(kPortamentoTypes), 0);
    b.list(id("portamento.start"), 0x38, text("Portamento Start"), texts(kPortamentoStarts), 0);
    b.list(id("portamento.time"), 0x39, text("Portamento Time"), valuelists::kZeroTo127, 0);
    for (int s = 2; s <= 3; ++s)
        b.list(QStringLiteral("patch.controlSource%1").arg(s), 0x38 + s, numbered("Patch Control Source %1", s),
               texts(kPatchControlSources), s - 1);
    b.list(id("holdPeak.efx"), 0x3C, text("Control Hold/Peak EFX"), texts(kHoldPeak), 0).keep(0);
    for (int c = 1; c <= 3; ++c)
        b.list(QStringLiteral("patch.holdPeak.control%1").arg(c), 0x3C + c, numbered("Control Hold/Peak Control %1", c),
               texts(kHoldPeak), 0)
            .keep(0);
    b.list(id("velocityRange"), 0x40, text("Velocity Range Switch"), texts(kOffOn), 0).keep(1);
    // Octaves apart: a transposition, not a nuance.
    b.list(id("octaveShift"), 0x41, text("Octave Shift"), kOctaveShift, 3).vary(V::FixedUnlessAsked).keep(3);
    b.list(id("stretchTune"), 0x42, text("Stretch Tune Depth"), texts(kStretchTune), 0).vary(V::Stepwise).keep(0);
    b.list(id("voicePriority"), 0x43, text("Voice Priority"), texts(kVoicePriorities), 0).keep(0);
    b.list(id("structure12"), 0x44, text("Structure Type 1&2"), numbers(1, 10), 0).vary(V::FixedUnlessAsked);
    b.list(id("booster12"), 0x45, text("Booster 1&2"), texts(kBoosters), 0);
    b.list(id("structure34"), 0x46, text("Structure Type 3&4"), numbers(1, 10), 0).vary(V::FixedUnlessAsked);
    b.list(id("booster34"), 0x47, text("Booster 3&4"), texts(kBoosters), 0);
    b.list(id("clockSource"), 0x48, text("Clock Source"), texts(kPatchClockSources), 0).keep(0);
    b.list(id("category"), 0x49, text("Patch Category"), texts(kCategories), 0).keep(0);
    addEffects(b, false);
}

} // namespace params::rowdata
