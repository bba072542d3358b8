#include "LibraryFixture.h"

#include "bank/ToneloomDoc.h"
#include "library/DoublePatchFinder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace libtest;

namespace {

struct Found
{
    int first;
    int second;
    QString text;
    bool operator==(const Found&) const = default;
};

char* toString(const Found& f)
{
    return qstrdup(qPrintable(QStringLiteral("(%1, %2, %3)").arg(f.first).arg(f.second).arg(f.text)));
}

QString withoutTrailingBlanks(const QByteArray& name)
{
    QString text = QString::fromLatin1(name);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// Every entry against every later one, record by record, as the search is defined.
std::vector<Found> bruteForce(const QByteArray& file)
{
    std::vector<Found> pairs;
    const int n = static_cast<int>(file.size() / clb::kRecordSize);
    for (int i = 0; i + 1 < n; ++i) {
        const QByteArray a = file.mid(i * 750, 750);
        for (int j = i + 1; j < n; ++j) {
            const QByteArray b = file.mid(j * 750, 750);
            if (CDoublePatchFinder::samePatch(a.constData() + clb::kOffPatch, b.constData() + clb::kOffPatch))
                pairs.push_back({i, j,
                                 QStringLiteral("\"%1\" and \"%2\" are equal")
                                     .arg(withoutTrailingBlanks(a.mid(clb::kOffName, 12)),
                                          withoutTrailingBlanks(b.mid(clb::kOffName, 12)))});
        }
    }
    return pairs;
}

std::vector<Found> findAll(const QString& path, qint64* lastProgress = nullptr)
{
    std::vector<Found> pairs;
    const bool ok = CDoublePatchFinder::find(
        path, {},
        [&](int i, int j, const QString& text) {
            pairs.push_back({i, j, text});
        },
        [&](qint64 done) {
            if (lastProgress)
                *lastProgress = done;
        });
    if (!ok)
        pairs.push_back({-1, -1, QStringLiteral("failed")});
    return pairs;
}

} // namespace

using Pairs = QList<QPair<int, int>>;

class TestDoublePatches : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString fresh(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("d%1.clb").arg(++m_files));
        writeFile(path, bytes);
        return path;
    }

private slots:
    void equalityRule_data()
    {
        QTest::addColumn<int>("offset"); // a byte of the patch image changed
        QTest::addColumn<bool>("equal");
        QTest::newRow("the name") << 9 + 3 << true;
        QTest::newRow("the category") << 9 + 73 << true;
        QTest::newRow("the byte before the category") << 9 + 72 << true;
        QTest::newRow("common data 71") << 9 + 71 << false;
        QTest::newRow("common data 12, first after the name") << 9 + 12 << false;
        QTest::newRow("the device byte") << 2 << true;
        QTest::newRow("an address byte") << 6 << true;
        QTest::newRow("the common checksum") << 83 << true;
        QTest::newRow("tone 1, first data byte") << 85 + 9 << false;
        QTest::newRow("tone 4, last data byte") << 505 + 9 + 128 << false;
        QTest::newRow("tone 4, its checksum") << 505 + 138 << true;
    }
    void equalityRule()
    {
        QFETCH(int, offset);
        QFETCH(bool, equal);
        const QByteArray a = patch("Same", 1, 3);
        QByteArray b = a;
        b[offset] = static_cast<char>(b[offset] ^ 0x05);
        QCOMPARE(CDoublePatchFinder::samePatch(a.constData(), b.constData()), equal);
        if (equal)
            QCOMPARE(CDoublePatchFinder::fingerprint(a.constData()), CDoublePatchFinder::fingerprint(b.constData()));
    }

    void samePairsInTheSameOrderAsComparingEveryPair_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("none") << 0 << 1u;
        QTest::newRow("one") << 1 << 1u;
        QTest::newRow("two") << 2 << 3u;
        QTest::newRow("many equal") << 300 << 5u;
    }
    void samePairsInTheSameOrderAsComparingEveryPair()
    {
        QFETCH(int, entries);
        QFETCH(quint32, seed);
        // Names and categories vary freely; only eight different sounds exist.
        const QByteArray bytes = library(randomRecords(entries, seed));
        const QString path = fresh(bytes);
        qint64 progress = -1;
        const std::vector<Found> found = findAll(path, &progress);
        const std::vector<Found> expected = bruteForce(bytes);
        QCOMPARE(found.size(), expected.size());
        for (std::size_t i = 0; i < found.size(); ++i)
            QCOMPARE(found[i], expected[i]);
        QCOMPARE(progress, CDoublePatchFinder::pairCount(entries));
        if (entries == 300)
            QVERIFY(found.size() > 3000);
    }

    void realDoublePatches()
    {
        if (!realDumpsPresent())
            QSKIP("the shared real dumps are not present");
        SynthSettings settings;
        CCollectingReporter reporter;
        QByteArray bytes;
        for (const char* file : {"kk_SuperJVPad.syx", "locurasoft_single.syx", "kk_SuperJVPad2.syx"}) {
            CToneloomDoc bank(settings, reporter);
            QVERIFY(bank.OnOpenDocument(realDump(QString::fromLatin1(file))));
            bytes += clb::makeRecord(bank.patches().record(0), QDateTime::currentDateTime());
        }
        // Only the patch number and the checksums tell the two apart.
        const std::vector<Found> found = findAll(fresh(bytes));
        QCOMPARE(found.size(), std::size_t(1));
        QCOMPARE(found.front(), (Found{0, 2, "\"Super JV Pad\" and \"Super JV Pad\" are equal"}));

        // A bank whose last 70 slots hold the same "Init Patch": every pair of them.
        CToneloomDoc bank(settings, reporter);
        QVERIFY(bank.OnOpenDocument(realDump(QStringLiteral("ahlzen_PadVoxBell.syx"))));
        QByteArray whole;
        for (int i = 0; i < 128; ++i)
            whole += clb::makeRecord(bank.patches().record(i), QDateTime::currentDateTime());
        const std::vector<Found> all = findAll(fresh(whole));
        QVERIFY(all == bruteForce(whole));
        QVERIFY(all.size() >= std::size_t(70 * 69 / 2));
    }

    void aBrokenFileEndsTheSearch()
    {
        QVERIFY(!CDoublePatchFinder::find(m_dir.filePath(QStringLiteral("missing.clb")), {}, {}, {}));
        std::stop_source stopped;
        stopped.request_stop();
        int calls = 0;
        QVERIFY(!CDoublePatchFinder::find(fresh(library({{"A"}, {"B"}})), stopped.get_token(),
                                          [&](int, int, const QString&) { ++calls; }, {}));
        QCOMPARE(calls, 0);
    }

    void stoppingMidRun()
    {
        // 20,000 equal patches: some two hundred million pairs, far more than can be
        // listed before the stop.
        std::vector<Rec> recs(20000, Rec{"Same"});
        const QString path = fresh(library(recs));
        CDoublePatchFinder finder;
        // Received on this thread, as a window receives them.
        std::vector<std::pair<int, int>> found;
        std::vector<bool> done;
        QObject receiver;
        connect(&finder, &CDoublePatchFinder::pairFound, &receiver,
                [&](int i, int j, const QString&) { found.emplace_back(i, j); });
        connect(&finder, &CDoublePatchFinder::done, &receiver, [&](bool completed) { done.push_back(completed); });
        finder.start(path);
        QTRY_VERIFY_WITH_TIMEOUT(found.size() >= 3, 20000);
        QVERIFY(finder.isRunning());
        finder.stop();
        QVERIFY(!finder.isRunning());
        QTRY_COMPARE(done.size(), std::size_t(1));
        QCOMPARE(done.front(), false);
        QVERIFY(found.size() < 100000);
        // The first pairs are those of entry 0, in order.
        QCOMPARE(found[0], std::make_pair(0, 1));
        QCOMPARE(found[1], std::make_pair(0, 2));
        QCOMPARE(found[2], std::make_pair(0, 3));
    }

    // Pairs gather into groups: every patch equal to another is in exactly one group.
    void groupsOfEqualPatches_data()
    {
        QTest::addColumn<Pairs>("pairs");
        QTest::addColumn<QList<QList<int>>>("groups");
        QTest::newRow("one pair") << QList<QPair<int, int>>{{1, 4}} << QList<QList<int>>{{1, 4}};
        QTest::newRow("three equal") << QList<QPair<int, int>>{{0, 2}, {0, 5}, {2, 5}} << QList<QList<int>>{{0, 2, 5}};
        QTest::newRow("two groups interleaved") << QList<QPair<int, int>>{{0, 3}, {1, 2}, {1, 6}, {2, 6}, {3, 7}}
                                                << QList<QList<int>>{{0, 3, 7}, {1, 2, 6}};
    }
    void groupsOfEqualPatches()
    {
        QFETCH(Pairs, pairs);
        QFETCH(QList<QList<int>>, groups);
        CDoubleGroups found;
        for (const auto& [a, b] : pairs)
            found.add(a, b);
        QList<QList<int>> got;
        for (const std::vector<int>& g : found.groups())
            got << QList<int>(g.begin(), g.end());
        QCOMPARE(got, groups);
        QCOMPARE(CDoubleGroups::text({"A   ", "B"}), QStringLiteral("\"A\" and \"B\" are equal"));
        QCOMPARE(CDoubleGroups::text({"A", "B", "C  "}), QStringLiteral("\"A\", \"B\" and \"C\" are equal"));
    }

    void pairCounts()
    {
        QCOMPARE(CDoublePatchFinder::pairCount(0), 0);
        QCOMPARE(CDoublePatchFinder::pairCount(1), 0);
        QCOMPARE(CDoublePatchFinder::pairCount(2), 1);
        QCOMPARE(CDoublePatchFinder::pairCount(100000), 4999950000LL);
        QCOMPARE(CDoublePatchFinder::pairText("Pad A       ", "B"), QStringLiteral("\"Pad A\" and \"B\" are equal"));
    }
};

QTEST_GUILESS_MAIN(TestDoublePatches)
#include "tst_doublepatches.moc"
