#include "LibraryFixture.h"

#include "library/LibraryQuery.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <numeric>

using namespace libtest;

namespace {

// The expression worked out the long way: the terms up to the first END, each NOT
// applied to the key after it, then every AND folded into its left term (scanning
// from the left each time), then every OR.
bool referenceEvaluate(bool nameMatch, const std::array<bool, 4>& keys, const std::array<SearchOp, 4>& ops)
{
    std::vector<bool> terms{nameMatch};
    std::vector<SearchOp> operators;
    for (int i = 0; i < 4; ++i) {
        SearchOp op = ops[static_cast<std::size_t>(i)];
        if (op == SearchOp::End)
            break;
        bool term = keys[static_cast<std::size_t>(i)];
        if (op == SearchOp::AndNot) {
            op = SearchOp::And;
            term = !term;
        } else if (op == SearchOp::OrNot) {
            op = SearchOp::Or;
            term = !term;
        }
        operators.push_back(op);
        terms.push_back(term);
    }
    for (SearchOp pass : {SearchOp::And, SearchOp::Or}) {
        for (;;) {
            const auto at = std::find(operators.begin(), operators.end(), pass);
            if (at == operators.end())
                break;
            const auto i = static_cast<std::size_t>(at - operators.begin());
            terms[i] = pass == SearchOp::And ? (terms[i] && terms[i + 1]) : (terms[i] || terms[i + 1]);
            terms.erase(terms.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            operators.erase(at);
        }
    }
    return terms.front();
}

QDateTime dateOf(const QString& text)
{
    return QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy hh:mm"));
}

// The listed entries by brute force: every entry tested through the texts the list
// shows, then sorted stably by those texts.
std::vector<int> referenceList(const CLibraryDocument& doc, const CLibrarySearch& s, int column)
{
    std::vector<int> rows;
    for (int n = 0; n < doc.count(); ++n) {
        const QString name = doc.name(n);
        const bool nameMatch = s.name.isEmpty() || name.contains(QString::fromLatin1(s.name), Qt::CaseSensitive);
        std::array<bool, 4> keys{};
        for (int i = 0; i < 4; ++i)
            for (std::uint8_t k : doc.entry(n).keys)
                keys[static_cast<std::size_t>(i)] =
                    keys[static_cast<std::size_t>(i)] || k == s.keys[static_cast<std::size_t>(i)];
        if (referenceEvaluate(nameMatch, keys, s.ops))
            rows.push_back(n);
    }
    const auto text = [&](int n) -> QString {
        if (column == libcol::kComment)
            return doc.comment(n);
        if (column == libcol::kCategory)
            return doc.categoryName(n);
        if (column >= libcol::kFirstKey)
            return doc.keyText(n, column - libcol::kFirstKey);
        return doc.name(n);
    };
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        if (column == libcol::kDate)
            return dateOf(doc.date(a)) < dateOf(doc.date(b));
        return text(a) < text(b);
    });
    return rows;
}

} // namespace

class TestLibraryQuery : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CCollectingReporter m_reporter;

private slots:
    void everyExpressionAgainstTheLongWay()
    {
        int cases = 0;
        for (int code = 0; code < 625; ++code) {
            std::array<SearchOp, 4> ops{};
            for (int i = 0, c = code; i < 4; ++i, c /= 5)
                ops[static_cast<std::size_t>(i)] = static_cast<SearchOp>(c % 5);
            for (int bits = 0; bits < 32; ++bits) {
                const bool name = bits & 1;
                const std::array<bool, 4> keys = {(bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0, (bits & 16) != 0};
                QCOMPARE(CLibrarySearch::evaluate(name, keys, ops), referenceEvaluate(name, keys, ops));
                ++cases;
            }
        }
        QCOMPARE(cases, 20000);
    }

    void expressions_data()
    {
        QTest::addColumn<QList<int>>("ops");
        QTest::addColumn<int>("bits"); // name, keys 1..4 from bit 0 up
        QTest::addColumn<bool>("result");
        using L = QList<int>;
        QTest::newRow("END: the name alone, true") << L{0, 1, 1, 1} << 0b00001 << true;
        QTest::newRow("END: the name alone, false") << L{0, 2, 2, 2} << 0b11110 << false;
        QTest::newRow("name AND A, both") << L{1, 0, 0, 0} << 0b00011 << true;
        QTest::newRow("name AND A OR B: only B") << L{1, 2, 0, 0} << 0b00100 << true;
        QTest::newRow("name AND A OR B: only name") << L{1, 2, 0, 0} << 0b00001 << false;
        QTest::newRow("AND before OR: name OR A AND B, only A") << L{2, 1, 0, 0} << 0b00010 << false;
        QTest::newRow("NOT applies to the key after it") << L{2, 3, 0, 0} << 0b00010 << true;
        QTest::newRow("OR NOT then AND: not A and B") << L{4, 1, 0, 0} << 0b00100 << true;
        QTest::newRow("OR NOT then AND: A and B") << L{4, 1, 0, 0} << 0b00110 << false;
        QTest::newRow("OR NOT then AND: neither") << L{4, 1, 0, 0} << 0b00000 << false;
        QTest::newRow("operators after END do not count") << L{1, 0, 4, 4} << 0b00011 << true;
    }
    void expressions()
    {
        QFETCH(QList<int>, ops);
        QFETCH(int, bits);
        QFETCH(bool, result);
        std::array<SearchOp, 4> o{};
        for (int i = 0; i < 4; ++i)
            o[static_cast<std::size_t>(i)] = static_cast<SearchOp>(ops[i]);
        const std::array<bool, 4> keys = {(bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0, (bits & 16) != 0};
        QCOMPARE(CLibrarySearch::evaluate(bits & 1, keys, o), result);
    }

    void nameFilter_data()
    {
        QTest::addColumn<QByteArray>("filter");
        QTest::addColumn<bool>("matches");
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("inside") << QByteArray("Pad") << true;
        QTest::newRow("case counts") << QByteArray("pad") << false;
        QTest::newRow("the padding blanks count") << QByteArray("Pad 2  ") << true;
        QTest::newRow("longer than a name") << QByteArray("Soft Pad 2   X") << false;
    }
    void nameFilter()
    {
        QFETCH(QByteArray, filter);
        QFETCH(bool, matches);
        CLibraryEntry e;
        std::memcpy(e.name.data(), "Soft Pad 2  ", 12);
        CLibrarySearch s;
        s.name = filter;
        QCOMPARE(s.matches(e), matches);
    }

    void longCommentsSortWhole()
    {
        const QByteArray same(30, 'c');
        std::vector<Rec> recs = {{"a", {}, same + "z"},
                                 {"b", {}, same + "b"},
                                 {"c", {}, same.left(24)},
                                 {"d", {}, same.left(25)},
                                 {"e", {}, same + "b"},
                                 {"f", {}, QByteArray(79, 'c')},
                                 {"g", {}, QByteArray(23, 'c') + "\xE9"}};
        const QString path = m_dir.filePath(QStringLiteral("comments.clb"));
        writeFile(path, library(recs));
        CLibraryDocument doc(m_reporter);
        QVERIFY(doc.Open(path));
        QCOMPARE(listEntries(doc, {}, libcol::kComment), (std::vector<int>{2, 3, 1, 4, 5, 0, 6}));
        QCOMPARE(listEntries(doc, {}, libcol::kComment), referenceList(doc, {}, libcol::kComment));
    }

    void listsAgainstBruteForce_data()
    {
        QTest::addColumn<bool>("categories");
        QTest::newRow("keys") << false;
        QTest::newRow("categories") << true;
    }
    void listsAgainstBruteForce()
    {
        QFETCH(bool, categories);
        const QString path = m_dir.filePath(QStringLiteral("random%1.clb").arg(categories));
        writeFile(path, library(randomRecords(300, 7)));
        CLibraryDocument doc(m_reporter);
        QVERIFY(doc.Open(path));
        CLibraryDocument::KeyNames names;
        QRandomGenerator random(11);
        for (auto& n : names)
            n = QStringLiteral("K%1").arg(random.bounded(30)); // repeated names tie
        names[5] = QString::fromLatin1(clb::kNoSelection);
        doc.setKeyNames(names);
        doc.setUseCategories(categories);
        for (int round = 0; round < 20; ++round) {
            CLibrarySearch s;
            const QByteArray letters = "ABab ";
            for (int c = 0, len = static_cast<int>(random.bounded(3)); c < len; ++c)
                s.name += letters[random.bounded(5)];
            for (int i = 0; i < 4; ++i) {
                s.ops[static_cast<std::size_t>(i)] = static_cast<SearchOp>(random.bounded(5));
                s.keys[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(random.bounded(0, 40));
            }
            for (int column = 0; column <= libcol::kCategory; ++column)
                QCOMPARE(listEntries(doc, s, column), referenceList(doc, s, column));
        }
    }
};

QTEST_GUILESS_MAIN(TestLibraryQuery)
#include "tst_libraryquery.moc"
