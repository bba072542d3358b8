#pragma once

#include "bank/BankCommand.h"
#include "model/RecordLayout.h"

#include <QByteArray>
#include <QString>
#include <vector>

class CToneloomDoc;

// Puts new records in place of several items of one kind at once (a variation of the
// selected patches): one step of the bank's history. Undo puts the old records back.
class CVaryCommand : public CBankCommand
{
public:
    CVaryCommand(CToneloomDoc& document, ItemKind kind, std::vector<int> indices, std::vector<QByteArray> newImages,
                 QString label);

    void Do() override;
    void Undo() override;
    QString GetLabel() const override { return m_label; }

private:
    void apply(const std::vector<QByteArray>& images);

    CToneloomDoc& m_document;
    ItemKind m_kind;
    std::vector<int> m_indices;
    std::vector<QByteArray> m_old;
    std::vector<QByteArray> m_new;
    QString m_label;
};
