#pragma once

#include "model/SynthSettings.h"
#include "model/SysEx.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

class QIODevice;

// The kinds of item of a bank, numbered alike in documents, views, commands and the copybox.
enum ItemKind : int { kPatches = 0, kPerformances = 1, kRhythmSets = 2 };
constexpr int kKindCount = 3;

// A fixed number of fixed-size records, each the chain of DT1 messages that carries
// one item in the JV-2080 layout. Derived classes know the message structure.
class CRecordArray
{
public:
    static constexpr int kNameLength = 12;
    static constexpr int kNameOffset = sysex::kOffData; // image bytes 9..20

    virtual ~CRecordArray() = default;
    CRecordArray(const CRecordArray&) = delete;
    CRecordArray& operator=(const CRecordArray&) = delete;

    virtual void InitRecord(int index) = 0;
    // Writes the whole array in the layout of model. First the records take the
    // addresses of area (user or card memory) with their own numbers and fresh checksums.
    // Returns false when the device failed to write.
    virtual bool Store(QIODevice& file, SynthModel model, sysex::MemoryArea area = sysex::MemoryArea::User);
    // Reads consecutive records of this kind from the current position, filling from
    // index 0. Returns the number of records read (a record cut short by the end of the
    // file counts), or -1 when the device reported an error. Where layouts is given, the
    // layout of each record's first block is appended.
    virtual int Load(QIODevice& file, std::vector<SynthModel>* layouts = nullptr) = 0;
    // h: the 8 bytes following an F0.
    virtual bool IsOwnHeader(const std::uint8_t* h) const = 0;
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
    // What tells the kinds apart: where the messages of a record start (the common block
    // first), the kind of block of the first and of the other messages, and the area bytes.
    struct Layout
    {
        std::vector<int> messageOffsets;
        sysex::Block commonBlock;
        sysex::Block subBlock;
        std::uint8_t userArea;
        std::uint8_t cardArea;
    };

    CRecordArray(int count, int recordSize, Layout layout);
    // Offsets of a common block followed by count blocks of blockSize bytes.
    static std::vector<int> messageOffsetsOf(int commonSize, int blockSize, int count);
    // Fills every record with its defaults, numbered and with valid checksums.
    void initialiseAll();
    // Byte 6 of every message of record index.
    virtual std::uint8_t numberByte(int index) const { return static_cast<std::uint8_t>(index); }
    // Byte 7 of message m (1 .. messages − 1): which tone, part or note it carries.
    virtual std::uint8_t subBlockByte(int message) const = 0;
    // The address of message m of the synthesizer's temporary item of this kind.
    virtual sysex::Address temporaryAddress(int message) const = 0;
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
    int messageStart(std::size_t m) const { return m_layout.messageOffsets[m]; }
    int messageEnd(std::size_t m) const;

    Layout m_layout;
    std::vector<std::uint8_t> m_data;
    int m_count;
    int m_recordSize;
};
