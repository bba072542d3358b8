#pragma once

#include "model/SynthSettings.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class CExpansionNames;
class CPatchArray;
class CRandomSource;

// Random sounds for every patch of a bank, group by group and tone by tone as the
// user ticked them. Every value stays inside the range the synthesizer accepts for
// its parameter.
class CRandomPatches
{
public:
    // The eight groups of parameters that can be randomised per tone.
    enum class Group : int { Effect = 0, Wave, Controller, Lfo, PEnv, Tvf, Tva, Output };
    static constexpr int kGroupCount = 8;
    static constexpr int kTones = 4;

    // flags[group][tone]
    using Flags = std::array<std::array<bool, kTones>, kGroupCount>;
    static Flags allFlags(bool on);

    // The settings key stem of a group ("Effect", ..., "PENV", ...; tone 1 .. 4 appended)
    // and the text of its check box ("P-ENV").
    static QString settingsKey(Group group);
    static QString checkBoxText(Group group);

    // The board numbers of the occupied expansion slots, in slot order; slots 5 .. 8
    // count only on the JV-2080.
    static std::vector<int> installedBoards(const std::array<int, 8>& slotBoards, SynthModel model);

    // A pronounceable name of 4 to 12 characters, the first an upper-case letter,
    // padded with blanks to length.
    static void MakeRandomName(char* name, int length, CRandomSource& random);

    // Randomises all 128 patches: a new name each, then for every tone the ticked
    // groups; finally numbers and checksums are set right. Waves are drawn from the
    // internal groups or the installed boards, their numbers below the count of wave
    // names known for the group (names may be null: then wave 0).
    // only (when not empty) limits it to these patches; the others stay as they are.
    static void RandomizePatches(CPatchArray& patches, const Flags& flags, const std::vector<int>& boards,
                                 const CExpansionNames* names, CRandomSource& random,
                                 const std::vector<int>& only = {});

    // One patch image (645 bytes), without the final renumbering.
    static void randomizePatch(std::uint8_t* image, const Flags& flags, const std::vector<int>& boards,
                               const CExpansionNames* names, CRandomSource& random);
};
