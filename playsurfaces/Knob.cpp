#include "Knob.h"

CKnob::CKnob(QWidget* parent) : CControlSite(parent)
{}

short CKnob::GetMin() const
{
    return short(dispatch().getProperty(MinId).toInt());
}

short CKnob::GetMax() const
{
    return short(dispatch().getProperty(MaxId).toInt());
}

short CKnob::GetValue() const
{
    return short(dispatch().getProperty(ValueId).toInt());
}

void CKnob::SetValue(short value)
{
    dispatch().setProperty(ValueId, QVariant::fromValue(value));
}

void CKnob::Reset()
{
    dispatch().invoke(ResetId);
}

void CKnob::connectEvents()
{
    dispatch().connectEvent(ChangeId, this, "valueChanged");
    dispatch().connectEvent(SendStringId, this, "sendString");
}
