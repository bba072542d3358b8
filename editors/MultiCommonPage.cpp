#include "editors/MultiCommonPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kReserveColumns = 2;
constexpr int kParts = 16;

} // namespace

CMultiCommonPage::CMultiCommonPage(CRecordEdit& edit, CServices& services, QWidget* parent)
    : CParamPage(edit, services, params::Page::Common, 0, parent)
{
    auto* outer = new QHBoxLayout(this);
    auto* general = new QGroupBox(QStringLiteral("Performance"), this);
    auto* generalGrid = new QGridLayout(general);
    auto* reserves = new QGroupBox(QStringLiteral("Voice Reserve"), this);
    auto* reserveGrid = new QGridLayout(reserves);
    int row = 0;
    int reserve = 0;
    for (const params::Param* p : pageRows()) {
        if (p->page != params::Page::Common)
            continue;
        if (p->id.startsWith(QLatin1String("perf.voiceReserve"))) {
            const int perColumn = kParts / kReserveColumns;
            addPair(reserveGrid, reserve % perColumn, reserve / perColumn, *p);
            ++reserve;
        } else {
            addPair(generalGrid, row++, 0, *p);
        }
    }
    generalGrid->setColumnStretch(1, 1);
    generalGrid->setRowStretch(row, 1);
    for (int c = 0; c < kReserveColumns; ++c)
        reserveGrid->setColumnStretch(2 * c + 1, 1);
    reserveGrid->setRowStretch(kParts / kReserveColumns, 1);
    outer->addWidget(general, 1);
    outer->addWidget(reserves, 1);
}
