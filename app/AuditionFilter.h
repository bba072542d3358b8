#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

// Plays a note on the synthesizer while the right mouse button is held over any of
// the program's windows, without taking the button from the window: the event goes
// on to its receiver as usual. Normally the notes of a C major chord in turn on
// channel 1; while the rhythm editor has a current drum key, that key on channel 10.
class CAuditionFilter : public QObject
{
    Q_OBJECT

public:
    static constexpr std::uint8_t kNoteOnChannel1 = 0x90;
    static constexpr std::uint8_t kNoteOnChannel10 = 0x99;
    static constexpr int kChordVelocity = 96;
    static constexpr int kDrumVelocity = 127;
    static constexpr int kFirstDrumNote = 35;
    static constexpr int kChord[4] = {60, 64, 67, 72};

    // send gets packed short messages (status, data 1 << 8, data 2 << 16);
    // rhythmKey says the rhythm editor's current key, or -1.
    CAuditionFilter(std::function<void(std::uint32_t)> send, std::function<int()> rhythmKey, QObject* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;
    int chordStep() const { return m_step; }

private:
    std::function<void(std::uint32_t)> m_send;
    std::function<int()> m_rhythmKey;
    int m_step = 0;
    bool m_sounding = false;
    std::uint32_t m_noteOff = 0;
};
