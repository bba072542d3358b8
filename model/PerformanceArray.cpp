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
// The 8 bytes after F0 that readHeader gives: header and address.
constexpr int kHeaderBytes = kOffData - 1;
// The checksum and the F7 of the in-memory (JV-2080) common block.
constexpr int kCommonChecksum = CPerformanceArray::kCommonSize - 2;
constexpr int kCommonEndMark = CPerformanceArray::kCommonSize - 1;

// The length of a block's message in a layout; its F7 lies at length - 1.
int messageLength(SynthModel layout, sysex::Block block)
{
    return sysex::kFraming + sysex::blockDataSize(layout, block);
}
int endMark(SynthModel layout, sysex::Block block)
{
    return messageLength(layout, block) - 1;
}

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
        const qint64 start = file.pos() - kOffData;
        std::uint8_t* rec = data(index);
        std::memcpy(rec + 1, h, kHeaderBytes);
        if (!recordio::readSome(file, rec + kOffData, kNameLength)
            || !recordio::readSome(file, rec + kNameEnd, kCommonRead))
            return -1;
        SynthModel layout = SynthModel::Jv2080;
        constexpr sysex::Block kCommon = sysex::Block::PerformanceCommon;
        constexpr sysex::Block kPart = sysex::Block::PerformancePart;
        if (rec[endMark(SynthModel::Jv1080, kCommon)] == sysex::kEnd) {
            recordio::endBlock(file, start, messageLength(SynthModel::Jv1080, kCommon));
            fillMissing(kCommon, 0, rec, SynthModel::Jv1080, kCommonData);
            rec[kCommonChecksum] = kCommonChecksumPlaceholder;
            rec[kCommonEndMark] = sysex::kEnd;
            layout = SynthModel::Jv1080;
        } else if (rec[endMark(SynthModel::Xp, kCommon)] == sysex::kEnd) {
            recordio::endBlock(file, start, messageLength(SynthModel::Xp, kCommon));
            fillMissing(kCommon, 0, rec, SynthModel::Xp, kCommonData);
            rec[kCommonChecksum] = kCommonChecksumPlaceholder;
            rec[kCommonEndMark] = sysex::kEnd;
            layout = SynthModel::Xp;
        }
        for (int p = 0; p < kParts; ++p) {
            std::uint8_t* part = rec + partOffset(p);
            const qint64 partStart = file.pos();
            if (!recordio::readSome(file, part, kPartSize))
                return -1;
            if (part[endMark(SynthModel::Jv1080, kPart)] == sysex::kEnd) {
                recordio::endBlock(file, partStart, messageLength(SynthModel::Jv1080, kPart));
                fillMissing(kPart, p, part, SynthModel::Jv1080, kPartData);
                part[kPartSize - 2] = kPartChecksumPlaceholder;
                part[kPartSize - 1] = sysex::kEnd;
            } else if (part[endMark(SynthModel::Xp, kPart)] == sysex::kEnd) {
                recordio::endBlock(file, partStart, messageLength(SynthModel::Xp, kPart));
                fillMissing(kPart, p, part, SynthModel::Xp, kPartData);
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
