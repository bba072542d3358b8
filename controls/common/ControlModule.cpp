#include "controls/common/ControlModule.h"

#include "controls/common/ControlRegistry.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLoggingCategory>
#include <QtWidgets/QWidget>

#include <atomic>

#if defined(Q_OS_WIN)
#include <string>

#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// One count per module: the common library is linked into each module with hidden
// symbols, so this variable is never shared between modules.
std::atomic<int> liveObjects{0};

// What went wrong, or was mended, on the way: the entry points can only return a number,
// so the text goes to the host's message handler.
Q_LOGGING_CATEGORY(lcControlModule, "toneloom.controls")

// A registry file nobody can understand would block every registration for good: it is
// set aside and a new one started, and the host hears of it.
bool loadForUpdate(CControlRegistry& registry)
{
    QString notice;
    QString error;
    if (!registry.loadSettingAsideMalformed(&notice, &error)) {
        qCWarning(lcControlModule).noquote() << error;
        return false;
    }
    if (!notice.isEmpty())
        qCWarning(lcControlModule).noquote() << notice;
    return true;
}

std::int32_t save(const CControlRegistry& registry)
{
    QString error;
    if (registry.save(&error))
        return ControlResult::kOk;
    qCWarning(lcControlModule).noquote() << QStringLiteral("The control registry %1 cannot be written: %2")
                                                .arg(QDir::toNativeSeparators(registry.path()), error);
    return ControlResult::kRegistryWriteFailed;
}

} // namespace

QString ControlModule::modulePathOf(const void* addressInModule)
{
    QString path;
#if defined(Q_OS_WIN)
    // The wide form, so that a folder name outside the ANSI code page survives.
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(addressInModule), &module)) {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = GetModuleFileNameW(module, buffer.data(), DWORD(buffer.size()));
            if (length == 0)
                break;
            if (length < buffer.size()) {
                path = QString::fromWCharArray(buffer.data(), int(length));
                break;
            }
            buffer.resize(buffer.size() * 2);
        }
    }
#else
    // dladdr is there on Linux, the BSDs and macOS alike.
    Dl_info info{};
    if (dladdr(addressInModule, &info) && info.dli_fname)
        path = QFile::decodeName(info.dli_fname);
#endif
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

std::int32_t ControlModule::registerServer(const ControlModuleInfo& info, const void* addressInModule)
{
    const QString path = modulePathOf(addressInModule);
    if (path.isEmpty())
        return ControlResult::kFail;

    CControlRegistry registry;
    if (!loadForUpdate(registry))
        return ControlResult::kRegistryWriteFailed;

    CControlRegistry::Entry control;
    control.classId = QString::fromLatin1(info.classId);
    control.kind = CControlRegistry::ClassKind::Control;
    control.progId = QString::fromLatin1(info.progId);
    control.typeName = QString::fromLatin1(info.typeName);
    control.modulePath = path;
    control.typeLibId = QString::fromLatin1(info.typeLibId);
    control.typeLibVersion = QString::fromLatin1(info.typeLibVersion);
    control.miscStatus = info.miscStatus;
    control.threadingModel = QString::fromLatin1(info.threadingModel);
    registry.insert(control);

    if (info.pageClassId && *info.pageClassId) {
        CControlRegistry::Entry page;
        page.classId = QString::fromLatin1(info.pageClassId);
        page.kind = CControlRegistry::ClassKind::PropertyPage;
        page.progId = QString::fromLatin1(info.pageProgId);
        page.typeName = QString::fromLatin1(info.pageTypeName);
        page.modulePath = path;
        page.threadingModel = control.threadingModel;
        registry.insert(page);
    }
    return save(registry);
}

std::int32_t ControlModule::unregisterServer(const ControlModuleInfo& info)
{
    CControlRegistry registry;
    if (!loadForUpdate(registry))
        return ControlResult::kRegistryWriteFailed;
    registry.remove(QString::fromLatin1(info.classId));
    if (info.pageClassId && *info.pageClassId)
        registry.remove(QString::fromLatin1(info.pageClassId));
    return save(registry);
}

std::int32_t ControlModule::getClassObject(const ControlModuleInfo& info, const char* classId, QWidget* parent,
                                           QWidget** control)
{
    if (!control)
        return ControlResult::kPointer;
    *control = nullptr;
    if (!classId)
        return ControlResult::kClassNotAvailable;
    if (CControlRegistry::normalizedClassId(QString::fromLatin1(classId))
        != CControlRegistry::normalizedClassId(QString::fromLatin1(info.classId)))
        return ControlResult::kClassNotAvailable;
    *control = info.create(parent);
    return *control ? ControlResult::kOk : ControlResult::kFail;
}

std::int32_t ControlModule::canUnloadNow()
{
    return liveObjects.load() == 0 ? ControlResult::kOk : ControlResult::kFalse;
}

CModuleLock::CModuleLock()
{
    ++liveObjects;
}

CModuleLock::~CModuleLock()
{
    --liveObjects;
}
