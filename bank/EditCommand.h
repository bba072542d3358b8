#pragma once

#include "bank/BankCommand.h"
#include "model/RecordLayout.h"

#include <QByteArray>

class CToneloomDoc;

// Replaces one record of a bank with a new image; Undo puts the old image back.
// Both images are owned copies of the record size of the item's kind.
class CEditCommand : public CBankCommand
{
public:
    CEditCommand(CToneloomDoc& document, ItemKind kind, int index, const QByteArray& oldImage,
                 const QByteArray& newImage);

    void Do() override;
    void Undo() override;
    QString GetLabel() const override;

    ItemKind kind() const { return m_kind; }
    int index() const { return m_index; }
    const QByteArray& oldImage() const { return m_old; }
    const QByteArray& newImage() const { return m_new; }

    // The 12 name bytes of an image without the trailing blanks.
    static QString imageName(const QByteArray& image);

protected:
    // "<prefix>"<name>"".
    static QString quoted(const QString& prefix, const QByteArray& image);

private:
    void apply(const QByteArray& image);

    CToneloomDoc& m_document;
    ItemKind m_kind;
    int m_index;
    QByteArray m_old;
    QByteArray m_new;
};
