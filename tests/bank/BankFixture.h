#pragma once

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

    explicit BankFixture(int seed = 0)
    {
        for (int kind = 0; kind < kKindCount; ++kind) {
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
                        rec[b] = static_cast<std::uint8_t>((b * 7 + i * 13 + kind * 31 + seed) & 0x7F);
                    }
                }
                setName(kind, i, QStringLiteral("%1 %2").arg(QLatin1Char("PFR"[kind])).arg(i + seed));
            }
        }
    }

    // The size of the first message and of each following one.
    static std::pair<int, int> blocks(int kind)
    {
        switch (kind) {
        case kPatches:
            return {CPatchArray::kCommonSize, CPatchArray::kToneSize};
        case kPerformances:
            return {CPerformanceArray::kCommonSize, CPerformanceArray::kPartSize};
        default:
            return {CRhythmArray::kCommonSize, CRhythmArray::kNoteSize};
        }
    }

    void setName(int kind, int index, const QString& name)
    {
        const QByteArray padded = name.toLatin1().leftJustified(CRecordArray::kNameLength, ' ', true);
        doc->array(kind).SetName(index, padded.constData());
    }

    QByteArray bytes(int kind) const
    {
        const auto& all = doc->array(kind).allData();
        return QByteArray(reinterpret_cast<const char*>(all.data()), static_cast<qsizetype>(all.size()));
    }

    // The three arrays one after another.
    QByteArray snapshot() const { return bytes(kPatches) + bytes(kPerformances) + bytes(kRhythmSets); }

    // Makes index the only selected item of kind, and current.
    void selectOnly(int kind, int index) { doc->SelectItem(kind, index, false, false); }
    void addToSelection(int kind, int index) { doc->SelectItem(kind, index, false, true); }

    QList<int> selection(int kind) const
    {
        QList<int> list;
        for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i)
            if (doc->isSelected(kind, i))
                list << i;
        return list;
    }
};
