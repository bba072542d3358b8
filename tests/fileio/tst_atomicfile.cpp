// The one file writer: whole or nothing, links and special files never written
// through, mode and hard links kept, and the cause named when it fails.

#include "../support/FaultInjection.h"
#include "fileio/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writePlain(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

mode_t modeOf(const QString& path)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void replacesWholeAndKeepsMode()
    {
        const QString path = m_dir->filePath("a.syx");
        writePlain(path, "old contents");
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
        const QByteArray bytes(200'000, 'x'); // more than the writer buffers
        QString error;
        QVERIFY2(AtomicFile::writeFile(path, bytes, &error), qPrintable(error));
        QCOMPARE(readFile(path), bytes);
        QCOMPARE(modeOf(path) & 07777, mode_t(0640));
        // Nothing is left beside it.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.syx"});
    }

    void aLinkIsReplacedNotFollowed_data()
    {
        QTest::addColumn<bool>("dangling");
        QTest::newRow("link to a file") << false;
        QTest::newRow("dangling link") << true;
    }
    void aLinkIsReplacedNotFollowed()
    {
        QFETCH(bool, dangling);
        const QString outside = m_dir->filePath("outside.txt");
        if (!dangling)
            writePlain(outside, "someone else's");
        const QString link = m_dir->filePath("README.TXT");
        QVERIFY(QFile::link(outside, link));
        QVERIFY(AtomicFile::writeFile(link, "ours"));
        QVERIFY(S_ISREG(modeOf(link)));
        QCOMPARE(readFile(link), QByteArray("ours"));
        QCOMPARE(QFile::exists(outside), !dangling);
        if (!dangling)
            QCOMPARE(readFile(outside), QByteArray("someone else's"));
    }

    void specialFilesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("cause");
        QTest::newRow("FIFO") << "fifo"
                              << "it is a FIFO, not a regular file";
        QTest::newRow("device") << "device"
                                << "it is a device, not a regular file";
        QTest::newRow("folder") << "folder"
                                << "it is a folder, not a file";
        QTest::newRow("socket") << "socket"
                                << "it is a socket, not a regular file";
    }
    void specialFilesAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, cause);
        QString path = m_dir->filePath("special");
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "device") {
            path = "/dev/null";
        } else if (kind == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(path);
            if (name.size() >= qsizetype(sizeof address.sun_path))
                QSKIP("temporary folder name too long for a socket");
            std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
        }
        const mode_t before = modeOf(path);
        AtomicFile file(path);
        QVERIFY(!file.open());
        QCOMPARE(file.cause(), cause);
        QCOMPARE(file.errorString(), QStringLiteral("Cannot write \"%1\": %2").arg(path, cause));
        QCOMPARE(modeOf(path), before);
        QCOMPARE(AtomicFile::refusal(path), cause);
        // What is written elsewhere and put in its place is refused just the same.
        const QString other = m_dir->filePath("other");
        writePlain(other, "dump");
        QString error;
        QVERIFY(!AtomicFile::replace(other, path, &error));
        QVERIFY2(error.endsWith(cause), qPrintable(error));
        QCOMPARE(modeOf(path), before);
        QCOMPARE(readFile(other), QByteArray("dump"));
    }

    void hardLinksAreKept()
    {
        const QString path = m_dir->filePath("lib.clb");
        const QString second = m_dir->filePath("second name.clb");
        writePlain(path, QByteArray(3000, 'o'));
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(second).constData()), 0);
        for (const QByteArray& bytes : {QByteArray(9000, 'n'), QByteArray(10, 's')}) {
            QVERIFY(AtomicFile::writeFile(path, bytes));
            QCOMPARE(readFile(path), bytes);
            QCOMPARE(readFile(second), bytes);
        }
        struct stat info
        {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_nlink, nlink_t(2));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // Under a limit on file sizes every way in fails with the cause, and the old file
    // stays byte for byte (hard-linked or not), with no temporary file left.
    void aFailedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("hardLinked");
        QTest::addColumn<bool>("streamed");
        QTest::newRow("whole") << false << false;
        QTest::newRow("streamed") << false << true;
        QTest::newRow("hard-linked") << true << false;
    }
    void aFailedWriteKeepsTheOldFile()
    {
        QFETCH(bool, hardLinked);
        QFETCH(bool, streamed);
        const QString path = m_dir->filePath("bank.syx");
        const QByteArray old(1000, 'o');
        writePlain(path, old);
        if (hardLinked)
            QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(path + ".2").constData()), 0);
        const auto outcome = faults::runLimited(2048, [&] {
            AtomicFile file(path);
            if (!file.open())
                return file.errorString();
            for (int i = 0; i < (streamed ? 100 : 1); ++i)
                if (!file.write(QByteArray(streamed ? 100 : 10'000, 'n')))
                    return file.errorString();
            return file.commit() ? QString() : file.errorString();
        });
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.message, QStringLiteral("Cannot write \"%1\": file too large").arg(path));
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), hardLinked ? 2 : 1);
    }

    void causesInWords_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("full") << ENOSPC << "disk full";
        QTest::newRow("too large") << EFBIG << "file too large";
        QTest::newRow("access") << EACCES << "permission denied";
        QTest::newRow("not permitted") << EPERM << "permission denied";
        QTest::newRow("read-only") << EROFS << "read-only file system";
    }
    void causesInWords()
    {
        QFETCH(int, error);
        QFETCH(QString, text);
        QCOMPARE(AtomicFile::causeText(error), text);
    }

    void aFolderThatMayNotBeWritten()
    {
        if (::geteuid() == 0)
            QSKIP("root may write anywhere");
        const QString folder = m_dir->filePath("locked");
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + "/a.ini";
        writePlain(path, "old");
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QString error;
        QVERIFY(!AtomicFile::writeFile(path, "new", &error));
        QCOMPARE(error, QStringLiteral("Cannot write \"%1\": permission denied").arg(path));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(readFile(path), QByteArray("old"));
    }

    void writingInPlaceCutsBackOnFailure()
    {
        const QString path = m_dir->filePath("lib.clb");
        const QByteArray old(1500, 'o');
        writePlain(path, old);
        const auto outcome = faults::runLimited(2048, [&] {
            QString error;
            return AtomicFile::writeInPlaceAt(path, old.size(), QByteArray(1500, 'n'), &error) ? QString() : error;
        });
        QCOMPARE(outcome.message, QStringLiteral("Cannot write \"%1\": file too large").arg(path));
        QCOMPARE(readFile(path), old);
        QVERIFY(AtomicFile::writeInPlaceAt(path, old.size(), "new"));
        QCOMPARE(readFile(path), old + "new");
        QString error;
        QVERIFY(!AtomicFile::writeInPlaceAt("/dev/null", 0, "x", &error));
        QCOMPARE(error, QStringLiteral("Cannot write \"/dev/null\": it is a device, not a regular file"));
    }

    void sameFileThroughLinks()
    {
        const QString path = m_dir->filePath("lib.clb");
        writePlain(path, "x");
        QVERIFY(QFile::link(path, m_dir->filePath("link.clb")));
        QVERIFY(AtomicFile::sameFile(path, m_dir->filePath("link.clb")));
        QVERIFY(AtomicFile::sameFile(path, m_dir->path() + "/./lib.clb"));
        QVERIFY(!AtomicFile::sameFile(path, m_dir->filePath("missing.clb")));
        QVERIFY(AtomicFile::taken(m_dir->filePath("link.clb")));
        QVERIFY(QFile::link(m_dir->filePath("gone"), m_dir->filePath("dangling")));
        QVERIFY(AtomicFile::taken(m_dir->filePath("dangling")));
        QVERIFY(!AtomicFile::taken(m_dir->filePath("gone")));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
