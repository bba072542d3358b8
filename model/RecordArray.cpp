#include "model/RecordArray.h"

#include <QIODevice>
#include <QString>
#include <cstring>

CRecordArray::CRecordArray(int count, int recordSize)
    : m_data(static_cast<std::size_t>(count) * static_cast<std::size_t>(recordSize), 0)
    , m_count(count)
    , m_recordSize(recordSize)
{
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
    const std::vector<int> messages = messageOffsets();
    std::uint8_t* rec = data(index);
    for (std::size_t m = 0; m < messages.size(); ++m) {
        const int start = messages[m];
        const int end = m + 1 < messages.size() ? messages[m + 1] : m_recordSize;
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

void CRecordArray::setMessageByte(int byteOffset, std::uint8_t value)
{
    const std::vector<int> messages = messageOffsets();
    for (int i = 0; i < m_count; ++i) {
        std::uint8_t* rec = data(i);
        for (int m : messages)
            rec[m + byteOffset] = value;
    }
}
