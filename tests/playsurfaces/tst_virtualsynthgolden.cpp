// What the virtual synthesizer sends, byte for byte: every control at its bounds, its
// first value and between (every item of a choice control), alone and with the other
// controls in several positions; the patch it starts from; the stored states its
// controls are created from (apart from the sent bytes). The records in tests/golden were taken before the panel
// was built from the parameter table.

#include "playsurfaces/VirtualSynthSender.h"
#include "playsurfaces/VirtualSynthTable.h"
#include "tests/support/GoldenFile.h"

#include <QTest>

using Values = CVirtualSynthSender::Values;

namespace {

QString joined(const QList<QByteArray>& messages)
{
    QByteArray all;
    for (const QByteArray& m : messages)
        all += m;
    return golden::hex(all);
}

QList<int> valuesOf(const vsynth::ControlDef& def)
{
    if (def.choice)
        return def.values;
    QList<int> out{def.minimum,     def.initial,    def.maximum, (def.minimum + def.maximum) / 2,
                   def.minimum + 1, def.maximum - 1};
    return out;
}

// The other controls' positions a control's messages are sent under.
QList<QPair<QString, Values>> situations()
{
    QList<QPair<QString, Values>> out;
    out << qMakePair(QStringLiteral("start"), Values{});
    Values v;
    v.octave = 36;
    v.interval = 7;
    v.lfo1Depth = -20;
    v.lfo1Dest = 1;
    v.lfo2Depth = 30;
    v.lfo2Dest = 2;
    v.wheel = 3;
    v.pressure = 3;
    out << qMakePair(QStringLiteral("moved"), v);
    v.lfo1Dest = 2;
    v.octave = 60;
    v.interval = -24;
    out << qMakePair(QStringLiteral("lfo1 to B"), v);
    v.lfo1Dest = 3;
    v.wheel = 2;
    v.pressure = 1;
    out << qMakePair(QStringLiteral("lfo1 to filter"), v);
    return out;
}

} // namespace

class TestVirtualSynthGolden : public QObject
{
    Q_OBJECT

private slots:
    void everyControl()
    {
        QStringList lines;
        for (const auto& [name, current] : situations()) {
            for (const vsynth::ControlDef& def : vsynth::controls()) {
                for (int value : valuesOf(def)) {
                    // A fresh sender per event; a second event of the same control
                    // after it shows what the sender remembered.
                    CVirtualSynthSender sender(0x10 + (value & 3));
                    const QString first = joined(sender.messages(def, value, current));
                    const QString again = joined(sender.messages(def, value, current));
                    lines << QStringLiteral("%1 %2 %3: %4 / %5").arg(name).arg(def.id).arg(value).arg(first, again);
                }
            }
        }
        const QString difference = golden::compare(QStringLiteral("virtualsynth-controls.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // A destination chosen after another: the old one is put back first.
    void destinationSequences()
    {
        QStringList lines;
        using namespace vsynth::id;
        for (int id : {kLfo1Dest, kLfo2Dest}) {
            const vsynth::ControlDef& def = vsynth::control(id);
            CVirtualSynthSender sender(0x10);
            Values current;
            current.lfo1Depth = 12;
            current.lfo2Depth = -7;
            current.wheel = 3;
            current.pressure = 3;
            for (int value : {1, 2, 3, 1, 3, 2, 2}) {
                lines
                    << QStringLiteral("%1 %2: %3").arg(id).arg(value).arg(joined(sender.messages(def, value, current)));
                (id == kLfo1Dest ? current.lfo1Dest : current.lfo2Dest) = value;
            }
        }
        const QString difference = golden::compare(QStringLiteral("virtualsynth-sequences.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void initialPatch()
    {
        QStringList lines;
        for (int device : {0x10, 0x13, 0x1F})
            lines << QStringLiteral("patch %1: %2").arg(device).arg(joined(CVirtualSynthSender(device).initialPatch()));
        const QString difference = golden::compare(QStringLiteral("virtualsynth-patch.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void states()
    {
        QStringList lines;
        for (const vsynth::ControlDef& def : vsynth::controls()) {
            const QByteArray state = def.choice ? vsynth::choiceState(def) : vsynth::knobState(def);
            lines << QStringLiteral("state %1: %2").arg(def.id).arg(golden::hex(state));
        }
        const QString difference = golden::compare(QStringLiteral("virtualsynth-states.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
};

QTEST_GUILESS_MAIN(TestVirtualSynthGolden)
#include "tst_virtualsynthgolden.moc"
