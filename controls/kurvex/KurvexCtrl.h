#pragma once

#include "controls/common/ControlExport.h"
#include "controls/common/ControlModule.h"
#include "controls/common/DispatchTable.h"
#include "controls/kurvex/KurvexPoints.h"

#include <QtWidgets/QWidget>

class QDialog;

// The envelope graph: a sunken panel with an envelope of up to seven points. Movable
// points carry handles the user drags; when a drag ends the picture is turned back into
// times and levels and, if that changed the block, PointsChanged hands it to the host.
class TONELOOM_CONTROL_API CKurvexCtrl : public QWidget, public IDispatchable
{
    Q_OBJECT
    Q_INTERFACES(IDispatchable)
    Q_PROPERTY(bool HelpLine READ helpLine WRITE setHelpLine)
    Q_PROPERTY(KurvexPoints Points READ points WRITE setPoints)
    Q_PROPERTY(bool Enable READ enable WRITE setEnable)

public:
    // Dispatch numbers of the properties; the event has a numbering of its own.
    static constexpr int kHelpLineId = 1;
    static constexpr int kPointsId = 2;
    static constexpr int kEnableId = 3;
    static constexpr int kPointsChangedEventId = 1;

    // Handles are this far from a point's pixel on each side; the hit square a bit more.
    static constexpr int kHandleRadius = 3;
    static constexpr int kHitRadius = 4;
    // Margins of the drawing inside the panel.
    static constexpr int kSideMargin = 5;
    static constexpr int kVerticalMargin = 10;

    explicit CKurvexCtrl(QWidget* parent = nullptr);
    ~CKurvexCtrl() override;

    const CDispatchTable& dispatchTable() const override;

    bool helpLine() const { return m_helpLine; }
    void setHelpLine(bool helpLine);
    // The control's own block; hosts read it back during PointsChanged.
    KurvexPoints points() const { return m_points; }
    void setPoints(const KurvexPoints& points);
    bool enable() const { return m_enable; }
    void setEnable(bool enable);

    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Pixel positions as the control currently draws and hit-tests them.
    double pointX(int index) const;
    int pointY(int index) const;
    int pointCount() const;
    int draggedPoint() const { return m_dragged; }
    // The first movable point whose hit square holds pos, or -1.
    int hitTest(QPoint pos) const;
    // The longest time one segment may take after a drag.
    int maxSegmentTime() const;

    // The persisted state: version, extent, stock mask (none), HelpLine.
    void writeState(QDataStream& stream) const;
    bool readState(QDataStream& stream);
    Q_INVOKABLE QByteArray saveState() const;
    Q_INVOKABLE bool loadState(const QByteArray& state);

    Q_INVOKABLE QDialog* createPropertyPage(QWidget* parent);

    QSize sizeHint() const override;

signals:
    // Event 1, after a drag that changed the block; points is the control's own block.
    void PointsChanged(const KurvexPoints& points);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int value(size_t field, int index) const { return m_points[field + size_t(index)]; }
    int& value(size_t field, int index) { return m_points[field + size_t(index)]; }
    bool isMovable(int index) const;
    struct Pixels
    {
        std::array<double, KurvexBlock::kMaxPoints> x{};
        std::array<int, KurvexBlock::kMaxPoints> y{};
    };
    // Where the points of block are drawn at the control's current size.
    Pixels pixelsOf(const KurvexPoints& block) const;
    // Pixels follow the block; they are recomputed when the size has changed since, which
    // a hidden control learns only when it is next asked.
    void pointsToPixels() const;
    void syncPixels() const;
    void pixelsToPoints();
    // Drops an unfinished drag: the picture goes back to what the block says.
    void cancelDrag();

    CModuleLock m_moduleLock;
    QSize m_storedExtent; // empty until a stored state names one
    KurvexPoints m_points;
    mutable std::array<double, KurvexBlock::kMaxPoints> m_x{};
    mutable std::array<int, KurvexBlock::kMaxPoints> m_y{};
    mutable QSize m_pixelSize;
    int m_dragged = -1;
    double m_minX = 0;
    double m_maxX = 0;
    int m_topY = 0;
    int m_bottomY = 0;
    bool m_helpLine = true;
    bool m_enable = true;
    bool m_modified = false;
};
