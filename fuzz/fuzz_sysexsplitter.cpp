// Cuts arbitrary bytes into System Exclusive messages, in pieces of every size: the
// messages are whole and the same however the stream is divided, and every byte is
// either in a message or counted as dropped.
#include "midi/SysExSplitter.h"

#include <cstdlib>
#include <vector>

namespace {

struct Cut
{
    std::vector<std::vector<std::uint8_t>> messages;
    std::vector<std::uint64_t> ends;
    std::uint64_t dropped = 0;
    std::uint64_t consumed = 0;
};

Cut split(const std::uint8_t* data, std::size_t size, std::size_t piece, std::size_t stopAfter)
{
    Cut cut;
    CSysExSplitter splitter;
    const CSysExSplitter::Sink sink = [&](const std::vector<std::uint8_t>& message, std::uint64_t consumed) {
        cut.messages.push_back(message);
        cut.ends.push_back(consumed);
        return cut.messages.size() < stopAfter;
    };
    for (std::size_t at = 0; at < size; at += piece) {
        if (!splitter.feed(data + at, std::min(piece, size - at), sink))
            break;
    }
    splitter.finish();
    cut.dropped = splitter.droppedBytes();
    cut.consumed = splitter.consumed();
    return cut;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t piece = std::size_t(data[0]) + 1;
    ++data;
    --size;
    const Cut whole = split(data, size, size == 0 ? 1 : size, SIZE_MAX);
    const Cut pieces = split(data, size, piece, SIZE_MAX);
    if (whole.messages != pieces.messages || whole.ends != pieces.ends || whole.dropped != pieces.dropped)
        std::abort();
    std::uint64_t inMessages = 0;
    for (std::size_t m = 0; m < whole.messages.size(); ++m) {
        const auto& message = whole.messages[m];
        if (message.size() < 2 || message.front() != 0xF0 || message.back() != 0xF7
            || message.size() > CSysExSplitter::kMaxMessageSize + 1)
            std::abort();
        for (std::size_t i = 1; i + 1 < message.size(); ++i) {
            if (message[i] & 0x80)
                std::abort();
        }
        // Each message ends where the stream says it does.
        if (whole.ends[m] > size || data[whole.ends[m] - 1] != 0xF7)
            std::abort();
        inMessages += message.size();
    }
    if (whole.consumed != size || inMessages + whole.dropped != size)
        std::abort();
    // Stopping after the first message stops there.
    const Cut stopped = split(data, size, piece, 1);
    if (stopped.messages.size() > 1
        || (!whole.messages.empty() && (stopped.messages.empty() || stopped.messages[0] != whole.messages[0])))
        std::abort();
    return 0;
}
