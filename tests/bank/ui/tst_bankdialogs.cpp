#include "bank/Copybox.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/CopyEffectDlg.h"
#include "bank/ui/CopyToPatchDlg.h"
#include "bank/ui/CopyboxDlg.h"
#include "bank/ui/GlobalSettingsDlg.h"
#include "bank/ui/RandomDlg.h"
#include "bank/ui/UsedPatchesDlg.h"
#include "ui/Prompter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers the file choosers from a script and keeps the messages.
class CScriptedPrompter : public CPrompter
{
public:
    QString openFile;
    QString saveFile;
    QStringList messages;

    void showMessage(MessageIcon, const QString& text) override { messages << text; }
    QString getSaveFileName(const QString&, const QString&) override { return saveFile; }
    QString getOpenFileName(const QString&, const QString&) override { return openFile; }
};

QByteArray patchNamed(const QString& name)
{
    CPatchArray patches;
    QByteArray image = patches.record(0);
    image.replace(9, 12, name.toLatin1().leftJustified(12, ' ', true));
    return image;
}

QStringList texts(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text().trimmed();
    return lines;
}

void selectRows(QListWidget* list, const QList<int>& rows)
{
    list->clearSelection();
    for (int row : rows)
        list->item(row)->setSelected(true);
}

} // namespace

class TestBankDialogs : public QObject
{
    Q_OBJECT

private slots:
    void copyboxLabelsAndButtons_data();
    void copyboxLabelsAndButtons();
    void copyboxPasteAndClose();
    void copyboxRemoveAndSelectAll();
    void copyboxSaveAndLoad();
    void copyEffectLists();
    void usedPatchesFollowSelection();
    void globalSettings();
    void randomButtons();
    void copyToPatchNeedsFourKeys_data();
    void copyToPatchNeedsFourKeys();
};

void TestBankDialogs::copyboxLabelsAndButtons_data()
{
    QTest::addColumn<ItemKind>("kind");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("files");
    QTest::newRow("patches") << ItemKind::Patches << "Patches:" << true;
    QTest::newRow("performances") << ItemKind::Performances << "Performances:" << false;
    QTest::newRow("rhythm sets") << ItemKind::RhythmSets << "Drums:" << false;
}

void TestBankDialogs::copyboxLabelsAndButtons()
{
    QFETCH(ItemKind, kind);
    QFETCH(QString, label);
    QFETCH(bool, files);
    CCopybox box;
    box.setKind(kind);
    CScriptedPrompter prompter;
    CCopyboxDlg dlg(box, prompter);
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Copybox"));
    QCOMPARE(dlg.label()->text(), label);
    QCOMPARE(dlg.loadButton()->isVisible(), files);
    QCOMPARE(dlg.saveButton()->isVisible(), files);
    QVERIFY(dlg.pasteButton()->isDefault());
    QVERIFY(!dlg.closeButton()->isDefault());
    QCOMPARE(dlg.pasteButton()->text(), QStringLiteral("&Paste"));
    QCOMPARE(dlg.removeButton()->text(), QStringLiteral("&Remove"));
    QCOMPARE(dlg.selectAllButton()->text(), QStringLiteral("Select &All"));
}

void TestBankDialogs::copyboxPasteAndClose()
{
    CCopybox box;
    for (const char* name : {"One", "Two", "Three", "Four"})
        box.Add(patchNamed(QString::fromLatin1(name)), ItemKind::Patches);
    CScriptedPrompter prompter;
    {
        CCopyboxDlg dlg(box, prompter);
        // Lines show the name bytes, blanks kept; the first is selected.
        QCOMPARE(dlg.list()->item(0)->text(), QStringLiteral("One         "));
        QCOMPARE(dlg.list()->selectedItems().size(), 1);
        selectRows(dlg.list(), {3, 1});
        QTest::mouseClick(dlg.pasteButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(box.chosen(), (std::vector<int>{1, 3}));
    }
    {
        CCopyboxDlg dlg(box, prompter);
        dlg.list()->clearSelection();
        QTest::mouseClick(dlg.pasteButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted)); // and nothing chosen
        QVERIFY(box.chosen().empty());
    }
    {
        // Enter pastes the selected line.
        CCopyboxDlg dlg(box, prompter);
        dlg.show();
        selectRows(dlg.list(), {2});
        dlg.list()->setFocus();
        QTest::keyClick(dlg.list(), Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(box.chosen(), (std::vector<int>{2}));
    }
    {
        CCopyboxDlg dlg(box, prompter);
        QTest::mouseClick(dlg.closeButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(box.count(ItemKind::Patches), 4);
    }
}

void TestBankDialogs::copyboxRemoveAndSelectAll()
{
    CCopybox box;
    for (const char* name : {"One", "Two", "Three", "Four", "Five", "Six"})
        box.Add(patchNamed(QString::fromLatin1(name)), ItemKind::Patches);
    CScriptedPrompter prompter;
    CCopyboxDlg dlg(box, prompter);
    selectRows(dlg.list(), {1, 4}); // lines 2 and 5
    QTest::mouseClick(dlg.removeButton(), Qt::LeftButton);
    QCOMPARE(texts(dlg.list()), (QStringList{"One", "Three", "Four", "Six"}));
    QCOMPARE(box.count(ItemKind::Patches), 4);
    QCOMPARE(dlg.list()->selectedItems().size(), 1);
    QCOMPARE(dlg.list()->currentRow(), 0);
    QTest::mouseClick(dlg.selectAllButton(), Qt::LeftButton);
    QCOMPARE(dlg.list()->selectedItems().size(), 4);
    QTest::mouseClick(dlg.removeButton(), Qt::LeftButton);
    QCOMPARE(dlg.list()->count(), 0);
    QTest::mouseClick(dlg.removeButton(), Qt::LeftButton); // empty: nothing happens
    QCOMPARE(box.count(ItemKind::Patches), 0);
}

void TestBankDialogs::copyboxSaveAndLoad()
{
    QTemporaryDir dir;
    CCopybox box;
    box.Add(patchNamed(QStringLiteral("Alpha")), ItemKind::Patches);
    box.Add(patchNamed(QStringLiteral("Beta")), ItemKind::Patches);
    CScriptedPrompter prompter;
    CCopyboxDlg dlg(box, prompter);
    prompter.saveFile = dir.filePath(QStringLiteral("box.cop"));
    QTest::mouseClick(dlg.saveButton(), Qt::LeftButton);
    QCOMPARE(QFileInfo(prompter.saveFile).size(), 1290);

    // Load replaces the list with the file's entries.
    box.Add(patchNamed(QStringLiteral("Gamma")), ItemKind::Patches);
    CCopyboxDlg again(box, prompter);
    QCOMPARE(again.list()->count(), 3);
    prompter.openFile = prompter.saveFile;
    QTest::mouseClick(again.loadButton(), Qt::LeftButton);
    QCOMPARE(texts(again.list()), (QStringList{"Alpha", "Beta"}));
    QCOMPARE(again.list()->currentRow(), 0);

    // A file that cannot be read: a message, and the list stays.
    prompter.openFile = dir.filePath(QStringLiteral("missing.cop"));
    QTest::mouseClick(again.loadButton(), Qt::LeftButton);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(again.list()->count(), 2);
    // Cancelled choosers change nothing.
    prompter.openFile.clear();
    QTest::mouseClick(again.loadButton(), Qt::LeftButton);
    QCOMPARE(box.count(ItemKind::Patches), 2);
}

void TestBankDialogs::copyEffectLists()
{
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    doc.patches().SetName(1, "Second Patch");
    CCopyEffectDlg dlg(doc);
    QCOMPARE(dlg.sourceKindBox()->currentText(), QStringLiteral("PATCH"));
    QCOMPARE(dlg.destKindBox()->currentText(), QStringLiteral("PERFORMANCE"));
    QCOMPARE(dlg.typeBox()->currentText(), QStringLiteral("ALL"));
    QCOMPARE(dlg.typeBox()->count(), 4);
    QCOMPARE(dlg.sourceItemBox()->count(), 128);
    QCOMPARE(dlg.sourceItemBox()->itemText(1), QStringLiteral("2: Second Patch"));
    QCOMPARE(dlg.destItemBox()->count(), 32);
    QCOMPARE(dlg.destItemBox()->itemText(0), QStringLiteral("1: Init Perform"));

    // Changing a kind refills its list and selects the first entry.
    dlg.sourceItemBox()->setCurrentIndex(5);
    dlg.sourceKindBox()->setCurrentIndex(kindNumber(ItemKind::Performances));
    QCOMPARE(dlg.sourceItemBox()->count(), 32);
    QCOMPARE(dlg.sourceIndex(), 0);
    dlg.destKindBox()->setCurrentIndex(kindNumber(ItemKind::Patches));
    dlg.destItemBox()->setCurrentIndex(9);
    dlg.typeBox()->setCurrentIndex(2);
    QCOMPARE(dlg.sourceKind(), ItemKind::Performances);
    QCOMPARE(dlg.destKind(), ItemKind::Patches);
    QCOMPARE(dlg.destIndex(), 9);
    QCOMPARE(dlg.copyType(), CBankOperations::EffectCopy::Chorus);
}

void TestBankDialogs::usedPatchesFollowSelection()
{
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    // Parts 1 of performances 1 and 2 play user patch 1, all other parts preset A 1.
    for (int i : {0, 1}) {
        std::uint8_t* rec = doc.performances().data(i);
        rec[CPerformanceArray::partParam(0, 3)] = 1;
    }
    CUsedPatchesDlg dlg(CUsedPatches(doc.performances(), doc.patches(), nullptr));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Used Patches"));
    QCOMPARE(dlg.patchList()->count(), 2);
    QCOMPARE(dlg.patchList()->currentRow(), 0);
    QCOMPARE(dlg.patchList()->item(0)->text(), QStringLiteral("Group 0-1 1: INIT PATCH  \t2 time(s) used"));
    QCOMPARE(dlg.performanceList()->count(), 2);
    QCOMPARE(dlg.performanceList()->item(1)->text(), QStringLiteral("2: Init Perform (Part 1)"));
    dlg.patchList()->setCurrentRow(1);
    // One line per performance, its parts named.
    QCOMPARE(dlg.performanceList()->count(), 32);
    QCOMPARE(dlg.performanceList()->item(0)->text(),
             QStringLiteral("1: Init Perform (Parts 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16)"));
}

void TestBankDialogs::globalSettings()
{
    CGlobalSettingsDlg dlg(13);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Global Settings"));
    QCOMPARE(dlg.sizeBox()->count(), 17);
    QCOMPARE(dlg.sizeBox()->itemText(0), QStringLiteral("6"));
    QCOMPARE(dlg.sizeBox()->itemText(16), QStringLiteral("22"));
    QCOMPARE(dlg.sizeBox()->currentText(), QStringLiteral("13"));
    dlg.sizeBox()->setCurrentIndex(16);
    QCOMPARE(dlg.fontSize(), 22);
    // A size the list does not hold is kept when nothing is chosen.
    CGlobalSettingsDlg large(40);
    QCOMPARE(large.sizeBox()->currentIndex(), -1);
    QCOMPARE(large.fontSize(), 40);
}

void TestBankDialogs::randomButtons()
{
    CRandomPatches::Flags flags = CRandomPatches::allFlags(true);
    flags[static_cast<std::size_t>(CRandomPatches::Group::Tva)][2] = false;
    CRandomDlg dlg(flags);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Random"));
    // It says that the whole bank is drawn anew; with a selection it offers only that.
    QVERIFY(!dlg.findChildren<QLabel*>().isEmpty());
    QCOMPARE(dlg.findChildren<QLabel*>().front()->text(), QString::fromLatin1(CRandomDlg::kWholeBank));
    QVERIFY(!dlg.selectedOnlyBox());
    QVERIFY(!dlg.selectedOnly());
    {
        CRandomDlg some(flags, nullptr, 3);
        QVERIFY(some.selectedOnlyBox());
        QCOMPARE(some.selectedOnlyBox()->text(), QStringLiteral("&Selected patches only (3)"));
        QVERIFY(!some.selectedOnly());
        some.selectedOnlyBox()->click();
        QVERIFY(some.selectedOnly());
    }
    QCOMPARE(dlg.checkBox(CRandomPatches::Group::PEnv, 0)->text(), QStringLiteral("P-ENV"));
    QVERIFY(!dlg.checkBox(CRandomPatches::Group::Tva, 2)->isChecked());
    QCOMPARE(dlg.flags(), flags);
    QTest::mouseClick(dlg.disableAllButton(), Qt::LeftButton);
    QCOMPARE(dlg.flags(), CRandomPatches::allFlags(false));
    QTest::mouseClick(dlg.enableAllButton(), Qt::LeftButton);
    QCOMPARE(dlg.flags(), CRandomPatches::allFlags(true));
    dlg.checkBox(CRandomPatches::Group::Output, 3)->setChecked(false);
    QVERIFY(!dlg.flags()[7][3]);
    QCOMPARE(dlg.findChildren<QCheckBox*>().size(), 32);
}

void TestBankDialogs::copyToPatchNeedsFourKeys_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");
    QTest::newRow("three") << QList<int>{1, 3, 7} << false
                           << "Please select four keys to put in the patch, one for each tone; 3 keys are selected.";
    QTest::newRow("five") << QList<int>{1, 3, 7, 11, 12} << false
                          << "Please select four keys to put in the patch, one for each tone; 5 keys are selected.";
    QTest::newRow("one") << QList<int>{9} << false
                         << "Please select four keys to put in the patch, one for each tone; 1 key is selected.";
    QTest::newRow("none") << QList<int>{} << false
                          << "Please select four keys to put in the patch, one for each tone; no key is selected.";
    QTest::newRow("four") << QList<int>{11, 1, 7, 3} << true << "";
}

void TestBankDialogs::copyToPatchNeedsFourKeys()
{
    QFETCH(QList<int>, rows);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    QStringList patches;
    for (int i = 0; i < 128; ++i)
        patches << QStringLiteral("%1: INIT PATCH  ").arg(i + 1);
    CScriptedPrompter prompter;
    CCopyToPatchDlg dlg(patches, prompter);
    dlg.show();
    QCOMPARE(dlg.keyList()->count(), 64);
    QCOMPARE(dlg.keyList()->item(7)->text(), QStringLiteral("F#2"));
    QCOMPARE(dlg.patchBox()->currentIndex(), 0);
    selectRows(dlg.keyList(), rows);
    dlg.patchBox()->setCurrentIndex(17);
    QSignalSpy done(&dlg, &QDialog::accepted);
    dlg.accept();
    QCOMPARE(done.count(), accepted ? 1 : 0);
    QCOMPARE(dlg.isVisible(), !accepted);
    QCOMPARE(prompter.messages, accepted ? QStringList() : QStringList{message});
    if (accepted) {
        QCOMPARE(dlg.keys(), (std::array<int, 4>{1, 3, 7, 11}));
        QCOMPARE(dlg.patchIndex(), 17);
    }
}

QTEST_MAIN(TestBankDialogs)
#include "tst_bankdialogs.moc"
