#include "controls/common/StateStream.h"

#include <algorithm>
#include <cmath>

namespace ControlState {

namespace {

constexpr quint8 kFontVersion = 1;
constexpr quint16 kAnsiCharset = 0;
constexpr qsizetype kMaxFontNameLength = kWideLengthMarker - 1;
constexpr int kMaxFontWeight = 1000;

QColor systemColor(quint32 index, const QPalette& palette)
{
    // The system colours a stored state is likely to name, mapped onto the palette.
    switch (index) {
    case 5:
        return palette.color(QPalette::Base); // window
    case 8:
        return palette.color(QPalette::Text); // window text
    case 13:
        return palette.color(QPalette::Highlight);
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 15:
        return palette.color(QPalette::Button); // button face
    case 16:
        return palette.color(QPalette::Dark); // button shadow
    case 18:
        return palette.color(QPalette::ButtonText);
    case 20:
        return palette.color(QPalette::Light); // button highlight
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace

quint32 toOleColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

QColor fromOleColor(quint32 value, const QPalette& palette)
{
    if (value & kSystemColorFlag)
        return systemColor(value & 0xFFFFu, palette);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

FontRecord toFontRecord(const QFont& font)
{
    FontRecord record;
    record.version = kFontVersion;
    record.charset = kAnsiCharset;
    if (font.italic())
        record.attributes |= kFontItalic;
    if (font.underline())
        record.attributes |= kFontUnderline;
    if (font.strikeOut())
        record.attributes |= kFontStrikeOut;
    record.weight = quint16(font.weight());
    double points = font.pointSizeF();
    if (points <= 0)
        points = double(font.pixelSize()) * 72.0 / kPixelsPerInch;
    record.size = quint32(std::lround(points * kFontSizeUnitsPerPoint));
    record.name = font.family().toLatin1().left(kMaxFontNameLength);
    return record;
}

QFont fromFontRecord(const FontRecord& record)
{
    QFont font;
    if (!record.name.isEmpty())
        font.setFamily(QString::fromLatin1(record.name));
    if (record.size > 0)
        font.setPointSizeF(double(record.size) / kFontSizeUnitsPerPoint);
    const int weight = record.weight == 0 ? int(QFont::Normal) : int(record.weight);
    font.setWeight(QFont::Weight(std::clamp(weight, 1, kMaxFontWeight)));
    font.setItalic(record.attributes & kFontItalic);
    font.setUnderline(record.attributes & kFontUnderline);
    font.setStrikeOut(record.attributes & kFontStrikeOut);
    return font;
}

StockRecord toStockRecord(quint32 mask, const StockProperties& stock)
{
    StockRecord record;
    record.mask = mask;
    if (mask & StockBit::kCaption)
        record.caption = stock.caption;
    if (mask & StockBit::kForeColor)
        record.foreColor = toOleColor(stock.foreColor);
    if (mask & StockBit::kBackColor)
        record.backColor = toOleColor(stock.backColor);
    if (mask & StockBit::kFont)
        record.font = toFontRecord(stock.font);
    return record;
}

void fromStockRecord(const StockRecord& record, StockProperties& stock, const QPalette& palette)
{
    if (record.mask & StockBit::kCaption)
        stock.caption = record.caption;
    if (record.mask & StockBit::kForeColor)
        stock.foreColor = fromOleColor(record.foreColor, palette);
    if (record.mask & StockBit::kBackColor)
        stock.backColor = fromOleColor(record.backColor, palette);
    if (record.mask & StockBit::kFont)
        stock.font = fromFontRecord(record.font);
}

} // namespace ControlState
