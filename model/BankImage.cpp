#include "model/BankImage.h"

#include <QIODevice>

#include <algorithm>

namespace {

constexpr int kProbeSize = sysex::kOffData; // F0 and the 8 bytes that tell whose message it is

} // namespace

bool continuesRecord(const std::uint8_t* message, std::size_t size)
{
    if (size < static_cast<std::size_t>(kProbeSize))
        return false;
    bool ownKind = false;
    for (ItemKind kind : kItemKinds)
        ownKind = ownKind || recordLayout(kind).isOwnHeader(message + 1);
    return ownKind && (message[sysex::kOffAddress + 2] != 0 || message[sysex::kOffAddress + 3] != 0);
}

int BankContents::records(ItemKind kind) const
{
    int total = 0;
    for (const BankRun& run : runs)
        total += run.kind == kind ? run.records : 0;
    return total;
}

BankSlots BankContents::held() const
{
    BankSlots marks;
    for (ItemKind kind : kItemKinds)
        marks[kind].assign(static_cast<std::size_t>(CBankImage::itemCount(kind)), false);
    for (const BankRecordSpan& s : spans) {
        auto& kindSlots = marks[s.kind];
        if (s.index >= 0 && s.index < static_cast<int>(kindSlots.size()))
            kindSlots[static_cast<std::size_t>(s.index)] = true;
    }
    return marks;
}

CBankImage::CBankImage() : m_arrays{{&m_patches, &m_performances, &m_rhythms}}
{}

int CBankImage::itemCount(ItemKind kind)
{
    return recordLayout(kind).count;
}

bool CBankImage::read(QIODevice& file, BankContents* contents, QString* error)
{
    BankContents found;
    BankSkipped skipping;
    for (;;) {
        const qint64 start = file.pos();
        std::uint8_t probe[kProbeSize];
        const qint64 n = file.read(reinterpret_cast<char*>(probe), kProbeSize);
        if (n < 0) {
            if (error)
                *error = file.errorString();
            return false;
        }
        file.seek(start);
        if (n < kProbeSize)
            break; // the end of the file, or a rest too short for a message
        const auto owner = std::find_if(kItemKinds.begin(), kItemKinds.end(),
                                        [&](ItemKind k) { return array(k).IsOwnHeader(probe + 1); });
        if (owner == kItemKinds.end())
            break; // a message of another kind ends the bank
        const ItemKind kind = *owner;
        if (continuesRecord(probe, kProbeSize)) {
            // Part of a record that began before the file did: up to the next F0.
            if (skipping.messages == 0)
                skipping.offset = start;
            char byte = 0;
            file.seek(start + 1);
            while (file.read(&byte, 1) == 1 && static_cast<std::uint8_t>(byte) != sysex::kStart) {}
            if (static_cast<std::uint8_t>(byte) == sysex::kStart)
                file.seek(file.pos() - 1);
            ++skipping.messages;
            skipping.length = file.pos() - skipping.offset;
            if (file.pos() <= start)
                break;
            continue;
        }
        // After skipped messages the dump goes on where the instrument was: its records
        // take the marks their numbers name.
        const RecordLayout& layout = recordLayout(kind);
        const std::uint8_t area = probe[sysex::kOffAddress];
        const int number = probe[sysex::kOffAddress + 1] - layout.numberBase;
        int firstSlot = 0;
        if (skipping.messages > 0) {
            found.skipped.push_back(skipping);
            skipping = BankSkipped();
            if ((area == layout.userArea || area == layout.cardArea) && number >= 0 && number < layout.count)
                firstSlot = number;
        }
        BankRun run;
        run.kind = kind;
        run.offset = start;
        run.area = area;
        std::vector<RecordRead> reads;
        run.records = array(kind).read(file, &reads, firstSlot);
        if (run.records < 0) {
            if (error)
                *error = file.errorString();
            return false;
        }
        for (const RecordRead& r : reads) {
            run.layouts.push_back(r.layout);
            BankRecordSpan span;
            static_cast<RecordRead&>(span) = r;
            span.kind = kind;
            found.spans.push_back(span);
        }
        found.runs.push_back(std::move(run));
        if (file.pos() <= start)
            break; // cannot happen with a record accepted above; never loop on it
    }
    if (skipping.messages > 0)
        found.skipped.push_back(skipping);
    found.end = file.pos();
    if (contents)
        *contents = std::move(found);
    return true;
}

bool CBankImage::write(QIODevice& file, BankPart which, SynthModel model, sysex::MemoryArea area, const BankSlots* only)
{
    const auto store = [&](ItemKind kind) {
        return array(kind).Store(file, model, area, only ? &(*only)[kind] : nullptr);
    };
    if (!which)
        return store(ItemKind::Performances) && store(ItemKind::RhythmSets) && store(ItemKind::Patches);
    return store(*which);
}

void CBankImage::addressTo(sysex::MemoryArea area, std::uint8_t deviceId)
{
    for (CRecordArray* records : m_arrays) {
        if (area == sysex::MemoryArea::Card)
            records->SetCardMemory();
        else
            records->SetUserMemory();
        records->SetDeviceId(deviceId);
    }
}
