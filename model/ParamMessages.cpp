#include "model/ParamMessages.h"

#include <algorithm>

namespace params {

namespace {

using sysex::Block;

constexpr std::uint8_t kDataMask = 0x7F;
constexpr int kTones = 4;
constexpr int kParts = 16;
constexpr int kNotes = 64;
constexpr int kPerformanceCount = 32;
constexpr int kRhythmSetCount = 2;
constexpr int kAddressSpan = 128; // values of one address byte

bool isCommon(Block block)
{
    return block == Block::PatchCommon || block == Block::PerformanceCommon || block == Block::RhythmCommon;
}

} // namespace

sysex::Address blockAddress(sysex::Block block, int index, Destination destination)
{
    const int sub = isCommon(block) ? -1 : index;
    switch (block) {
    case Block::PatchCommon:
    case Block::PatchTone:
        return sysex::patchAddress(destination.area, destination.number, sub);
    case Block::PerformanceCommon:
    case Block::PerformancePart:
        return sysex::performanceAddress(destination.area, destination.number, sub);
    case Block::RhythmCommon:
    case Block::RhythmNote:
        return sysex::rhythmAddress(destination.area, destination.number, sub);
    }
    return {};
}

sysex::Address parameterAddress(sysex::Block block, int index, int offset, Destination destination)
{
    return sysex::addressPlus(blockAddress(block, index, destination), offset);
}

QByteArray bytesMessage(sysex::Block block, int index, int offset, QByteArrayView bytes, std::uint8_t device,
                        Destination destination)
{
    const int size = sysex::blockDataSize(SynthModel::Jv2080, block);
    if (offset < 0 || bytes.isEmpty() || offset + bytes.size() > size)
        return {};
    if (std::any_of(bytes.begin(), bytes.end(),
                    [](char c) { return (static_cast<std::uint8_t>(c) & ~kDataMask) != 0; }))
        return {};
    return sysex::makeDataSet(device, parameterAddress(block, index, offset, destination), bytes);
}

QByteArray valueMessage(const Param& p, int index, int value, std::uint8_t device, Destination destination)
{
    if (p.encoding == Encoding::Name)
        return {};
    const auto [lo, hi] = valueRange(p);
    if (value < lo || value > hi)
        return {};
    std::uint8_t data[2] = {};
    Param at = p;
    at.offset = 0;
    setValue(at, data, value);
    return bytesMessage(p.block, index, p.offset, QByteArrayView(reinterpret_cast<const char*>(data), p.size), device,
                        destination);
}

QByteArray nameMessage(sysex::Block block, QByteArrayView name, std::uint8_t device, Destination destination)
{
    const Param* row = nullptr;
    for (const Param& p : rows(block)) {
        if (p.encoding == Encoding::Name)
            row = &p;
    }
    if (!row)
        return {};
    QByteArray padded = name.toByteArray().left(row->size);
    padded.append(QByteArray(row->size - padded.size(), ' '));
    return bytesMessage(block, 0, row->offset, padded, device, destination);
}

QByteArray groupMessage(const Param& group, int index, int groupValue, int number, std::uint8_t device,
                        Destination destination)
{
    if (group.encoding != Encoding::Group)
        return {};
    const Param* next = rowAt(group.block, group.offset + group.size);
    if (!next || next->encoding != Encoding::Nibbles)
        return {};
    if (groupValue < group.min || groupValue > group.max || number < next->min || number > next->max)
        return {};
    std::uint8_t data[4] = {};
    Param at = group;
    at.offset = 0;
    setValue(at, data, groupValue);
    Param numberAt = *next;
    numberAt.offset = group.size;
    setValue(numberAt, data, number);
    return bytesMessage(group.block, index, group.offset, QByteArrayView(reinterpret_cast<const char*>(data), 4),
                        device, destination);
}

std::optional<Location> locate(const sysex::Address& address)
{
    const std::uint8_t area = address[0];
    const std::uint8_t number = address[1];
    const std::uint8_t sub = address[2];
    const std::uint8_t low = address[3];
    Location where{Block::PatchCommon, 0, low, {}};
    if (area == sysex::kAreaUserPatch || area == sysex::kAreaCardPatch || area == sysex::kAreaTempPatch) {
        where.destination = {area == sysex::kAreaTempPatch
                                 ? sysex::MemoryArea::Temporary
                                 : (area == sysex::kAreaUserPatch ? sysex::MemoryArea::User : sysex::MemoryArea::Card),
                             area == sysex::kAreaTempPatch ? 0 : number};
        if (area == sysex::kAreaTempPatch && number != 0)
            return std::nullopt;
        if (sub >= sysex::kPatchToneBase) {
            // A tone spans two values of the third address byte.
            const int tone = (sub - sysex::kPatchToneBase) / 2;
            where.block = Block::PatchTone;
            where.index = tone;
            where.offset = (sub - sysex::kPatchToneBase - 2 * tone) * kAddressSpan + low;
            if (tone >= kTones)
                return std::nullopt;
        } else if (sub != 0) {
            return std::nullopt;
        }
    } else if (area == sysex::kAreaUserPerformance || area == sysex::kAreaCardPerformance
               || area == sysex::kAreaTempPerformance || area == sysex::kAreaTempPart) {
        const bool temporary = area == sysex::kAreaTempPerformance || area == sysex::kAreaTempPart;
        const bool rhythm =
            area == sysex::kAreaTempPart ? number == sysex::kTempRhythmPart : number >= sysex::kRhythmSetBase;
        if (area == sysex::kAreaTempPart && !rhythm)
            return std::nullopt; // the temporary patch of a part
        if (area == sysex::kAreaTempPerformance && number != 0)
            return std::nullopt;
        where.destination.area =
            temporary ? sysex::MemoryArea::Temporary
                      : (area == sysex::kAreaUserPerformance ? sysex::MemoryArea::User : sysex::MemoryArea::Card);
        if (rhythm) {
            where.destination.number = temporary ? 0 : number - sysex::kRhythmSetBase;
            if (where.destination.number >= kRhythmSetCount)
                return std::nullopt;
            where.block = sub == 0 ? Block::RhythmCommon : Block::RhythmNote;
            where.index = sub == 0 ? 0 : sub - sysex::kFirstRhythmNote;
            if (sub != 0 && (where.index < 0 || where.index >= kNotes))
                return std::nullopt;
        } else {
            where.destination.number = temporary ? 0 : number;
            if (where.destination.number >= kPerformanceCount)
                return std::nullopt;
            where.block = sub == 0 ? Block::PerformanceCommon : Block::PerformancePart;
            where.index = sub == 0 ? 0 : sub - sysex::kPerformancePartBase;
            if (sub != 0 && (where.index < 0 || where.index >= kParts))
                return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    if (where.offset >= sysex::blockDataSize(SynthModel::Jv2080, where.block))
        return std::nullopt;
    return where;
}

QByteArray rowMessage(const Param& p, int index, const std::uint8_t* data, std::uint8_t device, Destination destination)
{
    return bytesMessage(p.block, index, p.offset,
                        QByteArrayView(reinterpret_cast<const char*>(data + p.offset), p.size), device, destination);
}

} // namespace params
