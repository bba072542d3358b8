#include "editors/NumberBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

CNumberBox::CNumberBox(QWidget* parent) : QSpinBox(parent)
{
    setKeyboardTracking(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(true);
    connect(this, &QAbstractSpinBox::editingFinished, this, &CNumberBox::typingEnded);
}

void CNumberBox::stepBy(int steps)
{
    emit typingEnded();
    QSpinBox::stepBy(steps);
    emit typingEnded();
}

QString CNumberBox::rangeMessage(int minimum, int maximum)
{
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum);
}

QValidator::State CNumberBox::validate(QString& input, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid)
        return state;
    // A whole number beyond the range may stand while typing; it is refused when the
    // user leaves the box.
    bool ok = false;
    input.trimmed().toInt(&ok);
    return ok ? QValidator::Intermediate : QValidator::Invalid;
}

void CNumberBox::fixup(QString& input) const
{
    bool ok = false;
    const int typed = input.trimmed().toInt(&ok);
    if (ok && (typed < minimum() || typed > maximum())) {
        // The box goes back to its value (correction to the previous value); the
        // message waits until the box has finished with the key or the focus.
        auto* self = const_cast<CNumberBox*>(this);
        const QString message = rangeMessage(minimum(), maximum());
        QTimer::singleShot(0, self, [self, message] { emit self->refused(message); });
    }
    QSpinBox::fixup(input);
}

bool CNumberBox::holdsNumberBeyondRange() const
{
    bool ok = false;
    const int typed = lineEdit()->text().trimmed().toInt(&ok);
    return ok && (typed < minimum() || typed > maximum());
}

void CNumberBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && holdsNumberBeyondRange()) {
        interpretText();
        selectAll();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}
