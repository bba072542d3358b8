#include "controls/pickvane/PickvaneCtrl.h"

#include "controls/common/ChoiceList.h"
#include "controls/common/ControlStates.h"
#include "controls/common/StateStream.h"
#include "controls/pickvane/PickvanePropPage.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QMenu>

#include <memory>

namespace {

constexpr DispatchMember kMembers[] = {
    {CPickvaneCtrl::kListItemsId, DispatchKind::Property, "ListItems"},
    {CPickvaneCtrl::kSysExStringId, DispatchKind::Property, "SysExString"},
    {CPickvaneCtrl::kListValuesId, DispatchKind::Property, "ListValues"},
    {CPickvaneCtrl::kSelectionId, DispatchKind::Property, "Selection"},
    {CPickvaneCtrl::kResetId, DispatchKind::Method, "Reset"},
    {CPickvaneCtrl::kGetListValueId, DispatchKind::Method, "GetListValue"},
    {DispatchId::kBackColor, DispatchKind::Property, "BackColor"},
    {DispatchId::kFont, DispatchKind::Property, "Font"},
    {CPickvaneCtrl::kSendStringEventId, DispatchKind::Event, "SendString"},
};
constexpr CDispatchTable kDispatchTable{kMembers};

const QColor kDefaultBackColor(192, 192, 192);
const QColor kFocusColor(192, 192, 192);
constexpr int kDefaultWidth = 64;
constexpr int kDefaultHeight = 24;

} // namespace

CPickvaneCtrl::CPickvaneCtrl(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    resetDefaults();
}

CPickvaneCtrl::~CPickvaneCtrl() = default;

const CDispatchTable& CPickvaneCtrl::dispatchTable() const
{
    return kDispatchTable;
}

void CPickvaneCtrl::resetDefaults()
{
    m_backColor = kDefaultBackColor;
    m_foreColor = Qt::black;
    m_font = QFont();
}

void CPickvaneCtrl::setListItems(const QString& text)
{
    m_listItems = text;
    m_items = ChoiceList::parse(text);
    update();
    m_modified = true;
}

void CPickvaneCtrl::setSysExString(const QString& text)
{
    m_sysExString = text;
    update();
    m_modified = true;
}

void CPickvaneCtrl::setListValues(const QString& text)
{
    m_listValues = text;
    m_values = ChoiceList::parseValues(text);
    update();
    m_modified = true;
}

void CPickvaneCtrl::setSelection(short selection)
{
    m_selection = selection;
    m_savedSelection = selection;
    select(selection);
    update();
    m_modified = true;
}

void CPickvaneCtrl::setBackColor(const QColor& color)
{
    m_backColor = color;
    update();
    m_modified = true;
}

void CPickvaneCtrl::setControlFont(const QFont& font)
{
    m_font = font;
    update();
    m_modified = true;
}

bool CPickvaneCtrl::isChoosable(int index) const
{
    return index >= 0 && index < m_items.size() && index < m_values.size();
}

void CPickvaneCtrl::select(int index)
{
    m_selection = short(index);
    if (m_items.isEmpty() || m_values.isEmpty())
        return;
    // An index beyond either list names no item: the control then shows nothing and
    // announces nothing rather than reading past a list.
    if (!isChoosable(index)) {
        m_shownText.clear();
        update();
        return;
    }
    m_shownText = m_items[index];
    update();
    emit SendString(m_sysExString, m_values[index]);
}

void CPickvaneCtrl::Reset()
{
    m_selection = m_savedSelection;
    select(m_selection);
    update();
    m_modified = true;
    // Announced once more even though Select did so already; hosts rely on the pair.
    if (m_selection >= 0 && m_selection < m_values.size())
        emit SendString(m_sysExString, m_values[m_selection]);
}

short CPickvaneCtrl::GetListValue(short pNum) const
{
    return pNum >= 0 && pNum < m_values.size() ? m_values[pNum] : short(0);
}

QMenu* CPickvaneCtrl::createChoiceMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    for (int i = 0; i < m_items.size(); ++i) {
        QAction* action = menu->addAction(m_items[i]);
        action->setData(kFirstCommand + i);
    }
    return menu;
}

bool CPickvaneCtrl::handleMenuCommand(int command)
{
    if (command < kFirstCommand || command >= kFirstCommand + kChoosableEntries)
        return false;
    select(command - kFirstCommand);
    return true;
}

void CPickvaneCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    // Only a release over the control opens the list: a press that wandered off is no choice.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && !m_items.isEmpty()
        && !m_values.isEmpty()) {
        std::unique_ptr<QMenu> menu(createChoiceMenu(this));
        // Centred on the release point, its top at the point.
        const QPoint global = event->globalPosition().toPoint();
        const QPoint topLeft(global.x() - menu->sizeHint().width() / 2, global.y());
        if (QAction* chosen = menu->exec(topLeft))
            handleMenuCommand(chosen->data().toInt());
    }
    QWidget::mouseReleaseEvent(event);
}

void CPickvaneCtrl::focusInEvent(QFocusEvent* event)
{
    m_focus = true;
    update();
    QWidget::focusInEvent(event);
}

void CPickvaneCtrl::focusOutEvent(QFocusEvent* event)
{
    m_focus = false;
    update();
    QWidget::focusOutEvent(event);
}

QSize CPickvaneCtrl::sizeHint() const
{
    // The size stored with the control's dialog, else its own default.
    return m_storedExtent.isEmpty() ? QSize(kDefaultWidth, kDefaultHeight) : m_storedExtent;
}

void CPickvaneCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect area = rect();
    painter.fillRect(area, Qt::black);
    painter.fillRect(area.adjusted(1, 1, -1, -1), m_focus ? kFocusColor : m_backColor);

    painter.setFont(m_font);
    painter.setPen(m_foreColor);
    // The text stays inside the frame however long it is.
    painter.setClipRect(area.adjusted(1, 1, -1, -1));
    const QFontMetrics metrics(m_font, this);
    const int x = (area.left() + area.right() + 1) / 2 - metrics.horizontalAdvance(m_shownText) / 2;
    const int top = (area.top() + area.bottom() + 1 - metrics.height()) / 2;
    painter.drawText(x, top + metrics.ascent(), m_shownText);
}

void CPickvaneCtrl::writeState(QDataStream& stream) const
{
    ControlState::PickvaneState state;
    state.extent = size();
    state.stock = ControlState::toStockRecord(kStockMask, {QString(), m_foreColor, m_backColor, m_font});
    state.listItems = m_listItems;
    state.sysExString = m_sysExString;
    state.listValues = m_listValues;
    state.selection = m_selection;
    ControlState::writeState(stream, state);
}

bool CPickvaneCtrl::readState(QDataStream& stream)
{
    ControlState::PickvaneState state;
    const bool ok = ControlState::readState(stream, state);
    if (!ok) {
        resetDefaults();
        state = {};
    } else {
        ControlState::StockProperties stock{QString(), Qt::black, kDefaultBackColor, QFont()};
        ControlState::fromStockRecord(state.stock, stock, palette());
        m_backColor = stock.backColor;
        m_foreColor = stock.foreColor;
        m_font = stock.font;
        if (!state.extent.isEmpty()) {
            m_storedExtent = state.extent;
            resize(state.extent);
            updateGeometry();
        }
    }
    m_listItems = state.listItems;
    m_sysExString = state.sysExString;
    m_listValues = state.listValues;
    m_selection = state.selection;
    m_savedSelection = state.selection;
    m_items = ChoiceList::parse(m_listItems);
    m_values = ChoiceList::parseValues(m_listValues);
    m_shownText.clear();
    select(m_selection);
    update();
    return ok;
}

QByteArray CPickvaneCtrl::saveState() const
{
    return ControlState::toBytes(*this);
}

bool CPickvaneCtrl::loadState(const QByteArray& state)
{
    return ControlState::fromBytes(*this, state);
}

QDialog* CPickvaneCtrl::createPropertyPage(QWidget* parent)
{
    return new CPickvanePropPage(this, parent);
}
