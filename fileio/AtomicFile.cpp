#include "fileio/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr qint64 kBufferSize = 64 * 1024;
constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666; // narrowed by the umask, as any new file is

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

// write(2) until all of it is written; false with errno set on the first failure.
bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, static_cast<size_t>(size));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) {
            errno = EIO;
            return false;
        }
        data += done;
        size -= done;
    }
    return true;
}

bool closeChecked(int fd)
{
    // Linux closes the descriptor even when close() reports an error; never retry.
    return ::close(fd) == 0 || errno == EINTR;
}

// Copies the whole of from (from its start) over to (from its start) and cuts to to
// that length; false with errno set.
bool copyContents(int from, int to, off_t size)
{
    char buffer[kBufferSize];
    off_t offset = 0;
    while (offset < size) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        for (ssize_t put = 0; put < got;) {
            const ssize_t done = ::pwrite(to, buffer + put, static_cast<size_t>(got - put), offset + put);
            if (done < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            put += done;
        }
        offset += got;
    }
    return ::ftruncate(to, size) == 0 && ::fsync(to) == 0;
}

// A new file in dir named after base, created exclusively; -1 with errno set.
int createBeside(const QString& target, QString* created)
{
    const QFileInfo info(target);
    const QString dir = info.absolutePath();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString candidate = QStringLiteral("%1/.%2.%3.tmp")
                                      .arg(dir, info.fileName())
                                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd =
            ::open(encoded(candidate).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kNewFileMode);
        if (fd >= 0) {
            *created = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

void syncFolder(const QString& target)
{
    // Makes the rename itself durable; folders that cannot be synced are left as they are.
    const int dirFd = ::open(encoded(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

QString kindRefusal(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a regular file");
    return {};
}

// Rewrites a target that has other hard links in place from the complete file at fd,
// keeping a copy of the old contents beside it until the rewrite is synced. Returns
// an empty string on success, else the cause.
QString rewriteInPlace(const QString& target, const struct stat& old, int fd, off_t size)
{
    const int out = ::open(encoded(target).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (out < 0)
        return AtomicFile::causeText(errno);
    struct stat now
    {};
    if (::fstat(out, &now) != 0 || now.st_ino != old.st_ino || now.st_dev != old.st_dev) {
        ::close(out);
        return QStringLiteral("it was replaced while being written");
    }
    QString backupPath;
    const int backup = createBeside(target, &backupPath);
    auto cleanup = [&](bool keepBackup) {
        ::close(out);
        if (backup >= 0) {
            ::close(backup);
            if (!keepBackup)
                ::unlink(encoded(backupPath).constData());
        }
    };
    if (backup < 0 || !copyContents(out, backup, old.st_size)) {
        const int cause = errno;
        cleanup(false);
        return AtomicFile::causeText(cause);
    }
    // Space for the new contents is taken before a byte of the target changes.
    if (size > old.st_size) {
        const int reserved = ::posix_fallocate(out, 0, size);
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            if (::ftruncate(out, old.st_size) != 0) {
                // The size only grows on success; nothing more to undo.
            }
            cleanup(false);
            return AtomicFile::causeText(reserved);
        }
    }
    if (copyContents(fd, out, size)) {
        cleanup(false);
        return {};
    }
    const int cause = errno;
    if (copyContents(backup, out, old.st_size)) {
        cleanup(false);
        return AtomicFile::causeText(cause);
    }
    cleanup(true);
    return QStringLiteral("%1; its old contents are kept in \"%2\"")
        .arg(AtomicFile::causeText(cause), shown(backupPath));
}

mode_t modeOf(QFileDevice::Permissions permissions)
{
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR}, {QFileDevice::WriteOwner, S_IWUSR}, {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP}, {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH}, {QFileDevice::WriteOther, S_IWOTH}, {QFileDevice::ExeOther, S_IXOTH},
    };
    for (const auto& [permission, bit] : bits)
        if (permissions.testFlag(permission))
            mode |= bit;
    return mode;
}

// What the file gets besides its contents.
struct Attributes
{
    std::optional<QFileDevice::Permissions> permissions;
    QDateTime modified;
};

// Puts the complete, open file fd (at tempPath) in the place of target. Returns an
// empty string on success, else the cause; fd is closed either way.
QString putInPlace(int fd, const QString& tempPath, const QString& target, const Attributes& attributes = {})
{
    const auto failed = [&](int cause) {
        ::close(fd);
        return AtomicFile::causeText(cause);
    };
    struct stat old
    {};
    const bool exists = ::lstat(encoded(target).constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
        ::close(fd);
        return kindRefusal(old.st_mode);
    }
    if (exists && S_ISREG(old.st_mode)) {
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            return failed(errno);
        struct stat mine
        {};
        if (::fstat(fd, &mine) == 0 && (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid)) {
            // Only a privileged process may give a file away; a member may still keep
            // the group. Where neither is allowed the file becomes the writer's.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {}
            // fchown may clear set-id bits; put the mode back.
            ::fchmod(fd, old.st_mode & 07777);
        }
    }
    if (attributes.permissions && ::fchmod(fd, modeOf(*attributes.permissions)) != 0)
        return failed(errno);
    if (attributes.modified.isValid()) {
        const qint64 ms = attributes.modified.toMSecsSinceEpoch();
        const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(ms / 1000), (ms % 1000) * 1000000}};
        if (::futimens(fd, times) != 0)
            return failed(errno);
    }
    if (::fsync(fd) != 0)
        return failed(errno);
    if (exists && S_ISREG(old.st_mode) && old.st_nlink > 1) {
        struct stat mine
        {};
        if (::fstat(fd, &mine) != 0)
            return failed(errno);
        const QString message = rewriteInPlace(target, old, fd, mine.st_size);
        ::close(fd);
        if (message.isEmpty())
            ::unlink(encoded(tempPath).constData());
        return message;
    }
    if (!closeChecked(fd))
        return AtomicFile::causeText(errno);
    if (::rename(encoded(tempPath).constData(), encoded(target).constData()) != 0)
        return AtomicFile::causeText(errno);
    syncFolder(target);
    return {};
}

} // namespace

AtomicFile::AtomicFile(const QString& path) : m_path(path)
{}

AtomicFile::~AtomicFile()
{
    cancel();
}

bool AtomicFile::fail(const QString& cause, int errnoValue)
{
    m_errno = errnoValue;
    m_cause = cause.isEmpty() ? causeText(errnoValue) : cause;
    m_error = QStringLiteral("Cannot write \"%1\": %2").arg(shown(m_path), m_cause);
    cancel();
    return false;
}

bool AtomicFile::open()
{
    cancel();
    m_error.clear();
    m_cause.clear();
    m_errno = 0;
    if (m_path.isEmpty())
        return fail(QStringLiteral("the file has no name"), 0);
    if (const QString refused = refusal(m_path); !refused.isEmpty())
        return fail(refused, 0);
    m_fd = createBeside(m_path, &m_tempPath);
    if (m_fd < 0) {
        const int cause = errno;
        m_tempPath.clear();
        return fail({}, cause);
    }
    return true;
}

bool AtomicFile::flushBuffer()
{
    if (m_buffer.isEmpty())
        return true;
    if (!writeAll(m_fd, m_buffer.constData(), m_buffer.size()))
        return fail({}, errno);
    m_buffer.clear();
    return true;
}

bool AtomicFile::notOpen()
{
    // The first failure's message stays.
    return m_error.isEmpty() ? fail(QStringLiteral("it is not open"), 0) : false;
}

bool AtomicFile::write(const char* data, qint64 size)
{
    if (m_fd < 0)
        return notOpen();
    if (size <= 0)
        return true;
    if (m_buffer.size() + size <= kBufferSize) {
        m_buffer.append(data, size);
        return true;
    }
    if (!flushBuffer())
        return false;
    if (size >= kBufferSize)
        return writeAll(m_fd, data, size) || fail({}, errno);
    m_buffer.append(data, size);
    return true;
}

bool AtomicFile::commit()
{
    if (m_fd < 0)
        return notOpen();
    if (!flushBuffer())
        return false;
    const int fd = std::exchange(m_fd, -1);
    errno = 0;
    const QString cause = putInPlace(fd, m_tempPath, m_path, Attributes{m_permissions, m_modified});
    if (!cause.isEmpty())
        return fail(cause, errno);
    m_tempPath.clear();
    return true;
}

void AtomicFile::cancel()
{
    m_buffer.clear();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.isEmpty()) {
        ::unlink(encoded(m_tempPath).constData());
        m_tempPath.clear();
    }
}

bool AtomicFile::writeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    AtomicFile file(path);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

bool AtomicFile::replace(const QString& temporary, const QString& target, QString* error)
{
    const int fd = ::open(encoded(temporary).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    QString cause;
    if (fd < 0)
        cause = QStringLiteral("\"%1\" cannot be opened: %2").arg(shown(temporary), causeText(errno));
    else
        cause = putInPlace(fd, temporary, target);
    if (cause.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(shown(target), cause);
    return false;
}

bool AtomicFile::writeInPlaceAt(const QString& path, qint64 offset, const QByteArray& bytes, QString* error)
{
    return writeInPlace(path, {Piece{offset, bytes}}, error);
}

bool AtomicFile::writeInPlace(const QString& path, const std::vector<Piece>& pieces, QString* error)
{
    QString cause;
    const int fd = ::open(encoded(path).constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    struct stat old
    {};
    // What the pieces overwrite, to be put back when a write fails.
    std::vector<Piece> saved;
    const auto writePieces = [fd](const std::vector<Piece>& list) {
        for (const Piece& piece : list)
            if (::lseek(fd, piece.offset, SEEK_SET) < 0 || !writeAll(fd, piece.bytes.constData(), piece.bytes.size()))
                return false;
        return true;
    };
    if (fd < 0) {
        cause = causeText(errno);
    } else if (::fstat(fd, &old) != 0) {
        cause = causeText(errno);
    } else if (!S_ISREG(old.st_mode)) {
        cause = kindRefusal(old.st_mode);
    } else {
        for (const Piece& piece : pieces) {
            if (piece.offset < 0 || piece.offset > old.st_size) {
                cause = QStringLiteral("it is shorter than expected");
                break;
            }
            const qint64 overlap = std::min<qint64>(piece.bytes.size(), old.st_size - piece.offset);
            QByteArray before(overlap, Qt::Uninitialized);
            if (overlap > 0 && ::pread(fd, before.data(), size_t(overlap), piece.offset) != overlap) {
                cause = causeText(errno == 0 ? EIO : errno);
                break;
            }
            saved.push_back(Piece{piece.offset, before});
        }
        if (cause.isEmpty() && (!writePieces(pieces) || ::fsync(fd) != 0)) {
            cause = causeText(errno);
            // The old bytes go back and what grew past the old end goes again.
            std::reverse(saved.begin(), saved.end());
            if (writePieces(saved) && ::ftruncate(fd, old.st_size) == 0)
                ::fsync(fd);
        }
    }
    if (fd >= 0 && !closeChecked(fd) && cause.isEmpty())
        cause = causeText(errno);
    if (cause.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(shown(path), cause);
    return false;
}

void AtomicFile::failOversizeWrites()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

QString AtomicFile::causeText(int errnoValue)
{
    switch (errnoValue) {
    case ENOSPC:
        return QStringLiteral("disk full");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("disk quota exceeded");
#endif
    case EFBIG:
        return QStringLiteral("file too large");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case EROFS:
        return QStringLiteral("read-only file system");
    case ENOENT:
        return QStringLiteral("no such file or folder");
    case ENOTDIR:
        return QStringLiteral("a part of the path is not a folder");
    case EISDIR:
        return QStringLiteral("is a folder");
    case ELOOP:
        return QStringLiteral("too many levels of links");
    case ENAMETOOLONG:
        return QStringLiteral("name too long");
    case EIO:
        return QStringLiteral("input/output error");
    case 0:
        return QStringLiteral("unknown cause");
    default:
        return QString::fromLocal8Bit(std::strerror(errnoValue));
    }
}

QString AtomicFile::refusal(const QString& path)
{
    struct stat info
    {};
    if (::lstat(encoded(path).constData(), &info) != 0)
        return {};
    return kindRefusal(info.st_mode);
}

bool AtomicFile::taken(const QString& path)
{
    struct stat info
    {};
    return ::lstat(encoded(path).constData(), &info) == 0;
}

bool AtomicFile::sameFile(const QString& a, const QString& b)
{
    struct stat first
    {};
    struct stat second
    {};
    return ::stat(encoded(a).constData(), &first) == 0 && ::stat(encoded(b).constData(), &second) == 0
           && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
