#pragma once

#include "model/ItemKind.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <vector>

class CToneloomDoc;

// Which items of a bank a window has selected, which one is current, and where a drag
// would put its items (the drop marks): the state of a window over a bank, kept apart
// from the bank's records. Given the bank, it follows the moves the bank's history makes
// (a moved block stays selected, also on Undo and Redo).
class CItemSelection : public QObject
{
    Q_OBJECT

public:
    // Item state bits.
    static constexpr std::uint32_t kCurrent = 1u << 0;
    static constexpr std::uint32_t kSelected = 1u << 1;
    static constexpr std::uint32_t kDropMark = 1u << 2;
    static constexpr int kMaxItems = 128;

    // The first item of every kind is current and selected.
    explicit CItemSelection(const CToneloomDoc* document = nullptr, QObject* parent = nullptr);

    std::uint32_t flags(ItemKind kind, int index) const;
    int CurrentIndex(ItemKind kind) const;
    int SelectedCount(ItemKind kind) const;
    bool isSelected(ItemKind kind, int index) const { return (flags(kind, index) & kSelected) != 0; }
    // The selected items of kind, ascending.
    std::vector<int> selectedItems(ItemKind kind) const;
    int FirstDropMarked(ItemKind kind) const;
    void SetDropMark(ItemKind kind, int index, bool on);
    void ClearDropMarks(ItemKind kind);
    void SetSelected(ItemKind kind, int index, bool on);
    void SetCurrent(ItemKind kind, int index);
    // A click on index: alone, with Shift (a run from the current item) or with Control
    // (adds or takes away one item; the last selected item stays).
    void SelectItem(ItemKind kind, int index, bool shift, bool control);
    // Selects exactly the marked items; current (if one) becomes the current item.
    void Select(ItemKind kind, const std::vector<bool>& selected, int current);

signals:
    // The item's state word changed; a view redraws that cell.
    void itemStateChanged(ItemKind kind, int index);

private:
    void setFlags(ItemKind kind, int index, std::uint32_t value);
    static bool validItem(ItemKind kind, int index);

    ByKind<std::array<std::uint32_t, kMaxItems>> m_flags{};
};
