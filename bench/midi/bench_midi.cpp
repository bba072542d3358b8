// Throughput of the receive path, accuracy of the paced send, and how long a note
// waits when it is played during a bank send.

#include "bank/ToneloomDoc.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/RtMidiPort.h"
#include "midi/SystemPortProvider.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <random>
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

// A whole JV-2080 bank as the bank window's Send writes it (112910 bytes).
QString writeBank(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("bank.syx");
    CCollectingReporter reporter;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CToneloomDoc document(settings, reporter);
    document.SaveBank(CToneloomDoc::kSaveAll, path);
    return path;
}

// Plays notes at random moments of a whole bank send at the line rate (3125 bytes/s,
// 20 ms after each message: about a minute) and measures the time from SendShort to the
// note's arrival at the port, from the first message to the last, the long tone
// messages included. arrival(key) returns the arrival time of the note-on of key, or
// nothing yet; restart() forgets what arrived before a round.
template <typename Arrival, typename Restart>
void measureNotesDuringSend(benchmark::State& state, CMidi& midi, const QString& bank, Arrival arrival, Restart restart)
{
    using namespace std::chrono;
    constexpr int kKeys = 128;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> gap(0, 80); // ms; spreads the notes over a message and its pause
    std::vector<double> latencies;
    for (auto _ : state) {
        restart();
        bool ended = false;
        const QMetaObject::Connection done = QObject::connect(&midi, &CMidi::transferEnded, [&] { ended = true; });
        midi.setPath(bank);
        midi.StartSend();
        for (int i = 0; !ended; ++i) {
            const auto until = steady_clock::now() + milliseconds(gap(random));
            while (steady_clock::now() < until && !ended)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (ended)
                break;
            const int key = i % kKeys;
            const auto asked = steady_clock::now();
            midi.SendShort(0x400090u | static_cast<std::uint32_t>(key) << 8);
            std::optional<steady_clock::time_point> at;
            while (!(at = arrival(key)) && steady_clock::now() - asked < seconds(5))
                std::this_thread::sleep_for(microseconds(200));
            if (!at) {
                QObject::disconnect(done);
                state.SkipWithError("a note did not arrive");
                return;
            }
            latencies.push_back(duration<double, std::milli>(*at - asked).count());
            // The key is free again for a later round of the keyboard.
            midi.SendShort(0x000080u | static_cast<std::uint32_t>(key) << 8);
        }
        QObject::disconnect(done);
        midi.Stop();
    }
    if (latencies.empty()) {
        state.SkipWithError("no note was played");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    double sum = 0;
    for (double l : latencies)
        sum += l;
    state.counters["notes"] = double(latencies.size());
    state.counters["mean_ms"] = sum / double(latencies.size());
    state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100];
    state.counters["max_ms"] = latencies.back();
}

// The engine alone: the note is timed where the port takes it.
void BM_NoteDuringBankSend(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString bank = writeBank(dir);
    CLoopbackDevice device;
    std::mutex mutex;
    std::map<int, std::chrono::steady_clock::time_point> arrivals;
    device.setHandler([&](const QByteArray& message) {
        if (message.size() == 3 && static_cast<std::uint8_t>(message[0]) == 0x90) {
            std::lock_guard lock(mutex);
            arrivals.emplace(message[1], std::chrono::steady_clock::now());
        }
    });
    CCollectingReporter reporter;
    CMidi midi(device, reporter);
    measureNotesDuringSend(
        state, midi, bank,
        [&](int key) -> std::optional<std::chrono::steady_clock::time_point> {
            std::lock_guard lock(mutex);
            const auto it = arrivals.find(key);
            if (it == arrivals.end())
                return std::nullopt;
            const auto at = it->second;
            arrivals.erase(it);
            return at;
        },
        [&] {
            std::lock_guard lock(mutex);
            arrivals.clear();
        });
}
BENCHMARK(BM_NoteDuringBankSend)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Over a JACK server (JACK_DEFAULT_SERVER names it): the note is timed where a JACK
// input of this process receives it, one period of the server included.
void BM_NoteDuringBankSendJack(benchmark::State& state)
{
    CSystemPortProvider ports({}, RtMidi::UNIX_JACK);
    if (ports.api() != RtMidi::UNIX_JACK) {
        state.SkipWithError("no JACK server is running");
        return;
    }
    std::mutex mutex;
    std::map<int, std::chrono::steady_clock::time_point> arrivals;
    auto monitor = createSystemInPort(RtMidi::UNIX_JACK, QStringLiteral("bench-monitor"), true,
                                      QStringLiteral("toneloom-bench-monitor"));
    QString error;
    const bool opened = monitor->open(
        [&](const std::uint8_t* data, std::size_t size) {
            if (size == 3 && data[0] == 0x90) {
                std::lock_guard lock(mutex);
                arrivals.emplace(data[1], std::chrono::steady_clock::now());
            }
        },
        &error);
    if (!opened) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    QTemporaryDir dir;
    const QString bank = writeBank(dir);
    CMidiSettings settings;
    settings.outName = ports.outputNames().filter(QStringLiteral("bench-monitor")).value(0);
    CCollectingReporter reporter;
    CMidi midi(ports, reporter, settings);
    measureNotesDuringSend(
        state, midi, bank,
        [&](int key) -> std::optional<std::chrono::steady_clock::time_point> {
            std::lock_guard lock(mutex);
            const auto it = arrivals.find(key);
            if (it == arrivals.end())
                return std::nullopt;
            const auto at = it->second;
            arrivals.erase(it);
            return at;
        },
        [&] {
            std::lock_guard lock(mutex);
            arrivals.clear();
        });
    monitor->close();
}
BENCHMARK(BM_NoteDuringBankSendJack)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
