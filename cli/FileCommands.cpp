#include "cli/FileCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "model/SysExScan.h"

#include <QFile>
#include <QFileInfo>
#include <map>

namespace cli {

namespace {

const QStringList kKindNames = {QStringLiteral("patches"), QStringLiteral("performances"), QStringLiteral("rhythm")};
const QStringList kKindTitles = {QStringLiteral("patches"), QStringLiteral("performances"),
                                 QStringLiteral("rhythm sets")};

QString areaName(std::uint8_t area)
{
    switch (area) {
    case sysex::kAreaUserPatch:
    case sysex::kAreaUserPerformance:
        return QStringLiteral("user");
    case sysex::kAreaCardPatch:
    case sysex::kAreaCardPerformance:
        return QStringLiteral("card");
    default:
        return QStringLiteral("temporary");
    }
}

} // namespace

bool openBank(CToneloomDoc& doc, CCollectingReporter& reporter, const QString& path,
              std::vector<CToneloomDoc::Run>* runs)
{
    if (!QFileInfo(path).isFile()) {
        fail(QStringLiteral("%1: no such file").arg(path));
        return false;
    }
    if (runs) {
        // Read once more with the run details; the messages come from the open below.
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            CToneloomDoc scratch(doc.settings(), reporter);
            scratch.readBank(file, nullptr, runs);
        }
    }
    if (!doc.OnOpenDocument(path)) {
        const QStringList texts = reporter.texts();
        fail(texts.isEmpty() ? QStringLiteral("%1: cannot be read").arg(path) : texts.join(QLatin1Char(' ')));
        return false;
    }
    return true;
}

namespace {

bool holdsRecords(const QString& path, const SynthSettings& settings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    std::vector<CToneloomDoc::Run> runs;
    doc.readBank(file, nullptr, &runs);
    return !runs.empty();
}

} // namespace

int runNamesCommand(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--kind")}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("names needs exactly one FILE.syx"));
    const int kind = kKindNames.indexOf(a.value(QStringLiteral("--kind")).value_or(kKindNames[0]));
    if (kind < 0)
        return fail(QStringLiteral("--kind must be patches, performances or rhythm"));
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    const QString path = a.positional().first();
    if (!openBank(doc, reporter, path))
        return kExitBadInput;
    if (!holdsRecords(path, settings))
        return fail(QStringLiteral("%1 holds no patch, performance or rhythm set").arg(path));
    const CRecordArray& array = doc.array(kind);
    for (int i = 0; i < array.GetCount(); ++i)
        printOut(QStringLiteral("%1: %2").arg(i + 1).arg(array.name(i)));
    return kExitOk;
}

int runInfoCommand(const QStringList& args)
{
    const Arguments a(args, {}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("info needs exactly one FILE.syx"));
    const QString path = a.positional().first();
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    std::vector<CToneloomDoc::Run> runs;
    if (!openBank(doc, reporter, path, &runs))
        return kExitBadInput;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    const SysExScanResult scan = scanSysEx(bytes);

    printOut(QStringLiteral("%1: %2 bytes, %3 messages").arg(path).arg(bytes.size()).arg(scan.messages));
    for (int kind = 0; kind < kKindCount; ++kind) {
        int total = 0;
        for (const auto& run : runs)
            total += run.kind == kind ? run.records : 0;
        printOut(QStringLiteral("%1: %2 records").arg(kKindTitles[kind]).arg(total));
        for (const auto& run : runs) {
            if (run.kind != kind)
                continue;
            std::map<SynthModel, int> layouts;
            for (SynthModel m : run.layouts)
                ++layouts[m];
            QStringList layoutTexts;
            for (const auto& [model, count] : layouts)
                layoutTexts << (layouts.size() == 1
                                    ? QString::fromLatin1(modelName(model))
                                    : QStringLiteral("%1 × %2").arg(count).arg(QString::fromLatin1(modelName(model))));
            // Rhythm sets are laid out alike for every model.
            const QString layoutText =
                kind == kRhythmSets ? QStringLiteral("common") : layoutTexts.join(QStringLiteral(", "));
            printOut(QStringLiteral("  run at offset %1: %2 records, %3 layout, %4 memory")
                         .arg(run.offset)
                         .arg(run.records)
                         .arg(layoutText, areaName(run.area)));
        }
    }
    printOut(QStringLiteral("messages with a bad checksum: %1").arg(scan.badChecksums));
    return kExitOk;
}

int runCheckCommand(const QStringList& args)
{
    const Arguments a(args, {}, {});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 1)
        return fail(QStringLiteral("check needs exactly one FILE.syx"));
    const QString path = a.positional().first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const SysExScanResult scan = scanSysEx(file.readAll());
    for (const SysExProblem& p : scan.problems)
        printOut(QStringLiteral("%1: %2").arg(p.offset).arg(p.reason));
    if (scan.messages == 0 && scan.problems.empty()) {
        printOut(QStringLiteral("0: the file holds no message"));
        return kExitProblem;
    }
    printOut(QStringLiteral("%1 messages, %2 problems").arg(scan.messages).arg(scan.problems.size()));
    return scan.problems.empty() ? kExitOk : kExitProblem;
}

int runConvertCommand(const QStringList& args)
{
    const Arguments a(args, {QStringLiteral("--model"), QStringLiteral("--what"), QStringLiteral("--device-id")},
                      {QStringLiteral("--card")});
    if (!a.ok())
        return fail(a.error());
    if (a.positional().size() != 2)
        return fail(QStringLiteral("convert needs IN.syx and OUT.syx"));
    const auto modelText = a.value(QStringLiteral("--model"));
    if (!modelText)
        return fail(QStringLiteral("convert needs --model jv1080|jv2080|xp"));
    const int model = parseModel(*modelText);
    if (model < 0)
        return fail(QStringLiteral("--model must be jv1080, jv2080 or xp"));
    static const QStringList whats = {QStringLiteral("patches"), QStringLiteral("performances"),
                                      QStringLiteral("rhythm"), QStringLiteral("all")};
    const int which = whats.indexOf(a.value(QStringLiteral("--what")).value_or(QStringLiteral("all")));
    if (which < 0)
        return fail(QStringLiteral("--what must be all, patches, performances or rhythm"));
    SynthSettings settings;
    settings.model = static_cast<SynthModel>(model);
    int deviceId = -1;
    if (const auto id = a.value(QStringLiteral("--device-id"))) {
        deviceId = parseDeviceId(*id);
        if (deviceId < 0)
            return fail(QStringLiteral("--device-id must be 17..32"));
        settings.deviceId = static_cast<std::uint8_t>(deviceId);
    }
    const QString in = a.positional()[0];
    const QString out = a.positional()[1];
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    if (!openBank(doc, reporter, in))
        return kExitBadInput;
    if (!holdsRecords(in, settings))
        return fail(QStringLiteral("%1 holds no patch, performance or rhythm set").arg(in));
    if (deviceId >= 0) {
        for (int kind = 0; kind < kKindCount; ++kind)
            doc.array(kind).SetDeviceId(settings.deviceId);
    }
    const auto area = a.flag(QStringLiteral("--card")) ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    reporter.clear();
    if (!doc.SaveBank(which, out, area))
        return fail(QStringLiteral("%1: %2").arg(out, reporter.texts().join(QLatin1Char(' '))));
    return kExitOk;
}

} // namespace cli
