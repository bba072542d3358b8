// Whole transfers as a user runs them: toneloom-cli against toneloom-emulator over a JACK
// server (JACK_DEFAULT_SERVER names it; start one with
// `jackd --no-realtime -n NAME -d dummy -r 48000 -p 1024`). Each round times the whole
// command, from its start to its exit, against what the MIDI line itself needs:
//   receive "All": the dump's bytes at the emulator's 3125 bytes/s;
//   send of a bank: its bytes at 3125 bytes/s plus 20 ms after each message.
// The counters give the ratio of the slowest round, and the same ratio less what the
// program's own start and end cost (the time of a run that does nothing).

#include "bank/ToneloomDoc.h"
#include "midi/BulkTransfer.h"
#include "midi/SysExSplitter.h"
#include "model/Reporter.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QString kBin = QStringLiteral(TONELOOM_BIN_DIR);
constexpr int kLineRate = 3125;
constexpr int kSendPauseMs = 20;

bool jackServerNamed()
{
    return !qEnvironmentVariableIsEmpty("JACK_DEFAULT_SERVER");
}

// One toneloom-emulator on its own JACK port, ended with SIGTERM as a client should leave.
class Emulator
{
public:
    explicit Emulator(const QString& name, const QStringList& more = {})
    {
        m_process.setProgram(kBin + "/toneloom-emulator");
        m_process.setArguments(QStringList{"--jack", "--name", name} + more);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000))
                return;
        }
        m_ready = m_process.readLine().contains("ready");
    }
    ~Emulator()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool ready() const { return m_ready; }

private:
    QProcess m_process;
    bool m_ready = false;
};

// Seconds the command took; negative when it failed.
double runCli(const QStringList& args)
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TONELOOM_MIDI_API", "jack");
    cli.setProcessEnvironment(env);
    const auto start = std::chrono::steady_clock::now();
    cli.start(kBin + "/toneloom-cli", args);
    if (!cli.waitForFinished(600000) || cli.exitCode() != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What no transfer can avoid: starting the program and ending it (the quickest of a
// few runs of `toneloom-cli --version`), MIDI aside.
double processCost()
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double took = runCli({"--version"});
        if (took >= 0)
            best = std::min(best, took);
    }
    return best;
}

// The emulators named, started on the JACK server; false (the benchmark skipped) when
// there is no server or one did not start.
bool startEmulators(benchmark::State& state, std::vector<std::unique_ptr<Emulator>>& emulators,
                    const std::vector<QStringList>& arguments)
{
    if (!jackServerNamed()) {
        state.SkipWithError("JACK_DEFAULT_SERVER names no JACK server");
        return false;
    }
    for (const QStringList& args : arguments) {
        emulators.push_back(std::make_unique<Emulator>(args.first(), args.mid(1)));
        if (!emulators.back()->ready()) {
            state.SkipWithError("toneloom-emulator did not start");
            return false;
        }
    }
    return true;
}

// Runs the command once per round and sets the counters: the line's time (ideal), the
// slowest round against it, and the same less the program's own start and end.
void timeRounds(benchmark::State& state, double ideal, const char* idealName,
                const std::function<QStringList(int round)>& command)
{
    const double cost = processCost();
    double worst = 0;
    double worstLessStart = 0;
    int round = 0;
    for (auto _ : state) {
        const double took = runCli(command(round++));
        if (took < 0) {
            state.SkipWithError("the command failed");
            return;
        }
        state.SetIterationTime(took);
        worst = std::max(worst, took / ideal);
        worstLessStart = std::max(worstLessStart, (took - cost) / ideal);
    }
    state.counters[idealName] = ideal;
    state.counters["process_s"] = cost;
    state.counters["worst_ratio"] = worst;
    state.counters["ratio_less_process"] = worstLessStart;
}

// A bank of every kind in the JV-2080 layout, and the line's time of its send: its
// bytes at the line rate and the pause after each message.
QString writeBank(const QTemporaryDir& dir, double* limit, int* messages)
{
    const QString bank = dir.filePath("bank.syx");
    {
        CCollectingReporter reporter;
        const SynthSettings settings{SynthModel::Jv2080, 0x10};
        CToneloomDoc document(settings, reporter);
        document.SaveBank(CToneloomDoc::kSaveAll, bank);
    }
    QFile file(bank);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    CSysExSplitter splitter;
    *messages = 0;
    splitter.feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()),
                  [&](const std::vector<std::uint8_t>&, std::uint64_t) {
                      ++*messages;
                      return true;
                  });
    *limit = double(bytes.size()) / kLineRate + *messages * kSendPauseMs / 1000.0;
    return bank;
}

const QString kSynth = QStringLiteral("bench-synth");

void BM_ReceiveAllCli(benchmark::State& state)
{
    std::vector<std::unique_ptr<Emulator>> emulators;
    if (!startEmulators(state, emulators, {{kSynth}}))
        return;
    QTemporaryDir dir;
    const int all = CBulkTransfer::findRequest(QStringLiteral("All"));
    const double wire = double(CBulkTransfer::expectedSize(all, SynthModel::Jv2080)) / kLineRate;
    timeRounds(state, wire, "wire_s", [&](int round) {
        return QStringList{"receive", "--in",      kSynth, "--out",
                           kSynth,    "--request", "All",  dir.filePath(QStringLiteral("all%1.syx").arg(round))};
    });
}
BENCHMARK(BM_ReceiveAllCli)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

// The plain send (0) and the send verified by reading the bank back (1).
void BM_SendBankCli(benchmark::State& state)
{
    std::vector<std::unique_ptr<Emulator>> emulators;
    if (!startEmulators(state, emulators, {{kSynth}}))
        return;
    QTemporaryDir dir;
    double limit = 0;
    int messages = 0;
    const QString bank = writeBank(dir, &limit, &messages);
    if (bank.isEmpty()) {
        state.SkipWithError("the bank was not written");
        return;
    }
    const bool verify = state.range(0) != 0;
    timeRounds(state, limit, "limit_s", [&](int) {
        return verify ? QStringList{"send", "--in", kSynth, "--out", kSynth, "--verify", bank}
                      : QStringList{"send", "--out", kSynth, bank};
    });
    state.counters["messages"] = messages;
}
BENCHMARK(BM_SendBankCli)->Arg(0)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SendBankCli)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The search over three port pairs: two emulators of other models and IDs, and one
// that never answers. The counter compares it with the program's own start and end.
void BM_DetectCli(benchmark::State& state)
{
    std::vector<std::unique_ptr<Emulator>> emulators;
    if (!startEmulators(state, emulators,
                        {{"bench-jv", "--model", "jv2080", "--device-id", "17"},
                         {"bench-xp", "--model", "xp", "--device-id", "20"},
                         {"bench-mute", "--mute"}}))
        return;
    const double cost = processCost();
    for (auto _ : state) {
        const double took = runCli({"detect"});
        if (took < 0) {
            state.SkipWithError("the search failed");
            return;
        }
        state.SetIterationTime(took);
    }
    state.counters["process_s"] = cost;
}
BENCHMARK(BM_DetectCli)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
