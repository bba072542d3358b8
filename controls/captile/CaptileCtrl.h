#pragma once

#include "controls/common/ControlExport.h"
#include "controls/common/ControlModule.h"
#include "controls/common/DispatchTable.h"

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtWidgets/QWidget>

class QDialog;

// The caption box: a framed, filled rectangle with a centred caption, used as a coloured
// heading on dialogs. It has no events and does nothing but draw.
class TONELOOM_CONTROL_API CCaptileCtrl : public QWidget, public IDispatchable
{
    Q_OBJECT
    Q_INTERFACES(IDispatchable)
    Q_PROPERTY(QColor BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(QColor ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(QFont Font READ controlFont WRITE setControlFont)

public:
    static constexpr quint32 kStockMask = 0xF; // Caption, ForeColor, BackColor, Font
    static constexpr const char* kAboutTitle = "About Captile Control";
    static constexpr const char* kAboutText = "Captile Control, Version 1.0";

    explicit CCaptileCtrl(QWidget* parent = nullptr);
    ~CCaptileCtrl() override;

    const CDispatchTable& dispatchTable() const override;

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color);
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor& color);
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    QFont controlFont() const { return m_font; }
    void setControlFont(const QFont& font);

    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    void writeState(QDataStream& stream) const;
    bool readState(QDataStream& stream);
    Q_INVOKABLE QByteArray saveState() const;
    Q_INVOKABLE bool loadState(const QByteArray& state);

    Q_INVOKABLE QDialog* createPropertyPage(QWidget* parent);
    // The about dialog AboutBox shows.
    QDialog* createAboutBox(QWidget* parent);

    QSize sizeHint() const override;

public slots:
    void AboutBox();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void resetDefaults();

    CModuleLock m_moduleLock;
    QSize m_storedExtent; // empty until a stored state names one
    QString m_caption;
    QColor m_foreColor;
    QColor m_backColor;
    QFont m_font;
    bool m_modified = false;
};
