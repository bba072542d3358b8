#pragma once

#include "playsurfaces/ControlSite.h"

// A choice control of the virtual synth editor.
class CPickvane : public CControlSite
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{2A923CC7-F240-11D0-AAE1-444553540000}";
    // The control's dispatch numbers this wrapper uses.
    static constexpr int kListItemsId = 1;
    static constexpr int kSelectionId = 4;
    static constexpr int kResetId = 5;
    static constexpr int kGetListValueId = 6;
    static constexpr int kSendStringEventId = 1;

    explicit CPickvane(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }

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
