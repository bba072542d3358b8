#include "tests/bank/BankFixture.h"

#include "bank/BankOperations.h"
#include "bank/CopyEffectCommand.h"
#include "bank/CopyToPatchCommand.h"
#include "bank/EditCommand.h"
#include "bank/InitCommand.h"
#include "bank/MoveCommand.h"
#include "bank/PartReferences.h"
#include "bank/PasteCommand.h"
#include "bank/RandomCommand.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum class CommandType { Edit, Paste, CopyToPatch, CopyEffect, Init };

std::unique_ptr<CBankCommand> makeCommand(CommandType type, CToneloomDoc& doc, ItemKind kind, int index,
                                          const QByteArray& oldImage, const QByteArray& newImage)
{
    switch (type) {
    case CommandType::Edit:
        return std::make_unique<CEditCommand>(doc, kind, index, oldImage, newImage);
    case CommandType::Paste:
        return std::make_unique<CPasteCommand>(doc, kind, index, oldImage, newImage);
    case CommandType::CopyToPatch:
        return std::make_unique<CCopyToPatchCommand>(doc, kind, index, oldImage, newImage);
    case CommandType::CopyEffect:
        return std::make_unique<CCopyEffectCommand>(doc, kind, index, oldImage, newImage);
    case CommandType::Init:
        return std::make_unique<CInitCommand>(doc, kind, index);
    }
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(CommandType)

class TestBankCommands : public QObject
{
    Q_OBJECT

private slots:
    void doUndoRedoRestoreEveryByte_data();
    void doUndoRedoRestoreEveryByte();
    void menuLabels();
    void newCommandDiscardsRedoTail();
    void modifiedMark();
    void undoAfterSaveKeepsBankModified();
    void initMakesOneEntryPerSelectedItem();
    void moveExampleAndItsUndo_data();
    void moveExampleAndItsUndo();
    void undoOfMoveAfterAreaChange_data();
    void undoOfMoveAfterAreaChange();
    void moveOrder_data();
    void moveOrder();
    void dropOntoCurrentDoesNothing();
    void moveOfPerformances();
    void randomUndoAndRedo();
};

void TestBankCommands::doUndoRedoRestoreEveryByte_data()
{
    QTest::addColumn<CommandType>("type");
    QTest::addColumn<ItemKind>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("label");
    // Record 5 of each kind is named "X 5"; the new image is record 9 of another bank.
    QTest::newRow("edit patch") << CommandType::Edit << ItemKind::Patches << 5 << "Edit \"P 5\"";
    QTest::newRow("paste performance") << CommandType::Paste << ItemKind::Performances << 5 << "Paste \"F 109\"";
    QTest::newRow("paste rhythm") << CommandType::Paste << ItemKind::RhythmSets << 1 << "Paste \"R 101\"";
    QTest::newRow("copy to patch") << CommandType::CopyToPatch << ItemKind::Patches << 127
                                   << "Copy To Patch: \"P 127\"";
    QTest::newRow("copy effect") << CommandType::CopyEffect << ItemKind::Performances << 0
                                 << "Copy Effect to \"F 100\"";
    QTest::newRow("init patch") << CommandType::Init << ItemKind::Patches << 5 << "Init \"P 5\"";
    QTest::newRow("init performance") << CommandType::Init << ItemKind::Performances << 31 << "Init \"F 31\"";
    QTest::newRow("init rhythm") << CommandType::Init << ItemKind::RhythmSets << 0 << "Init \"R 0\"";
}

void TestBankCommands::doUndoRedoRestoreEveryByte()
{
    QFETCH(CommandType, type);
    QFETCH(ItemKind, kind);
    QFETCH(int, index);
    QFETCH(QString, label);

    BankFixture bank;
    BankFixture other(100);
    CToneloomDoc& doc = *bank.doc;
    const QByteArray before = bank.snapshot();
    const QByteArray oldImage = doc.array(kind).record(index);
    const QByteArray newImage = other.doc->array(kind).record(index == 1 && kind == ItemKind::RhythmSets ? 1
                                                              : index % 2                                ? 9
                                                                                                         : 0);
    QSignalSpy changed(&doc, &CToneloomDoc::itemChanged);

    doc.ExecuteCommand(makeCommand(type, doc, kind, index, oldImage, newImage));
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: ") + label + QStringLiteral("\tCtrl+Z"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<ItemKind>(), kind);
    QCOMPARE(changed.at(0).at(1).toInt(), index);
    const QByteArray after = bank.snapshot();
    QVERIFY(after != before);
    // Only the record changed, and it holds the new contents.
    QByteArray expected = before;
    const int kindStart = kind == ItemKind::Patches ? 0
                          : kind == ItemKind::Performances
                              ? bank.bytes(ItemKind::Patches).size()
                              : bank.bytes(ItemKind::Patches).size() + bank.bytes(ItemKind::Performances).size();
    const int size = doc.array(kind).GetRecordSize();
    if (type == CommandType::Init) {
        CRecordArray& records = doc.array(kind);
        QByteArray init = records.record(index);
        QVERIFY(init != oldImage);
        expected.replace(kindStart + index * size, size, init);
    } else {
        expected.replace(kindStart + index * size, size, newImage);
    }
    QCOMPARE(after, expected);

    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(doc.redoLabel(), QStringLiteral("Redo: ") + label + QStringLiteral("\tCtrl+A"));
    doc.Redo();
    QCOMPARE(bank.snapshot(), after);
    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
}

void TestBankCommands::menuLabels()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo\tCtrl+Z"));
    QCOMPARE(doc.redoLabel(), QStringLiteral("Redo\tCtrl+A"));
    QVERIFY(!doc.canUndo());
    QVERIFY(!doc.canRedo());

    // A name ending in blanks appears without them.
    bank.setName(ItemKind::Patches, 3, QStringLiteral("Warm Pad"));
    QByteArray edited = doc.patches().record(3);
    edited[40] = 0x11;
    QSignalSpy history(&doc, &CToneloomDoc::historyChanged);
    doc.ExecuteCommand(std::make_unique<CEditCommand>(doc, ItemKind::Patches, 3, doc.patches().record(3), edited));
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Edit \"Warm Pad\"\tCtrl+Z"));
    QCOMPARE(doc.redoLabel(), QStringLiteral("Redo\tCtrl+A"));
    QVERIFY(doc.canUndo());
    QVERIFY(!doc.canRedo());

    doc.Undo();
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo\tCtrl+Z"));
    QCOMPARE(doc.redoLabel(), QStringLiteral("Redo: Edit \"Warm Pad\"\tCtrl+A"));
    QVERIFY(!doc.canUndo());
    QVERIFY(doc.canRedo());
    QCOMPARE(history.count(), 2);

    // Undo and Redo with nothing to do change nothing.
    doc.Undo();
    QCOMPARE(doc.historyPosition(), -1);
    doc.Redo();
    doc.Redo();
    QCOMPARE(doc.historyPosition(), 0);
    QCOMPARE(history.count(), 3);
}

void TestBankCommands::newCommandDiscardsRedoTail()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    for (int i = 0; i < 3; ++i)
        doc.ExecuteCommand(std::make_unique<CInitCommand>(doc, ItemKind::Patches, i));
    doc.Undo();
    doc.Undo();
    QCOMPARE(doc.historySize(), 3);
    QCOMPARE(doc.historyPosition(), 0);
    doc.ExecuteCommand(std::make_unique<CInitCommand>(doc, ItemKind::Patches, 50));
    QCOMPARE(doc.historySize(), 2);
    QCOMPARE(doc.historyPosition(), 1);
    QVERIFY(!doc.canRedo());
    QCOMPARE(doc.redoLabel(), QStringLiteral("Redo\tCtrl+A"));
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Init \"P 50\"\tCtrl+Z"));
    // Patches 1 and 2 are as before: their inits were discarded, not done again.
    BankFixture fresh;
    QCOMPARE(doc.patches().record(1), fresh.doc->patches().record(1));
    QCOMPARE(doc.patches().record(2), fresh.doc->patches().record(2));
}

void TestBankCommands::modifiedMark()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    QSignalSpy modified(&doc, &CToneloomDoc::modifiedChanged);
    doc.ExecuteCommand(std::make_unique<CInitCommand>(doc, ItemKind::Patches, 0));
    QVERIFY(doc.isModified());
    doc.Undo();
    QVERIFY(!doc.isModified()); // closing a freshly loaded bank asks nothing
    doc.Redo();
    QVERIFY(doc.isModified());
    QCOMPARE(modified.count(), 3);
}

void TestBankCommands::undoAfterSaveKeepsBankModified()
{
    QTemporaryDir dir;
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    doc.ExecuteCommand(std::make_unique<CInitCommand>(doc, ItemKind::Patches, 0));
    QVERIFY(doc.OnSaveDocument(dir.filePath(QStringLiteral("bank.syx"))));
    QVERIFY(!doc.isModified());
    // The file holds the initialised patch; the bank in memory no longer does.
    doc.Undo();
    QVERIFY(doc.isModified());
    doc.Redo();
    QVERIFY(!doc.isModified());
    // Once the saved state has been discarded from the history, nothing is clean.
    doc.Undo();
    doc.ExecuteCommand(std::make_unique<CInitCommand>(doc, ItemKind::Patches, 1));
    doc.Undo();
    QVERIFY(doc.isModified());
}

void TestBankCommands::initMakesOneEntryPerSelectedItem()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    const QByteArray before = bank.snapshot();
    const QList<int> chosen = {2, 7, 8, 40, 127};
    bank.selectOnly(ItemKind::Patches, chosen.first());
    for (int i : chosen.mid(1))
        bank.addToSelection(ItemKind::Patches, i);
    CBankOperations ops(doc, sel);
    QCOMPARE(ops.Init(ItemKind::Patches), 5);
    QCOMPARE(doc.historySize(), 5);
    for (int i : chosen)
        QCOMPARE(doc.patches().name(i), QStringLiteral("INIT PATCH  "));
    for (int k = chosen.size() - 1; k >= 0; --k) {
        QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Init \"P %1\"\tCtrl+Z").arg(chosen[k]));
        doc.Undo();
        QCOMPARE(doc.patches().name(chosen[k]), QStringLiteral("P %1").arg(chosen[k]).leftJustified(12));
    }
    QCOMPARE(bank.snapshot(), before);
}

void TestBankCommands::moveExampleAndItsUndo_data()
{
    QTest::addColumn<bool>("card");
    QTest::newRow("user memory") << false;
    QTest::newRow("card memory") << true;
}

void TestBankCommands::moveExampleAndItsUndo()
{
    QFETCH(bool, card);
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    CPerformanceArray& perfs = doc.performances();
    if (card)
        perfs.SetCardMemory();
    const int own = card ? 2 : 1;
    const int foreign = card ? 1 : 2;
    CPartReferences::setPatch(perfs, 0, 0, 0, own, 4);
    CPartReferences::setPatch(perfs, 0, 1, 0, own, 3);
    CPartReferences::setPatch(perfs, 0, 2, 0, own, 5);
    CPartReferences::setPatch(perfs, 1, 15, 0, own, 100);  // not moved
    CPartReferences::setPatch(perfs, 1, 0, 0, foreign, 4); // another memory: keeps its number
    CPartReferences::setPatch(perfs, 1, 1, 1, 1, 4);       // GM: keeps its number
    CPartReferences::setPatch(perfs, 1, 2, 2, own, 4);     // a board: keeps its number
    const QByteArray before = bank.snapshot();
    const QByteArray patch3 = doc.patches().record(3);
    const QByteArray patch4 = doc.patches().record(4);
    const QByteArray patch5 = doc.patches().record(5);
    const QByteArray patch11 = doc.patches().record(11);

    bank.selectOnly(ItemKind::Patches, 3);
    sel.SelectItem(ItemKind::Patches, 4, true, false); // shift: 3 and 4, 4 current
    sel.SetDropMark(ItemKind::Patches, 10, true);
    sel.SetDropMark(ItemKind::Patches, 11, true);
    QSignalSpy audition(&doc, &CToneloomDoc::auditionRequested);
    CBankOperations ops(doc, sel);
    QVERIFY(ops.DropMove(ItemKind::Patches));
    QCOMPARE(sel.FirstDropMarked(ItemKind::Patches), -1);
    QCOMPARE(doc.historySize(), 1);
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Move Patches\tCtrl+Z"));

    QCOMPARE(doc.patches().record(10), patch3);
    QCOMPARE(doc.patches().record(11), patch4);
    QCOMPARE(doc.patches().record(3), patch5);
    QCOMPARE(doc.patches().record(9), patch11);
    QCOMPARE(CPartReferences::patchNumber(perfs, 0, 0), 11);
    QCOMPARE(CPartReferences::patchNumber(perfs, 0, 1), 10);
    QCOMPARE(CPartReferences::patchNumber(perfs, 0, 2), 3);
    QCOMPARE(CPartReferences::patchNumber(perfs, 1, 15), 100);
    QCOMPARE(CPartReferences::patchNumber(perfs, 1, 0), 4);
    QCOMPARE(CPartReferences::patchNumber(perfs, 1, 1), 4);
    QCOMPARE(CPartReferences::patchNumber(perfs, 1, 2), 4);
    QCOMPARE(bank.selection(ItemKind::Patches), (QList<int>{10, 11}));
    QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 10);
    QCOMPARE(audition.count(), 1);
    QCOMPARE(audition.at(0).at(1).toInt(), 10);

    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
    QCOMPARE(bank.selection(ItemKind::Patches), (QList<int>{3, 4}));
    QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 3);
    QCOMPARE(audition.at(1).at(1).toInt(), 3);
}

void TestBankCommands::undoOfMoveAfterAreaChange_data()
{
    QTest::addColumn<bool>("cardBank");
    QTest::addColumn<bool>("cardBeforeUndo");
    // A send to card memory leaves card addresses in a user bank; a save of a bank that
    // came from a card gives it user addresses.
    QTest::newRow("user bank sent to card") << false << true;
    QTest::newRow("card bank saved") << true << false;
}

void TestBankCommands::undoOfMoveAfterAreaChange()
{
    QFETCH(bool, cardBank);
    QFETCH(bool, cardBeforeUndo);
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    CPerformanceArray& perfs = doc.performances();
    if (cardBank)
        perfs.SetCardMemory();
    const int own = cardBank ? 2 : 1;
    const int other = cardBank ? 1 : 2;
    CPartReferences::setPatch(perfs, 0, 0, 0, own, 4);
    CPartReferences::setPatch(perfs, 0, 1, 0, own, 3);
    CPartReferences::setPatch(perfs, 7, 5, 0, own, 9);
    CPartReferences::setPatch(perfs, 2, 3, 0, other, 4); // the other memory: never remapped
    const auto numbers = [&] {
        return QList<int>{CPartReferences::patchNumber(perfs, 0, 0), CPartReferences::patchNumber(perfs, 0, 1),
                          CPartReferences::patchNumber(perfs, 7, 5), CPartReferences::patchNumber(perfs, 2, 3)};
    };
    const QList<int> before = numbers();
    const QByteArray patches = bank.bytes(ItemKind::Patches);

    bank.selectOnly(ItemKind::Patches, 3);
    sel.SelectItem(ItemKind::Patches, 4, true, false);
    sel.SetDropMark(ItemKind::Patches, 10, true);
    CBankOperations ops(doc, sel);
    QVERIFY(ops.DropMove(ItemKind::Patches));
    const QList<int> moved{11, 10, 7, 4};
    QCOMPARE(numbers(), moved);

    if (cardBeforeUndo)
        perfs.SetCardMemory();
    else
        perfs.SetUserMemory();
    doc.Undo();
    QCOMPARE(numbers(), before);
    QCOMPARE(bank.bytes(ItemKind::Patches), patches);
    doc.Redo();
    QCOMPARE(numbers(), moved);
    doc.Undo();
    QCOMPARE(numbers(), before);
}

void TestBankCommands::moveOrder_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("first");
    QTest::addColumn<QList<int>>("order");
    QTest::newRow("two forward") << QList<int>{1, 2} << 4 << QList<int>{0, 3, 4, 5, 1, 2, 6, 7};
    QTest::newRow("two back") << QList<int>{5, 6} << 1 << QList<int>{0, 5, 6, 1, 2, 3, 4, 7};
    QTest::newRow("scattered") << QList<int>{0, 3, 7} << 2 << QList<int>{1, 2, 0, 3, 7, 4, 5, 6};
    QTest::newRow("to the end") << QList<int>{0} << 7 << QList<int>{1, 2, 3, 4, 5, 6, 7, 0};
    QTest::newRow("too late is pushed back") << QList<int>{0, 1} << 7 << QList<int>{2, 3, 4, 5, 6, 7, 0, 1};
}

void TestBankCommands::moveOrder()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, first);
    QFETCH(QList<int>, order);
    std::vector<bool> flags(8, false);
    for (int i : selected)
        flags[static_cast<std::size_t>(i)] = true;
    const std::vector<int> result = CBankOperations::moveOrder(flags, first);
    QCOMPARE(QList<int>(result.begin(), result.end()), order);
}

void TestBankCommands::dropOntoCurrentDoesNothing()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    bank.selectOnly(ItemKind::Patches, 6);
    sel.SetDropMark(ItemKind::Patches, 6, true);
    const QByteArray before = bank.snapshot();
    CBankOperations ops(doc, sel);
    QVERIFY(!ops.DropMove(ItemKind::Patches));
    QCOMPARE(doc.historySize(), 0);
    QCOMPARE(sel.FirstDropMarked(ItemKind::Patches), -1);
    QCOMPARE(bank.snapshot(), before);
    QVERIFY(!doc.isModified());
    // No mark: no move either.
    QVERIFY(!ops.DropMove(ItemKind::Patches));
    QCOMPARE(doc.historySize(), 0);
}

void TestBankCommands::moveOfPerformances()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    CItemSelection& sel = *bank.sel;
    CPartReferences::setPatch(doc.performances(), 5, 0, 0, 1, 7); // patch references are not touched
    const QByteArray before = bank.snapshot();
    const QByteArray patches = bank.bytes(ItemKind::Patches);
    const QByteArray perf0 = doc.performances().record(0);
    bank.selectOnly(ItemKind::Performances, 0);
    sel.SetDropMark(ItemKind::Performances, 31, true);
    CBankOperations ops(doc, sel);
    QVERIFY(ops.DropMove(ItemKind::Performances));
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Move Patches\tCtrl+Z"));
    QCOMPARE(doc.performances().record(31), perf0);
    QCOMPARE(CPartReferences::patchNumber(doc.performances(), 4, 0), 7);
    QCOMPARE(bank.bytes(ItemKind::Patches), patches);
    QCOMPARE(sel.CurrentIndex(ItemKind::Performances), 31);
    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
}

void TestBankCommands::randomUndoAndRedo()
{
    BankFixture bank;
    CToneloomDoc& doc = *bank.doc;
    const QByteArray before = bank.snapshot();
    int runs = 0;
    doc.ExecuteCommand(std::make_unique<CRandomCommand>(doc, [&runs](CPatchArray& patches) {
        ++runs;
        for (int i = 0; i < patches.GetCount(); ++i)
            patches.SetName(i, "Randomised  ");
    }));
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Random\tCtrl+Z"));
    const QByteArray randomised = bank.snapshot();
    QVERIFY(randomised != before);
    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
    doc.Redo();
    QCOMPARE(bank.snapshot(), randomised);
    QCOMPARE(runs, 1);
    doc.Undo();
    QCOMPARE(bank.snapshot(), before);
}

QTEST_GUILESS_MAIN(TestBankCommands)
#include "tst_bankcommands.moc"
