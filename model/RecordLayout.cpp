#include "model/RecordLayout.h"

namespace {

using sysex::kAreaCardPatch;
using sysex::kAreaCardPerformance;
using sysex::kAreaTempPart;
using sysex::kAreaTempPatch;
using sysex::kAreaTempPerformance;
using sysex::kAreaUserPatch;
using sysex::kAreaUserPerformance;
using sysex::kRhythmSetBase;
using sysex::kTempRhythmPart;

constexpr std::uint8_t kLastByte = 0xFF; // header bytes are taken as they are read
constexpr std::uint8_t kLastPerformance = kRhythmSetBase - 1;

sysex::Address patchBlock(sysex::MemoryArea area, int number, int sub)
{
    return sysex::patchAddress(area, number, sub);
}
sysex::Address performanceBlock(sysex::MemoryArea area, int number, int sub)
{
    return sysex::performanceAddress(area, number, sub);
}
sysex::Address rhythmBlock(sysex::MemoryArea area, int number, int sub)
{
    return sysex::rhythmAddress(area, number, sub);
}

// 128 patches: a common message and four tones (10h, 12h, 14h, 16h). Temporary patches
// of performance parts count as patches, but for part 10, which plays the rhythm set;
// the temporary patch of part 11 fills slot 10.
const RecordLayout kPatchLayout{ItemKind::Patches,
                                128,
                                sysex::Block::PatchCommon,
                                sysex::Block::PatchTone,
                                4,
                                0x22,
                                0x79,
                                kAreaUserPatch,
                                kAreaCardPatch,
                                0,
                                sysex::kPatchToneBase,
                                2,
                                {{{kAreaUserPatch, 0, kLastByte},
                                  {kAreaCardPatch, 0, kLastByte},
                                  {kAreaTempPatch, 0, kLastByte},
                                  {kAreaTempPart, 0, kTempRhythmPart - 1},
                                  {kAreaTempPart, kTempRhythmPart + 1, kLastByte}}},
                                5,
                                kAreaTempPart,
                                0x0A,
                                9,
                                patchBlock};

// 32 performances: a common message and sixteen parts (10h..1Fh).
const RecordLayout kPerformanceLayout{ItemKind::Performances,
                                      32,
                                      sysex::Block::PerformanceCommon,
                                      sysex::Block::PerformancePart,
                                      16,
                                      0x06,
                                      0x49,
                                      kAreaUserPerformance,
                                      kAreaCardPerformance,
                                      0,
                                      sysex::kPerformancePartBase,
                                      1,
                                      {{{kAreaUserPerformance, 0, kLastPerformance},
                                        {kAreaCardPerformance, 0, kLastPerformance},
                                        {kAreaTempPerformance, 0, kLastPerformance}}},
                                      3,
                                      0,
                                      0,
                                      0,
                                      performanceBlock};

// 2 rhythm sets at 40h and 41h of the performance areas: a name message and 64 notes
// (23h..62h, keys 35..98). The temporary rhythm set is that of performance part 10.
const RecordLayout kRhythmLayout{ItemKind::RhythmSets,
                                 2,
                                 sysex::Block::RhythmCommon,
                                 sysex::Block::RhythmNote,
                                 64,
                                 0x00,
                                 0x00,
                                 kAreaUserPerformance,
                                 kAreaCardPerformance,
                                 kRhythmSetBase,
                                 sysex::kFirstRhythmNote,
                                 1,
                                 {{{kAreaUserPerformance, kRhythmSetBase, kLastByte},
                                   {kAreaCardPerformance, kRhythmSetBase, kLastByte},
                                   {kAreaTempPart, kRhythmSetBase, kLastByte},
                                   {kAreaUserPerformance, kTempRhythmPart, kTempRhythmPart},
                                   {kAreaCardPerformance, kTempRhythmPart, kTempRhythmPart},
                                   {kAreaTempPart, kTempRhythmPart, kTempRhythmPart}}},
                                 6,
                                 0,
                                 0,
                                 0,
                                 rhythmBlock};

} // namespace

bool RecordLayout::isOwnHeader(const std::uint8_t* h) const
{
    if (h[0] != sysex::kManufacturer || h[2] != sysex::kModelId || h[3] != sysex::kDataSet)
        return false;
    for (int i = 0; i < headerCount; ++i) {
        const HeaderRange& r = headers[static_cast<std::size_t>(i)];
        if (h[4] == r.area && h[5] >= r.first && h[5] <= r.last)
            return true;
    }
    return false;
}

const RecordLayout& recordLayout(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Performances:
        return kPerformanceLayout;
    case ItemKind::RhythmSets:
        return kRhythmLayout;
    case ItemKind::Patches:
        break;
    }
    return kPatchLayout;
}
