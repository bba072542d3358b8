#pragma once

#include "editors/ParamPage.h"

// The "Common" page of a patch: its name, tempo, level and the play settings of the
// patch common block, in three columns.
class CSingleCommonDlg : public CParamPage
{
    Q_OBJECT

public:
    static constexpr int kColumns = 3;

    CSingleCommonDlg(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);
};
