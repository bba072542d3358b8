#include "cli/ShowCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "model/ExpansionNames.h"
#include "model/ParamListing.h"

namespace cli {

namespace {

// What show and diff list: the option that names the kind, the bank's kind, its
// editor, how many such items a bank holds and how a count of them is said.
struct ListedKind
{
    const char* option;
    ItemKind kind;
    params::Editor editor;
    int count;
    const char* plural;
};

constexpr ListedKind kKinds[] = {
    {"--patch", ItemKind::Patches, params::Editor::Patch, CPatchArray::kCount, "patches"},
    {"--performance", ItemKind::Performances, params::Editor::Performance, CPerformanceArray::kCount, "performances"},
    {"--rhythm", ItemKind::RhythmSets, params::Editor::Rhythm, CRhythmArray::kCount, "rhythm sets"},
};

QStringList kindOptions()
{
    QStringList out;
    for (const ListedKind& k : kKinds)
        out << QString::fromLatin1(k.option);
    return out;
}

// The one kind option given, or null (message printed) when none or more than one is.
const ListedKind* chosenKind(const Arguments& a, const QString& command)
{
    const ListedKind* chosen = nullptr;
    for (const ListedKind& k : kKinds) {
        if (!a.value(QString::fromLatin1(k.option)))
            continue;
        if (chosen) {
            fail(QStringLiteral("%1 takes one of --patch, --performance and --rhythm").arg(command));
            return nullptr;
        }
        chosen = &k;
    }
    if (!chosen)
        fail(QStringLiteral("%1 needs --patch N, --performance N or --rhythm N").arg(command));
    return chosen;
}

QString numberError(const ListedKind& kind, const QString& options)
{
    return QStringLiteral("%1 must be 1..%2").arg(options).arg(kind.count);
}

// Item number of FILE as a listing. False (message printed) when the file cannot be
// read or carries fewer such items.
bool itemLines(const ListedKind& kind, const QString& path, int number, const CExpansionNames& names,
               std::vector<listing::Line>& out)
{
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    BankFile bank;
    if (!openBankItem(doc, reporter, path, kind.kind, number, kind.plural, bank))
        return false;
    // A part that plays the bank's own patches or rhythm sets shows their names.
    const auto namesOf = [&doc](ItemKind itemKind) {
        QStringList list;
        const CRecordArray& array = doc.array(itemKind);
        for (int i = 0; i < array.GetCount(); ++i)
            list << array.name(i);
        return list;
    };
    out = listing::lines(kind.editor, doc.array(kind.kind).record(number - 1), &names, namesOf(ItemKind::Patches),
                         namesOf(ItemKind::RhythmSets));
    // Names come from the file: printed escaped, field by field, so the tabs between
    // the fields stay the only ones.
    for (listing::Line& line : out)
        for (QString* field : {&line.page, &line.column, &line.label, &line.text, &line.value})
            *field = printable(*field);
    return true;
}

} // namespace

int runShowCommand(const QStringList& args)
{
    const Arguments a(args, kindOptions(), {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("show needs exactly one FILE.syx"));
    const ListedKind* kind = chosenKind(a, QStringLiteral("show"));
    if (!kind)
        return kExitBadInput;
    const QString option = QString::fromLatin1(kind->option);
    const int number = itemNumber(*a.value(option), kind->count);
    if (number < 0)
        return fail(numberError(*kind, option));
    CCollectingReporter nameErrors;
    const CExpansionNames names(nameErrors);
    std::vector<listing::Line> lines;
    if (!itemLines(*kind, a.positional().first(), number, names, lines))
        return kExitBadInput;
    for (const listing::Line& line : lines)
        printOut(listing::format(line));
    return kExitOk;
}

int runDiffCommand(const QStringList& args)
{
    const Arguments a(args, kindOptions() << QStringLiteral("--to"), {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 2)
        return fail(QStringLiteral("diff needs A.syx and B.syx"));
    const ListedKind* kind = chosenKind(a, QStringLiteral("diff"));
    if (!kind)
        return kExitBadInput;
    const QString option = QString::fromLatin1(kind->option);
    const QString text = *a.value(option);
    const int first = itemNumber(text, kind->count);
    const int second = itemNumber(a.value(QStringLiteral("--to")).value_or(text), kind->count);
    if (first < 0 || second < 0)
        return fail(numberError(*kind, option + QStringLiteral(" and --to")));
    CCollectingReporter nameErrors;
    const CExpansionNames names(nameErrors);
    std::vector<listing::Line> before;
    std::vector<listing::Line> after;
    if (!itemLines(*kind, a.positional()[0], first, names, before)
        || !itemLines(*kind, a.positional()[1], second, names, after))
        return kExitBadInput;
    const QStringList differences = listing::differences(before, after);
    for (const QString& line : differences)
        printOut(line);
    return differences.isEmpty() ? kExitOk : kExitProblem;
}

} // namespace cli
