#pragma once

#include "controls/kurvex/KurvexPoints.h"
#include "playsurfaces/ControlSite.h"

// The envelope graph on an editor page.
class CKurvex : public CControlSite
{
    Q_OBJECT
    Q_PROPERTY(KurvexPoints points READ GetPoints WRITE SetPoints NOTIFY pointsChanged)
    Q_PROPERTY(bool helpLine READ GetHelpLine WRITE SetHelpLine NOTIFY helpLineChanged)
    Q_PROPERTY(bool enable READ GetEnable WRITE SetEnable NOTIFY enableChanged)

public:
    static constexpr const char* kClassId = "{5271B7A3-AD10-11CF-AAE1-444553540000}";
    // The control's dispatch numbers this wrapper uses.
    static constexpr int kHelpLineId = 1;
    static constexpr int kPointsId = 2;
    static constexpr int kEnableId = 3;
    static constexpr int kPointsChangedEventId = 1;

    explicit CKurvex(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }

    // The control's block: what the host set, changed by the user's drags.
    KurvexPoints GetPoints() const;
    void SetPoints(const KurvexPoints& points);
    bool GetHelpLine() const;
    void SetHelpLine(bool helpLine);
    // False greys the handles and ignores the mouse.
    bool GetEnable() const;
    void SetEnable(bool enable);

signals:
    // The block changed, set by the host or dragged by the user.
    void pointsChanged(const KurvexPoints& points);
    // The control's event: the user let go of a drag that changed the block. Hosts send
    // the new times and levels on this one; it never follows SetPoints, so a host may set
    // other controls' points from its handler.
    void pointsEdited(const KurvexPoints& points);
    void helpLineChanged(bool helpLine);
    void enableChanged(bool enable);

protected:
    void connectEvents() override;
    void publishChanges() override;

private slots:
    void onPointsChanged(const KurvexPoints& points);

private:
    KurvexPoints m_points{};
    bool m_helpLine = false;
    bool m_enable = false;
};
