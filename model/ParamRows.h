#pragma once

// The means by which the rows of the six blocks are written down (one file per block,
// ParamRows*.cpp): a builder that adds rows page by page, the value lists more than
// one block shows, and the row groups the patch and the performance share. Only the
// table's own files include this.

#include "model/ParamTable.h"

#include <array>
#include <vector>

namespace params::rowdata {

using sysex::Block;
using valuelists::Kind;
using valuelists::named;
using valuelists::numbers;
using valuelists::texts;
using valuelists::ValueList;

constexpr int kPageCount = static_cast<int>(Page::Mix) + 1;
constexpr int kNameLength = 12;
constexpr int kGroupIdSpan = 128;
constexpr int kByteMax = 127;
constexpr int kFirstPrintable = 32;
constexpr int kTwoNibbleMax = 254; // wave and patch numbers: 0 .. 254
// A list of at most this many items moves in steps; a longer one is a scale.
constexpr int kStepwiseItems = 32;

// Lists of more than one block.
inline constexpr const char* kOffOn[] = {"OFF", "ON"};
inline constexpr const char* kPanSwitches[] = {"OFF", "CONTINUOUS", "KEY-ON"};
inline constexpr const char* kWaveGains[] = {"-6", "0", "+6", "+12"};
inline constexpr const char* kFilterTypes[] = {"OFF", "LPF", "BPF", "HPF", "PKG"};
inline constexpr const char* kToneOutputs[] = {"MIX", "EFX", "OUTPUT 1", "OUTPUT 2"};
inline constexpr ValueList kOctaveShift = numbers(-3, 3);
inline constexpr ValueList kFine50 = numbers(-50, 50, 1, valuelists::Format::Signed);

// Adds the rows of one block page by page; each row's order is its place on its page.
// How a row may vary follows from its control and list (a check box, a name, a list
// of texts and a list of the name store stay fixed unless asked; a short list of
// numbers moves stepwise; a number box and a long list are continuous, see
// listVariation) unless vary() says otherwise.
class Builder
{
public:
    Builder(std::vector<Param>& rows, Block block) : m_rows(rows), m_block(block) {}

    Builder& page(Page page);
    // The random patch group of the rows added from now on.
    Builder& random(RandomGroup group);
    Param& add(const QString& id, int offset, const QString& label);
    // A drop-down list whose first item is stored as min.
    Builder& list(const QString& id, int offset, const QString& label, const ValueList& items, int def, int min = 0);
    // A list filled from the record or the name store.
    Builder& contextList(const QString& id, int offset, const QString& label, Kind kind, int min, int max, int def);
    Builder& check(const QString& id, int offset, const QString& label, int def);
    Builder& number(const QString& id, int offset, const QString& label, int min, int max, int def,
                    int shownOffset = 0);
    Builder& scroll(const QString& id, int offset, const QString& label, const ValueList& items, int def);
    Builder& name(const QString& id, const QString& label);

    // Modifiers of the row added last.
    Builder& nibbles();
    Builder& group(int maxType);
    Builder& shownOn(std::uint8_t models);
    Builder& rule(DefaultRule rule);
    Builder& vary(Variation variation);
    Builder& keep(int value);
    // A row drawn with another group than the rows around it.
    Builder& drawnWith(RandomGroup group);

private:
    std::vector<Param>& m_rows;
    Block m_block;
    Page m_page = Page::None;
    RandomGroup m_random = RandomGroup::None;
    std::array<int, kPageCount> m_order{};
};

QString numbered(const char* text, int n);

// How a row with this list varies: texts and the lists of the record or the name store
// are choices, texts that are all numbers and a list of up to kStepwiseItems numbers
// step, a longer list is a scale.
Variation listVariation(const ValueList& items);

// Chorus, reverb and multi-effect rows of the patch or the performance common block.
void addEffects(Builder& b, bool performance);
// Time 1..4 and Level 1..levels of an envelope.
void addEnvelope(Builder& b, const QString& prefix, int timeOffset, int levels, const ValueList& levelList,
                 const std::array<int, 4>& timeDefaults, const std::array<int, 4>& levelDefaults);

// The rows of each block, in page order.
void buildPatchCommon(std::vector<Param>& rows);
void buildPatchTone(std::vector<Param>& rows);
void buildPerformanceCommon(std::vector<Param>& rows);
void buildPerformancePart(std::vector<Param>& rows);
void buildRhythmCommon(std::vector<Param>& rows);
void buildRhythmNote(std::vector<Param>& rows);

} // namespace params::rowdata
