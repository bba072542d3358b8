#include "cli/CliSupport.h"

#include "model/SynthSettings.h"

#include <cstdio>

namespace cli {

void printOut(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

void printErr(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
}

int fail(const QString& text)
{
    printErr(QStringLiteral("toneloom-cli: ") + text);
    return kExitBadInput;
}

Arguments::Arguments(const QStringList& args, const QStringList& valueOptions, const QStringList& flags)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QLatin1String("--"))) {
            if (flags.contains(a)) {
                m_flags << a;
            } else if (valueOptions.contains(a)) {
                if (i + 1 >= args.size()) {
                    m_error = QStringLiteral("%1 needs a value").arg(a);
                    return;
                }
                m_names << a;
                m_values << args[++i];
            } else {
                m_error = QStringLiteral("unknown option %1").arg(a);
                return;
            }
        } else {
            m_positional << a;
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
