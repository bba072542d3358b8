#include "library/LibraryLock.h"

#include "fileio/AtomicFile.h"

#include <QFileInfo>
#include <QLockFile>

#include <cerrno>

CLibraryLock::CLibraryLock(QString libraryPath) : m_path(std::move(libraryPath))
{}

CLibraryLock::~CLibraryLock() = default;

QString CLibraryLock::lockPathOf(const QString& libraryPath)
{
    return libraryPath + QStringLiteral(".lock");
}

CLibraryLock::Result CLibraryLock::lock(int waitMs, QString* error)
{
    if (isLocked())
        return Result::Locked;
    m_file = std::make_unique<QLockFile>(lockPathOf(m_path));
    // A holder that is alive keeps its lock however long a large rewrite takes; a dead
    // one is recognised by its process, not by the age of the file.
    m_file->setStaleLockTime(0);
    errno = 0;
    if (m_file->tryLock(waitMs))
        return Result::Locked;
    // The lock file says nothing of why it could not be written (a full disk, a file
    // size limit); the system's error of the failed call does.
    const int cause = errno;
    const bool busy = m_file->error() == QLockFile::LockFailedError;
    QString reason;
    switch (m_file->error()) {
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host;
        QString app;
        const bool known = m_file->getLockInfo(&pid, &host, &app);
        reason = known ? QStringLiteral("%1 is being changed by another program (%2, process %3); try again later")
                             .arg(m_path, app.isEmpty() ? QStringLiteral("unknown") : app)
                             .arg(pid)
                       : QStringLiteral("%1 is being changed by another program; try again later").arg(m_path);
        break;
    }
    case QLockFile::PermissionError:
        reason = QStringLiteral("%1 cannot be locked: the lock file %2 cannot be made in its folder (permission "
                                "denied)")
                     .arg(m_path, QFileInfo(lockPathOf(m_path)).fileName());
        break;
    default:
        reason = QStringLiteral("%1 cannot be locked: the lock file %2 cannot be made")
                     .arg(m_path, QFileInfo(lockPathOf(m_path)).fileName());
        if (cause != 0)
            reason += QStringLiteral(": ") + AtomicFile::causeText(cause);
        break;
    }
    m_file.reset();
    if (error)
        *error = reason;
    return busy ? Result::Busy : Result::Failed;
}

void CLibraryLock::unlock()
{
    if (m_file)
        m_file->unlock();
    m_file.reset();
}

bool CLibraryLock::isLocked() const
{
    return m_file && m_file->isLocked();
}
