// The menus of every window kind: each kind brings its own, every menu's mnemonics
// are unique, the commands' states follow the window, the keys reach them, and the
// recent files list the banks and libraries that opened.

#include "app/MainFrame.h"
#include "app/ToneloomApp.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "library/LibraryDocument.h"
#include "library/ui/LibraryView.h"
#include "midi/LoopbackDevice.h"
#include "settings/IniFile.h"
#include "ui/CommandIds.h"
#include "ui/CommandRouter.h"
#include "ui/CommandTable.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "tests/support/AppSession.h"

using namespace testsupport;

namespace {

enum class Kind { None, Bank, Library };

// What a menu shows: its entries' texts (separators and hidden entries left out).
QStringList shownTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator() && a->isVisible())
            texts << a->text();
    return texts;
}

// Why the texts of one menu (or of the menu bar) fail the mnemonic rules; empty when
// they pass: every mnemonic once, and none left out where the others have one.
QString mnemonicFault(const QString& where, const QStringList& texts)
{
    QMap<QChar, QString> seen;
    QStringList without;
    for (const QString& text : texts) {
        const QChar m = menuMnemonic(text);
        if (m.isNull()) {
            without << text;
            continue;
        }
        if (seen.contains(m))
            return QStringLiteral("%1: \"%2\" and \"%3\" share %4").arg(where, seen[m], text, m);
        seen.insert(m, text);
    }
    if (!seen.isEmpty() && !without.isEmpty())
        return QStringLiteral("%1: no mnemonic in \"%2\"").arg(where, without.join(QStringLiteral("\", \"")));
    return {};
}

// Every menu of the bar and their submenus, with their paths ("Tools > Sort by").
void collectFaults(const QString& path, const QMenu* menu, QStringList& faults)
{
    const QString fault = mnemonicFault(path, shownTexts(menu));
    if (!fault.isEmpty())
        faults << fault;
    for (const QAction* a : menu->actions())
        if (a->menu() && a->isVisible())
            collectFaults(path + QStringLiteral(" > ") + a->text().remove(QLatin1Char('&')), a->menu(), faults);
}

QStringList menuBarFaults(const QMenuBar* bar)
{
    QStringList faults;
    QStringList titles;
    for (const QAction* a : bar->actions()) {
        titles << a->text();
        if (a->menu())
            collectFaults(a->text().remove(QLatin1Char('&')), a->menu(), faults);
    }
    const QString fault = mnemonicFault(QStringLiteral("menu bar"), titles);
    if (!fault.isEmpty())
        faults << fault;
    return faults;
}

QStringList titlesOf(const QMenuBar* bar)
{
    QStringList titles;
    for (const QAction* a : bar->actions())
        titles << a->text();
    return titles;
}

const QMenu* menuOf(const QMenuBar* bar, const QString& title)
{
    for (const QAction* a : bar->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

} // namespace

class TestMenus : public CAppTestCase
{
    Q_OBJECT

    // Opens a window of kind in front (none for Kind::None).
    void open(Session& s, Kind kind)
    {
        if (kind == Kind::Bank) {
            QVERIFY(newBank(s));
        } else if (kind == Kind::Library) {
            const QString path = m_dir.filePath(QStringLiteral("menus%1.clb").arg(++m_libraries));
            QVERIFY(CLibraryDocument(s.prompter).Create(path));
            QVERIFY(qobject_cast<CLibraryView*>(s.app->OpenDocumentFile(path)));
        }
        s.frame()->updateActions();
    }

    int m_libraries = 0;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void mnemonic_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mnemonic");
        QTest::newRow("first") << "&New"
                               << "N";
        QTest::newRow("inside, lower case") << "Piano &Keyboard"
                                            << "K";
        QTest::newRow("escaped ampersand first") << "Bright && &Big"
                                                 << "B";
        QTest::newRow("only an ampersand") << "Rock && Roll"
                                           << "";
        QTest::newRow("after the tab is no text") << "Undo\tCtrl+&Z"
                                                  << "";
        QTest::newRow("none") << "Copy Names"
                              << "";
    }
    void mnemonic()
    {
        QFETCH(QString, text);
        QFETCH(QString, mnemonic);
        const QChar m = menuMnemonic(text);
        QCOMPARE(m.isNull() ? QString() : QString(m), mnemonic);
    }

    // A table answers for its rows: states, texts of the moment, and runs only what is enabled.
    void table()
    {
        bool on = false;
        int runs = 0;
        CCommandTable table(QStringLiteral("probe"));
        table.add({.id = cmd::kEditCopy,
                   .text = QStringLiteral("&Copy"),
                   .run = [&] { ++runs; },
                   .enabled = [&] { return on; }});
        table.add({.id = cmd::kShowPatches,
                   .text = QStringLiteral("&Patches"),
                   .run = [&] { on = !on; },
                   .checked = [&] { return on; },
                   .label = [&] { return on ? QStringLiteral("&Patches (on)") : QStringLiteral("&Patches"); }});
        table.add({.id = cmd::kFileMru1, .text = QString(), .run = [] {}, .visible = [&] { return on; }});
        table.setMenus({{QStringLiteral("&Probe"),
                         {{cmd::kEditCopy},
                          CMenuEntry::separator(),
                          {cmd::kNone, QStringLiteral("&More"), {cmd::kShowPatches, cmd::kFileMru1}}}}});
        QVERIFY(!table.contains(cmd::kEditPaste));
        QVERIFY(!table.isEnabled(cmd::kEditPaste));
        QVERIFY(!table.run(cmd::kEditPaste));
        QVERIFY(!table.isEnabled(cmd::kEditCopy));
        QVERIFY(!table.run(cmd::kEditCopy));
        QCOMPARE(runs, 0);
        QVERIFY(table.isCheckable(cmd::kShowPatches));
        QVERIFY(!table.isCheckable(cmd::kEditCopy));
        QVERIFY(!table.isVisible(cmd::kFileMru1));
        QVERIFY(table.run(cmd::kShowPatches));
        QVERIFY(table.isChecked(cmd::kShowPatches));
        QCOMPARE(table.text(cmd::kShowPatches), QStringLiteral("&Patches (on)"));
        QCOMPARE(table.text(cmd::kEditCopy), QStringLiteral("&Copy"));
        QVERIFY(table.isVisible(cmd::kFileMru1));
        QVERIFY(table.run(cmd::kEditCopy));
        QCOMPARE(runs, 1);
        QCOMPARE(table.menuCommands(), (std::vector<cmd::Command>{cmd::kEditCopy, cmd::kShowPatches, cmd::kFileMru1}));
    }

    // The walk fails on a shared mnemonic and on an entry without one.
    void walkFindsFaults()
    {
        QCOMPARE(mnemonicFault(QStringLiteral("Tools"),
                               {QStringLiteral("&Virtual Synth..."), QStringLiteral("En&velope Presets...")}),
                 QStringLiteral("Tools: \"&Virtual Synth...\" and \"En&velope Presets...\" share V"));
        QCOMPARE(mnemonicFault(QStringLiteral("Edit"), {QStringLiteral("&Copy"), QStringLiteral("Copy Names")}),
                 QStringLiteral("Edit: no mnemonic in \"Copy Names\""));
        QCOMPARE(mnemonicFault(QStringLiteral("Edit"), {QStringLiteral("&Copy"), QStringLiteral("P&aste")}), QString());
    }

    void menusOfEveryWindowKind_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("menuKind");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("no window") << Kind::None << QString()
                                   << QStringList{"&File", "&View", "&Midi", "&Tools", "&Help"};
        QTest::newRow("bank") << Kind::Bank << QStringLiteral("bank")
                              << QStringList{"&File", "&Edit", "&View", "&Midi", "&Tools", "&Window", "&Help"};
        QTest::newRow("library") << Kind::Library << QStringLiteral("library")
                                 << QStringList{"&File", "&Edit", "&View", "&Midi", "&Tools", "&Window", "&Help"};
    }
    void menusOfEveryWindowKind()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, menuKind);
        QFETCH(QStringList, titles);
        // Four recent files, so that the File menu shows them too.
        const QString ini = freshIni();
        {
            CIniFile file(ini);
            for (int i = 1; i <= 4; ++i)
                file.writeString(QStringLiteral("Recent File List"), QStringLiteral("File%1").arg(i),
                                 m_dir.filePath(QStringLiteral("recent%1.syx").arg(i)));
        }
        CLoopbackDevice ports;
        auto s = start(ini, ports);
        open(*s, kind);
        QCOMPARE(s->frame()->commandRouter().menuKind(), menuKind);
        const QMenuBar* bar = s->frame()->menuBar();
        QCOMPARE(titlesOf(bar), titles);
        const QStringList faults = menuBarFaults(bar);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        // Alt+T V is the virtual synth.
        const QMenu* tools = menuOf(bar, QStringLiteral("&Tools"));
        QVERIFY(tools);
        QVERIFY(shownTexts(tools).contains(QStringLiteral("&Virtual Synth...")));
        // The four recent files (an opened library is the first of them).
        const QStringList file = shownTexts(menuOf(bar, QStringLiteral("&File")));
        for (int n = 1; n <= 4; ++n)
            QVERIFY2(file.filter(QRegularExpression(QStringLiteral("^&%1 /").arg(n))).size() == 1,
                     qPrintable(file.join(QLatin1Char('|'))));
        // Every entry's command is one the frame or the window answers for.
        const auto check = [&](const QMenu* menu, auto&& self) -> void {
            for (const QAction* a : menu->actions()) {
                if (a->menu()) {
                    self(a->menu(), self);
                    continue;
                }
                if (a->isSeparator())
                    continue;
                QVERIFY2(s->frame()->commandRouter().tableOf(a->data().toInt()), qPrintable(a->text()));
            }
        };
        for (const QAction* a : bar->actions())
            check(a->menu(), check);
    }

    // Which commands each window kind's menus hold, and their states there.
    void commandsPerWindowKind_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QList<int>>("inMenus");
        QTest::addColumn<QList<int>>("notInMenus");
        QTest::addColumn<QList<int>>("enabled");
        QTest::addColumn<QList<int>>("disabled");
        QTest::addColumn<QList<int>>("checked");
        QTest::newRow("no window") << Kind::None
                                   << QList<int>{cmd::kFileNew, cmd::kReceive, cmd::kVirtualSynth, cmd::kUseCategories}
                                   << QList<int>{cmd::kFileSave,   cmd::kEditCopy, cmd::kInit,
                                                 cmd::kEditDelete, cmd::kSend,     cmd::kWindowTile}
                                   << QList<int>{cmd::kFileNew, cmd::kReceive, cmd::kMidiSetup}
                                   << QList<int>{cmd::kEditCopy,    cmd::kEditFind, cmd::kFileSave, cmd::kFileClose,
                                                 cmd::kShowPatches, cmd::kStop,     cmd::kSend}
                                   << QList<int>{};
        QTest::newRow("bank") << Kind::Bank
                              << QList<int>{cmd::kSavePatches, cmd::kInit, cmd::kWrite,         cmd::kCopyEffect,
                                            cmd::kShowRhythms, cmd::kSend, cmd::kRandomPatches, cmd::kEditUndo}
                              << QList<int>{cmd::kEditDelete, cmd::kLibraryKeys, cmd::kFindDoubles, cmd::kUseCategories,
                                            cmd::kSortByName}
                              << QList<int>{cmd::kFileSave,    cmd::kFileClose, cmd::kEditCopy, cmd::kInit,
                                            cmd::kShowRhythms, cmd::kSend,      cmd::kEditFind}
                              << QList<int>{cmd::kEditUndo, cmd::kCopyToPatch, cmd::kEditDelete, cmd::kStop}
                              << QList<int>{cmd::kShowPatches};
        QTest::newRow("library") << Kind::Library
                                 << QList<int>{cmd::kEditDelete,    cmd::kLibraryKeys, cmd::kFindDoubles,
                                               cmd::kUseCategories, cmd::kSortByName,  cmd::kSortByCategory,
                                               cmd::kEditFind}
                                 << QList<int>{cmd::kFileSave,    cmd::kSavePatches, cmd::kInit,     cmd::kWrite,
                                               cmd::kShowPatches, cmd::kSend,        cmd::kFilePrint}
                                 << QList<int>{cmd::kEditPaste, cmd::kEditFind, cmd::kLibraryKeys, cmd::kSortByDate}
                                 << QList<int>{cmd::kFileSave, cmd::kEditCopy,    cmd::kEditDelete,
                                               cmd::kInit,     cmd::kShowPatches, cmd::kSortByCategory}
                                 << QList<int>{cmd::kSortByName};
    }
    void commandsPerWindowKind()
    {
        QFETCH(Kind, kind);
        QFETCH(QList<int>, inMenus);
        QFETCH(QList<int>, notInMenus);
        QFETCH(QList<int>, enabled);
        QFETCH(QList<int>, disabled);
        QFETCH(QList<int>, checked);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        open(*s, kind);
        QSet<QAction*> shown;
        const auto collect = [&](const QMenu* menu, auto&& self) -> void {
            for (QAction* a : menu->actions()) {
                shown << a;
                if (a->menu())
                    self(a->menu(), self);
            }
        };
        for (const QAction* a : s->frame()->menuBar()->actions())
            collect(a->menu(), collect);
        for (int id : inMenus)
            QVERIFY2(shown.contains(s->frame()->action(id)), qPrintable(QString::number(id)));
        for (int id : notInMenus)
            QVERIFY2(!shown.contains(s->frame()->action(id)), qPrintable(QString::number(id)));
        for (int id : enabled)
            QVERIFY2(s->frame()->action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : disabled)
            QVERIFY2(!s->frame()->action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : checked)
            QVERIFY2(s->frame()->action(id)->isChecked(), qPrintable(QString::number(id)));
        // A command of another window kind has no keys here: Delete is a library's.
        QCOMPARE(s->frame()->action(cmd::kEditDelete)->shortcuts().isEmpty(), kind != Kind::Library);
    }

    void keys_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QKeySequence>("key");
        QTest::newRow("Patches") << int(cmd::kShowPatches) << QKeySequence(Qt::CTRL | Qt::Key_1);
        QTest::newRow("Performances") << int(cmd::kShowPerformances) << QKeySequence(Qt::CTRL | Qt::Key_2);
        QTest::newRow("Rhythms") << int(cmd::kShowRhythms) << QKeySequence(Qt::CTRL | Qt::Key_3);
        QTest::newRow("Close") << int(cmd::kFileClose) << QKeySequence(Qt::CTRL | Qt::Key_W);
        QTest::newRow("Exit") << int(cmd::kAppExit) << QKeySequence(Qt::CTRL | Qt::Key_Q);
    }
    void keys()
    {
        QFETCH(int, id);
        QFETCH(QKeySequence, key);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        QVERIFY(view);
        QCOMPARE(s->frame()->action(id)->shortcut(), key);
        // No other command of the window takes the same key.
        for (int other = cmd::kNone + 1; other < cmd::kCommandCount; ++other)
            if (other != id)
                QVERIFY2(!s->frame()->action(other)->shortcuts().contains(key), qPrintable(QString::number(other)));
    }

    void viewKeysSwitchTheKind()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = newBank(*s);
        QVERIFY(view);
        s->frame()->action(cmd::kShowRhythms)->trigger();
        QCOMPARE(view->displayedKind(), int(ItemKind::RhythmSets));
        QVERIFY(s->frame()->action(cmd::kShowRhythms)->isChecked());
        QVERIFY(!s->frame()->action(cmd::kShowPatches)->isChecked());
        QVERIFY(s->frame()->action(cmd::kCopyToPatch)->isEnabled());
        s->frame()->action(cmd::kShowPerformances)->trigger();
        QCOMPARE(view->displayedKind(), int(ItemKind::Performances));
        QVERIFY(!s->frame()->action(cmd::kCopyToPatch)->isEnabled());
    }

    // Banks and libraries that opened enter the recent files; a file that failed to
    // open does not, and leaves the list when it was in it.
    void recentFiles()
    {
        const QString ini = freshIni();
        const QString gone = m_dir.filePath(QStringLiteral("gone.syx"));
        {
            CIniFile file(ini);
            file.writeString(QStringLiteral("Recent File List"), QStringLiteral("File1"), gone);
        }
        CLoopbackDevice ports;
        auto s = start(ini, ports);
        QCOMPARE(s->frame()->recentFiles(), QStringList{gone});
        const QString library = m_dir.filePath(QStringLiteral("recent.clb"));
        QVERIFY(CLibraryDocument(s->prompter).Create(library));
        QVERIFY(s->app->OpenDocumentFile(library));
        QCOMPARE(s->frame()->recentFiles(), (QStringList{library, gone}));
        // The recent file that no longer opens goes from the list.
        s->frame()->action(cmd::kFileMru2)->trigger();
        QVERIFY(!s->prompter.messages.empty());
        QCOMPARE(s->frame()->recentFiles(), QStringList{library});
        QVERIFY(!s->app->OpenDocumentFile(m_dir.filePath(QStringLiteral("missing.clb"))));
        QCOMPARE(s->frame()->recentFiles(), QStringList{library});
        QCOMPARE(CIniFile(ini).readString(QStringLiteral("Recent File List"), QStringLiteral("File1")), library);
        QCOMPARE(CIniFile(ini).readString(QStringLiteral("Recent File List"), QStringLiteral("File2")), QString());
        // A new library is a file at once: it is a recent file too.
        const QString fresh = m_dir.filePath(QStringLiteral("fresh.clb"));
        s->prompter.files << fresh;
        s->prompter.onExec = [](QDialog& dialog) {
            if (dialog.windowTitle() == QLatin1String("New"))
                if (auto* list = dialog.findChild<QListWidget*>())
                    list->setCurrentRow(1);
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kFileNew)->trigger();
        QCOMPARE(s->frame()->recentFiles(), (QStringList{fresh, library}));
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
