#include "bank/ui/BankViewCommands.h"

#include "bank/VaryCommand.h"
#include "editors/MutateDlg.h"

#include "bank/BankOperations.h"
#include "bank/Copybox.h"
#include "bank/ToneloomDoc.h"
#include "bank/UsedPatches.h"
#include "bank/VaryCommand.h"
#include "bank/ui/CopyEffectDlg.h"
#include "bank/ui/CopyToPatchDlg.h"
#include "bank/ui/CopyboxDlg.h"
#include "bank/ui/RandomDlg.h"
#include "bank/ui/ToneloomView.h"
#include "bank/ui/UsedPatchesDlg.h"
#include "editors/MutateDlg.h"
#include "settings/AppSettings.h"
#include "ui/CommandTable.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QCursor>
#include <QInputDialog>

CBankViewCommands::CBankViewCommands(CToneloomView& view, CServices& services)
    : QObject(&view), m_view(view), m_services(services)
{
    CToneloomDoc& doc = m_view.document();
    connect(&doc, &CToneloomDoc::itemChanged, this, [this](ItemKind kind, int index) {
        if (kind == m_view.displayedKind())
            m_view.RedrawItem(index);
    });
    connect(&doc, &CToneloomDoc::itemsChanged, this, [this](ItemKind kind) {
        if (kind == m_view.displayedKind())
            m_view.viewport()->update();
    });
    connect(&doc, &CToneloomDoc::auditionRequested, this, [this](ItemKind kind, int index) {
        if (kind == m_view.displayedKind())
            m_view.SendItemToSynth(index);
    });
    connect(&doc, &CToneloomDoc::historyChanged, &m_view, &CToneloomView::notifyCommandState);
}

std::function<void()> CBankViewCommands::then(std::function<void()> run)
{
    return [this, run = std::move(run)] {
        run();
        m_view.notifyCommandState();
    };
}

void CBankViewCommands::declareCommands(CCommandTable& table)
{
    const auto shown = [this] { return m_view.showsKind(); };
    // A history label names an item; an "&" in its name is no mnemonic.
    const auto historyText = [](const QString& label) {
        return QStringLiteral("&") + QString(label).replace(QLatin1Char('&'), QStringLiteral("&&"));
    };
    CToneloomDoc& doc = m_view.document();
    table
        .add({.id = cmd::kEditUndo,
              .text = QStringLiteral("&Undo\tCtrl+Z"),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)},
              .run = then([&doc] { doc.Undo(); }),
              .enabled = [shown, &doc] { return shown() && doc.canUndo(); },
              .label = [historyText, &doc] { return historyText(doc.undoLabel()); }})
        .add({.id = cmd::kEditRedo,
              .text = QStringLiteral("&Redo\tCtrl+A"),
              // Ctrl+A as it always was, and the keys other programs redo with.
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::Key_Y),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
              .run = then([&doc] { doc.Redo(); }),
              .enabled = [shown, &doc] { return shown() && doc.canRedo(); },
              .label = [historyText, &doc] { return historyText(doc.redoLabel()); }})
        .add({.id = cmd::kEditCopy,
              .text = QStringLiteral("&Copy"),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
              .tip = QStringLiteral("Copy the selection into the copybox"),
              .run = then([this] { copy(); }),
              .enabled = shown})
        .add({.id = cmd::kEditPaste,
              .text = QStringLiteral("P&aste..."),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
              .tip = QStringLiteral("Paste from the copybox"),
              .run = then([this] { paste(); }),
              .enabled = shown})
        .add({.id = cmd::kInit,
              .text = QStringLiteral("&Init"),
              .tip = QStringLiteral("Initialise the selected items"),
              .run =
                  then([this] { CBankOperations(m_view.document(), m_view.selection()).Init(m_view.displayedKind()); }),
              .enabled = shown})
        .add({.id = cmd::kEditFind,
              .text = QStringLiteral("&Find..."),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_F)},
              .tip = QStringLiteral("Find an item of the bank by its name"),
              .run = then([this] { find(); }),
              .enabled = shown})
        .add({.id = cmd::kRandomPatches,
              .text = QStringLiteral("&Random Patches..."),
              .run = then([this] { randomPatches(); }),
              .enabled = shown})
        .add({.id = cmd::kMutate,
              .text = QStringLiteral("&Mutate..."),
              .tip = QStringLiteral("Make variations of the selected items"),
              .run = then([this] { mutate(); }),
              .enabled = shown})
        .add({.id = cmd::kCopyToPatch,
              .text = QStringLiteral("&Copy to Patch..."),
              .run = then([this] { copyToPatch(); }),
              .enabled = [this] { return m_view.displayedKind() == ItemKind::RhythmSets; }})
        .add({.id = cmd::kCopyEffect,
              .text = QStringLiteral("Cop&y Effect..."),
              .run = then([this] { copyEffect(); }),
              .enabled = shown})
        .add({.id = cmd::kShowUsedPatches,
              .text = QStringLiteral("&Show used Patches..."),
              .run = then([this] { showUsedPatches(); }),
              .enabled = shown});
}

int CBankViewCommands::findName(const CRecordArray& records, const QString& text, int after)
{
    const int count = records.GetCount();
    if (text.isEmpty() || count == 0)
        return -1;
    for (int step = 1; step <= count; ++step) {
        const int i = ((after < 0 ? -1 : after) + step) % count;
        if (records.name(i).contains(text, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

void CBankViewCommands::find()
{
    const ItemKind kind = m_view.displayedKind();
    QInputDialog dialog(&m_view);
    dialog.setWindowTitle(QStringLiteral("Find"));
    dialog.setLabelText(QStringLiteral("Name contains:"));
    dialog.setTextValue(m_lastFind);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted || dialog.textValue().isEmpty())
        return;
    m_lastFind = dialog.textValue();
    CToneloomDoc& doc = m_view.document();
    const int found = findName(doc.array(kind), m_lastFind, m_view.selection().CurrentIndex(kind));
    if (found < 0) {
        m_services.prompter().showMessage(MessageIcon::Information,
                                          QStringLiteral("No name of the bank's %1 contains \"%2\".")
                                              .arg(kind == ItemKind::Patches        ? QStringLiteral("patches")
                                                   : kind == ItemKind::Performances ? QStringLiteral("performances")
                                                                                    : QStringLiteral("rhythm sets"),
                                                   m_lastFind));
        return;
    }
    // The item found becomes the one current and selected item, as a click makes it.
    m_view.selection().SelectItem(kind, found, false, false);
    m_view.SendItemToSynth(found);
}

void CBankViewCommands::copy()
{
    const ItemKind kind = m_view.displayedKind();
    CCopybox& box = m_services.copybox();
    box.setKind(kind);
    const CRecordArray& records = m_view.document().array(kind);
    for (int i : m_view.selection().selectedItems(kind))
        box.Add(records, i);
}

void CBankViewCommands::paste()
{
    const ItemKind kind = m_view.displayedKind();
    CCopybox& box = m_services.copybox();
    box.setKind(kind);
    CCopyboxDlg dialog(box, m_services.prompter(), &m_view);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted || box.count(kind) == 0)
        return;
    CBankOperations(m_view.document(), m_view.selection()).Paste(kind, box.chosenImages(kind));
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
    std::vector<int> selected = m_view.selection().selectedItems(ItemKind::Patches);
    CRandomDlg dialog(flags, &m_view, static_cast<int>(selected.size()));
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    flags = dialog.flags();
    if (!dialog.selectedOnly())
        selected.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<int> boards = CRandomPatches::installedBoards(settings.midi().boards, settings.synth().model);
    CBankOperations(document, m_view.selection()).RandomPatches(flags, boards, &m_services.names(), m_random, selected);
    for (int g = 0; g < CRandomPatches::kGroupCount; ++g) {
        const QString key = CRandomPatches::settingsKey(static_cast<CRandomPatches::Group>(g));
        for (int t = 0; t < CRandomPatches::kTones; ++t)
            settings.setRandomOption(key, t + 1, flags[static_cast<std::size_t>(g)][static_cast<std::size_t>(t)]);
    }
    QApplication::restoreOverrideCursor();
    m_view.viewport()->update();
}

void CBankViewCommands::mutate()
{
    CToneloomDoc& document = m_view.document();
    const ItemKind kind = m_view.displayedKind();
    std::vector<int> items = m_view.selection().selectedItems(kind);
    if (items.empty() && m_view.selection().CurrentIndex(kind) >= 0)
        items.push_back(m_view.selection().CurrentIndex(kind));
    if (items.empty())
        return;
    CMutateDlg dialog(CMutateDlg::Use::Items, kind == ItemKind::Patches ? CPatchArray::kTones : 0, &m_view);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    variation::MutateOptions options = dialog.options();
    options.model = m_services.settings().synth().model;
    const auto editor = static_cast<params::Editor>(kind);
    std::vector<QByteArray> images;
    const std::uint32_t seed = options.seed;
    for (std::size_t k = 0; k < items.size(); ++k) {
        // Each item its own variation; the seed of the dialog makes them all again.
        options.seed = seed + static_cast<std::uint32_t>(k);
        images.push_back(variation::mutate(editor, document.array(kind).record(items[k]), options));
    }
    document.ExecuteCommand(
        std::make_unique<CVaryCommand>(document, kind, items, std::move(images), QStringLiteral("Mutate")));
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
    CBankOperations(m_view.document(), m_view.selection()).CopyToPatch(dialog.keys(), dialog.patchIndex());
}

void CBankViewCommands::copyEffect()
{
    CCopyEffectDlg dialog(m_view.document(), &m_view);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    CBankOperations(m_view.document(), m_view.selection())
        .CopyEffect(dialog.sourceKind(), dialog.sourceIndex(), dialog.destKind(), dialog.destIndex(),
                    dialog.copyType());
}

void CBankViewCommands::showUsedPatches()
{
    CToneloomDoc& doc = m_view.document();
    CUsedPatchesDlg dialog(CUsedPatches(doc.performances(), doc.patches(), &m_services.names()), &m_view);
    m_services.prompter().exec(dialog);
}
