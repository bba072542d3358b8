// The rows of a patch tone block.

#include "model/ParamRows.h"

namespace params::rowdata {

namespace {

constexpr const char* kDelayModes[] = {"NORMAL",     "HOLD",      "PLAYMATE", "CLOCK-SYNC",
                                       "<TAP-SYNC>", "KEY-OFF-N", "KEY-OFF-D"};
constexpr const char* kDestinations[] = {"OFF", "PCH", "CUT", "RES", "LEV", "PAN", "MIX", "CHO", "REV", "PL1",
                                         "PL2", "FL1", "FL2", "AL1", "AL2", "pL1", "pL2", "L1R", "L2R"};
constexpr const char* kWaveforms[] = {"TRI", "SIN", "SAW", "SQR", "TRP", "S&H", "RND", "CHS"};
constexpr const char* kLfoOffsets[] = {"-100", "-50", "0", "+50", "+100"};
constexpr const char* kFadeModes[] = {"ON-IN", "ON-OUT", "OFF-IN", "OFF-OUT"};
constexpr const char* kExternalSyncs[] = {"OFF", "CLOCK", "<TAP>"};
constexpr const char* kBiasDirections[] = {"LOWER", "UPPER", "LOWER&UPPER", "ALL"};
constexpr ValueList kCoarse48 = numbers(-48, 48, 1, valuelists::Format::Signed);

} // namespace

void buildPatchTone(std::vector<Param>& r)
{
    using valuelists::kSigned63;
    using valuelists::kTimeSens;
    using valuelists::kVelocitySens;
    using valuelists::kZeroTo127;
    using V = Variation;
    Builder b(r, Block::PatchTone);
    const auto id = [](const char* name) { return QStringLiteral("tone.") + QLatin1String(name); };
    const auto text = [](const char* t) { return QString::fromLatin1(t); };

    b.page(Page::Wave);
    b.check(id("switch"), 0x00, text("Tone Switch"), 1).rule(DefaultRule::FirstBlockOnly);
    b.contextList(id("wave.group"), 0x01, text("Wave Group"), Kind::WaveGroup, 0, 0, 1).group(2);
    b.contextList(id("wave.number"), 0x03, text("Wave Number"), Kind::WaveNumber, 0, kTwoNibbleMax, 0).nibbles();
    b.random(RandomGroup::Wave);
    b.list(id("wave.gain"), 0x05, text("Wave Gain"), texts(kWaveGains), 1);
    b.check(id("fxm.switch"), 0x06, text("FXM Switch"), 0);
    b.list(id("fxm.color"), 0x07, text("FXM Color"), numbers(1, 4), 0);
    b.list(id("fxm.depth"), 0x08, text("FXM Depth"), numbers(1, 16), 0);
    // A random patch keeps the tone delay and the velocity range.
    b.random(RandomGroup::None);
    b.list(id("delay.mode"), 0x09, text("Tone Delay Mode"), texts(kDelayModes), 0);
    b.contextList(id("delay.time"), 0x0A, text("Tone Delay Time"), Kind::DelayTime, 0, kByteMax, 0);

    // The ranges of keys and velocities decide which notes a tone plays at all.
    b.page(Page::Controls);
    b.list(id("velocity.fade"), 0x0B, text("Velocity Cross Fade"), kZeroTo127, 0);
    b.list(id("velocity.lower"), 0x0C, text("Velocity Range Lower"), numbers(1, 127), 1, 1).vary(V::FixedUnlessAsked);
    b.list(id("velocity.upper"), 0x0D, text("Velocity Range Upper"), numbers(1, 127), 127, 1).vary(V::FixedUnlessAsked);
    b.random(RandomGroup::Controller);
    b.list(id("key.lower"), 0x0E, text("Keyboard Range Lower"), valuelists::kNote, 0).vary(V::FixedUnlessAsked).keep(0);
    b.list(id("key.upper"), 0x0F, text("Keyboard Range Upper"), valuelists::kNote, 127)
        .vary(V::FixedUnlessAsked)
        .keep(127);
    b.check(id("control.redamper"), 0x10, text("Redamper"), 0).keep(1);
    b.check(id("control.volume"), 0x11, text("Volume"), 1).keep(1);
    b.check(id("control.hold"), 0x12, text("Hold-1"), 1).keep(1);
    b.check(id("control.bender"), 0x13, text("Bender"), 1).keep(1);
    b.list(id("control.pan"), 0x14, text("Pan"), texts(kPanSwitches), 1).keep(1);

    for (int k = 0; k < 3; ++k) {
        b.page(static_cast<Page>(static_cast<int>(Page::Controller1) + k));
        const QString prefix = QStringLiteral("tone.ctrl%1.").arg(k + 1);
        for (int d = 0; d < 4; ++d)
            b.list(prefix + QStringLiteral("dest%1").arg(d + 1), 0x15 + 8 * k + 2 * d,
                   numbered("Destination %1", d + 1), texts(kDestinations), 0);
        for (int d = 0; d < 4; ++d)
            b.list(prefix + QStringLiteral("depth%1").arg(d + 1), 0x16 + 8 * k + 2 * d, numbered("Depth %1", d + 1),
                   kSigned63, 63);
    }

    // An LFO's depths are drawn with what they modulate.
    b.random(RandomGroup::Lfo);
    for (int m = 0; m < 2; ++m) {
        b.page(m == 0 ? Page::Lfo1 : Page::Lfo2);
        const QString prefix = QStringLiteral("tone.lfo%1.").arg(m + 1);
        const auto lfo = [&](const char* name) { return prefix + QLatin1String(name); };
        const int base = 0x2D + 8 * m;
        b.list(lfo("waveform"), base, text("Waveform"), texts(kWaveforms), 0);
        b.check(lfo("keyTrigger"), base + 1, text("Keytrigger"), 0);
        b.contextList(lfo("rate"), base + 2, text("Rate"), Kind::LfoRate, 0, kByteMax, 0x5C);
        b.list(lfo("offset"), base + 3, text("Offset"), texts(kLfoOffsets), 2);
        b.list(lfo("delay"), base + 4, text("Delay Time"), kZeroTo127, 0);
        b.list(lfo("fadeMode"), base + 5, text("Fade Mode"), texts(kFadeModes), 0);
        b.list(lfo("fadeTime"), base + 6, text("Fade Time"), kZeroTo127, 0);
        b.list(lfo("externalSync"), base + 7, text("External Sync"), texts(kExternalSyncs), 0).keep(0);
        b.list(lfo("pitchDepth"), 0x4E + m, text("Depth Pitch"), kSigned63, 63).drawnWith(RandomGroup::PitchEnvelope);
        b.list(lfo("tvfDepth"), 0x63 + m, text("Depth TVF"), kSigned63, 63).drawnWith(RandomGroup::Filter);
        b.list(lfo("tvaDepth"), 0x75 + m, text("Depth TVA"), kSigned63, 63).drawnWith(RandomGroup::Amplifier);
        b.list(lfo("panDepth"), 0x7B + m, text("Depth Panorama"), kSigned63, 63).drawnWith(RandomGroup::Amplifier);
    }

    b.page(Page::Pitch);
    b.random(RandomGroup::PitchEnvelope);
    // Semitones: a step is heard as a new pitch.
    b.list(id("pitch.coarse"), 0x3D, text("Coarse"), kCoarse48, 48).vary(V::Stepwise);
    b.list(id("pitch.fine"), 0x3E, text("Fine"), kFine50, 50);
    b.list(id("pitch.random"), 0x3F, text("Random Pitch"), valuelists::kRandomPitch, 0);
    b.list(id("pitch.keyfollow"), 0x40, text("Pitch Key Follow"), valuelists::kKeyfollow, 12);
    b.list(id("penv.depth"), 0x41, text("Envelope Depth"), valuelists::kEnvelopeDepth12, 12);
    b.list(id("penv.velocitySens"), 0x42, text("Velocity Sens"), kVelocitySens, 50);
    b.list(id("penv.velocityTime1"), 0x43, text("Velocity Time 1"), kTimeSens, 7);
    b.list(id("penv.velocityTime4"), 0x44, text("Velocity Time 4"), kTimeSens, 7);
    b.list(id("penv.timeKeyfollow"), 0x45, text("Time Keyfollow"), kTimeSens, 7);

    b.page(Page::PitchEnvelope);
    addEnvelope(b, id("penv."), 0x46, 4, kSigned63, {0, 0, 0, 0}, {63, 63, 63, 63});

    b.page(Page::Tvf);
    b.random(RandomGroup::Filter);
    b.list(id("tvf.filterType"), 0x50, text("Filter Type"), texts(kFilterTypes), 0);
    b.list(id("tvf.cutoff"), 0x51, text("Cutoff Frequency"), kZeroTo127, 127);
    b.list(id("tvf.cutoffKeyfollow"), 0x52, text("Cutoff Keyfollow"), valuelists::kKeyfollow, 5);
    b.list(id("tvf.resonance"), 0x53, text("Resonance"), kZeroTo127, 0);
    b.list(id("tvf.resonanceVelocitySens"), 0x54, text("Resonance Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.envDepth"), 0x55, text("Envelope Depth"), kSigned63, 63);
    b.list(id("tvf.velocityCurve"), 0x56, text("Envelope Velocity Curve"), valuelists::kVelocityCurve, 0);
    b.list(id("tvf.velocitySens"), 0x57, text("Envelope Velocity Sens"), kVelocitySens, 50);
    b.list(id("tvf.velocityTime1"), 0x58, text("Velocity Time 1"), kTimeSens, 7);
    b.list(id("tvf.velocityTime4"), 0x59, text("Velocity Time 4"), kTimeSens, 7);
    b.list(id("tvf.timeKeyfollow"), 0x5A, text("Time Keyfollow"), kTimeSens, 7);

    b.page(Page::TvfEnvelope);
    addEnvelope(b, id("tvf."), 0x5B, 4, kZeroTo127, {0, 0, 0, 0}, {127, 127, 127, 127});

    b.page(Page::Tva);
    b.random(RandomGroup::Amplifier);
    b.list(id("tva.level"), 0x65, text("Tone Level"), kZeroTo127, 127).keep(127);
    b.list(id("tva.biasDirection"), 0x66, text("Bias Direction"), texts(kBiasDirections), 3);
    b.list(id("tva.biasPosition"), 0x67, text("Bias Position"), valuelists::kNote, 60);
    b.list(id("tva.biasLevel"), 0x68, text("Bias Level"), kTimeSens, 7);
    b.list(id("tva.velocityCurve"), 0x69, text("Envelope Velocity Curve"), valuelists::kVelocityCurve, 0);
    b.list(id("tva.velocitySens"), 0x6A, text("Envelope Velocity Sens"), kVelocitySens, 100);
    b.list(id("tva.velocityTime1"), 0x6B, text("Velocity Time 1"), kTimeSens, 7);
    b.list(id("tva.velocityTime4"), 0x6C, text("Velocity Time 4"), kTimeSens, 7);
    b.list(id("tva.timeKeyfollow"), 0x6D, text("Time Keyfollow"), kTimeSens, 7);

    b.page(Page::TvaEnvelope);
    addEnvelope(b, id("tva."), 0x6E, 3, kZeroTo127, {0, 0, 0, 10}, {127, 127, 127, 0});

    b.page(Page::PanOutput);
    b.list(id("pan"), 0x77, text("Tone Pan"), valuelists::kPan64, 64);
    b.list(id("panKeyfollow"), 0x78, text("Pan Keyfollow"), kTimeSens, 7);
    b.list(id("randomPan"), 0x79, text("Random Pan Depth"), numbers(0, 63), 0);
    b.list(id("alternatePan"), 0x7A, text("Alternate Pan Depth"), valuelists::kAlternatePan, 64, 1);
    b.random(RandomGroup::Output);
    b.list(id("output"), 0x7D, text("Output Assign"), texts(kToneOutputs), 0).keep(0);
    b.list(id("mixSend"), 0x7E, text("Mix/EFX Send Level"), kZeroTo127, 127);
    b.list(id("chorusSend"), 0x7F, text("Chorus Send Level"), kZeroTo127, 0);
    b.list(id("reverbSend"), 0x80, text("Reverb Send Level"), kZeroTo127, 0);
}

} // namespace params::rowdata
