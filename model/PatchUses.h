#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <set>
#include <vector>

class CExpansionNames;

// What a patch uses that the instrument must have: the wave of each tone and with it
// the expansion boards. Read from the patch image's tone data; nothing of it is stored
// in a library record, it is computed when a record is read.
namespace patchuses {

constexpr int kTones = 4;
constexpr std::uint8_t kBoardGroupType = 2; // wave group type of the expansion boards

// The wave of one tone: its switch and the wave group (type, id) and number.
struct ToneWave
{
    std::uint8_t on = 0;
    std::uint8_t type = 0;
    std::uint8_t id = 0;
    std::uint8_t number = 0;
    bool operator==(const ToneWave&) const = default;
};
using PatchWaves = std::array<ToneWave, kTones>;

// The waves of a 645-byte patch image.
PatchWaves wavesOf(const char* patch);
// The boards (1..127) the tones that sound need, ascending, each once.
std::vector<int> boardsNeeded(const PatchWaves& waves);
// Whether every board the patch needs is in installed.
bool playable(const PatchWaves& waves, const std::set<int>& installed);

// Wave name of one tone from the name files; empty where the files know none.
QString waveName(const CExpansionNames& names, const ToneWave& wave);
// "Piano 1, Strings" — the names of the waves of the sounding tones, each once.
QString waveNamesText(const CExpansionNames& names, const PatchWaves& waves);
// "none" or the titles of the boards needed, joined by ", ".
QString boardsText(const CExpansionNames& names, const PatchWaves& waves);

// Every wave whose name holds text (case-insensitive), found once in the name files so
// that many patches are tested by numbers only.
class CWaveMatcher
{
public:
    CWaveMatcher(const CExpansionNames& names, const QString& text);
    bool matches(const PatchWaves& waves) const;
    bool empty() const { return m_keys.empty(); }

private:
    static int keyOf(int type, int id, int number) { return (type * 128 + id) * 256 + number; }
    std::set<int> m_keys;
};

// A board named by its number ("7") or by its title, exactly or as the one title that
// holds the text (case-insensitive). 0 for "none", -1 when nothing or several match.
int boardByText(const CExpansionNames& names, const QString& text);

} // namespace patchuses
