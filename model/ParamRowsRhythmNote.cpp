// The rows of a rhythm note block (one key of a rhythm set).

#include "model/ParamRows.h"

namespace params::rowdata {

namespace {

constexpr const char* kEnvelopeModes[] = {"NO-SUS", "SUSTAIN"};

} // namespace

void buildRhythmNote(std::vector<Param>& r)
{
    using valuelists::kTimeSens;
    using valuelists::kVelocitySens;
    using valuelists::kZeroTo127;
    using V = Variation;
    Builder b(r, Block::RhythmNote);
    const auto id = [](const char* name) { return QStringLiteral("note.") + QLatin1String(name); };
    const auto text = [](const char* t) { return QString::fromLatin1(t); };

    b.page(Page::Wave);
    b.check(id("switch"), 0x00, text("Tone Switch"), 1);
    b.contextList(id("wave.group"), 0x01, text("Wave Group"), Kind::WaveGroup, 0, 0, 1).group(2);
    b.contextList(id("wave.number"), 0x03, text("Wave Number"), Kind::WaveNumber, 0, kTwoNibbleMax, 0).nibbles();
    b.list(id("wave.gain"), 0x05, text("Wave Gain"), texts(kWaveGains), 1);
    b.list(id("bendRange"), 0x06, text("Bend Range"), numbers(0, 12), 0);
    b.list(id("muteGroup"), 0x07, text("Mute Group"), {Kind::OffNumbers, 1, 1, 31, valuelists::Format::Plain, nullptr},
           0)
        .vary(V::FixedUnlessAsked);
    b.list(id("envelopeMode"), 0x08, text("Envelope Mode"), texts(kEnvelopeModes), 0);
    b.check(id("control.volume"), 0x09, text("Volume"), 0);
    b.check(id("control.hold"), 0x0A, text("Hold-1"), 0);
    b.list(id("control.pan"), 0x0B, text("Pan"), texts(kPanSwitches), 0);
    b.list(id("pan"), 0x33, text("Tone Pan"), valuelists::kPan64, 0);
    b.list(id("randomPan"), 0x34, text("Random Depth"), numbers(0, 63), 0);
    b.list(id("alternatePan"), 0x35, text("Alternate Depth"), valuelists::kAlternatePan, 64, 1);

    b.page(Page::Pitch);
    // The key's pitch in semitones.
    b.list(id("pitch.coarse"), 0x0C, text("Coarse"), valuelists::kNote, 0).vary(V::Stepwise);
    b.list(id("pitch.fine"), 0x0D, text("Fine"), kFine50, 50);
    b.list(id("pitch.random"), 0x0E, text("Random Pitch"), valuelists::kRandomPitch, 0);
    b.list(id("penv.depth"), 0x0F, text("Envelope Depth"), valuelists::kEnvelopeDepth12, 12);
    b.list(id("penv.velocitySens"), 0x10, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("penv.velocityTime"), 0x11, text("Velocity Time"), kTimeSens, 7);
    addEnvelope(b, id("penv."), 0x12, 4, valuelists::kSigned63, {0, 0, 0, 0}, {63, 63, 63, 63});

    b.page(Page::Tvf);
    b.list(id("tvf.filterType"), 0x1A, text("Filter Type"), texts(kFilterTypes), 0);
    b.list(id("tvf.cutoff"), 0x1B, text("Cutoff Frequency"), kZeroTo127, 127);
    b.list(id("tvf.resonance"), 0x1C, text("Resonance"), kZeroTo127, 0);
    b.list(id("tvf.resonanceVelocitySens"), 0x1D, text("Resonance Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.envDepth"), 0x1E, text("Envelope Depth"), valuelists::kSigned63, 63);
    b.list(id("tvf.velocitySens"), 0x1F, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.velocityTime"), 0x20, text("Velocity Time"), kTimeSens, 7);
    addEnvelope(b, id("tvf."), 0x21, 4, kZeroTo127, {0, 0, 0, 0}, {0, 0, 0, 0});

    b.page(Page::Tva);
    b.list(id("tva.level"), 0x29, text("Tone Level"), kZeroTo127, 127);
    b.list(id("tva.velocitySens"), 0x2A, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("tva.velocityTime"), 0x2B, text("Velocity Time"), kTimeSens, 7);
    addEnvelope(b, id("tva."), 0x2C, 3, kZeroTo127, {0, 0, 0, 0}, {0, 0, 0, 0});
    b.list(id("output"), 0x36, text("Output Assign"), texts(kToneOutputs), 0);
    b.list(id("mixSend"), 0x37, text("Mix/EFX Level"), kZeroTo127, 127);
    b.list(id("chorusSend"), 0x38, text("Chorus Level"), kZeroTo127, 127);
    b.list(id("reverbSend"), 0x39, text("Reverb Level"), kZeroTo127, 127);
}

} // namespace params::rowdata
