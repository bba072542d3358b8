#include "cli/CliSupport.h"

#include "fileio/AtomicFile.h"

#include "model/SysExScan.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

// Why standard output failed; empty while it has not.
QString& outputError()
{
    static QString error;
    return error;
}

void noteOutputError(int error)
{
    if (!outputError().isEmpty())
        return;
    switch (error) {
    case ENOSPC:
        outputError() = QStringLiteral("disk full");
        break;
    case EPIPE:
        outputError() = QStringLiteral("the reading end was closed");
        break;
    case EFBIG:
        outputError() = QStringLiteral("file too large");
        break;
    case 0:
        outputError() = QStringLiteral("write error");
        break;
    default:
        outputError() = QString::fromLocal8Bit(std::strerror(error)).toLower();
        break;
    }
}

// The escape of one character (a Latin-1 or Unicode code point), or null when it is
// printed as it is.
const char* escapeOf(char32_t c, char (&buffer)[5])
{
    switch (c) {
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\\':
        return "\\\\";
    default:
        break;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
        static constexpr char kHex[] = "0123456789abcdef";
        buffer[0] = '\\';
        buffer[1] = 'x';
        buffer[2] = kHex[(c >> 4) & 0xF];
        buffer[3] = kHex[c & 0xF];
        buffer[4] = '\0';
        return buffer;
    }
    return nullptr;
}

} // namespace

bool writeOut(const char* data, std::size_t size)
{
    if (!outputError().isEmpty())
        return false;
    errno = 0;
    if (std::fwrite(data, 1, size, stdout) != size) {
        noteOutputError(errno);
        return false;
    }
    return true;
}

bool writeOut(const QByteArray& bytes)
{
    return writeOut(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool flushOut()
{
    if (!outputError().isEmpty())
        return false;
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        noteOutputError(errno);
        return false;
    }
    return true;
}

bool outputFailed()
{
    return !outputError().isEmpty();
}

int finishOutput(int status)
{
    if (flushOut())
        return status;
    printErr(QStringLiteral("toneloom-cli: standard output cannot be written: ") + outputError());
    return kExitBadInput;
}

void appendPrintable(std::string& out, const char* latin1, std::size_t length)
{
    std::size_t run = 0; // start of the bytes not yet appended, which stand as they are
    char buffer[5];
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(latin1[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\')
            continue;
        out.append(latin1 + run, i - run);
        run = i + 1;
        if (const char* escape = escapeOf(c, buffer)) {
            out += escape;
        } else { // Latin-1 above 0x9F as UTF-8
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.append(latin1 + run, length - run);
}

QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    char buffer[5];
    for (const QChar ch : text) {
        if (const char* escape = escapeOf(ch.unicode(), buffer))
            out += QLatin1String(escape);
        else
            out += ch;
    }
    return out;
}

void printOut(const QString& text)
{
    writeOut((text + QLatin1Char('\n')).toLocal8Bit());
}

void printErr(const QString& text)
{
    // What went to stdout before comes first: on a terminal both streams show in the
    // order the program wrote them, not stdout's buffered rest after the message.
    // A failure of stdout is kept and reported by finishOutput as any other.
    flushOut();
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

int BankFile::records(ItemKind kind) const
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

int itemNumber(const QString& text, int count)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= 1 && n <= count ? n : -1;
}

bool openBankItem(CToneloomDoc& doc, CCollectingReporter& reporter, const QString& path, ItemKind kind, int number,
                  const char* plural, BankFile& bank)
{
    if (!openBankFile(doc, reporter, path, bank))
        return false;
    const int items = bank.records(kind);
    if (number > items) {
        fail(QStringLiteral("%1 holds %2 %3, not %4").arg(path).arg(items).arg(QLatin1String(plural)).arg(number));
        return false;
    }
    return true;
}

} // namespace cli
