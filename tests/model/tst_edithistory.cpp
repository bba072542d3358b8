#include "model/EditHistory.h"
#include "model/ExpansionNames.h"
#include "model/ParamMessages.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RecordEdit.h"
#include "model/Reporter.h"
#include "model/RhythmArray.h"

#include <QTest>

using params::Param;
using sysex::Block;

namespace {

constexpr std::uint8_t kDevice = 0x10;

QByteArray newRecord(params::Editor editor)
{
    switch (editor) {
    case params::Editor::Performance:
        return CPerformanceArray().record(0);
    case params::Editor::Rhythm:
        return CRhythmArray().record(0);
    case params::Editor::Patch:
        break;
    }
    return CPatchArray().record(0);
}

QStringList addressed(const QList<QByteArray>& messages)
{
    QStringList out;
    for (const QByteArray& m : messages)
        out << QString::fromLatin1(m.mid(5, m.size() - 7).toHex(' '));
    return out;
}

struct Edit
{
    explicit Edit(params::Editor editor = params::Editor::Patch, const CExpansionNames* names = nullptr)
        : edit(editor, newRecord(editor), SynthSettings{SynthModel::Jv2080, kDevice}, names)
    {
        edit.setSender([this](const QByteArray& m) { sent << m; });
        edit.setHistoryListener([this] { ++notices; });
    }
    QList<QByteArray> take()
    {
        QList<QByteArray> out = sent;
        sent.clear();
        return out;
    }
    CRecordEdit edit;
    QList<QByteArray> sent;
    int notices = 0;
};

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

} // namespace

class TestEditHistory : public QObject
{
    Q_OBJECT

private slots:
    void stepsGoBackAndForth();
    void groupIsOneStep();
    void runsMergeUntilBroken_data();
    void runsMergeUntilBroken();
    void newChangeDropsRedo();
    void sameRecordIsNoStep();
    void undoSendsTheRowsBack_data();
    void undoSendsTheRowsBack();
    void everyRowUndoesByteForByte_data();
    void everyRowUndoesByteForByte();
    void rangeNeverCrossesOnTheWay();
    void waveGroupUndoesWithItsNumber();
    void replaceIsOneStepAndSendsOnlyWhatDiffers();
    void realtimeOffUndoesWithoutSending();
};

void TestEditHistory::stepsGoBackAndForth()
{
    CEditHistory h(bytes({1, 2, 3, 4}));
    QVERIFY(!h.canUndo());
    QVERIFY(h.record(bytes({1, 9, 3, 4})));
    QVERIFY(h.record(bytes({1, 9, 3, 7})));
    QVERIFY(h.record(bytes({5, 9, 8, 7})));
    QCOMPARE(h.undoCount(), std::size_t(3));
    QCOMPARE(h.undo().value(), bytes({1, 9, 3, 7}));
    QCOMPARE(h.undo().value(), bytes({1, 9, 3, 4}));
    QCOMPARE(h.redoCount(), std::size_t(2));
    QCOMPARE(h.redo().value(), bytes({1, 9, 3, 7}));
    QCOMPARE(h.undo().value(), bytes({1, 9, 3, 4}));
    QCOMPARE(h.undo().value(), bytes({1, 2, 3, 4}));
    QVERIFY(!h.undo().has_value());
    QCOMPARE(h.current(), bytes({1, 2, 3, 4}));
    QCOMPARE(h.redo().value(), bytes({1, 9, 3, 4}));
    QCOMPARE(h.redo().value(), bytes({1, 9, 3, 7}));
    QCOMPARE(h.redo().value(), bytes({5, 9, 8, 7}));
    QVERIFY(!h.redo().has_value());
}

void TestEditHistory::groupIsOneStep()
{
    CEditHistory h(bytes({0, 0, 0}));
    QVERIFY(h.record(bytes({0, 1, 0})));
    h.beginStep();
    for (int v = 1; v <= 20; ++v)
        h.record(bytes({v, 1, v}));
    h.beginStep(); // nested: still the same step
    h.record(bytes({21, 1, 21}));
    h.endStep();
    QVERIFY(h.inStep());
    h.endStep();
    QVERIFY(!h.inStep());
    QCOMPARE(h.undoCount(), std::size_t(2));
    QCOMPARE(h.undo().value(), bytes({0, 1, 0}));
    QCOMPARE(h.redo().value(), bytes({21, 1, 21}));
    // A group that ends where it began leaves no step; an undo inside a group ends it.
    h.beginStep();
    h.record(bytes({3, 3, 3}));
    h.record(bytes({21, 1, 21}));
    h.endStep();
    QCOMPARE(h.undoCount(), std::size_t(2));
    h.beginStep();
    h.record(bytes({4, 4, 4}));
    QCOMPARE(h.undo().value(), bytes({21, 1, 21}));
    QVERIFY(!h.inStep());
}

// Changes of one run merge into one step; the step ends at endRun, a change of another
// run or of none, an undo; a run back to where it began leaves no step.
// Script: "a5" records byte 0 = 5 in run a, "-7" byte 0 = 7 outside any run, "e" ends run
// a, "u" undoes.
void TestEditHistory::runsMergeUntilBroken_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QList<int>>("undone"); // byte 0 after each undo, last step first
    QTest::newRow("digits of one box") << QStringList{"a1", "a12"} << 1 << QList<int>{0};
    QTest::newRow("ended, then again") << QStringList{"a1", "a12", "e", "a3"} << 2 << QList<int>{12, 0};
    QTest::newRow("another control between") << QStringList{"a1", "b2", "a3"} << 3 << QList<int>{2, 1, 0};
    QTest::newRow("a change outside any run") << QStringList{"a1", "-2", "a3"} << 3 << QList<int>{2, 1, 0};
    QTest::newRow("back to the start") << QStringList{"a1", "a0"} << 0 << QList<int>{};
    QTest::newRow("after an earlier step") << QStringList{"-9", "a1", "a2", "a9"} << 1 << QList<int>{0};
    QTest::newRow("undo ends the run") << QStringList{"a1", "a2", "u", "a3"} << 1 << QList<int>{0};
}

void TestEditHistory::runsMergeUntilBroken()
{
    QFETCH(QStringList, script);
    QFETCH(int, steps);
    QFETCH(QList<int>, undone);
    const int runA = 0;
    const int runB = 0;
    CEditHistory h(bytes({0, 0}));
    QByteArray record = bytes({0, 0});
    for (const QString& op : std::as_const(script)) {
        const QChar what = op.at(0);
        if (what == QLatin1Char('e')) {
            h.endRun(&runA);
        } else if (what == QLatin1Char('u')) {
            record = h.undo().value_or(record);
        } else {
            record[0] = static_cast<char>(op.mid(1).toInt());
            const void* run = what == QLatin1Char('a')   ? static_cast<const void*>(&runA)
                              : what == QLatin1Char('b') ? static_cast<const void*>(&runB)
                                                         : nullptr;
            h.record(record, run);
        }
    }
    QCOMPARE(int(h.undoCount()), steps);
    QCOMPARE(h.redoCount(), std::size_t(0));
    QList<int> values;
    while (const auto back = h.undo())
        values << int(back->at(0));
    QCOMPARE(values, undone);
    QCOMPARE(h.current(), bytes({0, 0}));
}

void TestEditHistory::newChangeDropsRedo()
{
    CEditHistory h(bytes({1, 1}));
    h.record(bytes({2, 1}));
    h.record(bytes({2, 2}));
    h.undo();
    QVERIFY(h.canRedo());
    QVERIFY(h.record(bytes({2, 5})));
    QVERIFY(!h.canRedo());
    QCOMPARE(h.undo().value(), bytes({2, 1}));
    QCOMPARE(h.undo().value(), bytes({1, 1}));
}

void TestEditHistory::sameRecordIsNoStep()
{
    CEditHistory h(bytes({1, 2}));
    QVERIFY(!h.record(bytes({1, 2})));
    QVERIFY(!h.canUndo());
    Edit e;
    const Param& cutoff = params::row(u"tone.tvf.cutoff");
    QVERIFY(e.edit.change(cutoff, 0, e.edit.value(cutoff, 0))); // the same value again
    QVERIFY(!e.edit.history().canUndo());
    QCOMPARE(e.notices, 0);
}

void TestEditHistory::undoSendsTheRowsBack_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("undone"); // what undo sends
    QTest::newRow("cutoff") << "tone.tvf.cutoff" << QList<int>{} << 0 << 100 << QStringList{"03 00 10 51 7f"};
    // Multi Edit: one step over the ticked tones, sent back tone by tone.
    QTest::newRow("multi edit") << "tone.tva.level" << QList<int>{1, 3} << 3 << 20
                                << QStringList{"03 00 12 65 7f", "03 00 16 65 7f"};
    QTest::newRow("patch level") << "patch.level" << QList<int>{} << 0 << 64 << QStringList{"03 00 00 2e 7f"};
    QTest::newRow("tempo, two nibbles") << "patch.tempo" << QList<int>{} << 0 << 200
                                        << QStringList{"03 00 00 2c 07 08"};
}

void TestEditHistory::undoSendsTheRowsBack()
{
    QFETCH(QString, id);
    QFETCH(QList<int>, selected);
    QFETCH(int, column);
    QFETCH(int, value);
    QFETCH(QStringList, undone);
    Edit e;
    CRecordEdit::Selection s{};
    for (int t : selected)
        s[static_cast<std::size_t>(t)] = true;
    e.edit.setSelection(s);
    const QByteArray before = e.edit.image();
    QVERIFY(e.edit.change(params::row(id), column, value));
    const QList<QByteArray> changed = e.take();
    const QByteArray after = e.edit.image();
    QCOMPARE(e.edit.history().undoCount(), std::size_t(1));
    QVERIFY(e.edit.undo());
    QCOMPARE(e.edit.image(), before);
    QCOMPARE(addressed(e.take()), undone);
    // Redo sends the change again: the same rows with the new values.
    QVERIFY(e.edit.redo());
    QCOMPARE(e.edit.image(), after);
    QCOMPARE(addressed(e.take()), addressed(changed));
    QCOMPARE(e.notices, 3);
}

void TestEditHistory::everyRowUndoesByteForByte_data()
{
    QTest::addColumn<int>("editor");
    QTest::newRow("patch") << int(params::Editor::Patch);
    QTest::newRow("performance") << int(params::Editor::Performance);
    QTest::newRow("rhythm set") << int(params::Editor::Rhythm);
}

void TestEditHistory::everyRowUndoesByteForByte()
{
    QFETCH(int, editor);
    const auto kind = static_cast<params::Editor>(editor);
    Edit e(kind);
    int checked = 0;
    for (const Block block : {recordlayout::commonBlock(kind), recordlayout::subBlock(kind)}) {
        const int column = recordlayout::blockCount(block) - 1; // the last tone, part or key
        for (const Param& p : params::rows(block)) {
            if (p.encoding == params::Encoding::Name || p.encoding == params::Encoding::Group)
                continue;
            const auto [lo, hi] = e.edit.range(p, column);
            if (lo == hi)
                continue;
            const int old = e.edit.value(p, column);
            const int to = old == hi ? lo : hi;
            const QByteArray before = e.edit.image();
            e.take();
            QVERIFY2(e.edit.change(p, column, to), qPrintable(p.id));
            const QList<QByteArray> forward = e.take();
            const QByteArray after = e.edit.image();
            // The copy may keep the value it had (a voice reserve at the limit): no step.
            QCOMPARE(e.edit.undo(), after != before);
            if (after == before)
                continue;
            QVERIFY2(e.edit.image() == before, qPrintable(p.id));
            const QList<QByteArray> back = e.take();
            // A row without side effects goes back as the one message that sets it.
            if (forward.size() == 1 && after.size() == before.size()) {
                QCOMPARE(back.size(), 1);
                QCOMPARE(back.first(), params::rowMessage(p, column, e.edit.data(p.block, column), kDevice));
            }
            QVERIFY(e.edit.redo());
            QVERIFY2(e.edit.image() == after, qPrintable(p.id));
            QCOMPARE(e.take().size() > 0, !forward.isEmpty());
            QVERIFY(e.edit.undo());
            QVERIFY(e.edit.image() == before);
            ++checked;
        }
    }
    QVERIFY(checked > 10);
}

void TestEditHistory::rangeNeverCrossesOnTheWay()
{
    Edit e;
    const Param& lower = params::row(u"tone.key.lower");
    const Param& upper = params::row(u"tone.key.upper");
    QVERIFY(e.edit.change(upper, 1, 50));
    QVERIFY(e.edit.change(lower, 1, 100)); // the upper bound moves along
    QCOMPARE(addressed(e.take()), QStringList({"03 00 12 0f 32", "03 00 12 0f 64", "03 00 12 0e 64"}));
    // Back to 0..50: the lower bound first; forward to 100..100: the upper one first.
    QVERIFY(e.edit.undo());
    QCOMPARE(addressed(e.take()), QStringList({"03 00 12 0e 00", "03 00 12 0f 32"}));
    QVERIFY(e.edit.redo());
    QCOMPARE(addressed(e.take()), QStringList({"03 00 12 0f 64", "03 00 12 0e 64"}));
}

void TestEditHistory::waveGroupUndoesWithItsNumber()
{
    CCollectingReporter reporter;
    const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
    Edit e(params::Editor::Patch, &names);
    const Param& group = params::row(u"tone.wave.group");
    const Param& number = params::row(u"tone.wave.number");
    QVERIFY(e.edit.change(number, 0, 200));
    QVERIFY(e.edit.change(group, 0, 2)); // Preset B: the number goes back to the first wave
    e.take();
    QVERIFY(e.edit.undo());
    // Group and number in one message, as a group change sends them.
    QCOMPARE(addressed(e.take()), QStringList{"03 00 10 01 00 01 0c 08"});
    QCOMPARE(e.edit.value(number, 0), 200);
}

void TestEditHistory::replaceIsOneStepAndSendsOnlyWhatDiffers()
{
    Edit e;
    QByteArray other = e.edit.image();
    other[CPatchArray::toneParam(2, 0x51)] = 12; // tone 3 cutoff
    other[sysex::kOffData + 0x2F] = 10;          // pan
    QVERIFY(e.edit.replace(other));
    QCOMPARE(addressed(e.take()), QStringList({"03 00 00 2f 0a", "03 00 14 51 0c"}));
    QCOMPARE(e.edit.image(), other);
    QCOMPARE(e.edit.history().undoCount(), std::size_t(1));
    QVERIFY(!e.edit.replace(other)); // the same record again: no step, nothing sent
    QVERIFY(e.take().isEmpty());
    QVERIFY(e.edit.undo());
    QCOMPARE(addressed(e.take()), QStringList({"03 00 00 2f 40", "03 00 14 51 7f"}));
}

void TestEditHistory::realtimeOffUndoesWithoutSending()
{
    Edit e;
    e.edit.setRealtime(false);
    const QByteArray before = e.edit.image();
    QVERIFY(e.edit.changeName(QStringLiteral("Quiet")));
    QVERIFY(e.edit.undo());
    QCOMPARE(e.edit.image(), before);
    QVERIFY(e.sent.isEmpty());
    e.edit.setRealtime(true);
    QVERIFY(e.edit.redo());
    // A name goes out whole.
    QCOMPARE(e.take(), QList<QByteArray>{params::nameMessage(Block::PatchCommon, "Quiet       ", kDevice)});
}

QTEST_GUILESS_MAIN(TestEditHistory)
#include "tst_edithistory.moc"
