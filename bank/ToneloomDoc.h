#pragma once

#include "bank/BankReport.h"
#include "model/BankImage.h"
#include "model/Reporter.h"
#include "model/SynthSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTemporaryFile>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CBankCommand;
class QIODevice;

// A bank: 128 patches, 32 performances and 2 rhythm sets, and the command history. Stored as a plain System Exclusive file.
// The document never calls a view; it emits signals that views listen to.
class CToneloomDoc : public QObject
{
    Q_OBJECT

public:
    // What SaveBank writes.
    static constexpr BankPart kSaveAll = kWholeBank;

    CToneloomDoc(const SynthSettings& settings, CReporter& reporter, QObject* parent = nullptr);
    ~CToneloomDoc() override;

    CRecordArray& array(ItemKind kind) { return m_bank.array(kind); }
    const CRecordArray& array(ItemKind kind) const { return m_bank.array(kind); }
    CPatchArray& patches() { return m_bank.patches(); }
    CPerformanceArray& performances() { return m_bank.performances(); }
    CRhythmArray& rhythmSets() { return m_bank.rhythmSets(); }
    static int itemCount(ItemKind kind) { return CBankImage::itemCount(kind); }

    // Reads a .syx file into a new (all-default) document. Messages go to the reporter;
    // returns false when the file could not be read, and the document should be discarded.
    // What was wrong with a file that could be read is in openReport(); the document
    // does not report it, its window or tool does.
    bool OnOpenDocument(const QString& path);
    // SaveBank(kSaveAll, path); on success the document takes path and is not modified.
    bool OnSaveDocument(const QString& path);

    // What reading the file found wrong (clean for a new bank and after a save).
    const CBankReport& openReport() const { return m_openReport; }
    // A bank read with problems is not written back over its file without the user
    // choosing the name: until it was saved once, saving asks for one.
    bool mustChooseFileName() const { return m_mustChooseFileName; }
    // The item holds what was read damaged from the file. The mark stays with the
    // record: it follows a record of its own contents when it moves, and an edit,
    // init or paste over it clears it (undo brings it back).
    bool isDamaged(ItemKind kind, int index) const;
    // The marks of every item of kind, at once (for drawing a whole grid).
    std::vector<bool> damageMap(ItemKind kind) const;
    int damagedCount(ItemKind kind) const;
    // The file was changed by someone else since it was opened or last saved here.
    bool fileChangedOnDisk() const;
    // Writes part of or the whole bank to path (an empty path asks the save-file chooser).
    // The file is replaced only when everything was written; a failure shows
    // "Error while saving !" and leaves any old file as it was.
    bool SaveBank(BankPart which, QString path, sysex::MemoryArea area = sysex::MemoryArea::User);
    // The file a bulk send streams: every record addressed to user or card memory of the
    // synthesizer with deviceId, then SaveBank(which, path, area).
    bool SaveForSend(BankPart which, sysex::MemoryArea area, std::uint8_t deviceId, const QString& path);
    // Where only is given, a send file holds just the records it marks.
    // The same into a new file of the temporary folder that is this send's own: created
    // exclusively under a name nobody can foresee and readable by the user only, so
    // nothing another user planted there is followed or overwritten. The file is closed
    // and goes with the object. Null after "Error while saving !".
    std::unique_ptr<QTemporaryFile> SaveForSend(BankPart which, sysex::MemoryArea area, std::uint8_t deviceId,
                                                const BankSlots* only = nullptr);
    // The same, to any device (performances, rhythm sets, patches for kSaveAll).
    bool writeBank(QIODevice& file, BankPart which, sysex::MemoryArea area = sysex::MemoryArea::User,
                   const BankSlots* only = nullptr);
    using Run = BankRun;
    // Reads a bank file from the device's position into the records (no messages): see
    // CBankImage::read.
    bool readBank(QIODevice& file, QString* error = nullptr, std::vector<Run>* runs = nullptr);

    // The slots of each kind that the opened file held records for (all false for a new bank).
    const BankSlots& heldByFile() const { return m_held; }
    // Per kind, the slots that hold what the file never had: not read from it and still
    // their defaults. A send leaves them out unless asked to send them.
    BankSlots defaultsNotInFile() const;
    // The complement: what a send of what the file holds writes.
    BankSlots sendableSlots() const;
    // Those slots of which (a kind or kSaveAll) in words: "patches 2 to 128, performances
    // 1 to 32"; empty when there are none.
    QString defaultsNotInFileText(BankPart which) const;

    // Asked for a path when SaveBank gets an empty one (with what is saved); an empty
    // answer cancels.
    void setSaveFileChooser(std::function<QString(BankPart which)> chooser) { m_chooseSaveFile = std::move(chooser); }

    QString pathName() const { return m_pathName; }
    void setPathName(const QString& path) { m_pathName = path; }
    bool isModified() const { return m_modified; }
    void setModified(bool modified);
    const SynthSettings& settings() const { return m_settings; }
    CReporter& reporter() const { return m_reporter; }

    // Command history. Every change of the records made by the bank operations goes
    // through ExecuteCommand, so it can be taken back and done again.
    void ExecuteCommand(std::unique_ptr<CBankCommand> command);
    void Undo();
    void Redo();
    bool canUndo() const { return m_position >= 0; }
    bool canRedo() const { return m_position + 1 < static_cast<int>(m_history.size()); }
    // The menu texts: "Undo\tCtrl+Z" or "Undo: <label>\tCtrl+Z", likewise for Redo.
    QString undoLabel() const;
    QString redoLabel() const;
    int historyPosition() const { return m_position; }
    int historySize() const { return static_cast<int>(m_history.size()); }

signals:
    // A command moved items: the windows over the bank select the moved block (the
    // marked items) and make current the current one (none: keep it).
    void selectionMoved(ItemKind kind, const std::vector<bool>& selected, int current);
    // Records of a kind changed; views redraw everything of that kind.
    void itemsChanged(ItemKind kind);
    void modifiedChanged(bool modified);
    // The record of an item was replaced; a view redraws that cell.
    void itemChanged(ItemKind kind, int index);
    // The item should be heard: a view sends it to the synthesizer's temporary area.
    void auditionRequested(ItemKind kind, int index);
    // A command was executed, undone or redone; the Undo and Redo texts change.
    void historyChanged();

private:
    void updateModifiedFromHistory();
    bool validItem(ItemKind kind, int index) const;
    QByteArray contentKey(ItemKind kind, int index) const { return array(kind).contentKey(index); }
    // Size, time and contents of the file as this document last read or wrote it.
    struct FileStamp
    {
        qint64 size = -1;
        QDateTime modified;
        QByteArray hash;
    };
    static FileStamp stampOf(const QString& path);

    const SynthSettings& m_settings;
    CReporter& m_reporter;
    CBankImage m_bank;
    BankSlots m_held;
    std::vector<std::unique_ptr<CBankCommand>> m_history;
    int m_position = -1;
    // The history position at which the records equal the file (after opening or
    // saving); kNoCleanPosition once that state has left the history.
    static constexpr int kNoCleanPosition = -2;
    int m_cleanPosition = -1;
    QString m_pathName;
    bool m_modified = false;
    std::function<QString(BankPart which)> m_chooseSaveFile;
    CBankReport m_openReport;
    bool m_mustChooseFileName = false;
    // Per kind: the contents of the items read damaged, by the index they were read
    // into, and the contents of the items read whole.
    ByKind<QHash<int, QByteArray>> m_damagedAt;
    ByKind<QSet<QByteArray>> m_healthy;
    FileStamp m_stamp;
};
