#pragma once

#include "model/SynthSettings.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// The backups folder as the Backups dialog lists it: one line per file, the newest
// first, each with its date, the model whose layout its blocks have, what it holds and
// its size.
namespace backups {

struct Entry
{
    QString path;
    QDateTime when;                  // from the name; the file's time when the name has none
    std::optional<SynthModel> model; // none: nothing in it tells (rhythm sets alone, or no records)
    QString title;                   // what the name says: "User Patches"
    QString contents;                // what it holds: "128 patches", "3 patches and 1 performance"
    qint64 size = 0;                 // bytes
};

// The model whose block sizes the records of stream have.
std::optional<SynthModel> modelOf(const QByteArray& stream);
// The backup at path; nullopt when it cannot be read.
std::optional<Entry> readEntry(const QString& path);
// Every .syx file of folder, the newest first.
std::vector<Entry> list(const QString& folder);
// "JV-2080", or "Any" when the file does not tell.
QString modelText(const std::optional<SynthModel>& model);
// "83,456 bytes" style sizes: "81.5 KB", "640 bytes".
QString sizeText(qint64 bytes);
// Removes the backup at path; false with error set when it cannot.
bool remove(const QString& path, QString* error);
// The bytes of a backup made ready to send back to the instrument answering on
// deviceId: every message of the family gets that device ID (the checksum does not
// cover it).
QByteArray forDevice(const QByteArray& stream, std::uint8_t deviceId);

} // namespace backups
