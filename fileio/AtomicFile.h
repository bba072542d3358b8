#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFileDevice>
#include <QString>

#include <optional>
#include <vector>

// The one way the program writes a file. What is written goes to a temporary file
// beside the target; every write, the flush and the sync are checked; the temporary
// file takes the target's mode and (where the process may) its owner, and replaces
// the target only when all of it is on disk. On any failure the target is left as it
// was and errorString() names the file and the system's reason.
//
// A symbolic link in the target's place is replaced itself, never written through; a
// FIFO, device, socket or folder in its place is refused. A target with more than one
// hard link is rewritten in place, so that every name keeps seeing it: only after the
// new contents are whole on disk, with space for them reserved first and a copy of the
// old contents kept beside it until the rewrite is synced.
class AtomicFile
{
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile(); // an open file that was not committed is discarded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // The file gets these permissions instead of the target's (or, for a new file,
    // those a new file gets under the umask).
    void setPermissions(QFileDevice::Permissions permissions) { m_permissions = permissions; }
    // The file gets this modification time instead of the moment it was written.
    void setModificationTime(const QDateTime& time) { m_modified = time; }

    // Creates the temporary file; false (with errorString()) when the target may not
    // be written or the temporary file cannot be made.
    bool open();
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Writes what is buffered, syncs, and puts the file in the target's place.
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void cancel();

    bool isOpen() const { return m_fd >= 0; }
    QString fileName() const { return m_path; }
    // "Cannot write "FILE": disk full" and the like; empty while nothing failed.
    QString errorString() const { return m_error; }
    // The cause alone: "disk full", "it is a FIFO, not a regular file"...
    QString cause() const { return m_cause; }
    // The system's error number of the failure (0 when the cause was not the system's).
    int error() const { return m_errno; }

    // Writes bytes to path through an AtomicFile; on failure *error (if given) names
    // the file and the cause.
    static bool writeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);
    // Puts an already written file (a receive's partial file, say) in place of target
    // the same way commit() does: synced, target's mode and owner, links replaced,
    // special files refused. On failure temporary stays where it was.
    static bool replace(const QString& temporary, const QString& target, QString* error = nullptr);

    // Writes bytes into the existing regular file path at offset (its end, say) in
    // place, for records added to or changed in a large file, where rewriting all of
    // it would cost too much; synced. On failure the file is put back as it was (its
    // old size, the bytes overwritten), and *error names the file and the cause. A link is
    // followed here, as reading the file follows it; special files are refused.
    static bool writeInPlaceAt(const QString& path, qint64 offset, const QByteArray& bytes, QString* error = nullptr);
    // The same for several pieces (records changed in place), synced once; on failure
    // the bytes they overwrote are put back.
    struct Piece
    {
        qint64 offset = 0;
        QByteArray bytes;
    };
    static bool writeInPlace(const QString& path, const std::vector<Piece>& pieces, QString* error = nullptr);

    // The system's reason in words: "disk full", "permission denied", "file too large"...
    static QString causeText(int errnoValue);
    // Makes a write beyond the process's file size limit (ulimit -f) fail with EFBIG, so
    // that it is reported as "file too large" like any failed write and the old file
    // stays, instead of the system ending the process with SIGXFSZ in the middle of a
    // write. Every program calls it first thing in main.
    static void failOversizeWrites();
    // Why path cannot be a file the program writes (a FIFO, device, socket or folder
    // stands there); empty when it is absent, a regular file or a symbolic link.
    static QString refusal(const QString& path);
    // Whether something (even a dangling link) stands at path.
    static bool taken(const QString& path);
    // Whether a and b are the same file once links are resolved (both must exist).
    static bool sameFile(const QString& a, const QString& b);

private:
    bool fail(const QString& cause, int errnoValue);
    bool notOpen();
    bool flushBuffer();

    QString m_path;
    QString m_tempPath;
    QByteArray m_buffer;
    QString m_error;
    QString m_cause;
    std::optional<QFileDevice::Permissions> m_permissions;
    QDateTime m_modified;
    int m_errno = 0;
    int m_fd = -1;
};
