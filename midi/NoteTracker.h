#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

// Keeps track of what sounds because of messages sent to an output: the keys held on
// every channel and the sustain pedals held down. When a transfer is stopped or the
// output closed, the messages that release all of it turn the notes off, as the
// reset of an output does.
class CNoteTracker
{
public:
    static constexpr int kChannels = 16;
    static constexpr int kKeys = 128;

    // Follows one whole message that went out.
    void sent(const std::uint8_t* data, std::size_t size);
    // A note-off for every key held and a pedal release for every pedal down, by channel.
    std::vector<std::vector<std::uint8_t>> releaseMessages() const;
    bool anySounding() const;
    int heldKeys() const;
    void clear();

private:
    std::array<std::bitset<kKeys>, kChannels> m_keys{};
    std::bitset<kChannels> m_pedal{};
};
