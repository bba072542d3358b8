// Throughput of the receive path and accuracy of the paced send.

#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/RtMidiPort.h"
#include "midi/SystemPortProvider.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>

namespace {

QByteArray toneMessage(int seed)
{
    QByteArray data(129, static_cast<char>(seed & 0x7F));
    return sysex::makeDataSet(0x10, {0x11, static_cast<std::uint8_t>(seed & 0x7F), 0x10, 0x00}, data);
}

// Bytes per second that reach the receive file without loss, through the loopback.
void BM_ReceiveThroughLoopback(benchmark::State& state)
{
    const int messages = static_cast<int>(state.range(0));
    std::vector<QByteArray> burst;
    for (int i = 0; i < messages; ++i)
        burst.push_back(toneMessage(i));
    const long total = static_cast<long>(burst.size()) * burst.front().size();
    QTemporaryDir dir;
    CLoopbackDevice device;
    CCollectingReporter reporter;
    CMidi midi(device, reporter);
    for (auto _ : state) {
        midi.setPath(dir.filePath("in.syx"));
        midi.StartReceive({});
        std::thread producer([&] {
            for (const auto& m : burst)
                device.inject(m);
        });
        while (midi.bytesReceivedCount() < total)
            QCoreApplication::processEvents();
        producer.join();
        midi.Stop();
        if (midi.bytesReceivedCount() != total)
            state.SkipWithError("bytes were lost");
    }
    state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_ReceiveThroughLoopback)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same through a JACK server (JACK_DEFAULT_SERVER names it; start one with
// `jackd --no-realtime -n NAME -d dummy`): a JACK output of our own sends as fast as
// the server takes data, the engine records what arrives.
void BM_ReceiveThroughJack(benchmark::State& state)
{
    const int messages = static_cast<int>(state.range(0));
    CSystemPortProvider ports({}, RtMidi::UNIX_JACK);
    if (ports.api() != RtMidi::UNIX_JACK) {
        state.SkipWithError("no JACK server is running");
        return;
    }
    auto source =
        createSystemOutPort(RtMidi::UNIX_JACK, QStringLiteral("bench-out"), true, QStringLiteral("toneloom-bench"));
    QString error;
    if (!source->open(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    std::vector<QByteArray> burst;
    for (int i = 0; i < messages; ++i)
        burst.push_back(toneMessage(i));
    const long total = static_cast<long>(burst.size()) * burst.front().size();
    CMidiSettings settings;
    settings.inName = ports.inputNames().filter(QStringLiteral("bench-out")).value(0);
    QTemporaryDir dir;
    CCollectingReporter reporter;
    CMidi midi(ports, reporter, settings);
    for (auto _ : state) {
        midi.setPath(dir.filePath("in.syx"));
        midi.StartReceive({});
        std::thread producer([&] {
            for (const auto& m : burst)
                source->send(reinterpret_cast<const std::uint8_t*>(m.constData()), std::size_t(m.size()), nullptr);
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (midi.bytesReceivedCount() < total && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents();
        producer.join();
        const long received = midi.bytesReceivedCount();
        midi.Stop();
        if (received != total) {
            state.SkipWithError("bytes were lost");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_ReceiveThroughJack)->Arg(800)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A paced send against its target time: bytes / rate + messages * pause.
void BM_PacedSend(benchmark::State& state)
{
    const int rate = static_cast<int>(state.range(0));
    const int pause = static_cast<int>(state.range(1));
    constexpr int kMessages = 20;
    QByteArray all;
    for (int i = 0; i < kMessages; ++i)
        all += toneMessage(i);
    CLoopbackDevice device;
    CCollectingReporter reporter;
    CMidiSettings settings;
    settings.sendRate = rate;
    settings.sendPause = pause;
    CMidi midi(device, reporter, settings);
    midi.OpenOut();
    // The last message's line time and pause lie after its send: the target covers
    // the time from the first send to the last.
    const double target = (kMessages - 1) * (static_cast<double>(all.size() / kMessages) / rate + pause / 1000.0);
    double worst = 0;
    for (auto _ : state) {
        device.clearSent();
        midi.SendLong(all);
        midi.waitUntilSent();
        const auto sent = device.sent();
        const double took = std::chrono::duration<double>(sent.back().time - sent.front().time).count();
        state.SetIterationTime(took);
        worst = std::max(worst, took / target);
        // Let the line become free before the next round.
        std::this_thread::sleep_for(std::chrono::milliseconds(pause + 50));
    }
    state.counters["target_s"] = target;
    state.counters["worst_ratio"] = worst;
}
BENCHMARK(BM_PacedSend)
    ->Args({3125, 20})
    ->Args({31250, 2})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
