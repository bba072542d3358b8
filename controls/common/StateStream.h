#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDataStream>
#include <QtCore/QIODevice>
#include <QtCore/QSize>
#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QPalette>

// The pieces every control's persisted state is made of: a version, the extent, the mask
// of the stock properties that follow and the stock properties themselves, then the
// control's own values. Always little-endian, whatever the stream was set to.
namespace ControlState {

inline constexpr quint32 kVersion = 0x00010000;

// Stock property bits of the mask; the properties follow in the order Caption,
// ForeColor, BackColor, Font whatever the order of the bits.
namespace StockBit {
inline constexpr quint32 kBackColor = 0x1;
inline constexpr quint32 kCaption = 0x2;
inline constexpr quint32 kFont = 0x4;
inline constexpr quint32 kForeColor = 0x8;
} // namespace StockBit

inline constexpr int kHimetricPerInch = 2540;
inline constexpr int kPixelsPerInch = 96;
// Points of a font size are stored in units of 1/10000 point.
inline constexpr int kFontSizeUnitsPerPoint = 10000;
// A text's length prefix: one byte below this value, else this byte and a wider length.
inline constexpr quint8 kWideLengthMarker = 0xFF;
inline constexpr quint16 kLongLengthMarker = 0xFFFF;
inline constexpr quint16 kUnicodeMarker = 0xFFFE;
// Colours: 0x00BBGGRR, or this bit and the number of a system colour.
inline constexpr quint32 kSystemColorFlag = 0x80000000u;

struct StockProperties
{
    QString caption;
    QColor foreColor;
    QColor backColor;
    QFont font;
};

// Switches a stream to little-endian for its lifetime and back afterwards.
class CByteOrderGuard
{
public:
    explicit CByteOrderGuard(QDataStream& stream);
    ~CByteOrderGuard();
    CByteOrderGuard(const CByteOrderGuard&) = delete;
    CByteOrderGuard& operator=(const CByteOrderGuard&) = delete;

private:
    QDataStream& m_stream;
    QDataStream::ByteOrder m_previous;
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

void writeExtent(QDataStream& stream, QSize pixels);
QSize readExtent(QDataStream& stream);

void writeText(QDataStream& stream, const QString& text);
QString readText(QDataStream& stream);

quint32 toOleColor(const QColor& color);
QColor fromOleColor(quint32 value, const QPalette& palette = QPalette());
void writeColor(QDataStream& stream, const QColor& color);
QColor readColor(QDataStream& stream, const QPalette& palette = QPalette());

// A font object with its class identifier, version, character set, attributes, weight,
// size and face name.
void writeFont(QDataStream& stream, const QFont& font);
QFont readFont(QDataStream& stream);

void writeStockProperties(QDataStream& stream, quint32 mask, const StockProperties& stock);
// Reads the mask and the properties it names into stock; gives back the mask.
quint32 readStockProperties(QDataStream& stream, StockProperties& stock, const QPalette& palette = QPalette());

} // namespace ControlState
