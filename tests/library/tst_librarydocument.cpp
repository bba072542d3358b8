#include "LibraryFixture.h"

#include "bank/ToneloomDoc.h"
#include "library/LibraryDocument.h"
#include "library/LibraryLock.h"
#include "library/LibraryRecord.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <numeric>

using namespace libtest;

class TestLibraryDocument : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    CCollectingReporter m_reporter;
    const QDateTime m_now = QDateTime(QDate(2024, 3, 9), QTime(7, 5));

    QString fresh(const QByteArray& bytes = {})
    {
        const QString path = m_dir.filePath(QStringLiteral("lib%1.clb").arg(++m_files));
        writeFile(path, bytes);
        return path;
    }
    std::unique_ptr<CLibraryDocument> open(const QString& path)
    {
        auto doc = std::make_unique<CLibraryDocument>(m_reporter);
        doc->setClock([this] { return m_now; });
        if (!doc->Open(path))
            return nullptr;
        return doc;
    }
    static QStringList names(const CLibraryDocument& doc)
    {
        QStringList list;
        for (int i = 0; i < doc.count(); ++i)
            list << doc.name(i).trimmed();
        return list;
    }

private slots:
    void init() { m_reporter.clear(); }

    void openReadsWholeRecords_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("entries");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("short piece only") << 749 << 0;
        QTest::newRow("one record") << 750 << 1;
        QTest::newRow("one record and a broken tail") << 1499 << 1;
        QTest::newRow("three records") << 2250 << 3;
        QTest::newRow("beyond one read chunk") << 750 * 1500 + 3 << 1500;
    }
    void openReadsWholeRecords()
    {
        QFETCH(int, size);
        QFETCH(int, entries);
        std::vector<Rec> recs;
        for (int i = 0; i * 750 < size + 750; ++i)
            recs.push_back({QByteArray("P") + QByteArray::number(i)});
        const QString path = fresh(library(recs).left(size));
        auto doc = open(path);
        QVERIFY(doc);
        QCOMPARE(doc->count(), entries);
        QVERIFY(m_reporter.texts().isEmpty());
        if (entries > 0) {
            QCOMPARE(doc->name(entries - 1),
                     QString::fromLatin1(QByteArray("P") + QByteArray::number(entries - 1)).leftJustified(12));
            QCOMPARE(doc->date(0), QStringLiteral("01.01.2000 00:00"));
        }
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("missing.clb"));
        QTest::newRow("a device") << QStringLiteral("/dev/zero");
    }
    void openFailures()
    {
        QFETCH(QString, path);
        CLibraryDocument doc(m_reporter);
        QVERIFY(!doc.Open(path));
        QCOMPARE(m_reporter.texts().size(), 1);
        QVERIFY2(m_reporter.texts().first().startsWith(QStringLiteral("Error while opening library file: ")),
                 qPrintable(m_reporter.texts().first()));
        QVERIFY(m_reporter.texts().first().size() > 34);
    }

    void createTruncatesOrFails()
    {
        const QString path = fresh(library({{"OLD"}}));
        CLibraryDocument doc(m_reporter);
        QVERIFY(doc.Create(path));
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(doc.count(), 0);
        QCOMPARE(doc.path(), path);

        CLibraryDocument bad(m_reporter);
        QVERIFY(!bad.Create(m_dir.filePath(QStringLiteral("no/such/folder/x.clb"))));
        QCOMPARE(m_reporter.texts(), QStringList{"Error creating library file."});
    }

    void keyTexts_data()
    {
        QTest::addColumn<QString>("keyOneName"); // empty: not in the settings
        QTest::addColumn<bool>("categories");
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no settings") << QString() << false << 0 << "No Entry";
        QTest::newRow("No Selection shows nothing") << "No Selection" << false << 0 << "";
        QTest::newRow("a name") << "Strings" << false << 0 << "Strings";
        QTest::newRow("categories: first") << "Strings" << true << 0 << "No Assign    ";
        QTest::newRow("categories: last") << "Strings" << true << 38 << "Combination  ";
        QTest::newRow("categories: beyond the table") << "Strings" << true << 45 << "Category 45  ";
    }
    void keyTexts()
    {
        QFETCH(QString, keyOneName);
        QFETCH(bool, categories);
        QFETCH(int, category);
        QFETCH(QString, expected);
        CIniFile ini(m_dir.filePath(QStringLiteral("keys%1.ini").arg(++m_files)));
        CAppSettings settings(ini);
        if (!keyOneName.isEmpty())
            settings.setLibraryKey(1, keyOneName);
        Rec r{"Keyed"};
        r.category = category;
        auto doc = open(fresh(library({r})));
        doc->setKeyNames(CLibraryDocument::ReadKeyNames(settings));
        doc->setUseCategories(categories);
        for (int slot = 0; slot < clb::kKeyCount; ++slot)
            QCOMPARE(doc->keyText(0, slot), expected);
    }

    void keyNamesRoundTripThroughTheSettings()
    {
        const QString iniPath = m_dir.filePath(QStringLiteral("names.ini"));
        CIniFile ini(iniPath);
        CAppSettings settings(ini);
        CLibraryDocument::KeyNames names;
        for (int k = 0; k < clb::kKeyNameCount; ++k)
            names[static_cast<std::size_t>(k)] = QStringLiteral("Name %1").arg(k);
        CLibraryDocument::WriteKeyNames(settings, names);
        CIniFile again(iniPath);
        QCOMPARE(again.readString(QStringLiteral("LIBRARY"), QStringLiteral("Key0")), QStringLiteral("Name 0"));
        QCOMPARE(again.readString(QStringLiteral("LIBRARY"), QStringLiteral("Key255")), QStringLiteral("Name 255"));
        CAppSettings reread(again);
        QVERIFY(CLibraryDocument::ReadKeyNames(reread) == names);
    }

    void deleteKeepsTheOthersInOrder_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("deleted");
        QTest::addColumn<int>("tail");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("the only one") << 1 << QList<int>{0} << 0 << QStringList{};
        QTest::newRow("2 and 3 of five") << 5 << QList<int>{2, 3} << 0 << QStringList{"R0", "R1", "R4"};
        QTest::newRow("any order, repeated") << 5 << QList<int>{4, 0, 4} << 0 << QStringList{"R1", "R2", "R3"};
        QTest::newRow("numbers that are not there") << 3 << QList<int>{-1, 7, 1} << 0 << QStringList{"R0", "R2"};
        QTest::newRow("a broken tail goes too, agreed to") << 3 << QList<int>{0} << 100 << QStringList{"R1", "R2"};
        QTest::newRow("across read chunks") << 2100 << QList<int>{0, 1023, 1024, 2099} << 0 << QStringList{};
    }
    void deleteKeepsTheOthersInOrder()
    {
        QFETCH(int, records);
        QFETCH(QList<int>, deleted);
        QFETCH(int, tail);
        QFETCH(QStringList, left);
        std::vector<Rec> recs;
        for (int i = 0; i < records; ++i)
            recs.push_back({QByteArray("R") + QByteArray::number(i)});
        const QByteArray before = library(recs);
        const QString path = fresh(before + QByteArray(tail, 'x'));
        auto doc = open(path);
        QCOMPARE(doc->tailBytes(), qint64(tail));
        QList<qint64> asked;
        doc->setTailConsent([&](qint64 bytes) {
            asked << bytes;
            return true;
        });
        QSignalSpy removed(doc.get(), &CLibraryDocument::entriesRemoved);
        QVERIFY(doc->DeleteEntries(std::vector<int>(deleted.begin(), deleted.end())));
        QCOMPARE(asked, tail > 0 ? QList<qint64>{tail} : QList<qint64>{});

        QByteArray expected;
        QStringList expectedNames;
        for (int i = 0; i < records; ++i) {
            if (deleted.contains(i))
                continue;
            expected += before.mid(i * 750, 750);
            expectedNames << QStringLiteral("R%1").arg(i);
        }
        if (!left.isEmpty() || records < 10)
            QCOMPARE(expectedNames, left);
        QCOMPARE(readFile(path), expected);
        QCOMPARE(names(*doc), expectedNames);
        QCOMPARE(removed.size(), 1);
        QList<int> sorted;
        for (int n : deleted)
            if (n >= 0 && n < records && !sorted.contains(n))
                sorted << n;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(removed.first().first().value<QList<int>>(), sorted);
        // No temporary file is left behind.
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.clb.*")}, QDir::Files), QStringList{});
    }

    void aChangeByNumberAfterAReplacementIsRefused_data()
    {
        QTest::addColumn<int>("change"); // 0 delete, 1 properties, 2 patch
        QTest::newRow("delete") << 0;
        QTest::newRow("properties") << 1;
        QTest::newRow("patch") << 2;
    }
    void aChangeByNumberAfterAReplacementIsRefused()
    {
        QFETCH(int, change);
        const QByteArray bytes = library({{"A"}, {"B"}, {"C"}, {"D"}});
        const QString path = fresh(bytes);
        auto doc = open(path);
        auto other = open(path);
        // Another window deleted B: C is entry 1 now, and entry 2 is D.
        QVERIFY(other->DeleteEntries({1}));
        const QByteArray after = readFile(path);
        QSignalSpy removed(doc.get(), &CLibraryDocument::entriesRemoved);
        CLibraryDocument::Metadata m;
        m.entry = 2;
        m.name = "Renamed";
        const bool done = change == 0   ? doc->DeleteEntries({2})
                          : change == 1 ? doc->UpdateMetadata({m})
                                        : doc->ReplacePatch(2, patch("Edited"));
        QVERIFY(!done);
        QCOMPARE(readFile(path), after);
        // The entries were read again, and the list was told what went.
        QCOMPARE(names(*doc), (QStringList{"A", "C", "D"}));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.first().first().value<QList<int>>(), QList<int>{1});
        QCOMPARE(m_reporter.texts().size(), 1);
        QVERIFY2(m_reporter.texts().first().contains(QStringLiteral("was changed by another program")),
                 qPrintable(m_reporter.texts().first()));
        // Now that the document knows the file, the same change goes through.
        QVERIFY(doc->DeleteEntries({2}));
        QCOMPARE(readFile(path), after.left(2 * 750));
    }

    void twoDocumentsKeepEachOthersRecords()
    {
        const QString path = fresh(library({{"A"}, {"B"}, {"C"}, {"D"}}));
        auto first = open(path);
        auto second = open(path);
        // Each appends behind the file's real end, never behind the count it read.
        QCOMPARE(first->AppendPatches({patch("One"), patch("Two")}), 2);
        QCOMPARE(second->AppendPatches({patch("Three")}), 1);
        QCOMPARE(names(*second), (QStringList{"A", "B", "C", "D", "One", "Two", "Three"}));
        // A deletion keeps what the other appended since it read the file.
        QVERIFY(first->DeleteEntries({0, 2}));
        QCOMPARE(names(*first), (QStringList{"B", "D", "One", "Two", "Three"}));
        auto reread = open(path);
        QCOMPARE(names(*reread), names(*first));
        const QByteArray bytes = readFile(path);
        QCOMPARE(bytes.size(), 5 * 750);
        for (int r = 0; r < 5; ++r)
            QVERIFY2(bytes.mid(r * 750, 750).count('\0') < 750, "an all-zero record");
    }

    void aLockedLibraryIsNotChanged()
    {
        const QByteArray bytes = library({{"A"}, {"B"}});
        const QString path = fresh(bytes);
        auto doc = open(path);
        CLibraryLock held(path);
        QCOMPARE(held.lock(0, nullptr), CLibraryLock::Result::Locked);
        doc->setLockWait(100);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(doc->AppendPatches({patch("New")}), 0);
        QVERIFY(waited.elapsed() >= 100);
        QVERIFY(!doc->DeleteEntries({0}));
        QCOMPARE(readFile(path), bytes);
        QCOMPARE(doc->count(), 2);
        QCOMPARE(m_reporter.texts().size(), 2);
        QVERIFY2(m_reporter.texts().first().startsWith(path + QStringLiteral(" is being changed by another program")),
                 qPrintable(m_reporter.texts().first()));
        // Free again, the lock is taken and given back: no lock file stays behind.
        held.unlock();
        QCOMPARE(doc->AppendPatches({patch("New")}), 1);
        QVERIFY(!QFile::exists(CLibraryLock::lockPathOf(path)));
    }

    void refreshTellsWhatChanged_data()
    {
        QTest::addColumn<QByteArray>("outside"); // what the file becomes
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<QList<int>>("changed");
        QTest::addColumn<int>("appended");
        QTest::addColumn<qint64>("tail");
        const QByteArray abc = library({{"A"}, {"B"}, {"C"}});
        QTest::newRow("grown") << library({{"A"}, {"B"}, {"C"}, {"D"}, {"E"}}) << true
                               << QStringList{"A", "B", "C", "D", "E"} << QList<int>{} << QList<int>{} << 2 << 0LL;
        QTest::newRow("changed in place") << library({{"A"}, {"B", {}, "new comment"}, {"C"}}) << true
                                          << QStringList{"A", "B", "C"} << QList<int>{} << QList<int>{1} << 0 << 0LL;
        QTest::newRow("a record begun") << abc + QByteArray(120, 'y') << true << QStringList{"A", "B", "C"}
                                        << QList<int>{} << QList<int>{} << 0 << 120LL;
        QTest::newRow("replaced: B deleted, F added")
            << library({{"A"}, {"C"}, {"F"}}) << false << QStringList{"A", "C", "F"} << QList<int>{1} << QList<int>{}
            << 1 << 0LL;
        QTest::newRow("cut short in place")
            << abc.left(750) << true << QStringList{"A"} << QList<int>{1, 2} << QList<int>{} << 0 << 0LL;
    }
    void refreshTellsWhatChanged()
    {
        QFETCH(QByteArray, outside);
        QFETCH(bool, inPlace);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, removed);
        QFETCH(QList<int>, changed);
        QFETCH(int, appended);
        QFETCH(qint64, tail);
        const QString path = fresh(library({{"A"}, {"B"}, {"C"}}));
        auto doc = open(path);
        QCOMPARE(doc->Refresh(), CLibraryDocument::RefreshResult::Unchanged);
        QSignalSpy removedSpy(doc.get(), &CLibraryDocument::entriesRemoved);
        QSignalSpy changedSpy(doc.get(), &CLibraryDocument::entriesChanged);
        QSignalSpy appendedSpy(doc.get(), &CLibraryDocument::entriesAppended);
        if (inPlace) {
            writeFile(path, outside);
            // Apart from the time of the first write, however coarse the file system's clock.
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime));
        } else {
            const QString other = path + QStringLiteral(".new");
            writeFile(other, outside);
            QVERIFY(std::rename(qPrintable(other), qPrintable(path)) == 0);
        }
        QCOMPARE(doc->Refresh(), CLibraryDocument::RefreshResult::Updated);
        QCOMPARE(this->names(*doc), names);
        QCOMPARE(doc->tailBytes(), tail);
        QList<int> removedNow;
        for (const auto& args : removedSpy)
            removedNow += args.first().value<QList<int>>();
        QCOMPARE(removedNow, removed);
        QCOMPARE(changedSpy.isEmpty() ? QList<int>{} : changedSpy.first().first().value<QList<int>>(), changed);
        QCOMPARE(appendedSpy.isEmpty() ? 0 : appendedSpy.first().at(1).toInt(), appended);
        QCOMPARE(doc->Refresh(), CLibraryDocument::RefreshResult::Unchanged);
        QVERIFY(m_reporter.texts().isEmpty());
    }

    void replacePatchRenewsTheDate()
    {
        Rec r{"Old"};
        r.keys = {5, 6, 7, 8, 9, 10, 11, 12};
        r.comment = "keep me";
        const QString path = fresh(library({{"First"}, r}));
        auto doc = open(path);
        QSignalSpy changed(doc.get(), &CLibraryDocument::entriesChanged);
        const QByteArray edited = patch("Edited", 9, 21);
        QVERIFY(doc->ReplacePatch(1, edited));
        const QByteArray rec = readFile(path).mid(750, 750);
        QCOMPARE(rec.mid(clb::kOffPatch), edited);
        QCOMPARE(rec.mid(clb::kOffDate, 17), QByteArray("09.03.2024 07:05") + '\0');
        QCOMPARE(rec.left(8), QByteArray("\x05\x06\x07\x08\x09\x0A\x0B\x0C", 8));
        QCOMPARE(doc->comment(1), QStringLiteral("keep me"));
        QCOMPARE(doc->name(1), QStringLiteral("Edited      "));
        QCOMPARE(doc->date(1), QStringLiteral("09.03.2024 07:05"));
        QCOMPARE(doc->entry(1).category, 21);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().value<QList<int>>(), QList<int>{1});
        QCOMPARE(doc->ReadPatch(1).value(), edited);
    }

    void updateMetadataKeepsDateAndTheBytesBehindTheTexts()
    {
        QByteArray rec = record({"Some Name", {}, "a long comment that will shrink", "31.12.1999 23:59"});
        // Bytes behind the date's zero and behind the comment mean nothing but stay.
        rec[clb::kOffDate + 16] = '\0';
        const QString path = fresh(rec + record({"Other"}));
        auto doc = open(path);
        CLibraryDocument::Metadata m;
        m.entry = 0;
        m.name = "Short";
        m.keys = {17, 18, 1, 1, 1, 1, 1, 33};
        m.comment = "new";
        QVERIFY(doc->UpdateMetadata({m}));
        QByteArray expected = rec;
        std::memcpy(expected.data(), m.keys.data(), 8);
        std::memcpy(expected.data() + clb::kOffComment, "new\0", 4);
        std::memcpy(expected.data() + clb::kOffName, "Short       ", 12);
        QCOMPARE(readFile(path).left(750), expected);
        QCOMPARE(doc->comment(0), QStringLiteral("new"));
        QCOMPARE(doc->date(0), QStringLiteral("31.12.1999 23:59"));
        QCOMPARE(doc->name(0), QStringLiteral("Short       "));
        QCOMPARE(doc->entry(0).keys, m.keys);
        // Writing the same values again changes no byte.
        QVERIFY(doc->UpdateMetadata({m}));
        QCOMPARE(readFile(path).left(750), expected);
    }

    void appendGoesBehindTheLastWholeRecord()
    {
        const QByteArray first = record({"First"});
        const QByteArray original = first + QByteArray(300, 'x');
        const QString path = fresh(original);
        auto doc = open(path);
        QCOMPARE(doc->tailBytes(), 300);
        // The broken tail is never dropped unasked.
        QCOMPARE(doc->AppendPatches({patch("New One", 3)}), 0);
        QCOMPARE(readFile(path), original);
        QCOMPARE(m_reporter.texts(),
                 QStringList{path
                             + QStringLiteral(" ends in 300 bytes that are no whole entry; the change would drop "
                                              "them, so it was not made.")});
        QList<qint64> asked;
        doc->setTailConsent([&](qint64 bytes) {
            asked << bytes;
            return true;
        });
        QSignalSpy appended(doc.get(), &CLibraryDocument::entriesAppended);
        QCOMPARE(doc->AppendPatches({patch("New One", 3), QByteArray(10, 'x'), patch("New Two", 4)}), 2);
        QCOMPARE(asked, QList<qint64>{300});
        QCOMPARE(doc->tailBytes(), 0);
        const QByteArray bytes = readFile(path);
        QCOMPARE(bytes.size(), 3 * 750);
        QCOMPARE(bytes.left(750), first);
        const QByteArray made = bytes.mid(750, 750);
        QCOMPARE(made.left(8), QByteArray(8, '\x01'));
        QCOMPARE(made.at(clb::kOffComment), '\0');
        QCOMPARE(made.mid(clb::kOffDate, 17), QByteArray("09.03.2024 07:05") + '\0');
        QCOMPARE(made.mid(clb::kOffPatch), patch("New One", 3));
        QCOMPARE(names(*doc), (QStringList{"First", "New One", "New Two"}));
        QCOMPARE(appended.size(), 1);
        QCOMPARE(appended.first().at(0).toInt(), 1);
        QCOMPARE(appended.first().at(1).toInt(), 2);

        // A record from another library keeps its keys and comment.
        Rec other{"Elsewhere", {40, 41, 1, 1, 1, 1, 1, 1}, "from afar"};
        QCOMPARE(doc->AppendRecords({record(other)}), 1);
        QCOMPARE(doc->comment(3), QStringLiteral("from afar"));
        QCOMPARE(doc->entry(3).keys[1], 41);
    }

    void aFailedAppendAddsNothing()
    {
        const QByteArray bytes = library({{"Only"}});
        const QString path = fresh(bytes);
        auto doc = open(path);
        QSignalSpy appended(doc.get(), &CLibraryDocument::entriesAppended);
        // A device in the library's place.
        QFile::remove(path);
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
        QCOMPARE(doc->AppendPatches({patch("Lost")}), 0);
        QCOMPARE(doc->count(), 1);
        QCOMPARE(appended.size(), 0);
        QCOMPARE(m_reporter.texts().size(), 1);
        QVERIFY2(m_reporter.texts().first().startsWith(QStringLiteral("Error while opening library file: ")),
                 qPrintable(m_reporter.texts().first()));
        QFile::remove(path);
    }

    void readFailuresChangeNothing()
    {
        const QString path = fresh(library({{"A"}, {"B"}}));
        auto doc = open(path);
        writeFile(path, library({{"A"}}));
        QVERIFY(!doc->ReadPatch(1));
        QCOMPARE(doc->name(1).trimmed(), QStringLiteral("B"));
        // A change reads the file again first, and refuses: entry 2 is no more.
        QVERIFY(!doc->ReplacePatch(1, patch("C")));
        QCOMPARE(readFile(path), library({{"A"}}));
        QCOMPARE(names(*doc), QStringList{"A"});
        QCOMPARE(m_reporter.texts().size(), 2);
        QVERIFY(m_reporter.texts().first().startsWith(QStringLiteral("Error while opening library file: ")));
        QVERIFY(m_reporter.texts().last().contains(QStringLiteral("was changed by another program")));
    }

    void realBanksRoundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("full bank") << "ahlzen_PadVoxBell.syx";
        QTest::newRow("part of a bank") << "kk_JV1080_AGSOUND1.syx";
        QTest::newRow("single patch") << "locurasoft_single.syx";
    }
    void realBanksRoundTrip()
    {
        if (!realDumpsPresent())
            QSKIP("the shared real dumps are not present");
        QFETCH(QString, file);
        SynthSettings settings;
        CCollectingReporter bankReporter;
        CToneloomDoc bank(settings, bankReporter);
        QVERIFY(bank.OnOpenDocument(realDump(file)));
        std::vector<QByteArray> patches;
        for (int i = 0; i < CPatchArray::kCount; ++i)
            patches.push_back(bank.patches().record(i));

        const QString path = fresh();
        {
            auto doc = open(path);
            QCOMPARE(doc->AppendPatches(patches), 128);
        }
        const QByteArray written = readFile(path);
        QCOMPARE(written.size(), 128 * 750);
        auto doc = open(path);
        QCOMPARE(doc->count(), 128);
        std::vector<int> all(128);
        std::iota(all.begin(), all.end(), 0);
        const auto records = doc->ReadRecords(all);
        QVERIFY(records);
        for (int i = 0; i < 128; ++i) {
            QCOMPARE(clb::patchOf((*records)[static_cast<std::size_t>(i)]), patches[static_cast<std::size_t>(i)]);
            QCOMPARE(doc->name(i), bank.patches().name(i));
        }
        // Writing every entry's metadata back as it is leaves every byte as it was.
        std::vector<CLibraryDocument::Metadata> same;
        for (int i = 0; i < 128; ++i)
            same.push_back({i, doc->name(i).toLatin1(), doc->entry(i).keys, doc->comment(i).toLatin1()});
        QVERIFY(doc->UpdateMetadata(same));
        QCOMPARE(readFile(path), written);
    }

    void datesSortByTheirFields_data()
    {
        QTest::addColumn<QByteArray>("earlier");
        QTest::addColumn<QByteArray>("later");
        QTest::newRow("the year decides first") << QByteArray("01.02.1999 10:00") << QByteArray("01.01.2000 09:00");
        QTest::newRow("then the month") << QByteArray("31.01.2000 23:59") << QByteArray("01.02.2000 00:00");
        QTest::newRow("then the day") << QByteArray("01.03.2000 23:59") << QByteArray("02.03.2000 00:00");
        QTest::newRow("then the hour") << QByteArray("05.05.2005 09:59") << QByteArray("05.05.2005 10:00");
        QTest::newRow("then the minute") << QByteArray("05.05.2005 10:00") << QByteArray("05.05.2005 10:01");
        QTest::newRow("garbage reads as 0") << QByteArray("xx.xx.xxxx xx:xx") << QByteArray("01.01.0001 00:00");
        QTest::newRow("an empty date is earliest") << QByteArray("") << QByteArray("00.00.0000 00:01");
    }
    void datesSortByTheirFields()
    {
        QFETCH(QByteArray, earlier);
        QFETCH(QByteArray, later);
        QByteArray a = earlier.leftJustified(17, '\0');
        QByteArray b = later.leftJustified(17, '\0');
        QVERIFY(clb::dateSortKey(a.constData()) < clb::dateSortKey(b.constData()));
        QVERIFY(!(clb::dateSortKey(b.constData()) < clb::dateSortKey(a.constData())));
    }

    void newRecordsAndTemporaryPatches()
    {
        const QByteArray p = patch("Temp", 2);
        const QByteArray rec = clb::makeRecord(p, m_now);
        QCOMPARE(rec.size(), 750);
        QCOMPARE(clb::patchOf(rec), p);
        QCOMPARE(clb::patchOf(rec.left(700)), QByteArray());
        const QByteArray temp = clb::temporaryPatch(p, 0x11);
        QCOMPARE(temp.size(), 645);
        // Every message goes to the temporary patch (03 00 ...) of device 11h.
        for (int offset : {0, 85, 225, 365, 505}) {
            QCOMPARE(quint8(temp.at(offset + 2)), quint8(0x11));
            QCOMPARE(quint8(temp.at(offset + 5)), quint8(0x03));
        }
        QCOMPARE(temp.mid(9, 12), QByteArray("Temp        "));
        QCOMPARE(clb::temporaryPatch(QByteArray(10, 'x'), 0x10), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestLibraryDocument)
#include "tst_librarydocument.moc"
