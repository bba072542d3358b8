#include "cli/VaryCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "model/PatchArray.h"
#include "model/PatchVariation.h"

#include <QFile>

namespace cli {

namespace {

constexpr int kMaxPercent = 100;

// A whole number in lo .. hi, or nothing.
std::optional<qint64> bounded(const QString& text, qint64 lo, qint64 hi)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok || n < lo || n > hi)
        return std::nullopt;
    return n;
}

// A patch of a bank file and the layout (model) it was read in.
struct SourcePatch
{
    QByteArray image;
    SynthModel model = SynthModel::Jv2080;
};

// Patch number (1-based) of path. False (message printed) when the file cannot be
// read or holds fewer patches.
bool readPatch(const QString& path, int number, SourcePatch& out)
{
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    BankFile bank;
    if (!openBankItem(doc, reporter, path, ItemKind::Patches, number, "patches", bank))
        return false;
    out.image = doc.patches().record(number - 1);
    // The layout of the record as the file holds it: the runs of patches in file order.
    int seen = 0;
    for (const BankRun& run : bank.runs) {
        if (run.kind != ItemKind::Patches)
            continue;
        const int at = number - 1 - seen;
        if (at >= 0 && at < static_cast<int>(run.layouts.size())) {
            out.model = run.layouts[static_cast<std::size_t>(at)];
            break;
        }
        seen += run.records;
    }
    return true;
}

// Writes image as the only patch of path, in slot number and in the layout of model.
int writePatch(const QString& path, int number, const QByteArray& image, SynthModel model)
{
    CPatchArray patches;
    patches.setRecord(number - 1, image);
    std::vector<bool> only(CPatchArray::kCount, false);
    only[static_cast<std::size_t>(number - 1)] = true;
    QString error;
    if (!writeOutputFile(
            path, [&](QIODevice& device) { return patches.Store(device, model, sysex::MemoryArea::User, &only); },
            &error))
        return fail(error);
    return kExitOk;
}

} // namespace

int runMutateCommand(const QStringList& args)
{
    const QString usage = QStringLiteral("mutate needs IN.syx --patch N --amount 1..100 --seed S OUT.syx");
    const Arguments a(args, {QStringLiteral("--patch"), QStringLiteral("--amount"), QStringLiteral("--seed")},
                      {QStringLiteral("--choices")});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 2 || !a.value(QStringLiteral("--patch")) || !a.value(QStringLiteral("--amount"))
        || !a.value(QStringLiteral("--seed")))
        return fail(usage);
    const int number = itemNumber(*a.value(QStringLiteral("--patch")), CPatchArray::kCount);
    if (number < 0)
        return fail(QStringLiteral("--patch must be 1..%1").arg(CPatchArray::kCount));
    const auto amount = bounded(*a.value(QStringLiteral("--amount")), 1, kMaxPercent);
    if (!amount)
        return fail(QStringLiteral("--amount must be 1..100 (percent)"));
    const auto seed = bounded(*a.value(QStringLiteral("--seed")), 0, 0xFFFFFFFFLL);
    if (!seed)
        return fail(QStringLiteral("--seed must be 0..4294967295"));
    const QString in = a.positional()[0];
    const QString out = a.positional()[1];
    if (QString error; refuseSameFile(in, out, &error))
        return fail(error);
    SourcePatch source;
    if (!readPatch(in, number, source))
        return kExitBadInput;
    variation::MutateOptions o;
    o.amount = static_cast<int>(*amount);
    o.seed = static_cast<std::uint32_t>(*seed);
    o.choices = a.flag(QStringLiteral("--choices"));
    o.model = source.model;
    return writePatch(out, number, variation::mutate(params::Editor::Patch, source.image, o), source.model);
}

int runMorphCommand(const QStringList& args)
{
    const QString usage = QStringLiteral("morph needs A.syx --patch N B.syx --patch M --at 0..100 OUT.syx");
    // Each --patch belongs to the file before it, so the options are read in order.
    QStringList files;
    QList<std::optional<QString>> numbers;
    std::optional<QString> at;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            files << arg;
            numbers << std::nullopt;
            continue;
        }
        if (arg != QLatin1String("--patch") && arg != QLatin1String("--at"))
            return fail(QStringLiteral("unknown option %1").arg(arg));
        if (i + 1 >= args.size())
            return fail(QStringLiteral("%1 needs a value").arg(arg));
        const QString value = args[++i];
        if (arg == QLatin1String("--at"))
            at = value;
        else if (files.isEmpty() || numbers.last())
            return fail(QStringLiteral("--patch follows the file it picks from: %1").arg(usage));
        else
            numbers.last() = value;
    }
    if (files.size() != 3 || !numbers[0] || !numbers[1] || numbers[2] || !at)
        return fail(usage);
    const int first = itemNumber(*numbers[0], CPatchArray::kCount);
    const int second = itemNumber(*numbers[1], CPatchArray::kCount);
    if (first < 0 || second < 0)
        return fail(QStringLiteral("--patch must be 1..%1").arg(CPatchArray::kCount));
    const auto percent = bounded(*at, 0, kMaxPercent);
    if (!percent)
        return fail(QStringLiteral("--at must be 0..100 (percent)"));
    const QString out = files[2];
    for (const QString& in : {files[0], files[1]})
        if (QString error; refuseSameFile(in, out, &error))
            return fail(error);
    SourcePatch a;
    SourcePatch b;
    if (!readPatch(files[0], first, a) || !readPatch(files[1], second, b))
        return kExitBadInput;
    const QByteArray blend =
        variation::morph(params::Editor::Patch, a.image, b.image, static_cast<int>(*percent), a.model);
    return writePatch(out, first, blend, a.model);
}

} // namespace cli
