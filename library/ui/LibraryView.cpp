#include "library/ui/LibraryView.h"
#include "ui/ContextMenu.h"

#include "bank/Copybox.h"
#include "bank/ui/CopyboxDlg.h"
#include "editors/EditPatchDlg.h"
#include "editors/MutateDlg.h"
#include "library/LibraryDocument.h"
#include "library/LibraryExport.h"
#include "library/LibraryHistory.h"
#include "library/LibraryModel.h"
#include "library/ui/DoublePatchesDlg.h"
#include "library/ui/ExportDlg.h"
#include "library/ui/ImportDlg.h"
#include "library/ui/KeysDlg.h"
#include "library/ui/PropertiesDlg.h"
#include "library/ui/SearchDlg.h"
#include "library/ui/SimilarDlg.h"
#include "midi/Midi.h"
#include "settings/AppSettings.h"
#include "ui/CommandTable.h"
#include "ui/DocTemplate.h"
#include "ui/ItemDrag.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>

CLibraryView::CLibraryView(std::unique_ptr<CLibraryDocument> document, CDocTemplate& docTemplate, CServices& services,
                           QString title, QWidget* parent)
    : QTreeView(parent), m_document(std::move(document)), m_template(docTemplate), m_services(services),
      m_windowId(CItemDragData::newWindowId()), m_title(std::move(title))
{
    setObjectName(QStringLiteral("LibraryView"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_document->setParent(nullptr);
    m_document->setKeyNames(CLibraryDocument::ReadKeyNames(m_services.settings()));
    m_document->setUseCategories(m_services.settings().useCategory());
    m_model = new CLibraryModel(*m_document, this);
    m_model->setNames(&m_services.names());
    setModel(m_model);
    // Another window or a script may change the file: the list follows it.
    m_document->setWatching(true);
    m_document->setTailConsent([this](qint64 bytes) {
        return m_services.prompter().ask(m_document->tailText(bytes)
                                         + QStringLiteral(". This change drops them. Go on?"))
               == CPrompter::Answer::Yes;
    });
    m_history = new CLibraryHistory(*m_document, this);
    connect(m_history, &CLibraryHistory::historyChanged, this, &CLibraryView::notifyCommandState);

    // A report list: one row per entry, whole rows selected, no tree.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    header()->setDefaultSectionSize(kColumnWidth);
    header()->setMinimumSectionSize(20);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(libcol::kName, Qt::AscendingOrder);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A date is shown whole whatever the font.
    header()->resizeSection(libcol::kDate,
                            std::max(kColumnWidth, fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 00:00 "))
                                                       + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin)));
    connect(header(), &QHeaderView::sectionClicked, this, &CLibraryView::sortByColumn);
    connect(m_model, &QAbstractItemModel::modelReset, this, &CLibraryView::notifyCommandState);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CLibraryView::notifyCommandState);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &CLibraryView::notifyCommandState);
    // The count of lines shown is part of the title while a search hides some.
    const auto countChanged = [this] {
        if (!m_model->search().isAll())
            emit viewSignals().titleChanged();
    };
    connect(m_model, &QAbstractItemModel::modelReset, this, countChanged);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, countChanged);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, countChanged);
    declareCommands();
}

CLibraryView::~CLibraryView() = default;

CLibraryView* CLibraryView::create(CDocTemplate& docTemplate, CServices& services, const QString& path,
                                   const std::function<bool(const QString&)>& isOpen)
{
    auto document = std::make_unique<CLibraryDocument>(services.prompter());
    QString file = path;
    if (file.isEmpty()) {
        file = services.chooseSaveFile(QString::fromLatin1(kNewFilter), QString::fromLatin1(kSuffix));
        if (file.isEmpty())
            return nullptr;
        // A new library would empty the file under a window that shows it.
        if (isOpen && isOpen(file)) {
            services.prompter().showMessage(MessageIcon::Exclamation,
                                            QString::fromLatin1(kOpenElsewhere).arg(QFileInfo(file).fileName()));
            return nullptr;
        }
        if (!document->Create(file))
            return nullptr;
    } else if (!document->Open(file)) {
        return nullptr;
    } else if (document->tailBytes() > 0) {
        services.prompter().showMessage(MessageIcon::Exclamation,
                                        document->tailText(document->tailBytes())
                                            + QStringLiteral(" (a broken record). It is not listed; a change of the "
                                                             "library asks before dropping it."));
    }
    return new CLibraryView(std::move(document), docTemplate, services, QFileInfo(file).fileName());
}

void CLibraryView::focusInEvent(QFocusEvent* event)
{
    // Where the file system tells nothing of changes (network folders), coming back to
    // the window finds them.
    m_document->Refresh();
    QTreeView::focusInEvent(event);
}

QString CLibraryView::documentPath() const
{
    return m_document->path();
}

void CLibraryView::notifyCommandState()
{
    emit viewSignals().commandStateChanged();
}

void CLibraryView::settingsChanged()
{
    // The installed boards may have changed: a list of playable patches follows them.
    if (m_model->search().playableWith) {
        CLibrarySearch search = m_model->search();
        search.playableWith = m_services.settings().installedBoards();
        m_model->setSearch(search);
    }
    const bool categories = m_services.settings().useCategory();
    m_document->setUseCategories(categories);
    m_document->setKeyNames(CLibraryDocument::ReadKeyNames(m_services.settings()));
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (header()->sectionSize(c) == 0)
            header()->resizeSection(c, kColumnWidth);
    header()->setSortIndicator(std::min(m_model->sortColumn(), m_model->columnCount() - 1), Qt::AscendingOrder);
    notifyCommandState();
}

// ---------------------------------------------------------------- selection

std::vector<int> CLibraryView::selectedEntries() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<int> entries;
    entries.reserve(rows.size());
    for (int row : rows)
        entries.push_back(m_model->entryAt(row));
    return entries;
}

int CLibraryView::focusedEntry() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), {}))
        return -1;
    return m_model->entryAt(current.row());
}

bool CLibraryView::hasSelection() const
{
    return m_model->rowCount() > 0 && selectionModel()->hasSelection();
}

void CLibraryView::selectRow(int row)
{
    selectionModel()->clearSelection();
    if (row <= 0 || row >= m_model->rowCount()) {
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        notifyCommandState();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    notifyCommandState();
}

void CLibraryView::selectEntries(const std::vector<int>& entries)
{
    QItemSelection selection;
    int last = -1;
    for (int entry : entries) {
        const int row = m_model->rowOf(entry);
        if (row < 0)
            continue;
        selection.select(m_model->index(row, 0), m_model->index(row, m_model->columnCount() - 1));
        last = row;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (last >= 0) {
        selectionModel()->setCurrentIndex(m_model->index(last, 0), QItemSelectionModel::NoUpdate);
        scrollTo(m_model->index(last, 0));
    }
    notifyCommandState();
}

void CLibraryView::selectAppended(int first)
{
    std::vector<int> entries;
    for (int e = first; e < m_document->count(); ++e)
        entries.push_back(e);
    selectEntries(entries);
}

void CLibraryView::sortByColumn(int column)
{
    m_model->sort(column);
    header()->setSortIndicator(std::min(column, m_model->columnCount() - 1), Qt::AscendingOrder);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    notifyCommandState();
}

void CLibraryView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    // A line that becomes current is heard at once when the program sends patches.
    if (current.isValid() && (!previous.isValid() || current.row() != previous.row()))
        sendEntry(m_model->entryAt(current.row()));
    notifyCommandState();
}

void CLibraryView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    notifyCommandState();
}

void CLibraryView::sendEntry(int entry)
{
    if (entry < 0 || !m_services.settings().midi().send[ItemKind::Patches])
        return;
    const auto patch = m_document->ReadPatch(entry);
    if (!patch)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_services.midi().SendLong(clb::temporaryPatch(*patch, m_services.settings().synth().deviceId));
    QApplication::restoreOverrideCursor();
}

QSize CLibraryView::sizeHint() const
{
    int width = 0;
    for (int c = 0; c < header()->count(); ++c)
        if (!header()->isSectionHidden(c))
            width += header()->sectionSize(c);
    const int frame = 2 * frameWidth();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int line = std::max(fontMetrics().height() + 4, sizeHintForRow(0));
    return {width + frame + bar, header()->sizeHint().height() + kHintLines * line + frame + bar};
}

// ---------------------------------------------------------------- commands

void CLibraryView::declareCommands()
{
    const auto selection = [this] { return hasSelection(); };
    const auto then = [this](std::function<void()> run) {
        return [this, run = std::move(run)] {
            run();
            notifyCommandState();
        };
    };
    // Every change is written at once: there is nothing to save.
    const auto never = [] { return false; };
    // The history's labels come with the "&" of a name doubled already.
    const auto historyText = [](const QString& label) { return QStringLiteral("&") + label; };
    m_table
        .add({.id = cmd::kEditUndo,
              .text = QStringLiteral("&Undo\tCtrl+Z"),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)},
              .run = then([this] { m_history->Undo(); }),
              .enabled = [this] { return m_history->canUndo(); },
              .label = [this, historyText] { return historyText(m_history->undoLabel()); }})
        .add({.id = cmd::kEditRedo,
              .text = QStringLiteral("&Redo\tCtrl+A"),
              // The keys a bank window redoes with.
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::Key_Y),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
              .run = then([this] { m_history->Redo(); }),
              .enabled = [this] { return m_history->canRedo(); },
              .label = [this, historyText] { return historyText(m_history->redoLabel()); }})
        .add({.id = cmd::kShowAll,
              .text = QStringLiteral("Show A&ll"),
              .tip = QStringLiteral("Show the whole library again"),
              .run = then([this] { showAll(); }),
              .enabled = [this] { return !m_model->search().isAll(); }})
        .add({.id = cmd::kFileSave, .text = QStringLiteral("&Save"), .run = [] {}, .enabled = never})
        .add({.id = cmd::kFileSaveAs, .text = QStringLiteral("Save &As..."), .run = [] {}, .enabled = never})
        .add({.id = cmd::kEditCopy,
              .text = QStringLiteral("&Copy"),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
              .tip = QStringLiteral("Copy the selection into the copybox"),
              .run = then([this] { copy(); }),
              .enabled = selection})
        .add({.id = cmd::kEditPaste,
              .text = QStringLiteral("P&aste..."),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
              .tip = QStringLiteral("Paste from the copybox"),
              .run = then([this] { paste(); })})
        .add({.id = cmd::kEditDelete,
              .text = QStringLiteral("&Delete"),
              .keys = {QKeySequence(Qt::Key_Delete)},
              .tip = QStringLiteral("Delete the selected patches from the library"),
              .run = then([this] { deleteSelected(); }),
              .enabled = selection})
        .add({.id = cmd::kEditItem,
              .text = QStringLiteral("&Edit..."),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_E)},
              .tip = QStringLiteral("Edit the patch of the current line"),
              .run = then([this] { edit(); }),
              .enabled = [this] { return hasSelection() && focusedEntry() >= 0; }})
        .add({.id = cmd::kLibraryProperties,
              .text = QStringLiteral("&Properties..."),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_T)},
              .tip = QStringLiteral("Name, keys and comment of the selected patches"),
              .run = then([this] { properties(); }),
              .enabled = selection})
        .add({.id = cmd::kLibraryKeys,
              .text = QStringLiteral("&Keys..."),
              .tip = QStringLiteral("Name the keys"),
              .run = then([this] { editKeys(); })})
        .add({.id = cmd::kEditFind,
              .text = QStringLiteral("&Find..."),
              .keys = {QKeySequence(Qt::CTRL | Qt::Key_F)},
              .tip = QStringLiteral("Search the library"),
              .run = then([this] { find(); })})
        .add({.id = cmd::kFindDoubles,
              .text = QStringLiteral("F&ind double patches"),
              .tip = QStringLiteral("List the patches of the library that sound the same"),
              .run = then([this] { findDoubles(); })})
        .add({.id = cmd::kFindSimilar,
              .text = QStringLiteral("Find &Similar"),
              .tip = QStringLiteral("List the patches that sound closest to this one"),
              .run = then([this] { findSimilar(); }),
              .enabled = [this] { return hasSelection() && focusedEntry() >= 0; }})
        .add({.id = cmd::kMutate,
              .text = QStringLiteral("&Mutate..."),
              .tip = QStringLiteral("Make variations of the selected patches"),
              .run = then([this] { mutate(); }),
              .enabled = selection})
        .add({.id = cmd::kPlayableOnly,
              .text = QStringLiteral("Only pla&yable Patches"),
              .tip = QStringLiteral("Show only the patches the installed expansion boards can play"),
              .run = then([this] { togglePlayableOnly(); }),
              .checked = [this] { return m_model->search().playableWith.has_value(); }})
        .add({.id = cmd::kLibraryImport,
              .text = QStringLiteral("I&mport into Library..."),
              .tip = QStringLiteral("Add the patches of bank files, MIDI files, libraries and folders"),
              .run = then([this] { importFiles(); })})
        .add({.id = cmd::kLibraryExport,
              .text = QStringLiteral("Expor&t from Library..."),
              .tip = QStringLiteral("Write the selected patches to a bank file or one file each"),
              .run = then([this] { exportSelected(); }),
              .enabled = selection});
    // Sort by: the columns in order, then Category (the first key column). The key
    // columns sort while keys are shown, Category while categories are.
    const QStringList fixed = {QStringLiteral("&Name"), QStringLiteral("&Date"), QStringLiteral("&Comment")};
    for (int i = 0; i <= cmd::kSortColumns; ++i) {
        const bool category = i == cmd::kSortColumns;
        const int column = category ? libcol::kFirstKey : i;
        const QString text = category           ? QStringLiteral("Categor&y")
                             : i < fixed.size() ? fixed[i]
                                                : QStringLiteral("Key &%1").arg(i - libcol::kFirstKey + 1);
        const auto enabled = [this, category, column] {
            if (category)
                return m_document->useCategories();
            return column < libcol::kFirstKey || !m_document->useCategories();
        };
        m_table.add({.id = cmd::sortBy(i),
                     .text = text,
                     .run = then([this, column] { sortByColumn(column); }),
                     .enabled = enabled,
                     .checked = [this, enabled, column] { return enabled() && m_model->sortColumn() == column; }});
    }
    m_table.setMenus(menus());
}

std::vector<CMenuLayout> CLibraryView::menus()
{
    using namespace cmd;
    const CMenuEntry sep = CMenuEntry::separator();
    std::vector<Command> sortBy;
    for (int i = 0; i <= kSortColumns; ++i)
        sortBy.push_back(cmd::sortBy(i));
    return {
        {QStringLiteral("&File"),
         {{kFileNew},
          {kFileOpen},
          {kFileClose},
          sep,
          {kLibraryImport},
          {kLibraryExport},
          sep,
          {kFilePrintSetup},
          {kSettings},
          sep,
          {kFileMru1},
          {kFileMru2},
          {kFileMru3},
          {kFileMru4},
          sep,
          {kAppExit}}},
        {QStringLiteral("&Edit"),
         {{kEditUndo},
          {kEditRedo},
          sep,
          {kEditCopy},
          {kEditPaste},
          sep,
          {kEditDelete},
          sep,
          {kEditItem},
          {kLibraryProperties},
          {kLibraryKeys},
          sep,
          {kEditFind},
          {kShowAll},
          {kFindDoubles},
          {kFindSimilar},
          {kPlayableOnly}}},
        {QStringLiteral("&View"), {{kViewToolbar}, {kViewStatusBar}, sep, {kPianoKeyboard}, {kMidiMonitor}}},
        {QStringLiteral("&Midi"), {{kMidiSetup}, {kFindSynth}, {kInstalledBoards}, {kReceive}, {kStop}, {kBackups}}},
        {QStringLiteral("&Tools"),
         {{kNone, QStringLiteral("&Sort by"), sortBy},
          sep,
          {kMutate},
          sep,
          {kVirtualSynth},
          {kEnvelopePresets},
          {kUseCategories}}},
        {QStringLiteral("&Window"), {{kWindowCascade}, {kWindowTile}}},
        {QStringLiteral("&Help"), {{kAppAbout}}},
    };
}

void CLibraryView::copy()
{
    const auto records = m_document->ReadRecords(selectedEntries());
    if (!records)
        return;
    for (const QByteArray& record : *records)
        m_services.copybox().Add(clb::patchOf(record), ItemKind::Patches);
}

void CLibraryView::paste()
{
    CCopybox& box = m_services.copybox();
    box.setKind(ItemKind::Patches);
    CCopyboxDlg dialog(box, m_services.prompter(), this);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted || box.count(ItemKind::Patches) == 0)
        return;
    const int first = m_document->count();
    if (m_history->AppendPatches(box.chosenImages(ItemKind::Patches), QStringLiteral("Paste")) > 0)
        selectAppended(first);
}

void CLibraryView::deleteSelected()
{
    const std::vector<int> entries = selectedEntries();
    if (entries.empty())
        return;
    const int focusedRow = currentIndex().isValid() ? currentIndex().row() : 0;
    // The lines go before the entries do, so that no line names an entry being deleted.
    selectionModel()->clearSelection();
    if (m_history->DeleteEntries(entries))
        selectRow(focusedRow);
}

void CLibraryView::edit()
{
    const int entry = focusedEntry();
    if (entry < 0)
        return;
    const auto patch = m_document->ReadPatch(entry);
    if (!patch)
        return;
    // The editor works on the instrument's temporary patch: it gets this patch first
    // (in realtime the editor sends it itself).
    if (!m_services.settings().realtime()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_services.midi().SendLong(clb::temporaryPatch(*patch, m_services.settings().synth().deviceId));
        QApplication::restoreOverrideCursor();
    }
    // Copy Tone offers the library's patches in the order of the list.
    CPatchSource source;
    const std::vector<int> listed = m_model->rows();
    source.lines.reserve(static_cast<qsizetype>(listed.size()));
    for (int e : listed)
        source.lines << m_document->name(e);
    source.record = [this, listed](int line) {
        if (line < 0 || line >= static_cast<int>(listed.size()))
            return QByteArray();
        return m_document->ReadPatch(listed[static_cast<std::size_t>(line)]).value_or(QByteArray());
    };
    CEditPatchDlg editor(m_services, *patch, std::move(source), this);
    if (m_services.prompter().exec(editor) != QDialog::Accepted || editor.patch() == *patch)
        return;
    if (m_history->ReplacePatch(entry, editor.patch()))
        selectEntries({entry});
}

void CLibraryView::properties()
{
    const std::vector<int> entries = selectedEntries();
    std::vector<CLibraryDocument::Metadata> changes;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int entry = entries[i];
        CPropertiesDlg dialog(*m_document, entry, this);
        if (m_services.prompter().exec(dialog) != QDialog::Accepted)
            continue;
        changes.push_back({entry, dialog.name(), dialog.keys(), dialog.comment()});
        if (dialog.forAll()) {
            // Every later selected entry takes these keys and this comment and keeps its name.
            for (std::size_t j = i + 1; j < entries.size(); ++j)
                changes.push_back(
                    {entries[j], m_document->name(entries[j]).toLatin1(), dialog.keys(), dialog.comment()});
            break;
        }
        m_history->UpdateMetadata(changes);
        changes.clear();
    }
    m_history->UpdateMetadata(changes);
}

void CLibraryView::editKeys()
{
    // The names as they are stored now: another window may have changed them.
    CKeysDlg dialog(CLibraryDocument::ReadKeyNames(m_services.settings()), this);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    CLibraryDocument::WriteKeyNames(m_services.settings(), dialog.names());
    reloadKeyNamesEverywhere();
}

void CLibraryView::reloadKeyNamesEverywhere()
{
    QList<CLibraryView*> views{this};
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        if (QMdiArea* area = frame->mdiArea())
            for (QMdiSubWindow* sub : area->subWindowList())
                if (auto* view = qobject_cast<CLibraryView*>(sub->widget()); view && view != this)
                    views << view;
    for (CLibraryView* view : views)
        view->m_document->setKeyNames(CLibraryDocument::ReadKeyNames(m_services.settings()));
}

void CLibraryView::find()
{
    CSearchDlg dialog(m_document->keyNames(), this, &m_services.names());
    dialog.setSearch(m_lastSearch);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    m_lastSearch = dialog.search();
    CLibrarySearch search = m_lastSearch;
    // Showing only playable patches is a setting of the window, not of the search.
    search.playableWith = m_model->search().playableWith;
    m_model->setSearch(search);
    emit viewSignals().titleChanged();
}

void CLibraryView::showAll()
{
    CLibrarySearch all;
    all.playableWith = m_model->search().playableWith;
    m_model->setSearch(all);
    emit viewSignals().titleChanged();
}

void CLibraryView::togglePlayableOnly()
{
    CLibrarySearch search = m_model->search();
    if (search.playableWith)
        search.playableWith.reset();
    else
        search.playableWith = m_services.settings().installedBoards();
    m_model->setSearch(search);
    emit viewSignals().titleChanged();
}

QString CLibraryView::documentTitle() const
{
    const CLibrarySearch& search = m_model->search();
    if (search.isAll())
        return m_title;
    const QLocale english(QLocale::English);
    return QStringLiteral("%1 - %2 of %3 - Find: %4")
        .arg(m_title, english.toString(m_model->rowCount()), english.toString(m_document->count()),
             search.text([this](int key) { return m_document->keyNameText(key); }));
}

void CLibraryView::importFiles()
{
    CImportDlg dialog(*m_document, this);
    m_services.prompter().exec(dialog);
}

void CLibraryView::mutate()
{
    const std::vector<int> numbers = selectedEntries();
    if (numbers.empty())
        return;
    CMutateDlg dialog(CMutateDlg::Use::Items, CPatchArray::kTones, this);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    const auto records = m_document->ReadRecords(numbers);
    if (!records)
        return;
    variation::MutateOptions options = dialog.options();
    options.model = m_services.settings().synth().model;
    const std::uint32_t seed = options.seed;
    std::vector<QByteArray> patches;
    for (std::size_t k = 0; k < records->size(); ++k) {
        // Each line its own variation; the seed of the dialog makes them all again.
        options.seed = seed + static_cast<std::uint32_t>(k);
        patches.push_back(variation::mutate(params::Editor::Patch, clb::patchOf((*records)[k]), options));
    }
    m_history->ReplacePatches(numbers, patches, QStringLiteral("Mutate"));
}

void CLibraryView::findSimilar()
{
    const int entry = focusedEntry();
    if (entry < 0)
        return;
    CSimilarDlg dialog(
        *m_document, entry, [this](int found) { selectEntries({found}); }, this);
    if (!dialog.isValid()) {
        m_services.prompter().showMessage(MessageIcon::Exclamation,
                                          QString::fromLatin1(CLibraryDocument::kFileError)
                                              + QStringLiteral("%1 cannot be read").arg(m_document->path()));
        return;
    }
    m_services.prompter().exec(dialog);
}

void CLibraryView::exportSelected()
{
    const std::vector<int> entries = selectedEntries();
    if (entries.empty())
        return;
    const QString title = QStringLiteral("Export from Library");
    CExportDlg dialog(static_cast<int>(entries.size()),
                      static_cast<CExportDlg::Choice>(m_services.settings().synth().model), this);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    const CExportDlg::Choice choice = dialog.choice();
    const bool perPatch = choice == CExportDlg::kOneFilePerPatch;
    if (!perPatch && entries.size() > static_cast<std::size_t>(libexport::kBankPatches)) {
        m_services.prompter().showMessage(
            MessageIcon::Exclamation,
            QStringLiteral("A bank holds 128 patches; select at most 128 to export them as a bank."));
        return;
    }
    const QString target =
        perPatch ? m_services.prompter().getExistingFolder(title)
                 : m_services.prompter().chooseSaveFileName(QStringLiteral("Bank (*.syx)|*.syx|All Files (*.*)|*.*||"),
                                                            QStringLiteral("syx"), title);
    if (target.isEmpty())
        return;
    const auto records = m_document->ReadRecords(entries);
    if (!records)
        return;
    QString error;
    if (perPatch) {
        for (std::size_t i = 0; i < records->size() && error.isEmpty(); ++i) {
            const QByteArray& record = (*records)[i];
            const QString file = QDir(target).filePath(
                libexport::singleFileName(entries[i] + 1, record.mid(clb::kOffName, clb::kNameLength)));
            libexport::writeFile(
                file, libexport::singlePatchBytes(clb::patchOf(record), m_services.settings().synth().deviceId),
                &error);
        }
    } else {
        std::vector<QByteArray> patches;
        for (const QByteArray& record : *records)
            patches.push_back(clb::patchOf(record));
        libexport::writeFile(target, libexport::bankBytes(patches, static_cast<SynthModel>(choice)), &error);
    }
    if (!error.isEmpty())
        m_services.prompter().showMessage(MessageIcon::Exclamation, QStringLiteral("Error while saving !\n") + error);
}

void CLibraryView::findDoubles()
{
    // A click on a group selects its lines, all of them shown.
    CDoublePatchesDlg dialog(
        m_document->path(), m_document->count(), this,
        [this](int entry) { return QByteArray(m_document->entry(entry).name.data(), clb::kNameLength); },
        [this](const std::vector<int>& entries) {
            if (!m_model->search().isAll())
                showAll();
            selectEntries(entries);
        });
    m_services.prompter().exec(dialog);
}

// ---------------------------------------------------------------- context menu

std::unique_ptr<QMenu> CLibraryView::createContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    const auto add = [this, &menu](const QString& text, int id) {
        QAction* a = menu->addAction(text);
        a->setData(id);
        a->setEnabled(commandState(id).enabled);
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    };
    const int selected = static_cast<int>(selectionModel()->selectedRows().size());
    if (selected > 1) {
        add(QStringLiteral("&Copy selected Patches\tCtrl+C"), cmd::kEditCopy);
    } else if (const int focused = focusedEntry(); focused >= 0) {
        // A name's "&" is no mnemonic.
        QString name = m_document->name(focused).left(clb::kNameLength);
        while (name.endsWith(QLatin1Char(' ')))
            name.chop(1);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        add(QStringLiteral("&Copy %1\tCtrl+C").arg(name), cmd::kEditCopy);
    }
    add(QStringLiteral("&Paste...\tCtrl+V"), cmd::kEditPaste);
    add(QStringLiteral("&Find...\tCtrl+F"), cmd::kEditFind);
    if (m_model->rowCount() > 0) {
        menu->addSeparator();
        add(QStringLiteral("&Edit...\tCtrl+E"), cmd::kEditItem);
        add(QStringLiteral("Find &Similar"), cmd::kFindSimilar);
        add(QStringLiteral("&Properties...\tCtrl+T"), cmd::kLibraryProperties);
        menu->addSeparator();
        add(QStringLiteral("&Delete\tDel"), cmd::kEditDelete);
    }
    return menu;
}

void CLibraryView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        runCommand(cmd::kEditItem);
}

void CLibraryView::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu acts on the line it opens on: that line becomes the current one (a
    // selection it belongs to stays).
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = indexAt(viewport()->mapFromGlobal(event->globalPos()));
        if (index.isValid() && index != currentIndex()) {
            const auto flags = selectionModel()->isRowSelected(index.row())
                                   ? QItemSelectionModel::NoUpdate
                                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
            selectionModel()->setCurrentIndex(index, flags);
        }
    }
    popupContextMenu(createContextMenu(), event->globalPos());
    event->accept();
}

// ---------------------------------------------------------------- dragging

CItemDragData CLibraryView::dragData() const
{
    CItemDragData data;
    data.source = CItemDragData::Source::Library;
    data.windowId = m_windowId;
    data.kind = ItemKind::Patches;
    const std::vector<int> entries = selectedEntries();
    if (entries.empty() || static_cast<int>(entries.size()) > CItemDragData::kMaxItems)
        return data;
    const auto records = m_document->ReadRecords(entries);
    if (!records)
        return data;
    data.indexes = entries;
    data.records = *records;
    for (const QByteArray& record : *records)
        data.images.push_back(clb::patchOf(record));
    return data;
}

void CLibraryView::startDrag(Qt::DropActions)
{
    const int selected = static_cast<int>(selectionModel()->selectedRows().size());
    if (selected > CItemDragData::kMaxItems) {
        m_services.prompter().showMessage(MessageIcon::Information,
                                          QString::fromLatin1(kTooManyToDrag).arg(CItemDragData::kMaxItems));
        return;
    }
    const CItemDragData data = dragData();
    if (data.count() == 0)
        return;
    execItemDrag(this, data, Qt::CopyAction);
    notifyCommandState();
}

Qt::DropAction CLibraryView::dropActionFor(const CItemDragData& data) const
{
    if (data.count() == 0 || data.kind != ItemKind::Patches)
        return Qt::IgnoreAction;
    // Lines dropped on their own library would only come back as copies of themselves.
    if (data.source == CItemDragData::Source::Library && data.isFrom(m_windowId))
        return Qt::IgnoreAction;
    return Qt::CopyAction;
}

void CLibraryView::dragEnterEvent(QDragEnterEvent* event)
{
    // Entering decides as moving over the window does.
    dragMoveEvent(event);
}

void CLibraryView::dragMoveEvent(QDragMoveEvent* event)
{
    const auto data = CItemDragData::fromMimeData(event->mimeData());
    if (!data || dropActionFor(*data) == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CLibraryView::dragLeaveEvent(QDragLeaveEvent* event)
{
    event->accept();
}

void CLibraryView::dropEvent(QDropEvent* event)
{
    const auto data = CItemDragData::fromMimeData(event->mimeData());
    if (!data || dropActionFor(*data) == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    const int first = m_document->count();
    int added = 0;
    if (data->source == CItemDragData::Source::Bank || data->records.empty()) {
        // Patches of a bank become new records: keys 1, no comment, the date now.
        added = m_history->AppendPatches(data->images, QStringLiteral("Drop"));
    } else {
        // Lines of another library keep name, keys, comment and patch; the date is now.
        std::vector<QByteArray> records = data->records;
        const QDateTime now = m_document->now();
        for (QByteArray& record : records)
            clb::setDate(record, now);
        added = m_history->AppendRecords(records, QStringLiteral("Drop"));
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (added > 0)
        selectAppended(first);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        if (QMdiArea* area = frame->mdiArea())
            area->setActiveSubWindow(frame);
    setFocus();
    notifyCommandState();
}
