#include "playsurfaces/Knob.h"

CKnob::CKnob(QWidget* parent) : CControlSite(parent)
{}

short CKnob::GetMin() const
{
    return short(dispatch().getProperty(kMinId).toInt());
}

short CKnob::GetMax() const
{
    return short(dispatch().getProperty(kMaxId).toInt());
}

short CKnob::GetValue() const
{
    return short(dispatch().getProperty(kValueId).toInt());
}

void CKnob::SetValue(short value)
{
    dispatch().setProperty(kValueId, QVariant::fromValue(value));
}

void CKnob::Reset()
{
    dispatch().invoke(kResetId);
}

void CKnob::connectEvents()
{
    dispatch().connectEvent(kChangeEventId, this, "valueChanged");
    dispatch().connectEvent(kSendStringEventId, this, "sendString");
}
