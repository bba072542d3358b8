// toneloom-cli: the headless tool for bank files and bulk dumps.

#include "cli/CliSupport.h"
#include "cli/FileCommands.h"
#include "cli/MidiCommands.h"
#include "cli/ShowCommands.h"

#include <QCoreApplication>
#include <functional>

namespace {

struct Command
{
    const char* name;
    std::function<int(const QStringList&)> run;
    const char* usage;
};

const Command kCommands[] = {
    {"names", cli::runNamesCommand, "names FILE.syx [--kind patches|performances|rhythm]"},
    {"info", cli::runInfoCommand, "info FILE.syx"},
    {"check", cli::runCheckCommand, "check FILE.syx"},
    {"convert", cli::runConvertCommand,
     "convert --model jv1080|jv2080|xp [--what all|patches|performances|rhythm] [--card] [--device-id 17..32] IN.syx "
     "OUT.syx"},
    {"show", cli::runShowCommand, "show FILE.syx --patch N | --performance N | --rhythm N"},
    {"diff", cli::runDiffCommand, "diff A.syx B.syx --patch N | --performance N | --rhythm N [--to M]"},
    {"ports", cli::runPortsCommand, "ports"},
    {"receive", cli::runReceiveCommand,
     "receive --in PORT --out PORT (--request NAME | --manual) [--model jv1080|jv2080|xp] [--device-id 17..32] "
     "[--timeout SECONDS] FILE.syx"},
    {"send", cli::runSendCommand,
     "send --out PORT [--card] [--what all|patches|performances|rhythm] [--model jv1080|jv2080|xp] [--device-id "
     "17..32] "
     "[--rate BYTES_PER_S] [--pause MS] FILE.syx"},
};

void printUsage()
{
    cli::printErr(QStringLiteral("Toneloom command-line tool for JV-1080, JV-2080 and XP banks.\nUsage:"));
    for (const Command& c : kCommands)
        cli::printErr(QStringLiteral("  toneloom-cli %1").arg(QString::fromLatin1(c.usage)));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("toneloom-cli"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("help")) {
        printUsage();
        return args.isEmpty() ? cli::kExitBadInput : cli::kExitOk;
    }
    const QString name = args.takeFirst();
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name))
            return c.run(args);
    }
    printUsage();
    return cli::fail(QStringLiteral("unknown command %1").arg(name));
}
