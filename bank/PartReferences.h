#pragma once

#include <vector>

class CPerformanceArray;

// Which patch each part of a performance plays: part data byte 2 the group type, byte
// 3 the group ID, bytes 4 and 5 the patch number as high and low nibble.
class CPartReferences
{
public:
    static constexpr int kGroupType = 2; // 0 user, card and preset groups; 1 GM; 2 expansion board
    static constexpr int kGroupId = 3;
    static constexpr int kNumberHigh = 4; // patch number = 16 * high + low
    static constexpr int kNumberLow = 5;
    static constexpr int kRhythmPart = 9; // part 10 plays the rhythm set

    static int groupType(const CPerformanceArray& performances, int index, int part);
    static int groupId(const CPerformanceArray& performances, int index, int part);
    static int patchNumber(const CPerformanceArray& performances, int index, int part);
    static void setPatch(CPerformanceArray& performances, int index, int part, int type, int id, int number);

    // Keeps the parts that play the bank's own patches on the same sounds after the
    // patches were reordered: order[p] is the old number of the patch now at p (a
    // permutation). Forward applies the move, backward takes it back. The bank's
    // patches are those of user memory (group type 0, ID 0 or 1), or of card memory
    // (group type 0, ID 2) when the performances sit in card memory.
    static void RemapPatchNumbers(CPerformanceArray& performances, const std::vector<int>& order, bool backward);
};
