#include "LibraryFixture.h"

#include "library/LibraryDocument.h"
#include "library/LibraryHistory.h"
#include "library/LibraryModel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace libtest;

// Every change of a library goes to the file at once; Undo puts back the very bytes
// that were there, in their places, and Redo does the change again.
class TestLibraryHistory : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    CCollectingReporter m_reporter;
    int m_minutes = 0;

    std::unique_ptr<CLibraryDocument> openFresh(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("lib%1.clb").arg(++m_files));
        writeFile(path, bytes);
        auto doc = std::make_unique<CLibraryDocument>(m_reporter);
        // Every change gets a new date, so that a date put back is seen.
        doc->setClock([this] { return QDateTime(QDate(2025, 1, 2), QTime(3, 0)).addSecs(60 * ++m_minutes); });
        if (!doc->Open(path))
            return nullptr;
        return doc;
    }

private slots:
    void init() { m_reporter.clear(); }

    void undoRestoresTheFileByteForByte_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<std::vector<int>>("entries");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("countAfter");
        QTest::newRow("delete one in the middle") << "delete" << std::vector<int>{3} << "Delete \"d\"" << 7;
        QTest::newRow("delete first, last and scattered") << "delete" << std::vector<int>{7, 0, 4, 2} << "Delete" << 4;
        QTest::newRow("delete all") << "delete" << std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7} << "Delete" << 0;
        QTest::newRow("properties of one") << "properties" << std::vector<int>{5} << "Properties \"f\"" << 8;
        QTest::newRow("properties of several") << "properties" << std::vector<int>{1, 6} << "Properties" << 8;
        QTest::newRow("edit of a patch") << "edit" << std::vector<int>{2} << "Edit \"c && e\"" << 8;
        QTest::newRow("variations of several patches") << "vary" << std::vector<int>{6, 1, 4} << "Mutate" << 8;
        QTest::newRow("paste") << "paste" << std::vector<int>{} << "Paste" << 10;
        QTest::newRow("drop of library lines") << "drop" << std::vector<int>{} << "Drop" << 9;
    }
    void undoRestoresTheFileByteForByte()
    {
        QFETCH(QString, change);
        QFETCH(std::vector<int>, entries);
        QFETCH(QString, label);
        QFETCH(int, countAfter);
        std::vector<Rec> recs = randomRecords(8, 23);
        const char* names[] = {"a", "b", "c & e", "d", "e", "f", "g", "h"};
        for (std::size_t i = 0; i < recs.size(); ++i)
            recs[i].name = names[i];
        // A broken tail is not a record: undo brings back the records, not the tail.
        const QByteArray original = library(recs);
        auto doc = openFresh(original);
        QVERIFY(doc);
        CLibraryModel model(*doc);
        CLibraryHistory history(*doc);
        QSignalSpy changed(&history, &CLibraryHistory::historyChanged);
        QVERIFY(!history.canUndo());
        QCOMPARE(history.undoLabel(), QStringLiteral("Undo\tCtrl+Z"));

        if (change == QLatin1String("delete")) {
            QVERIFY(history.DeleteEntries(entries));
        } else if (change == QLatin1String("properties")) {
            std::vector<CLibraryDocument::Metadata> meta;
            for (int e : entries)
                meta.push_back({e, "NEW NAME", {9, 9, 9, 9, 9, 9, 9, 9}, "a new comment"});
            QVERIFY(history.UpdateMetadata(meta));
        } else if (change == QLatin1String("edit")) {
            QVERIFY(history.ReplacePatch(entries.front(), patch("EDITED", 77)));
        } else if (change == QLatin1String("vary")) {
            std::vector<QByteArray> patches;
            for (int e : entries)
                patches.push_back(patch("VARIED", e + 40));
            QVERIFY(history.ReplacePatches(entries, patches, QStringLiteral("Mutate")));
            for (std::size_t k = 0; k < entries.size(); ++k)
                QCOMPARE(doc->ReadPatch(entries[k]), std::optional<QByteArray>(patches[k]));
        } else if (change == QLatin1String("paste")) {
            QCOMPARE(history.AppendPatches({patch("P1", 1), patch("P2", 2)}, QStringLiteral("Paste")), 2);
        } else {
            QCOMPARE(history.AppendRecords({record(Rec("DROPPED"))}, QStringLiteral("Drop")), 1);
        }
        const QByteArray changedFile = readFile(doc->path());
        QVERIFY(changedFile != original); // the file changed at once
        QCOMPARE(doc->count(), countAfter);
        QCOMPARE(model.rowCount(), countAfter);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(history.undoLabel(), QStringLiteral("Undo: ") + label + QStringLiteral("\tCtrl+Z"));
        QVERIFY(!history.canRedo());

        QVERIFY(history.Undo());
        QCOMPARE(readFile(doc->path()), original);
        QCOMPARE(doc->count(), 8);
        QCOMPARE(model.rowCount(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(doc->name(i).trimmed(), QString::fromLatin1(names[i]));
        QVERIFY(!history.canUndo());
        QCOMPARE(history.redoLabel(), QStringLiteral("Redo: ") + label + QStringLiteral("\tCtrl+A"));

        QVERIFY(history.Redo());
        QCOMPARE(readFile(doc->path()), changedFile);
        QCOMPARE(doc->count(), countAfter);
        QCOMPARE(model.rowCount(), countAfter);
        QVERIFY(history.Undo());
        QCOMPARE(readFile(doc->path()), original);
        QVERIFY(m_reporter.messages().empty());
    }

    // Several steps are taken back in the reverse order, and a new change drops the
    // steps that were undone.
    void stepsUndoInReverseOrder()
    {
        const QByteArray original = library(randomRecords(6, 5));
        auto doc = openFresh(original);
        QVERIFY(doc);
        CLibraryHistory history(*doc);
        QVERIFY(history.DeleteEntries({1}));
        const QByteArray afterFirst = readFile(doc->path());
        QVERIFY(history.UpdateMetadata({{0, "X", {}, "c"}, {3, "Y", {}, "d"}}));
        const QByteArray afterSecond = readFile(doc->path());
        QVERIFY(history.DeleteEntries({0, 4}));
        QCOMPARE(doc->count(), 3);
        QVERIFY(history.Undo());
        QCOMPARE(readFile(doc->path()), afterSecond);
        QVERIFY(history.Undo());
        QCOMPARE(readFile(doc->path()), afterFirst);
        QVERIFY(history.Undo());
        QCOMPARE(readFile(doc->path()), original);
        QVERIFY(!history.Undo());
        QVERIFY(history.Redo());
        QCOMPARE(readFile(doc->path()), afterFirst);
        QVERIFY(history.AppendPatches({patch("NEW")}, QStringLiteral("Paste")) == 1);
        QVERIFY(!history.canRedo());
        QVERIFY(history.Undo());
        QCOMPARE(readFile(doc->path()), afterFirst);
    }

    // A change that wrote nothing is no step.
    void unchangedIsNoStep()
    {
        auto doc = openFresh(library({"a", "b"}));
        QVERIFY(doc);
        CLibraryHistory history(*doc);
        QVERIFY(history.DeleteEntries({}));
        QVERIFY(history.DeleteEntries({5}));
        QVERIFY(history.UpdateMetadata({{0, doc->name(0).toLatin1(), doc->entry(0).keys, doc->comment(0).toLatin1()}}));
        QCOMPARE(history.AppendRecords({QByteArray(10, 'x')}, QStringLiteral("Drop")), 0);
        QVERIFY(!history.canUndo());
    }

    // Undo of a deletion after the file went away says so and keeps the step.
    void undoAfterTheFileWentAway()
    {
        auto doc = openFresh(library({"a", "b", "c"}));
        QVERIFY(doc);
        CLibraryHistory history(*doc);
        QVERIFY(history.ReplacePatch(1, patch("Z")));
        QVERIFY(QFile::remove(doc->path()));
        QVERIFY(!history.Undo());
        QVERIFY(history.canUndo());
        QCOMPARE(m_reporter.texts().size(), 1);
        QVERIFY(m_reporter.texts().front().startsWith(QString::fromLatin1(CLibraryDocument::kFileError)));
    }
};

QTEST_GUILESS_MAIN(TestLibraryHistory)
#include "tst_libraryhistory.moc"
