#pragma once

#include "controls/common/ControlModule.h"

// Identity of the caption box module as it is registered.
namespace CaptileModule {
inline constexpr const char* ClassId = "{DE32F627-F0AB-11D0-AAE1-444553540000}";
inline constexpr const char* DispatchInterfaceId = "{A03E4685-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* EventInterfaceId = "{A03E4686-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* TypeLibId = "{A03E4684-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* PropertyPageClassId = "{A03E4687-F0BF-11D0-AAE1-444553540000}";
inline constexpr const char* ProgId = "CAPTILE.CaptileCtrl.1";
inline constexpr const char* PropertyPageProgId = "CAPTILE.CaptilePropPage.1";
inline constexpr const char* TypeName = "Captile Control";
inline constexpr const char* PropertyPageTypeName = "Captile Property Page";
inline constexpr std::uint32_t MiscStatus = 0x20191;

const ControlModuleInfo& info();
} // namespace CaptileModule
