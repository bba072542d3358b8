#include "bank/ToneloomDoc.h"

#include "fileio/AtomicFile.h"

#include "bank/BankCommand.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kProbeSize = 9;                       // F0 and the 8 bytes that tell whose message it is
constexpr qint64 kInMemoryLimit = 16 * 1024 * 1024; // far more than any bank

const QString kOpenError = QStringLiteral("Error while opening bank file:");
const QString kSaveError = QStringLiteral("Error while saving !");
const QString kSendFileTemplate = QStringLiteral("toneloom-send-XXXXXX.syx");

} // namespace

CToneloomDoc::CToneloomDoc(const SynthSettings& settings, CReporter& reporter, QObject* parent)
    : QObject(parent), m_settings(settings), m_reporter(reporter)
{
    for (ItemKind kind : kItemKinds)
        m_held[kind].assign(static_cast<std::size_t>(itemCount(kind)), false);
}

CToneloomDoc::~CToneloomDoc() = default;

void CToneloomDoc::setModified(bool modified)
{
    // The records now equal the file, so walking the history back to this point
    // makes the bank unmodified again.
    if (!modified)
        m_cleanPosition = m_position;
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

// ---- Reading and writing -------------------------------------------------------------

bool CToneloomDoc::readBank(QIODevice& file, QString* error, std::vector<Run>* runs)
{
    BankContents contents;
    if (!m_bank.read(file, &contents, error))
        return false;
    if (runs)
        *runs = std::move(contents.runs);
    return true;
}

bool CToneloomDoc::OnOpenDocument(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_reporter.showMessage(MessageIcon::Exclamation,
                               QStringLiteral("Cannot open the file %1:\n%2").arg(path, file.errorString()));
        return false;
    }
    const qint64 fileSize = file.size();
    if (fileSize < kProbeSize) {
        // Too short to hold even the start of one message.
        m_reporter.showMessage(MessageIcon::Exclamation,
                               kOpenError
                                   + QStringLiteral(" %1 is too short to be a System Exclusive file.").arg(path));
        return false;
    }
    QString error;
    bool read = false;
    BankContents contents;
    QByteArray bytes;
    if (fileSize <= kInMemoryLimit) {
        // Reading steps back after every header; in memory that costs nothing.
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            error = file.errorString();
        } else {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            read = m_bank.read(buffer, &contents, &error);
        }
    } else {
        read = m_bank.read(file, &contents, &error);
        // Far more than a bank: its first part is enough to say what is wrong.
        if (read && file.seek(0))
            bytes = file.read(kInMemoryLimit);
    }
    if (!read) {
        m_reporter.showMessage(MessageIcon::Exclamation, kOpenError + QLatin1Char(' ') + error);
        return false;
    }
    m_openReport = CBankReport::analyse(bytes, fileSize, contents);
    m_held = contents.held();
    m_mustChooseFileName = !m_openReport.isClean();
    for (ItemKind kind : kItemKinds) {
        auto& damaged = m_damagedAt[kind];
        auto& healthy = m_healthy[kind];
        damaged.clear();
        healthy.clear();
        for (int index : m_openReport.damagedItems(kind))
            damaged.insert(index, contentKey(kind, index));
        for (int index = 0; index < itemCount(kind); ++index)
            if (!damaged.contains(index))
                healthy.insert(contentKey(kind, index));
    }
    m_pathName = path;
    m_stamp = stampOf(path);
    setModified(false);
    for (ItemKind kind : kItemKinds)
        emit itemsChanged(kind);
    return true;
}

BankSlots CToneloomDoc::defaultsNotInFile() const
{
    BankSlots marks;
    const CBankImage fresh; // every slot's defaults
    for (ItemKind kind : kItemKinds) {
        const auto& held = m_held[kind];
        auto& defaults = marks[kind];
        defaults.assign(static_cast<std::size_t>(itemCount(kind)), false);
        if (m_pathName.isEmpty())
            continue; // a new bank: there is no file to compare with
        for (int i = 0; i < itemCount(kind); ++i)
            defaults[static_cast<std::size_t>(i)] =
                !held[static_cast<std::size_t>(i)] && contentKey(kind, i) == fresh.array(kind).contentKey(i);
    }
    return marks;
}

QString CToneloomDoc::defaultsNotInFileText(BankPart which) const
{
    const BankSlots defaults = defaultsNotInFile();
    QStringList lists;
    for (ItemKind kind : kItemKinds) {
        if (which != kSaveAll && which != kind)
            continue;
        std::vector<int> items;
        for (int i = 0; i < itemCount(kind); ++i)
            if (defaults[kind][static_cast<std::size_t>(i)])
                items.push_back(i);
        if (!items.empty())
            lists << CBankReport::itemList(kind, items);
    }
    return lists.join(QStringLiteral(", "));
}

BankSlots CToneloomDoc::sendableSlots() const
{
    BankSlots marks = defaultsNotInFile();
    for (auto& kind : marks)
        kind.flip();
    return marks;
}

std::vector<bool> CToneloomDoc::damageMap(ItemKind kind) const
{
    const int count = itemCount(kind);
    std::vector<bool> map(static_cast<std::size_t>(std::max(count, 0)), false);
    if (count <= 0 || m_damagedAt[kind].isEmpty())
        return map;
    const auto& damagedAt = m_damagedAt[kind];
    const auto& healthy = m_healthy[kind];
    QSet<QByteArray> damaged;
    for (const QByteArray& key : damagedAt)
        damaged.insert(key);
    std::vector<QByteArray> keys(static_cast<std::size_t>(count));
    QHash<QByteArray, int> occurrences;
    for (int i = 0; i < count; ++i) {
        keys[static_cast<std::size_t>(i)] = contentKey(kind, i);
        ++occurrences[keys[static_cast<std::size_t>(i)]];
    }
    for (int i = 0; i < count; ++i) {
        const QByteArray& key = keys[static_cast<std::size_t>(i)];
        // Still where it was read; or moved, when its contents are its own alone
        // (many items may hold the same contents, a fresh bank's for one).
        const auto at = damagedAt.constFind(i);
        map[static_cast<std::size_t>(i)] =
            (at != damagedAt.cend() && at.value() == key)
            || (damaged.contains(key) && occurrences.value(key) == 1 && !healthy.contains(key));
    }
    return map;
}

bool CToneloomDoc::isDamaged(ItemKind kind, int index) const
{
    if (!validItem(kind, index) || m_damagedAt[kind].isEmpty())
        return false;
    return damageMap(kind)[static_cast<std::size_t>(index)];
}

int CToneloomDoc::damagedCount(ItemKind kind) const
{
    const std::vector<bool> map = damageMap(kind);
    return static_cast<int>(std::count(map.begin(), map.end(), true));
}

CToneloomDoc::FileStamp CToneloomDoc::stampOf(const QString& path)
{
    FileStamp stamp;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return stamp;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return stamp;
    stamp.size = file.size();
    stamp.modified = QFileInfo(path).lastModified();
    stamp.hash = hash.result();
    return stamp;
}

bool CToneloomDoc::fileChangedOnDisk() const
{
    if (m_pathName.isEmpty() || m_stamp.size < 0)
        return false;
    const QFileInfo info(m_pathName);
    if (!info.exists())
        return false; // nothing there that a save would replace
    if (info.size() == m_stamp.size && info.lastModified() == m_stamp.modified)
        return false;
    // A new time alone (a copy put back, a touch) is no change of the bank.
    return stampOf(m_pathName).hash != m_stamp.hash;
}

bool CToneloomDoc::writeBank(QIODevice& file, BankPart which, sysex::MemoryArea area, const BankSlots* only)
{
    return m_bank.write(file, which, m_settings.model, area, only);
}

bool CToneloomDoc::SaveBank(BankPart which, QString path, sysex::MemoryArea area)
{
    if (path.isEmpty()) {
        if (m_chooseSaveFile)
            path = m_chooseSaveFile(which);
        if (path.isEmpty())
            return false; // cancelled
    }
    // Built in memory, then written through the checked, atomic write: a failure leaves
    // the old file, and links and special files are never written through.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    AtomicFile file(path);
    QString reason;
    if (!writeBank(buffer, which, area))
        reason = QStringLiteral("the bank could not be laid out");
    else if (!file.open() || !file.write(bytes) || !file.commit())
        reason = file.cause();
    if (!reason.isEmpty()) {
        m_reporter.showMessage(MessageIcon::Exclamation,
                               kSaveError
                                   + QStringLiteral("\n\n%1 could not be written: %2.\nAn older file of that name "
                                                    "is left as it was.")
                                         .arg(QDir::toNativeSeparators(path), reason));
        return false;
    }
    return true;
}

bool CToneloomDoc::SaveForSend(BankPart which, sysex::MemoryArea area, std::uint8_t deviceId, const QString& path)
{
    m_bank.addressTo(area, deviceId);
    // SaveBank reports a failed write itself ("Error while saving !").
    return SaveBank(which, path, area);
}

std::unique_ptr<QTemporaryFile> CToneloomDoc::SaveForSend(BankPart which, sysex::MemoryArea area, std::uint8_t deviceId,
                                                          const BankSlots* only)
{
    m_bank.addressTo(area, deviceId);
    auto file = std::make_unique<QTemporaryFile>(QDir::temp().filePath(kSendFileTemplate));
    // open() creates the file with O_EXCL and owner-only permissions.
    errno = 0;
    bool written = file->open() && writeBank(*file, which, area, only) && file->flush();
    if (written) {
        file->close();
        written = file->error() == QFileDevice::NoError;
    }
    if (!written) {
        // Which folder and why: a full disk or a file size limit there stops a send too.
        // A write cut short leaves the file's own error text empty; the system's error
        // of the failed call says why.
        const int error = errno;
        QString cause = error != 0 ? AtomicFile::causeText(error) : file->errorString();
        if (cause.isEmpty())
            cause = QStringLiteral("unknown cause");
        cause[0] = cause[0].toLower();
        m_reporter.showMessage(MessageIcon::Information,
                               kSaveError
                                   + QStringLiteral("\n\nThe data to send could not be written to a temporary file "
                                                    "in %1: %2.")
                                         .arg(QDir::toNativeSeparators(QDir::tempPath()), cause));
        return nullptr;
    }
    return file;
}

bool CToneloomDoc::OnSaveDocument(const QString& path)
{
    if (!SaveBank(kSaveAll, path))
        return false;
    m_pathName = path;
    m_mustChooseFileName = false;
    m_stamp = stampOf(path);
    setModified(false);
    return true;
}

// ---- Item state ----------------------------------------------------------------------

bool CToneloomDoc::validItem(ItemKind kind, int index) const
{
    return index >= 0 && index < itemCount(kind);
}

// ---- Command history -----------------------------------------------------------------

void CToneloomDoc::ExecuteCommand(std::unique_ptr<CBankCommand> command)
{
    if (!command)
        return;
    // A new command discards the redo tail; if the saved state lay in it, no position
    // of the history equals the file any more.
    const auto keep = static_cast<std::size_t>(m_position + 1);
    if (m_history.size() > keep) {
        m_history.erase(m_history.begin() + static_cast<std::ptrdiff_t>(keep), m_history.end());
        if (m_cleanPosition > m_position)
            m_cleanPosition = kNoCleanPosition;
    }
    m_history.push_back(std::move(command));
    ++m_position;
    m_history.back()->Do();
    setModified(true);
    emit historyChanged();
}

void CToneloomDoc::Undo()
{
    if (!canUndo())
        return;
    CBankCommand& command = *m_history[static_cast<std::size_t>(m_position)];
    --m_position;
    command.Undo();
    updateModifiedFromHistory();
    emit historyChanged();
}

void CToneloomDoc::Redo()
{
    if (!canRedo())
        return;
    ++m_position;
    m_history[static_cast<std::size_t>(m_position)]->Do();
    updateModifiedFromHistory();
    emit historyChanged();
}

void CToneloomDoc::updateModifiedFromHistory()
{
    // Only the position of the last open or save holds what the file holds; anywhere
    // else closing must ask, or the bank in memory would be lost.
    const bool clean = m_position == m_cleanPosition;
    if (m_modified != !clean) {
        m_modified = !clean;
        emit modifiedChanged(m_modified);
    }
}

QString CToneloomDoc::undoLabel() const
{
    if (!canUndo())
        return QStringLiteral("Undo\tCtrl+Z");
    return QStringLiteral("Undo: ") + m_history[static_cast<std::size_t>(m_position)]->GetLabel()
           + QStringLiteral("\tCtrl+Z");
}

QString CToneloomDoc::redoLabel() const
{
    if (!canRedo())
        return QStringLiteral("Redo\tCtrl+A");
    return QStringLiteral("Redo: ") + m_history[static_cast<std::size_t>(m_position + 1)]->GetLabel()
           + QStringLiteral("\tCtrl+A");
}
