#include "playsurfaces/ControlSite.h"

#include "controls/common/ControlFactory.h"

#include <QtCore/QMetaObject>

CControlSite::CControlSite(QWidget* parent) : QWidget(parent)
{}

bool CControlSite::createControl(const QString& classId, const QByteArray& state)
{
    m_error.clear();
    delete m_control;
    m_control = CControlFactory::create(classId, this, &m_error);
    if (!m_control)
        return false;
    if (!m_dispatch.attach(m_control)) {
        m_error = tr("The control %1 has no dispatch table").arg(classId);
        delete m_control;
        m_control = nullptr;
        return false;
    }
    if (!state.isEmpty()) {
        bool loaded = false;
        QMetaObject::invokeMethod(m_control, "loadState", Qt::DirectConnection, Q_RETURN_ARG(bool, loaded),
                                  Q_ARG(QByteArray, state));
        if (!loaded)
            m_error = tr("The stored state of %1 could not be read").arg(classId);
        // The stored extent is the control's size on its dialog.
        resize(m_control->size());
    }
    m_control->setGeometry(rect());
    setFocusProxy(m_control);
    m_control->show();
    updateGeometry();
    connectEvents();
    publishChanges();
    return true;
}

QSize CControlSite::sizeHint() const
{
    return m_control ? m_control->sizeHint() : QWidget::sizeHint();
}

void CControlSite::resizeEvent(QResizeEvent* event)
{
    if (m_control)
        m_control->setGeometry(rect());
    QWidget::resizeEvent(event);
}
