#include "LibraryFixture.h"

#include "bank/ToneloomDoc.h"
#include "library/LibraryLock.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

using namespace libtest;

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class TestLibraryCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    void start(QProcess& p, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TONELOOM_INI"), m_dir.filePath(QStringLiteral("cli.ini")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli"), QStringList{"library"} + args);
    }
    static Result finish(QProcess& p)
    {
        Result r;
        if (!p.waitForFinished(120000))
            return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    Result run(const QStringList& args, const QString& stdoutFile = QString())
    {
        QProcess p;
        if (!stdoutFile.isEmpty())
            p.setStandardOutputFile(stdoutFile);
        start(p, args);
        return finish(p);
    }
    // The names of a library's records as the file holds them; an all-zero record as "<zeros>".
    static QStringList namesIn(const QString& path)
    {
        const QByteArray bytes = readFile(path);
        QStringList names;
        for (qsizetype at = 0; at + 750 <= bytes.size(); at += 750) {
            const QByteArray rec = bytes.mid(at, 750);
            names << (rec.count('\0') == 750 ? QStringLiteral("<zeros>")
                                             : QString::fromLatin1(rec.mid(clb::kOffName, 12)).trimmed());
        }
        return names;
    }
    QString fresh(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("c%1.clb").arg(++m_files));
        writeFile(path, bytes);
        return path;
    }
    QString bank()
    {
        const QString path = m_dir.filePath(QStringLiteral("bank.syx"));
        if (!QFile::exists(path)) {
            SynthSettings settings;
            CCollectingReporter reporter;
            CToneloomDoc doc(settings, reporter);
            for (int i = 0; i < 128; ++i)
                doc.patches().SetName(i, QByteArray("Patch ")
                                             .append(QByteArray::number(i + 1).rightJustified(3, '0'))
                                             .append("   ")
                                             .constData());
            doc.OnSaveDocument(path);
        }
        return path;
    }

private slots:
    // Import, similar sounds, searching what patches use and export, as a script uses them.
    void knowsItsSounds_data()
    {
        QTest::addColumn<QStringList>("args"); // LIB stands for the library, DIR for the folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::newRow("import") << QStringList{"import", "LIB", "DIR"} << 1
                                << QStringLiteral("DIR/junk.syx: empty file\nadded 1, doubles 127, refused 1\n");
        QTest::newRow("import a missing path")
            << QStringList{"import", "LIB", "DIR/none"} << 1
            << QStringLiteral("DIR/none: no such file or folder\nadded 0, doubles 0, refused 1\n");
        QTest::newRow("similar") << QStringList{"similar", "LIB", "1", "--top", "2"} << 0
                                 << QStringLiteral("1\t100 %\tPatch 001   \n");
        QTest::newRow("similar, no such entry") << QStringList{"similar", "LIB", "5"} << 2 << QString();
        QTest::newRow("needs no board") << QStringList{"list", "LIB", "--needs", "none"} << 0
                                        << QStringLiteral("1\tPatch 001   \t");
        QTest::newRow("category") << QStringList{"list", "LIB", "--category", "no assign"} << 0
                                  << QStringLiteral("1\tPatch 001   \t");
        QTest::newRow("another category") << QStringList{"list", "LIB", "--category", "14"} << 0 << QString();
        QTest::newRow("no such category") << QStringList{"list", "LIB", "--category", "Kazoo"} << 2 << QString();
        QTest::newRow("needs board 7") << QStringList{"list", "LIB", "--needs", "7"} << 0 << QString();
        QTest::newRow("needs a board that is not")
            << QStringList{"list", "LIB", "--needs", "Nonesuch"} << 2 << QString();
        QTest::newRow("export") << QStringList{"export", "LIB", "1", "DIR/out.syx", "--model", "xp"} << 0
                                << QStringLiteral("1 patches written\n");
        QTest::newRow("export, bad model")
            << QStringList{"export", "LIB", "1", "DIR/out.syx", "--model", "d50"} << 2 << QString();
        QTest::newRow("near doubles") << QStringList{"doubles", "LIB", "--threshold", "95"} << 0 << QString();
    }
    void knowsItsSounds()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        const QString dir = m_dir.filePath(QStringLiteral("sounds"));
        const QString lib = m_dir.filePath(QStringLiteral("sounds.clb"));
        if (!QFile::exists(lib)) {
            QDir().mkpath(dir);
            QVERIFY(QFile::copy(bank(), dir + QStringLiteral("/bank.syx")));
            QVERIFY(writeFile(dir + QStringLiteral("/junk.syx"), {}));
            QVERIFY(writeFile(lib, {}));
        }
        for (QString& a : args) {
            a.replace(QStringLiteral("LIB"), lib);
            a.replace(QStringLiteral("DIR"), dir);
        }
        const Result r = run(args);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 2) {
            QVERIFY(!r.err.isEmpty());
            return;
        }
        // The output begins so; an empty one is empty.
        if (out.isEmpty())
            QCOMPARE(r.out, QString());
        QVERIFY2(r.out.startsWith(QString(out).replace(QStringLiteral("DIR"), dir)), qPrintable(r.out));
        if (args.first() == QLatin1String("export")) {
            // The bank holds the patch in slot 1 and imports as the same sound.
            const Result again = run({"import", lib, dir + QStringLiteral("/out.syx")});
            QCOMPARE(again.out, QStringLiteral("added 0, doubles 1, refused 0\n"));
        }
    }

    void initTestCase()
    {
        QFile ini(m_dir.filePath(QStringLiteral("cli.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[LIBRARY]\r\nKey17=Warm\r\nKey33=Bright\r\nKey1=No Selection\r\n");
    }

    void newAddListExtractDelete()
    {
        const QString lib = m_dir.filePath(QStringLiteral("made.clb"));
        Result r = run({"new", lib});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QFileInfo(lib).size(), 0);
        r = run({"add", lib, bank()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("128 patches added\n"));
        QCOMPARE(QFileInfo(lib).size(), 128 * 750);
        r = run({"add", lib, bank(), "--patches", "1,5,10-12"});
        QCOMPARE(r.out, QStringLiteral("5 patches added\n"));

        r = run({"list", lib, "--name", "Patch 01"});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 13); // 010..019 and the second 010, 011 and 012
        const QStringList fields = lines.first().split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 12);
        QCOMPARE(fields[0], QStringLiteral("10"));
        QCOMPARE(fields[1], QStringLiteral("Patch 010   "));
        QVERIFY(
            QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$")).match(fields[2]).hasMatch());
        QCOMPARE(fields[3], QString());
        QCOMPARE(fields.mid(4), QStringList(8, QString())); // key 1 is "No Selection"
        // Equal names keep their file order.
        QCOMPARE(lines[1].section(QLatin1Char('\t'), 0, 0), QStringLiteral("131"));

        const QString out = m_dir.filePath(QStringLiteral("one.syx"));
        r = run({"extract", lib, "129", out});
        QCOMPARE(r.exitCode, 0);
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        QVERIFY(doc.OnOpenDocument(bank()));
        QCOMPARE(readFile(out), doc.patches().record(0));

        r = run({"delete", lib, "2", "1", "133"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QFileInfo(lib).size(), 130 * 750);
        r = run({"list", lib, "--sort", "name"});
        QCOMPARE(r.out.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('\t'), 0, 1),
                 QStringLiteral("127\tPatch 001   "));
    }

    void searchesSortsAndCategories_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("expected"); // number and the first key text (or category)
        QTest::newRow("all, by name") << QStringList{} << QStringList{"2\tWarm", "3\tBright", "1\tNo Entry"};
        QTest::newRow("key 17") << QStringList{"--find", "AND 17"} << QStringList{"2\tWarm"};
        QTest::newRow("key 17 or 33") << QStringList{"--find", "AND 17 OR 33"} << QStringList{"2\tWarm", "3\tBright"};
        QTest::newRow("not 17") << QStringList{"--find", "and-not 17"} << QStringList{"3\tBright", "1\tNo Entry"};
        QTest::newRow("name and key") << QStringList{"--name", "b", "--find", "AND 33"} << QStringList{"3\tBright"};
        QTest::newRow("by key 1") << QStringList{"--sort", "key1"}
                                  << QStringList{"3\tBright", "1\tNo Entry", "2\tWarm"};
        QTest::newRow("by date") << QStringList{"--sort", "date"} << QStringList{"3\tBright", "1\tNo Entry", "2\tWarm"};
        QTest::newRow("by comment") << QStringList{"--sort", "comment"}
                                    << QStringList{"2\tWarm", "3\tBright", "1\tNo Entry"};
        QTest::newRow("categories") << QStringList{"--categories", "--sort", "category"}
                                    << QStringList{"1\tBass         ", "3\tCategory 77  ", "2\tSynth Bass   "};
        QTest::newRow("by category without showing them")
            << QStringList{"--sort", "category"} << QStringList{"1\tNo Entry", "3\tBright", "2\tWarm"};
    }
    void searchesSortsAndCategories()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, expected);
        Rec a{"zeta", {2, 1, 1, 1, 1, 1, 1, 1}, "c", "01.01.2000 00:00"};
        a.category = 12;
        Rec b{"alpha", {17, 1, 1, 1, 1, 1, 1, 1}, "a", "01.02.2000 00:00"};
        b.category = 13;
        Rec c{"beta", {33, 1, 1, 1, 1, 1, 1, 1}, "b", "31.12.1999 23:59"};
        c.category = 77;
        const QString lib = fresh(library({a, b, c}));
        const Result r = run(QStringList{"list", lib} + options);
        QCOMPARE(r.exitCode, 0);
        QStringList shown;
        for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList f = line.split(QLatin1Char('\t'));
            shown << f[0] + QLatin1Char('\t') + f[4];
        }
        QCOMPARE(shown, expected);
    }

    void storedTextsPrintAsUtf8()
    {
        const QString lib = fresh(library({{"Caf\xE9 Pad", {}, "d\xE9j\xE0 vu"}}));
        const Result r = run({"list", lib});
        QCOMPARE(r.out.section(QLatin1Char('\t'), 1, 3), QStringLiteral("Café Pad    \t01.01.2000 00:00\tdéjà vu"));
    }

    void doubles()
    {
        const QString lib = fresh(library({{"One", {}, "", "", 1, 3},
                                           {"Two", {}, "", "", 2},
                                           {"Three  ", {}, "", "", 1, 9},
                                           {"Four", {}, "", "", 1}}));
        const Result r = run({"doubles", lib});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("\"One\" and \"Three\" are equal\n\"One\" and \"Four\" are equal\n"
                                       "\"Three\" and \"Four\" are equal\n"));
    }

    void concurrentAddsKeepEveryEntry()
    {
        // Four scripts add to one library at once, twice over: every run ends with every
        // entry, each whole.
        const QString lib = fresh({});
        constexpr int kRuns = 4;
        constexpr int kRounds = 2;
        for (int round = 0; round < kRounds; ++round) {
            std::vector<std::unique_ptr<QProcess>> runs;
            for (int i = 0; i < kRuns; ++i) {
                runs.push_back(std::make_unique<QProcess>());
                start(*runs.back(), {"add", lib, bank()});
            }
            for (auto& p : runs) {
                const Result r = finish(*p);
                QCOMPARE(r.exitCode, 0);
                QCOMPARE(r.out, QStringLiteral("128 patches added\n"));
            }
        }
        QCOMPARE(QFileInfo(lib).size(), qint64(kRuns * kRounds * 128 * 750));
        const QStringList names = namesIn(lib);
        for (int n = 1; n <= 128; ++n)
            QCOMPARE(names.count(QStringLiteral("Patch %1").arg(n, 3, 10, QLatin1Char('0'))), kRuns * kRounds);
        QVERIFY(!QFile::exists(lib + QStringLiteral(".lock")));
    }

    void deleteBesideAddLosesNothing()
    {
        std::vector<Rec> recs;
        for (int i = 0; i < 300; ++i)
            recs.push_back({QByteArray("Old ") + QByteArray::number(i)});
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QString lib = fresh(library(recs));
            QProcess add;
            QProcess del;
            start(add, {"add", lib, bank()});
            start(del, {"delete", lib, "1", "2", "3", "150", "300"});
            const Result added = finish(add);
            const Result deleted = finish(del);
            QCOMPARE(added.exitCode, 0);
            QCOMPARE(deleted.exitCode, 0);
            const QStringList names = namesIn(lib);
            QCOMPARE(names.size(), 300 - 5 + 128);
            QVERIFY(!names.contains(QStringLiteral("<zeros>")));
            for (const char* gone : {"Old 0", "Old 1", "Old 2", "Old 149", "Old 299"})
                QVERIFY(!names.contains(QString::fromLatin1(gone)));
            QCOMPARE(names.filter(QStringLiteral("Patch ")).size(), 128);
            QCOMPARE(names.filter(QStringLiteral("Old ")).size(), 295);
        }
    }

    void aLockedLibraryIsRefused()
    {
        const QByteArray bytes = library({{"A"}, {"B"}});
        const QString lib = fresh(bytes);
        CLibraryLock held(lib);
        QCOMPARE(held.lock(0, nullptr), CLibraryLock::Result::Locked);
        for (const QStringList& args : {QStringList{"add", lib, bank()}, QStringList{"delete", lib, "1"}}) {
            const Result r = run(args);
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.startsWith(QStringLiteral("toneloom-cli: %1 is being changed by another program").arg(lib)),
                     qPrintable(r.err));
            QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
            QCOMPARE(readFile(lib), bytes);
        }
    }

    void brokenTail_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err"); // after "toneloom-cli: ", with LIB for the file
        QTest::addColumn<int>("records"); // in the file afterwards; -1: the file as it was
        const QString tail = QStringLiteral("LIB ends in 321 bytes that are no whole entry");
        QTest::newRow("list tells") << QStringList{"list", "LIB"} << 0
                                    << QStringLiteral("warning: %1; they are not listed").arg(tail) << -1;
        QTest::newRow("add refuses")
            << QStringList{"add", "LIB", "BANK", "--patches", "1"} << 2
            << QStringLiteral("%1; the change would drop them, so it was not made. Give --drop-tail to drop them and "
                              "go on.")
                   .arg(tail)
            << -1;
        QTest::newRow("delete refuses")
            << QStringList{"delete", "LIB", "1"} << 2
            << QStringLiteral("%1; the change would drop them, so it was not made. Give --drop-tail to drop them and "
                              "go on.")
                   .arg(tail)
            << -1;
        QTest::newRow("add drops when told")
            << QStringList{"add", "LIB", "BANK", "--patches", "1", "--drop-tail"} << 0
            << QStringLiteral("warning: %1; they are dropped (--drop-tail)").arg(tail) << 3;
        QTest::newRow("delete drops when told")
            << QStringList{"delete", "LIB", "1", "--drop-tail"} << 0
            << QStringLiteral("warning: %1; they are dropped (--drop-tail)").arg(tail) << 1;
    }
    void brokenTail()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QFETCH(int, records);
        const QByteArray bytes = library({{"A"}, {"B"}}) + QByteArray(321, 'z');
        const QString lib = fresh(bytes);
        for (QString& a : args)
            a = a == QLatin1String("LIB") ? lib : a == QLatin1String("BANK") ? bank() : a;
        const Result r = run(args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.err, QStringLiteral("toneloom-cli: ") + QString(err).replace(QStringLiteral("LIB"), lib) + '\n');
        if (records < 0)
            QCOMPARE(readFile(lib), bytes);
        else
            QCOMPARE(QFileInfo(lib).size(), qint64(records) * 750);
        if (args.first() == QLatin1String("list"))
            QCOMPARE(r.out.count(QLatin1Char('\n')), 2);
    }

    void hostileTextsPrintEscaped()
    {
        // Tabs, line ends, a terminal sequence, NUL, DEL, a C1 control (CSI) and a
        // backslash in names and comments: every line keeps its twelve fields.
        QByteArray first = record({"", {1, 1, 1, 1, 1, 1, 1, 1}, "ESC\x1b[2J bell\x07"});
        QByteArray second = record({"", {1, 1, 1, 1, 1, 1, 1, 1}, "cr\rend"});
        std::memcpy(first.data() + clb::kOffName, "Tab\there\nX  ", 12);
        std::memcpy(second.data() + clb::kOffName, "N\0L\x7f\x9b\\ok    ", 12);
        const QString lib = fresh(first + second);
        const Result r = run({"list", lib});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("2\tN\\x00L\\x7f\\x9b\\\\ok    \t01.01.2000 00:00\tcr\\rend"
                                       "\t\t\t\t\t\t\t\t\n"
                                       "1\tTab\\there\\nX  \t01.01.2000 00:00\tESC\\x1b[2J bell\\x07"
                                       "\t\t\t\t\t\t\t\t\n"));
        // The pairs of doubles name the same patches.
        const QString twins = fresh(library({{"Esc\x1b]0;x"}, {"Esc\x1b]0;x"}}));
        const Result d = run({"doubles", twins});
        QCOMPARE(d.exitCode, 0);
        QCOMPARE(d.out, QStringLiteral("\"Esc\\x1b]0;x\" and \"Esc\\x1b]0;x\" are equal\n"));
    }

    void aFullStandardOutputFails_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("list") << QStringList{"list", "LIB"};
        QTest::newRow("doubles") << QStringList{"doubles", "LIB"};
        QTest::newRow("add") << QStringList{"add", "LIB", "BANK", "--patches", "1"};
    }
    void aFullStandardOutputFails()
    {
        QFETCH(QStringList, args);
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this system");
        const QString lib = fresh(library({{"Same"}, {"Same"}, {"Other", {}, "", "", 1}}));
        for (QString& a : args)
            a = a == QLatin1String("LIB") ? lib : a == QLatin1String("BANK") ? bank() : a;
        const Result r = run(args, QStringLiteral("/dev/full"));
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, QStringLiteral("toneloom-cli: standard output cannot be written: disk full\n"));
    }

    // Only the patches a file holds are added, and none of which a part is missing;
    // a file that holds none adds nothing.
    void addTakesOnlyWhatTheFileHolds_data()
    {
        QTest::addColumn<int>("from"); // bytes of bank() taken, -1: the text
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // with BANK for the file's name
        QTest::addColumn<int>("added");
        // bank() is in the JV-1080 layout: performances and rhythm sets, then the patches.
        const int patches = 32 * 555 + 2 * 4439;
        QTest::newRow("text") << -1 << 0 << QStringList{} << 2 << QString()
                              << "toneloom-cli: BANK holds no patch; nothing was added\n"
                              << 0;
        QTest::newRow("performances only") << 0 << patches << QStringList{} << 2 << QString()
                                           << "toneloom-cli: BANK holds no patch; nothing was added\n"
                                           << 0;
        QTest::newRow("one patch") << patches << 643 << QStringList{} << 0 << "1 patch added\n" << QString() << 1;
        QTest::newRow("cut inside patch 6") << patches << 5 * 643 + 100 << QStringList{} << 0 << "5 patches added\n"
                                            << "toneloom-cli: BANK: patch 6 only partly in the file, not added\n"
                                            << 5;
        QTest::newRow("a patch it does not hold")
            << patches << 5 * 643 << QStringList{"--patches", "3,7"} << 2 << QString()
            << "toneloom-cli: BANK does not hold patch 7; nothing was added\n"
            << 0;
    }
    void addTakesOnlyWhatTheFileHolds()
    {
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(int, added);
        const QString path = m_dir.filePath(
            QStringLiteral("part-%1.syx").arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-')));
        QVERIFY(writeFile(path, from < 0 ? QByteArray("[SETUP]\r\nDEVICEID=16\r\n").repeated(20)
                                         : readFile(bank()).mid(from, length)));
        const QString lib = fresh(QByteArray());
        const Result r = run(QStringList{"add", lib, path} + options);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QCOMPARE(r.err, QString(err).replace(QStringLiteral("BANK"), path));
        QCOMPARE(QFileInfo(lib).size(), added * 750);
    }

    void badInputWritesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"merge", "LIB"};
        QTest::newRow("new over an existing file") << QStringList{"new", "LIB"};
        QTest::newRow("add: bad list") << QStringList{"add", "LIB", "BANK", "--patches", "0-3"};
        QTest::newRow("add: list beyond 128") << QStringList{"add", "LIB", "BANK", "--patches", "120-129"};
        QTest::newRow("add: missing bank") << QStringList{"add", "LIB", "MISSING"};
        QTest::newRow("add: missing library") << QStringList{"add", "MISSING", "BANK"};
        QTest::newRow("list: bad find") << QStringList{"list", "LIB", "--find", "XOR 3"};
        QTest::newRow("list: five pairs") << QStringList{"list", "LIB", "--find", "AND 1 AND 2 AND 3 AND 4 AND 5"};
        QTest::newRow("list: key out of range") << QStringList{"list", "LIB", "--find", "AND 256"};
        QTest::newRow("list: bad sort") << QStringList{"list", "LIB", "--sort", "key9"};
        QTest::newRow("list: long name") << QStringList{"list", "LIB", "--name", "thirteen char"};
        QTest::newRow("list: unknown option") << QStringList{"list", "LIB", "--reverse"};
        QTest::newRow("delete: out of range") << QStringList{"delete", "LIB", "1", "4"};
        QTest::newRow("delete: not a number") << QStringList{"delete", "LIB", "x"};
        QTest::newRow("extract: out of range") << QStringList{"extract", "LIB", "0", "OUT"};
        QTest::newRow("doubles: missing") << QStringList{"doubles", "MISSING"};
    }
    void badInputWritesNothing()
    {
        QFETCH(QStringList, args);
        const QByteArray bytes = library({{"A"}, {"B"}, {"C"}});
        const QString lib = fresh(bytes);
        const QString out = m_dir.filePath(QStringLiteral("never.syx"));
        for (QString& a : args) {
            if (a == QLatin1String("LIB"))
                a = lib;
            else if (a == QLatin1String("BANK"))
                a = bank();
            else if (a == QLatin1String("OUT"))
                a = out;
            else if (a == QLatin1String("MISSING"))
                a = m_dir.filePath(QStringLiteral("missing.any"));
        }
        const Result r = run(args);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY(r.err.startsWith(QStringLiteral("toneloom-cli: ")));
        QCOMPARE(readFile(lib), bytes);
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestLibraryCli)
#include "tst_librarycli.moc"
