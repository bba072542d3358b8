#include "midi/SysExSplitter.h"

#include "model/SysEx.h"

namespace {
constexpr std::uint8_t kStatusBit = 0x80;
}

void CSysExSplitter::dropMessage()
{
    m_dropped += m_message.size();
    m_message.clear();
    m_inMessage = false;
}

bool CSysExSplitter::feed(const std::uint8_t* data, std::size_t size, const Sink& sink)
{
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        ++m_consumed;
        if (b == sysex::kStart) {
            if (m_inMessage)
                dropMessage(); // a message without its F7
            m_inMessage = true;
            m_message.push_back(b);
        } else if (!m_inMessage) {
            ++m_dropped; // outside any message
        } else if (b == sysex::kEnd) {
            m_message.push_back(b);
            m_inMessage = false;
            const bool go = sink(m_message, m_consumed);
            m_message.clear();
            if (!go)
                return false;
        } else if ((b & kStatusBit) != 0) {
            // Another status byte inside a message breaks it.
            dropMessage();
            ++m_dropped;
        } else {
            m_message.push_back(b);
            if (m_message.size() > kMaxMessageSize)
                dropMessage();
        }
    }
    return true;
}

void CSysExSplitter::finish()
{
    if (m_inMessage)
        dropMessage();
}
