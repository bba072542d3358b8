// toneloom-emulator: the synth emulator on a virtual ALSA or JACK MIDI port, for
// users without an instrument and for tests over a real transport.

#include "emulator/PacedSender.h"
#include "emulator/ReceiveBuffer.h"
#include "emulator/StopRequest.h"
#include "emulator/SynthEmulator.h"
#include "fileio/AtomicFile.h"
#include "midi/MidiInputParser.h"
#include "midi/RtMidiPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kDefaultRate = 3125;
constexpr int kMinShownId = SynthSettings::kMinDeviceId + 1; // "17"
constexpr int kMaxShownId = SynthSettings::kMaxDeviceId + 1; // "32"

const char* const kUsage =
    "Usage: toneloom-emulator (--jack | --alsa) --name PORT [--model jv1080|jv2080|xp]\n"
    "         [--device-id 17..32] [--memory FILE.syx] [--card FILE.syx] [--rate BYTES_PER_S]\n"
    "         [--save FILE.syx] [--save-card FILE.syx] [--buffer BYTES --store-time MS] [--noise]\n"
    "         [--drop N] [--busy MS] [--mute]";

void say(const QString& text)
{
    std::fputs(qPrintable(QStringLiteral("toneloom-emulator: ") + text + QLatin1Char('\n')), stderr);
}

int bad(const QString& text)
{
    say(text);
    std::fputs(kUsage, stderr);
    std::fputc('\n', stderr);
    return kExitBadInput;
}

struct Options
{
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    QString name;
    SynthModel model = SynthModel::Jv2080;
    int deviceId = SynthSettings::kDefaultDeviceId;
    QString memory, card, save, saveCard;
    int rate = kDefaultRate;
    // The instrument's receive buffer and the time it needs per message; off (0) by
    // default, so that the emulator takes data at any rate.
    int buffer = 0;
    int storeTime = 0;
    // Answers as a troublesome interface delivers them: each cut in two with clock and
    // active-sensing bytes between the halves, and now and then a broken-off fragment.
    bool noise = false;
    // Faults of a real instrument: every Nth data set missed (0: none), requests
    // ignored while it answers or for MS after a data set or an answer, no answers at all.
    int drop = 0;
    int busy = 0;
    bool mute = false;
};

std::optional<Options> parse(const QStringList& args, int& status)
{
    Options o;
    status = kExitBadInput;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--jack") || a == QLatin1String("--alsa")) {
            if (o.api != RtMidi::UNSPECIFIED) {
                bad(QStringLiteral("choose one of --jack and --alsa"));
                return std::nullopt;
            }
            o.api = a == QLatin1String("--jack") ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
            continue;
        }
        if (a == QLatin1String("--noise")) {
            o.noise = true;
            continue;
        }
        if (a == QLatin1String("--mute")) {
            o.mute = true;
            continue;
        }
        const QStringList valued{"--name", "--model",     "--device-id", "--memory",     "--card", "--rate",
                                 "--save", "--save-card", "--buffer",    "--store-time", "--drop", "--busy"};
        if (!valued.contains(a)) {
            bad(QStringLiteral("unknown argument %1").arg(a));
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            bad(QStringLiteral("%1 needs a value").arg(a));
            return std::nullopt;
        }
        const QString v = args[++i];
        bool ok = true;
        if (a == QLatin1String("--name")) {
            o.name = v;
        } else if (a == QLatin1String("--model")) {
            const QString m = v.toLower();
            if (m == QLatin1String("jv1080"))
                o.model = SynthModel::Jv1080;
            else if (m == QLatin1String("jv2080"))
                o.model = SynthModel::Jv2080;
            else if (m == QLatin1String("xp"))
                o.model = SynthModel::Xp;
            else
                ok = false;
        } else if (a == QLatin1String("--device-id")) {
            const int shown = v.toInt(&ok);
            ok = ok && shown >= kMinShownId && shown <= kMaxShownId;
            o.deviceId = shown - 1;
        } else if (a == QLatin1String("--rate")) {
            o.rate = v.toInt(&ok);
            ok = ok && o.rate >= 0;
        } else if (a == QLatin1String("--buffer")) {
            o.buffer = v.toInt(&ok);
            ok = ok && o.buffer >= 0;
        } else if (a == QLatin1String("--store-time")) {
            o.storeTime = v.toInt(&ok);
            ok = ok && o.storeTime >= 0;
        } else if (a == QLatin1String("--drop")) {
            o.drop = v.toInt(&ok);
            ok = ok && o.drop >= 0;
        } else if (a == QLatin1String("--busy")) {
            o.busy = v.toInt(&ok);
            ok = ok && o.busy >= 0;
        } else if (a == QLatin1String("--memory")) {
            o.memory = v;
        } else if (a == QLatin1String("--card")) {
            o.card = v;
        } else if (a == QLatin1String("--save")) {
            o.save = v;
        } else {
            o.saveCard = v;
        }
        if (!ok) {
            bad(QStringLiteral("%1 does not take %2").arg(a, v));
            return std::nullopt;
        }
    }
    if (o.api == RtMidi::UNSPECIFIED) {
        bad(QStringLiteral("choose --jack or --alsa"));
        return std::nullopt;
    }
    if (o.name.isEmpty()) {
        bad(QStringLiteral("--name PORT is required"));
        return std::nullopt;
    }
    status = kExitOk;
    return o;
}

bool load(CSynthEmulator& emulator, const QString& path, sysex::MemoryArea area)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    QString error;
    if (!emulator.loadBank(file, area, &error)) {
        say(QStringLiteral("cannot read %1: %2").arg(path, error));
        return false;
    }
    return true;
}

bool save(const CSynthEmulator& emulator, const QString& path, sysex::MemoryArea area)
{
    const QByteArray bank = emulator.dump(area);
    // The checked, atomic write: the old file stays unless all of the bank is on disk.
    AtomicFile file(path);
    const QString cause = file.open() && file.write(bank) && file.commit() ? QString() : file.cause();
    if (cause.isEmpty())
        return true;
    say(QStringLiteral("cannot save %1: %2").arg(path, cause));
    return false;
}

// Sends one answer; with noise, as pieces with realtime bytes between them.
bool sendAnswer(CMidiOutPort& out, const QByteArray& message, bool noise, int& count, QString* problem)
{
    const auto send = [&](const QByteArray& bytes) {
        return out.send(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                        static_cast<std::size_t>(bytes.size()), problem);
    };
    if (!noise)
        return send(message);
    constexpr int kFragmentEvery = 10;
    constexpr qsizetype kFragmentSize = 7;
    static const QByteArray realtime = QByteArray::fromHex("F8FE");
    if (++count % kFragmentEvery == 0 && !send(message.left(kFragmentSize)))
        return false;
    const qsizetype half = message.size() / 2;
    return send(message.left(half)) && send(realtime) && send(message.mid(half));
}

} // namespace

int main(int argc, char* argv[])
{
    AtomicFile::failOversizeWrites();
    QCoreApplication app(argc, argv);
    // Asked for help or the version, the program answers on stdout and does nothing else.
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs("toneloom-emulator: the synth emulator on a virtual MIDI port.\n", stdout);
        std::fputs(kUsage, stdout);
        std::fputs("\n       toneloom-emulator --help | --version\n", stdout);
        return kExitOk;
    }
    if (args.contains(QLatin1String("--version"))) {
        std::fputs("toneloom-emulator " TONELOOM_VERSION "\n", stdout);
        return kExitOk;
    }
    int status = kExitOk;
    const auto options = parse(QCoreApplication::arguments().mid(1), status);
    if (!options)
        return status;
    quitOnStopRequest(app);

    CSynthEmulator emulator(options->model, static_cast<std::uint8_t>(options->deviceId));
    emulator.setCardInserted(!options->card.isEmpty() || !options->saveCard.isEmpty());
    if (!options->memory.isEmpty() && !load(emulator, options->memory, sysex::MemoryArea::User))
        return kExitBadInput;
    if (!options->card.isEmpty() && !load(emulator, options->card, sysex::MemoryArea::Card))
        return kExitBadInput;
    std::mutex emulatorMutex;

    // A MIDI system that goes away ends the emulator: it has nobody left to answer.
    std::atomic<bool> lost{false};
    const auto onLost = [&app, &lost](const QString& reason) {
        if (lost.exchange(true))
            return;
        say(reason);
        QMetaObject::invokeMethod(
            &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    };

    const std::unique_ptr<CMidiOutPort> outPort = createSystemOutPort(options->api, options->name, true, options->name);
    CMidiOutPort& out = *outPort;
    out.setLostHandler(onLost);
    QString error;
    if (!out.open(&error))
        return bad(QStringLiteral("cannot open the MIDI output %1 on %2: %3")
                       .arg(options->name, CRtMidiPort::apiName(options->api), error));
    int answersSent = 0;
    bool sendProblemShown = false;
    std::atomic<bool> ending{false};
    CPacedSender sender(options->rate, [&](const QByteArray& message) {
        QString problem;
        if (!sendAnswer(out, message, options->noise, answersSent, &problem) && !sendProblemShown && !lost && !ending) {
            sendProblemShown = true;
            say(QStringLiteral("an answer could not be sent: %1").arg(problem));
        }
    });
    CReceiveBuffer receiveBuffer(static_cast<std::size_t>(options->buffer),
                                 std::chrono::milliseconds(options->storeTime));
    // The input may deliver pieces and realtime bytes among them; the emulator takes
    // only whole messages.
    CMidiInputParser parser;
    bool busyShown = false;
    int dataSets = 0;
    CReceiveBuffer::Clock::time_point busyUntil{};
    using Kind = CSynthEmulator::MessageKind;
    const std::unique_ptr<CMidiInPort> in = createSystemInPort(options->api, options->name, true, options->name);
    in->setLostHandler(onLost);
    const bool opened = in->open(
        [&](const std::uint8_t* data, std::size_t size) {
            std::lock_guard lock(emulatorMutex);
            parser.feed(data, size, [&](const std::vector<std::uint8_t>& message) {
                if (!receiveBuffer.accept(message.size(), CReceiveBuffer::Clock::now())) {
                    if (receiveBuffer.lost() == 1)
                        say(QStringLiteral("MIDI buffer full: data sent too fast is lost"));
                    return;
                }
                const auto now = CReceiveBuffer::Clock::now();
                const Kind kind = emulator.classify(message.data(), message.size());
                if (kind == Kind::DataSet && options->drop > 0 && ++dataSets % options->drop == 0) {
                    const QByteArray address = QByteArray(reinterpret_cast<const char*>(message.data()) + 5, 4);
                    say(QStringLiteral("dropped the data set at %1%2")
                            .arg(QString::fromLatin1(address.toHex(' ').toUpper()),
                                 emulator.wouldChange(message.data(), message.size())
                                     ? QString()
                                     : QStringLiteral(" (no change)")));
                    return;
                }
                if (kind == Kind::Request && options->mute)
                    return;
                if (kind == Kind::Request && options->busy > 0 && (sender.queuedBytes() > 0 || now < busyUntil)) {
                    say(QStringLiteral("busy: a request was ignored"));
                    return;
                }
                std::vector<QByteArray> answers;
                emulator.receive(message.data(), message.size(), answers);
                if (options->busy > 0 && kind != Kind::Other) {
                    long bytes = 0;
                    for (const QByteArray& a : answers)
                        bytes += a.size();
                    const long answerMs = options->rate > 0 ? bytes * 1000 / options->rate : 0;
                    busyUntil = now + std::chrono::milliseconds(answerMs + options->busy);
                }
                // Like the instrument, it takes no new request while its answers fill
                // its output.
                if (!sender.post(std::move(answers)) && !busyShown) {
                    busyShown = true;
                    say(QStringLiteral("busy answering: further requests are ignored until the answers are out"));
                }
            });
        },
        &error);
    if (!opened)
        return bad(QStringLiteral("cannot open the MIDI input %1 on %2: %3")
                       .arg(options->name, CRtMidiPort::apiName(options->api), error));

    std::fprintf(stdout, "toneloom-emulator: %s ready on %s (%s, device ID %d, %d bytes/s)\n",
                 qPrintable(options->name), qPrintable(CRtMidiPort::apiName(options->api)), modelName(options->model),
                 options->deviceId + 1, options->rate);
    std::fflush(stdout);

    app.exec();

    ending = true;
    in->close();
    sender.clear();
    out.interrupt(); // an answer waiting for room gives up
    std::lock_guard lock(emulatorMutex);
    bool saved = true;
    if (!options->save.isEmpty())
        saved = save(emulator, options->save, sysex::MemoryArea::User) && saved;
    if (!options->saveCard.isEmpty())
        saved = save(emulator, options->saveCard, sysex::MemoryArea::Card) && saved;
    return saved && !lost ? kExitOk : kExitFailed;
}
