#pragma once

#include "model/ParamTable.h"
#include "model/SynthSettings.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// New sounds made from the records a musician already has: a variation of one record
// (mutate) and a blend of two (morph). Both walk the parameter rows and move each row
// as its variation column allows: continuous rows on their value scale, stepwise rows
// to near neighbours in their list, and choices (waves, types, switches, ranges) only
// when the caller asks for them. Every value written lies within the row's range in
// its context (a multi-effect type's rows, a synced LFO rate) and exists on the model;
// names, the tone and part switches and the settings of the instrument rather than of
// the sound are never touched. Images are records as a bank holds them; the result has
// fresh checksums.
namespace variation {

// The parts of a sound a mutation may move.
enum class Section : std::uint8_t { Pitch, Filter, Amplitude, Envelopes, Lfos, Effects, Waves };
constexpr int kSectionCount = 7;
using Sections = std::uint8_t;
constexpr Sections sectionBit(Section s)
{
    return static_cast<Sections>(1U << static_cast<unsigned>(s));
}
constexpr Sections kAllSections = 0x7F;
// What a mutation moves unless told otherwise: everything but the waves.
constexpr Sections kSoundSections = kAllSections & ~sectionBit(Section::Waves);

// "Pitch", "Filter", "Amplitude", "Envelopes", "LFOs / controls", "Effects", "Waves".
QString sectionName(Section s);
// The section a row belongs to, or none for rows a variation never moves (names, the
// tone and part switches, channels, voice reserves, tempo, categories, ...).
std::optional<Section> sectionOf(const params::Param& p);
// The sections the rows of an editor's record fall in: what a mutation of it can move.
Sections sectionsOf(params::Editor editor);

// The range a row may take in the record's data bytes: valueRange(), narrowed to the
// list the block's context gives it (an LFO rate synced to the clock).
std::pair<int, int> contextRange(const params::Param& p, const std::uint8_t* data);

struct MutateOptions
{
    int amount = 10; // percent, 0 .. 100: how far and how many rows move; 0 moves none
    // The tones, parts or keys that may change (empty: all of them), and the common block.
    std::vector<bool> blocks;
    bool common = true;
    Sections sections = kSoundSections;
    // Choices (waves, structures, types, switches, ranges) of the chosen sections may
    // change too.
    bool choices = false;
    std::uint32_t seed = 1;
    SynthModel model = SynthModel::Jv2080;
};

// A variation of image (a record of editor's kind). The same options give the same bytes.
QByteArray mutate(params::Editor editor, const QByteArray& image, const MutateOptions& options);

// The blend of a and b at percent 0 .. 100: continuous rows lie between the two on
// their scale, every other row (and a row whose list means something else in a than in
// b) is a's below 50 % and b's from 50 %. 0 % gives a, 100 % gives b, byte for byte
// (but for checksums made fresh).
QByteArray morph(params::Editor editor, const QByteArray& a, const QByteArray& b, int percent,
                 SynthModel model = SynthModel::Jv2080);

// The rows whose bytes differ between two images of editor's kind, with their block
// index, in record order: what a window sends after a variation.
struct ChangedRow
{
    const params::Param* param;
    int index;
};
std::vector<ChangedRow> changedRows(params::Editor editor, const QByteArray& before, const QByteArray& after);

} // namespace variation
