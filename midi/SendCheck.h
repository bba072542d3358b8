#pragma once

#include "midi/SynthLine.h"

#include <QDateTime>
#include <QString>

// What surrounds a send to the instrument: the backup of what it will overwrite, and
// the read-back that verifies what arrived, with the resend of the records that differ.
namespace sendcheck {

using synthline::Record;

constexpr int kMaxTries = 3; // the send itself and two resends
constexpr int kDefaultKeptBackups = 30;

struct VerifyResult
{
    bool answered = false; // false: the instrument could not be asked; sent but unverified
    bool stopped = false;
    int tries = 1;
    std::vector<Record> resent;         // every record sent again, in order, once each
    std::vector<Record> stillDiffering; // after the last try
};

// Reads sent back, resends what differs (up to kMaxTries sends in all) and reads that
// back again. phase (may be null) gets a line for the status window at each step.
VerifyResult verify(synthline::CListener& listener, synthline::CPacedOut& out, std::uint8_t deviceId,
                    const std::vector<Record>& sent, const synthline::ReadOptions& options,
                    const std::atomic<bool>* stop = nullptr, const std::function<void(const QString&)>& phase = {});

// "Sent and verified 128 patches", "Patches 12, 57 and 88 still differ after 3 tries",
// "Sent 128 patches; not verified: the synthesizer did not answer the read-back".
QString verifyText(const std::vector<Record>& sent, const VerifyResult& result);
// "128 patches", "1 performance", "128 patches, 32 performances and 2 rhythm sets".
QString countText(const std::vector<Record>& records);

// Whether the send of records overwrites memory worth a backup (user or card).
bool overwritesMemory(const std::vector<Record>& records);
// Only the records of user and card memory.
std::vector<Record> memoryRecords(const std::vector<Record>& records);

// "2026-12-08 14-05 User Patches.syx" in folder, numbered when that name is taken.
QString backupPath(const QString& folder, const QDateTime& when, const QString& title);
// The default folder: the user's data folder's toneloom/backups.
QString defaultBackupFolder();
// Removes the oldest backups of folder beyond the newest keep (by the date in the
// name, then by modification time).
void pruneBackups(const QString& folder, int keep);

struct BackupResult
{
    bool ok = false;
    bool stopped = false;
    QString path;  // the file written
    QString error; // why there is none
};
// Reads records from the instrument and writes what it holds there into a new backup
// file in folder, keeping the newest keep files.
BackupResult backup(synthline::CListener& listener, synthline::CPacedOut& out, std::uint8_t deviceId,
                    const std::vector<Record>& records, const QString& folder, int keep,
                    const synthline::ReadOptions& options, const std::atomic<bool>* stop = nullptr,
                    const std::function<void(int, int)>& progress = {});

} // namespace sendcheck
