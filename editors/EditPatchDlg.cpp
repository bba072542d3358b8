#include "editors/EditPatchDlg.h"

#include "editors/ControlsPage.h"
#include "editors/CopyToneDlg.h"
#include "editors/EFXDialog.h"
#include "editors/EditEffects.h"
#include "editors/EnvelopePage.h"
#include "editors/SingleCommonDlg.h"
#include "editors/TonePage.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

CEditPatchDlg::CEditPatchDlg(CServices& services, const QByteArray& patch, CPatchSource source, QWidget* parent)
    : CRecordEditDlg(services, params::Editor::Patch, patch, kTabRows, parent), m_source(std::move(source))
{
    setWindowTitle(QString::fromLatin1(kTitle));
    auto* multi = new QGroupBox(QStringLiteral("Multi Edit"), this);
    auto* multiLayout = new QHBoxLayout(multi);
    for (int t = 0; t < CRecordEdit::kTones; ++t) {
        auto* box = new QCheckBox(QStringLiteral("Tone &%1").arg(t + 1), multi);
        m_toneBoxes[static_cast<std::size_t>(t)] = box;
        multiLayout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, &CEditPatchDlg::toneSelectionChanged);
    }
    m_copyTone = makeButton(QStringLiteral("Copy &Tone"));
    connect(m_copyTone, &QPushButton::clicked, this, &CEditPatchDlg::copyTone);
    arrange(nullptr, nullptr, multi, {m_copyTone});
}

std::unique_ptr<CTabPage> CEditPatchDlg::createPage(const params::Tab& tab, CRecordEdit& edit, CServices& services)
{
    switch (tab.page) {
    case params::Page::Common:
        return std::make_unique<CSingleCommonDlg>(edit, services);
    case params::Page::ChorusReverb:
        return std::make_unique<CEditEffects>(edit, services);
    case params::Page::Controls:
        return std::make_unique<CControlsPage>(edit, services);
    case params::Page::Efx:
        return std::make_unique<CEFXDialog>(edit, services);
    case params::Page::PitchEnvelope:
    case params::Page::TvfEnvelope:
    case params::Page::TvaEnvelope:
        return std::make_unique<CEnvelopePage>(edit, services, tab.page);
    default:
        return std::make_unique<CTonePage>(edit, services, tab.page);
    }
}

std::unique_ptr<CTabPage> CEditPatchDlg::createPage(const params::Tab& tab)
{
    return createPage(tab, edit(), services());
}

void CEditPatchDlg::pageCreated(CTabPage& page)
{
    page.setToneSelection(edit().selection());
}

void CEditPatchDlg::toneSelectionChanged()
{
    CRecordEdit::Selection selection{};
    for (int t = 0; t < CRecordEdit::kTones; ++t)
        selection[static_cast<std::size_t>(t)] = m_toneBoxes[static_cast<std::size_t>(t)]->isChecked();
    edit().setSelection(selection);
    if (currentPage())
        currentPage()->setToneSelection(selection);
}

void CEditPatchDlg::copyTone()
{
    CCopyToneDlg dialog(m_source.lines, this);
    if (services().prompter().exec(dialog) != QDialog::Accepted)
        return;
    const int from = dialog.fromTone();
    const int to = dialog.toTone();
    if (from == to || from < 0 || to < 0)
        return;
    storePage();
    const int source = dialog.sourceIndex();
    QByteArray patch = record();
    if (source > 0) {
        if (!m_source.record)
            return;
        patch = m_source.record(source - 1);
    }
    edit().copyTone(patch, from, to);
    reloadPage();
    // The instrument gets the whole patch, whether realtime is on or not.
    sendMessage(edit().temporaryImage());
}
