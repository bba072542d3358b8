#include "setup/LibraryCheck.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int kTimeoutMs = 20000;

} // namespace

QStringList CLibraryCheck::missingFromListing(const QString& listing)
{
    QStringList missing;
    for (const QString& line : listing.split(QLatin1Char('\n'))) {
        // "\tlibrtmidi.so.6 => not found"
        const int arrow = line.indexOf(QLatin1String("=>"));
        if (arrow < 0 || line.mid(arrow + 2).trimmed() != QLatin1String("not found"))
            continue;
        const QString name = line.left(arrow).trimmed();
        if (!name.isEmpty() && !missing.contains(name))
            missing.append(name);
    }
    return missing;
}

std::optional<QStringList> CLibraryCheck::missingLibraries(const QString& program)
{
#if defined(Q_OS_LINUX)
    const QString ldd = QStandardPaths::findExecutable(QStringLiteral("ldd"));
    if (ldd.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(ldd, {program});
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    const QString listing = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QStringList missing = missingFromListing(listing);
    // ldd lists what it found even when it ends with an error; without a listing the
    // file is no program it can read (a script, another system's program).
    if (missing.isEmpty() && (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
        return std::nullopt;
    return missing;
#else
    // Elsewhere the libraries travel with the program.
    static_cast<void>(program);
    return std::nullopt;
#endif
}
