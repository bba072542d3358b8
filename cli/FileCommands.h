#pragma once

#include "cli/CommandLine.h"

// The commands of toneloom-cli that work on bank files.
namespace cli {

int runNamesCommand(const CommandLine& line);
int runInfoCommand(const CommandLine& line);
int runCheckCommand(const CommandLine& line);
int runConvertCommand(const CommandLine& line);

} // namespace cli
