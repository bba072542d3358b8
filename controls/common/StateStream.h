#pragma once

#include "controls/common/StateFormat.h"

#include <QtCore/QIODevice>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QPalette>

// The stock properties of a persisted state as the widgets use them: colours and fonts.
namespace ControlState {

struct StockProperties
{
    QString caption;
    QColor foreColor;
    QColor backColor;
    QFont font;
};

// A control's whole state as bytes and back, through its writeState and readState.
template <typename Control>
QByteArray toBytes(const Control& control)
{
    QByteArray state;
    QDataStream stream(&state, QIODevice::WriteOnly);
    control.writeState(stream);
    return state;
}

template <typename Control>
bool fromBytes(Control& control, const QByteArray& state)
{
    QDataStream stream(state);
    return control.readState(stream);
}

quint32 toOleColor(const QColor& color);
QColor fromOleColor(quint32 value, const QPalette& palette = QPalette());

FontRecord toFontRecord(const QFont& font);
QFont fromFontRecord(const FontRecord& font);

// The properties mask names, taken from stock.
StockRecord toStockRecord(quint32 mask, const StockProperties& stock);
// The properties the record's mask names go into stock; the others keep their values.
void fromStockRecord(const StockRecord& record, StockProperties& stock, const QPalette& palette = QPalette());

} // namespace ControlState
