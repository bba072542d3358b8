#include "bank/EditCommand.h"

#include "bank/ToneloomDoc.h"

namespace {

// An image of exactly size bytes: longer ones are cut, shorter ones padded with zeros.
QByteArray sized(const QByteArray& image, int size)
{
    QByteArray copy = image.left(size);
    if (copy.size() < size)
        copy.append(QByteArray(size - copy.size(), '\0'));
    return copy;
}

} // namespace

CEditCommand::CEditCommand(CToneloomDoc& document, ItemKind kind, int index, const QByteArray& oldImage,
                           const QByteArray& newImage)
    : m_document(document), m_kind(kind), m_index(index), m_old(sized(oldImage, document.array(kind).GetRecordSize())),
      m_new(sized(newImage, document.array(kind).GetRecordSize()))
{}

void CEditCommand::apply(const QByteArray& image)
{
    m_document.array(m_kind).setRecord(m_index, image);
    emit m_document.itemChanged(m_kind, m_index);
}

void CEditCommand::Do()
{
    apply(m_new);
}

void CEditCommand::Undo()
{
    apply(m_old);
}

QString CEditCommand::imageName(const QByteArray& image)
{
    const QByteArray name = image.mid(CRecordArray::kNameOffset, CRecordArray::kNameLength);
    // The name field may hold zeros in damaged records; a label stops at the first.
    const qsizetype zero = name.indexOf('\0');
    QString text = QString::fromLatin1(zero >= 0 ? name.left(zero) : name);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QString CEditCommand::quoted(const QString& prefix, const QByteArray& image)
{
    return prefix + QLatin1Char('"') + imageName(image) + QLatin1Char('"');
}

QString CEditCommand::GetLabel() const
{
    return quoted(QStringLiteral("Edit "), m_old);
}
