#pragma once

#include "editors/ParamPage.h"

// A page of the four tone columns "TONE 1".."TONE 4": every row of its page from the
// tables, top to bottom, a control per tone. Serves the wave, controls, controller,
// LFO, pitch, filter, amplifier and output pages of the patch editor.
class CTonePage : public CParamPage
{
    Q_OBJECT

public:
    CTonePage(CRecordEdit& edit, CServices& services, params::Page page, QWidget* parent = nullptr);
};
