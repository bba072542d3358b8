#pragma once

#include "ControlSite.h"

// A choice control of the virtual synth editor.
class CPickvane : public CControlSite
{
    Q_OBJECT

public:
    static constexpr const char* ClassId = "{2A923CC7-F240-11D0-AAE1-444553540000}";
    enum DispatchIds { ListItemsId = 1, SelectionId = 4, ResetId = 5, GetListValueId = 6 };
    enum EventIds { SendStringId = 1 };

    explicit CPickvane(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(ClassId, state); }

    QString GetListItems() const;
    short GetSelection() const;
    void SetSelection(short selection);
    void Reset();
    short GetListValue(short index);

signals:
    void sendString(const QString& sysExString, short value);

protected:
    void connectEvents() override;
};
