#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <vector>

namespace params {
struct Param;
}

// How close two patches sound: a weighted distance over the parameter rows of the
// patch's common block and its four tones, each row's difference divided by the row's
// range. The weights (weightOf) say which rows shape a sound most; the name, and the
// category and clock bytes that the double-patch rule leaves out too, do not count. A
// patch compared with itself, or with its exact double, is 100 %.
namespace similarity {

// Whether a row counts by how far two values lie apart or only by whether they differ.
enum class Measure : std::uint8_t { Numeric, Categorical, Ignored };
// The one place the weights live; the README explains them.
struct Weight
{
    float weight = 0;
    Measure measure = Measure::Ignored;
};
Weight weightOf(const params::Param& row);

// The compared values of a patch: a byte per numeric row (the value's distance from the
// row's minimum), then two bytes per categorical row (its whole value).
class CFeatures
{
public:
    static const CFeatures& instance();

    // Bytes per patch: one per numeric row, two per categorical one.
    int size() const { return m_size; }
    // Writes size() bytes for a 645-byte patch image. A tone that is switched off plays
    // nothing: its rows read as their minimum, so that only its switch counts.
    void extract(const char* patch, std::uint8_t* out) const;
    // 0 for equal features; totalWeight() at most.
    float distance(const std::uint8_t* a, const std::uint8_t* b) const;
    float totalWeight() const { return m_total; }
    // A number no farther from another patch's than their distance: sorting by it lets
    // a search for close pairs skip every pair whose keys lie too far apart.
    float key(const std::uint8_t* f) const;
    // 100 × (1 − distance ÷ total weight).
    double percent(float distance) const;
    // The largest distance that still reaches percent.
    float distanceFor(double percent) const;

private:
    CFeatures();
    struct Item
    {
        int offset; // in the patch image
        const params::Param* row;
        float scale; // weight ÷ range (numeric), weight (categorical)
        int min;
        int range;
        int tone; // -1 for a common row
        bool isSwitch;
    };
    std::vector<Item> m_items;
    int m_numeric = 0;
    int m_size = 0;
    float m_total = 0;
};

// "100 %" only for distance 0: a patch that differs at all shows at most 99.9 %.
QString percentText(double percent, bool equal);

// The features of every entry of a library, for fast comparing.
class CSimilarityIndex
{
public:
    struct Match
    {
        int entry = 0;
        double percent = 0;
        bool exact = false; // the entry itself or an exact double of it
        float distance = 0;
    };

    // Reads the library file at path. False when it cannot be read or stop was asked.
    bool build(const QString& path, std::stop_token stop = {});
    // From patch images in memory (tests, benchmarks).
    void build(const std::vector<const char*>& patches);
    int count() const { return static_cast<int>(m_prints.size()); }
    std::size_t memoryBytes() const { return m_features.capacity() + m_prints.capacity() * sizeof(std::uint64_t); }

    // The top entries closest to entry, closest first: the entry itself, then its exact
    // doubles, then by distance (ties by number).
    std::vector<Match> nearest(int entry, int top) const;
    // Every pair first < second at least percent alike, first ascending, then second.
    // False when stopped.
    bool pairs(double percent, const std::function<void(int, int, double)>& found, std::stop_token stop = {}) const;

private:
    const std::uint8_t* features(int entry) const
    {
        return m_features.data() + static_cast<std::size_t>(entry) * static_cast<std::size_t>(m_width);
    }
    void add(const char* patch);

    int m_width = 0;
    std::vector<std::uint8_t> m_features;
    std::vector<std::uint64_t> m_prints;
};

} // namespace similarity
