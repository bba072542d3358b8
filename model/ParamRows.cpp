#include "model/ParamRows.h"

#include "model/EfxTypes.h"

namespace params::rowdata {

namespace {

constexpr const char* kEfxControlSources[] = {"OFF",    "SYS-CTRL1", "SYS-CTRL2",  "MODULATION", "BREATH",    "FOOT",
                                              "VOLUME", "PAN",       "EXPRESSION", "BENDER",     "AFTERTOUCH"};
constexpr const char* kChorusOutputs[] = {"MIX", "REVERB", "MIX+REV"};
constexpr const char* kReverbTypes[] = {"ROOM1", "ROOM2", "STAGE1", "STAGE2", "HALL1", "HALL2", "DELAY", "PAN-DLY"};
constexpr const char* kEfxOutputs[] = {"MIX", "DIR1", "DIR2"};

} // namespace

Variation listVariation(const ValueList& items)
{
    switch (items.kind) {
    case Kind::Texts:
        // Texts that are all numbers ("-6", "+12", "0.5") are ordered steps.
        for (int i = 0; i < items.count; ++i) {
            bool number = false;
            QString::fromLatin1(items.texts[i]).toDouble(&number);
            if (!number)
                return Variation::FixedUnlessAsked;
        }
        return Variation::Stepwise;
    case Kind::EfxSource:
    case Kind::EfxType:
    case Kind::WaveGroup:
    case Kind::WaveNumber:
    case Kind::PatchGroup:
    case Kind::PartPatch:
        return Variation::FixedUnlessAsked;
    case Kind::EfxParameter:
        return Variation::Stepwise; // refined by the type: variation(p, data)
    case Kind::LfoRate:
    case Kind::DelayTime:
        return Variation::Continuous;
    default:
        return valuelists::itemCount(items) <= kStepwiseItems ? Variation::Stepwise : Variation::Continuous;
    }
}

Builder& Builder::page(Page page)
{
    m_page = page;
    return *this;
}

Builder& Builder::random(RandomGroup group)
{
    m_random = group;
    return *this;
}

Param& Builder::add(const QString& id, int offset, const QString& label)
{
    Param p;
    p.id = id;
    p.block = m_block;
    p.offset = offset;
    p.label = label;
    p.page = m_page;
    p.order = m_order[static_cast<std::size_t>(m_page)]++;
    p.random = m_random;
    m_rows.push_back(std::move(p));
    return m_rows.back();
}

Builder& Builder::list(const QString& id, int offset, const QString& label, const ValueList& items, int def, int min)
{
    Param& p = add(id, offset, label);
    p.list = items;
    p.min = min;
    p.max = min + valuelists::itemCount(items) - 1;
    p.defaultValue = def;
    p.variation = listVariation(items);
    return *this;
}

Builder& Builder::contextList(const QString& id, int offset, const QString& label, Kind kind, int min, int max, int def)
{
    Param& p = add(id, offset, label);
    p.list = named(kind);
    p.min = min;
    p.max = max;
    p.defaultValue = def;
    p.variation = listVariation(p.list);
    return *this;
}

Builder& Builder::check(const QString& id, int offset, const QString& label, int def)
{
    Param& p = add(id, offset, label);
    p.control = Control::Check;
    p.max = 1;
    p.defaultValue = def;
    p.variation = Variation::FixedUnlessAsked;
    return *this;
}

Builder& Builder::number(const QString& id, int offset, const QString& label, int min, int max, int def,
                         int shownOffset)
{
    Param& p = add(id, offset, label);
    p.control = Control::Number;
    p.min = min;
    p.max = max;
    p.shownOffset = shownOffset;
    p.defaultValue = def;
    p.variation = Variation::Continuous;
    return *this;
}

Builder& Builder::scroll(const QString& id, int offset, const QString& label, const ValueList& items, int def)
{
    list(id, offset, label, items, def);
    m_rows.back().control = Control::Scroll;
    return *this;
}

Builder& Builder::name(const QString& id, const QString& label)
{
    Param& p = add(id, 0, label);
    p.control = Control::Name;
    p.encoding = Encoding::Name;
    p.size = kNameLength;
    p.min = kFirstPrintable;
    p.max = kByteMax;
    p.variation = Variation::FixedUnlessAsked;
    return *this;
}

Builder& Builder::nibbles()
{
    m_rows.back().encoding = Encoding::Nibbles;
    m_rows.back().size = 2;
    return *this;
}

Builder& Builder::group(int maxType)
{
    Param& p = m_rows.back();
    p.encoding = Encoding::Group;
    p.size = 2;
    p.min = 0;
    p.max = maxType * kGroupIdSpan + kByteMax;
    return *this;
}

Builder& Builder::shownOn(std::uint8_t models)
{
    m_rows.back().shownOn = models;
    return *this;
}

Builder& Builder::rule(DefaultRule rule)
{
    m_rows.back().defaultRule = rule;
    return *this;
}

Builder& Builder::vary(Variation variation)
{
    m_rows.back().variation = variation;
    return *this;
}

Builder& Builder::keep(int value)
{
    m_rows.back().keep = value;
    return *this;
}

Builder& Builder::drawnWith(RandomGroup group)
{
    m_rows.back().random = group;
    return *this;
}

QString numbered(const char* text, int n)
{
    return QString::fromLatin1(text).arg(n);
}

// The same in the patch and the performance common block, one byte later in the
// performance (whose multi-effect has sources). What random patches keep is marked
// on the patch's rows only.
void addEffects(Builder& b, bool performance)
{
    const QString prefix = performance ? QStringLiteral("perf.") : QStringLiteral("patch.");
    const int shift = performance ? 0 : -1;
    const auto id = [&](const char* name) { return prefix + QLatin1String(name); };
    const auto at = [&](int p) { return p + shift; };
    // Defaults differ between the two records in a few rows.
    const auto def = [&](int patch, int perf) { return performance ? perf : patch; };
    const auto keep = [&](int value) {
        if (!performance)
            b.keep(value);
    };

    b.page(Page::ChorusReverb);
    b.number(id("chorus.level"), at(0x22), QStringLiteral("Chorus Level"), 0, 127, 127);
    b.number(id("chorus.rate"), at(0x23), QStringLiteral("Chorus Rate"), 0, 127, 3);
    b.number(id("chorus.depth"), at(0x24), QStringLiteral("Chorus Depth"), 0, 127, 80);
    b.number(id("chorus.preDelay"), at(0x25), QStringLiteral("Chorus Pre Delay"), 0, 127, 0);
    b.number(id("chorus.feedback"), at(0x26), QStringLiteral("Chorus Feedback"), 0, 127, 0);
    b.list(id("chorus.output"), at(0x27), QStringLiteral("Chorus Output"), texts(kChorusOutputs), 0);
    keep(0);
    b.list(id("reverb.type"), at(0x28), QStringLiteral("Reverb Type"), texts(kReverbTypes), 2);
    b.number(id("reverb.level"), at(0x29), QStringLiteral("Reverb Level"), 0, 127, 127);
    b.number(id("reverb.time"), at(0x2A), QStringLiteral("Reverb Time"), 0, 127, def(0x5A, 0x5F));
    b.list(id("reverb.hfDamp"), at(0x2B), QStringLiteral("Reverb HF damp"), named(Kind::Damp), 13);
    b.number(id("reverb.feedback"), at(0x2C), QStringLiteral("Reverb Feedback"), 0, 127, def(0, 0x32));

    b.page(Page::Efx);
    if (performance)
        b.list(id("efx.sourceA"), 0x0C, QStringLiteral("EFX-A Source"), named(Kind::EfxSource), 0);
    b.list(id("efx.type"), at(0x0D), QStringLiteral("Type"), named(Kind::EfxType), 0);
    keep(0);
    // The defaults are those of the first type, in both records' choices.
    const std::array<int, efx::kRowCount> patchRows = {0, 15, 0, 15, 7, 1, 15, 7, 1, 15, 127, 0};
    const std::array<int, efx::kRowCount> perfRows = {0, 15, 1, 15, 7, 0, 15, 10, 0, 15, 127, 0};
    for (int k = 0; k < efx::kRowCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        b.contextList(prefix + QStringLiteral("efx.row%1").arg(k + 1), at(0x0E + k), QString(), Kind::EfxParameter, 0,
                      kByteMax, def(patchRows[i], perfRows[i]));
    }
    keep(0); // row 12
    b.list(id("efx.output"), at(0x1A), QStringLiteral("Output Assign"), texts(kEfxOutputs), 0);
    keep(0);
    b.number(id("efx.level"), at(0x1B), QStringLiteral("Output"), 0, 127, 127);
    b.number(id("efx.chorusSend"), at(0x1C), QStringLiteral("Chorus Send"), 0, 127, 0);
    b.number(id("efx.reverbSend"), at(0x1D), QStringLiteral("Reverb Send"), 0, 127, 0);
    for (int c = 0; c < 2; ++c) {
        b.list(prefix + QStringLiteral("efx.control%1.source").arg(c + 1), at(0x1E + 2 * c),
               numbered("Control %1 source", c + 1), texts(kEfxControlSources), 0);
        b.number(prefix + QStringLiteral("efx.control%1.depth").arg(c + 1), at(0x1F + 2 * c),
                 numbered("Control %1 depth", c + 1), 0, 126, 63, -63);
    }
    if (performance) {
        const std::uint8_t jv2080 = modelBit(SynthModel::Jv2080);
        b.list(id("efx.sourceB"), 0x42, QStringLiteral("EFX-B Source"), named(Kind::EfxSource), 0).shownOn(jv2080);
        b.list(id("efx.sourceC"), 0x43, QStringLiteral("EFX-C Source"), named(Kind::EfxSource), 0).shownOn(jv2080);
    }
}

void addEnvelope(Builder& b, const QString& prefix, int timeOffset, int levels, const ValueList& levelList,
                 const std::array<int, 4>& timeDefaults, const std::array<int, 4>& levelDefaults)
{
    for (int k = 0; k < 4; ++k)
        b.list(prefix + QStringLiteral("time%1").arg(k + 1), timeOffset + k, numbered("Time %1", k + 1),
               valuelists::kZeroTo127, timeDefaults[static_cast<std::size_t>(k)]);
    for (int k = 0; k < levels; ++k)
        b.list(prefix + QStringLiteral("level%1").arg(k + 1), timeOffset + 4 + k, numbered("Level %1", k + 1),
               levelList, levelDefaults[static_cast<std::size_t>(k)]);
}

} // namespace params::rowdata
