#pragma once

#include "library/LibraryQuery.h"
#include "ui/CommandTarget.h"
#include "ui/DocumentView.h"

#include <QTreeView>
#include <functional>
#include <memory>
#include <vector>

class CDocTemplate;
class CLibraryDocument;
class CLibraryHistory;
class CLibraryModel;
class CServices;
struct CItemDragData;
class QMenu;

// The window of a library: one line per listed entry with its name, date, comment
// and key texts, sorted by a column and filtered by a search. It copies and pastes
// patches through the copybox, deletes entries, edits their properties and the key
// names, finds double patches, takes patches dragged from banks and lines dragged
// from other libraries, and drags its lines to banks and libraries. It owns its
// document.
class CLibraryView : public QTreeView, public CDocumentView, public CCommandTarget
{
    Q_OBJECT

public:
    static constexpr int kColumnWidth = 100;
    static constexpr const char* kNewFilter = "Library (*.clb)|*.clb|All Files (*.*)|*.*||";
    static constexpr const char* kSuffix = "clb";
    static constexpr const char* kTooManyToDrag =
        "Drag at most %1 patches at a time; copy and paste more through the copybox.";
    static constexpr const char* kOpenElsewhere =
        "%1 is open in a window. Close that window before making a new library in its place.";

    CLibraryView(std::unique_ptr<CLibraryDocument> document, CDocTemplate& docTemplate, CServices& services,
                 QString title, QWidget* parent = nullptr);
    ~CLibraryView() override;

    // A library window: opens path, or for an empty path asks for a new file and
    // creates it. nullptr when cancelled or the file failed (the user has been told).
    // isOpen tells whether a file is shown in a window already.
    static CLibraryView* create(CDocTemplate& docTemplate, CServices& services, const QString& path,
                                const std::function<bool(const QString&)>& isOpen = {});

    CLibraryDocument& document() const { return *m_document; }
    CLibraryModel& listModel() const { return *m_model; }
    CLibraryHistory& history() const { return *m_history; }

    // Entry numbers of the selected lines in list order, and the entry of the line
    // that is both selected and current (-1 when there is none).
    std::vector<int> selectedEntries() const;
    int focusedEntry() const;
    // Selects and makes current the line at list position row (none for 0, as after
    // an update that names no line); entries selects the lines of these entries.
    void selectRow(int row);
    void selectEntries(const std::vector<int>& entries);
    // Sorts by a column of the list (a click on its heading does the same).
    void sortByColumn(int column);

    const CCommandTable& commandTable() const override { return m_table; }
    // The menus of a library window.
    static std::vector<CMenuLayout> menus();

    // Every column and about twenty lines: a new window shows what a line holds.
    QSize sizeHint() const override;
    static constexpr int kHintLines = 20;

    std::unique_ptr<QMenu> createContextMenu();
    CItemDragData dragData() const;
    quint64 windowId() const { return m_windowId; }
    // Sends the patch of entry to the synthesizer's temporary patch.
    void sendEntry(int entry);

    // CDocumentView
    QString documentPath() const override;
    // The file's name and, while a search hides lines, what is shown of how many and by
    // which search: "lib.clb - 12 of 40,213 - Find: \"PAD\" AND Warm".
    QString documentTitle() const override;
    // Every line again; Find still offers the last search.
    void showAll();
    bool isDocumentModified() const override { return false; }
    bool saveDocument(bool) override { return false; } // every change is in the file already
    CDocTemplate* docTemplate() const override { return &m_template; }
    void settingsChanged() override;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    // A double click on a line edits its patch.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The window's commands, once: their texts, keys, states and what they do.
    void declareCommands();
    void notifyCommandState();
    bool hasSelection() const;
    Qt::DropAction dropActionFor(const CItemDragData& data) const;
    // Shows the entries appended from first on as the new selection.
    void selectAppended(int first);

    void copy();
    void paste();
    void deleteSelected();
    void edit();
    void properties();
    void editKeys();
    void find();
    void findDoubles();
    void togglePlayableOnly();
    void importFiles();
    void findSimilar();
    void mutate();
    void exportSelected();
    // Every library window of the program reads the key names again.
    void reloadKeyNamesEverywhere();

    std::unique_ptr<CLibraryDocument> m_document;
    CLibraryModel* m_model = nullptr;
    CLibraryHistory* m_history = nullptr;
    CDocTemplate& m_template;
    CServices& m_services;
    const quint64 m_windowId;
    QString m_title;
    CCommandTable m_table{QStringLiteral("library")};
    CLibrarySearch m_lastSearch;
};
