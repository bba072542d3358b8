#pragma once

#include "controls/kurvex/KurvexPoints.h"
#include "playsurfaces/ControlSite.h"

// The envelope graph on an editor page.
class CKurvex : public CControlSite
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{5271B7A3-AD10-11CF-AAE1-444553540000}";
    // The control's dispatch numbers this wrapper uses.
    static constexpr int kHelpLineId = 1;
    static constexpr int kPointsId = 2;
    static constexpr int kEnableId = 3;
    static constexpr int kPointsChangedEventId = 1;

    explicit CKurvex(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }

    void SetHelpLine(bool helpLine);
    void SetPoints(const KurvexPoints& points);
    void SetEnable(bool enable);

signals:
    // The control's block after the user let go of the mouse.
    void pointsChanged(const KurvexPoints& points);

protected:
    void connectEvents() override;
};
