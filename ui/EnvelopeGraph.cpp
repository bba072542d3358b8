#include "ui/EnvelopeGraph.h"

#include <algorithm>

CEnvelopeGraph::CEnvelopeGraph(QWidget* parent) : QWidget(parent)
{}

void CEnvelopeGraph::setPoints(const Points& points)
{
    m_points = points;
    ++m_quiet;
    showPoints(points);
    --m_quiet;
}

void CEnvelopeGraph::setGraphEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    ++m_quiet;
    if (!enabled) {
        // A point still held must not land later: drop the drag and redraw what holds.
        dropDrag();
        showPoints(m_points);
    }
    showEnabled(enabled);
    --m_quiet;
    m_enabled = enabled;
}

void CEnvelopeGraph::setHelpLine(bool on)
{
    ++m_quiet;
    showHelpLine(on);
    --m_quiet;
}

void CEnvelopeGraph::controlReported(const Points& points)
{
    if (m_quiet > 0 || !m_enabled)
        return;
    if (std::equal(points.begin(), points.begin() + kValueFields, m_points.begin()))
        return;
    m_points = points;
    emit edited(points);
}
