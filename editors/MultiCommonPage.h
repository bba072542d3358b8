#pragma once

#include "editors/ParamPage.h"

class QLabel;

// The "Common" page of the performance editor: the name, the default tempo, the key
// range switch, the keyboard mode and clock source (on the models that have them) and
// the voice reserve of each of the sixteen parts, which together never exceed 64.
class CMultiCommonPage : public CParamPage
{
    Q_OBJECT

public:
    CMultiCommonPage(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);

    // "Total: 40 of 64, 24 left", or what a raise at the limit could not do.
    QLabel* reserveTotal() const { return m_total; }

protected:
    void loadExtras() override;
    void valueLowered(const params::Param& p, int asked, int kept) override;

private:
    QLabel* m_total = nullptr;
};
