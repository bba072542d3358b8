#include "editors/SingleCommonDlg.h"

#include "editors/StructureDiagram.h"

#include <QGridLayout>
#include <QHBoxLayout>
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
    auto* pictures = new QHBoxLayout;
    for (int pair = 0; pair < 2; ++pair) {
        auto* diagram = new CStructureDiagram(2 * pair + 1, this);
        diagram->setObjectName(QStringLiteral("structure/%1").arg(pair));
        m_diagrams[static_cast<std::size_t>(pair)] = diagram;
        pictures->addWidget(diagram);
    }
    pictures->addStretch(1);
    outer->addLayout(pictures);
    outer->addStretch(1);
}

void CSingleCommonDlg::loadExtras()
{
    static const char* const kRows[2][2] = {{"patch.structure12", "patch.booster12"},
                                            {"patch.structure34", "patch.booster34"}};
    const params::Param& toneSwitch = params::row(u"tone.switch");
    for (int pair = 0; pair < 2; ++pair) {
        CStructureDiagram* diagram = m_diagrams[static_cast<std::size_t>(pair)];
        diagram->setStructure(edit().value(params::row(QString::fromLatin1(kRows[pair][0])), 0),
                              edit().value(params::row(QString::fromLatin1(kRows[pair][1])), 0));
        for (int t = 0; t < 2; ++t)
            diagram->setToneOn(t, edit().value(toneSwitch, 2 * pair + t) != 0);
    }
}
