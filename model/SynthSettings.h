#pragma once

#include <cstdint>

// The synthesizer model decides the length of some blocks in files and dumps.
// The numbers are those stored as "WHICHSYNTH".
enum class SynthModel : int { Jv1080 = 0, Jv2080 = 1, Xp = 2 };

constexpr int kModelCount = 3;

// The settings that the data model needs: which layout files are written in and
// which device ID goes into outgoing messages. The main frame owns one and hands
// it to documents; tests and the command-line tool make their own.
struct SynthSettings
{
    static constexpr std::uint8_t kDefaultDeviceId = 0x10;
    static constexpr std::uint8_t kMinDeviceId = 0x10;
    static constexpr std::uint8_t kMaxDeviceId = 0x1F;

    SynthModel model = SynthModel::Jv1080;
    std::uint8_t deviceId = kDefaultDeviceId;
};

const char* modelName(SynthModel model); // "JV-1080", "JV-2080", "XP"
