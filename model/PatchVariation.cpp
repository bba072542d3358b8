#include "model/PatchVariation.h"

#include "model/RecordEdit.h"
#include "model/RecordLayout.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace variation {

namespace {

using params::Param;
using params::Variation;
using sysex::Block;
using valuelists::Kind;

constexpr int kPercent = 100;
constexpr int kHalf = 50;
// A stepwise row moves at most this share of its list at full amount.
constexpr int kStepShare = 4;

// Rows that describe the instrument's setup or the record's identity rather than its sound.
bool neverVaries(const Param& p)
{
    static const QStringList kIds = {
        QStringLiteral("tone.switch"),         QStringLiteral("note.switch"),
        QStringLiteral("note.muteGroup"),      QStringLiteral("patch.tempo"),
        QStringLiteral("patch.clockSource"),   QStringLiteral("patch.category"),
        QStringLiteral("perf.tempo"),          QStringLiteral("perf.keyRange"),
        QStringLiteral("perf.keyboardMode"),   QStringLiteral("perf.clockSource"),
        QStringLiteral("part.receive"),        QStringLiteral("part.channel"),
        QStringLiteral("part.receiveProgram"), QStringLiteral("part.receiveVolume"),
        QStringLiteral("part.receiveHold"),    QStringLiteral("part.local"),
        QStringLiteral("part.transmit"),       QStringLiteral("part.bankSelectGroup"),
        QStringLiteral("part.transmitVolume"),
    };
    return p.encoding == params::Encoding::Name || p.id.startsWith(QLatin1String("perf.voiceReserve"))
           || kIds.contains(p.id);
}

// Rows whose valid values depend on the name store and the installed boards: a
// variation cannot know them, so it leaves them.
bool dependsOnNames(const Param& p)
{
    switch (p.list.kind) {
    case Kind::WaveGroup:
    case Kind::WaveNumber:
    case Kind::PatchGroup:
    case Kind::PartPatch:
        return true;
    default:
        return false;
    }
}

bool endsWithAny(const QString& id, std::initializer_list<const char*> suffixes)
{
    return std::any_of(suffixes.begin(), suffixes.end(), [&](const char* s) { return id.endsWith(QLatin1String(s)); });
}

// The pairs of bounds that must not cross.
struct Pair
{
    const char* lower;
    const char* upper;
};
constexpr Pair kPairs[] = {
    {"tone.velocity.lower", "tone.velocity.upper"},
    {"tone.key.lower", "tone.key.upper"},
    {"part.keyLower", "part.keyUpper"},
};

// Draws from a fixed generator, so that a seed gives the same numbers everywhere.
class Draw
{
public:
    explicit Draw(std::uint32_t seed) : m_engine(seed) {}
    int below(int n) { return n <= 1 ? 0 : static_cast<int>(m_engine() % static_cast<std::uint32_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }

private:
    std::mt19937 m_engine;
};

std::uint8_t* blockData(QByteArray& image, Block block, int index)
{
    return reinterpret_cast<std::uint8_t*>(image.data()) + recordlayout::dataOffset(block, index);
}

const std::uint8_t* blockData(const QByteArray& image, Block block, int index)
{
    return reinterpret_cast<const std::uint8_t*>(image.constData()) + recordlayout::dataOffset(block, index);
}

void recalcChecksums(params::Editor editor, QByteArray& image)
{
    const RecordLayout& layout = recordLayout(static_cast<ItemKind>(editor));
    auto* rec = reinterpret_cast<std::uint8_t*>(image.data());
    for (int m = 0; m < layout.messages(); ++m) {
        std::uint8_t* msg = rec + layout.messageOffset(m);
        const int length = m == 0 ? layout.commonSize() : layout.subSize();
        msg[length - 2] = sysex::checksum(length - 2 - sysex::kOffAddress, msg + sysex::kOffAddress);
    }
}

QByteArray sized(params::Editor editor, const QByteArray& image)
{
    QByteArray out = image;
    out.resize(recordlayout::recordSize(editor), '\0');
    return out;
}

// The blocks of an editor's record: the common block once, then each tone, part or key.
template <typename F>
void forEachBlock(params::Editor editor, F&& f)
{
    const Block common = recordlayout::commonBlock(editor);
    const Block sub = recordlayout::subBlock(editor);
    f(common, -1);
    for (int i = 0; i < recordlayout::blockCount(sub); ++i)
        f(sub, i);
}

// Swaps bounds that a variation made cross.
void keepPairs(std::uint8_t* data, Block block)
{
    static const std::vector<std::pair<const Param*, const Param*>> kRows = [] {
        std::vector<std::pair<const Param*, const Param*>> out;
        for (const Pair& pair : kPairs)
            out.emplace_back(&params::row(QString::fromLatin1(pair.lower)),
                             &params::row(QString::fromLatin1(pair.upper)));
        return out;
    }();
    for (const auto& [lowerRow, upperRow] : kRows) {
        const Param& lower = *lowerRow;
        const Param& upper = *upperRow;
        if (lower.block != block)
            continue;
        const int lo = params::value(lower, data);
        const int hi = params::value(upper, data);
        if (lo > hi) {
            params::setValue(lower, data, hi);
            params::setValue(upper, data, lo);
        }
    }
}

// What a variation needs of each row, worked out once.
struct RowInfo
{
    std::optional<Section> section;
    bool names = false;
};

const RowInfo& info(const Param& p)
{
    static const std::array<std::vector<RowInfo>, 6> kInfo = [] {
        std::array<std::vector<RowInfo>, 6> out;
        for (std::size_t b = 0; b < out.size(); ++b)
            for (const Param& row : params::rows(static_cast<Block>(b)))
                out[b].push_back({sectionOf(row), dependsOnNames(row)});
        return out;
    }();
    const auto& rows = params::rows(p.block);
    return kInfo[static_cast<std::size_t>(p.block)][static_cast<std::size_t>(&p - rows.data())];
}

int mutated(const Param& p, Variation kind, int v, std::pair<int, int> range, int amount, Draw& draw)
{
    const auto [lo, hi] = range;
    if (hi <= lo)
        return lo;
    v = std::clamp(v, lo, hi);
    switch (kind) {
    case Variation::Continuous: {
        // A uniform step around the value, as wide as the amount's share of the range.
        const int width = std::max(1, static_cast<int>(std::lround(double(amount) * (hi - lo) / kPercent)));
        return draw.between(std::max(lo, v - width), std::min(hi, v + width));
    }
    case Variation::Stepwise: {
        if (draw.below(kPercent) >= amount)
            return v;
        const int reach =
            std::max(1, static_cast<int>(std::lround(double(amount) * (hi - lo) / (kPercent * kStepShare))));
        const int step = 1 + draw.below(reach);
        const bool up = draw.below(2) == 1;
        int next = up ? v + step : v - step;
        if (next > hi || next < lo)
            next = up ? v - step : v + step;
        return std::clamp(next, lo, hi);
    }
    case Variation::FixedUnlessAsked:
        if (draw.below(kPercent) >= amount)
            return v;
        return draw.between(lo, hi);
    }
    Q_UNUSED(p);
    return v;
}

} // namespace

QString sectionName(Section s)
{
    switch (s) {
    case Section::Pitch:
        return QStringLiteral("Pitch");
    case Section::Filter:
        return QStringLiteral("Filter");
    case Section::Amplitude:
        return QStringLiteral("Amplitude");
    case Section::Envelopes:
        return QStringLiteral("Envelopes");
    case Section::Lfos:
        return QStringLiteral("LFOs / controls");
    case Section::Effects:
        return QStringLiteral("Effects");
    case Section::Waves:
        return QStringLiteral("Waves");
    }
    return {};
}

std::optional<Section> sectionOf(const Param& p)
{
    using params::Page;
    if (neverVaries(p))
        return std::nullopt;
    static const QRegularExpression kEnvelope(QStringLiteral("\\.(penv|tvf|tva)\\.(time|level)\\d$"));
    const QString& id = p.id;
    if (kEnvelope.match(id).hasMatch() || id == QLatin1String("note.envelopeMode"))
        return Section::Envelopes;
    if (p.page == Page::ChorusReverb || p.page == Page::Efx
        || endsWithAny(id, {".output", ".mixSend", ".chorusSend", ".reverbSend", ".outputSelect"}))
        return Section::Effects;
    if (p.page == Page::Lfo1 || p.page == Page::Lfo2 || p.page == Page::Controller1 || p.page == Page::Controller2
        || p.page == Page::Controller3 || id.contains(QLatin1String(".control."))
        || id.contains(QLatin1String("controlSource")) || id.contains(QLatin1String("holdPeak")))
        return Section::Lfos;
    if (endsWithAny(id, {".level", ".pan", "Pan", "panKeyfollow"}) && !id.startsWith(QLatin1String("tone.tvf")))
        return Section::Amplitude;
    switch (p.page) {
    case Page::Pitch:
        return Section::Pitch;
    case Page::Tvf:
        return Section::Filter;
    case Page::Tva:
    case Page::PanOutput:
        return Section::Amplitude;
    case Page::Wave:
        return id == QLatin1String("note.bendRange") ? Section::Pitch : Section::Waves;
    case Page::Controls:
        return Section::Waves;
    case Page::Common:
        return id.contains(QLatin1String("structure")) || id.contains(QLatin1String("booster"))
                       || id == QLatin1String("patch.velocityRange")
                   ? Section::Waves
                   : Section::Pitch;
    case Page::Part:
        return endsWithAny(id, {"keyLower", "keyUpper", ".group", ".patch"}) ? Section::Waves : Section::Pitch;
    default:
        return std::nullopt;
    }
}

std::pair<int, int> contextRange(const Param& p, const std::uint8_t* data)
{
    auto range = params::valueRange(p, data);
    if (p.list.kind == Kind::LfoRate || p.list.kind == Kind::DelayTime) {
        params::ShowContext context;
        context.data = data;
        const int items = static_cast<int>(params::listItems(p, context).size());
        if (items > 0)
            range.second = std::min(range.second, range.first + items - 1);
    }
    return range;
}

QByteArray mutate(params::Editor editor, const QByteArray& image, const MutateOptions& o)
{
    QByteArray out = sized(editor, image);
    const int amount = std::clamp(o.amount, 0, kPercent);
    if (amount == 0)
        return out;
    Draw draw(o.seed);
    forEachBlock(editor, [&](Block block, int index) {
        if (index < 0 ? !o.common
                      : !o.blocks.empty()
                            && (static_cast<std::size_t>(index) >= o.blocks.size()
                                || !o.blocks[static_cast<std::size_t>(index)]))
            return;
        std::uint8_t* data = blockData(out, block, std::max(index, 0));
        bool typeChanged = false;
        for (const Param& p : params::rows(block)) {
            const RowInfo& row = info(p);
            if (!row.section || (o.sections & sectionBit(*row.section)) == 0 || !params::shownOn(p, o.model)
                || row.names || !params::usedBy(p, data))
                continue;
            const Variation kind = params::variation(p, data);
            if (kind == Variation::FixedUnlessAsked && !o.choices)
                continue;
            const int before = params::value(p, data);
            const int after = mutated(p, kind, before, contextRange(p, data), amount, draw);
            if (after != before) {
                params::setValue(p, data, after);
                typeChanged = typeChanged || p.list.kind == Kind::EfxType || p.list.kind == Kind::Texts;
            }
        }
        // A changed type or switch can narrow the lists of rows after or before it.
        if (typeChanged) {
            for (const Param& p : params::rows(block)) {
                if (p.encoding == params::Encoding::Name || info(p).names || !params::shownOn(p, o.model))
                    continue;
                const auto [lo, hi] = contextRange(p, data);
                const int v = params::value(p, data);
                if (v < lo || v > hi)
                    params::setValue(p, data, std::clamp(v, lo, hi));
            }
        }
        keepPairs(data, block);
    });
    const QByteArray original = sized(editor, image);
    if (out != original)
        recalcChecksums(editor, out);
    return out;
}

QByteArray morph(params::Editor editor, const QByteArray& a, const QByteArray& b, int percent, SynthModel model)
{
    const int t = std::clamp(percent, 0, kPercent);
    const QByteArray first = sized(editor, a);
    const QByteArray second = sized(editor, b);
    QByteArray out = t < kHalf ? first : second;
    forEachBlock(editor, [&](Block block, int index) {
        const int i = std::max(index, 0);
        const std::uint8_t* da = blockData(first, block, i);
        const std::uint8_t* db = blockData(second, block, i);
        std::uint8_t* d = blockData(out, block, i);
        // The side's rows are there already (out is a copy of that side); the
        // continuous rows are blended after them, in the context they set.
        for (const Param& p : params::rows(block)) {
            if (p.encoding == params::Encoding::Name || !params::existsOn(p, model))
                continue;
            if (params::variation(p, da) != Variation::Continuous || params::variation(p, db) != Variation::Continuous
                || params::listContext(p, da) != params::listContext(p, db))
                continue;
            const int va = params::value(p, da);
            const int vb = params::value(p, db);
            int v = (va * (kPercent - t) + vb * t + kHalf) / kPercent;
            if (t > 0 && t < kPercent) {
                const auto [lo, hi] = contextRange(p, d);
                v = std::clamp(v, lo, hi);
            }
            params::setValue(p, d, v);
        }
    });
    if (out != first && out != second)
        recalcChecksums(editor, out);
    return out;
}

std::vector<ChangedRow> changedRows(params::Editor editor, const QByteArray& before, const QByteArray& after)
{
    std::vector<ChangedRow> out;
    const QByteArray x = sized(editor, before);
    const QByteArray y = sized(editor, after);
    forEachBlock(editor, [&](Block block, int index) {
        const int i = std::max(index, 0);
        const std::uint8_t* dx = blockData(x, block, i);
        const std::uint8_t* dy = blockData(y, block, i);
        for (const Param& p : params::rows(block)) {
            if (!std::equal(dx + p.offset, dx + p.offset + p.size, dy + p.offset))
                out.push_back({&p, i});
        }
    });
    return out;
}

} // namespace variation
