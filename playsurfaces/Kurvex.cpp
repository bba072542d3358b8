#include "Kurvex.h"

CKurvex::CKurvex(QWidget* parent) : CControlSite(parent)
{}

void CKurvex::SetHelpLine(bool helpLine)
{
    dispatch().setProperty(HelpLineId, helpLine);
}

void CKurvex::SetPoints(const KurvexPoints& points)
{
    dispatch().setProperty(PointsId, QVariant::fromValue(points));
}

void CKurvex::SetEnable(bool enable)
{
    dispatch().setProperty(EnableId, enable);
}

void CKurvex::connectEvents()
{
    dispatch().connectEvent(PointsChangedId, this, "pointsChanged");
}
