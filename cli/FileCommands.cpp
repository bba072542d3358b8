#include "cli/FileCommands.h"

#include "bank/ToneloomDoc.h"
#include "cli/CliSupport.h"
#include "model/SysExScan.h"

#include <QFile>
#include <QFileInfo>
#include <map>

namespace cli {

namespace {

const ByKind<const char*> kKindTitles{{"patches", "performances", "rhythm sets"}};

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

int runNamesCommand(const CommandLine& line)
{
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    const QString path = line.files.first();
    BankFile bank;
    if (!openBankFile(doc, reporter, path, bank))
        return kExitBadInput;
    if (!bank.holdsRecords())
        return fail(QStringLiteral("%1 holds no patch, performance or rhythm set").arg(path));
    if (bank.stoppedEarly())
        printErr(QStringLiteral("toneloom-cli: warning: %1: %2").arg(path, bank.unreadText()));
    const CRecordArray& array = doc.array(line.kind);
    for (int i = 0; i < array.GetCount(); ++i)
        printOut(QStringLiteral("%1: %2").arg(i + 1).arg(printable(array.name(i))));
    return kExitOk;
}

int runInfoCommand(const CommandLine& line)
{
    const QString path = line.files.first();
    SynthSettings settings;
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    BankFile bank;
    if (!openBankFile(doc, reporter, path, bank))
        return kExitBadInput;
    QFile file(path);
    QString error;
    if (!openInputFile(file, &error))
        return fail(error);
    // Only the counts are wanted here; the problems themselves are for check.
    SysExScanResult scan;
    if (!scanSysEx(
            file, [](const SysExProblem&) {}, scan, &error))
        return fail(QStringLiteral("%1: %2").arg(path, error));

    printOut(QStringLiteral("%1: %2 bytes, %3 messages").arg(path).arg(bank.size).arg(scan.messages));
    for (ItemKind kind : kItemKinds) {
        // A record of which only a part was in the file is counted, and said to be partial.
        const auto partial = doc.openReport().partialItems(kind).size();
        printOut(partial == 0
                     ? QStringLiteral("%1: %2 records").arg(QLatin1String(kKindTitles[kind])).arg(bank.records(kind))
                     : QStringLiteral("%1: %2 records, %3 partial")
                           .arg(QLatin1String(kKindTitles[kind]))
                           .arg(bank.records(kind))
                           .arg(partial));
        for (const auto& run : bank.runs) {
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
                kind == ItemKind::RhythmSets ? QStringLiteral("common") : layoutTexts.join(QStringLiteral(", "));
            printOut(QStringLiteral("  run at offset %1: %2 records, %3 layout, %4 memory")
                         .arg(run.offset)
                         .arg(run.records)
                         .arg(layoutText, areaName(run.area)));
        }
    }
    for (const BankSkipped& skipped : bank.contents.skipped)
        printOut(QStringLiteral("skipped at offset %1: %2 messages of an item whose first message is not in the file")
                     .arg(skipped.offset)
                     .arg(skipped.messages));
    if (bank.stoppedEarly())
        printOut(bank.unreadText());
    printOut(QStringLiteral("messages with a bad checksum: %1").arg(scan.badChecksums));
    return kExitOk;
}

int runCheckCommand(const CommandLine& line)
{
    const QString path = line.files.first();
    QFile file(path);
    QString error;
    if (!openInputFile(file, &error))
        return fail(error);
    // Where the bank reader stops before messages it ignores: a problem of its own,
    // reported in its place.
    BankFile bank;
    if (!readBankFile(file, bank, &error))
        return fail(error);
    bool stopShown = !bank.stoppedEarly();
    const auto showStop = [&] {
        printOut(QStringLiteral("%1: reading stops here; %2 bytes are not read").arg(bank.end).arg(bank.unread()));
        stopShown = true;
    };
    if (!file.seek(0))
        return fail(QStringLiteral("%1: %2").arg(path, fileErrorCause(file)));
    // The problems are printed as they are found: a report as long as the file is never
    // held in memory.
    SysExScanResult scan;
    const bool read = scanSysEx(
        file,
        [&](const SysExProblem& p) {
            if (!stopShown && p.offset > bank.end)
                showStop();
            printOut(QStringLiteral("%1: %2").arg(p.offset).arg(p.reason));
        },
        scan, &error);
    if (!read)
        return fail(QStringLiteral("%1: %2").arg(path, error));
    const qint64 problems = scan.problemCount + (bank.stoppedEarly() ? 1 : 0);
    if (!stopShown)
        showStop();
    if (scan.messages == 0 && problems == 0) {
        printOut(QStringLiteral("0: the file holds no message"));
        return kExitProblem;
    }
    printOut(QStringLiteral("%1 messages, %2 problems").arg(scan.messages).arg(problems));
    return problems == 0 ? kExitOk : kExitProblem;
}

int runConvertCommand(const CommandLine& line)
{
    SynthSettings settings;
    settings.model = *line.model;
    if (line.deviceId)
        settings.deviceId = *line.deviceId;
    const QString in = line.files[0];
    const QString out = line.files[1];
    QString error;
    if (refuseSameFile(in, out, &error))
        return fail(error);
    CCollectingReporter reporter;
    CToneloomDoc doc(settings, reporter);
    BankFile bank;
    if (!openBankFile(doc, reporter, in, bank))
        return kExitBadInput;
    if (!bank.holdsRecords())
        return fail(QStringLiteral("%1 holds no patch, performance or rhythm set").arg(in));
    // What lies beyond the first foreign message would silently become default records.
    if (bank.stoppedEarly() && !line.force)
        return fail(QStringLiteral("%1: %2 (--force converts what was read)").arg(in, bank.unreadText()));
    // A kind the file does not hold would come out as nothing but defaults.
    if (line.what != CommandLine::kAll && bank.records(*line.what) == 0 && !line.force)
        return fail(QStringLiteral("%1 holds no %2; nothing was converted (--force writes the defaults)")
                        .arg(in, QLatin1String(kKindTitles[*line.what])));
    if (line.deviceId) {
        for (ItemKind kind : kItemKinds)
            doc.array(kind).SetDeviceId(settings.deviceId);
    }
    const auto area = line.card ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    if (!writeOutputFile(
            out, [&](QIODevice& device) { return doc.writeBank(device, line.what, area); }, &error))
        return fail(error);
    return kExitOk;
}

} // namespace cli
