// Reads arbitrary bytes as a file to import into a library, as a bank file, a Standard
// MIDI File and a library: nothing may crash, and the promises must hold: a refused
// file brings no record, an accepted one only whole records that hold a patch, each
// with a comment.
#include "library/LibraryImport.h"
#include "library/LibraryRecord.h"

#include <QDateTime>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// More than a few banks only repeats what smaller files show.
constexpr std::size_t kMaxSize = 4 * 83 * 1024;

void check(const CLibraryImport::FileContents& c)
{
    if (!c.error.isEmpty() && !c.records.empty())
        std::abort();
    for (const QByteArray& record : c.records) {
        if (record.size() != clb::kRecordSize || static_cast<unsigned char>(record[clb::kOffPatch]) != 0xF0
            || record[clb::kOffComment] == '\0')
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxSize)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QDateTime when(QDate(2000, 1, 1), QTime(12, 0));
    check(CLibraryImport::readBytes(QStringLiteral("fuzz.syx"), bytes, when));
    check(CLibraryImport::readBytes(QStringLiteral("fuzz.clb"), bytes, when));
    // The same bytes behind a MIDI file's header, so that they are read as its chunks.
    check(CLibraryImport::readBytes(QStringLiteral("fuzz.mid"),
                                    QByteArray("MThd\0\0\0\x06\0\x01\0\x02\0\x60", 14) + bytes, when));
    return 0;
}
