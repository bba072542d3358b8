#pragma once

#include "bank/UsedPatches.h"

#include <QDialog>

class QListWidget;

// "Used Patches": the patches the performances of a bank play, each with how often,
// and for the chosen one the performances that play it.
class CUsedPatchesDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CUsedPatchesDlg(CUsedPatches used, QWidget* parent = nullptr);

    QListWidget* patchList() const { return m_patches; }
    QListWidget* performanceList() const { return m_performances; }

private:
    void showPerformances();

    CUsedPatches m_used;
    QListWidget* m_patches = nullptr;
    QListWidget* m_performances = nullptr;
};
