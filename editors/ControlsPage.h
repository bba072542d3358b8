#pragma once

#include "editors/ParamPage.h"
#include "editors/RangePicture.h"

// The "Controls" page of a patch: the tone rows of the page (velocity and key ranges,
// the controller switches) and below them the four tones' key and velocity ranges over
// a keyboard. A drag on a range's end changes that bound as the list would (the selected
// tones along), and the whole drag is one undo step.
class CControlsPage : public CParamPage
{
    Q_OBJECT

public:
    CControlsPage(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);

    CRangePicture* rangePicture() const { return m_picture; }
    // The row an end of the picture changes.
    static const params::Param& rowOf(CRangePicture::Edge edge);

protected:
    void loadExtras() override;

private:
    void edgeMoved(int tone, CRangePicture::Edge edge, int value);

    CRangePicture* m_picture = nullptr;
};
