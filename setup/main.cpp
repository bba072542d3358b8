#include "setup/ConsoleSetupUi.h"
#include "setup/MessageBoxSetupUi.h"
#include "setup/SetupDlg.h"
#include "setup/SetupInstaller.h"
#include "setup/SetupText.h"

#include "fileio/AtomicFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kUsageError = 2;

// Any of these on the command line installs without the dialog.
bool wantsCommandLine(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        for (const char* option : {"--install-to", "--no-desktop-link", "--no-menu-link", "--overwrite", "--help", "-h",
                                   "--version", "-v"}) {
            const std::size_t length = std::strlen(option);
            if (std::strncmp(argument, option, length) == 0 && (argument[length] == '\0' || argument[length] == '='))
                return true;
        }
    }
    return false;
}

int usageError(const QCommandLineParser& parser, const QString& message)
{
    const QByteArray text = (message + QLatin1Char('\n') + parser.helpText()).toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    return kUsageError;
}

int runCommandLine(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("toneloom-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONELOOM_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Installs Toneloom from the folder this program is in."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption installTo(QStringLiteral("install-to"),
                                       QStringLiteral("Install into <folder> without the dialog."),
                                       QStringLiteral("folder"));
    const QCommandLineOption noDesktop(QStringLiteral("no-desktop-link"),
                                       QStringLiteral("Create no link on the desktop."));
    const QCommandLineOption noMenu(QStringLiteral("no-menu-link"),
                                    QStringLiteral("Create no entry in the applications menu."));
    const QCommandLineOption overwrite(QStringLiteral("overwrite"),
                                       QStringLiteral("Answer each question to overwrite a file: yes or no (default)."),
                                       QStringLiteral("yes|no"), QStringLiteral("no"));
    parser.addOptions({installTo, noDesktop, noMenu, overwrite});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return usageError(parser, QStringLiteral("Unknown argument: %1").arg(parser.positionalArguments().first()));
    if (!parser.isSet(installTo) || parser.value(installTo).trimmed().isEmpty())
        return usageError(parser, QStringLiteral("--install-to needs the folder to install into."));
    const QString answer = parser.value(overwrite).toLower();
    if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
        return usageError(parser, QStringLiteral("--overwrite takes yes or no, not %1.").arg(parser.value(overwrite)));

    CSetupInstaller::Options options = CSetupInstaller::Options::defaults();
    options.installFolder = CSetupInstaller::expandFolder(parser.value(installTo));
    options.desktopLink = !parser.isSet(noDesktop);
    options.menuLink = !parser.isSet(noMenu);
    CConsoleSetupUi ui(answer == QLatin1String("yes"));
    CSetupInstaller installer(options, ui);
    return installer.install() ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    AtomicFile::failOversizeWrites();
    if (wantsCommandLine(argc, argv))
        return runCommandLine(argc, argv);

    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(SetupText::kTitle));
    CMessageBoxSetupUi ui;
    CSetupDlg dialog(CSetupInstaller::Options::defaults(), ui);
    ui.setParent(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return dialog.succeeded() ? 0 : 1;
}
