#include "setup/SetupInstaller.h"

#include "controls/common/ControlModule.h"
#include "controls/common/ControlRegistry.h"
#include "fileio/AtomicFile.h"
#include "setup/DesktopEntry.h"
#include "setup/LibraryCheck.h"
#include "setup/SetupText.h"
#include "setup/SetupUi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <filesystem>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

// The desktop entry template, the icon and the file types live in the setup's resources.
static void initSetupResources()
{
    Q_INIT_RESOURCE(setup);
}

namespace {

constexpr qint64 kCopyChunk = 256 * 1024;
constexpr int kToolTimeoutMs = 20000;

QString text(const char* message)
{
    return QString::fromUtf8(message);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString systemText(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

std::filesystem::path fsPath(const QString& path)
{
#if defined(Q_OS_WIN)
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool runningAsRoot()
{
#if defined(Q_OS_UNIX)
    return ::geteuid() == 0;
#else
    return false;
#endif
}

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

// Whether two files hold the same bytes (false when either cannot be read).
bool sameContents(const QString& a, const QString& b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) || first.size() != second.size())
        return false;
    constexpr qint64 kChunk = 1 << 16;
    while (!first.atEnd()) {
        const QByteArray x = first.read(kChunk);
        if (x.isEmpty() || x != second.read(kChunk))
            return false;
    }
    return true;
}

// A best-effort refresh of a desktop database; desktops without the tool read the
// folders themselves.
void runTool(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}

// Creates folder with the folders above it; the system's words in error.
bool makeFolder(const QString& folder, QString& error)
{
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return true;
    std::error_code code;
    if (!folder.isEmpty())
        std::filesystem::create_directories(fsPath(folder), code);
    if (!folder.isEmpty() && !code && QFileInfo(folder).isDir())
        return true;
    error = code ? QString::fromStdString(code.message()) : systemText(ENOENT);
    return false;
}

// Writes bytes to path through a temporary file; the error in error.
bool writeWhole(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions, QString& error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!makeFolder(folder, error)) {
        error = QStringLiteral("%1: %2").arg(native(folder), error);
        return false;
    }
    AtomicFile file(path);
    file.setPermissions(permissions);
    if (!file.open() || !file.write(bytes) || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QByteArray resource(const QString& name)
{
    QFile file(QStringLiteral(":/setup/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

CSetupInstaller::Options CSetupInstaller::Options::defaults()
{
    Options options;
    options.sourceFolder = QCoreApplication::applicationDirPath();
    options.installFolder = QDir(QDir::homePath()).filePath(text(SetupText::kDefaultFolderName));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    options.controlFolder = QDir(data).filePath(QStringLiteral("toneloom/controls"));
    options.desktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    // The administrator's menu entries live beside, not inside, the packaged ones.
    const QString system = qEnvironmentVariable(kSystemDataVariable, QStringLiteral("/usr/local/share"));
    options.dataFolder = runningAsRoot() ? system : data;
    return options;
}

CSetupInstaller::CSetupInstaller(Options options, CSetupUi& ui) : m_options(std::move(options)), m_ui(ui)
{
    initResources();
}

void CSetupInstaller::initResources()
{
    initSetupResources();
}

QString CSetupInstaller::expandFolder(const QString& typed)
{
    QString folder = typed.trimmed();
    if (folder == QLatin1String("~"))
        folder = QDir::homePath();
    else if (folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    if (folder.isEmpty())
        return folder;
    return QDir::cleanPath(QDir::current().absoluteFilePath(folder));
}

QString CSetupInstaller::desktopLinkPath() const
{
    return QDir(m_options.desktopFolder).filePath(text(SetupText::kLinkName) + QStringLiteral(".desktop"));
}

QString CSetupInstaller::menuEntryPath() const
{
    return QDir(m_options.dataFolder).filePath(QStringLiteral("applications/") + QLatin1String(kMenuEntryFile));
}

QString CSetupInstaller::iconPath() const
{
    return QDir(m_options.dataFolder)
        .filePath(QStringLiteral("icons/hicolor/256x256/apps/") + QLatin1String(kIconName) + QStringLiteral(".png"));
}

QString CSetupInstaller::mimePath() const
{
    return QDir(m_options.dataFolder).filePath(QStringLiteral("mime/packages/") + QLatin1String(kMimeFile));
}

void CSetupInstaller::fail(const QString& message, const QString& explanation)
{
    m_ui.showMessage(MessageIcon::Exclamation, message);
    if (!explanation.isEmpty())
        m_ui.explain(explanation);
}

void CSetupInstaller::step()
{
    ++m_done;
    m_ui.setProgress(std::min(99, m_done * 100 / std::max(1, m_steps)));
}

bool CSetupInstaller::install()
{
    const QList<SetupFileEntry> table = CSetupFileTable::entries(m_options.sourceFolder);
    m_steps = static_cast<int>(table.size()) + 2;
    m_done = 0;
    m_ui.setProgress(0);

    // Every module registers itself in the control registry: one that cannot be read
    // would make each registration fail, so it stops the installation before it starts.
    CControlRegistry registry;
    QString error;
    if (!registry.load(&error)) {
        fail(text(SetupText::kRegistryError), QStringLiteral("%1: %2").arg(native(registry.path()), error));
        return false;
    }

    if (!ensureFolder(m_options.installFolder))
        return false;
    // Installing into the setup's own folder copies nothing: the modules are registered
    // where they are, beside the program.
    const bool inPlace = sameFile(m_options.sourceFolder, m_options.installFolder);
    m_controlFolder = inPlace ? m_options.sourceFolder : m_options.controlFolder;
    if (!ensureFolder(m_controlFolder))
        return false;
    step();

    if (!checkLibraries())
        return false;
    step();

    for (const SetupFileEntry& entry : table) {
        const QString folder =
            entry.destination == SetupFileEntry::Destination::InstallFolder ? m_options.installFolder : m_controlFolder;
        if (!copyFile(entry, folder))
            return false;
        if (entry.registerModule && !registerModule(QDir(folder).filePath(entry.name)))
            return false;
        step();
    }
    m_ui.setProgress(100);

    if ((m_options.desktopLink || m_options.menuLink) && !writeLinkSupport())
        return false;
    if (m_options.desktopLink && !createLink(desktopLinkPath()))
        return false;
    if (m_options.menuLink) {
        if (!createLink(menuEntryPath()))
            return false;
        runTool(QStringLiteral("update-mime-database"), {QDir(m_options.dataFolder).filePath(QStringLiteral("mime"))});
        runTool(QStringLiteral("update-desktop-database"),
                {QDir(m_options.dataFolder).filePath(QStringLiteral("applications"))});
    }

    m_ui.showMessage(MessageIcon::Information, text(SetupText::kSuccess));
    return true;
}

bool CSetupInstaller::ensureFolder(const QString& folder)
{
    QString error;
    if (makeFolder(folder, error))
        return true;
    fail(text(SetupText::kPathError).arg(native(folder)), error);
    return false;
}

bool CSetupInstaller::checkLibraries()
{
    const QString program =
        QDir(m_options.sourceFolder).filePath(CSetupFileTable::programFileName(QStringLiteral("toneloom")));
    if (!QFileInfo(program).isFile())
        return true; // the copy says so, in its own words
    const std::optional<QStringList> missing = CLibraryCheck::missingLibraries(program);
    if (!missing || missing->isEmpty())
        return true;
    fail(text(SetupText::kMissingLibraries).arg(native(program), missing->join(QLatin1Char('\n'))));
    return false;
}

bool CSetupInstaller::copyFile(const SetupFileEntry& entry, const QString& destinationFolder)
{
    const QString source = QDir(m_options.sourceFolder).filePath(entry.name);
    const QString destination = QDir(destinationFolder).filePath(entry.name);
    if (sameFile(source, destination))
        return true;

    const QFileInfo sourceInfo(source);
    const QFileInfo destinationInfo(destination);
    if (!sourceInfo.exists()) {
        // A file the release may leave out is skipped, installed before or not.
        if (!entry.mustExist)
            return true;
        if (destinationInfo.exists())
            fail(text(SetupText::kSourceNotFound).arg(native(source)));
        else
            fail(text(SetupText::kCopyError).arg(entry.name), systemText(ENOENT));
        return false;
    }
    if (destinationInfo.exists()) {
        // The very file installed already: nothing to ask, nothing to copy.
        if (sameContents(source, destination))
            return true;
        if (m_overwriteAll) {
            if (!*m_overwriteAll)
                return true;
        } else {
            const bool newer = destinationInfo.lastModified() > sourceInfo.lastModified();
            const QString question = text(newer ? SetupText::kNewerFile : SetupText::kOlderFile).arg(entry.name);
            const CSetupUi::Answer answer = m_ui.askForEach(question);
            if (answer == CSetupUi::Answer::YesToAll || answer == CSetupUi::Answer::NoToAll)
                m_overwriteAll = answer == CSetupUi::Answer::YesToAll;
            if (answer == CSetupUi::Answer::No || answer == CSetupUi::Answer::NoToAll)
                return true;
        }
    }
    return copyOver(source, destination, entry.name);
}

bool CSetupInstaller::copyOver(const QString& source, const QString& destination, const QString& name)
{
    const QString message = text(SetupText::kCopyError).arg(name);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(message, in.errorString());
        return false;
    }
    // Written beside the destination and renamed over it when complete: a copy that
    // fails half-way leaves the old file (or none), never a truncated one; a link in
    // the destination's place is replaced, never written through. The copy keeps the
    // source's permissions (the programs stay executable) and its time, so that the
    // next setup compares the release's times, not the copying's.
    AtomicFile out(destination);
    out.setPermissions(in.permissions());
    out.setModificationTime(QFileInfo(source).lastModified());
    if (!out.open()) {
        fail(message, out.errorString());
        return false;
    }
    while (true) {
        const QByteArray chunk = in.read(kCopyChunk);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError) {
                out.cancel();
                fail(message, QStringLiteral("%1: %2").arg(native(source), in.errorString()));
                return false;
            }
            break;
        }
        if (!out.write(chunk)) {
            fail(message, out.errorString());
            return false;
        }
    }
    if (!out.commit()) {
        fail(message, out.errorString());
        return false;
    }
    return true;
}

bool CSetupInstaller::registerModule(const QString& path)
{
    QLibrary library(path);
    if (!library.load()) {
        m_ui.explain(library.errorString());
        return false;
    }
    const QString entryName = text(SetupText::kRegisterEntry);
    auto entryPoint = reinterpret_cast<DllRegisterServerFunction>(library.resolve(SetupText::kRegisterEntry));
    if (!entryPoint) {
        const QString suffix = QFileInfo(path).suffix().toLower();
        const bool module =
            QLibrary::isLibrary(path) || suffix == QLatin1String("dll") || suffix == QLatin1String("ocx");
        fail(module ? text(SetupText::kNoEntryPoint).arg(entryName, native(path))
                    : text(SetupText::kNotAModule).arg(native(path)));
        library.unload();
        return false;
    }
    if (entryPoint() < 0) {
        // The module cannot say why; the usual cause is a registry that cannot be
        // written (a full disk), and writing it once more, unchanged, names that cause.
        CControlRegistry registry;
        QString why;
        if (registry.load(&why))
            registry.save(&why);
        fail(text(SetupText::kCallFailed).arg(entryName, native(path)), why);
        library.unload();
        return false;
    }
    if (!library.unload()) {
        m_ui.explain(library.errorString());
        return false;
    }
    return true;
}

bool CSetupInstaller::writeLinkSupport()
{
    QString error;
    constexpr auto kReadable =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (!writeWhole(iconPath(), resource(QStringLiteral("toneloom256.png")), kReadable, error)
        || (m_options.menuLink
            && !writeWhole(mimePath(), resource(QStringLiteral("toneloom-mime.xml")), kReadable, error))) {
        fail(text(SetupText::kLinkError), error);
        return false;
    }
    return true;
}

bool CSetupInstaller::createLink(const QString& path)
{
    const QString program =
        QDir(m_options.installFolder).filePath(CSetupFileTable::programFileName(QStringLiteral("toneloom")));
    const QByteArray entry = CDesktopEntry::fromTemplate(
        QString::fromUtf8(resource(QStringLiteral("toneloom.desktop"))), program, iconPath());
    // Launchers on a desktop must be executable to start.
    constexpr auto kLauncher = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                               | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                               | QFileDevice::ExeOther;
    QString error;
    if (entry.isEmpty() || !writeWhole(path, entry, kLauncher, error)) {
        fail(text(SetupText::kLinkError), error);
        return false;
    }
    return true;
}
