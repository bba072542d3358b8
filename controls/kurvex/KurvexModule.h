#pragma once

#include "controls/common/ControlModule.h"

// Identity of the envelope control module as it is registered.
namespace KurvexModule {
inline constexpr const char* ClassId = "{5271B7A3-AD10-11CF-AAE1-444553540000}";
inline constexpr const char* DispatchInterfaceId = "{5271B7A1-AD10-11CF-AAE1-444553540000}";
inline constexpr const char* EventInterfaceId = "{5271B7A2-AD10-11CF-AAE1-444553540000}";
inline constexpr const char* TypeLibId = "{36022B0F-AF2B-11CF-AAE1-444553540000}";
inline constexpr const char* PropertyPageClassId = "{36022B12-AF2B-11CF-AAE1-444553540000}";
inline constexpr const char* ProgId = "KURVEX.KurvexCtrl.1";
inline constexpr const char* PropertyPageProgId = "KURVEX.KurvexPropPage.1";
inline constexpr const char* TypeName = "Kurvex Control";
inline constexpr const char* PropertyPageTypeName = "Kurvex Property Page";
inline constexpr std::uint32_t MiscStatus = 0x20191;

const ControlModuleInfo& info();
} // namespace KurvexModule
