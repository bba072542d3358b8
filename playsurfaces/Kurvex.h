#pragma once

#include "ControlSite.h"
#include "controls/kurvex/KurvexPoints.h"

// The envelope graph on an editor page.
class CKurvex : public CControlSite
{
    Q_OBJECT

public:
    static constexpr const char* ClassId = "{5271B7A3-AD10-11CF-AAE1-444553540000}";
    enum DispatchIds { HelpLineId = 1, PointsId = 2, EnableId = 3 };
    enum EventIds { PointsChangedId = 1 };

    explicit CKurvex(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(ClassId, state); }

    void SetHelpLine(bool helpLine);
    void SetPoints(const KurvexPoints& points);
    void SetEnable(bool enable);

signals:
    // The control's block after the user let go of the mouse.
    void pointsChanged(const KurvexPoints& points);

protected:
    void connectEvents() override;
};
