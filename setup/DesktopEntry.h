#pragma once

#include <QByteArray>
#include <QString>

// Writes freedesktop desktop entries for the installed program: the quoting of the
// Exec key and the escapes of string values, so that any folder name starts the program.
class CDesktopEntry
{
public:
    // One Exec argument: quoted in double quotes when it is empty or holds a reserved
    // character, with '"', '`', '$' and '\' escaped inside the quotes; '%' doubled.
    static QString quoteExecArgument(const QString& argument);
    // The escapes of a string value: '\' as "\\", newline, tab and carriage return as
    // "\n", "\t" and "\r". Applied after the Exec quoting.
    static QString escapeValue(const QString& value);
    // The value of the Exec key that starts program with the files it is given.
    static QString execValue(const QString& programPath);

    // template_ with its Exec and Icon keys replaced (TryExec dropped), every other
    // line kept as it stands. Lines end in "\n".
    static QByteArray fromTemplate(const QString& template_, const QString& programPath, const QString& iconPath);
};
