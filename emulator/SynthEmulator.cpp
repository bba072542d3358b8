#include "emulator/SynthEmulator.h"

#include "model/BankImage.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RhythmArray.h"

#include <QBuffer>
#include <array>

namespace {

constexpr int kBitsPerByte = 7;
constexpr std::uint32_t kByteMask = 0x7F;
constexpr std::uint8_t kDataMask = 0x7F;
constexpr int kChecksumBack = 2; // the checksum is the byte before F7
constexpr std::size_t kMinDataSet = sysex::kFraming + 1;

bool isCard(std::uint32_t address)
{
    const auto first = static_cast<std::uint8_t>(address >> (3 * kBitsPerByte));
    return first == sysex::kAreaCardPerformance || first == sysex::kAreaCardPatch;
}

bool inArea(std::uint32_t address, sysex::MemoryArea area)
{
    const auto first = static_cast<std::uint8_t>(address >> (3 * kBitsPerByte));
    if (area == sysex::MemoryArea::Card)
        return first == sysex::kAreaCardPerformance || first == sysex::kAreaCardPatch;
    return first == sysex::kAreaUserPerformance || first == sysex::kAreaUserPatch;
}

// Names of a bank that sounds like one: every item a different name.
const std::array<const char*, 16> kPatchWords = {"Warm",    "Glass", "Dark", "Bright", "Soft", "Analog",
                                                 "Vintage", "Wide",  "Deep", "Airy",   "Hard", "Silk",
                                                 "Fat",     "Thin",  "Cold", "Velvet"};
const std::array<const char*, 16> kPatchNouns = {"Pad",   "Piano",  "Brass", "Strings", "Bass",  "Lead",
                                                 "Organ", "Bell",   "Choir", "Pluck",   "Sweep", "Keys",
                                                 "Flute", "Guitar", "Synth", "Mallet"};
// The patch category (the JV-2080's list: 0 "No Assign" .. 38 "Combination") of each
// noun of a name, and of the words that change it.
struct NamedCategory
{
    const char* word; // null: any
    const char* noun;
    std::uint8_t category;
};
constexpr std::array<NamedCategory, 21> kCategories = {{
    {"Bright", "Pad", 28},                                                    // BRIGHT PAD
    {nullptr, "Pad", 29},                                                     // SOFT PAD
    {nullptr, "Piano", 1},                                                    // AC.PIANO
    {"Analog", "Brass", 20},  {"Fat", "Brass", 20},                           // SYNTH BRASS
    {nullptr, "Brass", 19},                                                   // AC.BRASS
    {nullptr, "Strings", 14}, {"Analog", "Bass", 13}, {"Fat", "Bass", 13},    // SYNTH BASS
    {nullptr, "Bass", 12},                                                    // BASS
    {"Hard", "Lead", 22},                                                     // HARD LEAD
    {nullptr, "Lead", 23},                                                    // SOFT LEAD
    {nullptr, "Organ", 6},    {nullptr, "Bell", 4},   {nullptr, "Choir", 30}, // VOX
    {nullptr, "Pluck", 31},                                                   // PLUCKED
    {nullptr, "Sweep", 26},                                                   // SYNTH FX
    {nullptr, "Keys", 3},                                                     // KEYBOARDS
    {nullptr, "Flute", 18},   {nullptr, "Guitar", 9},                         // AC.GUITAR
    {nullptr, "Mallet", 5},
}};
constexpr std::uint8_t kOtherSynth = 27; // what no entry names ("Synth")

std::uint8_t categoryOf(const char* word, const char* noun)
{
    for (const NamedCategory& c : kCategories)
        if (qstrcmp(c.noun, noun) == 0 && (!c.word || qstrcmp(c.word, word) == 0))
            return c.category;
    return kOtherSynth;
}

const std::array<const char*, 8> kPerformanceWords = {"Split",    "Layer",  "Stack",     "Combi",
                                                      "Ensemble", "Groove", "Orchestra", "Zone"};
const std::array<const char*, 2> kRhythmNames = {"Power Kit", "Jazz Brushes"};

QByteArray paddedName(const QByteArray& text)
{
    QByteArray name = text.left(CRecordArray::kNameLength);
    name.append(QByteArray(CRecordArray::kNameLength - name.size(), ' '));
    return name;
}

} // namespace

CSynthEmulator::CSynthEmulator(SynthModel model, std::uint8_t deviceId) : m_model(model), m_deviceId(deviceId)
{
    layOutMemory();
    fillDefaultMemory();
}

std::uint32_t CSynthEmulator::linear(const sysex::Address& address)
{
    std::uint32_t value = 0;
    for (std::uint8_t b : address)
        value = (value << kBitsPerByte) | (b & kByteMask);
    return value;
}

sysex::Address CSynthEmulator::fromLinear(std::uint32_t value)
{
    sysex::Address address{};
    for (int i = sysex::kAddressSize - 1; i >= 0; --i) {
        address[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & kByteMask);
        value >>= kBitsPerByte;
    }
    return address;
}

void CSynthEmulator::addBlock(const sysex::Address& address, int dataSize, std::optional<sysex::Block> kind)
{
    m_blocks[linear(address)] = std::vector<std::uint8_t>(static_cast<std::size_t>(dataSize), 0);
    if (kind)
        m_blockKinds[linear(address)] = *kind;
}

void CSynthEmulator::layOutMemory()
{
    using sysex::Block;
    using sysex::MemoryArea;
    const int patchCommon = sysex::blockDataSize(m_model, Block::PatchCommon);
    const int patchTone = sysex::blockDataSize(m_model, Block::PatchTone);
    const int perfCommon = sysex::blockDataSize(m_model, Block::PerformanceCommon);
    const int perfPart = sysex::blockDataSize(m_model, Block::PerformancePart);
    const int rhythmCommon = sysex::blockDataSize(m_model, Block::RhythmCommon);
    const int rhythmNote = sysex::blockDataSize(m_model, Block::RhythmNote);

    const auto addPatch = [&](MemoryArea area, int number) {
        addBlock(sysex::patchAddress(area, number), patchCommon, Block::PatchCommon);
        for (int t = 0; t < kPatchTones; ++t)
            addBlock(sysex::patchAddress(area, number, t), patchTone, Block::PatchTone);
    };
    const auto addPerformance = [&](MemoryArea area, int number) {
        addBlock(sysex::performanceAddress(area, number), perfCommon, Block::PerformanceCommon);
        for (int p = 0; p < kPerformanceParts; ++p)
            addBlock(sysex::performanceAddress(area, number, p), perfPart, Block::PerformancePart);
    };
    const auto addRhythm = [&](MemoryArea area, int set) {
        addBlock(sysex::rhythmAddress(area, set), rhythmCommon, Block::RhythmCommon);
        for (int n = 0; n < kRhythmNotes; ++n)
            addBlock(sysex::rhythmAddress(area, set, n), rhythmNote, Block::RhythmNote);
    };

    addBlock(sysex::systemModeAddress(), 1, std::nullopt);
    addPerformance(MemoryArea::Temporary, 0);
    addRhythm(MemoryArea::Temporary, 0);
    for (int part = 0; part < kTempPatchParts; ++part) {
        if (part == sysex::kTempRhythmPart)
            continue;
        addBlock(sysex::tempPartPatchAddress(part), patchCommon, Block::PatchCommon);
        for (int t = 0; t < kPatchTones; ++t)
            addBlock(sysex::tempPartPatchAddress(part, t), patchTone, Block::PatchTone);
    }
    addPatch(MemoryArea::Temporary, 0);
    for (MemoryArea area : {MemoryArea::User, MemoryArea::Card}) {
        for (int i = 0; i < kUserPerformances; ++i)
            addPerformance(area, i);
        for (int r = 0; r < kUserRhythmSets; ++r)
            addRhythm(area, r);
        for (int i = 0; i < kUserPatches; ++i)
            addPatch(area, i);
    }
}

bool CSynthEmulator::available(std::uint32_t address) const
{
    return m_card || !isCard(address);
}

void CSynthEmulator::fillDefaultMemory()
{
    const bool card = m_card;
    m_card = true;
    for (auto area : {sysex::MemoryArea::User, sysex::MemoryArea::Card}) {
        const bool isCardArea = area == sysex::MemoryArea::Card;
        CPatchArray patches;
        for (int i = 0; i < CPatchArray::kCount; ++i) {
            const auto word = kPatchWords[static_cast<std::size_t>(i / 16 + (isCardArea ? 3 : 0)) % kPatchWords.size()];
            const auto noun = kPatchNouns[static_cast<std::size_t>(i % 16)];
            const QByteArray name = paddedName(QByteArray(word) + ' ' + noun);
            patches.SetName(i, name.constData());
            std::uint8_t* image = patches.data(i);
            // The category its name suggests; the JV-2080's layout keeps it, the others
            // have no byte for it.
            image[CPatchArray::kCategoryOffset] = categoryOf(word, noun);
            // Between one and four tones sound.
            for (int t = 1; t < CPatchArray::kTones; ++t)
                image[CPatchArray::toneParam(t, 0)] = ((i >> (t - 1)) & 1) != 0 ? 1 : 0;
        }
        CPerformanceArray performances;
        for (int i = 0; i < CPerformanceArray::kCount; ++i) {
            const QByteArray name = paddedName(QByteArray(kPerformanceWords[static_cast<std::size_t>(i) % 8]) + ' '
                                               + QByteArray::number(i + 1 + (isCardArea ? 100 : 0)));
            performances.SetName(i, name.constData());
        }
        CRhythmArray rhythms;
        for (int r = 0; r < CRhythmArray::kCount; ++r) {
            QByteArray name =
                paddedName(QByteArray(kRhythmNames[static_cast<std::size_t>(r)]) + (isCardArea ? " C" : ""));
            rhythms.SetName(r, name.constData());
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        performances.Store(buffer, m_model, area);
        rhythms.Store(buffer, m_model, area);
        patches.Store(buffer, m_model, area);
        applyBank(buffer.data());

        if (!isCardArea) {
            // The temporary areas hold the first items, as after selecting them.
            std::vector<std::uint8_t> temp(CRhythmArray::kRecordSize);
            patches.GetAsTemporary(0, temp.data(), m_deviceId);
            applyBank(QByteArray(reinterpret_cast<const char*>(temp.data()), CPatchArray::kRecordSize));
            performances.GetAsTemporary(0, temp.data(), m_deviceId);
            applyBank(QByteArray(reinterpret_cast<const char*>(temp.data()), CPerformanceArray::kRecordSize));
            rhythms.GetAsTemporary(0, temp.data(), m_deviceId);
            applyBank(QByteArray(reinterpret_cast<const char*>(temp.data()), CRhythmArray::kRecordSize));
        }
    }
    m_card = card;
    m_applied = 0;
}

void CSynthEmulator::applyBank(const QByteArray& bank)
{
    // Walks the chain of DT1 messages by their F0 .. F7 framing.
    const auto* data = reinterpret_cast<const std::uint8_t*>(bank.constData());
    const auto size = static_cast<std::size_t>(bank.size());
    std::size_t start = 0;
    while (start < size) {
        if (data[start] != sysex::kStart) {
            ++start;
            continue;
        }
        std::size_t end = start + 1;
        while (end < size && data[end] != sysex::kEnd)
            ++end;
        if (end >= size)
            break;
        applyDataSet(data + start, end - start + 1, false);
        start = end + 1;
    }
}

void CSynthEmulator::applyDataSet(const std::uint8_t* data, std::size_t size, bool received)
{
    // Layouts shorter than the JV-2080's are taken in the emulator's model: a block
    // takes what fits and drops the rest.
    if (size < kMinDataSet)
        return;
    const sysex::Address address{data[5], data[6], data[7], data[8]};
    const std::uint32_t first = linear(address);
    const std::size_t count = size - sysex::kFraming;
    // A message normally writes into one block; the bytes of each block it reaches are
    // checked together once they are all written.
    auto current = m_blocks.end();
    std::vector<std::uint8_t> before;
    int from = 0;
    int to = 0;
    const auto finishBlock = [&] {
        if (received && current != m_blocks.end())
            refuseOutOfRange(current->first, before, from, to);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t at = first + static_cast<std::uint32_t>(i);
        // Most bytes land in the block of the byte before; only a new block is looked up.
        auto it = current;
        if (it == m_blocks.end() || at - it->first >= it->second.size()) {
            it = m_blocks.upper_bound(at);
            if (it == m_blocks.begin())
                continue;
            --it;
        }
        const std::uint32_t offset = at - it->first;
        if (offset >= it->second.size() || !available(it->first))
            continue;
        if (it != current) {
            finishBlock();
            current = it;
            before = it->second;
            from = static_cast<int>(offset);
        }
        it->second[offset] = data[sysex::kOffData + i] & kDataMask;
        to = static_cast<int>(offset);
    }
    finishBlock();
    ++m_applied;
}

void CSynthEmulator::refuseOutOfRange(std::uint32_t start, const std::vector<std::uint8_t>& before, int from, int to)
{
    const auto kind = m_blockKinds.find(start);
    if (kind == m_blockKinds.end())
        return;
    const sysex::Block block = kind->second;
    if (from == 0 && to + 1 >= sysex::blockDataSize(SynthModel::Jv1080, block))
        return; // a memory image
    std::vector<std::uint8_t>& now = m_blocks[start];
    for (const params::Param& p : params::rows(block)) {
        const int end = p.offset + p.size;
        if (p.offset > to || end <= from || end > static_cast<int>(now.size()))
            continue;
        if (params::holdsValidValue(p, now.data()))
            continue;
        std::copy(before.begin() + p.offset, before.begin() + end, now.begin() + p.offset);
        ++m_rejected;
    }
}

void CSynthEmulator::receive(const QByteArray& message, std::vector<QByteArray>& answers)
{
    receive(reinterpret_cast<const std::uint8_t*>(message.constData()), static_cast<std::size_t>(message.size()),
            answers);
}

void CSynthEmulator::receive(const std::uint8_t* data, std::size_t size, std::vector<QByteArray>& answers)
{
    const auto ignore = [this] { ++m_ignored; };
    if (size < static_cast<std::size_t>(sysex::kFraming) || data[0] != sysex::kStart || data[size - 1] != sysex::kEnd
        || data[sysex::kOffManufacturer] != sysex::kManufacturer || data[sysex::kOffModel] != sysex::kModelId
        || data[sysex::kOffDevice] != m_deviceId)
        return ignore();
    for (std::size_t i = 1; i + 1 < size; ++i) {
        if ((data[i] & 0x80) != 0)
            return ignore();
    }
    const int covered = static_cast<int>(size) - sysex::kOffAddress - kChecksumBack;
    if (sysex::checksum(covered, data + sysex::kOffAddress) != data[size - kChecksumBack])
        return ignore();

    const std::uint8_t command = data[sysex::kOffCommand];
    if (command == sysex::kDataRequest && size == static_cast<std::size_t>(sysex::kRequestSize)) {
        const sysex::Address address{data[5], data[6], data[7], data[8]};
        const sysex::Address length{data[9], data[10], data[11], data[12]};
        for (QByteArray& message : answer(address, length))
            answers.push_back(std::move(message));
        return;
    }
    if (command == sysex::kDataSet && size >= kMinDataSet)
        return applyDataSet(data, size, true);
    ignore();
}

CSynthEmulator::MessageKind CSynthEmulator::classify(const std::uint8_t* data, std::size_t size) const
{
    if (size < static_cast<std::size_t>(sysex::kFraming) || data[0] != sysex::kStart
        || data[sysex::kOffManufacturer] != sysex::kManufacturer || data[sysex::kOffModel] != sysex::kModelId
        || data[sysex::kOffDevice] != m_deviceId)
        return MessageKind::Other;
    if (data[sysex::kOffCommand] == sysex::kDataRequest)
        return MessageKind::Request;
    return data[sysex::kOffCommand] == sysex::kDataSet ? MessageKind::DataSet : MessageKind::Other;
}

bool CSynthEmulator::wouldChange(const std::uint8_t* data, std::size_t size) const
{
    if (size < kMinDataSet)
        return false;
    const std::uint32_t first = linear({data[5], data[6], data[7], data[8]});
    for (std::size_t i = 0; i + sysex::kFraming < size; ++i) {
        const std::uint32_t at = first + static_cast<std::uint32_t>(i);
        auto it = m_blocks.upper_bound(at);
        if (it == m_blocks.begin())
            continue;
        --it;
        const std::uint32_t offset = at - it->first;
        if (offset < it->second.size() && available(it->first)
            && it->second[offset] != (data[sysex::kOffData + i] & kDataMask))
            return true;
    }
    return false;
}

std::vector<QByteArray> CSynthEmulator::answer(const sysex::Address& address, const sysex::Address& size) const
{
    std::vector<QByteArray> messages;
    const std::uint64_t begin = linear(address);
    const std::uint64_t end = begin + linear(size);
    for (auto it = m_blocks.lower_bound(static_cast<std::uint32_t>(begin)); it != m_blocks.end() && it->first < end;
         ++it) {
        if (!available(it->first))
            continue;
        const QByteArray data(reinterpret_cast<const char*>(it->second.data()),
                              static_cast<qsizetype>(it->second.size()));
        messages.push_back(sysex::makeDataSet(m_deviceId, fromLinear(it->first), data));
    }
    return messages;
}

QByteArray CSynthEmulator::dump(sysex::MemoryArea area) const
{
    QByteArray bank;
    for (const auto& [address, data] : m_blocks) {
        if (!inArea(address, area))
            continue;
        const QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
        bank += sysex::makeDataSet(m_deviceId, fromLinear(address), bytes);
    }
    return bank;
}

bool CSynthEmulator::loadBank(QIODevice& file, sysex::MemoryArea area, QString* error)
{
    CBankImage bank;
    if (!bank.read(file, nullptr, error))
        return false;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!bank.write(buffer, CBankImage::kAll, m_model, area)) {
        if (error)
            *error = QStringLiteral("The bank could not be converted.");
        return false;
    }
    const bool card = m_card;
    m_card = true; // loading a card inserts it
    applyBank(buffer.data());
    m_card = card || area == sysex::MemoryArea::Card;
    return true;
}

QByteArray CSynthEmulator::blockData(const sysex::Address& address) const
{
    const auto it = m_blocks.find(linear(address));
    if (it == m_blocks.end())
        return {};
    return QByteArray(reinterpret_cast<const char*>(it->second.data()), static_cast<qsizetype>(it->second.size()));
}
