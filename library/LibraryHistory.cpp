#include "library/LibraryHistory.h"

#include <algorithm>
#include <numeric>

namespace {

// A name in a menu text: an ampersand shows as itself.
QString menuName(const QString& name)
{
    QString text = name.trimmed();
    return QStringLiteral(" \"%1\"").arg(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

} // namespace

CLibraryHistory::CLibraryHistory(CLibraryDocument& document, QObject* parent) : QObject(parent), m_document(document)
{}

void CLibraryHistory::push(Step step)
{
    m_steps.erase(m_steps.begin() + (m_position + 1), m_steps.end());
    m_steps.push_back(std::move(step));
    m_position = static_cast<int>(m_steps.size()) - 1;
    emit historyChanged();
}

void CLibraryHistory::clear()
{
    m_steps.clear();
    m_position = -1;
    emit historyChanged();
}

bool CLibraryHistory::read(const std::vector<int>& numbers, std::vector<QByteArray>& records) const
{
    auto read = m_document.ReadRecords(numbers);
    if (!read)
        return false;
    records = std::move(*read);
    return true;
}

int CLibraryHistory::AppendRecords(const std::vector<QByteArray>& records, const QString& label)
{
    const int first = m_document.count();
    const int added = m_document.AppendRecords(records);
    if (added <= 0)
        return added;
    Step step{Kind::Added, label, std::vector<int>(static_cast<std::size_t>(added)), {}, {}};
    std::iota(step.numbers.begin(), step.numbers.end(), first);
    if (read(step.numbers, step.after))
        push(std::move(step));
    return added;
}

int CLibraryHistory::AppendPatches(const std::vector<QByteArray>& patches, const QString& label)
{
    const int first = m_document.count();
    const int added = m_document.AppendPatches(patches);
    if (added <= 0)
        return added;
    Step step{Kind::Added, label, std::vector<int>(static_cast<std::size_t>(added)), {}, {}};
    std::iota(step.numbers.begin(), step.numbers.end(), first);
    if (read(step.numbers, step.after))
        push(std::move(step));
    return added;
}

bool CLibraryHistory::DeleteEntries(const std::vector<int>& numbers)
{
    Step step{Kind::Removed, QStringLiteral("Delete"), numbers, {}, {}};
    std::sort(step.numbers.begin(), step.numbers.end());
    step.numbers.erase(std::unique(step.numbers.begin(), step.numbers.end()), step.numbers.end());
    step.numbers.erase(std::remove_if(step.numbers.begin(), step.numbers.end(),
                                      [this](int n) { return n < 0 || n >= m_document.count(); }),
                       step.numbers.end());
    if (step.numbers.empty())
        return true;
    if (!read(step.numbers, step.after))
        return false;
    if (step.numbers.size() == 1)
        step.label += menuName(m_document.name(step.numbers.front()));
    if (!m_document.DeleteEntries(step.numbers))
        return false;
    push(std::move(step));
    return true;
}

bool CLibraryHistory::change(const std::vector<int>& numbers, const QString& label, const std::function<bool()>& run)
{
    Step step{Kind::Changed, label, numbers, {}, {}};
    if (!read(step.numbers, step.before))
        return false;
    const bool ok = run();
    // What reached the file stays undoable even when a later write failed.
    if (read(step.numbers, step.after) && step.after != step.before)
        push(std::move(step));
    return ok;
}

bool CLibraryHistory::ReplacePatch(int n, const QByteArray& patch)
{
    if (n < 0 || n >= m_document.count())
        return false;
    const QString label = QStringLiteral("Edit") + menuName(m_document.name(n));
    return change({n}, label, [&] { return m_document.ReplacePatch(n, patch); });
}

bool CLibraryHistory::ReplacePatches(const std::vector<int>& numbers, const std::vector<QByteArray>& patches,
                                     const QString& label)
{
    if (numbers.empty() || numbers.size() != patches.size())
        return false;
    for (int n : numbers)
        if (n < 0 || n >= m_document.count())
            return false;
    std::vector<int> sorted = numbers;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return false;
    return change(sorted, label, [&] {
        // One hold of the lock for all of them: another program sees all or none.
        const CLibraryDocument::Change hold(m_document);
        if (!hold.ok())
            return false;
        for (std::size_t k = 0; k < numbers.size(); ++k)
            if (!m_document.ReplacePatch(numbers[k], patches[k]))
                return false;
        return true;
    });
}

bool CLibraryHistory::UpdateMetadata(const std::vector<CLibraryDocument::Metadata>& changes)
{
    std::vector<int> numbers;
    for (const auto& c : changes)
        if (c.entry >= 0 && c.entry < m_document.count())
            numbers.push_back(c.entry);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    if (numbers.empty())
        return true;
    QString label = QStringLiteral("Properties");
    if (numbers.size() == 1)
        label += menuName(m_document.name(numbers.front()));
    return change(numbers, label, [&] { return m_document.UpdateMetadata(changes); });
}

bool CLibraryHistory::Undo()
{
    if (!canUndo())
        return false;
    const Step& step = m_steps[static_cast<std::size_t>(m_position)];
    bool ok = false;
    switch (step.kind) {
    case Kind::Added:
        ok = m_document.DeleteEntries(step.numbers);
        break;
    case Kind::Removed:
        ok = m_document.InsertRecords(step.numbers, step.after);
        break;
    case Kind::Changed:
        ok = m_document.WriteRecords(step.numbers, step.before);
        break;
    }
    if (ok)
        --m_position;
    emit historyChanged();
    return ok;
}

bool CLibraryHistory::Redo()
{
    if (!canRedo())
        return false;
    const Step& step = m_steps[static_cast<std::size_t>(m_position + 1)];
    bool ok = false;
    switch (step.kind) {
    case Kind::Added:
        // The records go back behind the last entry, where they were added.
        ok = m_document.count() == step.numbers.front() && m_document.AppendRecords(step.after) > 0;
        break;
    case Kind::Removed:
        ok = m_document.DeleteEntries(step.numbers);
        break;
    case Kind::Changed:
        ok = m_document.WriteRecords(step.numbers, step.after);
        break;
    }
    if (ok)
        ++m_position;
    emit historyChanged();
    return ok;
}

QString CLibraryHistory::undoLabel() const
{
    if (!canUndo())
        return QStringLiteral("Undo\tCtrl+Z");
    return QStringLiteral("Undo: ") + m_steps[static_cast<std::size_t>(m_position)].label + QStringLiteral("\tCtrl+Z");
}

QString CLibraryHistory::redoLabel() const
{
    if (!canRedo())
        return QStringLiteral("Redo\tCtrl+A");
    return QStringLiteral("Redo: ") + m_steps[static_cast<std::size_t>(m_position + 1)].label
           + QStringLiteral("\tCtrl+A");
}
