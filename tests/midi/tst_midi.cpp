#include "FakeMidiClock.h"
#include "midi/DumpRequest.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/MidiInputParser.h"
#include "midi/MidiPorts.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <future>
#include <mutex>
#include <sys/resource.h>
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
    // A patch's common block: a manual receive records from the first message that begins a record.
    return sysex::makeDataSet(0x10, {0x11, static_cast<std::uint8_t>(seed & 0x7F), 0x00, 0x00}, data);
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> sentMessages(const CLoopbackDevice& device)
{
    QList<QByteArray> got;
    for (const auto& s : device.sent())
        got << s.bytes;
    return got;
}

// The request for the temporary patch of device 17: 03 00 00 00, size 00 00 17 01.
const QByteArray kTempPatchRequest = QByteArray::fromHex("F041106A11030000000000170165F7");

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
    void receiveCreatesItsFileExclusively();
    void portChosenByNameBeforeNumber();

    void inputIsCutIntoWholeMessages_data();
    void inputIsCutIntoWholeMessages();
    void answersAreJudgedByDeviceRangeAndChecksum_data();
    void answersAreJudgedByDeviceRangeAndChecksum();
    void shortMessagesPassAFileSend();
    void notesOutlastNoStop_data();
    void notesOutlastNoStop();
    void thruEchoesSystemAndRealtimeMessages_data();
    void thruEchoesSystemAndRealtimeMessages();
    void receiveRecordsOnlyCleanWholeMessages();
    void receiveRecordsOnlyAnswers();
    void requestWaitsForAQuietLine();
    void lostOutputEndsTheSendAtOnce();
    void lostInputEndsTheReceiveAtOnce();
    void pacingKeepsItsSchedule_data();
    void pacingKeepsItsSchedule();
    void outputOpensWithoutHoldingTheLine();
    void silentReceiveSaysSoAndKeepsWaiting();
    void openRetriesLeaveTheThreadFree_data();
    void openRetriesLeaveTheThreadFree();

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
    CMidiSettings settings;
    settings.quietTime = 0; // requests go out at once unless a test asks otherwise
    m_midi = std::make_unique<CMidi>(*m_device, m_reporter, settings, m_clock.get());
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
    // The numbered message, then the file and the system's reason.
    QCOMPARE(m_reporter.texts(),
             QStringList{QStringLiteral("File could not be opened: 2 (\"%1\": no such file or folder)")
                             .arg(QDir::toNativeSeparators(m_dir.filePath("missing.syx")))});
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
    const QByteArray request = hex("F0 41 10 6A 11 11 00 00 00 02 40 00 00 2D F7"); // all user patches
    QSignalSpy received(m_midi.get(), &CMidi::bytesReceived);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartReceive(request);
    QVERIFY(m_midi->isReceiving());
    m_midi->waitUntilSent();
    QCOMPARE(m_device->sentBytes(), request);

    const QByteArray a = dataSet(74, 1), b = dataSet(129, 2);
    // A message may also arrive in pieces; it is recorded once it is whole.
    const QByteArray first = b.left(50), rest = b.mid(50);
    QVERIFY(m_device->inject(a));
    QVERIFY(m_device->inject(hex("90 3C 40"))); // a note is no System Exclusive
    QVERIFY(m_device->inject(first));
    QVERIFY(m_device->inject(rest));
    QTRY_COMPARE(received.count(), 3);
    const QList<long> counts{0, a.size(), a.size() + b.size()};
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
    // A manual receive records from the first message that begins a record: the flood
    // starts with a patch's common block.
    messages.push_back(sysex::makeDataSet(0x10, {0x11, 0x00, 0x00, 0x00}, QByteArray(74, '\x01')));
    expected += messages.back();
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
    // Files may not grow past a few bytes; with SIGXFSZ ignored the write fails as on a
    // full disk.
    const QString path = m_dir.filePath("limited.syx");
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartReceive({});
    QVERIFY(m_midi->isReceiving());
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit limited = before;
    limited.rlim_cur = 16;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    m_device->inject(dataSet(40));
    const bool endedInTime = QTest::qWaitFor([&] { return ended.count() == 1; }, 5000);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(endedInTime);
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(m_midi->lastTransferFailed());
    QVERIFY(!m_midi->isReceiving());
    QCOMPARE(
        m_reporter.texts(),
        QStringList{
            QStringLiteral("Error writing to File 10 (\"%1\": file too large)").arg(QDir::toNativeSeparators(path))});
    // The part of the message that fitted under the limit is cut off again: the file
    // holds no torn message.
    QCOMPARE(QFileInfo(path).size(), 0);
}

// The file a receive records into is created afresh: whatever already stands there is
// neither opened, followed nor truncated.
void TestMidi::receiveCreatesItsFileExclusively()
{
    const QString outside = m_dir.filePath("outside.txt");
    QFile f(outside);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("precious");
    f.close();
    const QString link = m_dir.filePath("planted.part");
    QVERIFY(QFile::link(outside, link));
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(link);
    m_midi->StartReceive({});
    QVERIFY(!m_midi->isReceiving());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(m_reporter.texts().size(), 1);
    QVERIFY2(m_reporter.texts().first().startsWith(QStringLiteral("File could not be opened: ")),
             qPrintable(m_reporter.texts().first()));
    QVERIFY2(m_reporter.texts().first().contains(QDir::toNativeSeparators(link)),
             qPrintable(m_reporter.texts().first()));
    QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), QByteArray("precious"));
}

void TestMidi::portChosenByNameBeforeNumber()
{
    QCOMPARE(CMidiPortProvider::resolve({"A", "B", "C"}, 0, "C"), 2);
    QCOMPARE(CMidiPortProvider::resolve({"A", "B", "C"}, 1, "gone"), 1);
    QCOMPARE(CMidiPortProvider::resolve({"A", "B"}, 5, "gone"), -1);
    QCOMPARE(CMidiPortProvider::resolve({}, 0, {}), -1);
}

void TestMidi::inputIsCutIntoWholeMessages_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces"); // as the port delivers them
    QTest::addColumn<QList<QByteArray>>("messages");
    QTest::addColumn<int>("dropped");
    const QByteArray a = dataSet(6, 1), b = dataSet(9, 2);
    QTest::newRow("whole messages") << QList<QByteArray>{a + hex("90 3C 40") + b}
                                    << QList<QByteArray>{a, hex("90 3C 40"), b} << 0;
    QTest::newRow("sysex in pieces") << QList<QByteArray>{a.left(3), a.mid(3, 5), a.mid(8)} << QList<QByteArray>{a}
                                     << 0;
    // RtMidi glues realtime bytes that came between two halves into the message.
    QTest::newRow("clock and sensing inside sysex")
        << QList<QByteArray>{a.left(7) + hex("F8") + a.mid(7, 2) + hex("FE") + a.mid(9)}
        << QList<QByteArray>{hex("F8"), hex("FE"), a} << 0;
    QTest::newRow("realtime between the pieces")
        << QList<QByteArray>{a.left(5), hex("F8"), a.mid(5)} << QList<QByteArray>{hex("F8"), a} << 0;
    QTest::newRow("fragment glued to the next message")
        << QList<QByteArray>{a.left(10) + b} << QList<QByteArray>{b} << 10;
    QTest::newRow("fragment broken by a note")
        << QList<QByteArray>{a.left(10), hex("80 3C 00"), b} << QList<QByteArray>{hex("80 3C 00"), b} << 10;
    QTest::newRow("stray end and data") << QList<QByteArray>{hex("F7 12 34") + a} << QList<QByteArray>{a} << 3;
    QTest::newRow("system common") << QList<QByteArray>{hex("F2 10 20 F3 05 F6 F1 31 FA FC")}
                                   << QList<QByteArray>{hex("F2 10 20"), hex("F3 05"), hex("F6"),
                                                        hex("F1 31"),    hex("FA"),    hex("FC")}
                                   << 0;
    QTest::newRow("two-byte channel messages")
        << QList<QByteArray>{hex("C5 10 D0 40")} << QList<QByteArray>{hex("C5 10"), hex("D0 40")} << 0;
}

void TestMidi::inputIsCutIntoWholeMessages()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, messages);
    QFETCH(int, dropped);
    CMidiInputParser parser;
    QList<QByteArray> got;
    for (const QByteArray& piece : pieces)
        parser.feed(reinterpret_cast<const std::uint8_t*>(piece.constData()), std::size_t(piece.size()),
                    [&](const std::vector<std::uint8_t>& m) {
                        got << QByteArray(reinterpret_cast<const char*>(m.data()), qsizetype(m.size()));
                    });
    QCOMPARE(got, messages);
    QCOMPARE(int(parser.takeDropped()), dropped);
    QVERIFY(!parser.insideSysEx());
}

void TestMidi::answersAreJudgedByDeviceRangeAndChecksum_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("answers");
    const QByteArray name(12, 'A');
    const auto dt1 = [&](std::uint8_t device, sysex::Address address) {
        return sysex::makeDataSet(device, address, name);
    };
    QTest::newRow("patch common") << dt1(0x10, {0x03, 0x00, 0x00, 0x00}) << true;
    QTest::newRow("tone 4") << dt1(0x10, {0x03, 0x00, 0x16, 0x00}) << true;
    QTest::newRow("another device") << dt1(0x11, {0x03, 0x00, 0x00, 0x00}) << false;
    QTest::newRow("before the range") << dt1(0x10, {0x02, 0x7F, 0x7F, 0x7F}) << false;
    QTest::newRow("just past the range") << dt1(0x10, {0x03, 0x00, 0x17, 0x01}) << false;
    QByteArray corrupt = dt1(0x10, {0x03, 0x00, 0x10, 0x00});
    corrupt[12] = 0x55;
    QTest::newRow("wrong checksum") << corrupt << false;
    QTest::newRow("a request") << kTempPatchRequest << false;
    QTest::newRow("another maker") << hex("F0 43 10 6A 12 03 00 00 00 01 7C F7") << false;
}

void TestMidi::answersAreJudgedByDeviceRangeAndChecksum()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, answers);
    const CDumpRequest request(kTempPatchRequest);
    QVERIFY(request.isValid());
    QCOMPARE(
        request.isAnsweredBy(reinterpret_cast<const std::uint8_t*>(message.constData()), std::size_t(message.size())),
        answers);
    QVERIFY(!CDumpRequest(dataSet(3)).isValid());
}

// A note asked for while a file is sent goes out between two of its messages, as soon
// as the line is free; the file's messages keep their pause.
void TestMidi::shortMessagesPassAFileSend()
{
    QByteArray file;
    for (int i = 0; i < 4; ++i)
        file += dataSet(100, i); // 111 bytes: 35520 us at the line rate
    const QString path = writeFile(m_dir.filePath("bank.syx"), file);
    m_clock->setHold(true);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartSend();
    m_clock->waitForWaiter(); // the first message is out; the send waits for the line
    m_midi->SendShort(0x403C90);
    m_midi->SendLong(dataSet(2, 9)); // a parameter change
    m_clock->setHold(false);
    QVERIFY(ended.wait(5000));
    const auto sent = m_device->sent();
    QCOMPARE(sentMessages(*m_device), (QList<QByteArray>{dataSet(100, 0), hex("90 3C 40"), dataSet(2, 9),
                                                         dataSet(100, 1), dataSet(100, 2), dataSet(100, 3)}));
    const auto at = [&](int i) {
        return duration_cast<microseconds>(sent[std::size_t(i)].time - sent[0].time).count();
    };
    QCOMPARE(at(1), 35520L);                 // the note: when the first message's bytes are out
    QCOMPARE(at(2), 35520L + 20000);         // the parameter: after the first message's pause
    QCOMPARE(at(3), at(2) + 4160 + 20000);   // 13 bytes and the pause
    QCOMPARE(at(4) - at(3), 35520L + 20000); // the file's own pace
}

void TestMidi::notesOutlastNoStop_data()
{
    QTest::addColumn<QList<QByteArray>>("played"); // through thru
    QTest::addColumn<bool>("closeOnly");           // CloseOut instead of Stop
    QTest::addColumn<QList<QByteArray>>("released");
    QTest::newRow("held key") << QList<QByteArray>{hex("90 3C 40")} << false << QList<QByteArray>{hex("80 3C 40")};
    QTest::newRow("released key") << QList<QByteArray>{hex("91 3C 40"), hex("81 3C 00")} << false
                                  << QList<QByteArray>{};
    QTest::newRow("released by velocity 0")
        << QList<QByteArray>{hex("91 3C 40"), hex("91 3C 00")} << false << QList<QByteArray>{};
    QTest::newRow("chord and pedal on two channels")
        << QList<QByteArray>{hex("90 30 40"), hex("90 34 40"), hex("B0 40 7F"), hex("9F 7F 01")} << true
        << QList<QByteArray>{hex("80 30 40"), hex("80 34 40"), hex("B0 40 00"), hex("8F 7F 40")};
    QTest::newRow("all notes off") << QList<QByteArray>{hex("92 3C 40"), hex("B2 7B 00")} << true
                                   << QList<QByteArray>{};
}

// Whatever the program or thru turned on is turned off when the transfer is stopped or
// the output closed, also when the note-off was still waiting behind a send.
void TestMidi::notesOutlastNoStop()
{
    QFETCH(QList<QByteArray>, played);
    QFETCH(bool, closeOnly);
    QFETCH(QList<QByteArray>, released);
    m_midi->SetThru(true);
    for (const QByteArray& m : played)
        QVERIFY(m_device->inject(m));
    QTRY_COMPARE(m_device->sent().size(), std::size_t(played.size()));
    m_midi->waitUntilSent();
    m_device->clearSent();
    if (closeOnly) {
        m_midi->CloseOut();
    } else {
        // A send stopped while the notes sound.
        m_clock->setHold(true);
        m_midi->setPath(writeFile(m_dir.filePath("s.syx"), dataSet(50, 1) + dataSet(50, 2)));
        m_midi->StartSend();
        m_clock->waitForWaiter();
        m_midi->Stop();
        m_clock->setHold(false);
        QVERIFY(!m_midi->isSending());
        QList<QByteArray> shortOnes;
        for (const QByteArray& m : sentMessages(*m_device)) {
            if (!m.startsWith(char(sysex::kStart)))
                shortOnes << m;
        }
        QCOMPARE(shortOnes, released);
        return;
    }
    QCOMPARE(sentMessages(*m_device), released);
}

void TestMidi::thruEchoesSystemAndRealtimeMessages_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("clock") << hex("F8");
    QTest::newRow("start") << hex("FA");
    QTest::newRow("continue") << hex("FB");
    QTest::newRow("stop") << hex("FC");
    QTest::newRow("active sensing") << hex("FE");
    QTest::newRow("song position") << hex("F2 10 20");
    QTest::newRow("song select") << hex("F3 05");
    QTest::newRow("time code") << hex("F1 31");
    QTest::newRow("tune request") << hex("F6");
    QTest::newRow("pitch bend") << hex("E3 00 40");
}

void TestMidi::thruEchoesSystemAndRealtimeMessages()
{
    QFETCH(QByteArray, message);
    m_midi->SetThru(true);
    QVERIFY(m_device->inject(message));
    QTRY_COMPARE(m_device->sent().size(), std::size_t{1});
    QCOMPARE(m_device->sentBytes(), message);
}

// Realtime bytes glued into a message and fragments never reach the file; the count
// grows by whole messages.
void TestMidi::receiveRecordsOnlyCleanWholeMessages()
{
    const QString path = m_dir.filePath("clean.syx");
    const QByteArray a = dataSet(40, 1), b = dataSet(40, 2);
    QSignalSpy received(m_midi.get(), &CMidi::bytesReceived);
    m_midi->setPath(path);
    m_midi->StartReceive({});
    QVERIFY(m_device->inject(a.left(20) + hex("F8 FE") + a.mid(20)));
    QVERIFY(m_device->inject(b.left(30)));
    QVERIFY(m_device->inject(b.left(10)));
    QVERIFY(m_device->inject(hex("F8")));
    QVERIFY(m_device->inject(b.mid(10)));
    QTRY_COMPARE(m_midi->bytesReceivedCount(), long(a.size() + b.size()));
    QCOMPARE(received.count(), 3);
    QCOMPARE(received[1].first().toLongLong(), qlonglong(a.size()));
    QCOMPARE(m_midi->otherBytesCount(), 30L);
    m_midi->Stop();
    QCOMPARE(readFile(path), a + b);
}

void TestMidi::receiveRecordsOnlyAnswers()
{
    CMidiSettings settings;
    settings.quietTime = 0;
    m_midi = std::make_unique<CMidi>(*m_device, m_reporter, settings, m_clock.get());
    const QString path = m_dir.filePath("answers.syx");
    const QByteArray answer = sysex::makeDataSet(0x10, {0x03, 0x00, 0x00, 0x00}, QByteArray(74, 0x20));
    const QByteArray foreign = sysex::makeDataSet(0x11, {0x03, 0x00, 0x00, 0x00}, QByteArray(74, 0x20));
    const QByteArray elsewhere = sysex::makeDataSet(0x10, {0x11, 0x00, 0x00, 0x00}, QByteArray(74, 0x20));
    m_midi->setPath(path);
    m_midi->StartReceive(kTempPatchRequest);
    m_midi->waitUntilSent();
    QCOMPARE(m_device->sentBytes(), kTempPatchRequest);
    QVERIFY(m_device->inject(foreign));
    QVERIFY(m_device->inject(answer));
    QVERIFY(m_device->inject(elsewhere));
    QTRY_COMPARE(m_midi->otherBytesCount(), long(foreign.size() + elsewhere.size()));
    QCOMPARE(m_midi->bytesReceivedCount(), long(answer.size()));
    m_midi->Stop();
    QCOMPARE(readFile(path), answer);
}

// The rest of a stopped dump still arrives; the request waits until it has passed, and
// none of it is recorded.
void TestMidi::requestWaitsForAQuietLine()
{
    CMidiSettings settings;
    settings.quietTime = 500;
    m_midi = std::make_unique<CMidi>(*m_device, m_reporter, settings);
    const QString path = m_dir.filePath("quiet.syx");
    QSignalSpy requested(m_midi.get(), &CMidi::requestSent);
    m_midi->setPath(path);
    m_midi->StartReceive(kTempPatchRequest);
    // Longer than the quiet time, with data every 50 ms.
    for (int i = 0; i < 14; ++i) {
        QVERIFY(m_device->inject(dataSet(40, i)));
        QVERIFY(m_device->inject(hex("F8"))); // clock does not keep the line busy
        QTest::qWait(50);
        QCOMPARE(requested.count(), 0);
        QVERIFY(m_device->sent().empty());
    }
    QVERIFY(requested.wait(2000));
    m_midi->waitUntilSent();
    QCOMPARE(m_device->sentBytes(), kTempPatchRequest);
    QCOMPARE(m_midi->bytesReceivedCount(), 0L);
    m_midi->Stop();
    QCOMPARE(readFile(path), QByteArray());
}

void TestMidi::lostOutputEndsTheSendAtOnce()
{
    QByteArray file;
    for (int i = 0; i < 10; ++i)
        file += dataSet(100, i);
    const QString path = writeFile(m_dir.filePath("lost.syx"), file);
    m_clock->setHold(true);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(path);
    m_midi->StartSend();
    m_clock->waitForWaiter(); // the first message is out
    m_device->loseOut(QStringLiteral("The JACK server has shut down."));
    QVERIFY(ended.wait(5000)); // the held pause is given up
    QCOMPARE(ended.count(), 1);
    QVERIFY(m_midi->lastTransferFailed());
    QCOMPARE(m_reporter.texts(), QStringList{"The JACK server has shut down. 111 of 1110 bytes were sent."});
    QCOMPARE(m_midi->bytesSentCount(), 111L);
    QVERIFY(!m_midi->isOutOpen());
    m_clock->setHold(false);
    // The next message opens the output anew.
    m_midi->SendShort(0x403C90);
    m_midi->waitUntilSent();
    QCOMPARE(sentMessages(*m_device).last(), hex("90 3C 40"));
}

void TestMidi::lostInputEndsTheReceiveAtOnce()
{
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    m_midi->setPath(m_dir.filePath("gone.syx"));
    m_midi->StartReceive({});
    QVERIFY(m_device->inject(dataSet(20)));
    m_device->loseIn(QStringLiteral("The MIDI input \"Loopback In\" is no longer connected."));
    QVERIFY(ended.wait(1000));
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(m_midi->lastTransferFailed());
    QVERIFY(!m_midi->isReceiving());
    QVERIFY(!m_device->inOpen());
    QCOMPARE(m_reporter.texts(), QStringList{"The MIDI input \"Loopback In\" is no longer connected."});
    QCOMPARE(readFile(m_dir.filePath("gone.syx")), dataSet(20));
}

void TestMidi::pacingKeepsItsSchedule_data()
{
    QTest::addColumn<int>("lateUs");          // how late every wait ends
    QTest::addColumn<QList<int>>("expected"); // send times in microseconds

    // 111-byte messages at the line rate with a 20 ms pause: one every 55520 us.
    QTest::newRow("on time") << 0 << QList<int>{0, 55520, 111040, 166560, 222080};
    // A thread that wakes late sends late, but the lateness does not add up.
    QTest::newRow("0.7 ms late") << 700 << QList<int>{0, 56220, 111740, 167260, 222780};
    QTest::newRow("4.5 ms late") << 4500 << QList<int>{0, 60020, 115540, 171060, 226580};
    // Held up longer than the schedule forgives: only 5 ms of each lateness is made up,
    // so that the synth's pause is never cut by more.
    QTest::newRow("30 ms late") << 30000 << QList<int>{0, 85520, 166040, 246560, 327080};
}

void TestMidi::pacingKeepsItsSchedule()
{
    QFETCH(int, lateUs);
    QFETCH(QList<int>, expected);
    m_clock->setLateness(microseconds(lateUs));
    QByteArray file;
    for (int i = 0; i < expected.size(); ++i)
        file += dataSet(100, i);
    // A file send and a long message take the same line.
    for (const bool fromFile : {true, false}) {
        m_device->clearSent();
        m_clock->advance(seconds(1)); // an idle line: the schedule starts anew
        if (fromFile) {
            QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
            m_midi->setPath(writeFile(m_dir.filePath("paced.syx"), file));
            m_midi->StartSend();
            QVERIFY(ended.wait(5000));
        } else {
            m_midi->SendLong(file);
            m_midi->waitUntilSent();
        }
        const auto sent = m_device->sent();
        QCOMPARE(static_cast<int>(sent.size()), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(sent[static_cast<std::size_t>(i)].bytes, dataSet(100, i));
            QCOMPARE(duration_cast<microseconds>(sent[static_cast<std::size_t>(i)].time - sent[0].time).count(),
                     static_cast<long>(expected[i]));
        }
    }
}

namespace {
// The loopback, whose output opens only when the test lets it.
class GatedDevice : public CLoopbackDevice
{
public:
    using CLoopbackDevice::CLoopbackDevice;
    std::unique_ptr<CMidiOutPort> createOut(int index) override
    {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_cv.notify_all();
        m_cv.wait(lock, [this] { return m_open; });
        return CLoopbackDevice::createOut(index);
    }
    void waitUntilOpening()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_entered; });
    }
    void letOpen()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_entered = false;
    bool m_open = false;
};
} // namespace

// An output that is slow to open (a busy sound server) holds up no one who asks about
// the line meanwhile: the port is opened outside the lock that guards it.
void TestMidi::outputOpensWithoutHoldingTheLine()
{
    GatedDevice device;
    CMidiPorts ports(device);
    bool opened = false;
    std::thread opener([&] { opened = ports.openOut([](std::uint64_t, const QString&) {}); });
    device.waitUntilOpening();
    auto asked = std::async(std::launch::async, [&] { return ports.isOutOpen(); });
    const bool answered = asked.wait_for(seconds(5)) == std::future_status::ready;
    device.letOpen();
    opener.join();
    QVERIFY(opened);
    QVERIFY(answered);
    QCOMPARE(asked.get(), false);
    QVERIFY(ports.isOutOpen());
    const QByteArray note = hex("90 3C 40");
    QVERIFY(ports.send(reinterpret_cast<const std::uint8_t*>(note.constData()), 3, nullptr));
    QCOMPARE(device.sentBytes(), note);
}

// A receive that records nothing says so after the set time, once per silence, and goes
// on: an answer that comes later is still recorded.
void TestMidi::silentReceiveSaysSoAndKeepsWaiting()
{
    CMidiSettings settings;
    settings.quietTime = 0;
    settings.noByteNotice = 150;
    m_midi = std::make_unique<CMidi>(*m_device, m_reporter, settings);
    QSignalSpy notice(m_midi.get(), &CMidi::noByteFor);
    QSignalSpy ended(m_midi.get(), &CMidi::transferEnded);
    const QString path = m_dir.filePath("silent.syx");
    m_midi->setPath(path);
    m_midi->StartReceive(kTempPatchRequest);
    QVERIFY(notice.wait(2000));
    QCOMPARE(notice.count(), 1);
    QCOMPARE(notice.first().at(0).toInt(), 150);
    QCOMPARE(notice.first().at(1).toLongLong(), 0LL);
    QTest::qWait(400); // no second notice for the same silence
    QCOMPARE(notice.count(), 1);
    QVERIFY(m_midi->isReceiving());
    QCOMPARE(ended.count(), 0);
    // The answer comes late; a new silence after it is told with the bytes so far.
    const QByteArray answer = sysex::makeDataSet(0x10, {0x03, 0x00, 0x00, 0x00}, QByteArray(40, 0x21));
    QVERIFY(m_device->inject(answer));
    QTRY_COMPARE(m_midi->bytesReceivedCount(), long(answer.size()));
    QVERIFY(notice.wait(2000));
    QCOMPARE(notice.count(), 2);
    QCOMPARE(notice.last().at(1).toLongLong(), static_cast<long long>(answer.size()));
    m_midi->Stop();
    QTest::qWait(300);
    QCOMPARE(notice.count(), 2);
    QCOMPARE(readFile(path), answer);
    QVERIFY(m_reporter.texts().isEmpty());
}

QTEST_GUILESS_MAIN(TestMidi)
#include "tst_midi.moc"

namespace {
// An output that fails to open the first n times it is asked for.
class ReluctantDevice : public CLoopbackDevice
{
public:
    ReluctantDevice(CMidiClock* clock, int failures) : CLoopbackDevice(clock), m_failures(failures) {}
    std::unique_ptr<CMidiOutPort> createOut(int index) override
    {
        if (++m_tries <= m_failures)
            return nullptr;
        return CLoopbackDevice::createOut(index);
    }
    int tries() const { return m_tries; }

private:
    int m_failures;
    int m_tries = 0;
};
} // namespace

// Between the tries of an open the thread goes on with its events: a timer fires, and
// what it sends follows the message that opened the output, in order. Input that came
// meanwhile is handled after the open. Three failures end as before, with one message.
void TestMidi::openRetriesLeaveTheThreadFree_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("tries");
    QTest::addColumn<bool>("opens");
    QTest::newRow("opens at once") << 0 << 1 << true;
    QTest::newRow("second try") << 1 << 2 << true;
    QTest::newRow("third try") << 2 << 3 << true;
    QTest::newRow("never") << 3 << 3 << false;
}

void TestMidi::openRetriesLeaveTheThreadFree()
{
    QFETCH(int, failures);
    QFETCH(int, tries);
    QFETCH(bool, opens);
    m_midi.reset();
    ReluctantDevice device(m_clock.get(), failures);
    CMidi midi(device, m_reporter, {}, m_clock.get());
    QVERIFY(midi.OpenIn());
    QSignalSpy remote(&midi, &CMidi::remoteValue);
    bool opening = false;
    bool ranDuringOpen = false;
    QTimer::singleShot(0, &midi, [&] {
        ranDuringOpen = opening;
        midi.SendShort(0x403E90);
        device.inject(hex("B0 07 7F"));
    });
    opening = true;
    midi.SendShort(0x403C90);
    opening = false;
    QCOMPARE(ranDuringOpen, failures > 0);
    QCOMPARE(device.tries(), tries);
    if (failures > 0)
        QCOMPARE(remote.count(), 0); // held until the open was over
    QTRY_COMPARE(remote.count(), 1);
    midi.waitUntilSent();
    QCOMPARE(device.sentBytes(), opens ? hex("90 3C 40 90 3E 40") : QByteArray());
    QCOMPARE(m_reporter.texts(), opens ? QStringList() : QStringList{"Error opening MIDI Out Device."});
}
