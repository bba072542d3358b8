#include "model/RecordArray.h"

#include "model/RecordIo.h"

#include <QIODevice>
#include <QString>
#include <algorithm>
#include <cstring>

CRecordArray::CRecordArray(int count, int recordSize, Layout layout)
    : m_layout(std::move(layout)), m_data(static_cast<std::size_t>(count) * static_cast<std::size_t>(recordSize), 0),
      m_count(count), m_recordSize(recordSize)
{}

std::vector<int> CRecordArray::messageOffsetsOf(int commonSize, int blockSize, int count)
{
    std::vector<int> offsets{0};
    for (int i = 0; i < count; ++i)
        offsets.push_back(commonSize + i * blockSize);
    return offsets;
}

void CRecordArray::initialiseAll()
{
    for (int i = 0; i < m_count; ++i)
        InitRecord(i);
    Renumber();
    RecalcChecksums();
}

int CRecordArray::messageEnd(std::size_t m) const
{
    return m + 1 < m_layout.messageOffsets.size() ? m_layout.messageOffsets[m + 1] : m_recordSize;
}

bool CRecordArray::IsUserMemory() const
{
    return data(0)[sysex::kOffAddress] == m_layout.userArea;
}

void CRecordArray::recalcImageChecksums(std::uint8_t* image) const
{
    for (std::size_t m = 0; m < m_layout.messageOffsets.size(); ++m) {
        std::uint8_t* msg = image + messageStart(m);
        const int length = messageEnd(m) - messageStart(m);
        msg[length - 2] = sysex::checksum(length - 2 - sysex::kOffAddress, msg + sysex::kOffAddress);
    }
}

void CRecordArray::RecalcChecksums()
{
    for (int i = 0; i < m_count; ++i)
        recalcImageChecksums(data(i));
}

void CRecordArray::Renumber()
{
    for (int i = 0; i < m_count; ++i) {
        std::uint8_t* rec = data(i);
        for (std::size_t m = 0; m < m_layout.messageOffsets.size(); ++m) {
            std::uint8_t* msg = rec + messageStart(m);
            msg[sysex::kOffAddress + 1] = numberByte(i);
            if (m > 0)
                msg[sysex::kOffAddress + 2] = subBlockByte(int(m));
        }
    }
}

void CRecordArray::SetUserMemory()
{
    setMessageByte(sysex::kOffAddress, m_layout.userArea);
}

void CRecordArray::SetCardMemory()
{
    setMessageByte(sysex::kOffAddress, m_layout.cardArea);
}

void CRecordArray::SetDeviceId(std::uint8_t deviceId)
{
    setMessageByte(sysex::kOffDevice, deviceId);
}

void CRecordArray::GetAsTemporary(int index, std::uint8_t* buffer, std::uint8_t deviceId) const
{
    GetRecord(index, buffer);
    for (std::size_t m = 0; m < m_layout.messageOffsets.size(); ++m)
        recordio::writeHeader(buffer + messageStart(m), deviceId, temporaryAddress(int(m)));
    recalcImageChecksums(buffer);
}

bool CRecordArray::Store(QIODevice& file, SynthModel model, sysex::MemoryArea area)
{
    if (area == sysex::MemoryArea::Card)
        SetCardMemory();
    else
        SetUserMemory();
    Renumber();
    RecalcChecksums();
    const int commonData = sysex::blockDataSize(model, m_layout.commonBlock);
    const int subData = sysex::blockDataSize(model, m_layout.subBlock);
    for (int i = 0; i < m_count; ++i) {
        const std::uint8_t* rec = data(i);
        for (std::size_t m = 0; m < m_layout.messageOffsets.size(); ++m) {
            if (!recordio::writeBlock(file, rec + messageStart(m), m == 0 ? commonData : subData))
                return false;
        }
    }
    return true;
}

std::size_t CRecordArray::offset(int index) const
{
    Q_ASSERT(index >= 0 && index < m_count);
    if (index < 0 || index >= m_count)
        index = 0; // never address outside the array, even on a caller's mistake
    return static_cast<std::size_t>(index) * static_cast<std::size_t>(m_recordSize);
}

void CRecordArray::SetName(int index, const char* name)
{
    std::memcpy(data(index) + kNameOffset, name, kNameLength);
}

void CRecordArray::GetName(int index, char* buffer) const
{
    std::memset(buffer, 0, kNameLength + 1);
    std::memcpy(buffer, data(index) + kNameOffset, kNameLength);
}

void CRecordArray::Swap(int i, int j)
{
    std::vector<std::uint8_t> a(static_cast<std::size_t>(m_recordSize));
    std::vector<std::uint8_t> b(static_cast<std::size_t>(m_recordSize));
    GetRecord(i, a.data());
    GetRecord(j, b.data());
    SetRecord(i, b.data());
    SetRecord(j, a.data());
}

void CRecordArray::GetRecord(int index, std::uint8_t* buffer) const
{
    std::memcpy(buffer, data(index), static_cast<std::size_t>(m_recordSize));
}

void CRecordArray::SetRecord(int index, const std::uint8_t* buffer)
{
    std::memcpy(data(index), buffer, static_cast<std::size_t>(m_recordSize));
}

QString CRecordArray::name(int index) const
{
    char buffer[kNameLength + 1];
    GetName(index, buffer);
    return QString::fromLatin1(buffer, kNameLength);
}

QByteArray CRecordArray::record(int index) const
{
    return QByteArray(reinterpret_cast<const char*>(data(index)), m_recordSize);
}

void CRecordArray::setRecord(int index, const QByteArray& image)
{
    Q_ASSERT(image.size() == m_recordSize);
    if (image.size() != m_recordSize)
        return;
    SetRecord(index, reinterpret_cast<const std::uint8_t*>(image.constData()));
}

void CRecordArray::normaliseFraming(int index)
{
    normaliseFraming(data(index));
}

void CRecordArray::normaliseFraming(std::uint8_t* rec) const
{
    for (std::size_t m = 0; m < m_layout.messageOffsets.size(); ++m) {
        const int start = messageStart(m);
        const int end = messageEnd(m);
        rec[start] = sysex::kStart;
        for (int b = start + 1; b < end - 1; ++b)
            rec[b] &= 0x7F;
        rec[end - 1] = sysex::kEnd;
        // Every block of a record is a DT1 of this family at an address ending in 00;
        // the common block's third address byte is 00 too (the others are renumbered).
        rec[start + sysex::kOffManufacturer] = sysex::kManufacturer;
        rec[start + sysex::kOffModel] = sysex::kModelId;
        rec[start + sysex::kOffCommand] = sysex::kDataSet;
        rec[start + sysex::kOffAddress + 3] = 0;
        if (m == 0)
            rec[start + sysex::kOffAddress + 2] = 0;
    }
}

CRecordArray::ImageCheck CRecordArray::checkImage(QByteArray& image) const
{
    if (image.size() != m_recordSize)
        return ImageCheck::Refused;
    const auto* in = reinterpret_cast<const std::uint8_t*>(image.constData());
    if (!IsOwnHeader(in + 1))
        return ImageCheck::Refused;
    // Bytes that merely begin like a record (a dump of another layout or a stretch of
    // a bank cut at the wrong place) have their messages elsewhere.
    const std::size_t messages = m_layout.messageOffsets.size();
    std::size_t framed = 0;
    for (std::size_t m = 0; m < messages; ++m)
        framed += in[messageStart(m)] == sysex::kStart && in[messageEnd(m) - 1] == sysex::kEnd ? 1 : 0;
    if (2 * framed < messages)
        return ImageCheck::Refused;

    QByteArray repaired = image;
    auto* rec = reinterpret_cast<std::uint8_t*>(repaired.data());
    normaliseFraming(rec);
    std::uint8_t device = rec[sysex::kOffDevice];
    if (device < SynthSettings::kMinDeviceId || device > SynthSettings::kMaxDeviceId)
        device = SynthSettings::kDefaultDeviceId;
    const std::uint8_t area = rec[sysex::kOffAddress];
    const std::uint8_t number = rec[sysex::kOffAddress + 1];
    for (std::size_t m = 0; m < messages; ++m) {
        std::uint8_t* msg = rec + messageStart(m);
        msg[sysex::kOffDevice] = device;
        msg[sysex::kOffAddress] = area;
        msg[sysex::kOffAddress + 1] = number;
        if (m > 0)
            msg[sysex::kOffAddress + 2] = subBlockByte(int(m));
    }
    // Checksums alone say nothing about the record (the bank recomputes them before
    // anything is stored or sent), so an intact record is taken as it is.
    std::vector<std::uint8_t> before(in, in + m_recordSize);
    recalcImageChecksums(before.data());
    recalcImageChecksums(rec);
    if (std::equal(before.begin(), before.end(), rec))
        return ImageCheck::Intact;
    image = repaired;
    return ImageCheck::Repaired;
}

void CRecordArray::setMessageByte(int byteOffset, std::uint8_t value)
{
    for (int i = 0; i < m_count; ++i) {
        std::uint8_t* rec = data(i);
        for (int m : m_layout.messageOffsets)
            rec[m + byteOffset] = value;
    }
}
