#include "bank/ToneloomDoc.h"

#include "bank/BankCommand.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

constexpr int kProbeSize = 9;
constexpr qint64 kInMemoryLimit =
    16 * 1024 * 1024; // far more than any bank // F0 and the 8 bytes that tell whose message it is

const QString kOpenError = QStringLiteral("Error while opening library file:");
const QString kSaveError = QStringLiteral("Error while saving !");
const QString kSendFileTemplate = QStringLiteral("toneloom-send-XXXXXX.syx");

} // namespace

CToneloomDoc::CToneloomDoc(const SynthSettings& settings, CReporter& reporter, QObject* parent)
    : QObject(parent), m_settings(settings), m_reporter(reporter), m_arrays{&m_patches, &m_performances, &m_rhythms}
{
    for (int kind = 0; kind < kKindCount; ++kind)
        m_flags[static_cast<std::size_t>(kind)][0] = kCurrent | kSelected;
}

CToneloomDoc::~CToneloomDoc() = default;

int CToneloomDoc::itemCount(int kind)
{
    switch (kind) {
    case kPatches:
        return CPatchArray::kCount;
    case kPerformances:
        return CPerformanceArray::kCount;
    case kRhythmSets:
        return CRhythmArray::kCount;
    default:
        return 0;
    }
}

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
    for (;;) {
        const qint64 start = file.pos();
        std::uint8_t probe[kProbeSize];
        const qint64 n = file.read(reinterpret_cast<char*>(probe), kProbeSize);
        if (n < 0) {
            if (error)
                *error = file.errorString();
            return false;
        }
        file.seek(start);
        if (n < kProbeSize)
            break; // the end of the file, or a rest too short for a message
        int kind = 0;
        while (kind < kKindCount && !array(kind).IsOwnHeader(probe + 1))
            ++kind;
        if (kind == kKindCount)
            break; // a message of another kind ends the bank
        Run run;
        run.kind = kind;
        run.offset = start;
        run.area = probe[sysex::kOffAddress];
        run.records = array(kind).Load(file, runs ? &run.layouts : nullptr);
        if (run.records < 0) {
            if (error)
                *error = file.errorString();
            return false;
        }
        if (runs)
            runs->push_back(std::move(run));
        if (file.pos() <= start)
            break; // cannot happen with a record accepted above; never loop on it
    }
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
    if (file.size() < kProbeSize) {
        // Too short to hold even the start of one message.
        m_reporter.showMessage(MessageIcon::Exclamation,
                               kOpenError
                                   + QStringLiteral(" %1 is too short to be a System Exclusive file.").arg(path));
        return false;
    }
    QString error;
    bool read = false;
    if (file.size() <= kInMemoryLimit) {
        // Reading steps back after every header; in memory that costs nothing.
        QBuffer buffer;
        buffer.setData(file.readAll());
        if (file.error() != QFileDevice::NoError) {
            error = file.errorString();
        } else {
            buffer.open(QIODevice::ReadOnly);
            read = readBank(buffer, &error);
        }
    } else {
        read = readBank(file, &error);
    }
    if (!read) {
        m_reporter.showMessage(MessageIcon::Exclamation, kOpenError + QLatin1Char(' ') + error);
        return false;
    }
    m_pathName = path;
    setModified(false);
    for (int kind = 0; kind < kKindCount; ++kind)
        emit itemsChanged(kind);
    return true;
}

bool CToneloomDoc::writeBank(QIODevice& file, int which, sysex::MemoryArea area)
{
    const SynthModel model = m_settings.model;
    if (which == kSaveAll) {
        return m_performances.Store(file, model, area) && m_rhythms.Store(file, model, area)
               && m_patches.Store(file, model, area);
    }
    if (which < 0 || which >= kKindCount)
        return false;
    return array(which).Store(file, model, area);
}

bool CToneloomDoc::SaveBank(int which, QString path, sysex::MemoryArea area)
{
    if (path.isEmpty()) {
        if (m_chooseSaveFile)
            path = m_chooseSaveFile();
        if (path.isEmpty())
            return false; // cancelled
    }
    // Written to a temporary file and renamed at the end, so a failure leaves the old file.
    // Only regular files are replaced: renaming over a device or a folder would destroy it.
    const QFileInfo target(path);
    QSaveFile file(path);
    bool written =
        (!target.exists() || target.isFile()) && file.open(QIODevice::WriteOnly) && writeBank(file, which, area);
    if (written)
        written = file.commit();
    else
        file.cancelWriting();
    if (!written) {
        m_reporter.showMessage(MessageIcon::Information, kSaveError);
        return false;
    }
    return true;
}

void CToneloomDoc::addressForSend(sysex::MemoryArea area, std::uint8_t deviceId)
{
    for (int kind = 0; kind < kKindCount; ++kind) {
        CRecordArray& records = array(kind);
        if (area == sysex::MemoryArea::Card)
            records.SetCardMemory();
        else
            records.SetUserMemory();
        records.SetDeviceId(deviceId);
    }
}

bool CToneloomDoc::SaveForSend(int which, sysex::MemoryArea area, std::uint8_t deviceId, const QString& path)
{
    addressForSend(area, deviceId);
    // SaveBank reports a failed write itself ("Error while saving !").
    return SaveBank(which, path, area);
}

std::unique_ptr<QTemporaryFile> CToneloomDoc::SaveForSend(int which, sysex::MemoryArea area, std::uint8_t deviceId)
{
    addressForSend(area, deviceId);
    auto file = std::make_unique<QTemporaryFile>(QDir::temp().filePath(kSendFileTemplate));
    // open() creates the file with O_EXCL and owner-only permissions.
    bool written = file->open() && writeBank(*file, which, area) && file->flush();
    if (written) {
        file->close();
        written = file->error() == QFileDevice::NoError;
    }
    if (!written) {
        m_reporter.showMessage(MessageIcon::Information, kSaveError);
        return nullptr;
    }
    return file;
}

bool CToneloomDoc::OnSaveDocument(const QString& path)
{
    if (!SaveBank(kSaveAll, path))
        return false;
    m_pathName = path;
    setModified(false);
    return true;
}

// ---- Item state ----------------------------------------------------------------------

bool CToneloomDoc::validItem(int kind, int index) const
{
    return index >= 0 && index < itemCount(kind);
}

std::uint32_t CToneloomDoc::flags(int kind, int index) const
{
    if (!validItem(kind, index))
        return 0;
    return m_flags[static_cast<std::size_t>(kind)][static_cast<std::size_t>(index)];
}

void CToneloomDoc::setFlags(int kind, int index, std::uint32_t value)
{
    if (!validItem(kind, index))
        return;
    auto& word = m_flags[static_cast<std::size_t>(kind)][static_cast<std::size_t>(index)];
    if (word == value)
        return;
    word = value;
    emit itemStateChanged(kind, index);
}

int CToneloomDoc::CurrentIndex(int kind) const
{
    for (int i = 0; i < itemCount(kind); ++i) {
        if (flags(kind, i) & kCurrent)
            return i;
    }
    return -1;
}

int CToneloomDoc::SelectedCount(int kind) const
{
    int count = 0;
    for (int i = 0; i < itemCount(kind); ++i) {
        if (flags(kind, i) & kSelected)
            ++count;
    }
    return count;
}

int CToneloomDoc::FirstDropMarked(int kind) const
{
    for (int i = 0; i < itemCount(kind); ++i) {
        if (flags(kind, i) & kDropMark)
            return i;
    }
    return -1;
}

void CToneloomDoc::SetDropMark(int kind, int index, bool on)
{
    const std::uint32_t f = flags(kind, index);
    setFlags(kind, index, on ? (f | kDropMark) : (f & ~kDropMark));
}

void CToneloomDoc::SetSelected(int kind, int index, bool on)
{
    const std::uint32_t f = flags(kind, index);
    setFlags(kind, index, on ? (f | kSelected) : (f & ~kSelected));
}

void CToneloomDoc::SetCurrent(int kind, int index)
{
    if (!validItem(kind, index))
        return;
    for (int i = 0; i < itemCount(kind); ++i)
        setFlags(kind, i, flags(kind, i) & ~kCurrent);
    setFlags(kind, index, flags(kind, index) | kCurrent);
}

void CToneloomDoc::SelectItem(int kind, int index, bool shift, bool control)
{
    if (!validItem(kind, index))
        return;
    const int count = itemCount(kind);
    auto& words = m_flags[static_cast<std::size_t>(kind)];
    const auto before = words;
    auto word = [&](int i) -> std::uint32_t& { return words[static_cast<std::size_t>(i)]; };
    const auto dropCurrentMark = [&] {
        const int cur = CurrentIndex(kind);
        if (cur >= 0)
            word(cur) &= ~kCurrent;
    };

    if (shift) {
        const int cur = CurrentIndex(kind);
        if (cur >= 0 && index > cur) {
            for (int i = cur; i < index; ++i)
                word(i) = kSelected;
        } else if (cur >= 0 && index < cur) {
            for (int i = index; i < cur; ++i)
                word(i) = kSelected;
        }
    } else if (!control) {
        for (int i = 0; i < count; ++i)
            word(i) = 0;
    }

    if (control) {
        if (SelectedCount(kind) <= 1 && index == CurrentIndex(kind)) {
            // The last selected item cannot be taken away.
        } else if (word(index) & kSelected) {
            const bool wasCurrent = (word(index) & kCurrent) != 0;
            word(index) = 0;
            if (wasCurrent) {
                for (int i = 0; i < count; ++i) {
                    if (word(i) & kSelected) {
                        word(i) |= kCurrent;
                        break;
                    }
                }
            }
        } else {
            dropCurrentMark();
            word(index) = kCurrent | kSelected;
        }
    } else {
        dropCurrentMark();
        word(index) = kCurrent | kSelected;
    }

    for (int i = 0; i < count; ++i) {
        if (words[static_cast<std::size_t>(i)] != before[static_cast<std::size_t>(i)])
            emit itemStateChanged(kind, i);
    }
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
