#pragma once

#include "controls/common/DispatchDriver.h"

#include <QtWidgets/QWidget>

// Hosts one control from a control module: creates it by class identifier (through the
// control registry, else from the modules beside the program), hands it its stored state
// and keeps it filling the site. Wrappers call the control by dispatch number.
class CControlSite : public QWidget
{
    Q_OBJECT

public:
    explicit CControlSite(QWidget* parent = nullptr);

    // False, with errorString() telling why, when no module gives the control.
    bool createControl(const QString& classId, const QByteArray& state = {});
    QWidget* control() const { return m_control; }
    QString errorString() const { return m_error; }

    QSize sizeHint() const override;

protected:
    CDispatchDriver& dispatch() { return m_dispatch; }
    const CDispatchDriver& dispatch() const { return m_dispatch; }
    // Called once the control exists, to bind its events.
    virtual void connectEvents() {}

    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_control = nullptr;
    CDispatchDriver m_dispatch;
    QString m_error;
};
