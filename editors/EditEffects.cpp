#include "editors/EditEffects.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

CEditEffects::CEditEffects(CRecordEdit& edit, CServices& services, QWidget* parent)
    : CParamPage(edit, services, params::Page::ChorusReverb, 0, parent)
{
    auto* outer = new QVBoxLayout(this);
    auto* boxes = new QHBoxLayout;
    const auto section = [&](const QString& title, const QString& part) {
        auto* box = new QGroupBox(title, this);
        auto* grid = new QGridLayout(box);
        int row = 0;
        for (const params::Param* p : pageRows()) {
            if (p->id.contains(part))
                addPair(grid, row++, 0, *p);
        }
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(row, 1);
        boxes->addWidget(box);
    };
    section(QStringLiteral("Chorus"), QStringLiteral(".chorus."));
    section(QStringLiteral("Reverb"), QStringLiteral(".reverb."));
    outer->addLayout(boxes);
    outer->addStretch(1);
}
