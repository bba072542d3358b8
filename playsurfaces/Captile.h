#pragma once

#include "playsurfaces/ControlSite.h"

#include <QtGui/QColor>
#include <QtGui/QFont>

// A caption box: a coloured heading. Its caption, colours and font come from its stored
// state or from the host.
class CCaptile : public CControlSite
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ GetCaption WRITE SetCaption NOTIFY captionChanged)
    Q_PROPERTY(QColor backColor READ GetBackColor WRITE SetBackColor NOTIFY backColorChanged)
    Q_PROPERTY(QColor foreColor READ GetForeColor WRITE SetForeColor NOTIFY foreColorChanged)
    // Not "font": that is the widget's own.
    Q_PROPERTY(QFont captionFont READ GetCaptionFont WRITE SetCaptionFont NOTIFY captionFontChanged)

public:
    static constexpr const char* kClassId = "{DE32F627-F0AB-11D0-AAE1-444553540000}";

    explicit CCaptile(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }

    QString GetCaption() const;
    void SetCaption(const QString& caption);
    QColor GetBackColor() const;
    void SetBackColor(const QColor& color);
    QColor GetForeColor() const;
    void SetForeColor(const QColor& color);
    QFont GetCaptionFont() const;
    void SetCaptionFont(const QFont& font);

signals:
    void captionChanged(const QString& caption);
    void backColorChanged(const QColor& color);
    void foreColorChanged(const QColor& color);
    void captionFontChanged(const QFont& font);

protected:
    void publishChanges() override;

private:
    QString m_caption;
    QColor m_backColor;
    QColor m_foreColor;
    QFont m_captionFont;
};
