// The virtual synthesizer's messages: what each control sends for a value by its rule,
// with the configured device ID, and the patch it starts from. Bytes compared whole.
// Every row a control names exists in the parameter table.

#include "controls/common/ChoiceList.h"
#include "controls/common/ControlStates.h"
#include "model/ParamTable.h"
#include "model/SysEx.h"
#include "playsurfaces/VirtualSynthSender.h"
#include "playsurfaces/VirtualSynthTable.h"

#include <QDataStream>
#include <QSet>
#include <QTest>

using vsynth::Rule;
using Values = CVirtualSynthSender::Values;

namespace {

QStringList texts(const QList<QByteArray>& messages)
{
    QStringList out;
    for (const QByteArray& m : messages)
        out << QString::fromLatin1(m.toHex(' ').toUpper());
    return out;
}

const vsynth::ControlDef& def(int id)
{
    return vsynth::control(id);
}

} // namespace

Q_DECLARE_METATYPE(Rule)

class TestVirtualSynth : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<int>("control");
        QTest::addColumn<int>("value");
        QTest::addColumn<Values>("current");
        QTest::addColumn<QStringList>("expected");
        using namespace vsynth::id;
        const Values start;
        Values interval7 = start;
        interval7.interval = 7;
        QTest::newRow("octave 16' with interval +7")
            << Rule::Octave << kOctave << 36 << interval7
            << QStringList{"F0 41 13 6A 12 03 00 10 3D 24 0C F7", "F0 41 13 6A 12 03 00 12 3D 2B 03 F7"};
        QTest::newRow("interval -5 over 8'")
            << Rule::Interval << kInterval << -5 << start << QStringList{"F0 41 13 6A 12 03 00 12 3D 2B 03 F7"};
        QTest::newRow("mix 100") << Rule::Mix << kMix << 100 << start
                                 << QStringList{"F0 41 13 6A 12 03 00 10 65 1B 6D F7",
                                                "F0 41 13 6A 12 03 00 12 65 64 22 F7"};
        QTest::newRow("filter mode LP 24")
            << Rule::FilterMode << kFilterMode << 0 << start
            << QStringList{"F0 41 13 6A 12 03 00 00 44 01 38 F7", "F0 41 13 6A 12 03 00 10 50 01 1C F7",
                           "F0 41 13 6A 12 03 00 12 50 01 1A F7"};
        QTest::newRow("filter mode BPF") << Rule::FilterMode << kFilterMode << 2 << start
                                         << QStringList{"F0 41 13 6A 12 03 00 00 44 00 39 F7",
                                                        "F0 41 13 6A 12 03 00 10 50 02 1B F7",
                                                        "F0 41 13 6A 12 03 00 12 50 02 19 F7"};
        QTest::newRow("wave SAW, nibbles")
            << Rule::Wave << kOscAWave << 25 << start << QStringList{"F0 41 13 6A 12 03 00 10 01 00 02 01 09 60 F7"};
        QTest::newRow("wave NOISE of osc B")
            << Rule::Wave << kOscBWave << 47 << start << QStringList{"F0 41 13 6A 12 03 00 12 01 00 02 02 0F 57 F7"};
        QTest::newRow("tune -10") << Rule::Tune << kTune << -10 << start
                                  << QStringList{"F0 41 13 6A 12 03 00 12 3E 28 05 F7"};
        QTest::newRow("env -63, both +63")
            << Rule::BothPlus63 << kFilterEnv << -63 << start
            << QStringList{"F0 41 13 6A 12 03 00 10 55 00 18 F7", "F0 41 13 6A 12 03 00 12 55 00 16 F7"};
        QTest::newRow("velocity 75, both +50")
            << Rule::BothPlus50 << kFilterEnvVelocity << 75 << start
            << QStringList{"F0 41 13 6A 12 03 00 10 57 7D 19 F7", "F0 41 13 6A 12 03 00 12 57 7D 17 F7"};
        QTest::newRow("two messages to both tones")
            << Rule::Both << kFilterEnvAttack << 20 << start
            << QStringList{"F0 41 13 6A 12 03 00 10 5B 14 7E F7", "F0 41 13 6A 12 03 00 10 5F 7F 0F F7",
                           "F0 41 13 6A 12 03 00 12 5B 14 7C F7", "F0 41 13 6A 12 03 00 12 5F 7F 0D F7"};
        QTest::newRow("voice mono, once")
            << Rule::Once << kVoice << 1 << start << QStringList{"F0 41 13 6A 12 03 00 00 33 01 49 F7"};
        QTest::newRow("glide on, once") << Rule::Once << kGlide << 1 << start
                                        << QStringList{"F0 41 13 6A 12 03 00 00 35 01 47 F7",
                                                       "F0 41 13 6A 12 03 00 00 36 01 46 F7"};
        QTest::newRow("wheel to osc B") << Rule::Wheel << kWheel << 2 << start
                                        << QStringList{"F0 41 13 6A 12 03 00 10 15 00 58 F7",
                                                       "F0 41 13 6A 12 03 00 10 16 3F 18 F7",
                                                       "F0 41 13 6A 12 03 00 12 15 01 55 F7",
                                                       "F0 41 13 6A 12 03 00 12 16 7E 57 F7"};
        QTest::newRow("pressure to LFO 1 depth on the filter")
            << Rule::Pressure << kPressure << 3 << start
            << QStringList{"F0 41 13 6A 12 03 00 10 1D 0B 45 F7", "F0 41 13 6A 12 03 00 10 1E 7E 51 F7",
                           "F0 41 13 6A 12 03 00 12 1D 0B 43 F7", "F0 41 13 6A 12 03 00 12 1E 7E 4F F7"};
        QTest::newRow("wheel value beyond the list") << Rule::Wheel << kWheel << 7 << start << QStringList{};
        Values toB = start;
        toB.lfo1Dest = 2;
        QTest::newRow("LFO 1 depth to osc B only")
            << Rule::Lfo1Depth << kLfo1Depth << 5 << toB << QStringList{"F0 41 13 6A 12 03 00 12 4E 44 59 F7"};
        Values ampDepth = start;
        ampDepth.lfo2Dest = 2;
        QTest::newRow("LFO 2 depth to the level")
            << Rule::Lfo2Depth << kLfo2Depth << -3 << ampDepth
            << QStringList{"F0 41 13 6A 12 03 00 10 76 3C 3B F7", "F0 41 13 6A 12 03 00 12 76 3C 39 F7"};
    }
    void rules()
    {
        QFETCH(Rule, rule);
        QFETCH(int, control);
        QFETCH(int, value);
        QFETCH(Values, current);
        QFETCH(QStringList, expected);
        CVirtualSynthSender sender(0x13);
        QCOMPARE(def(control).rule, rule);
        QCOMPARE(texts(sender.messages(def(control), value, current)), expected);
    }

    // A new destination puts the old one back to neutral before the depth goes to it.
    void lfoDestinations()
    {
        CVirtualSynthSender sender(0x13);
        Values values;
        values.lfo1Depth = 10;
        QCOMPARE(sender.previousLfo1Dest(), CVirtualSynthSender::kNoDestination);
        values.lfo1Dest = 1;
        QCOMPARE(texts(sender.messages(def(vsynth::id::kLfo1Dest), 1, values)),
                 (QStringList{"F0 41 13 6A 12 03 00 10 4E 49 56 F7", "F0 41 13 6A 12 03 00 12 4E 49 54 F7"}));
        values.lfo1Dest = 3;
        QCOMPARE(texts(sender.messages(def(vsynth::id::kLfo1Dest), 3, values)),
                 (QStringList{"F0 41 13 6A 12 03 00 10 4E 3F 60 F7", "F0 41 13 6A 12 03 00 12 4E 3F 5E F7",
                              "F0 41 13 6A 12 03 00 10 63 49 41 F7", "F0 41 13 6A 12 03 00 12 63 49 3F F7"}));
        QCOMPARE(sender.previousLfo1Dest(), 3);
        // With the wheel on LFO 1's depth, the wheel follows the new destination.
        values.wheel = 3;
        values.lfo1Dest = 2;
        const QStringList toB = texts(sender.messages(def(vsynth::id::kLfo1Dest), 2, values));
        QCOMPARE(toB.size(), 2 + 1 + 4);
        QCOMPARE(toB.at(2), QStringLiteral("F0 41 13 6A 12 03 00 12 4E 49 54 F7"));
        QCOMPARE(toB.mid(3),
                 (QStringList{"F0 41 13 6A 12 03 00 10 15 00 58 F7", "F0 41 13 6A 12 03 00 10 16 3F 18 F7",
                              "F0 41 13 6A 12 03 00 12 15 09 4D F7", "F0 41 13 6A 12 03 00 12 16 7E 57 F7"}));

        QCOMPARE(texts(sender.messages(def(vsynth::id::kLfo2Dest), 1, Values{})),
                 (QStringList{"F0 41 13 6A 12 03 00 10 4F 3F 5F F7", "F0 41 13 6A 12 03 00 12 4F 3F 5D F7"}));
        Values minus3;
        minus3.lfo2Depth = -3;
        QCOMPARE(texts(sender.messages(def(vsynth::id::kLfo2Dest), 2, minus3)),
                 (QStringList{"F0 41 13 6A 12 03 00 10 4F 3F 5F F7", "F0 41 13 6A 12 03 00 12 4F 3F 5D F7",
                              "F0 41 13 6A 12 03 00 10 76 3C 3B F7", "F0 41 13 6A 12 03 00 12 76 3C 39 F7"}));
    }

    // Whatever a control hands over, no data byte leaves with its top bit set.
    void valuesStaySevenBit()
    {
        CVirtualSynthSender sender(0x1F);
        for (const QByteArray& m : sender.send(params::row(u"tone.tvf.cutoff"), 300, 0)
                                       + sender.send(params::row(u"tone.tvf.cutoff"), -5, 1)) {
            QCOMPARE(m.at(sysex::kOffDevice), char(0x1F));
            for (qsizetype i = 1; i + 1 < m.size(); ++i)
                QVERIFY(static_cast<std::uint8_t>(m.at(i)) < 0x80);
        }
        QCOMPARE(texts(sender.send(params::row(u"tone.tvf.cutoff"), 300, 0)),
                 QStringList{"F0 41 1F 6A 12 03 00 10 51 7F 1D F7"});
    }

    void initialPatch_data()
    {
        QTest::addColumn<int>("device");
        QTest::newRow("device 17") << 0x10;
        QTest::newRow("device 20") << 0x13;
        QTest::newRow("device 32") << 0x1F;
    }
    void initialPatch()
    {
        QFETCH(int, device);
        const CVirtualSynthSender sender(static_cast<std::uint8_t>(device));
        const QList<QByteArray> patch = sender.initialPatch();
        QCOMPARE(patch.size(), 5);
        const QList<int> sizes{85, 140, 140, 140, 140};
        const QList<int> addresses{0x00, 0x10, 0x12, 0x14, 0x16};
        const QList<int> switches{-1, 1, 1, 0, 0};
        const QList<int> checksums{0x26, 0x7F, 0x7D, 0x7C, 0x7A};
        for (int i = 0; i < 5; ++i) {
            const QByteArray& m = patch[i];
            QCOMPARE(m.size(), sizes[i]);
            QCOMPARE(m.at(sysex::kOffDevice), char(device));
            QCOMPARE(m.mid(sysex::kOffAddress, 3),
                     QByteArray::fromHex("030000").replace(2, 1, QByteArray(1, char(addresses[i]))));
            if (switches[i] >= 0)
                QCOMPARE(int(m.at(sysex::kOffData)), switches[i]);
            QCOMPARE(int(static_cast<std::uint8_t>(m.at(m.size() - 2))), checksums[i]);
            QCOMPARE(sysex::checksum(int(m.size()) - 7, reinterpret_cast<const std::uint8_t*>(m.constData()) + 5),
                     static_cast<std::uint8_t>(checksums[i]));
        }
        QCOMPARE(patch[0].mid(sysex::kOffData, 12), QByteArray("VirtualSynth"));
        // Tones 2 to 4 differ from tone 1 only in address, switch and checksum.
        for (int i = 2; i < 5; ++i)
            for (int b = 0; b < 140; ++b)
                if (b != 2 && b != 7 && b != 9 && b != 138)
                    QCOMPARE(patch[i].at(b), patch[1].at(b));
    }

    // The panel writes only rows of the table, and only rows of the tones and the
    // patch common block.
    void writesNameRows()
    {
        for (const auto& c : vsynth::controls()) {
            for (const vsynth::Write& w : c.writes) {
                const params::Param* p = params::find(QString::fromLatin1(w.row));
                QVERIFY2(p, w.row);
                QVERIFY(p->block == sysex::Block::PatchTone || p->block == sysex::Block::PatchCommon);
                if (w.fixed != vsynth::kControlValue)
                    QVERIFY2(w.fixed >= p->min && w.fixed <= p->max, w.row);
            }
        }
    }

    void table()
    {
        const auto& controls = vsynth::controls();
        QCOMPARE(controls.size(), std::size_t{35});
        QSet<int> ids;
        int choices = 0;
        for (const auto& c : controls) {
            ids.insert(c.id);
            if (c.choice) {
                ++choices;
                QCOMPARE(c.items.size(), c.values.size());
                QVERIFY(c.initial >= 0 && c.initial < c.items.size());
            } else {
                QVERIFY(c.minimum <= c.initial && c.initial <= c.maximum);
            }
        }
        QCOMPARE(ids.size(), 35);
        QCOMPARE(choices, 11);
        // Init resets every knob and every choice control once.
        QSet<int> knobs(vsynth::knobResetOrder().begin(), vsynth::knobResetOrder().end());
        QSet<int> lists(vsynth::choiceResetOrder().begin(), vsynth::choiceResetOrder().end());
        QCOMPARE(knobs.size(), 24);
        QCOMPARE(lists.size(), 11);
        for (const auto& c : controls)
            QVERIFY((c.choice ? lists : knobs).contains(c.id));
        QCOMPARE(vsynth::headings().size(), std::size_t{10});
        QCOMPARE(vsynth::heading(vsynth::Section::OscBPitchEg).caption, QStringLiteral("Osc B Pitch EG"));
    }

    // Each control's stored state carries its lists, range, first value and template.
    void statesCarryTheTable()
    {
        using namespace vsynth::id;
        ControlState::PickvaneState choice;
        QDataStream choiceStream(vsynth::choiceState(vsynth::control(kOctave)));
        QVERIFY(ControlState::readState(choiceStream, choice));
        QCOMPARE(ChoiceList::parse(choice.listItems), (QStringList{"4'", "8'", "16'", "32'"}));
        QCOMPARE(ChoiceList::parseValues(choice.listValues), (QList<short>{60, 48, 36, 24}));
        QCOMPARE(choice.sysExString, QStringLiteral("tone.pitch.coarse"));
        QCOMPARE(choice.selection, qint16(1));
        QCOMPARE(choice.stock.font.name, QByteArray("Arial"));
        QCOMPARE(choice.stock.font.weight, quint16(700));
        QCOMPARE(choice.stock.font.size, quint32(120000));

        ControlState::KnobState knob;
        QDataStream knobStream(vsynth::knobState(vsynth::control(kFilterEnvVelocity)));
        QVERIFY(ControlState::readState(knobStream, knob));
        QCOMPARE(knob.minimum, qint16(0));
        QCOMPARE(knob.maximum, qint16(75));
        QCOMPARE(knob.initialValue, qint16(0));
        QCOMPARE(knob.sysExString, QStringLiteral("tone.tvf.velocitySens"));
        QCOMPARE(vsynth::writesText(vsynth::control(kFilterEnvSustain)),
                 QStringLiteral("tone.tvf.time3=0 tone.tvf.level2 tone.tvf.level3"));
        QVERIFY(knob.sendOnReset);

        ControlState::CaptileState band;
        QDataStream bandStream(vsynth::headingState(vsynth::heading(vsynth::Section::Mix), 80));
        QVERIFY(ControlState::readState(bandStream, band));
        QCOMPARE(band.stock.caption, QStringLiteral("Mix"));
        QCOMPARE(band.extent, QSize(80, vsynth::kHeadingHeight));
    }
};

QTEST_GUILESS_MAIN(TestVirtualSynth)
#include "tst_virtualsynth.moc"
