#include "editors/TonePage.h"

#include <QGridLayout>
#include <QVBoxLayout>

CTonePage::CTonePage(CRecordEdit& edit, CServices& services, params::Page page, QWidget* parent)
    : CParamPage(edit, services, page, 0, parent)
{
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    addToneRows(grid, 0, pageRows());
    outer->addLayout(grid);
    outer->addStretch(1);
}
