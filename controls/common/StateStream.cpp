#include "controls/common/StateStream.h"

#include <QtCore/QIODevice>

#include <algorithm>
#include <array>
#include <cmath>

namespace ControlState {

namespace {

// The font object's class identifier in its stored byte order.
constexpr std::array<quint8, 16> kFontClassId = {0x03, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                                                 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};
constexpr quint8 kFontVersion = 1;
constexpr quint8 kFontItalic = 0x02;
constexpr quint8 kFontUnderline = 0x04;
constexpr quint8 kFontStrikeOut = 0x08;
constexpr quint16 kAnsiCharset = 0;
constexpr int kMaxExtentPixels = 16384;
// Nothing a control stores comes near this; larger lengths are corrupt data.
constexpr quint32 kMaxTextLength = 1 << 20;

void markCorrupt(QDataStream& stream)
{
    if (stream.status() == QDataStream::Ok)
        stream.setStatus(QDataStream::ReadCorruptData);
}

QByteArray readBytes(QDataStream& stream, quint32 length)
{
    if (length > kMaxTextLength) {
        markCorrupt(stream);
        return {};
    }
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    if (length > 0 && stream.readRawData(bytes.data(), int(length)) != int(length)) {
        stream.setStatus(QDataStream::ReadPastEnd);
        return {};
    }
    return bytes;
}

quint32 readLength(QDataStream& stream, bool* unicode)
{
    quint8 byteLength = 0;
    stream >> byteLength;
    if (byteLength < kWideLengthMarker)
        return byteLength;
    quint16 wordLength = 0;
    stream >> wordLength;
    if (wordLength == kUnicodeMarker && unicode && !*unicode) {
        *unicode = true;
        return readLength(stream, unicode);
    }
    if (wordLength < kLongLengthMarker)
        return wordLength;
    quint32 longLength = 0;
    stream >> longLength;
    return longLength;
}

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

CByteOrderGuard::CByteOrderGuard(QDataStream& stream) : m_stream(stream), m_previous(stream.byteOrder())
{
    m_stream.setByteOrder(QDataStream::LittleEndian);
}

CByteOrderGuard::~CByteOrderGuard()
{
    m_stream.setByteOrder(m_previous);
}

void writeExtent(QDataStream& stream, QSize pixels)
{
    auto toHimetric = [](int value) { return qint32(std::lround(double(value) * kHimetricPerInch / kPixelsPerInch)); };
    stream << toHimetric(pixels.width()) << toHimetric(pixels.height());
}

QSize readExtent(QDataStream& stream)
{
    qint32 width = 0;
    qint32 height = 0;
    stream >> width >> height;
    auto toPixels = [](qint32 value) {
        const long pixels = std::lround(double(value) * kPixelsPerInch / kHimetricPerInch);
        return int(std::clamp(pixels, 0L, long(kMaxExtentPixels)));
    };
    return {toPixels(width), toPixels(height)};
}

void writeText(QDataStream& stream, const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    const auto length = quint32(bytes.size());
    if (length < kWideLengthMarker) {
        stream << quint8(length);
    } else if (length < kUnicodeMarker) { // 0xFFFE itself would read as the UTF-16 marker
        stream << kWideLengthMarker << quint16(length);
    } else {
        stream << kWideLengthMarker << kLongLengthMarker << length;
    }
    stream.writeRawData(bytes.constData(), int(bytes.size()));
}

QString readText(QDataStream& stream)
{
    bool unicode = false;
    const quint32 length = readLength(stream, &unicode);
    if (stream.status() != QDataStream::Ok)
        return {};
    if (unicode) {
        if (length > kMaxTextLength / 2) {
            markCorrupt(stream);
            return {};
        }
        const QByteArray bytes = readBytes(stream, length * 2);
        QString text(qsizetype(length), Qt::Uninitialized);
        for (quint32 i = 0; i < length && qsizetype(i * 2 + 1) < bytes.size(); ++i)
            text[qsizetype(i)] = QChar(quint16(quint8(bytes[i * 2]) | (quint8(bytes[i * 2 + 1]) << 8)));
        return stream.status() == QDataStream::Ok ? text : QString();
    }
    return QString::fromLatin1(readBytes(stream, length));
}

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

void writeColor(QDataStream& stream, const QColor& color)
{
    stream << toOleColor(color);
}

QColor readColor(QDataStream& stream, const QPalette& palette)
{
    quint32 value = 0;
    stream >> value;
    return fromOleColor(value, palette);
}

void writeFont(QDataStream& stream, const QFont& font)
{
    stream.writeRawData(reinterpret_cast<const char*>(kFontClassId.data()), int(kFontClassId.size()));
    quint8 attributes = 0;
    if (font.italic())
        attributes |= kFontItalic;
    if (font.underline())
        attributes |= kFontUnderline;
    if (font.strikeOut())
        attributes |= kFontStrikeOut;
    double points = font.pointSizeF();
    if (points <= 0)
        points = double(font.pixelSize()) * 72.0 / kPixelsPerInch;
    stream << kFontVersion << kAnsiCharset << attributes << quint16(font.weight())
           << quint32(std::lround(points * kFontSizeUnitsPerPoint));
    const QByteArray name = font.family().toLatin1().left(kWideLengthMarker - 1);
    stream << quint8(name.size());
    stream.writeRawData(name.constData(), int(name.size()));
}

QFont readFont(QDataStream& stream)
{
    std::array<quint8, 16> classId{};
    if (stream.readRawData(reinterpret_cast<char*>(classId.data()), int(classId.size())) != int(classId.size())) {
        stream.setStatus(QDataStream::ReadPastEnd);
        return {};
    }
    if (classId != kFontClassId) {
        markCorrupt(stream);
        return {};
    }
    quint8 version = 0;
    quint16 charset = 0;
    quint8 attributes = 0;
    quint16 weight = 0;
    quint32 size = 0;
    quint8 nameLength = 0;
    stream >> version >> charset >> attributes >> weight >> size >> nameLength;
    const QByteArray name = readBytes(stream, nameLength);
    if (stream.status() != QDataStream::Ok)
        return {};

    QFont font;
    if (!name.isEmpty())
        font.setFamily(QString::fromLatin1(name));
    if (size > 0)
        font.setPointSizeF(double(size) / kFontSizeUnitsPerPoint);
    font.setWeight(QFont::Weight(std::clamp<int>(weight == 0 ? int(QFont::Normal) : int(weight), 1, 1000)));
    font.setItalic(attributes & kFontItalic);
    font.setUnderline(attributes & kFontUnderline);
    font.setStrikeOut(attributes & kFontStrikeOut);
    return font;
}

void writeStockProperties(QDataStream& stream, quint32 mask, const StockProperties& stock)
{
    stream << mask;
    if (mask & StockBit::kCaption)
        writeText(stream, stock.caption);
    if (mask & StockBit::kForeColor)
        writeColor(stream, stock.foreColor);
    if (mask & StockBit::kBackColor)
        writeColor(stream, stock.backColor);
    if (mask & StockBit::kFont)
        writeFont(stream, stock.font);
}

quint32 readStockProperties(QDataStream& stream, StockProperties& stock, const QPalette& palette)
{
    quint32 mask = 0;
    stream >> mask;
    if (mask & StockBit::kCaption)
        stock.caption = readText(stream);
    if (mask & StockBit::kForeColor)
        stock.foreColor = readColor(stream, palette);
    if (mask & StockBit::kBackColor)
        stock.backColor = readColor(stream, palette);
    if (mask & StockBit::kFont)
        stock.font = readFont(stream);
    return mask;
}

} // namespace ControlState
