#include "bank/RandomPatches.h"

#include "bank/RandomSource.h"
#include "model/ExpansionNames.h"
#include "model/PatchArray.h"

#include <algorithm>
#include <initializer_list>

namespace {

// One byte of a table: a draw below range, or a fixed value when range is 0.
struct Entry
{
    int byte;
    int range;
    int value;
};

constexpr Entry draw(int byte, int range)
{
    return {byte, range, 0};
}
constexpr Entry fixed(int byte, int value)
{
    return {byte, 0, value};
}

using Table = std::vector<Entry>;

void addDraws(Table& table, int firstByte, int lastByte, int range)
{
    for (int b = firstByte; b <= lastByte; ++b)
        table.push_back(draw(b, range));
}

void addFixed(Table& table, int firstByte, int lastByte, int value)
{
    for (int b = firstByte; b <= lastByte; ++b)
        table.push_back(fixed(b, value));
}

// Common data bytes of the effect block.
Table effectTable()
{
    Table t = {fixed(12, 0), draw(13, 2),  draw(14, 31), draw(15, 2),  draw(16, 31),  draw(17, 17), draw(18, 5),
               draw(19, 31), draw(20, 17), draw(21, 5),  draw(22, 31), draw(23, 128), fixed(24, 0), fixed(25, 0)};
    addDraws(t, 26, 28, 128);
    t.insert(t.end(), {draw(29, 11), draw(30, 127), draw(31, 11), draw(32, 127)});
    addDraws(t, 33, 37, 128);
    t.insert(t.end(), {fixed(38, 0), draw(39, 8), draw(40, 128), draw(41, 128), draw(42, 18), draw(43, 128),
                       fixed(44, 7), fixed(45, 8), fixed(46, 127), fixed(47, 64), draw(48, 128), draw(49, 13),
                       draw(50, 49), fixed(51, 0), fixed(52, 0)});
    addDraws(t, 53, 56, 2);
    t.insert(t.end(), {draw(57, 128), draw(58, 16), draw(59, 16)});
    addFixed(t, 60, 63, 0);
    t.insert(t.end(), {fixed(64, 1), fixed(65, 3), fixed(66, 0), fixed(67, 0), draw(68, 10), draw(69, 4), draw(70, 10),
                       draw(71, 4), fixed(72, 0), fixed(73, 0)});
    return t;
}

// Tone data bytes of the groups after the wave.
Table controllerTable()
{
    Table t = {fixed(14, 0), fixed(15, 127)};
    addFixed(t, 16, 20, 1);
    for (int k = 0; k < 3; ++k) {
        for (int pair = 0; pair < 4; ++pair) {
            const int b = 21 + 8 * k + 2 * pair;
            t.insert(t.end(), {draw(b, 19), draw(b + 1, 127)});
        }
    }
    return t;
}

Table lfoTable()
{
    Table t;
    for (const int b : {45, 53}) {
        t.insert(t.end(), {draw(b, 8), draw(b + 1, 2), draw(b + 2, 128), draw(b + 3, 5), draw(b + 4, 128),
                           draw(b + 5, 4), draw(b + 6, 128), fixed(b + 7, 0)});
    }
    return t;
}

Table pitchEnvelopeTable()
{
    Table t = {draw(61, 97), draw(62, 101), draw(63, 31), draw(64, 16), draw(65, 25), draw(66, 126)};
    addDraws(t, 67, 69, 15);
    addDraws(t, 70, 73, 128);
    addDraws(t, 74, 79, 127);
    return t;
}

Table filterTable()
{
    Table t = {draw(80, 5),   draw(81, 128), draw(82, 16), draw(83, 128),
               draw(84, 126), draw(85, 127), draw(86, 7),  draw(87, 126)};
    addDraws(t, 88, 90, 15);
    addDraws(t, 91, 98, 128);
    t.insert(t.end(), {draw(99, 127), draw(100, 127)});
    return t;
}

Table amplifierTable()
{
    Table t = {fixed(101, 127), draw(102, 4), draw(103, 128), draw(104, 15), draw(105, 7), draw(106, 126)};
    addDraws(t, 107, 109, 15);
    addDraws(t, 110, 116, 128);
    t.insert(t.end(), {draw(117, 127), draw(118, 127), draw(119, 128), draw(120, 15), draw(121, 64), draw(122, 128),
                       draw(123, 127), draw(124, 127)});
    return t;
}

Table outputTable()
{
    Table t = {fixed(125, 0)};
    addDraws(t, 126, 128, 128);
    return t;
}

void apply(const Table& table, std::uint8_t* bytes, CRandomSource& random)
{
    for (const Entry& e : table)
        bytes[e.byte] = static_cast<std::uint8_t>(e.range > 0 ? random.below(e.range) : e.value);
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

constexpr int kCommonChecksum = 83;
constexpr int kInternalWaveFileOffset = 2; // wave group ID 1 and 2: names in preset files 3 and 4
constexpr int kWaveNibble = 16;

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
    static const std::array<Table, 6> kToneGroups = {controllerTable(), lfoTable(),       pitchEnvelopeTable(),
                                                     filterTable(),     amplifierTable(), outputTable()};
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
            if (t == 0)
                tone[0] = 1;
            else
                tone[0] = image[CPatchArray::toneParam(t - 1, 0)] == 1 ? static_cast<std::uint8_t>(random.below(2)) : 0;
            const bool useBoard = !boards.empty() && random.below(2) == 1;
            int fileNumber = 0;
            NameFileKind fileKind = NameFileKind::Preset;
            if (useBoard) {
                tone[1] = 2;
                const int board = boards[static_cast<std::size_t>(random.below(static_cast<int>(boards.size())))];
                tone[2] = static_cast<std::uint8_t>(board);
                fileNumber = board;
                fileKind = NameFileKind::Board;
            } else {
                tone[1] = 0;
                tone[2] = static_cast<std::uint8_t>(random.below(2) + 1);
                fileNumber = tone[2] + kInternalWaveFileOffset;
            }
            // Without any wave names for the group there is nothing to choose from:
            // wave 0 always exists.
            const int count = names ? names->GetNameCount(fileNumber, NameSection::Waves, fileKind) : 0;
            const int wave = count > 0 ? random.below(count) : 0;
            tone[3] = static_cast<std::uint8_t>(wave / kWaveNibble);
            tone[4] = static_cast<std::uint8_t>(wave % kWaveNibble);
            tone[5] = static_cast<std::uint8_t>(random.below(4));
            tone[6] = static_cast<std::uint8_t>(random.below(2));
            tone[7] = static_cast<std::uint8_t>(random.below(4));
            tone[8] = static_cast<std::uint8_t>(random.below(16));
        }
        const Group toneGroups[] = {Group::Controller, Group::Lfo, Group::PEnv, Group::Tvf, Group::Tva, Group::Output};
        for (std::size_t g = 0; g < kToneGroups.size(); ++g) {
            if (on(toneGroups[g], t))
                apply(kToneGroups[g], tone, random);
        }
    }
}

void CRandomPatches::RandomizePatches(CPatchArray& patches, const Flags& flags, const std::vector<int>& boards,
                                      const CExpansionNames* names, CRandomSource& random)
{
    std::vector<std::uint8_t> image(CPatchArray::kRecordSize);
    for (int i = 0; i < patches.GetCount(); ++i) {
        patches.GetRecord(i, image.data());
        randomizePatch(image.data(), flags, boards, names, random);
        patches.SetRecord(i, image.data());
    }
    patches.Renumber();
    patches.RecalcChecksums();
}
