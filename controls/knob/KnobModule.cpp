#include "KnobModule.h"

#include "KnobCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CKnobCtrl(parent);
}

} // namespace

const ControlModuleInfo& KnobModule::info()
{
    static const ControlModuleInfo moduleInfo{
        ClassId,   ProgId, TypeName,   PropertyPageClassId, PropertyPageProgId, PropertyPageTypeName,
        TypeLibId, "1.0",  MiscStatus, "Apartment",         &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(KnobModule::info)
