#include "model/EfxTypes.h"
#include "model/ExpansionNames.h"
#include "model/ParamMessages.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/Reporter.h"
#include "model/RhythmArray.h"
#include "model/ValueLists.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

using sysex::Block;
Q_DECLARE_METATYPE(sysex::Block)
Q_DECLARE_METATYPE(params::Editor)
Q_DECLARE_METATYPE(valuelists::ValueList)

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// The data bytes of a block holding the defaults of block index.
std::vector<std::uint8_t> defaults(Block block, int index = 0)
{
    std::vector<std::uint8_t> data(static_cast<std::size_t>(sysex::blockDataSize(SynthModel::Jv2080, block)), 0xEE);
    params::writeDefaults(block, index, data.data());
    return data;
}

QByteArray bytes(const std::vector<std::uint8_t>& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

QString realDumps()
{
    return QStringLiteral(TONELOOM_TESTDATA_DIR "/real");
}

} // namespace

class TestParamTable : public QObject
{
    Q_OBJECT

private slots:
    void everyByteHasOneRow_data();
    void everyByteHasOneRow();
    void idsAreUniqueAndFound();
    void defaultsAreTheDocumentedBytes_data();
    void defaultsAreTheDocumentedBytes();
    void defaultsLieInTheirRanges();
    void newRecordsComeFromTheTable();
    void lists_data();
    void lists();
    void efxTypes_data();
    void efxTypes();
    void tabs_data();
    void tabs();
    void pages_data();
    void pages();
    void models_data();
    void models();
    void shownTexts_data();
    void shownTexts();
    void contextTexts();
    void namesFromTheStore();
    void labels();
    void effectSpans();
    void messages_data();
    void messages();
    void refusedMessages();
    void addressesAreLocated();
    void foreignAddressesAreNotLocated_data();
    void foreignAddressesAreNotLocated();
    void realDumpsLieInTheirRanges();
};

void TestParamTable::everyByteHasOneRow_data()
{
    QTest::addColumn<Block>("block");
    QTest::addColumn<int>("rowCount");
    QTest::newRow("patch common") << Block::PatchCommon << 62;
    QTest::newRow("patch tone") << Block::PatchTone << 127;
    QTest::newRow("performance common") << Block::PerformanceCommon << 56;
    QTest::newRow("performance part") << Block::PerformancePart << 23;
    QTest::newRow("rhythm name") << Block::RhythmCommon << 1;
    QTest::newRow("rhythm note") << Block::RhythmNote << 56;
}

void TestParamTable::everyByteHasOneRow()
{
    QFETCH(Block, block);
    QFETCH(int, rowCount);
    const auto& rows = params::rows(block);
    QCOMPARE(int(rows.size()), rowCount);
    const int size = sysex::blockDataSize(SynthModel::Jv2080, block);
    QList<int> owners(size, 0);
    for (const params::Param& p : rows) {
        QCOMPARE(p.block, block);
        QVERIFY2(p.offset >= 0 && p.offset + p.size <= size, qPrintable(p.id));
        for (int b = p.offset; b < p.offset + p.size; ++b) {
            ++owners[b];
            QCOMPARE(params::rowAt(block, b), &p);
        }
        QVERIFY2(p.min <= p.max, qPrintable(p.id));
        QVERIFY2(p.max <= (p.encoding == params::Encoding::Byte ? 127 : 383), qPrintable(p.id));
        if (p.control == params::Control::List && !valuelists::dependsOnContext(p.list))
            QVERIFY2(valuelists::itemCount(p.list) == p.max - p.min + 1, qPrintable(p.id));
    }
    // Neither a gap nor an overlap anywhere in the block.
    for (int b = 0; b < size; ++b)
        QVERIFY2(owners[b] == 1, qPrintable(QStringLiteral("byte %1 has %2 rows").arg(b).arg(owners[b])));
    QCOMPARE(params::rowAt(block, size), nullptr);
    QCOMPARE(params::rowAt(block, -1), nullptr);
}

void TestParamTable::idsAreUniqueAndFound()
{
    QSet<QString> ids;
    const auto all = params::allRows();
    QCOMPARE(int(all.size()), 62 + 127 + 56 + 23 + 1 + 56);
    for (const params::Param* p : all) {
        QVERIFY2(!ids.contains(p->id), qPrintable(p->id));
        ids << p->id;
        QCOMPARE(params::find(p->id), p);
    }
    QCOMPARE(params::find(u"tone.tvf.cutoff")->offset, 0x51);
    QCOMPARE(params::find(u"tone.ctrl3.depth4")->offset, 0x2C);
    QCOMPARE(params::find(u"tone.lfo2.panDepth")->offset, 0x7C);
    QCOMPARE(params::find(u"perf.voiceReserve16")->offset, 0x3F);
    QCOMPARE(params::find(u"patch.efx.row12")->offset, 0x18);
    QCOMPARE(params::find(u"perf.efx.row12")->offset, 0x19);
    QCOMPARE(params::find(u"note.reverbSend")->offset, 0x39);
    QCOMPARE(params::find(u"tone.nothing"), nullptr);
}

void TestParamTable::defaultsAreTheDocumentedBytes_data()
{
    QTest::addColumn<Block>("block");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray patchCommon =
        QByteArray("INIT PATCH  ")
        + hex("00 00 0F 00 0F 07 01 0F 07 01 0F 7F 00 00 7F 00 00 00 3F 00 3F 7F 03 50 00 00 00 02 7F 5A 0D 00"
              "07 08 7F 40 00 02 02 00 00 00 00 00 00 00 01 02 00 00 00 00 00 03 00 00 00 00 00 00 00 00");
    const QByteArray tone =
        hex("00 01 00 00 01 00 00 00 00 00 00 01 7F 00 7F 00 01 01 01 01 00 3F 00 3F 00 3F 00 3F 00 3F 00"
            "3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 3F 00 00 5C 02 00 00 00 00 00 00 5C 02 00 00 00 00 30 32 00"
            "0C 0C 32 07 07 07 00 00 00 00 3F 3F 3F 3F 3F 3F 00 7F 05 00 32 3F 00 32 07 07 07 00 00 00 00 7F"
            "7F 7F 7F 3F 3F 7F 03 3C 07 00 64 07 07 07 00 00 00 0A 7F 7F 7F 3F 3F 40 07 00 40 3F 3F 00 7F 00 00");
    const QByteArray perfCommon =
        QByteArray("Init Perform")
        + hex("00 00 00 0F 01 0F 07 00 0F 0A 00 0F 7F 00 00 7F 00 00 00 3F 00 3F 7F 03 50 00 00 00 02 7F 5F 0D"
              "32 07 08 00 04 04 04 04 04 04 04 04 04 04 04 04 04 04 04 04 00 00 00 00");
    const QByteArray note = hex("01 00 01 00 00 01 00 00 00 00 00 00 00 32 00 0C 32 07 00 00 00 00 3F 3F 3F 3F 00 7F"
                                "00 32 3F 32 07 00 00 00 00 00 00 00 00 7F 32 07 00 00 00 00 00 00 00 00 00 40 00 7F"
                                "7F 7F");
    QTest::newRow("patch common") << Block::PatchCommon << 0 << patchCommon;
    QTest::newRow("tone 1 sounds") << Block::PatchTone << 0 << QByteArray(1, 1) + tone;
    QTest::newRow("tone 4 is off") << Block::PatchTone << 3 << QByteArray(1, 0) + tone;
    QTest::newRow("performance common") << Block::PerformanceCommon << 0 << perfCommon;
    QTest::newRow("part 1 on channel 1")
        << Block::PerformancePart << 0
        << hex("01 00 00 03 00 00 7F 40 30 32 00 7F 00 00 01 01 01 00 7F 03 01 01 00 01 00 00");
    QTest::newRow("part 16 on channel 16")
        << Block::PerformancePart << 15
        << hex("01 0F 00 03 00 00 7F 40 30 32 00 7F 00 00 01 01 01 00 7F 03 01 01 00 01 00 00");
    QTest::newRow("rhythm name") << Block::RhythmCommon << 1 << QByteArray("Init Rhythm ");
    QTest::newRow("rhythm note") << Block::RhythmNote << 63 << note;
}

void TestParamTable::defaultsAreTheDocumentedBytes()
{
    QFETCH(Block, block);
    QFETCH(int, index);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(defaults(block, index)), expected);
}

void TestParamTable::defaultsLieInTheirRanges()
{
    for (const params::Param* p : params::allRows()) {
        for (int index : {0, 3}) {
            const auto data = defaults(p->block, index);
            QVERIFY2(params::holdsValidValue(*p, data.data()), qPrintable(p->id));
        }
    }
}

void TestParamTable::newRecordsComeFromTheTable()
{
    // The arrays lay out their new records from the table: compare a few whole blocks.
    CPatchArray patches;
    const std::uint8_t* patch = patches.data(7);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(patch + 9), 74), bytes(defaults(Block::PatchCommon)));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(patch + CPatchArray::toneParam(2, 0)), 129),
             bytes(defaults(Block::PatchTone, 2)));
    CPerformanceArray performances;
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(performances.data(31) + CPerformanceArray::partParam(9, 0)), 26),
             bytes(defaults(Block::PerformancePart, 9)));
    CRhythmArray rhythms;
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(rhythms.data(1) + 9), 12), QByteArray("Init Rhythm "));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(rhythms.data(1) + CRhythmArray::noteParam(40, 0)), 58),
             bytes(defaults(Block::RhythmNote, 40)));
}

void TestParamTable::lists_data()
{
    using namespace valuelists;
    QTest::addColumn<ValueList>("list");
    QTest::addColumn<int>("count");
    // index:text pairs, separated by blanks; -1 is the last item.
    QTest::addColumn<QStringList>("samples");
    const auto row = [](const char* name, ValueList list, int count, QStringList samples) {
        QTest::newRow(name) << list << count << samples;
    };
    row("0..127", kZeroTo127, 128, {"0:0", "-1:127"});
    row("signed 63", kSigned63, 127, {"0:-63", "62:-01", "63:0", "64:+01", "-1:+63"});
    row("velocity sens", kVelocitySens, 126, {"0:-100", "49:-2", "50:+0", "51:+2", "-1:+150"});
    row("time sens", kTimeSens, 15, {"0:-100", "1:-70", "7:0", "13:+70", "-1:+100"});
    row("keyfollow", kKeyfollow, 16, {"0:-100", "4:-10", "5:0", "12:+100", "-1:+200"});
    row("note", kNote, 128, {"0:C-1", "1:C#-1", "60:C4", "-1:G9"});
    row("pan 64", kPan64, 128, {"0:L64", "63:L1", "64:0", "65:1R", "-1:63R"});
    row("velocity curve", kVelocityCurve, 7, {"0:1", "-1:7"});
    row("synced time", kSyncedTime, 128, {"0:0", "48:96", "49:100", "73:200", "97:400", "-1:880"});
    row("random pitch", kRandomPitch, 31, {"10:10", "11:20", "19:100", "20:200", "-1:1200"});
    row("alternate pan", kAlternatePan, 127, {"0:L63", "62:L1", "63:0", "64:R1", "-1:R63"});
    row("envelope depth 12", kEnvelopeDepth12, 25, {"0:-12", "11:-01", "12:0", "13:+01", "-1:+12"});
    row("coarse", numbers(-48, 48, 1, Format::Signed), 97, {"0:-48", "47:-1", "48:0", "49:+1", "-1:+48"});
    row("efx sources", named(Kind::EfxSource), 16, {"0:PERFORM", "9:9", "10:11", "-1:16"});
    row("efx types", named(Kind::EfxType), 40, {"0:01:STEREO-EQ", "26:27:OVERDRIVE->FLANGER", "-1:40:CHORUS/FLANGER"});
    row("FREQ", named(Kind::Freq), 17, {"0:200", "2:315", "-1:8000"});
    row("DAMP", named(Kind::Damp), 18, {"16:8000", "-1:BYPASS"});
    row("P", named(Kind::Pan), 128, {"0:L64", "64:0", "65:R1", "-1:R63"});
    row("F", named(Kind::Frequency), 126, {"0:100", "20:300", "21:320", "55:1000", "56:1100", "-1:8000"});
    row("R", named(Kind::Rate), 126, {"0:0.05", "1:0.10", "98:4.95", "99:5.0", "118:6.9", "119:7.0", "-1:10.0"});
    row("RN", named(Kind::RateNote), 136, {"125:10.0", "126:16th", "130:4tr Triplet", "-1:Half"});
    row("D100", named(Kind::Delay100), 151, {"0:0.0", "50:5.0", "51:5.5", "60:10.0", "61:11", "-1:100"});
    row("D500", named(Kind::Delay500), 127, {"60:10.0", "61:11", "90:40", "91:50", "116:300", "117:320", "-1:500"});
    row("T550", named(Kind::Tap550), 126, {"0:200", "70:550", "71:560", "115:1000", "116:16th", "-1:Half"});
    row("T600", named(Kind::Tap600), 121, {"80:600", "81:610", "-1:1000"});
    row("EB", named(Kind::EffectBalance), 101, {"0:D100:0E", "1:D99:1E", "-1:D0:100E"});
    row("LB", named(Kind::LevelBalance), 101, {"0:A100:0B", "50:A50:50B", "-1:A0:100B"});
    const ValueList volumes = {Kind::NumbersOff, 0, 1, 128, Format::Plain, nullptr};
    row("transmit volume", volumes, 129, {"0:0", "127:127", "-1:OFF"});
    const ValueList mute = {Kind::OffNumbers, 1, 1, 31, Format::Plain, nullptr};
    row("mute group", mute, 32, {"0:OFF", "1:1", "-1:31"});
    row("-100..100 by 2", numbers(-100, 100, 2), 101, {"0:-100", "50:0", "-1:100"});
}

void TestParamTable::lists()
{
    QFETCH(valuelists::ValueList, list);
    QFETCH(int, count);
    QFETCH(QStringList, samples);
    const QStringList items = valuelists::items(list);
    QCOMPARE(items.size(), count);
    QCOMPARE(valuelists::itemCount(list), count);
    for (const QString& sample : samples) {
        const int colon = sample.indexOf(QLatin1Char(':'));
        int index = sample.left(colon).toInt();
        if (index < 0)
            index = count - 1;
        const QString text = sample.mid(colon + 1);
        QCOMPARE(items.at(index), text);
        QCOMPARE(valuelists::item(list, index), text);
    }
    QCOMPARE(valuelists::item(list, count), QString());
    QCOMPARE(valuelists::item(list, -1), QString());
}

void TestParamTable::efxTypes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<int>>("unused"); // rows 1..12 the type leaves out
    QTest::addColumn<QString>("control1");
    QTest::addColumn<QString>("control2");
    // Rows used by each type, as the effects page lists them.
    const int used[efx::kTypeCount] = {11, 6,  6,  7, 11, 5, 7, 11, 7, 8, 8, 8, 8, 10, 11, 10, 11, 12, 12, 12,
                                       9,  12, 10, 8, 7,  7, 8, 7,  7, 8, 7, 7, 8, 7,  9,  10, 10, 9,  10, 10};
    // Types with gaps between used rows.
    const QMap<int, QList<int>> gaps = {{13, {7}}, {25, {6}}, {28, {6}}, {31, {6}}, {33, {6}}, {34, {4}}, {37, {4}}};
    const QStringList control1 = {"Level",
                                  "Drive",
                                  "Drive",
                                  "Manual",
                                  "Pan",
                                  "Sensitivity",
                                  "Rate",
                                  "Speed",
                                  "Pan",
                                  "Pan",
                                  "Rate",
                                  "Tremolo Rate",
                                  "Rate",
                                  "Rate",
                                  "Rate",
                                  "Step Rate",
                                  "Feedback",
                                  "Rate",
                                  "Feedback",
                                  "Feedback",
                                  "Delay",
                                  "Coarse A",
                                  "Coarse",
                                  "Time",
                                  "Balance",
                                  "Pan",
                                  "Pan",
                                  "Pan",
                                  "Pan",
                                  "Pan",
                                  "Pan",
                                  "Sensitivity",
                                  "Sensitivity",
                                  "Sensitivity",
                                  "Chorus Balance",
                                  "Flanger Balance",
                                  "Chorus Balance",
                                  "Chorus Balance",
                                  "Flanger Balance",
                                  "Chorus Balance"};
    const QStringList control2 = {"",
                                  "Pan",
                                  "Pan",
                                  "Rate",
                                  "Level",
                                  "Mix",
                                  "Manual",
                                  "Level",
                                  "Level",
                                  "Level",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Feedback",
                                  "Feedback",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Feedback",
                                  "Coarse B",
                                  "Feedback",
                                  "Balance",
                                  "Level",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Balance",
                                  "Delay Balance",
                                  "Delay Balance",
                                  "Flanger Balance",
                                  "Delay Balance",
                                  "Delay Balance",
                                  "Flanger Balance"};
    for (int t = 0; t < efx::kTypeCount; ++t) {
        QList<int> unused = gaps.value(t);
        const int last = used[t] + int(unused.size());
        for (int r = last + 1; r <= efx::kRowCount; ++r)
            unused << r;
        QTest::addRow("%02d", t + 1) << t << unused << control1.at(t) << control2.at(t);
    }
}

void TestParamTable::efxTypes()
{
    QFETCH(int, type);
    QFETCH(QList<int>, unused);
    QFETCH(QString, control1);
    QFETCH(QString, control2);
    for (int r = 0; r < efx::kRowCount; ++r) {
        const bool expectUsed = !unused.contains(r + 1);
        QCOMPARE(efx::rowUsed(type, r), expectUsed);
        QCOMPARE(efx::rowLabel(type, r).isEmpty(), !expectUsed);
        if (expectUsed) {
            QVERIFY(efx::rowLabel(type, r).endsWith(QLatin1Char(':')) || efx::rowLabel(type, r).endsWith(';'));
            QVERIFY(!efx::rowItems(type, r).isEmpty());
            QCOMPARE(efx::rowMaximum(type, r), std::min(int(efx::rowItems(type, r).size()) - 1, 127));
        } else {
            QCOMPARE(efx::rowMaximum(type, r), 127);
        }
    }
    QCOMPARE(efx::controlText(type, 1), QStringLiteral("Control 1: ") + control1);
    QCOMPARE(efx::controlText(type, 2), QStringLiteral("Control 2: ") + control2);
}

void TestParamTable::tabs_data()
{
    QTest::addColumn<params::Editor>("editor");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("patch") << params::Editor::Patch
                           << QStringList{"Common",       "Chorus / Reverb", "EFX",  "Controls",     "Controller 1",
                                          "Controller 2", "Controller 3",    "Wave", "LFO 1",        "LFO 2",
                                          "Pitch",        "Pitch Envelope",  "TVF",  "TVF Envelope", "TVA",
                                          "TVA Envelope", "Pan / Output"};
    QStringList performance = {"Common"};
    for (int p = 1; p <= 16; ++p)
        performance << QStringLiteral("Part %1").arg(p);
    performance << "Chorus/Reverb"
                << "EFX"
                << "Mix";
    QTest::newRow("performance") << params::Editor::Performance << performance;
    QTest::newRow("rhythm") << params::Editor::Rhythm << QStringList{"Wave", "Pitch", "TVF", "TVA"};
}

void TestParamTable::tabs()
{
    QFETCH(params::Editor, editor);
    QFETCH(QStringList, texts);
    QStringList got;
    for (const params::Tab& tab : params::tabs(editor))
        got << tab.text;
    QCOMPARE(got, texts);
}

void TestParamTable::pages_data()
{
    QTest::addColumn<params::Editor>("editor");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    using params::Editor;
    using params::Page;
    const auto row = [](const char* name, Editor e, Page p, int count, const char* first, const char* last) {
        QTest::newRow(name) << e << int(p) << count << QString::fromLatin1(first) << QString::fromLatin1(last);
    };
    row("patch common", Editor::Patch, Page::Common, 30, "Name", "Patch Category");
    row("patch chorus/reverb", Editor::Patch, Page::ChorusReverb, 11, "Chorus Level", "Reverb Feedback");
    row("patch efx", Editor::Patch, Page::Efx, 21, "Type", "Control 2 depth");
    row("controls", Editor::Patch, Page::Controls, 10, "Velocity Cross Fade", "Pan");
    row("controller 2", Editor::Patch, Page::Controller2, 8, "Destination 1", "Depth 4");
    row("wave", Editor::Patch, Page::Wave, 9, "Tone Switch", "Tone Delay Time");
    row("lfo 2", Editor::Patch, Page::Lfo2, 12, "Waveform", "Depth Panorama");
    row("pitch", Editor::Patch, Page::Pitch, 9, "Coarse", "Time Keyfollow");
    row("pitch envelope", Editor::Patch, Page::PitchEnvelope, 8, "Time 1", "Level 4");
    row("tvf", Editor::Patch, Page::Tvf, 11, "Filter Type", "Time Keyfollow");
    row("tva envelope", Editor::Patch, Page::TvaEnvelope, 7, "Time 1", "Level 3");
    row("pan / output", Editor::Patch, Page::PanOutput, 8, "Tone Pan", "Reverb Send Level");
    row("performance common", Editor::Performance, Page::Common, 21, "Name", "Clock Source");
    row("part", Editor::Performance, Page::Part, 23, "Receive Switch", "Output Select");
    row("performance efx", Editor::Performance, Page::Efx, 24, "EFX-A Source", "EFX-C Source");
    row("performance chorus/reverb", Editor::Performance, Page::ChorusReverb, 11, "Chorus Level", "Reverb Feedback");
    row("rhythm wave", Editor::Rhythm, Page::Wave, 13, "Tone Switch", "Alternate Depth");
    row("rhythm pitch", Editor::Rhythm, Page::Pitch, 14, "Coarse", "Level 4");
    row("rhythm tvf", Editor::Rhythm, Page::Tvf, 15, "Filter Type", "Level 4");
    row("rhythm tva", Editor::Rhythm, Page::Tva, 14, "Tone Level", "Reverb Level");
}

void TestParamTable::pages()
{
    QFETCH(params::Editor, editor);
    QFETCH(int, page);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const auto rows = params::pageRows(editor, static_cast<params::Page>(page));
    QCOMPARE(int(rows.size()), count);
    QCOMPARE(rows.front()->label, first);
    QCOMPARE(rows.back()->label, last);
    for (std::size_t i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i]->order, int(i));
}

void TestParamTable::models_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("exists"); // one letter per model: JV-1080, JV-2080, XP
    QTest::addColumn<QString>("shown");
    QTest::newRow("patch category") << "patch.category"
                                    << "-y-"
                                    << "-y-";
    QTest::newRow("patch clock source") << "patch.clockSource"
                                        << "-yy"
                                        << "-yy";
    QTest::newRow("keyboard mode") << "perf.keyboardMode"
                                   << "-yy"
                                   << "--y";
    QTest::newRow("performance clock source") << "perf.clockSource"
                                              << "-yy"
                                              << "-yy";
    QTest::newRow("EFX-B source") << "perf.efx.sourceB"
                                  << "-y-"
                                  << "-y-";
    QTest::newRow("EFX-A source") << "perf.efx.sourceA"
                                  << "yyy"
                                  << "yyy";
    QTest::newRow("part octave shift") << "part.octaveShift"
                                       << "-yy"
                                       << "-yy";
    QTest::newRow("part transmit volume") << "part.transmitVolume"
                                          << "-yy"
                                          << "-yy";
    QTest::newRow("part output select") << "part.outputSelect"
                                        << "-y-"
                                        << "-y-";
    QTest::newRow("part key upper") << "part.keyUpper"
                                    << "yyy"
                                    << "yyy";
    QTest::newRow("tone reverb send") << "tone.reverbSend"
                                      << "yyy"
                                      << "yyy";
    QTest::newRow("booster 3&4") << "patch.booster34"
                                 << "yyy"
                                 << "yyy";
}

void TestParamTable::models()
{
    QFETCH(QString, id);
    QFETCH(QString, exists);
    QFETCH(QString, shown);
    const params::Param& p = params::row(id);
    const SynthModel models[] = {SynthModel::Jv1080, SynthModel::Jv2080, SynthModel::Xp};
    for (int m = 0; m < 3; ++m) {
        QCOMPARE(params::existsOn(p, models[m]), exists.at(m) == QLatin1Char('y'));
        QCOMPARE(params::shownOn(p, models[m]), shown.at(m) == QLatin1Char('y'));
    }
}

void TestParamTable::shownTexts_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("alternate pan centre") << "tone.alternatePan" << 64 << "0";
    QTest::newRow("alternate pan left") << "tone.alternatePan" << 1 << "L63";
    QTest::newRow("alternate depth right") << "note.alternatePan" << 127 << "R63";
    QTest::newRow("tempo 20") << "patch.tempo" << 20 << "20";
    QTest::newRow("tempo 250") << "patch.tempo" << 250 << "250";
    QTest::newRow("performance tempo") << "perf.tempo" << 120 << "120";
    QTest::newRow("velocity lower") << "tone.velocity.lower" << 1 << "1";
    QTest::newRow("channel") << "part.channel" << 0 << "1";
    QTest::newRow("channel 16") << "part.channel" << 15 << "16";
    QTest::newRow("tune") << "part.tune" << 0 << "-48";
    QTest::newRow("fine") << "part.fine" << 100 << "50";
    QTest::newRow("efx depth -63") << "perf.efx.control1.depth" << 0 << "-63";
    QTest::newRow("efx depth +63") << "patch.efx.control2.depth" << 126 << "63";
    QTest::newRow("part pan wraps to L64") << "part.pan" << 0 << "L64";
    QTest::newRow("part pan right") << "part.pan" << 127 << "R63";
    QTest::newRow("part key") << "part.keyLower" << 60 << "C4";
    QTest::newRow("tone switch") << "tone.switch" << 1 << "ON";
    QTest::newRow("tone switch off") << "tone.switch" << 0 << "OFF";
    QTest::newRow("coarse") << "tone.pitch.coarse" << 48 << "0";
    QTest::newRow("rhythm coarse") << "note.pitch.coarse" << 35 << "B1";
    QTest::newRow("transmit volume off") << "part.transmitVolume" << 128 << "OFF";
    QTest::newRow("efx type") << "patch.efx.type" << 39 << "40:CHORUS/FLANGER";
    QTest::newRow("efx source") << "perf.efx.sourceA" << 10 << "11";
    QTest::newRow("category") << "patch.category" << 38 << "COMBINATION";
    QTest::newRow("voice reserve") << "perf.voiceReserve3" << 64 << "64";
    QTest::newRow("reverb damp") << "patch.reverb.hfDamp" << 17 << "BYPASS";
    QTest::newRow("mute group") << "note.muteGroup" << 0 << "OFF";
    QTest::newRow("fxm depth") << "tone.fxm.depth" << 15 << "16";
    QTest::newRow("structure") << "patch.structure34" << 9 << "10";
    QTest::newRow("octave shift") << "part.octaveShift" << 0 << "-3";
    QTest::newRow("beyond the list") << "tone.wave.gain" << 9 << "9";
}

void TestParamTable::shownTexts()
{
    QFETCH(QString, id);
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(params::shownText(params::row(id), value), text);
}

void TestParamTable::contextTexts()
{
    // The multi-effect's rows follow the block's type.
    auto common = defaults(Block::PatchCommon);
    const params::Param& row1 = params::row(u"patch.efx.row1");
    const params::Param& row12 = params::row(u"patch.efx.row12");
    const params::ShowContext context{common.data(), 0, nullptr};
    QCOMPARE(params::shownText(row1, 1, context), QStringLiteral("400"));
    QVERIFY(!params::usedBy(row12, common.data()));
    QCOMPARE(params::valueRange(row1, common.data()), std::make_pair(0, 1));
    common[0x0C] = 7; // 08:ROTARY
    QCOMPARE(params::shownText(row1, 125, context), QStringLiteral("10.0"));
    QCOMPARE(params::valueRange(row1, common.data()), std::make_pair(0, 125));
    QCOMPARE(params::listItems(row1, context).size(), 126);
    common[0x0C] = 10; // 11:HEXA-CHORUS: D100 reaches past a byte
    QCOMPARE(params::valueRange(row1, common.data()), std::make_pair(0, 127));
    QCOMPARE(params::shownText(row1, 127, context), QStringLiteral("77"));

    // LFO rate and tone delay time switch to the synced list.
    auto tone = defaults(Block::PatchTone);
    const params::ShowContext toneContext{tone.data(), 0, nullptr};
    const params::Param& rate = params::row(u"tone.lfo2.rate");
    QCOMPARE(params::shownText(rate, 49, toneContext), QStringLiteral("49"));
    tone[0x3C] = 1; // LFO 2 External Sync "CLOCK"
    QCOMPARE(params::shownText(rate, 49, toneContext), QStringLiteral("100"));
    QCOMPARE(params::shownText(params::row(u"tone.lfo1.rate"), 49, toneContext), QStringLiteral("49"));
    const params::Param& delay = params::row(u"tone.delay.time");
    tone[0x09] = 4; // "<TAP-SYNC>"
    QCOMPARE(params::shownText(delay, 127, toneContext), QStringLiteral("880"));
    tone[0x09] = 5; // "KEY-OFF-N"
    QCOMPARE(params::shownText(delay, 127, toneContext), QStringLiteral("127"));

    // Without a name store, groups show type and id, numbers count from 1.
    QCOMPARE(params::shownText(params::row(u"tone.wave.group"), 2 * 128 + 7, toneContext), QStringLiteral("2-7"));
    QCOMPARE(params::shownText(params::row(u"tone.wave.number"), 0, toneContext), QStringLiteral("1"));

    // The name row shows the name without its padding.
    auto perf = defaults(Block::PerformanceCommon);
    QCOMPARE(params::shownText(params::row(u"perf.name"), 0, {perf.data(), 0, nullptr}),
             QStringLiteral("Init Perform"));
    auto rhythm = defaults(Block::RhythmCommon);
    QCOMPARE(params::nameText(params::row(u"rhythm.name"), rhythm.data()), QStringLiteral("Init Rhythm"));
}

void TestParamTable::namesFromTheStore()
{
    CCollectingReporter reporter;
    const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
    const QString board1 = names.GetTitle(NameFileKind::Board, 1);
    QVERIFY(!board1.isEmpty());

    const auto waves = params::waveGroups(names);
    QCOMPARE(int(waves.size()), 3 + 127);
    QCOMPARE(waves[0].text, QStringLiteral("Preset A"));
    QCOMPARE(waves[0].value(), 1);
    QCOMPARE(waves[2].text, QStringLiteral("PCM"));
    QCOMPARE(waves[3].text, board1);
    QCOMPARE(waves[3].value(), 2 * 128 + 1);
    QCOMPARE(waves.back().value(), 2 * 128 + 127);

    // The last internal patch group is General MIDI, which part 10 does not offer.
    const auto groups = params::patchGroups(names, 0);
    QCOMPARE(int(groups.size()), 8 + 127);
    QCOMPARE(groups[0].value(), 1);
    QCOMPARE(groups[6].value(), 7);
    QCOMPARE(groups[7].value(), 1 * 128 + 1);
    QCOMPARE(groups[7].text, names.GetTitle(NameFileKind::Preset, 8));
    QCOMPARE(groups[8].text, board1);
    const auto rhythmGroups = params::patchGroups(names, 9);
    QCOMPARE(int(rhythmGroups.size()), 7 + 127);
    QVERIFY(std::none_of(rhythmGroups.begin(), rhythmGroups.end(), [](const auto& g) { return g.type == 1; }));

    QCOMPARE(params::waveNames(names, 0, 1).size(), names.GetNameCount(3, NameSection::Waves, NameFileKind::Preset));
    QCOMPARE(params::waveNames(names, 0, 2).first(), names.GetName(4, NameSection::Waves, 0, NameFileKind::Preset));
    QCOMPARE(params::waveNames(names, 2, 1).first(), names.GetName(1, NameSection::Waves, 0, NameFileKind::Board));
    QCOMPARE(params::partPatchNames(names, 0, 3, 0).first(),
             names.GetName(3, NameSection::Patches, 0, NameFileKind::Preset));
    QCOMPARE(params::partPatchNames(names, 0, 3, 9).first(),
             names.GetName(3, NameSection::RhythmSets, 0, NameFileKind::Preset));
    QVERIFY(params::partPatchNames(names, 0, 1, 0).isEmpty()); // the bank's own patches

    // Shown texts with the name store.
    auto tone = defaults(Block::PatchTone);
    const params::ShowContext context{tone.data(), 0, &names};
    QCOMPARE(params::shownText(params::row(u"tone.wave.group"), 2 * 128 + 1, context), board1);
    params::setValue(params::row(u"tone.wave.group"), tone.data(), 2);
    QCOMPARE(params::shownText(params::row(u"tone.wave.number"), 0, context),
             names.GetName(4, NameSection::Waves, 0, NameFileKind::Preset));
    QCOMPARE(params::listItems(params::row(u"tone.wave.number"), context).size(),
             names.GetNameCount(4, NameSection::Waves, NameFileKind::Preset));
    QCOMPARE(params::shownText(params::row(u"tone.wave.number"), 254, context), QStringLiteral("255"));
    auto part = defaults(Block::PerformancePart, 4);
    const params::ShowContext partContext{part.data(), 4, &names};
    QCOMPARE(params::shownText(params::row(u"part.group"), 3, partContext), names.GetTitle(NameFileKind::Preset, 3));
    QCOMPARE(params::shownText(params::row(u"part.patch"), 1, partContext),
             names.GetName(3, NameSection::Patches, 1, NameFileKind::Preset));
    params::setValue(params::row(u"part.group"), part.data(), 1);
    QCOMPARE(params::shownText(params::row(u"part.patch"), 1, partContext), QStringLiteral("2"));
}

void TestParamTable::labels()
{
    auto common = defaults(Block::PerformanceCommon);
    const params::Param& row11 = params::row(u"perf.efx.row11");
    QCOMPARE(params::label(row11, common.data()), QStringLiteral("Output Level:"));
    QCOMPARE(params::plainLabel(params::label(row11, common.data())), QStringLiteral("Output Level"));
    common[0x0D] = 26; // 27:OVERDRIVE->FLANGER
    const params::Param& row4 = params::row(u"perf.efx.row4");
    QCOMPARE(params::label(row4, common.data()), QStringLiteral("Flanger Rate;"));
    QCOMPARE(params::plainLabel(params::label(row4, common.data())), QStringLiteral("Flanger Rate"));
    QCOMPARE(params::label(params::row(u"perf.efx.row12"), common.data()), QString());
    QCOMPARE(params::label(params::row(u"tone.tvf.cutoff")), QStringLiteral("Cutoff Frequency"));
    QCOMPARE(params::plainLabel(QStringLiteral("Reverb:")), QStringLiteral("Reverb"));
    QCOMPARE(params::mixRows().size(), std::size_t(6));
    for (const params::MixRow& m : params::mixRows())
        QVERIFY2(params::find(QString::fromLatin1(m.id)), m.id);
}

void TestParamTable::effectSpans()
{
    QCOMPARE(params::offsetSpan(Block::PatchCommon, u"patch.efx."), std::make_pair(12, 32));
    QCOMPARE(params::offsetSpan(Block::PatchCommon, u"patch.chorus."), std::make_pair(33, 38));
    QCOMPARE(params::offsetSpan(Block::PatchCommon, u"patch.reverb."), std::make_pair(39, 43));
    QCOMPARE(params::offsetSpan(Block::PerformanceCommon, u"perf.chorus."), std::make_pair(34, 39));
    QCOMPARE(params::offsetSpan(Block::PatchCommon, u"nothing."), std::make_pair(-1, -1));
}

void TestParamTable::messages_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("expected");
    using params::row;
    const std::uint8_t dev = 0x10;
    QTest::newRow("velocity range switch")
        << params::valueMessage(row(u"patch.velocityRange"), 0, 1, dev) << hex("F0 41 10 6A 12 03 00 00 40 01 3C F7");
    QTest::newRow("efx type in a patch") << params::valueMessage(row(u"patch.efx.type"), 0, 5, dev)
                                         << hex("F0 41 10 6A 12 03 00 00 0C 05 6C F7");
    QTest::newRow("efx type in a performance")
        << params::valueMessage(row(u"perf.efx.type"), 0, 5, 0x11) << hex("F0 41 11 6A 12 01 00 00 0D 05 6D F7");
    QTest::newRow("tone 3 cutoff") << params::valueMessage(row(u"tone.tvf.cutoff"), 2, 64, dev)
                                   << hex("F0 41 10 6A 12 03 00 14 51 40 58 F7");
    // Byte 80h of a tone lies beyond the last address byte: the next address.
    QTest::newRow("tone 4 reverb send") << params::valueMessage(row(u"tone.reverbSend"), 3, 127, dev)
                                        << hex("F0 41 10 6A 12 03 00 17 00 7F 67 F7");
    QTest::newRow("patch tempo 250") << params::valueMessage(row(u"patch.tempo"), 0, 250, dev)
                                     << hex("F0 41 10 6A 12 03 00 00 2C 0F 0A 38 F7");
    QTest::newRow("performance tempo 20")
        << params::valueMessage(row(u"perf.tempo"), 0, 20, dev) << hex("F0 41 10 6A 12 01 00 00 2D 01 04 4D F7");
    QTest::newRow("part 16 channel") << params::valueMessage(row(u"part.channel"), 15, 15, dev)
                                     << hex("F0 41 10 6A 12 01 00 1F 01 0F 50 F7");
    QTest::newRow("part 1 transmit volume off") << params::valueMessage(row(u"part.transmitVolume"), 0, 128, dev)
                                                << hex("F0 41 10 6A 12 01 00 10 17 08 00 50 F7");
    QTest::newRow("rhythm key 0") << params::valueMessage(row(u"note.tva.level"), 0, 100, dev)
                                  << hex("F0 41 10 6A 12 02 09 23 29 64 45 F7");
    QTest::newRow("rhythm key 63") << params::valueMessage(row(u"note.switch"), 63, 0, dev)
                                   << hex("F0 41 10 6A 12 02 09 62 00 00 13 F7");
    QTest::newRow("wave group alone") << params::valueMessage(row(u"tone.wave.group"), 1, 2 * 128 + 9, dev)
                                      << hex("F0 41 10 6A 12 03 00 12 01 02 09 5F F7");
    QTest::newRow("wave group with its number")
        << params::groupMessage(row(u"tone.wave.group"), 1, 2 * 128 + 9, 254, dev)
        << hex("F0 41 10 6A 12 03 00 12 01 02 09 0F 0E 42 F7");
    QTest::newRow("part group with its patch") << params::groupMessage(row(u"part.group"), 9, 3, 1, dev)
                                               << hex("F0 41 10 6A 12 01 00 19 02 00 03 00 01 60 F7");
    QTest::newRow("patch name") << params::nameMessage(Block::PatchCommon, "Warm Pad", dev)
                                << hex("F0 41 10 6A 12 03 00 00 00 57 61 72 6D 20 50 61 64 20 20 20 20 31 F7");
    QTest::newRow("rhythm name cut to 12")
        << params::nameMessage(Block::RhythmCommon, "Power Kit Extended", dev)
        << hex("F0 41 10 6A 12 02 09 00 00 50 6F 77 65 72 20 4B 69 74 20 45 78 43 F7");
    QTest::newRow("user patch 5") << params::valueMessage(row(u"tone.tva.level"), 0, 1, dev,
                                                          {sysex::MemoryArea::User, 5})
                                  << hex("F0 41 10 6A 12 11 05 10 65 01 74 F7");
    QTest::newRow("card rhythm set 2") << params::valueMessage(row(u"note.tva.level"), 1, 1, dev,
                                                               {sysex::MemoryArea::Card, 1})
                                       << hex("F0 41 10 6A 12 20 41 24 29 01 51 F7");
    auto tone = defaults(Block::PatchTone, 0);
    QTest::newRow("a row as it stands") << params::rowMessage(row(u"tone.wave.number"), 0, tone.data(), dev)
                                        << hex("F0 41 10 6A 12 03 00 10 03 00 00 6A F7");
}

void TestParamTable::messages()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, expected);
    QCOMPARE(message.toHex(' ').toUpper(), expected.toHex(' ').toUpper());
    const auto* m = reinterpret_cast<const std::uint8_t*>(message.constData());
    QCOMPARE(int(m[message.size() - 2]), int(sysex::checksum(int(message.size()) - 7, m + 5)));
}

void TestParamTable::refusedMessages()
{
    using params::row;
    QVERIFY(params::valueMessage(row(u"patch.tempo"), 0, 19, 0x10).isEmpty());
    QVERIFY(params::valueMessage(row(u"patch.tempo"), 0, 251, 0x10).isEmpty());
    QVERIFY(params::valueMessage(row(u"tone.alternatePan"), 0, 0, 0x10).isEmpty());
    QVERIFY(params::valueMessage(row(u"tone.wave.gain"), 0, 4, 0x10).isEmpty());
    QVERIFY(params::valueMessage(row(u"patch.efx.row1"), 0, 128, 0x10).isEmpty());
    QVERIFY(params::valueMessage(row(u"patch.name"), 0, 0, 0x10).isEmpty());
    QVERIFY(params::groupMessage(row(u"tone.wave.group"), 0, 3 * 128, 0, 0x10).isEmpty());
    QVERIFY(params::groupMessage(row(u"tone.wave.gain"), 0, 0, 0, 0x10).isEmpty());
    QVERIFY(params::bytesMessage(Block::PatchTone, 0, 128, "\x01\x02", 0x10).isEmpty());
    QVERIFY(params::bytesMessage(Block::PatchTone, 0, 0, "\x80", 0x10).isEmpty());
}

void TestParamTable::addressesAreLocated()
{
    // Every byte of every row, in the first and last block of a kind, in all three areas.
    int located = 0;
    for (const params::Param* p : params::allRows()) {
        const bool common =
            p->block == Block::PatchCommon || p->block == Block::PerformanceCommon || p->block == Block::RhythmCommon;
        const int last = p->block == Block::PatchTone ? 3 : p->block == Block::PerformancePart ? 15 : 63;
        const int items = p->block == Block::PatchCommon || p->block == Block::PatchTone     ? 128
                          : p->block == Block::RhythmCommon || p->block == Block::RhythmNote ? 2
                                                                                             : 32;
        for (const int index : {0, common ? 0 : last}) {
            for (const params::Destination d : {params::Destination{}, params::Destination{sysex::MemoryArea::User, 1},
                                                params::Destination{sysex::MemoryArea::Card, items - 1}}) {
                for (int b = p->offset; b < p->offset + p->size; ++b) {
                    const auto where = params::locate(params::parameterAddress(p->block, index, b, d));
                    QVERIFY2(where, qPrintable(p->id));
                    QCOMPARE(where->block, p->block);
                    QCOMPARE(where->index, index);
                    QCOMPARE(where->offset, b);
                    QCOMPARE(where->destination.area, d.area);
                    QCOMPARE(where->destination.number, d.number);
                    QCOMPARE(params::rowAt(where->block, where->offset), p);
                    ++located;
                }
            }
        }
    }
    QCOMPARE(located, (74 + 129 + 68 + 26 + 12 + 58) * 2 * 3);
}

void TestParamTable::foreignAddressesAreNotLocated_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::newRow("system") << hex("00 00 00 00");
    QTest::newRow("temporary patch of part 4") << hex("02 03 00 00");
    QTest::newRow("second temporary patch") << hex("03 01 00 00");
    QTest::newRow("tone 5") << hex("03 00 18 00");
    QTest::newRow("beyond the last tone byte") << hex("03 00 11 01");
    QTest::newRow("beyond the patch common") << hex("11 05 00 4A");
    QTest::newRow("part 17") << hex("01 00 20 00");
    QTest::newRow("performance 33") << hex("10 20 00 00");
    QTest::newRow("rhythm set 3") << hex("20 42 00 00");
    QTest::newRow("key 65") << hex("02 09 63 00");
    QTest::newRow("between name and first key") << hex("02 09 22 00");
    QTest::newRow("another area") << hex("30 00 00 00");
}

void TestParamTable::foreignAddressesAreNotLocated()
{
    QFETCH(QByteArray, address);
    const sysex::Address a{std::uint8_t(address[0]), std::uint8_t(address[1]), std::uint8_t(address[2]),
                           std::uint8_t(address[3])};
    QVERIFY(!params::locate(a));
}

void TestParamTable::realDumpsLieInTheirRanges()
{
    const QDir dir(realDumps());
    const QStringList files = dir.entryList({QStringLiteral("*.syx")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        QSKIP("No real dumps beside the repository (testdata/real)");
    int patches = 0;
    QSet<int> typesSeen;
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        CPatchArray array;
        const int loaded = array.Load(file);
        QVERIFY2(loaded > 0, qPrintable(name));
        for (int i = 0; i < loaded; ++i) {
            const std::uint8_t* common = array.data(i) + sysex::kOffData;
            typesSeen << common[0x0C];
            for (const params::Param& p : params::rows(Block::PatchCommon))
                QVERIFY2(params::holdsValidValue(p, common), qPrintable(QStringLiteral("%1 patch %2 %3 = %4")
                                                                            .arg(name)
                                                                            .arg(i + 1)
                                                                            .arg(p.id)
                                                                            .arg(params::value(p, common))));
            for (int t = 0; t < CPatchArray::kTones; ++t) {
                const std::uint8_t* tone = array.data(i) + CPatchArray::toneParam(t, 0);
                for (const params::Param& p : params::rows(Block::PatchTone))
                    QVERIFY2(params::holdsValidValue(p, tone), qPrintable(QStringLiteral("%1 patch %2 tone %3 %4 = %5")
                                                                              .arg(name)
                                                                              .arg(i + 1)
                                                                              .arg(t + 1)
                                                                              .arg(p.id)
                                                                              .arg(params::value(p, tone))));
            }
            ++patches;
        }
    }
    QCOMPARE(patches, 128 + 46 + 1 + 1 + 1);
    QVERIFY(typesSeen.size() > 20); // the multi-effect rows were checked against many types
}

QTEST_GUILESS_MAIN(TestParamTable)
#include "tst_paramtable.moc"
