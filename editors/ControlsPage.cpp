#include "editors/ControlsPage.h"

#include <QGridLayout>
#include <QVBoxLayout>

CControlsPage::CControlsPage(CRecordEdit& edit, CServices& services, QWidget* parent)
    : CParamPage(edit, services, params::Page::Controls, 0, parent)
{
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    addToneRows(grid, 0, pageRows());
    outer->addLayout(grid);
    m_picture = new CRangePicture(true, this);
    m_picture->setObjectName(QStringLiteral("ranges"));
    outer->addSpacing(8);
    outer->addWidget(m_picture);
    outer->addStretch(1);
    connect(m_picture, &CRangePicture::dragStarted, this, [this] { this->edit().beginStep(); });
    connect(m_picture, &CRangePicture::dragFinished, this, [this] {
        this->edit().endStep();
        loadFromRecord();
    });
    connect(m_picture, &CRangePicture::edgeMoved, this, &CControlsPage::edgeMoved);
}

const params::Param& CControlsPage::rowOf(CRangePicture::Edge edge)
{
    switch (edge) {
    case CRangePicture::Edge::KeyUpper:
        return params::row(u"tone.key.upper");
    case CRangePicture::Edge::VelocityLower:
        return params::row(u"tone.velocity.lower");
    case CRangePicture::Edge::VelocityUpper:
        return params::row(u"tone.velocity.upper");
    default:
        return params::row(u"tone.key.lower");
    }
}

void CControlsPage::edgeMoved(int tone, CRangePicture::Edge edge, int value)
{
    if (isLoading() || !columnEnabled(tone))
        return loadFromRecord();
    edit().change(rowOf(edge), tone, value);
    loadFromRecord();
}

void CControlsPage::loadExtras()
{
    const params::Param& toneSwitch = params::row(u"tone.switch");
    std::vector<CRangePicture::Row> rows;
    for (int t = 0; t < CRecordEdit::kTones; ++t) {
        CRangePicture::Row r;
        r.label = QStringLiteral("Tone %1").arg(t + 1);
        r.keyLower = edit().value(rowOf(CRangePicture::Edge::KeyLower), t);
        r.keyUpper = edit().value(rowOf(CRangePicture::Edge::KeyUpper), t);
        r.velocityLower = edit().value(rowOf(CRangePicture::Edge::VelocityLower), t);
        r.velocityUpper = edit().value(rowOf(CRangePicture::Edge::VelocityUpper), t);
        r.active = edit().value(toneSwitch, t) != 0;
        rows.push_back(r);
    }
    m_picture->setRows(rows);
    const bool velocityOn = edit().value(params::row(u"patch.velocityRange"), 0) != 0;
    m_picture->setVelocityNote(velocityOn ? QString() : QStringLiteral("switch off"));
}
