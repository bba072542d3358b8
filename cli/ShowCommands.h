#pragma once

#include <QStringList>

// The commands of toneloom-cli that print a patch's parameters as the editor shows them.
namespace cli {

int runShowCommand(const QStringList& args);
int runDiffCommand(const QStringList& args);

} // namespace cli
