#include "app/MainFrame.h"
#include "app/ToneloomApp.h"
#include "bank/Copybox.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/CopyEffectDlg.h"
#include "bank/ui/CopyToPatchDlg.h"
#include "bank/ui/CopyboxDlg.h"
#include "bank/ui/GlobalSettingsDlg.h"
#include "bank/ui/RandomDlg.h"
#include "bank/ui/ToneloomView.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "settings/AppSettings.h"
#include "tests/support/AppSession.h"
#include "ui/CommandIds.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

// Runs every dialog through a script instead of a modal loop; keeps the messages.
class CScriptedPrompter : public CPrompter
{
public:
    void showMessage(MessageIcon, const QString& text) override { messages << text; }
    Answer ask(const QString&, bool) override { return Answer::No; }
    QString getSaveFileName(const QString&, const QString&) override { return {}; }
    QString getOpenFileName(const QString&, const QString&) override { return {}; }
    int exec(QDialog& dialog) override
    {
        titles << dialog.windowTitle();
        return onExec ? onExec(dialog) : QDialog::Rejected;
    }

    QStringList messages;
    QStringList titles;
    std::function<int(QDialog&)> onExec;
};

} // namespace

class TestBankWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_runs = 0;
    CLoopbackDevice m_ports;
    CScriptedPrompter m_prompter;
    std::unique_ptr<CToneloomApp> m_app;

    CMainFrame* frame() const { return m_app->mainFrame(); }
    QAction* action(int id) const { return frame()->action(id); }

    CToneloomView* newBank()
    {
        // New asks for the kind of document; the first, "Bank", is chosen when it opens.
        const std::function<int(QDialog&)> script = m_prompter.onExec;
        m_prompter.onExec = [](QDialog&) { return int(QDialog::Accepted); };
        action(cmd::kFileNew)->trigger();
        m_prompter.onExec = script;
        m_prompter.titles.removeAll(QStringLiteral("New"));
        return testsupport::activeBankView(frame());
    }

    void click(CToneloomView* view, int index, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                          view->cellRect(index).center() - view->scrollPosition());
    }

    // A drag from one cell to another, as the user makes it.
    void drag(CToneloomView* from, int fromIndex, CToneloomView* to, int toIndex)
    {
        testsupport::dragItems(from, fromIndex, to, toIndex);
    }

private slots:
    void init()
    {
        CToneloomApp::Options options;
        options.iniPath = m_dir.filePath(QStringLiteral("run%1.ini").arg(++m_runs));
        options.ports = &m_ports;
        options.prompter = &m_prompter;
        options.programFolder = QStringLiteral(TONELOOM_SOURCE_DIR "/data");
        m_prompter.messages.clear();
        m_prompter.titles.clear();
        m_prompter.onExec = nullptr;
        m_app = std::make_unique<CToneloomApp>(options);
        m_app->InitInstance();
        frame()->setGeometry(QRect(0, 0, 1800, 1000));
    }
    void cleanup() { m_app.reset(); }

    void copyPasteAndUndoThroughTheMenus()
    {
        CToneloomView* view = newBank();
        CToneloomDoc& doc = view->document();
        doc.patches().SetName(2, "Bright & Big");
        doc.patches().SetName(3, "Soft Pad    ");
        click(view, 2);
        click(view, 3, Qt::ShiftModifier);
        QVERIFY(!action(cmd::kEditUndo)->isEnabled());
        action(cmd::kEditCopy)->trigger();
        QCOMPARE(frame()->services().copybox().lines(ItemKind::Patches), (QStringList{"Bright & Big", "Soft Pad    "}));

        click(view, 126);
        m_prompter.onExec = [](QDialog& dialog) {
            auto* box = qobject_cast<CCopyboxDlg*>(&dialog);
            box->list()->selectAll();
            QTest::mouseClick(box->pasteButton(), Qt::LeftButton);
            return dialog.result();
        };
        action(cmd::kEditPaste)->trigger();
        QCOMPARE(m_prompter.titles, QStringList{"Copybox"});
        QCOMPARE(doc.patches().name(126), QStringLiteral("Bright & Big"));
        QCOMPARE(doc.patches().name(127), QStringLiteral("Soft Pad    "));
        QVERIFY(doc.isModified());
        QVERIFY(action(cmd::kEditUndo)->isEnabled());
        QCOMPARE(action(cmd::kEditUndo)->text(), QStringLiteral("&Undo: Paste \"Soft Pad\"\tCtrl+Z"));
        QVERIFY(!action(cmd::kEditRedo)->isEnabled());

        action(cmd::kEditUndo)->trigger();
        QCOMPARE(action(cmd::kEditUndo)->text(), QStringLiteral("&Undo: Paste \"Bright && Big\"\tCtrl+Z"));
        QCOMPARE(action(cmd::kEditRedo)->text(), QStringLiteral("&Redo: Paste \"Soft Pad\"\tCtrl+A"));
        action(cmd::kEditUndo)->trigger();
        QCOMPARE(doc.patches().name(126), QStringLiteral("INIT PATCH  "));
        QVERIFY(!doc.isModified());
        QCOMPARE(action(cmd::kEditUndo)->text(), QStringLiteral("&Undo\tCtrl+Z"));
        action(cmd::kEditRedo)->trigger();
        QCOMPARE(doc.patches().name(126), QStringLiteral("Bright & Big"));
    }

    void initFromTheContextMenu()
    {
        CToneloomView* view = newBank();
        CToneloomDoc& doc = view->document();
        doc.patches().SetName(5, "Five        ");
        click(view, 5);
        const std::unique_ptr<QMenu> menu = view->createContextMenu();
        QAction* init = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("&Init"))
                init = a;
        QVERIFY(init);
        QVERIFY(init->isEnabled());
        init->trigger();
        QCOMPARE(doc.patches().name(5), QStringLiteral("INIT PATCH  "));
        QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Init \"Five\"\tCtrl+Z"));
    }

    // With "Send selected ..." on, a move by key sends the current item once the keys
    // rest; the items passed on the way are not sent.
    void arrowKeysSendTheCurrentItem_data()
    {
        QTest::addColumn<bool>("sendSelected");
        QTest::newRow("send selected on") << true;
        QTest::newRow("send selected off") << false;
    }
    void arrowKeysSendTheCurrentItem()
    {
        QFETCH(bool, sendSelected);
        CAppSettings::Midi midi = m_app->settings().midi();
        midi.send[ItemKind::Patches] = sendSelected;
        m_app->settings().setMidi(midi);
        CToneloomView* view = newBank();
        CToneloomDoc& doc = view->document();
        CItemSelection& sel = view->selection();
        doc.patches().SetName(7, "Seven       ");
        click(view, 4);
        frame()->services().midi().waitUntilSent();
        m_ports.clearSent();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 7);
        QVERIFY(m_ports.sent().empty());
        QTRY_VERIFY(!view->keySendPending());
        frame()->services().midi().waitUntilSent();
        QByteArray expected;
        if (sendSelected) {
            expected = QByteArray(doc.patches().GetRecordSize(), '\0');
            doc.patches().GetAsTemporary(7, reinterpret_cast<std::uint8_t*>(expected.data()),
                                         m_app->settings().synth().deviceId);
        }
        QCOMPARE(m_ports.sentBytes(), expected);
    }

    // A right click makes the item under the pointer current, and the menu acts on it;
    // the press that closes the menu still reaches the bank.
    void contextMenuActsOnTheItemUnderThePointer()
    {
        CToneloomView* view = newBank();
        CToneloomDoc& doc = view->document();
        CItemSelection& sel = view->selection();
        doc.patches().SetName(9, "Nine        ");
        frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame()));
        click(view, 2);
        const QPoint at = view->cellRect(9).center() - view->scrollPosition();
        QTest::mousePress(view->viewport(), Qt::RightButton, {}, at);
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 9);
        QCOMPARE(sel.SelectedCount(ItemKind::Patches), 1);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().front()->text(), QStringLiteral("&Copy Nine\tCtrl+C"));
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, at);
        const QPoint other = view->cellRect(3).center() - view->scrollPosition();
        const QPoint global = view->viewport()->mapToGlobal(other);
        QTest::mousePress(menu, Qt::LeftButton, {}, menu->mapFromGlobal(global));
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, other);
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 3);
    }

    void dragMovesWithinTheBank()
    {
        CToneloomView* view = newBank();
        CToneloomDoc& doc = view->document();
        CItemSelection& sel = view->selection();
        QTRY_COMPARE(view->viewport()->size(), view->totalSize(ItemKind::Patches));
        doc.patches().SetName(3, "Three       ");
        doc.patches().SetName(4, "Four        ");
        click(view, 3);
        click(view, 4, Qt::ShiftModifier);
        drag(view, 3, view, 10);
        QCOMPARE(doc.patches().name(10), QStringLiteral("Three       "));
        QCOMPARE(doc.patches().name(11), QStringLiteral("Four        "));
        QCOMPARE(sel.FirstDropMarked(ItemKind::Patches), -1);
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 10);
        QCOMPARE(action(cmd::kEditUndo)->text(), QStringLiteral("&Undo: Move Patches\tCtrl+Z"));
        action(cmd::kEditUndo)->trigger();
        QCOMPARE(doc.patches().name(3), QStringLiteral("Three       "));
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 3);
    }

    void dragCopiesIntoAnotherBank()
    {
        CToneloomView* first = newBank();
        first->document().patches().SetName(0, "From First  ");
        CToneloomView* second = newBank();
        frame()->action(cmd::kWindowTile)->trigger();
        QTRY_VERIFY(second->isVisible() && first->isVisible());
        drag(first, 0, second, 1);
        QCOMPARE(second->document().patches().name(1), QStringLiteral("From First  "));
        QCOMPARE(second->document().historySize(), 1);
        QCOMPARE(first->document().historySize(), 0);
        QCOMPARE(second->selection().FirstDropMarked(ItemKind::Patches), -1);
    }

    // After a drop into another bank that bank's window is the active one, so that
    // Undo takes the drop back at once.
    void dropActivatesTheTargetForUndo()
    {
        CToneloomView* first = newBank();
        first->document().patches().SetName(4, "Dropped     ");
        CToneloomView* second = newBank();
        frame()->action(cmd::kWindowTile)->trigger();
        QTRY_VERIFY(second->isVisible() && first->isVisible());
        frame()->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
        QCOMPARE(testsupport::activeBankView(frame()), first);
        click(first, 4);
        drag(first, 4, second, 7);
        QCOMPARE(testsupport::activeBankView(frame()), second);
        QCOMPARE(second->document().patches().name(7), QStringLiteral("Dropped     "));
        QVERIFY(action(cmd::kEditUndo)->isEnabled());
        action(cmd::kEditUndo)->trigger();
        QCOMPARE(second->document().patches().name(7), QStringLiteral("INIT PATCH  "));
        QCOMPARE(first->document().patches().name(4), QStringLiteral("Dropped     "));
    }

    // The pointer on its way to another window does not scroll the window it left.
    void dragLeavingItsWindowKeepsItsScroll()
    {
        CToneloomView* first = newBank();
        CToneloomView* second = newBank();
        frame()->action(cmd::kWindowTile)->trigger();
        auto* sub = qobject_cast<QMdiSubWindow*>(first->parentWidget());
        sub->resize(300, 250); // far smaller than the grid: it scrolls both ways
        QTRY_VERIFY(first->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(first->horizontalScrollBar()->value(), 0);
        testsupport::dragFrom(first, 1, [&] {
            // Out through the right edge, where the grid scrolls along.
            const QPoint edge(first->viewport()->width() - 3, 20);
            testsupport::dragRunner().over(first->viewport(), edge);
            testsupport::dragRunner().over(first->viewport(), edge);
            QVERIFY(first->horizontalScrollBar()->value() > 0);
            testsupport::dragOver(second, 5);
            testsupport::dragOver(second, 30);
            testsupport::dropOn(second, 30);
        });
        QCOMPARE(second->document().patches().name(30), first->document().patches().name(1));
        QCOMPARE(first->horizontalScrollBar()->value(), 0);
        QCOMPARE(first->verticalScrollBar()->value(), 0);
    }

    // Items of one kind are not dropped onto another kind.
    void dropNeedsTheSameKind()
    {
        CToneloomView* first = newBank();
        first->document().patches().SetName(0, "Patch One   ");
        CToneloomView* second = newBank();
        second->switchKind(ItemKind::Performances);
        frame()->action(cmd::kWindowTile)->trigger();
        QTRY_VERIFY(second->isVisible() && first->isVisible());
        const QString before = second->document().performances().name(0);
        drag(first, 0, second, 0);
        QCOMPARE(second->document().performances().name(0), before);
        QCOMPARE(second->document().historySize(), 0);
        QCOMPARE(second->selection().FirstDropMarked(ItemKind::Performances), -1);
    }

    void dialogsOfTheToolsMenu()
    {
        CToneloomView* view = newBank();
        CToneloomDoc& doc = view->document();
        // Copy to Patch only while rhythm sets are shown.
        QVERIFY(!action(cmd::kCopyToPatch)->isEnabled());
        action(cmd::kShowRhythms)->trigger();
        QVERIFY(action(cmd::kCopyToPatch)->isEnabled());
        m_prompter.onExec = [](QDialog& dialog) {
            auto* dlg = qobject_cast<CCopyToPatchDlg*>(&dialog);
            for (int row : {1, 3, 7, 11})
                dlg->keyList()->item(row)->setSelected(true);
            dlg->patchBox()->setCurrentIndex(40);
            return int(QDialog::Accepted);
        };
        action(cmd::kCopyToPatch)->trigger();
        QCOMPARE(doc.patches().name(40), QStringLiteral("RhythmExtrct"));

        // Copy Effect with the dialog's choices.
        m_prompter.onExec = [](QDialog& dialog) {
            auto* dlg = qobject_cast<CCopyEffectDlg*>(&dialog);
            dlg->sourceItemBox()->setCurrentIndex(40);
            dlg->destItemBox()->setCurrentIndex(2);
            return int(QDialog::Accepted);
        };
        action(cmd::kCopyEffect)->trigger();
        QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Copy Effect to \"Init Perform\"\tCtrl+Z"));

        // Random Patches with every box cleared: names only; the boxes are remembered.
        m_prompter.onExec = [](QDialog& dialog) {
            auto* dlg = qobject_cast<CRandomDlg*>(&dialog);
            QTest::mouseClick(dlg->disableAllButton(), Qt::LeftButton);
            return int(QDialog::Accepted);
        };
        action(cmd::kRandomPatches)->trigger();
        QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Random\tCtrl+Z"));
        QVERIFY(doc.patches().name(0) != QStringLiteral("INIT PATCH  "));
        QVERIFY(!frame()->services().settings().randomOption(QStringLiteral("TVA"), 3));
        // Cancel changes nothing.
        m_prompter.onExec = [](QDialog& dialog) {
            qobject_cast<CRandomDlg*>(&dialog)->enableAllButton()->click();
            return int(QDialog::Rejected);
        };
        const int entries = doc.historySize();
        action(cmd::kRandomPatches)->trigger();
        QCOMPARE(doc.historySize(), entries);
        QVERIFY(!frame()->services().settings().randomOption(QStringLiteral("Effect"), 1));

        m_prompter.onExec = [](QDialog&) { return int(QDialog::Rejected); };
        action(cmd::kShowUsedPatches)->trigger();
        QCOMPARE(m_prompter.titles.last(), QStringLiteral("Used Patches"));
    }

    void globalSettingsEnlargeEveryBankWindow()
    {
        CToneloomView* first = newBank();
        CToneloomView* second = newBank();
        const QSize before = first->cellSize();
        QVERIFY(action(cmd::kSettings)->isEnabled());
        m_prompter.onExec = [](QDialog& dialog) {
            auto* dlg = qobject_cast<CGlobalSettingsDlg*>(&dialog);
            dlg->sizeBox()->setCurrentText(QStringLiteral("22"));
            return int(QDialog::Accepted);
        };
        action(cmd::kSettings)->trigger();
        QCOMPARE(frame()->services().settings().viewFontSize(), 22);
        QVERIFY(first->cellSize().height() > before.height());
        QCOMPARE(second->cellSize(), first->cellSize());
        CIniFile ini(frame()->services().settings().ini().path());
        QCOMPARE(ini.readInt(QStringLiteral("SETUP"), QStringLiteral("VIEWFONTSIZE"), 0), 22);
    }
};

QTEST_MAIN(TestBankWindow)
#include "tst_bankwindow.moc"
