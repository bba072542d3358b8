#pragma once

#include "playsurfaces/ControlSite.h"

#include <optional>

// A knob of the virtual synth editor or the performance mixer.
class CKnob : public CControlSite
{
    Q_OBJECT
    Q_PROPERTY(int minimum READ GetMin WRITE SetMin NOTIFY minimumChanged)
    Q_PROPERTY(int maximum READ GetMax WRITE SetMax NOTIFY maximumChanged)
    Q_PROPERTY(int value READ GetValue WRITE SetValue NOTIFY valueChanged)
    Q_PROPERTY(int initialValue READ GetInitialValue WRITE SetInitialValue NOTIFY initialValueChanged)
    Q_PROPERTY(QString sysExString READ GetSysExString WRITE SetSysExString NOTIFY sysExStringChanged)

public:
    static constexpr const char* kClassId = "{A0BC8323-D142-11D0-AAE1-444553540000}";
    // The control's dispatch numbers this wrapper uses.
    static constexpr int kSysExStringId = 1;
    static constexpr int kInitialValueId = 2;
    static constexpr int kMinId = 3;
    static constexpr int kMaxId = 4;
    static constexpr int kValueId = 5;
    static constexpr int kResetId = 6;
    static constexpr int kChangeEventId = 1;
    static constexpr int kSendStringEventId = 2;

    explicit CKnob(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }

    int GetMin() const;
    // Changing a bound clips the value without announcing it through sendString.
    void SetMin(int minimum);
    int GetMax() const;
    void SetMax(int maximum);
    int GetValue() const;
    // Clipped to the bounds; a new value is announced (valueChanged, sendString).
    void SetValue(int value);
    // The value Reset goes back to.
    int GetInitialValue() const;
    void SetInitialValue(int value);
    QString GetSysExString() const;
    void SetSysExString(const QString& sysExString);
    void Reset();

    // The remote rule: the value a controller value (0 to 127) asks for, the lower bound
    // plus the controller value, at most the upper bound; no value when that lies more
    // than kRemoteCatch away from the current one, so a control far off is not yanked.
    static constexpr int kRemoteCatch = 10;
    static std::optional<int> remoteValue(int minimum, int maximum, int current, int controllerValue);
    // Sets (and so announces) that value; false when it was too far off.
    bool ApplyRemote(int controllerValue);

signals:
    void minimumChanged(int minimum);
    void maximumChanged(int maximum);
    // The control's event 1 with the new value: set by the host, turned by the user or
    // reset.
    void valueChanged(int value);
    void initialValueChanged(int value);
    void sysExStringChanged(const QString& sysExString);
    // The control's event 2: the template and the value, to be sent.
    void sendString(const QString& sysExString, int value);

protected:
    void connectEvents() override;
    void publishChanges() override;

private slots:
    void onChange();
    void onSendString(const QString& sysExString, short value);

private:
    int m_minimum = 0;
    int m_maximum = 0;
    int m_value = 0;
    int m_initialValue = 0;
    QString m_sysExString;
};
