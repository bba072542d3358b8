#pragma once

#include <QWidget>

// A knob of the program as the performance mixer uses it: a value between a minimum and
// a maximum that the page sets without hearing of it, and userChanged() when the user
// turned it. The mouse wheel turns a knob only while it has the focus: a wheel over a
// knob the user has not chosen scrolls what lies under it instead. A turn (a drag from
// press to release, a run of wheel notches or of keys) ends with turnEnded(); a remote
// controller value is a turn of its own.
class CValueKnob : public QWidget
{
    Q_OBJECT

public:
    // What a controller value may move a knob by: the lower bound plus the value, at most
    // the upper bound, and only within this distance of where the knob stands.
    static constexpr int kRemoteCatch = 10;
    // Wheel notches closer together than this are one turn.
    static constexpr int kWheelPauseMs = 400;

    explicit CValueKnob(QWidget* parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }
    void setRange(int minimum, int maximum);
    // Shows value (clipped to the range); userChanged() does not follow.
    void setValue(int value);
    // A remote controller value as the user's turn; false when it lay too far off.
    bool applyRemote(int controllerValue);
    // Whether the focus lies on the knob or its control.
    bool holdsFocus() const;

signals:
    void userChanged(int value);
    void turnEnded();

protected:
    // The control's side.
    virtual void showRange(int minimum, int maximum) = 0;
    virtual void showValue(int value) = 0;
    // The control reported value: the user's turn unless it echoes what was set.
    void controlReported(int value);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QObject* object);

    int m_minimum = 0;
    int m_maximum = 127;
    int m_value = 0;
    int m_quiet = 0;
    class QTimer* m_wheelPause = nullptr;
};

// The knob of a program without the knob control: a dial.
class CDialKnob : public CValueKnob
{
    Q_OBJECT

public:
    explicit CDialKnob(QWidget* parent = nullptr);

protected:
    void showRange(int minimum, int maximum) override;
    void showValue(int value) override;

private:
    class QDial* m_dial;
};
