// Mutating and morphing records: every row stays within its range on every model,
// choices and the rows outside a variation stay unless asked, the same seed gives
// the same bytes, and a morph's ends are its sources byte for byte.

#include "model/PatchArray.h"
#include "model/PatchVariation.h"
#include "model/PerformanceArray.h"
#include "model/RecordEdit.h"
#include "model/RhythmArray.h"

#include <QFile>
#include <QTest>

using params::Editor;
using sysex::Block;
using variation::MutateOptions;
Q_DECLARE_METATYPE(params::Editor)
Q_DECLARE_METATYPE(SynthModel)

namespace {

QByteArray newRecord(Editor editor)
{
    switch (editor) {
    case Editor::Patch:
        return CPatchArray().record(0);
    case Editor::Performance:
        return CPerformanceArray().record(0);
    case Editor::Rhythm:
        return CRhythmArray().record(0);
    }
    return {};
}

// The first patches of a real dump, or none when the dumps are absent.
std::vector<QByteArray> realPatches(int count)
{
    std::vector<QByteArray> out;
    QFile f(QStringLiteral(TONELOOM_TESTDATA_DIR "/real/kk_JV1080_AGSOUND1.syx"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    CPatchArray patches;
    const int read = patches.Load(f);
    for (int i = 0; i < std::min(read, count); ++i)
        out.push_back(patches.record(i));
    return out;
}

// Records to vary: the new record, a strong variation of it with every choice, and for
// patches real ones.
std::vector<QByteArray> sources(Editor editor)
{
    std::vector<QByteArray> out = {newRecord(editor)};
    MutateOptions wild;
    wild.amount = 100;
    wild.sections = variation::kAllSections;
    wild.choices = true;
    wild.seed = 99;
    out.push_back(variation::mutate(editor, out.front(), wild));
    if (editor == Editor::Patch)
        for (const QByteArray& p : realPatches(4))
            out.push_back(p);
    return out;
}

const std::uint8_t* dataOf(const QByteArray& image, const params::Param& p, int index)
{
    return reinterpret_cast<const std::uint8_t*>(image.constData()) + recordlayout::dataOffset(p.block, index);
}

// Every row of every block of an editor's record, with its block index.
template <typename F>
void forEachRow(Editor editor, F&& f)
{
    for (Block block : {recordlayout::commonBlock(editor), recordlayout::subBlock(editor)})
        for (int i = 0; i < recordlayout::blockCount(block); ++i)
            for (const params::Param& p : params::rows(block))
                f(p, i);
}

bool rowEqual(const QByteArray& x, const QByteArray& y, const params::Param& p, int index)
{
    const std::uint8_t* a = dataOf(x, p, index);
    const std::uint8_t* b = dataOf(y, p, index);
    return std::equal(a + p.offset, a + p.offset + p.size, b + p.offset);
}

bool namesTheStore(const params::Param& p)
{
    using valuelists::Kind;
    return p.list.kind == Kind::WaveGroup || p.list.kind == Kind::WaveNumber || p.list.kind == Kind::PatchGroup
           || p.list.kind == Kind::PartPatch;
}

} // namespace

class TestPatchVariation : public QObject
{
    Q_OBJECT

private slots:
    void staysInRange_data();
    void staysInRange();
    void eachRowVariesAsItsColumnSays_data();
    void eachRowVariesAsItsColumnSays();
    void amountZeroAndSeeds_data();
    void amountZeroAndSeeds();
    void onlyChosenBlocks();
    void morphEnds_data();
    void morphEnds();
};

void TestPatchVariation::staysInRange_data()
{
    QTest::addColumn<Editor>("editor");
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<int>("amount");
    const std::pair<Editor, const char*> editors[] = {
        {Editor::Patch, "patch"}, {Editor::Performance, "performance"}, {Editor::Rhythm, "rhythm"}};
    const std::pair<SynthModel, const char*> models[] = {
        {SynthModel::Jv1080, "JV-1080"}, {SynthModel::Jv2080, "JV-2080"}, {SynthModel::Xp, "XP"}};
    for (const auto& [editor, e] : editors)
        for (const auto& [model, m] : models)
            for (int amount : {1, 37, 100})
                QTest::addRow("%s %s %d%%", e, m, amount) << editor << model << amount;
}

// Every row after a mutation with every section and choice holds a value the instrument
// accepts, within its range in its context; a row the model does not show is untouched.
void TestPatchVariation::staysInRange()
{
    QFETCH(Editor, editor);
    QFETCH(SynthModel, model);
    QFETCH(int, amount);
    for (const QByteArray& source : sources(editor)) {
        for (std::uint32_t seed = 1; seed <= 8; ++seed) {
            MutateOptions o;
            o.amount = amount;
            o.sections = variation::kAllSections;
            o.choices = true;
            o.seed = seed;
            o.model = model;
            const QByteArray out = variation::mutate(editor, source, o);
            QCOMPARE(out.size(), source.size());
            forEachRow(editor, [&](const params::Param& p, int index) {
                const std::uint8_t* d = dataOf(out, p, index);
                if (!params::shownOn(p, model) || namesTheStore(p)) {
                    QVERIFY2(rowEqual(out, source, p, index), qPrintable(p.id));
                    return;
                }
                if (rowEqual(out, source, p, index))
                    return;
                QVERIFY2(params::holdsValidValue(p, d), qPrintable(QStringLiteral("%1 seed %2").arg(p.id).arg(seed)));
                const auto [lo, hi] = variation::contextRange(p, d);
                const int v = params::value(p, d);
                QVERIFY2(v >= lo && v <= hi, qPrintable(QStringLiteral("%1 = %2").arg(p.id).arg(v)));
                if (p.id.endsWith(QLatin1String("upper")) || p.id.endsWith(QLatin1String("Upper"))) {
                    QString lowerId = p.id;
                    lowerId.replace(QLatin1String("upper"), QLatin1String("lower"))
                        .replace(QLatin1String("Upper"), QLatin1String("Lower"));
                    QVERIFY2(params::value(params::row(lowerId), d) <= v, qPrintable(p.id));
                }
            });
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestPatchVariation::eachRowVariesAsItsColumnSays_data()
{
    QTest::addColumn<QString>("id");
    for (const params::Param* p : params::allRows())
        QTest::newRow(qPrintable(p->id)) << p->id;
}

// Over many seeds at full amount: a row without a section never changes; a choice
// changes only when choices are asked for; a continuous or stepwise row of a chosen
// section moves (unless its range has one value), and no row moves when its section is
// left out.
void TestPatchVariation::eachRowVariesAsItsColumnSays()
{
    QFETCH(QString, id);
    const params::Param& p = params::row(id);
    const Editor editor = params::editorOf(p.block);
    const QByteArray source = newRecord(editor);
    const std::optional<variation::Section> section = variation::sectionOf(p);
    const int index = 0;
    bool movedPlain = false;
    bool movedWithChoices = false;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        MutateOptions o;
        o.amount = 100;
        o.seed = seed;
        o.sections = variation::kAllSections;
        o.blocks = {true}; // the common block and the first tone, part or key
        movedPlain = movedPlain || !rowEqual(variation::mutate(editor, source, o), source, p, index);
        o.choices = true;
        const QByteArray wild = variation::mutate(editor, source, o);
        movedWithChoices = movedWithChoices || !rowEqual(wild, source, p, index);
        if (section) {
            o.sections = variation::kAllSections & ~variation::sectionBit(*section);
            QVERIFY2(rowEqual(variation::mutate(editor, source, o), source, p, index), "moved outside its section");
        }
    }
    const std::uint8_t* d = dataOf(source, p, index);
    const params::Variation kind = params::variation(p, d);
    const auto [lo, hi] = variation::contextRange(p, d);
    const bool usable = section && !namesTheStore(p) && params::usedBy(p, d) && hi > lo;
    if (!section || namesTheStore(p)) {
        QVERIFY(!movedPlain);
        QVERIFY(!movedWithChoices);
    } else if (kind == params::Variation::FixedUnlessAsked) {
        QVERIFY(!movedPlain);
        // A multi-effect row the type leaves unused comes into use when the type changes.
        if (p.list.kind != valuelists::Kind::EfxParameter)
            QCOMPARE(movedWithChoices, usable);
    } else {
        QCOMPARE(movedPlain, usable);
    }
}

void TestPatchVariation::amountZeroAndSeeds_data()
{
    QTest::addColumn<Editor>("editor");
    QTest::newRow("patch") << Editor::Patch;
    QTest::newRow("performance") << Editor::Performance;
    QTest::newRow("rhythm") << Editor::Rhythm;
}

void TestPatchVariation::amountZeroAndSeeds()
{
    QFETCH(Editor, editor);
    for (const QByteArray& source : sources(editor)) {
        MutateOptions o;
        o.sections = variation::kAllSections;
        o.choices = true;
        o.amount = 0;
        QCOMPARE(variation::mutate(editor, source, o), source);
        o.amount = 30;
        o.seed = 7;
        const QByteArray first = variation::mutate(editor, source, o);
        QCOMPARE(variation::mutate(editor, source, o), first);
        QVERIFY(first != source);
        o.seed = 8;
        QVERIFY(variation::mutate(editor, source, o) != first);
        // Checksums are made fresh: a record of the array with them recalculated is the same.
        QByteArray checked = first;
        recordLayout(static_cast<ItemKind>(editor));
        CPatchArray patches;
        CPerformanceArray performances;
        CRhythmArray rhythms;
        const CRecordArray* arrays[] = {&patches, &performances, &rhythms};
        arrays[static_cast<int>(editor)]->recalcImageChecksums(reinterpret_cast<std::uint8_t*>(checked.data()));
        QCOMPARE(checked, first);
    }
}

// Only the ticked tones change, and the common block only when asked.
void TestPatchVariation::onlyChosenBlocks()
{
    const QByteArray source = newRecord(Editor::Patch);
    MutateOptions o;
    o.amount = 100;
    o.sections = variation::kAllSections;
    o.blocks = {false, true, false, false};
    o.common = false;
    const QByteArray out = variation::mutate(Editor::Patch, source, o);
    for (int t = 0; t < 4; ++t) {
        const int from = CPatchArray::toneOffset(t);
        const bool same = out.mid(from, CPatchArray::kToneSize) == source.mid(from, CPatchArray::kToneSize);
        QCOMPARE(same, t != 1);
    }
    QCOMPARE(out.left(CPatchArray::kCommonSize), source.left(CPatchArray::kCommonSize));
}

void TestPatchVariation::morphEnds_data()
{
    QTest::addColumn<Editor>("editor");
    QTest::newRow("patch") << Editor::Patch;
    QTest::newRow("performance") << Editor::Performance;
    QTest::newRow("rhythm") << Editor::Rhythm;
}

// 0 % is A and 100 % is B, byte for byte; in between every row is between the two or
// one of them, and a row that is not continuous is A's below 50 % and B's from 50 %.
void TestPatchVariation::morphEnds()
{
    QFETCH(Editor, editor);
    const std::vector<QByteArray> all = sources(editor);
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        const QByteArray& a = all[i];
        const QByteArray& b = all[i + 1];
        QCOMPARE(variation::morph(editor, a, b, 0), a);
        QCOMPARE(variation::morph(editor, a, b, 100), b);
        for (int t : {1, 49, 50, 73, 99}) {
            const QByteArray m = variation::morph(editor, a, b, t);
            forEachRow(editor, [&](const params::Param& p, int index) {
                if (rowEqual(m, a, p, index) || rowEqual(m, b, p, index))
                    return;
                const std::uint8_t* da = dataOf(a, p, index);
                const std::uint8_t* db = dataOf(b, p, index);
                QVERIFY2(params::variation(p, da) == params::Variation::Continuous, qPrintable(p.id));
                const int v = params::value(p, dataOf(m, p, index));
                const int va = params::value(p, da);
                const int vb = params::value(p, db);
                QVERIFY2(v >= std::min(va, vb) && v <= std::max(va, vb), qPrintable(p.id));
            });
            if (t == 49 || t == 50) {
                const QByteArray& side = t < 50 ? a : b;
                forEachRow(editor, [&](const params::Param& p, int index) {
                    if (params::variation(p, dataOf(side, p, index)) != params::Variation::Continuous)
                        QVERIFY2(rowEqual(m, side, p, index), qPrintable(p.id));
                });
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestPatchVariation)
#include "tst_patchvariation.moc"
