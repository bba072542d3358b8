#include "app/KurvexGraph.h"

#include "controls/kurvex/KurvexCtrl.h"
#include "playsurfaces/Kurvex.h"

#include <QVBoxLayout>

CKurvexGraph::CKurvexGraph(QWidget* parent) : CEnvelopeGraph(parent), m_kurvex(new CKurvex(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_kurvex);
    m_valid = m_kurvex->create();
    setMinimumSize(kMinimumWidth, minimumGraphHeight());
    // Only what the user did with the mouse: the blocks set here come back as pointsChanged.
    connect(m_kurvex, &CKurvex::pointsEdited, this, [this](const KurvexPoints& points) { controlReported(points); });
}

int CKurvexGraph::minimumGraphHeight()
{
    // One pixel row per level between the margins the control keeps above and below.
    constexpr int kLevels = 128;
    return 2 * CKurvexCtrl::kVerticalMargin + kLevels;
}

bool CKurvexGraph::isValid() const
{
    return m_valid;
}

QString CKurvexGraph::errorString() const
{
    return m_kurvex->errorString();
}

void CKurvexGraph::showPoints(const Points& points)
{
    if (m_valid)
        m_kurvex->SetPoints(points);
}

void CKurvexGraph::showEnabled(bool enabled)
{
    if (m_valid)
        m_kurvex->SetEnable(enabled);
}

void CKurvexGraph::showHelpLine(bool on)
{
    if (m_valid)
        m_kurvex->SetHelpLine(on);
}
