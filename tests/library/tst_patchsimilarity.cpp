#include "LibraryFixture.h"

#include "library/DoublePatchFinder.h"
#include "library/LibraryImport.h"
#include "library/PatchSimilarity.h"
#include "model/ExpansionNames.h"
#include "model/ParamTable.h"
#include "model/PatchUses.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>

using namespace libtest;
using similarity::CSimilarityIndex;

namespace {

std::uint8_t* blockData(QByteArray& image, const params::Param& row, int tone)
{
    auto* bytes = reinterpret_cast<std::uint8_t*>(image.data());
    return row.block == sysex::Block::PatchCommon ? bytes + CPatchArray::commonParam(0)
                                                  : bytes + CPatchArray::toneParam(tone, 0);
}

// Patches from a few parents, each child with some rows set anew within their ranges:
// families of near sounds, and some exact copies under other names.
std::vector<QByteArray> generatedPatches(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    std::vector<const params::Param*> rows;
    for (auto block : {sysex::Block::PatchCommon, sysex::Block::PatchTone})
        for (const params::Param& p : params::rows(block))
            if (p.encoding != params::Encoding::Name)
                rows.push_back(&p);
    std::vector<QByteArray> out;
    for (int i = 0; i < count; ++i) {
        if (i >= 4 && random.bounded(10) == 0) {
            QByteArray copy = out[random.bounded(static_cast<quint32>(out.size()))];
            copy.replace(CRecordArray::kNameOffset, clb::kNameLength, QByteArray("Copy").leftJustified(12));
            out.push_back(copy);
            continue;
        }
        QByteArray image = i < 4 ? patch("Parent") : out[random.bounded(static_cast<quint32>(std::min<int>(i, 4)))];
        const int changes = i < 4 ? 60 : static_cast<int>(random.bounded(1, 8));
        for (int c = 0; c < changes; ++c) {
            const params::Param& row = *rows[random.bounded(static_cast<quint32>(rows.size()))];
            const int tone = static_cast<int>(random.bounded(4));
            int value = static_cast<int>(random.bounded(row.min, row.max + 1));
            if (row.encoding == params::Encoding::Group)
                value = static_cast<int>(random.bounded(3)) * 128 + static_cast<int>(random.bounded(1, 4));
            params::setValue(row, blockData(image, row, tone), value);
        }
        out.push_back(image);
    }
    return out;
}

// The rows that count, each with its weight, read once.
struct RefRow
{
    const params::Param* row;
    int tone;
    similarity::Weight weight;
};

const std::vector<RefRow>& referenceRows()
{
    static const std::vector<RefRow> rows = [] {
        std::vector<RefRow> out;
        for (auto block : {sysex::Block::PatchCommon, sysex::Block::PatchTone})
            for (int tone = 0; tone < (block == sysex::Block::PatchTone ? 4 : 1); ++tone)
                for (const params::Param& row : params::rows(block))
                    if (similarity::weightOf(row).measure != similarity::Measure::Ignored)
                        out.push_back({&row, tone, similarity::weightOf(row)});
        return out;
    }();
    return rows;
}

bool toneIsOn(QByteArray& image, int tone)
{
    const params::Param* toneSwitch = params::find(QStringLiteral("tone.switch"));
    return params::value(*toneSwitch, blockData(image, *toneSwitch, tone)) != 0;
}

// The distance as the rows define it, summed in the plainest way; the rows of a tone
// that is switched off read as their minimum.
double referenceDistance(const QByteArray& a, const QByteArray& b, double& total)
{
    double d = 0;
    total = 0;
    QByteArray ca = a;
    QByteArray cb = b;
    const auto valueIn = [](QByteArray& image, const RefRow& r) {
        const bool toneRow = r.row->block == sysex::Block::PatchTone && r.row->id != QLatin1String("tone.switch");
        return toneRow && !toneIsOn(image, r.tone) ? r.row->min
                                                   : params::value(*r.row, blockData(image, *r.row, r.tone));
    };
    for (const RefRow& r : referenceRows()) {
        const params::Param& row = *r.row;
        const similarity::Weight w = r.weight;
        const int va = valueIn(ca, r);
        const int vb = valueIn(cb, r);
        if (w.measure == similarity::Measure::Categorical || row.max - row.min > 255) {
            total += w.weight;
            d += va != vb ? w.weight : 0.0;
        } else if (row.max > row.min) {
            total += w.weight;
            const int range = row.max - row.min;
            const int ca2 = std::clamp(va - row.min, 0, range);
            const int cb2 = std::clamp(vb - row.min, 0, range);
            d += w.weight * std::abs(ca2 - cb2) / range;
        }
    }
    return d;
}

double referencePercent(const QByteArray& a, const QByteArray& b)
{
    double total = 0;
    const double d = referenceDistance(a, b, total);
    return 100.0 * (1.0 - d / total);
}

CSimilarityIndex indexOf(const std::vector<QByteArray>& patches)
{
    std::vector<const char*> images;
    for (const QByteArray& p : patches)
        images.push_back(p.constData());
    CSimilarityIndex index;
    index.build(images);
    return index;
}

} // namespace

class TestPatchSimilarity : public QObject
{
    Q_OBJECT

private slots:
    void nearestAgainstBruteForce_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("top");
        QTest::newRow("a parent, all") << 0 << 400;
        QTest::newRow("a child, 10") << 17 << 10;
        QTest::newRow("the last, 50") << 399 << 50;
    }
    void nearestAgainstBruteForce()
    {
        QFETCH(int, entry);
        QFETCH(int, top);
        const std::vector<QByteArray> patches = generatedPatches(400, 26);
        const CSimilarityIndex index = indexOf(patches);
        const auto matches = index.nearest(entry, top);
        QCOMPARE(static_cast<int>(matches.size()), std::min(top, 400));
        // The reference order: the entry itself, its copies, then by percentage.
        std::vector<std::pair<double, int>> reference;
        for (int n = 0; n < 400; ++n)
            reference.emplace_back(
                referencePercent(patches[static_cast<std::size_t>(entry)], patches[static_cast<std::size_t>(n)]), n);
        std::stable_sort(reference.begin(), reference.end(), [&](const auto& x, const auto& y) {
            if (std::abs(x.first - y.first) > 1e-9)
                return x.first > y.first;
            if ((x.second == entry) != (y.second == entry))
                return x.second == entry;
            return false;
        });
        QCOMPARE(matches.front().entry, entry);
        QCOMPARE(matches.front().percent, 100.0);
        for (std::size_t i = 0; i < matches.size(); ++i) {
            QVERIFY2(
                std::abs(matches[i].percent - reference[i].first) < 1e-3,
                qPrintable(
                    QStringLiteral("place %1: %2 against %3").arg(i).arg(matches[i].percent).arg(reference[i].first)));
            QVERIFY(std::abs(referencePercent(patches[static_cast<std::size_t>(entry)],
                                              patches[static_cast<std::size_t>(matches[i].entry)])
                             - matches[i].percent)
                    < 1e-3);
            const bool exact =
                CDoublePatchFinder::samePatch(patches[static_cast<std::size_t>(matches[i].entry)].constData(),
                                              patches[static_cast<std::size_t>(entry)].constData());
            QCOMPARE(matches[i].exact, exact || matches[i].entry == entry);
        }
    }

    // A tone that is switched off plays nothing: what it holds does not count, its
    // switch does.
    void aSilentToneCountsOnlyByItsSwitch_data()
    {
        QTest::addColumn<bool>("toneOn");
        QTest::addColumn<QString>("changed");
        QTest::addColumn<bool>("equal");
        QTest::newRow("cutoff of a silent tone") << false << "tone.tvf.cutoff" << true;
        QTest::newRow("wave of a silent tone") << false << "tone.wave.number" << true;
        QTest::newRow("cutoff of a sounding tone") << true << "tone.tvf.cutoff" << false;
        QTest::newRow("the switch itself") << true << "tone.switch" << false;
    }
    void aSilentToneCountsOnlyByItsSwitch()
    {
        QFETCH(bool, toneOn);
        QFETCH(QString, changed);
        QFETCH(bool, equal);
        const params::Param* toneSwitch = params::find(QStringLiteral("tone.switch"));
        const params::Param* row = params::find(changed);
        QVERIFY(toneSwitch && row);
        QByteArray a = patch("A");
        params::setValue(*toneSwitch, blockData(a, *toneSwitch, 2), toneOn ? 1 : 0);
        QByteArray b = a;
        const int old = params::value(*row, blockData(b, *row, 2));
        params::setValue(*row, blockData(b, *row, 2), old == row->min ? row->min + 1 : row->min);
        const CSimilarityIndex index = indexOf({a, b});
        const auto found = index.nearest(0, 2);
        QCOMPARE(found.size(), std::size_t(2));
        QCOMPARE(found[1].entry, 1);
        QCOMPARE(found[1].distance == 0, equal);
        QVERIFY(!found[1].exact); // the bytes differ all the same
        QCOMPARE(similarity::percentText(found[1].percent, found[1].exact),
                 equal ? QStringLiteral("99.9 %") : similarity::percentText(referencePercent(a, b), false));
    }

    void itselfAndNearDoubles()
    {
        QByteArray base = generatedPatches(5, 7)[3];
        QByteArray louder = base;
        QByteArray renamed = base;
        renamed.replace(CRecordArray::kNameOffset, 12, QByteArray("Other Name  "));
        renamed[CPatchArray::kCategoryOffset] = 12;
        const params::Param& level = params::row(u"patch.level");
        params::setValue(level, blockData(louder, level, 0), params::value(level, blockData(louder, level, 0)) ^ 0x20);
        const std::vector<QByteArray> patches = {base, louder, renamed, patch("Init")};
        const CSimilarityIndex index = indexOf(patches);
        const auto m = index.nearest(0, 4);
        QCOMPARE(m[0].entry, 0);
        QCOMPARE(similarity::percentText(m[0].percent, m[0].exact), QStringLiteral("100 %"));
        QCOMPARE(m[1].entry, 2);
        QVERIFY(m[1].exact);
        QCOMPARE(m[2].entry, 1);
        QVERIFY(!m[2].exact);
        QVERIFY(m[2].percent > 99.0 && m[2].percent < 100.0);
        QCOMPARE(similarity::percentText(99.999, false), QStringLiteral("99.9 %"));
        // 100 % is the exact search; 99 % takes in the louder one, not the plain patch.
        std::vector<std::pair<int, int>> exact;
        index.pairs(100.0, [&](int a, int b, double) { exact.emplace_back(a, b); });
        QCOMPARE(exact, (std::vector<std::pair<int, int>>{{0, 2}}));
        std::vector<std::pair<int, int>> near;
        index.pairs(99.0, [&](int a, int b, double) { near.emplace_back(a, b); });
        QCOMPARE(near, (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {1, 2}}));
    }

    void pairsAgainstBruteForce()
    {
        constexpr int kCount = 120;
        const std::vector<QByteArray> patches = generatedPatches(kCount, 99);
        const CSimilarityIndex index = indexOf(patches);
        std::vector<std::vector<double>> percent(kCount, std::vector<double>(kCount));
        for (int a = 0; a < kCount; ++a)
            for (int b = a + 1; b < kCount; ++b)
                percent[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] =
                    referencePercent(patches[static_cast<std::size_t>(a)], patches[static_cast<std::size_t>(b)]);
        for (double threshold : {100.0, 99.0, 97.0, 90.0}) {
            std::vector<std::pair<int, int>> found;
            index.pairs(threshold, [&](int a, int b, double) { found.emplace_back(a, b); });
            std::vector<std::pair<int, int>> reference;
            for (int a = 0; a < kCount; ++a)
                for (int b = a + 1; b < kCount; ++b)
                    if (percent[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] >= threshold - 1e-6)
                        reference.emplace_back(a, b);
            QCOMPARE(found, reference);
            QVERIFY(threshold < 100.0 || !found.empty());
        }
    }

    // Waves and boards of the real dumps, against what the wave page shows for them.
    void realDumpsUses()
    {
        if (!realDumpsPresent())
            QSKIP("the real dumps are not there");
        CCollectingReporter reporter;
        const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
        QTemporaryDir dir;
        const QString libPath = dir.filePath(QStringLiteral("real.clb"));
        QVERIFY(writeFile(libPath, {}));
        CLibraryDocument doc(reporter);
        QVERIFY(doc.Open(libPath));
        const auto result = CLibraryImport(doc).run(
            {realDump(QStringLiteral("ahlzen_PadVoxBell.syx")), realDump(QStringLiteral("kk_JV1080_AGSOUND1.syx")),
             realDump(QStringLiteral("kk_SuperJVPad.syx")), realDump(QStringLiteral("kk_SuperJVPad2.syx"))},
            {});
        QCOMPARE(result.summary(), QStringLiteral("added 106, doubles 70, refused 0"));
        // Boards: patches 4, 8 and 19 of the first bank need boards 7, 9 and 1.
        std::vector<std::pair<int, std::vector<int>>> needing;
        for (int n = 0; n < doc.count(); ++n) {
            const auto boards = patchuses::boardsNeeded(doc.entry(n).waves);
            if (!boards.empty())
                needing.emplace_back(n + 1, boards);
        }
        QCOMPARE(needing, (std::vector<std::pair<int, std::vector<int>>>{{4, {7}}, {8, {9}}, {19, {1}}}));
        QCOMPARE(patchuses::boardByText(names, QStringLiteral("none")), 0);
        QCOMPARE(patchuses::boardByText(names, QStringLiteral("7")), 7);
        QCOMPARE(patchuses::boardByText(names, names.GetTitle(NameFileKind::Board, 9)), 9);
        QVERIFY(patchuses::playable(doc.entry(3).waves, {7}));
        QVERIFY(!patchuses::playable(doc.entry(3).waves, {1, 9}));
        // Waves by name: the matcher against the wave page's own text of every tone.
        const params::Param& number = params::row(u"tone.wave.number");
        for (const QString& text :
             {QStringLiteral("Piano"), QStringLiteral("Saw"), QStringLiteral("Vox"), QStringLiteral("Bell")}) {
            const patchuses::CWaveMatcher matcher(names, text);
            int matched = 0;
            for (int n = 0; n < doc.count(); ++n) {
                const QByteArray image = *doc.ReadPatch(n);
                bool expected = false;
                for (int t = 0; t < 4; ++t) {
                    const auto* data =
                        reinterpret_cast<const std::uint8_t*>(image.constData() + CPatchArray::toneParam(t, 0));
                    if (data[0] == 0)
                        continue;
                    const QString shown =
                        params::shownText(number, params::value(number, data), params::ShowContext{data, t, &names});
                    expected = expected || shown.contains(text, Qt::CaseInsensitive);
                }
                QVERIFY2(matcher.matches(doc.entry(n).waves) == expected,
                         qPrintable(doc.name(n) + QLatin1Char(' ') + text));
                matched += expected ? 1 : 0;
            }
            qInfo("%s: %d patches", qPrintable(text), matched);
        }
    }
};

QTEST_GUILESS_MAIN(TestPatchSimilarity)
#include "tst_patchsimilarity.moc"
