#include "playsurfaces/Captile.h"

#include "controls/common/DispatchTable.h"

CCaptile::CCaptile(QWidget* parent) : CControlSite(parent)
{}

QString CCaptile::GetCaption() const
{
    return dispatch().getProperty(DispatchId::kCaption).toString();
}

void CCaptile::SetCaption(const QString& caption)
{
    dispatch().setProperty(DispatchId::kCaption, caption);
    publishChanges();
}

QColor CCaptile::GetBackColor() const
{
    return dispatch().getProperty(DispatchId::kBackColor).value<QColor>();
}

void CCaptile::SetBackColor(const QColor& color)
{
    dispatch().setProperty(DispatchId::kBackColor, color);
    publishChanges();
}

QColor CCaptile::GetForeColor() const
{
    return dispatch().getProperty(DispatchId::kForeColor).value<QColor>();
}

void CCaptile::SetForeColor(const QColor& color)
{
    dispatch().setProperty(DispatchId::kForeColor, color);
    publishChanges();
}

QFont CCaptile::GetCaptionFont() const
{
    return dispatch().getProperty(DispatchId::kFont).value<QFont>();
}

void CCaptile::SetCaptionFont(const QFont& font)
{
    dispatch().setProperty(DispatchId::kFont, font);
    publishChanges();
}

void CCaptile::publishChanges()
{
    if (const QString caption = GetCaption(); caption != m_caption) {
        m_caption = caption;
        emit captionChanged(caption);
    }
    if (const QColor color = GetBackColor(); color != m_backColor) {
        m_backColor = color;
        emit backColorChanged(color);
    }
    if (const QColor color = GetForeColor(); color != m_foreColor) {
        m_foreColor = color;
        emit foreColorChanged(color);
    }
    if (const QFont font = GetCaptionFont(); font != m_captionFont) {
        m_captionFont = font;
        emit captionFontChanged(font);
    }
}
