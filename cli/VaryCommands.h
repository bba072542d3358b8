#pragma once

#include <QStringList>

// The commands of toneloom-cli that make new patches from patches: a variation of one,
// a blend of two.
namespace cli {

int runMutateCommand(const QStringList& args);
int runMorphCommand(const QStringList& args);

} // namespace cli
