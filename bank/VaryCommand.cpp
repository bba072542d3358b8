#include "bank/VaryCommand.h"

#include "bank/ToneloomDoc.h"

CVaryCommand::CVaryCommand(CToneloomDoc& document, ItemKind kind, std::vector<int> indices,
                           std::vector<QByteArray> newImages, QString label)
    : m_document(document), m_kind(kind), m_indices(std::move(indices)), m_new(std::move(newImages)),
      m_label(std::move(label))
{
    for (int i : m_indices)
        m_old.push_back(m_document.array(m_kind).record(i));
}

void CVaryCommand::Do()
{
    apply(m_new);
}

void CVaryCommand::Undo()
{
    apply(m_old);
}

void CVaryCommand::apply(const std::vector<QByteArray>& images)
{
    CRecordArray& records = m_document.array(m_kind);
    for (std::size_t k = 0; k < m_indices.size() && k < images.size(); ++k)
        records.setRecord(m_indices[k], images[k]);
    // Each record keeps the number and address of its own slot.
    records.Renumber();
    records.RecalcChecksums();
    emit m_document.itemsChanged(m_kind);
}
