#include "cli/LibraryCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "fileio/AtomicFile.h"
#include "library/DoublePatchFinder.h"
#include "library/LibraryDocument.h"
#include "library/LibraryExport.h"
#include "library/LibraryImport.h"
#include "library/LibraryQuery.h"
#include "library/PatchSimilarity.h"
#include "model/ExpansionNames.h"
#include "model/PatchUses.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <stop_token>
#include <string>

namespace cli {

namespace {

constexpr qsizetype kOutputChunk = 64 * 1024; // bytes of output gathered before a write

constexpr int kBankPatches = 128;

// Opens an existing library; prints why not and returns false otherwise.
bool openLibrary(CLibraryDocument& doc, CCollectingReporter& reporter, const QString& path)
{
    if (const QString cause = inputFileCause(path); !cause.isEmpty()) {
        fail(QStringLiteral("%1: %2").arg(path, cause));
        return false;
    }
    if (!doc.Open(path)) {
        fail(QStringLiteral("%1: %2").arg(path, reporter.texts().join(QLatin1Char(' '))));
        return false;
    }
    return true;
}

// Why a change of the library at path failed, from the document's messages (which
// name the file themselves where they can).
int failChange(const QString& path, const CCollectingReporter& reporter, const QString& hint = QString())
{
    const QString text = reporter.texts().join(QLatin1Char(' '));
    const QString nativePath = QDir::toNativeSeparators(path);
    return fail((text.contains(nativePath) ? text : QStringLiteral("%1: %2").arg(path, text)) + hint);
}

// A change of a library with a broken tail goes on only when asked to (--drop-tail),
// and then says what it dropped.
void askAboutTail(CLibraryDocument& doc, bool dropTail, bool& asked)
{
    doc.setTailConsent([&doc, dropTail, &asked](qint64 bytes) {
        asked = true;
        if (dropTail)
            printErr(
                QStringLiteral("toneloom-cli: warning: %1; they are dropped (--drop-tail)").arg(doc.tailText(bytes)));
        return dropTail;
    });
}

const QString kDropTailHint = QStringLiteral(" Give --drop-tail to drop them and go on.");

// "1,5,10-20" → the numbers in the order given, each once; nothing when malformed or
// outside first..last.
std::optional<std::vector<int>> parseNumberList(const QString& text, int first, int last)
{
    static const QRegularExpression item(QStringLiteral("^(\\d+)(?:-(\\d+))?$"));
    std::vector<int> numbers;
    std::set<int> seen;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const auto m = item.match(part.trimmed());
        if (!m.hasMatch())
            return std::nullopt;
        bool ok1 = false;
        bool ok2 = true;
        const int from = m.captured(1).toInt(&ok1);
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt(&ok2);
        if (!ok1 || !ok2 || from < first || to > last || from > to)
            return std::nullopt;
        for (int n = from; n <= to; ++n)
            if (seen.insert(n).second)
                numbers.push_back(n);
    }
    return numbers;
}

// "AND 17 OR-NOT 33" → the search's operators and keys.
std::optional<CLibrarySearch> parseFind(const QString& text, CLibrarySearch search)
{
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.size() % 2 != 0 || words.size() / 2 > CLibrarySearch::kTerms)
        return std::nullopt;
    static const QStringList ops = {QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("AND-NOT"),
                                    QStringLiteral("OR-NOT")};
    for (qsizetype i = 0; i < words.size(); i += 2) {
        const qsizetype op = ops.indexOf(words[i].toUpper());
        bool ok = false;
        const int key = words[i + 1].toInt(&ok);
        if (op < 0 || !ok || key < 0 || key > 255)
            return std::nullopt;
        search.ops[static_cast<std::size_t>(i / 2)] = static_cast<SearchOp>(op + 1);
        search.keys[static_cast<std::size_t>(i / 2)] = static_cast<std::uint8_t>(key);
    }
    return search;
}

int sortColumnOf(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("name"))
        return libcol::kName;
    if (n == QLatin1String("date"))
        return libcol::kDate;
    if (n == QLatin1String("comment"))
        return libcol::kComment;
    if (n == QLatin1String("category"))
        return libcol::kCategory;
    static const QRegularExpression key(QStringLiteral("^key([1-8])$"));
    const auto m = key.match(n);
    return m.hasMatch() ? libcol::kFirstKey + m.captured(1).toInt() - 1 : -1;
}

int runNew(const QStringList& args)
{
    const Arguments a(args, {}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("library new needs exactly one LIB.clb"));
    const QString path = a.positional().first();
    // Anything in the way counts, a dangling link too: the link is not followed.
    if (AtomicFile::taken(path))
        return fail(QStringLiteral("%1 exists already").arg(path));
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!doc.Create(path))
        return fail(QStringLiteral("%1: %2").arg(path, reporter.texts().join(QLatin1Char(' '))));
    return kExitOk;
}

int runAdd(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--patches")}, {QStringLiteral("--drop-tail")});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 2)
        return fail(QStringLiteral("library add needs LIB.clb and BANK.syx"));
    std::vector<int> numbers;
    for (int n = 1; n <= kBankPatches; ++n)
        numbers.push_back(n);
    if (const auto list = a.value(QStringLiteral("--patches"))) {
        const auto parsed = parseNumberList(*list, 1, kBankPatches);
        if (!parsed)
            return fail(QStringLiteral("--patches must list numbers 1..128 such as 1,5,10-20"));
        numbers = *parsed;
    }
    const QString libPath = a.positional()[0];
    const QString bankPath = a.positional()[1];
    if (QString error; refuseSameFile(bankPath, libPath, &error))
        return fail(error);
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, libPath))
        return kExitBadInput;
    if (const QString cause = inputFileCause(bankPath); !cause.isEmpty())
        return fail(QStringLiteral("%1: %2").arg(bankPath, cause));
    const SynthSettings settings;
    CCollectingReporter bankReporter;
    CToneloomDoc bank(settings, bankReporter);
    if (!bank.OnOpenDocument(bankPath))
        return fail(QStringLiteral("%1: %2").arg(bankPath, bankReporter.texts().join(QLatin1Char(' '))));
    // Only patches the file holds, and none of which a part is missing: a slot the file
    // never filled holds a default patch, a cut one a default under a real name.
    const auto& held = bank.heldByFile()[ItemKind::Patches];
    const std::vector<int> partial = bank.openReport().partialItems(ItemKind::Patches);
    if (std::find(held.begin(), held.end(), true) == held.end())
        return fail(QStringLiteral("%1 holds no patch; nothing was added").arg(bankPath));
    std::vector<int> absent;
    std::vector<int> cut;
    std::vector<QByteArray> patches;
    for (int n : numbers) {
        if (!held[static_cast<std::size_t>(n - 1)])
            absent.push_back(n - 1);
        else if (std::binary_search(partial.begin(), partial.end(), n - 1))
            cut.push_back(n - 1);
        else
            patches.push_back(bank.patches().record(n - 1));
    }
    // Patches named on the command line must all be there.
    if (a.value(QStringLiteral("--patches")) && !absent.empty())
        return fail(QStringLiteral("%1 does not hold %2; nothing was added")
                        .arg(bankPath, CBankReport::itemList(ItemKind::Patches, absent)));
    if (!cut.empty())
        printErr(QStringLiteral("toneloom-cli: %1: %2 only partly in the file, not added")
                     .arg(bankPath, CBankReport::itemList(ItemKind::Patches, cut)));
    if (patches.empty())
        return fail(QStringLiteral("%1 holds no whole patch; nothing was added").arg(bankPath));
    bool tailAsked = false;
    askAboutTail(doc, a.flag(QStringLiteral("--drop-tail")), tailAsked);
    const int added = doc.AppendPatches(patches);
    if (added != static_cast<int>(patches.size()))
        return failChange(libPath, reporter, tailAsked ? kDropTailHint : QString());
    printOut(added == 1 ? QStringLiteral("1 patch added") : QStringLiteral("%1 patches added").arg(added));
    return kExitOk;
}

int runList(const QStringList& args)
{
    const Arguments a(args,
                      {QStringLiteral("--name"), QStringLiteral("--find"), QStringLiteral("--sort"),
                       QStringLiteral("--uses"), QStringLiteral("--needs"), QStringLiteral("--category")},
                      {QStringLiteral("--categories"), QStringLiteral("--playable")});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("library list needs exactly one LIB.clb"));
    CLibrarySearch search;
    if (const auto name = a.value(QStringLiteral("--name"))) {
        if (name->size() > CLibrarySearch::kMaxName)
            return fail(QStringLiteral("--name takes at most 12 characters"));
        search.name = name->toLatin1();
    }
    if (const auto find = a.value(QStringLiteral("--find"))) {
        const auto parsed = parseFind(*find, search);
        if (!parsed)
            return fail(QStringLiteral("--find takes up to four pairs OP KEY, OP one of AND, OR, AND-NOT, OR-NOT "
                                       "and KEY 0..255"));
        search = *parsed;
    }
    int column = libcol::kName;
    if (const auto sort = a.value(QStringLiteral("--sort"))) {
        column = sortColumnOf(*sort);
        if (column < 0)
            return fail(QStringLiteral("--sort must be name, date, comment, key1..key8 or category"));
    }
    const bool categories = a.flag(QStringLiteral("--categories"));
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, a.positional().first()))
        return kExitBadInput;
    if (doc.tailBytes() > 0)
        printErr(QStringLiteral("toneloom-cli: warning: %1; they are not listed").arg(doc.tailText(doc.tailBytes())));
    CIniFile ini(CIniFile::defaultPath());
    const CAppSettings settings(ini);
    doc.setKeyNames(CLibraryDocument::ReadKeyNames(settings));
    doc.setUseCategories(categories);
    // What the patches use: waves by name, boards by number or title, what the
    // instrument's boards can play.
    CCollectingReporter nameErrors;
    const CExpansionNames names(nameErrors);
    if (const auto text = a.value(QStringLiteral("--uses")))
        search.waves = std::make_shared<const patchuses::CWaveMatcher>(names, *text);
    if (const auto board = a.value(QStringLiteral("--needs"))) {
        search.needs = patchuses::boardByText(names, *board);
        if (search.needs < 0)
            return fail(QStringLiteral("--needs: no board %1 (a number 1..%2, a title or none)")
                            .arg(*board)
                            .arg(names.GetFileCount(NameFileKind::Board)));
    }
    if (const auto text = a.value(QStringLiteral("--category"))) {
        bool isNumber = false;
        const int number = text->toInt(&isNumber);
        for (int c = 0; c < clb::kCategoryCount && search.category < 0; ++c)
            if (isNumber ? c == number
                         : clb::categoryName(c).trimmed().compare(text->trimmed(), Qt::CaseInsensitive) == 0)
                search.category = c;
        if (search.category < 0)
            return fail(QStringLiteral("--category takes a category name such as \"Soft Pad\" or its number 0..38"));
    }
    if (a.flag(QStringLiteral("--playable")))
        search.playableWith = settings.installedBoards();
    // The lines are put together as bytes: a list of 100,000 entries is printed as fast
    // as it is sorted. Stored texts are Latin-1; the output is UTF-8, escaped.
    std::array<std::string, 256> keyTexts;
    std::array<std::string, 256> categoryTexts;
    for (int k = 0; k < 256; ++k) {
        keyTexts[static_cast<std::size_t>(k)] = printable(doc.keyNameText(k)).toStdString();
        categoryTexts[static_cast<std::size_t>(k)] = clb::categoryName(k).toStdString();
    }
    const std::vector<int> rows = listEntries(doc, search, column);
    std::string out;
    out.reserve(rows.size() * 96);
    for (int n : rows) {
        const CLibraryEntry& e = doc.entry(n);
        out += std::to_string(n + 1);
        out += '\t';
        appendPrintable(out, e.name.data(), clb::kNameLength);
        out += '\t';
        appendPrintable(out, e.date.data(), strnlen(e.date.data(), e.date.size()));
        out += '\t';
        appendPrintable(out, e.comment.data(), strnlen(e.comment.data(), e.comment.size()));
        if (categories) {
            out += '\t';
            out += categoryTexts[e.category];
        } else {
            for (std::uint8_t key : e.keys) {
                out += '\t';
                out += keyTexts[key];
            }
        }
        out += '\n';
        if (out.size() >= static_cast<std::size_t>(kOutputChunk)) {
            if (!writeOut(out.data(), out.size()))
                break;
            out.clear();
        }
    }
    writeOut(out.data(), out.size());
    return kExitOk;
}

int runNearDoubles(const QString& path, double threshold);

int runDoubles(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--threshold")}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("library doubles needs exactly one LIB.clb"));
    const QString path = a.positional().first();
    if (const auto text = a.value(QStringLiteral("--threshold"))) {
        bool ok = false;
        const double threshold = QString(*text).remove(QLatin1Char('%')).toDouble(&ok);
        if (!ok || threshold < 50 || threshold > 100)
            return fail(QStringLiteral("--threshold takes a percentage from 50 to 100"));
        // 100 % is the exact search below; anything less compares the sounds.
        if (threshold < 100)
            return runNearDoubles(path, threshold);
    }
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, path))
        return kExitBadInput;
    // Pairs are printed as they are found, in pieces: a library of many copies of the
    // same patches has millions of pairs, more than should ever be held at once. The
    // search stops when they cannot be written.
    std::stop_source stop;
    QByteArray out;
    const auto flush = [&] {
        if (!writeOut(out))
            stop.request_stop();
        out.clear();
    };
    const bool ok = CDoublePatchFinder::find(path, stop.get_token(),
                                             [&](int, int, const QString& text) {
                                                 out += printable(text).toUtf8();
                                                 out += '\n';
                                                 if (out.size() >= kOutputChunk)
                                                     flush();
                                             },
                                             {});
    flush();
    if (outputFailed())
        return kExitBadInput; // said at the end, with its cause
    if (!ok)
        return fail(QStringLiteral("%1: cannot be read").arg(path));
    return kExitOk;
}

int runDelete(const QStringList& args)
{
    const Arguments a(args, {}, {QStringLiteral("--drop-tail")});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() < 2)
        return fail(QStringLiteral("library delete needs LIB.clb and the numbers of the entries"));
    const QString path = a.positional().first();
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, path))
        return kExitBadInput;
    std::vector<int> entries;
    for (const QString& text : a.positional().mid(1)) {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok || n < 1 || n > doc.count())
            return fail(QStringLiteral("%1: no entry %2 (the library holds %3)").arg(path, text).arg(doc.count()));
        entries.push_back(n - 1);
    }
    bool tailAsked = false;
    askAboutTail(doc, a.flag(QStringLiteral("--drop-tail")), tailAsked);
    if (!doc.DeleteEntries(entries))
        return failChange(path, reporter, tailAsked ? kDropTailHint : QString());
    return kExitOk;
}

int runExtract(const QStringList& args)
{
    const Arguments a(args, {}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 3)
        return fail(QStringLiteral("library extract needs LIB.clb, N and OUT.syx"));
    const QString path = a.positional()[0];
    const QString out = a.positional()[2];
    if (QString error; refuseSameFile(path, out, &error))
        return fail(error);
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, path))
        return kExitBadInput;
    bool ok = false;
    const int n = a.positional()[1].toInt(&ok);
    if (!ok || n < 1 || n > doc.count())
        return fail(
            QStringLiteral("%1: no entry %2 (the library holds %3)").arg(path, a.positional()[1]).arg(doc.count()));
    const auto patch = doc.ReadPatch(n - 1);
    if (!patch)
        return fail(QStringLiteral("%1: %2").arg(path, reporter.texts().join(QLatin1Char(' '))));
    QString error;
    if (!writeOutputFile(
            out, [&](QIODevice& device) { return device.write(*patch) == patch->size(); }, &error))
        return fail(error);
    return kExitOk;
}

int runImport(const QStringList& args)
{
    const Arguments a(args, {}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() < 2)
        return fail(QStringLiteral("library import needs LIB.clb and at least one file or folder"));
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, a.positional().first()))
        return kExitBadInput;
    int missing = 0;
    const auto line = [](const QString& text) { printOut(text); };
    const QStringList files = CLibraryImport::collectFiles(a.positional().mid(1), [&](const QString& text) {
        ++missing;
        line(text);
    });
    CLibraryImport import(doc);
    CLibraryImport::Result result = import.run(files, line);
    result.refused += missing;
    if (result.writeFailed)
        fail(QStringLiteral("%1: %2").arg(doc.path(), reporter.texts().join(QLatin1Char(' '))));
    printOut(result.summary());
    // Refused files are a problem found, as a damaged bank is for check.
    if (result.writeFailed)
        return kExitBadInput;
    return result.refused > 0 ? kExitProblem : kExitOk;
}

int runSimilar(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--top")}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 2)
        return fail(QStringLiteral("library similar needs LIB.clb and N"));
    const QString path = a.positional()[0];
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, path))
        return kExitBadInput;
    bool ok = false;
    const int n = a.positional()[1].toInt(&ok);
    if (!ok || n < 1 || n > doc.count())
        return fail(
            QStringLiteral("%1: no entry %2 (the library holds %3)").arg(path, a.positional()[1]).arg(doc.count()));
    int top = 10;
    if (const auto text = a.value(QStringLiteral("--top"))) {
        top = text->toInt(&ok);
        if (!ok || top < 1)
            return fail(QStringLiteral("--top takes a number of entries, 1 or more"));
    }
    similarity::CSimilarityIndex index;
    if (!index.build(path) || index.count() != doc.count())
        return fail(QStringLiteral("%1: cannot be read").arg(path));
    std::string out;
    for (const similarity::CSimilarityIndex::Match& m : index.nearest(n - 1, top)) {
        const CLibraryEntry& e = doc.entry(m.entry);
        out += std::to_string(m.entry + 1);
        out += '\t';
        out += similarity::percentText(m.percent, m.exact).toStdString();
        out += '\t';
        appendPrintable(out, e.name.data(), clb::kNameLength);
        out += '\n';
    }
    writeOut(out.data(), out.size());
    return kExitOk;
}

std::optional<SynthModel> modelOf(const QString& text)
{
    const QString t = text.toLower();
    if (t == QLatin1String("jv1080"))
        return SynthModel::Jv1080;
    if (t == QLatin1String("jv2080"))
        return SynthModel::Jv2080;
    if (t == QLatin1String("xp"))
        return SynthModel::Xp;
    return std::nullopt;
}

int runExport(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--model")}, {QStringLiteral("--each")});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 3)
        return fail(QStringLiteral("library export needs LIB.clb, LIST and OUT.syx (a folder with --each)"));
    const QString path = a.positional()[0];
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, path))
        return kExitBadInput;
    const auto numbers = parseNumberList(a.positional()[1], 1, std::max(1, doc.count()));
    if (!numbers || doc.count() == 0)
        return fail(QStringLiteral("%1: LIST must name entries 1..%2 such as 1,5,10-20").arg(path).arg(doc.count()));
    SynthModel model = SynthModel::Jv2080;
    if (const auto text = a.value(QStringLiteral("--model"))) {
        const auto m = modelOf(*text);
        if (!m)
            return fail(QStringLiteral("--model must be jv1080, jv2080 or xp"));
        model = *m;
    }
    const bool each = a.flag(QStringLiteral("--each"));
    if (!each && numbers->size() > static_cast<std::size_t>(libexport::kBankPatches))
        return fail(QStringLiteral("a bank holds 128 patches; %1 were listed").arg(numbers->size()));
    std::vector<int> entries;
    for (int n : *numbers)
        entries.push_back(n - 1);
    const auto records = doc.ReadRecords(entries);
    if (!records)
        return fail(QStringLiteral("%1: %2").arg(path, reporter.texts().join(QLatin1Char(' '))));
    const QString out = a.positional()[2];
    QString error;
    if (each) {
        if (!QDir().mkpath(out))
            return fail(QStringLiteral("%1: cannot be made a folder").arg(out));
        for (std::size_t i = 0; i < records->size(); ++i) {
            const QByteArray& record = (*records)[i];
            const QString file = QDir(out).filePath(
                libexport::singleFileName(entries[i] + 1, record.mid(clb::kOffName, clb::kNameLength)));
            if (!libexport::writeFile(file, libexport::singlePatchBytes(clb::patchOf(record)), &error))
                return fail(error);
        }
        printOut(QStringLiteral("%1 files written").arg(records->size()));
        return kExitOk;
    }
    std::vector<QByteArray> patches;
    for (const QByteArray& record : *records)
        patches.push_back(clb::patchOf(record));
    if (!libexport::writeFile(out, libexport::bankBytes(patches, model), &error))
        return fail(error);
    printOut(QStringLiteral("%1 patches written").arg(patches.size()));
    return kExitOk;
}

int runNearDoubles(const QString& path, double threshold)
{
    CCollectingReporter reporter;
    CLibraryDocument doc(reporter);
    if (!openLibrary(doc, reporter, path))
        return kExitBadInput;
    similarity::CSimilarityIndex index;
    if (!index.build(path))
        return fail(QStringLiteral("%1: cannot be read").arg(path));
    std::string out;
    const auto name = [&](int n) {
        QByteArray text(doc.entry(n).name.data(), clb::kNameLength);
        return printable(QString::fromLatin1(text).trimmed());
    };
    index.pairs(threshold, [&](int first, int second, double percent) {
        out += QStringLiteral("\"%1\" and \"%2\" are %3 alike")
                   .arg(name(first), name(second), similarity::percentText(percent, percent >= 100.0))
                   .toStdString();
        out += '\n';
        if (out.size() >= static_cast<std::size_t>(kOutputChunk)) {
            writeOut(out.data(), out.size());
            out.clear();
        }
    });
    writeOut(out.data(), out.size());
    return kExitOk;
}

} // namespace

int runLibraryCommand(const QStringList& args)
{
    if (args.isEmpty())
        return fail(
            QStringLiteral("library needs one of new, add, list, import, similar, export, doubles, delete, extract"));
    const QString sub = args.first();
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("new"))
        return runNew(rest);
    if (sub == QLatin1String("add"))
        return runAdd(rest);
    if (sub == QLatin1String("list"))
        return runList(rest);
    if (sub == QLatin1String("doubles"))
        return runDoubles(rest);
    if (sub == QLatin1String("delete"))
        return runDelete(rest);
    if (sub == QLatin1String("extract"))
        return runExtract(rest);
    if (sub == QLatin1String("import"))
        return runImport(rest);
    if (sub == QLatin1String("similar"))
        return runSimilar(rest);
    if (sub == QLatin1String("export"))
        return runExport(rest);
    return fail(QStringLiteral("unknown library command %1").arg(sub));
}

} // namespace cli
