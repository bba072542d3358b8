#pragma once

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
    // 0 patches, 1 performances, 2 rhythm sets, 3 all.
    int what() const;
    void setChoice(bool card, int what);

private:
    QRadioButton* m_user;
    QRadioButton* m_card;
    QRadioButton* m_what[4];
};
