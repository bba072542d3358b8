#include "cli/CommandLine.h"

#include "midi/BulkTransfer.h"
#include "model/SysEx.h"
#include "settings/AppSettings.h"

#include <array>

namespace cli {

namespace {

using Command = CommandLine::Command;

struct CommandDef
{
    const char* name;
    Command command;
    QStringList valueOptions;
    QStringList flags;
    int files;             // positional arguments the command takes, or kOwnArguments
    const char* filesText; // what it says when their number is wrong
    const char* usage;
};

constexpr int kOwnArguments = -1; // the command checks its arguments itself
constexpr int kMaxTimeoutSecs = 24 * 60 * 60;
constexpr int kMaxWindowMs = 10000;

const std::array<CommandDef, 13>& commandDefs()
{
    static const std::array<CommandDef, 13> kCommandDefs = {{
        {"names",
         Command::Names,
         {"--kind"},
         {},
         1,
         "names needs exactly one FILE.syx",
         "names FILE.syx [--kind patches|performances|rhythm]"},
        {"info", Command::Info, {}, {}, 1, "info needs exactly one FILE.syx", "info FILE.syx"},
        {"check", Command::Check, {}, {}, 1, "check needs exactly one FILE.syx", "check FILE.syx"},
        {"convert",
         Command::Convert,
         {"--model", "--what", "--device-id"},
         {"--card", "--force"},
         2,
         "convert needs IN.syx and OUT.syx",
         "convert --model jv1080|jv2080|xp [--what all|patches|performances|rhythm] [--card] [--device-id 17..32] "
         "[--force] IN.syx OUT.syx"},
        {"ports", Command::Ports, {}, {}, 0, "ports takes no arguments", "ports"},
        {"detect",
         Command::Detect,
         {"--window"},
         {},
         0,
         "detect takes no file",
         "detect [--window MS]   (prints: input port, output port, device ID, model; tab-separated)"},
        {"receive",
         Command::Receive,
         {"--in", "--out", "--request", "--model", "--device-id", "--timeout"},
         {"--manual"},
         1,
         "receive needs exactly one FILE.syx",
         "receive --in PORT --out PORT (--request NAME | --manual) [--model jv1080|jv2080|xp] [--device-id 17..32] "
         "[--timeout SECONDS] FILE.syx"},
        {"send",
         Command::Send,
         {"--out", "--in", "--what", "--model", "--device-id", "--rate", "--pause", "--backup"},
         {"--card", "--force", "--verify"},
         1,
         "send needs exactly one FILE.syx",
         "send --out PORT [--card] [--what all|patches|performances|rhythm] [--model jv1080|jv2080|xp] [--device-id "
         "17..32] [--rate BYTES_PER_S] [--pause MS] [--force] [--in PORT [--verify] [--backup DIR]] FILE.syx"},
        {"show", Command::Show, {}, {}, kOwnArguments, "", "show FILE.syx --patch N | --performance N | --rhythm N"},
        {"diff",
         Command::Diff,
         {},
         {},
         kOwnArguments,
         "",
         "diff A.syx B.syx --patch N | --performance N | --rhythm N [--to M]"},
        {"mutate",
         Command::Mutate,
         {},
         {},
         kOwnArguments,
         "",
         "mutate IN.syx --patch N --amount 1..100 --seed S [--choices] OUT.syx"},
        {"morph",
         Command::Morph,
         {},
         {},
         kOwnArguments,
         "",
         "morph A.syx --patch N B.syx --patch M --at 0..100 OUT.syx"},
        {"library",
         Command::Library,
         {},
         {},
         kOwnArguments,
         "",
         "library new LIB.clb\n"
         "  toneloom-cli library add LIB.clb BANK.syx [--patches LIST] [--drop-tail]\n"
         "  toneloom-cli library list LIB.clb [--name TEXT] [--find \"OP KEY ...\"] [--sort COLUMN] [--categories]\n"
         "      [--uses TEXT] [--needs BOARD|none] [--playable] [--category NAME]\n"
         "  toneloom-cli library import LIB.clb PATH...\n"
         "  toneloom-cli library similar LIB.clb N [--top K]\n"
         "  toneloom-cli library export LIB.clb LIST OUT.syx [--model jv1080|jv2080|xp] [--each]\n"
         "  toneloom-cli library doubles LIB.clb [--threshold PERCENT]\n"
         "  toneloom-cli library delete LIB.clb N... [--drop-tail]\n"
         "  toneloom-cli library extract LIB.clb N OUT.syx"},
    }};
    return kCommandDefs;
}

const QStringList kKinds = {QStringLiteral("patches"), QStringLiteral("performances"), QStringLiteral("rhythm")};

// A whole number in 0 .. max; -1 for anything else.
int parseBounded(const QString& text, int max)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= 0 && n <= max ? n : -1;
}

// Checks the options of a parsed line; the first problem wins.
QString checkOptions(const Arguments& a, CommandLine& line)
{
    if (const auto m = a.value(QStringLiteral("--model"))) {
        const int model = parseModel(*m);
        if (model < 0)
            return QStringLiteral("--model must be jv1080, jv2080 or xp, not %1").arg(*m);
        line.model = static_cast<SynthModel>(model);
    }
    if (const auto d = a.value(QStringLiteral("--device-id"))) {
        const int id = parseDeviceId(*d);
        if (id < 0)
            return QStringLiteral("--device-id must be 17..32, not %1").arg(*d);
        line.deviceId = static_cast<std::uint8_t>(id);
    }
    if (const auto k = a.value(QStringLiteral("--kind"))) {
        const std::optional<ItemKind> kind = itemKindOf(static_cast<int>(kKinds.indexOf(*k)));
        if (!kind)
            return QStringLiteral("--kind must be patches, performances or rhythm, not %1").arg(*k);
        line.kind = *kind;
    }
    if (const auto w = a.value(QStringLiteral("--what"))) {
        const QString what = w->toLower();
        const std::optional<ItemKind> kind = itemKindOf(static_cast<int>(kKinds.indexOf(what)));
        if (!kind && what != QLatin1String("all"))
            return QStringLiteral("--what must be all, patches, performances or rhythm, not %1").arg(*w);
        line.what = kind ? BankPart(kind) : CommandLine::kAll;
    }
    if (const auto r = a.value(QStringLiteral("--rate"))) {
        line.rate = parseBounded(*r, CAppSettings::kMaxSendRate);
        if (*line.rate < 0)
            return QStringLiteral("--rate must be 0..%1 bytes per second, not %2")
                .arg(CAppSettings::kMaxSendRate)
                .arg(*r);
    }
    if (const auto p = a.value(QStringLiteral("--pause"))) {
        line.pause = parseBounded(*p, CAppSettings::kMaxSendPause);
        if (*line.pause < 0)
            return QStringLiteral("--pause must be 0..%1 ms, not %2").arg(CAppSettings::kMaxSendPause).arg(*p);
    }
    if (const auto t = a.value(QStringLiteral("--timeout"))) {
        line.timeout = parseBounded(*t, kMaxTimeoutSecs);
        if (*line.timeout < 1)
            return QStringLiteral("--timeout takes 1 to %1 seconds, not %2").arg(kMaxTimeoutSecs).arg(*t);
    }
    if (const auto r = a.value(QStringLiteral("--request"))) {
        line.request = CBulkTransfer::findRequest(*r);
        if (line.request < 0) {
            QStringList names;
            for (const auto& request : sysex::kNamedRequests)
                names << QString::fromLatin1(request.name);
            return QStringLiteral("unknown request \"%1\"; choose one of: %2").arg(*r, names.join(QLatin1String(", ")));
        }
    }
    if (const auto w = a.value(QStringLiteral("--window"))) {
        line.window = parseBounded(*w, kMaxWindowMs);
        if (*line.window < 1)
            return QStringLiteral("--window takes 1 to %1 ms, not %2").arg(kMaxWindowMs).arg(*w);
    }
    line.verify = a.flag(QStringLiteral("--verify"));
    line.backupFolder = a.value(QStringLiteral("--backup")).value_or(QString());
    line.card = a.flag(QStringLiteral("--card"));
    line.force = a.flag(QStringLiteral("--force"));
    line.manual = a.flag(QStringLiteral("--manual"));
    line.inPort = a.value(QStringLiteral("--in")).value_or(QString());
    line.outPort = a.value(QStringLiteral("--out")).value_or(QString());
    return {};
}

// What a command needs beyond well-formed options.
QString checkRequired(const Arguments& a, const CommandLine& line)
{
    switch (line.command) {
    case Command::Convert:
        if (!line.model)
            return QStringLiteral("convert needs --model jv1080|jv2080|xp");
        break;
    case Command::Receive:
        if (!a.value(QStringLiteral("--in")))
            return QStringLiteral("receive needs --in PORT");
        if (line.manual == a.value(QStringLiteral("--request")).has_value())
            return QStringLiteral("receive needs either --request NAME or --manual");
        if (!line.manual && !a.value(QStringLiteral("--out")))
            return QStringLiteral("a request needs --out PORT");
        break;
    case Command::Send:
        if (!a.value(QStringLiteral("--out")))
            return QStringLiteral("send needs --out PORT");
        if ((line.verify || !line.backupFolder.isEmpty()) && !a.value(QStringLiteral("--in")))
            return QStringLiteral("%1 needs --in PORT, where the synthesizer answers")
                .arg(QLatin1String(line.verify ? "--verify" : "--backup"));
        break;
    default:
        break;
    }
    return {};
}

} // namespace

Arguments::Arguments(const QStringList& args, const QStringList& valueOptions, const QStringList& flags)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            m_positional << a;
        } else if (flags.contains(a)) {
            m_flags << a;
        } else if (!valueOptions.contains(a)) {
            m_error = QStringLiteral("unknown option %1").arg(a);
            return;
        } else if (i + 1 >= args.size()) {
            m_error = QStringLiteral("%1 needs a value").arg(a);
            return;
        } else {
            m_names << a;
            m_values << args[++i];
        }
    }
}

std::optional<QString> Arguments::value(const QString& name) const
{
    const qsizetype i = m_names.lastIndexOf(name);
    if (i < 0)
        return std::nullopt;
    return m_values[i];
}

CommandLine parseCommandLine(const QStringList& args)
{
    CommandLine line;
    if (args.isEmpty()) {
        line.showUsage = true;
        line.error = QStringLiteral("no command given");
        return line;
    }
    const QString& name = args.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        line.showUsage = true;
        return line;
    }
    if (name == QLatin1String("--version")) {
        line.command = CommandLine::Command::Version;
        return line;
    }
    const CommandDef* def = nullptr;
    for (const CommandDef& s : commandDefs()) {
        if (name == QLatin1String(s.name))
            def = &s;
    }
    if (!def) {
        line.showUsage = true;
        line.error = QStringLiteral("unknown command %1").arg(name);
        return line;
    }
    line.command = def->command;
    if (def->files == kOwnArguments) {
        line.rest = args.mid(1);
        return line;
    }
    const Arguments a(args.mid(1), def->valueOptions, def->flags);
    line.error = a.error();
    if (line.error.isEmpty())
        line.error = checkOptions(a, line);
    if (line.error.isEmpty() && a.positional().size() != def->files)
        line.error = QString::fromLatin1(def->filesText);
    if (line.error.isEmpty())
        line.error = checkRequired(a, line);
    if (line.error.isEmpty())
        line.files = a.positional();
    return line;
}

QStringList usageLines()
{
    QStringList lines;
    for (const CommandDef& s : commandDefs())
        lines << QStringLiteral("toneloom-cli %1").arg(QString::fromLatin1(s.usage));
    lines << QStringLiteral("toneloom-cli --help | --version");
    return lines;
}

int parseModel(const QString& text)
{
    const QString t = text.toLower();
    if (t == QLatin1String("jv1080"))
        return int(SynthModel::Jv1080);
    if (t == QLatin1String("jv2080"))
        return int(SynthModel::Jv2080);
    if (t == QLatin1String("xp"))
        return int(SynthModel::Xp);
    return -1;
}

int parseDeviceId(const QString& text)
{
    bool ok = false;
    const int shown = text.toInt(&ok);
    if (!ok || shown < SynthSettings::kMinDeviceId + 1 || shown > SynthSettings::kMaxDeviceId + 1)
        return -1;
    return shown - 1;
}

} // namespace cli
