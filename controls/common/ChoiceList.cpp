#include "controls/common/ChoiceList.h"

#include <algorithm>

namespace ChoiceList {

QStringList parse(const QString& text)
{
    QStringList entries;
    qsizetype start = 0;
    for (qsizetype lineFeed = text.indexOf(QLatin1Char('\n')); lineFeed >= 0;
         lineFeed = text.indexOf(QLatin1Char('\n'), start)) {
        entries.append(text.mid(start, std::max<qsizetype>(lineFeed - start - 1, 0)));
        start = lineFeed + 1;
    }
    return entries;
}

QString join(const QStringList& entries)
{
    QString text;
    for (QString entry : entries) {
        entry.replace(QLatin1Char('\r'), QLatin1Char(' '));
        entry.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += entry + QStringLiteral("\r\n");
    }
    return text;
}

short parseValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    quint32 value = 0;
    for (; i < text.size() && text[i].unicode() >= '0' && text[i].unicode() <= '9'; ++i)
        value = value * 10 + quint32(text[i].unicode() - '0');
    if (negative)
        value = 0u - value;
    return short(quint16(value & 0xFFFFu));
}

QList<short> parseValues(const QString& text)
{
    QList<short> values;
    for (const QString& entry : parse(text))
        values.append(parseValue(entry));
    return values;
}

QString joinValues(const QList<int>& values)
{
    QString text;
    for (const int value : values)
        text += QString::number(value) + QStringLiteral("\r\n");
    return text;
}

} // namespace ChoiceList
