// The engine's input path: arbitrary bytes in pieces of every size, with realtime bytes
// and fragments anywhere. The messages that leave are the same however the stream is
// divided, each one is whole and well formed, and every byte is either in a message,
// counted as dropped, or still waiting in an unfinished message.
#include "midi/MidiInputParser.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

struct Parsed
{
    std::vector<std::vector<std::uint8_t>> messages;
    std::uint64_t dropped = 0;
    bool insideSysEx = false;
};

Parsed parse(const std::uint8_t* data, std::size_t size, std::size_t piece)
{
    Parsed parsed;
    CMidiInputParser parser;
    const CMidiInputParser::Sink sink = [&](const std::vector<std::uint8_t>& m) { parsed.messages.push_back(m); };
    for (std::size_t at = 0; at < size; at += piece)
        parser.feed(data + at, std::min(piece, size - at), sink);
    parsed.dropped = parser.takeDropped();
    parsed.insideSysEx = parser.insideSysEx();
    if (parser.takeDropped() != 0)
        std::abort(); // taking the count clears it
    return parsed;
}

void checkMessage(const std::vector<std::uint8_t>& m)
{
    if (m.empty() || !(m.front() & 0x80))
        std::abort();
    const std::uint8_t status = m.front();
    if (status == 0xF0) {
        if (m.size() < 2 || m.back() != 0xF7 || m.size() > CMidiInputParser::kMaxSysExSize)
            std::abort();
        for (std::size_t i = 1; i + 1 < m.size(); ++i) {
            if (m[i] & 0x80)
                std::abort();
        }
        return;
    }
    if (status >= 0xF8 || status == 0xF7) {
        if (m.size() != 1 || status == 0xF7)
            std::abort();
        return;
    }
    if (m.size() != CMidiInputParser::messageLength(status))
        std::abort();
    for (std::size_t i = 1; i < m.size(); ++i) {
        if (m[i] & 0x80)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t piece = std::size_t(data[0]) + 1;
    ++data;
    --size;
    const Parsed whole = parse(data, size, std::max<std::size_t>(size, 1));
    const Parsed pieces = parse(data, size, piece);
    const Parsed bytes = parse(data, size, 1);
    if (whole.messages != pieces.messages || whole.messages != bytes.messages || whole.dropped != pieces.dropped
        || whole.dropped != bytes.dropped || whole.insideSysEx != pieces.insideSysEx)
        std::abort();
    std::uint64_t inMessages = 0;
    for (const auto& m : whole.messages) {
        checkMessage(m);
        inMessages += m.size();
    }
    // What is neither in a message nor dropped waits at the end of the stream: at most
    // one unfinished message, which starts with a status byte.
    if (inMessages + whole.dropped > size)
        std::abort();
    const std::uint64_t waiting = size - inMessages - whole.dropped;
    if (whole.insideSysEx && waiting == 0)
        std::abort();
    if (waiting > std::max<std::uint64_t>(CMidiInputParser::kMaxSysExSize, 3))
        std::abort();
    // After a reset the parser starts afresh: the same stream gives the same messages.
    CMidiInputParser parser;
    std::vector<std::vector<std::uint8_t>> again;
    const CMidiInputParser::Sink sink = [&](const std::vector<std::uint8_t>& m) { again.push_back(m); };
    parser.feed(data, size, [](const std::vector<std::uint8_t>&) {});
    parser.reset();
    parser.takeDropped();
    parser.feed(data, size, sink);
    if (again != whole.messages)
        std::abort();
    return 0;
}
