#pragma once

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

// The lists of a choice control as texts: every entry followed by CR LF, the values as
// decimal numbers. The control and its hosts read and write them through these helpers.
namespace ChoiceList {

// The entries of text: each is the text before a line feed without the character just
// before it (the CR). Text after the last line feed is not an entry.
QStringList parse(const QString& text);
// Every entry followed by CR LF; line breaks inside an entry become blanks, since they
// would split it.
QString join(const QStringList& entries);

// A decimal number as the C library's atoi reads it (blanks, a sign, digits up to the
// first other character), kept in 16 bits.
short parseValue(const QString& text);
QList<short> parseValues(const QString& text);
QString joinValues(const QList<int>& values);

} // namespace ChoiceList
