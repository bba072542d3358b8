// What the MIDI monitor and the traffic log cost while a whole bank ("All", 1314
// messages, 112910 bytes) passes: the engine's tap with and without a receiver, the
// log's lines, the monitor's listing (rows added in batches, texts made for the rows
// a window shows) and the meaning of every message.

#include "bank/ToneloomDoc.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/MidiMessageText.h"
#include "midi/MidiTrafficModel.h"
#include "midi/SysExSplitter.h"
#include "model/Reporter.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <thread>

namespace {

// The messages of a whole JV-2080 bank as the bank window's Send writes them.
const std::vector<QByteArray>& allDump()
{
    static const std::vector<QByteArray> messages = [] {
        QTemporaryDir dir;
        const QString path = dir.filePath("bank.syx");
        CCollectingReporter reporter;
        const SynthSettings settings{SynthModel::Jv2080, 0x10};
        CToneloomDoc document(settings, reporter);
        document.SaveBank(CToneloomDoc::kSaveAll, path);
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        std::vector<QByteArray> out;
        CSysExSplitter splitter;
        splitter.feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()),
                      [&](const std::vector<std::uint8_t>& m, std::uint64_t) {
                          out.emplace_back(reinterpret_cast<const char*>(m.data()), static_cast<qsizetype>(m.size()));
                          return true;
                      });
        return out;
    }();
    return messages;
}

qint64 totalBytes()
{
    qint64 total = 0;
    for (const QByteArray& m : allDump())
        total += m.size();
    return total;
}

// Receives the dump through the loopback while the tap has 0: no receiver, 1: a
// receiver that only counts, 2: the log's lines and the monitor's listing.
void BM_ReceiveAllWithTap(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const auto& dump = allDump();
    const long total = static_cast<long>(totalBytes());
    QTemporaryDir dir;
    CLoopbackDevice device;
    CCollectingReporter reporter;
    CMidi midi(device, reporter);
    CMidiTrafficModel model;
    model.setLimit(static_cast<int>(dump.size()) * 4);
    qint64 seen = 0;
    QByteArray log;
    QMetaObject::Connection connection;
    if (mode == 1)
        connection =
            QObject::connect(&midi, &CMidi::traffic, [&](const QList<MidiTraffic>& batch) { seen += batch.size(); });
    if (mode == 2)
        connection = QObject::connect(&midi, &CMidi::traffic, [&](const QList<MidiTraffic>& batch) {
            seen += batch.size();
            for (const MidiTraffic& m : batch)
                log += miditext::logLine(m) + '\n';
            model.append(batch);
            // A window shows about 25 rows: their texts are made.
            for (int row = std::max(0, model.rowCount() - 25); row < model.rowCount(); ++row)
                for (int column = 0; column < CMidiTrafficModel::kColumnCount; ++column)
                    benchmark::DoNotOptimize(model.data(model.index(row, column)));
        });
    for (auto _ : state) {
        midi.setPath(dir.filePath("in.syx"));
        midi.StartReceive({});
        std::thread producer([&] {
            for (const auto& m : dump)
                device.inject(m);
        });
        while (midi.bytesReceivedCount() < total)
            QCoreApplication::processEvents();
        producer.join();
        midi.Stop();
        midi.deliverTraffic();
        log.clear();
        model.clear();
    }
    QObject::disconnect(connection);
    state.SetBytesProcessed(state.iterations() * total);
    state.counters["messages seen"] =
        benchmark::Counter(static_cast<double>(seen) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ReceiveAllWithTap)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Sends the dump unpaced through the loopback: the send thread's cost of the tap.
void BM_SendAllWithTap(benchmark::State& state)
{
    const bool listened = state.range(0) != 0;
    QByteArray bytes;
    for (const QByteArray& m : allDump())
        bytes += m;
    CLoopbackDevice device;
    CCollectingReporter reporter;
    CMidiSettings settings;
    settings.sendRate = 0;
    settings.sendPause = 0;
    CMidi midi(device, reporter, settings);
    qint64 seen = 0;
    QMetaObject::Connection connection;
    if (listened)
        connection =
            QObject::connect(&midi, &CMidi::traffic, [&](const QList<MidiTraffic>& batch) { seen += batch.size(); });
    for (auto _ : state) {
        midi.SendLong(bytes);
        midi.waitUntilSent();
        midi.deliverTraffic();
        device.clearSent();
    }
    QObject::disconnect(connection);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_SendAllWithTap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The meaning of every message of the dump, as the monitor would tell it if every row
// were shown.
void BM_DescribeAll(benchmark::State& state)
{
    for (auto _ : state)
        for (const QByteArray& m : allDump())
            benchmark::DoNotOptimize(miditext::describe(m));
    state.SetItemsProcessed(state.iterations() * static_cast<qint64>(allDump().size()));
}
BENCHMARK(BM_DescribeAll)->Unit(benchmark::kMillisecond);

void BM_LogLinesAll(benchmark::State& state)
{
    MidiTraffic traffic;
    for (auto _ : state)
        for (const QByteArray& m : allDump()) {
            traffic.bytes = m;
            benchmark::DoNotOptimize(miditext::logLine(traffic));
        }
    state.SetItemsProcessed(state.iterations() * static_cast<qint64>(allDump().size()));
}
BENCHMARK(BM_LogLinesAll)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
