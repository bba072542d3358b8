#include "playsurfaces/Pickvane.h"

#include "controls/common/ChoiceList.h"

#include <algorithm>
#include <limits>

namespace {

// The control keeps 16-bit numbers.
short toShort(int value)
{
    return short(std::clamp<int>(value, std::numeric_limits<short>::min(), std::numeric_limits<short>::max()));
}

} // namespace

CPickvane::CPickvane(QWidget* parent) : CControlSite(parent)
{}

QString CPickvane::GetListItems() const
{
    return dispatch().getProperty(kListItemsId).toString();
}

QStringList CPickvane::GetItems() const
{
    return ChoiceList::parse(GetListItems());
}

void CPickvane::SetItems(const QStringList& items)
{
    dispatch().setProperty(kListItemsId, ChoiceList::join(items));
    publishChanges();
}

QList<int> CPickvane::GetValues() const
{
    QList<int> values;
    for (const short value : ChoiceList::parseValues(dispatch().getProperty(kListValuesId).toString()))
        values.append(value);
    return values;
}

void CPickvane::SetValues(const QList<int>& values)
{
    QList<int> stored;
    for (const int value : values)
        stored.append(toShort(value));
    dispatch().setProperty(kListValuesId, ChoiceList::joinValues(stored));
    publishChanges();
}

QString CPickvane::GetSysExString() const
{
    return dispatch().getProperty(kSysExStringId).toString();
}

void CPickvane::SetSysExString(const QString& sysExString)
{
    dispatch().setProperty(kSysExStringId, sysExString);
    publishChanges();
}

int CPickvane::GetSelection() const
{
    return dispatch().getProperty(kSelectionId).toInt();
}

void CPickvane::SetSelection(int selection)
{
    dispatch().setProperty(kSelectionId, QVariant::fromValue(toShort(selection)));
    publishChanges();
}

void CPickvane::Reset()
{
    dispatch().invoke(kResetId);
    publishChanges();
}

int CPickvane::GetListValue(int index) const
{
    return dispatch().invoke(kGetListValueId, {QVariant::fromValue(toShort(index))}).toInt();
}

int CPickvane::remoteSelection(int itemCount, int controllerValue)
{
    constexpr int kControllerValues = 128;
    if (itemCount <= 0)
        return -1;
    const int value = std::clamp(controllerValue, 0, kControllerValues - 1);
    // With more items than controller values the parts would be empty (a division by
    // zero); then the values spread over the whole list instead, first to last.
    if (itemCount > kControllerValues)
        return value * (itemCount - 1) / (kControllerValues - 1);
    return std::min(value / (kControllerValues / itemCount), itemCount - 1);
}

bool CPickvane::ApplyRemote(int controllerValue)
{
    const int selection = remoteSelection(int(GetItems().size()), controllerValue);
    if (selection < 0)
        return false;
    SetSelection(selection);
    return true;
}

void CPickvane::connectEvents()
{
    dispatch().connectEvent(kSendStringEventId, this, "onSendString");
}

void CPickvane::onSendString(const QString& sysExString, short value)
{
    // A choice from the popup has changed the selection before the control announces it.
    publishChanges();
    emit sendString(sysExString, value);
}

void CPickvane::publishChanges()
{
    if (const QStringList items = GetItems(); items != m_items) {
        m_items = items;
        emit itemsChanged(items);
    }
    if (const QList<int> values = GetValues(); values != m_values) {
        m_values = values;
        emit valuesChanged(values);
    }
    if (const QString sysExString = GetSysExString(); sysExString != m_sysExString) {
        m_sysExString = sysExString;
        emit sysExStringChanged(sysExString);
    }
    if (const int selection = GetSelection(); selection != m_selection) {
        m_selection = selection;
        emit selectionChanged(selection);
    }
}
