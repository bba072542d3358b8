#pragma once

#include "controls/common/ControlExport.h"
#include "controls/common/ControlModule.h"
#include "controls/common/DispatchTable.h"

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtWidgets/QWidget>

#include <algorithm>

class QDialog;

// A rotary value control. Drag up or down, turn the wheel or use the arrow, page, Home
// and End keys; a double click goes back to the initial value. Every change of the value
// fires Change and then SendString with the message template and the new value; Reset
// returns to the initial value and announces it only when SendOnReset is set.
class TONELOOM_CONTROL_API CKnobCtrl : public QWidget, public IDispatchable
{
    Q_OBJECT
    Q_INTERFACES(IDispatchable)
    Q_PROPERTY(QString SysExString READ sysExString WRITE setSysExString)
    Q_PROPERTY(short InitialValue READ initialValue WRITE setInitialValue)
    Q_PROPERTY(short Min READ minimum WRITE setMinimum)
    Q_PROPERTY(short Max READ maximum WRITE setMaximum)
    Q_PROPERTY(short Value READ value WRITE setValue)
    Q_PROPERTY(bool SendOnReset READ sendOnReset WRITE setSendOnReset)
    Q_PROPERTY(QColor ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(QFont Font READ controlFont WRITE setControlFont)

public:
    // Dispatch numbers of the properties and methods; the events have a numbering of their own.
    static constexpr int kSysExStringId = 1;
    static constexpr int kInitialValueId = 2;
    static constexpr int kMinId = 3;
    static constexpr int kMaxId = 4;
    static constexpr int kValueId = 5;
    static constexpr int kResetId = 6;
    static constexpr int kSendOnResetId = 7;
    static constexpr int kChangeEventId = 1;
    static constexpr int kSendStringEventId = 2;

    static constexpr quint32 kStockMask = 0xC; // ForeColor and Font
    // A drag over this many pixels sweeps the whole range; with Shift ten times as many.
    static constexpr int kDragPixelsPerRange = 160;
    static constexpr int kFineDragFactor = 10;
    // The pointer sweeps 270 degrees, from lower left to lower right.
    static constexpr double kStartAngle = 225.0;
    static constexpr double kSweepAngle = 270.0;

    explicit CKnobCtrl(QWidget* parent = nullptr);
    ~CKnobCtrl() override;

    const CDispatchTable& dispatchTable() const override;

    QString sysExString() const { return m_sysExString; }
    void setSysExString(const QString& text);
    short initialValue() const { return m_initialValue; }
    void setInitialValue(short value);
    short minimum() const { return m_minimum; }
    void setMinimum(short minimum);
    short maximum() const { return m_maximum; }
    void setMaximum(short maximum);
    short value() const { return m_value; }
    // Clipped to the bounds; fires Change and SendString when the value moves.
    void setValue(short value);
    bool sendOnReset() const { return m_sendOnReset; }
    void setSendOnReset(bool send);
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor& color);
    QFont controlFont() const { return m_font; }
    void setControlFont(const QFont& font);

    // The pointer's angle for a value, in degrees counter-clockwise from three o'clock.
    double angleOf(int value) const;
    int pageStep() const;
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    void writeState(QDataStream& stream) const;
    bool readState(QDataStream& stream);
    Q_INVOKABLE QByteArray saveState() const;
    Q_INVOKABLE bool loadState(const QByteArray& state);

    Q_INVOKABLE QDialog* createPropertyPage(QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void Reset();

signals:
    // Event 1: the value changed.
    void Change();
    // Event 2: the template and the current value.
    void SendString(const QString& sysExString, short value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int lowerBound() const { return std::min(m_minimum, m_maximum); }
    int upperBound() const { return std::max(m_minimum, m_maximum); }
    short clipped(int value) const;
    void clipValueSilently();
    void resetDefaults();

    CModuleLock m_moduleLock;
    QSize m_storedExtent; // empty until a stored state names one
    QString m_sysExString;
    short m_initialValue = 0;
    short m_minimum = 0;
    short m_maximum = 127;
    short m_value = 0;
    bool m_sendOnReset = false;
    QColor m_foreColor;
    QFont m_font;
    bool m_modified = false;

    bool m_dragging = false;
    int m_dragStartY = 0;
    int m_dragStartValue = 0;
    int m_wheelRemainder = 0;
};
