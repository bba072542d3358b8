#pragma once

#include <QDialog>

class QButtonGroup;

// "Export from Library": where the selected patches go — one bank file in the layout of
// one of the three models, or one file per patch.
class CExportDlg : public QDialog
{
    Q_OBJECT

public:
    // The choices, in the order they are offered; the first three are the models'.
    enum Choice { kBankJV1080, kBankJV2080, kBankXP, kOneFilePerPatch };

    CExportDlg(int selectedCount, Choice preselected, QWidget* parent = nullptr);

    Choice choice() const;
    void setChoice(Choice choice);

private:
    QButtonGroup* m_choices = nullptr;
};
