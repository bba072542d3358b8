#include "model/EditHistory.h"

#include <algorithm>

CEditHistory::CEditHistory(const QByteArray& record)
{
    reset(record);
}

void CEditHistory::reset(const QByteArray& record)
{
    m_current = record;
    m_stepStart = record;
    m_depth = 0;
    m_run = nullptr;
    m_undo.clear();
    m_redo.clear();
}

CEditHistory::Step CEditHistory::difference(const QByteArray& before, const QByteArray& after)
{
    Step step;
    const int common = static_cast<int>(std::min(before.size(), after.size()));
    int at = 0;
    while (at < common) {
        if (before[at] == after[at]) {
            ++at;
            continue;
        }
        const int start = at;
        while (at < common && before[at] != after[at])
            ++at;
        step.push_back({start, before.mid(start, at - start), after.mid(start, at - start)});
    }
    // A record that changed its length (never the editors' records) keeps its tail too.
    if (before.size() != after.size())
        step.push_back({common, before.mid(common), after.mid(common)});
    return step;
}

QByteArray CEditHistory::apply(QByteArray record, const Step& step, bool forward)
{
    for (const Run& run : step) {
        const QByteArray& from = forward ? run.before : run.after;
        const QByteArray& to = forward ? run.after : run.before;
        record.replace(run.offset, from.size(), to);
    }
    return record;
}

void CEditHistory::push(const QByteArray& before, const QByteArray& after)
{
    Step step = difference(before, after);
    m_run = nullptr;
    if (step.empty())
        return;
    m_undo.push_back(std::move(step));
    m_redo.clear();
}

bool CEditHistory::record(const QByteArray& record, const void* run)
{
    if (m_depth > 0) {
        m_current = record;
        return record != m_stepStart;
    }
    if (record == m_current)
        return false;
    if (run && run == m_run && !m_undo.empty()) {
        // The run goes on: its step now leads from where the run began to here (none,
        // when it came back to its start).
        Step step = difference(m_runStart, record);
        if (step.empty()) {
            m_undo.pop_back();
            m_run = nullptr;
        } else {
            m_undo.back() = std::move(step);
        }
        m_redo.clear();
        m_current = record;
        return true;
    }
    const QByteArray before = m_current;
    push(before, record);
    m_current = record;
    if (run) {
        m_run = run;
        m_runStart = before;
    }
    return true;
}

void CEditHistory::endRun(const void* run)
{
    if (!run || run == m_run)
        m_run = nullptr;
}

void CEditHistory::beginStep()
{
    m_run = nullptr;
    if (m_depth++ == 0)
        m_stepStart = m_current;
}

void CEditHistory::endStep()
{
    if (m_depth == 0)
        return;
    if (--m_depth == 0)
        push(m_stepStart, m_current);
}

std::optional<QByteArray> CEditHistory::undo()
{
    while (m_depth > 0)
        endStep();
    if (m_undo.empty())
        return std::nullopt;
    m_run = nullptr;
    Step step = std::move(m_undo.back());
    m_undo.pop_back();
    // Runs are undone from the last to the first, so lengths that changed stay in place.
    Step reversed(step.rbegin(), step.rend());
    m_current = apply(m_current, reversed, false);
    m_redo.push_back(std::move(step));
    return m_current;
}

std::optional<QByteArray> CEditHistory::redo()
{
    while (m_depth > 0)
        endStep();
    if (m_redo.empty())
        return std::nullopt;
    m_run = nullptr;
    Step step = std::move(m_redo.back());
    m_redo.pop_back();
    m_current = apply(m_current, step, true);
    m_undo.push_back(std::move(step));
    return m_current;
}
