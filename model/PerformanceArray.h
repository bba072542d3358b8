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

    static constexpr int partOffset(int part) { return kCommonSize + kPartSize * part; }
    static constexpr int commonParam(int p) { return sysex::kOffData + p; }
    static constexpr int partParam(int part, int p) { return partOffset(part) + sysex::kOffData + p; }

    CPerformanceArray();
};
