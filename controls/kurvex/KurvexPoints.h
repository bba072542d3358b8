#pragma once

#include <array>
#include <cstddef>

// The envelope block a host exchanges with the envelope control: 45 signed 32-bit
// integers, seven per field, then time scale, level maximum and point count.
using KurvexPoints = std::array<int, 45>;

namespace KurvexBlock {
inline constexpr int kMaxPoints = 7;
inline constexpr std::size_t kTime = 0;  // duration from the previous point
inline constexpr std::size_t kLevel = 7; // 0 .. levelMax
inline constexpr std::size_t kTimeMovable = 14;
inline constexpr std::size_t kLevelMovable = 21;
inline constexpr std::size_t kFollowsPrevious = 28; // takes the previous point's level
inline constexpr std::size_t kPinnedRight = 35;     // drawn at the right edge
inline constexpr std::size_t kTimeScale = 42;       // time units across the drawing width
inline constexpr std::size_t kLevelMax = 43;        // level drawn at the top
inline constexpr std::size_t kCount = 44;           // points in use
inline constexpr std::size_t kSize = 45;

// The block of a new control: a seven-point envelope across one unit per pixel at a
// drawing width of 635 pixels.
constexpr KurvexPoints initialBlock()
{
    return {0,   127, 127, 127, 127, 127, 127, //
            0,   127, 50,  127, 127, 20,  20,  //
            0,   1,   1,   1,   0,   1,   0,   //
            0,   1,   1,   1,   0,   1,   0,   //
            0,   0,   0,   0,   1,   0,   1,   //
            0,   0,   0,   0,   0,   0,   1,   //
            635, 127, 7};
}
} // namespace KurvexBlock
