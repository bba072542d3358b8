#include "bank/PartReferences.h"

#include "model/ParamTable.h"
#include "model/PerformanceArray.h"

namespace {

constexpr int kCardId = 2;
constexpr int kGroupIdSpan = 128; // a group row's value: type * 128 + id
constexpr std::uint8_t kDataMask = 0x7F;

const params::Param& groupRow()
{
    static const params::Param& row = params::row(u"part.group");
    return row;
}

const params::Param& patchRow()
{
    static const params::Param& row = params::row(u"part.patch");
    return row;
}

// The data bytes of a part of performance image rec.
const std::uint8_t* partData(const std::uint8_t* rec, int part)
{
    return rec + CPerformanceArray::partParam(part, 0);
}
std::uint8_t* partData(std::uint8_t* rec, int part)
{
    return rec + CPerformanceArray::partParam(part, 0);
}

} // namespace

int CPartReferences::groupType(const CPerformanceArray& performances, int index, int part)
{
    return params::value(groupRow(), partData(performances.data(index), part)) / kGroupIdSpan;
}

int CPartReferences::groupId(const CPerformanceArray& performances, int index, int part)
{
    return params::value(groupRow(), partData(performances.data(index), part)) % kGroupIdSpan;
}

int CPartReferences::patchNumber(const CPerformanceArray& performances, int index, int part)
{
    return params::value(patchRow(), partData(performances.data(index), part));
}

void CPartReferences::setPatch(CPerformanceArray& performances, int index, int part, int type, int id, int number)
{
    std::uint8_t* data = partData(performances.data(index), part);
    params::setValue(groupRow(), data, (type & kDataMask) * kGroupIdSpan + (id & kDataMask));
    params::setValue(patchRow(), data, number);
}

std::vector<CPartReferences::Change> CPartReferences::RemapPatchNumbers(CPerformanceArray& performances,
                                                                        const std::vector<int>& order, bool backward)
{
    std::vector<Change> changes;
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
            std::uint8_t* data = partData(image.data(), part);
            const int group = params::value(groupRow(), data);
            const int type = group / kGroupIdSpan;
            const int id = group % kGroupIdSpan;
            const bool ownPatch = type == 0 && (card ? id == kCardId : (id == 0 || id == 1));
            if (!ownPatch)
                continue;
            const int m = params::value(patchRow(), data);
            if (m >= n)
                continue; // not a patch of the bank; the reference stays as it is
            const int number = backward ? order[static_cast<std::size_t>(m)] : position[static_cast<std::size_t>(m)];
            if (number < 0 || number == m)
                continue;
            params::setValue(patchRow(), data, number);
            changes.push_back({i, part, m, number});
        }
        performances.SetRecord(i, image.data());
    }
    return changes;
}

void CPartReferences::applyChanges(CPerformanceArray& performances, const std::vector<Change>& changes, bool backward)
{
    for (const Change& c : changes) {
        if (c.performance < 0 || c.performance >= performances.GetCount() || c.part < 0
            || c.part >= CPerformanceArray::kParts)
            continue;
        params::setValue(patchRow(), partData(performances.data(c.performance), c.part), backward ? c.from : c.to);
    }
}
