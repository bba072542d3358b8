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
    void patchCategoriesFollowTheirNames_data();
    void patchCategoriesFollowTheirNames();
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

void TestEmulator::patchCategoriesFollowTheirNames_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("area"); // 0 user, 1 card
    QTest::addColumn<int>("patch");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("category"); // -1: the layout has no category byte
    const int jv2080 = int(SynthModel::Jv2080);
    QTest::newRow("soft pad") << jv2080 << 0 << 0 << QByteArray("Warm Pad") << 29;
    QTest::newRow("piano") << jv2080 << 0 << 1 << QByteArray("Warm Piano") << 1;
    QTest::newRow("card: hard lead") << jv2080 << 1 << 7 * 16 + 5 << QByteArray("Hard Lead") << 22;
    QTest::newRow("synth bass") << jv2080 << 0 << 5 * 16 + 4 << QByteArray("Analog Bass") << 13;
    QTest::newRow("other synth") << jv2080 << 0 << 14 << QByteArray("Warm Synth") << 27;
    QTest::newRow("card: bright pad") << jv2080 << 1 << 0 << QByteArray("Bright Pad") << 28;
    QTest::newRow("XP: no byte") << int(SynthModel::Xp) << 0 << 0 << QByteArray("Warm Pad") << -1;
    QTest::newRow("JV-1080: no byte") << int(SynthModel::Jv1080) << 0 << 1 << QByteArray("Warm Piano") << -1;
}

void TestEmulator::patchCategoriesFollowTheirNames()
{
    QFETCH(int, model);
    QFETCH(int, area);
    QFETCH(int, patch);
    QFETCH(QByteArray, name);
    QFETCH(int, category);
    CEmulatorDevice device(static_cast<SynthModel>(model));
    QByteArray common;
    device.withEmulator([&](CSynthEmulator& e) {
        e.setCardInserted(true);
        common = e.blockData(sysex::patchAddress(area ? sysex::MemoryArea::Card : sysex::MemoryArea::User, patch));
    });
    QCOMPARE(common.left(name.size()), name);
    constexpr int kCategoryByte = 0x49;
    QCOMPARE(common.size() > kCategoryByte, category >= 0);
    if (category >= 0)
        QCOMPARE(int(common[kCategoryByte]), category);
}

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
