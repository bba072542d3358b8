#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The geometry of the on-screen piano: key sizes from the window's client size, where
// each key lies and which key a point hits. Keyboard note 0 is the C at the left edge
// and sounds as MIDI note 36; keys whose MIDI note would be above 127 are drawn but
// cannot be played.
class CPianoLayout
{
public:
    static constexpr int kFirstMidiNote = 36;
    static constexpr int kHighestMidiNote = 127;
    static constexpr int kWhitePerOctave = 7;
    static constexpr int kNotesPerOctave = 12;

    CPianoLayout() = default;
    explicit CPianoLayout(QSize client) { setClientSize(client); }

    void setClientSize(QSize client);
    QSize clientSize() const { return m_client; }

    int whiteWidth() const { return m_whiteWidth; }
    int whiteHeight() const { return m_whiteHeight; }
    int blackWidth() const { return m_blackWidth; }
    int blackHeight() const { return m_blackHeight; }
    int whiteCount() const { return m_whiteCount; }
    int blackOffset() const { return m_blackOffset; }

    // Keyboard note of white key i, and of the black key to its right.
    static int whiteNote(int i);
    static int blackNote(int i);
    // Whether white key i has a black key to its right, or to its left (not C or F).
    static bool hasBlackRight(int i);
    static bool hasBlackLeft(int i);
    static int midiNote(int keyboardNote) { return kFirstMidiNote + keyboardNote; }
    static bool isPlayable(int keyboardNote) { return keyboardNote >= 0 && midiNote(keyboardNote) <= kHighestMidiNote; }

    // The rectangles as painted: white key i from (i*w, 0) to ((i+1)*w, H), the black
    // key to its right over it.
    QRect whiteKeyRect(int i) const;
    QRect blackKeyRect(int i) const;

    // The keyboard note under a point, or -1 outside the keys. The upper part of a
    // white key near its edges belongs to the black key beside it.
    int hitTest(QPoint point) const;
    // The same, -1 also for a key that cannot be played.
    int playableAt(QPoint point) const;

private:
    QSize m_client;
    int m_whiteWidth = -1;
    int m_whiteHeight = -1;
    int m_blackWidth = -1;
    int m_blackHeight = -1;
    int m_whiteCount = -1;
    int m_blackOffset = -1;
};
