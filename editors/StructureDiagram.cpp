#include "editors/StructureDiagram.h"

#include <QPainter>
#include <QPainterPath>

using tonestructure::Block;
using tonestructure::Kind;

namespace {

constexpr int kBoxWidth = 36;
constexpr int kBoxHeight = 18;
constexpr int kGap = 8;
constexpr int kColumn = kBoxWidth + kGap;
constexpr int kTitleHeight = 18;
constexpr int kRowGap = 12;
constexpr int kMargin = 4;
constexpr int kColumns = 10; // the widest type: two blocks, meet, mix, three blocks, out
constexpr int kArrow = 4;
constexpr const char* kBoosters[] = {"0", "+6", "+12", "+18"};

} // namespace

CStructureDiagram::CStructureDiagram(int firstTone, QWidget* parent) : QWidget(parent), m_firstTone(firstTone)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CStructureDiagram::setStructure(int type, int booster)
{
    type = std::clamp(type, 0, tonestructure::kTypes - 1);
    booster = std::clamp(booster, 0, 3);
    if (type == m_type && booster == m_booster && !toolTip().isEmpty())
        return;
    m_type = type;
    m_booster = booster;
    setToolTip(description());
    setAccessibleDescription(description());
    update();
}

void CStructureDiagram::setToneOn(int tone, bool on)
{
    if (tone < 0 || tone > 1 || m_on[static_cast<std::size_t>(tone)] == on)
        return;
    m_on[static_cast<std::size_t>(tone)] = on;
    update();
}

QString CStructureDiagram::description() const
{
    return QStringLiteral("Structure %1&%2, type %3: %4")
        .arg(m_firstTone)
        .arg(m_firstTone + 1)
        .arg(m_type + 1)
        .arg(tonestructure::routing(m_type, m_firstTone).join(QLatin1Char(' ')));
}

QSize CStructureDiagram::sizeHint() const
{
    return {2 * kMargin + kColumns * kColumn, kTitleHeight + 3 * kBoxHeight + 2 * kRowGap + 2 * kMargin};
}

QSize CStructureDiagram::minimumSizeHint() const
{
    return sizeHint();
}

void CStructureDiagram::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    painter.setFont(small);
    const QPalette& pal = palette();
    const QColor ink = pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    const QColor grey = pal.color(QPalette::Disabled, QPalette::WindowText);
    const QColor fill = pal.color(QPalette::Base);
    const QColor meetFill = pal.color(QPalette::AlternateBase);

    const tonestructure::Wiring& w = tonestructure::wiring(m_type);
    QString title = QStringLiteral("Tones %1&%2: type %3").arg(m_firstTone).arg(m_firstTone + 1).arg(m_type + 1);
    if (w.meet == Kind::Booster)
        title += QStringLiteral(", booster %1").arg(QString::fromLatin1(kBoosters[m_booster]));
    painter.setPen(ink);
    painter.drawText(QRect(kMargin, 0, width() - 2 * kMargin, kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter, title);

    const int top = kTitleHeight + kMargin;
    const int rowY[3] = {top, top + kBoxHeight + kRowGap, top + 2 * (kBoxHeight + kRowGap)};
    // Rows: 0 the first tone, 2 the second, 1 where the sounds meet.
    const auto boxAt = [&](int column, int row) {
        return QRect(kMargin + column * kColumn, rowY[row], kBoxWidth, kBoxHeight);
    };
    const auto toneColor = [&](int tone) { return m_on[static_cast<std::size_t>(tone)] ? ink : grey; };
    const auto drawBox = [&](const QRect& r, const QString& text, const QColor& pen, const QColor& background,
                             bool round) {
        painter.setPen(QPen(pen, 1));
        painter.setBrush(background);
        if (round)
            painter.drawRoundedRect(r, kBoxHeight / 2.0, kBoxHeight / 2.0);
        else
            painter.drawRect(r);
        painter.drawText(r, Qt::AlignCenter, text);
    };
    const auto arrowTo = [&](QPoint from, QPoint to, const QColor& pen) {
        painter.setPen(QPen(pen, 1));
        painter.setBrush(pen);
        QPainterPath path(from);
        // Along the row, then up or down to the next row's middle.
        if (from.y() != to.y()) {
            const int bend = to.x() - kGap / 2;
            path.lineTo(bend, from.y());
            path.lineTo(bend, to.y());
        }
        path.lineTo(to);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        painter.setBrush(pen);
        const QPolygon head({to, to + QPoint(-kArrow, -kArrow), to + QPoint(-kArrow, kArrow)});
        painter.drawPolygon(head);
    };
    const auto chain = [&](const std::vector<Block>& blocks, int row, int startColumn, const QColor& pen,
                           QPoint* lastRight) {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const QRect r = boxAt(startColumn + static_cast<int>(i), row);
            if (i > 0 || lastRight->x() >= 0)
                arrowTo(*lastRight, QPoint(r.left(), r.center().y()), pen);
            drawBox(r, tonestructure::blockName(blocks[i], m_firstTone), pen, fill, false);
            *lastRight = QPoint(r.right() + 1, r.center().y());
        }
    };

    QPoint firstEnd(-1, -1);
    QPoint secondEnd(-1, -1);
    chain(w.first, 0, 0, toneColor(0), &firstEnd);
    chain(w.second, 2, 0, toneColor(1), &secondEnd);
    const int outColumn = kColumns - 1;
    if (w.meet == Kind::Wave) {
        for (const auto& [end, row, tone] : {std::tuple{firstEnd, 0, 0}, std::tuple{secondEnd, 2, 1}}) {
            const QRect out = boxAt(outColumn, row);
            arrowTo(end, QPoint(out.left(), out.center().y()), toneColor(tone));
            painter.setPen(toneColor(tone));
            painter.drawText(out, Qt::AlignCenter, QStringLiteral("OUT"));
        }
        return;
    }
    const bool bothOff = !m_on[0] && !m_on[1];
    const QColor shared = bothOff ? grey : ink;
    int column = static_cast<int>(std::max(w.first.size(), w.second.size()));
    const QRect meet = boxAt(column, 1).adjusted(-kGap / 2 + 1, 0, kGap / 2 - 1, 0);
    arrowTo(firstEnd, QPoint(meet.left(), meet.center().y()), toneColor(0));
    arrowTo(secondEnd, QPoint(meet.left(), meet.center().y()), toneColor(1));
    drawBox(meet, tonestructure::blockName({w.meet, 0}, m_firstTone), shared, meetFill, true);
    QPoint last(meet.right() + 1, meet.center().y());
    for (int i = 0; i < static_cast<int>(w.after.size()); ++i) {
        ++column;
        if (i == w.mixAt) {
            // The second tone's own sound joins here, along the bottom row.
            const QRect mix = boxAt(column, 1);
            arrowTo(last, QPoint(mix.left(), mix.center().y()), shared);
            const QPoint below(mix.center().x(), mix.bottom() + 1);
            // It branches where the second tone turns towards the meeting point.
            const int branch = meet.left() - kGap / 2;
            const int bus = rowY[2] + kBoxHeight + 3;
            painter.setPen(QPen(toneColor(1), 1));
            painter.drawLine(QPoint(branch, secondEnd.y()), QPoint(branch, bus));
            painter.drawLine(QPoint(branch, bus), QPoint(below.x(), bus));
            painter.drawLine(QPoint(below.x(), bus), below);
            drawBox(mix, QStringLiteral("+"), shared, meetFill, true);
            last = QPoint(mix.right() + 1, mix.center().y());
            ++column;
        }
        const QRect r = boxAt(column, 1);
        arrowTo(last, QPoint(r.left(), r.center().y()), shared);
        drawBox(r, tonestructure::blockName(w.after[static_cast<std::size_t>(i)], m_firstTone), shared, fill, false);
        last = QPoint(r.right() + 1, r.center().y());
    }
    const QRect out = boxAt(column + 1, 1);
    arrowTo(last, QPoint(out.left(), out.center().y()), shared);
    painter.setPen(shared);
    painter.drawText(out, Qt::AlignCenter, QStringLiteral("OUT"));
}
