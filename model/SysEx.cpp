#include "model/SysEx.h"

namespace sysex {

std::uint8_t checksum(int count, const std::uint8_t* bytes)
{
    unsigned sum = 0;
    for (int i = 0; i < count; ++i)
        sum += bytes[i];
    const unsigned v = sum % 128;
    return static_cast<std::uint8_t>(v == 0 ? 0 : 128 - v);
}

namespace {

std::uint8_t low7(int value)
{
    return static_cast<std::uint8_t>(value & 0x7F);
}

std::uint8_t areaFor(std::uint8_t user, std::uint8_t card, MemoryArea area, std::uint8_t temporary)
{
    switch (area) {
    case MemoryArea::User:
        return user;
    case MemoryArea::Card:
        return card;
    case MemoryArea::Temporary:
        return temporary;
    }
    return user;
}

} // namespace

Address patchAddress(MemoryArea area, int number, int tone)
{
    const std::uint8_t third = tone < 0 ? 0 : low7(kPatchToneBase + 2 * tone);
    if (area == MemoryArea::Temporary)
        return {kAreaTempPatch, 0, third, 0};
    return {areaFor(kAreaUserPatch, kAreaCardPatch, area, kAreaTempPatch), low7(number), third, 0};
}

Address performanceAddress(MemoryArea area, int number, int part)
{
    const std::uint8_t third = part < 0 ? 0 : low7(kPerformancePartBase + part);
    if (area == MemoryArea::Temporary)
        return {kAreaTempPerformance, 0, third, 0};
    return {areaFor(kAreaUserPerformance, kAreaCardPerformance, area, kAreaTempPerformance), low7(number), third, 0};
}

Address rhythmAddress(MemoryArea area, int set, int note)
{
    const std::uint8_t third = note < 0 ? 0 : low7(kFirstRhythmNote + note);
    if (area == MemoryArea::Temporary)
        return {kAreaTempPart, kTempRhythmPart, third, 0};
    return {areaFor(kAreaUserPerformance, kAreaCardPerformance, area, kAreaTempPart), low7(kRhythmSetBase + set), third,
            0};
}

Address tempPartPatchAddress(int part, int tone)
{
    const std::uint8_t third = tone < 0 ? 0 : low7(kPatchToneBase + 2 * tone);
    return {kAreaTempPart, low7(part), third, 0};
}

Address systemModeAddress()
{
    return {kAreaSystem, 0, 0, 0};
}

std::uint32_t linearAddress(const Address& address)
{
    std::uint32_t value = 0;
    for (std::uint8_t b : address)
        value = (value << 7) | (b & 0x7FU);
    return value;
}

Address addressFromLinear(std::uint32_t value)
{
    Address address{};
    for (int i = kAddressSize - 1; i >= 0; --i) {
        address[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0x7FU);
        value >>= 7;
    }
    return address;
}

Address addressPlus(const Address& address, int offset)
{
    return addressFromLinear(linearAddress(address) + static_cast<std::uint32_t>(offset));
}

int blockDataSize(SynthModel model, Block block)
{
    //                                  JV-1080 JV-2080  XP
    static constexpr int sizes[6][3] = {{72, 74, 73},    // patch common
                                        {129, 129, 129}, // patch tone
                                        {64, 68, 66},    // performance common
                                        {19, 26, 25},    // performance part
                                        {12, 12, 12},    // rhythm set common (name)
                                        {58, 58, 58}};   // rhythm note
    const int m = static_cast<int>(model);
    if (m < 0 || m >= kModelCount)
        return 0;
    return sizes[static_cast<int>(block)][m];
}

QByteArray makeDataSet(std::uint8_t device, const Address& address, QByteArrayView data)
{
    QByteArray msg;
    msg.reserve(kFraming + data.size());
    msg.append(char(kStart))
        .append(char(kManufacturer))
        .append(char(device))
        .append(char(kModelId))
        .append(char(kDataSet));
    for (std::uint8_t a : address)
        msg.append(char(a));
    msg.append(data.data(), data.size());
    const auto* p = reinterpret_cast<const std::uint8_t*>(msg.constData());
    msg.append(char(checksum(int(msg.size()) - kOffAddress, p + kOffAddress)));
    msg.append(char(kEnd));
    return msg;
}

QByteArray makeRequest(std::uint8_t device, const Address& address, const Address& size)
{
    QByteArray msg;
    msg.reserve(kRequestSize);
    msg.append(char(kStart))
        .append(char(kManufacturer))
        .append(char(device))
        .append(char(kModelId))
        .append(char(kDataRequest));
    for (std::uint8_t a : address)
        msg.append(char(a));
    for (std::uint8_t s : size)
        msg.append(char(s));
    const auto* p = reinterpret_cast<const std::uint8_t*>(msg.constData());
    msg.append(char(checksum(2 * kAddressSize, p + kOffAddress)));
    msg.append(char(kEnd));
    return msg;
}

const std::array<NamedRequest, kNamedRequestCount> kNamedRequests = {{
    {"All Patches", "F0 41 10 6A 11 11 00 00 00 02 40 00 00 2D F7"},
    {"All Performances", "F0 41 10 6A 11 10 00 00 00 00 20 00 00 50 F7"},
    {"All", "F0 41 10 6A 11 10 00 00 00 11 7F 17 01 48 F7"},
    {"All Card Patches", "F0 41 10 6A 11 21 00 00 00 02 40 00 00 1D F7"},
    // The size of the card performances, as for the user performances: a size of
    // 20 00 00 00 would ask for the whole card, whose data would then run on into the
    // next receive. The checksum is the same either way.
    {"All Card Performances", "F0 41 10 6A 11 20 00 00 00 00 20 00 00 40 F7"},
    {"All Card", "F0 41 10 6A 11 20 00 00 00 11 7F 17 01 38 F7"},
    {"Temporary Patch", "F0 41 10 6A 11 03 00 00 00 00 00 17 01 65 F7"},
    {"Temporary Performance", "F0 41 10 6A 11 01 00 00 00 00 00 1F 1A 46 F7"},
    {"Temporary Rhythm", "F0 41 10 6A 11 02 09 00 00 00 00 62 3A 59 F7"},
}};

} // namespace sysex

std::uint8_t SysExChecksum(int count, const std::uint8_t* bytes)
{
    return sysex::checksum(count, bytes);
}

namespace {

// Value of one hex digit, or -1.
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The pair at i and i+1 as a byte. A pair cut short by the end of the text or
// holding another character sets ok to false; such digits count as 0.
std::uint8_t readPair(QByteArrayView text, qsizetype i, bool* ok)
{
    const int hi = hexDigit(text[i]);
    const int lo = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
    if ((hi < 0 || lo < 0) && ok)
        *ok = false;
    return static_cast<std::uint8_t>((hi < 0 ? 0 : hi) * 16 + (lo < 0 ? 0 : lo));
}

constexpr qsizetype kPairStep = 3; // two digits and a blank

} // namespace

QByteArray HexTextToBytes(QByteArrayView text, bool* ok)
{
    if (ok)
        *ok = true;
    QByteArray out;
    out.reserve(text.size() / kPairStep + 1);
    for (qsizetype i = 0; i < text.size(); i += kPairStep)
        out.append(char(readPair(text, i, ok)));
    return out;
}

QByteArray FillTemplate(QByteArrayView text, int value, int tone, bool* ok)
{
    if (ok)
        *ok = true;
    QByteArray out;
    out.reserve(text.size() / kPairStep + 1);
    qsizetype messageStart = 0; // text position of the current message's F0
    for (qsizetype i = 0; i < text.size(); i += kPairStep) {
        std::uint8_t byte = 0;
        const char c = text[i];
        if (c == 'X') {
            byte = static_cast<std::uint8_t>(value & 0xFF);
        } else if (c == 'N') {
            byte = static_cast<std::uint8_t>((((tone & 0xFF) + 8) * 2) & 0xFF);
        } else if (c == 'K') {
            // Covered: from offset 5 of the current message up to the byte before this one.
            const qsizetype first = messageStart / kPairStep + sysex::kOffAddress;
            const qsizetype count = i / kPairStep - first;
            if (count > 0 && first + count <= out.size())
                byte = sysex::checksum(int(count), reinterpret_cast<const std::uint8_t*>(out.constData()) + first);
            else if (ok)
                *ok = false;
        } else {
            if (c == 'F' && i + 1 < text.size() && text[i + 1] == '0')
                messageStart = i;
            byte = readPair(text, i, ok);
        }
        out.append(char(byte));
    }
    return out;
}

QByteArray FillNibbleTemplate(QByteArrayView text, int value, bool* ok)
{
    if (ok)
        *ok = true;
    QByteArray out;
    out.reserve(text.size() / kPairStep + 1);
    for (qsizetype i = 0; i < text.size(); i += kPairStep) {
        std::uint8_t byte = 0;
        const char c = text[i];
        if (c == 'X') {
            byte = static_cast<std::uint8_t>((value / 16) & 0xFF);
        } else if (c == 'Y') {
            byte = static_cast<std::uint8_t>((value % 16) & 0xFF);
        } else if (c == 'K') {
            const qsizetype first = sysex::kOffAddress;
            const qsizetype count = i / kPairStep - first;
            if (count > 0 && first + count <= out.size())
                byte = sysex::checksum(int(count), reinterpret_cast<const std::uint8_t*>(out.constData()) + first);
            else if (ok)
                *ok = false;
        } else {
            byte = readPair(text, i, ok);
        }
        out.append(char(byte));
    }
    return out;
}

QByteArray BytesToHexText(QByteArrayView bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    static constexpr qsizetype kBytesPerLine = 16;
    QByteArray out;
    out.reserve(bytes.size() * 3 + (bytes.size() / kBytesPerLine) * 2);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        out.append(digits[b >> 4]).append(digits[b & 0x0F]).append(' ');
        if ((i + 1) % kBytesPerLine == 0)
            out.append("\r\n");
    }
    return out;
}
