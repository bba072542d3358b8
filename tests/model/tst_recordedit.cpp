#include "model/EfxTypes.h"
#include "model/EnvelopeShape.h"
#include "model/ExpansionNames.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RecordEdit.h"
#include "model/Reporter.h"
#include "model/RhythmArray.h"

#include <QTest>

#include <numeric>

using params::Param;
using sysex::Block;

namespace {

constexpr std::uint8_t kDevice = 0x10;

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray newPatch()
{
    CPatchArray patches;
    return patches.record(0);
}

// The address and data bytes of messages, as "03 00 10 5b 40" per message.
QStringList addressed(const QList<QByteArray>& messages)
{
    QStringList out;
    for (const QByteArray& m : messages)
        out << QString::fromLatin1(m.mid(5, m.size() - 7).toHex(' '));
    return out;
}

// A working copy that records what it sends.
struct Edit
{
    explicit Edit(const QByteArray& image = newPatch(), const CExpansionNames* names = nullptr,
                  params::Editor editor = params::Editor::Patch)
        : edit(editor, image, SynthSettings{SynthModel::Jv2080, kDevice}, names)
    {
        edit.setSender([this](const QByteArray& m) { sent << m; });
    }
    CRecordEdit edit;
    QList<QByteArray> sent;
};

CRecordEdit::Selection selection(std::initializer_list<int> tones)
{
    CRecordEdit::Selection s{};
    for (int t : tones)
        s[static_cast<std::size_t>(t)] = true;
    return s;
}

// F0 .. F7 with the family's header and a right checksum.
bool wellFormed(const QByteArray& m)
{
    const auto* b = reinterpret_cast<const std::uint8_t*>(m.constData());
    return m.size() >= 12 && m.startsWith(hex("F0 41 10 6A 12")) && b[m.size() - 1] == 0xF7
           && b[m.size() - 2] == sysex::checksum(int(m.size()) - 7, b + 5);
}

bool checksumsValid(const QByteArray& image)
{
    for (int m = 0; m < 5; ++m) {
        const int start = m == 0 ? 0 : CPatchArray::toneOffset(m - 1);
        const int size = m == 0 ? CPatchArray::kCommonSize : CPatchArray::kToneSize;
        const auto* msg = reinterpret_cast<const std::uint8_t*>(image.constData()) + start;
        if (msg[size - 2] != sysex::checksum(size - 2 - 5, msg + 5))
            return false;
    }
    return true;
}

} // namespace

class TestRecordEdit : public QObject
{
    Q_OBJECT

private slots:
    void tonesInSendingOrder_data();
    void tonesInSendingOrder();
    void multiEditSendsPerToneInOrder();
    void realtimeOffSendsNothingButFollows();
    void rangePairs_data();
    void rangePairs();
    void rangePairMessages_data();
    void rangePairMessages();
    void commonValues_data();
    void commonValues();
    void refusedValues_data();
    void refusedValues();
    void efxTypeSendsItsRows_data();
    void efxTypeSendsItsRows();
    void waveGroupCarriesItsNumber();
    void switchesBringTheirValues_data();
    void switchesBringTheirValues();
    void names_data();
    void names();
    void envelopesSendTimesThenLevels_data();
    void envelopesSendTimesThenLevels();
    void envelopePoints_data();
    void envelopePoints();
    void listsFollowTheirDecidingRow_data();
    void listsFollowTheirDecidingRow();
    void toneCopyKeepsTheAddress();
    void temporaryImage();
    void everyRowTakesItsOwnValueBack();
    void voiceReserveStaysWithin64_data();
    void voiceReserveStaysWithin64();
    void blockCopyKeepsTheAddress_data();
    void blockCopyKeepsTheAddress();
    void userGroupListsTheBanksItems_data();
    void userGroupListsTheBanksItems();
    void setRowsSendAtTheirAddress_data();
    void setRowsSendAtTheirAddress();
};

void TestRecordEdit::tonesInSendingOrder_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("changed");
    QTest::addColumn<QList<int>>("targets");
    QTest::newRow("none") << QList<int>{} << 2 << QList<int>{2};
    QTest::newRow("1 and 3, change 1") << QList<int>{0, 2} << 0 << QList<int>{0, 2};
    QTest::newRow("1 and 3, change 3") << QList<int>{0, 2} << 2 << QList<int>{0, 2};
    QTest::newRow("2 and 4, change 1") << QList<int>{1, 3} << 0 << QList<int>{0, 1, 3};
    QTest::newRow("all, change 4") << QList<int>{0, 1, 2, 3} << 3 << QList<int>{0, 1, 2, 3};
}

void TestRecordEdit::tonesInSendingOrder()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, changed);
    QFETCH(QList<int>, targets);
    Edit e;
    CRecordEdit::Selection s{};
    for (int t : selected)
        s[static_cast<std::size_t>(t)] = true;
    e.edit.setSelection(s);
    const std::vector<int> got = e.edit.targets(params::row(u"tone.tvf.cutoff"), changed);
    QCOMPARE(QList<int>(got.begin(), got.end()), targets);
    // Common rows have one column whatever the selection.
    QCOMPARE(e.edit.targets(params::row(u"patch.level"), 0).size(), std::size_t(1));
}

void TestRecordEdit::multiEditSendsPerToneInOrder()
{
    Edit e;
    e.edit.setSelection(selection({0, 2}));
    const Param& cutoff = params::row(u"tone.tvf.cutoff");
    QVERIFY(e.edit.change(cutoff, 0, 100));
    QCOMPARE(addressed(e.sent), QStringList({"03 00 10 51 64", "03 00 14 51 64"}));
    QCOMPARE(e.sent.first(), hex("F0 41 10 6A 12 03 00 10 51 64 38 F7"));
    QCOMPARE(e.edit.value(cutoff, 2), 100);
    QCOMPARE(e.edit.value(cutoff, 1), 127); // not selected: unchanged
}

void TestRecordEdit::realtimeOffSendsNothingButFollows()
{
    Edit e;
    e.edit.setRealtime(false);
    e.edit.setSelection(selection({0, 2}));
    const Param& level = params::row(u"tone.tva.level");
    QVERIFY(e.edit.change(level, 2, 20));
    QVERIFY(e.edit.changeName(QStringLiteral("Quiet")));
    QVERIFY(e.sent.isEmpty());
    QCOMPARE(e.edit.value(level, 0), 20);
    QCOMPARE(e.edit.value(level, 2), 20);
    QCOMPARE(e.edit.name(), QStringLiteral("Quiet"));
}

void TestRecordEdit::rangePairs_data()
{
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<bool>("lowerChanged");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("newLower");
    QTest::addColumn<int>("newUpper");
    QTest::addColumn<bool>("otherMoved");
    QTest::newRow("lower above upper") << 10 << 50 << true << 100 << 100 << 100 << true;
    QTest::newRow("lower below upper") << 10 << 50 << true << 30 << 30 << 50 << false;
    QTest::newRow("lower to upper") << 10 << 50 << true << 50 << 50 << 50 << false;
    QTest::newRow("upper below lower") << 60 << 90 << false << 20 << 20 << 20 << true;
    QTest::newRow("upper above lower") << 60 << 90 << false << 70 << 60 << 70 << false;
}

void TestRecordEdit::rangePairs()
{
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(bool, lowerChanged);
    QFETCH(int, value);
    const CRecordEdit::RangePair r = CRecordEdit::applyRangePair(lower, upper, lowerChanged, value);
    QTEST(r.lower, "newLower");
    QTEST(r.upper, "newUpper");
    QTEST(r.otherMoved, "otherMoved");
}

void TestRecordEdit::rangePairMessages_data()
{
    QTest::addColumn<QString>("changed");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("messages");
    // Velocity lower 100 while upper is 50 (set first): upper goes first. The velocity
    // lists store 1..127 as themselves.
    QTest::newRow("velocity lower") << "tone.velocity.lower" << 100 << QStringList{"03 00 10 0d 64", "03 00 10 0c 64"};
    QTest::newRow("velocity upper") << "tone.velocity.upper" << 40 << QStringList{"03 00 10 0d 28"};
    QTest::newRow("key upper below lower") << "tone.key.upper" << 30 << QStringList{"03 00 10 0e 1e", "03 00 10 0f 1e"};
}

void TestRecordEdit::rangePairMessages()
{
    QFETCH(QString, changed);
    QFETCH(int, value);
    Edit e;
    e.edit.setRealtime(false);
    QVERIFY(e.edit.change(params::row(u"tone.velocity.upper"), 0, 50));
    QVERIFY(e.edit.change(params::row(u"tone.key.lower"), 0, 60));
    e.edit.setRealtime(true);
    QVERIFY(e.edit.change(params::row(changed), 0, value));
    QTEST(addressed(e.sent), "messages");
}

void TestRecordEdit::commonValues_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("tempo 250") << "patch.tempo" << 250 << "03 00 00 2c 0f 0a";
    QTest::newRow("tempo 20") << "patch.tempo" << 20 << "03 00 00 2c 01 04";
    QTest::newRow("level") << "patch.level" << 100 << "03 00 00 2e 64";
    QTest::newRow("efx type") << "patch.efx.type" << 1 << "03 00 00 0c 01";
    QTest::newRow("depth -63") << "patch.efx.control1.depth" << 0 << "03 00 00 1e 00";
    QTest::newRow("depth +63") << "patch.efx.control2.depth" << 126 << "03 00 00 20 7e";
    QTest::newRow("reverb time") << "patch.reverb.time" << 127 << "03 00 00 29 7f";
}

void TestRecordEdit::commonValues()
{
    QFETCH(QString, id);
    QFETCH(int, value);
    QFETCH(QString, message);
    Edit e;
    e.edit.setSelection(selection({0, 1, 2, 3})); // common rows ignore the tones
    QVERIFY(e.edit.change(params::row(id), 0, value));
    QVERIFY(!e.sent.isEmpty());
    QCOMPARE(addressed({e.sent.first()}).first(), message);
    QVERIFY(wellFormed(e.sent.first()));
    QCOMPARE(e.edit.value(params::row(id), 0), value);
}

void TestRecordEdit::refusedValues_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("value");
    QTest::newRow("above a byte") << "patch.reverb.time" << 0 << 128;
    QTest::newRow("below a list") << "tone.velocity.lower" << 0 << 0;
    QTest::newRow("beyond a list") << "tone.tvf.filterType" << 1 << 5;
    QTest::newRow("tempo beyond") << "patch.tempo" << 0 << 251;
    QTest::newRow("negative") << "patch.level" << 0 << -1;
    // Row 12 of type 01:STEREO-EQ is unused; row 1 has two items.
    QTest::newRow("efx row beyond its list") << "patch.efx.row1" << 0 << 2;
    QTest::newRow("depth beyond +63") << "patch.efx.control1.depth" << 0 << 127;
    QTest::newRow("no such tone") << "tone.tvf.cutoff" << 4 << 10;
    QTest::newRow("unknown wave group") << "tone.wave.group" << 0 << 1 * 128 + 1;
    QTest::newRow("wave beyond Preset B") << "tone.wave.number" << 0 << 193;
}

void TestRecordEdit::refusedValues()
{
    QFETCH(QString, id);
    QFETCH(int, column);
    QFETCH(int, value);
    CCollectingReporter reporter;
    const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
    Edit e(newPatch(), &names);
    e.edit.setRealtime(false);
    QVERIFY(e.edit.change(params::row(u"tone.wave.group"), 0, 2)); // Preset B: 193 waves
    e.edit.setRealtime(true);
    const QByteArray before = e.edit.image();
    QVERIFY(!e.edit.change(params::row(id), column, value));
    QVERIFY(e.sent.isEmpty());
    QCOMPARE(e.edit.image(), before);
}

void TestRecordEdit::efxTypeSendsItsRows_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("rows");
    QTest::newRow("01:STEREO-EQ") << 5 << 0 << 11;
    QTest::newRow("02:OVERDRIVE") << 0 << 1 << 6;
    QTest::newRow("14:STEREO-CHORUS (row 7 unused)") << 0 << 13 << 10;
    QTest::newRow("40:CHORUS/FLANGER") << 0 << 39 << 10;
    // The same type again keeps the rows as they are.
    QTest::newRow("same type") << 3 << 3 << 0;
}

void TestRecordEdit::efxTypeSendsItsRows()
{
    QFETCH(int, from);
    QFETCH(int, type);
    QFETCH(int, rows);
    QByteArray image = newPatch();
    image[CPatchArray::commonParam(0x0C)] = char(from);
    // Every row byte 1, so that a reset to the first item shows.
    for (int k = 0; k < efx::kRowCount; ++k)
        image[CPatchArray::commonParam(0x0D + k)] = 1;
    Edit e(image);
    QVERIFY(e.edit.change(params::row(u"patch.efx.type"), 0, type));
    QCOMPARE(e.sent.size(), 1 + rows);
    QCOMPARE(addressed({e.sent.first()}).first(), QStringLiteral("03 00 00 0c %1").arg(type, 2, 16, QLatin1Char('0')));
    int previous = 0x0C;
    for (int i = 1; i < e.sent.size(); ++i) {
        const int address = static_cast<std::uint8_t>(e.sent[i][8]);
        QVERIFY(address > previous); // row order
        QVERIFY(efx::rowUsed(type, address - 0x0D));
        QCOMPARE(int(e.sent[i][9]), 0);
        previous = address;
    }
    // Rows the type leaves out keep their bytes.
    for (int k = 0; k < efx::kRowCount; ++k) {
        const int stored = static_cast<std::uint8_t>(e.edit.image()[CPatchArray::commonParam(0x0D + k)]);
        QCOMPARE(stored, efx::rowUsed(type, k) && rows > 0 ? 0 : 1);
    }
}

void TestRecordEdit::waveGroupCarriesItsNumber()
{
    CCollectingReporter reporter;
    const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
    Edit e(newPatch(), &names);
    const Param& group = params::row(u"tone.wave.group");
    const Param& number = params::row(u"tone.wave.number");
    e.edit.setRealtime(false);
    QVERIFY(e.edit.change(number, 1, 200)); // Preset A has 255 waves
    e.edit.setRealtime(true);
    e.edit.setSelection(selection({1}));
    // Preset B has 193: wave 201 goes back to the first; tone 1 (wave 1) keeps its own.
    QVERIFY(e.edit.change(group, 0, 2));
    QCOMPARE(e.sent.size(), 2);
    QCOMPARE(e.sent[0].size(), 15);
    QVERIFY(wellFormed(e.sent[0]));
    QCOMPARE(addressed({e.sent[0]}).first(), QStringLiteral("03 00 10 01 00 02 00 00"));
    QCOMPARE(addressed({e.sent[1]}).first(), QStringLiteral("03 00 12 01 00 02 00 00"));
    QCOMPARE(e.edit.value(number, 1), 0);
    // A board keeps a number its list holds: board 1 has 224 waves.
    e.edit.setSelection({});
    e.sent.clear();
    QVERIFY(e.edit.change(number, 0, 150));
    QVERIFY(e.edit.change(group, 0, 2 * 128 + 1));
    QCOMPARE(addressed({e.sent.last()}).first(), QStringLiteral("03 00 10 01 02 01 09 06"));
    QCOMPARE(e.edit.value(group, 0), 2 * 128 + 1);
    QCOMPARE(e.edit.value(number, 0), 150);
}

void TestRecordEdit::switchesBringTheirValues_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("follower");
    QTest::addColumn<int>("value");
    QTest::newRow("tone delay") << "tone.delay.mode"
                                << "tone.delay.time" << 3;
    QTest::newRow("LFO 1 sync") << "tone.lfo1.externalSync"
                                << "tone.lfo1.rate" << 1;
    QTest::newRow("LFO 2 sync") << "tone.lfo2.externalSync"
                                << "tone.lfo2.rate" << 2;
}

void TestRecordEdit::switchesBringTheirValues()
{
    QFETCH(QString, trigger);
    QFETCH(QString, follower);
    QFETCH(int, value);
    const Param& t = params::row(trigger);
    const Param& f = params::row(follower);
    Edit e;
    e.edit.setRealtime(false);
    for (int tone = 0; tone < 4; ++tone)
        QVERIFY(e.edit.change(f, tone, 10 + tone));
    e.edit.setRealtime(true);
    e.edit.setSelection(selection({1, 3}));
    QVERIFY(e.edit.change(t, 1, value));
    // The switch for tones 2 and 4, then tone 2's value for the selected tones 2 and 4.
    const QString tv = QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
    const QString at = QStringLiteral("%1").arg(t.offset, 2, 16, QLatin1Char('0'));
    const QString ft = QStringLiteral("%1").arg(f.offset, 2, 16, QLatin1Char('0'));
    QCOMPARE(addressed(e.sent),
             QStringList({QStringLiteral("03 00 12 %1 %2").arg(at, tv), QStringLiteral("03 00 16 %1 %2").arg(at, tv),
                          QStringLiteral("03 00 12 %1 0b").arg(ft), QStringLiteral("03 00 16 %1 0b").arg(ft)}));
    QCOMPARE(e.edit.value(f, 3), 11);
    QCOMPARE(e.edit.value(f, 0), 10); // not selected
}

void TestRecordEdit::names_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("short") << "Pad"
                           << "Pad         ";
    QTest::newRow("long") << "A very long patch name"
                          << "A very long ";
    QTest::newRow("control characters") << "Tab\there"
                                        << "Tab here    ";
    QTest::newRow("beyond ASCII") << QStringLiteral("Caf\u00e9") << "Caf         ";
}

void TestRecordEdit::names()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    Edit e;
    QVERIFY(e.edit.changeName(typed));
    QCOMPARE(e.sent.size(), 1);
    QCOMPARE(e.sent.first().size(), 23);
    QCOMPARE(e.sent.first().mid(5, 4), hex("03 00 00 00"));
    QCOMPARE(QString::fromLatin1(e.sent.first().mid(9, 12)), stored);
    QCOMPARE(QString::fromLatin1(e.edit.image().mid(9, 12)), stored);
}

void TestRecordEdit::envelopesSendTimesThenLevels_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("perTone"); // the values that change: level 1 of a new filter and
                                      // amplifier envelope is 127 already and is not sent
    QTest::newRow("pitch") << int(envelope::Kind::Pitch) << "46" << 8;
    QTest::newRow("filter") << int(envelope::Kind::Tvf) << "5b" << 7;
    QTest::newRow("amplifier") << int(envelope::Kind::Tva) << "6e" << 6;
}

void TestRecordEdit::envelopesSendTimesThenLevels()
{
    QFETCH(int, kind);
    QFETCH(QString, first);
    QFETCH(int, perTone);
    const auto k = static_cast<envelope::Kind>(kind);
    Edit e;
    e.edit.setSelection(selection({3}));
    // A level beyond what the row stores comes back clamped (pitch levels end at 126).
    const envelope::Values values{{1, 2, 3, 4}, {127, 60, 70, 80}};
    QVERIFY(e.edit.changeEnvelope(k, 1, values));
    QCOMPARE(e.sent.size(), 2 * perTone);
    QCOMPARE(addressed({e.sent.first()}).first(), QStringLiteral("03 00 12 %1 01").arg(first));
    QCOMPARE(addressed({e.sent[perTone]}).first(), QStringLiteral("03 00 16 %1 01").arg(first));
    // Address order within a tone: times 1..4, then the levels.
    for (int i = 1; i < perTone; ++i)
        QVERIFY(int(std::uint8_t(e.sent[i][8])) > int(std::uint8_t(e.sent[i - 1][8])));
    const envelope::Values stored = e.edit.envelopeValues(k, 3);
    QCOMPARE(stored.times, values.times);
    // The same envelope again changes nothing and sends nothing; one value, one message.
    e.sent.clear();
    QVERIFY(e.edit.changeEnvelope(k, 1, values));
    QVERIFY(e.sent.isEmpty());
    envelope::Values longer = values;
    longer.times[2] = 90;
    QVERIFY(e.edit.changeEnvelope(k, 1, longer));
    QCOMPARE(
        addressed(e.sent),
        (QStringList{QStringLiteral("03 00 12 %1 5a").arg(first.toInt(nullptr, 16) + 2, 2, 16, QLatin1Char('0')),
                     QStringLiteral("03 00 16 %1 5a").arg(first.toInt(nullptr, 16) + 2, 2, 16, QLatin1Char('0'))}));
    QCOMPARE(stored.levels[0], k == envelope::Kind::Pitch ? 126 : 127);
    QCOMPARE(stored.levels[3], k == envelope::Kind::Tva ? 0 : 80);
}

void TestRecordEdit::envelopePoints_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::newRow("pitch") << int(envelope::Kind::Pitch) << 63 << 20;
    QTest::newRow("filter") << int(envelope::Kind::Tvf) << 0 << 20;
    QTest::newRow("amplifier") << int(envelope::Kind::Tva) << 0 << 0;
}

void TestRecordEdit::envelopePoints()
{
    QFETCH(int, kind);
    QFETCH(int, start);
    QFETCH(int, end);
    const auto k = static_cast<envelope::Kind>(kind);
    // A preset whose level 3 is 100 puts 100 into points 3 and 4.
    const envelope::Values values{{10, 20, 30, 40}, {90, 50, 100, 20}};
    const envelope::Block b = envelope::pointsOf(k, values);
    QCOMPARE(b[envelope::kLevel + 0], start);
    QCOMPARE(b[envelope::kLevel + 3], 100);
    QCOMPARE(b[envelope::kLevel + 4], 100);
    QCOMPARE(b[envelope::kLevel + 6], end);
    QCOMPARE(b[envelope::kTime + 5], 40);
    QCOMPARE(b[envelope::kTime + 4], 127);
    QCOMPARE(b[envelope::kTimeScaleAt], 635);
    QCOMPARE(b[envelope::kLevelMaxAt], 127);
    QCOMPARE(b[envelope::kCountAt], 7);
    QCOMPARE(b[envelope::kLevelMovable + 5], k == envelope::Kind::Tva ? 0 : 1);
    QCOMPARE(b[envelope::kPinnedRight + 6], 1);
    QCOMPARE(b[envelope::kFollowsPrevious + 4], 1);
    // Back from the block: the same values (the amplifier has no level 4).
    const envelope::Values back = envelope::valuesOf(k, b, envelope::rows(Block::PatchTone, k));
    QCOMPARE(back.times, values.times);
    QCOMPARE(back.levels[2], 100);
    QCOMPARE(back.levels[3], k == envelope::Kind::Tva ? 0 : 20);
}

void TestRecordEdit::listsFollowTheirDecidingRow_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("decider");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("value");
    QTest::newRow("effect row") << "patch.efx.row3"
                                << "patch.efx.type" << 0 << 23;
    QTest::newRow("LFO 2 rate") << "tone.lfo2.rate"
                                << "tone.lfo2.externalSync" << 2 << 2;
    QTest::newRow("delay time") << "tone.delay.time"
                                << "tone.delay.mode" << 1 << 4;
    QTest::newRow("wave number") << "tone.wave.number"
                                 << "tone.wave.group" << 3 << 2;
}

void TestRecordEdit::listsFollowTheirDecidingRow()
{
    QFETCH(QString, list);
    QFETCH(QString, decider);
    QFETCH(int, column);
    QFETCH(int, value);
    CCollectingReporter reporter;
    const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
    Edit e(newPatch(), &names);
    const Param& p = params::row(list);
    const QStringList before = params::listItems(p, e.edit.context(p, column));
    QVERIFY(params::listContext(p, e.edit.data(p.block, column)) != value);
    QVERIFY(e.edit.change(params::row(decider), column, value));
    QCOMPARE(params::listContext(p, e.edit.data(p.block, column)), value);
    QVERIFY(params::listItems(p, e.edit.context(p, column)) != before);
    // Lists no other row decides.
    QCOMPARE(params::listContext(params::row(u"tone.tvf.cutoff"), e.edit.data(Block::PatchTone, 0)), -1);
    QCOMPARE(params::listContext(params::row(u"tone.wave.group"), e.edit.data(Block::PatchTone, 0)), -1);
}

void TestRecordEdit::toneCopyKeepsTheAddress()
{
    QByteArray source = newPatch();
    source[CPatchArray::toneParam(2, 0x51)] = 33; // the cutoff of tone 3
    Edit e;
    e.edit.copyTone(source, 2, 0);
    const QByteArray& image = e.edit.image();
    QCOMPARE(int(image[CPatchArray::toneParam(0, 0x51)]), 33);
    QCOMPARE(image.mid(CPatchArray::toneOffset(0), 9), newPatch().mid(CPatchArray::toneOffset(0), 9));
    QVERIFY(checksumsValid(image));
    QVERIFY(e.sent.isEmpty());
    // Onto itself: nothing.
    const QByteArray before = e.edit.image();
    e.edit.copyTone(source, 1, 1);
    QCOMPARE(e.edit.image(), before);
}

void TestRecordEdit::temporaryImage()
{
    CPatchArray bank;
    bank.SetDeviceId(0x11);
    Edit e(bank.record(5));
    const QByteArray temp = e.edit.temporaryImage();
    QCOMPARE(temp.size(), CPatchArray::kRecordSize);
    QCOMPARE(temp.mid(2, 1), hex("10"));
    QCOMPARE(temp.mid(5, 4), hex("03 00 00 00"));
    for (int t = 0; t < 4; ++t)
        QCOMPARE(temp.mid(CPatchArray::toneOffset(t) + 5, 4).toHex(' '),
                 QByteArray::fromHex(QByteArray::number(0x03001000 + 0x200 * t, 16).rightJustified(8, '0')).toHex(' '));
    QVERIFY(checksumsValid(temp));
    QCOMPARE(e.edit.image(), bank.record(5)); // the copy keeps its own addresses
}

void TestRecordEdit::everyRowTakesItsOwnValueBack()
{
    // Setting any row of a new patch to the value it holds changes no byte and sends the
    // row's own bytes.
    Edit e;
    const QByteArray before = e.edit.image();
    int rows = 0;
    for (Block block : {Block::PatchCommon, Block::PatchTone}) {
        for (const Param& p : params::rows(block)) {
            if (p.encoding == params::Encoding::Name || !params::usedBy(p, e.edit.data(block, 0)))
                continue;
            for (int column = 0; column < recordlayout::blockCount(block); ++column) {
                e.sent.clear();
                QVERIFY2(e.edit.change(p, column, e.edit.value(p, column)), qPrintable(p.id));
                QVERIFY2(!e.sent.isEmpty(), qPrintable(p.id));
                ++rows;
            }
        }
    }
    QCOMPARE(e.edit.image(), before);
    QVERIFY(rows > 400);
}

namespace {

QByteArray newPerformance()
{
    CPerformanceArray performances;
    return performances.record(0);
}

QByteArray newRhythmSet()
{
    CRhythmArray rhythms;
    return rhythms.record(0);
}

Edit performanceEdit(const QByteArray& image = newPerformance(), const CExpansionNames* names = nullptr)
{
    return Edit(image, names, params::Editor::Performance);
}

} // namespace

void TestRecordEdit::voiceReserveStaysWithin64_data()
{
    QTest::addColumn<QList<int>>("reserves"); // the sixteen before the change
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("kept");
    const QList<int> zeros(16, 0);
    QList<int> sixty = zeros;
    sixty[0] = 60;
    QTest::newRow("room enough") << zeros << 0 << 60 << 60;
    QTest::newRow("60 then 10 leaves 4") << sixty << 1 << 10 << 4;
    QTest::newRow("exactly 64") << sixty << 15 << 4 << 4;
    QTest::newRow("full: a raise keeps the value") << QList<int>(16, 4) << 3 << 9 << 4;
    QTest::newRow("full: lowering is free") << QList<int>(16, 4) << 3 << 1 << 1;
    // A damaged record beyond 64 lets a part rise no further than 0.
    QTest::newRow("beyond 64 already") << QList<int>(16, 5) << 0 << 6 << 0;
}

void TestRecordEdit::voiceReserveStaysWithin64()
{
    QFETCH(QList<int>, reserves);
    QFETCH(int, part);
    QFETCH(int, value);
    QFETCH(int, kept);
    QByteArray image = newPerformance();
    for (int p = 0; p < 16; ++p)
        image[CPerformanceArray::commonParam(0x30 + p)] = char(reserves[p]);
    Edit e = performanceEdit(image);
    const Param& row = params::row(QStringLiteral("perf.voiceReserve%1").arg(part + 1));
    QVERIFY(e.edit.change(row, 0, value));
    QCOMPARE(e.edit.value(row, 0), kept);
    // What the instrument hears is what the copy kept, in one message.
    QCOMPARE(addressed(e.sent), QStringList{QStringLiteral("01 00 00 %1 %2")
                                                .arg(0x30 + part, 2, 16, QLatin1Char('0'))
                                                .arg(kept, 2, 16, QLatin1Char('0'))});
    int sum = 0;
    for (int p = 0; p < 16; ++p)
        sum += e.edit.image()[CPerformanceArray::commonParam(0x30 + p)];
    const int before = std::accumulate(reserves.begin(), reserves.end(), 0);
    QVERIFY(sum <= std::max(64, before));
}

void TestRecordEdit::blockCopyKeepsTheAddress_data()
{
    QTest::addColumn<int>("editor");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("offset"); // a data byte of the block
    QTest::addColumn<bool>("copied");
    const int perf = int(params::Editor::Performance);
    const int rhythm = int(params::Editor::Rhythm);
    QTest::newRow("part 3 over part 12") << perf << 2 << 11 << 0x06 << true;
    QTest::newRow("part 16 over part 1") << perf << 15 << 0 << 0x0D << true;
    QTest::newRow("part 3 over itself") << perf << 2 << 2 << 0x06 << false;
    QTest::newRow("part beyond 16") << perf << 16 << 0 << 0x06 << false;
    QTest::newRow("key 0 over key 63") << rhythm << 0 << 63 << 0x1B << true;
    QTest::newRow("key 40 over key 2") << rhythm << 40 << 2 << 0x39 << true;
    QTest::newRow("key onto itself") << rhythm << 7 << 7 << 0x1B << false;
}

void TestRecordEdit::blockCopyKeepsTheAddress()
{
    QFETCH(int, editor);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, offset);
    QFETCH(bool, copied);
    const auto kind = params::Editor(editor);
    const QByteArray image = kind == params::Editor::Rhythm ? newRhythmSet() : newPerformance();
    Edit e(image, nullptr, kind);
    const Block block = recordlayout::subBlock(kind);
    const int count = recordlayout::blockCount(block);
    if (from < count) {
        const Param* p = params::rowAt(block, offset);
        QVERIFY(p);
        QVERIFY(e.edit.change(*p, from, p->min + 1));
    }
    e.sent.clear();
    const QByteArray before = e.edit.image();
    QCOMPARE(e.edit.copyBlock(from, to), copied);
    QVERIFY(e.sent.isEmpty());
    if (!copied) {
        QCOMPARE(e.edit.image(), before);
        return;
    }
    const int size = recordlayout::dataOffset(block, 1) - recordlayout::dataOffset(block, 0);
    const int fromStart = recordlayout::dataOffset(block, from) - sysex::kOffData;
    const int toStart = recordlayout::dataOffset(block, to) - sysex::kOffData;
    const QByteArray& after = e.edit.image();
    // The data bytes are the source's, the address the destination's own, the checksum right.
    QCOMPARE(after.mid(toStart + sysex::kOffData, size - sysex::kFraming),
             before.mid(fromStart + sysex::kOffData, size - sysex::kFraming));
    QCOMPARE(after.mid(toStart, sysex::kOffData), before.mid(toStart, sysex::kOffData));
    QVERIFY(wellFormed(after.mid(toStart, size)));
    // Everything else is as it was.
    QCOMPARE(after.left(toStart), before.left(toStart));
    QCOMPARE(after.mid(toStart + size), before.mid(toStart + size));
}

void TestRecordEdit::userGroupListsTheBanksItems_data()
{
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("second");
    QTest::newRow("part 1: the bank's patches") << 0 << 128 << "2: PATCH 2";
    QTest::newRow("part 10: the bank's rhythm sets") << 9 << 2 << "2: DRUMS B";
    QTest::newRow("part 16") << 15 << 128 << "2: PATCH 2";
}

void TestRecordEdit::userGroupListsTheBanksItems()
{
    QFETCH(int, part);
    QFETCH(int, count);
    QFETCH(QString, second);
    CCollectingReporter reporter;
    const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
    Edit e = performanceEdit(newPerformance(), &names);
    QStringList patches;
    for (int i = 0; i < 128; ++i)
        patches << QStringLiteral("PATCH %1").arg(i + 1);
    e.edit.setUserNames(patches, {QStringLiteral("DRUMS A"), QStringLiteral("DRUMS B")});
    const Param& group = params::row(u"part.group");
    const Param& patch = params::row(u"part.patch");
    QVERIFY(e.edit.change(group, part, 1)); // type 0, id 1: the user group
    const QStringList items = e.edit.listItems(patch, part);
    QCOMPARE(items.size(), count);
    QCOMPARE(items[1], second);
    QCOMPARE(e.edit.range(patch, part).second, count - 1);
    // A number beyond the list is refused.
    QVERIFY(!e.edit.change(patch, part, count));
    QVERIFY(e.edit.change(patch, part, count - 1));
    // Another group lists the name store's patches again.
    const std::vector<params::GroupItem> groups = params::patchGroups(names, part);
    QVERIFY(groups.size() > 2);
    QVERIFY(e.edit.change(group, part, groups[1].value()));
    QCOMPARE(e.edit.listItems(patch, part), params::listItems(patch, e.edit.context(patch, part)));
}

void TestRecordEdit::setRowsSendAtTheirAddress_data()
{
    QTest::addColumn<int>("editor");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("sent");
    const int perf = int(params::Editor::Performance);
    const int rhythm = int(params::Editor::Rhythm);
    QTest::newRow("part 1 level") << perf << "part.level" << 0 << 100 << "01 00 10 06 64";
    QTest::newRow("part 16 pan") << perf << "part.pan" << 15 << 0 << "01 00 1f 07 00";
    QTest::newRow("part 5 tune") << perf << "part.tune" << 4 << 60 << "01 00 14 08 3c";
    QTest::newRow("tempo") << perf << "perf.tempo" << 0 << 200 << "01 00 00 2d 0c 08";
    QTest::newRow("performance EFX type") << perf << "perf.efx.type" << 0 << 3 << "01 00 00 0d 03";
    QTest::newRow("key 0") << rhythm << "note.tvf.cutoff" << 0 << 50 << "02 09 23 1b 32";
    QTest::newRow("key 63") << rhythm << "note.tvf.cutoff" << 63 << 50 << "02 09 62 1b 32";
    QTest::newRow("key 20 alternate pan") << rhythm << "note.alternatePan" << 20 << 1 << "02 09 37 35 01";
}

void TestRecordEdit::setRowsSendAtTheirAddress()
{
    QFETCH(int, editor);
    QFETCH(QString, id);
    QFETCH(int, column);
    QFETCH(int, value);
    const auto kind = params::Editor(editor);
    Edit e(kind == params::Editor::Rhythm ? newRhythmSet() : newPerformance(), nullptr, kind);
    QVERIFY(e.edit.change(params::row(id), column, value));
    const QStringList sent = addressed(e.sent);
    QVERIFY(!sent.isEmpty());
    QTEST(sent.first(), "sent");
    for (const QByteArray& m : e.sent)
        QVERIFY(wellFormed(m));
}

QTEST_GUILESS_MAIN(TestRecordEdit)
#include "tst_recordedit.moc"
