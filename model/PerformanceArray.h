#pragma once

#include "model/RecordArray.h"

// The 32 performances of a bank: a common message of 68 data bytes and sixteen
// part messages of 26 data bytes each, 671 bytes per performance.
class CPerformanceArray : public CRecordArray
{
public:
    static constexpr int kCount = 32;
    static constexpr int kCommonSize = 79;
    static constexpr int kCommonData = 68;
    static constexpr int kPartSize = 37;
    static constexpr int kPartData = 26;
    static constexpr int kParts = 16;
    static constexpr int kRecordSize = kCommonSize + kParts * kPartSize; // 671
    static constexpr int kCommonChecksumPlaceholder = 0x06;
    static constexpr int kPartChecksumPlaceholder = 0x49;

    // Part data bytes that say which patch a part plays.
    static constexpr int kPartGroupType = 2;  // 0 user, card and preset groups; 1 GM; 2 expansion board
    static constexpr int kPartGroupId = 3;
    static constexpr int kPartNumberHigh = 4; // patch number = 16 * high + low
    static constexpr int kPartNumberLow = 5;
    static constexpr int kRhythmPart = 9;     // part 10 plays the rhythm set

    static constexpr int partOffset(int part) { return kCommonSize + kPartSize * part; }
    static constexpr int commonParam(int p) { return sysex::kOffData + p; }
    static constexpr int partParam(int part, int p) { return partOffset(part) + sysex::kOffData + p; }

    CPerformanceArray();

    void InitRecord(int index) override;
    int Load(QIODevice& file, std::vector<SynthModel>* layouts = nullptr) override;
    bool IsOwnHeader(const std::uint8_t* h) const override;

    // The patch number a part plays (16 * high nibble + low nibble) and setting it.
    int partPatchNumber(int index, int part) const;
    void setPartPatchNumber(int index, int part, int number);
    // Keeps the parts that play this bank's own patches on the same sounds after the
    // patches were reordered: order[p] is the old number of the patch now at p (a
    // permutation of 0..127). Forward applies the move, backward takes it back. The
    // bank's patches are those of user memory (group type 0, ID 0 or 1), or of card
    // memory (group type 0, ID 2) when the performances sit in card memory.
    void RemapPatchNumbers(const std::vector<int>& order, bool backward);

protected:
    static std::vector<int> partOffsets();
    std::uint8_t subBlockByte(int message) const override;
    sysex::Address temporaryAddress(int message) const override;
};
