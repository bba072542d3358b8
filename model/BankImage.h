#pragma once

#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RhythmArray.h"

#include <QString>
#include <array>
#include <vector>

class QIODevice;

// One record as the reading of a file found it: its kind and slot, where it starts,
// how many bytes its messages take there, and whether they are the blocks it was read as.
struct BankRecordSpan : RecordRead
{
    ItemKind kind = ItemKind::Patches;
};

// message (size bytes from its F0) is a DT1 of a bank's kind that is not the first
// block of a record: the tone of a patch, say. Such a message cannot begin a bank.
bool continuesRecord(const std::uint8_t* message, std::size_t size);

// One run of consecutive records of a kind, as found while reading a file.
struct BankRun
{
    ItemKind kind = ItemKind::Patches;
    qint64 offset = 0; // of its first message
    int records = 0;
    std::uint8_t area = 0;           // first address byte of its first record
    std::vector<SynthModel> layouts; // per record
};

// Messages that belong to a record whose first message is not in the file (the tail
// of a stopped dump, say): the reader skips them.
struct BankSkipped
{
    qint64 offset = 0;
    qint64 length = 0;
    int messages = 0;
};

// Per kind, one flag per slot.
using BankSlots = ByKind<std::vector<bool>>;

// What reading a bank file found.
struct BankContents
{
    std::vector<BankRun> runs;
    std::vector<BankRecordSpan> spans;
    std::vector<BankSkipped> skipped;
    qint64 end = 0; // the first byte not read

    int records(ItemKind kind) const;
    bool holdsRecords() const { return !spans.empty(); }
    // The slots that records of the file were read into, per kind.
    BankSlots held() const;
};

// The records of a bank (128 patches, 32 performances, 2 rhythm sets) and the bank
// file's reading and writing: the one place that knows how a .syx bank is laid out.
class CBankImage
{
public:
    // What write puts into a file: one kind, or all (performances, rhythm sets, patches).
    static constexpr BankPart kAll = kWholeBank;

    CBankImage();
    CBankImage(const CBankImage&) = delete;
    CBankImage& operator=(const CBankImage&) = delete;

    CRecordArray& array(ItemKind kind) { return *m_arrays[kind]; }
    const CRecordArray& array(ItemKind kind) const { return *m_arrays[kind]; }
    CPatchArray& patches() { return m_patches; }
    CPerformanceArray& performances() { return m_performances; }
    CRhythmArray& rhythmSets() { return m_rhythms; }
    static int itemCount(ItemKind kind);

    // Reads the runs of records of a bank file from the device's position into the
    // records. Returns false only for a device error; error then holds its description.
    // The device is left at the first byte not read: where a message of no record
    // starts, or a rest too short for one, or the end; what lies beyond was ignored.
    // Messages of a record whose first message is not there are skipped; the records
    // after them go to the slots their numbers name.
    bool read(QIODevice& file, BankContents* contents = nullptr, QString* error = nullptr);
    // Writes which (a kind or kAll) in the layout of model, addressed to area. Where
    // only is given, the records of a kind that it does not mark are left out.
    bool write(QIODevice& file, BankPart which, SynthModel model, sysex::MemoryArea area = sysex::MemoryArea::User,
               const BankSlots* only = nullptr);
    // Addresses every record to area with deviceId, as a send writes them.
    void addressTo(sysex::MemoryArea area, std::uint8_t deviceId);

private:
    CPatchArray m_patches;
    CPerformanceArray m_performances;
    CRhythmArray m_rhythms;
    ByKind<CRecordArray*> m_arrays;
};
