#include "Pickvane.h"

CPickvane::CPickvane(QWidget* parent) : CControlSite(parent)
{}

QString CPickvane::GetListItems() const
{
    return dispatch().getProperty(ListItemsId).toString();
}

short CPickvane::GetSelection() const
{
    return short(dispatch().getProperty(SelectionId).toInt());
}

void CPickvane::SetSelection(short selection)
{
    dispatch().setProperty(SelectionId, QVariant::fromValue(selection));
}

void CPickvane::Reset()
{
    dispatch().invoke(ResetId);
}

short CPickvane::GetListValue(short index)
{
    return short(dispatch().invoke(GetListValueId, {QVariant::fromValue(index)}).toInt());
}

void CPickvane::connectEvents()
{
    dispatch().connectEvent(SendStringId, this, "sendString");
}
