#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/ToneloomApp.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "midi/BulkTransfer.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/ui/ReceiveDlg.h"
#include "midi/ui/SendDlg.h"
#include "midi/ui/StatusDlg.h"
#include "settings/IniFile.h"
#include "tests/support/AppSession.h"
#include "ui/ChildFrame.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace testsupport;

namespace {

QByteArray bankBytes(const QString& firstName)
{
    const SynthSettings synth;
    CCollectingReporter reporter;
    CToneloomDoc doc(synth, reporter);
    doc.patches().SetName(0, firstName.leftJustified(12).toLatin1().constData());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    doc.writeBank(buffer, CToneloomDoc::kSaveAll);
    return buffer.data();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList menuEntries(const CMainFrame* frame, const QString& title)
{
    QStringList entries;
    for (QAction* menu : frame->menuBar()->actions())
        if (menu->text() == title)
            for (QAction* a : menu->menu()->actions())
                if (!a->isSeparator() && !a->text().isEmpty() && a->isVisible())
                    entries << a->text();
    return entries;
}

} // namespace

// Files and windows: damaged files, one window per file, Exit, messages, sizes, menus.
class TestFilesWindows : public CAppTestCase
{
    Q_OBJECT

    // A JV-1080 bank (the default model) cut inside patch 11.
    QString damagedBank(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        const QByteArray bank = bankBytes(QStringLiteral("Damaged"));
        const int patch11 = 17760 + 2 * 4439 + 10 * 643;
        return writeFile(path, bank.left(patch11 + 200)) ? path : QString();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void openWithProblemsTellsOnceAndMarks()
    {
        const QString path = damagedBank(QStringLiteral("cut.syx"));
        CLoopbackDevice ports;
        const QString ini = freshIni();
        plainSends(ini);
        auto s = start(ini, ports);
        auto* view = qobject_cast<CToneloomView*>(s->app->OpenDocumentFile(path));
        QVERIFY(view);
        QCOMPARE(s->prompter.messages.size(), std::size_t(1));
        QCOMPARE(s->prompter.messages[0].first, MessageIcon::Exclamation);
        QVERIFY(s->prompter.texts()[0].startsWith(
            QStringLiteral("cut.syx is damaged:\n\n- The file ends inside patch 11 (after 200 bytes of it). Patches "
                           "12 to 128 were not in the file.")));
        QVERIFY(view->document().isDamaged(ItemKind::Patches, 10));
        QCOMPARE(view->document().damagedCount(ItemKind::Patches), 1);
        // The damaged cell is drawn in its own colour; its neighbour is not.
        const QImage image = view->viewport()->grab().toImage();
        const auto background = [&](int index) {
            const QRect cell = view->cellRect(index).translated(-view->scrollPosition());
            return image.pixelColor(cell.right() - 4, cell.bottom() - 4);
        };
        QCOMPARE(background(10), QColor(255, 204, 204));
        QCOMPARE(background(9), view->palette().color(QPalette::Base));
        // Its tool tip says what was wrong with it.
        QCOMPARE(view->damageNote(10), QStringLiteral("The file ends inside patch 11 (after 200 bytes of it). Patches "
                                                      "12 to 128 were not in the file."));
        QCOMPARE(view->damageNote(9), QString());
        // A clean file says nothing.
        const QString clean = m_dir.filePath(QStringLiteral("clean.syx"));
        QVERIFY(writeFile(clean, bankBytes(QStringLiteral("Clean"))));
        s->prompter.messages.clear();
        QVERIFY(s->app->OpenDocumentFile(clean));
        QVERIFY(s->prompter.messages.empty());
    }

    void firstSaveOfADamagedBankAsksForAName()
    {
        const QString path = damagedBank(QStringLiteral("keep.syx"));
        const QByteArray original = readFile(path);
        CLoopbackDevice ports;
        const QString ini = freshIni();
        plainSends(ini);
        auto s = start(ini, ports);
        auto* view = qobject_cast<CToneloomView*>(s->app->OpenDocumentFile(path));
        QVERIFY(view);
        // Cancel: nothing written.
        s->frame()->action(cmd::kFileSave)->trigger();
        QCOMPARE(s->prompter.fileTitles, QStringList{QStringLiteral("Save As")});
        QCOMPARE(s->prompter.fileStarts, QStringList{path});
        QCOMPARE(readFile(path), original);
        // A new name: the bank goes there, the damaged file stays.
        const QString repaired = m_dir.filePath(QStringLiteral("repaired.syx"));
        s->prompter.files << repaired;
        s->frame()->action(cmd::kFileSave)->trigger();
        QCOMPARE(readFile(path), original);
        QCOMPARE(readFile(repaired).size(), 108942);
        QCOMPARE(view->documentPath(), repaired);
        // From then on Save writes without asking.
        view->document().setModified(true);
        s->frame()->action(cmd::kFileSave)->trigger();
        QCOMPARE(s->prompter.fileTitles.size(), 2);
        QVERIFY(!view->isDocumentModified());
    }

    void aFileOpensInOneWindow()
    {
        const QString path = m_dir.filePath(QStringLiteral("once.syx"));
        QVERIFY(writeFile(path, bankBytes(QStringLiteral("Once"))));
        const QString link = m_dir.filePath(QStringLiteral("link.syx"));
        QVERIFY(QFile::link(path, link));
        CLoopbackDevice ports;
        const QString ini = freshIni();
        {
            auto s = start(ini, ports);
            QWidget* first = s->app->OpenDocumentFile(path);
            QVERIFY(first);
            CToneloomView* other = newBank(*s);
            QCOMPARE(activeBankView(s->frame()), other);
            QCOMPARE(s->app->OpenDocumentFile(path), first);
            QCOMPARE(s->app->OpenDocumentFile(link), first);
            QCOMPARE(s->frame()->childFrames().size(), 2);
            QCOMPARE(s->frame()->activeDocumentWindow(), first);
            s->frame()->close();
        }
        // A layout that names the file twice brings back one window.
        {
            CIniFile file(ini);
            file.writeString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath1"), path);
            file.writeString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath2"), link);
            file.writeString(QStringLiteral("WIN_POS"), QStringLiteral("ChildWinPath3"), QString());
        }
        auto s = start(ini, ports);
        QCOMPARE(s->frame()->childFrames().size(), 1);
    }

    void saveAsksWhenTheFileChangedOnDisk_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("no keeps the other change") << int(CPrompter::Answer::No) << false;
        QTest::newRow("yes replaces it") << int(CPrompter::Answer::Yes) << true;
    }
    void saveAsksWhenTheFileChangedOnDisk()
    {
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        const QString path = m_dir.filePath(QStringLiteral("shared.syx"));
        QVERIFY(writeFile(path, bankBytes(QStringLiteral("Mine"))));
        CLoopbackDevice ports;
        const QString ini = freshIni();
        plainSends(ini);
        auto s = start(ini, ports);
        auto* view = qobject_cast<CToneloomView*>(s->app->OpenDocumentFile(path));
        QVERIFY(view);
        view->document().patches().SetName(1, "Edited here ");
        view->document().setModified(true);
        const QByteArray theirs = bankBytes(QStringLiteral("Theirs"));
        const QDateTime opened = QFileInfo(path).lastModified();
        QVERIFY(writeFile(path, theirs));
        {
            // Another program's save, a moment later.
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(opened.addSecs(2), QFileDevice::FileModificationTime));
        }
        s->prompter.answers.push_back(CPrompter::Answer(answer));
        s->frame()->action(cmd::kFileSave)->trigger();
        QCOMPARE(s->prompter.questions.size(), 1);
        QVERIFY(s->prompter.questions[0].contains(QStringLiteral("was changed on disk")));
        QCOMPARE(readFile(path) == theirs, !replaced);
        QCOMPARE(view->isDocumentModified(), !replaced);
        // Unchanged on disk: no question.
        if (replaced) {
            view->document().setModified(true);
            s->frame()->action(cmd::kFileSave)->trigger();
            QCOMPARE(s->prompter.questions.size(), 1);
        }
    }

    void exitAsksAboutEveryBankBeforeClosingAny()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* a = newBank(*s);
        newBank(*s); // unmodified
        CToneloomView* c = newBank(*s);
        a->document().setModified(true);
        c->document().setModified(true);
        s->prompter.answers = {CPrompter::Answer::No, CPrompter::Answer::Cancel};
        s->frame()->action(cmd::kAppExit)->trigger();
        QCOMPARE(s->prompter.questions,
                 (QStringList{QStringLiteral("Save changes to Bank1?"), QStringLiteral("Save changes to Bank3?")}));
        QCOMPARE(s->frame()->childFrames().size(), 3);
        QVERIFY(s->frame()->isVisible());
        // Asked once each; No closes without asking again.
        s->prompter.questions.clear();
        s->prompter.answers = {CPrompter::Answer::No, CPrompter::Answer::No};
        s->frame()->action(cmd::kAppExit)->trigger();
        QCOMPARE(s->prompter.questions.size(), 2);
        QTRY_COMPARE(s->frame()->childFrames().size(), 0);
        QVERIFY(!s->frame()->isVisible());
    }

    void exitDuringAReceiveKeepsWhatCame_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("no: the receive goes on") << int(CPrompter::Answer::No);
        QTest::newRow("yes: stopped and named") << int(CPrompter::Answer::Yes);
    }
    void exitDuringAReceiveKeepsWhatCame()
    {
        QFETCH(int, answer);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        const QString path = m_dir.filePath(QStringLiteral("partial%1.syx").arg(answer));
        s->prompter.files << path;
        s->prompter.onExec = [](QDialog& dialog) {
            auto* receive = qobject_cast<CReceiveDlg*>(&dialog);
            if (!receive)
                return int(QDialog::Rejected);
            receive->list()->setCurrentRow(3); // "All"
            return int(QDialog::Accepted);
        };
        QSignalSpy requested(&s->frame()->services().midi(), &CMidi::requestSent);
        s->frame()->action(cmd::kReceive)->trigger();
        QVERIFY(s->frame()->services().bulkTransfer().isActive());
        // The answer comes after the request has gone out on a quiet line.
        QVERIFY(requested.wait(5000));
        const QByteArray part = bankBytes(QStringLiteral("Part")).left(555 * 3); // three performances
        for (qsizetype at = 0; at < part.size();) {
            const qsizetype end = part.indexOf(char(0xF7), at);
            QVERIFY(ports.inject(part.mid(at, end - at + 1)));
            at = end + 1;
        }
        QTRY_COMPARE(s->frame()->services().midi().bytesReceivedCount(), long(part.size()));
        // What arrived is kept beside the target, which stays as it was; said once.
        const QString kept = CBulkTransfer::incompletePath(path);
        const QString keptMessage = QStringLiteral("The dump was not completed. The 1665 bytes that arrived are kept "
                                                   "in \"%1\"; \"%2\" is unchanged.")
                                        .arg(QDir::toNativeSeparators(kept), QDir::toNativeSeparators(path));
        s->prompter.answers.push_back(CPrompter::Answer(answer));
        s->frame()->action(cmd::kAppExit)->trigger();
        QCOMPARE(s->prompter.questions,
                 QStringList{QStringLiteral("A receive is running. Stop it and exit? What was received so far is "
                                            "kept.")});
        if (answer == int(CPrompter::Answer::No)) {
            QVERIFY(s->frame()->services().bulkTransfer().isActive());
            QVERIFY(s->frame()->isVisible());
            s->frame()->services().transfers().stop();
            // Stopped by the user: said once, with the file's name, and not opened.
            QCOMPARE(s->prompter.texts(), QStringList{keptMessage});
            QCOMPARE(s->frame()->childFrames().size(), 0);
            return;
        }
        QVERIFY(!s->frame()->services().bulkTransfer().isActive());
        QCOMPARE(s->prompter.texts(), QStringList{keptMessage});
        QCOMPARE(readFile(kept), part);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(s->frame()->services().bulkTransfer().keptPath(), kept);
        QVERIFY(!s->frame()->isVisible());
    }

    // Send asks before it puts defaults the file never had into the instrument: Yes
    // sends them too, No only what the file holds, Cancel nothing.
    void sendAsksAboutDefaultsTheFileNeverHad_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("bytes"); // of the send, 0: none
        QTest::newRow("yes") << int(CPrompter::Answer::Yes) << 82304;
        QTest::newRow("no") << int(CPrompter::Answer::No) << 643;
        QTest::newRow("cancel") << int(CPrompter::Answer::Cancel) << 0;
    }
    void sendAsksAboutDefaultsTheFileNeverHad()
    {
        QFETCH(int, answer);
        QFETCH(int, bytes);
        // One patch in the JV-1080 layout.
        CCollectingReporter reporter;
        const SynthSettings settings; // the document keeps a reference: it outlives it
        CToneloomDoc source(settings, reporter);
        source.patches().SetName(0, "One Patch   ");
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(source.writeBank(buffer, ItemKind::Patches));
        const QString path = m_dir.filePath(QStringLiteral("one-%1.syx").arg(QTest::currentDataTag()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(buffer.data().left(643)) == 643);
        file.close();

        CLoopbackDevice ports;
        const QString ini = freshIni();
        plainSends(ini);
        auto s = start(ini, ports);
        auto* view = qobject_cast<CToneloomView*>(s->app->OpenDocumentFile(path));
        QVERIFY(view);
        s->prompter.onExec = [](QDialog& dialog) {
            auto* send = qobject_cast<CSendDlg*>(&dialog);
            if (!send)
                return int(QDialog::Rejected);
            send->setChoice(false, ItemKind::Patches);
            return int(QDialog::Accepted);
        };
        s->prompter.answers.push_back(CPrompter::Answer(answer));
        s->frame()->action(cmd::kSend)->trigger();
        QCOMPARE(s->prompter.questions,
                 QStringList{QStringLiteral("Patches 2 to 128 hold defaults that %1 never had.\n\nSend them too? (No "
                                            "sends only what the file holds.)")
                                 .arg(QFileInfo(path).fileName())});
        QCOMPARE(s->frame()->services().bulkTransfer().isActive(), bytes > 0);
        if (bytes > 0) {
            QCOMPARE(s->frame()->statusWindow()->progressBar()->maximum(), bytes);
            s->frame()->services().transfers().stop();
        }
    }

    void sendShowsProgressAndTheStatusBarClears()
    {
        CLoopbackDevice ports;
        const QString ini = freshIni();
        plainSends(ini);
        auto s = start(ini, ports);
        auto* pane = s->frame()->findChild<QLabel*>(QStringLiteral("MessagePane"));
        QVERIFY(pane);
        CToneloomView* view = newBank(*s);
        QVERIFY(s->frame()->services().sendBank(view->document(), ItemKind::Patches, false));
        QProgressBar* bar = s->frame()->statusWindow()->progressBar();
        QVERIFY(bar->isVisibleTo(s->frame()->statusWindow()));
        QCOMPARE(bar->maximum(), 82304);
        emit s->frame()->services().midi().bytesSent(41152);
        QCOMPARE(bar->value(), 41152);
        QCOMPARE(bar->text(), QStringLiteral("50%"));
        QTRY_VERIFY_WITH_TIMEOUT(!s->frame()->services().bulkTransfer().isActive(), 60000);
        QCOMPARE(pane->text(), QStringLiteral("Ready"));
        // After a receive too.
        s->prompter.files << m_dir.filePath(QStringLiteral("stopped.syx"));
        s->prompter.onExec = [](QDialog& dialog) {
            return qobject_cast<CReceiveDlg*>(&dialog) ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        s->frame()->action(cmd::kReceive)->trigger();
        QCOMPARE(pane->text(), QStringLiteral("Bytes received: 0"));
        s->frame()->services().transfers().stop();
        QCOMPARE(pane->text(), QStringLiteral("Ready"));
    }

    void receiveIntoAnOpenFileIsRefused()
    {
        const QString path = m_dir.filePath(QStringLiteral("busy.syx"));
        QVERIFY(writeFile(path, bankBytes(QStringLiteral("Busy"))));
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        QVERIFY(s->app->OpenDocumentFile(path));
        s->prompter.files << path;
        s->prompter.onExec = [](QDialog&) { return int(QDialog::Accepted); };
        s->frame()->action(cmd::kReceive)->trigger();
        QVERIFY(!s->frame()->services().bulkTransfer().isActive());
        QCOMPARE(s->prompter.texts(),
                 QStringList{QStringLiteral("%1 is open in a window. Receive into another file, or close that "
                                            "window first.")
                                 .arg(QDir::toNativeSeparators(path))});
    }

    void windowsFitTheirGrid()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        // The default main window holds a bank window with the whole grid.
        s->frame()->resize(s->frame()->defaultSize());
        CToneloomView* view = newBank(*s);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
        QCOMPARE(view->viewport()->size(), view->totalSize(ItemKind::Patches));
        const QRect room = s->frame()->mdiArea()->viewport()->rect();
        // New windows open inside the visible area, even when placed far out.
        for (int i = 0; i < 4; ++i) {
            CToneloomView* more = newBank(*s);
            QVERIFY2(room.contains(more->parentWidget()->geometry()), qPrintable(QString::number(i)));
        }
        // Cascade: every window inside, its title showing, as large as its grid allows.
        s->frame()->action(cmd::kWindowCascade)->trigger();
        QList<int> tops;
        for (CChildFrame* frame : s->frame()->childFrames()) {
            QVERIFY(room.contains(frame->geometry()));
            QVERIFY(frame->width() >= std::min(frame->sizeHint().width(), room.width() / 2));
            QVERIFY(frame->height() >= std::min(frame->sizeHint().height(), room.height() / 2));
            tops << frame->y();
        }
        std::sort(tops.begin(), tops.end());
        QCOMPARE(std::unique(tops.begin(), tops.end()), tops.end()); // no two titles on one line
    }

    void aboutBoxIsWideEnoughForTheText()
    {
        const QString readme = QStringLiteral(TONELOOM_SOURCE_DIR "/data/README.TXT");
        CCollectingReporter reporter;
        CAboutDlg dialog(readme, reporter);
        QVERIFY(reporter.messages().empty());
        const QFontMetrics metrics(dialog.textBox()->font());
        int longest = 0;
        for (const QString& line : dialog.text().split(QLatin1Char('\n')))
            longest = std::max(longest, metrics.horizontalAdvance(line));
        QVERIFY(longest > 300);
        dialog.show();
        QVERIFY2(dialog.textBox()->viewport()->width() >= longest,
                 qPrintable(QStringLiteral("%1 < %2").arg(dialog.textBox()->viewport()->width()).arg(longest)));
        QCOMPARE(dialog.textBox()->horizontalScrollBar()->maximum(), 0);
    }

    void messagesSayWhatAndWhere()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        view->document().patches().SetName(11, "Warm Pad    ");
        clickItem(view, 11);
        QCOMPARE(view->writeQuestion(),
                 QStringLiteral("This will overwrite patch 12 of the user memory in your synth with \"Warm Pad\". This "
                                "operation can not be undone. Do you want to execute it ?"));
        s->prompter.answers.push_back(CPrompter::Answer::No);
        s->frame()->action(cmd::kWrite)->trigger();
        QCOMPARE(s->prompter.questions, QStringList{view->writeQuestion()});
        // The partial saves' choosers say what they save.
        for (int id : {cmd::kSavePatches, cmd::kSavePerformances, cmd::kSaveRhythms})
            s->frame()->action(id)->trigger();
        QCOMPARE(s->prompter.fileTitles,
                 (QStringList{QStringLiteral("Save Patches"), QStringLiteral("Save Performances"),
                              QStringLiteral("Save Rhythms")}));
        // An empty file is no bank file.
        const QString empty = m_dir.filePath(QStringLiteral("empty.syx"));
        QVERIFY(writeFile(empty, QByteArray()));
        QVERIFY(!s->app->OpenDocumentFile(empty));
        QVERIFY(s->prompter.texts().constLast().startsWith(QStringLiteral("Error while opening bank file:")));
    }

    void menusAndKeys()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        // The bank window's menus.
        CToneloomView* view = newBank(*s);
        const QStringList tools = menuEntries(s->frame(), QStringLiteral("&Tools"));
        for (const QString& entry : {QStringLiteral("&Random Patches..."), QStringLiteral("&Copy to Patch..."),
                                     QStringLiteral("&Show used Patches...")})
            QVERIFY2(tools.contains(entry), qPrintable(entry));
        QVERIFY(!tools.contains(QStringLiteral("Sett&ings...")));
        QVERIFY(menuEntries(s->frame(), QStringLiteral("&File")).contains(QStringLiteral("Sett&ings...")));
        const QStringList edit = menuEntries(s->frame(), QStringLiteral("&Edit"));
        QVERIFY(!edit.contains(QStringLiteral("&Random Patches...")));
        QVERIFY(!edit.contains(QStringLiteral("&Show used Patches...")));
        // Redo keeps Ctrl+A and answers to the usual keys.
        QCOMPARE(s->frame()->action(cmd::kEditRedo)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::Key_Y),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
        // The keys reach the bank window: init, undo, redo with Ctrl+Y.
        s->frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s->frame()));
        view->document().patches().SetName(0, "Before      ");
        s->frame()->action(cmd::kInit)->trigger();
        QCOMPARE(view->document().patches().name(0), QStringLiteral("INIT PATCH  "));
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->document().patches().name(0), QStringLiteral("Before      "));
        QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(view->document().patches().name(0), QStringLiteral("INIT PATCH  "));
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view->document().patches().name(0), QStringLiteral("INIT PATCH  "));
    }
};

QTEST_MAIN(TestFilesWindows)
#include "tst_fileswindows.moc"
