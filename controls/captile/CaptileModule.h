#pragma once

#include "controls/common/ControlModule.h"

// Identity of the caption box module as it is registered.
namespace CaptileModule {
inline constexpr const char* kClassId = "{DE32F627-F0AB-11D0-AAE1-444553540000}";
inline constexpr const char* kDispatchInterfaceId = "{A03E4685-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* kEventInterfaceId = "{A03E4686-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* kTypeLibId = "{A03E4684-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* kPropertyPageClassId = "{A03E4687-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* kProgId = "CAPTILE.CaptileCtrl.1";
inline constexpr const char* kPropertyPageProgId = "CAPTILE.CaptilePropPage.1";
inline constexpr const char* kTypeName = "Captile Control";
inline constexpr const char* kPropertyPageTypeName = "Captile Property Page";
inline constexpr std::uint32_t kMiscStatus = 0x20191;

const ControlModuleInfo& info();
} // namespace CaptileModule
