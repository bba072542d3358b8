#pragma once

#include "midi/SynthLine.h"

#include <cstdint>

// The device ID of the emulators the read-back tests talk to, and read-backs that wait
// only briefly: the built-in emulator answers at once.
namespace quickline {

constexpr std::uint8_t kDevice = 0x10;

inline synthline::ReadOptions quickRead()
{
    synthline::ReadOptions o;
    o.firstByteMs = 300;
    o.quietMs = 100;
    o.requestGapMs = 0;
    return o;
}

} // namespace quickline
