#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDataStream>
#include <QtCore/QSize>
#include <QtCore/QString>

// The pieces every control's persisted state is made of, as plain data: a version, the
// extent, the mask of the stock properties that follow and the stock properties
// themselves, then the control's own values. Always little-endian, whatever the stream
// was set to. Reading never trusts a length: a state that ends early or names more than
// any control stores leaves the stream's status other than Ok.
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
// Font attributes.
inline constexpr quint8 kFontItalic = 0x02;
inline constexpr quint8 kFontUnderline = 0x04;
inline constexpr quint8 kFontStrikeOut = 0x08;

// A font object as stored after its class identifier.
struct FontRecord
{
    quint8 version = 1;
    quint16 charset = 0;
    quint8 attributes = 0;
    quint16 weight = 400;
    quint32 size = 0; // in 1/10000 point
    QByteArray name;  // written with at most 254 bytes

    bool operator==(const FontRecord&) const = default;
};

// The stock properties the mask names; the others keep what they held.
struct StockRecord
{
    quint32 mask = 0;
    QString caption;
    quint32 foreColor = 0;
    quint32 backColor = 0;
    FontRecord font;

    bool operator==(const StockRecord&) const = default;
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

// The extent is stored in HIMETRIC and handed out in pixels at 96 per inch.
void writeExtent(QDataStream& stream, QSize pixels);
QSize readExtent(QDataStream& stream);

// Latin-1 where the text allows it, else UTF-16 behind its marker.
void writeText(QDataStream& stream, const QString& text);
QString readText(QDataStream& stream);

void writeFontRecord(QDataStream& stream, const FontRecord& font);
FontRecord readFontRecord(QDataStream& stream);

void writeStockRecord(QDataStream& stream, const StockRecord& stock);
// Reads the mask and the properties it names into stock.
void readStockRecord(QDataStream& stream, StockRecord& stock);

} // namespace ControlState
