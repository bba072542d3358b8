#include "bank/ToneloomView.h"

#include "app/ChildFrame.h"
#include "app/CommandIds.h"
#include "app/DocTemplate.h"
#include "app/MainFrame.h"
#include "app/Prompter.h"
#include "app/ToneloomDoc.h"
#include "bank/BankViewCommands.h"
#include "midi/Midi.h"
#include "midi/SendDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextStream>
#include <cmath>

QPointer<CToneloomView> CToneloomView::s_dragSource;
QPointer<QWidget> CToneloomView::s_libraryDragSource;
int CToneloomView::s_libraryDragCount = 0;

namespace {

const QColor kDropMarkColour(192, 192, 192);
const QColor kCurrentFrameColour(200, 0, 0);
constexpr std::uint8_t kPatchMode = 0x01;
constexpr std::uint8_t kPerformanceMode = 0x00;
constexpr QPoint kDragCursorHotSpot(6, 10);
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

QCursor dragCursor()
{
    return QCursor(QPixmap(QStringLiteral(":/cursors/drag.png")), kDragCursorHotSpot.x(), kDragCursorHotSpot.y());
}

QCursor noDropCursor()
{
    return QCursor(QPixmap(QStringLiteral(":/cursors/nodrop.png")), 0, 0);
}

} // namespace

CToneloomView::CToneloomView(std::unique_ptr<CToneloomDoc> document, CDocTemplate& docTemplate, CMainFrame& frame,
                             QString title, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(std::move(document)), m_template(docTemplate), m_frame(frame),
      m_title(std::move(title))
{
    setObjectName(QStringLiteral("BankView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setAttribute(Qt::WA_DeleteOnClose);
    m_document->setParent(nullptr);
    m_document->setSaveFileChooser(
        [this] { return m_frame.chooseSaveFile(QString::fromLatin1(kSaveFilter), QStringLiteral("syx")); });
    connect(m_document.get(), &CToneloomDoc::itemStateChanged, this, [this](int kind, int index) {
        if (kind == m_kind)
            RedrawItem(index);
    });
    connect(m_document.get(), &CToneloomDoc::itemsChanged, this, [this](int kind) {
        if (kind == m_kind)
            viewport()->update();
    });
    connect(m_document.get(), &CToneloomDoc::modifiedChanged, this, &CToneloomView::commandStateChanged);
    m_commands = new CBankViewCommands(*this, m_frame);
    RefreshFont();
}

CToneloomView::~CToneloomView()
{
    if (s_dragSource == this || m_dragging)
        resetDrag();
}

// ---------------------------------------------------------------- geometry

void CToneloomView::RefreshFont()
{
    m_font = QFont(QString::fromLatin1(kFontFace));
    m_font.setPixelSize(m_frame.settings().viewFontSize());
    m_font.setWeight(QFont::Normal);
    m_font.setItalic(false);
    const QFontMetrics metrics(m_font, viewport());
    m_cell = QSize(metrics.horizontalAdvance(QString::fromLatin1(kMeasureText)) + kCellPadding,
                   metrics.height() + kCellPadding);
    updateScrollBars();
    viewport()->update();
}

QSize CToneloomView::totalSize(int kind) const
{
    if (kind < 0 || kind >= kKindCount)
        return {};
    const int rows = rowsPerColumn(kind);
    const int columns = (CToneloomDoc::itemCount(kind) + rows - 1) / rows;
    return QSize(columns * m_cell.width(), rows * m_cell.height());
}

int CToneloomView::itemCount() const
{
    return m_kind == kNoKind ? 0 : CToneloomDoc::itemCount(m_kind);
}

QRect CToneloomView::cellRect(int index) const
{
    if (m_kind == kNoKind)
        return {};
    const int rows = rowsPerColumn(m_kind);
    return QRect(QPoint(m_cell.width() * (index / rows), m_cell.height() * (index % rows)), m_cell);
}

int CToneloomView::HitTest(const QPoint& p) const
{
    if (m_kind == kNoKind)
        return -1;
    const QSize total = totalSize(m_kind);
    if (p.x() < 0 || p.y() < 0 || p.x() >= total.width() || p.y() >= total.height())
        return -1;
    const int index = (p.x() / m_cell.width()) * rowsPerColumn(m_kind) + p.y() / m_cell.height();
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
    const QSize total = totalSize(m_kind == kNoKind ? kPatches : m_kind);
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

void CToneloomView::drawCell(QPainter& painter, int index) const
{
    const QRect cell = cellRect(index);
    const std::uint32_t state = m_document->flags(m_kind, index);
    const QPalette& pal = palette();
    QColor brush = pal.color(QPalette::Base);
    QColor text = pal.color(QPalette::Text);
    if (state & CToneloomDoc::kDropMark) {
        brush = kDropMarkColour;
    } else if (state & CToneloomDoc::kSelected) {
        brush = pal.color(QPalette::Highlight);
        text = pal.color(QPalette::HighlightedText);
    }
    painter.setFont(m_font);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(brush);
    // The outline overlaps the neighbours' by one pixel, so that cells share lines.
    painter.drawRect(QRect(cell.x() - 1, cell.y() - 1, cell.width(), cell.height()));
    painter.setPen(text);
    const QString label =
        QStringLiteral("%1 %2").arg(index + 1, 2, 10, QLatin1Char('0')).arg(m_document->array(m_kind).name(index));
    const QFontMetrics metrics(m_font, painter.device());
    painter.drawText(QPoint(cell.x() + kTextInset, cell.y() + kTextInset + metrics.ascent()), label);
    if (state & CToneloomDoc::kCurrent) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kCurrentFrameColour, 0));
        painter.drawRect(QRect(cell.x(), cell.y(), cell.width() - 2, cell.height() - 2));
    }
}

void CToneloomView::drawAll(QPainter& painter) const
{
    for (int i = 0; i < itemCount(); ++i)
        drawCell(painter, i);
}

void CToneloomView::paintEvent(QPaintEvent*)
{
    if (m_kind == kNoKind)
        return;
    QPainter painter(viewport());
    painter.translate(-scrollPosition());
    drawAll(painter);
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
    switchKind(kPatches);
    RefreshFont();
    m_frame.setDisplayedKind(m_kind);
    fitFrameToGrid();
}

void CToneloomView::fitFrameToGrid()
{
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    QMdiArea* area = m_frame.mdiArea();
    if (!frame || !area || (frame->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        return;
    const QSize total = totalSize(m_kind);
    const QRect client = area->viewport()->rect();
    QRect rect = frame->geometry();
    const QSize border = rect.size() - size() + QSize(2 * frameWidth(), 2 * frameWidth());
    // As large as the grid where it fits; where it does not, as large as the space
    // allows rather than the small size a new window starts with.
    int extraHeight = 0;
    if (rect.left() + border.width() + total.width() <= client.right() + 1) {
        rect.setWidth(border.width() + total.width());
    } else if (rect.width() < client.right() + 1 - rect.left()) {
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
    m_frame.midi().SendLong(bytes);
    QApplication::restoreOverrideCursor();
}

void CToneloomView::sendModeMessage()
{
    const char mode = static_cast<char>(m_kind == kPatches ? kPatchMode : kPerformanceMode);
    sendLong(
        sysex::makeDataSet(m_frame.settings().synth().deviceId, sysex::systemModeAddress(), QByteArrayView(&mode, 1)));
}

void CToneloomView::switchKind(int kind)
{
    if (kind == m_kind || kind < 0 || kind >= kKindCount)
        return;
    if (m_dragging || s_dragSource == this)
        cancelDrag();
    m_kind = kind;
    sendModeMessage();
    m_frame.setDisplayedKind(kind);
    updateScrollBars();
    viewport()->update();
    SendItemToSynth(m_document->CurrentIndex(kind));
    emit commandStateChanged();
}

void CToneloomView::SendItemToSynth(int index)
{
    if (m_kind == kNoKind || index < 0 || index >= itemCount())
        return;
    if (!m_frame.settings().midi().send[static_cast<std::size_t>(m_kind)])
        return;
    CRecordArray& records = m_document->array(m_kind);
    const std::uint8_t device = m_frame.settings().synth().deviceId;
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
        if (s_dragSource || s_libraryDragSource) {
            CToneloomView* source = s_dragSource;
            m_ignoreNextButtonUp = true;
            if (source && source != this)
                source->m_ignoreNextButtonUp = true;
            cancelDrag();
            event->accept();
            return;
        }
        std::unique_ptr<QMenu> menu = createContextMenu();
        QMenu* popup = menu.release();
        popup->setAttribute(Qt::WA_DeleteOnClose);
        const QPoint global = event->globalPosition().toPoint();
        popup->popup(QPoint(global.x() - popup->sizeHint().width() / 2, global.y()));
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (s_dragSource && s_dragSource != this)
        return;
    m_downIndex = HitTest(logical);
    if (m_downIndex >= 0) {
        s_dragSource = this;
        m_downPoint = logical;
        m_buttonDown = true;
    }
}

void CToneloomView::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

bool CToneloomView::acceptsDragFrom(const CToneloomView* source) const
{
    if (source)
        return source->m_kind == m_kind;
    return s_libraryDragSource && m_kind == kPatches;
}

CToneloomView* CToneloomView::viewAt(const QPoint& globalPos) const
{
    if (viewport()->rect().contains(viewport()->mapFromGlobal(globalPos)))
        return const_cast<CToneloomView*>(this);
    for (QWidget* w = QApplication::widgetAt(globalPos); w; w = w->parentWidget())
        if (auto* view = qobject_cast<CToneloomView*>(w))
            return view;
    return nullptr;
}

void CToneloomView::mouseMoveEvent(QMouseEvent* event)
{
    if (s_dragSource != this || !(m_buttonDown || m_dragging))
        return;
    const QPoint point = event->position().toPoint();
    const QPoint logical = toLogical(point);
    if (m_buttonDown) {
        const QPoint d = logical - m_downPoint;
        if (std::hypot(double(d.x()), double(d.y())) < kDragDistance)
            return;
        m_buttonDown = false;
        m_dragging = true;
        QApplication::setOverrideCursor(dragCursor());
        if (!m_document->isSelected(m_kind, m_downIndex))
            m_document->SelectItem(m_kind, m_downIndex, event->modifiers().testFlag(Qt::ShiftModifier),
                                   event->modifiers().testFlag(Qt::ControlModifier));
        SendItemToSynth(m_downIndex);
    }
    // The pointer stays with this view while the button is held; the view under the
    // pointer shows where the items would go.
    CToneloomView* target = viewAt(event->globalPosition().toPoint());
    if (m_dropTarget && m_dropTarget != target)
        m_dropTarget->clearDropMarks();
    m_dropTarget = target;
    if (target) {
        target->dragMove(target->viewport()->mapFromGlobal(event->globalPosition().toPoint()), event->modifiers());
    } else {
        QApplication::changeOverrideCursor(noDropCursor());
    }
    // Scrolling along when the pointer leaves the window.
    if (!viewport()->rect().contains(point)) {
        const QSize total = totalSize(m_kind);
        if (total.width() > viewport()->width() || total.height() > viewport()->height()) {
            horizontalScrollBar()->setValue(logical.x());
            verticalScrollBar()->setValue(logical.y());
        }
    }
}

void CToneloomView::dragMove(const QPoint& viewportPoint, Qt::KeyboardModifiers)
{
    CToneloomView* source = s_dragSource;
    if (!acceptsDragFrom(source)) {
        QApplication::changeOverrideCursor(noDropCursor());
        return;
    }
    QApplication::changeOverrideCursor(dragCursor());
    const int dragged = source ? source->m_document->SelectedCount(source->m_kind) : s_libraryDragCount;
    updateDropMarks(toLogical(viewportPoint), dragged);
}

void CToneloomView::updateDropMarks(const QPoint& logical, int draggedCount)
{
    const int count = itemCount();
    const int h = HitTest(logical);
    int first = h;
    if (h >= 0 && h + draggedCount > count)
        first = count - draggedCount; // pushed back from the end
    for (int i = 0; i < count; ++i) {
        const bool on = h != -1 && i >= first && i < first + draggedCount;
        m_document->SetDropMark(m_kind, i, on);
    }
}

void CToneloomView::clearDropMarks()
{
    if (m_kind == kNoKind)
        return;
    for (int i = 0; i < itemCount(); ++i)
        m_document->SetDropMark(m_kind, i, false);
}

void CToneloomView::resetDrag()
{
    if (CToneloomView* source = s_dragSource) {
        if (source->m_dragging)
            QApplication::restoreOverrideCursor();
        source->m_dragging = false;
        source->m_buttonDown = false;
        source->m_dropTarget = nullptr;
    }
    s_dragSource = nullptr;
    s_libraryDragSource = nullptr;
    s_libraryDragCount = 0;
}

void CToneloomView::cancelDrag()
{
    clearDropMarks();
    if (CToneloomView* source = s_dragSource) {
        source->clearDropMarks();
        if (source->m_dropTarget)
            source->m_dropTarget->clearDropMarks();
    }
    resetDrag();
}

void CToneloomView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_ignoreNextButtonUp) {
        m_ignoreNextButtonUp = false;
        return;
    }
    if (m_buttonDown && (!s_dragSource || s_dragSource == this) && !s_libraryDragSource) {
        m_buttonDown = false;
        m_document->SelectItem(m_kind, m_downIndex, event->modifiers().testFlag(Qt::ShiftModifier),
                               event->modifiers().testFlag(Qt::ControlModifier));
        SendItemToSynth(m_downIndex);
        resetDrag();
        emit commandStateChanged();
        return;
    }
    if (m_dragging) {
        // The window under the pointer takes the drop: a move within this bank or a
        // copy from this bank into another. Then every bank loses its drop marks.
        if (CToneloomView* target = m_dropTarget)
            target->m_commands->drop(this);
        for (CChildFrame* frame : m_frame.childFrames())
            if (auto* view = qobject_cast<CToneloomView*>(frame->widget()))
                view->clearDropMarks();
        clearDropMarks();
        resetDrag();
    }
}

// ---------------------------------------------------------------- keyboard

void CToneloomView::keyPressEvent(QKeyEvent* event)
{
    if (m_kind == kNoKind) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int rows = rowsPerColumn(m_kind);
    const int n = itemCount();
    const int cur = m_document->CurrentIndex(m_kind);
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
    m_document->SelectItem(m_kind, next, event->modifiers().testFlag(Qt::ShiftModifier), false);
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
    emit commandStateChanged();
    event->accept();
}

// ---------------------------------------------------------------- context menu

void CToneloomView::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu opens on the right button's press (mousePressEvent); a menu key
    // opens it at the current item.
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    std::unique_ptr<QMenu> menu = createContextMenu();
    QMenu* popup = menu.release();
    popup->setAttribute(Qt::WA_DeleteOnClose);
    const int cur = m_document->CurrentIndex(m_kind);
    popup->popup(viewport()->mapToGlobal(cellRect(std::max(cur, 0)).center() - scrollPosition()));
}

std::unique_ptr<QMenu> CToneloomView::createContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    QString copyText = QStringLiteral("&Copy selected Patches\tCtrl+C");
    if (m_kind != kNoKind && m_document->SelectedCount(m_kind) < 2) {
        const int cur = m_document->CurrentIndex(m_kind);
        const QString name = cur >= 0 ? m_document->array(m_kind).name(cur) : QString();
        int end = name.size();
        while (end > 0 && name[end - 1] == QLatin1Char(' '))
            --end;
        copyText = QStringLiteral("&Copy %1\tCtrl+C").arg(name.left(end));
    }
    const auto add = [this, &menu](const QString& text, int id) {
        QAction* a = menu->addAction(text);
        a->setData(id);
        bool checked = false;
        a->setEnabled(commandEnabled(id, &checked));
        connect(a, &QAction::triggered, this, [this, id] { onCommand(id); });
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

bool CToneloomView::handlesCommand(int id) const
{
    switch (id) {
    case cmd::kSavePatches:
    case cmd::kSavePerformances:
    case cmd::kSaveRhythms:
    case cmd::kFilePrint:
    case cmd::kFilePrintPreview:
    case cmd::kEditItem:
    case cmd::kEditCopy:
    case cmd::kEditPaste:
    case cmd::kInit:
    case cmd::kWrite:
    case cmd::kSend:
    case cmd::kCopySysex:
    case cmd::kCopyNames:
    case cmd::kRandomPatches:
    case cmd::kCopyToPatch:
    case cmd::kCopyEffect:
    case cmd::kShowUsedPatches:
    case cmd::kEditUndo:
    case cmd::kEditRedo:
    case cmd::kShowPatches:
    case cmd::kShowPerformances:
    case cmd::kShowRhythms:
        return true;
    default:
        return false;
    }
}

bool CToneloomView::commandEnabled(int id, bool* checked) const
{
    if (checked)
        *checked = false;
    switch (id) {
    case cmd::kShowPatches:
    case cmd::kShowPerformances:
    case cmd::kShowRhythms: {
        const int kind = id == cmd::kShowPatches        ? kPatches
                         : id == cmd::kShowPerformances ? kPerformances
                                                        : kRhythmSets;
        if (checked)
            *checked = kind == m_kind;
        return true;
    }
    case cmd::kSavePatches:
    case cmd::kSavePerformances:
    case cmd::kSaveRhythms:
    case cmd::kFilePrint:
    case cmd::kFilePrintPreview:
    case cmd::kWrite:
    case cmd::kSend:
    case cmd::kCopySysex:
    case cmd::kCopyNames:
        return m_kind != kNoKind;
    default:
        // Editing is not part of the program yet; the bank operations are.
        return m_commands->handles(id) && m_commands->enabled(id);
    }
}

void CToneloomView::onCommand(int id)
{
    bool checked = false;
    if (!commandEnabled(id, &checked))
        return;
    switch (id) {
    case cmd::kShowPatches:
        switchKind(kPatches);
        break;
    case cmd::kShowPerformances:
        switchKind(kPerformances);
        break;
    case cmd::kShowRhythms:
        switchKind(kRhythmSets);
        break;
    case cmd::kSavePatches:
        saveKind(kPatches);
        break;
    case cmd::kSavePerformances:
        saveKind(kPerformances);
        break;
    case cmd::kSaveRhythms:
        saveKind(kRhythmSets);
        break;
    case cmd::kWrite:
        writeCurrent();
        break;
    case cmd::kSend:
        sendDialog();
        break;
    case cmd::kCopyNames:
        copyNamesToClipboard();
        break;
    case cmd::kCopySysex:
        copySysexToClipboard();
        break;
    case cmd::kFilePrint:
        printWithDialog();
        break;
    case cmd::kFilePrintPreview:
        printPreview();
        break;
    default:
        if (m_commands->handles(id))
            m_commands->run(id);
        break;
    }
}

void CToneloomView::saveKind(int kind)
{
    // A partial save changes neither the document's path nor its modified state.
    m_document->SaveBank(kind, QString());
}

void CToneloomView::writeCurrent()
{
    if (m_frame.prompter().ask(QString::fromLatin1(kWriteQuestion)) == CPrompter::Answer::No)
        return;
    CRecordArray& records = m_document->array(m_kind);
    records.SetDeviceId(m_frame.settings().synth().deviceId);
    records.Renumber();
    records.RecalcChecksums();
    const int cur = m_document->CurrentIndex(m_kind);
    if (cur >= 0)
        sendLong(records.record(cur));
}

void CToneloomView::sendDialog()
{
    CSendDlg dialog(this);
    if (m_frame.prompter().exec(dialog) != QDialog::Accepted)
        return;
    m_frame.sendBank(*m_document, dialog.what(), dialog.toCard());
}

void CToneloomView::copyNamesToClipboard()
{
    QString text;
    const CRecordArray& records = m_document->array(m_kind);
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
        m_frame.prompter().showMessage(MessageIcon::Stop,
                                       QStringLiteral("File could not be opened: %1").arg(fileErrorCause(file)));
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_frame.prompter().showMessage(MessageIcon::Stop,
                                       QStringLiteral("Error reading from File %1").arg(fileErrorCause(file)));
        return;
    }
    QApplication::clipboard()->setText(QString::fromLatin1(BytesToHexText(bytes)));
}

// ---------------------------------------------------------------- printing

void CToneloomView::print(QPrinter* printer)
{
    QPainter painter(printer);
    if (!painter.isActive())
        return;
    const QSize total = totalSize(m_kind);
    const QRect page = painter.viewport();
    // The whole grid on one page, keeping its proportions.
    const double scale = std::min(double(page.width()) / total.width(), double(page.height()) / total.height());
    painter.scale(scale, scale);
    drawAll(painter);
}

void CToneloomView::printWithDialog()
{
    QPrintDialog dialog(&m_frame.printer(), this);
    if (m_frame.prompter().exec(dialog) == QDialog::Accepted)
        print(&m_frame.printer());
}

void CToneloomView::printPreview()
{
    QPrintPreviewDialog dialog(&m_frame.printer(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &CToneloomView::print);
    m_frame.prompter().exec(dialog);
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
    QString path = m_document->pathName();
    if (saveAs || path.isEmpty()) {
        path = m_frame.prompter().getSaveFileName(m_template.fileDialogFilter(), QStringLiteral("syx"));
        if (path.isEmpty())
            return false;
    }
    if (!m_document->OnSaveDocument(path))
        return false;
    m_title = QFileInfo(path).fileName();
    if (auto* frame = qobject_cast<CChildFrame*>(parentWidget()))
        frame->updateTitle();
    emit commandStateChanged();
    return true;
}

// ---------------------------------------------------------------- drag state

CToneloomView* CToneloomView::dragSourceView()
{
    return s_dragSource;
}

void CToneloomView::setLibraryDrag(QWidget* libraryView, int itemCount)
{
    s_libraryDragSource = libraryView;
    s_libraryDragCount = libraryView ? itemCount : 0;
}

QWidget* CToneloomView::libraryDragSource()
{
    return s_libraryDragSource;
}
