#include "controls/common/StateFormat.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ControlState {

namespace {

// The font object's class identifier in its stored byte order.
constexpr std::array<quint8, 16> kFontClassId = {0x03, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                                                 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};
constexpr int kMaxExtentPixels = 16384;
// Nothing a control stores comes near this; larger lengths are corrupt data.
constexpr quint32 kMaxTextLength = 1 << 20;
constexpr qsizetype kMaxFontNameLength = kWideLengthMarker - 1;

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

void writeLength(QDataStream& stream, quint32 length)
{
    if (length < kWideLengthMarker)
        stream << quint8(length);
    else if (length < kUnicodeMarker) // 0xFFFE itself would read as the UTF-16 marker
        stream << kWideLengthMarker << quint16(length);
    else
        stream << kWideLengthMarker << kLongLengthMarker << length;
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

bool isLatin1(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
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
    if (isLatin1(text)) {
        const QByteArray bytes = text.toLatin1();
        writeLength(stream, quint32(bytes.size()));
        stream.writeRawData(bytes.constData(), int(bytes.size()));
        return;
    }
    // Characters beyond Latin-1 would turn into question marks: such a text is stored
    // in UTF-16, which every reader of these states understands.
    stream << kWideLengthMarker << kUnicodeMarker;
    writeLength(stream, quint32(text.size()));
    for (const QChar c : text)
        stream << quint16(c.unicode());
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
        if (stream.status() != QDataStream::Ok)
            return {};
        QString text(qsizetype(length), Qt::Uninitialized);
        for (quint32 i = 0; i < length; ++i)
            text[qsizetype(i)] = QChar(quint16(quint8(bytes[i * 2]) | (quint8(bytes[i * 2 + 1]) << 8)));
        return text;
    }
    return QString::fromLatin1(readBytes(stream, length));
}

void writeFontRecord(QDataStream& stream, const FontRecord& font)
{
    stream.writeRawData(reinterpret_cast<const char*>(kFontClassId.data()), int(kFontClassId.size()));
    stream << font.version << font.charset << font.attributes << font.weight << font.size;
    const QByteArray name = font.name.left(kMaxFontNameLength);
    stream << quint8(name.size());
    stream.writeRawData(name.constData(), int(name.size()));
}

FontRecord readFontRecord(QDataStream& stream)
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
    FontRecord font;
    quint8 nameLength = 0;
    stream >> font.version >> font.charset >> font.attributes >> font.weight >> font.size >> nameLength;
    font.name = readBytes(stream, nameLength);
    if (stream.status() != QDataStream::Ok)
        return {};
    return font;
}

void writeStockRecord(QDataStream& stream, const StockRecord& stock)
{
    stream << stock.mask;
    if (stock.mask & StockBit::kCaption)
        writeText(stream, stock.caption);
    if (stock.mask & StockBit::kForeColor)
        stream << stock.foreColor;
    if (stock.mask & StockBit::kBackColor)
        stream << stock.backColor;
    if (stock.mask & StockBit::kFont)
        writeFontRecord(stream, stock.font);
}

void readStockRecord(QDataStream& stream, StockRecord& stock)
{
    stream >> stock.mask;
    if (stock.mask & StockBit::kCaption)
        stock.caption = readText(stream);
    if (stock.mask & StockBit::kForeColor)
        stream >> stock.foreColor;
    if (stock.mask & StockBit::kBackColor)
        stream >> stock.backColor;
    if (stock.mask & StockBit::kFont)
        stock.font = readFontRecord(stream);
}

} // namespace ControlState
