#pragma once

#include "controls/common/ControlExport.h"

#include <QtCore/QString>

#include <cstdint>

class QWidget;

// What a control module tells the registry about itself, and how it makes its control.
struct ControlModuleInfo
{
    const char* classId;
    const char* progId;
    const char* typeName;
    const char* pageClassId;
    const char* pageProgId;
    const char* pageTypeName;
    const char* typeLibId;
    const char* typeLibVersion;
    std::uint32_t miscStatus;
    const char* threadingModel; // empty when the module names none
    QWidget* (*create)(QWidget* parent);
};

// Results of the entry points, with the values hosts on every platform know them by.
namespace ControlResult {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kFalse = 1;
inline constexpr std::int32_t kFail = std::int32_t(0x80004005u);
inline constexpr std::int32_t kPointer = std::int32_t(0x80004003u);
inline constexpr std::int32_t kClassNotAvailable = std::int32_t(0x80040111u);
inline constexpr std::int32_t kRegistryWriteFailed = std::int32_t(0x80040201u);
} // namespace ControlResult

// The four entry points as the host looks them up.
using DllRegisterServerFunction = std::int32_t (*)();
using DllUnregisterServerFunction = std::int32_t (*)();
using DllGetClassObjectFunction = std::int32_t (*)(const char* classId, QWidget* parent, QWidget** control);
using DllCanUnloadNowFunction = std::int32_t (*)();

namespace ControlModule {
// Records the control and its property page with the path of the module holding
// addressInModule.
std::int32_t registerServer(const ControlModuleInfo& info, const void* addressInModule);
std::int32_t unregisterServer(const ControlModuleInfo& info);
std::int32_t getClassObject(const ControlModuleInfo& info, const char* classId, QWidget* parent, QWidget** control);
// kOk while no control of this module is alive, kFalse otherwise.
std::int32_t canUnloadNow();
// The absolute path of the shared library (or program) the given address belongs to;
// empty when the system cannot tell.
QString modulePathOf(const void* addressInModule);
} // namespace ControlModule

// Held by every control object so that the module knows whether it is in use.
class CModuleLock
{
public:
    CModuleLock();
    ~CModuleLock();
    CModuleLock(const CModuleLock&) = delete;
    CModuleLock& operator=(const CModuleLock&) = delete;
};

// Defines the four exported C entry points of a module around its info function.
#define TONELOOM_CONTROL_ENTRY_POINTS(infoFunction)                                                                    \
    extern "C" TONELOOM_CONTROL_API std::int32_t DllRegisterServer()                                                   \
    {                                                                                                                  \
        return ControlModule::registerServer(infoFunction(), reinterpret_cast<const void*>(&DllRegisterServer));       \
    }                                                                                                                  \
    extern "C" TONELOOM_CONTROL_API std::int32_t DllUnregisterServer()                                                 \
    {                                                                                                                  \
        return ControlModule::unregisterServer(infoFunction());                                                        \
    }                                                                                                                  \
    extern "C" TONELOOM_CONTROL_API std::int32_t DllGetClassObject(const char* classId, QWidget* parent,               \
                                                                   QWidget** control)                                  \
    {                                                                                                                  \
        return ControlModule::getClassObject(infoFunction(), classId, parent, control);                                \
    }                                                                                                                  \
    extern "C" TONELOOM_CONTROL_API std::int32_t DllCanUnloadNow()                                                     \
    {                                                                                                                  \
        return ControlModule::canUnloadNow();                                                                          \
    }
