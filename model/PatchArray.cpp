#include "model/PatchArray.h"

#include "model/RecordIo.h"

#include <QIODevice>
#include <cstring>

namespace {

using sysex::kOffAddress;
using sysex::kOffData;

constexpr char kInitName[] = "INIT PATCH  ";

// Common data 12..73 of a new patch.
constexpr std::uint8_t kCommonDefaults[] = {
    0x00, 0x00, 0x0F, 0x00, 0x0F, 0x07, 0x01, 0x0F, 0x07, 0x01, 0x0F, 0x7F, 0x00, 0x00, 0x7F, 0x00,
    0x00, 0x00, 0x3F, 0x00, 0x3F, 0x7F, 0x03, 0x50, 0x00, 0x00, 0x00, 0x02, 0x7F, 0x5A, 0x0D, 0x00,
    0x07, 0x08, 0x7F, 0x40, 0x00, 0x02, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
static_assert(sizeof(kCommonDefaults) == CPatchArray::kCommonData - CRecordArray::kNameLength);

// Tone data 0..128 of a new patch; byte 0 (the tone switch) is set per tone.
constexpr std::uint8_t kToneDefaults[] = {
    0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x7F, 0x00, 0x7F, 0x00, 0x01, 0x01,
    0x01, 0x01, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00,
    0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x3F, 0x00, 0x00, 0x5C, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5C, 0x02,
    0x00, 0x00, 0x00, 0x00, 0x30, 0x32, 0x00, 0x0C, 0x0C, 0x32, 0x07, 0x07, 0x07, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x3F,
    0x3F, 0x3F, 0x3F, 0x3F, 0x00, 0x7F, 0x05, 0x00, 0x32, 0x3F, 0x00, 0x32, 0x07, 0x07, 0x07, 0x00, 0x00, 0x00, 0x00,
    0x7F, 0x7F, 0x7F, 0x7F, 0x3F, 0x3F, 0x7F, 0x03, 0x3C, 0x07, 0x00, 0x64, 0x07, 0x07, 0x07, 0x00, 0x00, 0x00, 0x0A,
    0x7F, 0x7F, 0x7F, 0x3F, 0x3F, 0x40, 0x07, 0x00, 0x40, 0x3F, 0x3F, 0x00, 0x7F, 0x00, 0x00};
static_assert(sizeof(kToneDefaults) == CPatchArray::kToneData);

// Byte positions of the end marker that tell the three common layouts apart.
constexpr int kJv1080CommonEnd = kOffData + 72 + 1;                                          // image 82
constexpr int kXpCommonEnd = kOffData + 73 + 1;                                              // image 83
constexpr int kCommonRead = CPatchArray::kCommonSize - kOffData - CRecordArray::kNameLength; // 64
constexpr int kNameEnd = kOffData + CRecordArray::kNameLength;                               // image 21

// The temporary patch of performance part 11 fills slot 10 of a bank.
constexpr std::uint8_t kPart11 = 0x0A;
constexpr int kPart11Slot = 9;

using recordio::writeNewMessage;

} // namespace

CPatchArray::CPatchArray()
    : CRecordArray(kCount, kRecordSize,
                   {messageOffsetsOf(kCommonSize, kToneSize, kTones), sysex::Block::PatchCommon,
                    sysex::Block::PatchTone, sysex::kAreaUserPatch, sysex::kAreaCardPatch})
{
    initialiseAll();
}

std::uint8_t CPatchArray::subBlockByte(int message) const
{
    return static_cast<std::uint8_t>(sysex::kPatchToneBase + 2 * (message - 1));
}

sysex::Address CPatchArray::temporaryAddress(int message) const
{
    return sysex::patchAddress(sysex::MemoryArea::Temporary, 0, message - 1);
}

void CPatchArray::InitRecord(int index)
{
    std::uint8_t* rec = data(index);
    writeNewMessage(rec, kCommonSize, sysex::patchAddress(sysex::MemoryArea::User, index),
                    reinterpret_cast<const std::uint8_t*>(kInitName), kNameLength, kCommonChecksumPlaceholder);
    std::memcpy(rec + kNameEnd, kCommonDefaults, sizeof(kCommonDefaults));
    for (int t = 0; t < kTones; ++t) {
        std::uint8_t* tone = rec + toneOffset(t);
        writeNewMessage(tone, kToneSize, sysex::patchAddress(sysex::MemoryArea::User, index, t), kToneDefaults,
                        sizeof(kToneDefaults), kToneChecksumPlaceholder);
        tone[kOffData] = t == 0 ? 1 : 0; // only tone 1 sounds
    }
}

bool CPatchArray::IsOwnHeader(const std::uint8_t* h) const
{
    if (h[0] != sysex::kManufacturer || h[2] != sysex::kModelId || h[3] != sysex::kDataSet)
        return false;
    const std::uint8_t area = h[4];
    return area == sysex::kAreaUserPatch || area == sysex::kAreaCardPatch || area == sysex::kAreaTempPatch
           || (area == sysex::kAreaTempPart && h[5] != sysex::kTempRhythmPart);
}

int CPatchArray::Load(QIODevice& file, std::vector<SynthModel>* layouts)
{
    int index = 0;
    int loaded = 0;
    for (;;) {
        std::uint8_t h[8];
        const recordio::Status status = recordio::readHeader(file, h);
        if (status == recordio::Status::Error)
            return -1;
        if (status == recordio::Status::End)
            break;
        if (!IsOwnHeader(h)) {
            recordio::stepBack(file, 9);
            break;
        }
        if (h[4] == sysex::kAreaTempPart && h[5] == kPart11)
            index = kPart11Slot;
        const qint64 start = file.pos() - 9;
        std::uint8_t* rec = data(index);
        std::memcpy(rec + 1, h, 8);
        if (!recordio::readSome(file, rec + kOffData, kNameLength)
            || !recordio::readSome(file, rec + kNameEnd, kCommonRead))
            return -1;
        SynthModel layout = SynthModel::Jv2080;
        if (rec[kJv1080CommonEnd] == sysex::kEnd) {
            recordio::endBlock(file, start, kCommonSize - 2);
            rec[81] = 0;
            rec[82] = 0;
            rec[83] = kCommonChecksumPlaceholder;
            rec[84] = sysex::kEnd;
            layout = SynthModel::Jv1080;
        } else if (rec[kXpCommonEnd] == sysex::kEnd) {
            recordio::endBlock(file, start, kCommonSize - 1);
            rec[82] = 0;
            rec[83] = kCommonChecksumPlaceholder;
            rec[84] = sysex::kEnd;
            layout = SynthModel::Xp;
        }
        if (!recordio::readSome(file, rec + kCommonSize, kTones * kToneSize))
            return -1;
        normaliseFraming(index);
        if (layouts)
            layouts->push_back(layout);
        ++loaded;
        if (++index >= kCount)
            break;
    }
    return loaded;
}
