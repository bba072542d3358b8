#pragma once

#include "model/RecordArray.h"

// The 128 patches of a bank: a common message of 74 data bytes and four tone
// messages of 129 data bytes each, 645 bytes per patch.
class CPatchArray : public CRecordArray
{
public:
    static constexpr int kCount = 128;
    static constexpr int kCommonSize = 85;
    static constexpr int kCommonData = 74;
    static constexpr int kToneSize = 140;
    static constexpr int kToneData = 129;
    static constexpr int kTones = 4;
    static constexpr int kRecordSize = kCommonSize + kTones * kToneSize; // 645
    static constexpr int kCategoryOffset = 82;                           // common data 73, JV-2080 only
    static constexpr int kCommonChecksumPlaceholder = 0x22;
    static constexpr int kToneChecksumPlaceholder = 0x79;

    static constexpr int toneOffset(int tone) { return kCommonSize + kToneSize * tone; }
    // Image offset of parameter p of the common block / of tone t.
    static constexpr int commonParam(int p) { return sysex::kOffData + p; }
    static constexpr int toneParam(int tone, int p) { return toneOffset(tone) + sysex::kOffData + p; }

    CPatchArray();
};
