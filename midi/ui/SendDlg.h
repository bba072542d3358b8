#pragma once

#include "model/ItemKind.h"

#include <QDialog>

class QRadioButton;

// "Send to Synth": where to (user or card memory) and what (patches, performances,
// rhythm sets or all).
class CSendDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CSendDlg(QWidget* parent = nullptr);

    bool toCard() const;
    // One kind, or the whole bank.
    BankPart what() const;
    void setChoice(bool card, BankPart what);

private:
    QRadioButton* m_user;
    QRadioButton* m_card;
    // The patches, performances and rhythm sets, then the whole bank.
    QRadioButton* m_what[kKindCount + 1];
};
