#pragma once

#include "editors/ParamPage.h"

// The "Common" page of the performance editor: the name, the default tempo, the key
// range switch, the keyboard mode and clock source (on the models that have them) and
// the voice reserve of each of the sixteen parts, which together never exceed 64.
class CMultiCommonPage : public CParamPage
{
    Q_OBJECT

public:
    CMultiCommonPage(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);
};
