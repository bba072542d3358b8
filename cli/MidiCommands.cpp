#include "cli/MidiCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "emulator/EmulatorDevice.h"
#include "midi/BulkTransfer.h"
#include "midi/Midi.h"
#include "midi/RtMidiPort.h"
#include "midi/SystemPortProvider.h"
#include "model/Reporter.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <optional>

namespace cli {

namespace {

constexpr int kProgressIntervalMs = 500;
constexpr int kManualSilenceMs = 2000;   // a manual receive ends after this long without data
constexpr int kTimeoutSlackMs = 5000;    // added to twice the line time of a request
constexpr int kManualFirstByteSecs = 60; // time to start the dump on the instrument
constexpr int kRequestFirstByteSecs = 10;
constexpr int kMaxTimeoutSecs = 24 * 60 * 60;
constexpr int kDrainGraceMs = 100; // lets the port hand the last message on before exit
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

struct Common
{
    SynthSettings synth;
};

// --model and --device-id; nullopt after printing the problem.
std::optional<Common> parseCommon(const Arguments& a, int& status)
{
    Common c;
    c.synth.model = SynthModel::Jv2080;
    c.synth.deviceId = SynthSettings::kDefaultDeviceId;
    if (const auto m = a.value(QStringLiteral("--model"))) {
        const int model = parseModel(*m);
        if (model < 0) {
            status = fail(QStringLiteral("--model takes jv1080, jv2080 or xp, not %1").arg(*m));
            return std::nullopt;
        }
        c.synth.model = static_cast<SynthModel>(model);
    }
    if (const auto d = a.value(QStringLiteral("--device-id"))) {
        const int id = parseDeviceId(*d);
        if (id < 0) {
            status = fail(QStringLiteral("--device-id takes 17 to 32, not %1").arg(*d));
            return std::nullopt;
        }
        c.synth.deviceId = static_cast<std::uint8_t>(id);
    }
    return c;
}

std::optional<int> parseNonNegative(const Arguments& a, const QString& name, int& status)
{
    const auto v = a.value(name);
    if (!v)
        return std::nullopt;
    bool ok = false;
    const int n = v->toInt(&ok);
    if (!ok || n < 0) {
        status = fail(QStringLiteral("%1 takes a number of 0 or more, not %2").arg(name, *v));
        return -1;
    }
    return n;
}

} // namespace

int runPortsCommand(const QStringList& args)
{
    const Arguments a(args, {}, {});
    if (!a.ok())
        return fail(a.error());
    if (!a.positional().isEmpty())
        return fail(QStringLiteral("ports takes no arguments"));
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

int runReceiveCommand(const QStringList& args)
{
    const Arguments a(args, {"--in", "--out", "--request", "--model", "--device-id", "--timeout"}, {"--manual"});
    if (!a.ok())
        return fail(a.error());
    int status = kExitOk;
    const auto common = parseCommon(a, status);
    if (!common)
        return status;
    const auto timeoutArg = parseNonNegative(a, QStringLiteral("--timeout"), status);
    if (status != kExitOk)
        return status;
    if (timeoutArg && (*timeoutArg < 1 || *timeoutArg > kMaxTimeoutSecs))
        return fail(QStringLiteral("--timeout takes 1 to %1 seconds, not %2").arg(kMaxTimeoutSecs).arg(*timeoutArg));
    if (a.positional().size() != 1)
        return fail(QStringLiteral("receive needs exactly one FILE.syx"));
    const QString path = a.positional().first();
    const auto inPart = a.value(QStringLiteral("--in"));
    const auto outPart = a.value(QStringLiteral("--out"));
    const auto requestName = a.value(QStringLiteral("--request"));
    const bool manual = a.flag(QStringLiteral("--manual"));
    if (!inPart)
        return fail(QStringLiteral("receive needs --in PORT"));
    if (manual == requestName.has_value())
        return fail(QStringLiteral("receive needs either --request NAME or --manual"));
    int selection = CBulkTransfer::kManual;
    if (requestName) {
        selection = CBulkTransfer::findRequest(*requestName);
        if (selection < 0) {
            QStringList names;
            for (const auto& r : sysex::kNamedRequests)
                names << QString::fromLatin1(r.name);
            return fail(QStringLiteral("unknown request \"%1\"; choose one of: %2")
                            .arg(*requestName, names.join(QLatin1String(", "))));
        }
        if (!outPart)
            return fail(QStringLiteral("a request needs --out PORT"));
    }
    const int firstByteSecs = timeoutArg ? *timeoutArg : manual ? kManualFirstByteSecs : kRequestFirstByteSecs;

    CEmulatorDevice emulator(common->synth.model, common->synth.deviceId);
    CSystemPortProvider ports({&emulator});
    CMidiSettings settings;
    QString error;
    const QStringList inputs = ports.inputNames();
    settings.inDevice = matchPort(inputs, *inPart, QStringLiteral("input"), &error);
    if (settings.inDevice < 0)
        return fail(error);
    settings.inName = inputs[settings.inDevice];
    if (outPart) {
        const QStringList outputs = ports.outputNames();
        settings.outDevice = matchPort(outputs, *outPart, QStringLiteral("output"), &error);
        if (settings.outDevice < 0)
            return fail(error);
        settings.outName = outputs[settings.outDevice];
    }

    CPrintingReporter reporter;
    CMidi midi(ports, reporter, settings);
    CBulkTransfer transfer(midi, common->synth);
    QEventLoop loop;
    status = kExitProblem;
    long received = 0;
    long printed = -1;
    const long expected = CBulkTransfer::expectedSize(selection, common->synth.model);
    const auto printProgress = [&] {
        if (received == printed)
            return;
        printed = received;
        printOut(expected > 0 ? QStringLiteral("Bytes received: %1 of %2").arg(received).arg(expected)
                              : QStringLiteral("Bytes received: %1").arg(received));
        std::fflush(stdout);
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
    enum class Limit { None, FirstByte, Whole };
    Limit hit = Limit::None;
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
    QObject::connect(&midi, &CMidi::requestSent, startLimits);
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

int runSendCommand(const QStringList& args)
{
    const Arguments a(args, {"--out", "--what", "--model", "--device-id", "--rate", "--pause"}, {"--card"});
    if (!a.ok())
        return fail(a.error());
    int status = kExitOk;
    const auto common = parseCommon(a, status);
    if (!common)
        return status;
    const auto rate = parseNonNegative(a, QStringLiteral("--rate"), status);
    const auto pause = parseNonNegative(a, QStringLiteral("--pause"), status);
    if (status != kExitOk)
        return status;
    if (a.positional().size() != 1)
        return fail(QStringLiteral("send needs exactly one FILE.syx"));
    const QString path = a.positional().first();
    const auto outPart = a.value(QStringLiteral("--out"));
    if (!outPart)
        return fail(QStringLiteral("send needs --out PORT"));
    int which = CToneloomDoc::kSaveAll;
    if (const auto w = a.value(QStringLiteral("--what"))) {
        const QString what = w->toLower();
        if (what == QLatin1String("all"))
            which = CToneloomDoc::kSaveAll;
        else if (what == QLatin1String("patches"))
            which = CToneloomDoc::kSavePatches;
        else if (what == QLatin1String("performances"))
            which = CToneloomDoc::kSavePerformances;
        else if (what == QLatin1String("rhythm"))
            which = CToneloomDoc::kSaveRhythmSets;
        else
            return fail(QStringLiteral("--what takes all, patches, performances or rhythm, not %1").arg(*w));
    }
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("there is no file %1").arg(path));

    CEmulatorDevice emulator(common->synth.model, common->synth.deviceId);
    CSystemPortProvider ports({&emulator});
    CMidiSettings settings;
    if (rate)
        settings.sendRate = *rate;
    if (pause)
        settings.sendPause = *pause;
    QString error;
    const QStringList outputs = ports.outputNames();
    settings.outDevice = matchPort(outputs, *outPart, QStringLiteral("output"), &error);
    if (settings.outDevice < 0)
        return fail(error);
    settings.outName = outputs[settings.outDevice];

    CPrintingReporter reporter;
    CToneloomDoc document(common->synth, reporter);
    if (!document.OnOpenDocument(path))
        return kExitProblem;
    QTemporaryDir folder;
    if (!folder.isValid()) {
        printErr(QStringLiteral("toneloom-cli: no temporary folder: %1").arg(folder.errorString()));
        return kExitProblem;
    }
    CMidi midi(ports, reporter, settings);
    CBulkTransfer transfer(midi, common->synth);
    QEventLoop loop;
    long sent = 0;
    long printed = -1;
    const auto printProgress = [&] {
        if (sent != printed) {
            printed = sent;
            printOut(QStringLiteral("Bytes sent: %1").arg(sent));
            std::fflush(stdout);
        }
    };
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, printProgress);
    progress.start(kProgressIntervalMs);
    QObject::connect(&midi, &CMidi::bytesSent, [&](long count) { sent = count; });
    status = kExitProblem;
    QObject::connect(&transfer, &CBulkTransfer::finished, [&](CBulkTransfer::Outcome outcome, bool) {
        sent = midi.bytesSentCount();
        printProgress();
        status = outcome == CBulkTransfer::Outcome::Completed ? kExitOk : kExitProblem;
        loop.quit();
    });
    const auto area = a.flag(QStringLiteral("--card")) ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    const QString sendPath = folder.filePath(CBulkTransfer::kSendFileName);
    if (!document.SaveForSend(which, area, common->synth.deviceId, sendPath) || !transfer.startSend(sendPath))
        return kExitProblem;
    loop.exec();
    // The last message leaves the port's own buffer within its pause.
    QThread::msleep(static_cast<unsigned long>(settings.sendPause + kDrainGraceMs));
    midi.CloseOut();
    if (status == kExitOk)
        printOut(QStringLiteral("Sent %1 bytes of %2").arg(sent).arg(path));
    return status;
}

} // namespace cli
