#pragma once

#include "model/RecordLayout.h"
#include "model/SynthSettings.h"
#include "model/SysEx.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

class QIODevice;

// One record as the reader found it in a file.
struct RecordRead
{
    int index = 0;                          // the slot it was read into
    qint64 offset = 0;                      // of its first message
    qint64 size = 0;                        // its messages in the layout found
    SynthModel layout = SynthModel::Jv2080; // of its first message
    // The first message that is not the block it is read as, or -1: one that ends
    // before its block does (short), or one at the address of another block or item.
    int badMessage = -1;
    qint64 badOffset = 0;
    bool shortMessage = false;
    int shortData = 0;                // data bytes the short message holds
    qint64 shortEnd = 0;              // the file offset after its F7, where the record ends
    sysex::Address foundAddress{};    // where the misplaced message belongs
    sysex::Address expectedAddress{}; // the block it was read as
};

// A fixed number of fixed-size records, each the chain of DT1 messages that carries
// one item in the JV-2080 layout. One codec for every kind: the kind's RecordLayout
// says how its records are built, read, written and recognised; the derived classes
// only name the layout and its constants.
class CRecordArray
{
public:
    static constexpr int kNameLength = 12;
    static constexpr int kNameOffset = sysex::kOffData; // image bytes 9..20

    virtual ~CRecordArray() = default;
    CRecordArray(const CRecordArray&) = delete;
    CRecordArray& operator=(const CRecordArray&) = delete;

    // Fills record index with its defaults, addressed to user memory.
    virtual void InitRecord(int index);
    // Writes the whole array in the layout of model. First the records take the
    // addresses of area (user or card memory) with their own numbers and fresh checksums.
    // Returns false when the device failed to write.
    // Where only is given, the records whose entry is false are left out.
    virtual bool Store(QIODevice& file, SynthModel model, sysex::MemoryArea area = sysex::MemoryArea::User,
                       const std::vector<bool>* only = nullptr);
    // Reads consecutive records of this kind from the current position, filling from
    // index 0. Returns the number of records read (a record cut short by the end of the
    // file counts), or -1 when the device reported an error. Where layouts is given, the
    // layout of each record's first block is appended.
    virtual int Load(QIODevice& file, std::vector<SynthModel>* layouts = nullptr);
    // The same, telling for each record read where it lies and whether its messages
    // are the blocks it was read as.
    // Records are read into the slots from firstSlot on.
    int read(QIODevice& file, std::vector<RecordRead>* reads, int firstSlot = 0);
    // h: the 8 bytes following an F0.
    virtual bool IsOwnHeader(const std::uint8_t* h) const;
    virtual bool IsUserMemory() const;
    virtual void RecalcChecksums();
    virtual void Renumber();
    virtual void SetName(int index, const char* name);   // exactly 12 bytes are copied
    virtual void GetName(int index, char* buffer) const; // 13 bytes: the name and a zero
    virtual void Swap(int i, int j);
    virtual void GetRecord(int index, std::uint8_t* buffer) const;
    virtual void SetRecord(int index, const std::uint8_t* buffer);
    // A copy of record index addressed to the synthesizer's temporary area, with the
    // device ID and fresh checksums. The array is not changed.
    virtual void GetAsTemporary(int index, std::uint8_t* buffer, std::uint8_t deviceId) const;
    virtual int GetRecordSize() const { return m_recordSize; }
    virtual void SetUserMemory();
    virtual void SetCardMemory();
    virtual void SetDeviceId(std::uint8_t deviceId);
    virtual int GetCount() const { return m_count; }

    // Convenience for Qt callers.
    QString name(int index) const;                      // the 12 characters, blanks kept
    QByteArray record(int index) const;                 // a copy of the image
    void setRecord(int index, const QByteArray& image); // image must be GetRecordSize() bytes
    const std::uint8_t* data(int index) const { return m_data.data() + offset(index); }
    std::uint8_t* data(int index) { return m_data.data() + offset(index); }
    const std::vector<std::uint8_t>& allData() const { return m_data; }
    // Fresh checksums in every message of one image of this kind (also a copy outside the array).
    void recalcImageChecksums(std::uint8_t* image) const;
    const RecordLayout& layout() const { return m_layout; }
    // The records' data bytes without device, address and checksums: what stays the
    // same when a record is renumbered, moved, saved or sent.
    QByteArray contentKey(int index) const;

    // What checkImage found.
    enum class ImageCheck { Intact, Repaired, Refused };
    // Decides whether image, coming from outside the bank (the copybox, a drop, a paste),
    // is a record of this kind, and makes it a well-formed one. A record of this kind
    // has the record size, a first message the bank reader takes for this kind, and at
    // least half of its messages framed where the kind has them; anything else is
    // Refused and left as it is. A record is then repaired the way the bank reader
    // repairs what it reads: F0 and F7 in their places, 7-bit data, the family's header,
    // a device ID of 10h..1Fh, and in every message the area and number of the first
    // one with the block's own address, and fresh checksums. Repaired tells that any of
    // that but the checksums changed; an Intact image is left exactly as it was.
    ImageCheck checkImage(QByteArray& image) const;

protected:
    explicit CRecordArray(const RecordLayout& layout);
    // Fills every record with its defaults, numbered and with valid checksums.
    void initialiseAll();
    // Byte 6 of every message of record index.
    std::uint8_t numberByte(int index) const { return static_cast<std::uint8_t>(m_layout.numberBase + index); }
    // Byte 7 of message m (1 .. messages − 1): which tone, part or note it carries.
    std::uint8_t subBlockByte(int message) const { return m_layout.blockByte(message); }
    // The address of message m of the synthesizer's temporary item of this kind.
    sysex::Address temporaryAddress(int message) const
    {
        return m_layout.address(sysex::MemoryArea::Temporary, 0, message - 1);
    }
    std::size_t offset(int index) const;
    // Makes every message of a record just read a well-formed DT1 of this family: F0
    // first, F7 last, only 7-bit bytes between, the family's header and a block address.
    // Valid records are not changed; damaged ones can so never put a stray status byte
    // on the MIDI line or write parameters to a shifted address.
    void normaliseFraming(int index);
    void normaliseFraming(std::uint8_t* rec) const;
    // Sets byte 5 (area) or 2 (device) of every message of every record.
    void setMessageByte(int byteOffset, std::uint8_t value);
    // Start and length of message m of a record.
    int messageStart(std::size_t m) const { return m_layout.messageOffset(int(m)); }
    int messageEnd(std::size_t m) const
    {
        return messageStart(m) + (m == 0 ? m_layout.commonSize() : m_layout.subSize());
    }
    std::size_t messageCount() const { return static_cast<std::size_t>(m_layout.messages()); }

private:
    // Reads message m of record rec (the header of the first is there already) from
    // blockStart; finds its layout and fills what a shorter one lacks. False on a
    // device error.
    bool readMessage(QIODevice& file, std::uint8_t* rec, int m, qint64 blockStart, SynthModel& layout,
                     RecordRead& record, bool& cut);
    // Notes in record the first message that is not the block it is read as; have: its
    // bytes read, data: its data bytes in the layout found. cut: the file ended in it.
    void checkMessage(const std::uint8_t* rec, int m, int have, int data, qint64 blockStart, RecordRead& record,
                      bool& cut) const;

    const RecordLayout& m_layout;
    std::vector<std::uint8_t> m_data;
    int m_count;
    int m_recordSize;
};
