#include "cli/CliSupport.h"

#include "fileio/AtomicFile.h"

#include "model/SysExScan.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString inputFileCause(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    return {};
}

bool openInputFile(QFile& file, QString* error)
{
    const QString path = file.fileName();
    QString cause = inputFileCause(path);
    if (cause.isEmpty() && !file.open(QIODevice::ReadOnly))
        cause = fileErrorCause(file);
    if (cause.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(path, cause);
    return false;
}

bool writeOutputFile(const QString& path, const std::function<bool(QIODevice&)>& write, QString* error)
{
    // Laid out in memory, then written through the checked, atomic write: the old file
    // stays unless everything is on disk; links are replaced, never followed, and a
    // device, FIFO or folder in the way is refused.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString cause;
    AtomicFile file(path);
    if (!write(buffer))
        cause = QStringLiteral("the contents could not be laid out");
    else if (!file.open() || !file.write(bytes) || !file.commit())
        cause = file.cause();
    if (cause.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("%1: cannot be written: %2").arg(path, cause);
    return false;
}

bool refuseSameFile(const QString& input, const QString& output, QString* error)
{
    if (!AtomicFile::sameFile(input, output))
        return false;
    if (error)
        *error = QStringLiteral("%1: is the input %2 itself; write to another file").arg(output, input);
    return true;
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
    const SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc scratch(settings, reporter);
    if (!scratch.readBank(file, &cause, &bank.runs))
        return failed();
    bank.end = file.pos();
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
