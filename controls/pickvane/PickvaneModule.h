#pragma once

#include "controls/common/ControlModule.h"

// Identity of the choice control module as it is registered.
namespace PickvaneModule {
inline constexpr const char* kClassId = "{2A923CC7-F240-11D0-AAE1-444553540000}";
inline constexpr const char* kDispatchInterfaceId = "{2A923CC5-F240-11D0-AAE1-444553540000}";
inline constexpr const char* kEventInterfaceId = "{2A923CC6-F240-11D0-AAE1-444553540000}";
inline constexpr const char* kTypeLibId = "{2A923CC4-F240-11D0-AAE1-444553540000}";
inline constexpr const char* kPropertyPageClassId = "{2A923CC8-F240-11D0-AAE1-444553540000}";
inline constexpr const char* kProgId = "PICKVANE.PickvaneCtrl.1";
inline constexpr const char* kPropertyPageProgId = "PICKVANE.PickvanePropPage.1";
inline constexpr const char* kTypeName = "Pickvane Control";
inline constexpr const char* kPropertyPageTypeName = "Pickvane Property Page";
inline constexpr std::uint32_t kMiscStatus = 0x20191;

const ControlModuleInfo& info();
} // namespace PickvaneModule
