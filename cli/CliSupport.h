#pragma once

#include "bank/ToneloomDoc.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QFile;
class QFileDevice;
class QIODevice;

// Small helpers shared by the commands of toneloom-cli.
namespace cli {

constexpr int kExitOk = 0;
constexpr int kExitProblem = 1; // the command ran and found something wrong
constexpr int kExitBadInput = 2;

// Prints "toneloom-cli: text" on stderr, on one line, and returns kExitBadInput.
int fail(const QString& text);
void printOut(const QString& text); // one line on stdout
void printErr(const QString& text); // one line on stderr, after what stdout holds

// Standard output. Everything the commands print goes through writeOut: the first write
// that fails (a full disk, a closed pipe) is remembered with its cause and nothing more
// is written. finishOutput, run once at the end, flushes and turns such a failure into
// "standard output cannot be written: CAUSE" and status kExitBadInput: a listing that
// did not arrive is never reported as done.
bool writeOut(const char* data, std::size_t size);
bool writeOut(const QByteArray& bytes);
bool flushOut();
bool outputFailed();
int finishOutput(int status);

// Texts from files (names, comments, dates) as they may be printed: control characters
// (C0, DEL and C1) and the backslash are escaped as \t, \n, \r, \\ and \xHH, so a
// hostile name can neither shift the columns of a listing nor send a terminal
// sequences. appendPrintable takes Latin-1 bytes, as records store them, and writes UTF-8.
void appendPrintable(std::string& out, const char* latin1, std::size_t length);
QString printable(const QString& text);

// Why a read or write of file failed, in a few words: "disk full", "permission denied",
// "no such file or directory", ...
QString fileErrorCause(const QFileDevice& file);
// Why path cannot be read as an input file ("no such file", "not a regular file");
// empty when it is a regular file.
QString inputFileCause(const QString& path);
// Opens file (its name set) for reading. Only regular files are read: a FIFO would
// block and a device never end. False with "PATH: cause" in error.
bool openInputFile(QFile& file, QString* error);
// Replaces the regular file path (or creates it) with what write puts into the device;
// the old file stays unless everything was written. False with "PATH: cause" in error.
bool writeOutputFile(const QString& path, const std::function<bool(QIODevice&)>& write, QString* error);
// True, with "OUTPUT: is the input INPUT itself..." in error, when output is the file
// input names (links resolved): writing it would destroy what is being read.
bool refuseSameFile(const QString& input, const QString& output, QString* error);

// A bank file as the bank window opens it, with what reading it found: the runs of
// records, and where reading stopped (the bank reader ends at the first message that
// belongs to no record).
struct BankFile
{
    std::vector<BankRun> runs;
    BankContents contents;
    qint64 size = 0;
    qint64 end = 0;            // the first byte not read
    qint64 unreadMessages = 0; // complete messages from there on
    qint64 unread() const { return size - end; }
    // Reading stopped before messages that it ignored (what follows the last record is
    // more than a rest of stray bytes, which the scan reports as such).
    bool stoppedEarly() const { return unreadMessages > 0; }
    int records(ItemKind kind) const;
    bool holdsRecords() const { return !runs.empty(); }
    // "reading stopped at offset N; M bytes were not read"
    QString unreadText() const;
};
// Reads file from its start as the bank reader does and fills bank (size, runs, end,
// unread messages). False with "PATH: cause" in error on a read error.
bool readBankFile(QFile& file, BankFile& bank, QString* error);
// Opens path into doc (made with reporter) and fills bank. False after printing the
// problem as fail() does: the file is no regular file, cannot be read, or is too short.
bool openBankFile(CToneloomDoc& doc, CCollectingReporter& reporter, const QString& path, BankFile& bank);
// An item number as a command line gives it: a whole number in 1..count, else -1.
int itemNumber(const QString& text, int count);
// openBankFile, and the file must hold item number of kind (plural: how a count of such
// items is said). False after printing "PATH holds N patches, not M".
bool openBankItem(CToneloomDoc& doc, CCollectingReporter& reporter, const QString& path, ItemKind kind, int number,
                  const char* plural, BankFile& bank);

} // namespace cli
