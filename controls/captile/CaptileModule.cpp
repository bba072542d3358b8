#include "CaptileModule.h"

#include "CaptileCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CCaptileCtrl(parent);
}

} // namespace

const ControlModuleInfo& CaptileModule::info()
{
    static const ControlModuleInfo moduleInfo{
        ClassId,   ProgId, TypeName,   PropertyPageClassId, PropertyPageProgId, PropertyPageTypeName,
        TypeLibId, "1.0",  MiscStatus, "Apartment",         &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(CaptileModule::info)
