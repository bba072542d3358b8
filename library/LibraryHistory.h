#pragma once

#include "library/LibraryDocument.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

// The undo and redo of a library. Every change still goes to the file at once; each
// one keeps the whole records it replaced, removed or added, so that Undo puts back
// exactly the bytes that were there, in their places, and Redo does the change again.
// Steps go through the document's change functions.
class CLibraryHistory : public QObject
{
    Q_OBJECT

public:
    explicit CLibraryHistory(CLibraryDocument& document, QObject* parent = nullptr);

    // The changes: each runs on the document and, when it did something, becomes the
    // step Undo takes back. They return what the document's function returns.
    int AppendRecords(const std::vector<QByteArray>& records, const QString& label);
    int AppendPatches(const std::vector<QByteArray>& patches, const QString& label);
    bool DeleteEntries(const std::vector<int>& numbers);
    bool ReplacePatch(int n, const QByteArray& patch);
    // New patches for several entries at once (a variation of the chosen lines): one step.
    bool ReplacePatches(const std::vector<int>& numbers, const std::vector<QByteArray>& patches, const QString& label);
    bool UpdateMetadata(const std::vector<CLibraryDocument::Metadata>& changes);

    bool canUndo() const { return m_position >= 0; }
    bool canRedo() const { return m_position + 1 < static_cast<int>(m_steps.size()); }
    // False when the file could not be changed (the user has been told); the step stays.
    bool Undo();
    bool Redo();
    // The menu texts: "Undo\tCtrl+Z" or "Undo: <label>\tCtrl+Z", likewise for Redo.
    QString undoLabel() const;
    QString redoLabel() const;
    // Forgets every step (the file was changed from outside).
    void clear();

signals:
    // A step was added, undone or redone: the Undo and Redo texts change.
    void historyChanged();

private:
    enum class Kind { Added, Removed, Changed };
    struct Step
    {
        Kind kind = Kind::Changed;
        QString label;
        std::vector<int> numbers;       // ascending: the entries the step touches
        std::vector<QByteArray> before; // Changed: the records as they were
        std::vector<QByteArray> after;  // Changed: as they became; Added/Removed: the records
    };
    void push(Step step);
    // Reads the records of numbers, or nothing when the file could not be read.
    bool read(const std::vector<int>& numbers, std::vector<QByteArray>& records) const;
    bool change(const std::vector<int>& numbers, const QString& label, const std::function<bool()>& run);

    CLibraryDocument& m_document;
    std::vector<Step> m_steps;
    int m_position = -1;
};
