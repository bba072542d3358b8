// The library at 100,000 entries: opening, searching, sorting, deleting and finding
// double patches, with the list model following each change; the simple algorithms
// they replace at a smaller size for comparison.
#include "LibraryBenchData.h"

#include "library/DoublePatchFinder.h"
#include "library/LibraryDocument.h"
#include "library/LibraryModel.h"
#include "library/LibraryQuery.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using benchdata::libraryPath;

CCollectingReporter g_reporter;

void BM_OpenLibrary(benchmark::State& state)
{
    const QString path = libraryPath();
    const qint64 before = benchdata::residentBytes();
    qint64 grown = 0;
    for (auto _ : state) {
        CLibraryDocument doc(g_reporter);
        benchmark::DoNotOptimize(doc.Open(path));
        CLibraryModel model(doc); // the window lists every entry at once
        benchmark::DoNotOptimize(model.rowCount());
        grown = std::max(grown, benchdata::residentBytes() - before);
    }
    state.counters["entries"] = benchdata::kEntries;
    state.counters["MB_beyond_start"] = double(grown) / (1024 * 1024);
}

struct Opened
{
    CLibraryDocument doc{g_reporter};
    Opened() { doc.Open(libraryPath()); }
};

void BM_NameFilter(benchmark::State& state)
{
    Opened o;
    CLibraryModel model(o.doc);
    CLibrarySearch search;
    search.name = "Pad";
    for (auto _ : state) {
        model.setSearch(search);
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["listed"] = model.rowCount();
}

void BM_KeySearch(benchmark::State& state)
{
    Opened o;
    CLibraryModel model(o.doc);
    CLibrarySearch search;
    search.ops = {SearchOp::And, SearchOp::Or, SearchOp::AndNot, SearchOp::End};
    search.keys = {17, 33, 40, 0};
    for (auto _ : state) {
        model.setSearch(search);
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["listed"] = model.rowCount();
}

void BM_Sort(benchmark::State& state)
{
    Opened o;
    CLibraryModel model(o.doc);
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        model.sort(column == libcol::kName ? libcol::kDate : libcol::kName);
        state.ResumeTiming();
        model.sort(column);
    }
    static const char* const labels[] = {"name", "date", "comment", "key1"};
    state.SetLabel(labels[std::min<int>(column, 3)]);
}

void BM_DoublePatches(benchmark::State& state)
{
    const QString path = libraryPath();
    qint64 pairs = 0;
    for (auto _ : state) {
        pairs = 0;
        CDoublePatchFinder::find(path, {}, [&](int, int, const QString&) { ++pairs; }, {});
    }
    state.counters["pairs"] = double(pairs);
}

void BM_Delete1000(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copy.clb"));
    QRandomGenerator random(5);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        QFile::copy(libraryPath(), path);
        CLibraryDocument doc(g_reporter);
        doc.Open(path);
        CLibraryModel model(doc);
        model.sort(libcol::kDate);
        std::vector<int> gone;
        for (int i = 0; i < 1000; ++i)
            gone.push_back(static_cast<int>(random.bounded(doc.count())));
        state.ResumeTiming();
        benchmark::DoNotOptimize(doc.DeleteEntries(gone));
    }
}

// The search of every pair reading both records from the file, as it was first built,
// at 2,000 entries, against the search by fingerprints at the same size.
void BM_DoublePatchesPairByPair(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.clb"));
    const int n = static_cast<int>(state.range(0));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(benchdata::makeLibrary(n));
    }
    for (auto _ : state) {
        qint64 pairs = 0;
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        char a[clb::kRecordSize];
        char b[clb::kRecordSize];
        for (int i = 0; i + 1 < n; ++i) {
            file.seek(qint64(i) * clb::kRecordSize);
            file.read(a, clb::kRecordSize);
            for (int j = i + 1; j < n; ++j) {
                file.seek(qint64(j) * clb::kRecordSize);
                file.read(b, clb::kRecordSize);
                pairs += CDoublePatchFinder::samePatch(a + clb::kOffPatch, b + clb::kOffPatch);
            }
        }
        benchmark::DoNotOptimize(pairs);
    }
}

void BM_DoublePatchesByFingerprint(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.clb"));
    const int n = static_cast<int>(state.range(0));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(benchdata::makeLibrary(n));
    }
    for (auto _ : state)
        CDoublePatchFinder::find(path, {}, [](int, int, const QString&) {}, {});
}

} // namespace

BENCHMARK(BM_OpenLibrary)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_NameFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeySearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DoublePatches)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Delete1000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DoublePatchesPairByPair)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DoublePatchesByFingerprint)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
