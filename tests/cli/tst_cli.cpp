#include "bank/PartReferences.h"
#include "bank/ToneloomDoc.h"
#include "model/ExpansionNames.h"
#include "model/ParamListing.h"
#include "model/RecordEdit.h"
#include "model/SysExScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result runCli(const QStringList& args, const QString& limit = QString())
{
    QProcess p;
    if (limit.isEmpty()) {
        p.start(QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli"), args);
    } else {
        // Under a shell limit (ulimit), the signal of an exceeded file size ignored so
        // that writes fail as they do on a full disk.
        p.start(QStringLiteral("sh"),
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("trap '' XFSZ; ulimit %1; exec \"$0\" \"$@\"").arg(limit),
                            QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli")}
                    + args);
    }
    Result r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString realDump(const QString& name)
{
    return QStringLiteral(TONELOOM_TESTDATA_DIR "/real/") + name;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Patch 10 of a JV-1080 bank of patches starts here (9 patches of 643 bytes).
constexpr int kPatch10 = 9 * 643;

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString bankOf(const QString& model)
    {
        // A bank in the given layout, made by the tool itself.
        const QString path = m_dir.filePath(model + QStringLiteral(".syx"));
        if (!QFile::exists(path))
            runCli({"convert", "--model", model, seed(), path});
        return path;
    }
    QString seed()
    {
        if (QFile::exists(realDump("ahlzen_PadVoxBell.syx")))
            return realDump("ahlzen_PadVoxBell.syx");
        // Without the shared dumps: a default bank written by the core.
        const QString path = m_dir.filePath("seed.syx");
        if (!QFile::exists(path)) {
            SynthSettings settings;
            CCollectingReporter reporter;
            CToneloomDoc doc(settings, reporter);
            doc.OnSaveDocument(path);
        }
        return path;
    }

private slots:
    void convertSizes_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("size");
        QTest::newRow("jv1080 all") << "jv1080"
                                    << "all" << 108942;
        QTest::newRow("jv2080 all") << "jv2080"
                                    << "all" << 112910;
        QTest::newRow("xp all") << "xp"
                                << "all" << 112206;
        QTest::newRow("jv1080 patches") << "jv1080"
                                        << "patches" << 82304;
        QTest::newRow("xp performances") << "xp"
                                         << "performances" << 20896;
        QTest::newRow("jv2080 rhythm") << "jv2080"
                                       << "rhythm" << 8878;
    }
    void convertSizes()
    {
        QFETCH(QString, model);
        QFETCH(QString, what);
        QFETCH(int, size);
        const QString out = m_dir.filePath(QStringLiteral("out-%1-%2.syx").arg(model, what));
        // The shared dump holds patches only: the other kinds are converted on request.
        QStringList args{"convert", "--model", model, "--what", what, seed(), out};
        if (what != QLatin1String("all") && what != QLatin1String("patches"))
            args.insert(1, QStringLiteral("--force"));
        const Result r = runCli(args);
        QCOMPARE(r.exitCode, 0);
        const QByteArray bytes = readFile(out);
        QCOMPARE(bytes.size(), qsizetype(size));
        QVERIFY(scanSysEx(bytes).problems.empty());
        QCOMPARE(runCli({"check", out}).exitCode, 0);
    }

    void convertCardAndDevice()
    {
        const QString out = m_dir.filePath("card.syx");
        const Result r = runCli({"convert", "--model", "jv2080", "--card", "--device-id", "32", seed(), out});
        QCOMPARE(r.exitCode, 0);
        const QByteArray bytes = readFile(out);
        QCOMPARE(uchar(bytes[2]), uchar(0x1F));
        QCOMPARE(uchar(bytes[5]), uchar(0x20));
        QCOMPARE(uchar(bytes[bytes.size() - 645 + 5]), uchar(0x21));
        const Result info = runCli({"info", out});
        QVERIFY2(info.out.contains("128 records, JV-2080 layout, card memory"), qPrintable(info.out));
    }

    void names()
    {
        const Result r = runCli({"names", bankOf("xp"), "--kind", "performances"});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 32);
        QCOMPARE(lines.first(), QString("1: Init Perform"));
        const Result rhythm = runCli({"names", bankOf("xp"), "--kind", "rhythm"});
        QCOMPARE(rhythm.out, QString("1: Init Rhythm \n2: Init Rhythm \n"));
    }

    void realDumpNames()
    {
        if (!QFile::exists(realDump("kk_JV1080_AGSOUND1.syx")))
            QSKIP("the shared real dumps are not present");
        const Result r = runCli({"names", realDump("kk_JV1080_AGSOUND1.syx")});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 128);
        QCOMPARE(lines[0], QString("1: RedPowerBass"));
        QCOMPARE(lines[2], QString("3: Super W Bass"));
        QCOMPARE(lines[46], QString("47: INIT PATCH  "));
        const Result info = runCli({"info", realDump("kk_JV1080_AGSOUND1.syx")});
        QVERIFY2(info.out.contains("patches: 46 records\n  run at offset 0: 46 records, JV-1080 layout, user memory"),
                 qPrintable(info.out));
        QVERIFY(info.out.contains("messages with a bad checksum: 0"));
    }

    void namesFromTheFilePrintEscaped()
    {
        // A patch name with a terminal sequence, a tab and a line end: one line, four fields.
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        doc.patches().SetName(0, "\x1b[2J\tA\nB\x7f\x1b]0");
        const QString bank = m_dir.filePath("hostile.syx");
        QVERIFY(doc.OnSaveDocument(bank));
        const Result names = runCli({"names", bank});
        QCOMPARE(names.exitCode, 0);
        QCOMPARE(names.out.section('\n', 0, 0), QStringLiteral("1: \\x1b[2J\\tA\\nB\\x7f\\x1b]0"));
        QCOMPARE(names.out.count('\n'), 128);
        const Result show = runCli({"show", bank, "--patch", "1"});
        QCOMPARE(show.exitCode, 0);
        QCOMPARE(show.out.section('\n', 0, 0),
                 QStringLiteral("Common\t-\tName\t\\x1b[2J\\tA\\nB\\x7f\\x1b]0\t\\x1b[2J\\tA\\nB\\x7f\\x1b]0"));
        QVERIFY(!show.out.contains(QChar(0x1b)));
        for (const QString& line : show.out.split('\n', Qt::SkipEmptyParts))
            QCOMPARE(line.count('\t'), 4);
    }

    void aFullStandardOutputFails_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("names") << QStringList{"names", "BANK"};
        QTest::newRow("info") << QStringList{"info", "BANK"};
        QTest::newRow("check") << QStringList{"check", "BANK"};
        QTest::newRow("show") << QStringList{"show", "BANK", "--patch", "1"};
        QTest::newRow("diff") << QStringList{"diff", "BANK", "BANK", "--patch", "1", "--to", "10"};
    }
    void aFullStandardOutputFails()
    {
        QFETCH(QStringList, args);
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full on this system");
        // Patch 10 differs from patch 1, so that diff has something to say.
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        doc.patches().SetName(9, "Different   ");
        const QString bank = m_dir.filePath("full-out.syx");
        QVERIFY(doc.OnSaveDocument(bank));
        args.replaceInStrings(QStringLiteral("BANK"), bank);
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli"), args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("toneloom-cli: standard output cannot be written: disk full\n"));
    }

    void check()
    {
        QByteArray bytes = readFile(bankOf("jv1080"));
        bytes[83 + 10] = char(bytes[83 + 10] ^ 1); // a data byte of the first part: its checksum is off
        bytes.append("\x01\x02");
        const QString bad = m_dir.filePath("bad.syx");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const Result r = runCli({"check", bad});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.startsWith("75: bad checksum"), qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("%1: 2 bytes outside any message").arg(bytes.size() - 2)));
        QVERIFY(r.out.contains("2 problems"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "Usage";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "unknown command frobnicate";
        QTest::newRow("missing file") << QStringList{"names", "/nonexistent.syx"} << "/nonexistent.syx: no such file";
        QTest::newRow("bad kind") << QStringList{"names", "x.syx", "--kind", "drums"} << "--kind must be";
        QTest::newRow("convert without model") << QStringList{"convert", "a", "b"} << "needs --model";
        QTest::newRow("bad model") << QStringList{"convert", "--model", "d50", "a", "b"} << "--model must be";
        QTest::newRow("bad device id") << QStringList{"convert", "--model", "xp", "--device-id", "16", "a", "b"}
                                       << "--device-id must be 17..32";
        QTest::newRow("unknown option") << QStringList{"info", "--verbose", "x"} << "unknown option --verbose";
        QTest::newRow("timeout of 0") << QStringList{"receive", "--in", "x", "--manual", "--timeout", "0", "a.syx"}
                                      << "--timeout takes 1 to 86400 seconds, not 0";
        QTest::newRow("timeout not a number")
            << QStringList{"receive", "--in", "x", "--manual", "--timeout", "soon", "a.syx"}
            << "--timeout takes 1 to 86400 seconds, not soon";
        QTest::newRow("show without patch") << QStringList{"show", "x.syx"} << "show needs --patch N";
        QTest::newRow("show patch 0") << QStringList{"show", "x.syx", "--patch", "0"} << "--patch must be 1..128";
        QTest::newRow("diff one file") << QStringList{"diff", "a.syx", "--patch", "1"} << "diff needs A.syx and B.syx";
        QTest::newRow("diff to 129") << QStringList{"diff", "a", "b", "--patch", "1", "--to", "129"}
                                     << "--patch and --to must be 1..128";
    }
    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Result r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }

    // Receives from the built-in emulator, which answers requests but starts no dump by
    // itself: a manual receive gives up after its first-byte timeout, and the file it
    // was to replace keeps its contents.
    void receiveEndsAndKeepsTheFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("size"); // of the file afterwards
        QTest::newRow("manual, nothing comes") << QStringList{"--manual", "--timeout", "1"} << 1
                                               << "nothing was received within 1 seconds; %1 is unchanged" << 9;
        QTest::newRow("request answered") << QStringList{"--out", "Toneloom Emulator", "--request", "Temporary Patch"}
                                          << 0 << "Received 645 bytes into %1" << 645;
    }
    void receiveEndsAndKeepsTheFile()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(int, size);
        const QString target = m_dir.filePath("received.syx");
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old bank!");
        f.close();
        const Result r = runCli(QStringList{"receive", "--in", "Toneloom Emulator"} + args + QStringList{target});
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2((r.out + r.err).contains(message.arg(target)), qPrintable(r.out + r.err));
        QCOMPARE(readFile(target).size(), size);
        QVERIFY(!QFile::exists(target + ".part"));
    }

    void showPrintsEveryParameter()
    {
        const QString bank = seed();
        const Result r = runCli({"show", bank, "--patch", "4"});
        QCOMPARE(r.exitCode, 0);
        // The same lines as the tables give, with the names beside the tool.
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        QVERIFY(doc.OnOpenDocument(bank));
        const CExpansionNames names(QStringLiteral(TONELOOM_BIN_DIR), reporter);
        QStringList expected;
        for (const listing::Line& l : listing::lines(params::Editor::Patch, doc.patches().record(3), &names))
            expected << listing::format(l);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, expected);
        QVERIFY(lines.size() > 500);
        QCOMPARE(lines.first().section('\t', 0, 2), QStringLiteral("Common\t-\tName"));
        for (const QString& line : lines)
            QCOMPARE(line.count('\t'), 4);
    }

    void showNeedsThePatch()
    {
        if (!QFile::exists(realDump("kk_SuperJVPad.syx")))
            QSKIP("the shared real dumps are not present");
        const Result one = runCli({"show", realDump("kk_SuperJVPad.syx"), "--patch", "1"});
        QCOMPARE(one.exitCode, 0);
        QVERIFY(one.out.startsWith("Common\t-\tName\tSuper JV Pad\tSuper JV Pad\n"));
        const Result two = runCli({"show", realDump("kk_SuperJVPad.syx"), "--patch", "2"});
        QCOMPARE(two.exitCode, 2);
        QVERIFY2(two.err.contains("holds 1 patches, not 2"), qPrintable(two.err));
        QVERIFY(two.out.isEmpty());
    }

    void diffPrintsWhatDiffers()
    {
        const QString a = seed();
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        QVERIFY(doc.OnOpenDocument(a));
        CRecordEdit edit(params::Editor::Patch, doc.patches().record(2), settings);
        const params::Param& cutoff = params::row(u"tone.tvf.cutoff");
        const int old = edit.value(cutoff, 1);
        QVERIFY(edit.change(cutoff, 1, old == 100 ? 101 : 100));
        doc.patches().setRecord(2, edit.image());
        const QString b = m_dir.filePath("changed.syx");
        QVERIFY(doc.OnSaveDocument(b));

        const Result same = runCli({"diff", a, a, "--patch", "3"});
        QCOMPARE(same.exitCode, 0);
        QCOMPARE(same.out, QString());
        const Result differ = runCli({"diff", a, b, "--patch", "3"});
        QCOMPARE(differ.exitCode, 1);
        QCOMPARE(differ.out,
                 QStringLiteral("TVF\n  Cutoff Frequency (Tone 2): %1 -> %2\n").arg(old).arg(old == 100 ? 101 : 100));
        const Result back = runCli({"diff", b, a, "--patch", "3"});
        QCOMPARE(back.out,
                 QStringLiteral("TVF\n  Cutoff Frequency (Tone 2): %2 -> %1\n").arg(old).arg(old == 100 ? 101 : 100));
        // Two patches of the same file (slots 60 and 61 hold the same patch).
        const Result twin = runCli({"diff", a, a, "--patch", "60", "--to", "61"});
        QCOMPARE(twin.exitCode, 0);
        const Result against = runCli({"diff", b, b, "--patch", "3", "--to", "61"});
        QCOMPARE(against.exitCode, 1);
    }

    // A bank in the JV-1080 layout whose tenth patch has a foreign model byte, as one
    // wrong byte in a real dump: reading stops there.
    QString damagedBank()
    {
        const QString path = m_dir.filePath("damaged.syx");
        if (!QFile::exists(path)) {
            const QString clean = m_dir.filePath("clean-patches.syx");
            runCli({"convert", "--model", "jv1080", "--what", "patches", seed(), clean});
            QByteArray bytes = readFile(clean);
            bytes[kPatch10 + 3] = 0x6B;
            writeFile(path, bytes);
        }
        return path;
    }

    void damagedBankIsReported()
    {
        const QString bank = damagedBank();
        const QString stop =
            QStringLiteral("reading stopped at offset %1; %2 bytes were not read").arg(kPatch10).arg(82304 - kPatch10);
        const Result info = runCli({"info", bank});
        QCOMPARE(info.exitCode, 0);
        QVERIFY2(info.out.contains("patches: 9 records\n"), qPrintable(info.out));
        QVERIFY2(info.out.contains(stop + "\n"), qPrintable(info.out));

        const Result check = runCli({"check", bank});
        QCOMPARE(check.exitCode, 1);
        QVERIFY2(check.out.contains(QStringLiteral("%1: not a JV/XP message (83 bytes)\n%1: reading stops here; %2 "
                                                   "bytes are not read\n")
                                        .arg(kPatch10)
                                        .arg(82304 - kPatch10)),
                 qPrintable(check.out));
        QVERIFY2(check.out.endsWith(" messages, 2 problems\n"), qPrintable(check.out));

        const Result names = runCli({"names", bank});
        QCOMPARE(names.exitCode, 0);
        QVERIFY2(names.err.contains(stop), qPrintable(names.err));
    }

    void damagedBankIsRefusedWithoutForce_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("forced");
        QTest::newRow("convert") << QStringList{"convert", "--model", "xp"} << "--force converts what was read";
        QTest::newRow("send") << QStringList{"send", "--out", "NoSuchPort"} << "--force sends what was read";
    }
    void damagedBankIsRefusedWithoutForce()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, forced);
        const QString out = m_dir.filePath(QStringLiteral("from-damaged-%1.syx").arg(QTest::currentDataTag()));
        QStringList line = args << damagedBank();
        if (args.first() == "convert")
            line << out;
        const Result r = runCli(line);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, QStringLiteral("toneloom-cli: %1: reading stopped at offset %2; %3 bytes were not read (%4)\n")
                            .arg(damagedBank())
                            .arg(kPatch10)
                            .arg(82304 - kPatch10)
                            .arg(forced));
        QVERIFY(!QFile::exists(out));
        if (args.first() != "convert")
            return;
        // Told to, it converts what was read: the rest are default patches.
        QCOMPARE(runCli(line << "--force").exitCode, 0);
        const QStringList names = runCli({"names", out}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(names.size(), 128);
        QCOMPARE(names[9], QStringLiteral("10: INIT PATCH  "));
        const QStringList read = runCli({"names", damagedBank()}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(names.mid(0, 9), read.mid(0, 9));
    }

    void sendRefusesWhatHoldsNoRecord_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        const QString none = QStringLiteral("holds no patch, performance or rhythm set");
        QTest::newRow("text") << QByteArray("[SETUP]\r\nDEVICEID=16\r\n").repeated(20) << QStringList{} << none;
        QTest::newRow("zeros") << QByteArray(4096, '\0') << QStringList{} << none;
        QTest::newRow("another synth") << QByteArray::fromHex("F0430000010203040506070809F7").repeated(50)
                                       << QStringList{} << none;
        QTest::newRow("no rhythm sets in it")
            << QByteArray() << QStringList{"--what", "rhythm"} << QStringLiteral("holds no rhythm sets");
    }
    void sendRefusesWhatHoldsNoRecord()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        QString path = m_dir.filePath(QStringLiteral("send-%1.syx").arg(QTest::currentDataTag()));
        if (bytes.isEmpty()) {
            damagedBank();
            path = m_dir.filePath("clean-patches.syx"); // patches only
        } else
            QVERIFY(writeFile(path, bytes));
        // The port is never looked at: the file is judged first.
        const Result r = runCli(QStringList{"send", "--out", "NoSuchPort"} + options + QStringList{path});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, QStringLiteral("toneloom-cli: %1 %2\n").arg(path, message));
    }

    // Only what the file holds is sent; a record the file holds only in part is not sent
    // without --force, which sends the whole of what was chosen.
    void sendTakesWhatTheFileHolds_data()
    {
        QTest::addColumn<int>("cutAt"); // bytes of a file of JV-2080 patches
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected"); // in what it prints, with FILE for the file's name
        QTest::newRow("one patch") << 645 << QByteArray() << QStringList{} << 0
                                   << "Not in FILE, so not sent: patches 2 to 128, performances 1 to 32, rhythm sets "
                                      "1 and 2 (--force sends them too)\nSent 645 bytes of FILE\n";
        QTest::newRow("one patch, forced")
            << 645 << QByteArray() << QStringList{"--force"} << 0 << "Sent 112910 bytes of FILE\n";
        QTest::newRow("three patches as patches")
            << 3 * 645 << QByteArray() << QStringList{"--what", "patches"} << 0
            << "Not in FILE, so not sent: patches 4 to 128 (--force sends them too)\nSent 1935 bytes of FILE\n";
        QTest::newRow("cut inside patch 3")
            << 2 * 645 + 300 << QByteArray() << QStringList{} << 2
            << "toneloom-cli: FILE: nothing was sent, patch 3 damaged. The file ends inside patch 3 (after 300 bytes "
               "of it). Patches 4 to 128 were not in the file. (--force sends what was read)\n";
        QTest::newRow("a patch name alone")
            << 0 << sysex::makeDataSet(0x10, sysex::patchAddress(sysex::MemoryArea::Temporary, 0), "Astral Chill")
            << QStringList{} << 2
            << "toneloom-cli: FILE: nothing was sent, patch 1 damaged. Patch 1 is partial: its message at byte 0 "
               "holds 12 of the 74 data bytes of its block. (--force sends what was read)\n";
    }
    void sendTakesWhatTheFileHolds()
    {
        QFETCH(int, cutAt);
        QFETCH(QByteArray, tail);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        const QString all = m_dir.filePath("patches-2080.syx");
        if (!QFile::exists(all))
            QCOMPARE(runCli({"convert", "--model", "jv2080", "--what", "patches", seed(), all}).exitCode, 0);
        const QString path = m_dir.filePath(
            QStringLiteral("send-%1.syx").arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-')));
        QVERIFY(writeFile(path, readFile(all).left(cutAt) + tail));
        const Result r = runCli(QStringList{"send", "--out", "Toneloom Emulator", "--rate", "0", "--pause", "0"}
                                + options + QStringList{path});
        QCOMPARE(r.exitCode, exitCode);
        // Every line expected is printed (on stdout, or stderr when refused).
        const QString text = exitCode == 0 ? r.out : r.err;
        for (const QString& want :
             QString(expected).replace(QStringLiteral("FILE"), path).split('\n', Qt::SkipEmptyParts))
            QVERIFY2(text.contains(want + '\n'), qPrintable(text));
    }

    // Converting a kind that the file does not hold is refused: it would be defaults only.
    void convertRefusesAKindNotHeld()
    {
        damagedBank();
        const QString patchesOnly = m_dir.filePath("clean-patches.syx");
        const QString out = m_dir.filePath("rhythm.syx");
        Result r = runCli({"convert", "--model", "xp", "--what", "rhythm", patchesOnly, out});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, QStringLiteral("toneloom-cli: %1 holds no rhythm sets; nothing was converted (--force "
                                       "writes the defaults)\n")
                            .arg(patchesOnly));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(runCli({"convert", "--model", "xp", "--what", "patches", patchesOnly, out}).exitCode, 0);
        QCOMPARE(runCli({"convert", "--model", "xp", "--what", "rhythm", "--force", patchesOnly, out}).exitCode, 0);
        QCOMPARE(QFileInfo(out).size(), 2 * 4439);
    }

    // info counts a record of which a part is missing as partial.
    void infoCountsPartialRecords()
    {
        const QString path = m_dir.filePath("name.syx");
        QVERIFY(writeFile(
            path, sysex::makeDataSet(0x10, sysex::patchAddress(sysex::MemoryArea::Temporary, 0), "Astral Chill")));
        const Result r = runCli({"info", path});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("patches: 1 records, 1 partial\n"), qPrintable(r.out));
    }

    void onlyRegularFiles_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("input");
        const QString fifo = m_dir.filePath("fifo.syx");
        const QString folder = m_dir.filePath("folder.syx");
        QTest::newRow("names of a FIFO") << QStringList{"names", fifo} << fifo;
        QTest::newRow("info of a FIFO") << QStringList{"info", fifo} << fifo;
        QTest::newRow("check of a FIFO") << QStringList{"check", fifo} << fifo;
        QTest::newRow("check of a device") << QStringList{"check", "/dev/zero"} << "/dev/zero";
        QTest::newRow("check of a folder") << QStringList{"check", folder} << folder;
        QTest::newRow("convert a FIFO") << QStringList{"convert", "--model", "xp", fifo, m_dir.filePath("x.syx")}
                                        << fifo;
        QTest::newRow("send a device") << QStringList{"send", "--out", "NoSuchPort", "/dev/zero"} << "/dev/zero";
        QTest::newRow("receive into a FIFO") << QStringList{"receive", "--in", "NoSuchPort", "--manual", fifo} << fifo;
    }
    void onlyRegularFiles()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, input);
        const QString fifo = m_dir.filePath("fifo.syx");
        if (!QFile::exists(fifo))
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QDir().mkpath(m_dir.filePath("folder.syx"));
        const Result r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, QStringLiteral("toneloom-cli: %1: not a regular file\n").arg(input));
        QVERIFY(r.out.isEmpty());
    }

    void failedWritesNameTheCause_data()
    {
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("cause");
        QTest::newRow("folder") << "out-folder" << QString() << "it is a folder, not a file";
        QTest::newRow("missing folder") << "no/such/out.syx" << QString() << "no such file or folder";
        QTest::newRow("device") << "/dev/full" << QString() << "it is a device, not a regular file";
        QTest::newRow("file size limit") << "limited.syx"
                                         << "-f 16"
                                         << "file too large";
    }
    void failedWritesNameTheCause()
    {
        QFETCH(QString, out);
        QFETCH(QString, limit);
        QFETCH(QString, cause);
        const QString path = out.startsWith('/') ? out : m_dir.filePath(out);
        if (out == "out-folder")
            QDir().mkpath(path);
        if (out == "limited.syx")
            QVERIFY(writeFile(path, "the old file"));
        const Result r = runCli({"convert", "--model", "jv2080", seed(), path}, limit);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, QStringLiteral("toneloom-cli: %1: cannot be written: %2\n").arg(path, cause));
        if (out == "limited.syx")
            QCOMPARE(readFile(path), QByteArray("the old file"));
    }

    void runsOfGarbageAreOneProblem()
    {
        // A long file of F0 bytes: one problem, and the report never grows with it.
        const QString path = m_dir.filePath("f0.syx");
        QVERIFY(writeFile(path, QByteArray(8 * 1024 * 1024, char(0xF0))));
        const Result check = runCli({"check", path});
        QCOMPARE(check.exitCode, 1);
        QCOMPARE(check.out, QStringLiteral("0: 8388608 bytes outside any message\n0 messages, 1 problems\n"));
        const Result info = runCli({"info", path});
        QCOMPARE(info.exitCode, 0);
        QVERIFY2(info.out.contains("8388608 bytes, 0 messages\n"), qPrintable(info.out));
        QVERIFY2(info.out.contains("messages with a bad checksum: 0\n"), qPrintable(info.out));
    }

    void strayRestIsNoReasonToRefuse()
    {
        // Bytes after the last record that hold no message are reported by check, but
        // nothing of the bank is lost: convert goes ahead without --force.
        QByteArray bytes = readFile(bankOf("xp"));
        bytes.append("\r\n\x1A");
        const QString path = m_dir.filePath("stray-rest.syx");
        QVERIFY(writeFile(path, bytes));
        const QString out = m_dir.filePath("stray-rest-out.syx");
        const Result r = runCli({"convert", "--model", "xp", path, out});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readFile(out), readFile(bankOf("xp")));
        const Result info = runCli({"info", path});
        QVERIFY2(!info.out.contains("reading stopped"), qPrintable(info.out));
    }

    void showAndDiffSets_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("difference");
        QTest::addColumn<QString>("lastColumn"); // of the listing's last line
        QTest::newRow("performance part")
            << "--performance" << 2 << "part.level" << 3 << 100 << "Part 4\n  Level Part (Part 4): 127 -> 100\n"
            << "-";
        QTest::newRow("performance common")
            << "--performance" << 32 << "perf.reverb.level" << 0 << 3 << "Chorus/Reverb\n  Reverb Level: 127 -> 3\n"
            << "-";
        QTest::newRow("rhythm key C#2") << "--rhythm" << 2 << "note.tvf.cutoff" << 2 << 100
                                        << "TVF\n  Cutoff Frequency (C#2): 127 -> 100\n"
                                        << "D7";
        QTest::newRow("rhythm key B1") << "--rhythm" << 1 << "note.switch" << 0 << 0
                                       << "Wave\n  Tone Switch (B1): ON -> OFF\n"
                                       << "D7";
    }

    // A part playing the bank's own patch or rhythm set shows its number and name, as
    // the part page does.
    void showNamesTheUserGroupsItems()
    {
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        doc.patches().SetName(96, "Ninety Seven");
        doc.rhythmSets().SetName(0, "My Drums    ");
        CPartReferences::setPatch(doc.performances(), 1, 0, 0, 1, 96);
        CPartReferences::setPatch(doc.performances(), 1, 9, 0, 1, 0);
        const QString path = m_dir.filePath("user-parts.syx");
        QVERIFY(doc.OnSaveDocument(path));
        const Result shown = runCli({"show", path, "--performance", "2"});
        QCOMPARE(shown.exitCode, 0);
        const QStringList lines = shown.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(!lines.filter(QRegularExpression("^Part 1\tPart 1\t[^\t]*\t97: Ninety Seven\t96$")).isEmpty(),
                 qPrintable(shown.out));
        QVERIFY2(!lines.filter(QRegularExpression("^Part 10\tPart 10\t[^\t]*\t1: My Drums *\t0$")).isEmpty(),
                 qPrintable(shown.out));
    }

    void showAndDiffSets()
    {
        QFETCH(QString, option);
        QFETCH(int, number);
        QFETCH(QString, id);
        QFETCH(int, column);
        QFETCH(int, value);
        const ItemKind kind = option == "--rhythm" ? ItemKind::RhythmSets : ItemKind::Performances;
        const params::Editor editor = option == "--rhythm" ? params::Editor::Rhythm : params::Editor::Performance;
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        const QString a = m_dir.filePath("sets-a.syx");
        QVERIFY(doc.OnSaveDocument(a));
        const QByteArray before = doc.array(kind).record(number - 1);
        CRecordEdit edit(editor, before, settings);
        QVERIFY(edit.change(params::row(id), column, value));
        doc.array(kind).setRecord(number - 1, edit.image());
        const QString b = m_dir.filePath("sets-b.syx");
        QVERIFY(doc.OnSaveDocument(b));

        // show: the listing of the tables, one line per parameter and column.
        const Result shown = runCli({"show", b, option, QString::number(number)});
        QCOMPARE(shown.exitCode, 0);
        const CExpansionNames names(QStringLiteral(TONELOOM_BIN_DIR), reporter);
        QStringList expected;
        QStringList userPatches;
        QStringList userRhythms;
        for (int i = 0; i < doc.patches().GetCount(); ++i)
            userPatches << doc.patches().name(i);
        for (int i = 0; i < doc.rhythmSets().GetCount(); ++i)
            userRhythms << doc.rhythmSets().name(i);
        for (const listing::Line& l : listing::lines(editor, edit.image(), &names, userPatches, userRhythms))
            expected << listing::format(l);
        const QStringList lines = shown.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, expected);
        QTEST(lines.last().section('\t', 1, 1), "lastColumn");
        if (kind == ItemKind::Performances)
            QVERIFY(shown.out.contains("Part 16\tPart 16\tReceive Switch\t"));
        else
            QVERIFY(lines.first().startsWith("Rhythm\t-\tName\t"));

        const Result same = runCli({"diff", a, a, option, QString::number(number)});
        QCOMPARE(same.exitCode, 0);
        QCOMPARE(same.out, QString());
        const Result differ = runCli({"diff", a, b, option, QString::number(number)});
        QCOMPARE(differ.exitCode, 1);
        QTEST(differ.out, "difference");
    }

    void setOptionsAreChecked_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("performance 33") << QStringList{"show", "x.syx", "--performance", "33"}
                                        << "--performance must be 1..32";
        QTest::newRow("rhythm 3") << QStringList{"show", "x.syx", "--rhythm", "3"} << "--rhythm must be 1..2";
        QTest::newRow("two kinds") << QStringList{"show", "x.syx", "--rhythm", "1", "--patch", "1"}
                                   << "show takes one of --patch, --performance and --rhythm";
        QTest::newRow("diff rhythm --to 0")
            << QStringList{"diff", "a.syx", "b.syx", "--rhythm", "1", "--to", "0"} << "--rhythm and --to must be 1..2";
    }

    void setOptionsAreChecked()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Result r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void showSaysWhatTheFileLacks()
    {
        if (!QFile::exists(realDump("kk_SuperJVPad.syx")))
            QSKIP("the shared real dumps are not present");
        const Result r = runCli({"show", realDump("kk_SuperJVPad.syx"), "--performance", "1"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("holds 0 performances, not 1"), qPrintable(r.err));
    }

    void convertWritesNothingOnBadInput()
    {
        const QString tiny = m_dir.filePath("tiny.syx");
        QFile f(tiny);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xF0\x41");
        f.close();
        const QString junk = m_dir.filePath("junk.syx");
        QFile j(junk);
        QVERIFY(j.open(QIODevice::WriteOnly));
        j.write(QByteArray(500, 'z'));
        j.close();
        for (const QString& in : {tiny, junk}) {
            const QString out = m_dir.filePath("never.syx");
            const Result r = runCli({"convert", "--model", "xp", in, out});
            QCOMPARE(r.exitCode, 2);
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY(!QFile::exists(out));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
