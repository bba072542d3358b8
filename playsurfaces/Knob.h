#pragma once

#include "ControlSite.h"

// A knob of the virtual synth editor or the performance mixer.
class CKnob : public CControlSite
{
    Q_OBJECT

public:
    static constexpr const char* ClassId = "{A0BC8323-D142-11D0-AAE1-444553540000}";
    enum DispatchIds { MinId = 3, MaxId = 4, ValueId = 5, ResetId = 6 };
    enum EventIds { ChangeId = 1, SendStringId = 2 };

    explicit CKnob(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(ClassId, state); }

    short GetMin() const;
    short GetMax() const;
    short GetValue() const;
    void SetValue(short value);
    void Reset();

signals:
    // Event 1: the value changed.
    void valueChanged();
    // Event 2: the knob's template and value.
    void sendString(const QString& sysExString, short value);

protected:
    void connectEvents() override;
};
