#include "editors/SingleCommonDlg.h"

#include <QGridLayout>
#include <QVBoxLayout>

CSingleCommonDlg::CSingleCommonDlg(CRecordEdit& edit, CServices& services, QWidget* parent)
    : CParamPage(edit, services, params::Page::Common, 0, parent)
{
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    const std::vector<const params::Param*> rows = pageRows();
    const int perColumn = (static_cast<int>(rows.size()) + kColumns - 1) / kColumns;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        addPair(grid, i % perColumn, i / perColumn, *rows[static_cast<std::size_t>(i)]);
    for (int c = 0; c < kColumns; ++c)
        grid->setColumnStretch(2 * c + 1, 1);
    outer->addLayout(grid);
    outer->addStretch(1);
}
