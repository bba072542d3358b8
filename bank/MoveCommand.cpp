#include "bank/MoveCommand.h"

#include "bank/ToneloomDoc.h"

#include <QByteArray>

CMoveCommand::CMoveCommand(CToneloomDoc& document, ItemKind kind, std::vector<int> order, int first, int count)
    : m_document(document), m_kind(kind), m_order(std::move(order)), m_first(first), m_count(count)
{
    // Only a permutation of every item of the kind is a move; anything else is
    // treated as no move at all rather than duplicating or losing records.
    const auto n = static_cast<std::size_t>(CToneloomDoc::itemCount(kind));
    std::vector<bool> seen(n, false);
    bool valid = m_order.size() == n;
    for (std::size_t p = 0; valid && p < n; ++p) {
        const int i = m_order[p];
        valid = i >= 0 && static_cast<std::size_t>(i) < n && !seen[static_cast<std::size_t>(i)];
        if (valid)
            seen[static_cast<std::size_t>(i)] = true;
    }
    if (!valid) {
        m_order.resize(n);
        for (std::size_t p = 0; p < n; ++p)
            m_order[p] = static_cast<int>(p);
        m_count = 0;
    }
}

void CMoveCommand::Do()
{
    CRecordArray& records = m_document.array(m_kind);
    const int n = static_cast<int>(m_order.size());
    std::vector<QByteArray> images;
    images.reserve(m_order.size());
    for (int p = 0; p < n; ++p)
        images.push_back(records.record(m_order[static_cast<std::size_t>(p)]));
    if (m_kind == ItemKind::Patches) {
        if (m_remapped) {
            CPartReferences::applyChanges(m_document.performances(), m_partChanges, false);
        } else {
            m_partChanges = CPartReferences::RemapPatchNumbers(m_document.performances(), m_order, false);
            m_remapped = true;
        }
    }
    std::vector<bool> selected(m_order.size());
    for (int p = 0; p < n; ++p) {
        records.setRecord(p, images[static_cast<std::size_t>(p)]);
        selected[static_cast<std::size_t>(p)] = inBlock(p);
        if (p != m_order[static_cast<std::size_t>(p)])
            emit m_document.itemChanged(m_kind, p);
    }
    emit m_document.selectionMoved(m_kind, selected, m_count > 0 ? m_first : -1);
    if (m_count > 0)
        emit m_document.auditionRequested(m_kind, m_first);
    if (m_kind == ItemKind::Patches)
        emit m_document.itemsChanged(ItemKind::Performances);
}

void CMoveCommand::Undo()
{
    CRecordArray& records = m_document.array(m_kind);
    const int n = static_cast<int>(m_order.size());
    std::vector<QByteArray> images;
    images.reserve(m_order.size());
    for (int p = 0; p < n; ++p)
        images.push_back(records.record(p));
    if (m_kind == ItemKind::Patches)
        CPartReferences::applyChanges(m_document.performances(), m_partChanges, true);
    std::vector<bool> selected(m_order.size());
    for (int p = 0; p < n; ++p) {
        const int old = m_order[static_cast<std::size_t>(p)];
        records.setRecord(old, images[static_cast<std::size_t>(p)]);
        selected[static_cast<std::size_t>(old)] = inBlock(p);
        if (p != old)
            emit m_document.itemChanged(m_kind, p);
    }
    const int current = m_count > 0 ? m_order[static_cast<std::size_t>(m_first)] : -1;
    emit m_document.selectionMoved(m_kind, selected, current);
    if (m_count > 0)
        emit m_document.auditionRequested(m_kind, current);
    if (m_kind == ItemKind::Patches)
        emit m_document.itemsChanged(ItemKind::Performances);
}

QString CMoveCommand::GetLabel() const
{
    return QStringLiteral("Move Patches");
}
