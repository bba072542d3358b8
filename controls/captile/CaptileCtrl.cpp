#include "controls/captile/CaptileCtrl.h"

#include "controls/captile/CaptilePropPage.h"
#include "controls/common/ControlStates.h"
#include "controls/common/StateStream.h"

#include <QtGui/QPainter>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

namespace {

constexpr DispatchMember kMembers[] = {
    {DispatchId::kBackColor, DispatchKind::Property, "BackColor"},
    {DispatchId::kForeColor, DispatchKind::Property, "ForeColor"},
    {DispatchId::kCaption, DispatchKind::Property, "Caption"},
    {DispatchId::kFont, DispatchKind::Property, "Font"},
    {DispatchId::kAboutBox, DispatchKind::Method, "AboutBox"},
};
constexpr CDispatchTable kDispatchTable{kMembers};

const QColor kDefaultBackColor(192, 192, 192);
constexpr int kDefaultWidth = 120;
constexpr int kDefaultHeight = 20;

} // namespace

CCaptileCtrl::CCaptileCtrl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resetDefaults();
}

CCaptileCtrl::~CCaptileCtrl() = default;

const CDispatchTable& CCaptileCtrl::dispatchTable() const
{
    return kDispatchTable;
}

void CCaptileCtrl::resetDefaults()
{
    m_caption.clear();
    m_foreColor = Qt::black;
    m_backColor = kDefaultBackColor;
    m_font = QFont();
}

void CCaptileCtrl::setBackColor(const QColor& color)
{
    m_backColor = color;
    update();
    m_modified = true;
}

void CCaptileCtrl::setForeColor(const QColor& color)
{
    m_foreColor = color;
    update();
    m_modified = true;
}

void CCaptileCtrl::setCaption(const QString& caption)
{
    m_caption = caption;
    update();
    m_modified = true;
}

void CCaptileCtrl::setControlFont(const QFont& font)
{
    m_font = font;
    update();
    m_modified = true;
}

QSize CCaptileCtrl::sizeHint() const
{
    // The size stored with the control's dialog, else its own default.
    return m_storedExtent.isEmpty() ? QSize(kDefaultWidth, kDefaultHeight) : m_storedExtent;
}

void CCaptileCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect area = rect();
    // Framed in black, filled with the background colour.
    painter.fillRect(area, Qt::black);
    painter.fillRect(area.adjusted(1, 1, -1, -1), m_backColor);
    if (m_caption.isEmpty())
        return;

    painter.setFont(m_font);
    painter.setPen(m_foreColor);
    // The text stays inside the frame however long it is.
    painter.setClipRect(area.adjusted(1, 1, -1, -1));
    const QFontMetrics metrics(m_font, this);
    const int x = (area.left() + area.right() + 1) / 2 - metrics.horizontalAdvance(m_caption) / 2;
    const int top = (area.top() + area.bottom() + 1 - metrics.height()) / 2;
    painter.drawText(x, top + metrics.ascent(), m_caption);
}

void CCaptileCtrl::writeState(QDataStream& stream) const
{
    ControlState::CaptileState state;
    state.extent = size();
    state.stock = ControlState::toStockRecord(kStockMask, {m_caption, m_foreColor, m_backColor, m_font});
    ControlState::writeState(stream, state);
}

bool CCaptileCtrl::readState(QDataStream& stream)
{
    ControlState::CaptileState state;
    const bool ok = ControlState::readState(stream, state);
    if (ok && state.version == ControlState::kVersion) {
        ControlState::StockProperties stock{QString(), Qt::black, kDefaultBackColor, QFont()};
        ControlState::fromStockRecord(state.stock, stock, palette());
        m_caption = stock.caption;
        m_foreColor = stock.foreColor;
        m_backColor = stock.backColor;
        m_font = stock.font;
    } else {
        resetDefaults();
    }
    if (ok && !state.extent.isEmpty()) {
        m_storedExtent = state.extent;
        resize(state.extent);
        updateGeometry();
    }
    update();
    return ok;
}

QByteArray CCaptileCtrl::saveState() const
{
    return ControlState::toBytes(*this);
}

bool CCaptileCtrl::loadState(const QByteArray& state)
{
    return ControlState::fromBytes(*this, state);
}

QDialog* CCaptileCtrl::createPropertyPage(QWidget* parent)
{
    return new CCaptilePropPage(parent);
}

QDialog* CCaptileCtrl::createAboutBox(QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(QString::fromLatin1(kAboutTitle));
    auto* icon = new QLabel;
    const int iconSize = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(iconSize));
    auto* text = new QLabel(QString::fromLatin1(kAboutText));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    return dialog;
}

void CCaptileCtrl::AboutBox()
{
    QDialog* dialog = createAboutBox(this);
    dialog->exec();
    delete dialog;
}
