#include "tests/bank/BankFixture.h"

#include "bank/BankOperations.h"
#include "bank/Copybox.h"
#include "model/RhythmKeyNames.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using EffectCopy = CBankOperations::EffectCopy;
Q_DECLARE_METATYPE(EffectCopy)

namespace {

// How an item offered to a bank is spoilt.
enum class Spoil {
    None,
    HighBit,     // a data byte with its top bit set
    MissingEnd,  // the F7 of a later message overwritten
    WrongBlock,  // a message addressed to another tone, part or key
    BadDevice,   // device byte 7Fh in every message
    Text,        // bytes of a text file
    WrongSize,   // a record of another kind's size
    OtherLayout, // a JV-1080 dump of the kind cut at the in-memory size
    CutWrongly,  // a stretch of consecutive records starting inside one
};

enum class Way { Paste, Drop, LibraryDrop };

QByteArray spoilt(const CToneloomDoc& source, ItemKind kind, Spoil how)
{
    const CRecordArray& records = source.array(kind);
    QByteArray image = records.record(1);
    const int second = BankFixture::blocks(kind).first; // the start of the second message
    const int third = second + BankFixture::blocks(kind).second;
    switch (how) {
    case Spoil::None:
        break;
    case Spoil::HighBit:
        image[third + 12] = char(image[third + 12] | 0x80);
        break;
    case Spoil::MissingEnd:
        image[third - 1] = 0x33;
        break;
    case Spoil::WrongBlock:
        image[third + sysex::kOffAddress + 2] = image[second + sysex::kOffAddress + 2];
        break;
    case Spoil::BadDevice:
        for (int at = 0; at < image.size(); at = at == 0 ? second : at + BankFixture::blocks(kind).second)
            image[at + sysex::kOffDevice] = 0x7F;
        break;
    case Spoil::Text:
        image = QByteArray("Dear diary, today the synth ate my bank. ").repeated(20).left(image.size());
        break;
    case Spoil::WrongSize:
        image = source.array(kind == ItemKind::Patches ? ItemKind::Performances : ItemKind::Patches).record(0);
        break;
    case Spoil::OtherLayout:
    case Spoil::CutWrongly: {
        SynthSettings settings;
        settings.model = how == Spoil::OtherLayout ? SynthModel::Jv1080 : SynthModel::Jv2080;
        CCollectingReporter reporter;
        CToneloomDoc copy(settings, reporter);
        for (int i = 0; i < records.GetCount(); ++i)
            copy.array(kind).setRecord(i, records.record(i));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        copy.writeBank(buffer, kind);
        image = buffer.data().mid(how == Spoil::OtherLayout ? 0 : 100, records.GetRecordSize());
        break;
    }
    }
    return image;
}

bool wellFormed(const QByteArray& record)
{
    return scanSysEx(record).problems.empty();
}

} // namespace

Q_DECLARE_METATYPE(Spoil)
Q_DECLARE_METATYPE(Way)

class TestBankOperations : public QObject
{
    Q_OBJECT

private slots:
    void pasteSkipsPastTheLastItem_data();
    void pasteSkipsPastTheLastItem();
    void foreignItemsAreRepairedOrRefused_data();
    void foreignItemsAreRepairedOrRefused();
    void foreignCopyboxFileKeepsTheBankReadable();
    void dropRun_data();
    void dropRun();
    void dropFromAnotherBank();
    void libraryDrop();
    void copyEffect_data();
    void copyEffect();
    void copyEffectOntoItself();
    void rhythmKeyNames();
    void copyToPatch();
    void copyToPatchRefusesBadKeys_data();
    void copyToPatchRefusesBadKeys();
};

void TestBankOperations::pasteSkipsPastTheLastItem_data()
{
    QTest::addColumn<ItemKind>("kind");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("pasted");
    QTest::newRow("patches at 126") << ItemKind::Patches << 126 << 5 << 2;
    QTest::newRow("patches at 0") << ItemKind::Patches << 0 << 3 << 3;
    QTest::newRow("performances at 31") << ItemKind::Performances << 31 << 2 << 1;
    QTest::newRow("rhythm sets at 0") << ItemKind::RhythmSets << 0 << 4 << 2;
}

void TestBankOperations::pasteSkipsPastTheLastItem()
{
    QFETCH(ItemKind, kind);
    QFETCH(int, current);
    QFETCH(int, images);
    QFETCH(int, pasted);
    BankFixture bank;
    BankFixture source(50);
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    bank.selectOnly(kind, current);
    std::vector<QByteArray> list;
    for (int k = 0; k < images; ++k)
        list.push_back(source.doc->array(kind).record(k % CToneloomDoc::itemCount(kind)));
    const QByteArray before = bank.snapshot();
    CBankOperations ops(doc, sel);
    QCOMPARE(ops.Paste(kind, list), pasted);
    QCOMPARE(doc.historySize(), pasted);
    QCOMPARE(
        doc.undoLabel(),
        QStringLiteral("Undo: Paste \"%1 %2\"\tCtrl+Z").arg(QLatin1Char("PFR"[kindNumber(kind)])).arg(pasted - 1 + 50));
    for (int k = 0; k < pasted; ++k)
        QCOMPARE(doc.array(kind).record(current + k), list[static_cast<std::size_t>(k)]);
    // Nothing else changed.
    BankFixture expected;
    for (int k = 0; k < pasted; ++k)
        expected.doc->array(kind).setRecord(current + k, list[static_cast<std::size_t>(k)]);
    QCOMPARE(bank.snapshot(), expected.snapshot());
    while (doc.canUndo())
        doc.Undo();
    QCOMPARE(bank.snapshot(), before);
}

void TestBankOperations::foreignItemsAreRepairedOrRefused_data()
{
    QTest::addColumn<ItemKind>("kind");
    QTest::addColumn<Spoil>("how");
    QTest::addColumn<Way>("way");
    QTest::addColumn<QString>("message"); // empty: the item is taken as it is
    const QString repaired = QStringLiteral("The item was a damaged %1 and has been repaired.");
    const QString refused = QStringLiteral("The item is not a %1 and was left out.");
    const QString patch = QStringLiteral("patch");
    QTest::newRow("intact patch") << ItemKind::Patches << Spoil::None << Way::Paste << QString();
    QTest::newRow("intact rhythm set") << ItemKind::RhythmSets << Spoil::None << Way::Drop << QString();
    QTest::newRow("high bit") << ItemKind::Patches << Spoil::HighBit << Way::Paste << repaired.arg(patch);
    QTest::newRow("missing F7") << ItemKind::Patches << Spoil::MissingEnd << Way::LibraryDrop << repaired.arg(patch);
    QTest::newRow("tone address") << ItemKind::Patches << Spoil::WrongBlock << Way::Drop << repaired.arg(patch);
    QTest::newRow("device 7F") << ItemKind::Patches << Spoil::BadDevice << Way::Paste << repaired.arg(patch);
    QTest::newRow("part framing") << ItemKind::Performances << Spoil::MissingEnd << Way::Drop
                                  << repaired.arg(QStringLiteral("performance"));
    QTest::newRow("rhythm key") << ItemKind::RhythmSets << Spoil::HighBit << Way::Paste
                                << repaired.arg(QStringLiteral("rhythm set"));
    QTest::newRow("text") << ItemKind::Patches << Spoil::Text << Way::Paste << refused.arg(patch);
    QTest::newRow("text performance") << ItemKind::Performances << Spoil::Text << Way::Drop
                                      << refused.arg(QStringLiteral("performance"));
    QTest::newRow("wrong size") << ItemKind::Patches << Spoil::WrongSize << Way::LibraryDrop << refused.arg(patch);
    QTest::newRow("JV-1080 layout") << ItemKind::Patches << Spoil::OtherLayout << Way::Paste << refused.arg(patch);
    QTest::newRow("cut wrongly") << ItemKind::Patches << Spoil::CutWrongly << Way::Drop << refused.arg(patch);
}

void TestBankOperations::foreignItemsAreRepairedOrRefused()
{
    QFETCH(ItemKind, kind);
    QFETCH(Spoil, how);
    QFETCH(Way, way);
    QFETCH(QString, message);
    BankFixture bank;
    BankFixture source(20);
    source.doc->array(kind).RecalcChecksums();
    const QByteArray image = spoilt(*source.doc, kind, how);
    const QByteArray before = bank.snapshot();
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    CBankOperations ops(doc, sel);
    const int dest = 1;
    int done = 0;
    if (way == Way::Paste) {
        bank.selectOnly(kind, dest);
        done = ops.Paste(kind, {image});
    } else {
        sel.SetDropMark(kind, dest, true);
        done = way == Way::Drop ? ops.DropItems(kind, {image}) : ops.DropLibraryPatches(kind, {image});
    }
    const bool refused = message.contains(QStringLiteral("left out"));
    QCOMPARE(done, refused ? 0 : 1);
    QCOMPARE(doc.historySize(), done);
    QCOMPARE(bank.reporter.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (refused) {
        QCOMPARE(bank.snapshot(), before);
        return;
    }
    const QByteArray pasted = doc.array(kind).record(dest);
    if (message.isEmpty())
        QCOMPARE(pasted, image);
    QVERIFY(wellFormed(pasted));
    // Each damage is undone: the record is the one it was made from.
    QCOMPARE(pasted, source.doc->array(kind).record(1));
    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
}

void TestBankOperations::foreignCopyboxFileKeepsTheBankReadable()
{
    // A whole bank in the JV-1080 layout loaded as copybox data: 175 entries of
    // misaligned bytes (the first one a performance).
    BankFixture source(9);
    for (ItemKind kind : kItemKinds)
        source.doc->array(kind).RecalcChecksums();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bank.syx"));
    source.settings.model = SynthModel::Jv1080;
    QVERIFY(source.doc->SaveBank(CToneloomDoc::kSaveAll, path));
    CCopybox box;
    CCollectingReporter reporter;
    QVERIFY(box.loadFile(path, reporter));
    QCOMPARE(box.count(ItemKind::Patches), 108942 / 645);
    std::vector<QByteArray> entries;
    for (int i = 0; i < box.count(ItemKind::Patches); ++i)
        entries.push_back(box.entry(ItemKind::Patches, i));

    BankFixture bank;
    bank.selectOnly(ItemKind::Patches, 0);
    CBankOperations ops(*bank.doc, *bank.sel);
    const int pasted = ops.Paste(ItemKind::Patches, entries);
    QVERIFY(pasted < 128);
    QCOMPARE(bank.reporter.texts().size(), qsizetype(1));
    QVERIFY2(
        bank.reporter.texts().front().contains(QStringLiteral(" of the 128 items are not patches and were left out.")),
        qPrintable(bank.reporter.texts().front()));

    // What is saved reads back whole: 128 patches, every message well-formed.
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    QVERIFY(bank.doc->writeBank(saved, CToneloomDoc::kSaveAll));
    QVERIFY(scanSysEx(saved.data()).problems.empty());
    CCollectingReporter again;
    CToneloomDoc reopened(bank.settings, again);
    QBuffer in(&saved.buffer());
    in.open(QIODevice::ReadOnly);
    std::vector<CToneloomDoc::Run> runs;
    QVERIFY(reopened.readBank(in, nullptr, &runs));
    int patches = 0;
    for (const auto& run : runs)
        patches += run.kind == ItemKind::Patches ? run.records : 0;
    QCOMPARE(patches, 128);
    for (int i = 0; i < 128; ++i)
        QCOMPARE(reopened.patches().name(i), bank.doc->patches().name(i));
}

void TestBankOperations::dropRun_data()
{
    QTest::addColumn<int>("hit");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("marked");
    QTest::newRow("inside") << 10 << 2 << 128 << 10 << 2;
    QTest::newRow("three onto the last cell") << 127 << 3 << 128 << 125 << 3;
    QTest::newRow("just fits") << 125 << 3 << 128 << 125 << 3;
    QTest::newRow("outside the grid") << -1 << 3 << 128 << -1 << 0;
    QTest::newRow("more than the kind holds") << 0 << 5 << 2 << 0 << 2;
    QTest::newRow("performances") << 30 << 4 << 32 << 28 << 4;
}

void TestBankOperations::dropRun()
{
    QFETCH(int, hit);
    QFETCH(int, count);
    QFETCH(int, items);
    QFETCH(int, first);
    QFETCH(int, marked);
    const auto run = CBankOperations::dropRun(hit, count, items);
    QCOMPARE(run.first, first);
    QCOMPARE(run.second, marked);
}

void TestBankOperations::dropFromAnotherBank()
{
    BankFixture target;
    BankFixture source(7);
    source.selectOnly(ItemKind::Patches, 5);
    source.addToSelection(ItemKind::Patches, 40);
    source.addToSelection(ItemKind::Patches, 2);
    target.sel->SetDropMark(ItemKind::Patches, 126, true);
    target.sel->SetDropMark(ItemKind::Patches, 127, true);
    const QByteArray sourceBefore = source.snapshot();
    CBankOperations ops(*target.doc, *target.sel);
    // Three selected, two cells left: the third is not written beyond the end.
    QCOMPARE(ops.DropFromBank(ItemKind::Patches, *source.doc, *source.sel), 2);
    QCOMPARE(target.doc->patches().record(126), source.doc->patches().record(2));
    QCOMPARE(target.doc->patches().record(127), source.doc->patches().record(5));
    QCOMPARE(target.sel->FirstDropMarked(ItemKind::Patches), -1);
    QCOMPARE(target.doc->undoLabel(), QStringLiteral("Undo: Paste \"P 12\"\tCtrl+Z"));
    QCOMPARE(source.snapshot(), sourceBefore);

    // Without a mark nothing is dropped.
    BankFixture unmarked;
    CBankOperations none(*unmarked.doc, *unmarked.sel);
    QCOMPARE(none.DropFromBank(ItemKind::Patches, *source.doc, *source.sel), 0);
    QCOMPARE(unmarked.doc->historySize(), 0);
}

void TestBankOperations::libraryDrop()
{
    BankFixture bank;
    BankFixture library(3);
    std::vector<QByteArray> images = {library.doc->patches().record(0), library.doc->patches().record(1)};
    const QByteArray before = bank.snapshot();
    CBankOperations ops(*bank.doc, *bank.sel);

    // While performances are shown a library drag drops nothing.
    bank.sel->SetDropMark(ItemKind::Performances, 4, true);
    QCOMPARE(ops.DropLibraryPatches(ItemKind::Performances, images), 0);
    QCOMPARE(bank.sel->FirstDropMarked(ItemKind::Performances), -1);
    QCOMPARE(bank.snapshot(), before);

    bank.sel->SetDropMark(ItemKind::Patches, 20, true);
    bank.sel->SetDropMark(ItemKind::Patches, 21, true);
    QCOMPARE(ops.DropLibraryPatches(ItemKind::Patches, images), 2);
    QCOMPARE(bank.doc->patches().record(20), images[0]);
    QCOMPARE(bank.doc->patches().record(21), images[1]);
    QCOMPARE(bank.doc->historySize(), 2);
}

void TestBankOperations::copyEffect_data()
{
    QTest::addColumn<ItemKind>("sourceKind");
    QTest::addColumn<ItemKind>("destKind");
    QTest::addColumn<EffectCopy>("type");
    QTest::addColumn<int>("first"); // patch common data bytes
    QTest::addColumn<int>("last");
    const struct
    {
        const char* name;
        EffectCopy type;
        int first;
        int last;
    } types[] = {{"ALL", EffectCopy::All, 12, 43},
                 {"EFX", EffectCopy::Efx, 12, 32},
                 {"CHORUS", EffectCopy::Chorus, 33, 38},
                 {"REVERB", EffectCopy::Reverb, 39, 43}};
    const char* kinds[] = {"patch", "performance"};
    for (const auto& t : types) {
        for (int s = 0; s < 2; ++s) {
            for (int d = 0; d < 2; ++d) {
                QTest::addRow("%s %s to %s", t.name, kinds[s], kinds[d])
                    << static_cast<ItemKind>(s) << static_cast<ItemKind>(d) << t.type << t.first << t.last;
            }
        }
    }
}

void TestBankOperations::copyEffect()
{
    QFETCH(ItemKind, sourceKind);
    QFETCH(ItemKind, destKind);
    QFETCH(EffectCopy, type);
    QFETCH(int, first);
    QFETCH(int, last);
    QCOMPARE(CBankOperations::effectRange(type), std::make_pair(first, last));
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    const QByteArray source = doc.array(sourceKind).record(3);
    const QByteArray dest = doc.array(destKind).record(20);
    const QByteArray before = bank.snapshot();
    CBankOperations ops(doc, sel);
    ops.CopyEffect(sourceKind, 3, destKind, 20, type);
    QCOMPARE(doc.historySize(), 1);
    QCOMPARE(doc.undoLabel(),
             QStringLiteral("Undo: Copy Effect to \"%1 20\"\tCtrl+Z").arg(QLatin1Char("PF"[kindNumber(destKind)])));

    // Exactly the block moved: one byte later in a performance than in a patch.
    QByteArray expected = dest;
    const int s = 9 + (sourceKind == ItemKind::Performances ? 1 : 0);
    const int d = 9 + (destKind == ItemKind::Performances ? 1 : 0);
    for (int b = first; b <= last; ++b)
        expected[d + b] = source[s + b];
    QCOMPARE(doc.array(destKind).record(20), expected);
    QVERIFY(expected != dest);
    // The tempo bytes beyond the block keep their values.
    QCOMPARE(doc.array(destKind).record(20).mid(d + 44, 4), dest.mid(d + 44, 4));
    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
}

void TestBankOperations::copyEffectOntoItself()
{
    BankFixture bank;
    CBankOperations ops(*bank.doc, *bank.sel);
    const QByteArray before = bank.snapshot();
    ops.CopyEffect(ItemKind::Patches, 4, ItemKind::Patches, 4, EffectCopy::All);
    QCOMPARE(bank.doc->historySize(), 1);
    QCOMPARE(bank.snapshot(), before);
    // Rhythm sets have no effect block.
    ops.CopyEffect(ItemKind::RhythmSets, 0, ItemKind::Patches, 4, EffectCopy::All);
    QCOMPARE(bank.doc->historySize(), 1);
}

void TestBankOperations::rhythmKeyNames()
{
    const QStringList names = rhythmkeys::keyNames();
    QCOMPARE(names.size(), 64);
    QCOMPARE(names.mid(0, 4), (QStringList{"B1 ", "C2 ", "C#2", "D2 "}));
    QCOMPARE(names.mid(61), (QStringList{"C7 ", "C#7", "D7 "}));
    QCOMPARE(names.at(7), QStringLiteral("F#2"));
    QCOMPARE(names.at(11), QStringLiteral("A#2"));
    QCOMPARE(rhythmkeys::keyName(64), QString());
}

void TestBankOperations::copyToPatch()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    bank.selectOnly(ItemKind::RhythmSets, 1);
    const QByteArray rhythm = doc.rhythmSets().record(1);
    const QByteArray before = bank.snapshot();
    // Keys 36, 38, 42 and 46: "C2 ", "D2 ", "F#2", "A#2".
    const std::array<int, 4> keys = {1, 3, 7, 11};
    CBankOperations ops(doc, sel);
    QVERIFY(ops.CopyToPatch(keys, 17));
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Copy To Patch: \"P 17\"\tCtrl+Z"));
    const QByteArray patch = doc.patches().record(17);
    QCOMPARE(patch.mid(9, 12), QByteArray("RhythmExtrct"));
    const int lower[] = {36, 48, 60, 72};
    const int upper[] = {47, 59, 71, 83};
    const int pitch[] = {66, 54, 42, 30};
    // Tone byte <- key byte, a few of each run of the mapping; the key's pan, random
    // pan and alternate pan land on the tone's pan (119), random pan (121) and
    // alternate pan (122).
    const QList<QPair<int, int>> mapped = {{0, 0},    {5, 5},    {17, 9},   {20, 11},  {62, 13},  {67, 17},  {68, 17},
                                           {77, 25},  {87, 31},  {89, 32},  {98, 40},  {106, 42}, {108, 43}, {116, 50},
                                           {119, 51}, {121, 52}, {122, 53}, {125, 54}, {128, 57}};
    // The untouched bytes come from the default patch.
    CPatchArray defaults;
    const QByteArray init = defaults.record(17);
    for (int t = 0; t < 4; ++t) {
        const int tone = CPatchArray::toneParam(t, 0);
        const int key = CRhythmArray::noteParam(keys[static_cast<std::size_t>(t)], 0);
        QCOMPARE(int(patch[tone + 14]), lower[t]);
        QCOMPARE(int(patch[tone + 15]), upper[t]);
        QCOMPARE(int(patch[tone + 61]), pitch[t]);
        for (const auto& m : mapped)
            QCOMPARE(patch[tone + m.first], rhythm[key + m.second]);
        for (int b :
             {6, 7, 8, 9, 13, 16, 19, 21, 60, 64, 69, 78, 79, 82, 86, 90, 99, 100, 102, 109, 117, 118, 120, 124})
            QCOMPARE(patch[tone + b], init[tone + b]);
    }
    QCOMPARE(patch.mid(CPatchArray::commonParam(12), 62), init.mid(CPatchArray::commonParam(12), 62));
    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
}

void TestBankOperations::copyToPatchRefusesBadKeys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::newRow("not ascending") << QList<int>{3, 1, 7, 11};
    QTest::newRow("twice") << QList<int>{1, 1, 7, 11};
    QTest::newRow("beyond the last key") << QList<int>{1, 3, 7, 64};
}

void TestBankOperations::copyToPatchRefusesBadKeys()
{
    QFETCH(QList<int>, keys);
    BankFixture bank;
    const QByteArray before = bank.snapshot();
    CBankOperations ops(*bank.doc, *bank.sel);
    QVERIFY(!ops.CopyToPatch({keys[0], keys[1], keys[2], keys[3]}, 0));
    QCOMPARE(bank.doc->historySize(), 0);
    QCOMPARE(bank.snapshot(), before);
}

QTEST_GUILESS_MAIN(TestBankOperations)
#include "tst_bankoperations.moc"
