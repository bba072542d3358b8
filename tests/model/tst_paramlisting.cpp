#include "model/EfxTypes.h"
#include "model/ExpansionNames.h"
#include "model/ParamListing.h"
#include "model/PatchArray.h"
#include "model/RecordEdit.h"
#include "model/Reporter.h"

#include <QFile>
#include <QTest>

namespace {

QString realDump(const char* name)
{
    return QStringLiteral(TONELOOM_TESTDATA_DIR "/real/") + QLatin1String(name);
}

// Patch index of a dump, or empty when the dump is absent.
QByteArray realPatch(const char* file, int index)
{
    QFile f(realDump(file));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    CPatchArray patches;
    if (patches.Load(f) <= index)
        return {};
    return patches.record(index);
}

QByteArray newPatch()
{
    CPatchArray patches;
    return patches.record(0);
}

QStringList formatted(const std::vector<listing::Line>& lines)
{
    QStringList out;
    for (const listing::Line& l : lines)
        out << listing::format(l);
    return out;
}

} // namespace

class TestParamListing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyRowOnceInPageOrder();
    void linesOfARealPatch_data();
    void linesOfARealPatch();
    void effectRowsOfTheType_data();
    void effectRowsOfTheType();
    void differences_data();
    void differences();

private:
    CCollectingReporter m_reporter;
    std::unique_ptr<CExpansionNames> m_names;
};

void TestParamListing::initTestCase()
{
    m_names = std::make_unique<CExpansionNames>(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), m_reporter);
}

void TestParamListing::everyRowOnceInPageOrder()
{
    const QByteArray patch = newPatch();
    const std::vector<listing::Line> lines = listing::lines(params::Editor::Patch, patch, m_names.get());
    // Common rows once, tone rows once per tone, multi-effect rows as the type uses them
    // (type 01 uses eleven of twelve).
    int expected = 0;
    for (const params::Param& p : params::rows(sysex::Block::PatchCommon))
        expected += p.page != params::Page::None && !p.id.contains(QLatin1String("efx.row")) ? 1 : 0;
    expected += 11;
    for (const params::Param& p : params::rows(sysex::Block::PatchTone))
        expected += p.page != params::Page::None ? 4 : 0;
    QCOMPARE(int(lines.size()), expected);

    QStringList pages;
    for (const params::Tab& tab : params::tabs(params::Editor::Patch))
        pages << tab.text;
    int lastPage = 0;
    for (const listing::Line& l : lines) {
        const int page = int(pages.indexOf(l.page));
        QVERIFY2(page >= lastPage, qPrintable(l.page));
        lastPage = page;
        QVERIFY(!l.label.endsWith(QLatin1Char(':')));
    }
    QCOMPARE(lines.front().page, QStringLiteral("Common"));
    QCOMPARE(lines.back().page, QStringLiteral("Pan / Output"));
    QCOMPARE(lines.back().column, QStringLiteral("Tone 4"));
    // Within a page: rows top to bottom, then the columns.
    const QStringList all = formatted(lines);
    const int first = int(all.indexOf(QStringLiteral("TVF\tTone 1\tFilter Type\tOFF\t0")));
    QVERIFY(first >= 0);
    QCOMPARE(all[first + 3], QStringLiteral("TVF\tTone 4\tFilter Type\tOFF\t0"));
    QCOMPARE(all[first + 4], QStringLiteral("TVF\tTone 1\tCutoff Frequency\t127\t127"));
}

void TestParamListing::linesOfARealPatch_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("name") << "Common\t-\tName\tAstral Chill\tAstral Chill";
    QTest::newRow("chorus") << "Chorus / Reverb\t-\tChorus Level\t%1\t%1";
    QTest::newRow("tempo") << "Common\t-\tTempo\t%1\t%1";
    QTest::newRow("wave group") << "Wave\tTone 1\tWave Group\t%1\t%2";
}

void TestParamListing::linesOfARealPatch()
{
    QFETCH(QString, line);
    const QByteArray patch = realPatch("locurasoft_single.syx", 0);
    if (patch.isEmpty())
        QSKIP("the real dumps are not there");
    const std::uint8_t* common = reinterpret_cast<const std::uint8_t*>(patch.constData()) + 9;
    const std::uint8_t* tone = reinterpret_cast<const std::uint8_t*>(patch.constData()) + CPatchArray::toneParam(0, 0);
    const QStringList all = formatted(listing::lines(params::Editor::Patch, patch, m_names.get()));
    if (QTest::currentDataTag() == QLatin1String("chorus"))
        line = line.arg(common[0x21]);
    else if (QTest::currentDataTag() == QLatin1String("tempo"))
        line = line.arg(common[0x2C] * 16 + common[0x2D]);
    else if (QTest::currentDataTag() == QLatin1String("wave group")) {
        const int value = tone[1] * 128 + tone[2];
        QString title;
        for (const params::GroupItem& g : params::waveGroups(*m_names))
            if (g.value() == value)
                title = g.text;
        QVERIFY(!title.isEmpty());
        line = line.arg(title).arg(value);
    }
    QVERIFY2(all.contains(line), qPrintable(line));
}

void TestParamListing::effectRowsOfTheType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("02:OVERDRIVE") << 1 << QStringList{"Drive",    "Output Pan", "Amp Type",
                                                      "Low Gain", "High Gain",  "Output Level"};
    // A label with a semicolon keeps it; the listing drops only the colon of the others.
    QTest::newRow("27:OVERDRIVE->FLANGER")
        << 26 << QStringList{"Drive",         "Overdrive Pan",    "Flanger Pre Delay", "Flanger Rate",
                             "Flanger Depth", "Flanger Feedback", "Flanger Balance",   "Output Level"};
}

void TestParamListing::effectRowsOfTheType()
{
    QFETCH(int, type);
    QFETCH(QStringList, labels);
    QByteArray patch = newPatch();
    patch[CPatchArray::commonParam(0x0C)] = char(type);
    QStringList got;
    for (const listing::Line& l : listing::lines(params::Editor::Patch, patch, m_names.get())) {
        if (l.id.contains(QLatin1String("efx.row")))
            got << l.label;
    }
    QCOMPARE(got, labels);
}

void TestParamListing::differences_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("same") << "" << QStringList{};
    QTest::newRow("name and cutoff") << "name cutoff"
                                     << QStringList{"Common", "  Name: INIT PATCH -> Glass Pad", "TVF",
                                                    "  Cutoff Frequency (Tone 2): 127 -> 100"};
    QTest::newRow("efx type") << "type"
                              << QStringList{"EFX",
                                             "  Type: 01:STEREO-EQ -> 02:OVERDRIVE",
                                             "  Low Frequency / Drive: 200 -> 0",
                                             "  Low Gain / Output Pan: 0 -> L64",
                                             "  High Frequency / Amp Type: 4000 -> SMALL",
                                             "  High Gain / Low Gain: 0 -> -15",
                                             "  Peaking1 Frequency / High Gain: 1000 -> -15",
                                             "  Peaking1 Q / Output Level: 1.0 -> 0",
                                             "  Peaking1 Gain: 0 -> -",
                                             "  Peaking2 Frequency: 1000 -> -",
                                             "  Peaking2 Q: 1.0 -> -",
                                             "  Peaking2 Gain: 0 -> -",
                                             "  Output Level: 127 -> -"};
}

void TestParamListing::differences()
{
    QFETCH(QString, what);
    QFETCH(QStringList, expected);
    const QByteArray before = newPatch();
    CRecordEdit edit(params::Editor::Patch, before, SynthSettings{});
    if (what.contains(QLatin1String("name")))
        edit.changeName(QStringLiteral("Glass Pad"));
    if (what.contains(QLatin1String("cutoff")))
        edit.change(params::row(u"tone.tvf.cutoff"), 1, 100);
    if (what.contains(QLatin1String("type")))
        edit.change(params::row(u"patch.efx.type"), 0, 1);
    const QStringList got = listing::differences(listing::lines(params::Editor::Patch, before, m_names.get()),
                                                 listing::lines(params::Editor::Patch, edit.image(), m_names.get()));
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestParamListing)
#include "tst_paramlisting.moc"
