#include "midi/NoteTracker.h"

namespace {

constexpr std::uint8_t kKindMask = 0xF0;
constexpr std::uint8_t kChannelMask = 0x0F;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kSustain = 64;
constexpr std::uint8_t kPedalDown = 64; // values from 64 hold the pedal down
constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kAllNotesOff = 123;
constexpr std::uint8_t kFirstModeMessage = 124; // omni / mono / poly also end all notes
constexpr std::uint8_t kReleaseVelocity = 64;
constexpr std::size_t kChannelMessageSize = 3;

} // namespace

void CNoteTracker::sent(const std::uint8_t* data, std::size_t size)
{
    if (size < kChannelMessageSize)
        return;
    const std::uint8_t kind = data[0] & kKindMask;
    const int channel = data[0] & kChannelMask;
    const std::uint8_t key = data[1] & 0x7F;
    const std::uint8_t value = data[2];
    auto& keys = m_keys[static_cast<std::size_t>(channel)];
    if (kind == kNoteOn && value > 0) {
        keys.set(key);
    } else if (kind == kNoteOff || kind == kNoteOn) {
        keys.reset(key);
    } else if (kind == kControlChange) {
        if (key == kSustain)
            m_pedal.set(static_cast<std::size_t>(channel), value >= kPedalDown);
        else if (key == kAllSoundOff || key == kAllNotesOff || key >= kFirstModeMessage)
            keys.reset();
    }
}

std::vector<std::vector<std::uint8_t>> CNoteTracker::releaseMessages() const
{
    std::vector<std::vector<std::uint8_t>> messages;
    for (int channel = 0; channel < kChannels; ++channel) {
        const auto c = static_cast<std::uint8_t>(channel);
        const auto& keys = m_keys[static_cast<std::size_t>(channel)];
        for (int key = 0; key < kKeys; ++key) {
            if (keys.test(static_cast<std::size_t>(key)))
                messages.push_back(
                    {static_cast<std::uint8_t>(kNoteOff | c), static_cast<std::uint8_t>(key), kReleaseVelocity});
        }
        if (m_pedal.test(static_cast<std::size_t>(channel)))
            messages.push_back({static_cast<std::uint8_t>(kControlChange | c), kSustain, 0});
    }
    return messages;
}

bool CNoteTracker::anySounding() const
{
    return m_pedal.any() || heldKeys() > 0;
}

int CNoteTracker::heldKeys() const
{
    int count = 0;
    for (const auto& keys : m_keys)
        count += static_cast<int>(keys.count());
    return count;
}

void CNoteTracker::clear()
{
    for (auto& keys : m_keys)
        keys.reset();
    m_pedal.reset();
}
