#include "bank/RandomPatches.h"

#include "bank/RandomSource.h"
#include "model/ExpansionNames.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"

#include <algorithm>

namespace {

// The rows of a group, in offset order: each row says which box of the dialog draws it
// (params::Param::random).
using Table = std::vector<const params::Param*>;

Table groupRows(sysex::Block block, params::RandomGroup group)
{
    Table table;
    for (const params::Param& p : params::rows(block)) {
        if (p.random == group)
            table.push_back(&p);
    }
    return table;
}

// The value a random patch gives a row of a ticked group: the value the table says it
// keeps (params::Param::keep), or one drawn evenly over the row's whole range in the
// block's context (the multi-effect type is kept, so its rows draw over that type's
// lists). A random patch is a new sound, not a nearby one: scales and stepwise lists
// alike are drawn over all of their range. A choice (a wave setting, a switch, a type,
// a range) changes only when asked for, and ticking the group's box is the musician
// asking for it.
int drawnValue(const params::Param& p, const std::uint8_t* data, bool choicesAsked, CRandomSource& random)
{
    if (p.keep != params::kDrawn)
        return p.keep;
    switch (params::variation(p, data)) {
    case params::Variation::FixedUnlessAsked:
        if (!choicesAsked)
            return params::value(p, data);
        break;
    case params::Variation::Continuous:
    case params::Variation::Stepwise:
        break;
    }
    const auto [lo, hi] = params::valueRange(p, data);
    return lo + random.below(hi - lo + 1);
}

// Sets the table's parameters in a block's data bytes, in table order.
void apply(const Table& table, std::uint8_t* data, CRandomSource& random)
{
    for (const params::Param* p : table)
        params::setValue(*p, data, drawnValue(*p, data, true, random));
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
    using params::RandomGroup;
    static const Table kEffect = groupRows(sysex::Block::PatchCommon, RandomGroup::Effect);
    static const Table kWave = groupRows(sysex::Block::PatchTone, RandomGroup::Wave);
    static const std::array<Table, 6> kToneGroups = {groupRows(sysex::Block::PatchTone, RandomGroup::Controller),
                                                     groupRows(sysex::Block::PatchTone, RandomGroup::Lfo),
                                                     groupRows(sysex::Block::PatchTone, RandomGroup::PitchEnvelope),
                                                     groupRows(sysex::Block::PatchTone, RandomGroup::Filter),
                                                     groupRows(sysex::Block::PatchTone, RandomGroup::Amplifier),
                                                     groupRows(sysex::Block::PatchTone, RandomGroup::Output)};
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
