#include "playsurfaces/Knob.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// The control keeps 16-bit numbers.
QVariant toShort(int value)
{
    return QVariant::fromValue(
        short(std::clamp<int>(value, std::numeric_limits<short>::min(), std::numeric_limits<short>::max())));
}

} // namespace

CKnob::CKnob(QWidget* parent) : CControlSite(parent)
{}

int CKnob::GetMin() const
{
    return dispatch().getProperty(kMinId).toInt();
}

void CKnob::SetMin(int minimum)
{
    dispatch().setProperty(kMinId, toShort(minimum));
    publishChanges();
}

int CKnob::GetMax() const
{
    return dispatch().getProperty(kMaxId).toInt();
}

void CKnob::SetMax(int maximum)
{
    dispatch().setProperty(kMaxId, toShort(maximum));
    publishChanges();
}

int CKnob::GetValue() const
{
    return dispatch().getProperty(kValueId).toInt();
}

void CKnob::SetValue(int value)
{
    dispatch().setProperty(kValueId, toShort(value));
    publishChanges();
}

int CKnob::GetInitialValue() const
{
    return dispatch().getProperty(kInitialValueId).toInt();
}

void CKnob::SetInitialValue(int value)
{
    dispatch().setProperty(kInitialValueId, toShort(value));
    publishChanges();
}

QString CKnob::GetSysExString() const
{
    return dispatch().getProperty(kSysExStringId).toString();
}

void CKnob::SetSysExString(const QString& sysExString)
{
    dispatch().setProperty(kSysExStringId, sysExString);
    publishChanges();
}

void CKnob::Reset()
{
    dispatch().invoke(kResetId);
    publishChanges();
}

std::optional<int> CKnob::remoteValue(int minimum, int maximum, int current, int controllerValue)
{
    const int wanted = std::min(minimum + std::clamp(controllerValue, 0, 127), maximum);
    if (std::abs(wanted - current) > kRemoteCatch)
        return std::nullopt;
    return wanted;
}

bool CKnob::ApplyRemote(int controllerValue)
{
    const std::optional<int> value = remoteValue(GetMin(), GetMax(), GetValue(), controllerValue);
    if (!value)
        return false;
    SetValue(*value);
    return true;
}

void CKnob::connectEvents()
{
    dispatch().connectEvent(kChangeEventId, this, "onChange");
    dispatch().connectEvent(kSendStringEventId, this, "onSendString");
}

void CKnob::onChange()
{
    publishChanges();
}

void CKnob::onSendString(const QString& sysExString, short value)
{
    emit sendString(sysExString, value);
}

void CKnob::publishChanges()
{
    if (const int minimum = GetMin(); minimum != m_minimum) {
        m_minimum = minimum;
        emit minimumChanged(minimum);
    }
    if (const int maximum = GetMax(); maximum != m_maximum) {
        m_maximum = maximum;
        emit maximumChanged(maximum);
    }
    if (const int value = GetValue(); value != m_value) {
        m_value = value;
        emit valueChanged(value);
    }
    if (const int initialValue = GetInitialValue(); initialValue != m_initialValue) {
        m_initialValue = initialValue;
        emit initialValueChanged(initialValue);
    }
    if (const QString sysExString = GetSysExString(); sysExString != m_sysExString) {
        m_sysExString = sysExString;
        emit sysExStringChanged(sysExString);
    }
}
