#include "playsurfaces/Kurvex.h"

CKurvex::CKurvex(QWidget* parent) : CControlSite(parent)
{}

void CKurvex::SetHelpLine(bool helpLine)
{
    dispatch().setProperty(kHelpLineId, helpLine);
}

void CKurvex::SetPoints(const KurvexPoints& points)
{
    dispatch().setProperty(kPointsId, QVariant::fromValue(points));
}

void CKurvex::SetEnable(bool enable)
{
    dispatch().setProperty(kEnableId, enable);
}

void CKurvex::connectEvents()
{
    dispatch().connectEvent(kPointsChangedEventId, this, "pointsChanged");
}
