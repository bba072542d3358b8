#include "../support/FaultInjection.h"
#include "SetupTestFolder.h"

#include "controls/common/ControlRegistry.h"
#include "setup/LibraryCheck.h"
#include "setup/SetupInstaller.h"
#include "setup/SetupText.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest/QTest>

#include <memory>

#if defined(Q_OS_LINUX)
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QString text(const char* t)
{
    return QString::fromUtf8(t);
}

QString message(const char* t)
{
    return QStringLiteral("message: ") + text(t);
}

const QString kSuccess = message(SetupText::kSuccess);

// Every file under folder (links as what they are) with its contents or link target.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        files.insert(path, info.isSymLink() ? "-> " + info.symLinkTarget().toUtf8() : CSetupTestFolder::read(path));
    }
    return files;
}

} // namespace

class TestSetupInstaller : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void fileTable();
    void installsEveryFile();
    void overwriteRules_data();
    void overwriteRules();
    void identicalFilesAndAnswersForAll_data();
    void identicalFilesAndAnswersForAll();
    void missingOptionalFileIsSkipped_data();
    void missingOptionalFileIsSkipped();
    void missingRequiredFile_data();
    void missingRequiredFile();
    void folderFailures_data();
    void folderFailures();
    void registrationFailures_data();
    void registrationFailures();
    void unreadableRegistry();
    void failedCopyKeepsTheOldFile();
    void installingIntoTheSourceFolder();
    void missingLibrariesAreNamed();
    void links_data();
    void links();
    void linkFailure();
    void faultsKeepEveryOldFile_data();
    void faultsKeepEveryOldFile();
    void linksInTheWayAreReplaced_data();
    void linksInTheWayAreReplaced();

private:
    CSetupInstaller::Options options(const QString& installFolder) const;
    bool run(const CSetupInstaller::Options& options);

    std::unique_ptr<CSetupTestFolder> m_folder;
    CRecordingSetupUi m_ui;
};

void TestSetupInstaller::init()
{
    m_folder = std::make_unique<CSetupTestFolder>();
    QVERIFY(m_folder->isValid());
    m_ui = CRecordingSetupUi();
}

CSetupInstaller::Options TestSetupInstaller::options(const QString& installFolder) const
{
    CSetupInstaller::Options o;
    o.sourceFolder = m_folder->source;
    o.installFolder = installFolder;
    o.controlFolder = m_folder->controlFolder();
    o.desktopFolder = m_folder->desktopFolder();
    o.dataFolder = m_folder->dataFolder();
    o.desktopLink = false;
    o.menuLink = false;
    return o;
}

bool TestSetupInstaller::run(const CSetupInstaller::Options& o)
{
    CSetupInstaller installer(o, m_ui);
    return installer.install();
}

void TestSetupInstaller::fileTable()
{
    CSetupTestFolder::writeFile(m_folder->sourceFile(QStringLiteral("120.boa")), "x", QDateTime::currentDateTime());
    CSetupTestFolder::writeFile(m_folder->sourceFile(QStringLiteral("notes.pre")), "x", QDateTime::currentDateTime());
    const QList<SetupFileEntry> table = CSetupFileTable::entries(m_folder->source);
    QStringList names;
    for (const SetupFileEntry& entry : table)
        names << entry.name;

    // Every name file of data/ is in the table, boards before presets, each by number,
    // and one found only in the release folder joins them; other files do not.
    QStringList nameFiles = QDir(QStringLiteral(TONELOOM_SOURCE_DIR "/data"))
                                .entryList({QStringLiteral("*.boa"), QStringLiteral("*.pre")}, QDir::Files);
    nameFiles << QStringLiteral("120.boa");
    CSetupFileTable::sortNameFiles(nameFiles);
    QCOMPARE(nameFiles.first(), QStringLiteral("1.boa"));
    QCOMPARE(nameFiles.last(), QStringLiteral("8.pre"));
    QVERIFY(nameFiles.indexOf(QStringLiteral("9.boa")) < nameFiles.indexOf(QStringLiteral("10.boa")));
    QVERIFY(nameFiles.indexOf(QStringLiteral("120.boa")) < nameFiles.indexOf(QStringLiteral("1.pre")));

    const QStringList expected =
        QStringList{QStringLiteral("toneloom"), QStringLiteral("README.TXT"), QStringLiteral("TONELOOM.INI")}
        + nameFiles + QStringList{QStringLiteral("libkurvex.so"), QStringLiteral("libpickvane.so"),
                                  QStringLiteral("libknob.so"),   QStringLiteral("libcaptile.so"),
                                  QStringLiteral("toneloom-cli"), QStringLiteral("toneloom-emulator")};
    QCOMPARE(names, expected);

    const int count = static_cast<int>(table.size());
    for (int i = 0; i < count; ++i) {
        const SetupFileEntry& entry = table[i];
        const bool module = entry.name.startsWith(QLatin1String("lib"));
        const bool required = i < 3 || module;
        QCOMPARE(entry.mustExist, required);
        QCOMPARE(entry.registerModule, module);
        QCOMPARE(entry.destination == SetupFileEntry::Destination::ControlFolder, module);
    }
}

void TestSetupInstaller::installsEveryFile()
{
    const QString target = m_folder->path(QStringLiteral("Toneloom! for JV and XP"));
    QVERIFY(run(options(target)));
    QCOMPARE(m_ui.events, QStringList{kSuccess});
    QCOMPARE(m_ui.icons, QList<MessageIcon>{MessageIcon::Information});
    QCOMPARE(m_ui.progress.first(), 0);
    QCOMPARE(m_ui.progress.last(), 100);
    QVERIFY(std::is_sorted(m_ui.progress.begin(), m_ui.progress.end()));

    for (const QString& name :
         {QStringLiteral("toneloom"), QStringLiteral("README.TXT"), QStringLiteral("TONELOOM.INI"),
          QStringLiteral("1.boa"), QStringLiteral("1.pre"), QStringLiteral("toneloom-cli")}) {
        const QString copy = QDir(target).filePath(name);
        QCOMPARE(CSetupTestFolder::read(copy), CSetupTestFolder::read(m_folder->sourceFile(name)));
        QCOMPARE(QFileInfo(copy).lastModified(), QFileInfo(m_folder->sourceFile(name)).lastModified());
    }
    QVERIFY(QFileInfo(QDir(target).filePath(QStringLiteral("toneloom"))).isExecutable());
    QVERIFY(!QFileInfo::exists(QDir(target).filePath(QStringLiteral("toneloom-emulator"))));
    // Only the files of the table, and no temporary file left behind.
    QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden).size(), 6);

    CControlRegistry registry(m_folder->registry);
    QVERIFY(registry.load());
    QCOMPARE(registry.entries().size(), 8); // four controls and their property pages
    QStringList modules;
    for (const CControlRegistry::Entry& entry : registry.entries()) {
        if (entry.kind == CControlRegistry::ClassKind::Control)
            modules << QFileInfo(entry.modulePath).fileName();
        QCOMPARE(QFileInfo(entry.modulePath).absolutePath(), m_folder->controlFolder());
        QCOMPARE(CSetupTestFolder::read(entry.modulePath),
                 CSetupTestFolder::read(m_folder->sourceFile(QFileInfo(entry.modulePath).fileName())));
    }
    modules.sort();
    QCOMPARE(modules, (QStringList{QStringLiteral("libcaptile.so"), QStringLiteral("libknob.so"),
                                   QStringLiteral("libkurvex.so"), QStringLiteral("libpickvane.so")}));
}

void TestSetupInstaller::overwriteRules_data()
{
    QTest::addColumn<int>("ageSeconds"); // of the installed file against the release's
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("older, yes") << -600 << true << text(SetupText::kOlderFile) << true;
    QTest::newRow("older, no") << -600 << false << text(SetupText::kOlderFile) << false;
    QTest::newRow("same time counts as older") << 0 << false << text(SetupText::kOlderFile) << false;
    QTest::newRow("newer, yes") << 600 << true << text(SetupText::kNewerFile) << true;
    QTest::newRow("newer, no") << 600 << false << text(SetupText::kNewerFile) << false;
}

void TestSetupInstaller::overwriteRules()
{
    QFETCH(int, ageSeconds);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(bool, replaced);

    const QString target = m_folder->path(QStringLiteral("installed"));
    const QString readme = QDir(target).filePath(QStringLiteral("README.TXT"));
    const QDateTime sourceTime = QFileInfo(m_folder->sourceFile(QStringLiteral("README.TXT"))).lastModified();
    CSetupTestFolder::writeFile(readme, "the user's own", sourceTime.addSecs(ageSeconds));

    m_ui.answer = answer;
    QVERIFY(run(options(target)));
    QCOMPARE(m_ui.events,
             (QStringList{QStringLiteral("question: ") + question.arg(QStringLiteral("README.TXT")), kSuccess}));
    QCOMPARE(CSetupTestFolder::read(readme),
             replaced ? CSetupTestFolder::read(m_folder->sourceFile(QStringLiteral("README.TXT")))
                      : QByteArray("the user's own"));
}

// A second installation over the first asks nothing for the files it would write
// unchanged; "Yes to All" and "No to All" answer the question for every later file.
void TestSetupInstaller::identicalFilesAndAnswersForAll_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("yes to all") << int(CSetupUi::Answer::YesToAll) << true;
    QTest::newRow("no to all") << int(CSetupUi::Answer::NoToAll) << false;
}

void TestSetupInstaller::identicalFilesAndAnswersForAll()
{
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    const QString target = m_folder->path(QStringLiteral("installed"));
    QVERIFY(run(options(target)));
    m_ui.events.clear();
    QVERIFY(run(options(target)));
    QCOMPARE(m_ui.events, QStringList{kSuccess});

    const QStringList changed{QStringLiteral("README.TXT"), QStringLiteral("1.pre")};
    for (const QString& name : changed)
        CSetupTestFolder::writeFile(QDir(target).filePath(name), "the user's own", QDateTime::currentDateTime());
    m_ui.events.clear();
    m_ui.forEach = static_cast<CSetupUi::Answer>(answer);
    QVERIFY(run(options(target)));
    QCOMPARE(m_ui.events.filter(QStringLiteral("question: ")).size(), 1);
    QCOMPARE(m_ui.events.last(), kSuccess);
    for (const QString& name : changed)
        QCOMPARE(CSetupTestFolder::read(QDir(target).filePath(name)),
                 replaced ? CSetupTestFolder::read(m_folder->sourceFile(name)) : QByteArray("the user's own"));
}

void TestSetupInstaller::missingOptionalFileIsSkipped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("installedBefore");

    QTest::newRow("name file, new folder") << QStringLiteral("1.boa") << false;
    QTest::newRow("name file, installed before") << QStringLiteral("1.boa") << true;
    QTest::newRow("tool, new folder") << QStringLiteral("toneloom-cli") << false;
    QTest::newRow("tool, installed before") << QStringLiteral("toneloom-cli") << true;
}

void TestSetupInstaller::missingOptionalFileIsSkipped()
{
    QFETCH(QString, name);
    QFETCH(bool, installedBefore);

    const QString target = m_folder->path(QStringLiteral("installed"));
    QFile::remove(m_folder->sourceFile(name));
    if (installedBefore)
        CSetupTestFolder::writeFile(QDir(target).filePath(name), "kept", QDateTime::currentDateTime());

    QVERIFY(run(options(target)));
    QCOMPARE(m_ui.events, QStringList{kSuccess});
    QCOMPARE(QFileInfo::exists(QDir(target).filePath(name)), installedBefore);
    QVERIFY(QFileInfo::exists(QDir(target).filePath(QStringLiteral("1.pre"))));
}

void TestSetupInstaller::missingRequiredFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("installedBefore");
    QTest::addColumn<QStringList>("events");

    const QString target = QStringLiteral("installed");
    QTest::newRow("program, installed before")
        << QStringLiteral("toneloom") << true
        << QStringList{message(SetupText::kSourceNotFound).arg(QStringLiteral("%SOURCE%/toneloom"))};
    QTest::newRow("program, new folder") << QStringLiteral("toneloom") << false
                                         << QStringList{message(SetupText::kCopyError).arg(QStringLiteral("toneloom")),
                                                        QStringLiteral("explain: No such file or directory")};
    QTest::newRow("settings file, new folder")
        << QStringLiteral("TONELOOM.INI") << false
        << QStringList{message(SetupText::kCopyError).arg(QStringLiteral("TONELOOM.INI")),
                       QStringLiteral("explain: No such file or directory")};
    QTest::newRow("control module, installed before")
        << QStringLiteral("libknob.so") << true
        << QStringList{message(SetupText::kSourceNotFound).arg(QStringLiteral("%SOURCE%/libknob.so"))};
}

void TestSetupInstaller::missingRequiredFile()
{
    QFETCH(QString, name);
    QFETCH(bool, installedBefore);
    QFETCH(QStringList, events);

    const QString target = m_folder->path(QStringLiteral("installed"));
    const bool module = name.startsWith(QLatin1String("lib"));
    const QString destination = QDir(module ? m_folder->controlFolder() : target).filePath(name);
    if (installedBefore) {
        QVERIFY(QDir().mkpath(QFileInfo(destination).absolutePath()));
        QVERIFY(QFile::copy(m_folder->sourceFile(name), destination));
    }
    QVERIFY(QFile::remove(m_folder->sourceFile(name)));

    m_ui.answer = true;
    QVERIFY(!run(options(target)));
    events.replaceInStrings(QStringLiteral("%SOURCE%"), m_folder->source);
    QCOMPARE(m_ui.events.filter(QStringLiteral("question: ")).size() + events.size(), m_ui.events.size());
    QCOMPARE(m_ui.events.mid(m_ui.events.size() - events.size()), events);
    // Nothing after the failure: no later file, no success.
    QVERIFY(!QFileInfo::exists(QDir(target).filePath(QStringLiteral("toneloom-cli"))));
}

void TestSetupInstaller::folderFailures_data()
{
    QTest::addColumn<bool>("controlFolder"); // else the install folder

    QTest::newRow("install folder") << false;
    QTest::newRow("control folder") << true;
}

void TestSetupInstaller::folderFailures()
{
    QFETCH(bool, controlFolder);

    // A folder below a plain file cannot be made, not even by root.
    const QString blocker = m_folder->path(QStringLiteral("a file"));
    CSetupTestFolder::writeFile(blocker, "x", QDateTime::currentDateTime());
    const QString impossible = QDir(blocker).filePath(QStringLiteral("Toneloom"));
    CSetupInstaller::Options o = options(m_folder->path(QStringLiteral("installed")));
    if (controlFolder)
        o.controlFolder = impossible;
    else
        o.installFolder = impossible;

    QVERIFY(!run(o));
    QCOMPARE(m_ui.events,
             (QStringList{message(SetupText::kPathError).arg(impossible), QStringLiteral("explain: Not a directory")}));
    QVERIFY(!QFileInfo::exists(QDir(o.installFolder).filePath(QStringLiteral("toneloom"))));
}

void TestSetupInstaller::registrationFailures_data()
{
    QTest::addColumn<QString>("replacement"); // what libkurvex.so is in the release
    QTest::addColumn<QString>("expected");    // the last event; %1 the installed module

    QTest::newRow("not loadable") << QStringLiteral("text") << QStringLiteral("explain: ");
    QTest::newRow("no entry point") << QStringLiteral("plain")
                                    << message(SetupText::kNoEntryPoint).arg(text(SetupText::kRegisterEntry));
    QTest::newRow("entry point fails") << QStringLiteral("registry blocked")
                                       << message(SetupText::kCallFailed).arg(text(SetupText::kRegisterEntry));
}

void TestSetupInstaller::registrationFailures()
{
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    const QString module = m_folder->sourceFile(QStringLiteral("libkurvex.so"));
    QFile::remove(module);
    if (replacement == QLatin1String("text")) {
        CSetupTestFolder::writeFile(module, "not a library", QDateTime::currentDateTime());
    } else if (replacement == QLatin1String("plain")) {
        QVERIFY(QFile::copy(QStringLiteral(TONELOOM_TEST_PLAIN_LIBRARY), module));
    } else {
        QVERIFY(QFile::copy(QStringLiteral(TONELOOM_BIN_DIR "/libkurvex.so"), module));
        // The module's registry lies below a plain file: it cannot write it.
        const QString blocker = m_folder->path(QStringLiteral("blocker"));
        CSetupTestFolder::writeFile(blocker, "x", QDateTime::currentDateTime());
        qputenv("TONELOOM_CONTROL_REGISTRY", QDir(blocker).filePath(QStringLiteral("controls.json")).toLocal8Bit());
    }

    QVERIFY(!run(options(m_folder->path(QStringLiteral("installed")))));
    const QString installed = QDir(m_folder->controlFolder()).filePath(QStringLiteral("libkurvex.so"));
    QVERIFY(!m_ui.events.isEmpty());
    const QString last = m_ui.events.last();
    if (expected.endsWith(QLatin1String(": "))) {
        QVERIFY2(last.startsWith(expected) && last.contains(installed), qPrintable(last));
    } else if (replacement == QLatin1String("registry blocked")) {
        // The module cannot say why; the setup finds out and names the registry's cause.
        QCOMPARE(m_ui.events.value(m_ui.events.size() - 2), expected.arg(installed));
        QVERIFY2(last.startsWith(QStringLiteral("explain: Cannot create folder ")) && last.contains("blocker"),
                 qPrintable(last));
    } else {
        QCOMPARE(last, expected.arg(installed));
    }
    QVERIFY(!m_ui.events.contains(kSuccess));
    // The modules after the failing one are not installed.
    QVERIFY(!QFileInfo::exists(QDir(m_folder->controlFolder()).filePath(QStringLiteral("libpickvane.so"))));
}

void TestSetupInstaller::unreadableRegistry()
{
    CSetupTestFolder::writeFile(m_folder->registry, "{ not json", QDateTime::currentDateTime());
    const QString target = m_folder->path(QStringLiteral("installed"));
    QVERIFY(!run(options(target)));
    QCOMPARE(m_ui.events.size(), 2);
    QCOMPARE(m_ui.events[0], message(SetupText::kRegistryError));
    QVERIFY2(m_ui.events[1].startsWith(QStringLiteral("explain: ") + m_folder->registry), qPrintable(m_ui.events[1]));
    QVERIFY(!QFileInfo::exists(target));

    // A file that is not a library at all, loaded by name.
    CSetupInstaller installer(options(target), m_ui);
    m_ui.events.clear();
    const QString plain = m_folder->path(QStringLiteral("plain.bin"));
    QVERIFY(QFile::copy(QStringLiteral(TONELOOM_TEST_PLAIN_LIBRARY), plain));
    QVERIFY(!installer.registerModule(plain));
    QCOMPARE(m_ui.events, QStringList{message(SetupText::kNotAModule).arg(plain)});
}

void TestSetupInstaller::failedCopyKeepsTheOldFile()
{
#if defined(Q_OS_LINUX)
    // A program too large for what the process may write fails half-way through.
    const QByteArray large(512 * 1024, 'p');
    m_folder->write(QStringLiteral("toneloom"), large, true);
    const QString target = m_folder->path(QStringLiteral("installed"));
    const QString program = QDir(target).filePath(QStringLiteral("toneloom"));
    CSetupTestFolder::writeFile(program, "old program", QDateTime::currentDateTime().addDays(-10), true);

    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit limited = before;
    limited.rlim_cur = 64 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    m_ui.answer = true;
    const bool installed = run(options(target));
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!installed);
    QCOMPARE(m_ui.events,
             (QStringList{QStringLiteral("question: ") + text(SetupText::kOlderFile).arg(QStringLiteral("toneloom")),
                          message(SetupText::kCopyError).arg(QStringLiteral("toneloom")),
                          QStringLiteral("explain: Cannot write \"%1\": file too large").arg(program)}));
    QCOMPARE(CSetupTestFolder::read(program), QByteArray("old program"));
    QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("toneloom")});
#else
    QSKIP("needs a limit on file sizes");
#endif
}

void TestSetupInstaller::installingIntoTheSourceFolder()
{
    const QDateTime before = QFileInfo(m_folder->sourceFile(QStringLiteral("toneloom"))).lastModified();
    const QStringList files = QDir(m_folder->source).entryList(QDir::Files | QDir::Hidden);
    CSetupInstaller::Options o = options(m_folder->source + QStringLiteral("/"));
    o.menuLink = true;

    QVERIFY(run(o));
    QCOMPARE(m_ui.events, QStringList{kSuccess});
    QCOMPARE(QDir(m_folder->source).entryList(QDir::Files | QDir::Hidden), files);
    QCOMPARE(QFileInfo(m_folder->sourceFile(QStringLiteral("toneloom"))).lastModified(), before);
    QVERIFY(!QFileInfo::exists(m_folder->controlFolder()));

    CControlRegistry registry(m_folder->registry);
    QVERIFY(registry.load());
    QCOMPARE(registry.entries().size(), 8);
    for (const CControlRegistry::Entry& entry : registry.entries())
        QCOMPARE(QFileInfo(entry.modulePath).absolutePath(), QFileInfo(m_folder->source).canonicalFilePath());
    QVERIFY(QFileInfo::exists(m_folder->homePath(QStringLiteral(".local/share/applications/toneloom.desktop"))));
}

void TestSetupInstaller::missingLibrariesAreNamed()
{
#if defined(Q_OS_LINUX)
    if (QStandardPaths::findExecutable(QStringLiteral("ldd")).isEmpty())
        QSKIP("no ldd");
    QFile::remove(m_folder->sourceFile(QStringLiteral("toneloom")));
    QVERIFY(QFile::copy(QStringLiteral(TONELOOM_TEST_NEEDS_LIBRARY), m_folder->sourceFile(QStringLiteral("toneloom"))));
    const QString target = m_folder->path(QStringLiteral("installed"));

    QVERIFY(!run(options(target)));
    QCOMPARE(m_ui.events, QStringList{message(SetupText::kMissingLibraries)
                                          .arg(m_folder->sourceFile(QStringLiteral("toneloom")),
                                               QStringLiteral("libsetup_test_dependency.so"))});
    // Nothing is copied for a program that could not start.
    QVERIFY(QDir(target).entryList(QDir::Files).isEmpty());

    // The real program of the build finds all of its libraries.
    QVERIFY(CLibraryCheck::missingLibraries(QStringLiteral(TONELOOM_BIN_DIR "/toneloom")).value().isEmpty());
    QVERIFY(!CLibraryCheck::missingLibraries(m_folder->sourceFile(QStringLiteral("README.TXT"))).has_value());
#else
    QSKIP("the libraries travel with the program here");
#endif
}

void TestSetupInstaller::links_data()
{
    QTest::addColumn<bool>("desktop");
    QTest::addColumn<bool>("menu");

    QTest::newRow("both") << true << true;
    QTest::newRow("desktop only") << true << false;
    QTest::newRow("menu only") << false << true;
    QTest::newRow("none") << false << false;
}

void TestSetupInstaller::links()
{
    QFETCH(bool, desktop);
    QFETCH(bool, menu);

    // Everything a shell or a desktop entry could misread, in the install folder's name.
    // (Not "%": written "%%" as it must be, GLib still looks for a program of that name.)
    const QString target = m_folder->path(QStringLiteral("Tone \"loom\"! `$HOME` \\ & ; (x)"));
    CSetupInstaller::Options o = options(target);
    o.desktopLink = desktop;
    o.menuLink = menu;
    CSetupInstaller installer(o, m_ui);
    QVERIFY(installer.install());
    QCOMPARE(m_ui.events, QStringList{kSuccess});

    const QString desktopLink =
        QDir(m_folder->desktopFolder()).filePath(QStringLiteral("Toneloom! for JV and XP.desktop"));
    const QString menuEntry = m_folder->homePath(QStringLiteral(".local/share/applications/toneloom.desktop"));
    QCOMPARE(installer.desktopLinkPath(), desktopLink);
    QCOMPARE(installer.menuEntryPath(), menuEntry);
    QCOMPARE(QFileInfo::exists(desktopLink), desktop);
    QCOMPARE(QFileInfo::exists(menuEntry), menu);
    QCOMPARE(QFileInfo::exists(installer.mimePath()), menu);
    QCOMPARE(QFileInfo::exists(installer.iconPath()), desktop || menu);

    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    for (const QString& link : {desktopLink, menuEntry}) {
        if (!QFileInfo::exists(link))
            continue;
        QVERIFY(QFileInfo(link).isExecutable());
        const QByteArray entry = CSetupTestFolder::read(link);
        QVERIFY(entry.contains("\nName=Toneloom! for JV and XP\n"));
        QVERIFY(entry.contains("\nIcon=" + installer.iconPath().toUtf8() + "\n"));
        QVERIFY(entry.contains("\nMimeType=application/x-sysex;application/x-toneloom-library;\n"));
        if (!validate.isEmpty()) {
            QProcess process;
            process.start(validate, {link});
            QVERIFY(process.waitForFinished(30000));
            QVERIFY2(process.exitCode() == 0, process.readAll().constData());
            QCOMPARE(process.readAll(), QByteArray());
        }
        if (!gio.isEmpty()) {
            // The desktop's own launcher starts the installed program, with a file.
            QFile::remove(m_folder->launchMark);
            QProcess process;
            process.start(gio, {QStringLiteral("launch"), link, QStringLiteral("/tmp/some bank.syx")});
            QVERIFY(process.waitForFinished(30000));
            QTRY_VERIFY(QFileInfo::exists(m_folder->launchMark));
            QTRY_COMPARE(CSetupTestFolder::read(m_folder->launchMark),
                         QDir(target).filePath(QStringLiteral("toneloom")).toUtf8() + "\n/tmp/some bank.syx\n");
        }
    }
    if (validate.isEmpty() || gio.isEmpty())
        qWarning("desktop-file-validate or gio missing: desktop entries not checked by the desktop's tools");
}

void TestSetupInstaller::linkFailure()
{
    const QString blocker = m_folder->path(QStringLiteral("not a folder"));
    CSetupTestFolder::writeFile(blocker, "x", QDateTime::currentDateTime());
    CSetupInstaller::Options o = options(m_folder->path(QStringLiteral("installed")));
    o.desktopLink = true;
    o.menuLink = true;
    o.desktopFolder = blocker;

    QVERIFY(!run(o));
    QCOMPARE(m_ui.events.size(), 2);
    QCOMPARE(m_ui.events[0], message(SetupText::kLinkError));
    QVERIFY(m_ui.events[1].startsWith(QStringLiteral("explain: ")));
    // No menu entry after the failed desktop link, and the files stay installed.
    QVERIFY(!QFileInfo::exists(m_folder->homePath(QStringLiteral(".local/share/applications/toneloom.desktop"))));
    QVERIFY(QFileInfo::exists(QDir(o.installFolder).filePath(QStringLiteral("toneloom"))));
}

// A second installation under a file size limit of a few bytes (writes fail as on a
// full disk): whichever writer fails first, the installation says so, never that it
// succeeded, and every file of the first installation stays as it was.
void TestSetupInstaller::faultsKeepEveryOldFile_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("links");
    QTest::addColumn<QString>("failing"); // the file the message names

    // The registry is written again on every installation, before the desktop entries.
    QTest::newRow("program copy") << true << false << "installed/toneloom";
    QTest::newRow("control registry") << false << false << "controls.json";
    QTest::newRow("control registry, with links") << false << true << "controls.json";
}

void TestSetupInstaller::faultsKeepEveryOldFile()
{
    QFETCH(bool, overwrite);
    QFETCH(bool, links);
    QFETCH(QString, failing);

    CSetupInstaller::Options o = options(m_folder->path(QStringLiteral("installed")));
    o.desktopLink = links;
    o.menuLink = links;
    QVERIFY(run(o));
    if (failing.startsWith(QLatin1String("installed/"))) {
        // Identical files are skipped: the installed copy differs from the release's, so
        // the second installation copies it again.
        QFile installed(m_folder->path(failing));
        QVERIFY(installed.open(QIODevice::Append) && installed.write("x") == 1);
    }
    const QMap<QString, QByteArray> before = snapshot(m_folder->root);
    QVERIFY(before.contains(m_folder->registry));

    m_ui = CRecordingSetupUi();
    m_ui.answer = overwrite;
    const auto outcome = faults::runLimited(64, [&] { return run(o) ? QString() : m_ui.events.join('\n'); });
    QCOMPARE(outcome.status, 1);
    QVERIFY2(!outcome.message.contains(kSuccess), qPrintable(outcome.message));
    QVERIFY2(outcome.message.contains(QStringLiteral("file too large")), qPrintable(outcome.message));
    const QString named = outcome.message.section(QStringLiteral("Cannot write \""), 1).section(QLatin1Char('"'), 0, 0);
    QVERIFY2(named.endsWith(failing), qPrintable(outcome.message));
    QCOMPARE(snapshot(m_folder->root), before);
}

// A link planted in the install folder is replaced by the release's file; what it
// points to is neither created nor changed.
void TestSetupInstaller::linksInTheWayAreReplaced_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("dangling");
    QTest::addColumn<bool>("overwrite");

    QTest::newRow("dangling README.TXT, overwrite no") << "README.TXT" << true << false;
    QTest::newRow("TONELOOM.INI to a file, overwrite yes") << "TONELOOM.INI" << false << true;
}

void TestSetupInstaller::linksInTheWayAreReplaced()
{
    QFETCH(QString, name);
    QFETCH(bool, dangling);
    QFETCH(bool, overwrite);

    const QString target = m_folder->path(QStringLiteral("installed"));
    QVERIFY(QDir().mkpath(target));
    const QString outside = m_folder->path(QStringLiteral("elsewhere.txt"));
    if (!dangling)
        CSetupTestFolder::writeFile(outside, "not the setup's", QDateTime::currentDateTime().addDays(-30));
    const QString link = QDir(target).filePath(name);
    QVERIFY(QFile::link(outside, link));

    m_ui.answer = overwrite;
    QVERIFY(run(options(target)));
    QCOMPARE(QFileInfo::exists(outside), !dangling);
    if (!dangling)
        QCOMPARE(CSetupTestFolder::read(outside), QByteArray("not the setup's"));
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(CSetupTestFolder::read(link), CSetupTestFolder::read(m_folder->sourceFile(name)));
}

QTEST_GUILESS_MAIN(TestSetupInstaller)
#include "tst_setupinstaller.moc"
