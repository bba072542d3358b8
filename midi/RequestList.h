#pragma once

#include <QString>
#include <QStringList>

// The named dump requests the receive dialog offers: a name and the request's bytes
// as hexadecimal text, in the order they were added.
class CRequestList
{
public:
    void add(const QString& name, const QString& text)
    {
        m_names << name;
        m_texts << text;
    }
    int count() const { return static_cast<int>(m_names.size()); }
    QString name(int i) const { return m_names.value(i); }
    QString text(int i) const { return m_texts.value(i); }

private:
    QStringList m_names;
    QStringList m_texts;
};
