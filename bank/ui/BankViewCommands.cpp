#include "bank/ui/BankViewCommands.h"

#include "bank/BankOperations.h"
#include "bank/Copybox.h"
#include "bank/ToneloomDoc.h"
#include "bank/UsedPatches.h"
#include "bank/ui/CopyEffectDlg.h"
#include "bank/ui/CopyToPatchDlg.h"
#include "bank/ui/CopyboxDlg.h"
#include "bank/ui/RandomDlg.h"
#include "bank/ui/ToneloomView.h"
#include "bank/ui/UsedPatchesDlg.h"
#include "settings/AppSettings.h"
#include "ui/CommandIds.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QCursor>

CBankViewCommands::CBankViewCommands(CToneloomView& view, CServices& services)
    : QObject(&view), m_view(view), m_services(services)
{
    CToneloomDoc& doc = m_view.document();
    connect(&doc, &CToneloomDoc::itemChanged, this, [this](int kind, int index) {
        if (kind == m_view.displayedKind())
            m_view.RedrawItem(index);
    });
    connect(&doc, &CToneloomDoc::itemsChanged, this, [this](int kind) {
        if (kind == m_view.displayedKind())
            m_view.viewport()->update();
    });
    connect(&doc, &CToneloomDoc::auditionRequested, this, [this](int kind, int index) {
        if (kind == m_view.displayedKind())
            m_view.SendItemToSynth(index);
    });
    connect(&doc, &CToneloomDoc::historyChanged, &m_view, &CToneloomView::notifyCommandState);
}

bool CBankViewCommands::handles(int id) const
{
    switch (id) {
    case cmd::kEditCopy:
    case cmd::kEditPaste:
    case cmd::kInit:
    case cmd::kEditUndo:
    case cmd::kEditRedo:
    case cmd::kRandomPatches:
    case cmd::kCopyToPatch:
    case cmd::kCopyEffect:
    case cmd::kShowUsedPatches:
        return true;
    default:
        return false;
    }
}

bool CBankViewCommands::enabled(int id) const
{
    const int kind = m_view.displayedKind();
    if (kind == CToneloomView::kNoKind)
        return false;
    switch (id) {
    case cmd::kEditUndo:
        return m_view.document().canUndo();
    case cmd::kEditRedo:
        return m_view.document().canRedo();
    case cmd::kCopyToPatch:
        return kind == kRhythmSets;
    default:
        return handles(id);
    }
}

QString CBankViewCommands::menuText(int id) const
{
    if (id == cmd::kEditUndo)
        return m_view.document().undoLabel();
    if (id == cmd::kEditRedo)
        return m_view.document().redoLabel();
    return {};
}

void CBankViewCommands::run(int id)
{
    if (!enabled(id))
        return;
    switch (id) {
    case cmd::kEditCopy:
        copy();
        break;
    case cmd::kEditPaste:
        paste();
        break;
    case cmd::kInit:
        CBankOperations(m_view.document()).Init(m_view.displayedKind());
        break;
    case cmd::kEditUndo:
        m_view.document().Undo();
        break;
    case cmd::kEditRedo:
        m_view.document().Redo();
        break;
    case cmd::kRandomPatches:
        randomPatches();
        break;
    case cmd::kCopyToPatch:
        copyToPatch();
        break;
    case cmd::kCopyEffect:
        copyEffect();
        break;
    case cmd::kShowUsedPatches:
        showUsedPatches();
        break;
    default:
        break;
    }
    m_view.notifyCommandState();
}

void CBankViewCommands::copy()
{
    const int kind = m_view.displayedKind();
    CCopybox& box = m_services.copybox();
    box.setKind(kind);
    const CRecordArray& records = m_view.document().array(kind);
    for (int i = 0; i < records.GetCount(); ++i) {
        if (m_view.document().isSelected(kind, i))
            box.Add(records, i);
    }
}

void CBankViewCommands::paste()
{
    const int kind = m_view.displayedKind();
    CCopybox& box = m_services.copybox();
    box.setKind(kind);
    CCopyboxDlg dialog(box, m_services.prompter(), &m_view);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted || box.count(kind) == 0)
        return;
    CBankOperations(m_view.document()).Paste(kind, box.chosenImages(kind));
}

void CBankViewCommands::randomPatches()
{
    CAppSettings& settings = m_services.settings();
    CRandomPatches::Flags flags{};
    for (int g = 0; g < CRandomPatches::kGroupCount; ++g) {
        const QString key = CRandomPatches::settingsKey(static_cast<CRandomPatches::Group>(g));
        for (int t = 0; t < CRandomPatches::kTones; ++t)
            flags[static_cast<std::size_t>(g)][static_cast<std::size_t>(t)] = settings.randomOption(key, t + 1);
    }
    CToneloomDoc& document = m_view.document();
    std::vector<int> selected;
    for (int i = 0; i < document.itemCount(kPatches); ++i)
        if (document.isSelected(kPatches, i))
            selected.push_back(i);
    CRandomDlg dialog(flags, &m_view, static_cast<int>(selected.size()));
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    flags = dialog.flags();
    if (!dialog.selectedOnly())
        selected.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<int> boards = CRandomPatches::installedBoards(settings.midi().boards, settings.synth().model);
    CBankOperations(document).RandomPatches(flags, boards, &m_services.names(), m_random, selected);
    for (int g = 0; g < CRandomPatches::kGroupCount; ++g) {
        const QString key = CRandomPatches::settingsKey(static_cast<CRandomPatches::Group>(g));
        for (int t = 0; t < CRandomPatches::kTones; ++t)
            settings.setRandomOption(key, t + 1, flags[static_cast<std::size_t>(g)][static_cast<std::size_t>(t)]);
    }
    QApplication::restoreOverrideCursor();
    m_view.viewport()->update();
}

QStringList CBankViewCommands::patchLines() const
{
    QStringList lines;
    const CPatchArray& patches = m_view.document().patches();
    for (int i = 0; i < patches.GetCount(); ++i)
        lines << QStringLiteral("%1: %2").arg(i + 1).arg(patches.name(i));
    return lines;
}

void CBankViewCommands::copyToPatch()
{
    CCopyToPatchDlg dialog(patchLines(), m_services.prompter(), &m_view);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    CBankOperations(m_view.document()).CopyToPatch(dialog.keys(), dialog.patchIndex());
}

void CBankViewCommands::copyEffect()
{
    CCopyEffectDlg dialog(m_view.document(), &m_view);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    CBankOperations(m_view.document())
        .CopyEffect(dialog.sourceKind(), dialog.sourceIndex(), dialog.destKind(), dialog.destIndex(),
                    dialog.copyType());
}

void CBankViewCommands::showUsedPatches()
{
    CToneloomDoc& doc = m_view.document();
    CUsedPatchesDlg dialog(CUsedPatches(doc.performances(), doc.patches(), &m_services.names()), &m_view);
    m_services.prompter().exec(dialog);
}
