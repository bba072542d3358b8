#include "editors/RhythmWavePage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

CRhythmWavePage::CRhythmWavePage(CRecordEdit& edit, CServices& services, int key, QWidget* parent)
    : CParamPage(edit, services, params::Page::Wave, key, parent)
{
    auto* outer = new QHBoxLayout(this);
    auto* wave = new QGroupBox(QStringLiteral("Wave"), this);
    auto* waveGrid = new QGridLayout(wave);
    auto* controls = new QGroupBox(QStringLiteral("Control and Pan"), this);
    auto* controlGrid = new QGridLayout(controls);
    int waveRow = 0;
    int controlRow = 0;
    for (const params::Param* p : pageRows()) {
        const bool control = p->id.startsWith(QLatin1String("note.control.")) || p->id.endsWith(QLatin1String("Pan"))
                             || p->id == QLatin1String("note.pan");
        if (control)
            addPair(controlGrid, controlRow++, 0, *p);
        else
            addPair(waveGrid, waveRow++, 0, *p);
    }
    waveGrid->setColumnStretch(1, 1);
    waveGrid->setRowStretch(waveRow, 1);
    controlGrid->setColumnStretch(1, 1);
    controlGrid->setRowStretch(controlRow, 1);
    outer->addWidget(wave, 1);
    outer->addWidget(controls, 1);
}
