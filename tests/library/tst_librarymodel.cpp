#include "LibraryFixture.h"

#include "library/LibraryModel.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace libtest;

class TestLibraryModel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    CCollectingReporter m_reporter;

    std::unique_ptr<CLibraryDocument> openRandom(int n, quint32 seed)
    {
        const QString path = m_dir.filePath(QStringLiteral("m%1.clb").arg(++m_files));
        writeFile(path, library(randomRecords(n, seed)));
        auto doc = std::make_unique<CLibraryDocument>(m_reporter);
        if (!doc->Open(path))
            return nullptr;
        CLibraryDocument::KeyNames names;
        for (int k = 0; k < 256; ++k)
            names[static_cast<std::size_t>(k)] = QStringLiteral("Key %1").arg(k % 17, 2, 10, QLatin1Char('0'));
        doc->setKeyNames(names);
        return doc;
    }
    static bool consistent(const CLibraryModel& model)
    {
        if (model.rows() != listEntries(model.document(), model.search(), model.sortColumn()))
            return false;
        for (int r = 0; r < model.rowCount(); ++r)
            if (model.rowOf(model.entryAt(r)) != r
                || model.data(model.index(r, 0), CLibraryModel::kEntryRole).toInt() != model.entryAt(r))
                return false;
        return true;
    }

private slots:
    void followsChangesMadeByAnotherProgram()
    {
        // A window's list and its selection while a script changes the file: added
        // entries appear, a deleted one goes, the selected ones stay selected.
        const QString path = m_dir.filePath(QStringLiteral("watched.clb"));
        writeFile(path, library({{"Delta"}, {"Alpha"}, {"Charlie"}, {"Bravo"}}));
        CLibraryDocument doc(m_reporter);
        QVERIFY(doc.Open(path));
        doc.setWatching(true);
        CLibraryModel model(doc);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QItemSelectionModel selection(&model);
        const auto select = [&](int entry) {
            selection.select(model.index(model.rowOf(entry), 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        };
        select(2); // Charlie
        select(3); // Bravo
        const auto selectedNames = [&] {
            QStringList names;
            for (const QModelIndex& index : selection.selectedRows())
                names << doc.name(model.entryAt(index.row())).trimmed();
            names.sort();
            return names;
        };
        const auto listed = [&] {
            QStringList names;
            for (int r = 0; r < model.rowCount(); ++r)
                names << doc.name(model.entryAt(r)).trimmed();
            return names;
        };

        CCollectingReporter scriptReporter;
        CLibraryDocument script(scriptReporter);
        QVERIFY(script.Open(path));
        QCOMPARE(script.AppendPatches({patch("Echo"), patch("Able")}), 2);
        QTRY_COMPARE(model.rowCount(), 6);
        QCOMPARE(listed(), (QStringList{"Able", "Alpha", "Bravo", "Charlie", "Delta", "Echo"}));
        QCOMPARE(selectedNames(), (QStringList{"Bravo", "Charlie"}));

        QVERIFY(script.DeleteEntries({0, 3})); // Delta and Bravo
        QTRY_COMPARE(model.rowCount(), 4);
        QCOMPARE(listed(), (QStringList{"Able", "Alpha", "Charlie", "Echo"}));
        QCOMPARE(selectedNames(), QStringList{"Charlie"});
        QVERIFY(consistent(model));
        QVERIFY(m_reporter.texts().isEmpty());
    }

    void followsEveryChangeLineByLine_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("filtered");
        for (int column : {libcol::kName, libcol::kDate, libcol::kComment, libcol::kFirstKey, libcol::kFirstKey + 7})
            for (bool filtered : {false, true})
                QTest::addRow("column %d%s", column, filtered ? ", filtered" : "") << column << filtered;
    }
    void followsEveryChangeLineByLine()
    {
        QFETCH(int, column);
        QFETCH(bool, filtered);
        auto doc = openRandom(200, 3 + column);
        CLibraryModel model(*doc);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        if (filtered) {
            CLibrarySearch s;
            s.name = "a";
            s.ops = {SearchOp::OrNot, SearchOp::End, SearchOp::End, SearchOp::End};
            s.keys = {7, 0, 0, 0};
            model.setSearch(s);
        }
        model.sort(column);
        QVERIFY(consistent(model));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QRandomGenerator random(column * 7 + filtered);
        for (int step = 0; step < 40; ++step) {
            const int op = static_cast<int>(random.bounded(4));
            qDebug() << "step" << step << "op" << op;
            switch (op) {
            case 0: { // a few new patches
                std::vector<QByteArray> patches;
                for (int i = 0, k = static_cast<int>(random.bounded(1, 4)); i < k; ++i)
                    patches.push_back(
                        patch(random.bounded(2) ? "a new" : "B new", static_cast<int>(random.bounded(5))));
                QCOMPARE(doc->AppendPatches(patches), static_cast<int>(patches.size()));
                break;
            }
            case 1: { // properties of a few entries
                std::vector<CLibraryDocument::Metadata> changes;
                for (int i = 0, k = static_cast<int>(random.bounded(1, 4)); i < k; ++i) {
                    CLibraryDocument::Metadata m;
                    m.entry = static_cast<int>(random.bounded(doc->count()));
                    m.name = random.bounded(2) ? "aa" : "BB";
                    for (auto& key : m.keys)
                        key = static_cast<std::uint8_t>(random.bounded(1, 12));
                    m.comment = random.bounded(2) ? "x" : "";
                    changes.push_back(m);
                }
                QVERIFY(doc->UpdateMetadata(changes));
                break;
            }
            case 2: { // an edited patch
                const int n = static_cast<int>(random.bounded(doc->count()));
                QVERIFY(doc->ReplacePatch(n, patch("edited a", static_cast<int>(random.bounded(5)))));
                break;
            }
            default: { // a few deleted entries
                std::vector<int> gone;
                for (int i = 0, k = static_cast<int>(random.bounded(1, 5)); i < k; ++i)
                    gone.push_back(static_cast<int>(random.bounded(doc->count())));
                QVERIFY(doc->DeleteEntries(gone));
                break;
            }
            }
            if (!consistent(model)) {
                const auto expected = listEntries(*doc, model.search(), model.sortColumn());
                qDebug() << "rows" << model.rows().size() << "expected" << expected.size();
                for (std::size_t i = 0; i < std::min(expected.size(), model.rows().size()); ++i)
                    if (expected[i] != model.rows()[i]) {
                        qDebug() << "first diff at" << i << model.rows()[i] << expected[i] << doc->name(model.rows()[i])
                                 << doc->name(expected[i]);
                        break;
                    }
            }
            QVERIFY2(consistent(model), qPrintable(QStringLiteral("after step %1").arg(step)));
        }
        // Every change came line by line.
        QCOMPARE(resets.size(), 0);
    }

    void manyChangesAtOnceRebuild()
    {
        auto doc = openRandom(2000, 9);
        CLibraryModel model(*doc);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.sort(libcol::kDate);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        std::vector<int> every;
        for (int n = 0; n < doc->count(); n += 2)
            every.push_back(n);
        QVERIFY(doc->DeleteEntries(every));
        QCOMPARE(resets.size(), 1);
        QVERIFY(consistent(model));
        std::vector<QByteArray> patches(400, patch("bulk"));
        QCOMPARE(doc->AppendPatches(patches), 400);
        QCOMPARE(resets.size(), 2);
        QVERIFY(consistent(model));
    }

    void selectionFollowsItsEntries()
    {
        auto doc = openRandom(50, 4);
        CLibraryModel model(*doc);
        QItemSelectionModel selection(&model);
        const int entry = 17;
        selection.setCurrentIndex(model.index(model.rowOf(entry), 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        for (int column = 0; column < libcol::kColumnCount; ++column) {
            model.sort(column);
            QCOMPARE(model.entryAt(selection.currentIndex().row()), entry);
            QCOMPARE(selection.selectedRows().size(), 1);
            QCOMPARE(model.entryAt(selection.selectedRows().first().row()), entry);
        }
        // Deleting an entry before it moves it up a number but keeps it selected.
        QVERIFY(doc->DeleteEntries({3}));
        QCOMPARE(model.entryAt(selection.currentIndex().row()), entry - 1);
    }

    void columnsAndTexts_data()
    {
        QTest::addColumn<bool>("categories");
        QTest::addColumn<QStringList>("headings");
        QTest::newRow("keys") << false << QStringList{"Name",  "Date",  "Comment", "Key 1", "Key 2", "Key 3",
                                                      "Key 4", "Key 5", "Key 6",   "Key 7", "Key 8"};
        QTest::newRow("categories") << true << QStringList{"Name", "Date", "Comment", "Category"};
    }
    void columnsAndTexts()
    {
        QFETCH(bool, categories);
        QFETCH(QStringList, headings);
        const QString path = m_dir.filePath(QStringLiteral("t%1.clb").arg(++m_files));
        Rec r{"Shown", {17, 1, 1, 1, 1, 1, 1, 33}, "a comment", "24.12.2023 18:30"};
        r.category = 12;
        writeFile(path, library({r}));
        CLibraryDocument doc(m_reporter);
        QVERIFY(doc.Open(path));
        CLibraryDocument::KeyNames names;
        names.fill(QStringLiteral("No Entry"));
        names[17] = QStringLiteral("Warm");
        names[33] = QStringLiteral("Bright");
        names[1] = QStringLiteral("No Selection");
        doc.setKeyNames(names);
        CLibraryModel model(doc);
        QSignalSpy removedColumns(&model, &QAbstractItemModel::columnsRemoved);
        doc.setUseCategories(categories);
        QCOMPARE(removedColumns.size(), categories ? 1 : 0);
        QCOMPARE(model.columnCount(), headings.size());
        QStringList shown;
        for (int c = 0; c < model.columnCount(); ++c)
            shown << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(shown, headings);
        const auto text = [&](int c) { return model.data(model.index(0, c)).toString(); };
        QCOMPARE(text(0), QStringLiteral("Shown       "));
        QCOMPARE(text(1), QStringLiteral("24.12.2023 18:30"));
        QCOMPARE(text(2), QStringLiteral("a comment"));
        if (categories) {
            QCOMPARE(text(3), QStringLiteral("Bass         "));
        } else {
            QCOMPARE(text(3), QStringLiteral("Warm"));
            QCOMPARE(text(4), QString());
            QCOMPARE(text(10), QStringLiteral("Bright"));
        }
    }
};

QTEST_GUILESS_MAIN(TestLibraryModel)
#include "tst_librarymodel.moc"
