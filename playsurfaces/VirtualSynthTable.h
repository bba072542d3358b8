#pragma once

#include "model/SysEx.h"

#include <QByteArray>
#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

#include <vector>

// The virtual analog synthesizer over the temporary patch: tone 1 is oscillator A, tone
// 2 oscillator B. Every choice control and knob of its panel with its items, range,
// first value, the parameter rows it writes and the rule by which its value becomes
// values of those rows; the coloured headings; the patch it starts from. Addresses and
// the bytes of a value come from the parameter table (model/ParamTable.h), never from
// here. The panel's controls carry these in their stored states, as a dialog's
// controls do.
namespace vsynth {

// How a control's value becomes values of its rows (see CVirtualSynthSender).
enum class Rule {
    Both,       // the rows of tone 1, then those of tone 2
    BothPlus63, // the same with value + 63
    BothPlus50, // the same with value + 50
    Once,       // rows of the common block
    Wave,       // the wave group (fixed) and the value as wave number, of the control's tone
    Octave,     // tone 1's coarse tune, and tone 2's with the interval added
    Interval,   // tone 2's coarse tune: the octave plus the interval
    Tune,       // tone 2's fine tune, value + 50
    Mix,        // tone 1's level 127 - value, tone 2's level value
    FilterMode, // the common structure (two filters in a row make 24 dB) and the tones' filter type
    Lfo1Dest,   // where LFO 1 goes: the old destination back to neutral, the new one to the depth
    Lfo1Depth,
    Lfo2Dest,
    Lfo2Depth,
    Wheel,    // what the modulation wheel controls
    Pressure, // what aftertouch controls
};

enum class Section { OscA, Mix, Filter, OscB, FilterEnv, OscBPitchEg, AmpEnv, Lfo1, Lfo2, Control };

// The panel's controls by their numbers.
namespace id {
constexpr int kCutoff = 1000;
constexpr int kReso = 1001;
constexpr int kFilterEnv = 1002;
constexpr int kFilterEnvVelocity = 1004;
constexpr int kFilterEnvRelease = 1005;
constexpr int kFilterEnvSustain = 1006;
constexpr int kFilterEnvDecay = 1007;
constexpr int kFilterEnvAttack = 1008;
constexpr int kGlideTime = 1009;
constexpr int kLfo1Depth = 1010;
constexpr int kLfo1Rate = 1011;
constexpr int kPitchEgDepth = 1012;
constexpr int kPitchEgDecay = 1013;
constexpr int kPitchEgAttack = 1014;
constexpr int kTune = 1015;
constexpr int kInterval = 1016;
constexpr int kMix = 1017;
constexpr int kAmpEnvVelocity = 1029;
constexpr int kAmpEnvRelease = 1030;
constexpr int kAmpEnvSustain = 1031;
constexpr int kAmpEnvDecay = 1032;
constexpr int kAmpEnvAttack = 1033;
constexpr int kLfo2Depth = 1037;
constexpr int kLfo2Rate = 1038;
constexpr int kOscAWave = 1043;
constexpr int kOctave = 1044;
constexpr int kFilterMode = 1045;
constexpr int kOscBWave = 1046;
constexpr int kLfo1Wave = 1048;
constexpr int kLfo1Dest = 1049;
constexpr int kLfo2Dest = 1050;
constexpr int kWheel = 1051;
constexpr int kPressure = 1052;
constexpr int kGlide = 1053;
constexpr int kVoice = 1054;
constexpr int kInit = 1057;
} // namespace id

// A row a control writes: the parameter's id, and a fixed value or the control's own.
inline constexpr int kControlValue = -1;
struct Write
{
    const char* row = nullptr;
    int fixed = kControlValue;
};

struct ControlDef
{
    int id = 0;
    Section section = Section::OscA;
    QString label;
    bool choice = false;
    // A choice control: its items, the value of each and the item chosen first.
    QStringList items;
    QList<int> values;
    // A knob: its range; its first value. A choice control: the first item's index.
    int minimum = 0;
    int maximum = 0;
    int initial = 0;
    std::vector<Write> writes; // empty where the rule names its rows itself
    int tone = 0;              // the tone of a one-tone rule (Wave): 0 oscillator A, 1 oscillator B
    Rule rule = Rule::Both;
};

// What a control writes as text, for its stored state: "tone.tvf.time1 tone.tvf.level1=127".
QString writesText(const ControlDef& def);

struct Heading
{
    Section section;
    QString caption;
    QColor backColor;
    QColor foreColor;
};

// Every control in the panel's tab order.
const std::vector<ControlDef>& controls();
const ControlDef& control(int id);
const std::vector<Heading>& headings();
const Heading& heading(Section section);

// Init resets the knobs, then the choice controls, in these orders.
const std::vector<int>& knobResetOrder();
const std::vector<int>& choiceResetOrder();

// The keys 1 to 4 take the focus to these controls.
const std::vector<int>& focusKeys();

// The data bytes of the patch "VirtualSynth": a new patch of the parameter table
// named "VirtualSynth", tones 1 and 2 (the oscillators) sounding, 3 and 4 silent
// copies of tone 1. block is PatchCommon (index ignored) or PatchTone, index 0 .. 3.
std::vector<std::uint8_t> initialPatchData(sysex::Block block, int index);

// Sizes of the controls on the panel.
inline constexpr QSize kChoiceSize{76, 26};
inline constexpr QSize kKnobSize{46, 46};
inline constexpr int kHeadingHeight = 20;

// The stored states the panel creates its controls from: a choice control with its
// lists, rows and selection in bold 12-point Arial on grey; a knob with its
// rows, first value and range in its section's colour, announcing its value when
// reset; a heading as a coloured band.
QByteArray choiceState(const ControlDef& def);
QByteArray knobState(const ControlDef& def);
QByteArray headingState(const Heading& heading, int width);

} // namespace vsynth
