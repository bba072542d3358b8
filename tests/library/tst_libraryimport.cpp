#include "LibraryFixture.h"

#include "library/DoublePatchFinder.h"
#include "library/LibraryExport.h"
#include "library/LibraryImport.h"
#include "model/PatchArray.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <map>

using namespace libtest;

namespace {

// A bank of 128 patches told apart by variant first, first + 1, ... in a layout.
QByteArray bankFile(int first, SynthModel model, int count = CPatchArray::kCount)
{
    CPatchArray bank;
    for (int i = 0; i < count; ++i)
        bank.setRecord(i, patch(QByteArray("P").append(QByteArray::number(first + i)).constData(), first + i));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bank.Store(buffer, model);
    return count == CPatchArray::kCount ? bytes : bytes.left(bytes.size() / CPatchArray::kCount * count);
}

// A card bank: the same with the card memory's addresses.
QByteArray cardBankFile(int first)
{
    CPatchArray bank;
    for (int i = 0; i < CPatchArray::kCount; ++i)
        bank.setRecord(i, patch("Card", first + i));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bank.Store(buffer, SynthModel::Jv2080, sysex::MemoryArea::Card);
    return bytes;
}

void appendVarLen(QByteArray& out, quint32 value)
{
    QByteArray bytes(1, static_cast<char>(value & 0x7F));
    while ((value >>= 7) != 0)
        bytes.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    out += bytes;
}

// A Standard MIDI File of format 0 playing every message of sysex, a beat apart; in
// packets, each message is an F0 event with its first half and an F7 event with the rest.
QByteArray midiFile(const QByteArray& sysex, bool packets = false)
{
    QByteArray track;
    qsizetype at = 0;
    while (at < sysex.size()) {
        const qsizetype end = sysex.indexOf('\xF7', at);
        const QByteArray message = sysex.mid(at, end - at + 1);
        appendVarLen(track, at == 0 ? 0 : 96);
        track += '\xF0';
        if (packets) {
            const qsizetype half = message.size() / 2;
            appendVarLen(track, static_cast<quint32>(half - 1));
            track += message.mid(1, half - 1);
            appendVarLen(track, 10);
            track += '\xF7';
            appendVarLen(track, static_cast<quint32>(message.size() - half));
            track += message.mid(half);
        } else {
            appendVarLen(track, static_cast<quint32>(message.size() - 1));
            track += message.mid(1);
        }
        // A note between the messages, in running status for the second byte pair.
        track += QByteArray("\x00\x90\x3C\x40\x00\x3C\x00", 7);
        at = end + 1;
    }
    track += QByteArray("\x00\xFF\x2F\x00", 4);
    QByteArray file("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14);
    file += "MTrk";
    const quint32 n = static_cast<quint32>(track.size());
    file += static_cast<char>(n >> 24);
    file += static_cast<char>(n >> 16);
    file += static_cast<char>(n >> 8);
    file += static_cast<char>(n);
    return file + track;
}

QByteArray withBadChecksum(QByteArray bytes, qsizetype message)
{
    // The checksum of the given message: the byte before its F7.
    qsizetype end = -1;
    for (qsizetype m = 0; m <= message; ++m)
        end = bytes.indexOf('\xF7', end + 1);
    bytes[end - 1] = static_cast<char>((bytes[end - 1] + 1) & 0x7F);
    return bytes;
}

using Files = std::map<QString, QByteArray>;

} // namespace

class TestLibraryImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_run = 0;

    // The files written to a folder of their own; its path.
    QString folderOf(const Files& files)
    {
        const QString root = m_dir.filePath(QStringLiteral("run%1").arg(++m_run));
        for (const auto& [name, bytes] : files) {
            const QString path = QDir(root).filePath(name);
            QDir().mkpath(QFileInfo(path).absolutePath());
            if (!writeFile(path, bytes))
                return {};
        }
        return root;
    }

private slots:
    void importFolder_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QByteArray>("library"); // what the library holds before
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("doubles");
        QTest::addColumn<int>("refused");
        QTest::addColumn<QStringList>("lines"); // the refused files, as the lines begin

        const QByteArray temp = clb::temporaryPatch(patch("Temp", 5000), 0x10);
        const QByteArray bank2080 = bankFile(128, SynthModel::Jv2080);
        QTest::newRow("every layout, dumps, a MIDI file and a library")
            << Files{{"a/jv1080.syx", bankFile(0, SynthModel::Jv1080)},
                     {"a/jv2080.syx", bank2080},
                     {"b/xp.syx", bankFile(256, SynthModel::Xp)},
                     {"b/deep/temp.syx", temp},
                     {"dump.syx", bankFile(1000, SynthModel::Jv2080) + cardBankFile(2000)},
                     {"song.mid", midiFile(bankFile(3000, SynthModel::Jv1080, 20))},
                     {"packets.mid", midiFile(bankFile(3500, SynthModel::Xp, 10), true)},
                     {"other.clb", library({Rec("Lib1", {1, 1, 1, 1, 1, 1, 1, 1}, "mine", "01.01.2000 00:00", 4000),
                                            Rec("Lib2", {1, 1, 1, 1, 1, 1, 1, 1}, "", "01.01.2000 00:00", 4001)})},
                     {"notes.txt", "not looked at in a folder"}}
            << QByteArray() << 128 * 3 + 1 + 256 + 20 + 10 + 2 << 0 << 0 << QStringList();
        QTest::newRow("doubles in the library, across files and inside one")
            << Files{{"one.syx", bank2080},
                     {"two.syx", bankFile(128, SynthModel::Jv1080)},
                     {"three.syx", bankFile(200, SynthModel::Jv2080)},
                     {"temp.syx", clb::temporaryPatch(patch("X", 130), 0x10)}}
            << library({Rec("Old", {1, 1, 1, 1, 1, 1, 1, 1}, "", "01.01.2000 00:00", 129)}) << 127 + 72
            << 1 + 128 + 56 + 1 << 0 << QStringList();
        QTest::newRow("damaged and foreign files")
            << Files{{"good.syx", bankFile(0, SynthModel::Jv2080, 3)},
                     {"checksum.syx", withBadChecksum(bankFile(10, SynthModel::Jv2080, 4), 6)},
                     {"cut.syx", bankFile(20, SynthModel::Jv1080, 2).chopped(30)},
                     {"foreign.syx", QByteArray("\xF0\x43\x10\x4C\x00\x00\x7E\x00\xF7", 9)},
                     {"empty.syx", QByteArray()},
                     {"broken.mid", QByteArray("MThd\x00\x00\x00\x06\x00\x00", 10)},
                     {"cut.mid", midiFile(bankFile(30, SynthModel::Jv2080, 1)).chopped(20)},
                     {"silent.mid", midiFile(QByteArray())},
                     {"short.clb", library({Rec("A")}).chopped(1)},
                     {"text.clb", QByteArray(750, 'x')}}
            << QByteArray() << 3 << 0 << 9
            << QStringList{"broken.mid: not a readable MIDI file",
                           "checksum.syx: damaged:",
                           "cut.mid: not a readable MIDI file (the file ends inside track 1)",
                           "cut.syx: damaged:",
                           "empty.syx: empty file",
                           "foreign.syx: holds no patch, performance or rhythm set of this synthesizer",
                           "short.clb: damaged: the library ends inside record 1",
                           "silent.mid: the MIDI file holds no System Exclusive message",
                           "text.clb: not a library of patches: record 1 holds no patch"};
    }
    void importFolder()
    {
        QFETCH(Files, files);
        QFETCH(QByteArray, library);
        QFETCH(int, added);
        QFETCH(int, doubles);
        QFETCH(int, refused);
        QFETCH(QStringList, lines);
        const QString folder = folderOf(files);
        QVERIFY(!folder.isEmpty());
        const QString libPath = m_dir.filePath(QStringLiteral("lib%1.clb").arg(m_run));
        QVERIFY(writeFile(libPath, library));
        CCollectingReporter reporter;
        CLibraryDocument doc(reporter);
        QVERIFY(doc.Open(libPath));
        const int before = doc.count();
        QStringList refusedLines;
        const QStringList collected = CLibraryImport::collectFiles({folder}, {});
        const auto result = CLibraryImport(doc).run(collected, [&](const QString& l) { refusedLines << l; });
        QCOMPARE(result.summary(),
                 QStringLiteral("added %1, doubles %2, refused %3").arg(added).arg(doubles).arg(refused));
        QCOMPARE(refusedLines.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(refusedLines[i].startsWith(QDir(folder).filePath(lines[i])), qPrintable(refusedLines[i]));
        // The file holds exactly what the document does, and a second import adds nothing.
        QCOMPARE(QFileInfo(libPath).size(), qint64(before + added) * clb::kRecordSize);
        CLibraryDocument again(reporter);
        QVERIFY(again.Open(libPath));
        const auto second = CLibraryImport(again).run(collected, {});
        QCOMPARE(second.added, 0);
        QCOMPARE(second.doubles, added + doubles);
    }

    void comments()
    {
        const QString folder =
            folderOf({{"Strings.syx", bankFile(0, SynthModel::Jv2080, 12)},
                      {"z.clb", library({Rec("Lib1", {1, 1, 1, 1, 1, 1, 1, 1}, "its own", "01.01.2000 00:00", 50),
                                         Rec("Lib2", {1, 1, 1, 1, 1, 1, 1, 1}, "", "01.01.2000 00:00", 51)})}});
        const QString libPath = m_dir.filePath(QStringLiteral("comments.clb"));
        QVERIFY(writeFile(libPath, {}));
        CCollectingReporter reporter;
        CLibraryDocument doc(reporter);
        QVERIFY(doc.Open(libPath));
        CLibraryImport(doc).run(CLibraryImport::collectFiles({folder}, {}), {});
        QCOMPARE(doc.count(), 14);
        QCOMPARE(doc.comment(0), QStringLiteral("Strings.syx #1"));
        QCOMPARE(doc.comment(11), QStringLiteral("Strings.syx #12"));
        QCOMPARE(doc.comment(12), QStringLiteral("its own"));
        QCOMPARE(doc.comment(13), QStringLiteral("z.clb #2"));
        QCOMPARE(doc.name(11), QStringLiteral("P11         "));
    }

    void stopKeepsWholeFiles()
    {
        const QString folder = folderOf({{"1.syx", bankFile(0, SynthModel::Jv2080)},
                                         {"2.syx", bankFile(128, SynthModel::Jv2080)},
                                         {"3.syx", bankFile(256, SynthModel::Jv2080)}});
        const QString libPath = m_dir.filePath(QStringLiteral("stop.clb"));
        QVERIFY(writeFile(libPath, {}));
        CCollectingReporter reporter;
        CLibraryDocument doc(reporter);
        QVERIFY(doc.Open(libPath));
        const auto result = CLibraryImport(doc).run(CLibraryImport::collectFiles({folder}, {}), {},
                                                    [](int done, int, const QString&) { return done < 2; });
        QVERIFY(result.stopped);
        QCOMPARE(result.added, 256);
        QCOMPARE(QFileInfo(libPath).size(), qint64(256) * clb::kRecordSize);
    }

    void libraryItselfRefused()
    {
        const QString libPath = m_dir.filePath(QStringLiteral("self.clb"));
        QVERIFY(writeFile(libPath, library({Rec("A")})));
        CCollectingReporter reporter;
        CLibraryDocument doc(reporter);
        QVERIFY(doc.Open(libPath));
        QStringList lines;
        const auto result = CLibraryImport(doc).run({libPath}, [&](const QString& l) { lines << l; });
        QCOMPARE(result.refused, 1);
        QCOMPARE(lines, QStringList{libPath + QStringLiteral(": the library itself")});
    }

    // An exported bank holds the patches from slot 1 on in the model's layout and
    // reads back as the same sounds.
    void exportRoundTrip_data()
    {
        QTest::addColumn<SynthModel>("model");
        QTest::addColumn<int>("count");
        QTest::newRow("JV-1080, 3 patches") << SynthModel::Jv1080 << 3;
        QTest::newRow("JV-2080, 128 patches") << SynthModel::Jv2080 << 128;
        QTest::newRow("XP, 1 patch") << SynthModel::Xp << 1;
    }
    void exportRoundTrip()
    {
        QFETCH(SynthModel, model);
        QFETCH(int, count);
        std::vector<QByteArray> patches;
        for (int i = 0; i < count; ++i)
            patches.push_back(patch("E", 7000 + i));
        const QByteArray bytes = libexport::bankBytes(patches, model);
        QCOMPARE(bytes.size(), bankFile(0, model, count).size());
        const auto read = CLibraryImport::readBytes(QStringLiteral("out.syx"), bytes, QDateTime());
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(static_cast<int>(read.records.size()), count);
        for (int i = 0; i < count; ++i)
            QVERIFY(
                CDoublePatchFinder::samePatch(read.records[static_cast<std::size_t>(i)].constData() + clb::kOffPatch,
                                              patches[static_cast<std::size_t>(i)].constData()));
        // One file per patch: the temporary patch, read back alike.
        const auto single = CLibraryImport::readBytes(QStringLiteral("one.syx"),
                                                      libexport::singlePatchBytes(patches.front()), QDateTime());
        QCOMPARE(single.records.size(), std::size_t(1));
        QVERIFY(CDoublePatchFinder::samePatch(single.records.front().constData() + clb::kOffPatch,
                                              patches.front().constData()));
    }
};

QTEST_GUILESS_MAIN(TestLibraryImport)
#include "tst_libraryimport.moc"
