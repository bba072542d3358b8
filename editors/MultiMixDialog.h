#pragma once

#include "editors/TabPage.h"

#include <vector>

class CValueKnob;
class QCheckBox;
class QLabel;
class QSlider;

// The "Mix" page of the performance editor: a strip per part with the reverb, chorus,
// EFX send and pan knobs, the level slider (top is loudest), the mute box (ticked when
// the part does not receive) and the part's number. Each change sends one message at
// the part's address, in realtime mode only; loading sends nothing. Alt+1 .. Alt+6 go to
// the first control of a row. A remote controller acts on the control as many controls
// after the focused one as its number lies after the remote controller (before it when
// below), within the page: a knob or the slider follows only when the value lies within
// ten of where it stands.
class CMultiMixDialog : public CTabPage
{
    Q_OBJECT

public:
    static constexpr int kParts = 16;

    CMultiMixDialog(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);

    void loadFromRecord() override;

    // The control of row (0 Reverb .. 5 Mute) and part; the caption of a part.
    QWidget* control(int row, int part) const;
    CValueKnob* knob(int row, int part) const;
    QSlider* levelSlider(int part) const;
    QCheckBox* muteBox(int part) const;
    // The part's caption box (the caption control, else a label) and its text.
    QWidget* caption(int part) const;
    QString captionText(int part) const;
    // The value shown under a knob or slider (null for a tick box).
    QLabel* valueLabel(int row, int part) const;
    // The part whose control has the focus (0 when none has).
    int focusedPart() const;
    // Every control in tab order (row after row).
    const std::vector<QWidget*>& tabStops() const { return m_stops; }

    void remoteValue(int value, int controller) override;

private:
    void changed(int row, int part, int value);
    // Shows value as the value text and tool tip of row's control of part.
    void showValue(int row, int part, int value);

    std::vector<std::vector<QWidget*>> m_rows;  // [row][part]
    std::vector<std::vector<QLabel*>> m_values; // [row][part]
    std::vector<QWidget*> m_captions;
    std::vector<QWidget*> m_stops;
    int m_loading = 0;
};
