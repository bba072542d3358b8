#include "library/LibraryDocument.h"

#include "fileio/AtomicFile.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <algorithm>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// How many records a bulk read or copy moves at a time.
constexpr int kChunkRecords = 1024;
// How long a watched library waits after a change of its file before reading it again:
// a writer's pieces arrive as one change.
constexpr int kRefreshDelayMs = 150;

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
    // The file's name and the system's reason.
    m_reporter.showMessage(
        MessageIcon::Exclamation,
        QString::fromLatin1(kFileError)
            + QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(file.fileName()), reason.left(kMaxErrorText)));
}

bool CLibraryDocument::Create(const QString& path)
{
    // A link in the way is replaced by the new file, never followed.
    QString error;
    if (!AtomicFile::writeFile(path, QByteArray(), &error)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kCreateError) + QLatin1Char(' ') + error);
        return false;
    }
    m_path = path;
    m_entries.clear();
    m_tailBytes = 0;
    m_known = stateOf(path);
    m_lock = std::make_unique<CLibraryLock>(path);
    if (m_watcher) {
        setWatching(false);
        setWatching(true);
    }
    return true;
}

bool CLibraryDocument::Open(const QString& path)
{
    // Read under the lock where it can be had, so that a record another program is just
    // appending is not taken for a broken tail. A library in a folder that cannot be
    // written, or one whose lock is held too long, is read without it.
    CLibraryLock lock(path);
    lock.lock(m_lockWaitMs, nullptr);
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
    const FileState state = stateOf(path);
    std::vector<CLibraryEntry> entries;
    qint64 tail = 0;
    if (!readEntries(file, entries, tail))
        return false;
    m_path = path;
    m_entries = std::move(entries);
    m_tailBytes = tail;
    m_known = state;
    m_lock = std::make_unique<CLibraryLock>(path);
    if (m_watcher) {
        setWatching(false);
        setWatching(true);
    }
    return true;
}

bool CLibraryDocument::readEntries(QFile& file, std::vector<CLibraryEntry>& entries, qint64& tail) const
{
    entries.clear();
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
    tail = pending;
    return true;
}

CLibraryDocument::FileState CLibraryDocument::stateOf(const QString& path)
{
    FileState state;
#ifdef Q_OS_UNIX
    struct stat st
    {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return state;
    state.size = st.st_size;
    state.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    state.device = st.st_dev;
    state.inode = st.st_ino;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return state;
    state.size = info.size();
    state.modified = info.lastModified().toMSecsSinceEpoch() * 1000000;
    // Without inode numbers a replaced file is told by its birth time.
    state.inode = static_cast<quint64>(info.birthTime().toMSecsSinceEpoch());
#endif
    state.valid = true;
    return state;
}

QString CLibraryDocument::tailText(qint64 bytes) const
{
    return QStringLiteral("%1 ends in %2 bytes that are no whole entry")
        .arg(QDir::toNativeSeparators(m_path))
        .arg(bytes);
}

CLibraryDocument::Sync CLibraryDocument::syncWithFile()
{
    const FileState now = stateOf(m_path);
    if (now.valid && now == m_known)
        return Sync::Same;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFileError(file);
        return Sync::Failed;
    }
    // Something else in the library's place (a device would never end).
    if (file.isSequential() || !QFileInfo(m_path).isFile()) {
        m_reporter.showMessage(MessageIcon::Exclamation,
                               QString::fromLatin1(kFileError) + QStringLiteral("Not a regular file"));
        return Sync::Failed;
    }
    std::vector<CLibraryEntry> fresh;
    qint64 tail = 0;
    if (!readEntries(file, fresh, tail))
        return Sync::Failed;
    // Appends and changes in place keep every number; a file put in the place of the old
    // one (a deletion) or a shorter one may number its entries differently.
    const bool numbersKept =
        m_known.valid && now.device == m_known.device && now.inode == m_known.inode && now.size >= m_known.size;
    m_known = now;
    m_tailBytes = tail;
    applyEntries(std::move(fresh), numbersKept);
    return numbersKept ? Sync::Grown : Sync::Replaced;
}

void CLibraryDocument::applyEntries(std::vector<CLibraryEntry> fresh, bool numbersKept)
{
    if (!numbersKept) {
        // Entries that are gone: the old ones that no longer come in their order. What
        // is left is then the start of the fresh list.
        QList<int> removed;
        std::vector<CLibraryEntry> kept;
        std::size_t next = 0;
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (next < fresh.size() && m_entries[i] == fresh[next]) {
                kept.push_back(m_entries[i]);
                ++next;
            } else {
                removed << static_cast<int>(i);
            }
        }
        if (!removed.isEmpty()) {
            m_entries = std::move(kept);
            emit entriesRemoved(removed);
        }
    }
    if (m_entries.size() > fresh.size()) {
        QList<int> removed;
        for (std::size_t i = fresh.size(); i < m_entries.size(); ++i)
            removed << static_cast<int>(i);
        m_entries.resize(fresh.size());
        emit entriesRemoved(removed);
    }
    QList<int> changed;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!(m_entries[i] == fresh[i])) {
            m_entries[i] = fresh[i];
            changed << static_cast<int>(i);
        }
    }
    if (!changed.isEmpty())
        emit entriesChanged(changed);
    if (fresh.size() > m_entries.size()) {
        const int first = count();
        m_entries.insert(m_entries.end(), fresh.begin() + first, fresh.end());
        emit entriesAppended(first, count() - first);
    }
}

bool CLibraryDocument::beginChange(bool numbered)
{
    if (m_lockDepth > 0) {
        ++m_lockDepth;
        return true;
    }
    if (m_path.isEmpty())
        return false; // no file yet
    if (!m_lock)
        m_lock = std::make_unique<CLibraryLock>(m_path);
    QString error;
    if (m_lock->lock(m_lockWaitMs, &error) != CLibraryLock::Result::Locked) {
        m_reporter.showMessage(MessageIcon::Exclamation, error);
        return false;
    }
    m_lockDepth = 1;
    const Sync sync = syncWithFile();
    if (sync == Sync::Failed || (numbered && sync == Sync::Replaced)) {
        if (sync == Sync::Replaced)
            m_reporter.showMessage(MessageIcon::Exclamation,
                                   QStringLiteral("%1 was changed by another program and has been read again; "
                                                  "the entries may have other numbers now, so nothing was changed.")
                                       .arg(QDir::toNativeSeparators(m_path)));
        endChange();
        return false;
    }
    return true;
}

void CLibraryDocument::endChange()
{
    if (m_lockDepth > 0 && --m_lockDepth == 0)
        m_lock->unlock();
}

bool CLibraryDocument::consentToDropTail(qint64 bytes)
{
    if (bytes <= 0 || (m_tailConsent && m_tailConsent(bytes)))
        return true;
    m_reporter.showMessage(MessageIcon::Exclamation,
                           tailText(bytes) + QStringLiteral("; the change would drop them, so it was not made."));
    return false;
}

void CLibraryDocument::noteWritten()
{
    m_known = stateOf(m_path);
}

CLibraryDocument::RefreshResult CLibraryDocument::Refresh()
{
    if (m_path.isEmpty())
        return RefreshResult::Unchanged;
    const FileState now = stateOf(m_path);
    if (!now.valid)
        return RefreshResult::Failed; // gone or renamed: the lines stay as they were
    if (now == m_known)
        return RefreshResult::Unchanged;
    // A writer that holds the lock is not looked at in the middle of its change.
    bool locked = false;
    if (m_lockDepth == 0) {
        if (!m_lock)
            m_lock = std::make_unique<CLibraryLock>(m_path);
        const CLibraryLock::Result got = m_lock->lock(0, nullptr);
        if (got == CLibraryLock::Result::Busy) {
            if (m_refreshTimer)
                m_refreshTimer->start();
            return RefreshResult::Busy;
        }
        locked = got == CLibraryLock::Result::Locked;
    }
    const Sync sync = syncWithFile();
    if (locked)
        m_lock->unlock();
    switch (sync) {
    case Sync::Same:
        return RefreshResult::Unchanged;
    case Sync::Failed:
        return RefreshResult::Failed;
    default:
        return RefreshResult::Updated;
    }
}

void CLibraryDocument::setWatching(bool on)
{
    if (!on) {
        delete m_watcher;
        m_watcher = nullptr;
        return;
    }
    if (!m_refreshTimer) {
        m_refreshTimer = new QTimer(this);
        m_refreshTimer->setSingleShot(true);
        m_refreshTimer->setInterval(kRefreshDelayMs);
        connect(m_refreshTimer, &QTimer::timeout, this, [this] {
            Refresh();
            // A file put in the old one's place is a new file to the watcher.
            if (m_watcher && !m_path.isEmpty() && !m_watcher->files().contains(m_path) && QFileInfo::exists(m_path))
                m_watcher->addPath(m_path);
        });
    }
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &CLibraryDocument::scheduleRefresh);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &CLibraryDocument::scheduleRefresh);
    }
    if (!m_path.isEmpty()) {
        // The folder too: a deletion renames a new file over the library.
        m_watcher->addPath(m_path);
        m_watcher->addPath(QFileInfo(m_path).absolutePath());
    }
}

void CLibraryDocument::scheduleRefresh()
{
    if (m_refreshTimer)
        m_refreshTimer->start();
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
    const Change change(*this, false);
    if (!change.ok())
        return 0;
    // New records go right behind the file's real last whole record, as it is now under
    // the lock (never a count from before): a short rest that a broken write left at the
    // end would otherwise shift every record after it, and a count from before would
    // write over another program's records or leave a gap of zeros. The write is checked
    // to the last byte and synced; a failure puts back what was there and cuts the file
    // to its old size.
    const qint64 oldSize = QFileInfo(m_path).size();
    const qint64 start = oldSize - oldSize % clb::kRecordSize;
    if (!consentToDropTail(oldSize - start))
        return 0;
    QByteArray bytes;
    bytes.reserve(qsizetype(whole.size()) * clb::kRecordSize);
    for (const QByteArray* r : whole)
        bytes.append(*r);
    QString error;
    if (!AtomicFile::writeInPlaceAt(m_path, start, bytes, &error)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + error);
        return 0;
    }
    if (start != qint64(count()) * clb::kRecordSize) {
        // Someone wrote without the lock: the entries are read from the file again.
        syncWithFile();
        return static_cast<int>(whole.size());
    }
    noteWritten();
    m_tailBytes = 0;
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
    const Change change(*this);
    if (!change.ok())
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly)) {
        reportFileError(file);
        return false;
    }
    QByteArray record(clb::kRecordSize, Qt::Uninitialized);
    if (!readAt(file, n, record.data()))
        return false;
    file.close();
    std::memcpy(record.data() + clb::kOffPatch, patch.constData(), clb::kPatchSize);
    clb::setDate(record, now());
    // The record is changed in place, checked and synced; a failure puts it back.
    QString error;
    if (!AtomicFile::writeInPlaceAt(m_path, qint64(n) * clb::kRecordSize, record, &error)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + error);
        return false;
    }
    file.close();
    noteWritten();
    m_entries[static_cast<std::size_t>(n)] = CLibraryEntry::fromRecord(record.constData());
    emit entriesChanged({n});
    return true;
}

bool CLibraryDocument::UpdateMetadata(const std::vector<Metadata>& changes)
{
    if (changes.empty())
        return true;
    const Change change(*this);
    if (!change.ok())
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly)) {
        reportFileError(file);
        return false;
    }
    // The changed records are written in place in one checked, synced write; a failure
    // puts every one of them back.
    std::vector<AtomicFile::Piece> pieces;
    QList<int> changed;
    QByteArray record(clb::kRecordSize, Qt::Uninitialized);
    for (const Metadata& m : changes) {
        if (m.entry < 0 || m.entry >= count())
            continue;
        if (!readAt(file, m.entry, record.data()))
            return false;
        std::memcpy(record.data() + clb::kOffKeys, m.keys.data(), m.keys.size());
        // The comment with its zero; the bytes behind it stay as they were.
        const QByteArray comment = m.comment.left(clb::kMaxComment);
        std::memcpy(record.data() + clb::kOffComment, comment.constData(), static_cast<std::size_t>(comment.size()));
        record[clb::kOffComment + comment.size()] = '\0';
        const QByteArray name = m.name.left(clb::kNameLength).leftJustified(clb::kNameLength, ' ');
        std::memcpy(record.data() + clb::kOffName, name.constData(), clb::kNameLength);
        pieces.push_back({qint64(m.entry) * clb::kRecordSize, QByteArray(record.constData(), record.size())});
        changed << m.entry;
    }
    file.close();
    if (pieces.empty())
        return true;
    QString error;
    if (!AtomicFile::writeInPlace(m_path, pieces, &error)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + error);
        return false;
    }
    noteWritten();
    for (std::size_t i = 0; i < pieces.size(); ++i)
        m_entries[static_cast<std::size_t>(changed[qsizetype(i)])] =
            CLibraryEntry::fromRecord(pieces[i].bytes.constData());
    emit entriesChanged(changed);
    return true;
}

bool CLibraryDocument::DeleteEntries(std::vector<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    numbers.erase(std::remove_if(numbers.begin(), numbers.end(), [this](int n) { return n < 0 || n >= count(); }),
                  numbers.end());
    if (numbers.empty())
        return true;
    const Change change(*this);
    if (!change.ok())
        return false;

    QFile source(m_path);
    if (!source.open(QIODevice::ReadOnly)) {
        reportFileError(source);
        return false;
    }
    // Every whole record the file holds now, under the lock: records another program
    // appended since the entries were read stay.
    const qint64 size = source.size();
    const int records = static_cast<int>(size / clb::kRecordSize);
    if (!consentToDropTail(size % clb::kRecordSize))
        return false;
    AtomicFile target(m_path);
    if (!target.open()) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + target.errorString());
        return false;
    }
    // The kept records, whole and in their order; the deleted ones and a short rest
    // at the end (agreed to above) are left behind.
    QByteArray in(kChunkRecords * clb::kRecordSize, Qt::Uninitialized);
    QByteArray out;
    out.reserve(in.size());
    auto next = numbers.cbegin();
    for (int first = 0; first < records; first += kChunkRecords) {
        const int chunk = std::min(kChunkRecords, records - first);
        const qint64 bytes = qint64(chunk) * clb::kRecordSize;
        if (source.read(in.data(), bytes) != bytes) {
            reportFileError(source);
            target.cancel();
            return false;
        }
        out.clear();
        for (int r = 0; r < chunk; ++r) {
            if (next != numbers.cend() && *next == first + r) {
                ++next;
                continue;
            }
            out.append(in.constData() + qint64(r) * clb::kRecordSize, clb::kRecordSize);
        }
        if (!target.write(out))
            break;
    }
    if (!target.isOpen() || !target.commit()) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + target.errorString());
        return false;
    }
    source.close();
    if (records != count()) {
        // Someone wrote without the lock: the entries are read from the file again.
        syncWithFile();
        return true;
    }
    noteWritten();
    m_tailBytes = 0;
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

bool CLibraryDocument::InsertRecords(const std::vector<int>& numbers, const std::vector<QByteArray>& records)
{
    if (numbers.size() != records.size() || numbers.empty())
        return numbers.size() == records.size();
    const int total = count() + static_cast<int>(numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i)
        if (records[i].size() != clb::kRecordSize || numbers[i] < 0 || numbers[i] >= total
            || (i > 0 && numbers[i] <= numbers[i - 1]))
            return false;

    const Change change(*this);
    if (!change.ok())
        return false;

    QFile source(m_path);
    if (!source.open(QIODevice::ReadOnly)) {
        reportFileError(source);
        return false;
    }
    if (!consentToDropTail(source.size() - qint64(count()) * clb::kRecordSize))
        return false;
    AtomicFile target(m_path);
    if (!target.open()) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + target.errorString());
        return false;
    }
    // The new list, place by place: an inserted record where its number says, else the
    // next old record. A short rest at the end of the old file is left behind.
    QByteArray record(clb::kRecordSize, Qt::Uninitialized);
    QByteArray out;
    out.reserve(kChunkRecords * clb::kRecordSize);
    std::size_t next = 0;
    bool ok = true;
    for (int place = 0; ok && place < total; ++place) {
        if (next < numbers.size() && numbers[next] == place) {
            out.append(records[next++]);
        } else {
            if (source.read(record.data(), clb::kRecordSize) != clb::kRecordSize) {
                reportFileError(source);
                target.cancel();
                return false;
            }
            out.append(record);
        }
        if (out.size() >= kChunkRecords * clb::kRecordSize || place + 1 == total) {
            ok = target.write(out);
            out.clear();
        }
    }
    if (!target.commit()) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + target.errorString());
        return false;
    }
    noteWritten();
    m_tailBytes = 0;
    std::vector<CLibraryEntry> entries;
    entries.reserve(static_cast<std::size_t>(total));
    next = 0;
    std::size_t old = 0;
    for (int place = 0; place < total; ++place) {
        if (next < numbers.size() && numbers[next] == place)
            entries.push_back(CLibraryEntry::fromRecord(records[next++].constData()));
        else
            entries.push_back(m_entries[old++]);
    }
    m_entries = std::move(entries);
    emit entriesInserted(QList<int>(numbers.begin(), numbers.end()));
    return true;
}

bool CLibraryDocument::WriteRecords(const std::vector<int>& numbers, const std::vector<QByteArray>& records)
{
    if (numbers.size() != records.size())
        return false;
    if (numbers.empty())
        return true;
    const Change change(*this);
    if (!change.ok())
        return false;
    // The records go back in place in one checked, synced write; a failure puts every
    // one of them back as it was.
    std::vector<AtomicFile::Piece> pieces;
    QList<int> changed;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const int n = numbers[i];
        if (n < 0 || n >= count() || records[i].size() != clb::kRecordSize)
            continue;
        pieces.push_back({qint64(n) * clb::kRecordSize, records[i]});
        changed << n;
    }
    if (pieces.empty())
        return true;
    QString error;
    if (!AtomicFile::writeInPlace(m_path, pieces, &error)) {
        m_reporter.showMessage(MessageIcon::Exclamation, QString::fromLatin1(kWriteError) + error);
        return false;
    }
    noteWritten();
    for (std::size_t i = 0; i < pieces.size(); ++i)
        m_entries[static_cast<std::size_t>(changed[qsizetype(i)])] =
            CLibraryEntry::fromRecord(pieces[i].bytes.constData());
    emit entriesChanged(changed);
    return true;
}
