#include "editors/PartPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

CPartPage::CPartPage(CRecordEdit& edit, CServices& services, int part, QWidget* parent)
    : CParamPage(edit, services, params::Page::Part, part, parent), m_part(part)
{
    auto* outer = new QHBoxLayout(this);
    // The sound of the part on the left, what it receives and transmits on the right.
    const auto isSwitch = [](const params::Param& p) {
        return p.id.startsWith(QLatin1String("part.receive")) || p.id == QLatin1String("part.local")
               || p.id.startsWith(QLatin1String("part.transmit")) || p.id == QLatin1String("part.bankSelectGroup");
    };
    auto* sound = new QGroupBox(QStringLiteral("Part %1").arg(part + 1), this);
    auto* soundGrid = new QGridLayout(sound);
    auto* midi = new QGroupBox(QStringLiteral("MIDI"), this);
    auto* midiGrid = new QGridLayout(midi);
    int soundRow = 0;
    int midiRow = 0;
    for (const params::Param* p : pageRows()) {
        if (isSwitch(*p))
            addPair(midiGrid, midiRow++, 0, *p);
        else
            addPair(soundGrid, soundRow++, 0, *p);
    }
    soundGrid->setColumnStretch(1, 1);
    soundGrid->setRowStretch(soundRow, 1);
    midiGrid->setColumnStretch(1, 1);
    midiGrid->setRowStretch(midiRow, 1);
    outer->addWidget(sound, 3);
    outer->addWidget(midi, 2);
}
