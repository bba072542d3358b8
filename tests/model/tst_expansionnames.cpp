#include "model/ExpansionNames.h"
#include "model/Reporter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kOpenError = QStringLiteral("Error opening file board-file.");

QString dataDir()
{
    return QStringLiteral(TONELOOM_SOURCE_DIR "/data");
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList split(const char* names)
{
    const QString s = QString::fromUtf8(names);
    return s.isEmpty() ? QStringList() : s.split(QLatin1Char('|'));
}

} // namespace

class TestExpansionNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void missingFilesGetPlaceholders();
    void readsFilesOfFolder();
    void unreadableFile_data();
    void unreadableFile();
    void outOfRangeLookups_data();
    void outOfRangeLookups();
    void readsOnceOnFirstLookup();
    void shippedTitles();
    void shippedPresetLists_data();
    void shippedPresetLists();
    void shippedBoardLists_data();
    void shippedBoardLists();
    void shippedFilesAreComplete();
    void shippedFilesBesideExecutables();

private:
    // The names shipped in data/, read once for all tests that look at them.
    CCollectingReporter m_shippedReporter;
    std::unique_ptr<CExpansionNames> m_shipped;
};

void TestExpansionNames::initTestCase()
{
    m_shipped = std::make_unique<CExpansionNames>(dataDir(), m_shippedReporter);
    m_shipped->load();
    QVERIFY2(m_shippedReporter.messages().empty(), qPrintable(m_shippedReporter.texts().join('\n')));
}

void TestExpansionNames::parse_data()
{
    static const char kWithNul[] = "T\0x\r\n[WAVE]\r\nW\r\n[/WAVE]\r\n";
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("waves");
    QTest::addColumn<QStringList>("patches");
    QTest::addColumn<QStringList>("rhythm");

    QTest::newRow("complete") << QByteArray("Board\r\n[WAVE]\r\nW1\r\nW2\r\n[/WAVE]\r\n[PATCH]\r\nP1\r\n[/PATCH]\r\n"
                                            "[RHYTHM]\r\nR1\r\nR2\r\nR3\r\n[/RHYTHM]\r\n")
                              << "Board" << split("W1|W2") << split("P1") << split("R1|R2|R3");
    QTest::newRow("empty sections") << QByteArray(
        "T\r\n[WAVE]\r\n[/WAVE]\r\n[PATCH]\r\n[/PATCH]\r\n[RHYTHM]\r\nR\r\n[/RHYTHM]\r\n")
                                    << "T" << QStringList() << QStringList() << split("R");
    QTest::newRow("empty file") << QByteArray() << "" << QStringList() << QStringList() << QStringList();
    QTest::newRow("title without line end")
        << QByteArray("Only a title") << "Only a title" << QStringList() << QStringList() << QStringList();
    QTest::newRow("line feeds only are one line")
        << QByteArray("T\n[WAVE]\nW1\n[/WAVE]\n") << "T\n[WAVE]\nW1\n[/WAVE]\n"
        << QStringList() << QStringList() << QStringList();
    QTest::newRow("tags in any case") << QByteArray(
        "T\r\n[wave]\r\nW\r\n[/Wave]\r\n[patch]\r\nP\r\n[/pAtCh]\r\n[rhythm]\r\n[/rhythm]")
                                      << "T" << split("W") << split("P") << QStringList();
    QTest::newRow("patch section without wave section")
        << QByteArray("T\r\n[PATCH]\r\nP1\r\n[/PATCH]\r\n[RHYTHM]\r\nR\r\n[/RHYTHM]\r\n") << "T" << QStringList()
        << QStringList() << QStringList();
    QTest::newRow("sections out of order keep what came before")
        << QByteArray("T\r\n[WAVE]\r\nW\r\n[/WAVE]\r\n[RHYTHM]\r\nR\r\n[/RHYTHM]\r\n[PATCH]\r\nP\r\n[/PATCH]\r\n")
        << "T" << split("W") << QStringList() << QStringList();
    QTest::newRow("last section open to the end")
        << QByteArray("T\r\n[WAVE]\r\n[/WAVE]\r\n[PATCH]\r\n[/PATCH]\r\n[RHYTHM]\r\nR1\r\nR2\r\n") << "T"
        << QStringList() << QStringList() << split("R1|R2");
    QTest::newRow("open section, last line without line end")
        << QByteArray("T\r\n[WAVE]\r\nW1\r\nW2") << "T" << split("W1|W2") << QStringList() << QStringList();
    QTest::newRow("unclosed section swallows later tags")
        << QByteArray("T\r\n[WAVE]\r\nW\r\n[PATCH]\r\nP\r\n[/PATCH]\r\n") << "T" << split("W|[PATCH]|P|[/PATCH]")
        << QStringList() << QStringList();
    QTest::newRow("opening tag at the end")
        << QByteArray("T\r\n[WAVE]\r\n") << "T" << QStringList() << QStringList() << QStringList();
    QTest::newRow("blank lines are names") << QByteArray("T\r\n[WAVE]\r\n\r\nW\r\n\r\n[/WAVE]\r\n") << "T"
                                           << QStringList{"", "W", ""} << QStringList() << QStringList();
    QTest::newRow("tag with a blank is a name")
        << QByteArray("T\r\n[WAVE]\r\nW\r\n[/WAVE] \r\n[/WAVE]\r\n[PATCH] \r\nP\r\n[/PATCH]\r\n") << "T"
        << split("W|[/WAVE] ") << QStringList() << QStringList();
    QTest::newRow("lone CR and LF stay inside names") << QByteArray("T\r\n[WAVE]\r\nA\rB\r\nC\nD\r\n[/WAVE]\r\n") << "T"
                                                      << QStringList{"A\rB", "C\nD"} << QStringList() << QStringList();
    QTest::newRow("text after the last section is ignored")
        << QByteArray("T\r\n[WAVE]\r\n[/WAVE]\r\n[PATCH]\r\n[/PATCH]\r\n[RHYTHM]\r\n[/RHYTHM]\r\nextra\r\n[WAVE]\r\n")
        << "T" << QStringList() << QStringList() << QStringList();
    QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9\r\n[WAVE]\r\n\xc3\x84h\r\n[/WAVE]\r\n")
                           << QString::fromUtf8("Caf\xc3\xa9") << QStringList{QString::fromUtf8("\xc3\x84h")}
                           << QStringList() << QStringList();
    QTest::newRow("Latin-1") << QByteArray("Caf\xe9\r\n[WAVE]\r\n\xc4h\r\n[/WAVE]\r\n")
                             << QString::fromUtf8("Caf\xc3\xa9") << QStringList{QString::fromUtf8("\xc3\x84h")}
                             << QStringList() << QStringList();
    QTest::newRow("NUL bytes are kept") << QByteArray::fromRawData(kWithNul, sizeof kWithNul - 1)
                                        << QString::fromLatin1("T\0x", 3) << split("W") << QStringList()
                                        << QStringList();
}

void TestExpansionNames::parse()
{
    QFETCH(QByteArray, bytes);
    const NameFileContents contents = CExpansionNames::parse(bytes);
    QTEST(contents.title, "title");
    QTEST(contents.section(NameSection::Waves), "waves");
    QTEST(contents.section(NameSection::Patches), "patches");
    QTEST(contents.section(NameSection::RhythmSets), "rhythm");
}

void TestExpansionNames::missingFilesGetPlaceholders()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CCollectingReporter reporter;
    CExpansionNames names(dir.path(), reporter);

    QCOMPARE(names.GetFileCount(NameFileKind::Preset), 8);
    QCOMPARE(names.GetFileCount(NameFileKind::Board), 127);
    for (int n = 1; n <= 8; ++n)
        QCOMPARE(names.GetTitle(NameFileKind::Preset, n), QStringLiteral("<%1>").arg(n));
    for (int n = 1; n <= 127; ++n) {
        QCOMPARE(names.GetTitle(NameFileKind::Board, n), QStringLiteral("<%1>").arg(n));
        QCOMPARE(names.GetNameCount(n, NameSection::Patches, NameFileKind::Board), 0);
    }
    QCOMPARE(names.GetTitle(NameFileKind::Board, 127), QStringLiteral("<127>"));
    QCOMPARE(names.GetTitle(NameFileKind::Board, 20), QStringLiteral("<20>"));
    QVERIFY(reporter.messages().empty());
}

void TestExpansionNames::readsFilesOfFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("3.pre"), "PR-A\r\n[WAVE]\r\nAc Piano1 A\r\n[/WAVE]\r\n[PATCH]\r\n"
                                             "64voicePiano\r\nBright Piano\r\n[/PATCH]\r\n[RHYTHM]\r\n[/RHYTHM]\r\n"));
    QVERIFY(writeFile(dir.filePath("2.boa"), "Orchestral\r\n[WAVE]\r\n[/WAVE]\r\n[PATCH]\r\n[/PATCH]\r\n"
                                             "[RHYTHM]\r\nOrch Set\r\n[/RHYTHM]\r\n"));
    // Same number, other kind: must not be taken for the preset file.
    QVERIFY(writeFile(dir.filePath("2.pre"), "CARD\r\n"));
    CCollectingReporter reporter;
    const CExpansionNames names(dir.path(), reporter);

    QCOMPARE(names.GetTitle(NameFileKind::Preset, 3), QStringLiteral("PR-A"));
    QCOMPARE(names.GetTitle(NameFileKind::Preset, 2), QStringLiteral("CARD"));
    QCOMPARE(names.GetTitle(NameFileKind::Preset, 4), QStringLiteral("<4>"));
    QCOMPARE(names.GetNameCount(3, NameSection::Patches, NameFileKind::Preset), 2);
    QCOMPARE(names.GetName(3, NameSection::Patches, 1, NameFileKind::Preset), QStringLiteral("Bright Piano"));
    QCOMPARE(names.GetName(3, NameSection::Waves, 0, NameFileKind::Preset), QStringLiteral("Ac Piano1 A"));
    QCOMPARE(names.GetNameCount(3, NameSection::Patches, NameFileKind::Board), 0);

    QCOMPARE(names.GetTitle(NameFileKind::Board, 1), QStringLiteral("<1>"));
    QCOMPARE(names.GetTitle(NameFileKind::Board, 2), QStringLiteral("Orchestral"));
    QCOMPARE(names.GetTitle(NameFileKind::Board, 3), QStringLiteral("<3>"));
    QCOMPARE(names.GetNameCount(2, NameSection::RhythmSets, NameFileKind::Board), 1);
    QCOMPARE(names.GetName(2, NameSection::RhythmSets, 0, NameFileKind::Board), QStringLiteral("Orch Set"));
    QCOMPARE(names.GetNameCount(2, NameSection::RhythmSets, NameFileKind::Preset), 0);
    QVERIFY(reporter.messages().empty());
}

void TestExpansionNames::unreadableFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("largest accepted size") << "limit" << true;
    QTest::newRow("one byte too large") << "too large" << false;
    QTest::newRow("directory") << "directory" << false;
#ifdef Q_OS_UNIX
    QTest::newRow("device without end") << "device" << false;
    QTest::newRow("dangling link counts as missing") << "dangling" << true;
#endif
}

void TestExpansionNames::unreadableFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, accepted);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bad = dir.filePath("5.boa");
    const QByteArray head("Big\r\n[WAVE]\r\nW\r\n[/WAVE]\r\n");
    if (kind == "limit" || kind == "too large") {
        QByteArray bytes = head;
        const qsizetype size = CExpansionNames::kMaxFileSize + (kind == "limit" ? 0 : 1);
        bytes.append(size - head.size(), 'x');
        QVERIFY(writeFile(bad, bytes));
    } else if (kind == "directory") {
        QVERIFY(QDir(dir.path()).mkdir("5.boa"));
    } else if (kind == "device") {
        QVERIFY(QFile::link("/dev/zero", bad));
    } else if (kind == "dangling") {
        QVERIFY(QFile::link(dir.filePath("nowhere"), bad));
    }
    // A good file after the bad one is still read.
    QVERIFY(writeFile(dir.filePath("6.boa"), "Six\r\n"));

    CCollectingReporter reporter;
    const CExpansionNames names(dir.path(), reporter);
    QCOMPARE(names.GetTitle(NameFileKind::Board, 6), QStringLiteral("Six"));
    if (kind == "limit") {
        QCOMPARE(names.GetTitle(NameFileKind::Board, 5), QStringLiteral("Big"));
        QCOMPARE(names.GetNameCount(5, NameSection::Waves, NameFileKind::Board), 1);
    } else {
        QCOMPARE(names.GetTitle(NameFileKind::Board, 5), QStringLiteral("<5>"));
        QCOMPARE(names.GetNameCount(5, NameSection::Waves, NameFileKind::Board), 0);
    }
    if (accepted) {
        QVERIFY(reporter.messages().empty());
    } else {
        QCOMPARE(reporter.texts(), QStringList{kOpenError});
        QCOMPARE(reporter.messages().front().first, MessageIcon::Exclamation);
    }
}

void TestExpansionNames::outOfRangeLookups_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("fileNumber");
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("index");

    QTest::newRow("file 0") << 0 << 0 << 0 << 0;
    QTest::newRow("negative file") << 1 << -1 << 0 << 0;
    QTest::newRow("preset file 9") << 0 << 9 << 0 << 0;
    QTest::newRow("board file 128") << 1 << 128 << 0 << 0;
    QTest::newRow("unknown kind") << 2 << 1 << 0 << 0;
    QTest::newRow("negative kind") << -1 << 1 << 0 << 0;
    QTest::newRow("unknown section") << 0 << 3 << 3 << 0;
    QTest::newRow("negative section") << 0 << 3 << -1 << 0;
    QTest::newRow("negative index") << 0 << 3 << 0 << -1;
    QTest::newRow("index past the end") << 0 << 3 << 0 << 1;
}

void TestExpansionNames::outOfRangeLookups()
{
    QFETCH(int, mode);
    QFETCH(int, fileNumber);
    QFETCH(int, section);
    QFETCH(int, index);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("3.pre"), "T\r\n[WAVE]\r\nW\r\n[/WAVE]\r\n"));
    CCollectingReporter reporter;
    const CExpansionNames names(dir.path(), reporter);
    const auto kind = static_cast<NameFileKind>(mode);
    const auto sect = static_cast<NameSection>(section);

    QCOMPARE(names.GetName(fileNumber, sect, index, kind), QString());
    if (index == 0) {
        QCOMPARE(names.GetNameCount(fileNumber, sect, kind), 0);
        if (section == 0)
            QCOMPARE(names.GetTitle(kind, fileNumber), QString());
    }
    if (mode != 0 && mode != 1)
        QCOMPARE(names.GetFileCount(kind), 0);
}

void TestExpansionNames::readsOnceOnFirstLookup()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CCollectingReporter reporter;
    CExpansionNames names(dir.path(), reporter);
    QVERIFY(!names.isLoaded());

    // Written after construction, before the first look-up: seen.
    QVERIFY(writeFile(dir.filePath("1.boa"), "First\r\n"));
    QCOMPARE(names.GetTitle(NameFileKind::Board, 1), QStringLiteral("First"));
    QVERIFY(names.isLoaded());

    // Changed after the first look-up: not seen until the next start.
    QVERIFY(writeFile(dir.filePath("1.boa"), "Second\r\n"));
    QVERIFY(writeFile(dir.filePath("2.boa"), "New\r\n"));
    names.load();
    QCOMPARE(names.GetTitle(NameFileKind::Board, 1), QStringLiteral("First"));
    QCOMPARE(names.GetTitle(NameFileKind::Board, 2), QStringLiteral("<2>"));
}

void TestExpansionNames::shippedTitles()
{
    const CExpansionNames& names = *m_shipped;

    QStringList presets;
    for (int n = 1; n <= names.GetFileCount(NameFileKind::Preset); ++n)
        presets << names.GetTitle(NameFileKind::Preset, n);
    QCOMPARE(presets, QStringList({"USER", "CARD", "PR-A", "PR-B", "PR-C", "PR-D", "PR-E", "GM"}));

    const QMap<int, QString> known{
        {1, "SR-JV80-01 Pop"},
        {2, "SR-JV80-02 Orchestral"},
        {3, "SR-JV80-03 Piano"},
        {4, "SR-JV80-04 Vintage Synth"},
        {5, "SR-JV80-05 World"},
        {6, "SR-JV80-06 Dance"},
        {7, "SR-JV80-07 Super Sound Set"},
        {8, "SR-JV80-08 Keyboards of the 60s and 70s"},
        {9, "SR-JV80-09 Session"},
        {10, "SR-JV80-10 Bass & Drums"},
        {11, "SR-JV80-11 Techno"},
        {12, "SR-JV80-12 Hip Hop"},
        {13, "SR-JV80-13 Vocal"},
        {14, "SR-JV80-14 Asia"},
        {15, "SR-JV80-15 Special FX"},
        {16, "SR-JV80-16 Orchestral II"},
        {17, "SR-JV80-17 Country"},
        {18, "SR-JV80-18 Latin"},
        {19, "SR-JV80-19 House"},
        {97, "SR-JV80-97 Experience III"},
        {98, "SR-JV80-98 Experience II"},
        {99, "SR-JV80-99 Experience"},
    };
    QCOMPARE(names.GetFileCount(NameFileKind::Board), 127);
    for (int n = 1; n <= 127; ++n)
        QCOMPARE(names.GetTitle(NameFileKind::Board, n), known.value(n, QStringLiteral("<%1>").arg(n)));
}

void TestExpansionNames::shippedPresetLists_data()
{
    QTest::addColumn<int>("file");
    QTest::addColumn<int>("waves");
    QTest::addColumn<int>("patches");
    QTest::addColumn<QStringList>("rhythm");

    QTest::newRow("USER") << 1 << 0 << 0 << QStringList();
    QTest::newRow("CARD") << 2 << 0 << 0 << QStringList();
    QTest::newRow("PR-A") << 3 << 255 << 128 << QStringList{"PopDrumSet 1", "PopDrumSet 2"};
    QTest::newRow("PR-B") << 4 << 193 << 128 << QStringList{"PowerDrumSet", "RaveDrumSet"};
    QTest::newRow("PR-C") << 5 << 0 << 128 << QStringList{"JazzDrumSet2", "OrchDrumSet"};
    QTest::newRow("PR-D") << 6 << 0 << 128 << QStringList{"GM Drum Set", "BrushDrumSet"};
    QTest::newRow("PR-E") << 7 << 0 << 128 << QStringList{"PowerDrmSet2", "PowerRaveSet"};
    QTest::newRow("GM") << 8 << 0 << 128 << QStringList{"GM Drum Set", "BrushDrumSet"};
}

void TestExpansionNames::shippedPresetLists()
{
    QFETCH(int, file);
    QFETCH(QStringList, rhythm);
    const CExpansionNames& names = *m_shipped;
    const auto kind = NameFileKind::Preset;

    QTEST(names.GetNameCount(file, NameSection::Waves, kind), "waves");
    QTEST(names.GetNameCount(file, NameSection::Patches, kind), "patches");
    QStringList sets;
    for (int i = 0; i < names.GetNameCount(file, NameSection::RhythmSets, kind); ++i)
        sets << names.GetName(file, NameSection::RhythmSets, i, kind);
    QCOMPARE(sets, rhythm);
}

void TestExpansionNames::shippedBoardLists_data()
{
    QTest::addColumn<int>("board");
    QTest::addColumn<int>("waves");
    QTest::addColumn<int>("patches");
    QTest::addColumn<int>("rhythm");

    // Counts of the source lists the files are made from.
    const int counts[][4] = {
        {1, 224, 145, 0},  {2, 174, 255, 0},  {3, 73, 111, 0},  {4, 255, 255, 0},  {5, 255, 255, 0},  {6, 255, 0, 0},
        {7, 255, 255, 8},  {8, 255, 255, 0},  {9, 206, 255, 8}, {10, 241, 204, 8}, {11, 255, 256, 8}, {12, 255, 256, 8},
        {13, 82, 131, 0},  {14, 175, 256, 0}, {15, 248, 0, 8},  {16, 153, 256, 2}, {17, 247, 256, 8}, {18, 255, 256, 8},
        {19, 255, 256, 8}, {97, 0, 0, 0},     {98, 27, 0, 0},   {99, 19, 0, 0},    {20, 0, 0, 0},     {127, 0, 0, 0},
    };
    for (const auto& c : counts)
        QTest::addRow("board %d", c[0]) << c[0] << c[1] << c[2] << c[3];
}

void TestExpansionNames::shippedBoardLists()
{
    QFETCH(int, board);
    const CExpansionNames& names = *m_shipped;
    QTEST(names.GetNameCount(board, NameSection::Waves, NameFileKind::Board), "waves");
    QTEST(names.GetNameCount(board, NameSection::Patches, NameFileKind::Board), "patches");
    QTEST(names.GetNameCount(board, NameSection::RhythmSets, NameFileKind::Board), "rhythm");
}

void TestExpansionNames::shippedFilesAreComplete()
{
    const QStringList files = QDir(dataDir()).entryList({"*.pre", "*.boa"}, QDir::Files);
    QCOMPARE(files.size(), 8 + 22);
    for (const QString& name : files) {
        const QByteArray bytes = readAll(QDir(dataDir()).filePath(name));
        // Every line ends in CR LF, every tag is there once and the file ends with
        // the last closing tag, so no section runs on to the end of the file.
        QVERIFY2(!bytes.isEmpty(), qPrintable(name));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QVERIFY2(bytes.endsWith("\r\n[/RHYTHM]\r\n"), qPrintable(name));
        for (const char* tag : {"[WAVE]", "[/WAVE]", "[PATCH]", "[/PATCH]", "[RHYTHM]", "[/RHYTHM]"})
            QCOMPARE(bytes.count(QByteArray("\r\n") + tag + "\r\n"), 1);
        // Line count = title + 6 tags + names.
        const NameFileContents contents = CExpansionNames::parse(bytes);
        qsizetype namesRead = 0;
        for (const QStringList& list : contents.names)
            namesRead += list.size();
        QCOMPARE(bytes.count("\r\n"), 1 + 6 + namesRead);
    }

    // Names kept exactly as listed, including a double blank.
    const CExpansionNames& names = *m_shipped;
    QCOMPARE(names.GetName(4, NameSection::Waves, 135, NameFileKind::Preset), QStringLiteral("REV SN  Roll"));
    QCOMPARE(names.GetName(3, NameSection::Patches, 56, NameFileKind::Preset), QStringLiteral("60's LeadORG"));
    QCOMPARE(names.GetName(18, NameSection::Patches, 55, NameFileKind::Board), QStringLiteral("1,2,3,4! FX"));
}

void TestExpansionNames::shippedFilesBesideExecutables()
{
    const QDir bin(QStringLiteral(TONELOOM_BIN_DIR));
    const QStringList files = QDir(dataDir()).entryList({"*.pre", "*.boa"}, QDir::Files);
    for (const QString& name : files) {
        QVERIFY2(bin.exists(name), qPrintable(bin.filePath(name)));
        QCOMPARE(readAll(bin.filePath(name)), readAll(QDir(dataDir()).filePath(name)));
    }
}

QTEST_GUILESS_MAIN(TestExpansionNames)
#include "tst_expansionnames.moc"
