#include "LibraryFixture.h"

#include "bank/ToneloomDoc.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

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

    Result run(const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TONELOOM_INI"), m_dir.filePath(QStringLiteral("cli.ini")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli"), QStringList{"library"} + args);
        Result r;
        if (!p.waitForFinished(120000))
            return r;
        r.exitCode = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
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
