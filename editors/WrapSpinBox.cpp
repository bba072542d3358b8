#include "editors/WrapSpinBox.h"

#include <QLineEdit>

CWrapSpinBox::CWrapSpinBox(QWidget* parent) : QSpinBox(parent)
{
    setWrapping(true);
    setKeyboardTracking(false);
    lineEdit()->setReadOnly(true);
}

void CWrapSpinBox::setTexts(const QStringList& texts)
{
    m_texts = texts;
    // The box is as wide as its longest text.
    int longest = 0;
    for (const QString& t : texts)
        longest = std::max(longest, static_cast<int>(t.size()));
    setMinimumWidth(fontMetrics().horizontalAdvance(QString(longest + 1, QLatin1Char('W'))) + 24);
    lineEdit()->setText(textFromValue(value()));
}

QString CWrapSpinBox::textFromValue(int value) const
{
    const int index = value - minimum();
    return index >= 0 && index < m_texts.size() ? m_texts[index] : QString::number(value);
}

int CWrapSpinBox::valueFromText(const QString& text) const
{
    const int index = static_cast<int>(m_texts.indexOf(text.trimmed()));
    return index >= 0 ? minimum() + index : value();
}

QValidator::State CWrapSpinBox::validate(QString& input, int&) const
{
    return m_texts.contains(input.trimmed()) || input.trimmed() == QString::number(value()) ? QValidator::Acceptable
                                                                                            : QValidator::Intermediate;
}
