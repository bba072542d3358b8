#pragma once

#include "bank/BankOperations.h"

#include <QDialog>

class CToneloomDoc;
class QComboBox;

// Chooses what Copy Effect copies: a source patch or performance, a destination
// patch or performance, and the block ("ALL", "EFX", "CHORUS", "REVERB").
class CCopyEffectDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCopyEffectDlg(const CToneloomDoc& document, QWidget* parent = nullptr);

    ItemKind sourceKind() const;
    int sourceIndex() const;
    ItemKind destKind() const;
    int destIndex() const;
    CBankOperations::EffectCopy copyType() const;

    QComboBox* sourceKindBox() const { return m_sourceKind; }
    QComboBox* sourceItemBox() const { return m_sourceItem; }
    QComboBox* destKindBox() const { return m_destKind; }
    QComboBox* destItemBox() const { return m_destItem; }
    QComboBox* typeBox() const { return m_type; }

private:
    void fillItems(QComboBox* items, ItemKind kind);
    // The kind a kind list's row names (its rows: the patches, the performances).
    static ItemKind kindAt(int row);

    const CToneloomDoc& m_document;
    QComboBox* m_sourceKind = nullptr;
    QComboBox* m_sourceItem = nullptr;
    QComboBox* m_destKind = nullptr;
    QComboBox* m_destItem = nullptr;
    QComboBox* m_type = nullptr;
};
