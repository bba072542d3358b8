#pragma once

#include <QStringList>

// The commands of toneloom-cli that work on bank files.
namespace cli {

int runNamesCommand(const QStringList& args);
int runInfoCommand(const QStringList& args);
int runCheckCommand(const QStringList& args);
int runConvertCommand(const QStringList& args);

} // namespace cli
