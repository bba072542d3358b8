// Every writer of the program under a file size limit of a few bytes (the writes fail
// with EFBIG, as they would on a full disk): each must keep the old file byte for byte,
// leave nothing beside it, and say which file failed and why.

#include "../support/FaultInjection.h"
#include "bank/Copybox.h"
#include "bank/ToneloomDoc.h"
#include "controls/common/ControlRegistry.h"
#include "library/LibraryDocument.h"
#include "library/LibraryRecord.h"
#include "model/Reporter.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr rlim_t kLimit = 64; // bytes: less than any writer's new contents
constexpr int kLibraryEntries = 10;
// A library is changed under a lock file of its own (its holder's process id, program and
// machine: a hundred bytes or so), which must fit under the limit; every change of a
// library of ten entries still writes far beyond it.
constexpr rlim_t kLibraryLimit = 512;

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray library(int entries)
{
    QByteArray bytes;
    for (int i = 0; i < entries; ++i)
        bytes += clb::makeRecord(QByteArray(clb::kPatchSize, char('a' + i)), QDateTime(QDate(2001, 2, 3), QTime(4, 5)));
    return bytes;
}

// toneloom-cli under the limit; its exit status and everything it printed.
faults::Outcome runCli(const QStringList& args, rlim_t limit = kLimit)
{
    QProcess process;
    // The built-in emulator is all the commands need; a JACK client library would keep
    // its own files, which the limit breaks, whenever some JACK server runs.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TONELOOM_MIDI_API", "alsa");
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited{};
        ::getrlimit(RLIMIT_FSIZE, &limited);
        limited.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    });
    process.start(QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli"), args);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

} // namespace

class TestWriteFaults : public QObject
{
    Q_OBJECT

private slots:
    void oldFileKept_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("target"); // file name in the test folder
        QTest::addColumn<int>("status");     // exit status expected
        QTest::newRow("bank save") << "bank save"
                                   << "bank.syx" << 1;
        QTest::newRow("settings file") << "settings"
                                       << "TONELOOM.INI" << 1;
        QTest::newRow("copybox") << "copybox"
                                 << "box.cop" << 1;
        QTest::newRow("control registry") << "registry"
                                          << "controls.json" << 1;
        QTest::newRow("library delete (window)") << "library delete"
                                                 << "lib.clb" << 1;
        QTest::newRow("library add (window)") << "library add"
                                              << "lib.clb" << 1;
        QTest::newRow("library properties (window)") << "library properties"
                                                     << "lib.clb" << 1;
        QTest::newRow("library patch edit (window)") << "library patch edit"
                                                     << "lib.clb" << 1;
        QTest::newRow("cli library delete") << "cli library delete"
                                            << "lib.clb" << 2;
        QTest::newRow("cli library add") << "cli library add"
                                         << "lib.clb" << 2;
        QTest::newRow("cli library extract") << "cli library extract"
                                             << "out.syx" << 2;
        QTest::newRow("cli convert") << "cli convert"
                                     << "out.syx" << 2;
        QTest::newRow("cli receive") << "cli receive"
                                     << "received.syx" << 1;
    }
    void oldFileKept()
    {
        QFETCH(QString, writer);
        QFETCH(QString, target);
        QFETCH(int, status);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(target);
        const QByteArray old = target.endsWith(".clb") ? library(kLibraryEntries) : QByteArray("old contents\n");
        QVERIFY(writeFile(path, old));
        // Inputs the commands read, written before the limit applies.
        const QString bank = dir.filePath("in.syx");
        const QString lib = dir.filePath("in.clb");
        {
            const SynthSettings settings;
            CCollectingReporter reporter;
            CToneloomDoc doc(settings, reporter);
            QVERIFY(doc.OnSaveDocument(bank));
            QVERIFY(writeFile(lib, library(2)));
        }
        QStringList expectedFiles = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);

        faults::Outcome outcome;
        const bool library = writer.startsWith(QLatin1String("library "))
                             || writer == QLatin1String("cli library delete")
                             || writer == QLatin1String("cli library add");
        const rlim_t limit = library ? kLibraryLimit : kLimit;
        const auto inChild = [&](const std::function<QString()>& body) { outcome = faults::runLimited(limit, body); };
        if (writer == "bank save") {
            inChild([&] {
                const SynthSettings settings;
                CCollectingReporter reporter;
                CToneloomDoc doc(settings, reporter);
                return doc.OnSaveDocument(path) ? QString() : reporter.texts().join('\n');
            });
        } else if (writer == "settings") {
            inChild([&] {
                CIniFile ini(path);
                return ini.writeString("Window", "Placement", QString(200, 'v')) ? QString() : ini.errorString();
            });
        } else if (writer == "copybox") {
            inChild([&] {
                CCopybox box;
                box.Add(QByteArray(CCopybox::kPatchSize, 'p'), ItemKind::Patches);
                CCollectingReporter reporter;
                return box.saveFile(path, reporter) ? QString() : reporter.texts().join('\n');
            });
        } else if (writer == "registry") {
            inChild([&] {
                CControlRegistry registry(path);
                CControlRegistry::Entry entry;
                entry.classId = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
                entry.progId = "Test.Control.1";
                entry.modulePath = dir.filePath("module.so");
                registry.insert(entry);
                QString error;
                return registry.save(&error) ? QString() : error;
            });
        } else if (writer.startsWith("library ")) {
            inChild([&] {
                CCollectingReporter reporter;
                CLibraryDocument doc(reporter);
                if (!doc.Open(path))
                    return QStringLiteral("not opened");
                bool done = false;
                if (writer == "library add") {
                    done = doc.AppendPatches({QByteArray(clb::kPatchSize, 'n')}) == 1;
                } else if (writer == "library delete") {
                    done = doc.DeleteEntries({0});
                } else if (writer == "library properties") {
                    CLibraryDocument::Metadata change;
                    change.entry = 2;
                    change.name = "Renamed";
                    change.comment = "a comment";
                    done = doc.UpdateMetadata({change});
                } else {
                    done = doc.ReplacePatch(2, QByteArray(clb::kPatchSize, 'e'));
                }
                return done ? QString() : reporter.texts().join('\n');
            });
        } else if (writer == "cli library delete") {
            outcome = runCli({"library", "delete", path, "1"}, limit);
        } else if (writer == "cli library add") {
            outcome = runCli({"library", "add", "--patches", "1", path, bank}, limit);
        } else if (writer == "cli library extract") {
            outcome = runCli({"library", "extract", lib, "1", path});
        } else if (writer == "cli convert") {
            outcome = runCli({"convert", "--model", "jv2080", bank, path});
        } else if (writer == "cli receive") {
            outcome = runCli({"receive", "--in", "Toneloom Emulator", "--out", "Toneloom Emulator", "--request",
                              "Temporary Patch", path});
        } else {
            QFAIL("no such writer");
        }
        QCOMPARE(outcome.status, status);
        // The file and the cause are named.
        QVERIFY2(outcome.message.contains(QDir::toNativeSeparators(path)), qPrintable(outcome.message));
        QVERIFY2(outcome.message.contains("file too large"), qPrintable(outcome.message));
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), expectedFiles);
    }

    // Each writer of the program replaces a link in its target's place (never writing
    // what it points to) and refuses a FIFO there, leaving it a FIFO.
    void linksReplacedAndFifosRefused_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<bool>("fifo");
        for (const char* writer : {"bank save", "settings", "copybox", "registry", "library new"}) {
            QTest::addRow("%s over a link", writer) << QString::fromLatin1(writer) << false;
            QTest::addRow("%s into a FIFO", writer) << QString::fromLatin1(writer) << true;
        }
    }
    void linksReplacedAndFifosRefused()
    {
        QFETCH(QString, writer);
        QFETCH(bool, fifo);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("target");
        const QString outside = dir.filePath("outside");
        if (fifo) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QVERIFY(writeFile(outside, "someone else's"));
            QVERIFY(QFile::link(outside, path));
        }
        bool written = false;
        QString message;
        const SynthSettings settings;
        CCollectingReporter reporter;
        if (writer == "bank save") {
            CToneloomDoc doc(settings, reporter);
            written = doc.OnSaveDocument(path);
        } else if (writer == "settings") {
            CIniFile ini(path);
            written = ini.writeString("Section", "Key", "value");
            message = ini.errorString();
        } else if (writer == "copybox") {
            CCopybox box;
            box.Add(QByteArray(CCopybox::kPatchSize, 'p'), ItemKind::Patches);
            written = box.saveFile(path, reporter);
        } else if (writer == "registry") {
            written = CControlRegistry(path).save(&message);
        } else {
            CLibraryDocument doc(reporter);
            written = doc.Create(path);
        }
        message += reporter.texts().join('\n');
        QCOMPARE(written, !fifo);
        struct stat info
        {};
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        if (fifo) {
            QVERIFY(S_ISFIFO(info.st_mode));
            QVERIFY2(message.contains("it is a FIFO, not a regular file"), qPrintable(message));
        } else {
            QVERIFY(S_ISREG(info.st_mode));
            QCOMPARE(readFile(outside), QByteArray("someone else's"));
        }
    }
};

QTEST_GUILESS_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
