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
#include "ui/ChildFrame.h"
#include "ui/CommandIds.h"
#include "ui/CommandRouter.h"
#include "ui/CommandTarget.h"
#include "ui/DocTemplate.h"
#include "ui/DocumentView.h"
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
#include <QMenuBar>
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
#include "tests/support/AppSession.h"
#include <functional>

using namespace testsupport;

namespace {

// A window kind the main frame has never heard of: it answers for Find and Copy.
class CProbeWindow : public QWidget, public CDocumentView, public CCommandTarget
{
public:
    explicit CProbeWindow(CDocTemplate& docTemplate) : m_template(docTemplate)
    {
        m_table.add({.id = cmd::kEditFind, .text = QStringLiteral("&Find probes..."), .run = [this] {
                         ran << cmd::kEditFind;
                     }});
        m_table.add({.id = cmd::kEditCopy,
                     .text = QStringLiteral("&Copy"),
                     .run = [this] { ran << cmd::kEditCopy; },
                     .enabled = [this] { return copyEnabled; }});
        m_table.setMenus({{QStringLiteral("&Probe"), {{cmd::kEditFind}, {cmd::kEditCopy}, {cmd::kAppExit}}}});
    }

    QString documentPath() const override { return {}; }
    QString documentTitle() const override { return QStringLiteral("Probe"); }
    bool isDocumentModified() const override { return false; }
    bool saveDocument(bool) override { return false; }
    CDocTemplate* docTemplate() const override { return &m_template; }

    const CCommandTable& commandTable() const override { return m_table; }

    bool copyEnabled = false;
    QList<int> ran;

private:
    CDocTemplate& m_template;
    CCommandTable m_table{QStringLiteral("probe")};
};

} // namespace

// The main window: menus and toolbar, command routing, window layout across runs, files and the About box.
class TestMainFrame : public CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void titleMenusAndToolbar()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        QCOMPARE(s->frame()->windowTitle(), QStringLiteral("Toneloom! for JV and XP V5.60"));
        QCOMPARE(s->frame()->action(cmd::kReceive)->text(), QStringLiteral("&Receive..."));
        QCOMPARE(s->frame()->action(cmd::kReceive)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        // No window: the bank's commands have no keys yet.
        QVERIFY(s->frame()->action(cmd::kEditRedo)->shortcuts().isEmpty());
        QVERIFY(!s->frame()->action(cmd::kStop)->isEnabled());
        QVERIFY(!s->frame()->action(cmd::kShowPatches)->isEnabled());
        CToneloomView* view = newBank(*s);
        QVERIFY(view);
        QCOMPARE(s->frame()->windowTitle(), QStringLiteral("Toneloom! for JV and XP V5.60 - Bank1"));
        QVERIFY(s->frame()->action(cmd::kShowPatches)->isChecked());
        QCOMPARE(s->frame()->action(cmd::kEditRedo)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
        QCOMPARE(s->frame()->action(cmd::kEditPaste)->shortcuts().size(), 2);
        QVERIFY(s->frame()->action(cmd::kWrite)->isEnabled());
        QVERIFY(!s->frame()->action(cmd::kEditUndo)->isEnabled()); // nothing done yet
        for (int id : {cmd::kFileNew, cmd::kFileOpen, cmd::kFileSave, cmd::kEditCopy, cmd::kEditPaste, cmd::kEditFind,
                       cmd::kFilePrint, cmd::kShowPatches, cmd::kShowPerformances, cmd::kShowRhythms, cmd::kEditItem,
                       cmd::kPianoKeyboard, cmd::kVirtualSynth, cmd::kReceive, cmd::kSend, cmd::kStop})
            QCOMPARE(s->frame()->action(id)->icon().pixmap(16, 16).size(), QSize(16, 16));
    }

    // A window kind answers for its own commands; the frame only asks the active window.
    void commandsGoToTheActiveWindow()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CProbeWindow* probe = nullptr;
        s->app->AddDocTemplate(std::make_unique<CDocTemplate>(
            QStringLiteral("\nProbe\nProbe\nProbes (*.prb)\n.prb\nToneloom!.Probe\nToneloom! Probe"),
            [&](CDocTemplate& docTemplate, const QString&) -> QWidget* {
                probe = new CProbeWindow(docTemplate);
                s->frame()->addDocumentWindow(probe);
                return probe;
            }));
        QAction* find = s->frame()->action(cmd::kEditFind);
        QAction* copy = s->frame()->action(cmd::kEditCopy);
        s->frame()->updateActions();
        QVERIFY(!find->isEnabled());
        s->app->FindTemplate(QStringLiteral(".prb"))->createWindow(QString());
        QVERIFY(probe);
        s->frame()->updateActions();
        QVERIFY(find->isEnabled());
        QCOMPARE(find->text(), QStringLiteral("&Find probes..."));
        QVERIFY(!copy->isEnabled());
        QVERIFY(!s->frame()->action(cmd::kShowPatches)->isEnabled()); // a bank's command
        find->trigger();
        copy->trigger(); // disabled: never reaches the window
        probe->copyEnabled = true;
        emit probe->viewSignals().commandStateChanged();
        QVERIFY(copy->isEnabled());
        QCOMPARE(copy->text(), QStringLiteral("&Copy"));
        copy->trigger();
        QCOMPARE(probe->ran, (QList<int>{cmd::kEditFind, cmd::kEditCopy}));
        // The window kind brings its own menus; the frame's commands work in them.
        QCOMPARE(s->frame()->commandRouter().menuKind(), QStringLiteral("probe"));
        const QList<QAction*> bar = s->frame()->menuBar()->actions();
        QCOMPARE(bar.size(), 1);
        QCOMPARE(bar.first()->text(), QStringLiteral("&Probe"));
        QCOMPARE(bar.first()->menu()->actions(), (QList<QAction*>{find, copy, s->frame()->action(cmd::kAppExit)}));
        // A bank window in front takes the commands back.
        auto* bank = qobject_cast<CToneloomView*>(s->app->bankTemplate()->createWindow(QString()));
        QVERIFY(bank);
        QCOMPARE(find->text(), QStringLiteral("&Find...")); // the bank's own Find
        find->trigger();
        QCOMPARE(probe->ran.size(), 2);
        QVERIFY(s->frame()->action(cmd::kShowPatches)->isEnabled());
        QCOMPARE(s->frame()->commandRouter().menuKind(), QStringLiteral("bank"));
    }

    void rightClicksPlayTheChord()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        QWidget* target = s->frame()->mdiArea()->viewport();
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(target, Qt::RightButton, {}, QPoint(50, 50));
        s->frame()->services().midi().waitUntilSent();
        QList<QByteArray> notes;
        for (const auto& m : ports.sent())
            notes << m.bytes.toHex(' ');
        QCOMPARE(notes, (QList<QByteArray>{"90 3c 60", "90 3c 00", "90 40 60", "90 40 00", "90 43 60", "90 43 00",
                                           "90 48 60", "90 48 00", "90 3c 60", "90 3c 00"}));
        // With a drum key published, the key plays on channel 10.
        ports.clearSent();
        s->frame()->services().setRhythmKey(3);
        QTest::mouseClick(target, Qt::RightButton, {}, QPoint(50, 50));
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(ports.sentBytes().toHex(' '), QByteArray("99 26 7f 99 26 00"));
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
        // The message names the file and the system's reason, with a warning icon.
        QCOMPARE(s->prompter.messages.size(), std::size_t(1));
        QCOMPARE(s->prompter.messages[0].first, MessageIcon::Exclamation);
        QCOMPARE(s->prompter.texts().constFirst(),
                 QStringLiteral("Error while saving !\n\n%1 could not be written: file too large.\nAn older file of "
                                "that name is left as it was.")
                     .arg(QDir::toNativeSeparators(path)));
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
        QCOMPARE(activeBankView(s->frame()) != nullptr, opensBank);
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
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
