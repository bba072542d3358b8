#pragma once

#include "bank/ItemSelection.h"
#include "model/ItemKind.h"
#include "ui/CommandTarget.h"
#include "ui/DocumentView.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>
#include <set>

class CBankViewCommands;
class CDocTemplate;
class CServices;
class CToneloomDoc;
struct CItemDragData;
class QMenu;
class QPainter;
class QPrinter;

// The window of a bank: one kind of item at a time (128 patches, 32 performances or
// 2 rhythm sets) as a grid of numbered names filled column by column. It selects
// items through the document's click rules, auditions the current item, starts the
// bank commands, drags items to other windows and takes the items dragged onto it.
// It owns its document.
class CToneloomView : public QAbstractScrollArea, public CDocumentView, public CCommandTarget
{
    Q_OBJECT

public:
    static constexpr int kCellPadding = 6; // added to the measured text, both ways
    static constexpr int kTextInset = 3;
    static constexpr double kDragDistance = 6.0;
    static constexpr ByKind<int> kRowsPerColumn{{16, 16, 2}};
    static constexpr const char* kFontFace = "Times New Roman";
    static constexpr const char* kMeasureText = "LILITH SINGS WOND";
    static constexpr const char* kWriteQuestion =
        "This will overwrite the Patch, Performance or Rhythm you selected in your synth. This operation can not "
        "be undone. Do you want to execute it ?";
    static constexpr const char* kSaveFilter = "System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||";

    CToneloomView(std::unique_ptr<CToneloomDoc> document, CDocTemplate& docTemplate, CServices& services, QString title,
                  QWidget* parent = nullptr);
    ~CToneloomView() override;

    CToneloomDoc& document() { return *m_document; }
    // The window's selected and current items and drop marks.
    CItemSelection& selection() { return *m_selection; }
    // The bank operations of this window (copybox, init, undo and redo, drops, ...).
    CBankViewCommands& bankCommands() { return *m_commands; }
    // The kind on show (the patches before the window's first update, when none is).
    ItemKind displayedKind() const { return m_kind.value_or(ItemKind::Patches); }
    bool showsKind() const { return m_kind.has_value(); }

    // Shows the patches, measures the font and fits the window to the grid.
    void initialUpdate();
    void RefreshFont();
    // Shows kind: sends the synthesizer's mode switch and auditions the current item.
    void switchKind(ItemKind kind);

    // Geometry in logical (unscrolled) coordinates.
    static int rowsPerColumn(ItemKind kind) { return kRowsPerColumn[kind]; }
    QSize cellSize() const { return m_cell; }
    QSize totalSize(ItemKind kind) const;
    // The cell and the whole grid of kind in the bank windows' font of fontSize.
    static QSize cellSizeFor(int fontSize);
    static QSize gridSize(int fontSize, ItemKind kind);
    static QFont cellFont(int fontSize);
    // The whole grid of the shown kind with the window's frame.
    QSize sizeHint() const override;
    QRect cellRect(int index) const;
    int HitTest(const QPoint& logical) const;
    QPoint scrollPosition() const;

    void RedrawItem(int index);
    void SendItemToSynth(int index);
    // How long the current item must stay after a move by key before it is sent.
    static constexpr int kKeySendDelayMs = 250;
    // Whether a move by key waits to send the current item.
    bool keySendPending() const { return m_keySend.isActive(); }
    // Tells the frame that the state of this window's commands may have changed.
    void notifyCommandState();

    // Commands of the menus, the toolbar and the context menu.
    const CCommandTable& commandTable() const override { return m_table; }
    // The menus of a bank window.
    static std::vector<CMenuLayout> menus();

    // The whole grid of the shown kind scaled onto one page.
    void print(QPrinter* printer);
    // What was wrong with a damaged item when it was read (its tool tip); empty for
    // an item that is not damaged.
    QString damageNote(int index) const;
    // Write's question: which item of which memory of the synth it overwrites.
    QString writeQuestion() const;
    // The title of the file chooser of a save of which (CToneloomDoc::Which).
    static QString saveTitle(BankPart which);
    // The right button's menu (shown by a right click; built here for its texts).
    std::unique_ptr<QMenu> createContextMenu();

    // The items a drag of this view's selection carries.
    CItemDragData dragData() const;
    bool isDragging() const { return m_dragging; }
    quint64 windowId() const { return m_windowId; }

    // CDocumentView
    QString documentPath() const override;
    QString documentTitle() const override { return m_title; }
    bool isDocumentModified() const override;
    bool saveDocument(bool saveAs) override;
    CDocTemplate* docTemplate() const override { return &m_template; }
    void settingsChanged() override;
    // The patch needs an expansion board the synthesizer lacks (Midi > Installed Boards).
    bool needsMissingBoard(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The window's commands, once: their texts, keys, states and what they do.
    void declareCommands();
    // forPrint: the items alone, without the selection, the current item's frame and
    // the marks of the screen.
    void drawCell(QPainter& painter, int index, bool damaged, bool forPrint = false) const;
    void drawAll(QPainter& painter, bool forPrint = false) const;
    void updateScrollBars();
    void fitFrameToGrid();
    QPoint toLogical(const QPoint& viewportPoint) const;
    int itemCount() const;
    void sendModeMessage();
    void sendLong(const QByteArray& bytes);

    // Dragging this view's items, and taking the items dragged onto it.
    void startDrag(Qt::KeyboardModifiers modifiers);
    // The action a drop of data here would be: a move within this bank, a copy from
    // elsewhere, or none when this view takes no such items.
    Qt::DropAction dropActionFor(const CItemDragData& data) const;
    void updateDropMarks(const QPoint& logical, int draggedCount);
    void clearDropMarks();
    void scrollNear(const QPoint& viewportPoint);

    void copyNamesToClipboard();
    void copySysexToClipboard();
    // Edit: the current item in its editor; OK makes one undoable edit of the bank.
    void editCurrent();
    void writeCurrent();
    void sendDialog();
    void saveKind(ItemKind kind);
    void printWithDialog();
    void printPreview();

    std::unique_ptr<CToneloomDoc> m_document;
    std::unique_ptr<CItemSelection> m_selection;
    CBankViewCommands* m_commands = nullptr; // a child of this window
    CCommandTable m_table{QStringLiteral("bank")};
    CDocTemplate& m_template;
    CServices& m_services;
    const quint64 m_windowId;
    QString m_title;
    std::optional<ItemKind> m_kind;
    QFont m_font;
    std::set<int> m_installedBoards;
    QSize m_cell;
    bool m_fitted = false;

    // Transient mouse state.
    bool m_buttonDown = false;
    bool m_dragging = false;
    int m_downIndex = -1;
    QPoint m_downPoint;
    // Sends the current item a moment after the last move by key, so that a held arrow
    // key does not flood the line.
    QTimer m_keySend;
};
