// The library window at 100,000 entries: opening it, a search, a sort and a delete of
// 1,000 lines, each until the window has drawn itself again.
#include "LibraryBenchData.h"

#include "bank/Copybox.h"
#include "library/LibraryDocument.h"
#include "library/LibraryModel.h"
#include "library/ui/LibraryView.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "model/ExpansionNames.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "ui/CommandIds.h"
#include "ui/DocTemplate.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QPrinter>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// What the window needs of the program, without the program.
class CBenchServices : public CServices
{
public:
    CBenchServices()
        : m_ini(m_dir.filePath(QStringLiteral("bench.ini"))), m_settings(m_ini), m_midi(m_ports, m_prompter),
          m_names(m_prompter)
    {}
    CAppSettings& settings() override { return m_settings; }
    CMidi& midi() override { return m_midi; }
    CPrompter& prompter() override { return m_prompter; }
    CExpansionNames& names() override { return m_names; }
    CCopybox& copybox() override { return m_copybox; }
    QPrinter& printer() override { return m_printer; }
    QString chooseSaveFile(const QString&, const QString&, const QString&) override { return {}; }
    bool sendBank(CToneloomDoc&, BankPart, bool, const BankSlots*) override { return false; }
    bool isTransferActive() const override { return false; }

private:
    QTemporaryDir m_dir;
    CIniFile m_ini;
    CAppSettings m_settings;
    CPrompter m_prompter;
    CLoopbackDevice m_ports;
    CMidi m_midi;
    CExpansionNames m_names;
    CCopybox m_copybox;
    QPrinter m_printer;
};

CDocTemplate& libraryTemplate()
{
    static CDocTemplate t(QStringLiteral("\nLibrary\nLibrary\nLibraries (*.clb)\n.clb\n\n"),
                          [](CDocTemplate&, const QString&) -> QWidget* { return nullptr; });
    return t;
}

std::unique_ptr<CLibraryView> showWindow(CServices& services, const QString& path)
{
    std::unique_ptr<CLibraryView> view(CLibraryView::create(libraryTemplate(), services, path));
    view->resize(1000, 700);
    view->show();
    QCoreApplication::processEvents();
    return view;
}

void drawn(CLibraryView& view)
{
    view.viewport()->repaint();
    QCoreApplication::processEvents();
}

void BM_WindowOpen(benchmark::State& state)
{
    CBenchServices services;
    const QString path = benchdata::libraryPath();
    const qint64 before = benchdata::residentBytes();
    qint64 grown = 0;
    for (auto _ : state) {
        auto view = showWindow(services, path);
        drawn(*view);
        grown = std::max(grown, benchdata::residentBytes() - before);
    }
    state.counters["MB_beyond_start"] = double(grown) / (1024 * 1024);
}

void BM_WindowSearch(benchmark::State& state)
{
    CBenchServices services;
    auto view = showWindow(services, benchdata::libraryPath());
    CLibrarySearch byName;
    byName.name = "Pad";
    CLibrarySearch byKeys;
    byKeys.ops = {SearchOp::And, SearchOp::Or, SearchOp::End, SearchOp::End};
    byKeys.keys = {17, 33, 0, 0};
    const CLibrarySearch& search = state.range(0) == 0 ? byName : byKeys;
    for (auto _ : state) {
        view->listModel().setSearch(search);
        drawn(*view);
    }
    state.SetLabel(state.range(0) == 0 ? "name" : "keys");
}

void BM_WindowSort(benchmark::State& state)
{
    CBenchServices services;
    auto view = showWindow(services, benchdata::libraryPath());
    view->selectRow(500); // a selection that follows the sort
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        view->sortByColumn(column == libcol::kName ? libcol::kDate : libcol::kName);
        drawn(*view);
        state.ResumeTiming();
        view->sortByColumn(column);
        drawn(*view);
    }
    static const char* const labels[] = {"name", "date", "comment", "key1"};
    state.SetLabel(labels[std::min<int>(column, 3)]);
}

void BM_WindowDelete1000(benchmark::State& state)
{
    CBenchServices services;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copy.clb"));
    QRandomGenerator random(3);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        QFile::copy(benchdata::libraryPath(), path);
        auto view = showWindow(services, path);
        QItemSelection selection;
        for (int i = 0; i < 1000; ++i) {
            const int row = static_cast<int>(random.bounded(view->listModel().rowCount()));
            selection.select(view->listModel().index(row, 0), view->listModel().index(row, 0));
        }
        view->selectionModel()->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        drawn(*view);
        state.ResumeTiming();
        view->runCommand(cmd::kEditDelete);
        drawn(*view);
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_WindowOpen)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WindowSearch)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowSort)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowDelete1000)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
