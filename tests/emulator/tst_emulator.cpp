#include "emulator/EmulatorDevice.h"
#include "emulator/PacedSender.h"
#include "midi/BulkTransfer.h"

#include <QTest>
#include <atomic>

class TestEmulator : public QObject
{
    Q_OBJECT

private slots:
    void senderRefusesWhatItCannotHold_data();
    void senderRefusesWhatItCannotHold();
    void floodOfRequestsStaysBounded();
};

void TestEmulator::senderRefusesWhatItCannotHold_data()
{
    QTest::addColumn<QList<int>>("posts"); // bytes of each post (one message each)
    QTest::addColumn<QList<bool>>("taken");
    QTest::addColumn<int>("queued");
    QTest::newRow("fits") << QList<int>{400, 600} << QList<bool>{true, true} << 1000;
    QTest::newRow("one too many") << QList<int>{400, 601, 100} << QList<bool>{true, false, true} << 500;
    QTest::newRow("larger than all") << QList<int>{1001} << QList<bool>{false} << 0;
}

void TestEmulator::senderRefusesWhatItCannotHold()
{
    QFETCH(QList<int>, posts);
    QFETCH(QList<bool>, taken);
    QFETCH(int, queued);
    std::atomic<int> delivered{0};
    // One byte a second: the first message is taken at once, the rest waits.
    CPacedSender sender(
        1, [&](const QByteArray&) { ++delivered; }, 1000);
    sender.post({QByteArray(1, 'x')});
    QTRY_COMPARE(delivered.load(), 1);
    for (int i = 0; i < posts.size(); ++i)
        QCOMPARE(sender.post({QByteArray(posts[i], 'x')}), taken[i]);
    QCOMPARE(int(sender.queuedBytes()), queued);
    sender.clear();
    QCOMPARE(int(sender.queuedBytes()), 0);
}

// Requests sent over and over while the answers are still going out are refused once
// the queue is full: memory stays bounded.
void TestEmulator::floodOfRequestsStaysBounded()
{
    CEmulatorDevice device(SynthModel::Jv2080, 0x10, CEmulatorDevice::kDefaultRate);
    std::atomic<long> received{0};
    auto in = device.createIn(0);
    QVERIFY(in->open([&](const std::uint8_t*, std::size_t size) { received += long(size); }, nullptr));
    auto out = device.createOut(0);
    QVERIFY(out->open(nullptr));
    const QByteArray all = CBulkTransfer::requestBytes(2, 0x10);
    std::size_t most = 0;
    for (int i = 0; i < 40; ++i) {
        QVERIFY(out->send(reinterpret_cast<const std::uint8_t*>(all.constData()), std::size_t(all.size()), nullptr));
        most = std::max(most, device.queuedAnswerBytes());
    }
    QVERIFY(most <= CPacedSender::kDefaultCapacity);
    QVERIFY(most >= 112910); // the first requests were taken
    in->close();
}

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
