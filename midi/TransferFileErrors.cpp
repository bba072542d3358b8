#include "midi/TransferFileErrors.h"

#include "fileio/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace transferfile {

namespace {
// Numbers of file errors as the messages show them.
enum FileCause : int {
    kCauseGeneric = 1,
    kCauseNotFound = 2,
    kCauseBadPath = 3,
    kCauseTooManyOpen = 4,
    kCauseAccessDenied = 5,
    kCauseHardware = 10,
    kCauseDiskFull = 13,
};
} // namespace

int openErrorCause(const QFile& file, bool forWriting)
{
    const QFileInfo info(file.fileName());
    if (!info.dir().exists())
        return kCauseBadPath;
    if (!forWriting && !info.exists())
        return kCauseNotFound;
    if (info.isDir() || file.error() == QFileDevice::PermissionsError)
        return kCauseAccessDenied;
    if (info.exists() && (forWriting ? !info.isWritable() : !info.isReadable()))
        return kCauseAccessDenied;
    if (file.error() == QFileDevice::ResourceError)
        return kCauseTooManyOpen;
    return kCauseGeneric;
}

int ioErrorCause(const QFile& file)
{
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return kCauseDiskFull;
    case QFileDevice::ReadError:
    case QFileDevice::WriteError:
        return kCauseHardware;
    default:
        return kCauseGeneric;
    }
}

int writeErrorCause(const QFile& file, int errnoValue)
{
    if (errnoValue == ENOSPC || file.error() == QFileDevice::ResourceError)
        return kCauseDiskFull;
    return kCauseHardware;
}

QString fileAndReason(const QFile& file, int errnoValue)
{
    QString reason = errnoValue != 0 ? AtomicFile::causeText(errnoValue) : file.errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = QStringLiteral("unknown cause");
    return QStringLiteral(" (\"%1\": %2)").arg(QDir::toNativeSeparators(file.fileName()), reason);
}

} // namespace transferfile
