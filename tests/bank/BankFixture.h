#pragma once

#include "bank/ItemSelection.h"
#include "bank/ToneloomDoc.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <utility>

// A bank whose every record differs from every other, so that a record in the wrong
// place or a byte left behind shows in a comparison of whole arrays.
struct BankFixture
{
    SynthSettings settings;
    CCollectingReporter reporter;
    std::unique_ptr<CToneloomDoc> doc = std::make_unique<CToneloomDoc>(settings, reporter);
    // What a window over the bank has selected.
    std::unique_ptr<CItemSelection> sel = std::make_unique<CItemSelection>(doc.get());

    explicit BankFixture(int seed = 0)
    {
        for (ItemKind kind : kItemKinds) {
            CRecordArray& records = doc->array(kind);
            for (int i = 0; i < records.GetCount(); ++i) {
                std::uint8_t* rec = records.data(i);
                const int size = records.GetRecordSize();
                // Data bytes only: headers, addresses, checksums and F7 stay as they are.
                const auto [first, blockSize] = blocks(kind);
                for (int start = 0; start < size; start = start == 0 ? first : start + blockSize) {
                    const int end = start == 0 ? first : start + blockSize; // one past the F7
                    for (int b = start + sysex::kOffData; b < end - 2; ++b) {
                        if (start == 0 && b < sysex::kOffData + CRecordArray::kNameLength)
                            continue; // the name
                        rec[b] = static_cast<std::uint8_t>((b * 7 + i * 13 + kindNumber(kind) * 31 + seed) & 0x7F);
                    }
                }
                setName(kind, i, QStringLiteral("%1 %2").arg(QLatin1Char("PFR"[kindNumber(kind)])).arg(i + seed));
            }
        }
    }

    // The size of the first message and of each following one.
    static std::pair<int, int> blocks(ItemKind kind)
    {
        switch (kind) {
        case ItemKind::Patches:
            return {CPatchArray::kCommonSize, CPatchArray::kToneSize};
        case ItemKind::Performances:
            return {CPerformanceArray::kCommonSize, CPerformanceArray::kPartSize};
        default:
            return {CRhythmArray::kCommonSize, CRhythmArray::kNoteSize};
        }
    }

    void setName(ItemKind kind, int index, const QString& name)
    {
        const QByteArray padded = name.toLatin1().leftJustified(CRecordArray::kNameLength, ' ', true);
        doc->array(kind).SetName(index, padded.constData());
    }

    QByteArray bytes(ItemKind kind) const
    {
        const auto& all = doc->array(kind).allData();
        return QByteArray(reinterpret_cast<const char*>(all.data()), static_cast<qsizetype>(all.size()));
    }

    // The three arrays one after another.
    QByteArray snapshot() const
    {
        return bytes(ItemKind::Patches) + bytes(ItemKind::Performances) + bytes(ItemKind::RhythmSets);
    }

    // Makes index the only selected item of kind, and current.
    void selectOnly(ItemKind kind, int index) { sel->SelectItem(kind, index, false, false); }
    void addToSelection(ItemKind kind, int index) { sel->SelectItem(kind, index, false, true); }

    QList<int> selection(ItemKind kind) const
    {
        QList<int> list;
        for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i)
            if (sel->isSelected(kind, i))
                list << i;
        return list;
    }
};
