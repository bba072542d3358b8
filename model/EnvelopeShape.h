#pragma once

#include "model/ParamTable.h"

#include <array>
#include <optional>

// The envelopes of the editors as the envelope graph draws them. A graph takes a block
// of 45 ints: per point (seven of them) its time (the duration from the point before),
// its level, whether the user may drag it sideways and up and down, whether it takes the
// level of the point before and whether it is drawn at the right edge; then the time
// units across the drawing, the level drawn at the top and the number of points.
//
// An envelope of the instrument has four times and four levels (three on the amplitude
// envelope, which always ends at silence). The graph shows them as seven points: the
// start, the three points of times 1..3, the sustain point at the end of a fixed
// segment, the point of time 4 and the end at the right edge.
namespace envelope {

constexpr int kPoints = 7;
constexpr int kBlockSize = 45;
constexpr int kSegments = 4;
constexpr int kSegmentSpan = 127;            // time units of one segment
constexpr int kTimeScale = 5 * kSegmentSpan; // five segments across the drawing
constexpr int kLevelMax = 127;               // the level drawn at the top
using Block = std::array<int, kBlockSize>;

// Where the fields of a block start.
constexpr std::size_t kTime = 0;
constexpr std::size_t kLevel = 7;
constexpr std::size_t kTimeMovable = 14;
constexpr std::size_t kLevelMovable = 21;
constexpr std::size_t kFollowsPrevious = 28;
constexpr std::size_t kPinnedRight = 35;
constexpr std::size_t kTimeScaleAt = 42;
constexpr std::size_t kLevelMaxAt = 43;
constexpr std::size_t kCountAt = 44;

enum class Kind { Pitch, Tvf, Tva };

// Times and levels as stored; the amplitude envelope ignores level 4.
struct Values
{
    std::array<int, kSegments> times{};
    std::array<int, kSegments> levels{};
    bool operator==(const Values&) const = default;
};

// The envelope a page edits, or none.
std::optional<Kind> kindOf(params::Page page, params::Editor editor = params::Editor::Patch);
int levelCount(Kind kind); // 4, or 3 for the amplitude envelope

// The rows of an envelope in a block (tone or rhythm note): Time 1..4, Level 1..4
// (level 4 null on the amplitude envelope).
struct Rows
{
    std::array<const params::Param*, kSegments> times{};
    std::array<const params::Param*, kSegments> levels{};
};
Rows rows(sysex::Block block, Kind kind);

// The graph's block for an envelope.
Block pointsOf(Kind kind, const Values& values);
// The times and levels a block shows: times from the points of times 1..4, levels from
// the same points, each clamped into the range its row can store.
Values valuesOf(Kind kind, const Block& block, const Rows& rows);
// An envelope of a block's data bytes.
Values read(const Rows& rows, const std::uint8_t* data);

// The point of the graph that time k and level k (0..3) move: 1, 2, 3, 5.
int pointOf(int segment);

} // namespace envelope
