#include "midi/SendCheck.h"

#include "fileio/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace sendcheck {

using synthline::CListener;
using synthline::CPacedOut;
using synthline::ReadOptions;

namespace {

bool sameRecord(const Record& a, const Record& b)
{
    return a.area == b.area && a.number == b.number;
}

bool isMemoryArea(std::uint8_t area)
{
    return area == sysex::kAreaUserPatch || area == sysex::kAreaUserPerformance || area == sysex::kAreaCardPatch
           || area == sysex::kAreaCardPerformance;
}

// Writes bytes to path in one checked step; error names the cause.
bool writeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    return AtomicFile::writeFile(path, bytes, error);
}

} // namespace

VerifyResult verify(CListener& listener, CPacedOut& out, std::uint8_t deviceId, const std::vector<Record>& sent,
                    const ReadOptions& options, const std::atomic<bool>* stop,
                    const std::function<void(const QString&)>& phase)
{
    VerifyResult result;
    std::vector<Record> check = sent;
    for (result.tries = 1;; ++result.tries) {
        if (phase)
            phase(QStringLiteral("Reading back %1 to verify...").arg(countText(check)));
        const synthline::ReadResult read = synthline::readBack(listener, out, deviceId, check, options, stop);
        if (read.stopped) {
            result.stopped = true;
            result.stillDiffering = check;
            return result;
        }
        if (!read.answered) {
            // Asked again after a resend and silent now: what differed is unknown.
            result.answered = false;
            result.stillDiffering = check;
            return result;
        }
        result.answered = true;
        const std::vector<Record> differ = synthline::differing(check, read.records);
        if (differ.empty() || result.tries >= kMaxTries) {
            result.stillDiffering = differ;
            return result;
        }
        if (phase)
            phase(QStringLiteral("Sending again: %1").arg(synthline::recordListText(differ)));
        for (const Record& r : differ) {
            if (stop && stop->load()) {
                result.stopped = true;
                result.stillDiffering = differ;
                return result;
            }
            out.sendAll(r.messages, stop, nullptr);
            if (std::none_of(result.resent.begin(), result.resent.end(),
                             [&](const Record& x) { return sameRecord(x, r); }))
                result.resent.push_back(r);
        }
        check = differ;
    }
}

QString countText(const std::vector<Record>& records)
{
    int patches = 0;
    int performances = 0;
    int rhythms = 0;
    int other = 0;
    for (const Record& r : records) {
        const QString name = synthline::recordName(r);
        if (name.contains(QLatin1String("atch")))
            ++patches;
        else if (name.contains(QLatin1String("erformance")))
            ++performances;
        else if (name.contains(QLatin1String("hythm")))
            ++rhythms;
        else
            ++other;
    }
    QStringList parts;
    const auto add = [&](int n, const char* one, const char* many) {
        if (n > 0)
            parts << QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    add(patches, "patch", "patches");
    add(performances, "performance", "performances");
    add(rhythms, "rhythm set", "rhythm sets");
    add(other, "block", "blocks");
    if (parts.size() <= 1)
        return parts.value(0, QStringLiteral("nothing"));
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
}

QString verifyText(const std::vector<Record>& sent, const VerifyResult& result)
{
    if (result.stopped)
        return QStringLiteral("Sent %1; the verification was stopped").arg(countText(sent));
    if (!result.answered) {
        const bool card = std::any_of(sent.begin(), sent.end(), [](const Record& r) {
            return r.area == sysex::kAreaCardPatch || r.area == sysex::kAreaCardPerformance;
        });
        return QStringLiteral("Sent %1; not verified: the synthesizer did not answer the read-back "
                              "(check its device ID, the MIDI cable from its MIDI Out, and \"Rx Exclusive\"%2)")
            .arg(countText(sent), QLatin1String(card ? "; for card memory, that a card is inserted" : ""));
    }
    if (!result.stillDiffering.empty()) {
        const bool one = result.stillDiffering.size() == 1;
        return QStringLiteral("%1 still %2 after %3 tries")
            .arg(synthline::recordListText(result.stillDiffering), QLatin1String(one ? "differs" : "differ"))
            .arg(result.tries);
    }
    return QStringLiteral("Sent and verified %1").arg(countText(sent));
}

bool overwritesMemory(const std::vector<Record>& records)
{
    return std::any_of(records.begin(), records.end(), [](const Record& r) { return isMemoryArea(r.area); });
}

std::vector<Record> memoryRecords(const std::vector<Record>& records)
{
    std::vector<Record> result;
    std::copy_if(records.begin(), records.end(), std::back_inserter(result),
                 [](const Record& r) { return isMemoryArea(r.area); });
    return result;
}

QString backupPath(const QString& folder, const QDateTime& when, const QString& title)
{
    const QString stem = when.toString(QStringLiteral("yyyy-MM-dd HH-mm ")) + title;
    const QDir dir(folder);
    QString path = dir.filePath(stem + QStringLiteral(".syx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1 (%2).syx").arg(stem).arg(n));
    return path;
}

QString defaultBackupFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("toneloom/backups"));
}

void pruneBackups(const QString& folder, int keep)
{
    if (keep <= 0)
        return;
    QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.syx")}, QDir::Files);
    // The name starts with the date and time; the modification time orders those of
    // one minute.
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const QString da = a.fileName().left(16);
        const QString db = b.fileName().left(16);
        if (da != db)
            return da > db;
        return a.lastModified() > b.lastModified();
    });
    for (qsizetype i = keep; i < files.size(); ++i)
        QFile::remove(files[i].filePath());
}

BackupResult backup(CListener& listener, CPacedOut& out, std::uint8_t deviceId, const std::vector<Record>& records,
                    const QString& folder, int keep, const ReadOptions& options, const std::atomic<bool>* stop,
                    const std::function<void(int, int)>& progress)
{
    BackupResult result;
    const std::vector<Record> asked = memoryRecords(records);
    if (asked.empty()) {
        result.ok = true;
        return result;
    }
    const synthline::ReadResult read = synthline::readBack(listener, out, deviceId, asked, options, stop, progress);
    if (read.stopped) {
        result.stopped = true;
        result.error = QStringLiteral("The backup was stopped; nothing was sent.");
        return result;
    }
    if (!read.answered) {
        result.error = QStringLiteral("The synthesizer did not answer the backup's requests; nothing was sent. "
                                      "Check its device ID, the MIDI cable from its MIDI Out, \"Rx Exclusive\" "
                                      "and, for card memory, that a card is inserted.");
        return result;
    }
    QByteArray bytes;
    std::vector<Record> missing;
    for (std::size_t i = 0; i < read.records.size(); ++i) {
        if (read.records[i].messages.size() != asked[i].messages.size())
            missing.push_back(asked[i]);
        for (const QByteArray& m : read.records[i].messages)
            bytes += m;
    }
    if (!missing.empty()) {
        result.error = QStringLiteral("The synthesizer did not send all of %1 for the backup; nothing was sent.")
                           .arg(synthline::recordListText(missing));
        return result;
    }
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("The backup folder %1 could not be made; nothing was sent.")
                           .arg(QDir::toNativeSeparators(folder));
        return result;
    }
    result.path = backupPath(folder, QDateTime::currentDateTime(), synthline::recordsTitle(asked));
    if (!writeFile(result.path, bytes, &result.error)) {
        result.error += QStringLiteral("; nothing was sent.");
        result.path.clear();
        return result;
    }
    pruneBackups(folder, keep);
    result.ok = true;
    return result;
}

} // namespace sendcheck
