#pragma once

#include "bank/BankCommand.h"
#include "bank/PartReferences.h"
#include "model/RecordLayout.h"

#include <vector>

class CToneloomDoc;

// Reorders the items of one kind. order[p] is the old index of the item that ends up
// at position p; the moved items form the block first .. first + count - 1 of the
// new order. Moving patches renumbers the patch references of the bank's
// performances, so they go on playing the same sounds.
//
// The part references are worked out once, when the move is first done; Undo and Redo
// put back and apply exactly those changes. Working them out again would go wrong
// when the bank's memory area changed in between (a send to card memory, or a save of
// a bank that came from a card, rewrites the performances' addresses).
//
// After Do the moved items are selected in their new places, the first one current
// and auditioned; after Undo they are selected in their old places likewise.
class CMoveCommand : public CBankCommand
{
public:
    CMoveCommand(CToneloomDoc& document, ItemKind kind, std::vector<int> order, int first, int count);

    void Do() override;
    void Undo() override;
    QString GetLabel() const override;

    const std::vector<int>& order() const { return m_order; }

private:
    bool inBlock(int position) const { return position >= m_first && position < m_first + m_count; }

    CToneloomDoc& m_document;
    ItemKind m_kind;
    std::vector<int> m_order;
    int m_first;
    int m_count;
    bool m_remapped = false;
    std::vector<CPartReferences::Change> m_partChanges;
};
