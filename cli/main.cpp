// toneloom-cli: the headless tool for bank files, bulk dumps and libraries.

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/FileCommands.h"
#include "cli/LibraryCommands.h"
#include "cli/MidiCommands.h"
#include "cli/ShowCommands.h"
#include "cli/VaryCommands.h"
#include "fileio/AtomicFile.h"

#include <QCoreApplication>

namespace {

// The list of commands: on stdout when asked for, on stderr beside an error.
void printUsage(bool asked)
{
    const auto print = asked ? cli::printOut : cli::printErr;
    print(QStringLiteral("Toneloom command-line tool for JV-1080, JV-2080 and XP banks.\nUsage:"));
    for (const QString& line : cli::usageLines())
        print(QStringLiteral("  ") + line);
}

int run(const cli::CommandLine& line)
{
    using Command = cli::CommandLine::Command;
    switch (line.command) {
    case Command::Names:
        return cli::runNamesCommand(line);
    case Command::Info:
        return cli::runInfoCommand(line);
    case Command::Check:
        return cli::runCheckCommand(line);
    case Command::Convert:
        return cli::runConvertCommand(line);
    case Command::Ports:
        return cli::runPortsCommand(line);
    case Command::Detect:
        return cli::runDetectCommand(line);
    case Command::Receive:
        return cli::runReceiveCommand(line);
    case Command::Send:
        return cli::runSendCommand(line);
    case Command::Show:
        return cli::runShowCommand(line.rest);
    case Command::Diff:
        return cli::runDiffCommand(line.rest);
    case Command::Mutate:
        return cli::runMutateCommand(line.rest);
    case Command::Morph:
        return cli::runMorphCommand(line.rest);
    case Command::Library:
        return cli::runLibraryCommand(line.rest);
    case Command::Version:
        cli::printOut(QStringLiteral("toneloom-cli %1").arg(QStringLiteral(TONELOOM_VERSION)));
        break;
    case Command::Usage:
        break;
    }
    return cli::kExitOk;
}

} // namespace

int main(int argc, char* argv[])
{
    AtomicFile::failOversizeWrites();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("toneloom-cli"));
    // Everything the command line asks for is checked before a file or port is touched.
    const cli::CommandLine line = cli::parseCommandLine(QCoreApplication::arguments().mid(1));
    if (line.showUsage)
        printUsage(line.ok());
    if (!line.ok())
        return cli::fail(line.error);
    return cli::finishOutput(run(line));
}
