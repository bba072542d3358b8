// Opens arbitrary bytes as a library file and does what the window does with it:
// every text, every search and sort, the double patches, a metadata write that
// changes nothing and a delete. Nothing may crash, and the promises must hold: whole
// records only, writing a record's own values back changes no byte, the search by
// fingerprints finds what comparing every pair finds.
#include "library/DoublePatchFinder.h"
#include "library/LibraryDocument.h"
#include "library/LibraryQuery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// A library of more records than this only repeats what smaller ones show.
constexpr std::size_t kMaxSize = 64 * 750;

QString scratchPath()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("fuzz.clb"));
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::abort();
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxSize)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString path = scratchPath();
    write(path, bytes);

    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    // A broken tail is dropped by a change only with consent: here it is always given, so
    // the changes below are checked against whole records.
    doc.setTailConsent([](qint64) { return true; });
    if (!doc.Open(path) || doc.count() != static_cast<int>(size / clb::kRecordSize))
        std::abort();
    CLibraryDocument::KeyNames names;
    for (int k = 0; k < clb::kKeyNameCount; ++k)
        names[static_cast<std::size_t>(k)] = QString::number(k % 7);
    doc.setKeyNames(names);

    for (int categories = 0; categories < 2; ++categories) {
        doc.setUseCategories(categories != 0);
        for (int n = 0; n < doc.count(); ++n) {
            (void)doc.name(n);
            (void)doc.date(n);
            (void)doc.comment(n);
            for (int slot = 0; slot < clb::kKeyCount; ++slot)
                (void)doc.keyText(n, slot);
        }
        // A search made of the first bytes, every column's order.
        CLibrarySearch search;
        if (size > 8) {
            search.name = bytes.mid(clb::kOffName % static_cast<qsizetype>(size), 2);
            for (int i = 0; i < CLibrarySearch::kTerms; ++i) {
                search.ops[static_cast<std::size_t>(i)] = static_cast<SearchOp>(data[i] % 6);
                search.keys[static_cast<std::size_t>(i)] = data[4 + i];
            }
        }
        for (int column = 0; column <= libcol::kCategory; ++column) {
            const std::vector<int> rows = listEntries(doc, search, column);
            if (rows.size() > static_cast<std::size_t>(doc.count()))
                std::abort();
        }
    }

    // The double patches, against every pair compared.
    std::vector<std::pair<int, int>> found;
    if (!CDoublePatchFinder::find(path, {}, [&](int i, int j, const QString&) { found.emplace_back(i, j); }, {}))
        std::abort();
    std::vector<std::pair<int, int>> expected;
    for (int i = 0; i < doc.count(); ++i)
        for (int j = i + 1; j < doc.count(); ++j)
            if (CDoublePatchFinder::samePatch(bytes.constData() + qsizetype(i) * clb::kRecordSize + clb::kOffPatch,
                                              bytes.constData() + qsizetype(j) * clb::kRecordSize + clb::kOffPatch))
                expected.emplace_back(i, j);
    if (found != expected)
        std::abort();

    if (doc.count() == 0)
        return 0;
    // Its own values written back: no byte may change where a name's or a comment's
    // text is written as it was read (a name with a zero in it or a comment without
    // its end are written as the texts the list shows).
    const CLibraryEntry& e = doc.entry(0);
    const QByteArray name(e.name.data(), clb::kNameLength);
    const QByteArray comment(e.comment.data(), static_cast<qsizetype>(strnlen(e.comment.data(), e.comment.size())));
    if (!doc.UpdateMetadata({{0, name, e.keys, comment}}))
        std::abort();
    const QByteArray after = read(path);
    if (comment.size() <= clb::kMaxComment && after != bytes.left(after.size()))
        std::abort();
    // Deleting the first entry leaves the rest, whole records only.
    const QByteArray rest = after.mid(clb::kRecordSize, qsizetype(doc.count() - 1) * clb::kRecordSize);
    if (!doc.DeleteEntries({0}) || read(path) != rest || doc.count() != static_cast<int>(rest.size() / 750))
        std::abort();
    return 0;
}
