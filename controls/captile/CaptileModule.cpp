#include "controls/captile/CaptileModule.h"

#include "controls/captile/CaptileCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CCaptileCtrl(parent);
}

} // namespace

const ControlModuleInfo& CaptileModule::info()
{
    static const ControlModuleInfo moduleInfo{
        kClassId,   kProgId, kTypeName,   kPropertyPageClassId, kPropertyPageProgId, kPropertyPageTypeName,
        kTypeLibId, "1.0",   kMiscStatus, "Apartment",          &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(CaptileModule::info)
