#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Small helpers shared by the commands of toneloom-cli.
namespace cli {

constexpr int kExitOk = 0;
constexpr int kExitProblem = 1; // the command ran and found something wrong
constexpr int kExitBadInput = 2;

// Prints "toneloom-cli: text" on stderr and returns kExitBadInput.
int fail(const QString& text);
void printOut(const QString& text); // one line on stdout
void printErr(const QString& text); // one line on stderr

// Options of the form --name VALUE and --flag, and the remaining positional arguments.
class Arguments
{
public:
    // valueOptions: names that take a value; flags: names that do not.
    Arguments(const QStringList& args, const QStringList& valueOptions, const QStringList& flags);
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
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

// "--model jv1080|jv2080|xp" → model number 0..2, or -1.
int parseModel(const QString& text);
// "--device-id 17..32" (as the synthesizer shows it) → the stored byte 10h..1Fh, or -1.
int parseDeviceId(const QString& text);

} // namespace cli
