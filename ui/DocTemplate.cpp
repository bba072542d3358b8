#include "ui/DocTemplate.h"

#include <QStringList>

CDocTemplate::CDocTemplate(QString docString, Factory factory)
    : m_docString(std::move(docString)), m_factory(std::move(factory))
{}

QString CDocTemplate::GetDocString(DocString which) const
{
    return m_docString.split(QLatin1Char('\n')).value(static_cast<int>(which));
}

QString CDocTemplate::fileDialogFilter() const
{
    const QString ext = filterExtension();
    return GetDocString(DocString::FilterName) + QLatin1String("|*") + ext + QLatin1String("|All Files (*.*)|*.*||");
}

QString CDocTemplate::nextUntitledTitle()
{
    return GetDocString(DocString::FileNewName) + QString::number(++m_untitled);
}
