// The rows of the performance common block.

#include "model/ParamRows.h"

namespace params::rowdata {

namespace {

constexpr const char* kKeyboardModes[] = {"LAYER", "SINGLE"};
constexpr const char* kPerformanceClockSources[] = {"PERFORMANCE", "SYSTEM"};

} // namespace

void buildPerformanceCommon(std::vector<Param>& r)
{
    Builder b(r, Block::PerformanceCommon);
    b.page(Page::Common);
    b.name(QStringLiteral("perf.name"), QStringLiteral("Name"));
    b.number(QStringLiteral("perf.tempo"), 0x2D, QStringLiteral("Default Tempo"), 20, 250, 120).nibbles();
    b.check(QStringLiteral("perf.keyRange"), 0x2F, QStringLiteral("Use Key Range"), 0);
    // How many voices a part may claim: a setting of the instrument, not of the sound.
    for (int p = 0; p < 16; ++p)
        b.number(QStringLiteral("perf.voiceReserve%1").arg(p + 1), 0x30 + p, numbered("Voice Reserve Part %1", p + 1),
                 0, 64, 4)
            .vary(Variation::FixedUnlessAsked);
    b.list(QStringLiteral("perf.keyboardMode"), 0x40, QStringLiteral("Keyboard Mode"), texts(kKeyboardModes), 0)
        .shownOn(modelBit(SynthModel::Xp));
    b.list(QStringLiteral("perf.clockSource"), 0x41, QStringLiteral("Clock Source"), texts(kPerformanceClockSources), 0)
        .shownOn(modelBit(SynthModel::Xp) | modelBit(SynthModel::Jv2080));
    addEffects(b, true);
}

} // namespace params::rowdata
