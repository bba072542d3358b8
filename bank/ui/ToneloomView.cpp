#include "bank/ui/ToneloomView.h"
#include "ui/ContextMenu.h"

#include "bank/BankOperations.h"
#include "bank/BankReport.h"
#include "bank/EditCommand.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/BankViewCommands.h"
#include "editors/EditPatchDlg.h"
#include "editors/EditRhythmDlg.h"
#include "editors/PerformanceEditDlg.h"
#include "midi/Midi.h"
#include "midi/ui/SendDlg.h"
#include "model/ExpansionNames.h"
#include "model/PatchUses.h"
#include "settings/AppSettings.h"
#include "ui/CommandIds.h"
#include "ui/DocTemplate.h"
#include "ui/ItemDrag.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextStream>
#include <QToolTip>
#include <cmath>

namespace {

const QColor kDropMarkColour(192, 192, 192);
const QColor kCurrentFrameColour(200, 0, 0);
// Items read damaged from their file: a pale red cell and a red corner that shows
// on a selected cell too.
const QColor kDamagedColour(255, 204, 204);
const QColor kDamagedMarkColour(210, 0, 0);
constexpr int kDamagedMarkSize = 7;
// Patches that need a board the synthesizer lacks: a blue corner at the bottom left.
const QColor kMissingBoardColour(0, 80, 220);
constexpr std::uint8_t kPatchMode = 0x01;
constexpr std::uint8_t kPerformanceMode = 0x00;
// How close to its edge a drag scrolls the window along, and by how much.
constexpr int kAutoScrollMargin = 16;
const QString kCrLf = QStringLiteral("\r\n");

// The cause numbers a file error has always been reported with.
int fileErrorCause(const QFile& file)
{
    switch (file.error()) {
    case QFileDevice::OpenError:
        return file.exists() ? 5 : 2; // access denied, file not found
    case QFileDevice::PermissionsError:
        return 5;
    case QFileDevice::ResourceError:
        return 13; // disk full
    case QFileDevice::ReadError:
        return 10; // hardware error
    default:
        return 1;
    }
}

} // namespace

CToneloomView::CToneloomView(std::unique_ptr<CToneloomDoc> document, CDocTemplate& docTemplate, CServices& services,
                             QString title, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(std::move(document)),
      m_selection(std::make_unique<CItemSelection>(m_document.get())), m_template(docTemplate), m_services(services),
      m_windowId(CItemDragData::newWindowId()), m_title(std::move(title))
{
    setObjectName(QStringLiteral("BankView"));
    m_keySend.setSingleShot(true);
    m_keySend.setInterval(kKeySendDelayMs);
    connect(&m_keySend, &QTimer::timeout, this,
            [this] { SendItemToSynth(m_selection->CurrentIndex(displayedKind())); });
    m_installedBoards = m_services.settings().installedBoards();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    m_document->setParent(nullptr);
    m_document->setSaveFileChooser([this](BankPart which) {
        return m_services.chooseSaveFile(QString::fromLatin1(kSaveFilter), QStringLiteral("syx"), saveTitle(which));
    });
    connect(m_selection.get(), &CItemSelection::itemStateChanged, this, [this](ItemKind kind, int index) {
        if (kind == m_kind)
            RedrawItem(index);
    });
    connect(m_document.get(), &CToneloomDoc::itemsChanged, this, [this](ItemKind kind) {
        if (kind == m_kind)
            viewport()->update();
    });
    connect(m_document.get(), &CToneloomDoc::modifiedChanged, this, [this] {
        emit viewSignals().titleChanged();
        notifyCommandState();
    });
    m_commands = new CBankViewCommands(*this, m_services);
    declareCommands();
    RefreshFont();
}

CToneloomView::~CToneloomView() = default;

void CToneloomView::notifyCommandState()
{
    emit viewSignals().commandStateChanged();
}

// ---------------------------------------------------------------- geometry

QFont CToneloomView::cellFont(int fontSize)
{
    QFont font(QString::fromLatin1(kFontFace));
    font.setPixelSize(fontSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QSize CToneloomView::cellSizeFor(int fontSize)
{
    const QFontMetrics metrics(cellFont(fontSize));
    return {metrics.horizontalAdvance(QString::fromLatin1(kMeasureText)) + kCellPadding,
            metrics.height() + kCellPadding};
}

QSize CToneloomView::gridSize(int fontSize, ItemKind kind)
{
    const QSize cell = cellSizeFor(fontSize);
    const int rows = rowsPerColumn(kind);
    const int columns = (CToneloomDoc::itemCount(kind) + rows - 1) / rows;
    return {columns * cell.width(), rows * cell.height()};
}

QSize CToneloomView::sizeHint() const
{
    return totalSize(displayedKind()) + QSize(2 * frameWidth(), 2 * frameWidth());
}

void CToneloomView::RefreshFont()
{
    m_font = cellFont(m_services.settings().viewFontSize());
    m_cell = cellSizeFor(m_services.settings().viewFontSize());
    updateScrollBars();
    viewport()->update();
}

QSize CToneloomView::totalSize(ItemKind kind) const
{
    const int rows = rowsPerColumn(kind);
    const int columns = (CToneloomDoc::itemCount(kind) + rows - 1) / rows;
    return QSize(columns * m_cell.width(), rows * m_cell.height());
}

int CToneloomView::itemCount() const
{
    return m_kind ? CToneloomDoc::itemCount(*m_kind) : 0;
}

QRect CToneloomView::cellRect(int index) const
{
    if (!m_kind)
        return {};
    const int rows = rowsPerColumn(displayedKind());
    return QRect(QPoint(m_cell.width() * (index / rows), m_cell.height() * (index % rows)), m_cell);
}

int CToneloomView::HitTest(const QPoint& p) const
{
    if (!m_kind)
        return -1;
    const QSize total = totalSize(displayedKind());
    if (p.x() < 0 || p.y() < 0 || p.x() >= total.width() || p.y() >= total.height())
        return -1;
    const int index = (p.x() / m_cell.width()) * rowsPerColumn(displayedKind()) + p.y() / m_cell.height();
    return index < itemCount() ? index : -1;
}

QPoint CToneloomView::scrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPoint CToneloomView::toLogical(const QPoint& viewportPoint) const
{
    return viewportPoint + scrollPosition();
}

void CToneloomView::updateScrollBars()
{
    const QSize total = totalSize(displayedKind());
    // When the grid fits without scroll bars, it is measured against the space they
    // would leave, or they would keep each other visible.
    const QSize room = maximumViewportSize();
    const QSize page = (total.width() <= room.width() && total.height() <= room.height()) ? room : viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, total.width() - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setRange(0, std::max(0, total.height() - page.height()));
    verticalScrollBar()->setPageStep(page.height());
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
    // The bars show or hide for their new ranges now: a bar left from a smaller size
    // would otherwise cover the last row of a window that fits its grid.
    QEvent relayout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &relayout);
}

void CToneloomView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void CToneloomView::scrollContentsBy(int, int)
{
    viewport()->update();
}

// ---------------------------------------------------------------- drawing

void CToneloomView::drawCell(QPainter& painter, int index, bool damaged, bool forPrint) const
{
    const QRect cell = cellRect(index);
    const std::uint32_t state = forPrint ? 0U : m_selection->flags(displayedKind(), index);
    const QPalette& pal = palette();
    QColor brush = pal.color(QPalette::Base);
    QColor text = pal.color(QPalette::Text);
    if (state & CItemSelection::kDropMark) {
        brush = kDropMarkColour;
    } else if (state & CItemSelection::kSelected) {
        brush = pal.color(QPalette::Highlight);
        text = pal.color(QPalette::HighlightedText);
    } else if (damaged && !forPrint) {
        brush = kDamagedColour;
        text = Qt::black;
    }
    painter.setFont(m_font);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(brush);
    // The outline overlaps the neighbours' by one pixel, so that cells share lines.
    painter.drawRect(QRect(cell.x() - 1, cell.y() - 1, cell.width(), cell.height()));
    painter.setPen(text);
    const QString label = QStringLiteral("%1 %2")
                              .arg(index + 1, 2, 10, QLatin1Char('0'))
                              .arg(m_document->array(displayedKind()).name(index));
    const QFontMetrics metrics(m_font, painter.device());
    painter.drawText(QPoint(cell.x() + kTextInset, cell.y() + kTextInset + metrics.ascent()), label);
    if (damaged && !forPrint) {
        const int right = cell.x() + cell.width() - 2;
        const QPoint corner[3] = {QPoint(right - kDamagedMarkSize, cell.y()), QPoint(right, cell.y()),
                                  QPoint(right, cell.y() + kDamagedMarkSize)};
        painter.setPen(Qt::NoPen);
        painter.setBrush(kDamagedMarkColour);
        painter.drawPolygon(corner, 3);
    }
    if (needsMissingBoard(index)) {
        const int bottom = cell.y() + cell.height() - 2;
        const QPoint corner[3] = {QPoint(cell.x(), bottom - kDamagedMarkSize), QPoint(cell.x(), bottom),
                                  QPoint(cell.x() + kDamagedMarkSize, bottom)};
        painter.setPen(Qt::NoPen);
        painter.setBrush(kMissingBoardColour);
        painter.drawPolygon(corner, 3);
    }
    if (state & CItemSelection::kCurrent) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kCurrentFrameColour, 0));
        painter.drawRect(QRect(cell.x(), cell.y(), cell.width() - 2, cell.height() - 2));
    }
}

void CToneloomView::drawAll(QPainter& painter, bool forPrint) const
{
    const std::vector<bool> damaged = m_document->damageMap(displayedKind());
    for (int i = 0; i < itemCount(); ++i)
        drawCell(painter, i, damaged[static_cast<std::size_t>(i)], forPrint);
}

void CToneloomView::paintEvent(QPaintEvent*)
{
    if (!m_kind)
        return;
    QPainter painter(viewport());
    painter.translate(-scrollPosition());
    drawAll(painter);
}

void CToneloomView::settingsChanged()
{
    m_installedBoards = m_services.settings().installedBoards();
    RefreshFont();
    viewport()->update();
}

bool CToneloomView::needsMissingBoard(int index) const
{
    if (displayedKind() != ItemKind::Patches || index < 0 || index >= itemCount())
        return false;
    const auto waves = patchuses::wavesOf(reinterpret_cast<const char*>(m_document->patches().data(index)));
    return !patchuses::playable(waves, m_installedBoards);
}

QString CToneloomView::damageNote(int index) const
{
    if (needsMissingBoard(index)) {
        QStringList boards;
        const auto waves = patchuses::wavesOf(reinterpret_cast<const char*>(m_document->patches().data(index)));
        for (int b : patchuses::boardsNeeded(waves))
            if (!m_installedBoards.contains(b))
                boards << m_services.names().GetTitle(NameFileKind::Board, b).trimmed();
        const QString note =
            QStringLiteral("It needs the expansion board %1, which is not installed (Midi > Installed Boards...).")
                .arg(boards.join(QStringLiteral(", ")));
        if (!m_kind || !m_document->isDamaged(*m_kind, index))
            return note;
    }
    if (!m_kind || !m_document->isDamaged(*m_kind, index))
        return {};
    const CBankReport& report = m_document->openReport();
    const QStringList lines = report.lines();
    QStringList notes;
    for (std::size_t i = 0; i < report.problems().size(); ++i) {
        const BankProblem& problem = report.problems()[i];
        if (problem.kind == m_kind && problem.item == index)
            notes << lines.value(static_cast<int>(i));
    }
    // A damaged record that was moved here since the file was read.
    if (notes.isEmpty())
        notes << QStringLiteral("It was read damaged from the file.");
    return notes.join(QLatin1Char('\n'));
}

bool CToneloomView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString note = damageNote(HitTest(toLogical(help->pos())));
        if (note.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), note, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CToneloomView::RedrawItem(int index)
{
    if (index < 0 || index >= itemCount())
        return;
    viewport()->update(cellRect(index).adjusted(-1, -1, 1, 1).translated(-scrollPosition()));
}

// ---------------------------------------------------------------- kinds and auditioning

void CToneloomView::initialUpdate()
{
    switchKind(ItemKind::Patches);
    RefreshFont();
    fitFrameToGrid();
}

void CToneloomView::fitFrameToGrid()
{
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    QMdiArea* area = frame ? frame->mdiArea() : nullptr;
    if (!frame || !area || (frame->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        return;
    const QSize total = totalSize(displayedKind());
    const QRect client = area->viewport()->rect();
    QRect rect = frame->geometry();
    const QSize border = rect.size() - size() + QSize(2 * frameWidth(), 2 * frameWidth());
    // A window placed too far right or down for its grid moves towards the top left
    // corner first, as far as that makes the grid fit.
    const QSize wanted = border + total;
    if (rect.left() + wanted.width() > client.right() + 1)
        rect.moveLeft(std::max(0, client.right() + 1 - wanted.width()));
    if (rect.top() + wanted.height() > client.bottom() + 1)
        rect.moveTop(std::max(0, client.bottom() + 1 - wanted.height()));
    // As large as the grid where it fits; where it does not, as large as the space
    // allows rather than the small size a new window starts with.
    int extraHeight = 0;
    if (rect.left() + border.width() + total.width() <= client.right() + 1) {
        rect.setWidth(border.width() + total.width());
    } else {
        // The grid scrolls sideways: its scroll bar must not cover the last row, also
        // when the window already spans the whole width.
        if (rect.width() < client.right() + 1 - rect.left())
            rect.setWidth(client.right() + 1 - rect.left());
        extraHeight = horizontalScrollBar()->sizeHint().height();
    }
    if (rect.top() + border.height() + total.height() + extraHeight <= client.bottom() + 1)
        rect.setHeight(border.height() + total.height() + extraHeight);
    else if (rect.height() < client.bottom() + 1 - rect.top())
        rect.setHeight(client.bottom() + 1 - rect.top());
    frame->setGeometry(rect);
    m_fitted = true;
}

void CToneloomView::sendLong(const QByteArray& bytes)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_services.midi().SendLong(bytes);
    QApplication::restoreOverrideCursor();
}

void CToneloomView::sendModeMessage()
{
    const char mode = static_cast<char>(displayedKind() == ItemKind::Patches ? kPatchMode : kPerformanceMode);
    sendLong(sysex::makeDataSet(m_services.settings().synth().deviceId, sysex::systemModeAddress(),
                                QByteArrayView(&mode, 1)));
}

void CToneloomView::switchKind(ItemKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    sendModeMessage();
    updateScrollBars();
    viewport()->update();
    SendItemToSynth(m_selection->CurrentIndex(kind));
    notifyCommandState();
}

void CToneloomView::SendItemToSynth(int index)
{
    m_keySend.stop();
    if (!m_kind || index < 0 || index >= itemCount())
        return;
    if (!m_services.settings().midi().send[displayedKind()])
        return;
    CRecordArray& records = m_document->array(displayedKind());
    const std::uint8_t device = m_services.settings().synth().deviceId;
    records.SetDeviceId(device);
    QByteArray buffer(records.GetRecordSize(), '\0');
    records.GetAsTemporary(index, reinterpret_cast<std::uint8_t*>(buffer.data()), device);
    sendLong(buffer);
}

// ---------------------------------------------------------------- mouse

void CToneloomView::mousePressEvent(QMouseEvent* event)
{
    const QPoint logical = toLogical(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        // The menu acts on the item it opens on: that item becomes the current one
        // (a selection it belongs to stays).
        const int index = HitTest(logical);
        if (m_kind.has_value() && index >= 0) {
            if (m_selection->isSelected(displayedKind(), index))
                m_selection->SetCurrent(displayedKind(), index);
            else
                m_selection->SelectItem(displayedKind(), index, false, false);
            viewport()->update();
            notifyCommandState();
        }
        std::unique_ptr<QMenu> menu = createContextMenu();
        const QPoint global = event->globalPosition().toPoint();
        const int width = menu->sizeHint().width();
        popupContextMenu(std::move(menu), QPoint(global.x() - width / 2, global.y()));
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_downIndex = HitTest(logical);
    m_buttonDown = m_downIndex >= 0;
    m_downPoint = logical;
}

void CToneloomView::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
    // A double click on an item edits it (the first click made it the current one).
    if (event->button() == Qt::LeftButton && m_buttonDown) {
        m_buttonDown = false;
        runCommand(cmd::kEditItem);
    }
}

void CToneloomView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_buttonDown)
        return;
    const QPoint d = toLogical(event->position().toPoint()) - m_downPoint;
    if (std::hypot(double(d.x()), double(d.y())) < kDragDistance)
        return;
    startDrag(event->modifiers());
}

void CToneloomView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_buttonDown)
        return;
    // A click: the button went up before the pointer moved far enough for a drag.
    m_buttonDown = false;
    m_selection->SelectItem(displayedKind(), m_downIndex, event->modifiers().testFlag(Qt::ShiftModifier),
                            event->modifiers().testFlag(Qt::ControlModifier));
    SendItemToSynth(m_downIndex);
    notifyCommandState();
}

// ---------------------------------------------------------------- dragging

CItemDragData CToneloomView::dragData() const
{
    CItemDragData data;
    data.source = CItemDragData::Source::Bank;
    data.windowId = m_windowId;
    data.kind = displayedKind();
    if (!m_kind)
        return data;
    const CRecordArray& records = m_document->array(displayedKind());
    for (int i = 0; i < itemCount(); ++i) {
        if (!m_selection->isSelected(displayedKind(), i))
            continue;
        data.indexes.push_back(i);
        data.images.push_back(records.record(i));
    }
    return data;
}

void CToneloomView::startDrag(Qt::KeyboardModifiers modifiers)
{
    m_buttonDown = false;
    if (!m_selection->isSelected(displayedKind(), m_downIndex))
        m_selection->SelectItem(displayedKind(), m_downIndex, modifiers.testFlag(Qt::ShiftModifier),
                                modifiers.testFlag(Qt::ControlModifier));
    SendItemToSynth(m_downIndex);
    m_dragging = true;
    const QPoint scrolled = scrollPosition();
    // Within this bank the items move; in another bank (or a library) they are copied.
    const Qt::DropAction done = execItemDrag(this, dragData(), Qt::MoveAction | Qt::CopyAction);
    m_dragging = false;
    // The pointer crossed this window's edge on its way out: the grid goes back to
    // where the drag found it, unless the items were dropped here.
    if (done != Qt::MoveAction) {
        horizontalScrollBar()->setValue(scrolled.x());
        verticalScrollBar()->setValue(scrolled.y());
    }
    clearDropMarks();
    notifyCommandState();
}

Qt::DropAction CToneloomView::dropActionFor(const CItemDragData& data) const
{
    if (!m_kind || data.count() == 0)
        return Qt::IgnoreAction;
    if (data.source == CItemDragData::Source::Library)
        return displayedKind() == ItemKind::Patches && data.kind == ItemKind::Patches ? Qt::CopyAction
                                                                                      : Qt::IgnoreAction;
    if (data.kind != displayedKind())
        return Qt::IgnoreAction;
    return data.isFrom(m_windowId) ? Qt::MoveAction : Qt::CopyAction;
}

void CToneloomView::dragEnterEvent(QDragEnterEvent* event)
{
    const auto data = CItemDragData::fromMimeData(event->mimeData());
    const Qt::DropAction action = data ? dropActionFor(*data) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void CToneloomView::dragMoveEvent(QDragMoveEvent* event)
{
    const auto data = CItemDragData::fromMimeData(event->mimeData());
    const Qt::DropAction action = data ? dropActionFor(*data) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    scrollNear(point);
    updateDropMarks(toLogical(point), data->count());
    event->setDropAction(action);
    event->accept();
}

void CToneloomView::dragLeaveEvent(QDragLeaveEvent* event)
{
    clearDropMarks();
    event->accept();
}

void CToneloomView::dropEvent(QDropEvent* event)
{
    const auto data = CItemDragData::fromMimeData(event->mimeData());
    const Qt::DropAction action = data ? dropActionFor(*data) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        clearDropMarks();
        event->ignore();
        return;
    }
    updateDropMarks(toLogical(event->position().toPoint()), data->count());
    CBankOperations ops(*m_document, *m_selection);
    if (data->source == CItemDragData::Source::Library)
        ops.DropLibraryPatches(displayedKind(), data->images);
    else if (action == Qt::MoveAction)
        ops.DropMove(displayedKind());
    else
        ops.DropItems(displayedKind(), data->images);
    clearDropMarks();
    event->setDropAction(action);
    event->accept();
    // The window that took the items becomes the active one, so that Undo takes the
    // drop back at once.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        if (QMdiArea* area = frame->mdiArea())
            area->setActiveSubWindow(frame);
    setFocus();
    notifyCommandState();
}

void CToneloomView::updateDropMarks(const QPoint& logical, int draggedCount)
{
    const int count = itemCount();
    const auto [first, marked] = CBankOperations::dropRun(HitTest(logical), draggedCount, count);
    for (int i = 0; i < count; ++i)
        m_selection->SetDropMark(displayedKind(), i, marked > 0 && i >= first && i < first + marked);
}

void CToneloomView::clearDropMarks()
{
    if (!m_kind)
        return;
    m_selection->ClearDropMarks(displayedKind());
}

void CToneloomView::scrollNear(const QPoint& viewportPoint)
{
    // Near an edge of the window the grid scrolls along, one step at a time; the
    // window keeps its place when the pointer goes on to another window.
    const QRect inner =
        viewport()->rect().adjusted(kAutoScrollMargin, kAutoScrollMargin, -kAutoScrollMargin, -kAutoScrollMargin);
    if (viewportPoint.x() < inner.left())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (viewportPoint.x() > inner.right())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (viewportPoint.y() < inner.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (viewportPoint.y() > inner.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

// ---------------------------------------------------------------- keyboard

void CToneloomView::keyPressEvent(QKeyEvent* event)
{
    if (!m_kind) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int rows = rowsPerColumn(displayedKind());
    const int n = itemCount();
    const int cur = m_selection->CurrentIndex(displayedKind());
    int next = -1;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        SendItemToSynth(cur);
        event->accept();
        return;
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        next = cur >= rows ? cur - rows : cur;
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        next = cur + rows < n ? cur + rows : cur;
        break;
    case Qt::Key_Up:
        next = cur > 0 ? cur - 1 : cur;
        break;
    case Qt::Key_Down:
        next = cur < n - 1 ? cur + 1 : cur;
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = n - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (cur < 0)
        next = std::max(next, 0);
    m_selection->SelectItem(displayedKind(), next, event->modifiers().testFlag(Qt::ShiftModifier), false);
    if (next != cur)
        m_keySend.start();
    // Keep the new current item in sight.
    const QRect cell = cellRect(next);
    const QRect visible(scrollPosition(), viewport()->size());
    if (!visible.contains(cell)) {
        if (cell.left() < visible.left() || cell.right() > visible.right())
            horizontalScrollBar()->setValue(cell.right() > visible.right() ? cell.right() - visible.width() + 1
                                                                           : cell.left());
        if (cell.top() < visible.top() || cell.bottom() > visible.bottom())
            verticalScrollBar()->setValue(cell.bottom() > visible.bottom() ? cell.bottom() - visible.height() + 1
                                                                           : cell.top());
    }
    notifyCommandState();
    event->accept();
}

// ---------------------------------------------------------------- context menu

void CToneloomView::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu opens on the right button's press (mousePressEvent); a menu key
    // opens it at the current item.
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    const int cur = m_selection->CurrentIndex(displayedKind());
    popupContextMenu(createContextMenu(),
                     viewport()->mapToGlobal(cellRect(std::max(cur, 0)).center() - scrollPosition()));
}

std::unique_ptr<QMenu> CToneloomView::createContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    QString copyText = QStringLiteral("&Copy selected Patches\tCtrl+C");
    if (m_kind.has_value() && m_selection->SelectedCount(*m_kind) < 2) {
        const int cur = m_selection->CurrentIndex(displayedKind());
        const QString name = cur >= 0 ? m_document->array(displayedKind()).name(cur) : QString();
        int end = name.size();
        while (end > 0 && name[end - 1] == QLatin1Char(' '))
            --end;
        copyText = QStringLiteral("&Copy %1\tCtrl+C").arg(name.left(end));
    }
    const auto add = [this, &menu](const QString& text, int id) {
        QAction* a = menu->addAction(text);
        a->setData(id);
        a->setEnabled(commandState(id).enabled);
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    };
    add(copyText, cmd::kEditCopy);
    add(QStringLiteral("&Paste...\tCtrl+V"), cmd::kEditPaste);
    menu->addSeparator();
    add(QStringLiteral("&Edit...\tCtrl+E"), cmd::kEditItem);
    menu->addSeparator();
    add(QStringLiteral("&Init"), cmd::kInit);
    add(QStringLiteral("&Write"), cmd::kWrite);
    return menu;
}

// ---------------------------------------------------------------- commands

void CToneloomView::declareCommands()
{
    const auto shown = [this] { return m_kind.has_value(); };
    const auto key = [](QKeyCombination k) { return QList<QKeySequence>{QKeySequence(k)}; };
    const auto kindRow = [this](cmd::Command id, const char* text, ItemKind kind, QKeyCombination keys,
                                const char* tip) {
        return CCommand{.id = id,
                        .text = QString::fromLatin1(text),
                        .keys = {QKeySequence(keys)},
                        .tip = QString::fromLatin1(tip),
                        .run = [this, kind] { switchKind(kind); },
                        .checked = [this, kind] { return displayedKind() == kind; }};
    };
    const auto saveRow = [this, shown](cmd::Command id, const char* text, ItemKind kind, const char* tip) {
        return CCommand{.id = id,
                        .text = QString::fromLatin1(text),
                        .tip = QString::fromLatin1(tip),
                        .run = [this, kind] { saveKind(kind); },
                        .enabled = shown};
    };
    m_table
        .add(kindRow(cmd::kShowPatches, "&Patches", ItemKind::Patches, Qt::CTRL | Qt::Key_1,
                     "Show the patches of the bank"))
        .add(kindRow(cmd::kShowPerformances, "Per&formances", ItemKind::Performances, Qt::CTRL | Qt::Key_2,
                     "Show the performances of the bank"))
        .add(kindRow(cmd::kShowRhythms, "&Rhythms", ItemKind::RhythmSets, Qt::CTRL | Qt::Key_3,
                     "Show the rhythm sets of the bank"))
        .add(saveRow(cmd::kSavePatches, "Save Pa&tches", ItemKind::Patches,
                     "Save the patches of the bank in a file of their own"))
        .add(saveRow(cmd::kSavePerformances, "Save Per&formances", ItemKind::Performances,
                     "Save the performances of the bank in a file of their own"))
        .add(saveRow(cmd::kSaveRhythms, "Save R&hythms", ItemKind::RhythmSets,
                     "Save the rhythm sets of the bank in a file of their own"))
        .add({.id = cmd::kFilePrint,
              .text = QStringLiteral("&Print..."),
              .keys = key(Qt::CTRL | Qt::Key_P),
              .tip = QStringLiteral("Print the active document"),
              .run = [this] { printWithDialog(); },
              .enabled = shown})
        .add({.id = cmd::kFilePrintPreview,
              .text = QStringLiteral("Print Pre&view"),
              .tip = QStringLiteral("Display full pages"),
              .run = [this] { printPreview(); },
              .enabled = shown})
        .add({.id = cmd::kEditItem,
              .text = QStringLiteral("&Edit..."),
              .keys = key(Qt::CTRL | Qt::Key_E),
              .tip = QStringLiteral("Edit the current item"),
              .run = [this] { editCurrent(); },
              .enabled = [this] { return m_kind.has_value() && m_selection->CurrentIndex(*m_kind) >= 0; }})
        .add({.id = cmd::kWrite,
              .text = QStringLiteral("&Write"),
              .tip = QStringLiteral("Write the current item into the synthesizer's memory"),
              .run = [this] { writeCurrent(); },
              .enabled = shown})
        .add({.id = cmd::kSend,
              .text = QStringLiteral("&Send..."),
              .keys = key(Qt::CTRL | Qt::Key_D),
              .tip = QStringLiteral("Send the bank to the synthesizer"),
              .run = [this] { sendDialog(); },
              .enabled = [this] { return m_kind.has_value() && !m_services.isTransferActive(); }})
        .add({.id = cmd::kCopySysex,
              .text = QStringLiteral("Copy Sysex &To Clipboard"),
              .tip = QStringLiteral("Copy the bank's file as hexadecimal text"),
              .run = [this] { copySysexToClipboard(); },
              .enabled = shown})
        .add({.id = cmd::kCopyNames,
              .text = QStringLiteral("Copy &Names To Clipboard"),
              .tip = QStringLiteral("Copy the names of the shown items"),
              .run = [this] { copyNamesToClipboard(); },
              .enabled = shown});
    // The bank operations (copybox, init, history, tools).
    m_commands->declareCommands(m_table);
    m_table.setMenus(menus());
}

std::vector<CMenuLayout> CToneloomView::menus()
{
    using namespace cmd;
    const CMenuEntry sep = CMenuEntry::separator();
    return {
        {QStringLiteral("&File"),
         {{kFileNew},
          {kFileOpen},
          {kFileClose},
          {kFileSave},
          {kFileSaveAs},
          sep,
          {kSavePatches},
          {kSavePerformances},
          {kSaveRhythms},
          sep,
          {kFilePrint},
          {kFilePrintPreview},
          {kFilePrintSetup},
          sep,
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
          {kEditItem},
          {kInit},
          {kWrite},
          sep,
          {kCopySysex},
          {kCopyNames},
          sep,
          {kCopyEffect},
          sep,
          {kEditFind}}},
        {QStringLiteral("&View"),
         {{kViewToolbar},
          {kViewStatusBar},
          sep,
          {kShowPatches},
          {kShowPerformances},
          {kShowRhythms},
          sep,
          {kPianoKeyboard},
          {kMidiMonitor}}},
        {QStringLiteral("&Midi"),
         {{kMidiSetup}, {kFindSynth}, {kInstalledBoards}, {kReceive}, {kSend}, {kStop}, {kBackups}}},
        {QStringLiteral("&Tools"),
         {{kRandomPatches}, {kMutate}, {kCopyToPatch}, {kShowUsedPatches}, sep, {kVirtualSynth}, {kEnvelopePresets}}},
        {QStringLiteral("&Window"), {{kWindowCascade}, {kWindowTile}}},
        {QStringLiteral("&Help"), {{kAppAbout}}},
    };
}

void CToneloomView::saveKind(ItemKind kind)
{
    // A partial save changes neither the document's path nor its modified state.
    m_document->SaveBank(kind, QString());
}

QString CToneloomView::writeQuestion() const
{
    const int cur = m_selection->CurrentIndex(displayedKind());
    if (cur < 0)
        return QString::fromLatin1(kWriteQuestion);
    const CRecordArray& records = m_document->array(displayedKind());
    // The record goes to the slot of its own number in the memory its address names.
    const std::uint8_t area = records.data(cur)[sysex::kOffAddress];
    const QString memory =
        (area == sysex::kAreaCardPatch || area == sysex::kAreaCardPerformance)   ? QStringLiteral("card")
        : (area == sysex::kAreaUserPatch || area == sysex::kAreaUserPerformance) ? QStringLiteral("user")
                                                                                 : QStringLiteral("temporary");
    return QStringLiteral("This will overwrite %1 of the %2 memory in your synth with \"%3\". This operation can not "
                          "be undone. Do you want to execute it ?")
        .arg(CBankReport::itemName(displayedKind(), cur), memory, records.name(cur).trimmed());
}

QString CToneloomView::saveTitle(BankPart which)
{
    if (!which)
        return QStringLiteral("Save Bank");
    switch (*which) {
    case ItemKind::Patches:
        return QStringLiteral("Save Patches");
    case ItemKind::Performances:
        return QStringLiteral("Save Performances");
    case ItemKind::RhythmSets:
        return QStringLiteral("Save Rhythms");
    }
    return QStringLiteral("Save Bank");
}

void CToneloomView::editCurrent()
{
    const int cur = m_selection->CurrentIndex(displayedKind());
    if (!m_kind || cur < 0)
        return;
    // The instrument's temporary area holds the item while it is edited; in realtime
    // the editor sends it itself.
    if (!m_services.settings().realtime())
        SendItemToSynth(cur);
    const CRecordArray& records = m_document->array(displayedKind());
    const QByteArray old = records.record(cur);
    const auto names = [this](ItemKind kind) {
        QStringList out;
        const CRecordArray& array = m_document->array(kind);
        for (int i = 0; i < array.GetCount(); ++i)
            out << array.name(i);
        return out;
    };
    QByteArray edited;
    if (displayedKind() == ItemKind::Patches) {
        CPatchSource source;
        for (int i = 0; i < records.GetCount(); ++i)
            source.lines << QStringLiteral("%1: %2").arg(i + 1).arg(records.name(i));
        source.record = [this](int line) { return m_document->patches().record(line); };
        CEditPatchDlg editor(m_services, old, std::move(source), this);
        if (m_services.prompter().exec(editor) != QDialog::Accepted)
            return;
        edited = editor.patch();
    } else if (displayedKind() == ItemKind::Performances) {
        CPerformanceEditDlg editor(m_services, old, names(ItemKind::Patches), names(ItemKind::RhythmSets), this);
        if (m_services.prompter().exec(editor) != QDialog::Accepted)
            return;
        edited = editor.performance();
    } else {
        CEditRhythmDlg editor(m_services, old, this);
        if (m_services.prompter().exec(editor) != QDialog::Accepted)
            return;
        edited = editor.rhythmSet();
    }
    // OK with a change is one undoable edit; OK without one leaves the bank untouched.
    if (edited == old)
        return;
    m_document->ExecuteCommand(std::make_unique<CEditCommand>(*m_document, displayedKind(), cur, old, edited));
}

void CToneloomView::writeCurrent()
{
    if (m_services.prompter().ask(writeQuestion()) == CPrompter::Answer::No)
        return;
    CRecordArray& records = m_document->array(displayedKind());
    records.SetDeviceId(m_services.settings().synth().deviceId);
    records.Renumber();
    records.RecalcChecksums();
    const int cur = m_selection->CurrentIndex(displayedKind());
    if (cur < 0)
        return;
    // Into user or card memory the program backs up and verifies as its settings say;
    // otherwise the record goes out at once.
    if (!m_services.sendChecked(records.record(cur)))
        sendLong(records.record(cur));
}

void CToneloomView::sendDialog()
{
    CSendDlg dialog(this);
    // The kind on screen is what the user most likely means to send.
    if (m_kind.has_value())
        dialog.setChoice(dialog.toCard(), displayedKind());
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    // Slots the file never filled still hold defaults: sent, they would overwrite the
    // instrument's items with "INIT PATCH" and the like. The user decides.
    const BankPart which = dialog.what();
    QString kinds = m_document->defaultsNotInFileText(which);
    if (kinds.isEmpty()) {
        m_services.sendBank(*m_document, which, dialog.toCard());
        return;
    }
    kinds[0] = kinds[0].toUpper();
    const auto answer = m_services.prompter().ask(
        QStringLiteral("%1 hold defaults that %2 never had.\n\nSend them too? (No sends only what the file "
                       "holds.)")
            .arg(kinds, QFileInfo(m_document->pathName()).fileName()),
        true);
    if (answer == CPrompter::Answer::Cancel)
        return;
    const BankSlots only = m_document->sendableSlots();
    m_services.sendBank(*m_document, which, dialog.toCard(), answer == CPrompter::Answer::Yes ? nullptr : &only);
}

void CToneloomView::copyNamesToClipboard()
{
    QString text;
    const CRecordArray& records = m_document->array(displayedKind());
    for (int i = 0; i < itemCount(); ++i)
        text += records.name(i) + kCrLf;
    QApplication::clipboard()->setText(text);
}

void CToneloomView::copySysexToClipboard()
{
    if (documentPath().isEmpty() && !saveDocument(false))
        return;
    if (documentPath().isEmpty())
        return;
    QFile file(documentPath());
    if (!file.open(QIODevice::ReadOnly)) {
        m_services.prompter().showMessage(MessageIcon::Stop,
                                          QStringLiteral("File could not be opened: %1").arg(fileErrorCause(file)));
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_services.prompter().showMessage(MessageIcon::Stop,
                                          QStringLiteral("Error reading from File %1").arg(fileErrorCause(file)));
        return;
    }
    QApplication::clipboard()->setText(QString::fromLatin1(BytesToHexText(bytes)));
}

// ---------------------------------------------------------------- printing

void CToneloomView::print(QPrinter* printer)
{
    // A PDF or a print job is named after the bank.
    printer->setDocName(m_title);
    printer->setCreator(QStringLiteral("Toneloom"));
    QPainter painter(printer);
    if (!painter.isActive())
        return;
    const QSize total = totalSize(displayedKind());
    const QRect page = painter.viewport();
    // The whole grid on one page, keeping its proportions.
    const double scale = std::min(double(page.width()) / total.width(), double(page.height()) / total.height());
    painter.scale(scale, scale);
    // The paper shows the items; the selection and the current frame belong to the screen.
    drawAll(painter, true);
}

void CToneloomView::printWithDialog()
{
    QPrintDialog dialog(&m_services.printer(), this);
    if (m_services.prompter().exec(dialog) == QDialog::Accepted)
        print(&m_services.printer());
}

void CToneloomView::printPreview()
{
    QPrintPreviewDialog dialog(&m_services.printer(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &CToneloomView::print);
    m_services.prompter().exec(dialog);
}

// ---------------------------------------------------------------- document

QString CToneloomView::documentPath() const
{
    return m_document->pathName();
}

bool CToneloomView::isDocumentModified() const
{
    return m_document->isModified();
}

bool CToneloomView::saveDocument(bool saveAs)
{
    const QString own = m_document->pathName();
    QString path = own;
    // A bank read with problems is not written over its file unasked: the user
    // chooses the name, starting from the file's own.
    const bool mustChoose = m_document->mustChooseFileName();
    if (saveAs || path.isEmpty() || mustChoose) {
        path = m_services.prompter().chooseSaveFileName(m_template.fileDialogFilter(), QStringLiteral("syx"),
                                                        QStringLiteral("Save As"), own);
        if (path.isEmpty())
            return false;
    }
    if (!own.isEmpty() && QFileInfo(path) == QFileInfo(own) && m_document->fileChangedOnDisk()) {
        const QString question = QStringLiteral("%1 was changed on disk since this window opened or last saved it. "
                                                "Replace it with this bank?")
                                     .arg(QDir::toNativeSeparators(own));
        if (m_services.prompter().ask(question) != CPrompter::Answer::Yes)
            return false;
    }
    if (!m_document->OnSaveDocument(path))
        return false;
    m_title = QFileInfo(path).fileName();
    emit viewSignals().titleChanged();
    notifyCommandState();
    return true;
}
