#pragma once

#include "playsurfaces/PianoKeyMap.h"
#include "playsurfaces/PianoLayout.h"

#include <QTimer>
#include <QWidget>
#include <bitset>
#include <cstdint>
#include <vector>

class CServices;

// A small tool window, always on top, with a piano keyboard that plays the synthesizer
// on MIDI channel 1: with the mouse (dragging slides from key to key) or with sixteen
// keys of the computer keyboard. Closing it only hides it; every note it started ends
// when it loses the mouse or the keyboard, is hidden or goes away.
class CPianoKeyboardWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Piano Keyboard";
    static constexpr int kMinimumHeight = 80;
    static constexpr std::uint8_t kNoteOn = 0x90;
    static constexpr int kVelocity = 96;
    // The first size, before a stored place is known.
    static constexpr int kDefaultWidth = 560;
    static constexpr int kDefaultHeight = 96;
    // How long a released key waits for the press of a key repeat before its note ends.
    static constexpr int kRepeatGapMs = 40;

    explicit CPianoKeyboardWnd(CServices& services, QWidget* parent = nullptr);
    ~CPianoKeyboardWnd() override;

    // The metrics of the current client size.
    const CPianoLayout& layout() const;
    // The key drawn as pressed, in keyboard note numbers; -1 for none.
    int pressedNote() const { return m_pressedNote; }
    bool isButtonDown() const { return m_buttonDown; }
    // Ends every note the window started (mouse and keys).
    void releaseNotes();

    QSize sizeHint() const override;

signals:
    void visibilityChanged(bool visible);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void send(int midiNote, int velocity);
    void releaseMouseNote();
    void releaseKeys();
    // Ends the notes of the keys whose release was not taken back.
    void endPendingReleases();
    int keyIndexOf(const QKeyEvent* event) const;

    CServices& m_services;
    pianokeys::Platform m_platform;
    mutable CPianoLayout m_layout;
    mutable bool m_layoutValid = false; // false: the metrics are made again at the next use
    bool m_buttonDown = false;
    int m_pressedNote = -1;
    int m_mouseNote = -1; // the note the mouse sounds, -1 for none
    std::bitset<pianokeys::kKeyCount> m_keysDown;
    // Releases of keys, in order, that wait a moment: where key repeat comes as a
    // release and a new press, the press takes its release back.
    std::vector<int> m_pendingReleases;
    QTimer m_releaseTimer;
};
