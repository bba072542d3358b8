#include "KurvexModule.h"

#include "KurvexCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CKurvexCtrl(parent);
}

} // namespace

const ControlModuleInfo& KurvexModule::info()
{
    static const ControlModuleInfo moduleInfo{
        ClassId, ProgId,     TypeName, PropertyPageClassId, PropertyPageProgId, PropertyPageTypeName, TypeLibId,
        "1.0",   MiscStatus, "",       &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(KurvexModule::info)
