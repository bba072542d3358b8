#pragma once

#include "controls/common/ControlModule.h"

// Identity of the choice control module as it is registered.
namespace PickvaneModule {
inline constexpr const char* ClassId = "{2A923CC7-F240-11D0-AAE1-444553540000}";
inline constexpr const char* DispatchInterfaceId = "{2A923CC5-F240-11D0-AAE1-444553540000}";
inline constexpr const char* EventInterfaceId = "{2A923CC6-F240-11D0-AAE1-444553540000}";
inline constexpr const char* TypeLibId = "{2A923CC4-F240-11D0-AAE1-444553540000}";
inline constexpr const char* PropertyPageClassId = "{2A923CC8-F240-11D0-AAE1-444553540000}";
inline constexpr const char* ProgId = "PICKVANE.PickvaneCtrl.1";
inline constexpr const char* PropertyPageProgId = "PICKVANE.PickvanePropPage.1";
inline constexpr const char* TypeName = "Pickvane Control";
inline constexpr const char* PropertyPageTypeName = "Pickvane Property Page";
inline constexpr std::uint32_t MiscStatus = 0x20191;

const ControlModuleInfo& info();
} // namespace PickvaneModule
