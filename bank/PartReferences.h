#pragma once

#include <vector>

class CPerformanceArray;

// Which patch each part of a performance plays: the part's group (type and ID: type 0
// the user, card and preset groups, 1 GM, 2 an expansion board) and the patch number
// within it, as the parameter table lays them out ("part.group", "part.patch").
class CPartReferences
{
public:
    static constexpr int kRhythmPart = 9; // part 10 plays the rhythm set

    static int groupType(const CPerformanceArray& performances, int index, int part);
    static int groupId(const CPerformanceArray& performances, int index, int part);
    static int patchNumber(const CPerformanceArray& performances, int index, int part);
    static void setPatch(CPerformanceArray& performances, int index, int part, int type, int id, int number);

    // One part whose patch number a remap changed.
    struct Change
    {
        int performance = 0;
        int part = 0;
        int from = 0; // the number before the remap
        int to = 0;   // the number after it
    };

    // Keeps the parts that play the bank's own patches on the same sounds after the
    // patches were reordered: order[p] is the old number of the patch now at p (a
    // permutation). Forward applies the move, backward takes it back. The bank's
    // patches are those of user memory (group type 0, ID 0 or 1), or of card memory
    // (group type 0, ID 2) when the performances sit in card memory. Returns every
    // part it changed, so that the change can be taken back exactly.
    static std::vector<Change> RemapPatchNumbers(CPerformanceArray& performances, const std::vector<int>& order,
                                                 bool backward);
    // Sets the parts of changes to their numbers after the remap, or with backward to
    // their numbers before it. Only the patch numbers are written.
    static void applyChanges(CPerformanceArray& performances, const std::vector<Change>& changes, bool backward);
};
