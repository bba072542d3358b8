#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

class QWidget;

// Creates controls by class identifier for a host: the registry names the module; when it
// does not (or its module is gone), the modules in the fallback folders are asked in turn.
class CControlFactory
{
public:
    // The folders tried after the registry; by default the program's own folder.
    static QStringList fallbackFolders();
    static void setFallbackFolders(const QStringList& folders);
    // The module names looked for in those folders.
    static QStringList knownModules();

    // The new control, owned by parent; nullptr with a reason in error when no module
    // holds the class.
    static QWidget* create(const QString& classId, QWidget* parent, QString* error = nullptr);
};
