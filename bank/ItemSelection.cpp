#include "bank/ItemSelection.h"

#include "bank/ToneloomDoc.h"

#include <algorithm>

CItemSelection::CItemSelection(const CToneloomDoc* document, QObject* parent) : QObject(parent)
{
    for (ItemKind kind : kItemKinds)
        m_flags[kind][0] = kCurrent | kSelected;
    if (document)
        connect(document, &CToneloomDoc::selectionMoved, this, &CItemSelection::Select);
}

bool CItemSelection::validItem(ItemKind kind, int index)
{
    return index >= 0 && index < CToneloomDoc::itemCount(kind);
}

std::uint32_t CItemSelection::flags(ItemKind kind, int index) const
{
    if (!validItem(kind, index))
        return 0;
    return m_flags[kind][static_cast<std::size_t>(index)];
}

void CItemSelection::setFlags(ItemKind kind, int index, std::uint32_t value)
{
    if (!validItem(kind, index))
        return;
    auto& word = m_flags[kind][static_cast<std::size_t>(index)];
    if (word == value)
        return;
    word = value;
    emit itemStateChanged(kind, index);
}

int CItemSelection::CurrentIndex(ItemKind kind) const
{
    for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i) {
        if (flags(kind, i) & kCurrent)
            return i;
    }
    return -1;
}

int CItemSelection::SelectedCount(ItemKind kind) const
{
    return static_cast<int>(selectedItems(kind).size());
}

std::vector<int> CItemSelection::selectedItems(ItemKind kind) const
{
    std::vector<int> items;
    for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i) {
        if (flags(kind, i) & kSelected)
            items.push_back(i);
    }
    return items;
}

int CItemSelection::FirstDropMarked(ItemKind kind) const
{
    for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i) {
        if (flags(kind, i) & kDropMark)
            return i;
    }
    return -1;
}

void CItemSelection::SetDropMark(ItemKind kind, int index, bool on)
{
    const std::uint32_t f = flags(kind, index);
    setFlags(kind, index, on ? (f | kDropMark) : (f & ~kDropMark));
}

void CItemSelection::ClearDropMarks(ItemKind kind)
{
    for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i)
        SetDropMark(kind, i, false);
}

void CItemSelection::SetSelected(ItemKind kind, int index, bool on)
{
    const std::uint32_t f = flags(kind, index);
    setFlags(kind, index, on ? (f | kSelected) : (f & ~kSelected));
}

void CItemSelection::SetCurrent(ItemKind kind, int index)
{
    if (!validItem(kind, index))
        return;
    for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i)
        setFlags(kind, i, flags(kind, i) & ~kCurrent);
    setFlags(kind, index, flags(kind, index) | kCurrent);
}

void CItemSelection::Select(ItemKind kind, const std::vector<bool>& selected, int current)
{
    const int count = std::min(CToneloomDoc::itemCount(kind), static_cast<int>(selected.size()));
    for (int i = 0; i < count; ++i)
        SetSelected(kind, i, selected[static_cast<std::size_t>(i)]);
    if (current >= 0)
        SetCurrent(kind, current);
}

void CItemSelection::SelectItem(ItemKind kind, int index, bool shift, bool control)
{
    if (!validItem(kind, index))
        return;
    const int count = CToneloomDoc::itemCount(kind);
    auto& words = m_flags[kind];
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
