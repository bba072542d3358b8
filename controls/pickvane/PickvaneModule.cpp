#include "controls/pickvane/PickvaneModule.h"

#include "controls/pickvane/PickvaneCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CPickvaneCtrl(parent);
}

} // namespace

const ControlModuleInfo& PickvaneModule::info()
{
    static const ControlModuleInfo moduleInfo{
        kClassId,   kProgId, kTypeName,   kPropertyPageClassId, kPropertyPageProgId, kPropertyPageTypeName,
        kTypeLibId, "1.0",   kMiscStatus, "Apartment",          &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(PickvaneModule::info)
