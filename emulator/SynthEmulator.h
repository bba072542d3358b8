#pragma once

#include "model/SynthSettings.h"
#include "model/SysEx.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

class QIODevice;

// A software stand-in for a JV-1080, JV-2080 or XP: the memory of the synthesizer's
// address map, answers to data requests (RQ1) and the application of data sets (DT1).
// Not thread-safe; its hosts serialise access.
class CSynthEmulator
{
public:
    static constexpr int kUserPatches = 128;
    static constexpr int kUserPerformances = 32;
    static constexpr int kUserRhythmSets = 2;
    static constexpr int kPerformanceParts = 16;
    static constexpr int kPatchTones = 4;
    static constexpr int kRhythmNotes = 64;
    static constexpr int kTempPatchParts = 16; // temporary patches of performance parts

    explicit CSynthEmulator(SynthModel model = SynthModel::Jv2080,
                            std::uint8_t deviceId = SynthSettings::kDefaultDeviceId);

    SynthModel model() const { return m_model; }
    std::uint8_t deviceId() const { return m_deviceId; }
    // A card answers and takes data only while it is inserted.
    void setCardInserted(bool inserted) { m_card = inserted; }
    bool cardInserted() const { return m_card; }

    // Handles one incoming message; DT1 answers to a request are appended to answers.
    // Messages with a wrong checksum, another device ID or a foreign header are ignored.
    //
    // A DT1 that fills a whole block (at least as long as the shortest model's block)
    // is a memory image, as in a bulk dump, and is stored as it comes: the instrument
    // restores its own dumps byte for byte. A shorter one is a parameter edit, and the
    // emulator treats it as the instrument's edit buffers do with a value they cannot
    // play: each parameter the message touches takes the new value only when it lies
    // in the parameter's range (for the multi-effect's rows, the range of the block's
    // type); otherwise the parameter keeps its value and the refusal is counted. The
    // other parameters of the same message still count.
    void receive(const std::uint8_t* data, std::size_t size, std::vector<QByteArray>& answers);
    void receive(const QByteArray& message, std::vector<QByteArray>& answers);

    // What a message is to this instrument by its header: a data request or a data set
    // addressed to it, or anything else.
    enum class MessageKind { Other, Request, DataSet };
    MessageKind classify(const std::uint8_t* data, std::size_t size) const;
    // Whether the data set would change a byte of memory.
    bool wouldChange(const std::uint8_t* data, std::size_t size) const;

    // One DT1 message per block whose start lies in [address, address + size) in
    // 7-bit arithmetic, in address order.
    std::vector<QByteArray> answer(const sysex::Address& address, const sysex::Address& size) const;
    // The whole user or card memory as a bank file of this model.
    QByteArray dump(sysex::MemoryArea area) const;
    // Reads a bank file as the bank document does into user or card memory. False
    // (error set) when the device cannot be read.
    bool loadBank(QIODevice& file, sysex::MemoryArea area, QString* error = nullptr);
    // Fills user and card memory with a varied bank and the temporary areas with its
    // first items.
    void fillDefaultMemory();

    // The data bytes of the block that starts at address; empty when there is none.
    QByteArray blockData(const sysex::Address& address) const;
    int ignoredMessages() const { return m_ignored; }
    int appliedMessages() const { return m_applied; }
    // Parameters of edits that kept their value because the new one was out of range.
    int rejectedValues() const { return m_rejected; }

    static std::uint32_t linear(const sysex::Address& address);
    static sysex::Address fromLinear(std::uint32_t value);

private:
    void addBlock(const sysex::Address& address, int dataSize, std::optional<sysex::Block> kind);
    void layOutMemory();
    bool available(std::uint32_t address) const;
    // Applies a DT1 without looking at device or checksum. Memory loading stores every
    // byte; received messages go through the edit check.
    void applyDataSet(const std::uint8_t* data, std::size_t size, bool received);
    // Puts back the parameters of an edit of bytes from .. to of the block at start that
    // now hold values out of range; before is the block's data before the edit.
    void refuseOutOfRange(std::uint32_t start, const std::vector<std::uint8_t>& before, int from, int to);
    void applyBank(const QByteArray& bank);

    SynthModel m_model;
    std::uint8_t m_deviceId;
    bool m_card = false;
    std::map<std::uint32_t, std::vector<std::uint8_t>> m_blocks; // by linear start address
    std::map<std::uint32_t, sysex::Block> m_blockKinds;          // the parameter blocks among them
    int m_ignored = 0;
    int m_applied = 0;
    int m_rejected = 0;
};
