#include "cli/MidiCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "emulator/EmulatorDevice.h"
#include "midi/BulkTransfer.h"
#include "midi/Midi.h"
#include "midi/RtMidiPort.h"
#include "midi/SendCheck.h"
#include "midi/SynthLine.h"
#include "midi/SystemPortProvider.h"
#include "model/Reporter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <optional>

namespace cli {

namespace {

constexpr int kProgressIntervalMs = 500;
constexpr int kManualSilenceMs = 2000;    // a manual receive ends after this long without data
constexpr int kInterruptionPollMs = 50;   // how soon Ctrl+C or SIGTERM is acted upon
constexpr int kExitSignalBase = 128;      // the shell's status of a program ended by a signal
constexpr int kTimeoutSlackMs = 5000;     // added to twice the line time of a request
constexpr int kManualFirstByteSecs = 60;  // time to start the dump on the instrument
constexpr int kRequestFirstByteSecs = 60; // the notice after 10 s says what to check
constexpr int kMillisPerSecond = 1000;

// Prints every message of the engine and the core on stderr.
class CPrintingReporter : public CReporter
{
public:
    void showMessage(MessageIcon, const QString& text) override
    {
        printErr(QStringLiteral("toneloom-cli: ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
};

// The port whose name contains part (ignoring case); an exact name wins. -1 with
// error set when none or several match.
int matchPort(const QStringList& names, const QString& part, const QString& kind, QString* error)
{
    const int exact = names.indexOf(part);
    if (exact >= 0)
        return exact;
    QList<int> hits;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].contains(part, Qt::CaseInsensitive))
            hits << i;
    }
    if (hits.size() == 1)
        return hits.first();
    if (hits.isEmpty())
        *error = QStringLiteral("no MIDI %1 matches \"%2\" (see toneloom-cli ports)").arg(kind, part);
    else {
        QStringList matching;
        for (int i : hits)
            matching << names[i];
        *error =
            QStringLiteral("\"%1\" matches several MIDI %2s: %3").arg(part, kind, matching.join(QLatin1String(", ")));
    }
    return -1;
}

// The synthesizer of a command line: --model (default JV-2080) and --device-id.
SynthSettings synthOf(const CommandLine& line)
{
    SynthSettings synth;
    synth.model = line.model.value_or(SynthModel::Jv2080);
    synth.deviceId = line.deviceId.value_or(SynthSettings::kDefaultDeviceId);
    return synth;
}

// What a send of which from the opened document writes: the records the file holds.
// Refuses (after saying why) damaged records of the kinds sent, unless force; says what
// the file does not hold and is left alone. With force everything of which is sent.
std::optional<BankSlots> sendSelection(const CToneloomDoc& document, BankPart which, bool force, const QString& path)
{
    const CBankReport& report = document.openReport();
    QStringList damaged;
    for (ItemKind kind : kItemKinds) {
        const std::vector<int> items = report.damagedItems(kind);
        if ((which == CToneloomDoc::kSaveAll || which == kind) && !items.empty())
            damaged << CBankReport::itemList(kind, items);
    }
    if (!damaged.isEmpty() && !force) {
        fail(QStringLiteral("%1: nothing was sent, %2 damaged. %3 (--force sends what was read)")
                 .arg(path, damaged.join(QStringLiteral(", ")), report.lines().join(QLatin1Char(' '))));
        return std::nullopt;
    }
    const QString absent = document.defaultsNotInFileText(which);
    if (!absent.isEmpty() && !force)
        printOut(QStringLiteral("Not in %1, so not sent: %2 (--force sends them too)").arg(path, absent));
    return document.sendableSlots();
}

} // namespace

int runPortsCommand(const CommandLine&)
{
    CEmulatorDevice emulator;
    CSystemPortProvider ports({&emulator});
    printOut(QStringLiteral("MIDI system: %1").arg(CRtMidiPort::apiName(ports.api())));
    printOut(QStringLiteral("Inputs:"));
    const QStringList inputs = ports.inputNames();
    for (int i = 0; i < inputs.size(); ++i)
        printOut(QStringLiteral("  %1: %2").arg(i).arg(inputs[i]));
    printOut(QStringLiteral("Outputs:"));
    const QStringList outputs = ports.outputNames();
    for (int i = 0; i < outputs.size(); ++i)
        printOut(QStringLiteral("  %1: %2").arg(i).arg(outputs[i]));
    return kExitOk;
}

// The signal that asked a receive to end (Ctrl+C, SIGTERM); 0 while none came.
volatile std::sig_atomic_t g_interruption = 0;

extern "C" void noteInterruption(int signal)
{
    g_interruption = signal;
}

// Catches SIGINT and SIGTERM while it lives, so that a receive can keep what arrived.
class InterruptionGuard
{
public:
    InterruptionGuard()
    {
        g_interruption = 0;
        struct sigaction action
        {};
        action.sa_handler = noteInterruption;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~InterruptionGuard()
    {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    InterruptionGuard(const InterruptionGuard&) = delete;
    InterruptionGuard& operator=(const InterruptionGuard&) = delete;

private:
    struct sigaction m_oldInt
    {};
    struct sigaction m_oldTerm
    {};
};

int runDetectCommand(const CommandLine& line)
{
    CSystemPortProvider ports;
    synthline::ProbeOptions options;
    if (line.window)
        options.answerWindowMs = *line.window;
    QElapsedTimer clock;
    clock.start();
    QString error;
    const auto found = synthline::findSynths(ports, options, &error);
    if (!error.isEmpty())
        return fail(error);
    for (const synthline::FoundSynth& s : found)
        printOut(QStringLiteral("%1\t%2\t%3\t%4")
                     .arg(s.inputName, s.outputName)
                     .arg(s.deviceId + 1)
                     .arg(QLatin1String(modelName(s.model))));
    const double seconds = static_cast<double>(clock.elapsed()) / kMillisPerSecond;
    if (found.empty()) {
        printErr(QStringLiteral("toneloom-cli: no synthesizer answered on %1 inputs and %2 outputs (%3 s). Check the "
                                "cables (the synthesizer's MIDI Out to an input here, an output here to its MIDI "
                                "In, not crossed), that it is on, and that \"Rx Exclusive\" is on in its MIDI "
                                "settings.")
                     .arg(ports.inputNames().size())
                     .arg(ports.outputNames().size())
                     .arg(seconds, 0, 'f', 1));
        return kExitProblem;
    }
    printErr(QStringLiteral("toneloom-cli: searched %1 inputs and %2 outputs in %3 s")
                 .arg(ports.inputNames().size())
                 .arg(ports.outputNames().size())
                 .arg(seconds, 0, 'f', 1));
    return kExitOk;
}

int runReceiveCommand(const CommandLine& line)
{
    const SynthSettings synth = synthOf(line);
    const QString path = line.files.first();
    const bool manual = line.manual;
    const int selection = manual ? CBulkTransfer::kManual : line.request;
    // The dump goes into a regular file only: a FIFO would block, a device is no file.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return fail(QStringLiteral("%1: not a regular file").arg(path));
    if (!target.dir().exists())
        return fail(QStringLiteral("%1: no such folder").arg(path));
    if (!(target.exists() ? target : QFileInfo(target.absolutePath())).isWritable())
        return fail(QStringLiteral("%1: cannot be written: permission denied").arg(path));
    const int firstByteSecs = line.timeout ? *line.timeout : manual ? kManualFirstByteSecs : kRequestFirstByteSecs;

    CEmulatorDevice emulator(synth.model, synth.deviceId);
    CSystemPortProvider ports({&emulator});
    CMidiSettings settings;
    QString error;
    const QStringList inputs = ports.inputNames();
    settings.inDevice = matchPort(inputs, line.inPort, QStringLiteral("input"), &error);
    if (settings.inDevice < 0)
        return fail(error);
    settings.inName = inputs[settings.inDevice];
    if (!line.outPort.isEmpty()) {
        const QStringList outputs = ports.outputNames();
        settings.outDevice = matchPort(outputs, line.outPort, QStringLiteral("output"), &error);
        if (settings.outDevice < 0)
            return fail(error);
        settings.outName = outputs[settings.outDevice];
    }

    CPrintingReporter reporter;
    CMidi midi(ports, reporter, settings);
    CBulkTransfer transfer(midi, synth);
    QEventLoop loop;
    int status = kExitProblem;
    long received = 0;
    long printed = -1;
    const long expected = CBulkTransfer::expectedSize(selection, synth.model);
    const auto printProgress = [&] {
        if (received == printed)
            return;
        printed = received;
        printOut(expected > 0 ? QStringLiteral("Bytes received: %1 of %2").arg(received).arg(expected)
                              : QStringLiteral("Bytes received: %1").arg(received));
        flushOut();
    };
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, printProgress);
    progress.start(kProgressIntervalMs);
    QTimer silence;
    silence.setSingleShot(true);
    QObject::connect(&silence, &QTimer::timeout, &transfer, &CBulkTransfer::stop);
    // Two limits: the first byte must come within firstByteSecs, and a requested dump
    // must be whole within twice its time on a MIDI cable and some slack. Both count
    // from the moment the request goes out.
    enum class Limit { None, FirstByte, Whole, Interrupted };
    Limit hit = Limit::None;
    // Ctrl+C or SIGTERM ends the receive as a stop does, but keeps what arrived under
    // the incomplete name even for a manual receive.
    const InterruptionGuard guard;
    int signalled = 0;
    QTimer interruption;
    QObject::connect(&interruption, &QTimer::timeout, [&] {
        if (g_interruption == 0 || hit == Limit::Interrupted)
            return;
        signalled = g_interruption;
        hit = Limit::Interrupted;
        transfer.abort();
    });
    interruption.start(kInterruptionPollMs);
    QTimer firstByte;
    firstByte.setSingleShot(true);
    QObject::connect(&firstByte, &QTimer::timeout, [&] {
        hit = Limit::FirstByte;
        transfer.stop();
    });
    QTimer whole;
    whole.setSingleShot(true);
    QObject::connect(&whole, &QTimer::timeout, [&] {
        hit = Limit::Whole;
        transfer.stop();
    });
    const auto startLimits = [&] {
        firstByte.start(firstByteSecs * kMillisPerSecond);
        if (!manual) {
            const long lineMs = expected * kMillisPerSecond / CMidiSettings::kLineRate;
            whole.start(static_cast<int>(2 * lineMs + kTimeoutSlackMs));
        }
    };
    // A receive that gets no byte for a while says so and keeps waiting, up to its limit.
    QObject::connect(&transfer, &CBulkTransfer::notice, [](const QString& text) {
        if (!text.isEmpty())
            printErr(QStringLiteral("toneloom-cli: ") + text);
    });
    QObject::connect(&midi, &CMidi::requestSent, startLimits);
    // Nothing else goes out during a receive: the output is closed once it has carried
    // the request, while the dump arrives, instead of after its last byte.
    QObject::connect(
        &midi, &CMidi::requestSent, &midi,
        [&midi] {
            midi.waitUntilLineFree();
            midi.CloseOut();
        },
        Qt::QueuedConnection);
    QObject::connect(&midi, &CMidi::bytesReceived, [&](long count) {
        received = count;
        if (count > 0)
            firstByte.stop();
        if (manual && count > 0)
            silence.start(kManualSilenceMs);
    });
    QObject::connect(&transfer, &CBulkTransfer::finished, [&](CBulkTransfer::Outcome outcome, bool openFile) {
        received = midi.bytesReceivedCount();
        printProgress();
        const QString kept = transfer.keptPath().isEmpty()
                                 ? QStringLiteral("%1 is unchanged").arg(path)
                                 : QStringLiteral("what arrived is kept in %1").arg(transfer.keptPath());
        if (outcome == CBulkTransfer::Outcome::Failed) {
            status = kExitProblem;
        } else if (hit == Limit::Interrupted) {
            printErr(QStringLiteral("toneloom-cli: interrupted after %1 bytes; %2").arg(received).arg(kept));
            status = kExitSignalBase + signalled;
        } else if (hit == Limit::FirstByte) {
            printErr(manual ? QStringLiteral("toneloom-cli: nothing was received within %1 seconds; %2")
                                  .arg(firstByteSecs)
                                  .arg(kept)
                            : QStringLiteral("toneloom-cli: the synthesizer did not answer within %1 seconds; %2")
                                  .arg(firstByteSecs)
                                  .arg(kept));
            status = kExitProblem;
        } else if (hit == Limit::Whole) {
            printErr(QStringLiteral("toneloom-cli: the synthesizer sent %1 of %2 bytes within %3 seconds; "
                                    "the receive was stopped and %4")
                         .arg(received)
                         .arg(expected)
                         .arg(whole.interval() / kMillisPerSecond)
                         .arg(kept));
            status = kExitProblem;
        } else if (manual && !openFile) {
            printErr(QStringLiteral("toneloom-cli: nothing was received"));
            status = kExitProblem;
        } else {
            printOut(QStringLiteral("Received %1 bytes into %2").arg(received).arg(path));
            status = kExitOk;
        }
        loop.quit();
    });
    if (manual) {
        printOut(QStringLiteral("Start the bulk dump on the synthesizer."));
        startLimits();
    }
    if (!transfer.startReceive(path, selection))
        return kExitProblem;
    loop.exec();
    return status;
}

int runSendCommand(const CommandLine& line)
{
    const SynthSettings synth = synthOf(line);
    const QString path = line.files.first();
    const BankPart which = line.what;
    // The file is read and judged before any port is opened: what it cannot hold must
    // never reach the instrument's memory.
    CCollectingReporter fileReporter;
    CToneloomDoc document(synth, fileReporter);
    BankFile bank;
    if (!openBankFile(document, fileReporter, path, bank))
        return kExitBadInput;
    static const QStringList kWhatNames = {QStringLiteral("patches"), QStringLiteral("performances"),
                                           QStringLiteral("rhythm sets")};
    if (which == CToneloomDoc::kSaveAll ? !bank.holdsRecords() : bank.records(*which) == 0) {
        return fail(which == CToneloomDoc::kSaveAll
                        ? QStringLiteral("%1 holds no patch, performance or rhythm set").arg(path)
                        : QStringLiteral("%1 holds no %2").arg(path, kWhatNames[kindNumber(*which)]));
    }
    if (bank.stoppedEarly() && !line.force)
        return fail(QStringLiteral("%1: %2 (--force sends what was read)").arg(path, bank.unreadText()));
    // Only what the file holds is sent, and none of it damaged: a cut or partial record
    // would put defaults under its name into the instrument.
    const std::optional<BankSlots> only = sendSelection(document, which, line.force, path);
    if (!only)
        return kExitBadInput;

    CEmulatorDevice emulator(synth.model, synth.deviceId);
    CSystemPortProvider ports({&emulator});
    CMidiSettings settings;
    if (line.rate)
        settings.sendRate = *line.rate;
    if (line.pause)
        settings.sendPause = *line.pause;
    QString error;
    const QStringList outputs = ports.outputNames();
    settings.outDevice = matchPort(outputs, line.outPort, QStringLiteral("output"), &error);
    if (settings.outDevice < 0)
        return fail(error);
    settings.outName = outputs[settings.outDevice];

    // The line on which the synthesizer answers, for the backup and the read-back.
    synthline::CListener listener;
    std::optional<synthline::CPacedOut> answerOut;
    if (line.verify || !line.backupFolder.isEmpty()) {
        const int in = matchPort(ports.inputNames(), line.inPort, QStringLiteral("input"), &error);
        if (in < 0)
            return fail(error);
        if (!listener.open(ports, in, &error))
            return fail(QStringLiteral("cannot open the MIDI input %1: %2").arg(ports.inputNames()[in], error));
        answerOut.emplace(ports, settings.outDevice, settings.sendRate, settings.sendPause);
        if (!answerOut->open(&error))
            return fail(QStringLiteral("cannot open the MIDI output %1: %2").arg(settings.outName, error));
    }
    const synthline::ReadOptions readOptions;

    CPrintingReporter reporter;
    CMidi midi(ports, reporter, settings);
    CBulkTransfer transfer(midi, synth);
    QEventLoop loop;
    long sent = 0;
    long printed = -1;
    const auto printProgress = [&] {
        if (sent != printed) {
            printed = sent;
            printOut(QStringLiteral("Bytes sent: %1").arg(sent));
            flushOut();
        }
    };
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, printProgress);
    progress.start(kProgressIntervalMs);
    QObject::connect(&midi, &CMidi::bytesSent, [&](long count) { sent = count; });
    int status = kExitProblem;
    QObject::connect(&transfer, &CBulkTransfer::finished, [&](CBulkTransfer::Outcome outcome, bool) {
        sent = midi.bytesSentCount();
        printProgress();
        status = outcome == CBulkTransfer::Outcome::Completed ? kExitOk : kExitProblem;
        loop.quit();
    });
    const auto area = line.card ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    const std::unique_ptr<QTemporaryFile> sendFile =
        document.SaveForSend(which, area, synth.deviceId, line.force ? nullptr : &*only);
    if (!sendFile) {
        // On one line, as every message of the tool.
        printErr(QStringLiteral("toneloom-cli: %1").arg(fileReporter.texts().join(QLatin1Char(' ')).simplified()));
        return kExitProblem;
    }
    std::vector<synthline::Record> records;
    if (answerOut) {
        QFile stream(sendFile->fileName());
        if (stream.open(QIODevice::ReadOnly))
            records = synthline::recordsOf(stream.readAll());
    }
    if (!line.backupFolder.isEmpty() && sendcheck::overwritesMemory(records)) {
        printOut(QStringLiteral("Backing up %1...").arg(sendcheck::countText(sendcheck::memoryRecords(records))));
        const sendcheck::BackupResult backup =
            sendcheck::backup(listener, *answerOut, synth.deviceId, records, line.backupFolder,
                              sendcheck::kDefaultKeptBackups, readOptions);
        if (!backup.ok)
            return fail(backup.error);
        printOut(QStringLiteral("Backed up into %1").arg(QDir::toNativeSeparators(backup.path)));
    }
    if (!transfer.startSend(sendFile->fileName()))
        return kExitProblem;
    loop.exec();
    // The output is closed once the paced line has carried the last byte.
    midi.waitUntilLineFree();
    midi.CloseOut();
    if (status == kExitOk)
        printOut(QStringLiteral("Sent %1 bytes of %2").arg(sent).arg(path));
    if (status == kExitOk && line.verify) {
        const sendcheck::VerifyResult result =
            sendcheck::verify(listener, *answerOut, synth.deviceId, records, readOptions, nullptr,
                              [](const QString& phase) { printOut(phase); });
        if (!result.resent.empty())
            printOut(QStringLiteral("Sent again: %1").arg(synthline::recordListText(result.resent)));
        const QString text = sendcheck::verifyText(records, result);
        if (result.answered && result.stillDiffering.empty()) {
            printOut(text);
        } else {
            printErr(QStringLiteral("toneloom-cli: ") + text);
            status = kExitProblem;
        }
    }
    return status;
}

} // namespace cli
