#include "controls/kurvex/KurvexModule.h"

#include "controls/kurvex/KurvexCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CKurvexCtrl(parent);
}

} // namespace

const ControlModuleInfo& KurvexModule::info()
{
    static const ControlModuleInfo moduleInfo{
        kClassId, kProgId,     kTypeName, kPropertyPageClassId, kPropertyPageProgId, kPropertyPageTypeName, kTypeLibId,
        "1.0",    kMiscStatus, "",        &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(KurvexModule::info)
