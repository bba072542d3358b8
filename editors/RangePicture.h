#pragma once

#include <QString>
#include <QWidget>

#include <vector>

// Key ranges (and, when asked, velocity ranges) of several rows drawn over a keyboard:
// a bar per row from its lowest to its highest key, so that splits and layers show at a
// glance, and beside it a bar per row over the velocities 1..127. Inactive rows are grey.
// Dragging a bar's end moves that bound, never past the row's other bound: the picture
// reports the start of a drag, every new value on its way and the end.
class CRangePicture : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kKeys = 128;
    static constexpr int kVelocityMin = 1;
    static constexpr int kVelocityMax = 127;

    enum class Edge { None, KeyLower, KeyUpper, VelocityLower, VelocityUpper };

    struct Row
    {
        QString label;
        int keyLower = 0;
        int keyUpper = kKeys - 1;
        int velocityLower = kVelocityMin;
        int velocityUpper = kVelocityMax;
        bool active = true;
    };

    struct Hit
    {
        int row = -1;
        Edge edge = Edge::None;
    };

    explicit CRangePicture(bool velocities, QWidget* parent = nullptr);

    void setRows(const std::vector<Row>& rows);
    const std::vector<Row>& rows() const { return m_rows; }
    // A note above the keys, beside the velocity title ("not used").
    void setKeyNote(const QString& text);
    void setVelocityNote(const QString& text);

    // The row and the bar end under a point (ends are grabbed a few pixels either side).
    Hit hitTest(QPoint point) const;
    // Geometry: the left edge of a key's column, the key under x, the middle of a row.
    int keyX(int key) const;
    int keyAt(int x) const;
    int velocityX(int velocity) const;
    int velocityAt(int x) const;
    int rowY(int row) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void dragStarted(int row, CRangePicture::Edge edge);
    void edgeMoved(int row, CRangePicture::Edge edge, int value);
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect keyArea() const;
    QRect velocityArea() const;
    int rowHeight() const;
    int& bound(Row& row, Edge edge) const;

    bool m_velocities;
    std::vector<Row> m_rows;
    QString m_keyNote;
    QString m_velocityNote;
    Hit m_drag;
};
