// Whole transfers as a user runs them: toneloom-cli against toneloom-emulator over a JACK
// server (JACK_DEFAULT_SERVER names it; start one with
// `jackd --no-realtime -n NAME -d dummy -r 48000 -p 1024`). Each round times the whole
// command, from its start to its exit, against what the MIDI line itself needs:
//   receive "All": the dump's bytes at the emulator's 3125 bytes/s;
//   send of a bank: its bytes at 3125 bytes/s plus 20 ms after each message.
// The counters give the ratio of the slowest round.

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
    explicit Emulator(const QString& name)
    {
        m_process.setProgram(kBin + "/toneloom-emulator");
        m_process.setArguments({"--jack", "--name", name});
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

void BM_ReceiveAllCli(benchmark::State& state)
{
    if (!jackServerNamed()) {
        state.SkipWithError("JACK_DEFAULT_SERVER names no JACK server");
        return;
    }
    const QString name = QStringLiteral("bench-synth");
    Emulator emulator(name);
    if (!emulator.ready()) {
        state.SkipWithError("toneloom-emulator did not start");
        return;
    }
    QTemporaryDir dir;
    const int all = CBulkTransfer::findRequest(QStringLiteral("All"));
    const double wire = double(CBulkTransfer::expectedSize(all, SynthModel::Jv2080)) / kLineRate;
    double worst = 0;
    int round = 0;
    for (auto _ : state) {
        const QString path = dir.filePath(QStringLiteral("all%1.syx").arg(round++));
        const double took = runCli({"receive", "--in", name, "--out", name, "--request", "All", path});
        if (took < 0) {
            state.SkipWithError("the receive failed");
            return;
        }
        state.SetIterationTime(took);
        worst = std::max(worst, took / wire);
    }
    state.counters["wire_s"] = wire;
    state.counters["worst_ratio"] = worst;
}
BENCHMARK(BM_ReceiveAllCli)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

void BM_SendBankCli(benchmark::State& state)
{
    if (!jackServerNamed()) {
        state.SkipWithError("JACK_DEFAULT_SERVER names no JACK server");
        return;
    }
    const QString name = QStringLiteral("bench-synth");
    Emulator emulator(name);
    if (!emulator.ready()) {
        state.SkipWithError("toneloom-emulator did not start");
        return;
    }
    QTemporaryDir dir;
    const QString bank = dir.filePath("bank.syx");
    {
        CCollectingReporter reporter;
        const SynthSettings settings{SynthModel::Jv2080, 0x10};
        CToneloomDoc document(settings, reporter);
        document.SaveBank(CToneloomDoc::kSaveAll, bank);
    }
    QFile file(bank);
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("the bank was not written");
        return;
    }
    const QByteArray bytes = file.readAll();
    CSysExSplitter splitter;
    int messages = 0;
    splitter.feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()),
                  [&](const std::vector<std::uint8_t>&, std::uint64_t) {
                      ++messages;
                      return true;
                  });
    const double limit = double(bytes.size()) / kLineRate + messages * kSendPauseMs / 1000.0;
    double worst = 0;
    for (auto _ : state) {
        const double took = runCli({"send", "--out", name, bank});
        if (took < 0) {
            state.SkipWithError("the send failed");
            return;
        }
        state.SetIterationTime(took);
        worst = std::max(worst, took / limit);
    }
    state.counters["limit_s"] = limit;
    state.counters["messages"] = messages;
    state.counters["worst_ratio"] = worst;
}
BENCHMARK(BM_SendBankCli)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
