#include "playsurfaces/Pickvane.h"

CPickvane::CPickvane(QWidget* parent) : CControlSite(parent)
{}

QString CPickvane::GetListItems() const
{
    return dispatch().getProperty(kListItemsId).toString();
}

short CPickvane::GetSelection() const
{
    return short(dispatch().getProperty(kSelectionId).toInt());
}

void CPickvane::SetSelection(short selection)
{
    dispatch().setProperty(kSelectionId, QVariant::fromValue(selection));
}

void CPickvane::Reset()
{
    dispatch().invoke(kResetId);
}

short CPickvane::GetListValue(short index)
{
    return short(dispatch().invoke(kGetListValueId, {QVariant::fromValue(index)}).toInt());
}

void CPickvane::connectEvents()
{
    dispatch().connectEvent(kSendStringEventId, this, "sendString");
}
