#pragma once

#include "model/ItemKind.h"
#include "model/SynthSettings.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The command line of toneloom-cli, checked and converted before anything is read,
// written or opened: which command, its files and options. A line that asks for
// something impossible carries a one-line error instead.
namespace cli {

// Options of the form --name VALUE and --flag, and the remaining positional arguments.
class Arguments
{
public:
    // valueOptions: names that take a value; flags: names that do not.
    Arguments(const QStringList& args, const QStringList& valueOptions, const QStringList& flags);
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // The last value given for name.
    std::optional<QString> value(const QString& name) const;
    bool flag(const QString& name) const { return m_flags.contains(name); }
    const QStringList& positional() const { return m_positional; }

private:
    QString m_error;
    QStringList m_names;
    QStringList m_values;
    QStringList m_flags;
    QStringList m_positional;
};

struct CommandLine
{
    enum class Command {
        Usage,
        Version,
        Names,
        Info,
        Check,
        Convert,
        Ports,
        Detect,
        Receive,
        Send,
        Show,
        Diff,
        Mutate,
        Morph,
        Library
    };
    static constexpr BankPart kAll = kWholeBank; // --what all: the whole bank

    Command command = Command::Usage;
    QString error;                     // empty when the line is good
    bool showUsage = false;            // print the list of commands (with the error, if any)
    QStringList files;                 // the positional arguments, as many as the command takes
    ItemKind kind = ItemKind::Patches; // names --kind
    BankPart what = kAll;              // convert and send --what: a kind, or kAll
    std::optional<SynthModel> model;
    std::optional<std::uint8_t> deviceId; // the stored byte 10h..1Fh (shown as 17..32)
    bool card = false;
    bool force = false;
    bool manual = false;
    QString inPort;   // receive --in
    QString outPort;  // receive and send --out
    int request = -1; // receive --request: the index of a named request, -1 for --manual
    std::optional<int> rate;
    std::optional<int> pause;
    std::optional<int> timeout; // receive --timeout: seconds until the first byte
    bool verify = false;        // send --verify: read back, resend what differs
    QString backupFolder;       // send --backup DIR: what the send overwrites goes there first
    std::optional<int> window;  // detect --window: milliseconds one request waits for its answer
    // show, diff and library check their own arguments (these, after the command's name)
    // before they open anything.
    QStringList rest;

    bool ok() const { return error.isEmpty(); }
};

// args: the arguments after the program's name.
CommandLine parseCommandLine(const QStringList& args);
// "toneloom-cli COMMAND ..." for every command.
QStringList usageLines();

// "--model jv1080|jv2080|xp" → model number 0..2, or -1.
int parseModel(const QString& text);
// "--device-id 17..32" (as the synthesizer shows it) → the stored byte 10h..1Fh, or -1.
int parseDeviceId(const QString& text);

} // namespace cli
