// MIDI over a real transport: toneloom-emulator and toneloom-cli on a private JACK
// server (started by the jack_server fixture).

#include "bank/ToneloomDoc.h"
#include "emulator/EmulatorDevice.h"
#include "midi/BulkTransfer.h"
#include "midi/Midi.h"
#include "midi/SystemPortProvider.h"
#include "model/Reporter.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

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

int runCli(const QStringList& args, QByteArray* output = nullptr)
{
    QProcess cli;
    cli.start(kBin + "/toneloom-cli", args);
    if (!cli.waitForFinished(180000))
        return -1;
    if (output)
        *output = cli.readAllStandardOutput() + cli.readAllStandardError();
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
    for (int kind = 0; kind < kKindCount; ++kind) {
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
    void failedSaveNamesItsCause();

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
    QCOMPARE(runCli({"send", "--out", "NoSuchPort", bank}, &output), 2);
    QVERIFY(output.contains("no MIDI output matches \"NoSuchPort\""));
    QCOMPARE(runCli({"receive", "--in", "NoSuchPort", "--manual", m_dir.filePath("x.syx")}, &output), 2);
}

// A memory save that cannot be written says why, on one line, and the emulator ends
// with status 1. A file size limit stands in for a full disk.
void TestJackMidi::failedSaveNamesItsCause()
{
    const QString name = QStringLiteral("EmuFull");
    const QString saved = m_dir.filePath("full.syx");
    QProcess emulator;
    emulator.start("sh", {"-c", "trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\"", kBin + "/toneloom-emulator", "--jack",
                          "--name", name, "--save", saved});
    QVERIFY(emulator.waitForStarted(5000));
    while (!emulator.canReadLine())
        QVERIFY2(emulator.waitForReadyRead(10000), emulator.readAllStandardError().constData());
    QVERIFY(emulator.readLine().contains("ready"));
    ::kill(static_cast<pid_t>(emulator.processId()), SIGTERM);
    QVERIFY(emulator.waitForFinished(10000));
    QCOMPARE(emulator.exitCode(), 1);
    const QString err = QString::fromUtf8(emulator.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("toneloom-emulator: cannot save %1: file too large\n").arg(saved)),
             qPrintable(err));
    QVERIFY(!QFile::exists(saved));
}

QTEST_GUILESS_MAIN(TestJackMidi)
#include "tst_jackmidi.moc"
