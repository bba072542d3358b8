#pragma once

#include <QStringList>

// toneloom-cli library: scripted work on ".clb" library files.
namespace cli {

int runLibraryCommand(const QStringList& args);

} // namespace cli
