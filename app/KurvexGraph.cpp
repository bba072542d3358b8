#include "app/KurvexGraph.h"

#include "controls/kurvex/KurvexCtrl.h"
#include "playsurfaces/Kurvex.h"

#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>

CKurvexGraph::CKurvexGraph(QWidget* parent) : CEnvelopeGraph(parent), m_kurvex(new CKurvex(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_kurvex);
    m_valid = m_kurvex->create();
    setMinimumSize(kMinimumWidth, minimumGraphHeight());
    connect(m_kurvex, &CKurvex::pointsChanged, this, [this](const KurvexPoints& points) { controlReported(points); });
}

int CKurvexGraph::minimumGraphHeight()
{
    // One pixel row per level between the margins the control keeps above and below.
    constexpr int kLevels = 128;
    return 2 * CKurvexCtrl::VerticalMargin + kLevels;
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

void CKurvexGraph::dropDrag()
{
    QWidget* control = m_kurvex->control();
    if (!m_valid || !control)
        return;
    // The control ends a drag when the button goes up over it while it is enabled; the
    // block it reports then is ignored and the caller shows the block that holds.
    const QPointF at(control->width() / 2.0, control->height() / 2.0);
    QMouseEvent release(QEvent::MouseButtonRelease, at, control->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(control, &release);
}
