#pragma once

#include <QSpinBox>
#include <QStringList>

// A value stepped with arrows that shows the text of its value (a pan "L64", a note
// "C4") and wraps: up from the highest value goes to the lowest, down from the lowest
// to the highest. The text cannot be typed over; the arrows, the arrow keys and the
// page keys step the value.
class CWrapSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit CWrapSpinBox(QWidget* parent = nullptr);

    // texts[i] is the text of value minimum() + i; a value without a text shows its number.
    void setTexts(const QStringList& texts);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    QStringList m_texts;
};
