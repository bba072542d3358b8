#pragma once

#include <QSpinBox>

// A number box of an editor page. Every keystroke that makes a number of its range
// changes the value at once; a number outside the range can be typed, but when the user
// leaves the box or presses Enter it is refused with refused(), and the box goes back to
// its value. So a number that is not a data byte never leaves the page. The digits
// typed into the box until the user leaves it or presses Enter are one run of changes
// (typingEnded() closes it); a step by the arrows, the arrow keys or the wheel is a run
// of its own.
class CNumberBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit CNumberBox(QWidget* parent = nullptr);

    // "Please enter an integer between 0 and 127."
    static QString rangeMessage(int minimum, int maximum);

    void stepBy(int steps) override;

signals:
    void refused(const QString& message);
    void typingEnded();

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    // Enter on a refused number stays in the box instead of closing the editor.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool holdsNumberBeyondRange() const;
};
