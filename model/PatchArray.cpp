#include "model/PatchArray.h"

#include "model/ParamTable.h"
#include "model/RecordIo.h"

#include <QIODevice>
#include <cstring>

namespace {

using sysex::kOffAddress;
using sysex::kOffData;

// The 8 bytes after F0 that readHeader gives: header and address.
constexpr int kHeaderBytes = kOffData - 1;
// The checksum and the F7 of the in-memory (JV-2080) common block.
constexpr int kCommonChecksum = CPatchArray::kCommonSize - 2;
constexpr int kCommonEndMark = CPatchArray::kCommonSize - 1;

// The length of the common block's message in a layout; the F7 at length - 1 tells
// the three layouts apart.
int commonLength(SynthModel layout)
{
    return sysex::kFraming + sysex::blockDataSize(layout, sysex::Block::PatchCommon);
}
constexpr int kCommonRead = CPatchArray::kCommonSize - kOffData - CRecordArray::kNameLength; // 64
constexpr int kNameEnd = kOffData + CRecordArray::kNameLength;                               // image 21

// The temporary patch of performance part 11 fills slot 10 of a bank.
constexpr std::uint8_t kPart11 = 0x0A;
constexpr int kPart11Slot = 9;

using recordio::writeNewMessage;

// What a shorter layout's common block lacks gets the parameters' defaults.
void fillMissingCommon(std::uint8_t* rec, SynthModel layout)
{
    params::writeDefaults(sysex::Block::PatchCommon, 0, rec + kOffData,
                          sysex::blockDataSize(layout, sysex::Block::PatchCommon), CPatchArray::kCommonData);
}

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
    writeNewMessage(rec, kCommonSize, sysex::patchAddress(sysex::MemoryArea::User, index), nullptr, 0,
                    kCommonChecksumPlaceholder);
    params::writeDefaults(sysex::Block::PatchCommon, 0, rec + kOffData);
    for (int t = 0; t < kTones; ++t) {
        std::uint8_t* tone = rec + toneOffset(t);
        writeNewMessage(tone, kToneSize, sysex::patchAddress(sysex::MemoryArea::User, index, t), nullptr, 0,
                        kToneChecksumPlaceholder);
        params::writeDefaults(sysex::Block::PatchTone, t, tone + kOffData);
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
        std::uint8_t h[kHeaderBytes];
        const recordio::Status status = recordio::readHeader(file, h);
        if (status == recordio::Status::Error)
            return -1;
        if (status == recordio::Status::End)
            break;
        if (!IsOwnHeader(h)) {
            recordio::stepBack(file, kOffData);
            break;
        }
        if (h[4] == sysex::kAreaTempPart && h[5] == kPart11)
            index = kPart11Slot;
        const qint64 start = file.pos() - kOffData;
        std::uint8_t* rec = data(index);
        std::memcpy(rec + 1, h, kHeaderBytes);
        if (!recordio::readSome(file, rec + kOffData, kNameLength)
            || !recordio::readSome(file, rec + kNameEnd, kCommonRead))
            return -1;
        SynthModel layout = SynthModel::Jv2080;
        if (rec[commonLength(SynthModel::Jv1080) - 1] == sysex::kEnd) {
            recordio::endBlock(file, start, commonLength(SynthModel::Jv1080));
            fillMissingCommon(rec, SynthModel::Jv1080);
            rec[kCommonChecksum] = kCommonChecksumPlaceholder;
            rec[kCommonEndMark] = sysex::kEnd;
            layout = SynthModel::Jv1080;
        } else if (rec[commonLength(SynthModel::Xp) - 1] == sysex::kEnd) {
            recordio::endBlock(file, start, commonLength(SynthModel::Xp));
            fillMissingCommon(rec, SynthModel::Xp);
            rec[kCommonChecksum] = kCommonChecksumPlaceholder;
            rec[kCommonEndMark] = sysex::kEnd;
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
