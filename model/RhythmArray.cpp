#include "model/RhythmArray.h"

#include "model/ParamTable.h"
#include "model/RecordIo.h"

#include <QIODevice>
#include <cstring>

namespace {

using sysex::kOffAddress;
using sysex::kOffData;

constexpr std::uint8_t kChecksumPlaceholder = 0x00;
// The 8 bytes after F0 that readHeader gives: header and address.
constexpr int kHeaderBytes = kOffData - 1;

using recordio::writeNewMessage;

} // namespace

CRhythmArray::CRhythmArray()
    : CRecordArray(kCount, kRecordSize,
                   {messageOffsetsOf(kCommonSize, kNoteSize, kNotes), sysex::Block::RhythmCommon,
                    sysex::Block::RhythmNote, sysex::kAreaUserPerformance, sysex::kAreaCardPerformance})
{
    initialiseAll();
}

std::uint8_t CRhythmArray::numberByte(int index) const
{
    return static_cast<std::uint8_t>(sysex::kRhythmSetBase + index);
}

std::uint8_t CRhythmArray::subBlockByte(int message) const
{
    return static_cast<std::uint8_t>(sysex::kFirstRhythmNote + message - 1);
}

sysex::Address CRhythmArray::temporaryAddress(int message) const
{
    return sysex::rhythmAddress(sysex::MemoryArea::Temporary, 0, message - 1);
}

void CRhythmArray::InitRecord(int index)
{
    std::uint8_t* rec = data(index);
    writeNewMessage(rec, kCommonSize, sysex::rhythmAddress(sysex::MemoryArea::User, index), nullptr, 0,
                    kChecksumPlaceholder);
    params::writeDefaults(sysex::Block::RhythmCommon, 0, rec + kOffData);
    for (int k = 0; k < kNotes; ++k) {
        std::uint8_t* note = rec + noteOffset(k);
        writeNewMessage(note, kNoteSize, sysex::rhythmAddress(sysex::MemoryArea::User, index, k), nullptr, 0,
                        kChecksumPlaceholder);
        params::writeDefaults(sysex::Block::RhythmNote, k, note + kOffData);
    }
}

bool CRhythmArray::IsOwnHeader(const std::uint8_t* h) const
{
    if (h[0] != sysex::kManufacturer || h[2] != sysex::kModelId || h[3] != sysex::kDataSet)
        return false;
    const std::uint8_t area = h[4];
    return (area == sysex::kAreaUserPerformance || area == sysex::kAreaCardPerformance || area == sysex::kAreaTempPart)
           && (h[5] >= sysex::kRhythmSetBase || h[5] == sysex::kTempRhythmPart);
}

int CRhythmArray::Load(QIODevice& file, std::vector<SynthModel>* layouts)
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
        std::uint8_t* rec = data(index);
        std::memcpy(rec + 1, h, kHeaderBytes);
        // The rest of the common block: the name, checksum and F7.
        if (!recordio::readSome(file, rec + kOffData, kCommonSize - kOffData)
            || !recordio::readSome(file, rec + kCommonSize, kNotes * kNoteSize))
            return -1;
        normaliseFraming(index);
        if (layouts)
            layouts->push_back(SynthModel::Jv2080);
        ++loaded;
    }
    return loaded;
}
