#include "FakeMidiClock.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>

using namespace std::chrono;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A DT1 message with n data bytes (values vary, all 7-bit).
QByteArray dataSet(int n, int seed = 0)
{
    QByteArray data;
    for (int i = 0; i < n; ++i)
        data.append(static_cast<char>((i + seed) & 0x7F));
    return sysex::makeDataSet(0x10, {0x11, static_cast<std::uint8_t>(seed & 0x7F), 0x10, 0x00}, data);
}

class Listener : public QObject
{
    Q_OBJECT
public:
    QList<QPair<int, int>> values;
public slots:
    void remoteValue(int value, int controller) { values.append({value, controller}); }
};

} // namespace

class TestMidi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pacing_data();
    void pacing();
    void splitsLongBuffersIntoWholeMessages();
    void keepsTheOrderOfShortAndLongMessages();
    void streamsAFile_data();
    void streamsAFile();
    void fileOfZeroBytesEndsAtOnce();
    void missingFileIsReported();
    void fileWithStrayBytesIsReported();
    void stopDuringAPauseEndsTheSend();
    void failedSendEndsTheTransferOnce();
    void receiveRecordsSysExExactly();
    void completionsAfterCloseAreIgnored();
    void receiveKeepsUpWithAFloodFromAnotherThread();
    void thruEchoesShortMessagesOnly();
    void controlChangesOnChannel1ReachListeners();
    void missingDevicesAreReported();
    void fullDiskEndsTheReceive();
    void portChosenByNameBeforeNumber();

private:
    std::unique_ptr<FakeMidiClock> m_clock;
    std::unique_ptr<CLoopbackDevice> m_device;
    CCollectingReporter m_reporter;
    std::unique_ptr<CMidi> m_midi;
    QTemporaryDir m_dir;
};

void TestMidi::init()
{
    m_clock = std::make_unique<FakeMidiClock>();
    m_device = std::make_unique<CLoopbackDevice>(m_clock.get());
    m_reporter.clear();
    m_midi = std::make_unique<CMidi>(*m_device, m_reporter, CMidiSettings{}, m_clock.get());
}

void TestMidi::cleanup()
{
    m_clock->setHold(false);
    m_midi.reset();
    m_device.reset();
    m_clock.reset();
}

void TestMidi::pacing_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("pause");
    QTest::addColumn<QList<int>>("sizes");    // data bytes of each DT1
    QTest::addColumn<QList<int>>("expected"); // send times in microseconds

    // 100 data bytes make 111-byte messages: 35520 us at the line rate.
    QTest::newRow("line rate and default pause")
        << 3125 << 20 << QList<int>{100, 100, 100} << QList<int>{0, 55520, 111040};
    QTest::newRow("line rate, no pause") << 3125 << 0 << QList<int>{100, 100} << QList<int>{0, 35520};
    QTest::newRow("pause only") << 0 << 50 << QList<int>{100, 1, 100} << QList<int>{0, 50000, 100000};
    QTest::newRow("unpaced") << 0 << 0 << QList<int>{100, 100, 100} << QList<int>{0, 0, 0};
    QTest::newRow("sizes differ") << 1000 << 5 << QList<int>{1, 129, 12} << QList<int>{0, 17000, 162000};
}

void TestMidi::pacing()
{
    QFETCH(int, rate);
    QFETCH(int, pause);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, expected);
    m_midi->setSendRate(rate);
    m_midi->setSendPause(pause);
    QByteArray all;
    for (int i = 0; i < sizes.size(); ++i)
        all += dataSet(sizes[i], i);
    m_midi->SendLong(all);
    m_midi->waitUntilSent();
    const auto sent = m_device->sent();
    QCOMPARE(static_cast<int>(sent.size()), sizes.size());
    for (int i = 0; i < sizes.size(); ++i)
        QCOMPARE(duration_cast<microseconds>(sent[static_cast<std::size_t>(i)].time - sent[0].time).count(),
                 static_cast<long>(expected[i]));
}

void TestMidi::splitsLongBuffersIntoWholeMessages()
{
    const QByteArray a = dataSet(129, 1), b = dataSet(74, 2), c = hex("F0 41 10 6A 11 03 00 00 00 00 00 17 01 65 F7");
    m_midi->SendLong(a + b + c);
    m_midi->waitUntilSent();
    const auto sent = m_device->sent();
    QCOMPARE(sent.size(), std::size_t{3});
    QCOMPARE(sent[0].bytes, a);
    QCOMPARE(sent[1].bytes, b);
    QCOMPARE(sent[2].bytes, c);
    QVERIFY(m_reporter.texts().isEmpty());

    // Bytes outside any message never reach the port, and the user hears of it.
    m_device->clearSent();
    m_midi->SendLong(hex("01 02") + a + hex("F0 41 10"));
    m_midi->waitUntilSent();
    QCOMPARE(m_device->sentBytes(), a);
    QTRY_COMPARE(m_reporter.texts(), QStringList{"Could not send MIDI OUT Long Message."});
}

void TestMidi::keepsTheOrderOfShortAndLongMessages()
{
    const QByteArray a = dataSet(10, 1), b = dataSet(20, 2);
    m_midi->SendShort(0x403C90); // note on, key 60, velocity 64
    m_midi->SendLong(a + b);
    m_midi->SendShort(0x0006C0); // program change: two bytes
    m_midi->SendLong(a);
    m_midi->SendShort(0x00407B0);
    m_midi->waitUntilSent();
    QList<QByteArray> got;
    for (const auto& s : m_device->sent())
        got << s.bytes;
    const QList<QByteArray> expected{hex("90 3C 40"), a, b, hex("C0 06"), a, hex("B0 07 04")};
    QCOMPARE(got, expected);
}

void TestMidi::streamsAFile_data()
{
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("messages");
    QTest::newRow("1024-byte chunks") << 1024 << 40;
    QTest::newRow("chunks split every message") << 7 << 12;
    QTest::newRow("one byte at a time") << 1 << 5;
    QTest::newRow("one chunk") << 65536 << 30;
}

void TestMidi::streamsAFile()
{
    QFETCH(int, chunkSize);
    QFETCH(int, messages);
    CMidiSettings settings;
    settings.chunkSize = chunkSize;
    m_midi = std::make_unique<CMidi>(*m_device, m_reporter, settings, m_clock.get());
    QByteArray file;
    for (int i = 0; i < messages; ++i)
        file += dataSet(1 + (i * 37) % 129, i);
    const QString path = m_dir.filePath("send.syx");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();

    QSignalSpy sent(m_midi.get(), &CMidi::bytesSent);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartSend();
    QVERIFY(m_midi->isSending());
    QVERIFY(ended.wait(5000));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(!m_midi->lastTransferFailed());
    QVERIFY(!m_midi->isSending());
    QCOMPARE(m_device->sentBytes(), file);
    QCOMPARE(static_cast<int>(m_device->sent().size()), messages);
    QCOMPARE(sent.first().first().toLongLong(), 0LL);
    QCOMPARE(sent.last().first().toLongLong(), static_cast<qlonglong>(file.size()));
    for (int i = 1; i < sent.count(); ++i)
        QVERIFY(sent[i].first().toLongLong() >= sent[i - 1].first().toLongLong());
    QVERIFY(m_reporter.texts().isEmpty());
}

void TestMidi::fileOfZeroBytesEndsAtOnce()
{
    const QString path = m_dir.filePath("empty.syx");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QSignalSpy sent(m_midi.get(), &CMidi::bytesSent);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartSend();
    QVERIFY(ended.wait(5000));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(!m_midi->lastTransferFailed());
    QVERIFY(m_device->sent().empty());
    QCOMPARE(sent.last().first().toLongLong(), 0LL);
}

void TestMidi::missingFileIsReported()
{
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(m_dir.filePath("missing.syx"));
    m_midi->StartSend();
    QVERIFY(ended.wait(5000));
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(m_midi->lastTransferFailed());
    QCOMPARE(m_reporter.texts(), QStringList{"File could not be opened: 2"});
}

void TestMidi::fileWithStrayBytesIsReported()
{
    const QByteArray a = dataSet(20, 1);
    const QString path = m_dir.filePath("stray.syx");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(a + hex("12 34") + a + hex("F0 41 10 6A"));
    f.close();
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartSend();
    QVERIFY(ended.wait(5000));
    QCOMPARE(m_device->sentBytes(), a + a);
    QVERIFY(m_midi->lastTransferFailed());
    QCOMPARE(
        m_reporter.texts(),
        QStringList{"6 bytes of the file were not part of a complete System Exclusive message and were not sent."});
}

void TestMidi::stopDuringAPauseEndsTheSend()
{
    QByteArray file;
    for (int i = 0; i < 20; ++i)
        file += dataSet(50, i);
    const QString path = m_dir.filePath("long.syx");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();

    m_clock->setHold(true);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartSend();
    m_clock->waitForWaiter(); // the first message is out, the thread pauses
    m_midi->Stop();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(!m_midi->isSending());
    QVERIFY(!m_device->outOpen());
    QCoreApplication::processEvents();
    QTest::qWait(20);
    QCOMPARE(ended.count(), 1); // the thread's own end is not reported again
    QCOMPARE(m_device->sent().size(), std::size_t{1});
    QVERIFY(m_reporter.texts().isEmpty());
}

void TestMidi::failedSendEndsTheTransferOnce()
{
    QByteArray file;
    for (int i = 0; i < 5; ++i)
        file += dataSet(30, i);
    const QString path = m_dir.filePath("fail.syx");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();
    m_midi->OpenOut();
    m_device->failSends(1);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartSend();
    QVERIFY(ended.wait(5000));
    QTest::qWait(20);
    QCOMPARE(ended.count(), 1);
    QVERIFY(m_midi->lastTransferFailed());
    QCOMPARE(m_reporter.texts(), QStringList{"Could not send MIDI OUT Long Message."});
}

void TestMidi::receiveRecordsSysExExactly()
{
    const QString path = m_dir.filePath("in.syx");
    const QByteArray request = hex("F0 41 13 6A 11 03 00 00 00 00 00 17 01 65 F7");
    QSignalSpy received(m_midi.get(), &CMidi::bytesReceived);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartReceive(request);
    QVERIFY(m_midi->isReceiving());
    m_midi->waitUntilSent();
    QCOMPARE(m_device->sentBytes(), request);

    const QByteArray a = dataSet(74, 1), b = dataSet(129, 2);
    // A message may also arrive in pieces; they are recorded as they come.
    const QByteArray first = b.left(50), rest = b.mid(50);
    QVERIFY(m_device->inject(a));
    QVERIFY(m_device->inject(hex("90 3C 40"))); // a note is no System Exclusive
    QVERIFY(m_device->inject(first));
    QVERIFY(m_device->inject(rest));
    QTRY_COMPARE(received.count(), 4);
    const QList<long> counts{0, a.size(), a.size() + first.size(), a.size() + b.size()};
    for (int i = 0; i < counts.size(); ++i)
        QCOMPARE(received[i].first().toLongLong(), static_cast<qlonglong>(counts[i]));
    m_midi->Stop();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toBool(), false);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), a + b);
}

void TestMidi::completionsAfterCloseAreIgnored()
{
    const QString path = m_dir.filePath("late.syx");
    QSignalSpy received(m_midi.get(), &CMidi::bytesReceived);
    m_midi->setPath(path);
    m_midi->StartReceive({});
    const QByteArray a = dataSet(20, 1);
    QVERIFY(m_device->inject(a));
    QVERIFY(m_device->inject(a)); // queued, not yet handled
    m_midi->Stop();
    QCoreApplication::processEvents();
    QTest::qWait(10);
    QCOMPARE(received.count(), 1); // only the 0 of the start
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.size(), 0);
    // Data arriving before a new receive does not belong to it either.
    m_midi->SetThru(true);
    QVERIFY(m_device->inject(a));
    m_midi->StartReceive({});
    QCoreApplication::processEvents();
    QCOMPARE(m_midi->bytesReceivedCount(), 0L);
}

void TestMidi::receiveKeepsUpWithAFloodFromAnotherThread()
{
    const QString path = m_dir.filePath("flood.syx");
    m_midi->setPath(path);
    m_midi->StartReceive({});
    constexpr int kMessages = 5000;
    QByteArray expected;
    std::vector<QByteArray> messages;
    for (int i = 0; i < kMessages; ++i) {
        messages.push_back(dataSet(1 + i % 129, i));
        expected += messages.back();
    }
    std::thread producer([&] {
        for (const auto& m : messages)
            m_device->inject(m);
    });
    QTRY_COMPARE_WITH_TIMEOUT(m_midi->bytesReceivedCount(), static_cast<long>(expected.size()), 20000);
    producer.join();
    m_midi->Stop();
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), expected);
}

void TestMidi::thruEchoesShortMessagesOnly()
{
    m_midi->SetThru(true);
    QVERIFY(m_device->inOpen());
    QVERIFY(m_device->inject(hex("90 3C 40")));
    QVERIFY(m_device->inject(dataSet(10)));
    QVERIFY(m_device->inject(hex("C5 10")));
    QTRY_COMPARE(m_device->sent().size(), std::size_t{2});
    m_midi->waitUntilSent();
    QCOMPARE(m_device->sentBytes(), hex("90 3C 40 C5 10"));
    // After a receive the input is open again.
    m_midi->setPath(m_dir.filePath("thru.syx"));
    m_midi->StartReceive({});
    m_midi->Stop();
    QVERIFY(m_device->inOpen());
    QVERIFY(m_device->inject(hex("80 3C 00")));
    QTRY_COMPARE(m_device->sent().size(), std::size_t{3});
}

void TestMidi::controlChangesOnChannel1ReachListeners()
{
    Listener listener, removed;
    m_midi->AddListener(&listener);
    m_midi->AddListener(&removed);
    m_midi->RemoveListener(&removed);
    QSignalSpy remote(m_midi.get(), &CMidi::remoteValue);
    QVERIFY(m_midi->OpenIn());
    m_device->inject(hex("B1 06 40")); // channel 2
    m_device->inject(hex("B0 06 41"));
    m_device->inject(hex("90 06 42"));
    m_device->inject(hex("B0 07 7F"));
    QTRY_COMPARE(listener.values.size(), 2);
    QCOMPARE(listener.values[0], (QPair<int, int>(0x41, 6)));
    QCOMPARE(listener.values[1], (QPair<int, int>(0x7F, 7)));
    QCOMPARE(remote.count(), 2);
    QVERIFY(removed.values.isEmpty());
    QVERIFY(m_device->sent().empty()); // thru is off
}

void TestMidi::missingDevicesAreReported()
{
    m_device->setPresent(false);
    const QString path = m_dir.filePath("keep.syx");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old contents");
    f.close();
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartReceive(hex("F0 41 10 6A 11 03 00 00 00 00 00 17 01 65 F7"));
    QCOMPARE(m_reporter.texts(), QStringList{"Error opening MIDI Device"});
    QCOMPARE(ended.count(), 1);
    QVERIFY(m_midi->lastTransferFailed());
    QVERIFY(!m_midi->isReceiving());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old contents")); // the file was not touched

    m_reporter.clear();
    m_midi->SendShort(0x403C90);
    m_midi->SendLong(dataSet(3));
    m_midi->StartSend();
    QCOMPARE(m_reporter.texts(), QStringList(3, QStringLiteral("Error opening MIDI Out Device.")));
    QCOMPARE(ended.count(), 4);

    // Once the device is back, the engine uses it again.
    m_device->setPresent(true);
    m_reporter.clear();
    m_midi->SendShort(0x403C90);
    m_midi->waitUntilSent();
    QCOMPARE(m_device->sentBytes(), hex("90 3C 40"));
    QVERIFY(m_reporter.texts().isEmpty());
}

void TestMidi::fullDiskEndsTheReceive()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full on this system");
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath("/dev/full");
    m_midi->StartReceive({});
    QVERIFY(m_midi->isReceiving());
    m_device->inject(dataSet(40));
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(m_midi->lastTransferFailed());
    QVERIFY(!m_midi->isReceiving());
    QCOMPARE(m_reporter.texts(), QStringList{"Error writing to File 13"});
}

void TestMidi::portChosenByNameBeforeNumber()
{
    QCOMPARE(CMidiPortProvider::resolve({"A", "B", "C"}, 0, "C"), 2);
    QCOMPARE(CMidiPortProvider::resolve({"A", "B", "C"}, 1, "gone"), 1);
    QCOMPARE(CMidiPortProvider::resolve({"A", "B"}, 5, "gone"), -1);
    QCOMPARE(CMidiPortProvider::resolve({}, 0, {}), -1);
}

QTEST_GUILESS_MAIN(TestMidi)
#include "tst_midi.moc"
