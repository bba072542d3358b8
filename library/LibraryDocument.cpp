#include "library/LibraryDocument.h"

#include "settings/AppSettings.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstring>

namespace {

// How many records a bulk read or copy moves at a time.
constexpr int kChunkRecords = 1024;

} // namespace

CLibraryEntry CLibraryEntry::fromRecord(const char* record)
{
    CLibraryEntry e;
    std::memcpy(e.keys.data(), record + clb::kOffKeys, e.keys.size());
    std::memcpy(e.comment.data(), record + clb::kOffComment, e.comment.size());
    std::memcpy(e.date.data(), record + clb::kOffDate, e.date.size());
    std::memcpy(e.name.data(), record + clb::kOffName, e.name.size());
    e.category = static_cast<std::uint8_t>(record[clb::kOffCategory]);
    e.waves = patchuses::wavesOf(record + clb::kOffPatch);
    return e;
}

CLibraryDocument::CLibraryDocument(CReporter& reporter, QObject* parent)
    : QObject(parent), m_reporter(reporter), m_clock([] { return QDateTime::currentDateTime(); })
{
    m_keyNames.fill(QString::fromLatin1(clb::kNoEntry));
}

void CLibraryDocument::reportFileError(const QFile& file) const
{
    QString reason =
        file.error() == QFileDevice::NoError ? QStringLiteral("Unexpected end of file") : file.errorString();
    m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kFileError) + reason.left(kMaxErrorText));
}

bool CLibraryDocument::Create(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kCreateError));
        return false;
    }
    file.close();
    m_path = path;
    m_entries.clear();
    return true;
}

bool CLibraryDocument::Open(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFileError(file);
        return false;
    }
    // A device or a pipe would never end; a library is a file.
    if (file.isSequential()) {
        m_reporter.showMessage(MessageIcon::Exclamation,
                               QString::fromLatin1(kFileError) + QStringLiteral("Not a regular file"));
        return false;
    }
    std::vector<CLibraryEntry> entries;
    entries.reserve(static_cast<std::size_t>(std::max<qint64>(0, file.size() / clb::kRecordSize)));
    QByteArray buffer(kChunkRecords * clb::kRecordSize, Qt::Uninitialized);
    qint64 pending = 0; // bytes of a record begun in the previous chunk
    for (;;) {
        const qint64 got = file.read(buffer.data() + pending, buffer.size() - pending);
        if (got < 0) {
            reportFileError(file);
            return false;
        }
        const qint64 have = pending + got;
        const qint64 whole = have / clb::kRecordSize;
        for (qint64 r = 0; r < whole; ++r)
            entries.push_back(CLibraryEntry::fromRecord(buffer.constData() + r * clb::kRecordSize));
        pending = have - whole * clb::kRecordSize;
        if (pending > 0)
            std::memmove(buffer.data(), buffer.constData() + whole * clb::kRecordSize,
                         static_cast<std::size_t>(pending));
        if (got == 0)
            break; // what is pending now is the short rest of the file
    }
    m_path = path;
    m_entries = std::move(entries);
    return true;
}

QString CLibraryDocument::name(int n) const
{
    const CLibraryEntry& e = entry(n);
    return QString::fromLatin1(e.name.data(), clb::kNameLength);
}

QString CLibraryDocument::date(int n) const
{
    const CLibraryEntry& e = entry(n);
    return QString::fromLatin1(e.date.data(), static_cast<qsizetype>(strnlen(e.date.data(), e.date.size())));
}

QString CLibraryDocument::comment(int n) const
{
    const CLibraryEntry& e = entry(n);
    return QString::fromLatin1(e.comment.data(), static_cast<qsizetype>(strnlen(e.comment.data(), e.comment.size())));
}

QString CLibraryDocument::keyNameText(int key) const
{
    const QString& text = m_keyNames[static_cast<std::size_t>(key & 0xFF)];
    return text == QLatin1String(clb::kNoSelection) ? QString() : text;
}

QString CLibraryDocument::keyText(int n, int slot) const
{
    if (m_useCategories)
        return categoryName(n);
    return keyNameText(entry(n).keys[static_cast<std::size_t>(slot)]);
}

QString CLibraryDocument::categoryName(int n) const
{
    return clb::categoryName(entry(n).category);
}

void CLibraryDocument::setKeyNames(const KeyNames& names)
{
    m_keyNames = names;
    emit keyTextsChanged();
}

void CLibraryDocument::setUseCategories(bool on)
{
    if (on == m_useCategories)
        return;
    m_useCategories = on;
    emit keyTextsChanged();
}

CLibraryDocument::KeyNames CLibraryDocument::ReadKeyNames(const CAppSettings& settings)
{
    KeyNames names;
    for (int k = 0; k < clb::kKeyNameCount; ++k)
        names[static_cast<std::size_t>(k)] = settings.libraryKey(k);
    return names;
}

void CLibraryDocument::WriteKeyNames(CAppSettings& settings, const KeyNames& names)
{
    settings.setLibraryKeys(std::vector<QString>(names.begin(), names.end()));
}

bool CLibraryDocument::readAt(QFile& file, int n, char* record) const
{
    if (!file.seek(qint64(n) * clb::kRecordSize) || file.read(record, clb::kRecordSize) != clb::kRecordSize) {
        reportFileError(file);
        return false;
    }
    return true;
}

std::optional<QByteArray> CLibraryDocument::ReadRecord(int n) const
{
    auto records = ReadRecords({n});
    if (!records)
        return std::nullopt;
    return std::move(records->front());
}

std::optional<QByteArray> CLibraryDocument::ReadPatch(int n) const
{
    const auto record = ReadRecord(n);
    if (!record)
        return std::nullopt;
    return clb::patchOf(*record);
}

std::optional<std::vector<QByteArray>> CLibraryDocument::ReadRecords(const std::vector<int>& numbers) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFileError(file);
        return std::nullopt;
    }
    std::vector<QByteArray> records;
    records.reserve(numbers.size());
    for (int n : numbers) {
        if (n < 0 || n >= count()) {
            m_reporter.showMessage(MessageIcon::Exclamation,
                                   QString::fromLatin1(kFileError) + QStringLiteral("No record %1").arg(n + 1));
            return std::nullopt;
        }
        QByteArray record(clb::kRecordSize, Qt::Uninitialized);
        if (!readAt(file, n, record.data()))
            return std::nullopt;
        records.push_back(std::move(record));
    }
    return records;
}

int CLibraryDocument::AppendRecords(const std::vector<QByteArray>& records)
{
    std::vector<const QByteArray*> whole;
    for (const QByteArray& r : records)
        if (r.size() == clb::kRecordSize)
            whole.push_back(&r);
    if (whole.empty())
        return 0;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + file.errorString());
        return 0;
    }
    // New records go right behind the last whole one: a short rest that a broken
    // write left at the end would otherwise shift every record after it.
    const qint64 oldSize = file.size();
    const qint64 start = qint64(count()) * clb::kRecordSize;
    bool ok = file.seek(start);
    QByteArray chunk;
    chunk.reserve(kChunkRecords * clb::kRecordSize);
    for (std::size_t i = 0; ok && i < whole.size(); ++i) {
        chunk.append(*whole[i]);
        if (chunk.size() >= kChunkRecords * clb::kRecordSize || i + 1 == whole.size()) {
            ok = file.write(chunk) == chunk.size();
            chunk.clear();
        }
    }
    ok = ok && file.flush();
    if (!ok) {
        const QString reason = file.errorString();
        file.resize(oldSize);
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + reason);
        return 0;
    }
    file.close();
    const int first = count();
    for (const QByteArray* r : whole)
        m_entries.push_back(CLibraryEntry::fromRecord(r->constData()));
    emit entriesAppended(first, static_cast<int>(whole.size()));
    return static_cast<int>(whole.size());
}

int CLibraryDocument::AppendPatches(const std::vector<QByteArray>& patches)
{
    const QDateTime when = now();
    std::vector<QByteArray> records;
    records.reserve(patches.size());
    for (const QByteArray& patch : patches)
        if (patch.size() == clb::kPatchSize)
            records.push_back(clb::makeRecord(patch, when));
    return AppendRecords(records);
}

bool CLibraryDocument::ReplacePatch(int n, const QByteArray& patch)
{
    if (n < 0 || n >= count() || patch.size() != clb::kPatchSize)
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        reportFileError(file);
        return false;
    }
    QByteArray record(clb::kRecordSize, Qt::Uninitialized);
    if (!readAt(file, n, record.data()))
        return false;
    std::memcpy(record.data() + clb::kOffPatch, patch.constData(), clb::kPatchSize);
    clb::setDate(record, now());
    if (!file.seek(qint64(n) * clb::kRecordSize) || file.write(record) != record.size() || !file.flush()) {
        reportFileError(file);
        return false;
    }
    m_entries[static_cast<std::size_t>(n)] = CLibraryEntry::fromRecord(record.constData());
    emit entriesChanged({n});
    return true;
}

bool CLibraryDocument::UpdateMetadata(const std::vector<Metadata>& changes)
{
    if (changes.empty())
        return true;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        reportFileError(file);
        return false;
    }
    QList<int> changed;
    bool ok = true;
    QByteArray record(clb::kRecordSize, Qt::Uninitialized);
    for (const Metadata& m : changes) {
        if (m.entry < 0 || m.entry >= count())
            continue;
        if (!readAt(file, m.entry, record.data())) {
            ok = false;
            break;
        }
        std::memcpy(record.data() + clb::kOffKeys, m.keys.data(), m.keys.size());
        // The comment with its zero; the bytes behind it stay as they were.
        const QByteArray comment = m.comment.left(clb::kMaxComment);
        std::memcpy(record.data() + clb::kOffComment, comment.constData(), static_cast<std::size_t>(comment.size()));
        record[clb::kOffComment + comment.size()] = '\0';
        const QByteArray name = m.name.left(clb::kNameLength).leftJustified(clb::kNameLength, ' ');
        std::memcpy(record.data() + clb::kOffName, name.constData(), clb::kNameLength);
        if (!file.seek(qint64(m.entry) * clb::kRecordSize) || file.write(record) != record.size()) {
            reportFileError(file);
            ok = false;
            break;
        }
        m_entries[static_cast<std::size_t>(m.entry)] = CLibraryEntry::fromRecord(record.constData());
        changed << m.entry;
    }
    if (ok && !file.flush()) {
        reportFileError(file);
        ok = false;
    }
    if (!changed.isEmpty())
        emit entriesChanged(changed);
    return ok;
}

bool CLibraryDocument::DeleteEntries(std::vector<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    numbers.erase(std::remove_if(numbers.begin(), numbers.end(), [this](int n) { return n < 0 || n >= count(); }),
                  numbers.end());
    if (numbers.empty())
        return true;

    QFile source(m_path);
    if (!source.open(QIODevice::ReadOnly)) {
        reportFileError(source);
        return false;
    }
    QSaveFile target(m_path);
    target.setDirectWriteFallback(false);
    if (!target.open(QIODevice::WriteOnly)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kFileError) + target.errorString());
        return false;
    }
    // The kept records, whole and in their order; the deleted ones and a short rest
    // at the end are left behind.
    QByteArray in(kChunkRecords * clb::kRecordSize, Qt::Uninitialized);
    QByteArray out;
    out.reserve(in.size());
    auto next = numbers.cbegin();
    for (int first = 0; first < count(); first += kChunkRecords) {
        const int records = std::min(kChunkRecords, count() - first);
        const qint64 bytes = qint64(records) * clb::kRecordSize;
        if (source.read(in.data(), bytes) != bytes) {
            reportFileError(source);
            target.cancelWriting();
            return false;
        }
        out.clear();
        for (int r = 0; r < records; ++r) {
            if (next != numbers.cend() && *next == first + r) {
                ++next;
                continue;
            }
            out.append(in.constData() + qint64(r) * clb::kRecordSize, clb::kRecordSize);
        }
        if (target.write(out) != out.size())
            break;
    }
    if (!target.commit()) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + target.errorString());
        return false;
    }
    std::size_t kept = 0;
    auto del = numbers.cbegin();
    for (std::size_t n = 0; n < m_entries.size(); ++n) {
        if (del != numbers.cend() && *del == static_cast<int>(n)) {
            ++del;
            continue;
        }
        m_entries[kept++] = m_entries[n];
    }
    m_entries.resize(kept);
    emit entriesRemoved(QList<int>(numbers.begin(), numbers.end()));
    return true;
}
