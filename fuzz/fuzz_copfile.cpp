// Loads arbitrary bytes as a copybox file, pastes every entry into a bank and writes
// the bank in each model's layout: whatever a .cop file holds, nothing may crash, and
// the bank written reads back whole with every message well-formed.
#include "bank/BankOperations.h"
#include "bank/Copybox.h"
#include "bank/ItemSelection.h"
#include "bank/ToneloomDoc.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The copybox refuses larger files before reading them.
    if (size > static_cast<std::size_t>(CCopybox::kMaxFileSize))
        return 0;
    const std::vector<QByteArray> entries =
        CCopybox::parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (entries.size() != size / CCopybox::kPatchSize)
        std::abort();
    CCopybox box;
    for (const QByteArray& entry : entries)
        box.Add(entry, ItemKind::Patches);
    if (box.lines(ItemKind::Patches).size() != static_cast<qsizetype>(entries.size()))
        std::abort();

    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    CItemSelection sel(&doc);
    CBankOperations(doc, sel).Paste(ItemKind::Patches, entries);
    for (int model = 0; model < kModelCount; ++model) {
        settings.model = static_cast<SynthModel>(model);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        doc.writeBank(buffer, ItemKind::Patches);
        if (!scanSysEx(buffer.data()).problems.empty())
            std::abort();
        CToneloomDoc again(settings, reporter);
        QBuffer back(&buffer.buffer());
        back.open(QIODevice::ReadOnly);
        std::vector<CToneloomDoc::Run> runs;
        if (!again.readBank(back, nullptr, &runs) || runs.size() != 1 || runs[0].records != CPatchArray::kCount
            || back.pos() != back.size())
            std::abort();
    }
    while (doc.canUndo())
        doc.Undo();
    return 0;
}
