#pragma once

#include "editors/ParamPage.h"
#include "editors/RangePicture.h"

class QLabel;

// The "Common" page of the performance editor: the name, the default tempo, the key
// range switch, the keyboard mode and clock source (on the models that have them), the
// voice reserve of each of the sixteen parts, which together never exceed 64, and the
// sixteen parts' key ranges over a keyboard (parts that do not receive in grey); a drag
// on a range's end changes it, one undo step.
class CMultiCommonPage : public CParamPage
{
    Q_OBJECT

public:
    CMultiCommonPage(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);

    // "Total: 40 of 64, 24 left", or what a raise at the limit could not do.
    QLabel* reserveTotal() const { return m_total; }
    CRangePicture* rangePicture() const { return m_picture; }

protected:
    void loadExtras() override;
    void valueLowered(const params::Param& p, int asked, int kept) override;

private:
    void edgeMoved(int part, CRangePicture::Edge edge, int value);

    QLabel* m_total = nullptr;
    CRangePicture* m_picture = nullptr;
};
