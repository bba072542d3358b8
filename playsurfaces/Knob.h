#pragma once

#include "playsurfaces/ControlSite.h"

// A knob of the virtual synth editor or the performance mixer.
class CKnob : public CControlSite
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{A0BC8323-D142-11D0-AAE1-444553540000}";
    // The control's dispatch numbers this wrapper uses.
    static constexpr int kMinId = 3;
    static constexpr int kMaxId = 4;
    static constexpr int kValueId = 5;
    static constexpr int kResetId = 6;
    static constexpr int kChangeEventId = 1;
    static constexpr int kSendStringEventId = 2;

    explicit CKnob(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }

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
