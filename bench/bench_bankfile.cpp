// Opening and saving a whole bank in each layout, through memory and through a file.
#include "bank/ToneloomDoc.h"

#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray wholeBank(SynthModel model)
{
    SynthSettings settings;
    settings.model = model;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    doc.writeBank(buffer, CToneloomDoc::kSaveAll);
    return buffer.data();
}

void BM_OpenBank(benchmark::State& state)
{
    const auto model = static_cast<SynthModel>(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bank.syx"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(wholeBank(model));
    }
    SynthSettings settings;
    CCollectingReporter reporter;
    for (auto _ : state) {
        CToneloomDoc doc(settings, reporter); // a new document per open, as the program does
        benchmark::DoNotOptimize(doc.OnOpenDocument(path));
    }
    state.SetLabel(modelName(model));
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

void BM_SaveBank(benchmark::State& state)
{
    const auto model = static_cast<SynthModel>(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bank.syx"));
    SynthSettings settings;
    settings.model = model;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.OnSaveDocument(path));
    state.SetLabel(modelName(model));
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

void BM_ReadBankFromMemory(benchmark::State& state)
{
    const auto model = static_cast<SynthModel>(state.range(0));
    const QByteArray bytes = wholeBank(model);
    SynthSettings settings;
    CCollectingReporter reporter;
    for (auto _ : state) {
        CToneloomDoc doc(settings, reporter);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(doc.readBank(buffer));
    }
    state.SetLabel(modelName(model));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK(BM_OpenBank)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveBank)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBankFromMemory)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
