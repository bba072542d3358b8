#include "model/RecordArray.h"

#include "model/ParamTable.h"
#include "model/RecordIo.h"

#include <QIODevice>
#include <QString>
#include <algorithm>
#include <cstring>

CRecordArray::CRecordArray(const RecordLayout& layout)
    : m_layout(layout),
      m_data(static_cast<std::size_t>(layout.count) * static_cast<std::size_t>(layout.recordSize()), 0),
      m_count(layout.count), m_recordSize(layout.recordSize())
{}

void CRecordArray::initialiseAll()
{
    for (int i = 0; i < m_count; ++i)
        InitRecord(i);
    Renumber();
    RecalcChecksums();
}

void CRecordArray::InitRecord(int index)
{
    std::uint8_t* rec = data(index);
    for (std::size_t m = 0; m < messageCount(); ++m) {
        const int sub = int(m) - 1;
        std::uint8_t* msg = rec + messageStart(m);
        recordio::writeNewMessage(msg, messageEnd(m) - messageStart(m),
                                  m_layout.address(sysex::MemoryArea::User, index, sub), nullptr, 0,
                                  m == 0 ? m_layout.commonPlaceholder : m_layout.subPlaceholder);
        params::writeDefaults(m == 0 ? m_layout.commonBlock : m_layout.subBlock, std::max(sub, 0),
                              msg + sysex::kOffData);
    }
}

bool CRecordArray::IsOwnHeader(const std::uint8_t* h) const
{
    return m_layout.isOwnHeader(h);
}

int CRecordArray::Load(QIODevice& file, std::vector<SynthModel>* layouts)
{
    std::vector<RecordRead> reads;
    const int loaded = read(file, layouts ? &reads : nullptr);
    if (layouts) {
        for (const RecordRead& r : reads)
            layouts->push_back(r.layout);
    }
    return loaded;
}

int CRecordArray::read(QIODevice& file, std::vector<RecordRead>* reads, int firstSlot)
{
    int loaded = 0;
    for (int index = std::max(firstSlot, 0); index < m_count; ++index) {
        std::uint8_t h[8];
        const recordio::Status status = recordio::readHeader(file, h);
        if (status == recordio::Status::Error)
            return -1;
        if (status == recordio::Status::End)
            break;
        // A message of this kind that is not the first block of a record (the rest of a
        // record cut short, say) ends the run: the bank reader skips it.
        if (!IsOwnHeader(h) || h[sysex::kOffAddress + 1] != 0 || h[sysex::kOffAddress + 2] != 0) {
            recordio::stepBack(file, sysex::kOffData);
            break;
        }
        if (m_layout.jumpArea != 0 && h[4] == m_layout.jumpArea && h[5] == m_layout.jumpNumber)
            index = m_layout.jumpSlot;
        RecordRead found;
        found.index = index;
        found.offset = file.pos() - sysex::kOffData;
        std::uint8_t* rec = data(index);
        std::memcpy(rec + 1, h, 8);
        SynthModel layout = SynthModel::Jv2080;
        bool cut = false;
        qint64 blockStart = found.offset;
        for (std::size_t m = 0; m < messageCount(); ++m) {
            SynthModel blockLayout = SynthModel::Jv2080;
            if (!readMessage(file, rec, int(m), blockStart, blockLayout, found, cut))
                return -1;
            if (m == 0)
                layout = blockLayout;
            if (found.shortMessage) {
                // The record ends with the message that ends early: what follows is not
                // taken for the rest of its blocks.
                file.seek(found.shortEnd);
                found.size = found.shortEnd - found.offset;
                break;
            }
            const qint64 size = sysex::kFraming + m_layout.dataSize(int(m), blockLayout);
            found.size += size;
            blockStart += size;
        }
        found.layout = layout;
        normaliseFraming(index);
        if (reads)
            reads->push_back(found);
        ++loaded;
    }
    return loaded;
}

bool CRecordArray::readMessage(QIODevice& file, std::uint8_t* rec, int m, qint64 blockStart, SynthModel& layout,
                               RecordRead& record, bool& cut)
{
    std::uint8_t* msg = rec + messageStart(std::size_t(m));
    const int size = messageEnd(std::size_t(m)) - messageStart(std::size_t(m));
    // The first message's header was read with the record; the rest of every message
    // is read in the longest layout and cut back where a shorter one ends.
    const int from = m == 0 ? sysex::kOffData : 0;
    const qint64 got = file.read(reinterpret_cast<char*>(msg + from), size - from);
    if (got < 0)
        return false;
    const int have = from + int(got); // bytes of msg read from this file
    const sysex::Block block = m == 0 ? m_layout.commonBlock : m_layout.subBlock;
    const int fullData = m_layout.dataSize(m);
    int data = fullData;
    SynthModel found = SynthModel::Jv2080;
    for (SynthModel shorter : {SynthModel::Jv1080, SynthModel::Xp}) {
        const int d = sysex::blockDataSize(shorter, block);
        if (d < fullData && msg[sysex::kOffData + d + 1] == sysex::kEnd) {
            data = d;
            found = shorter;
            break;
        }
    }
    if (!cut && record.badMessage < 0)
        checkMessage(rec, m, have, data, blockStart, record, cut);
    if (data < fullData) {
        recordio::endBlock(file, blockStart, sysex::kFraming + data);
        params::writeDefaults(block, std::max(m - 1, 0), msg + sysex::kOffData, data, fullData);
        msg[size - 2] = m == 0 ? m_layout.commonPlaceholder : m_layout.subPlaceholder;
        msg[size - 1] = sysex::kEnd;
    }
    layout = found;
    return true;
}

void CRecordArray::checkMessage(const std::uint8_t* rec, int m, int have, int data, qint64 blockStart,
                                RecordRead& record, bool& cut) const
{
    // Is it the block it is read as? A message that ends early holds part of its block;
    // one at another address belongs elsewhere (a dump that starts inside a record).
    const std::uint8_t* msg = rec + messageStart(std::size_t(m));
    const int length = sysex::kFraming + data;
    for (int b = 1; b < std::min(have, length - 1); ++b) {
        if (msg[b] == sysex::kEnd) {
            record.badMessage = m;
            record.badOffset = blockStart;
            record.shortMessage = true;
            record.shortData = std::max(0, b - 1 - sysex::kOffData);
            record.shortEnd = blockStart + b + 1;
            return;
        }
    }
    if (have < length) {
        cut = true; // the end of the file: reported as such
        return;
    }
    sysex::Address expected{};
    std::copy(rec + sysex::kOffAddress, rec + sysex::kOffAddress + 2, expected.begin());
    expected[2] = m_layout.blockByte(m);
    const bool framed = (m == 0 || msg[0] == sysex::kStart) && msg[sysex::kOffManufacturer] == sysex::kManufacturer
                        && msg[sysex::kOffModel] == sysex::kModelId && msg[sysex::kOffCommand] == sysex::kDataSet
                        && msg[length - 1] == sysex::kEnd;
    // A message that is no well-formed DT1 is left to the message scan of the report.
    if (framed && !std::equal(expected.begin(), expected.end(), msg + sysex::kOffAddress)) {
        record.badMessage = m;
        record.badOffset = blockStart;
        std::copy(msg + sysex::kOffAddress, msg + sysex::kOffData, record.foundAddress.begin());
        record.expectedAddress = expected;
    }
}

QByteArray CRecordArray::contentKey(int index) const
{
    const std::uint8_t* rec = data(index);
    QByteArray key;
    key.reserve(m_recordSize);
    for (std::size_t m = 0; m < messageCount(); ++m) {
        // Data bytes only: from the first after the address to the one before the checksum.
        const int start = messageStart(m);
        key.append(reinterpret_cast<const char*>(rec + start + sysex::kOffData),
                   messageEnd(m) - 2 - start - sysex::kOffData);
    }
    return key;
}

bool CRecordArray::IsUserMemory() const
{
    return data(0)[sysex::kOffAddress] == m_layout.userArea;
}

void CRecordArray::recalcImageChecksums(std::uint8_t* image) const
{
    for (std::size_t m = 0; m < messageCount(); ++m) {
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
        for (std::size_t m = 0; m < messageCount(); ++m) {
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
    for (std::size_t m = 0; m < messageCount(); ++m)
        recordio::writeHeader(buffer + messageStart(m), deviceId, temporaryAddress(int(m)));
    recalcImageChecksums(buffer);
}

bool CRecordArray::Store(QIODevice& file, SynthModel model, sysex::MemoryArea area, const std::vector<bool>* only)
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
        if (only && (std::size_t(i) >= only->size() || !(*only)[std::size_t(i)]))
            continue;
        const std::uint8_t* rec = data(i);
        for (std::size_t m = 0; m < messageCount(); ++m) {
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
    for (std::size_t m = 0; m < messageCount(); ++m) {
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
    const std::size_t messages = messageCount();
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
        for (std::size_t m = 0; m < messageCount(); ++m)
            rec[messageStart(m) + byteOffset] = value;
    }
}
