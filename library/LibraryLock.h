#pragma once

#include <QString>
#include <memory>

class QLockFile;

// The lock every change of a library is made under, so that two programs (two windows
// of the program, a window and a script, two scripts) never change one .clb at once.
//
// It is a lock file beside the library ("LIB.clb.lock", Qt's QLockFile), not a lock on
// the library file itself: a deletion writes a new file and renames it over the
// library, and a lock held on the old file would then guard a file that no longer has
// the name (on Windows an open lock handle would even stop the rename). The lock file
// behaves the same on Linux, macOS and Windows and between the window and toneloom-cli.
// A lock left by a program that crashed is recognised (its process is gone; on Unix the
// lock file is also flock()ed while held) and taken over; a lock of a running program
// never is.
class CLibraryLock
{
public:
    // How long a second writer waits for the first before it gives up.
    static constexpr int kDefaultWaitMs = 5000;

    explicit CLibraryLock(QString libraryPath);
    ~CLibraryLock();
    CLibraryLock(const CLibraryLock&) = delete;
    CLibraryLock& operator=(const CLibraryLock&) = delete;

    enum class Result {
        Locked,
        Busy,   // another program held it all the time
        Failed, // the lock file cannot be made (a folder that cannot be written)
    };
    // Takes the lock, waiting up to waitMs for another holder. Otherwise the reason in
    // error: "LIB.clb is being changed by another program (toneloom-cli, process 123);
    // try again later" or why the lock file cannot be made.
    Result lock(int waitMs, QString* error);
    void unlock();
    bool isLocked() const;

    static QString lockPathOf(const QString& libraryPath);

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_file;
};
