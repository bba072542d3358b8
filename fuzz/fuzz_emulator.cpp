// Plays arbitrary bytes to the synth emulator as the MIDI input would deliver them
// (cut into messages at F0 .. F7), or loads them as a bank: no crash, no undefined
// behaviour, every answer a well-formed data set of its device, and the memory it
// dumps afterwards reads back as the same memory. The first byte chooses the model
// (value mod 3), a card (10h), loading as a bank (20h) and the dump check (40h).
#include "emulator/SynthEmulator.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <cstdlib>

namespace {

// Building the memory map and its default bank is the slow part; every input starts
// from a copy of the same emulator.
const CSynthEmulator& pristine(int model)
{
    static const CSynthEmulator emulators[kModelCount] = {
        CSynthEmulator(SynthModel::Jv1080), CSynthEmulator(SynthModel::Jv2080), CSynthEmulator(SynthModel::Xp)};
    return emulators[model];
}

void checkAnswers(const CSynthEmulator& emulator, const std::vector<QByteArray>& answers)
{
    for (const QByteArray& answer : answers) {
        const SysExScanResult scan = scanSysEx(answer);
        if (scan.messages != 1 || !scan.problems.empty() || answer.size() < sysex::kFraming
            || static_cast<std::uint8_t>(answer[sysex::kOffDevice]) != emulator.deviceId()
            || static_cast<std::uint8_t>(answer[sysex::kOffCommand]) != sysex::kDataSet)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int model = data[0] % kModelCount;
    const bool card = (data[0] & 0x10) != 0;
    const bool asBank = (data[0] & 0x20) != 0;
    const bool roundTrip = (data[0] & 0x40) != 0; // the slow check, on some inputs only
    ++data;
    --size;
    CSynthEmulator emulator = pristine(model);
    emulator.setCardInserted(card);

    if (asBank) {
        QBuffer file;
        file.setData(reinterpret_cast<const char*>(data), qsizetype(size));
        file.open(QIODevice::ReadOnly);
        if (!emulator.loadBank(file, card ? sysex::MemoryArea::Card : sysex::MemoryArea::User))
            std::abort(); // a memory buffer never fails to read
    } else {
        std::size_t start = 0;
        while (start < size) {
            if (data[start] != sysex::kStart) {
                ++start;
                continue;
            }
            std::size_t end = start + 1;
            while (end < size && data[end] != sysex::kEnd && data[end] != sysex::kStart)
                ++end;
            const std::size_t length = (end < size && data[end] == sysex::kEnd ? end + 1 : end) - start;
            std::vector<QByteArray> answers;
            emulator.receive(data + start, length, answers);
            checkAnswers(emulator, answers);
            start += length;
        }
        // The whole input as one message too: the port may hand on anything.
        std::vector<QByteArray> answers;
        emulator.receive(data, size, answers);
        checkAnswers(emulator, answers);
    }

    // What the memory holds now is a bank that reads back as itself (one area, and only
    // on some inputs: the input decides).
    if (roundTrip) {
        const auto area = card ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
        const QByteArray dump = emulator.dump(area);
        if (!scanSysEx(dump).problems.empty())
            std::abort();
        CSynthEmulator other = pristine(model);
        QBuffer file;
        file.setData(dump);
        file.open(QIODevice::ReadOnly);
        if (!other.loadBank(file, area) || other.dump(area) != dump)
            std::abort();
    }
    return 0;
}
