#include "bank/PartReferences.h"

#include "model/PerformanceArray.h"

namespace {

constexpr int kNibble = 16;
constexpr int kCardId = 2;

std::uint8_t& partByte(std::vector<std::uint8_t>& image, int part, int p)
{
    return image[static_cast<std::size_t>(CPerformanceArray::partParam(part, p))];
}

} // namespace

int CPartReferences::groupType(const CPerformanceArray& performances, int index, int part)
{
    return performances.data(index)[CPerformanceArray::partParam(part, kGroupType)];
}

int CPartReferences::groupId(const CPerformanceArray& performances, int index, int part)
{
    return performances.data(index)[CPerformanceArray::partParam(part, kGroupId)];
}

int CPartReferences::patchNumber(const CPerformanceArray& performances, int index, int part)
{
    const std::uint8_t* rec = performances.data(index);
    return kNibble * rec[CPerformanceArray::partParam(part, kNumberHigh)]
           + rec[CPerformanceArray::partParam(part, kNumberLow)];
}

void CPartReferences::setPatch(CPerformanceArray& performances, int index, int part, int type, int id, int number)
{
    std::uint8_t* rec = performances.data(index);
    rec[CPerformanceArray::partParam(part, kGroupType)] = static_cast<std::uint8_t>(type & 0x7F);
    rec[CPerformanceArray::partParam(part, kGroupId)] = static_cast<std::uint8_t>(id & 0x7F);
    rec[CPerformanceArray::partParam(part, kNumberHigh)] = static_cast<std::uint8_t>((number / kNibble) & 0x7F);
    rec[CPerformanceArray::partParam(part, kNumberLow)] = static_cast<std::uint8_t>(number % kNibble);
}

void CPartReferences::RemapPatchNumbers(CPerformanceArray& performances, const std::vector<int>& order, bool backward)
{
    const auto n = static_cast<int>(order.size());
    // Where each old number went, for the forward direction.
    std::vector<int> position(order.size(), -1);
    for (int p = 0; p < n; ++p) {
        const int old = order[static_cast<std::size_t>(p)];
        if (old >= 0 && old < n)
            position[static_cast<std::size_t>(old)] = p;
    }
    const bool card = performances.data(0)[sysex::kOffAddress] == sysex::kAreaCardPerformance;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(performances.GetRecordSize()));
    for (int i = 0; i < performances.GetCount(); ++i) {
        performances.GetRecord(i, image.data());
        for (int part = 0; part < CPerformanceArray::kParts; ++part) {
            const int type = partByte(image, part, kGroupType);
            const int id = partByte(image, part, kGroupId);
            const bool ownPatch = type == 0 && (card ? id == kCardId : (id == 0 || id == 1));
            if (!ownPatch)
                continue;
            const int m = kNibble * partByte(image, part, kNumberHigh) + partByte(image, part, kNumberLow);
            if (m >= n)
                continue; // not a patch of the bank; the reference stays as it is
            const int number = backward ? order[static_cast<std::size_t>(m)] : position[static_cast<std::size_t>(m)];
            if (number < 0)
                continue;
            partByte(image, part, kNumberHigh) = static_cast<std::uint8_t>(number / kNibble);
            partByte(image, part, kNumberLow) = static_cast<std::uint8_t>(number % kNibble);
        }
        performances.SetRecord(i, image.data());
    }
}
