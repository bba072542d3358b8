#pragma once

#include <QString>
#include <QtGlobal>

// The sixteen computer keys that play the piano: two rows, the home row for the white
// keys and the row above for the black ones, as the letters "AWSEDFTGZHUJKOLP" stand on
// a German (QWERTZ) keyboard. Key i plays MIDI note 60 + i. The keys are found by their
// place on the keyboard, so that they lie the same on QWERTY, AZERTY and QWERTZ
// keyboards; where the system does not tell the place, by the character.
namespace pianokeys {

inline constexpr const char* kPianoKeyMap = "AWSEDFTGZHUJKOLP";
inline constexpr int kKeyCount = 16;
inline constexpr int kFirstMidiNote = 60;

// How the platform names a key's place.
enum class Platform {
    X11,     // X11 and Wayland: the X key code, the Linux input code + 8
    Windows, // the keyboard's set 1 scan code
    Mac,     // the virtual key code of an ANSI keyboard (kVK_ANSI_...)
    Other,   // no place known: the character decides
};

// By Qt's platform plugin name ("xcb", "wayland", "windows", "cocoa", ...).
Platform platformOf(const QString& platformName);

// The position of a key in kPianoKeyMap, or -1. scanCode and virtualKey are what the
// key event carries natively; a scan code of 0 means the system did not tell the place.
int keyIndex(Platform platform, quint32 scanCode, quint32 virtualKey, const QString& text);

// The position of a character in kPianoKeyMap (any case), or -1.
int indexOfCharacter(const QString& text);

} // namespace pianokeys
