#pragma once

#include "controls/common/ControlModule.h"

// Identity of the knob module as it is registered. The class identifier is the one the
// program's dialogs name; the rest are the module's own.
namespace KnobModule {
inline constexpr const char* kClassId = "{A0BC8323-D142-11D0-AAE1-444553540000}";
inline constexpr const char* kTypeLibId = "{7C1E5A40-3B6D-4F0E-9A21-5D2B8E6F1A01}";
inline constexpr const char* kPropertyPageClassId = "{7C1E5A41-3B6D-4F0E-9A21-5D2B8E6F1A01}";
inline constexpr const char* kProgId = "KNOB.KnobCtrl.1";
inline constexpr const char* kPropertyPageProgId = "KNOB.KnobPropPage.1";
inline constexpr const char* kTypeName = "Knob Control";
inline constexpr const char* kPropertyPageTypeName = "Knob Property Page";
inline constexpr std::uint32_t kMiscStatus = 0x20191;

const ControlModuleInfo& info();
} // namespace KnobModule
