#include "bank/BankOperations.h"
#include "bank/ItemSelection.h"
#include "bank/RandomPatches.h"
#include "bank/RandomSource.h"
#include "bank/ToneloomDoc.h"
#include "model/ExpansionNames.h"
#include "model/ParamTable.h"

#include <QSet>
#include <QTest>

using Group = CRandomPatches::Group;
Q_DECLARE_METATYPE(Group)

namespace {

// Always the largest number allowed, or always 0.
class CMaxSource : public CRandomSource
{
public:
    int below(int n) override { return n > 0 ? n - 1 : 0; }
};
class CZeroSource : public CRandomSource
{
public:
    int below(int) override { return 0; }
};

// "byte<n" is a draw 0 <= v < n, "byte=v" a fixed value; "a-b<n" a run of bytes.
struct Expect
{
    int byte;
    int bound; // 0: fixed
    int value; // the fixed value, or the lowest a draw gives
};

QList<Expect> parseTable(const QString& text)
{
    QList<Expect> list;
    for (const QString& item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool draw = item.contains(QLatin1Char('<'));
        const QStringList sides = item.split(draw ? QLatin1Char('<') : QLatin1Char('='));
        const QStringList range = sides[0].split(QLatin1Char('-'));
        const int from = range[0].toInt();
        const int to = range.size() > 1 ? range[1].toInt() : from;
        // "b<n" draws 0 .. n - 1, "b<lo..hi" draws lo .. hi, "b=v" is fixed.
        const QStringList draws = sides[1].split(QStringLiteral(".."));
        const int low = draw && draws.size() > 1 ? draws[0].toInt() : 0;
        const int bound = draw ? (draws.size() > 1 ? draws[1].toInt() + 1 : draws[0].toInt()) : 0;
        for (int b = from; b <= to; ++b)
            list << Expect{b, bound, draw ? low : sides[1].toInt()};
    }
    return list;
}

const char* const kEffect =
    "12=0 13<2 14<31 15<2 16<31 17<17 18<5 19<31 20<17 21<5 22<31 23<128 24-25=0 26-28<128 29<11 30<127 31<11 "
    "32<127 33-37<128 38=0 39<8 40<128 41<128 42<18 43<128 44=7 45=8 46=127 47=64 48<128 49<13 50<49 51-52=0 "
    "53-56<2 57<128 58<16 59<16 60-63=0 64=1 65=3 66-67=0 68<10 69<4 70<10 71<4 72-73=0";
const char* const kController =
    "14=0 15=127 16-20=1 21<19 22<127 23<19 24<127 25<19 26<127 27<19 28<127 29<19 30<127 31<19 32<127 33<19 "
    "34<127 35<19 36<127 37<19 38<127 39<19 40<127 41<19 42<127 43<19 44<127";
const char* const kLfo = "45<8 46<2 47<128 48<5 49<128 50<4 51<128 52=0 53<8 54<2 55<128 56<5 57<128 58<4 59<128 60=0";
const char* const kPitchEnvelope = "61<97 62<101 63<31 64<16 65<25 66<126 67-69<15 70-73<128 74-79<127";
const char* const kFilter = "80<5 81<128 82<16 83<128 84<126 85<127 86<7 87<126 88-90<15 91-98<128 99<127 100<127";
const char* const kAmplifier = "101=127 102<4 103<128 104<15 105<7 106<126 107-109<15 110-116<128 117<127 118<127 "
                               "119<128 120<15 121<64 122<1..127 123<127 124<127";
const char* const kOutput = "125=0 126-128<128";
const char* const kWaveParams = "5<4 6<2 7<4 8<16";

CRandomPatches::Flags only(Group group)
{
    CRandomPatches::Flags flags = CRandomPatches::allFlags(false);
    flags[static_cast<std::size_t>(group)].fill(true);
    return flags;
}

bool checksumsValid(const CPatchArray& patches)
{
    for (int i = 0; i < patches.GetCount(); ++i) {
        const std::uint8_t* rec = patches.data(i);
        if (rec[83] != sysex::checksum(78, rec + 5))
            return false;
        for (int t = 0; t < 4; ++t) {
            const std::uint8_t* tone = rec + CPatchArray::toneOffset(t);
            if (tone[138] != sysex::checksum(133, tone + 5))
                return false;
        }
    }
    return true;
}

} // namespace

class TestRandomPatches : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tablesAtTheirBounds_data();
    void tablesAtTheirBounds();
    void seededDrawsStayInRange();
    void onlyTheChosenPatches();
    void wavesWithoutBoards();
    void wavesWithBoards();
    void wavesWithoutNames();
    void installedBoards_data();
    void installedBoards();
    void names();
    void namesUseEveryLetter();
    void allBoxesClearedStillRenames();
    void drawsStayInTheParameterRanges();

private:
    CCollectingReporter m_reporter;
    std::unique_ptr<CExpansionNames> m_names;
};

void TestRandomPatches::initTestCase()
{
    m_names = std::make_unique<CExpansionNames>(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), m_reporter);
    QVERIFY(m_names->GetNameCount(3, NameSection::Waves, NameFileKind::Preset) > 0);
}

void TestRandomPatches::tablesAtTheirBounds_data()
{
    QTest::addColumn<Group>("group");
    QTest::addColumn<bool>("common");
    QTest::addColumn<QString>("table");
    QTest::newRow("Effect") << Group::Effect << true << QString::fromLatin1(kEffect);
    QTest::newRow("Controller") << Group::Controller << false << QString::fromLatin1(kController);
    QTest::newRow("LFO") << Group::Lfo << false << QString::fromLatin1(kLfo);
    QTest::newRow("P-ENV") << Group::PEnv << false << QString::fromLatin1(kPitchEnvelope);
    QTest::newRow("TVF") << Group::Tvf << false << QString::fromLatin1(kFilter);
    QTest::newRow("TVA") << Group::Tva << false << QString::fromLatin1(kAmplifier);
    QTest::newRow("Output") << Group::Output << false << QString::fromLatin1(kOutput);
    QTest::newRow("Wave") << Group::Wave << false << QString::fromLatin1(kWaveParams);
}

void TestRandomPatches::tablesAtTheirBounds()
{
    QFETCH(Group, group);
    QFETCH(bool, common);
    QFETCH(QString, table);
    const QList<Expect> expected = parseTable(table);
    QSet<int> listed;
    for (const Expect& e : expected)
        listed << e.byte;
    if (group == Group::Wave)
        listed << 0 << 1 << 2 << 3 << 4;

    for (const bool top : {true, false}) {
        CPatchArray patches;
        const CPatchArray before;
        CMaxSource max;
        CZeroSource zero;
        CRandomSource& source = top ? static_cast<CRandomSource&>(max) : zero;
        CRandomPatches::RandomizePatches(patches, only(group), {}, m_names.get(), source);
        for (int i : {0, 77, 127}) {
            for (int t = 0; t < (common ? 1 : 4); ++t) {
                const auto at = [&](int b) {
                    return common ? CPatchArray::commonParam(b) : CPatchArray::toneParam(t, b);
                };
                for (const Expect& e : expected) {
                    const int want = e.bound > 0 ? (top ? e.bound - 1 : e.value) : e.value;
                    QCOMPARE(int(patches.data(i)[at(e.byte)]), want);
                }
                // Every other data byte is left alone.
                const int first = common ? CRecordArray::kNameLength : 0;
                const int end = common ? CPatchArray::kCommonData : CPatchArray::kToneData;
                for (int b = first; b < end; ++b) {
                    if (!listed.contains(b))
                        QCOMPARE(patches.data(i)[at(b)], before.data(i)[at(b)]);
                }
            }
        }
        QVERIFY(checksumsValid(patches));
    }
}

void TestRandomPatches::seededDrawsStayInRange()
{
    QList<QPair<bool, QList<Expect>>> tables = {{true, parseTable(QString::fromLatin1(kEffect))}};
    for (const char* t : {kController, kLfo, kPitchEnvelope, kFilter, kAmplifier, kOutput, kWaveParams})
        tables.append({false, parseTable(QString::fromLatin1(t))});
    QSet<int> seenTop; // bytes that reached their largest value at least once
    int draws = 0;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        CPatchArray patches;
        CRandomSource random(seed);
        CRandomPatches::RandomizePatches(patches, CRandomPatches::allFlags(true), {}, m_names.get(), random);
        for (int i = 0; i < patches.GetCount(); ++i) {
            for (const auto& [common, table] : tables) {
                for (int t = 0; t < (common ? 1 : 4); ++t) {
                    for (const Expect& e : table) {
                        const int at = common ? CPatchArray::commonParam(e.byte) : CPatchArray::toneParam(t, e.byte);
                        const int v = patches.data(i)[at];
                        if (e.bound == 0) {
                            QCOMPARE(v, e.value);
                        } else {
                            QVERIFY2(v < e.bound, qPrintable(QStringLiteral("byte %1 = %2").arg(e.byte).arg(v)));
                            ++draws;
                        }
                    }
                }
            }
        }
        QVERIFY(checksumsValid(patches));
    }
    QVERIFY(draws > 100000);
}

// Randomising chosen patches leaves every other patch byte for byte as it was.
void TestRandomPatches::onlyTheChosenPatches()
{
    CPatchArray patches;
    std::vector<QByteArray> before;
    for (int i = 0; i < patches.GetCount(); ++i)
        before.push_back(patches.record(i));
    CRandomSource random(3);
    CRandomPatches::RandomizePatches(patches, CRandomPatches::allFlags(true), {}, m_names.get(), random, {5, 90});
    for (int i = 0; i < patches.GetCount(); ++i) {
        if (i == 5 || i == 90)
            QVERIFY(patches.record(i) != before[static_cast<std::size_t>(i)]);
        else
            QCOMPARE(patches.record(i), before[static_cast<std::size_t>(i)]);
    }
}

void TestRandomPatches::wavesWithoutBoards()
{
    CPatchArray patches;
    CRandomSource random(7);
    CRandomPatches::RandomizePatches(patches, only(Group::Wave), {}, m_names.get(), random);
    QSet<int> ids;
    for (int i = 0; i < patches.GetCount(); ++i) {
        for (int t = 0; t < 4; ++t) {
            const std::uint8_t* tone = patches.data(i) + CPatchArray::toneParam(t, 0);
            QCOMPARE(int(tone[1]), 0);
            QVERIFY(tone[2] == 1 || tone[2] == 2);
            ids << tone[2];
            const int wave = tone[3] * 16 + tone[4];
            QVERIFY(wave < m_names->GetNameCount(tone[2] + 2, NameSection::Waves, NameFileKind::Preset));
            // A tone sounds only after a sounding tone; the first always does.
            if (t == 0)
                QCOMPARE(int(tone[0]), 1);
            else if (patches.data(i)[CPatchArray::toneParam(t - 1, 0)] == 0)
                QCOMPARE(int(tone[0]), 0);
            else
                QVERIFY(tone[0] <= 1);
        }
    }
    QCOMPARE(ids.size(), 2);
}

void TestRandomPatches::wavesWithBoards()
{
    const std::array<int, 8> slotBoards = {0, 5, 0, 0, 9, 0, 0, 0};
    const std::vector<int> boards = CRandomPatches::installedBoards(slotBoards, SynthModel::Jv2080);
    CPatchArray patches;
    CRandomSource random(11);
    CRandomPatches::RandomizePatches(patches, only(Group::Wave), boards, m_names.get(), random);
    QSet<int> boardsUsed;
    int internal = 0;
    for (int i = 0; i < patches.GetCount(); ++i) {
        for (int t = 0; t < 4; ++t) {
            const std::uint8_t* tone = patches.data(i) + CPatchArray::toneParam(t, 0);
            const int wave = tone[3] * 16 + tone[4];
            if (tone[1] == 2) {
                QVERIFY(tone[2] == 5 || tone[2] == 9);
                boardsUsed << tone[2];
                QVERIFY(wave < m_names->GetNameCount(tone[2], NameSection::Waves, NameFileKind::Board));
            } else {
                QCOMPARE(int(tone[1]), 0);
                ++internal;
            }
        }
    }
    QCOMPARE(boardsUsed.size(), 2);
    QVERIFY(internal > 0);
}

void TestRandomPatches::wavesWithoutNames()
{
    // No wave names at all: every wave is wave 0 instead of a division by zero.
    CPatchArray patches;
    CMaxSource random;
    CRandomPatches::RandomizePatches(patches, only(Group::Wave), {3}, nullptr, random);
    for (int t = 0; t < 4; ++t) {
        const std::uint8_t* tone = patches.data(5) + CPatchArray::toneParam(t, 0);
        QCOMPARE(int(tone[1]), 2);
        QCOMPARE(int(tone[2]), 3);
        QCOMPARE(int(tone[3]), 0);
        QCOMPARE(int(tone[4]), 0);
    }
}

void TestRandomPatches::installedBoards_data()
{
    QTest::addColumn<QList<int>>("slotBoards");
    QTest::addColumn<int>("model");
    QTest::addColumn<QList<int>>("boards");
    QTest::newRow("none") << QList<int>{0, 0, 0, 0, 0, 0, 0, 0} << int(SynthModel::Jv1080) << QList<int>{};
    QTest::newRow("JV-1080 stops before slot 5")
        << QList<int>{3, 0, 7, 0, 9, 10, 0, 0} << int(SynthModel::Jv1080) << QList<int>{3, 7};
    QTest::newRow("XP stops before slot 5")
        << QList<int>{0, 0, 0, 0, 9, 10, 0, 0} << int(SynthModel::Xp) << QList<int>{};
    QTest::newRow("JV-2080 uses all eight")
        << QList<int>{3, 0, 7, 0, 9, 10, 0, 127} << int(SynthModel::Jv2080) << QList<int>{3, 7, 9, 10, 127};
}

void TestRandomPatches::installedBoards()
{
    QFETCH(QList<int>, slotBoards);
    QFETCH(int, model);
    QFETCH(QList<int>, boards);
    std::array<int, 8> array{};
    std::copy(slotBoards.begin(), slotBoards.end(), array.begin());
    const auto result = CRandomPatches::installedBoards(array, static_cast<SynthModel>(model));
    QCOMPARE(QList<int>(result.begin(), result.end()), boards);
}

void TestRandomPatches::names()
{
    CRandomSource random(3);
    QSet<int> lengths;
    for (int n = 0; n < 2000; ++n) {
        char name[12];
        CRandomPatches::MakeRandomName(name, 12, random);
        const QString text = QString::fromLatin1(name, 12);
        const int length = text.trimmed().size();
        lengths << length;
        QVERIFY(length >= 4 && length <= 12);
        QVERIFY2(text.at(0).isUpper(), qPrintable(text));
        for (int i = 1; i < length; ++i)
            QVERIFY2(text.at(i).isLower() || text.at(i).isDigit(), qPrintable(text));
        for (int i = length; i < 12; ++i)
            QCOMPARE(text.at(i), QLatin1Char(' '));
    }
    QCOMPARE(lengths.size(), 9);

    // The largest draws: twelve characters from the end of the table.
    CMaxSource max;
    char name[12];
    CRandomPatches::MakeRandomName(name, 12, max);
    QCOMPARE(QByteArray(name, 12), QByteArray("Xxxxxxxxxxxx"));
    CZeroSource zero;
    CRandomPatches::MakeRandomName(name, 12, zero);
    QCOMPARE(QByteArray(name, 12), QByteArray("Eeee        "));
}

void TestRandomPatches::namesUseEveryLetter()
{
    CRandomSource random(5);
    QSet<QChar> seen;
    for (int n = 0; n < 30000; ++n) {
        char name[12];
        CRandomPatches::MakeRandomName(name, 12, random);
        for (char c : name)
            if (c != ' ')
                seen << QChar::fromLatin1(c).toLower();
    }
    const QString table = QStringLiteral("enrisitdhaulcgmobzwkv1p23jyqx");
    for (QChar c : table)
        QVERIFY2(seen.contains(c), qPrintable(QString(c)));
}

void TestRandomPatches::allBoxesClearedStillRenames()
{
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    CItemSelection sel(&doc);
    CPatchArray& patches = doc.patches();
    patches.setRecord(3, patches.record(3)); // defaults everywhere
    // Stale numbers and checksums before.
    patches.data(40)[6] = 0;
    patches.data(40)[83] = 0;
    const CPatchArray before;
    CRandomSource random(9);
    CBankOperations ops(doc, sel);
    ops.RandomPatches(CRandomPatches::allFlags(false), {}, m_names.get(), random);
    QCOMPARE(doc.historySize(), 1);
    QCOMPARE(doc.undoLabel(), QStringLiteral("Undo: Random\tCtrl+Z"));
    QSet<QString> names;
    for (int i = 0; i < patches.GetCount(); ++i) {
        names << patches.name(i);
        QCOMPARE(int(patches.data(i)[6]), i);
        // Only the name (and so the checksum) differs from the default patch.
        QByteArray image = patches.record(i);
        QByteArray defaults = before.record(i);
        image.replace(9, 12, QByteArray(12, ' '));
        defaults.replace(9, 12, QByteArray(12, ' '));
        image[83] = defaults[83] = 0;
        QCOMPARE(image, defaults);
    }
    QVERIFY(names.size() > 100);
    QVERIFY(checksumsValid(patches));
}

void TestRandomPatches::drawsStayInTheParameterRanges()
{
    // At both ends of every draw, every parameter of every tone holds a value of its
    // range (Alternate Pan Depth, whose range begins at 1, included).
    for (const bool top : {true, false}) {
        CPatchArray patches;
        CMaxSource max;
        CZeroSource zero;
        CRandomSource& source = top ? static_cast<CRandomSource&>(max) : zero;
        CRandomPatches::RandomizePatches(patches, CRandomPatches::allFlags(true), {4}, m_names.get(), source);
        QSet<QString> outside;
        for (int i : {0, 127}) {
            const std::uint8_t* common = patches.data(i) + CPatchArray::commonParam(0);
            for (const params::Param& p : params::rows(sysex::Block::PatchCommon)) {
                if (!params::holdsValidValue(p, common))
                    outside << p.id;
            }
            for (int t = 0; t < 4; ++t) {
                const std::uint8_t* tone = patches.data(i) + CPatchArray::toneParam(t, 0);
                for (const params::Param& p : params::rows(sysex::Block::PatchTone)) {
                    if (!params::holdsValidValue(p, tone))
                        outside << p.id;
                }
            }
        }
        QCOMPARE(outside, QSet<QString>());
    }
}

QTEST_GUILESS_MAIN(TestRandomPatches)
#include "tst_randompatches.moc"
