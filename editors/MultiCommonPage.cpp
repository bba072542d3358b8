#include "editors/MultiCommonPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kReserveColumns = 2;
constexpr int kParts = 16;

} // namespace

CMultiCommonPage::CMultiCommonPage(CRecordEdit& edit, CServices& services, QWidget* parent)
    : CParamPage(edit, services, params::Page::Common, 0, parent)
{
    auto* page = new QVBoxLayout(this);
    auto* outer = new QHBoxLayout;
    page->addLayout(outer);
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
    m_total = new QLabel(reserves);
    m_total->setObjectName(QStringLiteral("ReserveTotal"));
    m_total->setWordWrap(true);
    reserveGrid->addWidget(m_total, kParts / kReserveColumns, 0, 1, 2 * kReserveColumns);
    reserveGrid->setRowStretch(kParts / kReserveColumns + 1, 1);
    outer->addWidget(general, 1);
    outer->addWidget(reserves, 1);
    m_picture = new CRangePicture(false, this);
    m_picture->setObjectName(QStringLiteral("ranges"));
    page->addWidget(m_picture);
    connect(m_picture, &CRangePicture::dragStarted, this, [this] { this->edit().beginStep(); });
    connect(m_picture, &CRangePicture::dragFinished, this, [this] {
        this->edit().endStep();
        loadFromRecord();
    });
    connect(m_picture, &CRangePicture::edgeMoved, this, &CMultiCommonPage::edgeMoved);
}

void CMultiCommonPage::edgeMoved(int part, CRangePicture::Edge edge, int value)
{
    const params::Param& p = params::row(edge == CRangePicture::Edge::KeyUpper ? u"part.keyUpper" : u"part.keyLower");
    if (!isLoading())
        edit().change(p, part, value);
    loadFromRecord();
}

void CMultiCommonPage::loadExtras()
{
    std::vector<CRangePicture::Row> rows;
    for (int part = 0; part < kParts; ++part) {
        CRangePicture::Row r;
        r.label = QStringLiteral("Part %1").arg(part + 1);
        r.keyLower = edit().value(params::row(u"part.keyLower"), part);
        r.keyUpper = edit().value(params::row(u"part.keyUpper"), part);
        r.active = edit().value(params::row(u"part.receive"), part) != 0;
        rows.push_back(r);
    }
    m_picture->setRows(rows);
    m_picture->setKeyNote(edit().value(params::row(u"perf.keyRange"), 0) != 0 ? QString()
                                                                              : QStringLiteral("Use Key Range off"));
    const int total = edit().reservedVoices();
    m_total->setText(QStringLiteral("Total: %1 of %2, %3 left")
                         .arg(total)
                         .arg(CRecordEdit::kVoiceLimit)
                         .arg(CRecordEdit::kVoiceLimit - total));
}

void CMultiCommonPage::valueLowered(const params::Param& p, int asked, int kept)
{
    // The raise is not lost without a word: the page says why it stopped.
    m_total->setText(QStringLiteral("Total: %1 of %2, no voice left: %3 is %4, not %5.")
                         .arg(edit().reservedVoices())
                         .arg(CRecordEdit::kVoiceLimit)
                         .arg(params::plainLabel(params::label(p)))
                         .arg(kept)
                         .arg(asked));
}
