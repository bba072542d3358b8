#pragma once

#include "controls/common/StateFormat.h"

// The persisted state of each control as plain data, in the order it is stored. A state
// of another version holds only the version, the extent and the stock properties; its
// own values then keep their defaults here. Every reader gives false, and leaves the
// stream's status other than Ok, when the bytes end early or cannot be a state.
namespace ControlState {

// The envelope control: no stock properties, then HelpLine.
struct KurvexState
{
    quint32 version = kVersion;
    QSize extent;
    StockRecord stock;
    bool helpLine = true;

    bool operator==(const KurvexState&) const = default;
};

// The choice control: its stock properties (BackColor and Font), then the three texts
// and the selection.
struct PickvaneState
{
    quint32 version = kVersion;
    QSize extent;
    StockRecord stock;
    QString listItems;
    QString sysExString;
    QString listValues;
    qint16 selection = 0;

    bool operator==(const PickvaneState&) const = default;
};

// The knob: its stock properties (ForeColor and Font), the template, the initial value
// and the bounds, and whether Reset announces the value.
struct KnobState
{
    static constexpr qint16 kDefaultMaximum = 127;

    quint32 version = kVersion;
    QSize extent;
    StockRecord stock;
    QString sysExString;
    qint16 initialValue = 0;
    qint16 minimum = 0;
    qint16 maximum = kDefaultMaximum;
    bool sendOnReset = false;

    bool operator==(const KnobState&) const = default;
};

// The caption box: only its stock properties (Caption, ForeColor, BackColor, Font).
struct CaptileState
{
    quint32 version = kVersion;
    QSize extent;
    StockRecord stock;

    bool operator==(const CaptileState&) const = default;
};

void writeState(QDataStream& stream, const KurvexState& state);
bool readState(QDataStream& stream, KurvexState& state);
void writeState(QDataStream& stream, const PickvaneState& state);
bool readState(QDataStream& stream, PickvaneState& state);
void writeState(QDataStream& stream, const KnobState& state);
bool readState(QDataStream& stream, KnobState& state);
void writeState(QDataStream& stream, const CaptileState& state);
bool readState(QDataStream& stream, CaptileState& state);

} // namespace ControlState
