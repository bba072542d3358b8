#include "PickvaneModule.h"

#include "PickvaneCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CPickvaneCtrl(parent);
}

} // namespace

const ControlModuleInfo& PickvaneModule::info()
{
    static const ControlModuleInfo moduleInfo{
        ClassId,   ProgId, TypeName,   PropertyPageClassId, PropertyPageProgId, PropertyPageTypeName,
        TypeLibId, "1.0",  MiscStatus, "Apartment",         &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(PickvaneModule::info)
