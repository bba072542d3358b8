#include "model/PerformanceArray.h"

#include "model/ParamTable.h"
#include "model/RecordIo.h"

#include <QIODevice>
#include <cstring>

namespace {

using sysex::kOffAddress;
using sysex::kOffData;

// What a shorter layout lacks of a block gets the parameters' defaults.
void fillMissing(sysex::Block block, int index, std::uint8_t* message, SynthModel layout, int dataSize)
{
    params::writeDefaults(block, index, message + sysex::kOffData, sysex::blockDataSize(layout, block), dataSize);
}

constexpr int kNameEnd = kOffData + CRecordArray::kNameLength;         // image 21
constexpr int kCommonRead = CPerformanceArray::kCommonSize - kNameEnd; // 58
constexpr int kJv1080CommonEnd = kOffData + 64 + 1;                    // image 74
constexpr int kXpCommonEnd = kOffData + 66 + 1;                        // image 76
constexpr int kJv1080PartEnd = kOffData + 19 + 1;                      // +29
constexpr int kXpPartEnd = kOffData + 25 + 1;                          // +35

using recordio::writeNewMessage;

} // namespace

CPerformanceArray::CPerformanceArray()
    : CRecordArray(kCount, kRecordSize,
                   {messageOffsetsOf(kCommonSize, kPartSize, kParts), sysex::Block::PerformanceCommon,
                    sysex::Block::PerformancePart, sysex::kAreaUserPerformance, sysex::kAreaCardPerformance})
{
    initialiseAll();
}

std::uint8_t CPerformanceArray::subBlockByte(int message) const
{
    return static_cast<std::uint8_t>(sysex::kPerformancePartBase + message - 1);
}

sysex::Address CPerformanceArray::temporaryAddress(int message) const
{
    return sysex::performanceAddress(sysex::MemoryArea::Temporary, 0, message - 1);
}

void CPerformanceArray::InitRecord(int index)
{
    std::uint8_t* rec = data(index);
    writeNewMessage(rec, kCommonSize, sysex::performanceAddress(sysex::MemoryArea::User, index), nullptr, 0,
                    kCommonChecksumPlaceholder);
    params::writeDefaults(sysex::Block::PerformanceCommon, 0, rec + kOffData);
    for (int p = 0; p < kParts; ++p) {
        std::uint8_t* part = rec + partOffset(p);
        writeNewMessage(part, kPartSize, sysex::performanceAddress(sysex::MemoryArea::User, index, p), nullptr, 0,
                        kPartChecksumPlaceholder);
        params::writeDefaults(sysex::Block::PerformancePart, p, part + kOffData);
    }
}

bool CPerformanceArray::IsOwnHeader(const std::uint8_t* h) const
{
    if (h[0] != sysex::kManufacturer || h[2] != sysex::kModelId || h[3] != sysex::kDataSet)
        return false;
    const std::uint8_t area = h[4];
    return (area == sysex::kAreaUserPerformance || area == sysex::kAreaCardPerformance
            || area == sysex::kAreaTempPerformance)
           && h[5] < sysex::kRhythmSetBase;
}

int CPerformanceArray::Load(QIODevice& file, std::vector<SynthModel>* layouts)
{
    int loaded = 0;
    for (int index = 0; index < kCount; ++index) {
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
        const qint64 start = file.pos() - 9;
        std::uint8_t* rec = data(index);
        std::memcpy(rec + 1, h, 8);
        if (!recordio::readSome(file, rec + kOffData, kNameLength)
            || !recordio::readSome(file, rec + kNameEnd, kCommonRead))
            return -1;
        SynthModel layout = SynthModel::Jv2080;
        if (rec[kJv1080CommonEnd] == sysex::kEnd) {
            recordio::endBlock(file, start, kCommonSize - 4);
            fillMissing(sysex::Block::PerformanceCommon, 0, rec, SynthModel::Jv1080, kCommonData);
            rec[77] = kCommonChecksumPlaceholder;
            rec[78] = sysex::kEnd;
            layout = SynthModel::Jv1080;
        } else if (rec[kXpCommonEnd] == sysex::kEnd) {
            recordio::endBlock(file, start, kCommonSize - 2);
            fillMissing(sysex::Block::PerformanceCommon, 0, rec, SynthModel::Xp, kCommonData);
            rec[77] = kCommonChecksumPlaceholder;
            rec[78] = sysex::kEnd;
            layout = SynthModel::Xp;
        }
        for (int p = 0; p < kParts; ++p) {
            std::uint8_t* part = rec + partOffset(p);
            const qint64 partStart = file.pos();
            if (!recordio::readSome(file, part, kPartSize))
                return -1;
            if (part[kJv1080PartEnd] == sysex::kEnd) {
                recordio::endBlock(file, partStart, kPartSize - 7);
                fillMissing(sysex::Block::PerformancePart, p, part, SynthModel::Jv1080, kPartData);
                part[kPartSize - 2] = kPartChecksumPlaceholder;
                part[kPartSize - 1] = sysex::kEnd;
            } else if (part[kXpPartEnd] == sysex::kEnd) {
                recordio::endBlock(file, partStart, kPartSize - 1);
                fillMissing(sysex::Block::PerformancePart, p, part, SynthModel::Xp, kPartData);
                part[kPartSize - 2] = kPartChecksumPlaceholder;
                part[kPartSize - 1] = sysex::kEnd;
            }
        }
        normaliseFraming(index);
        if (layouts)
            layouts->push_back(layout);
        ++loaded;
    }
    return loaded;
}
