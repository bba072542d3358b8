#pragma once

#include <QByteArray>

#include <cstddef>
#include <optional>
#include <vector>

// The undo and redo steps of one edited record, kept as the byte runs each step changed
// (offset, bytes before, bytes after), so that a long session costs little memory.
//
// The owner reports the record after every change with record(); the difference from the
// record as last seen becomes one step, and a new step drops what could be redone.
// Changes between beginStep() and endStep() (a drag that changes a value on its way, a
// slider that replaces the whole record as it moves) merge into a single step; such
// groups may nest. Changes recorded with the same run key one after the other (digits
// typed into one box, one turn of a knob) merge into one step too, until endRun(), any
// other change, an undo or a redo. undo() and redo() give the record to put in place
// and move the step to the other side.
class CEditHistory
{
public:
    explicit CEditHistory(const QByteArray& record = {});

    // Forgets every step; record is the state steps start from.
    void reset(const QByteArray& record);
    // The record as last seen (the state undo() leads away from).
    const QByteArray& current() const { return m_current; }

    // One change: true when record differs from the record as last seen (inside a group,
    // when it differs from the state the group began with).
    // run: the control the change came from, or none.
    bool record(const QByteArray& record, const void* run = nullptr);
    // The run of run (any run: null) ends; its next change is a step of its own.
    void endRun(const void* run = nullptr);
    void beginStep();
    void endStep();
    bool inStep() const { return m_depth > 0; }

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    std::size_t undoCount() const { return m_undo.size(); }
    std::size_t redoCount() const { return m_redo.size(); }

    // The record before the last step (after the last undone step); empty when there is
    // none. An open group ends first.
    std::optional<QByteArray> undo();
    std::optional<QByteArray> redo();

private:
    struct Run
    {
        int offset = 0;
        QByteArray before;
        QByteArray after;
    };
    using Step = std::vector<Run>;

    static Step difference(const QByteArray& before, const QByteArray& after);
    static QByteArray apply(QByteArray record, const Step& step, bool forward);
    void push(const QByteArray& before, const QByteArray& after);

    QByteArray m_current;
    QByteArray m_stepStart; // the record when the outermost open group began
    int m_depth = 0;
    const void* m_run = nullptr; // the run the last step belongs to, while it may grow
    QByteArray m_runStart;       // the record before the run's first change
    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
};
