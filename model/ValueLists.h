#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

// The value lists of the editor pages as data: a list is either a run of numbers,
// a set of fixed texts, one of the named lists that recur on many pages, or a list
// whose items depend on the record or on the name store (those are filled by the
// pages; see ParamTable.h for the headless ones). A stored value is always an item
// index, offset by the row's minimum.
namespace valuelists {

enum class Kind : std::uint8_t {
    None,       // no list: a check box, a number box or a name
    Numbers,    // count integers from first by step
    Texts,      // fixed texts
    OffNumbers, // "OFF", then count integers from first
    NumbersOff, // count integers from first, then "OFF"
    // Named lists of the tone, common and part pages.
    TimeSens,     // "-100" .. "+100" (15)
    Keyfollow,    // "-100" .. "+200" (16)
    Note,         // "C-1" .. "G9" (128)
    Pan64,        // "L64" .. "L1", "0", "1R" .. "63R" (128)
    AlternatePan, // "L63" .. "L1", "0", "R1" .. "R63" (127)
    SyncedTime,   // 0 .. 880 in growing steps (128)
    RandomPitch,  // "0" .. "1200" (31)
    EfxSource,    // "PERFORM", "1" .. "9", "11" .. "16" (16)
    EfxType,      // "01:STEREO-EQ" .. "40:CHORUS/FLANGER" (40)
    // The value kinds of the multi-effect's parameter rows.
    Freq,          // "200" .. "8000" (17)
    Damp,          // Freq, then "BYPASS" (18)
    Pan,           // "L64" .. "L1", "0", "R1" .. "R63" (128)
    Frequency,     // 100 .. 8000 (126)
    Rate,          // "0.05" .. "10.0" (126)
    RateNote,      // Rate, then ten note values (136)
    Delay100,      // "0.0" .. "100" (151)
    Delay500,      // "0.0" .. "500" (127)
    Tap550,        // 200 .. 1000, then ten note values (126)
    Tap600,        // 200 .. 1000 (121)
    EffectBalance, // "D100:0E" .. "D0:100E" (101)
    LevelBalance,  // "A100:0B" .. "A0:100B" (101)
    // Lists that depend on the record or on the name store.
    EfxParameter, // the row's list of the record's multi-effect type
    LfoRate,      // 0..127, or SyncedTime when the LFO follows a clock
    DelayTime,    // 0..127, or SyncedTime in the clock-synced delay modes
    WaveGroup,    // internal wave groups and expansion boards
    WaveNumber,   // the waves of the record's wave group
    PatchGroup,   // internal patch groups and expansion boards of a part
    PartPatch,    // the patches (part 10: rhythm sets) of the part's group
};

// How the numbers of a Numbers list are printed.
enum class Format : std::uint8_t {
    Plain,     // "%d"
    Signed,    // "-1", "0", "+1"
    PlusZero,  // "-2", "+0", "+2"
    TwoDigits, // "-01", "0", "+01"
};

struct ValueList
{
    Kind kind = Kind::None;
    std::int16_t first = 0;
    std::int16_t step = 1;
    std::int16_t count = 0; // Numbers, OffNumbers, NumbersOff, Texts
    Format format = Format::Plain;
    const char* const* texts = nullptr; // Texts
};

constexpr ValueList numbers(int first, int last, int step = 1, Format format = Format::Plain)
{
    return {Kind::Numbers,
            static_cast<std::int16_t>(first),
            static_cast<std::int16_t>(step),
            static_cast<std::int16_t>((last - first) / step + 1),
            format,
            nullptr};
}
template <std::size_t N>
constexpr ValueList texts(const char* const (&items)[N])
{
    return {Kind::Texts, 0, 1, static_cast<std::int16_t>(N), Format::Plain, items};
}
constexpr ValueList named(Kind kind)
{
    return {kind, 0, 1, 0, Format::Plain, nullptr};
}

// The lists that recur on many pages.
constexpr ValueList kZeroTo127 = numbers(0, 127);
constexpr ValueList kSigned63 = numbers(-63, 63, 1, Format::TwoDigits);
constexpr ValueList kVelocitySens = numbers(-100, 150, 2, Format::PlusZero);
constexpr ValueList kTimeSens = named(Kind::TimeSens);
constexpr ValueList kKeyfollow = named(Kind::Keyfollow);
constexpr ValueList kNote = named(Kind::Note);
constexpr ValueList kPan64 = named(Kind::Pan64);
constexpr ValueList kVelocityCurve = numbers(1, 7);
constexpr ValueList kSyncedTime = named(Kind::SyncedTime);
constexpr ValueList kRandomPitch = named(Kind::RandomPitch);
constexpr ValueList kAlternatePan = named(Kind::AlternatePan);
constexpr ValueList kEnvelopeDepth12 = numbers(-12, 12, 1, Format::TwoDigits);

// True for the lists whose items the record or the name store decides.
bool dependsOnContext(const ValueList& list);
// The number of items; 0 for None and for the context lists.
int itemCount(const ValueList& list);
// All items, in order; empty for None and for the context lists.
QStringList items(const ValueList& list);
// One item; empty when index lies outside the list.
QString item(const ValueList& list, int index);

// The pieces of the named lists, for the pages that combine them.
QStringList noteValues();   // "16th" .. "Half", the ten note values of the tempo-synced lists
QString noteName(int note); // "C-1" .. "G9"

} // namespace valuelists
