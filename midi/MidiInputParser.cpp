#include "midi/MidiInputParser.h"

#include "model/SysEx.h"

namespace {

constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kFirstRealtime = 0xF8;
constexpr std::uint8_t kKindMask = 0xF0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kChannelPressure = 0xD0;
constexpr std::uint8_t kSystem = 0xF0;
constexpr std::uint8_t kTimeCodeQuarter = 0xF1;
constexpr std::uint8_t kSongPosition = 0xF2;
constexpr std::uint8_t kSongSelect = 0xF3;

} // namespace

std::size_t CMidiInputParser::messageLength(std::uint8_t status)
{
    if ((status & kKindMask) != kSystem) {
        const std::uint8_t kind = status & kKindMask;
        return kind == kProgramChange || kind == kChannelPressure ? 2 : 3;
    }
    switch (status) {
    case kTimeCodeQuarter:
    case kSongSelect:
        return 2;
    case kSongPosition:
        return 3;
    default:
        return 1; // tune request, realtime, undefined
    }
}

void CMidiInputParser::drop()
{
    m_dropped += m_message.size();
    m_message.clear();
    m_inSysEx = false;
    m_expected = 0;
}

void CMidiInputParser::reset()
{
    m_message.clear();
    m_inSysEx = false;
    m_expected = 0;
}

std::uint64_t CMidiInputParser::takeDropped()
{
    const std::uint64_t dropped = m_dropped;
    m_dropped = 0;
    return dropped;
}

void CMidiInputParser::feed(const std::uint8_t* data, std::size_t size, const Sink& sink)
{
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        if (b >= kFirstRealtime) {
            // Realtime messages may stand anywhere, even inside another message.
            sink(std::vector<std::uint8_t>{b});
            continue;
        }
        if (b == sysex::kEnd) {
            if (!m_inSysEx) {
                drop();
                ++m_dropped; // an end without a beginning
                continue;
            }
            m_message.push_back(b);
            sink(m_message);
            m_message.clear();
            m_inSysEx = false;
            continue;
        }
        if ((b & kStatusBit) != 0) {
            // Any other status byte ends what was being collected; an unfinished
            // message is a fragment.
            if (m_inSysEx || !m_message.empty())
                drop();
            m_message.push_back(b);
            if (b == sysex::kStart) {
                m_inSysEx = true;
                continue;
            }
            m_expected = messageLength(b);
        } else if (m_inSysEx || m_expected > 0) {
            m_message.push_back(b);
            if (m_inSysEx && m_message.size() > kMaxSysExSize)
                drop();
        } else {
            ++m_dropped; // a data byte that belongs to nothing
            continue;
        }
        if (!m_inSysEx && m_expected > 0 && m_message.size() == m_expected) {
            sink(m_message);
            m_message.clear();
            m_expected = 0;
        }
    }
}
