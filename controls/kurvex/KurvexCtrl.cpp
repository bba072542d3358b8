#include "controls/kurvex/KurvexCtrl.h"

#include "controls/common/ControlStates.h"
#include "controls/common/StateStream.h"
#include "controls/kurvex/KurvexPropPage.h"

#include <QtCore/QBuffer>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr DispatchMember kMembers[] = {
    {CKurvexCtrl::kHelpLineId, DispatchKind::Property, "HelpLine"},
    {CKurvexCtrl::kPointsId, DispatchKind::Property, "Points"},
    {CKurvexCtrl::kEnableId, DispatchKind::Property, "Enable"},
    {CKurvexCtrl::kPointsChangedEventId, DispatchKind::Event, "PointsChanged"},
};
constexpr CDispatchTable kDispatchTable{kMembers};

// Converting back from pixels must give the same whole units the pixels came from; the
// accumulated floating-point error would otherwise turn 127 into 126.
constexpr double kRoundingAllowance = 1e-6;

const QColor kPanelColor(192, 192, 192);
const QColor kShadowColor(128, 128, 128);
const QColor kBorderGrey(128, 128, 128);
const QColor kBorderLight(192, 192, 192);
const QColor kHandleFrame(0, 0, 120);
const QColor kHandleFill(0, 0, 220);
const QColor kHandleFillDisabled(220, 220, 220);

// Pixels stay this close to the panel whatever a block says (a host may pass on any
// numbers from a settings file), so that no conversion to int overflows.
constexpr double kPixelLimit = 1 << 20;

int toPixel(double value)
{
    return int(std::clamp(value, -kPixelLimit, kPixelLimit));
}

constexpr int kDefaultWidth = 645;
constexpr int kDefaultHeight = 150;

} // namespace

CKurvexCtrl::CKurvexCtrl(QWidget* parent) : QWidget(parent), m_points(KurvexBlock::initialBlock())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    pointsToPixels();
}

CKurvexCtrl::~CKurvexCtrl() = default;

const CDispatchTable& CKurvexCtrl::dispatchTable() const
{
    return kDispatchTable;
}

void CKurvexCtrl::setHelpLine(bool helpLine)
{
    m_helpLine = helpLine;
    update();
    m_modified = true;
}

void CKurvexCtrl::setPoints(const KurvexPoints& points)
{
    m_points = points;
    // The host's block replaces whatever the user was dragging.
    m_dragged = -1;
    pointsToPixels();
    update();
    m_modified = true;
}

void CKurvexCtrl::setEnable(bool enable)
{
    m_enable = enable;
    m_modified = true;
    if (!m_enable)
        cancelDrag();
    update();
}

void CKurvexCtrl::cancelDrag()
{
    if (m_dragged < 0)
        return;
    m_dragged = -1;
    pointsToPixels();
    update();
}

int CKurvexCtrl::pointCount() const
{
    return std::clamp(m_points[KurvexBlock::kCount], 0, KurvexBlock::kMaxPoints);
}

int CKurvexCtrl::maxSegmentTime() const
{
    const int timeScale = m_points[KurvexBlock::kTimeScale];
    const int count = pointCount();
    // A block of fewer than three points has no inner segments to share the width: one
    // segment may then span all of it.
    if (count < 3)
        return std::max(timeScale, 0);
    return std::max(timeScale / (count - 2), 0);
}

bool CKurvexCtrl::isMovable(int index) const
{
    return value(KurvexBlock::kTimeMovable, index) != 0 || value(KurvexBlock::kLevelMovable, index) != 0;
}

CKurvexCtrl::Pixels CKurvexCtrl::pixelsOf(const KurvexPoints& block) const
{
    Pixels pixels;
    const int timeScale = block[KurvexBlock::kTimeScale];
    const int levelMax = block[KurvexBlock::kLevelMax];
    const double drawWidth = width() - 2 * kSideMargin;
    const double drawHeight = height() - 2 * kVerticalMargin;
    // Products first, then one division: whole results stay whole (level 0 lands exactly
    // on the bottom margin). A zero scale would divide by zero; such a block draws every
    // point at the start and at the top.
    double x = kSideMargin;
    for (int i = 0; i < pointCount(); ++i) {
        const auto index = size_t(i);
        if (timeScale != 0)
            x += drawWidth * block[KurvexBlock::kTime + index] / timeScale;
        pixels.x[index] = std::clamp(x, -kPixelLimit, kPixelLimit);
        const double y =
            levelMax != 0 ? drawHeight * (double(levelMax) - block[KurvexBlock::kLevel + index]) / levelMax : 0.0;
        pixels.y[index] = toPixel(std::trunc(y)) + kVerticalMargin;
    }
    return pixels;
}

void CKurvexCtrl::pointsToPixels() const
{
    m_pixelSize = size();
    const Pixels pixels = pixelsOf(m_points);
    m_x = pixels.x;
    m_y = pixels.y;
}

void CKurvexCtrl::syncPixels() const
{
    if (m_pixelSize != size())
        pointsToPixels();
}

double CKurvexCtrl::pointX(int index) const
{
    syncPixels();
    return m_x.at(size_t(index));
}

int CKurvexCtrl::pointY(int index) const
{
    syncPixels();
    return m_y.at(size_t(index));
}

void CKurvexCtrl::pixelsToPoints()
{
    syncPixels();
    const int timeScale = m_points[KurvexBlock::kTimeScale];
    const int levelMax = m_points[KurvexBlock::kLevelMax];
    const double drawWidth = width() - 2 * kSideMargin;
    const double drawHeight = height() - 2 * kVerticalMargin;
    const int maxTime = maxSegmentTime();
    // Where the block puts each point. A point still drawn there keeps its values: on a
    // graph with fewer pixels than units several values share one pixel, and reading
    // the pixel back would round them to one of them.
    const Pixels stored = pixelsOf(m_points);
    // Units of time along the pixels, kept in 64 bits: the sums of several segments may
    // pass what an int holds.
    constexpr double kUnitLimit = 1e15;
    qint64 previous = 0;
    for (int i = 0; i < pointCount(); ++i) {
        const auto index = size_t(i);
        // Without room to draw in, the pixels say nothing about the values: keep them.
        if (drawWidth > 0 && timeScale > 0) {
            const double units = (m_x[index] - kSideMargin) * timeScale / drawWidth;
            const auto g = qint64(std::trunc(std::clamp(units + kRoundingAllowance, -kUnitLimit, kUnitLimit)));
            if (m_x[index] != stored.x[index])
                value(KurvexBlock::kTime, i) = int(std::clamp<qint64>(g - (i == 0 ? 0 : previous), 0, maxTime));
            previous = g;
        }
        if (drawHeight > 0 && levelMax > 0 && m_y[index] != stored.y[index]) {
            int& level = value(KurvexBlock::kLevel, i);
            if (i > 0 && value(KurvexBlock::kFollowsPrevious, i) != 0 && m_y[index] == m_y[index - 1]) {
                // Carried along by the point before it: the same level, not merely the
                // same pixel row.
                level = value(KurvexBlock::kLevel, i - 1);
            } else {
                const double derived = levelMax - double(m_y[index] - kVerticalMargin) * levelMax / drawHeight;
                level = int(std::clamp(std::trunc(derived + kRoundingAllowance), 0.0, double(levelMax)));
            }
        }
    }
}

int CKurvexCtrl::hitTest(QPoint pos) const
{
    syncPixels();
    for (int i = 0; i < pointCount(); ++i) {
        const double x = m_x[size_t(i)];
        const int y = m_y[size_t(i)];
        if (pos.x() >= x - kHitRadius && pos.x() < x + kHitRadius && pos.y() >= y - kHitRadius
            && pos.y() < y + kHitRadius && isMovable(i))
            return i;
    }
    return -1;
}

void CKurvexCtrl::mousePressEvent(QMouseEvent* event)
{
    if (!m_enable || event->button() != Qt::LeftButton)
        return;
    // A press while a drag is still open means its release went elsewhere (a dialog took
    // the mouse): that drag was never let go of, so it is dropped, not committed.
    cancelDrag();
    const int hit = hitTest(event->position().toPoint());
    if (hit < 0)
        return;
    m_dragged = hit;

    // The drag limits are where the point would be drawn at its shortest and longest
    // time and at its lowest and highest level.
    const auto index = size_t(hit);
    KurvexPoints limit = m_points;
    limit[KurvexBlock::kTime + index] = 0;
    limit[KurvexBlock::kLevel + index] = 0;
    const Pixels lowest = pixelsOf(limit);
    m_minX = lowest.x[index];
    m_bottomY = lowest.y[index];
    limit[KurvexBlock::kTime + index] = maxSegmentTime();
    limit[KurvexBlock::kLevel + index] = m_points[KurvexBlock::kLevelMax];
    const Pixels highest = pixelsOf(limit);
    m_maxX = highest.x[index];
    m_topY = highest.y[index];
    pointsToPixels();
    QWidget::mousePressEvent(event);
}

void CKurvexCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragged >= 0) {
        syncPixels();
        const QPoint pos = event->position().toPoint();
        const auto dragged = size_t(m_dragged);
        // The point follows the pointer and stops at its limits, also when the pointer
        // passes them between two moves.
        if (value(KurvexBlock::kTimeMovable, m_dragged) != 0) {
            const double x = std::clamp(double(pos.x()), m_minX, std::max(m_minX, m_maxX));
            // Later points move along, keeping their durations.
            const double shift = x - m_x[dragged];
            for (int j = m_dragged + 1; j < pointCount(); ++j)
                m_x[size_t(j)] += shift;
            m_x[dragged] = x;
        }
        if (value(KurvexBlock::kLevelMovable, m_dragged) != 0) {
            const int y = std::clamp(pos.y(), m_topY, std::max(m_topY, m_bottomY));
            m_y[dragged] = y;
            const int next = m_dragged + 1;
            if (next < pointCount() && value(KurvexBlock::kFollowsPrevious, next) != 0)
                m_y[size_t(next)] = y;
        }
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void CKurvexCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_enable || event->button() != Qt::LeftButton)
        return;
    // Only a drag can change the envelope; a click without one leaves it alone and tells
    // the host nothing, so that the host sends nothing either.
    if (m_dragged >= 0) {
        m_dragged = -1;
        const KurvexPoints before = m_points;
        pixelsToPoints();
        // Draw what the block now says, so that a drag beyond the longest segment snaps
        // back to where its clamped time puts the point.
        pointsToPixels();
        update();
        if (m_points != before)
            emit PointsChanged(m_points);
    }
    QWidget::mouseReleaseEvent(event);
}

void CKurvexCtrl::resizeEvent(QResizeEvent* event)
{
    // The drag limits were pixels of the old size.
    m_dragged = -1;
    pointsToPixels();
    QWidget::resizeEvent(event);
}

QSize CKurvexCtrl::sizeHint() const
{
    // The size stored with the control's dialog, else its own default.
    return m_storedExtent.isEmpty() ? QSize(kDefaultWidth, kDefaultHeight) : m_storedExtent;
}

void CKurvexCtrl::paintEvent(QPaintEvent*)
{
    syncPixels();
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect(), kPanelColor);

    // Sunken border, one pixel per edge: grey and white outside, black and light grey inside.
    painter.fillRect(0, 0, w - 1, 1, kBorderGrey);
    painter.fillRect(0, 0, 1, h - 1, kBorderGrey);
    painter.fillRect(0, h - 1, w, 1, Qt::white);
    painter.fillRect(w - 1, 0, 1, h, Qt::white);
    painter.fillRect(1, 1, w - 3, 1, Qt::black);
    painter.fillRect(1, 1, 1, h - 3, Qt::black);
    painter.fillRect(1, h - 2, w - 2, 1, kBorderLight);
    painter.fillRect(w - 2, 1, 1, h - 2, kBorderLight);

    if (m_helpLine) {
        painter.setPen(QPen(Qt::black, 0));
        painter.drawLine(kSideMargin, h / 2, w - kSideMargin - 1, h / 2);
    }

    const int count = pointCount();
    if (count > 0) {
        auto drawnX = [&](int i) {
            return value(KurvexBlock::kPinnedRight, i) != 0 ? w - kSideMargin : toPixel(m_x[size_t(i)]);
        };
        // The shadow runs one pixel above the first point and one below the others.
        painter.setPen(QPen(kShadowColor, 0));
        QPoint from(drawnX(0), m_y[0] - 1);
        for (int i = 0; i < count; ++i) {
            const QPoint to(drawnX(i), m_y[size_t(i)] + 1);
            painter.drawLine(from, to);
            from = to;
        }
        painter.setPen(QPen(Qt::black, 0));
        from = QPoint(drawnX(0), m_y[0]);
        for (int i = 0; i < count; ++i) {
            const QPoint to(drawnX(i), m_y[size_t(i)]);
            painter.drawLine(from, to);
            from = to;
        }
    }

    const QColor fill = m_enable ? kHandleFill : kHandleFillDisabled;
    for (int i = 0; i < count; ++i) {
        if (!isMovable(i))
            continue;
        const QRect handle(toPixel(m_x[size_t(i)]) - kHandleRadius, m_y[size_t(i)] - kHandleRadius, 2 * kHandleRadius,
                           2 * kHandleRadius);
        painter.fillRect(handle, kHandleFrame);
        painter.fillRect(handle.adjusted(1, 1, -1, -1), fill);
    }
}

void CKurvexCtrl::writeState(QDataStream& stream) const
{
    ControlState::KurvexState state;
    state.extent = size();
    state.helpLine = m_helpLine;
    ControlState::writeState(stream, state);
}

bool CKurvexCtrl::readState(QDataStream& stream)
{
    ControlState::KurvexState state;
    if (!ControlState::readState(stream, state)) {
        m_helpLine = true;
        update();
        return false;
    }
    // A state of another version holds no HelpLine: the default stands.
    m_helpLine = state.helpLine;
    if (!state.extent.isEmpty()) {
        m_storedExtent = state.extent;
        resize(state.extent);
        updateGeometry();
    }
    update();
    return true;
}

QByteArray CKurvexCtrl::saveState() const
{
    return ControlState::toBytes(*this);
}

bool CKurvexCtrl::loadState(const QByteArray& state)
{
    return ControlState::fromBytes(*this, state);
}

QDialog* CKurvexCtrl::createPropertyPage(QWidget* parent)
{
    return new CKurvexPropPage(this, parent);
}
