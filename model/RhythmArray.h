#pragma once

#include "model/RecordArray.h"

// The 2 rhythm sets of a bank: a name message and 64 note messages of 58 data
// bytes each, 4439 bytes per set in every model's layout.
class CRhythmArray : public CRecordArray
{
public:
    static constexpr int kCount = 2;
    static constexpr int kCommonSize = 23;
    static constexpr int kNoteSize = 69;
    static constexpr int kNoteData = 58;
    static constexpr int kNotes = 64;
    static constexpr int kFirstKey = 35;
    static constexpr int kRecordSize = kCommonSize + kNotes * kNoteSize; // 4439

    static constexpr int noteOffset(int note) { return kCommonSize + kNoteSize * note; }
    static constexpr int noteParam(int note, int p) { return noteOffset(note) + sysex::kOffData + p; }

    CRhythmArray();
};
