#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Cuts a byte stream into whole System Exclusive messages (F0 .. F7), however the
// stream is divided into pieces. Bytes that belong to no complete message are
// counted, never passed on: ports refuse fragments.
class CSysExSplitter
{
public:
    // Longer than any block of these synthesizers by far; a longer "message" is
    // taken for garbage so that a file without F7 cannot grow the buffer unbounded.
    static constexpr std::size_t kMaxMessageSize = 64 * 1024;

    // Called with each complete message and the number of stream bytes consumed up
    // to its end. Returns false to stop splitting.
    using Sink = std::function<bool(const std::vector<std::uint8_t>& message, std::uint64_t consumed)>;

    // Feeds the next piece; false when the sink asked to stop.
    bool feed(const std::uint8_t* data, std::size_t size, const Sink& sink);
    // The end of the stream: an unfinished message counts as dropped.
    void finish();

    std::uint64_t consumed() const { return m_consumed; }
    std::uint64_t droppedBytes() const { return m_dropped; }

private:
    void dropMessage();

    std::vector<std::uint8_t> m_message;
    bool m_inMessage = false;
    std::uint64_t m_consumed = 0;
    std::uint64_t m_dropped = 0;
};
