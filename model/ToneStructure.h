#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// How a patch's pair of tones (1 and 2, or 3 and 4) is wired by its structure type:
// which wave generator, filter and amplifier each tone's sound passes, and where the
// two sounds meet (a mix, the booster or the ring modulator). The Common page draws it.
//
// Types 1 to 5 as the instrument's documentation draws them; a type keeps one chain per
// tone up to the meeting point, then one chain for both, and may mix the second tone's
// own sound in again after the meeting point.
namespace tonestructure {

constexpr int kTypes = 10;

enum class Kind { Wave, Filter, Amplifier, Mix, Booster, Ring };

struct Block
{
    Kind kind;
    int tone = 0; // 0: the pair's first tone, 1: its second; the meeting blocks take 0
};

struct Wiring
{
    std::vector<Block> first;  // the first tone up to the meeting point
    std::vector<Block> second; // the second tone up to the meeting point
    Kind meet = Kind::Mix;     // Kind::Wave: the tones never meet
    std::vector<Block> after;  // both sounds after the meeting point
    // The second tone's sound before the meeting point mixes in again before after[mixAt];
    // -1 when it does not.
    int mixAt = -1;
};

// The wiring of type 0..9 (shown as 1..10); type 0 for a type beyond the range.
const Wiring& wiring(int type);

// A block's name with the pair's tone numbers: "WG1", "TVF4", "BOOST", "RING", "MIX".
QString blockName(const Block& block, int firstTone);
// Every block of a type in the order first, second, meeting point, after, with the tones
// (of firstTone and firstTone + 1) whose sound passes it: "TVF2(1,2)".
QStringList routing(int type, int firstTone);

} // namespace tonestructure
