// MIDI over a real transport: toneloom-emulator and toneloom-cli on a private JACK
// server (started by the jack_server fixture).

#include "bank/ToneloomDoc.h"
#include "emulator/EmulatorDevice.h"
#include "midi/BulkTransfer.h"
#include "midi/CheckedSend.h"
#include "midi/Midi.h"
#include "midi/RtMidiPort.h"
#include "midi/SynthLine.h"
#include "midi/SystemPortProvider.h"
#include "model/Reporter.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <csignal>
#include <mutex>
#include <sys/resource.h>

Q_DECLARE_METATYPE(SynthModel)

namespace {

const QString kBin = QStringLiteral(TONELOOM_BIN_DIR);
// Answers and sends at ten times the MIDI line rate keep the tests short; the JACK
// output holds back what a late period cannot take, so nothing is lost at any rate.
constexpr int kAnswerRate = 31250;
constexpr int kSendRate = 31250; // sends: ten times the line rate with a 1 ms pause

const char* modelArg(SynthModel m)
{
    return m == SynthModel::Jv1080 ? "jv1080" : m == SynthModel::Jv2080 ? "jv2080" : "xp";
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One toneloom-emulator process on its own JACK port.
class Emulator
{
public:
    bool start(const QString& name, SynthModel model, const QStringList& extra)
    {
        m_process.setProgram(kBin + "/toneloom-emulator");
        m_process.setArguments(QStringList{"--jack", "--name", name, "--model", modelArg(model)} + extra);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000)) {
                qWarning() << m_process.readAllStandardError();
                return false;
            }
        }
        return m_process.readLine().contains("ready");
    }
    // SIGTERM: the emulator saves its memory and ends.
    bool finish()
    {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
    }
    // What it said on stderr (after finish()).
    QString messages() { return QString::fromUtf8(m_process.readAllStandardError()); }
    // Ended with SIGTERM, so it leaves the JACK server as a client should: a killed
    // client holds up a server in synchronous mode until its time-out.
    ~Emulator()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
};

// With merged channels, output holds stdout and stderr in the order the tool wrote them.
int runCli(const QStringList& args, QByteArray* output = nullptr,
           QProcess::ProcessChannelMode channels = QProcess::SeparateChannels)
{
    QProcess cli;
    cli.setProcessChannelMode(channels);
    cli.start(kBin + "/toneloom-cli", args);
    if (!cli.waitForFinished(180000))
        return -1;
    if (output)
        *output = channels == QProcess::MergedChannels ? cli.readAll()
                                                       : cli.readAllStandardOutput() + cli.readAllStandardError();
    return cli.exitCode();
}

// A bank with its own names, written in model's layout.
QByteArray makeBank(SynthModel model, const QString& path)
{
    CCollectingReporter reporter;
    const SynthSettings settings{model, 0x10};
    CToneloomDoc document(settings, reporter);
    for (int i = 0; i < CPatchArray::kCount; ++i)
        document.patches().SetName(i, QStringLiteral("Jack %1      ").arg(i, 3).left(12).toLatin1().constData());
    document.SaveBank(CToneloomDoc::kSaveAll, path);
    return readAll(path);
}

// What a send of bank (all, to area) puts on the line.
QByteArray expectedSend(SynthModel model, const QString& bankPath, sysex::MemoryArea area)
{
    CCollectingReporter reporter;
    const SynthSettings settings{model, 0x10};
    CToneloomDoc document(settings, reporter);
    document.OnOpenDocument(bankPath);
    for (ItemKind kind : kItemKinds) {
        if (area == sysex::MemoryArea::Card)
            document.array(kind).SetCardMemory();
        else
            document.array(kind).SetUserMemory();
        document.array(kind).SetDeviceId(0x10);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    document.writeBank(buffer, CToneloomDoc::kSaveAll, area);
    return buffer.data();
}

using Clock = std::chrono::steady_clock;

// A JACK input of this process that records every event reaching it, as an instrument
// on the line would hear it.
class Monitor
{
public:
    struct Event
    {
        QByteArray bytes;
        Clock::time_point time;
    };
    explicit Monitor(const QString& name) : m_name(name)
    {
        m_port = createSystemInPort(RtMidi::UNIX_JACK, name, true, name);
    }
    bool open()
    {
        return m_port->open(
            [this](const std::uint8_t* data, std::size_t size) {
                std::lock_guard lock(m_mutex);
                m_events.push_back({QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), Clock::now()});
            },
            nullptr);
    }
    std::vector<Event> events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    int indexOf(const QByteArray& message) const
    {
        const auto all = events();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].bytes == message)
                return int(i);
        }
        return -1;
    }
    long sysExBytes() const
    {
        long bytes = 0;
        for (const Event& e : events()) {
            if (e.bytes.startsWith(char(sysex::kStart)))
                bytes += long(e.bytes.size());
        }
        return bytes;
    }
    int sysExCount() const
    {
        int count = 0;
        for (const Event& e : events())
            count += e.bytes.startsWith(char(sysex::kStart)) ? 1 : 0;
        return count;
    }
    // The engine's name for this port in its list of outputs.
    QString outputName(CSystemPortProvider& ports) const { return ports.outputNames().filter(m_name).value(0); }

private:
    QString m_name;
    std::unique_ptr<CMidiInPort> m_port;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
};

// The patch records of a stream of data sets.
std::vector<synthline::Record> patchRecords(const QByteArray& stream)
{
    std::vector<synthline::Record> patches;
    for (synthline::Record& r : synthline::recordsOf(stream)) {
        if (r.area == sysex::kAreaUserPatch)
            patches.push_back(std::move(r));
    }
    return patches;
}

// The patch numbers (1..128) of the data sets the emulator said it dropped and that
// would have changed its memory.
QSet<int> droppedPatches(const QString& messages)
{
    QSet<int> numbers;
    static const QRegularExpression dropped(QStringLiteral("dropped the data set at 11 ([0-9A-F]{2}) \\S+ \\S+\\n"));
    for (auto it = dropped.globalMatch(messages); it.hasNext();)
        numbers << it.next().captured(1).toInt(nullptr, 16) + 1;
    return numbers;
}

// The numbers of "Sent again: Patches 3, 10 and 20" in output.
QSet<int> resentPatches(const QByteArray& output)
{
    QSet<int> numbers;
    static const QRegularExpression line(QStringLiteral("Sent again: Patch(?:es)? ([0-9, and]+)\\n"));
    const auto match = line.match(QString::fromUtf8(output));
    if (!match.hasMatch())
        return numbers;
    static const QRegularExpression number(QStringLiteral("\\d+"));
    for (auto it = number.globalMatch(match.captured(1)); it.hasNext();)
        numbers << it.next().captured().toInt();
    return numbers;
}

bool sendBytes(CMidiOutPort& port, const QByteArray& bytes)
{
    return port.send(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()), nullptr);
}

} // namespace

class TestJackMidi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void receiveAll_data();
    void receiveAll();
    void sendToUserAndCard_data();
    void sendToUserAndCard();
    void stoppedSendEndsCleanly();
    void burstNeedsPacing_data();
    void burstNeedsPacing();
    void missingPortIsABadArgument();
    void noteGoesBetweenTheMessagesOfASend();
    void stopReleasesAHeldThruNote();
    void stopEndsAnUnpacedSendAtOnce();
    void realtimeBytesInADumpAreDropped();
    void stoppedDumpStaysOutOfTheNextRequest();
    void cardPerformancesThenCard();
    void failedSaveNamesItsCause();
    void detectFindsEachEmulator();
    void verifiedSendResendsTheDroppedRecords();
    void muteSynthLeavesTheSendUnverified();
    void backupHoldsWhatTheSendOverwrote();
    void windowSendBacksUpAndVerifies();
    void silentSynthIsToldAndAwaited();
    void cliReceiveTellsOfSilence();

private:
    QTemporaryDir m_dir;
};

void TestJackMidi::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("JACK_DEFAULT_SERVER"))
        QSKIP("run through CTest, which starts the private JACK server");
}

void TestJackMidi::receiveAll_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<int>("request");
    for (SynthModel model : {SynthModel::Jv1080, SynthModel::Jv2080, SynthModel::Xp}) {
        for (int request = 0; request < sysex::kNamedRequestCount; ++request)
            QTest::addRow("%s %s", modelName(model), sysex::kNamedRequests[std::size_t(request)].name)
                << model << request;
    }
}

// Every named request completes at exactly its size over JACK; the whole-memory dumps
// equal the emulator's memory, and every dump opens as a bank with valid messages.
void TestJackMidi::receiveAll()
{
    QFETCH(SynthModel, model);
    QFETCH(int, request);
    const QString name = QStringLiteral("EmuRecv%1x%2").arg(static_cast<int>(model)).arg(request);
    const QString memory = m_dir.filePath(name + "-memory.syx");
    const QString card = m_dir.filePath(name + "-card.syx");
    const QString dump = m_dir.filePath(name + "-dump.syx");
    Emulator emulator;
    QVERIFY(
        emulator.start(name, model, {"--rate", QString::number(kAnswerRate), "--save", memory, "--save-card", card}));
    QByteArray output;
    const QString requestName = QString::fromLatin1(sysex::kNamedRequests[std::size_t(request)].name);
    const int exitCode = runCli(
        {"receive", "--in", name, "--out", name, "--request", requestName, "--model", modelArg(model), dump}, &output);
    QVERIFY2(exitCode == 0, output.right(400).constData());
    QVERIFY2(emulator.finish(), "the emulator did not save its memory");
    const QByteArray received = readAll(dump);
    QCOMPARE(static_cast<long>(received.size()), CBulkTransfer::expectedSize(request, model));
    QVERIFY(scanSysEx(received).problems.empty());
    if (requestName == QLatin1String("All"))
        QCOMPARE(received, readAll(memory));
    if (requestName == QLatin1String("All Card"))
        QCOMPARE(received, readAll(card));
    CCollectingReporter reporter;
    const SynthSettings settings{model, 0x10};
    CToneloomDoc document(settings, reporter);
    QVERIFY(document.OnOpenDocument(dump));
}

void TestJackMidi::sendToUserAndCard_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<bool>("card");
    QTest::newRow("JV-1080 user") << SynthModel::Jv1080 << false;
    QTest::newRow("JV-2080 card") << SynthModel::Jv2080 << true;
    QTest::newRow("XP user") << SynthModel::Xp << false;
    QTest::newRow("XP card") << SynthModel::Xp << true;
}

void TestJackMidi::sendToUserAndCard()
{
    QFETCH(SynthModel, model);
    QFETCH(bool, card);
    const QString name = QStringLiteral("EmuSend%1%2").arg(static_cast<int>(model)).arg(card);
    const QString bank = m_dir.filePath(name + "-bank.syx");
    const QString saved = m_dir.filePath(name + "-saved.syx");
    makeBank(model, bank);
    Emulator emulator;
    QVERIFY(emulator.start(name, model, {card ? "--save-card" : "--save", saved}));
    QStringList args{"send",    "--out", name, "--model", modelArg(model), "--rate", QString::number(kSendRate),
                     "--pause", "1",     bank};
    if (card)
        args.insert(1, "--card");
    QByteArray output;
    QCOMPARE(runCli(args, &output), 0);
    QVERIFY(output.contains("Sent "));
    QVERIFY(emulator.finish());
    const auto area = card ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    QCOMPARE(readAll(saved), expectedSend(model, bank, area));
}

void TestJackMidi::stoppedSendEndsCleanly()
{
    const QString name = QStringLiteral("EmuStop");
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080, {"--rate", "0"}));
    CCollectingReporter reporter;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CSystemPortProvider ports;
    QCOMPARE(ports.api(), RtMidi::UNIX_JACK);
    CMidiSettings midiSettings;
    const QStringList outputs = ports.outputNames();
    const QStringList inputs = ports.inputNames();
    midiSettings.outName = outputs.filter(name).value(0);
    midiSettings.inName = inputs.filter(name).value(0);
    QVERIFY(!midiSettings.outName.isEmpty() && !midiSettings.inName.isEmpty());
    CMidi midi(ports, reporter, midiSettings);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    CToneloomDoc document(settings, reporter);
    const QString sendPath = m_dir.filePath(CBulkTransfer::kSendFileName);
    QVERIFY(document.SaveForSend(CToneloomDoc::kSaveAll, sysex::MemoryArea::User, settings.deviceId, sendPath));
    QVERIFY(transfer.startSend(sendPath));
    QTRY_VERIFY_WITH_TIMEOUT(midi.bytesSentCount() > 2000, 10000);
    transfer.stop();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Stopped);
    QVERIFY(midi.bytesSentCount() < CBulkTransfer::expectedSize(2, SynthModel::Jv2080));
    QVERIFY(reporter.texts().isEmpty());
    // The engine is usable again at once: the emulator answers a request.
    QVERIFY(transfer.startReceive(m_dir.filePath("after-stop.syx"), 6));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.last().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Completed);
    QVERIFY(reporter.texts().isEmpty());
}

void TestJackMidi::burstNeedsPacing_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("pause");
    QTest::addColumn<bool>("arrives");
    QTest::newRow("default pacing") << CMidiSettings::kLineRate << CMidiSettings::kDefaultSendPause << true;
    QTest::newRow("no pacing") << 0 << 0 << false;
}

void TestJackMidi::burstNeedsPacing()
{
    QFETCH(int, rate);
    QFETCH(int, pause);
    QFETCH(bool, arrives);
    const QString name = QStringLiteral("EmuBurst%1").arg(rate);
    const QString saved = m_dir.filePath(name + "-saved.syx");
    const QString bank = m_dir.filePath(name + "-bank.syx");
    makeBank(SynthModel::Jv2080, bank);
    Emulator emulator;
    // The emulator behaves like the instrument here: a small receive buffer and 20 ms
    // to store each message of a bulk dump.
    QVERIFY(emulator.start(name, SynthModel::Jv2080, {"--save", saved, "--buffer", "4096", "--store-time", "20"}));
    QByteArray output;
    const int status = runCli({"send", "--out", name, "--what", "performances", "--rate", QString::number(rate),
                               "--pause", QString::number(pause), bank},
                              &output);
    QVERIFY(emulator.finish());
    // 32 performances: 544 messages, 21472 bytes.
    const QByteArray memory = readAll(saved);
    const QByteArray sentPerformances = expectedSend(SynthModel::Jv2080, bank, sysex::MemoryArea::User).left(21472);
    const bool complete = status == 0 && memory.left(21472) == sentPerformances;
    if (arrives)
        QVERIFY2(complete, output.constData());
    else
        QVERIFY2(!complete, "an unpaced burst arrived whole; the test no longer shows why pacing is needed");
}

void TestJackMidi::missingPortIsABadArgument()
{
    QByteArray output;
    const QString bank = m_dir.filePath("missing-port.syx");
    makeBank(SynthModel::Jv2080, bank);
    const int sendStatus = runCli({"send", "--out", "NoSuchPort", bank}, &output);
    QVERIFY2(sendStatus == 2, output.constData());
    QVERIFY(output.contains("no MIDI output matches \"NoSuchPort\""));
    const int receiveStatus = runCli({"receive", "--in", "NoSuchPort", "--manual", m_dir.filePath("x.syx")}, &output);
    QVERIFY2(receiveStatus == 2, output.constData());
}

// A note asked for during a bank send at the line rate reaches the instrument between
// two whole messages of the send, long before the send ends.
void TestJackMidi::noteGoesBetweenTheMessagesOfASend()
{
    Monitor monitor(QStringLiteral("NoteMonitor"));
    QVERIFY(monitor.open());
    CSystemPortProvider ports;
    CMidiSettings settings;
    settings.outName = monitor.outputName(ports);
    QVERIFY(!settings.outName.isEmpty());
    CCollectingReporter reporter;
    CMidi midi(ports, reporter, settings);
    const QString bank = m_dir.filePath("note-bank.syx");
    makeBank(SynthModel::Jv2080, bank);
    midi.setPath(bank);
    midi.StartSend();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.sysExCount() >= 3, 10000);
    const QByteArray note = QByteArray::fromHex("903C40");
    const auto asked = Clock::now();
    midi.SendShort(0x403C90);
    QTRY_VERIFY_WITH_TIMEOUT(monitor.indexOf(note) >= 0, 5000);
    QVERIFY(midi.isSending());
    const auto events = monitor.events();
    const int at = monitor.indexOf(note);
    qInfo("note after %lld ms, behind %d messages of the send",
          static_cast<long long>(
              std::chrono::duration_cast<std::chrono::milliseconds>(events[std::size_t(at)].time - asked).count()),
          at);
    for (const auto& e : events) {
        if (e.bytes != note)
            QVERIFY(e.bytes.startsWith(char(sysex::kStart)) && e.bytes.endsWith(char(sysex::kEnd)));
    }
    midi.Stop();
    QVERIFY(reporter.texts().isEmpty());
}

// With MIDI thru, a key held on the keyboard during a send sounds at once and is
// released when the send is stopped; clock and start pass as well.
void TestJackMidi::stopReleasesAHeldThruNote()
{
    Monitor monitor(QStringLiteral("ThruMonitor"));
    QVERIFY(monitor.open());
    auto keys = createSystemOutPort(RtMidi::UNIX_JACK, QStringLiteral("ThruKeys"), true, QStringLiteral("ThruKeys"));
    QVERIFY(keys->open(nullptr));
    CSystemPortProvider ports;
    CMidiSettings settings;
    settings.outName = monitor.outputName(ports);
    settings.inName = ports.inputNames().filter(QStringLiteral("ThruKeys")).value(0);
    QVERIFY(!settings.inName.isEmpty());
    CCollectingReporter reporter;
    CMidi midi(ports, reporter, settings);
    midi.SetThru(true);
    const QString bank = m_dir.filePath("thru-bank.syx");
    makeBank(SynthModel::Jv2080, bank);
    midi.setPath(bank);
    midi.StartSend();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.sysExCount() >= 2, 10000);
    const QByteArray clock = QByteArray::fromHex("F8"), start = QByteArray::fromHex("FA"),
                     on = QByteArray::fromHex("903C40");
    QVERIFY(sendBytes(*keys, clock) && sendBytes(*keys, start) && sendBytes(*keys, on));
    QTRY_VERIFY_WITH_TIMEOUT(monitor.indexOf(on) >= 0, 5000);
    QVERIFY(monitor.indexOf(clock) >= 0 && monitor.indexOf(start) >= 0);
    QVERIFY(midi.isSending());
    midi.Stop();
    const QByteArray off = QByteArray::fromHex("803C40");
    QTRY_VERIFY_WITH_TIMEOUT(monitor.indexOf(off) > monitor.indexOf(on), 5000);
    QVERIFY(reporter.texts().isEmpty());
}

// An unpaced send fills the JACK output's queue (far more than a period takes) and
// waits for room; Stop ends that wait and drops what is queued instead of delivering it.
void TestJackMidi::stopEndsAnUnpacedSendAtOnce()
{
    Monitor monitor(QStringLiteral("StopMonitor"));
    QVERIFY(monitor.open());
    CSystemPortProvider ports;
    CMidiSettings settings;
    settings.outName = monitor.outputName(ports);
    settings.sendRate = 0;
    settings.sendPause = 0;
    CCollectingReporter reporter;
    CMidi midi(ports, reporter, settings);
    const QString bank = m_dir.filePath("stop-bank.syx");
    const QByteArray one = makeBank(SynthModel::Jv2080, bank);
    constexpr int kBanks = 10;
    QFile big(m_dir.filePath("stop-banks.syx"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    for (int i = 0; i < kBanks; ++i)
        big.write(one);
    big.close();
    midi.setPath(big.fileName());
    midi.StartSend();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.sysExBytes() > 0, 10000);
    const long atStop = monitor.sysExBytes();
    midi.Stop();
    QTest::qWait(300);
    const long after = monitor.sysExBytes();
    qInfo("%ld bytes had arrived at Stop, %ld more after it", atStop, after - atStop);
    // The queue holds 128 KiB; delivering it would take several periods.
    QVERIFY2(after - atStop < 64 * 1024, "the stopped send went on");
    QVERIFY(after < kBanks * one.size());
}

// Clock and active-sensing bytes between the halves of every answer, and broken-off
// fragments among them, leave the recorded dump intact.
void TestJackMidi::realtimeBytesInADumpAreDropped()
{
    const QString name = QStringLiteral("EmuNoise");
    const QString memory = m_dir.filePath(name + "-memory.syx");
    const QString dump = m_dir.filePath(name + "-dump.syx");
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080,
                           {"--rate", QString::number(kAnswerRate), "--noise", "--save", memory}));
    QByteArray output;
    QCOMPARE(runCli({"receive", "--in", name, "--out", name, "--request", "All", dump}, &output), 0);
    QVERIFY2(output.contains("do not answer the request; they were not recorded"), output.constData());
    QVERIFY(emulator.finish());
    QCOMPARE(readAll(dump), readAll(memory));
}

// The emulator goes on sending a stopped dump; the next request waits until it has
// passed and records only its own answer.
void TestJackMidi::stoppedDumpStaysOutOfTheNextRequest()
{
    const QString name = QStringLiteral("EmuRestart");
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080, {"--rate", QString::number(kAnswerRate)}));
    CSystemPortProvider ports;
    CMidiSettings midiSettings;
    midiSettings.outName = ports.outputNames().filter(name).value(0);
    midiSettings.inName = ports.inputNames().filter(name).value(0);
    CCollectingReporter reporter;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CMidi midi(ports, reporter, midiSettings);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    QVERIFY(transfer.startReceive(m_dir.filePath("restart-all.syx"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(midi.bytesReceivedCount() > 5000, 10000);
    transfer.stop();
    const QString patch = m_dir.filePath("restart-patch.syx");
    QVERIFY(transfer.startReceive(patch, 6));
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.last().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Completed);
    const QByteArray got = readAll(patch);
    QCOMPARE(got.size(), 645);
    const auto scan = scanSysEx(got);
    QVERIFY(scan.problems.empty());
    for (qsizetype i = 0; i < got.size(); ++i) {
        if (got[i] == char(sysex::kStart))
            QCOMPARE(int(got[i + sysex::kOffAddress]), int(sysex::kAreaTempPatch));
    }
    QCOMPARE(reporter.texts().size(), 1); // where the stopped dump was kept
}

// "All Card Performances" asks for the performances only, so "All Card" right after
// it gets exactly the card.
void TestJackMidi::cardPerformancesThenCard()
{
    const QString name = QStringLiteral("EmuCard");
    const QString card = m_dir.filePath(name + "-card.syx");
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080, {"--rate", QString::number(kAnswerRate), "--save-card", card}));
    QByteArray output;
    const QString performances = m_dir.filePath(name + "-performances.syx");
    const QString whole = m_dir.filePath(name + "-whole.syx");
    QCOMPARE(
        runCli({"receive", "--in", name, "--out", name, "--request", "All Card Performances", performances}, &output),
        0);
    QCOMPARE(readAll(performances).size(), 21472);
    QVERIFY2(!output.contains("not recorded"), output.constData());
    QCOMPARE(runCli({"receive", "--in", name, "--out", name, "--request", "All Card", whole}, &output), 0);
    QVERIFY(emulator.finish());
    QCOMPARE(readAll(whole), readAll(card));
    QCOMPARE(readAll(whole).left(21472), readAll(performances));
}

// A memory save that cannot be written says why, on one line, and the emulator ends
// with status 1, its old file as it was. A file size limit stands in for a full disk;
// SIGXFSZ keeps its default action, so the emulator must not let it end the process.
void TestJackMidi::failedSaveNamesItsCause()
{
    const QString name = QStringLiteral("EmuFull");
    const QString saved = m_dir.filePath("full.syx");
    const QByteArray old = "the old memory\n";
    QFile oldFile(saved);
    QVERIFY(oldFile.open(QIODevice::WriteOnly) && oldFile.write(old) == old.size());
    oldFile.close();
    QProcess emulator;
    emulator.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limited{};
        ::getrlimit(RLIMIT_FSIZE, &limited);
        limited.rlim_cur = 8192;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    });
    emulator.start(kBin + "/toneloom-emulator", {"--jack", "--name", name, "--save", saved});
    QVERIFY(emulator.waitForStarted(5000));
    while (!emulator.canReadLine())
        QVERIFY2(emulator.waitForReadyRead(10000), emulator.readAllStandardError().constData());
    QVERIFY(emulator.readLine().contains("ready"));
    ::kill(static_cast<pid_t>(emulator.processId()), SIGTERM);
    QVERIFY(emulator.waitForFinished(10000));
    QCOMPARE(emulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(emulator.exitCode(), 1);
    const QString err = QString::fromUtf8(emulator.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("toneloom-emulator: cannot save %1: file too large\n").arg(saved)),
             qPrintable(err));
    QCOMPARE(readAll(saved), old);
    QCOMPARE(QDir(m_dir.path()).entryList({".full.syx*"}, QDir::Files | QDir::Hidden), QStringList());
}

// Two emulators with other models and IDs are found on their port pairs; a third that
// never answers is not, and alone it makes the search end with status 1.
void TestJackMidi::detectFindsEachEmulator()
{
    Emulator jv2080;
    Emulator xp;
    Emulator silent;
    QVERIFY(jv2080.start("EmuFindA", SynthModel::Jv2080, {"--device-id", "17"}));
    QVERIFY(xp.start("EmuFindB", SynthModel::Xp, {"--device-id", "20"}));
    QVERIFY(silent.start("EmuFindC", SynthModel::Jv1080, {"--device-id", "17", "--mute"}));
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runCli({"detect"}, &output, QProcess::MergedChannels), 0);
    qInfo("search over 3 port pairs: %lld ms", static_cast<long long>(clock.elapsed()));
    QStringList found = QString::fromUtf8(output).split(QLatin1Char('\n')).filter(QStringLiteral("\t"));
    found.sort();
    QCOMPARE(found.size(), 2);
    const QStringList a = found[0].split(QLatin1Char('\t'));
    const QStringList b = found[1].split(QLatin1Char('\t'));
    QVERIFY2(a[0].contains("EmuFindA") && a[1].contains("EmuFindA"), qPrintable(found[0]));
    QCOMPARE(a.mid(2), QStringList({"17", "JV-2080"}));
    QVERIFY2(b[0].contains("EmuFindB") && b[1].contains("EmuFindB"), qPrintable(found[1]));
    QCOMPARE(b.mid(2), QStringList({"20", "XP"}));
    // The summary on stderr follows the lines on stdout, as the tool wrote them.
    const QStringList lines = QString::fromUtf8(output).trimmed().split(QLatin1Char('\n'));
    QVERIFY2(lines.last().startsWith("toneloom-cli: searched "), output.constData());
    QVERIFY(jv2080.finish());
    QVERIFY(xp.finish());
    QCOMPARE(runCli({"detect", "--window", "100"}, &output), 1);
    QVERIFY2(output.contains("no synthesizer answered") && output.contains("Rx Exclusive"), output.constData());
}

// Every 50th data set is lost on the way; the read-back finds exactly the patches
// that lost one, sends them again and ends verified, with the emulator holding the bank.
void TestJackMidi::verifiedSendResendsTheDroppedRecords()
{
    const QString name = QStringLiteral("EmuDrop");
    const QString bank = m_dir.filePath(name + "-bank.syx");
    const QString saved = m_dir.filePath(name + "-saved.syx");
    makeBank(SynthModel::Jv2080, bank);
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080,
                           {"--rate", QString::number(kAnswerRate), "--drop", "50", "--save", saved}));
    QByteArray output;
    QCOMPARE(runCli({"send", "--out", name, "--in", name, "--what", "patches", "--rate", QString::number(kSendRate),
                     "--pause", "1", "--verify", bank},
                    &output),
             0);
    QVERIFY2(output.contains("Sent and verified 128 patches"), output.constData());
    QVERIFY(emulator.finish());
    const QSet<int> dropped = droppedPatches(emulator.messages());
    QVERIFY(!dropped.isEmpty());
    QCOMPARE(resentPatches(output), dropped);
    const auto held = patchRecords(readAll(saved));
    const auto sent = patchRecords(expectedSend(SynthModel::Jv2080, bank, sysex::MemoryArea::User));
    QCOMPARE(held.size(), sent.size());
    QVERIFY(synthline::differing(sent, held).empty());
}

// An instrument that never answers: the send happens, the verification says it could
// not read back, and the command ends with status 1.
void TestJackMidi::muteSynthLeavesTheSendUnverified()
{
    const QString name = QStringLiteral("EmuMute");
    const QString bank = m_dir.filePath(name + "-bank.syx");
    makeBank(SynthModel::Xp, bank);
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Xp, {"--mute"}));
    QByteArray output;
    QCOMPARE(runCli({"send", "--out", name, "--in", name, "--model", "xp", "--what", "rhythm", "--rate",
                     QString::number(kSendRate), "--pause", "1", "--verify", bank},
                    &output),
             1);
    QVERIFY2(output.contains("Sent ") && output.contains("not verified: the synthesizer did not answer"),
             output.constData());
    QVERIFY(!output.contains("verified 2"));
}

// The backup before a send holds exactly the patches the emulator had; sending the
// backup back (verified) restores them.
void TestJackMidi::backupHoldsWhatTheSendOverwrote()
{
    const QString name = QStringLiteral("EmuBackup");
    const QString bank = m_dir.filePath(name + "-bank.syx");
    const QString saved = m_dir.filePath(name + "-saved.syx");
    const QString folder = m_dir.filePath(name + "-backups");
    makeBank(SynthModel::Jv2080, bank);
    const QByteArray before = CSynthEmulator(SynthModel::Jv2080, 0x10).dump(sysex::MemoryArea::User);
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080, {"--rate", QString::number(kAnswerRate), "--save", saved}));
    QByteArray output;
    const QStringList send{
        "send", "--out", name, "--in", name, "--what", "patches", "--rate", QString::number(kSendRate), "--pause", "1"};
    QCOMPARE(runCli(send + QStringList{"--backup", folder, bank}, &output), 0);
    const QStringList backups = QDir(folder).entryList(QDir::Files);
    QCOMPARE(backups.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d User Patches\\.syx$"))
                 .match(backups.first())
                 .hasMatch(),
             qPrintable(backups.first()));
    QVERIFY2(output.contains("Backed up into"), output.constData());
    const QString backup = QDir(folder).filePath(backups.first());
    QByteArray expected;
    for (const synthline::Record& r : patchRecords(before))
        for (const QByteArray& m : r.messages)
            expected += m;
    QCOMPARE(readAll(backup), expected);
    QCOMPARE(runCli(send + QStringList{"--verify", backup}, &output), 0);
    QVERIFY2(output.contains("Sent and verified 128 patches"), output.constData());
    QVERIFY(emulator.finish());
    QCOMPARE(readAll(saved), before);
}

// A send from the windows: the engine streams the bank while the backup before and the
// read-back after ask the instrument on ports of their own. Every 50th data set is lost;
// the read-back sends exactly those patches again, and the backup holds what the
// emulator held before.
void TestJackMidi::windowSendBacksUpAndVerifies()
{
    const QString name = QStringLiteral("EmuWindow");
    const QString bank = m_dir.filePath(name + "-bank.syx");
    const QString saved = m_dir.filePath(name + "-saved.syx");
    const QString folder = m_dir.filePath(name + "-backups");
    const QString sendFile = m_dir.filePath(name + "-send.syx");
    makeBank(SynthModel::Jv2080, bank);
    // The patches of the bank, as Send... with "Patches" streams them.
    QByteArray stream;
    for (const synthline::Record& r : patchRecords(expectedSend(SynthModel::Jv2080, bank, sysex::MemoryArea::User)))
        for (const QByteArray& m : r.messages)
            stream += m;
    {
        QFile f(sendFile);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(stream) == stream.size());
    }
    const QByteArray before = CSynthEmulator(SynthModel::Jv2080, 0x10).dump(sysex::MemoryArea::User);
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080,
                           {"--rate", QString::number(kAnswerRate), "--drop", "50", "--save", saved}));
    CSystemPortProvider ports;
    CMidiSettings settings;
    settings.outName = ports.outputNames().filter(name).value(0);
    settings.inName = ports.inputNames().filter(name).value(0);
    settings.sendRate = kSendRate;
    settings.sendPause = 1;
    CCollectingReporter reporter;
    CMidi midi(ports, reporter, settings);
    const SynthSettings synth{SynthModel::Jv2080, 0x10};
    CBulkTransfer bulk(midi, synth);
    CCheckedSend send(midi, bulk, ports);
    QSignalSpy finished(&send, &CCheckedSend::finished);
    CCheckedSend::Line line;
    line.input = int(ports.inputNames().indexOf(settings.inName));
    line.output = int(ports.outputNames().indexOf(settings.outName));
    QVERIFY(line.input >= 0 && line.output >= 0);
    line.inputName = settings.inName;
    line.sendRate = kSendRate;
    line.sendPause = 1;
    CCheckedSend::Options options;
    options.folder = folder;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(send.start(sendFile, line, options));
    QVERIFY(finished.wait(180000));
    qInfo("backup, send and verification of 128 patches: %lld ms", static_cast<long long>(clock.elapsed()));
    const QString text = finished.last().at(1).toString();
    QCOMPARE(finished.last().at(0).value<CCheckedSend::Outcome>(), CCheckedSend::Outcome::Verified);
    QVERIFY2(text.startsWith(QLatin1String("Sent and verified 128 patches (sent again: Patch")), qPrintable(text));
    QVERIFY(emulator.finish());
    QCOMPARE(
        resentPatches(("Sent again: " + text.section(QLatin1String("(sent again: "), 1).chopped(1) + "\n").toUtf8()),
        droppedPatches(emulator.messages()));
    QByteArray expected;
    for (const synthline::Record& r : patchRecords(before))
        for (const QByteArray& m : r.messages)
            expected += m;
    QCOMPARE(readAll(send.backupPath()), expected);
    QVERIFY(synthline::differing(patchRecords(stream), patchRecords(readAll(saved))).empty());
    QVERIFY(reporter.texts().isEmpty());
}

// A synthesizer that never answers: the receive says so after the (here shortened)
// silence, naming the card for a card request, and goes on until Stop.
void TestJackMidi::silentSynthIsToldAndAwaited()
{
    const QString name = QStringLiteral("EmuSilent");
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080, {"--mute"}));
    CCollectingReporter reporter;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CSystemPortProvider ports;
    CMidiSettings midiSettings;
    midiSettings.outName = ports.outputNames().filter(name).value(0);
    midiSettings.inName = ports.inputNames().filter(name).value(0);
    QVERIFY(!midiSettings.outName.isEmpty() && !midiSettings.inName.isEmpty());
    midiSettings.noByteNotice = 400;
    CMidi midi(ports, reporter, midiSettings);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy notice(&transfer, &CBulkTransfer::notice);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    QVERIFY(transfer.startReceive(m_dir.filePath(name + ".syx"), CBulkTransfer::findRequest("All Card Patches")));
    QVERIFY(notice.wait(5000));
    QCOMPARE(notice.count(), 1);
    const QString text = notice.first().first().toString();
    QVERIFY2(text.startsWith("The synthesizer has not answered for 1 seconds; still waiting")
                 && text.contains("device ID") && text.contains("card slot"),
             qPrintable(text));
    QTest::qWait(600);
    QVERIFY(transfer.isActive());
    QCOMPARE(finished.count(), 0);
    transfer.stop();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Stopped);
    QCOMPARE(notice.count(), 2); // the end takes the notice away
    QCOMPARE(notice.last().first().toString(), QString());
    QVERIFY(reporter.texts().isEmpty());
}

// toneloom-cli says after ten seconds without a byte what to check, on stderr, and waits
// on until its limit.
void TestJackMidi::cliReceiveTellsOfSilence()
{
    const QString name = QStringLiteral("EmuSilentCli");
    Emulator emulator;
    QVERIFY(emulator.start(name, SynthModel::Jv2080, {"--mute"}));
    QProcess cli;
    cli.start(kBin + "/toneloom-cli", {"receive", "--in", name, "--out", name, "--request", "All Patches", "--timeout",
                                       "11", m_dir.filePath(name + ".syx")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 1);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    const qsizetype told = err.indexOf("toneloom-cli: The synthesizer has not answered for 10 seconds; still waiting");
    const qsizetype limit = err.indexOf("toneloom-cli: the synthesizer did not answer within 11 seconds");
    QVERIFY2(told >= 0 && limit > told, qPrintable(err));
    QVERIFY2(err.contains("\"Rx Exclusive\"") && !err.contains("card slot"), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestJackMidi)
#include "tst_jackmidi.moc"
