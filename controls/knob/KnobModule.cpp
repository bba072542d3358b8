#include "controls/knob/KnobModule.h"

#include "controls/knob/KnobCtrl.h"

namespace {

QWidget* createControl(QWidget* parent)
{
    return new CKnobCtrl(parent);
}

} // namespace

const ControlModuleInfo& KnobModule::info()
{
    static const ControlModuleInfo moduleInfo{
        kClassId,   kProgId, kTypeName,   kPropertyPageClassId, kPropertyPageProgId, kPropertyPageTypeName,
        kTypeLibId, "1.0",   kMiscStatus, "Apartment",          &createControl};
    return moduleInfo;
}

TONELOOM_CONTROL_ENTRY_POINTS(KnobModule::info)
