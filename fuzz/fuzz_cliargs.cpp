// Parses arbitrary command lines of toneloom-cli (arguments separated by zero bytes):
// no crash, and a line is either refused with a one-line reason or asks for a command
// with exactly the files and values that command takes.
#include "cli/CommandLine.h"
#include "model/SysEx.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QStringList args;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& arg : bytes.split('\0'))
        args << QString::fromUtf8(arg);
    const cli::CommandLine line = cli::parseCommandLine(args);
    using Command = cli::CommandLine::Command;
    if (!line.ok()) {
        if (!line.files.isEmpty())
            std::abort(); // a refused line asks for nothing
        return 0;
    }
    if (line.command == Command::Usage) {
        if (!line.showUsage)
            std::abort();
        return 0;
    }
    // The files each command names.
    int files = -1;
    switch (line.command) {
    case Command::Version:
    case Command::Ports:
    case Command::Detect:
        files = 0;
        break;
    case Command::Names:
    case Command::Info:
    case Command::Check:
    case Command::Receive:
    case Command::Send:
        files = 1;
        break;
    case Command::Convert:
        files = 2;
        break;
    default:
        break;
    }
    if (files >= 0 && line.files.size() != files)
        std::abort();
    if (line.deviceId && (*line.deviceId < SynthSettings::kMinDeviceId || *line.deviceId > SynthSettings::kMaxDeviceId))
        std::abort();
    if ((line.rate && *line.rate < 0) || (line.pause && *line.pause < 0))
        std::abort();
    if (line.command == Command::Convert && !line.model)
        std::abort();
    if (line.command == Command::Receive && (line.inPort.isEmpty() && !args.contains(QStringLiteral("--in"))))
        std::abort();
    if (line.command == Command::Receive && !line.manual
        && (line.request < 0 || line.request >= sysex::kNamedRequestCount))
        std::abort();
    return 0;
}
