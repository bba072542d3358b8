// The rows of a performance part block.

#include "model/ParamRows.h"

namespace params::rowdata {

namespace {

constexpr const char* kPartOutputs[] = {"MIX", "EFX", "DIR1", "DIR2", "PATCH"};
constexpr const char* kBankSelectGroups[] = {"PATCH",  "GROUP1", "GROUP2", "GROUP3",
                                             "GROUP4", "GROUP5", "GROUP6", "GROUP7"};
constexpr const char* kOutputSelects[] = {"A", "B", "C"};

} // namespace

void buildPerformancePart(std::vector<Param>& r)
{
    using V = Variation;
    Builder b(r, Block::PerformancePart);
    const auto id = [](const char* name) { return QStringLiteral("part.") + QLatin1String(name); };
    const auto text = [](const char* t) { return QString::fromLatin1(t); };
    b.page(Page::Part);
    b.check(id("receive"), 0x00, text("Receive Switch"), 1);
    b.number(id("channel"), 0x01, text("Channel"), 0, 15, 0, 1).rule(DefaultRule::BlockIndex).vary(V::FixedUnlessAsked);
    b.contextList(id("group"), 0x02, text("Group"), Kind::PatchGroup, 0, 0, 3).group(2);
    b.contextList(id("patch"), 0x04, text("Patch"), Kind::PartPatch, 0, kTwoNibbleMax, 0).nibbles();
    b.number(id("level"), 0x06, text("Level Part"), 0, 127, 127);
    b.scroll(id("pan"), 0x07, text("Pan"), named(Kind::Pan), 64);
    b.number(id("tune"), 0x08, text("Tune"), 0, 96, 48, -48).vary(V::Stepwise); // semitones
    b.number(id("fine"), 0x09, text("Fine"), 0, 100, 50, -50);
    b.list(id("output"), 0x0A, text("Output Assign"), texts(kPartOutputs), 0);
    b.number(id("mixSend"), 0x0B, text("Mix / EFX Send"), 0, 127, 127);
    b.number(id("chorusSend"), 0x0C, text("Chorus Send"), 0, 127, 0);
    b.number(id("reverbSend"), 0x0D, text("Reverb Send"), 0, 127, 0);
    b.check(id("receiveProgram"), 0x0E, text("Receive Program"), 1);
    b.check(id("receiveVolume"), 0x0F, text("Receive Volume"), 1);
    b.check(id("receiveHold"), 0x10, text("Receive Hold-1"), 1);
    b.scroll(id("keyLower"), 0x11, text("Key Range Lower"), valuelists::kNote, 0).vary(V::FixedUnlessAsked);
    b.scroll(id("keyUpper"), 0x12, text("Key Range Upper"), valuelists::kNote, 127).vary(V::FixedUnlessAsked);
    b.list(id("octaveShift"), 0x13, text("Octave Shift"), kOctaveShift, 3).vary(V::FixedUnlessAsked);
    b.check(id("local"), 0x14, text("Local Switch"), 1);
    b.check(id("transmit"), 0x15, text("Transmit Switch"), 1);
    b.list(id("bankSelectGroup"), 0x16, text("Transmit Bank Select Group"), texts(kBankSelectGroups), 0);
    const ValueList volumes = {Kind::NumbersOff, 0, 1, 128, valuelists::Format::Plain, nullptr};
    b.list(id("transmitVolume"), 0x17, text("Transmit Volume"), volumes, 0x10).nibbles().vary(V::FixedUnlessAsked);
    b.list(id("outputSelect"), 0x19, text("Output Select"), texts(kOutputSelects), 0);
}

} // namespace params::rowdata
