#include "editors/PerformanceEditDlg.h"

#include "editors/CopyPartDlg.h"
#include "editors/EFXDialog.h"
#include "editors/EditEffects.h"
#include "editors/MultiCommonPage.h"
#include "editors/MultiMixDialog.h"
#include "editors/PartPage.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QPushButton>

CPerformanceEditDlg::CPerformanceEditDlg(CServices& services, const QByteArray& performance,
                                         const QStringList& userPatches, const QStringList& userRhythmSets,
                                         QWidget* parent)
    : CRecordEditDlg(services, params::Editor::Performance, performance, kTabRows, parent)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    edit().setUserNames(userPatches, userRhythmSets);
    m_copyPart = makeButton(QStringLiteral("Copy &Part"));
    connect(m_copyPart, &QPushButton::clicked, this, &CPerformanceEditDlg::copyPart);
    arrange(nullptr, nullptr, nullptr, {m_copyPart});
}

std::unique_ptr<CTabPage> CPerformanceEditDlg::createPage(const params::Tab& tab)
{
    switch (tab.page) {
    case params::Page::Common:
        return std::make_unique<CMultiCommonPage>(edit(), services());
    case params::Page::ChorusReverb:
        return std::make_unique<CEditEffects>(edit(), services());
    case params::Page::Efx:
        return std::make_unique<CEFXDialog>(edit(), services());
    case params::Page::Mix:
        return std::make_unique<CMultiMixDialog>(edit(), services());
    default:
        return std::make_unique<CPartPage>(edit(), services(), tab.index);
    }
}

void CPerformanceEditDlg::copyPart()
{
    CCopyPartDlg dialog(this);
    if (services().prompter().exec(dialog) != QDialog::Accepted)
        return;
    storePage();
    if (!edit().copyBlock(dialog.fromPart(), dialog.toPart()))
        return;
    reloadPage();
    // The instrument gets the whole performance, whether realtime is on or not.
    sendMessage(edit().temporaryImage());
}
