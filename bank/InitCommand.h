#pragma once

#include "bank/BankCommand.h"
#include "model/RecordLayout.h"

#include <QByteArray>

class CToneloomDoc;

// Gives one record the default contents of its kind ("INIT PATCH  ", "Init Perform",
// "Init Rhythm "); Undo puts back the record as it was when the command was made.
class CInitCommand : public CBankCommand
{
public:
    CInitCommand(CToneloomDoc& document, ItemKind kind, int index);

    void Do() override;
    void Undo() override;
    QString GetLabel() const override;

private:
    CToneloomDoc& m_document;
    ItemKind m_kind;
    int m_index;
    QByteArray m_saved;
};
