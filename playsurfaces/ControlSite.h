#pragma once

#include "controls/common/DispatchDriver.h"

#include <QtWidgets/QWidget>

// Hosts one control from a control module: creates it by class identifier (through the
// control registry, else from the modules beside the program), hands it its stored state
// and keeps it filling the site. Wrappers call the control by dispatch number and offer
// its members as Qt properties whose change signals carry the new value.
class CControlSite : public QWidget
{
    Q_OBJECT

public:
    explicit CControlSite(QWidget* parent = nullptr);

    // False, with errorString() telling why, when no module gives the control. A state
    // that cannot be read leaves the control with its defaults and says so in
    // errorString(), but the control is there.
    bool createControl(const QString& classId, const QByteArray& state = {});
    QWidget* control() const { return m_control; }
    QString errorString() const { return m_error; }

    // The size stored with the control's state, else the control's own default.
    QSize sizeHint() const override;

protected:
    CDispatchDriver& dispatch() { return m_dispatch; }
    const CDispatchDriver& dispatch() const { return m_dispatch; }
    // Called once the control exists, to bind its events.
    virtual void connectEvents() {}
    // Emits the change signal of every property whose value differs from the one last
    // announced. Called once the control exists, after every setter and after every
    // event of the control.
    virtual void publishChanges() {}

    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_control = nullptr;
    CDispatchDriver m_dispatch;
    QString m_error;
};
