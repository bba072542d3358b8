#include "editors/RangePicture.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kLabelWidth = 48;
constexpr int kVelocityWidth = 140;
constexpr int kVelocityGap = 14;
constexpr int kHeader = 16;
constexpr int kKeyboardHeight = 26;
constexpr int kMinRowHeight = 11;
constexpr int kRowHeight = 16;
constexpr int kGrab = 4;        // pixels either side of a bar's end that grab it
constexpr int kMinKeyWidth = 3; // pixels per key at the least
constexpr int kPreferredKeyWidth = 6;
constexpr int kSemitones = 12;

bool isBlack(int key)
{
    switch (key % kSemitones) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10:
        return true;
    default:
        return false;
    }
}

} // namespace

CRangePicture::CRangePicture(bool velocities, QWidget* parent) : QWidget(parent), m_velocities(velocities)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CRangePicture::setRows(const std::vector<Row>& rows)
{
    const bool resized = rows.size() != m_rows.size();
    m_rows = rows;
    if (resized)
        updateGeometry();
    update();
}

void CRangePicture::setKeyNote(const QString& text)
{
    m_keyNote = text;
    update();
}

void CRangePicture::setVelocityNote(const QString& text)
{
    m_velocityNote = text;
    update();
}

int CRangePicture::rowHeight() const
{
    return m_rows.size() > 8 ? kMinRowHeight : kRowHeight;
}

QSize CRangePicture::sizeHint() const
{
    const int width = kLabelWidth + kKeys * kPreferredKeyWidth + (m_velocities ? kVelocityGap + kVelocityWidth : 0);
    return {width, kHeader + static_cast<int>(m_rows.size()) * rowHeight() + kKeyboardHeight + 2};
}

QSize CRangePicture::minimumSizeHint() const
{
    const int width = kLabelWidth + kKeys * kMinKeyWidth + (m_velocities ? kVelocityGap + kVelocityWidth : 0);
    return {width, sizeHint().height()};
}

QRect CRangePicture::keyArea() const
{
    const int right = width() - (m_velocities ? kVelocityGap + kVelocityWidth : 0);
    return QRect(kLabelWidth, kHeader, right - kLabelWidth, static_cast<int>(m_rows.size()) * rowHeight());
}

QRect CRangePicture::velocityArea() const
{
    if (!m_velocities)
        return {};
    return QRect(width() - kVelocityWidth, kHeader, kVelocityWidth, static_cast<int>(m_rows.size()) * rowHeight());
}

int CRangePicture::keyX(int key) const
{
    const QRect area = keyArea();
    return area.left() + key * area.width() / kKeys;
}

int CRangePicture::keyAt(int x) const
{
    const QRect area = keyArea();
    if (area.width() <= 0)
        return 0;
    // The key whose column holds x: the rounding of keyX() decides the columns.
    int key = std::clamp((x - area.left()) * kKeys / area.width(), 0, kKeys - 1);
    while (key < kKeys - 1 && keyX(key + 1) <= x)
        ++key;
    while (key > 0 && keyX(key) > x)
        --key;
    return key;
}

int CRangePicture::velocityX(int velocity) const
{
    const QRect area = velocityArea();
    return area.left() + (velocity - kVelocityMin) * area.width() / (kVelocityMax - kVelocityMin + 1);
}

int CRangePicture::velocityAt(int x) const
{
    const QRect area = velocityArea();
    if (area.width() <= 0)
        return kVelocityMin;
    int velocity = std::clamp(kVelocityMin + (x - area.left()) * (kVelocityMax - kVelocityMin + 1) / area.width(),
                              kVelocityMin, kVelocityMax);
    while (velocity < kVelocityMax && velocityX(velocity + 1) <= x)
        ++velocity;
    while (velocity > kVelocityMin && velocityX(velocity) > x)
        --velocity;
    return velocity;
}

int CRangePicture::rowY(int row) const
{
    return kHeader + row * rowHeight() + rowHeight() / 2;
}

CRangePicture::Hit CRangePicture::hitTest(QPoint point) const
{
    const int row = (point.y() - kHeader) / rowHeight();
    if (point.y() < kHeader || row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    const auto near = [&](int x) { return std::abs(point.x() - x) <= kGrab; };
    // The nearer end wins where a short bar puts both within reach.
    const auto pick = [&](int lowerX, int upperX, Edge lower, Edge upper) -> Hit {
        const bool l = near(lowerX);
        const bool u = near(upperX);
        if (l && u)
            return {row, std::abs(point.x() - lowerX) < std::abs(point.x() - upperX) ? lower : upper};
        if (l)
            return {row, lower};
        if (u)
            return {row, upper};
        return {row, Edge::None};
    };
    if (m_velocities && point.x() >= velocityArea().left() - kGrab)
        return pick(velocityX(r.velocityLower), velocityX(r.velocityUpper + 1), Edge::VelocityLower,
                    Edge::VelocityUpper);
    return pick(keyX(r.keyLower), keyX(r.keyUpper + 1), Edge::KeyLower, Edge::KeyUpper);
}

int& CRangePicture::bound(Row& row, Edge edge) const
{
    switch (edge) {
    case Edge::KeyUpper:
        return row.keyUpper;
    case Edge::VelocityLower:
        return row.velocityLower;
    case Edge::VelocityUpper:
        return row.velocityUpper;
    default:
        return row.keyLower;
    }
}

void CRangePicture::mousePressEvent(QMouseEvent* event)
{
    const Hit hit = hitTest(event->position().toPoint());
    if (event->button() != Qt::LeftButton || hit.edge == Edge::None || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_drag = hit;
    emit dragStarted(hit.row, hit.edge);
}

void CRangePicture::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_drag.edge == Edge::None) {
        const Hit hit = hitTest(at);
        setCursor(hit.edge == Edge::None ? Qt::ArrowCursor : Qt::SizeHorCursor);
        return;
    }
    Row& row = m_rows[static_cast<std::size_t>(m_drag.row)];
    int value = 0;
    // The lower bound is the key (velocity) whose column starts nearest the pointer, the
    // upper one the key whose column ends there.
    switch (m_drag.edge) {
    case Edge::KeyLower:
        value = std::min(keyAt(at.x() + (keyX(1) - keyX(0)) / 2), row.keyUpper);
        break;
    case Edge::KeyUpper:
        value = std::max(keyAt(at.x() - (keyX(1) - keyX(0)) / 2), row.keyLower);
        break;
    case Edge::VelocityLower:
        value = std::min(velocityAt(at.x() + (velocityX(2) - velocityX(1)) / 2), row.velocityUpper);
        break;
    case Edge::VelocityUpper:
        value = std::max(velocityAt(at.x() - (velocityX(2) - velocityX(1)) / 2), row.velocityLower);
        break;
    case Edge::None:
        return;
    }
    int& b = bound(row, m_drag.edge);
    if (value == b)
        return;
    b = value;
    update();
    emit edgeMoved(m_drag.row, m_drag.edge, value);
}

void CRangePicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag.edge == Edge::None || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_drag = {};
    emit dragFinished();
}

void CRangePicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    const QColor ink = pal.color(QPalette::WindowText);
    const QColor grey = pal.color(QPalette::Disabled, QPalette::WindowText);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    painter.setFont(small);
    const QRect keys = keyArea();
    const int rh = rowHeight();

    painter.setPen(ink);
    QString title = QStringLiteral("Keys");
    if (!m_keyNote.isEmpty())
        title += QStringLiteral(" (") + m_keyNote + QLatin1Char(')');
    painter.drawText(QRect(keys.left(), 0, keys.width(), kHeader), Qt::AlignLeft | Qt::AlignVCenter, title);
    // Octave lines behind the bars.
    painter.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DotLine));
    for (int c = 0; c < kKeys; c += kSemitones)
        painter.drawLine(keyX(c), keys.top(), keyX(c), keys.bottom());

    const auto barColor = [&](int row, bool active) {
        if (!active || !isEnabled())
            return pal.color(QPalette::Disabled, QPalette::Mid);
        return QColor::fromHsv((row * 47) % 360, 120, 220);
    };
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const Row& r = m_rows[static_cast<std::size_t>(i)];
        const int top = kHeader + i * rh;
        painter.setPen(r.active ? ink : grey);
        painter.drawText(QRect(0, top, kLabelWidth - 4, rh), Qt::AlignLeft | Qt::AlignVCenter, r.label);
        const QColor fill = barColor(i, r.active);
        painter.setPen(QPen(r.active ? ink : grey, 1));
        painter.setBrush(fill);
        const int lo = std::min(r.keyLower, r.keyUpper);
        const int hi = std::max(r.keyLower, r.keyUpper);
        painter.drawRect(QRect(QPoint(keyX(lo), top + 2), QPoint(keyX(hi + 1) - 1, top + rh - 3)));
        if (m_velocities) {
            const int vlo = std::min(r.velocityLower, r.velocityUpper);
            const int vhi = std::max(r.velocityLower, r.velocityUpper);
            painter.drawRect(QRect(QPoint(velocityX(vlo), top + 2), QPoint(velocityX(vhi + 1) - 1, top + rh - 3)));
        }
    }

    // The keyboard under the rows: white keys, then the black ones shorter over them.
    const int kbTop = keys.bottom() + 2;
    painter.setPen(QPen(grey, 1));
    painter.setBrush(pal.color(QPalette::Base));
    painter.drawRect(QRect(keys.left(), kbTop, keys.width() - 1, kKeyboardHeight - 1));
    painter.setBrush(ink);
    for (int k = 0; k < kKeys; ++k) {
        if (isBlack(k))
            painter.fillRect(QRect(keyX(k), kbTop, keyX(k + 1) - keyX(k), kKeyboardHeight * 3 / 5), ink);
        else if (k % kSemitones == 0 || k % kSemitones == 5)
            painter.drawLine(keyX(k), kbTop, keyX(k), kbTop + kKeyboardHeight - 1);
    }
    painter.setPen(ink);
    for (int c = 0; c < kKeys; c += kSemitones) {
        const QRect label(keyX(c) + 1, kbTop + kKeyboardHeight * 3 / 5, keyX(c + kSemitones) - keyX(c),
                          kKeyboardHeight * 2 / 5);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("C%1").arg(c / kSemitones - 1));
    }

    if (m_velocities) {
        const QRect v = velocityArea();
        QString velocityTitle = QStringLiteral("Velocity");
        if (!m_velocityNote.isEmpty())
            velocityTitle += QStringLiteral(" (") + m_velocityNote + QLatin1Char(')');
        painter.drawText(QRect(v.left(), 0, v.width(), kHeader), Qt::AlignLeft | Qt::AlignVCenter, velocityTitle);
        painter.setPen(grey);
        painter.drawLine(v.left(), v.bottom() + 2, v.right(), v.bottom() + 2);
        painter.drawText(QRect(v.left(), v.bottom() + 3, v.width(), kKeyboardHeight), Qt::AlignLeft | Qt::AlignTop,
                         QString::number(kVelocityMin));
        painter.drawText(QRect(v.left(), v.bottom() + 3, v.width(), kKeyboardHeight), Qt::AlignRight | Qt::AlignTop,
                         QString::number(kVelocityMax));
    }
}
