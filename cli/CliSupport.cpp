#include "cli/CliSupport.h"

#include "model/SysExScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace cli {

void printOut(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

void printErr(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
}

int fail(const QString& text)
{
    printErr(QStringLiteral("toneloom-cli: ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return kExitBadInput;
}

QString fileErrorCause(const QFileDevice& file)
{
    // A full disk shows as a short write, then as a resource error.
    if (file.error() == QFileDevice::ResourceError)
        return QStringLiteral("disk full");
    QString text = file.errorString();
    if (file.error() == QFileDevice::NoError || text.isEmpty() || text == QLatin1String("Unknown error"))
        return QStringLiteral("the file could not be written");
    text[0] = text[0].toLower();
    return text;
}

bool openInputFile(QFile& file, QString* error)
{
    const QString path = file.fileName();
    const QFileInfo info(path);
    QString cause;
    if (!info.exists())
        cause = QStringLiteral("no such file");
    else if (!info.isFile())
        cause = QStringLiteral("not a regular file");
    else if (!file.open(QIODevice::ReadOnly))
        cause = fileErrorCause(file);
    if (cause.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(path, cause);
    return false;
}

bool writeOutputFile(const QString& path, const std::function<bool(QIODevice&)>& write, QString* error)
{
    // Only a regular file is replaced: renaming over a device or a folder would destroy
    // it, and writing into a FIFO would block.
    const QFileInfo target(path);
    QString cause;
    if (target.exists() && !target.isFile()) {
        cause = QStringLiteral("not a regular file");
    } else if (!target.dir().exists()) {
        cause = QStringLiteral("no such folder");
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            cause = fileErrorCause(file);
        } else if (!write(file) || !file.flush()) {
            // A full disk first shows as a short write without a reason; writing the rest
            // once more brings the system's answer. The cause is taken before the file is
            // given up: cancelling clears it.
            if (file.errorString() == QLatin1String("Unknown error"))
                file.flush();
            cause = fileErrorCause(file);
            file.cancelWriting();
        } else if (!file.commit()) {
            cause = fileErrorCause(file);
        }
    }
    if (cause.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("%1: cannot be written: %2").arg(path, cause);
    return false;
}

int BankFile::records(int kind) const
{
    int total = 0;
    for (const auto& run : runs)
        total += run.kind == kind ? run.records : 0;
    return total;
}

QString BankFile::unreadText() const
{
    return QStringLiteral("reading stopped at offset %1; %2 bytes were not read").arg(end).arg(unread());
}

bool readBankFile(QFile& file, BankFile& bank, QString* error)
{
    QString cause;
    const auto failed = [&] {
        if (error)
            *error = QStringLiteral("%1: %2").arg(file.fileName(), cause);
        return false;
    };
    if (!file.seek(0)) {
        cause = fileErrorCause(file);
        return failed();
    }
    bank = BankFile();
    bank.size = file.size();
    // The runs and the end of reading, on a scratch bank.
    CBankImage scratch;
    if (!scratch.read(file, &bank.contents, &cause))
        return failed();
    bank.runs = bank.contents.runs;
    bank.end = bank.contents.end;
    if (bank.unread() > 0) {
        SysExScanResult rest;
        if (!scanSysEx(
                file, [](const SysExProblem&) {}, rest, &cause))
            return failed();
        bank.unreadMessages = rest.messages;
    }
    return true;
}

bool openBankFile(CToneloomDoc& doc, CCollectingReporter& reporter, const QString& path, BankFile& bank)
{
    QFile file(path);
    QString error;
    if (!openInputFile(file, &error) || !readBankFile(file, bank, &error)) {
        fail(error);
        return false;
    }
    file.close();
    // The document itself is opened exactly as the bank window opens it, with its messages.
    if (!doc.OnOpenDocument(path)) {
        const QStringList texts = reporter.texts();
        fail(texts.isEmpty() ? QStringLiteral("%1: cannot be read").arg(path) : texts.join(QLatin1Char(' ')));
        return false;
    }
    return true;
}

} // namespace cli
