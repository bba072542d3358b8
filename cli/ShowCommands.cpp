#include "cli/ShowCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "model/ExpansionNames.h"
#include "model/ParamListing.h"

namespace cli {

namespace {

// The patch number (1-based) of an option, or -1.
int patchNumber(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= 1 && n <= CPatchArray::kCount ? n : -1;
}

// Patch number of FILE as a listing. False (message printed) when the file cannot be
// read or carries fewer patches.
bool patchLines(const QString& path, int number, const CExpansionNames& names, std::vector<listing::Line>& out)
{
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    BankFile bank;
    if (!openBankFile(doc, reporter, path, bank))
        return false;
    const int patches = bank.records(kPatches);
    if (number > patches) {
        fail(QStringLiteral("%1 holds %2 patches, not %3").arg(path).arg(patches).arg(number));
        return false;
    }
    out = listing::lines(params::Editor::Patch, doc.patches().record(number - 1), &names);
    return true;
}

} // namespace

int runShowCommand(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--patch")}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("show needs exactly one FILE.syx"));
    const auto patch = a.value(QStringLiteral("--patch"));
    if (!patch)
        return fail(QStringLiteral("show needs --patch N"));
    const int number = patchNumber(*patch);
    if (number < 0)
        return fail(QStringLiteral("--patch must be 1..128"));
    CCollectingReporter nameErrors;
    const CExpansionNames names(nameErrors);
    std::vector<listing::Line> lines;
    if (!patchLines(a.positional().first(), number, names, lines))
        return kExitBadInput;
    for (const listing::Line& line : lines)
        printOut(listing::format(line));
    return kExitOk;
}

int runDiffCommand(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--patch"), QStringLiteral("--to")}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 2)
        return fail(QStringLiteral("diff needs A.syx and B.syx"));
    const auto patch = a.value(QStringLiteral("--patch"));
    if (!patch)
        return fail(QStringLiteral("diff needs --patch N"));
    const int first = patchNumber(*patch);
    const int second = patchNumber(a.value(QStringLiteral("--to")).value_or(*patch));
    if (first < 0 || second < 0)
        return fail(QStringLiteral("--patch and --to must be 1..128"));
    CCollectingReporter nameErrors;
    const CExpansionNames names(nameErrors);
    std::vector<listing::Line> before;
    std::vector<listing::Line> after;
    if (!patchLines(a.positional()[0], first, names, before) || !patchLines(a.positional()[1], second, names, after))
        return kExitBadInput;
    const QStringList differences = listing::differences(before, after);
    for (const QString& line : differences)
        printOut(line);
    return differences.isEmpty() ? kExitOk : kExitProblem;
}

} // namespace cli
