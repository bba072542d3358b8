#include "bank/RandomPatches.h"

#include "bank/RandomSource.h"
#include "model/ExpansionNames.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"

#include <algorithm>
#include <initializer_list>

namespace {

// How a random patch sets one parameter: a draw over the parameter's whole range, or a
// fixed value.
enum class Draw { Full, Fixed };

struct Entry
{
    const char* id;
    Draw draw;
    int value;
};

constexpr Entry full(const char* id)
{
    return {id, Draw::Full, 0};
}
constexpr Entry fixed(const char* id, int value)
{
    return {id, Draw::Fixed, value};
}

// The entries resolved to their rows, in the order of the draws.
struct Step
{
    const params::Param* param;
    Draw draw;
    int value;
};
using Table = std::vector<Step>;

Table resolve(std::initializer_list<Entry> entries)
{
    Table table;
    for (const Entry& e : entries)
        table.push_back({&params::row(QString::fromLatin1(e.id)), e.draw, e.value});
    return table;
}

// The common block (effects and the performance settings of the patch). The first
// multi-effect type is fixed, so its rows draw over that type's lists.
Table effectTable()
{
    return resolve({fixed("patch.efx.type", 0),
                    full("patch.efx.row1"),
                    full("patch.efx.row2"),
                    full("patch.efx.row3"),
                    full("patch.efx.row4"),
                    full("patch.efx.row5"),
                    full("patch.efx.row6"),
                    full("patch.efx.row7"),
                    full("patch.efx.row8"),
                    full("patch.efx.row9"),
                    full("patch.efx.row10"),
                    full("patch.efx.row11"),
                    fixed("patch.efx.row12", 0),
                    fixed("patch.efx.output", 0),
                    full("patch.efx.level"),
                    full("patch.efx.chorusSend"),
                    full("patch.efx.reverbSend"),
                    full("patch.efx.control1.source"),
                    full("patch.efx.control1.depth"),
                    full("patch.efx.control2.source"),
                    full("patch.efx.control2.depth"),
                    full("patch.chorus.level"),
                    full("patch.chorus.rate"),
                    full("patch.chorus.depth"),
                    full("patch.chorus.preDelay"),
                    full("patch.chorus.feedback"),
                    fixed("patch.chorus.output", 0),
                    full("patch.reverb.type"),
                    full("patch.reverb.level"),
                    full("patch.reverb.time"),
                    full("patch.reverb.hfDamp"),
                    full("patch.reverb.feedback"),
                    fixed("patch.tempo", 120),
                    fixed("patch.level", 127),
                    fixed("patch.pan", 64),
                    full("patch.analogFeel"),
                    full("patch.benderUp"),
                    full("patch.benderDown"),
                    fixed("patch.keyAssign", 0),
                    fixed("patch.soloLegato", 0),
                    full("patch.portamento.switch"),
                    full("patch.portamento.mode"),
                    full("patch.portamento.type"),
                    full("patch.portamento.start"),
                    full("patch.portamento.time"),
                    full("patch.controlSource2"),
                    full("patch.controlSource3"),
                    fixed("patch.holdPeak.efx", 0),
                    fixed("patch.holdPeak.control1", 0),
                    fixed("patch.holdPeak.control2", 0),
                    fixed("patch.holdPeak.control3", 0),
                    fixed("patch.velocityRange", 1),
                    fixed("patch.octaveShift", 3),
                    fixed("patch.stretchTune", 0),
                    fixed("patch.voicePriority", 0),
                    full("patch.structure12"),
                    full("patch.booster12"),
                    full("patch.structure34"),
                    full("patch.booster34"),
                    fixed("patch.clockSource", 0),
                    fixed("patch.category", 0)});
}

// The wave settings after group and number.
Table waveTable()
{
    return resolve({full("tone.wave.gain"), full("tone.fxm.switch"), full("tone.fxm.color"), full("tone.fxm.depth")});
}

// Tone groups after the wave: the whole keyboard, the control switches on, and
// three controllers of four random destinations each.
Table controllerTable()
{
    Table t = resolve({fixed("tone.key.lower", 0), fixed("tone.key.upper", 127), fixed("tone.control.redamper", 1),
                       fixed("tone.control.volume", 1), fixed("tone.control.hold", 1), fixed("tone.control.bender", 1),
                       fixed("tone.control.pan", 1)});
    for (int k = 1; k <= 3; ++k) {
        for (int d = 1; d <= 4; ++d) {
            for (const char* what : {"dest", "depth"}) {
                const QString id = QStringLiteral("tone.ctrl%1.%2%3").arg(k).arg(QLatin1String(what)).arg(d);
                t.push_back({&params::row(id), Draw::Full, 0});
            }
        }
    }
    return t;
}

Table lfoTable()
{
    Table t;
    for (int m = 1; m <= 2; ++m) {
        for (const char* what : {"waveform", "keyTrigger", "rate", "offset", "delay", "fadeMode", "fadeTime"})
            t.push_back({&params::row(QStringLiteral("tone.lfo%1.%2").arg(m).arg(QLatin1String(what))), Draw::Full, 0});
        t.push_back({&params::row(QStringLiteral("tone.lfo%1.externalSync").arg(m)), Draw::Fixed, 0});
    }
    return t;
}

Table pitchEnvelopeTable()
{
    return resolve({full("tone.pitch.coarse"), full("tone.pitch.fine"), full("tone.pitch.random"),
                    full("tone.pitch.keyfollow"), full("tone.penv.depth"), full("tone.penv.velocitySens"),
                    full("tone.penv.velocityTime1"), full("tone.penv.velocityTime4"), full("tone.penv.timeKeyfollow"),
                    full("tone.penv.time1"), full("tone.penv.time2"), full("tone.penv.time3"), full("tone.penv.time4"),
                    full("tone.penv.level1"), full("tone.penv.level2"), full("tone.penv.level3"),
                    full("tone.penv.level4"), full("tone.lfo1.pitchDepth"), full("tone.lfo2.pitchDepth")});
}

Table filterTable()
{
    return resolve({full("tone.tvf.filterType"),
                    full("tone.tvf.cutoff"),
                    full("tone.tvf.cutoffKeyfollow"),
                    full("tone.tvf.resonance"),
                    full("tone.tvf.resonanceVelocitySens"),
                    full("tone.tvf.envDepth"),
                    full("tone.tvf.velocityCurve"),
                    full("tone.tvf.velocitySens"),
                    full("tone.tvf.velocityTime1"),
                    full("tone.tvf.velocityTime4"),
                    full("tone.tvf.timeKeyfollow"),
                    full("tone.tvf.time1"),
                    full("tone.tvf.time2"),
                    full("tone.tvf.time3"),
                    full("tone.tvf.time4"),
                    full("tone.tvf.level1"),
                    full("tone.tvf.level2"),
                    full("tone.tvf.level3"),
                    full("tone.tvf.level4"),
                    full("tone.lfo1.tvfDepth"),
                    full("tone.lfo2.tvfDepth")});
}

Table amplifierTable()
{
    return resolve({fixed("tone.tva.level", 127), full("tone.tva.biasDirection"), full("tone.tva.biasPosition"),
                    full("tone.tva.biasLevel"), full("tone.tva.velocityCurve"), full("tone.tva.velocitySens"),
                    full("tone.tva.velocityTime1"), full("tone.tva.velocityTime4"), full("tone.tva.timeKeyfollow"),
                    full("tone.tva.time1"), full("tone.tva.time2"), full("tone.tva.time3"), full("tone.tva.time4"),
                    full("tone.tva.level1"), full("tone.tva.level2"), full("tone.tva.level3"),
                    full("tone.lfo1.tvaDepth"), full("tone.lfo2.tvaDepth"), full("tone.pan"), full("tone.panKeyfollow"),
                    full("tone.randomPan"),
                    // Drawn below 128 as it always was, although the instrument's
                    // range starts at 1 ("L63"): 0 can come out.
                    full("tone.alternatePan"), full("tone.lfo1.panDepth"), full("tone.lfo2.panDepth")});
}

Table outputTable()
{
    return resolve({fixed("tone.output", 0), full("tone.mixSend"), full("tone.chorusSend"), full("tone.reverbSend")});
}

// Sets the table's parameters in a block's data bytes, in table order.
void apply(const Table& table, std::uint8_t* data, CRandomSource& random)
{
    for (const Step& s : table) {
        int value = s.value;
        if (s.draw == Draw::Full) {
            const auto [lo, hi] = params::valueRange(*s.param, data);
            value = lo + random.below(hi - lo + 1);
        }
        params::setValue(*s.param, data, value);
    }
}

// Letter frequencies of the random names: the first letter whose bound is at least
// the draw.
struct Letter
{
    int bound;
    char letter;
};
constexpr Letter kLetters[] = {
    {2985, 'e'}, {3869, 'n'}, {4555, 'r'}, {5193, 'i'}, {5732, 's'}, {6205, 't'},  {6644, 'd'},
    {7080, 'h'}, {7513, 'a'}, {7832, 'u'}, {8125, 'l'}, {8392, 'c'}, {8659, 'g'},  {8872, 'm'},
    {9049, 'o'}, {9209, 'b'}, {9351, 'z'}, {9493, 'w'}, {9725, 'k'}, {9799, 'v'},  {9857, '1'},
    {9907, 'p'}, {9956, '2'}, {9981, '3'}, {9997, 'j'}, {9999, 'y'}, {10000, 'q'}, {10001, 'x'},
};
constexpr int kLetterDraw = 10002; // every bound of the table can be reached
constexpr int kMinNameLength = 4;
constexpr int kNameLengthDraw = 13;
constexpr int kFirstLetterRetries = 16;

char randomLetter(CRandomSource& random)
{
    const int x = random.below(kLetterDraw);
    for (const Letter& l : kLetters) {
        if (l.bound >= x)
            return l.letter;
    }
    return kLetters[0].letter;
}

constexpr int kCommonChecksum = CPatchArray::kCommonSize - 2;
constexpr int kInternalWaveFileOffset = 2; // wave group ID 1 and 2: names in preset files 3 and 4
constexpr int kGroupIdSpan = 128;          // a group row's value: type * 128 + id
constexpr int kBoardGroup = 2;

} // namespace

CRandomPatches::Flags CRandomPatches::allFlags(bool on)
{
    Flags flags;
    for (auto& group : flags)
        group.fill(on);
    return flags;
}

QString CRandomPatches::settingsKey(Group group)
{
    static const char* const kKeys[kGroupCount] = {"Effect", "Wave", "Controller", "LFO",
                                                   "PENV",   "TVF",  "TVA",        "Output"};
    return QString::fromLatin1(kKeys[static_cast<int>(group)]);
}

QString CRandomPatches::checkBoxText(Group group)
{
    static const char* const kTexts[kGroupCount] = {"Effect", "Wave", "Controller", "LFO",
                                                    "P-ENV",  "TVF",  "TVA",        "Output"};
    return QString::fromLatin1(kTexts[static_cast<int>(group)]);
}

std::vector<int> CRandomPatches::installedBoards(const std::array<int, 8>& slotBoards, SynthModel model)
{
    const std::size_t usable = model == SynthModel::Jv2080 ? slotBoards.size() : 4;
    std::vector<int> boards;
    for (std::size_t i = 0; i < usable; ++i) {
        if (slotBoards[i] != 0)
            boards.push_back(slotBoards[i]);
    }
    return boards;
}

void CRandomPatches::MakeRandomName(char* name, int length, CRandomSource& random)
{
    const int wanted = std::max(random.below(kNameLengthDraw), kMinNameLength);
    const int letters = std::min(wanted, length);
    for (int i = 0; i < letters; ++i)
        name[i] = randomLetter(random);
    if (letters > 0) {
        // A name starts with a capital: a digit drawn first is drawn again (a few
        // times at most, then the commonest letter stands in).
        for (int retry = 0; retry < kFirstLetterRetries && (name[0] < 'a' || name[0] > 'z'); ++retry)
            name[0] = randomLetter(random);
        if (name[0] < 'a' || name[0] > 'z')
            name[0] = kLetters[0].letter;
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    }
    for (int i = letters; i < length; ++i)
        name[i] = ' ';
}

void CRandomPatches::randomizePatch(std::uint8_t* image, const Flags& flags, const std::vector<int>& boards,
                                    const CExpansionNames* names, CRandomSource& random)
{
    static const Table kEffect = effectTable();
    static const Table kWave = waveTable();
    static const std::array<Table, 6> kToneGroups = {controllerTable(), lfoTable(),       pitchEnvelopeTable(),
                                                     filterTable(),     amplifierTable(), outputTable()};
    static const params::Param& kSwitch = params::row(u"tone.switch");
    static const params::Param& kGroup = params::row(u"tone.wave.group");
    static const params::Param& kNumber = params::row(u"tone.wave.number");
    const auto on = [&](Group g, int tone) {
        return flags[static_cast<std::size_t>(g)][static_cast<std::size_t>(tone)];
    };

    char name[CRecordArray::kNameLength];
    MakeRandomName(name, CRecordArray::kNameLength, random);
    std::copy(name, name + CRecordArray::kNameLength, image + CRecordArray::kNameOffset);

    for (int t = 0; t < kTones; ++t) {
        if (on(Group::Effect, t)) {
            apply(kEffect, image + CPatchArray::commonParam(0), random);
            image[kCommonChecksum] = CPatchArray::kCommonChecksumPlaceholder;
            image[kCommonChecksum + 1] = sysex::kEnd;
        }
        std::uint8_t* tone = image + CPatchArray::toneParam(t, 0);
        if (on(Group::Wave, t)) {
            // A tone sounds only after a sounding tone; the first always does.
            const std::uint8_t* previous = image + CPatchArray::toneParam(std::max(t - 1, 0), 0);
            if (t == 0)
                params::setValue(kSwitch, tone, 1);
            else
                params::setValue(kSwitch, tone, params::value(kSwitch, previous) == 1 ? random.below(2) : 0);
            const bool useBoard = !boards.empty() && random.below(2) == 1;
            int fileNumber = 0;
            NameFileKind fileKind = NameFileKind::Preset;
            if (useBoard) {
                const int board = boards[static_cast<std::size_t>(random.below(static_cast<int>(boards.size())))];
                params::setValue(kGroup, tone, kBoardGroup * kGroupIdSpan + board);
                fileNumber = board;
                fileKind = NameFileKind::Board;
            } else {
                const int id = random.below(2) + 1; // Preset A or Preset B
                params::setValue(kGroup, tone, id);
                fileNumber = id + kInternalWaveFileOffset;
            }
            // Without any wave names for the group there is nothing to choose from:
            // wave 0 always exists.
            const int count = names ? names->GetNameCount(fileNumber, NameSection::Waves, fileKind) : 0;
            params::setValue(kNumber, tone, count > 0 ? random.below(count) : 0);
            apply(kWave, tone, random);
        }
        const Group toneGroups[] = {Group::Controller, Group::Lfo, Group::PEnv, Group::Tvf, Group::Tva, Group::Output};
        for (std::size_t g = 0; g < kToneGroups.size(); ++g) {
            if (on(toneGroups[g], t))
                apply(kToneGroups[g], tone, random);
        }
    }
}

void CRandomPatches::RandomizePatches(CPatchArray& patches, const Flags& flags, const std::vector<int>& boards,
                                      const CExpansionNames* names, CRandomSource& random, const std::vector<int>& only)
{
    std::vector<std::uint8_t> image(CPatchArray::kRecordSize);
    for (int i = 0; i < patches.GetCount(); ++i) {
        if (!only.empty() && std::find(only.cbegin(), only.cend(), i) == only.cend())
            continue;
        patches.GetRecord(i, image.data());
        randomizePatch(image.data(), flags, boards, names, random);
        patches.SetRecord(i, image.data());
    }
    patches.Renumber();
    patches.RecalcChecksums();
}
