#include "app/AuditionFilter.h"
#include "app/MainFrame.h"
#include "app/ToneloomApp.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "emulator/EmulatorDevice.h"
#include "midi/BulkTransfer.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/ui/MidiSettingsDlg.h"
#include "midi/ui/ReceiveDlg.h"
#include "midi/ui/SendDlg.h"
#include "midi/ui/StatusDlg.h"
#include "model/ExpansionNames.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "tests/support/AppSession.h"
#include "ui/ChildFrame.h"
#include "ui/CommandIds.h"
#include "ui/Prompter.h"
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>

using namespace testsupport;

namespace {

QList<int> states(const CItemSelection& sel, ItemKind kind, int n)
{
    QList<int> list;
    for (int i = 0; i < n; ++i)
        list << int(sel.flags(kind, i));
    return list;
}

QList<int> makeStates(int n, const QList<std::pair<int, int>>& set)
{
    QList<int> list(n, 0);
    for (const auto& [i, v] : set)
        list[i] = v;
    return list;
}

} // namespace

// The bank window: its grid, clicks and keys, auditioning, the context menu, dragging, clipboard, writing and printing.
class TestBankView : public CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void gridGeometry_data()
    {
        QTest::addColumn<int>("fontSize");
        QTest::newRow("13") << 13;
        QTest::newRow("22") << 22;
    }
    void gridGeometry()
    {
        QFETCH(int, fontSize);
        const QString ini = freshIni();
        {
            CIniFile file(ini);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("VIEWFONTSIZE"), fontSize);
        }
        CLoopbackDevice ports;
        auto s = start(ini, ports);
        s->frame()->setGeometry(QRect(0, 0, 1900, 1000));
        CToneloomView* view = newBank(*s);
        QFont font(QStringLiteral("Times New Roman"));
        font.setPixelSize(fontSize);
        const QFontMetrics metrics(font, view->viewport());
        const QSize cell(metrics.horizontalAdvance(QStringLiteral("LILITH SINGS WOND")) + 6, metrics.height() + 6);
        QCOMPARE(view->cellSize(), cell);
        QCOMPARE(view->totalSize(ItemKind::Patches), QSize(8 * cell.width(), 16 * cell.height()));
        QCOMPARE(view->totalSize(ItemKind::Performances), QSize(2 * cell.width(), 16 * cell.height()));
        QCOMPARE(view->totalSize(ItemKind::RhythmSets), QSize(cell.width(), 2 * cell.height()));
        // Item 17 heads the second column.
        QCOMPARE(view->cellRect(16).topLeft(), QPoint(cell.width(), 0));
        QCOMPARE(view->HitTest(QPoint(cell.width(), 0)), 16);
        QCOMPARE(view->HitTest(QPoint(cell.width() - 1, cell.height() * 16 - 1)), 15);
        QCOMPARE(view->HitTest(QPoint(8 * cell.width(), 0)), -1);
        QCOMPARE(view->HitTest(QPoint(-1, 0)), -1);
        view->switchKind(ItemKind::RhythmSets);
        QCOMPARE(view->HitTest(QPoint(0, cell.height())), 1);
        QCOMPARE(view->HitTest(QPoint(cell.width() + 1, 0)), -1);
        // The window was fitted to the grid.
        QTRY_COMPARE(view->viewport()->size(), view->totalSize(ItemKind::Patches));
    }

    // Narrower than its grid, a bank window scrolls sideways; the scroll bar sits below
    // the last row instead of covering it, also where the window spans the whole width.
    void narrowWindowShowsEveryRow()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        s->frame()->setGeometry(QRect(0, 0, 700, 1000));
        CToneloomView* view = newBank(*s);
        QTRY_VERIFY(view->horizontalScrollBar()->isVisible());
        QCOMPARE(view->viewport()->height(), view->totalSize(ItemKind::Patches).height());
        QVERIFY(!view->verticalScrollBar()->isVisible());
    }

    void clickRules()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        CItemSelection& sel = view->selection();
        clickItem(view, 5);
        QCOMPARE(states(view->selection(), ItemKind::Patches, 12), makeStates(12, {{5, 3}}));
        clickItem(view, 9, Qt::ShiftModifier);
        QCOMPARE(states(view->selection(), ItemKind::Patches, 12),
                 makeStates(12, {{5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 3}}));
        clickItem(view, 3, Qt::ShiftModifier); // a range above the current item
        QCOMPARE(states(view->selection(), ItemKind::Patches, 12),
                 makeStates(12, {{3, 3}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}}));
        clickItem(view, 3, Qt::ControlModifier); // the current one of several: the lowest selected becomes current
        QCOMPARE(states(view->selection(), ItemKind::Patches, 12),
                 makeStates(12, {{4, 3}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}}));
        clickItem(view, 11, Qt::ControlModifier);
        QCOMPARE(states(view->selection(), ItemKind::Patches, 12),
                 makeStates(12, {{4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}, {11, 3}}));
        clickItem(view, 2);
        QCOMPARE(states(view->selection(), ItemKind::Patches, 12), makeStates(12, {{2, 3}}));
        clickItem(view, 2, Qt::ControlModifier); // the only selected item stays
        QCOMPARE(states(view->selection(), ItemKind::Patches, 12), makeStates(12, {{2, 3}}));
        // A press and release within 6 units is a click too.
        const QPoint p = view->cellRect(7).topLeft() + QPoint(2, 2);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseMove(view->viewport(), p + QPoint(3, 3));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, p + QPoint(3, 3));
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 7);
        QCOMPARE(sel.SelectedCount(ItemKind::Patches), 1);
        QVERIFY(!view->isDragging());
    }

    void keyboard_data()
    {
        QTest::addColumn<ItemKind>("kind");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("down") << ItemKind::Patches << 5 << int(Qt::Key_Down) << 6;
        QTest::newRow("down at end") << ItemKind::Patches << 127 << int(Qt::Key_Down) << 127;
        QTest::newRow("up at start") << ItemKind::Patches << 0 << int(Qt::Key_Up) << 0;
        QTest::newRow("right") << ItemKind::Patches << 5 << int(Qt::Key_Right) << 21;
        QTest::newRow("page down last column") << ItemKind::Patches << 120 << int(Qt::Key_PageDown) << 120;
        QTest::newRow("left first column") << ItemKind::Patches << 15 << int(Qt::Key_Left) << 15;
        QTest::newRow("page up") << ItemKind::Patches << 40 << int(Qt::Key_PageUp) << 24;
        QTest::newRow("home") << ItemKind::Patches << 40 << int(Qt::Key_Home) << 0;
        QTest::newRow("end") << ItemKind::Patches << 4 << int(Qt::Key_End) << 127;
        QTest::newRow("performances end") << ItemKind::Performances << 4 << int(Qt::Key_End) << 31;
        QTest::newRow("rhythm right") << ItemKind::RhythmSets << 0 << int(Qt::Key_Right) << 0;
        QTest::newRow("rhythm down") << ItemKind::RhythmSets << 0 << int(Qt::Key_Down) << 1;
        QTest::newRow("return keeps") << ItemKind::Patches << 9 << int(Qt::Key_Return) << 9;
    }
    void keyboard()
    {
        QFETCH(ItemKind, kind);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        CLoopbackDevice ports;
        auto s = this->start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        view->switchKind(kind);
        view->selection().SelectItem(kind, start, false, false);
        QTest::keyClick(view, Qt::Key(key));
        QCOMPARE(view->selection().CurrentIndex(kind), expected);
        QCOMPARE(view->selection().SelectedCount(kind), 1);
        // Shift extends the selection.
        if (expected != start && key != Qt::Key_Return) {
            view->selection().SelectItem(kind, start, false, false);
            QTest::keyClick(view, Qt::Key(key), Qt::ShiftModifier);
            QCOMPARE(view->selection().SelectedCount(kind), std::abs(expected - start) + 1);
        }
    }

    void kindSwitchSendsModeMessage()
    {
        CLoopbackDevice ports;
        const QString ini = freshIni();
        {
            CIniFile file(ini);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("DEVICEID"), 0x11);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDPERFORMANCE"), 1);
        }
        auto s = start(ini, ports);
        CToneloomView* view = newBank(*s);
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(ports.sentBytes().toHex(' '), QByteArray("f0 41 11 6a 12 00 00 00 00 01 7f f7"));
        ports.clearSent();
        s->frame()->action(cmd::kShowPerformances)->trigger();
        s->frame()->services().midi().waitUntilSent();
        const auto sent = ports.sent();
        QVERIFY(sent.size() >= 2);
        QCOMPARE(sent[0].bytes.toHex(' '), QByteArray("f0 41 11 6a 12 00 00 00 00 00 00 f7"));
        // The current performance follows, to the temporary performance area.
        QCOMPARE(sent[1].bytes.mid(0, 9).toHex(' '), QByteArray("f0 41 11 6a 12 01 00 00 00"));
        QCOMPARE(view->displayedKind(), ItemKind::Performances);
        ports.clearSent();
        s->frame()->action(cmd::kShowPerformances)->trigger(); // already shown: nothing
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(ports.sent().size(), std::size_t(0));
        QVERIFY(view->viewport());
    }

    void contextMenuTexts()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        auto menu = view->createContextMenu();
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << a->text();
        QCOMPARE(texts, (QStringList{"&Copy INIT PATCH\tCtrl+C", "&Paste...\tCtrl+V", "", "&Edit...\tCtrl+E", "",
                                     "&Init", "&Write"}));
        view->switchKind(ItemKind::Performances);
        clickItem(view, 3, Qt::ShiftModifier);
        menu = view->createContextMenu();
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("&Copy selected Patches\tCtrl+C"));
    }

    void dragMarksAndCancel()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        s->frame()->setGeometry(QRect(0, 0, 1900, 1000));
        CToneloomView* view = newBank(*s);
        CToneloomDoc& doc = view->document();
        CItemSelection& sel = view->selection();
        QTRY_COMPARE(view->viewport()->size(), view->totalSize(ItemKind::Patches));
        clickItem(view, 0);
        clickItem(view, 2, Qt::ShiftModifier); // three selected
        QList<int> marked;
        bool dragging = false;
        dragFrom(view, 1, [&] {
            dragging = view->isDragging();
            dragOver(view, 127);
            for (int i = 0; i < 128; ++i)
                if (sel.flags(ItemKind::Patches, i) & CItemSelection::kDropMark)
                    marked << i;
            // The right button cancels; its press opens no menu.
            QTest::mousePress(view->viewport(), Qt::RightButton, {}, cellPoint(view, 127));
        });
        QVERIFY(dragging);
        // Pushed back from the end: the last three cells.
        QCOMPARE(marked, (QList<int>{125, 126, 127}));
        QCOMPARE(sel.FirstDropMarked(ItemKind::Patches), -1);
        QVERIFY(!view->isDragging());
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, cellPoint(view, 127));
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        // The release that follows does nothing.
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, cellPoint(view, 127));
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 2);
        QCOMPARE(sel.SelectedCount(ItemKind::Patches), 3);
        QCOMPARE(doc.historySize(), 0);
    }

    void copyNamesToClipboard()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        newBank(*s);
        s->frame()->action(cmd::kCopyNames)->trigger();
        const QString text = QApplication::clipboard()->text();
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 129); // 128 lines, each ended by CR LF
        QCOMPARE(lines[0], QStringLiteral("INIT PATCH  "));
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 128; ++i)
            QCOMPARE(lines[i].size(), 12);
    }

    void copySysexToClipboard()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        const QString path = m_dir.filePath(QStringLiteral("hex.syx"));
        s->prompter.files << path;
        s->frame()->action(cmd::kCopySysex)->trigger(); // saves first
        QCOMPARE(view->documentPath(), path);
        QCOMPARE(QApplication::clipboard()->text().toLatin1(), BytesToHexText(readFile(path)));
        QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("F0 41 10 6A 12 10 00 00 00 ")));
    }

    void writeAsksAndSends()
    {
        CLoopbackDevice ports;
        const QString ini = freshIni();
        plainSends(ini);
        auto s = start(ini, ports);
        CToneloomView* view = newBank(*s);
        clickItem(view, 4);
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        s->prompter.answers = {CPrompter::Answer::No};
        s->frame()->action(cmd::kWrite)->trigger();
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(ports.sent().size(), std::size_t(0));
        // The question names the item, its memory and its name.
        QCOMPARE(s->prompter.questions.last(),
                 QStringLiteral("This will overwrite patch 5 of the user memory in your synth with \"INIT PATCH\". "
                                "This operation can not be undone. Do you want to execute it ?"));
        s->frame()->action(cmd::kWrite)->trigger();
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(ports.sentBytes(), view->document().patches().record(4));
        QCOMPARE(ports.sentBytes().mid(5, 3).toHex(' '), QByteArray("11 04 00")); // user patch 5
    }

    void printsTheWholeGridOnOnePage()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(QStringLiteral("bank.pdf"));
        printer.setOutputFileName(pdf);
        view->print(&printer);
        const QByteArray bytes = readFile(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
    }
};

QTEST_MAIN(TestBankView)
#include "tst_bankview.moc"
