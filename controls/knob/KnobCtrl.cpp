#include "controls/knob/KnobCtrl.h"

#include "controls/common/ControlStates.h"
#include "controls/common/StateStream.h"
#include "controls/knob/KnobPropPage.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr DispatchMember kMembers[] = {
    {CKnobCtrl::kSysExStringId, DispatchKind::Property, "SysExString"},
    {CKnobCtrl::kInitialValueId, DispatchKind::Property, "InitialValue"},
    {CKnobCtrl::kMinId, DispatchKind::Property, "Min"},
    {CKnobCtrl::kMaxId, DispatchKind::Property, "Max"},
    {CKnobCtrl::kValueId, DispatchKind::Property, "Value"},
    {CKnobCtrl::kResetId, DispatchKind::Method, "Reset"},
    {CKnobCtrl::kSendOnResetId, DispatchKind::Property, "SendOnReset"},
    {DispatchId::kForeColor, DispatchKind::Property, "ForeColor"},
    {DispatchId::kFont, DispatchKind::Property, "Font"},
    {CKnobCtrl::kChangeEventId, DispatchKind::Event, "Change"},
    {CKnobCtrl::kSendStringEventId, DispatchKind::Event, "SendString"},
};
constexpr CDispatchTable kDispatchTable{kMembers};

const QColor kDefaultForeColor(230, 120, 20);
const QColor kTrackColor(150, 150, 150);
const QColor kBodyLight(96, 96, 100);
const QColor kBodyDark(40, 40, 44);
const QColor kBodyOutline(20, 20, 20);
const QColor kPointerColor(245, 245, 245);
constexpr short kDefaultMaximum = ControlState::KnobState::kDefaultMaximum;
constexpr int kDefaultSize = 40;
constexpr int kMinimumSize = 20;
constexpr int kWheelStep = 120;
// Below this diameter the number would not fit inside the knob.
constexpr int kValueTextMinDiameter = 44;

} // namespace

CKnobCtrl::CKnobCtrl(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    resetDefaults();
}

CKnobCtrl::~CKnobCtrl() = default;

const CDispatchTable& CKnobCtrl::dispatchTable() const
{
    return kDispatchTable;
}

void CKnobCtrl::resetDefaults()
{
    m_sysExString.clear();
    m_initialValue = 0;
    m_minimum = 0;
    m_maximum = kDefaultMaximum;
    m_value = 0;
    m_sendOnReset = false;
    m_foreColor = kDefaultForeColor;
    m_font = QFont();
}

short CKnobCtrl::clipped(int value) const
{
    return short(std::clamp(value, lowerBound(), upperBound()));
}

void CKnobCtrl::clipValueSilently()
{
    m_value = clipped(m_value);
    update();
}

void CKnobCtrl::setSysExString(const QString& text)
{
    m_sysExString = text;
    m_modified = true;
}

void CKnobCtrl::setInitialValue(short value)
{
    m_initialValue = value;
    m_modified = true;
}

// Changing a bound is a matter of setting up the knob: the value is clipped to the new
// range without announcing it.
void CKnobCtrl::setMinimum(short minimum)
{
    m_minimum = minimum;
    clipValueSilently();
    m_modified = true;
}

void CKnobCtrl::setMaximum(short maximum)
{
    m_maximum = maximum;
    clipValueSilently();
    m_modified = true;
}

void CKnobCtrl::setValue(short value)
{
    const short newValue = clipped(value);
    if (newValue == m_value)
        return;
    m_value = newValue;
    m_modified = true;
    update();
    emit Change();
    emit SendString(m_sysExString, m_value);
}

void CKnobCtrl::setSendOnReset(bool send)
{
    m_sendOnReset = send;
    m_modified = true;
}

void CKnobCtrl::setForeColor(const QColor& color)
{
    m_foreColor = color;
    update();
    m_modified = true;
}

void CKnobCtrl::setControlFont(const QFont& font)
{
    m_font = font;
    update();
    m_modified = true;
}

void CKnobCtrl::Reset()
{
    const short initial = clipped(m_initialValue);
    const bool changed = initial != m_value;
    m_value = initial;
    update();
    if (changed)
        emit Change();
    if (m_sendOnReset)
        emit SendString(m_sysExString, m_value);
}

int CKnobCtrl::pageStep() const
{
    return std::max(1, (upperBound() - lowerBound()) / 10);
}

double CKnobCtrl::angleOf(int value) const
{
    const int span = upperBound() - lowerBound();
    const double fraction =
        span > 0 ? double(std::clamp(value, lowerBound(), upperBound()) - lowerBound()) / span : 0.0;
    return kStartAngle - fraction * kSweepAngle;
}

QSize CKnobCtrl::sizeHint() const
{
    // The size stored with the control's dialog, else its own default.
    return m_storedExtent.isEmpty() ? QSize(kDefaultSize, kDefaultSize) : m_storedExtent;
}

QSize CKnobCtrl::minimumSizeHint() const
{
    return {kMinimumSize, kMinimumSize};
}

void CKnobCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    m_dragStartY = event->position().toPoint().y();
    m_dragStartValue = m_value;
}

void CKnobCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const int pixels = kDragPixelsPerRange * ((event->modifiers() & Qt::ShiftModifier) ? kFineDragFactor : 1);
    const int span = upperBound() - lowerBound();
    const double moved = double(m_dragStartY - event->position().toPoint().y()) * span / pixels;
    setValue(clipped(m_dragStartValue + int(std::lround(moved))));
}

void CKnobCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CKnobCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        setValue(clipped(m_initialValue));
    }
}

void CKnobCtrl::wheelEvent(QWheelEvent* event)
{
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / kWheelStep;
    m_wheelRemainder -= steps * kWheelStep;
    if (steps != 0)
        setValue(clipped(m_value + steps));
    event->accept();
}

void CKnobCtrl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        setValue(clipped(m_value + 1));
        break;
    case Qt::Key_Down:
    case Qt::Key_Left:
        setValue(clipped(m_value - 1));
        break;
    case Qt::Key_PageUp:
        setValue(clipped(m_value + pageStep()));
        break;
    case Qt::Key_PageDown:
        setValue(clipped(m_value - pageStep()));
        break;
    case Qt::Key_Home:
        setValue(clipped(lowerBound()));
        break;
    case Qt::Key_End:
        setValue(clipped(upperBound()));
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CKnobCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const int diameter = std::min(width(), height());
    if (diameter < 4)
        return;
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double outer = diameter / 2.0;
    const double ringWidth = std::max(2.0, diameter / 12.0);
    const double ringRadius = outer - ringWidth / 2.0 - 0.5;
    const QRectF ringRect(centre.x() - ringRadius, centre.y() - ringRadius, 2 * ringRadius, 2 * ringRadius);
    const bool enabled = isEnabled();

    // The track of the whole range, then the part up to the value: from the bottom of the
    // range, or from zero for a range that runs both sides of it.
    QPen track(kTrackColor, ringWidth, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(track);
    painter.drawArc(ringRect, int(std::lround((kStartAngle - kSweepAngle) * 16)), int(std::lround(kSweepAngle * 16)));
    const int origin = (lowerBound() < 0 && upperBound() > 0) ? 0 : lowerBound();
    const double from = angleOf(origin);
    const double to = angleOf(m_value);
    QColor accent = enabled ? m_foreColor : palette().color(QPalette::Disabled, QPalette::WindowText);
    QPen valuePen(accent, ringWidth, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(valuePen);
    if (std::abs(to - from) > 0.01)
        painter.drawArc(ringRect, int(std::lround(from * 16)), int(std::lround((to - from) * 16)));

    // The knob's body, lit from the upper left.
    const double bodyRadius = ringRadius - ringWidth / 2.0 - std::max(1.5, diameter / 20.0);
    if (bodyRadius < 2)
        return;
    QRadialGradient gradient(centre - QPointF(bodyRadius / 3, bodyRadius / 3), bodyRadius * 1.4);
    gradient.setColorAt(0, enabled ? kBodyLight : kBodyLight.lighter(150));
    gradient.setColorAt(1, enabled ? kBodyDark : kBodyDark.lighter(200));
    painter.setPen(QPen(kBodyOutline, 1));
    painter.setBrush(gradient);
    painter.drawEllipse(centre, bodyRadius, bodyRadius);

    // The pointer: a bold mark from inside the body to its rim.
    const double radians = to * std::numbers::pi / 180.0;
    const QPointF direction(std::cos(radians), -std::sin(radians));
    const bool showNumber = diameter >= kValueTextMinDiameter;
    const double inner = showNumber ? bodyRadius * 0.62 : bodyRadius * 0.25;
    painter.setPen(QPen(kPointerColor, std::max(1.5, diameter / 16.0), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + direction * inner, centre + direction * (bodyRadius - 1.5));

    if (showNumber) {
        QFont numberFont = m_font;
        numberFont.setPixelSize(std::max(8, int(bodyRadius * 0.55)));
        painter.setFont(numberFont);
        painter.setPen(kPointerColor);
        painter.drawText(QRectF(centre.x() - bodyRadius, centre.y() - bodyRadius, 2 * bodyRadius, 2 * bodyRadius),
                         Qt::AlignCenter, QString::number(m_value));
    }

    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawEllipse(centre, outer - 0.5, outer - 0.5);
    }
}

void CKnobCtrl::writeState(QDataStream& stream) const
{
    ControlState::KnobState state;
    state.extent = size();
    state.stock = ControlState::toStockRecord(kStockMask, {QString(), m_foreColor, QColor(), m_font});
    state.sysExString = m_sysExString;
    state.initialValue = m_initialValue;
    state.minimum = m_minimum;
    state.maximum = m_maximum;
    state.sendOnReset = m_sendOnReset;
    ControlState::writeState(stream, state);
}

bool CKnobCtrl::readState(QDataStream& stream)
{
    ControlState::KnobState state;
    if (!ControlState::readState(stream, state)) {
        resetDefaults();
        update();
        return false;
    }
    ControlState::StockProperties stock{QString(), kDefaultForeColor, QColor(), QFont()};
    ControlState::fromStockRecord(state.stock, stock, palette());
    m_foreColor = stock.foreColor;
    m_font = stock.font;
    m_sysExString = state.sysExString;
    m_initialValue = state.initialValue;
    m_minimum = state.minimum;
    m_maximum = state.maximum;
    m_sendOnReset = state.sendOnReset;
    m_value = clipped(m_initialValue);
    if (!state.extent.isEmpty()) {
        m_storedExtent = state.extent;
        resize(state.extent);
        updateGeometry();
    }
    update();
    return true;
}

QByteArray CKnobCtrl::saveState() const
{
    return ControlState::toBytes(*this);
}

bool CKnobCtrl::loadState(const QByteArray& state)
{
    return ControlState::fromBytes(*this, state);
}

QDialog* CKnobCtrl::createPropertyPage(QWidget* parent)
{
    return new CKnobPropPage(this, parent);
}
