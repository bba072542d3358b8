#include "library/PatchSimilarity.h"

#include "library/DoublePatchFinder.h"
#include "library/LibraryRecord.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace similarity {

using params::Page;

namespace {

bool is(const QString& id, const char* text)
{
    return id == QLatin1String(text);
}

bool startsWith(const QString& id, const char* text)
{
    return id.startsWith(QLatin1String(text));
}

} // namespace

Weight weightOf(const params::Param& row)
{
    const QString& id = row.id;
    if (row.encoding == params::Encoding::Name)
        return {};
    // The last two common bytes (clock source, category) are no part of the sound, as
    // for the double-patch rule.
    if (row.block == sysex::Block::PatchCommon && row.offset >= CDoublePatchFinder::kEndCompared)
        return {};
    // What a tone plays and whether it plays at all, and how the tones are joined:
    // another wave is another sound, however near its number.
    if (is(id, "tone.switch") || is(id, "tone.wave.group") || is(id, "tone.wave.number"))
        return {4.0F, Measure::Categorical};
    if (startsWith(id, "patch.structure") || startsWith(id, "patch.booster"))
        return {4.0F, Measure::Categorical};
    if (is(id, "tone.tvf.filterType"))
        return {3.0F, Measure::Categorical};
    // Levels change loudness more than sound: the same patch a little louder is a
    // near double.
    if (is(id, "patch.level") || is(id, "tone.tva.level") || is(id, "patch.pan"))
        return {0.25F, Measure::Numeric};
    switch (row.page) {
    case Page::Tvf:
        return {3.0F, Measure::Numeric};
    case Page::TvfEnvelope:
    case Page::TvaEnvelope:
        return {2.0F, Measure::Numeric};
    case Page::Wave: // gain, FXM, tone delay
    case Page::Pitch:
    case Page::PitchEnvelope:
    case Page::Tva:
        return {1.5F, Measure::Numeric};
    case Page::Lfo1:
    case Page::Lfo2:
        return {1.0F, Measure::Numeric};
    default: // common settings, controllers, effects, output
        return {0.5F, Measure::Numeric};
    }
}

const CFeatures& CFeatures::instance()
{
    static const CFeatures features;
    return features;
}

CFeatures::CFeatures()
{
    std::vector<Item> numeric;
    std::vector<Item> categorical;
    const auto addRows = [&](sysex::Block block, int tone) {
        for (const params::Param& row : params::rows(block)) {
            const Weight w = weightOf(row);
            if (w.measure == Measure::Ignored || w.weight <= 0)
                continue;
            const int base = block == sysex::Block::PatchCommon ? CPatchArray::commonParam(row.offset)
                                                                : CPatchArray::toneParam(tone, row.offset);
            // A byte holds a numeric row's distance from its minimum; a row of a wider
            // range (none of the patch's rows today) counts as equal or not.
            const int itemTone = block == sysex::Block::PatchCommon ? -1 : tone;
            const bool isSwitch = is(row.id, "tone.switch");
            if (w.measure == Measure::Categorical || row.max - row.min > 255) {
                categorical.push_back({base, &row, w.weight, 0, 0, itemTone, isSwitch});
                m_total += w.weight;
            } else {
                const int range = row.max - row.min;
                if (range <= 0)
                    continue;
                numeric.push_back(
                    {base, &row, w.weight / static_cast<float>(range), row.min, range, itemTone, isSwitch});
                m_total += w.weight;
            }
        }
    };
    addRows(sysex::Block::PatchCommon, 0);
    for (int t = 0; t < CPatchArray::kTones; ++t)
        addRows(sysex::Block::PatchTone, t);
    m_numeric = static_cast<int>(numeric.size());
    m_items = std::move(numeric);
    m_items.insert(m_items.end(), categorical.begin(), categorical.end());
    m_size = m_numeric + 2 * static_cast<int>(categorical.size());
}

void CFeatures::extract(const char* patch, std::uint8_t* out) const
{
    const auto* image = reinterpret_cast<const std::uint8_t*>(patch);
    // The row's value read from the block's data, wherever the block starts.
    const auto valueOf = [image](const Item& it) { return params::value(*it.row, image + it.offset - it.row->offset); };
    std::array<bool, CPatchArray::kTones> silent{};
    for (const Item& it : m_items)
        if (it.isSwitch && it.tone >= 0 && it.tone < CPatchArray::kTones)
            silent[static_cast<std::size_t>(it.tone)] = valueOf(it) == 0;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& it = m_items[i];
        const bool muted = it.tone >= 0 && !it.isSwitch && silent[static_cast<std::size_t>(it.tone)];
        const int value = muted ? it.row->min : valueOf(it);
        if (static_cast<int>(i) < m_numeric) {
            out[i] = static_cast<std::uint8_t>(std::clamp(value - it.min, 0, it.range));
        } else {
            // The whole value (a group's type and id, both nibbles) in two bytes.
            const std::size_t at = static_cast<std::size_t>(m_numeric) + 2 * (i - static_cast<std::size_t>(m_numeric));
            out[at] = static_cast<std::uint8_t>(value & 0xFF);
            out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        }
    }
}

float CFeatures::distance(const std::uint8_t* a, const std::uint8_t* b) const
{
    float d = 0;
    for (int i = 0; i < m_numeric; ++i)
        d += m_items[static_cast<std::size_t>(i)].scale * static_cast<float>(std::abs(int(a[i]) - int(b[i])));
    for (std::size_t i = static_cast<std::size_t>(m_numeric); i < m_items.size(); ++i) {
        const std::size_t at = static_cast<std::size_t>(m_numeric) + 2 * (i - static_cast<std::size_t>(m_numeric));
        if (a[at] != b[at] || a[at + 1] != b[at + 1])
            d += m_items[i].scale;
    }
    return d;
}

float CFeatures::key(const std::uint8_t* f) const
{
    float k = 0;
    for (int i = 0; i < m_numeric; ++i)
        k += m_items[static_cast<std::size_t>(i)].scale * static_cast<float>(f[i]);
    return k;
}

double CFeatures::percent(float distance) const
{
    return m_total <= 0 ? 100.0 : 100.0 * (1.0 - static_cast<double>(distance) / static_cast<double>(m_total));
}

float CFeatures::distanceFor(double percent) const
{
    return static_cast<float>((1.0 - percent / 100.0) * static_cast<double>(m_total));
}

QString percentText(double percent, bool equal)
{
    if (equal)
        return QStringLiteral("100 %");
    const double shown = std::min(99.9, std::floor(percent * 10.0) / 10.0);
    return QStringLiteral("%1 %").arg(std::max(0.0, shown), 0, 'f', 1);
}

void CSimilarityIndex::add(const char* patch)
{
    const std::size_t at = m_features.size();
    m_features.resize(at + static_cast<std::size_t>(m_width));
    CFeatures::instance().extract(patch, m_features.data() + at);
    m_prints.push_back(CDoublePatchFinder::fingerprint(patch));
}

void CSimilarityIndex::build(const std::vector<const char*>& patches)
{
    m_width = CFeatures::instance().size();
    m_features.clear();
    m_prints.clear();
    m_features.reserve(patches.size() * static_cast<std::size_t>(m_width));
    m_prints.reserve(patches.size());
    for (const char* p : patches)
        add(p);
}

bool CSimilarityIndex::build(const QString& path, std::stop_token stop)
{
    m_width = CFeatures::instance().size();
    m_features.clear();
    m_prints.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 n = file.size() / clb::kRecordSize;
    m_features.reserve(static_cast<std::size_t>(n) * static_cast<std::size_t>(m_width));
    m_prints.reserve(static_cast<std::size_t>(n));
    constexpr int kChunk = 1024;
    QByteArray chunk(kChunk * clb::kRecordSize, Qt::Uninitialized);
    for (qint64 first = 0; first < n; first += kChunk) {
        if (stop.stop_requested())
            return false;
        const qint64 records = std::min<qint64>(kChunk, n - first);
        const qint64 bytes = records * clb::kRecordSize;
        if (file.read(chunk.data(), bytes) != bytes)
            return false;
        for (qint64 r = 0; r < records; ++r)
            add(chunk.constData() + r * clb::kRecordSize + clb::kOffPatch);
    }
    return true;
}

std::vector<CSimilarityIndex::Match> CSimilarityIndex::nearest(int entry, int top) const
{
    std::vector<Match> all;
    if (entry < 0 || entry >= count() || top <= 0)
        return all;
    const CFeatures& f = CFeatures::instance();
    const std::uint8_t* target = features(entry);
    const std::uint64_t print = m_prints[static_cast<std::size_t>(entry)];
    all.resize(static_cast<std::size_t>(count()));
    for (int n = 0; n < count(); ++n) {
        Match& m = all[static_cast<std::size_t>(n)];
        m.entry = n;
        m.distance = f.distance(target, features(n));
        m.exact = m.distance == 0 && m_prints[static_cast<std::size_t>(n)] == print;
    }
    const auto before = [entry](const Match& a, const Match& b) {
        if (a.distance != b.distance)
            return a.distance < b.distance;
        if ((a.entry == entry) != (b.entry == entry))
            return a.entry == entry;
        if (a.exact != b.exact)
            return a.exact;
        return a.entry < b.entry;
    };
    const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(top), all.size());
    std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(k), all.end(), before);
    all.resize(k);
    for (Match& m : all)
        m.percent = m.exact ? 100.0 : f.percent(m.distance);
    return all;
}

bool CSimilarityIndex::pairs(double percent, const std::function<void(int, int, double)>& found,
                             std::stop_token stop) const
{
    const CFeatures& f = CFeatures::instance();
    const float limit = f.distanceFor(percent);
    // Entries in the order of their keys: two entries whose keys differ by more than
    // the limit are farther apart than it, so each entry is compared only with the
    // entries whose keys lie near its own.
    std::vector<float> keys(static_cast<std::size_t>(count()));
    for (int n = 0; n < count(); ++n)
        keys[static_cast<std::size_t>(n)] = f.key(features(n));
    std::vector<int> order(static_cast<std::size_t>(count()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)]; });
    std::vector<std::pair<int, int>> close;
    std::vector<double> percents;
    // A little slack for the rounding of float sums.
    const float window = limit + 1e-3F;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if ((i & 1023) == 0 && stop.stop_requested())
            return false;
        const int a = order[i];
        const float ka = keys[static_cast<std::size_t>(a)];
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const int b = order[j];
            if (keys[static_cast<std::size_t>(b)] - ka > window)
                break;
            const float d = f.distance(features(a), features(b));
            if (d <= limit)
                close.emplace_back(std::min(a, b), std::max(a, b));
        }
    }
    std::sort(close.begin(), close.end());
    for (const auto& [a, b] : close) {
        if (stop.stop_requested())
            return false;
        const float d = f.distance(features(a), features(b));
        const bool exact = d == 0 && m_prints[static_cast<std::size_t>(a)] == m_prints[static_cast<std::size_t>(b)];
        found(a, b, exact ? 100.0 : f.percent(d));
    }
    return true;
}

} // namespace similarity
