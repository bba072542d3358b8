#include "model/EfxTypes.h"

#include <algorithm>

namespace efx {

namespace {

using valuelists::Kind;
using valuelists::named;
using valuelists::numbers;
using valuelists::texts;
using valuelists::ValueList;

constexpr int kByteMaximum = 127;

// Value kinds of the rows.
constexpr ValueList kLevel = numbers(0, 127);
constexpr ValueList kGain = numbers(-15, 15);
constexpr ValueList kFeedback = numbers(-98, 98, 2);
constexpr ValueList kPhase = numbers(0, 180, 2);
constexpr ValueList kAcceleration = numbers(0, 15);
constexpr ValueList kOneToFive = numbers(1, 5);
constexpr ValueList kDeviation = numbers(0, 20);
constexpr ValueList kDepthDeviation = numbers(-20, 20);
constexpr ValueList kCoarsePitch = numbers(-24, 12);
constexpr ValueList kFinePitch = numbers(-100, 100, 2);
constexpr ValueList kGateTime = numbers(5, 500, 5);
constexpr ValueList kFreq = named(Kind::Freq);
constexpr ValueList kDamp = named(Kind::Damp);
constexpr ValueList kPan = named(Kind::Pan);
constexpr ValueList kFrequency = named(Kind::Frequency);
constexpr ValueList kRate = named(Kind::Rate);
constexpr ValueList kRateNote = named(Kind::RateNote);
constexpr ValueList kDelay100 = named(Kind::Delay100);
constexpr ValueList kDelay500 = named(Kind::Delay500);
constexpr ValueList kTap550 = named(Kind::Tap550);
constexpr ValueList kTap600 = named(Kind::Tap600);
constexpr ValueList kEffectBalance = named(Kind::EffectBalance);
constexpr ValueList kLevelBalance = named(Kind::LevelBalance);

constexpr const char* kLowFrequencies[] = {"200", "400"};
constexpr const char* kHighFrequencies[] = {"4000", "8000"};
constexpr const char* kQ[] = {"0.5", "1.0", "2.0", "4.0", "9.0"};
constexpr const char* kAmpTypes[] = {"SMALL", "BUILT-IN", "2STACK", "3STACK"};
constexpr const char* kWahFilters[] = {"LPF", "BPF"};
constexpr const char* kSpeeds[] = {"SLOW", "FAST"};
constexpr const char* kPostGains[] = {"x1", "x2", "x4", "x8"};
constexpr const char* kRatios[] = {"1.5:1", "2:1", "4:1", "100:1"};
constexpr const char* kFilterTypes[] = {"OFF", "LPF", "HPF"};
constexpr const char* kFeedbackModes[] = {"NORMAL", "CROSS"};
constexpr const char* kPhases[] = {"NORMAL", "INVERT"};
constexpr const char* kReverbTypes[] = {"ROOM 1", "ROOM 2", "STAGE 1", "STAGE 2", "HALL 1", "HALL 2"};
constexpr const char* kGateTypes[] = {"NORMAL", "REVERSE", "SWEEP 1", "SWEEP 2"};

constexpr Row kUnused{};

// Row by row, labels as the page shows them (typos included: the instrument's users
// know the page by them).
constexpr Rows kStereoEq = {{{"Low Frequency:", texts(kLowFrequencies)},
                             {"Low Gain:", kGain},
                             {"High Frequency:", texts(kHighFrequencies)},
                             {"High Gain:", kGain},
                             {"Peaking1 Frequency:", kFreq},
                             {"Peaking1 Q:", texts(kQ)},
                             {"Peaking1 Gain:", kGain},
                             {"Peaking2 Frequency:", kFreq},
                             {"Peaking2 Q:", texts(kQ)},
                             {"Peaking2 Gain:", kGain},
                             {"Output Level:", kLevel},
                             kUnused}};
constexpr Rows kDrive = {{{"Drive:", kLevel},
                          {"Output Pan:", kPan},
                          {"Amp Type:", texts(kAmpTypes)},
                          {"Low Gain:", kGain},
                          {"High Gain:", kGain},
                          {"Output Level:", kLevel}}};
constexpr Rows kPhaser = {{{"Manual:", kFrequency},
                           {"Phaser Rate:", kRate},
                           {"Phaser Depth:", kLevel},
                           {"Resonance:", kLevel},
                           {"Mix Level:", kLevel},
                           {"Output Pan:", kPan},
                           {"Output Level:", kLevel}}};
constexpr Rows kSpectrum = {{{"Band 1 Level:", kGain},
                             {"Band 2 Level:", kGain},
                             {"Band 3 Level:", kGain},
                             {"Band 4 Level:", kGain},
                             {"Band 5 Level:", kGain},
                             {"Band 6 Level:", kGain},
                             {"Band 7 Level:", kGain},
                             {"Band 8 Level:", kGain},
                             {"Band Width:", kOneToFive},
                             {"Output Pan:", kPan},
                             {"Output Level:", kLevel}}};
constexpr Rows kEnhancer = {{{"Sensitivity:", kLevel},
                             {"Mix Level:", kLevel},
                             {"Low Gain:", kGain},
                             {"High Gain:", kGain},
                             {"Output Level:", kLevel}}};
constexpr Rows kAutoWah = {{{"Filter Type:", texts(kWahFilters)},
                            {"LFO Rate:", kRate},
                            {"LFO Depth:", kLevel},
                            {"Sensitivity:", kLevel},
                            {"Manual:", kLevel},
                            {"Peak:", kLevel},
                            {"Output Level:", kLevel}}};
constexpr Rows kRotary = {{{"High Frq. Slow Rate:", kRate},
                           {"Low Frq. Slow Rate:", kRate},
                           {"High Frq. Fast Rate:", kRate},
                           {"Low Frq. Fast Rate:", kRate},
                           {"Speed:", texts(kSpeeds)},
                           {"High Frq. Acceleration:", kAcceleration},
                           {"Low Frq. Acceleration:", kAcceleration},
                           {"High Frq. Level:", kLevel},
                           {"Low Frq. Level:", kLevel},
                           {"Separation:", kLevel},
                           {"Output Level:", kLevel}}};
constexpr Rows kCompressor = {{{"Sustain Rate:", kLevel},
                               {"Attack Rate:", kLevel},
                               {"Output Pan:", kPan},
                               {"Post Gain:", texts(kPostGains)},
                               {"Low Gain:", kGain},
                               {"High Gain:", kGain},
                               {"Output Level:", kLevel}}};
constexpr Rows kLimiter = {{{"Threshold:", kLevel},
                            {"Release Time:", kLevel},
                            {"Ratio:", texts(kRatios)},
                            {"Output Pan:", kPan},
                            {"Post Gain:", texts(kPostGains)},
                            {"Low Gain:", kGain},
                            {"High Gain:", kGain},
                            {"Output Level:", kLevel}}};
constexpr Rows kHexaChorus = {{{"Pre Delay Time:", kDelay100},
                               {"Chorus Rate:", kRate},
                               {"Chorus Depth:", kLevel},
                               {"Pre Delay Deviation:", kDeviation},
                               {"Depth Deviation:", kDepthDeviation},
                               {"Pan Deviation:", kDeviation},
                               {"Effect Balance:", kEffectBalance},
                               {"Output Level:", kLevel}}};
constexpr Rows kTremoloChorus = {{{"Pre Delay Time:", kDelay100},
                                  {"Chorus Rate:", kRate},
                                  {"Chorus Depth:", kLevel},
                                  {"Tremolo Rate:", kRate},
                                  {"Tremolo Separation:", kLevel},
                                  {"Chorus Phase:", kPhase},
                                  {"Effect Balance:", kEffectBalance},
                                  {"Output Level:", kLevel}}};
constexpr Rows kSpaceD = {{{"Pre Delay Time:", kDelay100},
                           {"Chorus Rate:", kRate},
                           {"Chorus Depth:", kLevel},
                           {"Phase:", kPhase},
                           {"Low Gain:", kGain},
                           {"High Gain:", kGain},
                           {"Effect Balance:", kEffectBalance},
                           {"Output Level:", kLevel}}};
constexpr Rows kStereoChorus = {{{"Filter Type:", texts(kFilterTypes)},
                                 {"Cutoff Frequency:", kFreq},
                                 {"Pre Delay Time:", kDelay100},
                                 {"Chorus Rate:", kRate},
                                 {"Chorus Depth:", kLevel},
                                 {"Phase:", kPhase},
                                 kUnused,
                                 {"Low Gain:", kGain},
                                 {"High Gain:", kGain},
                                 {"Effect Balance:", kEffectBalance},
                                 {"Output Level:", kLevel}}};
constexpr Rows kStereoFlanger = {{{"Filter Type:", texts(kFilterTypes)},
                                  {"Cutoff Frequency:", kFreq},
                                  {"Pre Delay Time:", kDelay100},
                                  {"LFO Rate:", kRate},
                                  {"LFO Depth:", kLevel},
                                  {"Phase:", kPhase},
                                  {"Feedback:", kFeedback},
                                  {"Low Gain:", kGain},
                                  {"High Gain:", kGain},
                                  {"Effect Balance:", kEffectBalance},
                                  {"Output Level:", kLevel}}};
constexpr Rows kStepFlanger = {{{"Pre Delay Time:", kDelay100},
                                {"LFO Rate:", kRate},
                                {"LFO Depth:", kLevel},
                                {"Feedback:", kFeedback},
                                {"Step Rate:", kRateNote},
                                {"Phase:", kPhase},
                                {"Low Gain:", kGain},
                                {"High Gain:", kGain},
                                {"Effect Balance:", kEffectBalance},
                                {"Output Level:", kLevel}}};
constexpr Rows kStereoDelay = {{{"Feedback Mode:", texts(kFeedbackModes)},
                                {"Delay Time Left:", kDelay500},
                                {"Delay Time Right:", kDelay500},
                                {"Phase Left:", texts(kPhases)},
                                {"Phase Right:", texts(kPhases)},
                                {"Feedback:", kFeedback},
                                {"High Frequency Damp:", kDamp},
                                {"Low Gain:", kGain},
                                {"High Gain:", kGain},
                                {"Effect Balance:", kEffectBalance},
                                {"Output Level:", kLevel}}};
constexpr Rows kModulationDelay = {{{"Feedback Mode:", texts(kFeedbackModes)},
                                    {"Delay Time Left:", kDelay500},
                                    {"Delay Time Right:", kDelay500},
                                    {"Feedback:", kFeedback},
                                    {"High Frequency Damp:", kDamp},
                                    {"Modulation Rate:", kRate},
                                    {"Modulation Depth:", kLevel},
                                    {"Phase:", kPhase},
                                    {"Low Gain:", kGain},
                                    {"High Gain:", kGain},
                                    {"Effect Balance:", kEffectBalance},
                                    {"Output Level:", kLevel}}};
constexpr Rows kTripleTapDelay = {{{"Delay Time Left:", kTap550},
                                   {"Delay Time Right:", kTap550},
                                   {"Delay Time Center:", kTap550},
                                   {"Feedback:", kFeedback},
                                   {"High Frequency Damp:", kDamp},
                                   {"Left Level:", kLevel},
                                   {"Right Level:", kLevel},
                                   {"Center Level:", kLevel},
                                   {"Low Gain:", kGain},
                                   {"High Gain:", kGain},
                                   {"Effect Balance:", kEffectBalance},
                                   {"Output Level:", kLevel}}};
constexpr Rows kQuadrupleTapDelay = {{{"Delay Time 1:", kTap550},
                                      {"Delay Time 2:", kTap550},
                                      {"Delay Time 3:", kTap550},
                                      {"Delay Time 4:", kTap550},
                                      {"Level 1:", kLevel},
                                      {"Level 2:", kLevel},
                                      {"Level 3:", kLevel},
                                      {"Level 4:", kLevel},
                                      {"Feedback:", kFeedback},
                                      {"High Frequency Damp:", kDamp},
                                      {"Effect Balance:", kEffectBalance},
                                      {"Output Level:", kLevel}}};
constexpr Rows kTimeControlDelay = {{{"Delay Time:", kTap600},
                                     {"Feedback:", kFeedback},
                                     {"Acceleration:", kAcceleration},
                                     {"High Frequency Damp:", kDamp},
                                     {"Output Pan:", kPan},
                                     {"Low Gain:", kGain},
                                     {"High Gain:", kGain},
                                     {"Effect Balance:", kEffectBalance},
                                     {"Output Level:", kLevel}}};
constexpr Rows kTwoVoicePitchShifter = {{{"Pitch Shift Mode:", kOneToFive},
                                         {"Coarse Pitch A:", kCoarsePitch},
                                         {"Coarse Pitch B:", kCoarsePitch},
                                         {"Fine Pitch A:", kFinePitch},
                                         {"Fine Pitch B:", kFinePitch},
                                         {"Pre Delay Time A:", kDelay500},
                                         {"Pre Delay Time B:", kDelay500},
                                         {"Output Pan A:", kPan},
                                         {"Output Pan B:", kPan},
                                         {"Level Balance:", kLevelBalance},
                                         {"Effect Balance:", kEffectBalance},
                                         {"Output Level:", kLevel}}};
constexpr Rows kFeedbackPitchShifter = {{{"Pitch Shift Mode:", kOneToFive},
                                         {"Coarse Pitch:", kCoarsePitch},
                                         {"Fine Pitch:", kFinePitch},
                                         {"Pre Delay Time:", kDelay500},
                                         {"Feedback:", kFeedback},
                                         {"Output Pan:", kPan},
                                         {"Low Gain:", kGain},
                                         {"High Gain:", kGain},
                                         {"Effect Balance:", kEffectBalance},
                                         {"Output Level:", kLevel}}};
constexpr Rows kReverb = {{{"Reverb Type:", texts(kReverbTypes)},
                           {"Pre Delay Time:", kDelay100},
                           {"Reverb Time:", kLevel},
                           {"High Frequency Damp:", kDamp},
                           {"Low Gain:", kGain},
                           {"High Gain:", kGain},
                           {"Effect Balance:", kEffectBalance},
                           {"Output Level:", kLevel}}};
constexpr Rows kGateReverb = {{{"Reverb Type:", texts(kGateTypes)},
                               {"Pre Delay Time:", kDelay100},
                               {"Gate Time:", kGateTime},
                               {"Low Gain:", kGain},
                               {"High Gain:", kGain},
                               {"Effect Balance:", kEffectBalance},
                               {"Output Level:", kLevel}}};
// The distortion chains show the overdrive's labels.
constexpr Rows kDriveChorus = {{{"Drive:", kLevel},
                                {"Overdrive Pan:", kPan},
                                {"Chorus Pre Delay:", kDelay100},
                                {"Chorus Rate:", kRate},
                                {"Chorus Depth:", kLevel},
                                kUnused,
                                {"Chorus Balance:", kEffectBalance},
                                {"Output Level:", kLevel}}};
constexpr Rows kDriveFlanger = {{{"Drive:", kLevel},
                                 {"Overdrive Pan:", kPan},
                                 {"Flanger Pre Delay:", kDelay100},
                                 {"Flanger Rate;", kRate},
                                 {"Flanger Depth:", kLevel},
                                 {"Flanger Feedback:", kFeedback},
                                 {"Flanger Balance:", kEffectBalance},
                                 {"Output Level:", kLevel}}};
constexpr Rows kDriveDelay = {{{"Drive:", kLevel},
                               {"Overdrive Pan:", kPan},
                               {"Delay Time:", kDelay500},
                               {"Delay Feedback:", kFeedback},
                               {"Delay HF Damp:", kDamp},
                               {"Delay Balance:", kEffectBalance},
                               {"Output Level:", kLevel}}};
constexpr Rows kEnhancerChorus = {{{"Sensitivity:", kLevel},
                                   {"Mix Level:", kLevel},
                                   {"Chorus Pre Delay:", kDelay100},
                                   {"Chorus Rate:", kRate},
                                   {"Chorus Depth:", kLevel},
                                   kUnused,
                                   {"Chorus Balance:", kEffectBalance},
                                   {"Output Level:", kLevel}}};
constexpr Rows kEnhancerFlanger = {{{"Sensitivity:", kLevel},
                                    {"Mix Level:", kLevel},
                                    {"Flanger Pre Delay:", kDelay100},
                                    {"Flanger Rate:", kRate},
                                    {"Flanger Depth:", kLevel},
                                    {"Flanger Feedback:", kFeedback},
                                    {"Flanger Balance:", kEffectBalance},
                                    {"Output Level:", kLevel}}};
constexpr Rows kEnhancerDelay = {{{"Sensitivity:", kLevel},
                                  {"Mix Level:", kLevel},
                                  {"Delay Time:", kDelay500},
                                  {"Delay Feedback:", kFeedback},
                                  {"Delay HF Damp:", kDamp},
                                  kUnused,
                                  {"Delay Balance:", kEffectBalance},
                                  {"Output Level:", kLevel}}};
// Chains and parallel pairs of the same two effects have the same rows.
constexpr Rows kChorusDelay = {{{"Chorus Pre Delay:", kDelay100},
                                {"Chorus Rate:", kRate},
                                {"Chorus Depth:", kLevel},
                                kUnused,
                                {"Chorus Balance:", kEffectBalance},
                                {"Delay Time:", kDelay500},
                                {"Delay Feedback:", kFeedback},
                                {"Delay HF Damp:", kDamp},
                                {"Delay Balance:", kEffectBalance},
                                {"Output Level:", kLevel}}};
constexpr Rows kFlangerDelay = {{{"Flanger Pre Delay:", kDelay100},
                                 {"Flanger Rate:", kRate},
                                 {"Flanger Depth:", kLevel},
                                 {"Flanger Feedback:", kFeedback},
                                 {"Flanger Balance:", kEffectBalance},
                                 {"Delay Time:", kDelay500},
                                 {"Delay Feedback:", kFeedback},
                                 {"Delay HF Damp:", kDamp},
                                 {"Delay Balance:", kEffectBalance},
                                 {"Output Level:", kLevel}}};
constexpr Rows kChorusFlanger = {{{"Chorus Pre Delay:", kDelay100},
                                  {"Chorus Rate:", kRate},
                                  {"Chorus Depth:", kLevel},
                                  {"Chorus Balance:", kEffectBalance},
                                  {"Flanger Pre Delay:", kDelay100},
                                  {"Flanger Rate:", kRate},
                                  {"Flanger Depth:", kLevel},
                                  {"Flanger Feedback:", kFeedback},
                                  {"Flanger Balance:", kEffectBalance},
                                  {"Output Level:", kLevel}}};

constexpr Type kTypes[kTypeCount] = {
    {"01:STEREO-EQ", "Level", "", &kStereoEq},
    {"02:OVERDRIVE", "Drive", "Pan", &kDrive},
    {"03:DISTORTION", "Drive", "Pan", &kDrive},
    {"04:PHASER", "Manual", "Rate", &kPhaser},
    {"05:SPECTRUM", "Pan", "Level", &kSpectrum},
    {"06:ENHANCER", "Sensitivity", "Mix", &kEnhancer},
    {"07:AUTO-WAH", "Rate", "Manual", &kAutoWah},
    {"08:ROTARY", "Speed", "Level", &kRotary},
    {"09:COMPRESSOR", "Pan", "Level", &kCompressor},
    {"10:LIMITER", "Pan", "Level", &kLimiter},
    {"11:HEXA-CHORUS", "Rate", "Balance", &kHexaChorus},
    {"12:TREMOLO-CHORUS", "Tremolo Rate", "Balance", &kTremoloChorus},
    {"13:SPACE-D", "Rate", "Balance", &kSpaceD},
    {"14:STEREO-CHORUS", "Rate", "Balance", &kStereoChorus},
    {"15:STEREO-FLANGER", "Rate", "Feedback", &kStereoFlanger},
    {"16:STEP-FLANGER", "Step Rate", "Feedback", &kStepFlanger},
    {"17:STEREO-DELAY", "Feedback", "Balance", &kStereoDelay},
    {"18:MODULATION-DELAY", "Rate", "Balance", &kModulationDelay},
    {"19:TRIPLE-TAP-DELAY", "Feedback", "Balance", &kTripleTapDelay},
    {"20:QUADRUPLE-TAP-DELAY", "Feedback", "Balance", &kQuadrupleTapDelay},
    {"21:TIME-CONTROL-DELAY", "Delay", "Feedback", &kTimeControlDelay},
    {"22:2VOICE-PITCH-SHIFTER", "Coarse A", "Coarse B", &kTwoVoicePitchShifter},
    {"23:FBK-PITCH-SHIFTER", "Coarse", "Feedback", &kFeedbackPitchShifter},
    {"24:REVERB", "Time", "Balance", &kReverb},
    {"25:GATE-REVERB", "Balance", "Level", &kGateReverb},
    {"26:OVERDRIVE->CHORUS", "Pan", "Balance", &kDriveChorus},
    {"27:OVERDRIVE->FLANGER", "Pan", "Balance", &kDriveFlanger},
    {"28:OVERDRIVE->DELAY", "Pan", "Balance", &kDriveDelay},
    {"29:DISTORTION->CHORUS", "Pan", "Balance", &kDriveChorus},
    {"30:DISTORTION->FLANGER", "Pan", "Balance", &kDriveFlanger},
    {"31:DISTORTION->DELAY", "Pan", "Balance", &kDriveDelay},
    {"32:ENHANCER->CHORUS", "Sensitivity", "Balance", &kEnhancerChorus},
    {"33:ENHANCER->FLANGER", "Sensitivity", "Balance", &kEnhancerFlanger},
    {"34:ENHANCER->DELAY", "Sensitivity", "Balance", &kEnhancerDelay},
    {"35:CHORUS->DELAY", "Chorus Balance", "Delay Balance", &kChorusDelay},
    {"36:FLANGER->DELAY", "Flanger Balance", "Delay Balance", &kFlangerDelay},
    {"37:CHORUS->FLANGER", "Chorus Balance", "Flanger Balance", &kChorusFlanger},
    {"38:CHORUS/DELAY", "Chorus Balance", "Delay Balance", &kChorusDelay},
    {"39:FLANGER/DELAY", "Flanger Balance", "Delay Balance", &kFlangerDelay},
    {"40:CHORUS/FLANGER", "Chorus Balance", "Flanger Balance", &kChorusFlanger},
};

const Row* rowOf(int typeIndex, int row)
{
    if (row < 0 || row >= kRowCount)
        return nullptr;
    return &(*type(typeIndex).rows)[static_cast<std::size_t>(row)];
}

} // namespace

const Type& type(int index)
{
    return kTypes[index >= 0 && index < kTypeCount ? index : 0];
}

QStringList typeNames()
{
    QStringList names;
    for (const Type& t : kTypes)
        names << QString::fromLatin1(t.name);
    return names;
}

bool rowUsed(int typeIndex, int row)
{
    const Row* r = rowOf(typeIndex, row);
    return r && r->label;
}

QString rowLabel(int typeIndex, int row)
{
    return rowUsed(typeIndex, row) ? QString::fromLatin1(rowOf(typeIndex, row)->label) : QString();
}

QStringList rowItems(int typeIndex, int row)
{
    return rowUsed(typeIndex, row) ? valuelists::items(rowOf(typeIndex, row)->list) : QStringList();
}

int rowMaximum(int typeIndex, int row)
{
    if (!rowUsed(typeIndex, row))
        return kByteMaximum;
    return std::min(valuelists::itemCount(rowOf(typeIndex, row)->list) - 1, kByteMaximum);
}

QString controlText(int typeIndex, int control)
{
    const Type& t = type(typeIndex);
    const char* name = control == 2 ? t.control2 : t.control1;
    return QStringLiteral("Control %1: ").arg(control == 2 ? 2 : 1) + QString::fromLatin1(name);
}

} // namespace efx
