#include "controls/common/ControlFactory.h"

#include "controls/common/ControlModule.h"
#include "controls/common/ControlRegistry.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QLibrary>

#include <optional>

namespace {

std::optional<QStringList> overriddenFolders;

// Modules are loaded once and stay loaded for the life of the process: their controls'
// meta-objects and code must outlive every control.
QWidget* createFrom(const QString& modulePath, const QString& classId, QWidget* parent, QString* error)
{
    QLibrary library(modulePath);
    if (!library.load()) {
        if (error)
            *error = library.errorString();
        return nullptr;
    }
    auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(library.resolve("DllGetClassObject"));
    if (!getClassObject) {
        if (error)
            *error = QStringLiteral("%1 is not a control module").arg(modulePath);
        return nullptr;
    }
    QWidget* control = nullptr;
    const QByteArray id = classId.toLatin1();
    if (getClassObject(id.constData(), parent, &control) != ControlResult::kOk)
        return nullptr;
    return control;
}

} // namespace

QStringList CControlFactory::fallbackFolders()
{
    if (overriddenFolders)
        return *overriddenFolders;
    return {QCoreApplication::applicationDirPath()};
}

void CControlFactory::setFallbackFolders(const QStringList& folders)
{
    overriddenFolders = folders;
}

QStringList CControlFactory::knownModules()
{
    return {QStringLiteral("kurvex"), QStringLiteral("pickvane"), QStringLiteral("captile"), QStringLiteral("knob")};
}

QWidget* CControlFactory::create(const QString& classId, QWidget* parent, QString* error)
{
    CControlRegistry registry;
    if (registry.load()) {
        if (const auto entry = registry.find(classId); entry && entry->kind == CControlRegistry::ClassKind::Control) {
            if (QWidget* control = createFrom(entry->modulePath, classId, parent, error))
                return control;
        }
    }
    for (const QString& folder : fallbackFolders()) {
        for (const QString& module : knownModules()) {
            // QLibrary adds the platform's prefix and suffix ("libkurvex.so") itself.
            const QString path = QDir(folder).filePath(module);
            if (QWidget* control = createFrom(path, classId, parent, nullptr))
                return control;
        }
    }
    if (error && error->isEmpty())
        *error = QStringLiteral("No control module holds the class %1").arg(classId);
    return nullptr;
}
