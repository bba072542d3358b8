#include "bank/RandomCommand.h"

#include "bank/ToneloomDoc.h"

CRandomCommand::CRandomCommand(CToneloomDoc& document, Randomiser randomise)
    : m_document(document), m_randomise(std::move(randomise))
{}

void CRandomCommand::Do()
{
    CPatchArray& patches = m_document.patches();
    if (m_after.empty()) {
        m_before = patches.allData();
        if (m_randomise)
            m_randomise(patches);
        m_after = patches.allData();
        m_randomise = nullptr; // done once; the result is kept
        emit m_document.itemsChanged(ItemKind::Patches);
    } else {
        restore(m_after);
    }
}

void CRandomCommand::Undo()
{
    if (!m_before.empty())
        restore(m_before);
}

void CRandomCommand::restore(const std::vector<std::uint8_t>& images)
{
    CPatchArray& patches = m_document.patches();
    const int size = patches.GetRecordSize();
    for (int i = 0; i < patches.GetCount(); ++i)
        patches.SetRecord(i, images.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(size));
    emit m_document.itemsChanged(ItemKind::Patches);
}

QString CRandomCommand::GetLabel() const
{
    return QStringLiteral("Random");
}
