#pragma once

#include "editors/ParamPage.h"

// The "Chorus / Reverb" page: the chorus and the reverb of a patch or, in the
// performance editor, of a performance. The mode is the working copy's kind: the rows,
// the record block and every message's address follow from it.
class CEditEffects : public CParamPage
{
    Q_OBJECT

public:
    CEditEffects(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);
};
