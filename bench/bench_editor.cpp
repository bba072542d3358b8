// From a change on an editor page to the message at the MIDI output: the working copy's
// rules alone, and the whole way from a page's list through the MIDI engine's send
// thread to the port.

#include "bank/Copybox.h"
#include "editors/MultiMixDialog.h"
#include "editors/PartPage.h"
#include "editors/TonePage.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "model/ExpansionNames.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RecordEdit.h"
#include "model/Reporter.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QComboBox>
#include <QPrinter>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>

namespace {

QByteArray newPatch()
{
    CPatchArray patches;
    return patches.record(0);
}

// What a page needs of the program, and no more.
class CBenchServices : public CServices
{
public:
    CBenchServices(CMidi& midi, const QString& ini, const QString& nameFolder)
        : m_ini(ini), m_settings(m_ini), m_midi(midi), m_names(nameFolder, m_reporter)
    {
        m_settings.load();
    }
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
    CIniFile m_ini;
    CAppSettings m_settings;
    CMidi& m_midi;
    CCollectingReporter m_reporter;
    CExpansionNames m_names;
    CPrompter m_prompter;
    CCopybox m_copybox;
    QPrinter m_printer;
};

// The rules of the working copy: one change of a tone row with all four tones selected.
void BM_ChangeToMessages(benchmark::State& state)
{
    CRecordEdit edit(params::Editor::Patch, newPatch(), SynthSettings{SynthModel::Jv2080, 0x10});
    long messages = 0;
    edit.setSender([&](const QByteArray&) { ++messages; });
    edit.setSelection({true, true, true, true});
    const params::Param& cutoff = params::row(u"tone.tvf.cutoff");
    int value = 0;
    for (auto _ : state) {
        edit.change(cutoff, 1, value);
        value = (value + 1) & 0x7F;
    }
    state.counters["messages per change"] =
        benchmark::Counter(double(messages) / double(state.iterations()), benchmark::Counter::kDefaults);
}
BENCHMARK(BM_ChangeToMessages)->Unit(benchmark::kMicrosecond);

// A user's choice in a list of a page until the last of its messages has reached the MIDI
// output port: with state.range(0) tones selected, as many messages. The filter page's
// cutoff, or (state.range(1) = 1) the wave page's wave number, whose page shows lists of
// the name store.
void BM_PageListToPort(benchmark::State& state)
{
    const int tones = static_cast<int>(state.range(0));
    const bool wave = state.range(1) == 1;
    QTemporaryDir dir;
    CLoopbackDevice device;
    std::atomic<long> arrived{0};
    device.setHandler([&](const QByteArray&) { arrived.fetch_add(1, std::memory_order_release); });
    CCollectingReporter reporter;
    CMidiSettings midiSettings;
    midiSettings.sendRate = 0; // as fast as the port takes it: the editor's own time is measured
    midiSettings.sendPause = 0;
    CMidi midi(device, reporter, midiSettings);
    CBenchServices services(midi, dir.filePath(QStringLiteral("bench.ini")), QCoreApplication::applicationDirPath());
    CRecordEdit edit(params::Editor::Patch, newPatch(), services.settings().synth(), &services.names());
    edit.setSender([&](const QByteArray& m) { midi.SendLong(m); });
    CTonePage page(edit, services, wave ? params::Page::Wave : params::Page::Tvf);
    page.loadFromRecord();
    CRecordEdit::Selection selection{};
    for (int t = 0; t < tones; ++t)
        selection[static_cast<std::size_t>(t)] = true;
    edit.setSelection(selection);
    page.setToneSelection(selection);
    auto* cutoff = qobject_cast<QComboBox*>(
        page.control(wave ? QStringLiteral("tone.wave.number") : QStringLiteral("tone.tvf.cutoff"), 0));
    // The first message opens the port.
    cutoff->setCurrentIndex(1);
    midi.waitUntilSent();
    int index = 0;
    long expected = arrived.load();
    for (auto _ : state) {
        index = index == 10 ? 20 : 10;
        expected += std::max(tones, 1);
        cutoff->setCurrentIndex(index);
        while (arrived.load(std::memory_order_acquire) < expected) {}
    }
    state.counters["messages per change"] =
        benchmark::Counter(double(std::max(tones, 1)), benchmark::Counter::kDefaults);
    if (arrived.load() != expected)
        state.SkipWithError("messages were lost");
}
BENCHMARK(BM_PageListToPort)
    ->Args({0, 0})
    ->Args({4, 0})
    ->Args({0, 1})
    ->Args({4, 1})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Showing a tab of the performance editor: a part page made and loaded (its group list
// holds the internal groups and 127 boards, its patch list the group's names), or
// (state.range(0) = 1) the mix page's 96 controls loaded again, which sends nothing.
void BM_PerformancePage(benchmark::State& state)
{
    const bool mix = state.range(0) == 1;
    QTemporaryDir dir;
    CLoopbackDevice device;
    CCollectingReporter reporter;
    CMidi midi(device, reporter, CMidiSettings{});
    CBenchServices services(midi, dir.filePath(QStringLiteral("bench.ini")), QCoreApplication::applicationDirPath());
    CPerformanceArray performances;
    CRecordEdit edit(params::Editor::Performance, performances.record(0), services.settings().synth(),
                     &services.names());
    long messages = 0;
    edit.setSender([&](const QByteArray&) { ++messages; });
    CMultiMixDialog mixer(edit, services);
    int part = 0;
    for (auto _ : state) {
        if (mix) {
            mixer.loadFromRecord();
        } else {
            CPartPage page(edit, services, part);
            page.loadFromRecord();
            part = (part + 1) % CPerformanceArray::kParts;
        }
    }
    if (messages != 0)
        state.SkipWithError("loading sent messages");
}
BENCHMARK(BM_PerformancePage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
