#include "setup/SetupFileTable.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

namespace {

// "12.boa": 12 and the extension; other names give -1.
std::tuple<int, int, QString> nameFileKey(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,9})\\.(boa|pre)$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return {2, 0, name};
    const int kind = match.captured(2) == QLatin1String("boa") ? 0 : 1;
    return {kind, match.captured(1).toInt(), name};
}

bool isNameFile(const QString& name)
{
    return std::get<0>(nameFileKey(name)) < 2;
}

} // namespace

QString CSetupFileTable::programFileName(const QString& base)
{
#if defined(Q_OS_WIN)
    return base + QStringLiteral(".exe");
#else
    return base;
#endif
}

QString CSetupFileTable::moduleFileName(const QString& base)
{
#if defined(Q_OS_WIN)
    return base + QStringLiteral(".dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("lib") + base + QStringLiteral(".dylib");
#else
    return QStringLiteral("lib") + base + QStringLiteral(".so");
#endif
}

QStringList CSetupFileTable::moduleBaseNames()
{
    return {QStringLiteral("kurvex"), QStringLiteral("pickvane"), QStringLiteral("knob"), QStringLiteral("captile")};
}

QStringList CSetupFileTable::shippedNameFiles()
{
    QStringList names = QStringLiteral(TONELOOM_SHIPPED_NAME_FILES).split(QLatin1Char(','), Qt::SkipEmptyParts);
    sortNameFiles(names);
    return names;
}

void CSetupFileTable::sortNameFiles(QStringList& names)
{
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return nameFileKey(a) < nameFileKey(b); });
}

QList<SetupFileEntry> CSetupFileTable::entries(const QString& sourceFolder)
{
    using Destination = SetupFileEntry::Destination;
    QList<SetupFileEntry> table;
    table.append({programFileName(QStringLiteral("toneloom")), Destination::InstallFolder, false, true});
    table.append({QStringLiteral("README.TXT"), Destination::InstallFolder, false, true});
    table.append({QStringLiteral("TONELOOM.INI"), Destination::InstallFolder, false, true});

    QStringList names = shippedNameFiles();
    const QStringList found =
        QDir(sourceFolder).entryList({QStringLiteral("*.boa"), QStringLiteral("*.pre")}, QDir::Files);
    for (const QString& name : found) {
        if (isNameFile(name) && !names.contains(name))
            names.append(name);
    }
    sortNameFiles(names);
    for (const QString& name : names)
        table.append({name, Destination::InstallFolder, false, false});

    for (const QString& module : moduleBaseNames())
        table.append({moduleFileName(module), Destination::ControlFolder, true, true});
    table.append({programFileName(QStringLiteral("toneloom-cli")), Destination::InstallFolder, false, false});
    table.append({programFileName(QStringLiteral("toneloom-emulator")), Destination::InstallFolder, false, false});
    return table;
}
