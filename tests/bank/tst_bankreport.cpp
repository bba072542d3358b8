#include "bank/BankReport.h"
#include "bank/EditCommand.h"
#include "bank/ToneloomDoc.h"
#include "model/SysEx.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Type = BankProblem::Type;

// Offsets in a whole JV-2080 bank: performances, rhythm sets, patches.
constexpr int kPerformanceSize = 671;
constexpr int kRhythmSize = 4439;
constexpr int kPatchSize = 645;
constexpr int kPatchesAt = 32 * kPerformanceSize + 2 * kRhythmSize; // 30350
constexpr int kBankSize = kPatchesAt + 128 * kPatchSize;            // 112910

QByteArray wholeBank()
{
    SynthSettings settings;
    settings.model = SynthModel::Jv2080;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    for (int i = 0; i < 128; ++i)
        doc.patches().SetName(i, QStringLiteral("Patch %1").arg(i + 1, 3).leftJustified(12).toLatin1().constData());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    doc.writeBank(buffer, CToneloomDoc::kSaveAll);
    return buffer.data();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "patch 11" for each damaged item of every kind, in kind order.
QStringList damagedNames(const CToneloomDoc& doc)
{
    QStringList names;
    for (ItemKind kind : kItemKinds)
        for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i)
            if (doc.isDamaged(kind, i))
                names << CBankReport::itemName(kind, i);
    return names;
}

QList<int> typesOf(const CBankReport& report)
{
    QList<int> types;
    for (const BankProblem& p : report.problems())
        types << int(p.type);
    return types;
}

} // namespace

class TestBankReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    std::unique_ptr<CToneloomDoc> open(const QByteArray& bytes, CCollectingReporter& reporter,
                                       const SynthSettings& settings, const QString& name = QStringLiteral("b.syx"))
    {
        const QString path = m_dir.filePath(name);
        if (!writeFile(path, bytes))
            return nullptr;
        auto doc = std::make_unique<CToneloomDoc>(settings, reporter);
        if (!doc->OnOpenDocument(path))
            return nullptr;
        return doc;
    }

private slots:
    void problemsOfAFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QStringList>("damaged");
        QTest::addColumn<QString>("firstLine");

        const QByteArray bank = wholeBank();
        QCOMPARE(bank.size(), kBankSize);
        QTest::newRow("whole bank") << bank << QList<int>{} << QStringList{} << QString();

        const int patch11 = kPatchesAt + 10 * kPatchSize;
        QTest::newRow("cut inside patch 11")
            << bank.left(patch11 + 300) << QList<int>{int(Type::EndsInside)} << QStringList{"patch 11"}
            << "The file ends inside patch 11 (after 300 bytes of it). Patches 12 to 128 were not in the file.";
        QTest::newRow("cut inside the last patch")
            << bank.left(kBankSize - 1) << QList<int>{int(Type::EndsInside)} << QStringList{"patch 128"}
            << "The file ends inside patch 128 (after 644 bytes of it).";

        QByteArray checksum = bank;
        const int perf2Checksum = kPerformanceSize + 77; // the common message's checksum
        checksum[perf2Checksum] = char((checksum[perf2Checksum] + 1) & 0x7F);
        QTest::newRow("bad checksum in performance 2")
            << checksum << QList<int>{int(Type::BadChecksum)} << QStringList{"performance 2"}
            << "Performance 2 has 1 message with a bad checksum (at byte 671).";

        QByteArray twoChecksums = bank;
        const int rhythm2 = 32 * kPerformanceSize + kRhythmSize;
        for (int note : {0, 5}) {
            const int at = rhythm2 + 23 + 69 * note + 67;
            twoChecksums[at] = char((twoChecksums[at] + 1) & 0x7F);
        }
        QTest::newRow("two bad checksums in rhythm set 2")
            << twoChecksums << QList<int>{int(Type::BadChecksum)} << QStringList{"rhythm set 2"}
            << QStringLiteral("Rhythm set 2 has 2 messages with a bad checksum (at byte %1).").arg(rhythm2 + 23);

        QByteArray statusByte = bank;
        const int patch3Tone2 = kPatchesAt + 2 * kPatchSize + 85 + 140 + 20;
        statusByte[patch3Tone2] = char(0x90);
        QTest::newRow("status byte inside patch 3")
            << statusByte << QList<int>{int(Type::Malformed)} << QStringList{"patch 3"}
            << QStringLiteral("Patch 3 is not made of the messages of a patch (at byte %1: byte 90h inside the "
                              "message at +20 is not a data byte).")
                   .arg(kPatchesAt + 2 * kPatchSize + 85 + 140);

        const QByteArray stray = bank.left(21472) + "abc" + bank.mid(21472);
        QTest::newRow("stray bytes after the performances")
            << stray << QList<int>{int(Type::StrayBytes), int(Type::UnreadData)} << QStringList{}
            << "3 bytes at byte 21472 belong to no message.";

        const QByteArray system = sysex::makeDataSet(0x10, sysex::systemModeAddress(), QByteArray(1, 1));
        QTest::newRow("system message after the bank")
            << bank + system << QList<int>{int(Type::UnreadData)} << QStringList{}
            << "Reading stopped at byte 112910: the 1 message from there on was not read.";

        // A reply holding only a patch name: one message of 12 of the common block's 74 data bytes.
        const QByteArray name =
            sysex::makeDataSet(0x10, sysex::patchAddress(sysex::MemoryArea::Temporary, 0), QByteArray("Astral Chill"));
        QTest::newRow("a patch name alone")
            << name << QList<int>{int(Type::Partial)} << QStringList{"patch 1"}
            << "Patch 1 is partial: its message at byte 0 holds 12 of the 74 data bytes of its block.";
        const int patch5Tone3 = kPatchesAt + 4 * kPatchSize + 85 + 2 * 140;
        const QByteArray shortTone =
            sysex::makeDataSet(0x10, sysex::patchAddress(sysex::MemoryArea::User, 4, 2), QByteArray(40, 0x10));
        QTest::newRow("a short tone inside patch 5")
            << bank.left(patch5Tone3) + shortTone + bank.mid(patch5Tone3 + 140)
            << QList<int>{int(Type::Partial), int(Type::Skipped)} << QStringList{"patch 5"}
            << QStringLiteral("Patch 5 is partial: its message at byte %1 holds 40 of the 129 data bytes of its "
                              "block.")
                   .arg(patch5Tone3);
        // The rest of a stopped dump: it begins with tone 2 of patch 52.
        QTest::newRow("a dump that starts inside patch 52")
            << bank.mid(kPatchesAt + 51 * kPatchSize + 85 + 140) << QList<int>{int(Type::Skipped)} << QStringList{}
            << "3 messages at byte 0 belong to an item whose first message is not in the file; they were skipped.";
        // Tone 2 of patch 7 carries the number of patch 8, with a valid checksum.
        QByteArray moved = bank;
        const int patch7Tone2 = kPatchesAt + 6 * kPatchSize + 85 + 140;
        moved[patch7Tone2 + 6] = 0x07;
        moved[patch7Tone2 + 138] = char(sysex::checksum(
            129 + 4, reinterpret_cast<const std::uint8_t*>(moved.constData()) + patch7Tone2 + sysex::kOffAddress));
        QTest::newRow("a tone of patch 8 inside patch 7")
            << moved << QList<int>{int(Type::Misplaced)} << QStringList{"patch 7"}
            << QStringLiteral("Patch 7 is made of messages of other blocks: the message at byte %1 is addressed to "
                              "11 07 12 00, where 11 06 12 00 belongs.")
                   .arg(patch7Tone2);

        QTest::newRow("text file") << QByteArray("These are my notes about the patches.\n").repeated(3)
                                   << QList<int>{int(Type::NoItems)} << QStringList{}
                                   << "It holds no System Exclusive message at all (114 bytes).";
        // Messages of another maker: F0 43 ... F7.
        const QByteArray foreign = QByteArray::fromHex("f043100c00010203f7").repeated(3);
        QTest::newRow("another synth's dump") << foreign << QList<int>{int(Type::NoItems)} << QStringList{}
                                              << "It holds no patch, performance or rhythm set: none of its 3 "
                                                 "messages belongs to a bank.";
    }
    void problemsOfAFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, types);
        QFETCH(QStringList, damaged);
        QFETCH(QString, firstLine);
        SynthSettings settings;
        settings.model = SynthModel::Jv2080;
        CCollectingReporter reporter;
        const auto doc = open(bytes, reporter, settings);
        QVERIFY(doc);
        // Opening tells nothing itself: the window or the tool shows the report.
        QVERIFY(reporter.messages().empty());
        const CBankReport& report = doc->openReport();
        QCOMPARE(typesOf(report), types);
        QCOMPARE(damagedNames(*doc), damaged);
        QCOMPARE(report.lines().value(0), firstLine);
        QCOMPARE(doc->mustChooseFileName(), !types.isEmpty());
        QCOMPARE(report.message(QStringLiteral("b.syx")).isEmpty(), types.isEmpty());
    }

    // The tail of a stopped dump opens with its records in the slots their numbers name,
    // and only those count as held by the file.
    void dumpStartingInsideARecordKeepsItsPlaces()
    {
        const QByteArray bank = wholeBank();
        SynthSettings settings;
        settings.model = SynthModel::Jv2080;
        CCollectingReporter reporter;
        const auto doc = open(bank.mid(kPatchesAt + 51 * kPatchSize + 85 + 140), reporter, settings, "tail.syx");
        QVERIFY(doc);
        const std::vector<bool>& held = doc->heldByFile()[ItemKind::Patches];
        for (int i = 0; i < 128; ++i) {
            QCOMPARE(held[std::size_t(i)], i >= 52);
            if (i >= 52)
                QCOMPARE(doc->patches().name(i), QStringLiteral("Patch %1").arg(i + 1, 3).leftJustified(12));
        }
        QCOMPARE(doc->patches().name(0), QStringLiteral("INIT PATCH  "));
        QCOMPARE(doc->openReport().damagedItems(ItemKind::Patches), std::vector<int>{});
        // A send leaves out what the file never had.
        std::vector<bool> notHeld = held;
        notHeld.flip();
        QCOMPARE(doc->defaultsNotInFile()[ItemKind::Patches], notHeld);
    }

    void messageSaysWhatAndKeepsTheFile()
    {
        const QByteArray bank = wholeBank();
        SynthSettings settings;
        settings.model = SynthModel::Jv2080;
        CCollectingReporter reporter;
        auto doc = open(bank.left(kPatchesAt + 10 * kPatchSize + 300), reporter, settings, QStringLiteral("cut.syx"));
        QVERIFY(doc);
        QCOMPARE(doc->openReport().message(QStringLiteral("cut.syx")),
                 QStringLiteral("cut.syx is damaged:\n\n"
                                "- The file ends inside patch 11 (after 300 bytes of it). Patches 12 to 128 were not "
                                "in the file.\n\n"
                                "The damaged items are marked in the bank window. Saving asks for a file name first, "
                                "so that cut.syx stays as it is."));
        doc = open(QByteArray(40, 'x'), reporter, settings, QStringLiteral("notes.txt"));
        QVERIFY(doc);
        QCOMPARE(doc->openReport().message(QStringLiteral("notes.txt")),
                 QStringLiteral("notes.txt is not a bank. It holds no System Exclusive message at all (40 bytes).\n\n"
                                "It opens as a new bank. Saving asks for a file name first, so that notes.txt stays "
                                "as it is."));
        // The problems carry offsets and items for the command-line tool.
        doc = open(bank.left(kPatchesAt + 10 * kPatchSize + 300), reporter, settings);
        const BankProblem& cut = doc->openReport().problems().front();
        QCOMPARE(cut.offset, qint64(kPatchesAt + 10 * kPatchSize));
        QCOMPARE(cut.length, qint64(300));
        QCOMPARE(cut.kind, ItemKind::Patches);
        QCOMPARE(cut.item, 10);
        QCOMPARE(int(cut.missing.size()), 117);
    }

    void itemLists_data()
    {
        QTest::addColumn<ItemKind>("kind");
        QTest::addColumn<QList<int>>("items");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << ItemKind::Patches << QList<int>{11} << "patch 12";
        QTest::newRow("run") << ItemKind::Patches << QList<int>{11, 12, 13, 14} << "patches 12 to 15";
        QTest::newRow("two") << ItemKind::Performances << QList<int>{0, 1} << "performances 1 and 2";
        QTest::newRow("mixed") << ItemKind::Patches << QList<int>{2, 4, 5, 6, 9} << "patches 3, 5 to 7 and 10";
        QTest::newRow("rhythm") << ItemKind::RhythmSets << QList<int>{1} << "rhythm set 2";
    }
    void itemLists()
    {
        QFETCH(ItemKind, kind);
        QFETCH(QList<int>, items);
        QFETCH(QString, text);
        QCOMPARE(CBankReport::itemList(kind, std::vector<int>(items.begin(), items.end())), text);
    }

    void marksFollowTheRecord()
    {
        QByteArray bank = wholeBank();
        const int patch5Checksum = kPatchesAt + 4 * kPatchSize + 83;
        bank[patch5Checksum] = char((bank[patch5Checksum] + 1) & 0x7F);
        SynthSettings settings;
        settings.model = SynthModel::Jv2080;
        CCollectingReporter reporter;
        auto doc = open(bank, reporter, settings);
        QVERIFY(doc);
        QCOMPARE(damagedNames(*doc), QStringList{"patch 5"});
        QCOMPARE(doc->damagedCount(ItemKind::Patches), 1);
        // A swap moves the mark with the record; renumbering and fresh checksums keep it.
        doc->patches().Swap(4, 20);
        doc->patches().Renumber();
        doc->patches().RecalcChecksums();
        QCOMPARE(damagedNames(*doc), QStringList{"patch 21"});
        // Saving under a new name keeps the marks and ends the need to choose a name.
        const QString copy = m_dir.filePath(QStringLiteral("copy.syx"));
        QVERIFY(doc->mustChooseFileName());
        QVERIFY(doc->OnSaveDocument(copy));
        QVERIFY(!doc->mustChooseFileName());
        QCOMPARE(damagedNames(*doc), QStringList{"patch 21"});
        // An edit replaces the damaged record: no mark; undo brings it back.
        const QByteArray old = doc->patches().record(20);
        QByteArray edited = old;
        edited[CPatchArray::commonParam(20)] = char(5);
        doc->ExecuteCommand(std::make_unique<CEditCommand>(*doc, ItemKind::Patches, 20, old, edited));
        QVERIFY(damagedNames(*doc).isEmpty());
        doc->Undo();
        QCOMPARE(damagedNames(*doc), QStringList{"patch 21"});
    }

    void changesOnDisk()
    {
        const QByteArray bank = wholeBank();
        SynthSettings settings;
        settings.model = SynthModel::Jv2080;
        CCollectingReporter reporter;
        const QString path = m_dir.filePath(QStringLiteral("disk.syx"));
        QVERIFY(writeFile(path, bank));
        CToneloomDoc doc(settings, reporter);
        QVERIFY(doc.OnOpenDocument(path));
        QVERIFY(!doc.fileChangedOnDisk());
        // The same bytes written again (a new time) are no change.
        QVERIFY(writeFile(path, bank));
        QVERIFY(!doc.fileChangedOnDisk());
        QByteArray other = bank;
        other[kPatchesAt + 9] = 'Z';
        QVERIFY(writeFile(path, other));
        QVERIFY(doc.fileChangedOnDisk());
        // After this document saved, the file is its own again.
        QVERIFY(doc.OnSaveDocument(path));
        QVERIFY(!doc.fileChangedOnDisk());
        QCOMPARE(readFile(path), bank);
        // A file that went away holds nothing a save would replace.
        QVERIFY(QFile::remove(path));
        QVERIFY(!doc.fileChangedOnDisk());
    }
};

QTEST_GUILESS_MAIN(TestBankReport)
#include "tst_bankreport.moc"
