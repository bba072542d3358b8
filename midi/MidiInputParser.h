#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Turns the bytes an input delivers into whole messages, however they are divided:
// System Exclusive messages from F0 to F7, channel messages, system common and
// realtime messages. Drivers hand realtime bytes (clock, active sensing) over in the
// middle of a System Exclusive message and glue a message that lost its F7 to the
// next one; here a realtime byte becomes a message of its own, wherever it stands,
// and a System Exclusive message that another status byte breaks off is dropped, so
// that only whole, clean messages leave.
class CMidiInputParser
{
public:
    // Longer than any block of these synthesizers by far; a longer "message" is taken
    // for garbage, so that input without F7 cannot grow the buffer without bound.
    static constexpr std::size_t kMaxSysExSize = 64 * 1024;

    using Sink = std::function<void(const std::vector<std::uint8_t>& message)>;

    // Feeds the next piece of input; sink gets every message completed by it, in order.
    void feed(const std::uint8_t* data, std::size_t size, const Sink& sink);
    // Forgets a message begun and not finished (a new receive, a reopened input).
    void reset();

    // Bytes dropped since the last takeDropped(): fragments, stray data bytes.
    std::uint64_t takeDropped();
    bool insideSysEx() const { return m_inSysEx; }

    // The length of a message by its status byte (1 for realtime and unknown ones).
    static std::size_t messageLength(std::uint8_t status);

private:
    void drop();

    std::vector<std::uint8_t> m_message;
    bool m_inSysEx = false;
    std::size_t m_expected = 0; // length of the short message being collected; 0 when none
    std::uint64_t m_dropped = 0;
};
