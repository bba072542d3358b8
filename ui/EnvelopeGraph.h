#pragma once

#include <QWidget>
#include <array>

// An envelope graph of the program (the envelope control of the control modules) as the
// editor pages use it: the page hands it a block of 45 ints (the layout of
// model/EnvelopeShape.h) and hears edited() when the user has dragged a point to another
// time or level. What the control reports without such a change (a click that moved
// nothing, the block the page set itself) never reaches the page, and disabling the graph
// ends a drag that is under way without taking its result.
class CEnvelopeGraph : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBlockSize = 45;
    using Points = std::array<int, kBlockSize>;
    // Times and levels lie in the first 14 ints; the rest describes the points.
    static constexpr int kValueFields = 14;

    explicit CEnvelopeGraph(QWidget* parent = nullptr);

    void setPoints(const Points& points);
    const Points& points() const { return m_points; }
    // A disabled graph greys its handles and ignores the mouse.
    void setGraphEnabled(bool enabled);
    bool graphEnabled() const { return m_enabled; }
    void setHelpLine(bool on);

signals:
    // The user changed times or levels; points is the graph's new block.
    void edited(const CEnvelopeGraph::Points& points);

protected:
    // The control's side of the three settings.
    virtual void showPoints(const Points& points) = 0;
    virtual void showEnabled(bool enabled) = 0;
    virtual void showHelpLine(bool on) = 0;
    // Ends a drag the control may be in; what it reports meanwhile is ignored.
    virtual void dropDrag() {}
    // The control reported its block (the user let go of the mouse).
    void controlReported(const Points& points);

private:
    Points m_points{};
    bool m_enabled = true;
    int m_quiet = 0; // inside a call of our own to the control: its reports are echoes
};
