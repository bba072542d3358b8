#pragma once

#include "controls/common/DispatchTable.h"

#include <QtCore/QPointer>
#include <QtCore/QVariant>

// Calls a control through its dispatch numbers, the way a host that knows nothing of the
// control's class does: the number is looked up in the control's table and the named
// Qt property, slot or signal is used through the meta-object system.
class CDispatchDriver
{
public:
    CDispatchDriver() = default;
    explicit CDispatchDriver(QObject* control) { attach(control); }

    // False when the object has no dispatch table.
    bool attach(QObject* control);
    QObject* object() const { return m_object; }
    bool isAttached() const { return m_object && m_table; }

    // An invalid QVariant when the number names no readable property.
    QVariant getProperty(int id) const;
    bool setProperty(int id, const QVariant& value);
    // Calls the method with the arguments converted to its parameter types; gives back its
    // result (invalid for methods without one). ok tells whether the call was made.
    QVariant invoke(int id, const QVariantList& arguments = {}, bool* ok = nullptr) const;
    // Connects the event to the receiver's signal or slot called method (directly, so that
    // arguments passed by reference are read while the event runs).
    bool connectEvent(int id, QObject* receiver, const char* method);

private:
    QPointer<QObject> m_object;
    const CDispatchTable* m_table = nullptr;
};
