#include "playsurfaces/Kurvex.h"

CKurvex::CKurvex(QWidget* parent) : CControlSite(parent)
{}

KurvexPoints CKurvex::GetPoints() const
{
    return dispatch().getProperty(kPointsId).value<KurvexPoints>();
}

void CKurvex::SetPoints(const KurvexPoints& points)
{
    dispatch().setProperty(kPointsId, QVariant::fromValue(points));
    publishChanges();
}

bool CKurvex::GetHelpLine() const
{
    return dispatch().getProperty(kHelpLineId).toBool();
}

void CKurvex::SetHelpLine(bool helpLine)
{
    dispatch().setProperty(kHelpLineId, helpLine);
    publishChanges();
}

bool CKurvex::GetEnable() const
{
    return dispatch().getProperty(kEnableId).toBool();
}

void CKurvex::SetEnable(bool enable)
{
    dispatch().setProperty(kEnableId, enable);
    publishChanges();
}

void CKurvex::connectEvents()
{
    dispatch().connectEvent(kPointsChangedEventId, this, "onPointsChanged");
}

void CKurvex::onPointsChanged(const KurvexPoints& points)
{
    publishChanges();
    emit pointsEdited(points);
}

void CKurvex::publishChanges()
{
    // Each value is read just before it is compared: a handler of an earlier signal may
    // have changed it already, and announced it.
    if (const KurvexPoints points = GetPoints(); points != m_points) {
        m_points = points;
        emit pointsChanged(points);
    }
    if (const bool helpLine = GetHelpLine(); helpLine != m_helpLine) {
        m_helpLine = helpLine;
        emit helpLineChanged(helpLine);
    }
    if (const bool enable = GetEnable(); enable != m_enable) {
        m_enable = enable;
        emit enableChanged(enable);
    }
}
