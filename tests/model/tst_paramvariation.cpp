// How each parameter row may vary: representative rows of all six blocks, the rules
// every row follows, the count of each kind per block (so that no row changes its
// kind unnoticed), the multi-effect rows by their type, and what random patches keep.

#include "model/EfxTypes.h"
#include "model/ParamTable.h"

#include <QTest>

using sysex::Block;
using V = params::Variation;
Q_DECLARE_METATYPE(params::Variation)
Q_DECLARE_METATYPE(sysex::Block)

class TestParamVariation : public QObject
{
    Q_OBJECT

private slots:
    void representativeRows_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<V>("variation");
        const auto row = [](const char* id, V v) { QTest::newRow(id) << QString::fromLatin1(id) << v; };
        const V C = V::Continuous;
        const V S = V::Stepwise;
        const V F = V::FixedUnlessAsked;
        // Patch common and its effects.
        row("patch.name", F);
        row("patch.tempo", C);
        row("patch.level", C);
        row("patch.pan", C);
        row("patch.benderUp", S);
        row("patch.benderDown", S);
        row("patch.keyAssign", F);
        row("patch.portamento.switch", F);
        row("patch.portamento.time", C);
        row("patch.octaveShift", F);
        row("patch.stretchTune", S);
        row("patch.structure12", F);
        row("patch.booster34", S);
        row("patch.category", F);
        row("patch.chorus.level", C);
        row("patch.chorus.output", F);
        row("patch.reverb.type", F);
        row("patch.reverb.hfDamp", S);
        row("patch.efx.type", F);
        row("patch.efx.row4", S);
        row("patch.efx.control1.source", F);
        row("patch.efx.control2.depth", C);
        // Patch tone.
        row("tone.switch", F);
        row("tone.wave.group", F);
        row("tone.wave.number", F);
        row("tone.wave.gain", S);
        row("tone.fxm.depth", S);
        row("tone.delay.mode", F);
        row("tone.delay.time", C);
        row("tone.velocity.fade", C);
        row("tone.velocity.upper", F);
        row("tone.key.lower", F);
        row("tone.control.hold", F);
        row("tone.ctrl2.dest3", F);
        row("tone.ctrl2.depth3", C);
        row("tone.lfo1.waveform", F);
        row("tone.lfo1.rate", C);
        row("tone.lfo2.offset", S);
        row("tone.lfo1.externalSync", F);
        row("tone.lfo2.panDepth", C);
        row("tone.pitch.coarse", S);
        row("tone.pitch.fine", C);
        row("tone.pitch.random", S);
        row("tone.pitch.keyfollow", S);
        row("tone.penv.depth", S);
        row("tone.penv.time3", C);
        row("tone.tvf.filterType", F);
        row("tone.tvf.cutoff", C);
        row("tone.tvf.cutoffKeyfollow", S);
        row("tone.tvf.resonance", C);
        row("tone.tvf.velocityCurve", S);
        row("tone.tvf.velocitySens", C);
        row("tone.tva.biasDirection", F);
        row("tone.tva.biasLevel", S);
        row("tone.tva.level3", C);
        row("tone.pan", C);
        row("tone.alternatePan", C);
        row("tone.output", F);
        row("tone.reverbSend", C);
        // Performance common and part.
        row("perf.name", F);
        row("perf.tempo", C);
        row("perf.voiceReserve7", F);
        row("perf.keyboardMode", F);
        row("perf.efx.sourceB", F);
        row("perf.chorus.depth", C);
        row("part.receive", F);
        row("part.channel", F);
        row("part.group", F);
        row("part.patch", F);
        row("part.level", C);
        row("part.pan", C);
        row("part.tune", S);
        row("part.fine", C);
        row("part.keyUpper", F);
        row("part.octaveShift", F);
        row("part.transmitVolume", F);
        row("part.mixSend", C);
        // Rhythm set.
        row("rhythm.name", F);
        row("note.switch", F);
        row("note.wave.number", F);
        row("note.wave.gain", S);
        row("note.bendRange", S);
        row("note.muteGroup", F);
        row("note.envelopeMode", F);
        row("note.pan", C);
        row("note.pitch.coarse", S);
        row("note.tvf.level2", C);
        row("note.tva.velocityTime", S);
        row("note.output", F);
    }
    void representativeRows()
    {
        QFETCH(QString, id);
        QFETCH(V, variation);
        const params::Param* p = params::find(id);
        QVERIFY2(p, qPrintable(id));
        QCOMPARE(p->variation, variation);
        QCOMPARE(params::variation(*p), variation);
    }

    // Check boxes, names, groups and the lists of the name store are choices; every
    // row holds one of the three kinds.
    void everyRowHasOne()
    {
        for (const params::Param* p : params::allRows()) {
            QVERIFY2(p->variation == V::Continuous || p->variation == V::Stepwise
                         || p->variation == V::FixedUnlessAsked,
                     qPrintable(p->id));
            const bool choice = p->control == params::Control::Check || p->control == params::Control::Name
                                || p->encoding == params::Encoding::Group
                                || p->list.kind == valuelists::Kind::WaveNumber
                                || p->list.kind == valuelists::Kind::PartPatch;
            if (choice)
                QVERIFY2(p->variation == V::FixedUnlessAsked, qPrintable(p->id));
        }
    }

    void countsPerBlock_data()
    {
        QTest::addColumn<Block>("block");
        QTest::addColumn<QString>("counts");
        QTest::newRow("patch common") << Block::PatchCommon << "C18 S18 F26";
        QTest::newRow("patch tone") << Block::PatchTone << "C67 S23 F37";
        QTest::newRow("performance common") << Block::PerformanceCommon << "C14 S13 F29";
        QTest::newRow("performance part") << Block::PerformancePart << "C6 S1 F16";
        QTest::newRow("rhythm common") << Block::RhythmCommon << "C0 S0 F1";
        QTest::newRow("rhythm note") << Block::RhythmNote << "C38 S8 F10";
    }
    void countsPerBlock()
    {
        QFETCH(Block, block);
        QFETCH(QString, counts);
        int c[3] = {};
        for (const params::Param& p : params::rows(block))
            ++c[static_cast<int>(p.variation)];
        QCOMPARE(QStringLiteral("C%1 S%2 F%3").arg(c[0]).arg(c[1]).arg(c[2]), counts);
    }

    // A multi-effect row varies as the type's list for it: texts of names are choices,
    // numbers step, long scales are continuous, and an unused row stays.
    void effectRowsFollowTheType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("label");
        QTest::addColumn<V>("variation");
        QTest::newRow("EQ low frequency 200/400") << 0 << 0 << "Low Frequency:" << V::Stepwise;
        QTest::newRow("EQ low gain") << 0 << 1 << "Low Gain:" << V::Stepwise;
        QTest::newRow("EQ output level") << 0 << 10 << "Output Level:" << V::Continuous;
        QTest::newRow("EQ unused row") << 0 << 11 << "" << V::FixedUnlessAsked;
        QTest::newRow("overdrive amp type") << 1 << 2 << "Amp Type:" << V::FixedUnlessAsked;
        QTest::newRow("overdrive drive") << 1 << 0 << "Drive:" << V::Continuous;
    }
    void effectRowsFollowTheType()
    {
        QFETCH(int, type);
        QFETCH(int, row);
        QFETCH(QString, label);
        QFETCH(V, variation);
        QCOMPARE(efx::rowLabel(type, row), label);
        for (const char* prefix : {"patch.", "perf."}) {
            const params::Param& typeRow = params::row(QString::fromLatin1(prefix) + QStringLiteral("efx.type"));
            const params::Param& p =
                params::row(QString::fromLatin1(prefix) + QStringLiteral("efx.row%1").arg(row + 1));
            std::vector<std::uint8_t> data(
                static_cast<std::size_t>(sysex::blockDataSize(SynthModel::Jv2080, typeRow.block)));
            params::setValue(typeRow, data.data(), type);
            QCOMPARE(params::variation(p, data.data()), variation);
            QCOMPARE(params::variation(p), V::Stepwise);
        }
    }

    // What a random patch keeps rather than draws, by row.
    void randomPatchesKeep_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("keep");
        QTest::newRow("patch level") << "patch.level" << 127;
        QTest::newRow("velocity range switch on") << "patch.velocityRange" << 1;
        QTest::newRow("redamper on") << "tone.control.redamper" << 1;
        QTest::newRow("whole keyboard, top") << "tone.key.upper" << 127;
        QTest::newRow("multi-effect type") << "patch.efx.type" << 0;
        QTest::newRow("tone level") << "tone.tva.level" << 127;
        QTest::newRow("cutoff drawn") << "tone.tvf.cutoff" << params::kDrawn;
        QTest::newRow("structure drawn") << "patch.structure12" << params::kDrawn;
        QTest::newRow("performance rows are not marked") << "perf.efx.type" << params::kDrawn;
    }
    void randomPatchesKeep()
    {
        QFETCH(QString, id);
        QFETCH(int, keep);
        QCOMPARE(params::row(id).keep, keep);
    }
};

QTEST_GUILESS_MAIN(TestParamVariation)
#include "tst_paramvariation.moc"
