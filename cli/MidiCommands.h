#pragma once

#include "cli/CommandLine.h"

// The commands of toneloom-cli that talk to a synthesizer over MIDI.
namespace cli {

int runPortsCommand(const CommandLine& line);
int runDetectCommand(const CommandLine& line);
int runReceiveCommand(const CommandLine& line);
int runSendCommand(const CommandLine& line);

} // namespace cli
