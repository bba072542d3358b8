// The dialogs of the library window on their own: the enabling rules of the search,
// the keys of the properties, the key editor and the double-patch finder's close.

#include "../LibraryFixture.h"

#include "library/DoublePatchFinder.h"
#include "library/ui/BoardsDlg.h"
#include "library/ui/DoublePatchesDlg.h"
#include "library/ui/ImportDlg.h"
#include "library/ui/KeyChoice.h"
#include "library/ui/KeysDlg.h"
#include "library/ui/PropertiesDlg.h"
#include "library/ui/SearchDlg.h"
#include "library/ui/SimilarDlg.h"
#include "model/ExpansionNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace libtest;

namespace {

CLibraryDocument::KeyNames numberedNames()
{
    CLibraryDocument::KeyNames names;
    for (int k = 0; k < 256; ++k)
        names[static_cast<std::size_t>(k)] = QStringLiteral("N%1").arg(k);
    return names;
}

// Row by row: operator enabled, group enabled, key enabled, operator, group.
QString rowStates(const CSearchDlg& d)
{
    QStringList rows;
    for (int r = 0; r < CSearchDlg::kRows; ++r) {
        const CKeyChoice* k = d.keyChoice(r);
        rows << QStringLiteral("%1%2%3 %4/%5")
                    .arg(d.operatorList(r)->isEnabled() ? 'o' : '-')
                    .arg(k->groupList()->isEnabled() ? 'g' : '-')
                    .arg(k->keyList()->isEnabled() ? 'k' : '-')
                    .arg(d.operatorList(r)->currentIndex())
                    .arg(k->groupList()->currentIndex());
    }
    return rows.join(QStringLiteral(" | "));
}

} // namespace

class TestLibraryDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CCollectingReporter m_reporter;
    const CLibraryDocument::KeyNames m_names = numberedNames();

private slots:
    void searchRowsOpenAndClose()
    {
        CSearchDlg d(m_names);
        QVERIFY(d.nameEdit()->isEnabled());
        QCOMPARE(d.nameEdit()->maxLength(), 12);
        QCOMPARE(d.operatorList(0)->count(), 5);
        QCOMPARE(d.operatorList(0)->itemText(3), QStringLiteral("AND NOT"));
        QCOMPARE(rowStates(d), QStringLiteral("o-- 0/0 | --- 0/0 | --- 0/0 | --- 0/0"));
        d.chooseOperator(0, SearchOp::And);
        QCOMPARE(rowStates(d), QStringLiteral("og- 1/0 | --- 0/0 | --- 0/0 | --- 0/0"));
        d.chooseGroup(0, 2);
        QCOMPARE(rowStates(d), QStringLiteral("ogk 1/2 | o-- 0/0 | --- 0/0 | --- 0/0"));
        QCOMPARE(d.keyChoice(0)->keyList()->itemText(0), QStringLiteral("N33"));
        d.chooseOperator(1, SearchOp::Or);
        d.chooseGroup(1, 3);
        d.chooseOperator(2, SearchOp::AndNot);
        d.chooseGroup(2, 4);
        d.chooseOperator(3, SearchOp::OrNot);
        d.chooseGroup(3, 5);
        QCOMPARE(rowStates(d), QStringLiteral("ogk 1/2 | ogk 2/3 | ogk 3/4 | ogk 4/5"));
        CLibrarySearch s = d.search();
        QCOMPARE(s.keys, (std::array<std::uint8_t, 4>{33, 49, 65, 81}));
        QCOMPARE(s.ops, (std::array<SearchOp, 4>{SearchOp::And, SearchOp::Or, SearchOp::AndNot, SearchOp::OrNot}));

        // END in row 2 closes and resets rows 3 and 4.
        d.chooseOperator(1, SearchOp::End);
        QCOMPARE(rowStates(d), QStringLiteral("ogk 1/2 | o-- 0/3 | --- 0/0 | --- 0/0"));
        // Group 0 closes the rows after it as END does.
        d.chooseOperator(1, SearchOp::And);
        d.chooseGroup(1, 3);
        d.chooseOperator(2, SearchOp::And);
        d.chooseGroup(0, 0);
        QCOMPARE(rowStates(d), QStringLiteral("og- 1/0 | --- 0/0 | --- 0/0 | --- 0/0"));
        QTest::keyClicks(d.nameEdit(), "Pad");
        s = d.search();
        QCOMPARE(s.name, QByteArray("Pad"));
        QCOMPARE(s.keys[0], 1); // group 0, first key
        QCOMPARE(d.helpLines(), (QStringList{"AND is evaluated before OR. Example: ",
                                             "\"Banjo\" AND \"Synth. Pad\" OR \"Synth. Solo\" AND \"Synth. Pad\"",
                                             "searches for patches that have the keys \"Banjo\" and \"Synth. Pad\" or ",
                                             "\"Synth. Solo\" and \"Synth. Pad\"."}));
    }

    void propertiesShowTheEntry_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("row"); // of the key list, -1 none
        QTest::addColumn<bool>("keyListEnabled");
        QTest::newRow("no key") << 1 << 0 << 0 << false;
        QTest::newRow("group 2, third key") << 35 << 2 << 2 << true;
        QTest::newRow("the last group") << 255 << 15 << 14 << true;
        QTest::newRow("a group's own slot") << 16 << 1 << -1 << true;
        QTest::newRow("zero") << 0 << 0 << -1 << false;
    }
    void propertiesShowTheEntry()
    {
        QFETCH(int, key);
        QFETCH(int, group);
        QFETCH(int, row);
        QFETCH(bool, keyListEnabled);
        Rec r{"Props", {}, "some words", "24.12.2023 18:30"};
        r.keys.fill(static_cast<std::uint8_t>(key));
        const QString path = m_dir.filePath(QStringLiteral("p%1.clb").arg(key));
        writeFile(path, library({r}));
        CLibraryDocument doc(m_reporter);
        QVERIFY(doc.Open(path));
        doc.setKeyNames(m_names);
        CPropertiesDlg d(doc, 0);
        QCOMPARE(d.windowTitle(), QStringLiteral("Properties"));
        QCOMPARE(d.nameEdit()->text(), QStringLiteral("Props"));
        QCOMPARE(d.nameEdit()->maxLength(), 12);
        QCOMPARE(d.commentEdit()->maxLength(), 79);
        QCOMPARE(d.dateLabel()->text(), QStringLiteral("24.12.2023 18:30"));
        QCOMPARE(d.forAllBox()->text(), QStringLiteral("Use those keys and the comment for all selected patches"));
        for (int slot = 0; slot < 8; ++slot) {
            CKeyChoice* k = d.keyChoice(slot);
            QCOMPARE(k->groupList()->count(), 16);
            QCOMPARE(k->groupList()->currentIndex(), group);
            QCOMPARE(k->keyList()->currentIndex(), row);
            QCOMPARE(k->keyList()->isEnabled(), keyListEnabled);
        }
        // Untouched keys come back as they were; a new group starts at its first key.
        QCOMPARE(d.keys(),
                 (CLibraryDocument::Keys{std::uint8_t(key), std::uint8_t(key), std::uint8_t(key), std::uint8_t(key),
                                         std::uint8_t(key), std::uint8_t(key), std::uint8_t(key), std::uint8_t(key)}));
        d.keyChoice(3)->setGroup(4);
        QCOMPARE(d.keys()[3], 65);
        QCOMPARE(d.keyChoice(3)->keyList()->itemText(14), QStringLiteral("N79"));
        // A name typed travels in System Exclusive data: printable ASCII only.
        d.nameEdit()->clear();
        QTest::keyClicks(d.nameEdit(), QStringLiteral("Ä Pad"));
        QCOMPARE(d.name(), QByteArray(" Pad"));

        doc.setUseCategories(true);
        CPropertiesDlg withCategories(doc, 0);
        for (int slot = 0; slot < 8; ++slot)
            QVERIFY(!withCategories.keyChoice(slot)->groupList()->isEnabled());
    }

    void keyEditor()
    {
        CKeysDlg d(m_names);
        QCOMPARE(d.windowTitle(), QStringLiteral("Edit Keys"));
        QCOMPARE(d.groupList()->count(), 15);
        QCOMPARE(d.groupList()->item(0)->text(), QStringLiteral("N16"));
        QCOMPARE(d.groupList()->item(14)->text(), QStringLiteral("N240"));
        QCOMPARE(d.groupList()->currentRow(), 0);
        QCOMPARE(d.groupEdit()->text(), QStringLiteral("N16"));
        QCOMPARE(d.groupEdit()->selectedText(), QStringLiteral("N16"));
        QCOMPARE(d.keyList()->count(), 15);
        QCOMPARE(d.keyList()->item(0)->text(), QStringLiteral("N17"));
        QCOMPARE(d.keyList()->item(14)->text(), QStringLiteral("N31"));

        // Typing in the key box with no key chosen changes nothing.
        QTest::keyClicks(d.keyEdit(), "x");
        QVERIFY(d.names() == m_names);

        d.keyList()->setCurrentRow(2);
        QCOMPARE(d.keyEdit()->text(), QStringLiteral("N19"));
        QCOMPARE(d.keyEdit()->selectedText(), QStringLiteral("N19"));
        QTest::keyClicks(d.keyEdit(), "Banjo");
        QCOMPARE(d.keyList()->item(2)->text(), QStringLiteral("Banjo"));
        QCOMPARE(d.keyList()->currentRow(), 2);
        QTest::keyClick(d.groupEdit(), Qt::Key_End);
        QTest::keyClicks(d.groupEdit(), "!");
        QCOMPARE(d.groupList()->item(0)->text(), QStringLiteral("N16!"));

        d.groupList()->setCurrentRow(1);
        QCOMPARE(d.groupEdit()->text(), QStringLiteral("N32"));
        QCOMPARE(d.keyList()->item(0)->text(), QStringLiteral("N33"));
        d.groupList()->setCurrentRow(0);
        QCOMPARE(d.keyList()->item(2)->text(), QStringLiteral("Banjo"));

        CLibraryDocument::KeyNames expected = m_names;
        expected[16] = QStringLiteral("N16!");
        expected[19] = QStringLiteral("Banjo");
        d.okButton()->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(d.names() == expected);
    }

    void closingStopsTheDoublePatchSearch()
    {
        const QString path = m_dir.filePath(QStringLiteral("equal.clb"));
        writeFile(path, library(std::vector<Rec>(20000, Rec{"Same"})));
        CDoublePatchesDlg d(path, 20000);
        QCOMPARE(d.progressBar()->maximum(), int(CDoublePatchFinder::pairCount(20000)));
        QVERIFY(QTest::qWaitFor([&] { return d.list()->count() > 0; }, 20000));
        QVERIFY(d.isSearching());
        d.closeButton()->click();
        QVERIFY(!d.isSearching());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(d.list()->item(0)->text(), QStringLiteral("\"Same\" and \"Same\" are equal"));
    }

    void noPairsWithFewerThanTwo()
    {
        const QString path = m_dir.filePath(QStringLiteral("one.clb"));
        writeFile(path, library({{"Alone"}}));
        CDoublePatchesDlg d(path, 1);
        QCOMPARE(d.progressBar()->maximum(), 0);
        QVERIFY(QTest::qWaitFor([&] { return !d.isSearching(); }));
        QCoreApplication::processEvents();
        QCOMPARE(d.list()->count(), 0);
        QCOMPARE(d.progressBar()->value(), d.progressBar()->maximum());
    }

    // Below 100 % the dialog lists the pairs at least that alike, with the percentage.
    void nearDoublesThreshold()
    {
        const QString path = m_dir.filePath(QStringLiteral("near.clb"));
        Rec louder("Loud");
        louder.variant = 1;
        writeFile(path, library({{"Soft"}, louder, {"Copy"}}));
        CDoublePatchesDlg d(path, 3);
        QVERIFY(QTest::qWaitFor([&] { return !d.isSearching(); }));
        QCoreApplication::processEvents();
        QCOMPARE(d.list()->count(), 1);
        d.thresholdBox()->setValue(95);
        QVERIFY(QTest::qWaitFor([&] { return d.list()->count() == 3; }, 10000));
        QCOMPARE(d.list()->item(0)->text(), QStringLiteral("\"Soft\" and \"Loud\" are 99.9 % alike"));
        QCOMPARE(d.list()->item(1)->text(), QStringLiteral("\"Soft\" and \"Copy\" are 100 % alike"));
        d.thresholdBox()->setValue(100);
        QVERIFY(QTest::qWaitFor([&] { return !d.isSearching(); }));
        QCoreApplication::processEvents();
        QCOMPARE(d.list()->count(), 1);
        QCOMPARE(d.list()->item(0)->text(), QStringLiteral("\"Soft\" and \"Copy\" are equal"));
    }

    void similarList()
    {
        const QString path = m_dir.filePath(QStringLiteral("similar.clb"));
        Rec far("Far");
        far.variant = 3;
        writeFile(path, library({{"Base"}, far, {"Twin"}}));
        CCollectingReporter reporter;
        CLibraryDocument doc(reporter);
        QVERIFY(doc.Open(path));
        int shown = -1;
        CSimilarDlg d(doc, 0, [&](int entry) { shown = entry; });
        QVERIFY(d.isValid());
        QCOMPARE(d.list()->topLevelItemCount(), 3);
        const QStringList expected = {"1|100 %|Base", "3|100 %|Twin", "2|99.7 %|Far"};
        for (int i = 0; i < 3; ++i) {
            const QTreeWidgetItem* item = d.list()->topLevelItem(i);
            QCOMPARE(QStringList({item->text(0), item->text(1), item->text(2)}).join(QLatin1Char('|')), expected[i]);
        }
        d.topBox()->setValue(1);
        QCOMPARE(d.list()->topLevelItemCount(), 1);
        emit d.list()->itemActivated(d.list()->topLevelItem(0), 0);
        QCOMPARE(shown, 0);
    }

    void importWindow()
    {
        const QString path = m_dir.filePath(QStringLiteral("import.clb"));
        writeFile(path, library({{"Old"}}));
        const QString bank = m_dir.filePath(QStringLiteral("in.clb"));
        Rec other("Other");
        other.variant = 9;
        writeFile(bank, library({{"Old"}, other}));
        const QString junk = m_dir.filePath(QStringLiteral("junk.syx"));
        writeFile(junk, "no sysex here");
        CCollectingReporter reporter;
        CLibraryDocument doc(reporter);
        QVERIFY(doc.Open(path));
        CImportDlg d(doc);
        QVERIFY(!d.importButton()->isEnabled());
        d.addPaths({bank, junk, bank});
        QCOMPARE(d.pathList()->count(), 2);
        d.importButton()->click();
        QCOMPARE(d.report()->toPlainText(),
                 junk + QStringLiteral(": holds no patch, performance or rhythm set of this synthesizer\n")
                     + QStringLiteral("added 1, doubles 1, refused 1"));
        QCOMPARE(doc.count(), 2);
        QCOMPARE(d.progressBar()->value(), 2);
        QVERIFY(!d.stopButton()->isEnabled());
    }

    void searchByUse()
    {
        CCollectingReporter reporter;
        const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
        CSearchDlg plain(numberedNames());
        QVERIFY(!plain.wavesEdit());
        QCOMPARE(plain.search().needs, -1);
        CSearchDlg d(numberedNames(), nullptr, &names);
        QCOMPARE(d.boardList()->count(), 2 + names.GetFileCount(NameFileKind::Board));
        QCOMPARE(d.categoryList()->count(), 1 + clb::kCategoryCount);
        QVERIFY(!d.search().waves);
        QCOMPARE(d.search().category, -1);
        QTest::keyClicks(d.wavesEdit(), QStringLiteral("piano"));
        d.boardList()->setCurrentIndex(1);
        d.categoryList()->setCurrentText(QStringLiteral("Strings"));
        const CLibrarySearch s = d.search();
        QVERIFY(s.waves && !s.waves->empty());
        QCOMPARE(s.needs, 0);
        QCOMPARE(s.category, 14);
        d.boardList()->setCurrentIndex(8);
        QCOMPARE(d.search().needs, 7);
    }

    void boardsChosen()
    {
        CCollectingReporter reporter;
        const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
        CBoardsDlg d(names, {2, 7});
        QCOMPARE(d.list()->count(), names.GetFileCount(NameFileKind::Board));
        QCOMPARE(d.installed(), (std::set<int>{2, 7}));
        d.list()->item(1)->setCheckState(Qt::Unchecked);
        d.list()->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(d.installed(), (std::set<int>{1, 7}));
        QVERIFY(d.list()->item(6)->text().startsWith(QStringLiteral("7  ")));
    }
};

QTEST_MAIN(TestLibraryDialogs)
#include "tst_librarydialogs.moc"
