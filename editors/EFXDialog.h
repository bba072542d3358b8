#pragma once

#include "editors/ParamPage.h"

class QPushButton;

// The "EFX" page: the multi-effect's type out of forty, the up to twelve parameter rows
// whose labels and lists the type decides, the output and send levels and the two
// control assignments, whose buttons name what each acts on in the type. In the
// performance editor the same page shows the effect sources too: the mode is the working
// copy's kind.
class CEFXDialog : public CParamPage
{
    Q_OBJECT

public:
    CEFXDialog(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);

    QPushButton* controlButton(int control) const; // 1 or 2

protected:
    void loadExtras() override;

private:
    QPushButton* m_controls[2] = {};
};
