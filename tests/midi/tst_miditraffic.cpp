// What passes the engine, as the MIDI monitor and the traffic log see it: the tap on
// the engine, its queue, the log file's lines and the meaning of each message.

#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/MidiLog.h"
#include "midi/MidiMessageText.h"
#include "midi/MidiTrafficModel.h"
#include "midi/TrafficQueue.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <thread>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Everything the traffic signal carries while the collector lives.
struct Collector
{
    explicit Collector(CMidi& midi)
    {
        connection =
            QObject::connect(&midi, &CMidi::traffic, [this](const QList<MidiTraffic>& batch) { messages += batch; });
    }
    ~Collector() { QObject::disconnect(connection); }
    QStringList lines() const
    {
        QStringList out;
        for (const MidiTraffic& m : messages)
            out << miditext::directionText(m.direction) + QLatin1Char(' ') + miditext::hexBytes(m.bytes);
        return out;
    }
    QList<MidiTraffic> messages;
    QMetaObject::Connection connection;
};

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

MidiTraffic record(std::int64_t nanos, MidiTraffic::Direction direction, const QByteArray& bytes)
{
    MidiTraffic m;
    m.nanos = nanos;
    m.direction = direction;
    m.bytes = bytes;
    return m;
}

} // namespace

class TestMidiTraffic : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_device = std::make_unique<CLoopbackDevice>();
        m_reporter.clear();
        m_midi = std::make_unique<CMidi>(*m_device, m_reporter);
    }
    void cleanup()
    {
        m_midi.reset();
        m_device.reset();
    }

    void queueKeepsOrderAndRefusesWhenFull()
    {
        CTrafficQueue queue(3); // rounded up to 4
        QCOMPARE(queue.capacity(), std::size_t{4});
        for (int i = 0; i < 6; ++i)
            queue.push(record(i, MidiTraffic::Direction::Out, QByteArray(1, char(i))));
        QCOMPARE(queue.takeLost(), std::uint64_t{2});
        QCOMPARE(queue.takeLost(), std::uint64_t{0});
        MidiTraffic m;
        QList<int> got;
        while (queue.pop(m))
            got << m.bytes.at(0);
        QCOMPARE(got, (QList<int>{0, 1, 2, 3}));
        // Emptied, it takes a whole round again.
        for (int i = 10; i < 14; ++i)
            QVERIFY(queue.push(record(i, MidiTraffic::Direction::In, QByteArray(1, char(i)))));
        QVERIFY(queue.pop(m));
        QCOMPARE(m.bytes.at(0), char(10));
        QCOMPARE(m.direction, MidiTraffic::Direction::In);
    }

    void queueTakesFromManyThreads()
    {
        constexpr int kThreads = 4;
        constexpr int kEach = 5000;
        CTrafficQueue queue(kThreads * kEach);
        std::vector<std::thread> producers;
        for (int t = 0; t < kThreads; ++t)
            producers.emplace_back([&queue, t] {
                for (int i = 0; i < kEach; ++i)
                    queue.push(record(i, MidiTraffic::Direction::Out, QByteArray(1, char(t))));
            });
        // Read while they write: every producer's records come in its own order.
        std::array<std::int64_t, kThreads> last{-1, -1, -1, -1};
        int count = 0;
        MidiTraffic m;
        const auto drain = [&] {
            while (queue.pop(m)) {
                const int t = m.bytes.at(0);
                QVERIFY(m.nanos > last[static_cast<std::size_t>(t)]);
                last[static_cast<std::size_t>(t)] = m.nanos;
                ++count;
            }
        };
        while (count < kThreads * kEach / 2)
            drain();
        for (auto& p : producers)
            p.join();
        drain();
        QCOMPARE(count, kThreads * kEach);
        QCOMPARE(queue.takeLost(), std::uint64_t{0});
    }

    // Out in the order sent, in as it arrives; thru shows both.
    void tapSeesBothWays()
    {
        Collector collector(*m_midi);
        m_midi->SendShort(0x603C90);
        m_midi->SendLong(hex("F0 41 10 6A 12 03 00 12 51 7F 1B F7 F0 41 10 6A 12 03 00 10 50 02 1B F7"));
        m_midi->waitUntilSent();
        m_midi->SetThru(true);
        QVERIFY(m_device->inject(hex("B0 06 46")));
        QTRY_COMPARE(collector.lines().size(), 5);
        m_midi->waitUntilSent();
        m_midi->deliverTraffic();
        QCOMPARE(collector.lines(),
                 (QStringList{"OUT 90 3C 60", "OUT F0 41 10 6A 12 03 00 12 51 7F 1B F7",
                              "OUT F0 41 10 6A 12 03 00 10 50 02 1B F7", "IN B0 06 46", "OUT B0 06 46"}));
        // Times count from the engine's start and never go back.
        for (qsizetype i = 1; i < collector.messages.size(); ++i)
            QVERIFY(collector.messages[i].nanos >= collector.messages[i - 1].nanos);
    }

    // Closing the output turns off what sounds; those messages are traffic too.
    void tapSeesTheReleaseOfHeldNotes()
    {
        Collector collector(*m_midi);
        m_midi->SendShort(0x604090);
        m_midi->waitUntilSent();
        m_midi->CloseOut();
        m_midi->deliverTraffic();
        QCOMPARE(collector.lines().size(), 2);
        QCOMPARE(collector.lines().at(0), QStringLiteral("OUT 90 40 60"));
        QCOMPARE(m_device->sent().back().bytes, collector.messages.at(1).bytes);
        QCOMPARE(collector.messages.at(1).bytes.at(1), char(0x40));
    }

    // Nobody listening: nothing is collected, so nothing comes later either.
    void unheardTrafficIsNotKept()
    {
        m_midi->SendShort(0x603C90);
        m_midi->waitUntilSent();
        {
            Collector first(*m_midi);
            m_midi->SendShort(0x003C90);
            m_midi->waitUntilSent();
            m_midi->deliverTraffic();
            QCOMPARE(first.lines(), QStringList{"OUT 90 3C 00"});
        }
        // The engine sees that the last receiver went once the event loop runs.
        QCoreApplication::processEvents();
        m_midi->SendShort(0x603E90);
        m_midi->waitUntilSent();
        Collector late(*m_midi);
        m_midi->deliverTraffic();
        QCoreApplication::processEvents();
        QVERIFY(late.messages.isEmpty());
        QCOMPARE(m_midi->takeLostTraffic(), std::uint64_t{0});
    }

    void logLines_data()
    {
        QTest::addColumn<qint64>("nanos");
        QTest::addColumn<bool>("out");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("note") << qint64(0) << true << hex("90 3C 60") << QByteArray("0 OUT 90 3C 60");
        QTest::newRow("rounds down") << qint64(12'345'999'999) << false << hex("fe") << QByteArray("12345 IN FE");
        QTest::newRow("request") << qint64(1'500'000) << true << hex("F0 41 13 6A 11 10 00 00 00 11 7F 17 01 48 F7")
                                 << QByteArray("1 OUT F0 41 13 6A 11 10 00 00 00 11 7F 17 01 48 F7");
    }
    void logLines()
    {
        QFETCH(qint64, nanos);
        QFETCH(bool, out);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, line);
        QCOMPARE(
            miditext::logLine(record(nanos, out ? MidiTraffic::Direction::Out : MidiTraffic::Direction::In, bytes)),
            line);
    }

    // The log appends to what is there, one line per message, as the engine passes them.
    void logAppendsEveryMessage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("midi.log"));
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("0 OUT 90 3C 00\n");
        }
        {
            CMidiLog log(path, *m_midi, m_reporter);
            QVERIFY(log.isOpen());
            m_midi->SetThru(true);
            m_midi->SendLong(hex("F0 41 10 6A 12 03 00 12 51 7F 1B F7"));
            QVERIFY(m_device->inject(hex("C0 05")));
            QTRY_COMPARE(log.linesWritten(), qint64(3));
            m_midi->waitUntilSent();
            m_midi->deliverTraffic();
            QCOMPARE(log.linesWritten(), qint64(3));
        }
        const QStringList lines = readLines(path);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), QStringLiteral("0 OUT 90 3C 00"));
        const QRegularExpression shape(QStringLiteral("^(\\d+) (OUT|IN)((?: [0-9A-F]{2})+)$"));
        QStringList rest;
        for (const QString& line : lines.mid(1)) {
            const auto match = shape.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            rest << match.captured(2) + match.captured(3);
        }
        // The program change came in and went out again through thru; the order of the
        // DT1 and the echo is the engine's.
        QVERIFY(rest.contains(QStringLiteral("OUT F0 41 10 6A 12 03 00 12 51 7F 1B F7")));
        QVERIFY(rest.contains(QStringLiteral("IN C0 05")));
        QVERIFY(rest.contains(QStringLiteral("OUT C0 05")));
        QVERIFY(rest.indexOf(QStringLiteral("IN C0 05")) < rest.indexOf(QStringLiteral("OUT C0 05")));
        QVERIFY(m_reporter.texts().isEmpty());
    }

    void logThatCannotBeOpenedIsReported()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("no/such/folder/midi.log"));
        CMidiLog log(path, *m_midi, m_reporter);
        QVERIFY(!log.isOpen());
        QCOMPARE(m_reporter.texts().size(), 1);
        QVERIFY(m_reporter.texts().at(0).startsWith(QStringLiteral("The MIDI log ")));
        QVERIFY(m_reporter.texts().at(0).contains(QStringLiteral("could not be opened")));
        // No receiver: the engine does not collect for it.
        m_midi->SendShort(0x603C90);
        m_midi->waitUntilSent();
        QCOMPARE(log.linesWritten(), qint64(0));
    }

    // A write of the log that fails part-way, as on a full disk (here a file size limit
    // a few bytes above what the log holds), says why and ends the log.
    void failedLogWriteSaysWhy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("midi.log"));
        constexpr rlim_t kLimit = 64;
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write(QByteArray(kLimit - 4, '#'));
        }
        CMidiLog log(path, *m_midi, m_reporter);
        QVERIFY(log.isOpen());
        rlimit before{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        rlimit limited = before;
        limited.rlim_cur = kLimit;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        m_midi->SendShort(0x403C90);
        m_midi->waitUntilSent();
        const bool reported = QTest::qWaitFor([&] { return !m_reporter.texts().isEmpty(); }, 5000);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(reported);
        QCOMPARE(m_reporter.texts(),
                 QStringList{QStringLiteral("Writing the MIDI log %1 failed: file too large. Nothing more is logged.")
                                 .arg(QDir::toNativeSeparators(path))});
        QCOMPARE(log.linesWritten(), qint64(0));
    }

    void environmentNamesTheLog()
    {
        QTemporaryDir dir;
        qunsetenv(CMidiLog::kVariable);
        QVERIFY(!CMidiLog::fromEnvironment(*m_midi, m_reporter));
        const QString path = dir.filePath(QStringLiteral("env.log"));
        qputenv(CMidiLog::kVariable, path.toLocal8Bit());
        auto log = CMidiLog::fromEnvironment(*m_midi, m_reporter);
        qunsetenv(CMidiLog::kVariable);
        QVERIFY(log && log->isOpen());
        QCOMPARE(log->path(), path);
    }

    void meaning_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("meaning");
        const auto row = [](const char* name, const QByteArray& message, const char* meaning) {
            QTest::newRow(name) << message << QString::fromUtf8(meaning);
        };
        row("cutoff of tone 2", hex("F0 41 10 6A 12 03 00 12 51 7F 1B F7"),
            "DT1 device 17, Temporary Patch, Tone 2: Cutoff Frequency = 127");
        row("filter type, listed", hex("F0 41 10 6A 12 03 00 10 50 02 1B F7"),
            "DT1 device 17, Temporary Patch, Tone 1: Filter Type = BPF (2)");
        row("checksum wrong", hex("F0 41 1F 6A 12 03 00 12 51 7F 00 F7"),
            "DT1 device 32, Temporary Patch, Tone 2: Cutoff Frequency = 127 (checksum wrong)");
        // The wave's group and number: the number's text looks at rows the message does
        // not reach.
        row("wave of tone 2", hex("F0 41 10 6A 12 03 00 12 01 00 02 01 09 5E F7"),
            "DT1 device 17, Temporary Patch, Tone 2: Wave Group = 0-2 (2); Wave Number = 26 (25)");
        row("mode switch", hex("F0 41 10 6A 12 00 00 00 00 01 7F F7"), "DT1 device 17, System, Sound Mode = Patch");
        row("patch name", sysex::makeDataSet(0x10, {0x03, 0x00, 0x00, 0x00}, "VirtualSynth"),
            "DT1 device 17, Temporary Patch, Common: Name = \"VirtualSynth\"");
        row("whole tone of a user patch", sysex::makeDataSet(0x11, {0x11, 0x0B, 0x10, 0x00}, QByteArray(129, 0)),
            "DT1 device 18, User Patch 12, Tone 1: 129 bytes");
        row("rhythm key", sysex::makeDataSet(0x10, {0x02, 0x09, 0x23, 0x00}, QByteArray(58, 0)),
            "DT1 device 17, Temporary Rhythm Set, Key B1: 58 bytes");
        row("unknown address", sysex::makeDataSet(0x10, {0x7F, 0x00, 0x00, 0x00}, QByteArray(2, 1)),
            "DT1 device 17, 7F 00 00 00, 2 bytes");
        row("named request", hex("F0 41 13 6A 11 10 00 00 00 11 7F 17 01 48 F7"), "RQ1 device 20, \"All\"");
        row("other request", hex("F0 41 10 6A 11 11 05 00 00 00 00 17 01 52 F7"),
            "RQ1 device 17, 11 05 00 00, size 00 00 17 01");
        row("note on", hex("90 3C 60"), "Note On, ch 1, C4 (60), velocity 96");
        row("note on, velocity 0", hex("90 3C 00"), "Note Off, ch 1, C4 (60), note-on with velocity 0");
        row("note off", hex("8F 40 40"), "Note Off, ch 16, E4 (64), velocity 64");
        row("drum note", hex("99 26 7F"), "Note On, ch 10, D2 (38), velocity 127");
        row("remote controller", hex("B0 06 46"), "Control Change, ch 1, controller 6 (Data Entry), value 70");
        row("other controller", hex("B9 10 01"), "Control Change, ch 10, controller 16, value 1");
        row("program", hex("C0 05"), "Program Change, ch 1, program 6");
        row("bend down", hex("E0 00 00"), "Pitch Bend, ch 1, -8192");
        row("bend centre", hex("E1 00 40"), "Pitch Bend, ch 2, 0");
        row("active sensing", hex("FE"), "Active Sensing");
        row("identity request", hex("F0 7E 7F 06 01 F7"), "Identity Request");
        row("another maker", hex("F0 43 10 4C 00 00 7E 00 F7"), "System Exclusive, manufacturer 43h, 9 bytes");
        row("cut short", hex("F0 41 10 6A 12"), "System Exclusive without its end, 5 bytes");
    }
    void meaning()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, meaning);
        QCOMPARE(miditext::describe(message), meaning);
    }

    void hexAndTimeTexts()
    {
        QCOMPARE(miditext::hexBytes(hex("F0 0a 7f")), QStringLiteral("F0 0A 7F"));
        QCOMPARE(miditext::hexBytes(QByteArray(30, 1), 2), QStringLiteral("01 01 \u2026 (30 bytes)"));
        QCOMPARE(miditext::timeText(0), QStringLiteral("0.000"));
        QCOMPARE(miditext::timeText(61'002'999'999), QStringLiteral("61.002"));
        QCOMPARE(miditext::noteName(0), QStringLiteral("C-1"));
        QCOMPARE(miditext::noteName(127), QStringLiteral("G9"));
    }

    // The monitor's listing: paused it takes nothing, the oldest rows give way, clock
    // and active sensing stay out unless asked for.
    void monitorListing()
    {
        CMidiTrafficModel model;
        const auto batch = [](std::initializer_list<const char*> messages) {
            QList<MidiTraffic> list;
            for (const char* m : messages)
                list << record(0, MidiTraffic::Direction::In, hex(m));
            return list;
        };
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.append(batch({"90 3C 60", "FE", "F8", "90 3C 00"}));
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.data(model.index(1, CMidiTrafficModel::kMeaning)).toString(),
                 QStringLiteral("Note Off, ch 1, C4 (60), note-on with velocity 0"));
        QCOMPARE(model.data(model.index(0, CMidiTrafficModel::kDirection)).toString(), QStringLiteral("IN"));
        model.setHidesRealtime(false);
        model.append(batch({"FE"}));
        QCOMPARE(model.rowCount(), 3);

        model.setPaused(true);
        model.append(batch({"B0 06 01", "B0 06 02"}));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.passedWhilePaused(), qint64(2));
        model.setPaused(false);

        model.setLimit(4);
        model.append(batch({"C0 01", "C0 02", "C0 03"}));
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.message(0).bytes, hex("FE"));
        QCOMPARE(model.message(3).bytes, hex("C0 03"));
        QCOMPARE(model.text({3}), QStringLiteral("0.000\tIN\tC0 03\tProgram Change, ch 1, program 4"));

        const QByteArray big(200, 0x11);
        model.append({record(0, MidiTraffic::Direction::Out, big)});
        const QString shown = model.data(model.index(3, CMidiTrafficModel::kBytes)).toString();
        QVERIFY(shown.endsWith(QStringLiteral("\u2026 (200 bytes)")));
        QCOMPARE(model.data(model.index(3, CMidiTrafficModel::kBytes), Qt::ToolTipRole).toString(),
                 miditext::hexBytes(big));
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

private:
    std::unique_ptr<CLoopbackDevice> m_device;
    CCollectingReporter m_reporter;
    std::unique_ptr<CMidi> m_midi;
};

QTEST_GUILESS_MAIN(TestMidiTraffic)
#include "tst_miditraffic.moc"
