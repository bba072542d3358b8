#pragma once

#include "model/SynthSettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>

// System Exclusive messages of the JV-1080 / JV-2080 / XP family: framing,
// checksum, address map, block sizes and the text form of messages and templates.
namespace sysex {

constexpr std::uint8_t kStart = 0xF0;
constexpr std::uint8_t kEnd = 0xF7;
constexpr std::uint8_t kManufacturer = 0x41;
constexpr std::uint8_t kModelId = 0x6A;
constexpr std::uint8_t kDataSet = 0x12;     // DT1
constexpr std::uint8_t kDataRequest = 0x11; // RQ1

// Offsets inside a message.
constexpr int kOffManufacturer = 1;
constexpr int kOffDevice = 2;
constexpr int kOffModel = 3;
constexpr int kOffCommand = 4;
constexpr int kOffAddress = 5; // four address bytes, most significant first
constexpr int kOffData = 9;
constexpr int kAddressSize = 4;
constexpr int kFraming = 11;     // F0, 4 header bytes, 4 address bytes, checksum, F7
constexpr int kRequestSize = 15; // an RQ1 message is always 15 bytes

// The checksum byte over count bytes starting at offset 5 of a message.
std::uint8_t checksum(int count, const std::uint8_t* bytes);

// Memory areas: first address byte per kind of item.
enum class MemoryArea { User, Card, Temporary };

constexpr std::uint8_t kAreaSystem = 0x00;
constexpr std::uint8_t kAreaTempPerformance = 0x01;
constexpr std::uint8_t kAreaTempPart = 0x02; // 02 p: temporary patch of part p, 02 09: temporary rhythm
constexpr std::uint8_t kAreaTempPatch = 0x03;
constexpr std::uint8_t kAreaUserPerformance = 0x10; // also user rhythm sets at 10 40+r
constexpr std::uint8_t kAreaUserPatch = 0x11;
constexpr std::uint8_t kAreaCardPerformance = 0x20;
constexpr std::uint8_t kAreaCardPatch = 0x21;
constexpr std::uint8_t kTempRhythmPart = 0x09;      // performance part 10 plays the rhythm set
constexpr std::uint8_t kRhythmSetBase = 0x40;       // second address byte of rhythm set r: 40h + r
constexpr std::uint8_t kFirstRhythmNote = 0x23;     // note k sits at 23h + k (key 35 + k)
constexpr std::uint8_t kPatchToneBase = 0x10;       // tone t at 10h + 2t
constexpr std::uint8_t kPerformancePartBase = 0x10; // part p at 10h + p

using Address = std::array<std::uint8_t, kAddressSize>;

// Address of a block; tone / part / note = -1 addresses the common block.
Address patchAddress(MemoryArea area, int number, int tone = -1);
Address performanceAddress(MemoryArea area, int number, int part = -1);
Address rhythmAddress(MemoryArea area, int set, int note = -1);
Address tempPartPatchAddress(int part, int tone = -1); // 02 p ...
Address systemModeAddress();                           // 00 00 00 00

// Addresses count in 7-bit bytes: byte 128 of a block lies at the next value of the
// third address byte (tone byte 80h of the temporary patch: 03 00 11 00).
std::uint32_t linearAddress(const Address& address);
Address addressFromLinear(std::uint32_t value);
Address addressPlus(const Address& address, int offset);

// Number of data bytes of each block per model.
enum class Block { PatchCommon, PatchTone, PerformanceCommon, PerformancePart, RhythmCommon, RhythmNote };
int blockDataSize(SynthModel model, Block block);

// A DT1 message with the given device, address and data, checksum filled in.
QByteArray makeDataSet(std::uint8_t device, const Address& address, QByteArrayView data);
// An RQ1 message for address and size (both 7-bit, most significant first).
QByteArray makeRequest(std::uint8_t device, const Address& address, const Address& size);

// The nine requests offered by the receive function, in this order.
struct NamedRequest
{
    const char* name;
    const char* message; // text form; device byte replaced before sending
};
constexpr int kNamedRequestCount = 9;
extern const std::array<NamedRequest, kNamedRequestCount> kNamedRequests;

} // namespace sysex

// Helpers of the text form: every byte as two upper-case hex digits, one blank between.
// They never read past the end of the text. Where ok is given, it becomes false when a
// pair holds a character other than 0-9 and A-F (placeholders excepted for the fillers)
// or the text ends inside a pair; the bytes are still produced by the pair rule, the
// bad digits counting 0.
std::uint8_t SysExChecksum(int count, const std::uint8_t* bytes);
QByteArray HexTextToBytes(QByteArrayView text, bool* ok = nullptr);
QByteArray FillTemplate(QByteArrayView text, int value, int tone, bool* ok = nullptr);
QByteArray FillNibbleTemplate(QByteArrayView text, int value, bool* ok = nullptr);
// Two hex digits and a blank per byte, CR LF after every 16th byte. (QByteArray keeps
// its own terminating zero.)
QByteArray BytesToHexText(QByteArrayView bytes);
