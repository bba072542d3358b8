// The library window in the running program: New and Open, its commands and menus,
// the copybox, the dialogs, the drags to and from banks and other libraries, and the
// patch heard when a line becomes current.

#include "../LibraryFixture.h"

#include "bank/Copybox.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/CopyboxDlg.h"
#include "editors/EditPatchDlg.h"
#include "library/LibraryExport.h"
#include "library/LibraryModel.h"
#include "library/ui/DoublePatchesDlg.h"
#include "library/ui/ExportDlg.h"
#include "library/ui/KeyChoice.h"
#include "library/ui/KeysDlg.h"
#include "library/ui/LibraryView.h"
#include "library/ui/PropertiesDlg.h"
#include "library/ui/SearchDlg.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "settings/IniFile.h"
#include "tests/support/AppSession.h"
#include "ui/ChildFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

using namespace testsupport;
using namespace libtest;

namespace {

CLibraryView* activeLibrary(const CMainFrame* frame)
{
    return qobject_cast<CLibraryView*>(frame->activeDocumentWindow());
}

QPoint rowPoint(CLibraryView* view, int row)
{
    return view->visualRect(view->listModel().index(row, 0)).center();
}

void clickRow(CLibraryView* view, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rowPoint(view, row));
}

QStringList names(const CLibraryDocument& doc)
{
    QStringList list;
    for (int i = 0; i < doc.count(); ++i)
        list << doc.name(i).trimmed();
    return list;
}

// Presses on a line and moves the pointer until the window starts its drag; during()
// moves and releases the pointer while the drag runs.
void dragLines(CLibraryView* from, int row, const std::function<void()>& during)
{
    CScriptedDragRunner& runner = dragRunner();
    runner.during = during;
    const QPoint start = rowPoint(from, row);
    const int before = runner.drags;
    QTest::mousePress(from->viewport(), Qt::LeftButton, {}, start);
    for (int step = 1; step <= 4 && runner.drags == before; ++step)
        movePointer(from->viewport(), start + QPoint(12 * step, 0));
    if (runner.drags == before)
        QTest::mouseRelease(from->viewport(), Qt::LeftButton, {}, start);
    runner.during = nullptr;
}

} // namespace

class TestLibraryWindow : public CAppTestCase
{
    Q_OBJECT

private:
    CLoopbackDevice m_ports;
    std::unique_ptr<Session> m_s;
    int m_files = 0;

    CMainFrame* frame() const { return m_s->frame(); }
    QAction* action(int id) const { return frame()->action(id); }
    QString fresh(const QByteArray& bytes, const QString& suffix = QStringLiteral(".clb"))
    {
        const QString path = m_dir.filePath(QStringLiteral("w%1").arg(++m_files) + suffix);
        writeFile(path, bytes);
        return path;
    }
    CLibraryView* open(const QString& path)
    {
        m_s->prompter.files << path;
        action(cmd::kFileOpen)->trigger();
        return activeLibrary(frame());
    }
    CLibraryView* openRecords(const std::vector<Rec>& recs) { return open(fresh(library(recs))); }

private slots:
    void init()
    {
        m_s = start(freshIni(), m_ports);
        frame()->setGeometry(QRect(0, 0, 1400, 900));
    }
    void cleanup() { m_s.reset(); }

    void newAsksForBankOrLibrary_data()
    {
        QTest::addColumn<bool>("chooseFile");
        QTest::addColumn<bool>("goodFolder");
        QTest::newRow("a new library") << true << true;
        QTest::newRow("cancelled") << false << true;
        QTest::newRow("cannot be created") << true << false;
    }
    void newAsksForBankOrLibrary()
    {
        QFETCH(bool, chooseFile);
        QFETCH(bool, goodFolder);
        const QString path = goodFolder ? fresh(library({{"Old"}})) : m_dir.filePath(QStringLiteral("no/x.clb"));
        QStringList offered;
        m_s->prompter.onExec = [&](QDialog& dialog) {
            auto* list = dialog.findChild<QListWidget*>();
            for (int i = 0; i < list->count(); ++i)
                offered << list->item(i)->text();
            list->setCurrentRow(1);
            return int(QDialog::Accepted);
        };
        if (chooseFile)
            m_s->prompter.files << path;
        action(cmd::kFileNew)->trigger();
        QCOMPARE(offered, (QStringList{"Bank", "Library"}));
        CLibraryView* view = activeLibrary(frame());
        QCOMPARE(view != nullptr, chooseFile && goodFolder);
        if (view) {
            QCOMPARE(QFileInfo(path).size(), 0);
            QCOMPARE(view->documentTitle(), QFileInfo(path).fileName());
            QCOMPARE(m_s->app->settings().currentFolder(), CAppSettings::folderOf(path));
        }
        // The message names the file and the cause.
        const QStringList texts = m_s->prompter.texts();
        QCOMPARE(texts.size(), chooseFile && !goodFolder ? 1 : 0);
        if (!texts.isEmpty())
            QVERIFY2(texts[0].startsWith(QLatin1String("Error creating library file. Cannot write"))
                         && texts[0].contains(QDir::toNativeSeparators(path))
                         && texts[0].endsWith(QLatin1String("no such file or folder")),
                     qPrintable(texts[0]));
    }

    void openingByExtension_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("clb") << ".clb";
        QTest::newRow("CLB") << ".CLB";
    }
    void openingByExtension()
    {
        QFETCH(QString, suffix);
        CLibraryView* view = open(fresh(library({{"A"}, {"B"}}), suffix));
        QVERIFY(view);
        QCOMPARE(view->listModel().rowCount(), 2);
        QCOMPARE(view->header()->sectionSize(0), CLibraryView::kColumnWidth);
        QVERIFY(frame()->windowTitle().endsWith(QFileInfo(view->documentPath()).fileName()));
        open(m_dir.filePath(QStringLiteral("gone.clb")));
        QCOMPARE(frame()->childFrames().size(), 1);
        QCOMPARE(m_s->prompter.texts().size(), 1);
        QVERIFY(m_s->prompter.texts().first().startsWith(QStringLiteral("Error while opening library file: ")));
    }

    void commandStatesFollowSelectionAndCategories()
    {
        CLibraryView* view = openRecords({{"A"}, {"B"}});
        for (int id : {cmd::kEditCopy, cmd::kEditDelete, cmd::kLibraryProperties, cmd::kEditItem, cmd::kFileSave,
                       cmd::kFileSaveAs, cmd::kSortByCategory})
            QVERIFY2(!action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : {cmd::kEditPaste, cmd::kEditFind, cmd::kLibraryKeys, cmd::kFindDoubles, cmd::kSortByKey1})
            QVERIFY2(action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(action(cmd::kSortByName)->isChecked());
        clickRow(view, 1);
        for (int id : {cmd::kEditCopy, cmd::kEditDelete, cmd::kLibraryProperties, cmd::kEditItem})
            QVERIFY(action(id)->isEnabled());

        action(cmd::kUseCategories)->trigger();
        QVERIFY(m_s->app->settings().useCategory());
        // The category, then what the patches use.
        QCOMPARE(view->listModel().columnCount(), 4 + 2);
        QCOMPARE(view->listModel().headerData(3, Qt::Horizontal).toString(), QStringLiteral("Category"));
        QCOMPARE(view->listModel().headerData(4, Qt::Horizontal).toString(), QStringLiteral("Waves"));
        QCOMPARE(view->listModel().headerData(5, Qt::Horizontal).toString(), QStringLiteral("Boards"));
        QVERIFY(action(cmd::kSortByCategory)->isEnabled());
        QVERIFY(!action(cmd::kSortByName + 3)->isEnabled());
        action(cmd::kSortByCategory)->trigger();
        QCOMPARE(view->listModel().sortColumn(), libcol::kFirstKey);
        QVERIFY(action(cmd::kSortByCategory)->isChecked());
        action(cmd::kUseCategories)->trigger();
        QCOMPARE(view->listModel().columnCount(), 11 + 2);
        QCOMPARE(view->header()->sectionSize(10), CLibraryView::kColumnWidth);
    }

    void headingClickSorts()
    {
        CLibraryView* view = openRecords({{"b", {}, "2"}, {"a", {}, "3"}, {"c", {}, "1"}});
        const auto order = [&] {
            QStringList list;
            for (int r = 0; r < view->listModel().rowCount(); ++r)
                list << view->listModel().data(view->listModel().index(r, 0)).toString().trimmed();
            return list;
        };
        QCOMPARE(order(), (QStringList{"a", "b", "c"}));
        QTest::mouseClick(view->header()->viewport(), Qt::LeftButton, {},
                          QPoint(view->header()->sectionViewportPosition(2) + 10, view->header()->height() / 2));
        QCOMPARE(order(), (QStringList{"c", "b", "a"}));
        QVERIFY(action(cmd::kSortByName + 2)->isChecked());
    }

    void contextMenuTexts_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("selectedRows");
        QTest::addColumn<QStringList>("texts");
        const QStringList tail = {"&Paste...\tCtrl+V", "&Find...\tCtrl+F",       "", "&Edit...\tCtrl+E",
                                  "Find &Similar",     "&Properties...\tCtrl+T", "", "&Delete\tDel"};
        QTest::newRow("empty library") << 0 << QList<int>{} << QStringList{"&Paste...\tCtrl+V", "&Find...\tCtrl+F"};
        QTest::newRow("nothing selected") << 2 << QList<int>{} << tail;
        QTest::newRow("one line") << 2 << QList<int>{1} << QStringList{"&Copy R&&1\tCtrl+C"} + tail;
        QTest::newRow("two lines") << 3 << QList<int>{0, 2} << QStringList{"&Copy selected Patches\tCtrl+C"} + tail;
    }
    void contextMenuTexts()
    {
        QFETCH(int, records);
        QFETCH(QList<int>, selectedRows);
        QFETCH(QStringList, texts);
        std::vector<Rec> recs;
        for (int i = 0; i < records; ++i)
            recs.push_back({QByteArray("R&") + QByteArray::number(i)});
        CLibraryView* view = openRecords(recs);
        for (int row : selectedRows)
            clickRow(view, row, row == selectedRows.first() ? Qt::NoModifier : Qt::ControlModifier);
        const std::unique_ptr<QMenu> menu = view->createContextMenu();
        QStringList shown;
        for (QAction* a : menu->actions())
            shown << a->text();
        QCOMPARE(shown, texts);
    }

    void copyAndPasteThroughTheCopybox()
    {
        CLibraryView* view = openRecords({{"One"}, {"Two", {9, 9, 9, 9, 9, 9, 9, 9}, "x"}, {"Three"}});
        clickRow(view, 0);
        clickRow(view, 1, Qt::ControlModifier); // by name: "One", "Three", "Two"
        action(cmd::kEditCopy)->trigger();
        QCOMPARE(frame()->services().copybox().lines(ItemKind::Patches), (QStringList{"One         ", "Three       "}));
        m_s->prompter.onExec = [](QDialog& dialog) {
            auto* box = qobject_cast<CCopyboxDlg*>(&dialog);
            box->list()->selectAll();
            QTest::mouseClick(box->pasteButton(), Qt::LeftButton);
            return dialog.result();
        };
        action(cmd::kEditPaste)->trigger();
        CLibraryDocument& doc = view->document();
        QCOMPARE(names(doc), (QStringList{"One", "Two", "Three", "One", "Three"}));
        QCOMPARE(doc.entry(3).keys, (CLibraryDocument::Keys{1, 1, 1, 1, 1, 1, 1, 1}));
        QCOMPARE(doc.comment(4), QString());
        QCOMPARE(view->selectedEntries(), (std::vector<int>{3, 4}));
        QCOMPARE(QFileInfo(doc.path()).size(), 5 * 750);
    }

    void aBrokenTailIsToldAndDroppedOnlyWhenAgreed()
    {
        const QByteArray bytes = library({{"A"}, {"B"}}) + QByteArray(200, 'q');
        const QString path = fresh(bytes);
        CLibraryView* view = open(path);
        QVERIFY(view);
        QCOMPARE(m_s->prompter.texts().size(), 1);
        QVERIFY2(m_s->prompter.texts().first().startsWith(
                     path + QStringLiteral(" ends in 200 bytes that are no whole entry")),
                 qPrintable(m_s->prompter.texts().first()));
        clickRow(view, 0);
        m_s->prompter.answers = {CPrompter::Answer::No};
        action(cmd::kEditDelete)->trigger();
        QCOMPARE(libtest::readFile(path), bytes);
        QCOMPARE(m_s->prompter.questions.size(), 1);
        QVERIFY(m_s->prompter.questions.first().contains(QStringLiteral("This change drops them")));
        clickRow(view, 0);
        m_s->prompter.answers = {CPrompter::Answer::Yes};
        action(cmd::kEditDelete)->trigger();
        QCOMPARE(libtest::readFile(path), bytes.mid(750, 750));
    }

    void theListFollowsAScript()
    {
        const QString path = fresh(library({{"A"}, {"C"}}));
        CLibraryView* view = open(path);
        clickRow(view, 1);
        CCollectingReporter reporter;
        CLibraryDocument script(reporter);
        QVERIFY(script.Open(path));
        QCOMPARE(script.AppendPatches({patch("B")}), 1);
        QTRY_COMPARE(view->listModel().rowCount(), 3);
        QCOMPARE(names(view->document()), (QStringList{"A", "C", "B"}));
        QCOMPARE(view->selectedEntries(), std::vector<int>{1});
    }

    void deleteSelectsTheFocusedLinesPosition_data()
    {
        QTest::addColumn<QList<int>>("rows"); // clicked in this order; the last is current
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("selectedRow"); // -1: none
        QTest::newRow("first line") << QList<int>{0} << QStringList{"B", "C", "D"} << -1;
        QTest::newRow("middle line") << QList<int>{1} << QStringList{"A", "C", "D"} << 1;
        QTest::newRow("two lines") << QList<int>{3, 1} << QStringList{"A", "C"} << 1;
        QTest::newRow("the last line") << QList<int>{3} << QStringList{"A", "B", "C"} << -1;
    }
    void deleteSelectsTheFocusedLinesPosition()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, left);
        QFETCH(int, selectedRow);
        CLibraryView* view = openRecords({{"A"}, {"B"}, {"C"}, {"D"}});
        for (int row : rows)
            clickRow(view, row, row == rows.first() ? Qt::NoModifier : Qt::ControlModifier);
        action(cmd::kEditDelete)->trigger();
        QCOMPARE(names(view->document()), left);
        QCOMPARE(QFileInfo(view->document().path()).size(), left.size() * 750);
        const QModelIndexList selected = view->selectionModel()->selectedRows();
        QCOMPARE(selected.isEmpty() ? -1 : selected.first().row(), selectedRow);
    }

    // Del changes the file at once; Edit > Undo puts the very bytes back, Redo deletes again.
    void undoAndRedoThroughTheEditMenu()
    {
        const QByteArray original = library({{"A"}, {"B & C"}, {"D"}, {"E"}});
        CLibraryView* view = open(fresh(original));
        const QString path = view->document().path();
        frame()->updateActions();
        QVERIFY(!action(cmd::kEditUndo)->isEnabled());
        clickRow(view, 1);
        clickRow(view, 3, Qt::ControlModifier);
        action(cmd::kEditDelete)->trigger();
        QCOMPARE(names(view->document()), (QStringList{"A", "D"}));
        const QByteArray deleted = libtest::readFile(path);
        QCOMPARE(deleted.size(), 2 * 750);
        frame()->updateActions();
        QVERIFY(action(cmd::kEditUndo)->isEnabled());
        frame()->updateActions();
        QCOMPARE(action(cmd::kEditUndo)->text(), QStringLiteral("&Undo: Delete\tCtrl+Z"));
        frame()->updateActions();
        action(cmd::kEditUndo)->trigger();
        QCOMPARE(libtest::readFile(path), original);
        QCOMPARE(view->listModel().rowCount(), 4);
        frame()->updateActions();
        QVERIFY(!action(cmd::kEditUndo)->isEnabled());
        frame()->updateActions();
        QCOMPARE(action(cmd::kEditRedo)->text(), QStringLiteral("&Redo: Delete\tCtrl+A"));
        frame()->updateActions();
        action(cmd::kEditRedo)->trigger();
        QCOMPARE(libtest::readFile(path), deleted);
        frame()->updateActions();
        action(cmd::kEditUndo)->trigger();
        clickRow(view, 1);
        action(cmd::kEditDelete)->trigger();
        frame()->updateActions();
        QCOMPARE(action(cmd::kEditUndo)->text(), QStringLiteral("&Undo: Delete \"B && C\"\tCtrl+Z"));
        frame()->updateActions();
        QVERIFY(!action(cmd::kEditRedo)->isEnabled());
        frame()->updateActions();
        action(cmd::kEditUndo)->trigger();
        QCOMPARE(libtest::readFile(path), original);
    }

    // A new library window is wide enough for every column and shows about twenty lines.
    void aNewWindowShowsItsColumns()
    {
        std::vector<Rec> recs;
        for (int i = 0; i < 40; ++i)
            recs.push_back(Rec(QByteArray("P") + QByteArray::number(i)));
        CLibraryView* view = openRecords(recs);
        QVERIFY(view->sizeHint().width() >= view->header()->length());
        QVERIFY(view->sizeHint().height() >= CLibraryView::kHintLines * view->sizeHintForRow(0));
        QTRY_VERIFY(view->viewport()->width() >= std::min(view->header()->length(), 1400 - 60));
        QVERIFY(view->viewport()->height() >= 15 * view->sizeHintForRow(0));
    }

    void propertiesWalkTheSelection()
    {
        CLibraryView* view =
            openRecords({{"Alpha", {}, "", "01.01.2001 01:01"}, {"Beta"}, {"Gamma"}, {"Delta", {}, "kept"}});
        clickRow(view, 0);                      // Alpha
        clickRow(view, 1, Qt::ControlModifier); // Beta
        clickRow(view, 2, Qt::ControlModifier); // Delta
        int shown = 0;
        m_s->prompter.onExec = [&](QDialog& dialog) {
            auto* d = qobject_cast<CPropertiesDlg*>(&dialog);
            ++shown;
            if (shown == 2)
                return int(QDialog::Rejected); // Beta stays as it is
            d->nameEdit()->setText(d->nameEdit()->text() + QStringLiteral("!"));
            d->keyChoice(0)->setGroup(2);
            d->commentEdit()->setText(QStringLiteral("walked"));
            return int(QDialog::Accepted);
        };
        action(cmd::kLibraryProperties)->trigger();
        QCOMPARE(shown, 3);
        CLibraryDocument& doc = view->document();
        QCOMPARE(names(doc), (QStringList{"Alpha!", "Beta", "Gamma", "Delta!"}));
        QCOMPARE(doc.comment(0), QStringLiteral("walked"));
        QCOMPARE(doc.comment(1), QString());
        QCOMPARE(doc.comment(3), QStringLiteral("walked"));
        QCOMPARE(doc.entry(0).keys[0], 33);
        QCOMPARE(doc.date(0), QStringLiteral("01.01.2001 01:01"));
    }

    void propertiesForAllSelected()
    {
        CLibraryView* view = openRecords({{"Alpha"}, {"Beta"}, {"Gamma"}});
        view->selectAll();
        int shown = 0;
        m_s->prompter.onExec = [&](QDialog& dialog) {
            auto* d = qobject_cast<CPropertiesDlg*>(&dialog);
            ++shown;
            d->keyChoice(7)->setGroup(1);
            d->commentEdit()->setText(QStringLiteral("shared"));
            d->forAllBox()->setChecked(true);
            return int(QDialog::Accepted);
        };
        action(cmd::kLibraryProperties)->trigger();
        QCOMPARE(shown, 1);
        const CLibraryDocument& doc = view->document();
        QCOMPARE(names(doc), (QStringList{"Alpha", "Beta", "Gamma"}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(doc.comment(i), QStringLiteral("shared"));
            QCOMPARE(doc.entry(i).keys[7], 17);
        }
    }

    void keyNamesReachEveryLibraryWindow()
    {
        CLibraryView* first = openRecords({{"A", {17, 1, 1, 1, 1, 1, 1, 1}}});
        CLibraryView* second = openRecords({{"B", {17, 1, 1, 1, 1, 1, 1, 1}}});
        QCOMPARE(second->document().keyText(0, 0), QStringLiteral("No Entry"));
        m_s->prompter.onExec = [](QDialog& dialog) {
            auto* d = qobject_cast<CKeysDlg*>(&dialog);
            d->groupList()->setCurrentRow(0); // group 1
            d->groupEdit()->setText(QString());
            QTest::keyClicks(d->groupEdit(), "Moods");
            d->keyList()->setCurrentRow(0); // slot 17
            QTest::keyClicks(d->keyEdit(), "Warm");
            d->okButton()->click();
            return dialog.result();
        };
        frame()->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
        action(cmd::kLibraryKeys)->trigger();
        QCOMPARE(m_s->app->settings().libraryKey(16), QStringLiteral("Moods"));
        QCOMPARE(m_s->app->settings().libraryKey(17), QStringLiteral("Warm"));
        QCOMPARE(first->document().keyText(0, 0), QStringLiteral("Warm"));
        QCOMPARE(second->document().keyText(0, 0), QStringLiteral("Warm"));
    }

    void findSetsTheSearch()
    {
        CLibraryView* view =
            openRecords({{"Pad 1", {17, 1, 1, 1, 1, 1, 1, 1}}, {"Pad 2"}, {"Lead", {33, 1, 1, 1, 1, 1, 1, 1}}});
        m_s->prompter.onExec = [](QDialog& dialog) {
            auto* d = qobject_cast<CSearchDlg*>(&dialog);
            QTest::keyClicks(d->nameEdit(), "Pad");
            d->chooseOperator(0, SearchOp::And);
            d->chooseGroup(0, 1); // group 1, key 1: 17
            d->chooseOperator(1, SearchOp::Or);
            d->chooseGroup(1, 2); // group 2, key 1: 33
            return int(QDialog::Accepted);
        };
        frame()->updateActions();
        QVERIFY(!action(cmd::kShowAll)->isEnabled());
        const QString plain = view->documentTitle();
        action(cmd::kEditFind)->trigger();
        QCOMPARE(view->listModel().rows(), (std::vector<int>{2, 0}));
        QCOMPARE(m_s->prompter.titles.last(), QStringLiteral("Search Patches"));
        // The window says that it shows a part, how much, and by which search.
        const QString key17 = view->document().keyNameText(17);
        const QString key33 = view->document().keyNameText(33);
        QCOMPARE(view->documentTitle(),
                 plain + QStringLiteral(" - 2 of 3 - Find: \"Pad\" AND %1 OR %2").arg(key17, key33));
        frame()->updateActions();
        QVERIFY(action(cmd::kShowAll)->isEnabled());
        frame()->updateActions();
        action(cmd::kShowAll)->trigger();
        QCOMPARE(view->listModel().rowCount(), 3);
        QCOMPARE(view->documentTitle(), plain);
        frame()->updateActions();
        QVERIFY(!action(cmd::kShowAll)->isEnabled());
        // Find starts from the last search.
        CLibrarySearch offered;
        m_s->prompter.onExec = [&offered](QDialog& dialog) {
            offered = qobject_cast<CSearchDlg*>(&dialog)->search();
            return int(QDialog::Rejected);
        };
        action(cmd::kEditFind)->trigger();
        QCOMPARE(offered.name, QByteArray("Pad"));
        QCOMPARE(offered.ops[0], SearchOp::And);
        QCOMPARE(int(offered.keys[0]), 17);
        QCOMPARE(offered.ops[1], SearchOp::Or);
        QCOMPARE(int(offered.keys[1]), 33);
        QCOMPARE(offered.ops[2], SearchOp::End);
    }

    // Equal patches are one line per group; a click on a line selects the group's lines.
    void doublePatchesAreListed()
    {
        CLibraryView* view = openRecords({{"One", {}, "", "", 1},
                                          {"Two", {}, "", "", 2},
                                          {"Again", {}, "", "", 1, 7},
                                          {"Four", {}, "", "", 4},
                                          {"Third", {}, "", "", 1},
                                          {"Four Too", {}, "", "", 4}});
        QStringList listed;
        int maximum = -1;
        int value = -1;
        m_s->prompter.onExec = [&](QDialog& dialog) {
            auto* d = qobject_cast<CDoublePatchesDlg*>(&dialog);
            (void)QTest::qWaitFor([d] { return !d->isSearching(); });
            QCoreApplication::processEvents();
            for (int i = 0; i < d->list()->count(); ++i)
                listed << d->list()->item(i)->text();
            maximum = d->progressBar()->maximum();
            value = d->progressBar()->value();
            QListWidgetItem* first = d->list()->item(0);
            d->list()->scrollToItem(first);
            QTest::mouseClick(d->list()->viewport(), Qt::LeftButton, {}, d->list()->visualItemRect(first).center());
            d->closeButton()->click();
            return dialog.result();
        };
        action(cmd::kFindDoubles)->trigger();
        QCOMPARE(m_s->prompter.titles.last(), QStringLiteral("Find double patches"));
        QCOMPARE(listed,
                 (QStringList{"\"One\", \"Again\" and \"Third\" are equal", "\"Four\" and \"Four Too\" are equal"}));
        QCOMPARE(maximum, 15);
        QCOMPARE(value, 15);
        std::vector<int> selected = view->selectedEntries();
        std::sort(selected.begin(), selected.end());
        QCOMPARE(selected, (std::vector<int>{0, 2, 4}));
    }

    void dragsBetweenBanksAndLibraries()
    {
        CToneloomView* bank = newBank(*m_s);
        bank->document().patches().SetName(5, "From Bank   ");
        bank->document().patches().SetName(6, "Bank Too    ");
        CLibraryView* target = openRecords({{"Here"}});
        CLibraryView* source = openRecords({{"Lib One", {20, 21, 1, 1, 1, 1, 1, 1}, "kept", "01.01.1990 00:00"}});

        // Patches of a bank become new entries.
        clickItem(bank, 5);
        clickItem(bank, 6, Qt::ShiftModifier);
        dragFrom(bank, 5, [&] {
            dragRunner().over(target->viewport(), QPoint(20, 20));
            dragRunner().drop(target->viewport(), QPoint(20, 20));
        });
        QCOMPARE(names(target->document()), (QStringList{"Here", "From Bank", "Bank Too"}));
        QCOMPARE(target->selectedEntries(), (std::vector<int>{2, 1})); // in list order, by name

        // Lines of another library keep keys and comment, with today's date.
        const int dragsBefore = dragRunner().drags;
        dragLines(source, 0, [&] {
            dragRunner().over(target->viewport(), QPoint(20, 20));
            dragRunner().drop(target->viewport(), QPoint(20, 20));
        });
        QCOMPARE(dragRunner().drags, dragsBefore + 1);
        QCOMPARE(names(target->document()).last(), QStringLiteral("Lib One"));
        QCOMPARE(target->document().comment(3), QStringLiteral("kept"));
        QCOMPARE(target->document().entry(3).keys[1], 21);
        QVERIFY(target->document().date(3) != QStringLiteral("01.01.1990 00:00"));

        // Onto its own window: nothing.
        const int before = source->document().count();
        clickRow(source, 0);
        dragLines(source, 0, [&] {
            dragRunner().over(source->viewport(), QPoint(20, 40));
            dragRunner().drop(source->viewport(), QPoint(20, 40));
        });
        QCOMPARE(source->document().count(), before);

        // Onto a bank: the patches from the drop cell on.
        clickRow(target, 0);
        dragLines(target, 0, [&] {
            dragOver(bank, 100);
            dropOn(bank, 100);
        });
        QCOMPARE(bank->document().patches().name(100), QStringLiteral("Bank Too    "));
        QCOMPARE(dragRunner().drags > 0, true);
    }

    void editReplacesThePatchAndRenewsTheDate_data()
    {
        QTest::addColumn<bool>("change");
        QTest::newRow("changed") << true;
        QTest::newRow("left as it was") << false;
    }
    void editReplacesThePatchAndRenewsTheDate()
    {
        QFETCH(bool, change);
        CLibraryView* view = openRecords({{"Edit Me", {5, 1, 1, 1, 1, 1, 1, 1}, "kept", "01.01.1990 00:00"},
                                          {"Other", {}, "", "01.01.1990 00:00", 3}});
        frame()->services().midi().waitUntilSent();
        m_ports.clearSent();
        QByteArray edited;
        QStringList sourceLines;
        m_s->prompter.onExec = [&](QDialog& dialog) {
            auto* editor = qobject_cast<CEditPatchDlg*>(&dialog);
            if (!editor)
                return int(QDialog::Rejected);
            edited = editor->patch();
            if (change) {
                edited[CPatchArray::toneParam(2, 7)] = 0x21;
                editor->edit().setImage(edited);
            }
            return int(QDialog::Accepted);
        };
        QVERIFY(!action(cmd::kEditItem)->isEnabled());
        clickRow(view, 0);
        QVERIFY(action(cmd::kEditItem)->isEnabled());
        action(cmd::kEditItem)->trigger();
        QCOMPARE(m_s->prompter.titles.last(), QString::fromLatin1(CEditPatchDlg::kTitle));
        // The patch went to the temporary patch before the editor opened.
        frame()->services().midi().waitUntilSent();
        QVERIFY(m_ports.sentBytes().startsWith(clb::temporaryPatch(patch("Edit Me"), 0x10).left(85)));
        const CLibraryDocument& doc = view->document();
        QCOMPARE(doc.ReadPatch(0).value() == edited, true);
        QCOMPARE(doc.date(0) != QStringLiteral("01.01.1990 00:00"), change);
        QCOMPARE(doc.comment(0), QStringLiteral("kept"));
        QCOMPARE(doc.entry(0).keys[0], 5);
        QCOMPARE(doc.date(1), QStringLiteral("01.01.1990 00:00"));
        QCOMPARE(view->selectedEntries(), std::vector<int>{0});
    }

    // Export asks where the selected patches go in a window of its own, then writes a
    // bank in the chosen layout or one file per patch.
    void exportWritesWhatWasChosen_data()
    {
        QTest::addColumn<int>("choice"); // -1: the window is cancelled
        QTest::newRow("JV-1080 bank") << int(CExportDlg::kBankJV1080);
        QTest::newRow("XP bank") << int(CExportDlg::kBankXP);
        QTest::newRow("one file per patch") << int(CExportDlg::kOneFilePerPatch);
        QTest::newRow("cancelled") << -1;
    }
    void exportWritesWhatWasChosen()
    {
        QFETCH(int, choice);
        CLibraryView* view = openRecords({{"A"}, {"B"}, {"C"}});
        clickRow(view, 0);
        clickRow(view, 2, Qt::ControlModifier);
        int offered = -2;
        m_s->prompter.onExec = [&](QDialog& dialog) {
            auto* exportDlg = qobject_cast<CExportDlg*>(&dialog);
            if (!exportDlg)
                return int(QDialog::Rejected);
            offered = exportDlg->choice();
            if (choice < 0)
                return int(QDialog::Rejected);
            exportDlg->setChoice(static_cast<CExportDlg::Choice>(choice));
            return int(QDialog::Accepted);
        };
        const QString out = m_dir.filePath(QStringLiteral("export%1").arg(++m_files));
        if (choice == CExportDlg::kOneFilePerPatch)
            QVERIFY(QDir().mkpath(out));
        m_s->prompter.files << out;
        action(cmd::kLibraryExport)->trigger();
        QCOMPARE(m_s->prompter.dialogs, QStringList{QStringLiteral("Export from Library")});
        QCOMPARE(offered, int(CExportDlg::kBankJV1080)); // the model of the settings
        QVERIFY2(m_s->prompter.texts().isEmpty(), qPrintable(m_s->prompter.texts().join('\n')));
        const std::vector<QByteArray> patches = {patch("A"), patch("C")};
        if (choice < 0) {
            QCOMPARE(m_s->prompter.files.size(), 1); // no chooser was asked
            QVERIFY(!QFileInfo::exists(out));
        } else if (choice == CExportDlg::kOneFilePerPatch) {
            const std::uint8_t id = m_s->app->settings().synth().deviceId;
            QCOMPARE(QDir(out).entryList(QDir::Files).size(), 2);
            QCOMPARE(testsupport::readFile(QDir(out).filePath(
                         libexport::singleFileName(1, patches[0].mid(CRecordArray::kNameOffset, clb::kNameLength)))),
                     libexport::singlePatchBytes(patches[0], id));
            QCOMPARE(testsupport::readFile(QDir(out).filePath(
                         libexport::singleFileName(3, patches[1].mid(CRecordArray::kNameOffset, clb::kNameLength)))),
                     libexport::singlePatchBytes(patches[1], id));
        } else {
            QCOMPARE(testsupport::readFile(out), libexport::bankBytes(patches, static_cast<SynthModel>(choice)));
        }
    }

    void aNewLibraryNeverEmptiesAnOpenOne()
    {
        const QString path = fresh(library({{"Precious"}}));
        QVERIFY(open(path));
        m_s->prompter.onExec = [](QDialog& dialog) {
            dialog.findChild<QListWidget*>()->setCurrentRow(1);
            return int(QDialog::Accepted);
        };
        m_s->prompter.files << path;
        action(cmd::kFileNew)->trigger();
        QCOMPARE(QFileInfo(path).size(), 750);
        QCOMPARE(frame()->childFrames().size(), 1);
        QCOMPARE(m_s->prompter.texts().size(), 1);
        QVERIFY(m_s->prompter.texts().first().contains(QStringLiteral("is open in a window")));
    }

    void libraryWindowsComeBackAtTheNextStart()
    {
        const QString ini = freshIni();
        m_s = start(ini, m_ports);
        const QString path = fresh(library({{"Kept"}}));
        QVERIFY(open(path));
        frame()->close();
        m_s = start(ini, m_ports);
        const QList<CChildFrame*> children = frame()->childFrames();
        QCOMPARE(children.size(), 1);
        auto* view = qobject_cast<CLibraryView*>(children.first()->widget());
        QVERIFY(view);
        QCOMPARE(view->documentPath(), path);
        QCOMPARE(view->document().name(0), QStringLiteral("Kept        "));
    }

    void aLineBecomingCurrentIsHeard()
    {
        const QString ini = freshIni();
        {
            CIniFile file(ini);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDPATCH"), 1);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("DEVICEID"), 0x12);
        }
        m_s = start(ini, m_ports);
        CLibraryView* view = openRecords({{"Quiet"}, {"Heard", {}, "", "", 5}});
        frame()->services().midi().waitUntilSent();
        m_ports.clearSent();
        clickRow(view, 0); // by name: "Heard" first
        frame()->services().midi().waitUntilSent();
        const QByteArray sent = m_ports.sentBytes();
        QCOMPARE(sent, clb::temporaryPatch(patch("Heard", 5), 0x12));
        QCOMPARE(sent.mid(5, 4).toHex(' '), QByteArray("03 00 00 00"));
    }
};

QTEST_MAIN(TestLibraryWindow)
#include "tst_librarywindow.moc"
