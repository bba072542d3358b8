#pragma once

#include "editors/ParamPage.h"

// The "Wave" page of the rhythm editor for one key: the tone switch, wave group and
// wave, gain, bend range, mute group, envelope mode, the control switches and the pan.
class CRhythmWavePage : public CParamPage
{
    Q_OBJECT

public:
    CRhythmWavePage(CRecordEdit& edit, CServices& services, int key, QWidget* parent = nullptr);
};
