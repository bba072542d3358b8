// A library that knows its sounds, at the sizes musicians keep: 1,000 bank files
// imported into an empty library with doubles checked, the 50 nearest sounds of one
// entry among 100,000, and searches by what the patches use.
#include "LibraryBenchData.h"

#include "library/LibraryDocument.h"
#include "library/LibraryImport.h"
#include "library/PatchSimilarity.h"
#include "model/ExpansionNames.h"
#include "model/PatchUses.h"

#include <QBuffer>
#include <QDir>
#include <benchmark/benchmark.h>

namespace {

using benchdata::libraryPath;

CCollectingReporter g_reporter;
constexpr int kBankFiles = 1000;

// 1,000 banks of 128 different patches each (every tenth bank a copy of another), in
// folders of 100.
QString bankFolder()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        QRandomGenerator random(26);
        CPatchArray bank;
        QByteArray previous;
        for (int f = 0; f < kBankFiles; ++f) {
            QByteArray bytes;
            if (f % 10 == 9) {
                bytes = previous;
            } else {
                for (int i = 0; i < CPatchArray::kCount; ++i)
                    for (int t = 0; t < CPatchArray::kTones; ++t)
                        for (int p = 0; p < 8; ++p)
                            bank.data(i)[CPatchArray::toneParam(t, 10 + p)] =
                                static_cast<std::uint8_t>(random.bounded(128));
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::WriteOnly);
                bank.Store(buffer, f % 3 == 0 ? SynthModel::Jv1080 : f % 3 == 1 ? SynthModel::Jv2080 : SynthModel::Xp);
            }
            previous = bytes;
            const QString sub = dir.filePath(QStringLiteral("set%1").arg(f / 100));
            QDir().mkpath(sub);
            QFile file(QDir(sub).filePath(QStringLiteral("bank%1.syx").arg(f)));
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
        return dir.path();
    }();
    return path;
}

void BM_Import1000Banks(benchmark::State& state)
{
    const QString folder = bankFolder();
    QTemporaryDir dir;
    int n = 0;
    CLibraryImport::Result result;
    const qint64 before = benchdata::residentBytes();
    qint64 grown = 0;
    for (auto _ : state) {
        const QString path = dir.filePath(QStringLiteral("import%1.clb").arg(++n));
        QFile(path).open(QIODevice::WriteOnly);
        CLibraryDocument doc(g_reporter);
        doc.Open(path);
        result = CLibraryImport(doc).run(CLibraryImport::collectFiles({folder}, {}), {});
        grown = std::max(grown, benchdata::residentBytes() - before);
    }
    state.counters["added"] = result.added;
    state.counters["doubles"] = result.doubles;
    state.counters["MB_beyond_start"] = double(grown) / (1024 * 1024);
}

struct Indexed
{
    similarity::CSimilarityIndex index;
    Indexed() { index.build(libraryPath()); }
};

void BM_SimilarityIndex(benchmark::State& state)
{
    const QString path = libraryPath();
    std::size_t bytes = 0;
    for (auto _ : state) {
        similarity::CSimilarityIndex index;
        benchmark::DoNotOptimize(index.build(path));
        bytes = index.memoryBytes();
    }
    state.counters["entries"] = benchdata::kEntries;
    state.counters["index_MB"] = double(bytes) / (1024 * 1024);
}

void BM_Nearest50(benchmark::State& state)
{
    static Indexed indexed;
    int entry = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(indexed.index.nearest(entry, 50));
        entry = (entry + 7919) % benchdata::kEntries;
    }
}

void BM_NearDoubles95(benchmark::State& state)
{
    static Indexed indexed;
    qint64 pairs = 0;
    for (auto _ : state) {
        pairs = 0;
        indexed.index.pairs(95.0, [&](int, int, double) { ++pairs; });
    }
    state.counters["pairs"] = double(pairs);
}

void BM_SearchUses(benchmark::State& state)
{
    CLibraryDocument doc(g_reporter);
    doc.Open(libraryPath());
    const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), g_reporter);
    names.load();
    int found = 0;
    for (auto _ : state) {
        const patchuses::CWaveMatcher matcher(names, QString::fromLatin1(state.range(0) == 0 ? "Piano" : "Saw"));
        found = 0;
        for (const CLibraryEntry& e : doc.entries())
            found += matcher.matches(e.waves) && patchuses::boardsNeeded(e.waves).empty() ? 1 : 0;
    }
    state.counters["found"] = found;
}

} // namespace

BENCHMARK(BM_Import1000Banks)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SimilarityIndex)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Nearest50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearDoubles95)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SearchUses)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
