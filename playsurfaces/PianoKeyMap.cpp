#include "playsurfaces/PianoKeyMap.h"

#include <array>

namespace pianokeys {

namespace {

// The places of the sixteen keys in map order (A W S E D F T G Z H U J K O L P on a
// QWERTZ keyboard; on QWERTY the fourth key of the top row is Y), as Linux input codes,
// which equal the set 1 scan codes of these keys.
constexpr std::array<quint32, kKeyCount> kInputCodes = {30, 17, 31, 18, 32, 33, 20, 34, 21, 35, 22, 36, 37, 24, 38, 25};
// X key codes are the input codes + 8.
constexpr quint32 kX11Offset = 8;
// macOS virtual key codes of the same places (kVK_ANSI_A, kVK_ANSI_W, ...).
constexpr std::array<quint32, kKeyCount> kMacCodes = {0x00, 0x0D, 0x01, 0x0E, 0x02, 0x03, 0x11, 0x05,
                                                      0x10, 0x04, 0x20, 0x26, 0x28, 0x1F, 0x25, 0x23};

int find(const std::array<quint32, kKeyCount>& codes, quint32 code)
{
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code)
            return static_cast<int>(i);
    return -1;
}

} // namespace

Platform platformOf(const QString& platformName)
{
    if (platformName == QLatin1String("xcb") || platformName.startsWith(QLatin1String("wayland")))
        return Platform::X11;
    if (platformName == QLatin1String("windows"))
        return Platform::Windows;
    if (platformName == QLatin1String("cocoa"))
        return Platform::Mac;
    return Platform::Other;
}

int indexOfCharacter(const QString& text)
{
    if (text.size() != 1)
        return -1;
    const QChar c = text.at(0).toUpper();
    for (int i = 0; i < kKeyCount; ++i)
        if (c == QLatin1Char(kPianoKeyMap[i]))
            return i;
    return -1;
}

int keyIndex(Platform platform, quint32 scanCode, quint32 virtualKey, const QString& text)
{
    switch (platform) {
    case Platform::X11:
        if (scanCode != 0)
            return scanCode > kX11Offset ? find(kInputCodes, scanCode - kX11Offset) : -1;
        break;
    case Platform::Windows:
        if (scanCode != 0)
            return find(kInputCodes, scanCode);
        break;
    case Platform::Mac:
        // The Mac gives the place as the virtual key; A's code is 0, so a key without
        // a character of its own does not count as A.
        if (virtualKey != 0 || !text.isEmpty())
            return find(kMacCodes, virtualKey);
        break;
    case Platform::Other:
        break;
    }
    return indexOfCharacter(text);
}

} // namespace pianokeys
