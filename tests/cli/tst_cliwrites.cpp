// What toneloom-cli writes: never onto its own input, never into a FIFO, a device or
// through a link, a receive's partial file never opened through something planted,
// and an interrupted receive keeps what arrived.

#include "bank/ToneloomDoc.h"
#include "library/LibraryRecord.h"
#include "model/Reporter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct Result
{
    int exitCode = -1;
    QString output;
};

const QString kCli = QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli");

// Runs toneloom-cli with args in p, as the caller set it up, to its end. A signal shows
// as -1 - signal number; a run that does not end is killed and shows as -1.
Result runToEnd(QProcess& p, const QStringList& args)
{
    p.start(kCli, args);
    Result r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1 - p.exitCode();
    r.output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return r;
}

Result runCli(const QStringList& args)
{
    QProcess p;
    return runToEnd(p, args);
}

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

bool isRegular(const QString& path)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// toneloom-cli with files limited to limit bytes, as on a nearly full disk. Only the
// limit is set for the child: SIGXFSZ keeps its default action there, which ends the
// process unless the program itself takes care. stdout and stderr arrive merged, in the
// order the program wrote them; temporary files go into tempDir.
Result runLimitedCli(const QStringList& args, rlim_t limit, const QString& tempDir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", tempDir);
    // The built-in emulator is all the commands need; a JACK client library would keep
    // its own files, which the limit breaks, whenever some JACK server runs.
    environment.insert("TONELOOM_MIDI_API", "alsa");
    p.setProcessEnvironment(environment);
    p.setChildProcessModifier([limit] {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limited{};
        ::getrlimit(RLIMIT_FSIZE, &limited);
        limited.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    });
    return runToEnd(p, args);
}

} // namespace

class TestCliWrites : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_lib = m_dir->filePath("lib.clb");
        QVERIFY(writeFile(m_lib, library(4)));
        m_bank = m_dir->filePath("bank.syx");
        const SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        QVERIFY(doc.OnSaveDocument(m_bank));
    }

    // An output that is the input itself (by name or through a link) is refused before
    // anything is read or written.
    void outputOntoItsInputIsRefused_data()
    {
        QTest::addColumn<QStringList>("args"); // %lib, %bank, %link replaced
        QTest::addColumn<QString>("input");
        QTest::newRow("extract onto its library") << QStringList{"library", "extract", "%lib", "1", "%lib"} << "lib";
        QTest::newRow("extract through a link") << QStringList{"library", "extract", "%lib", "1", "%link"} << "lib";
        QTest::newRow("convert onto its input")
            << QStringList{"convert", "--model", "jv2080", "%bank", "%bank"} << "bank";
        QTest::newRow("convert through a link")
            << QStringList{"convert", "--model", "jv2080", "%link", "%bank"} << "bank";
        QTest::newRow("add a library to itself") << QStringList{"library", "add", "%lib", "%link"} << "lib";
    }
    void outputOntoItsInputIsRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, input);
        const QString source = input == "lib" ? m_lib : m_bank;
        const QString link = m_dir->filePath("link");
        QVERIFY(QFile::link(source, link));
        for (QString& a : args)
            a.replace("%lib", m_lib).replace("%bank", m_bank).replace("%link", link);
        const QByteArray before = readFile(source);
        const Result r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.output.contains("is the input"), qPrintable(r.output));
        QCOMPARE(readFile(source), before);
    }

    // Outputs are checked as inputs are: a FIFO or a device is refused and stays what
    // it was; a link in the output's place is replaced, its target untouched.
    void outputsThatAreNotFiles_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        for (const QString command : {"extract", "convert"}) {
            QTest::addRow("%s into a FIFO", qPrintable(command))
                << command << "fifo" << 2 << "it is a FIFO, not a regular file";
            QTest::addRow("%s onto a device", qPrintable(command))
                << command << "device" << 2 << "it is a device, not a regular file";
            QTest::addRow("%s through a link", qPrintable(command)) << command << "link" << 0 << "";
        }
    }
    void outputsThatAreNotFiles()
    {
        QFETCH(QString, command);
        QFETCH(QString, kind);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QString out = m_dir->filePath("out.syx");
        const QString outside = m_dir->filePath("outside.syx");
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(out).constData(), 0600), 0);
        else if (kind == "device")
            out = "/dev/null";
        else {
            QVERIFY(writeFile(outside, "someone else's"));
            QVERIFY(QFile::link(outside, out));
        }
        const Result r = runCli(command == "extract" ? QStringList{"library", "extract", m_lib, "1", out}
                                                     : QStringList{"convert", "--model", "jv2080", m_bank, out});
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.output.contains(message), qPrintable(r.output));
        if (kind == "fifo") {
            struct stat info
            {};
            QCOMPARE(::lstat(QFile::encodeName(out).constData(), &info), 0);
            QVERIFY(S_ISFIFO(info.st_mode));
        } else if (kind == "link") {
            QVERIFY(isRegular(out));
            QCOMPARE(readFile(outside), QByteArray("someone else's"));
        }
    }

    void newLibraryThroughADanglingLink()
    {
        const QString outside = m_dir->filePath("elsewhere.clb");
        const QString link = m_dir->filePath("new.clb");
        QVERIFY(QFile::link(outside, link));
        const Result r = runCli({"library", "new", link});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.output.contains("exists already"), qPrintable(r.output));
        QVERIFY(!QFile::exists(outside));
    }

    void inputsThatAreNotFilesAreNamed()
    {
        const QString fifo = m_dir->filePath("fifo.clb");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const Result r = runCli({"library", "list", fifo});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.output.contains(fifo + ": not a regular file"), qPrintable(r.output));
    }

    // A library owned by another user keeps its owner when root deletes from it, and
    // its other hard links keep seeing it.
    void deleteKeepsOwnerAndHardLinks_data()
    {
        QTest::addColumn<bool>("hardLinked");
        QTest::newRow("owner") << false;
        QTest::newRow("owner and hard link") << true;
    }
    void deleteKeepsOwnerAndHardLinks()
    {
        QFETCH(bool, hardLinked);
        const QString second = m_dir->filePath("second.clb");
        if (hardLinked)
            QCOMPARE(::link(QFile::encodeName(m_lib).constData(), QFile::encodeName(second).constData()), 0);
        const bool root = ::geteuid() == 0;
        if (!root && !hardLinked)
            QSKIP("only root may give a file to another user");
        if (root)
            QCOMPARE(::chown(QFile::encodeName(m_lib).constData(), 4321, 4322), 0);
        const Result r = runCli({"library", "delete", m_lib, "2"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readFile(m_lib).size(), 3 * clb::kRecordSize);
        struct stat info
        {};
        QCOMPARE(::stat(QFile::encodeName(m_lib).constData(), &info), 0);
        if (hardLinked) {
            QCOMPARE(readFile(second), readFile(m_lib));
            QCOMPARE(info.st_nlink, nlink_t(2));
        }
        if (root) {
            QCOMPARE(info.st_uid, uid_t(4321));
            QCOMPARE(info.st_gid, gid_t(4322));
        }
    }

    // Whatever stands at FILE.part is left alone: the receive records under a fresh name.
    void plantedPartialFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link") << "link";
        QTest::newRow("FIFO") << "fifo";
    }
    void plantedPartialFile()
    {
        QFETCH(QString, kind);
        const QString target = m_dir->filePath("received.syx");
        const QString part = target + ".part";
        const QString outside = m_dir->filePath("victim.txt");
        QVERIFY(writeFile(outside, "precious"));
        if (kind == "link")
            QVERIFY(QFile::link(outside, part));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(part).constData(), 0600), 0);
        const Result r = runCli({"receive", "--in", "Toneloom Emulator", "--out", "Toneloom Emulator", "--request",
                                 "Temporary Patch", target});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readFile(target).size(), 645);
        QCOMPARE(readFile(outside), QByteArray("precious"));
        QVERIFY(!isRegular(part));
        QVERIFY(!QFile::exists(target + ".2.part"));
    }

    // Ctrl+C or SIGTERM during a receive keeps what arrived as FILE-incomplete.syx and
    // says so; the target stays as it was.
    void interruptedReceiveKeepsWhatArrived_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void interruptedReceiveKeepsWhatArrived()
    {
        QFETCH(int, signal);
        const QString target = m_dir->filePath("all.syx");
        QVERIFY(writeFile(target, "old bank"));
        QProcess p;
        p.start(kCli,
                {"receive", "--in", "Toneloom Emulator", "--out", "Toneloom Emulator", "--request", "All", target});
        QVERIFY(p.waitForStarted());
        // Some of the dump has arrived.
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains("Bytes received: "), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(target + ".part").size() > 0, 20000);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 128 + signal);
        const QString kept = m_dir->filePath("all-incomplete.syx");
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains("interrupted after "), qPrintable(err));
        QVERIFY2(err.contains("what arrived is kept in " + kept), qPrintable(err));
        QVERIFY(readFile(kept).size() > 0);
        QCOMPARE(readFile(kept).front(), char(0xF0));
        QCOMPARE(readFile(target), QByteArray("old bank"));
        QVERIFY(!QFile::exists(target + ".part"));
    }

    // A write past the file size limit fails like a write on a full disk: the tool says
    // so in its words and ends with its status, the old file stays byte for byte, and
    // nothing is left beside it but what a receive keeps of what arrived.
    void fileSizeLimitIsReported_data()
    {
        // %target, %bank, %junk and %dir in args and output are replaced.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("target"); // file in the test folder that must stay
        QTest::addColumn<qint64>("limit");   // bytes
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the end of what was printed
        QTest::addColumn<QString>("kept");   // the one new file allowed, if any
        const QString cannot = "toneloom-cli: %target: cannot be written: file too large\n";
        const QString library =
            "toneloom-cli: Error while writing library file: Cannot write \"%target\": file too large\n";
        QTest::newRow("convert") << QStringList{"convert", "--model", "jv1080", "%bank", "%target"} << "out.syx"
                                 << qint64(8192) << 2 << cannot << "";
        QTest::newRow("mutate") << QStringList{"mutate", "%bank",  "--patch", "3",      "--amount",
                                               "50",     "--seed", "7",       "%target"}
                                << "out.syx" << qint64(512) << 2 << cannot << "";
        QTest::newRow("library delete") << QStringList{"library", "delete", "%target", "2"} << "big.clb" << qint64(8192)
                                        << 2 << library << "";
        QTest::newRow("library lock") << QStringList{"library", "delete", "%target", "2"} << "big.clb" << qint64(16)
                                      << 2
                                      << "toneloom-cli: %target cannot be locked: the lock file big.clb.lock cannot "
                                         "be made: file too large\n"
                                      << "";
        // What was printed on stdout before the error comes before it, the summary after.
        QTest::newRow("library import")
            << QStringList{"library", "import", "%target", "%junk", "%bank"} << "big.clb" << qint64(8192) << 2
            << "%junk: holds no patch, performance or rhythm set of this synthesizer\ntoneloom-cli: %target: "
               "Error while writing library file: Cannot write \"%target\": file too large\nadded 0, doubles 127, "
               "refused 1\n"
            << "";
        QTest::newRow("send") << QStringList{"send", "--out", "Toneloom Emulator", "%bank"} << "bank.syx"
                              << qint64(8192) << 1
                              << "toneloom-cli: Error while saving ! The data to send could not be written to a "
                                 "temporary file in %dir: file too large.\n"
                              << "";
        QTest::newRow("receive") << QStringList{"receive",           "--in",      "Toneloom Emulator", "--out",
                                                "Toneloom Emulator", "--request", "Temporary Patch",   "%target"}
                                 << "received.syx" << qint64(512) << 1
                                 << "toneloom-cli: Error writing to File 10 (\"%target.part\": file too large)\n"
                                    "toneloom-cli: The dump was not completed. The %kept bytes that arrived are kept "
                                    "in \"%dir/received-incomplete.syx\"; \"%target\" is unchanged.\n"
                                    "Bytes received: %kept of 645\n"
                                 << "received-incomplete.syx";
    }
    void fileSizeLimitIsReported()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, target);
        QFETCH(qint64, limit);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, kept);
        const QString path = m_dir->filePath(target);
        if (!QFile::exists(path))
            QVERIFY(writeFile(path, target.endsWith(".clb") ? library(16) : QByteArray("old contents\n")));
        const QString junk = m_dir->filePath("junk.syx");
        QVERIFY(writeFile(junk, "no bank\n"));
        const auto fill = [&](QString text) {
            return text.replace("%target", path)
                .replace("%bank", m_bank)
                .replace("%junk", junk)
                .replace("%dir", m_dir->path());
        };
        for (QString& a : args)
            a = fill(a);
        const QByteArray before = readFile(path);
        const QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);

        const Result r = runLimitedCli(args, rlim_t(limit), m_dir->path());
        QCOMPARE(r.exitCode, exitCode);
        output = fill(output);
        if (!kept.isEmpty()) {
            // Whole messages only: the one the limit cut is not kept in part.
            const QByteArray keptBytes = readFile(m_dir->filePath(kept));
            QVERIFY(!keptBytes.isEmpty());
            QVERIFY(keptBytes.size() <= limit);
            QCOMPARE(keptBytes.front(), char(0xF0));
            QCOMPARE(keptBytes.back(), char(0xF7));
            output.replace("%kept", QString::number(keptBytes.size()));
        }
        QVERIFY2(r.output.endsWith(output), qPrintable(r.output + "\n-- expected the end:\n" + output));
        QCOMPARE(readFile(path), before);
        QStringList expected = files;
        if (!kept.isEmpty())
            expected << kept;
        expected.sort();
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), expected);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_lib;
    QString m_bank;
};

QTEST_GUILESS_MAIN(TestCliWrites)
#include "tst_cliwrites.moc"
