#include "midi/BackupList.h"

#include "midi/SendCheck.h"
#include "midi/SynthLine.h"
#include "model/SysEx.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>

namespace backups {

namespace {

constexpr int kDateLength = 16; // "yyyy-MM-dd HH-mm"
const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH-mm");

bool isPatchArea(std::uint8_t area)
{
    return area == sysex::kAreaUserPatch || area == sysex::kAreaCardPatch || area == sysex::kAreaTempPatch;
}

bool isPerformanceArea(std::uint8_t area)
{
    return area == sysex::kAreaUserPerformance || area == sysex::kAreaCardPerformance;
}

} // namespace

std::optional<SynthModel> modelOf(const QByteArray& stream)
{
    for (const synthline::Record& r : synthline::recordsOf(stream)) {
        std::optional<sysex::Block> block;
        if (isPatchArea(r.area))
            block = sysex::Block::PatchCommon;
        else if (isPerformanceArea(r.area) && r.number < sysex::kRhythmSetBase)
            block = sysex::Block::PerformanceCommon;
        if (!block)
            continue;
        for (const QByteArray& m : r.messages) {
            // Only the common block (third address byte 0) tells the models apart.
            if (m.size() <= sysex::kOffData || m[sysex::kOffAddress + 2] != 0)
                continue;
            const int data = static_cast<int>(m.size()) - sysex::kFraming;
            for (int model = 0; model < kModelCount; ++model)
                if (sysex::blockDataSize(static_cast<SynthModel>(model), *block) == data)
                    return static_cast<SynthModel>(model);
        }
    }
    return std::nullopt;
}

std::optional<Entry> readEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const QFileInfo info(path);
    Entry e;
    e.path = info.absoluteFilePath();
    e.size = bytes.size();
    const QString name = info.completeBaseName();
    e.when = QDateTime::fromString(name.left(kDateLength), kDateFormat);
    if (e.when.isValid()) {
        // What follows the date, without the number a second backup of a minute gets.
        e.title = name.mid(kDateLength).trimmed();
        e.title.remove(QRegularExpression(QStringLiteral("\\s*\\(\\d+\\)$")));
    } else {
        e.when = info.lastModified();
        e.title = name;
    }
    e.model = modelOf(bytes);
    e.contents = sendcheck::countText(synthline::recordsOf(bytes));
    return e;
}

std::vector<Entry> list(const QString& folder)
{
    std::vector<Entry> entries;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.syx")}, QDir::Files);
    for (const QFileInfo& f : files) {
        if (auto e = readEntry(f.filePath()))
            entries.push_back(std::move(*e));
    }
    // The newest first; a second backup of one minute (numbered) after the first.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.when != b.when)
            return a.when > b.when;
        return QFileInfo(a.path).lastModified() > QFileInfo(b.path).lastModified();
    });
    return entries;
}

QString modelText(const std::optional<SynthModel>& model)
{
    return model ? QString::fromLatin1(modelName(*model)) : QStringLiteral("Any");
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kKilo = 1024;
    if (bytes < kKilo)
        return QStringLiteral("%1 bytes").arg(bytes);
    return QStringLiteral("%1 KB").arg(QString::number(static_cast<double>(bytes) / kKilo, 'f', 1));
}

bool remove(const QString& path, QString* error)
{
    QFile file(path);
    if (file.remove())
        return true;
    if (error)
        *error = QStringLiteral("%1 could not be deleted: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

QByteArray forDevice(const QByteArray& stream, std::uint8_t deviceId)
{
    QByteArray out = stream;
    for (qsizetype i = 0; i + sysex::kOffCommand < out.size(); ++i) {
        if (static_cast<std::uint8_t>(out[i]) == sysex::kStart
            && static_cast<std::uint8_t>(out[i + sysex::kOffManufacturer]) == sysex::kManufacturer
            && static_cast<std::uint8_t>(out[i + sysex::kOffModel]) == sysex::kModelId)
            out[i + sysex::kOffDevice] = static_cast<char>(deviceId);
    }
    return out;
}

} // namespace backups
