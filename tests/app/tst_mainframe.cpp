#include "app/AppSettings.h"
#include "app/AuditionFilter.h"
#include "app/ChildFrame.h"
#include "app/CommandIds.h"
#include "app/IniFile.h"
#include "app/MainFrame.h"
#include "app/Prompter.h"
#include "app/ToneloomApp.h"
#include "app/ToneloomDoc.h"
#include "bank/ToneloomView.h"
#include "emulator/EmulatorDevice.h"
#include "midi/BulkTransfer.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/MidiSettingsDlg.h"
#include "midi/ReceiveDlg.h"
#include "midi/SendDlg.h"
#include "midi/StatusDlg.h"
#include "model/ExpansionNames.h"

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
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <deque>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#include <functional>

namespace {

// Answers every question, file chooser and dialog from a script; records messages.
class CScriptedPrompter : public CPrompter
{
public:
    void showMessage(MessageIcon icon, const QString& text) override { messages.emplace_back(icon, text); }
    Answer ask(const QString& text, bool) override
    {
        questions << text;
        if (answers.empty())
            return Answer::Yes;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString getSaveFileName(const QString&, const QString&) override
    {
        folders << QDir::currentPath();
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString getOpenFileName(const QString& filter, const QString& suffix) override
    {
        return getSaveFileName(filter, suffix);
    }
    int exec(QDialog& dialog) override
    {
        dialogs << dialog.windowTitle();
        if (!onExec)
            return QDialog::Rejected;
        return onExec(dialog);
    }
    QStringList texts() const
    {
        QStringList list;
        for (const auto& m : messages)
            list << m.second;
        return list;
    }

    std::vector<std::pair<MessageIcon, QString>> messages;
    QStringList questions;
    std::deque<Answer> answers;
    QStringList files;
    QStringList folders;
    QStringList dialogs;
    std::function<int(QDialog&)> onExec;
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<int> states(CToneloomDoc& doc, int kind, int n)
{
    QList<int> list;
    for (int i = 0; i < n; ++i)
        list << int(doc.flags(kind, i));
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

class TestMainFrame : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_iniCount = 0;

    QString freshIni() { return m_dir.filePath(QStringLiteral("t%1.ini").arg(++m_iniCount)); }

    struct Session
    {
        CScriptedPrompter prompter;
        std::unique_ptr<CToneloomApp> app;
        CMainFrame* frame() const { return app->mainFrame(); }
    };

    std::unique_ptr<Session> start(const QString& ini, CMidiPortProvider& ports)
    {
        auto s = std::make_unique<Session>();
        CToneloomApp::Options options;
        options.iniPath = ini;
        options.ports = &ports;
        options.prompter = &s->prompter;
        options.programFolder = m_dir.path();
        s->app = std::make_unique<CToneloomApp>(options);
        s->app->InitInstance();
        return s;
    }

    static CToneloomView* newBank(Session& s)
    {
        s.frame()->action(cmd::kFileNew)->trigger();
        return s.frame()->activeBankView();
    }

    static void click(CToneloomView* view, int index, Qt::KeyboardModifiers modifiers = {})
    {
        const QPoint p = view->cellRect(index).center() - view->scrollPosition();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, p);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void titleMenusAndToolbar()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        QCOMPARE(s->frame()->windowTitle(), QStringLiteral("Toneloom! for JV and XP V5.60"));
        QCOMPARE(s->frame()->action(cmd::kReceive)->text(), QStringLiteral("&Receive..."));
        QCOMPARE(s->frame()->action(cmd::kReceive)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(s->frame()->action(cmd::kEditRedo)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
        QCOMPARE(s->frame()->action(cmd::kEditPaste)->shortcuts().size(), 2);
        QVERIFY(!s->frame()->action(cmd::kStop)->isEnabled());
        QVERIFY(!s->frame()->action(cmd::kShowPatches)->isEnabled());
        CToneloomView* view = newBank(*s);
        QVERIFY(view);
        QCOMPARE(s->frame()->windowTitle(), QStringLiteral("Toneloom! for JV and XP V5.60 - Bank1"));
        QVERIFY(s->frame()->action(cmd::kShowPatches)->isChecked());
        QVERIFY(s->frame()->action(cmd::kWrite)->isEnabled());
        QVERIFY(!s->frame()->action(cmd::kEditUndo)->isEnabled()); // not part of the program yet
        for (int id : {cmd::kFileNew, cmd::kFileOpen, cmd::kFileSave, cmd::kEditCopy, cmd::kEditPaste, cmd::kEditFind,
                       cmd::kFilePrint, cmd::kShowPatches, cmd::kShowPerformances, cmd::kShowRhythms, cmd::kEditItem,
                       cmd::kPianoKeyboard, cmd::kVirtualSynth, cmd::kReceive, cmd::kSend, cmd::kStop})
            QCOMPARE(s->frame()->action(id)->icon().pixmap(16, 16).size(), QSize(16, 16));
    }

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
        QCOMPARE(view->totalSize(kPatches), QSize(8 * cell.width(), 16 * cell.height()));
        QCOMPARE(view->totalSize(kPerformances), QSize(2 * cell.width(), 16 * cell.height()));
        QCOMPARE(view->totalSize(kRhythmSets), QSize(cell.width(), 2 * cell.height()));
        // Item 17 heads the second column.
        QCOMPARE(view->cellRect(16).topLeft(), QPoint(cell.width(), 0));
        QCOMPARE(view->HitTest(QPoint(cell.width(), 0)), 16);
        QCOMPARE(view->HitTest(QPoint(cell.width() - 1, cell.height() * 16 - 1)), 15);
        QCOMPARE(view->HitTest(QPoint(8 * cell.width(), 0)), -1);
        QCOMPARE(view->HitTest(QPoint(-1, 0)), -1);
        view->switchKind(kRhythmSets);
        QCOMPARE(view->HitTest(QPoint(0, cell.height())), 1);
        QCOMPARE(view->HitTest(QPoint(cell.width() + 1, 0)), -1);
        // The window was fitted to the grid.
        QTRY_COMPARE(view->viewport()->size(), view->totalSize(kPatches));
    }

    void clickRules()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        CToneloomDoc& doc = view->document();
        click(view, 5);
        QCOMPARE(states(doc, kPatches, 12), makeStates(12, {{5, 3}}));
        click(view, 9, Qt::ShiftModifier);
        QCOMPARE(states(doc, kPatches, 12), makeStates(12, {{5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 3}}));
        click(view, 3, Qt::ShiftModifier); // a range above the current item
        QCOMPARE(states(doc, kPatches, 12), makeStates(12, {{3, 3}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}}));
        click(view, 3, Qt::ControlModifier); // the current one of several: the lowest selected becomes current
        QCOMPARE(states(doc, kPatches, 12), makeStates(12, {{4, 3}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}}));
        click(view, 11, Qt::ControlModifier);
        QCOMPARE(states(doc, kPatches, 12), makeStates(12, {{4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}, {11, 3}}));
        click(view, 2);
        QCOMPARE(states(doc, kPatches, 12), makeStates(12, {{2, 3}}));
        click(view, 2, Qt::ControlModifier); // the only selected item stays
        QCOMPARE(states(doc, kPatches, 12), makeStates(12, {{2, 3}}));
        // A press and release within 6 units is a click too.
        const QPoint p = view->cellRect(7).topLeft() + QPoint(2, 2);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseMove(view->viewport(), p + QPoint(3, 3));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, p + QPoint(3, 3));
        QCOMPARE(doc.CurrentIndex(kPatches), 7);
        QCOMPARE(doc.SelectedCount(kPatches), 1);
        QCOMPARE(CToneloomView::dragSourceView(), nullptr);
    }

    void keyboard_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("down") << 0 << 5 << int(Qt::Key_Down) << 6;
        QTest::newRow("down at end") << 0 << 127 << int(Qt::Key_Down) << 127;
        QTest::newRow("up at start") << 0 << 0 << int(Qt::Key_Up) << 0;
        QTest::newRow("right") << 0 << 5 << int(Qt::Key_Right) << 21;
        QTest::newRow("page down last column") << 0 << 120 << int(Qt::Key_PageDown) << 120;
        QTest::newRow("left first column") << 0 << 15 << int(Qt::Key_Left) << 15;
        QTest::newRow("page up") << 0 << 40 << int(Qt::Key_PageUp) << 24;
        QTest::newRow("home") << 0 << 40 << int(Qt::Key_Home) << 0;
        QTest::newRow("end") << 0 << 4 << int(Qt::Key_End) << 127;
        QTest::newRow("performances end") << 1 << 4 << int(Qt::Key_End) << 31;
        QTest::newRow("rhythm right") << 2 << 0 << int(Qt::Key_Right) << 0;
        QTest::newRow("rhythm down") << 2 << 0 << int(Qt::Key_Down) << 1;
        QTest::newRow("return keeps") << 0 << 9 << int(Qt::Key_Return) << 9;
    }
    void keyboard()
    {
        QFETCH(int, kind);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        CLoopbackDevice ports;
        auto s = this->start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        view->switchKind(kind);
        view->document().SelectItem(kind, start, false, false);
        QTest::keyClick(view, Qt::Key(key));
        QCOMPARE(view->document().CurrentIndex(kind), expected);
        QCOMPARE(view->document().SelectedCount(kind), 1);
        // Shift extends the selection.
        if (expected != start && key != Qt::Key_Return) {
            view->document().SelectItem(kind, start, false, false);
            QTest::keyClick(view, Qt::Key(key), Qt::ShiftModifier);
            QCOMPARE(view->document().SelectedCount(kind), std::abs(expected - start) + 1);
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
        s->frame()->midi().waitUntilSent();
        QCOMPARE(ports.sentBytes().toHex(' '), QByteArray("f0 41 11 6a 12 00 00 00 00 01 7f f7"));
        ports.clearSent();
        s->frame()->action(cmd::kShowPerformances)->trigger();
        s->frame()->midi().waitUntilSent();
        const auto sent = ports.sent();
        QVERIFY(sent.size() >= 2);
        QCOMPARE(sent[0].bytes.toHex(' '), QByteArray("f0 41 11 6a 12 00 00 00 00 00 00 f7"));
        // The current performance follows, to the temporary performance area.
        QCOMPARE(sent[1].bytes.mid(0, 9).toHex(' '), QByteArray("f0 41 11 6a 12 01 00 00 00"));
        QCOMPARE(s->frame()->displayedKind(), int(kPerformances));
        ports.clearSent();
        s->frame()->action(cmd::kShowPerformances)->trigger(); // already shown: nothing
        s->frame()->midi().waitUntilSent();
        QCOMPARE(ports.sent().size(), std::size_t(0));
        QVERIFY(view->viewport());
    }

    void rightClicksPlayTheChord()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        s->frame()->midi().waitUntilSent();
        ports.clearSent();
        QWidget* target = s->frame()->mdiArea()->viewport();
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(target, Qt::RightButton, {}, QPoint(50, 50));
        s->frame()->midi().waitUntilSent();
        QList<QByteArray> notes;
        for (const auto& m : ports.sent())
            notes << m.bytes.toHex(' ');
        QCOMPARE(notes, (QList<QByteArray>{"90 3c 60", "90 3c 00", "90 40 60", "90 40 00", "90 43 60", "90 43 00",
                                           "90 48 60", "90 48 00", "90 3c 60", "90 3c 00"}));
        // With a drum key published, the key plays on channel 10.
        ports.clearSent();
        s->frame()->setRhythmKey(3);
        QTest::mouseClick(target, Qt::RightButton, {}, QPoint(50, 50));
        s->frame()->midi().waitUntilSent();
        QCOMPARE(ports.sentBytes().toHex(' '), QByteArray("99 26 7f 99 26 00"));
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
        view->switchKind(kPerformances);
        click(view, 3, Qt::ShiftModifier);
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
        QTRY_COMPARE(view->viewport()->size(), view->totalSize(kPatches));
        click(view, 0);
        click(view, 2, Qt::ShiftModifier); // three selected
        QWidget* vp = view->viewport();
        const QPoint from = view->cellRect(1).center();
        const QPoint to = view->cellRect(127).center();
        QTest::mousePress(vp, Qt::LeftButton, {}, from);
        // Qt's test moves carry no button state; the view tracks its own.
        QMouseEvent move(QEvent::MouseMove, QPointF(to), vp->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QVERIFY(view->isDragging());
        // Pushed back from the end: the last three cells.
        QCOMPARE(doc.FirstDropMarked(kPatches), 125);
        QList<int> marked;
        for (int i = 0; i < 128; ++i)
            if (doc.flags(kPatches, i) & CToneloomDoc::kDropMark)
                marked << i;
        QCOMPARE(marked, (QList<int>{125, 126, 127}));
        // The right button cancels; the release that follows does nothing.
        QTest::mousePress(vp, Qt::RightButton, {}, to);
        QCOMPARE(doc.FirstDropMarked(kPatches), -1);
        QVERIFY(!view->isDragging());
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
        QCOMPARE(doc.CurrentIndex(kPatches), 2);
        QCOMPARE(doc.SelectedCount(kPatches), 3);
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
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        click(view, 4);
        s->frame()->midi().waitUntilSent();
        ports.clearSent();
        s->prompter.answers = {CPrompter::Answer::No};
        s->frame()->action(cmd::kWrite)->trigger();
        s->frame()->midi().waitUntilSent();
        QCOMPARE(ports.sent().size(), std::size_t(0));
        QCOMPARE(s->prompter.questions.last(), QString::fromLatin1(CToneloomView::kWriteQuestion));
        s->frame()->action(cmd::kWrite)->trigger();
        s->frame()->midi().waitUntilSent();
        QCOMPARE(ports.sentBytes(), view->document().patches().record(4));
        QCOMPARE(ports.sentBytes().mid(5, 3).toHex(' '), QByteArray("11 04 00")); // user patch 5
    }

    void receiveAllFromEmulator()
    {
        CEmulatorDevice emulator(SynthModel::Jv1080, SynthSettings::kDefaultDeviceId, 2000000);
        auto s = start(freshIni(), emulator);
        const QString path = m_dir.filePath(QStringLiteral("received.syx"));
        s->prompter.files << path;
        s->prompter.onExec = [](QDialog& dialog) {
            auto* receive = qobject_cast<CReceiveDlg*>(&dialog);
            if (!receive)
                return int(QDialog::Rejected);
            receive->list()->setCurrentRow(3); // "All"
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kReceive)->trigger();
        QCOMPARE(s->prompter.dialogs, QStringList{QStringLiteral("Receive")});
        QVERIFY(s->frame()->statusWindow()->isVisible());
        QVERIFY(s->frame()->action(cmd::kStop)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(s->frame()->activeBankView() != nullptr, 30000);
        QVERIFY(!s->frame()->statusWindow()->isVisible());
        QCOMPARE(readFile(path).size(), 108942);
        CToneloomView* view = s->frame()->activeBankView();
        QCOMPARE(view->documentPath(), path);
        QByteArray expected;
        emulator.withEmulator([&](CSynthEmulator& e) { expected = e.dump(sysex::MemoryArea::User); });
        const SynthSettings synth;
        CToneloomDoc reference(synth, s->prompter);
        QBuffer buffer(&expected);
        buffer.open(QIODevice::ReadOnly);
        reference.readBank(buffer);
        for (int kind = 0; kind < kKindCount; ++kind)
            for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i)
                QCOMPARE(view->document().array(kind).name(i), reference.array(kind).name(i));
        QVERIFY(view->document().patches().name(0) != QStringLiteral("INIT PATCH  "));
        QCOMPARE(s->app->settings().currentFolder(), CAppSettings::folderOf(path));
    }

    void manualReceiveStoppedOpensTheFile()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        const QString path = m_dir.filePath(QStringLiteral("manual.syx"));
        s->prompter.files << path;
        s->prompter.onExec = [](QDialog& dialog) {
            auto* receive = qobject_cast<CReceiveDlg*>(&dialog);
            if (!receive || receive->list()->currentItem()->text() != QStringLiteral("Manual"))
                return int(QDialog::Rejected);
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kReceive)->trigger();
        QCOMPARE(s->frame()->statusWindow()->mode(), CStatusDlg::Mode::ReceivingManual);
        // The user dumps the temporary patch from the instrument.
        CCollectingReporter reporter;
        const SynthSettings synth;
        CToneloomDoc source(synth, reporter);
        source.patches().SetName(0, "MANUAL DUMP ");
        QByteArray image(source.patches().GetRecordSize(), '\0');
        source.patches().GetAsTemporary(0, reinterpret_cast<std::uint8_t*>(image.data()), 0x10);
        for (qsizetype at = 0; at < image.size();) {
            const qsizetype end = image.indexOf(char(0xF7), at);
            QVERIFY(ports.inject(image.mid(at, end - at + 1)));
            at = end + 1;
        }
        QTRY_COMPARE(s->frame()->midi().bytesReceivedCount(), long(image.size()));
        QCOMPARE(s->frame()->activeBankView(), nullptr);
        s->frame()->statusWindow()->stopButton()->click();
        QVERIFY(!s->frame()->statusWindow()->isVisible());
        CToneloomView* view = s->frame()->activeBankView();
        QVERIFY(view);
        QCOMPARE(view->document().patches().name(0), QStringLiteral("MANUAL DUMP "));
        QCOMPARE(view->document().patches().name(1), QStringLiteral("INIT PATCH  "));
    }

    void sendToCardMemory()
    {
        CEmulatorDevice emulator(SynthModel::Jv1080, SynthSettings::kDefaultDeviceId, 2000000);
        emulator.withEmulator([](CSynthEmulator& e) { e.setCardInserted(true); });
        const QString ini = freshIni();
        {
            // As fast as the emulator takes it.
            CIniFile file(ini);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDRATE"), 0);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDPAUSE"), 0);
        }
        auto s = start(ini, emulator);
        CToneloomView* view = newBank(*s);
        view->document().patches().SetName(5, "CARD TEST   ");
        s->prompter.onExec = [](QDialog& dialog) {
            auto* send = qobject_cast<CSendDlg*>(&dialog);
            if (!send)
                return int(QDialog::Rejected);
            send->setChoice(true, 0);
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kSend)->trigger();
        QCOMPARE(s->prompter.dialogs, QStringList{QStringLiteral("Send to Synth")});
        QVERIFY(s->frame()->statusWindow()->isVisible());
        QCOMPARE(s->frame()->statusWindow()->mode(), CStatusDlg::Mode::Sending);
        QTRY_VERIFY_WITH_TIMEOUT(!s->frame()->bulkTransfer().isActive(), 30000);
        emulator.waitIdle();
        QVERIFY(!s->frame()->statusWindow()->isVisible());
        QByteArray common;
        emulator.withEmulator(
            [&](CSynthEmulator& e) { common = e.blockData(sysex::patchAddress(sysex::MemoryArea::Card, 5)); });
        QCOMPARE(common.left(12), QByteArray("CARD TEST   "));
        QByteArray user;
        emulator.withEmulator(
            [&](CSynthEmulator& e) { user = e.blockData(sysex::patchAddress(sysex::MemoryArea::User, 5)); });
        QVERIFY(user.left(12) != QByteArray("CARD TEST   "));
    }

    void layoutComesBack()
    {
        const QString ini = freshIni();
        const QString a = m_dir.filePath(QStringLiteral("a.syx"));
        const QString b = m_dir.filePath(QStringLiteral("b.syx"));
        QRect frameGeometry;
        QRect childGeometry;
        {
            CLoopbackDevice ports;
            auto s = start(ini, ports);
            s->frame()->setGeometry(QRect(40, 50, 900, 700));
            for (const QString& path : {a, b}) {
                CToneloomView* view = newBank(*s);
                view->document().patches().SetName(0, path == a ? "FIRST BANK  " : "SECOND BANK ");
                s->prompter.files << path;
                s->frame()->action(cmd::kFileSave)->trigger();
                QCOMPARE(view->documentPath(), path);
            }
            auto* child = qobject_cast<CChildFrame*>(s->frame()->mdiArea()->subWindowList().at(1));
            child->setGeometry(QRect(30, 20, 400, 300));
            childGeometry = child->geometry();
            newBank(*s); // never saved: not remembered
            frameGeometry = s->frame()->geometry();
            s->frame()->close();
            CIniFile file(ini);
            QCOMPARE(file.readString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath1")), a);
            QCOMPARE(file.readString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath2")), b);
            QVERIFY(file.contains(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath3")));
            QCOMPARE(file.readString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath3"), QStringLiteral("x")),
                     QString());
            QCOMPARE(file.readString(QStringLiteral("Recent File List"), QStringLiteral("File1")), b);
        }
        CLoopbackDevice ports;
        auto s = start(ini, ports);
        QCOMPARE(s->frame()->geometry(), frameGeometry);
        const auto children = s->frame()->childFrames();
        QCOMPARE(children.size(), 2);
        QCOMPARE(children[0]->documentView()->documentPath(), a);
        QCOMPARE(children[1]->documentView()->documentPath(), b);
        QCOMPARE(children[1]->geometry(), childGeometry);
        auto* second = qobject_cast<CToneloomView*>(children[1]->widget());
        QCOMPARE(second->document().patches().name(0), QStringLiteral("SECOND BANK "));
    }

    void windowPos_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("used");
        QTest::newRow("ten numbers") << "0,1,-1,-1,-1,-1,33,44,633,544" << true;
        QTest::newRow("nine numbers") << "0,1,-1,-1,-1,-1,33,44,633" << false;
    }
    void windowPos()
    {
        QFETCH(QString, text);
        QFETCH(bool, used);
        const QString ini = freshIni();
        {
            CIniFile file(ini);
            file.writeString(QStringLiteral("WIN_POS"), QStringLiteral("WindowPos"), text);
        }
        CLoopbackDevice ports;
        auto s = start(ini, ports);
        QCOMPARE(s->frame()->geometry() == QRect(33, 44, 600, 500), used);
        QVERIFY(s->frame()->isVisible());
    }

    void missingFileIsSkippedAtStart()
    {
        const QString ini = freshIni();
        const QString good = m_dir.filePath(QStringLiteral("good.syx"));
        {
            CCollectingReporter reporter;
            const SynthSettings synth;
            CToneloomDoc doc(synth, reporter);
            QVERIFY(doc.OnSaveDocument(good));
            CIniFile file(ini);
            file.writeString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath1"),
                             m_dir.filePath(QStringLiteral("gone.syx")));
            file.writeString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath2"), good);
        }
        CLoopbackDevice ports;
        auto s = start(ini, ports);
        QCOMPARE(s->frame()->childFrames().size(), 1);
        QCOMPARE(s->prompter.messages.size(), std::size_t(1));
        QVERIFY(s->prompter.texts().first().contains(QStringLiteral("gone.syx")));
    }

    void failedSaveKeepsOldFile()
    {
#ifdef Q_OS_UNIX
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        const QString path = m_dir.filePath(QStringLiteral("old.syx"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old contents");
        }
        // A file size limit makes the write fail as a full disk would, for any user.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old;
        limited.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &limited);
        s->prompter.files << path;
        s->frame()->action(cmd::kFileSave)->trigger();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(s->prompter.texts(), QStringList{QStringLiteral("Error while saving !")});
        QCOMPARE(readFile(path), QByteArray("old contents"));
        QCOMPARE(view->documentPath(), QString());
        QCOMPARE(view->documentTitle(), QStringLiteral("Bank1"));
#else
        QSKIP("needs a file size limit");
#endif
    }

    void partialSaveKeepsDocument()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        QDir().mkpath(m_dir.filePath(QStringLiteral("partial")));
        const QString path = m_dir.filePath(QStringLiteral("partial/patches.syx"));
        s->prompter.files << path;
        s->frame()->action(cmd::kSavePatches)->trigger();
        QCOMPARE(readFile(path).size(), 82304); // JV-1080 layout by default
        QCOMPARE(view->documentPath(), QString());
        QCOMPARE(view->documentTitle(), QStringLiteral("Bank1"));
        QCOMPARE(s->app->settings().currentFolder(), CAppSettings::folderOf(path));
    }

    void openByExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("opensBank");
        QTest::newRow("syx") << "x.syx" << true;
        QTest::newRow("other") << "x.bin" << true;
        QTest::newRow("capital CLB") << "x.CLB" << false;
    }
    void openByExtension()
    {
        QFETCH(QString, name);
        QFETCH(bool, opensBank);
        const QString path = m_dir.filePath(name);
        {
            CCollectingReporter reporter;
            const SynthSettings synth;
            CToneloomDoc doc(synth, reporter);
            QVERIFY(doc.OnSaveDocument(path));
        }
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        s->prompter.files << path;
        s->frame()->action(cmd::kFileOpen)->trigger();
        QCOMPARE(s->frame()->activeBankView() != nullptr, opensBank);
        QCOMPARE(s->app->settings().currentFolder(), CAppSettings::folderOf(path));
    }

    void aboutBox_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("missing") << false;
    }
    void aboutBox()
    {
        QFETCH(bool, present);
        const QString readme = m_dir.filePath(QStringLiteral("README.TXT"));
        QFile::remove(readme);
        if (present) {
            QFile f(readme);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Hello\r\nWorld\r\n");
        }
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        QString shown;
        s->prompter.onExec = [&shown](QDialog& dialog) {
            shown = dialog.findChild<QPlainTextEdit*>()->toPlainText();
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kAppAbout)->trigger();
        QCOMPARE(s->prompter.dialogs, QStringList{QStringLiteral("About Toneloom!")});
        QCOMPARE(shown, present ? QStringLiteral("Hello\nWorld\n") : QString());
        QCOMPARE(s->prompter.texts(),
                 present ? QStringList() : QStringList{QStringLiteral("Error opening file README.TXT.")});
    }

    void midiSettingsDialog()
    {
        CLoopbackDevice ports;
        const QString ini = freshIni();
        auto s = start(ini, ports);
        s->prompter.onExec = [](QDialog& dialog) {
            auto* settings = qobject_cast<CMidiSettingsDlg*>(&dialog);
            if (!settings)
                return int(QDialog::Rejected);
            if (settings->deviceIdList()->currentText() != QStringLiteral("17"))
                return int(QDialog::Rejected);
            if (settings->boardList(4)->isEnabled()) // JV-1080: boards 5..8 greyed
                return int(QDialog::Rejected);
            settings->deviceIdList()->setCurrentIndex(settings->deviceIdList()->findText(QStringLiteral("32")));
            settings->boardList(6)->setCurrentIndex(3);
            settings->modelButton(1)->setChecked(true);
            if (!settings->boardList(6)->isEnabled())
                return int(QDialog::Rejected);
            settings->modelButton(2)->setChecked(true);
            settings->sendBox(0)->setChecked(true);
            settings->remoteList()->setCurrentIndex(7);
            settings->sendPauseBox()->setValue(5);
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kMidiSetup)->trigger();
        QCOMPARE(s->prompter.dialogs, QStringList{QStringLiteral("Midi Settings")});
        CIniFile file(ini);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("DEVICEID"), 0), 0x1F);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("EXPBOARD7"), 0), 3);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("WHICHSYNTH"), 0), 2);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("SENDPATCH"), 0), 1);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("REMOTE"), 0), 7);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("SENDPAUSE"), 0), 5);
        QCOMPARE(file.readString(QStringLiteral("SETUP"), QStringLiteral("MIDIOUTNAME")),
                 QStringLiteral("Loopback Out"));
        QCOMPARE(s->app->settings().synth().deviceId, std::uint8_t(0x1F));
        // Cancel changes nothing.
        s->prompter.onExec = [](QDialog& dialog) {
            if (auto* settings = qobject_cast<CMidiSettingsDlg*>(&dialog))
                settings->deviceIdList()->setCurrentIndex(0);
            return int(QDialog::Rejected);
        };
        s->frame()->action(cmd::kMidiSetup)->trigger();
        QCOMPARE(s->app->settings().synth().deviceId, std::uint8_t(0x1F));
    }

    // The board lists name every board by the title of its name file, and keep the
    // placeholder for board numbers without one.
    void midiSettingsShowBoardTitles()
    {
        CLoopbackDevice ports;
        CCollectingReporter reporter;
        const CExpansionNames names(QStringLiteral(TONELOOM_BIN_DIR), reporter);
        const CAppSettings::Midi values{};
        CMidiSettingsDlg dialog(ports, names, values);
        for (int slot = 0; slot < CAppSettings::kBoardSlots; ++slot) {
            const QComboBox* list = dialog.boardList(slot);
            QCOMPARE(list->count(), 128);
            QCOMPARE(list->itemText(0), QStringLiteral("None"));
            QCOMPARE(list->itemText(1), QStringLiteral("SR-JV80-01 Pop"));
            QCOMPARE(list->itemText(2), QStringLiteral("SR-JV80-02 Orchestral"));
            QCOMPARE(list->itemText(20), QStringLiteral("<19>"));
        }
        QVERIFY(reporter.messages().empty());
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

    void statusWindowModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("sending") << 0 << QStringList{"Click the Stop-button to stop sending MIDI data."};
        QTest::newRow("request") << 1 << QStringList{"Click the Stop-button to stop receiving MIDI data."};
        QTest::newRow("manual") << 2
                                << QStringList{"Start bulk dump from your synth.",
                                               "Click the Stop-button to stop receiving MIDI data."};
    }
    void statusWindowModes()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, shown);
        CStatusDlg dialog;
        dialog.setMode(CStatusDlg::Mode(mode), mode == 1 ? 112910 : -1);
        dialog.show();
        QStringList visible;
        for (QLabel* label : {dialog.sendingLine(), dialog.startLine(), dialog.receivingLine()})
            if (label->isVisible())
                visible << label->text();
        QCOMPARE(visible, shown);
        QCOMPARE(dialog.progressBar()->isVisible(), mode == 1);
        QSignalSpy stop(&dialog, &CStatusDlg::stopClicked);
        dialog.stopButton()->click();
        QCOMPARE(stop.size(), 1);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
