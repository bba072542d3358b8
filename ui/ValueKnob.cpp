#include "ui/ValueKnob.h"

#include <QApplication>
#include <QChildEvent>
#include <QDial>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

CValueKnob::CValueKnob(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    m_wheelPause = new QTimer(this);
    m_wheelPause->setSingleShot(true);
    m_wheelPause->setInterval(kWheelPauseMs);
    connect(m_wheelPause, &QTimer::timeout, this, &CValueKnob::turnEnded);
    watch(this);
}

void CValueKnob::watch(QObject* object)
{
    object->installEventFilter(this);
    for (QObject* child : object->children())
        watch(child);
}

bool CValueKnob::holdsFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

bool CValueKnob::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded) {
        // The control and whatever it is made of come later than the knob.
        if (QObject* child = static_cast<QChildEvent*>(event)->child())
            watch(child);
    } else if (event->type() == QEvent::Wheel) {
        if (!holdsFocus()) {
            // Not for the control: ignored, the event goes on to what lies under the knob.
            event->ignore();
            return true;
        }
        m_wheelPause->start();
    } else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::FocusOut
               || (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat())) {
        m_wheelPause->stop();
        // After the control has taken the event: a release may still set a value.
        QMetaObject::invokeMethod(this, &CValueKnob::turnEnded, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void CValueKnob::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    ++m_quiet;
    showRange(m_minimum, m_maximum);
    --m_quiet;
    setValue(m_value);
}

void CValueKnob::setValue(int value)
{
    m_value = std::clamp(value, m_minimum, m_maximum);
    ++m_quiet;
    showValue(m_value);
    --m_quiet;
}

bool CValueKnob::applyRemote(int controllerValue)
{
    const int target = std::min(m_minimum + controllerValue, m_maximum);
    if (std::abs(target - m_value) > kRemoteCatch)
        return false;
    setValue(target);
    emit userChanged(m_value);
    emit turnEnded();
    return true;
}

void CValueKnob::controlReported(int value)
{
    if (m_quiet > 0 || value == m_value)
        return;
    m_value = value;
    emit userChanged(value);
}

CDialKnob::CDialKnob(QWidget* parent) : CValueKnob(parent), m_dial(new QDial(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_dial);
    setFocusProxy(m_dial);
    m_dial->setFocusPolicy(Qt::StrongFocus);
    m_dial->setMinimumSize(36, 36);
    connect(m_dial, &QDial::valueChanged, this, [this](int value) { controlReported(value); });
}

void CDialKnob::showRange(int minimum, int maximum)
{
    m_dial->setRange(minimum, maximum);
}

void CDialKnob::showValue(int value)
{
    m_dial->setValue(value);
}
