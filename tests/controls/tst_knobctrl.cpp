#include "controls/knob/KnobCtrl.h"

#include <QtTest/QSignalSpy>
#include <QtTest/QTest>

#include <memory>

namespace {

const QString kTemplate = QStringLiteral("F0 41 10 6A 12 03 00 NN 51 XX KK F7");

std::unique_ptr<CKnobCtrl> makeKnob(short minimum, short maximum, short initial)
{
    auto knob = std::make_unique<CKnobCtrl>();
    knob->resize(40, 40);
    knob->setSysExString(kTemplate);
    knob->setMinimum(minimum);
    knob->setMaximum(maximum);
    knob->setInitialValue(initial);
    knob->Reset();
    return knob;
}

} // namespace

class TestKnobCtrl : public QObject
{
    Q_OBJECT

private slots:
    void setValue_data();
    void setValue();
    void reset_data();
    void reset();
    void keys_data();
    void keys();
    void mouse();
    void angles();
    void stateBytes();
    void stateVersion();
};

void TestKnobCtrl::setValue_data()
{
    QTest::addColumn<short>("minimum");
    QTest::addColumn<short>("maximum");
    QTest::addColumn<short>("set");
    QTest::addColumn<short>("expected");
    QTest::addColumn<int>("events");
    QTest::newRow("inside") << short(-63) << short(63) << short(7) << short(7) << 1;
    QTest::newRow("above") << short(-63) << short(63) << short(100) << short(63) << 1;
    QTest::newRow("below") << short(0) << short(127) << short(-5) << short(0) << 0;
    QTest::newRow("unchanged") << short(0) << short(127) << short(0) << short(0) << 0;
    QTest::newRow("top") << short(0) << short(75) << short(75) << short(75) << 1;
}

void TestKnobCtrl::setValue()
{
    QFETCH(short, minimum);
    QFETCH(short, maximum);
    QFETCH(short, set);
    QFETCH(short, expected);
    QFETCH(int, events);
    const auto knob = makeKnob(minimum, maximum, 0);
    QSignalSpy change(knob.get(), &CKnobCtrl::Change);
    QSignalSpy send(knob.get(), &CKnobCtrl::SendString);
    knob->setValue(set);
    QCOMPARE(knob->value(), expected);
    QCOMPARE(change.count(), events);
    QCOMPARE(send.count(), events);
    if (events) {
        QCOMPARE(send.at(0).at(0).toString(), kTemplate);
        QCOMPARE(send.at(0).at(1).value<short>(), expected);
    }
}

void TestKnobCtrl::reset_data()
{
    QTest::addColumn<bool>("sendOnReset");
    QTest::addColumn<short>("before");
    QTest::addColumn<int>("changes");
    QTest::addColumn<int>("sends");
    QTest::newRow("moved, silent") << false << short(40) << 1 << 0;
    QTest::newRow("moved, announced") << true << short(40) << 1 << 1;
    QTest::newRow("in place, silent") << false << short(92) << 0 << 0;
    QTest::newRow("in place, announced") << true << short(92) << 0 << 1;
}

void TestKnobCtrl::reset()
{
    QFETCH(bool, sendOnReset);
    QFETCH(short, before);
    QFETCH(int, changes);
    QFETCH(int, sends);
    const auto knob = makeKnob(0, 127, 92);
    knob->setSendOnReset(sendOnReset);
    knob->setValue(before);
    QSignalSpy change(knob.get(), &CKnobCtrl::Change);
    QSignalSpy send(knob.get(), &CKnobCtrl::SendString);
    knob->Reset();
    QCOMPARE(knob->value(), short(92));
    QCOMPARE(change.count(), changes);
    QCOMPARE(send.count(), sends);
}

void TestKnobCtrl::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<short>("expected");
    QTest::newRow("up") << int(Qt::Key_Up) << short(11);
    QTest::newRow("left") << int(Qt::Key_Left) << short(9);
    QTest::newRow("page up") << int(Qt::Key_PageUp) << short(22);
    QTest::newRow("page down") << int(Qt::Key_PageDown) << short(-2);
    QTest::newRow("home") << int(Qt::Key_Home) << short(-63);
    QTest::newRow("end") << int(Qt::Key_End) << short(63);
}

void TestKnobCtrl::keys()
{
    QFETCH(int, key);
    QFETCH(short, expected);
    const auto knob = makeKnob(-63, 63, 10);
    QSignalSpy change(knob.get(), &CKnobCtrl::Change);
    QTest::keyClick(knob.get(), Qt::Key(key));
    QCOMPARE(knob->value(), expected);
    QCOMPARE(change.count(), 1);
}

void TestKnobCtrl::mouse()
{
    const auto knob = makeKnob(0, 127, 0);
    QSignalSpy send(knob.get(), &CKnobCtrl::SendString);
    // 80 pixels up is half of the range: 63.5, rounded.
    QTest::mousePress(knob.get(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 100));
    QTest::mouseMove(knob.get(), QPoint(20, 20));
    QCOMPARE(knob->value(), short(64));
    QTest::mouseMove(knob.get(), QPoint(20, -500));
    QCOMPARE(knob->value(), short(127));
    QTest::mouseRelease(knob.get(), Qt::LeftButton, Qt::NoModifier, QPoint(20, -500));
    QCOMPARE(send.count(), 2);
    QTest::mouseMove(knob.get(), QPoint(20, 300)); // no drag after release
    QCOMPARE(knob->value(), short(127));

    QWheelEvent wheel(QPointF(20, 20), knob->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(knob.get(), &wheel);
    QCOMPARE(knob->value(), short(125));

    QTest::mouseDClick(knob.get(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QCOMPARE(knob->value(), short(0));
}

void TestKnobCtrl::angles()
{
    const auto knob = makeKnob(-63, 63, 0);
    QCOMPARE(knob->angleOf(-63), 225.0);
    QCOMPARE(knob->angleOf(0), 90.0);
    QCOMPARE(knob->angleOf(63), -45.0);
    const auto flat = makeKnob(5, 5, 5); // no range: no division by zero
    QCOMPARE(flat->angleOf(5), 225.0);
}

void TestKnobCtrl::stateBytes()
{
    const auto knob = makeKnob(-63, 63, 0);
    knob->resize(48, 48); // 1270 HIMETRIC
    knob->setForeColor(QColor(0x10, 0x20, 0x30));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    knob->setControlFont(font);
    knob->setSendOnReset(true);
    const QByteArray expected =
        QByteArray::fromHex("00000100"
                            "f6040000"
                            "f6040000"
                            "0c000000" // version, extent, mask 12
                            "10203000" // ForeColor (0x00BBGGRR)
                            "0352e30b918fce119de300aa004bb851"
                            "01"
                            "0000"
                            "00"
                            "9001"
                            "80380100"
                            "05"
                            "417269616c"
                            "23"
                            "4630203431203130203641203132203033203030204e4e203531205858204b4b204637"
                            "0000"
                            "c1ff"
                            "3f00"
                            "01"); // initial, lower, upper, flag
    QCOMPARE(knob->saveState(), expected);

    CKnobCtrl loaded;
    QSignalSpy change(&loaded, &CKnobCtrl::Change);
    QVERIFY(loaded.loadState(expected));
    QCOMPARE(loaded.minimum(), short(-63));
    QCOMPARE(loaded.maximum(), short(63));
    QCOMPARE(loaded.value(), short(0));
    QCOMPARE(loaded.sysExString(), kTemplate);
    QVERIFY(loaded.sendOnReset());
    QCOMPARE(change.count(), 0);
    QCOMPARE(loaded.saveState(), expected);
}

void TestKnobCtrl::stateVersion()
{
    const auto knob = makeKnob(-63, 63, 5);
    QByteArray state = knob->saveState();
    state[0] = 1;
    CKnobCtrl loaded;
    QVERIFY(loaded.loadState(state));
    QCOMPARE(loaded.sysExString(), QString());
    QCOMPARE(loaded.minimum(), short(0));
    QCOMPARE(loaded.maximum(), short(127));
    QVERIFY(!loaded.loadState(state.left(30)));
}

QTEST_MAIN(TestKnobCtrl)
#include "tst_knobctrl.moc"
