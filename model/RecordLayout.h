#pragma once

#include "model/ItemKind.h"
#include "model/SynthSettings.h"
#include "model/SysEx.h"

#include <QtGlobal>
#include <array>
#include <cstdint>

// How the records of one kind are laid out, as data: the record codec (CRecordArray)
// reads, writes, initialises and recognises every kind by it. A record is a common
// message followed by subBlocks messages of one block kind; in memory every message
// has the size of the longest layout (the JV-2080's), in a file the size of its model.
struct RecordLayout
{
    // A second address byte range the reader takes for this kind under one area byte.
    struct HeaderRange
    {
        std::uint8_t area;
        std::uint8_t first;
        std::uint8_t last;
    };
    static constexpr int kMaxHeaderRanges = 6;

    ItemKind kind;
    int count; // records in a bank
    sysex::Block commonBlock;
    sysex::Block subBlock;
    int subBlocks;
    std::uint8_t commonPlaceholder; // checksum byte of a fresh common message
    std::uint8_t subPlaceholder;
    std::uint8_t userArea;
    std::uint8_t cardArea;
    std::uint8_t numberBase; // second address byte of record i: numberBase + i
    std::uint8_t subBase;    // third address byte of sub block b: subBase + subStep * b
    std::uint8_t subStep;
    std::array<HeaderRange, kMaxHeaderRanges> headers;
    int headerCount;
    // A record whose first message carries jumpArea/jumpNumber is read into slot
    // jumpSlot, the ones after it into the slots that follow (jumpArea 0: none).
    std::uint8_t jumpArea;
    std::uint8_t jumpNumber;
    int jumpSlot;
    // The address of block sub (-1: the common block) of item number in area.
    sysex::Address (*address)(sysex::MemoryArea area, int number, int sub);

    int messages() const { return 1 + subBlocks; }
    int commonData(SynthModel model = SynthModel::Jv2080) const { return sysex::blockDataSize(model, commonBlock); }
    int subData(SynthModel model = SynthModel::Jv2080) const { return sysex::blockDataSize(model, subBlock); }
    int commonSize() const { return sysex::kFraming + commonData(); }
    int subSize() const { return sysex::kFraming + subData(); }
    int recordSize() const { return commonSize() + subBlocks * subSize(); }
    // Start of message m (0: the common block) in the in-memory record.
    int messageOffset(int m) const { return m == 0 ? 0 : commonSize() + (m - 1) * subSize(); }
    // Data bytes of message m in the layout of model.
    int dataSize(int m, SynthModel model = SynthModel::Jv2080) const
    {
        return m == 0 ? commonData(model) : subData(model);
    }
    // Bytes a record takes in a file in the layout of model (what a save writes).
    qint64 fileSize(SynthModel model) const
    {
        return sysex::kFraming + commonData(model) + qint64(subBlocks) * (sysex::kFraming + subData(model));
    }
    // The third address byte of message m.
    std::uint8_t blockByte(int m) const { return m == 0 ? 0 : static_cast<std::uint8_t>(subBase + subStep * (m - 1)); }
    // h: the 8 bytes after an F0. A DT1 of the family at an address of this kind.
    bool isOwnHeader(const std::uint8_t* h) const;
};

const RecordLayout& recordLayout(ItemKind kind);
