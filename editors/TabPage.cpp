#include "editors/TabPage.h"

#include "settings/AppSettings.h"
#include "ui/Services.h"

#include <QApplication>
#include <QComboBox>

CTabPage::CTabPage(CRecordEdit& edit, CServices& services, QWidget* parent)
    : QWidget(parent), m_edit(edit), m_services(services)
{}

void CTabPage::setToneSelection(const CRecordEdit::Selection& selection)
{
    m_selection = selection;
}

bool CTabPage::columnEnabled(int column) const
{
    const bool any = std::any_of(m_selection.begin(), m_selection.end(), [](bool on) { return on; });
    return !any || (column >= 0 && column < CRecordEdit::kTones && m_selection[static_cast<std::size_t>(column)]);
}

void CTabPage::remoteValue(int value, int controller)
{
    if (controller != m_services.settings().midi().remote)
        return;
    // Only a list of this page: the focus may be on the editor's own buttons.
    auto* list = qobject_cast<QComboBox*>(QApplication::focusWidget());
    if (!list || !isAncestorOf(list) || !list->isEnabled())
        return;
    if (value < 0 || value >= list->count())
        return;
    list->setCurrentIndex(value);
    // Lists that act on every choice (a preset chosen again) listen to activated.
    emit list->activated(value);
}
