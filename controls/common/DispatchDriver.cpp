#include "controls/common/DispatchDriver.h"

#include <QtCore/QMetaMethod>
#include <QtCore/QMetaProperty>

#include <array>

namespace {

constexpr int kMaxArguments = 10;

int findMethod(const QMetaObject* meta, const char* name, int argumentCount)
{
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() == name && (argumentCount < 0 || method.parameterCount() == argumentCount))
            return i;
    }
    return -1;
}

} // namespace

bool CDispatchDriver::attach(QObject* control)
{
    m_object = control;
    const IDispatchable* dispatchable = qobject_cast<IDispatchable*>(control);
    m_table = dispatchable ? &dispatchable->dispatchTable() : nullptr;
    return m_table != nullptr;
}

QVariant CDispatchDriver::getProperty(int id) const
{
    if (!isAttached())
        return {};
    const DispatchMember* member = m_table->find(id, false);
    if (!member || member->kind != DispatchKind::Property)
        return {};
    return m_object->property(member->name);
}

bool CDispatchDriver::setProperty(int id, const QVariant& value)
{
    if (!isAttached())
        return false;
    const DispatchMember* member = m_table->find(id, false);
    if (!member || member->kind != DispatchKind::Property)
        return false;
    const QMetaObject* meta = m_object->metaObject();
    const int index = meta->indexOfProperty(member->name);
    if (index < 0)
        return false;
    QMetaProperty property = meta->property(index);
    QVariant converted = value;
    if (converted.metaType() != property.metaType() && !converted.convert(property.metaType()))
        return false;
    return property.write(m_object, converted);
}

QVariant CDispatchDriver::invoke(int id, const QVariantList& arguments, bool* ok) const
{
    if (ok)
        *ok = false;
    if (!isAttached() || arguments.size() > kMaxArguments)
        return {};
    const DispatchMember* member = m_table->find(id, false);
    if (!member || member->kind != DispatchKind::Method)
        return {};
    const int index = findMethod(m_object->metaObject(), member->name, int(arguments.size()));
    if (index < 0)
        return {};
    const QMetaMethod method = m_object->metaObject()->method(index);

    QVariantList converted = arguments;
    std::array<QGenericArgument, kMaxArguments> generic{};
    for (int i = 0; i < converted.size(); ++i) {
        const QMetaType type = method.parameterMetaType(i);
        if (converted[i].metaType() != type && !converted[i].convert(type))
            return {};
        generic[size_t(i)] = QGenericArgument(type.name(), converted[i].constData());
    }

    QVariant result;
    bool invoked = false;
    if (method.returnMetaType().id() == QMetaType::Void) {
        invoked = method.invoke(m_object, Qt::DirectConnection, generic[0], generic[1], generic[2], generic[3],
                                generic[4], generic[5], generic[6], generic[7], generic[8], generic[9]);
    } else {
        result = QVariant(method.returnMetaType());
        invoked = method.invoke(
            m_object, Qt::DirectConnection, QGenericReturnArgument(method.typeName(), result.data()), generic[0],
            generic[1], generic[2], generic[3], generic[4], generic[5], generic[6], generic[7], generic[8], generic[9]);
    }
    if (ok)
        *ok = invoked;
    return invoked ? result : QVariant();
}

bool CDispatchDriver::connectEvent(int id, QObject* receiver, const char* method)
{
    if (!isAttached() || !receiver)
        return false;
    const DispatchMember* member = m_table->find(id, true);
    if (!member)
        return false;
    const QMetaObject* senderMeta = m_object->metaObject();
    const int signalIndex = findMethod(senderMeta, member->name, -1);
    if (signalIndex < 0 || senderMeta->method(signalIndex).methodType() != QMetaMethod::Signal)
        return false;
    const QMetaMethod signal = senderMeta->method(signalIndex);
    const int methodIndex = findMethod(receiver->metaObject(), method, signal.parameterCount());
    if (methodIndex < 0)
        return false;
    return bool(QObject::connect(m_object, signal, receiver, receiver->metaObject()->method(methodIndex),
                                 Qt::DirectConnection));
}
