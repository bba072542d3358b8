#include "emulator/ReceiveBuffer.h"

#include <QTest>

using namespace std::chrono_literals;

class TestReceiveBuffer : public QObject
{
    Q_OBJECT

private slots:
    void accept_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("storeMs");
        QTest::addColumn<int>("messageSize");
        QTest::addColumn<int>("intervalUs"); // between arrivals
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("lost");
        // 140-byte tone messages: 45 ms on the line plus a 20 ms pause when paced.
        QTest::newRow("paced at the line rate") << 4096 << 20 << 140 << 65000 << 500 << 0;
        QTest::newRow("paced exactly as fast as it stores") << 4096 << 20 << 140 << 20000 << 500 << 0;
        // Unpaced: a message every 1.4 ms; 29 messages fill 4096 bytes, then every
        // message that comes before one is stored is lost.
        QTest::newRow("unpaced burst") << 4096 << 20 << 140 << 1400 << 100 << 100 - 29 - 6;
        QTest::newRow("unlimited buffer") << 0 << 20 << 140 << 1 << 1000 << 0;
        QTest::newRow("no store time") << 4096 << 0 << 140 << 0 << 1000 << 0;
    }
    void accept()
    {
        QFETCH(int, capacity);
        QFETCH(int, storeMs);
        QFETCH(int, messageSize);
        QFETCH(int, intervalUs);
        QFETCH(int, messages);
        QFETCH(int, lost);
        CReceiveBuffer buffer{static_cast<std::size_t>(capacity), std::chrono::milliseconds(storeMs)};
        auto t = CReceiveBuffer::Clock::time_point{} + 1s;
        int accepted = 0;
        for (int i = 0; i < messages; ++i, t += std::chrono::microseconds(intervalUs))
            accepted += buffer.accept(std::size_t(messageSize), t) ? 1 : 0;
        QCOMPARE(buffer.lost(), lost);
        QCOMPARE(accepted, messages - lost);
    }

    void drainsWhileIdle()
    {
        CReceiveBuffer buffer(300, 20ms);
        auto t = CReceiveBuffer::Clock::time_point{} + 1s;
        QVERIFY(buffer.accept(140, t));
        QVERIFY(buffer.accept(140, t));
        QVERIFY(!buffer.accept(140, t)); // 420 > 300
        QVERIFY(!buffer.accept(140, t + 19ms));
        QVERIFY(buffer.accept(140, t + 20ms)); // the first is stored
        QVERIFY(buffer.accept(140, t + 60ms)); // both others too by now
        QCOMPARE(buffer.lost(), 2);
    }
};

QTEST_APPLESS_MAIN(TestReceiveBuffer)
#include "tst_receivebuffer.moc"
