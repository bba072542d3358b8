#include "setup/DesktopEntry.h"

#include <QStringList>

#include <algorithm>

namespace {

bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

} // namespace

QString CDesktopEntry::quoteExecArgument(const QString& argument)
{
    const bool quote = argument.isEmpty() || std::any_of(argument.begin(), argument.end(), isReserved);
    QString result;
    if (quote)
        result += QLatin1Char('"');
    for (const QChar c : argument) {
        if (quote
            && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')))
            result += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            result += QLatin1Char('%');
        result += c;
    }
    if (quote)
        result += QLatin1Char('"');
    return result;
}

QString CDesktopEntry::escapeValue(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            result += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            result += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            result += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            result += QStringLiteral("\\r");
        else
            result += c;
    }
    return result;
}

QString CDesktopEntry::execValue(const QString& programPath)
{
    return escapeValue(quoteExecArgument(programPath) + QStringLiteral(" %F"));
}

QByteArray CDesktopEntry::fromTemplate(const QString& template_, const QString& programPath, const QString& iconPath)
{
    QStringList lines = template_.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString text;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1String("TryExec=")))
            continue;
        if (line.startsWith(QLatin1String("Exec=")))
            line = QStringLiteral("Exec=") + execValue(programPath);
        else if (line.startsWith(QLatin1String("Icon=")))
            line = QStringLiteral("Icon=") + escapeValue(iconPath);
        text += line + QLatin1Char('\n');
    }
    return text.toUtf8();
}
