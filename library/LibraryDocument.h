#pragma once

#include "library/LibraryLock.h"
#include "library/LibraryRecord.h"
#include "model/PatchUses.h"
#include "model/Reporter.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CAppSettings;
class QFile;
class QFileSystemWatcher;
class QTimer;

// What a library keeps in memory of each record: the texts and keys the list shows
// and searches, and the category byte of its patch. The patch itself stays in the file.
struct CLibraryEntry
{
    std::array<char, clb::kNameLength> name{};
    std::array<std::uint8_t, clb::kKeyCount> keys{};
    std::array<char, clb::kCommentField> comment{}; // the text runs to its first zero
    std::array<char, clb::kDateField> date{};
    std::uint8_t category = 0;
    patchuses::PatchWaves waves{}; // what the patch plays, computed from its tones

    static CLibraryEntry fromRecord(const char* record);
    bool operator==(const CLibraryEntry&) const = default;
};

// A library of single patches in a ".clb" file: the list of entries in file order
// (the position is the record number) and the 256 key names. Every change is written
// to the file at once; there is no save step and the document is never modified.
// Patches are read from the file when they are needed. The document never calls a
// view: it reports what changed through its signals.
//
// Other programs may change the same file (a second window, a script). Every change is
// made under the library's lock (CLibraryLock); before it the document reads the file
// again if it changed since the document last saw it, so new records always go behind
// the file's real last record and a deletion keeps what others added. A change that
// names entries by number is refused when the file was replaced meanwhile (the numbers
// may name other entries now). Refresh() brings the entries up to date without a change.
class CLibraryDocument : public QObject
{
    Q_OBJECT

public:
    using KeyNames = std::array<QString, clb::kKeyNameCount>;
    using Keys = std::array<std::uint8_t, clb::kKeyCount>;

    static constexpr const char* kCreateError = "Error creating library file.";
    static constexpr const char* kFileError = "Error while opening library file: ";
    static constexpr const char* kWriteError = "Error while writing library file: ";
    static constexpr int kMaxErrorText = 255;

    explicit CLibraryDocument(CReporter& reporter, QObject* parent = nullptr);

    // Creates path empty (an existing file is truncated). False, with "Error creating
    // library file.", when that fails.
    bool Create(const QString& path);
    // Reads every whole record of path. A short rest at the end (a broken record) is not
    // an entry; tailBytes() tells its size.
    bool Open(const QString& path);
    QString path() const { return m_path; }

    // Bytes behind the last whole record when the file was last read (0 for a sound file).
    qint64 tailBytes() const { return m_tailBytes; }
    // Asked before a change would drop a broken tail (an append writes over it, a
    // deletion leaves it behind), with its size; true lets the change go on. Without an
    // answer the change is refused: the bytes may be a record another program is still
    // writing, or what is left of one the user wants to rescue.
    void setTailConsent(std::function<bool(qint64 bytes)> consent) { m_tailConsent = std::move(consent); }
    // The text that names a broken tail: "PATH ends in N bytes that are no whole entry".
    QString tailText(qint64 bytes) const;

    // How long a change waits for another program's lock before it is refused.
    void setLockWait(int ms) { m_lockWaitMs = ms; }
    // Holds the library's lock across several changes (the changes inside take it no
    // second time); an undo that writes several steps stays whole. ok() is false, and
    // the user has been told, when the lock could not be had.
    class Change
    {
    public:
        // numbered: the change names entries by number, and is refused when the file was
        // replaced since the document read it.
        explicit Change(CLibraryDocument& document, bool numbered = true)
            : m_document(document), m_ok(document.beginChange(numbered))
        {}
        ~Change()
        {
            if (m_ok)
                m_document.endChange();
        }
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;
        bool ok() const { return m_ok; }

    private:
        CLibraryDocument& m_document;
        bool m_ok;
    };

    enum class RefreshResult {
        Unchanged,
        Updated, // the entries were read again; the signals told what changed
        Busy,    // another program holds the lock: try again a little later
        Failed,  // the file cannot be read (the user has been told)
    };
    // Reads the file again when it changed since the document last saw it, and reports
    // the difference through entriesRemoved, entriesChanged and entriesAppended, so
    // lists keep their selection. Never waits for another program's lock.
    RefreshResult Refresh();
    // Watches the file and refreshes by itself shortly after it changed (for windows).
    void setWatching(bool on);

    int count() const { return static_cast<int>(m_entries.size()); }
    const CLibraryEntry& entry(int n) const { return m_entries[static_cast<std::size_t>(n)]; }
    const std::vector<CLibraryEntry>& entries() const { return m_entries; }

    // Texts of entry n for the list.
    QString name(int n) const;
    QString date(int n) const;
    QString comment(int n) const;
    // The text of key slot (0..7): the key's name ("No Selection" shows as nothing),
    // or the category name of the patch for every slot while categories are shown.
    QString keyText(int n, int slot) const;
    QString categoryName(int n) const;

    // The names of the keys and groups, and whether the JV-2080 categories stand in
    // for the keys.
    const KeyNames& keyNames() const { return m_keyNames; }
    void setKeyNames(const KeyNames& names);
    // The text of key number k (0..255) as the list shows it.
    QString keyNameText(int key) const;
    bool useCategories() const { return m_useCategories; }
    void setUseCategories(bool on);
    // The key names of the settings file, section "LIBRARY", "Key0" .. "Key255".
    static KeyNames ReadKeyNames(const CAppSettings& settings);
    static void WriteKeyNames(CAppSettings& settings, const KeyNames& names);

    // Reading from the file. Nothing (and the error shown) when the file cannot be read.
    std::optional<QByteArray> ReadRecord(int n) const;
    std::optional<QByteArray> ReadPatch(int n) const;
    // Several records with one opening of the file, in the order of numbers.
    std::optional<std::vector<QByteArray>> ReadRecords(const std::vector<int>& numbers) const;

    // Appends whole records (750 bytes each; others are skipped) after the last whole
    // record of the file. Either all are added or, after a file error, none: the file
    // is cut back to what it held. Returns the number added.
    int AppendRecords(const std::vector<QByteArray>& records);
    // Appends each patch image (645 bytes) as a new record: keys 1, no comment, date now.
    int AppendPatches(const std::vector<QByteArray>& patches);
    // Puts an edited patch in place of entry n's and renews its date; keys and comment stay.
    bool ReplacePatch(int n, const QByteArray& patch);

    struct Metadata
    {
        int entry = 0;
        QByteArray name; // up to 12 characters, padded with blanks when written
        Keys keys{};
        QByteArray comment; // up to 79 characters
    };
    // Writes name, keys and comment of one or more entries with one opening of the file;
    // the date stays. All of them or, on a file error, none.
    bool UpdateMetadata(const std::vector<Metadata>& changes);

    // Deletes entries (numbers in any order, repeats allowed). The kept records are
    // written to a new file that then takes the old one's place, so the file is always
    // either the old or the new library. The numbers of later entries shrink.
    bool DeleteEntries(std::vector<int> numbers);

    // Puts whole records back where entries were deleted: numbers (ascending) are the
    // places the records take in the new list, so that the deletion of exactly these
    // numbers is taken back. Written like a deletion: the file is either the old or the
    // new library.
    bool InsertRecords(const std::vector<int>& numbers, const std::vector<QByteArray>& records);
    // Writes whole records (750 bytes each) over entries, in place, with one opening of
    // the file. Stops at the first file error (what was written before stays).
    bool WriteRecords(const std::vector<int>& numbers, const std::vector<QByteArray>& records);

    // The clock of new dates (tests set their own).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    QDateTime now() const { return m_clock(); }

signals:
    // count entries were appended from number first on.
    void entriesAppended(int first, int count);
    // The name, keys, comment, date or patch of these entries changed.
    void entriesChanged(const QList<int>& numbers);
    // These entries (ascending, numbers from before the deletion) are gone.
    void entriesRemoved(const QList<int>& numbers);
    // These entries (ascending, numbers after the insertion) came in; later entries moved up.
    void entriesInserted(const QList<int>& numbers);
    // Key names or the use of categories changed: every key text may read differently.
    void keyTextsChanged();

private:
    // What the document knows of its file, to see whether someone else changed it.
    struct FileState
    {
        bool valid = false;
        qint64 size = 0;
        qint64 modified = 0; // nanoseconds
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileState&) const = default;
    };
    enum class Sync { Same, Grown, Replaced, Failed };

    static FileState stateOf(const QString& path);
    // Reads every whole record of file from its start.
    bool readEntries(QFile& file, std::vector<CLibraryEntry>& entries, qint64& tail) const;
    // Reads the file again when it is not as last seen and tells the difference.
    Sync syncWithFile();
    void applyEntries(std::vector<CLibraryEntry> fresh, bool numbersKept);
    // Takes the lock (once for nested changes) and reads the file again when it changed.
    // A numbered change is refused when the file was replaced meanwhile.
    bool beginChange(bool numbered);
    void endChange();
    // Asks about a broken tail of bytes; false (and the user told) to refuse.
    bool consentToDropTail(qint64 bytes);
    void noteWritten();
    void scheduleRefresh();
    void reportFileError(const QFile& file) const;
    bool readAt(QFile& file, int n, char* record) const;

    CReporter& m_reporter;
    QString m_path;
    std::vector<CLibraryEntry> m_entries;
    KeyNames m_keyNames;
    bool m_useCategories = false;
    std::function<QDateTime()> m_clock;
    std::function<bool(qint64)> m_tailConsent;
    qint64 m_tailBytes = 0;
    FileState m_known;
    std::unique_ptr<CLibraryLock> m_lock;
    int m_lockDepth = 0;
    int m_lockWaitMs = CLibraryLock::kDefaultWaitMs;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_refreshTimer = nullptr;
};
