#pragma once

#include <QFile>
#include <QString>

// The numbered file messages of sends and receives: the number of the cause as the
// messages show it, and " ("FILE": the system's reason)" to append.
namespace transferfile {

int openErrorCause(const QFile& file, bool forWriting);
int ioErrorCause(const QFile& file);
// The cause of a failed write: a write cut short carries no error of the file itself,
// so the system's error (errnoValue) decides: a full disk, else a write error.
int writeErrorCause(const QFile& file, int errnoValue);
// errnoValue is the system's error of the failure (0: the file's own error text).
QString fileAndReason(const QFile& file, int errnoValue);

} // namespace transferfile
