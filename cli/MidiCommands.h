#pragma once

#include <QStringList>

// The commands of toneloom-cli that talk to a synthesizer over MIDI.
namespace cli {

int runPortsCommand(const QStringList& args);
int runReceiveCommand(const QStringList& args);
int runSendCommand(const QStringList& args);

} // namespace cli
