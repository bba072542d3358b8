#include "bank/InitCommand.h"

#include "bank/EditCommand.h"
#include "bank/ToneloomDoc.h"

CInitCommand::CInitCommand(CToneloomDoc& document, ItemKind kind, int index)
    : m_document(document), m_kind(kind), m_index(index), m_saved(document.array(kind).record(index))
{}

void CInitCommand::Do()
{
    m_document.array(m_kind).InitRecord(m_index);
    emit m_document.itemChanged(m_kind, m_index);
}

void CInitCommand::Undo()
{
    m_document.array(m_kind).setRecord(m_index, m_saved);
    emit m_document.itemChanged(m_kind, m_index);
}

QString CInitCommand::GetLabel() const
{
    return QStringLiteral("Init \"") + CEditCommand::imageName(m_saved) + QLatin1Char('"');
}
