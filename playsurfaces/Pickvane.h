#pragma once

#include "playsurfaces/ControlSite.h"

#include <QtCore/QList>
#include <QtCore/QStringList>

// A choice control of the virtual synth editor: a short list of items, a value for
// each, and the message template the host fills with the chosen item's value.
class CPickvane : public CControlSite
{
    Q_OBJECT
    Q_PROPERTY(QStringList items READ GetItems WRITE SetItems NOTIFY itemsChanged)
    Q_PROPERTY(QList<int> values READ GetValues WRITE SetValues NOTIFY valuesChanged)
    Q_PROPERTY(QString sysExString READ GetSysExString WRITE SetSysExString NOTIFY sysExStringChanged)
    Q_PROPERTY(int selection READ GetSelection WRITE SetSelection NOTIFY selectionChanged)

public:
    static constexpr const char* kClassId = "{2A923CC7-F240-11D0-AAE1-444553540000}";
    // The control's dispatch numbers this wrapper uses.
    static constexpr int kListItemsId = 1;
    static constexpr int kSysExStringId = 2;
    static constexpr int kListValuesId = 3;
    static constexpr int kSelectionId = 4;
    static constexpr int kResetId = 5;
    static constexpr int kGetListValueId = 6;
    static constexpr int kSendStringEventId = 1;

    explicit CPickvane(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }

    // The items as the control stores them, each followed by CR LF.
    QString GetListItems() const;
    QStringList GetItems() const;
    void SetItems(const QStringList& items);
    QList<int> GetValues() const;
    void SetValues(const QList<int>& values);
    QString GetSysExString() const;
    void SetSysExString(const QString& sysExString);
    int GetSelection() const;
    // Also the selection Reset goes back to; announces the item's value (sendString)
    // when both lists hold it.
    void SetSelection(int selection);
    // Back to the stored selection, announced twice.
    void Reset();
    int GetListValue(int index) const;

    // The remote rule: the item a controller value (0 to 127) picks among itemCount
    // items, splitting the controller's range into equal parts; -1 when there is no
    // item. Beyond 128 items each controller value picks its own item across the list.
    static int remoteSelection(int itemCount, int controllerValue);
    // Selects (and so announces) the item the controller value picks; false when the
    // control has no items.
    bool ApplyRemote(int controllerValue);

signals:
    void itemsChanged(const QStringList& items);
    void valuesChanged(const QList<int>& values);
    void sysExStringChanged(const QString& sysExString);
    // The selection changed, set by the host or chosen by the user.
    void selectionChanged(int selection);
    // The control's event: the template and the chosen item's value, to be sent.
    void sendString(const QString& sysExString, int value);

protected:
    void connectEvents() override;
    void publishChanges() override;

private slots:
    void onSendString(const QString& sysExString, short value);

private:
    QStringList m_items;
    QList<int> m_values;
    QString m_sysExString;
    int m_selection = 0;
};
