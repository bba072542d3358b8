#pragma once

#include "controls/common/ControlModule.h"

// Identity of the envelope control module as it is registered.
namespace KurvexModule {
inline constexpr const char* kClassId = "{5271B7A3-AD10-11CF-AAE1-444553540000}";
inline constexpr const char* kDispatchInterfaceId = "{5271B7A1-AD10-11CF-AAE1-444553540000}";
inline constexpr const char* kEventInterfaceId = "{5271B7A2-AD10-11CF-AAE1-444553540000}";
inline constexpr const char* kTypeLibId = "{36022B0F-AF2B-11CF-AAE1-444553540000}";
inline constexpr const char* kPropertyPageClassId = "{36022B12-AF2B-11CF-AAE1-444553540000}";
inline constexpr const char* kProgId = "KURVEX.KurvexCtrl.1";
inline constexpr const char* kPropertyPageProgId = "KURVEX.KurvexPropPage.1";
inline constexpr const char* kTypeName = "Kurvex Control";
inline constexpr const char* kPropertyPageTypeName = "Kurvex Property Page";
inline constexpr std::uint32_t kMiscStatus = 0x20191;

const ControlModuleInfo& info();
} // namespace KurvexModule
