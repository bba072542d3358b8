#include "app/ToneloomApp.h"

#include "app/AboutDlg.h"
#include "app/AppServices.h"
#include "app/MainFrame.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "emulator/EmulatorDevice.h"
#include "library/ui/LibraryView.h"
#include "midi/SystemPortProvider.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "ui/ChildFrame.h"
#include "ui/DocTemplate.h"
#include "ui/DocumentView.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// Asks which kind of document "New" makes when there is more than one.
class CNewTypeDlg : public QDialog
{
public:
    CNewTypeDlg(const QStringList& names, QWidget* parent) : QDialog(parent)
    {
        setWindowTitle(QStringLiteral("New"));
        auto* layout = new QVBoxLayout(this);
        m_list = new QListWidget(this);
        m_list->addItems(names);
        m_list->setCurrentRow(0);
        layout->addWidget(m_list);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        layout->addWidget(buttons);
    }
    int choice() const { return m_list->currentRow(); }

private:
    QListWidget* m_list;
};

// Ports that only echo what is sent to them are no synthesizer.
bool onlyThroughPorts(const QStringList& names)
{
    for (const QString& name : names)
        if (!name.contains(QStringLiteral("Through"), Qt::CaseInsensitive) && name != CEmulatorDevice::kPortName)
            return false;
    return true;
}

} // namespace

CToneloomApp::CToneloomApp() : CToneloomApp(Options{})
{}

CToneloomApp::CToneloomApp(const Options& options)
{
    QApplication::setApplicationName(QStringLiteral("Toneloom"));
    QApplication::setApplicationDisplayName(QStringLiteral("Toneloom!"));
    m_ini = std::make_unique<CIniFile>(options.iniPath.isEmpty() ? CIniFile::defaultPath() : options.iniPath);
    if (options.prompter) {
        m_prompter = options.prompter;
    } else {
        m_ownPrompter = std::make_unique<CPrompter>();
        m_prompter = m_ownPrompter.get();
    }
    m_settings = std::make_unique<CAppSettings>(*m_ini, m_prompter);
    if (options.ports) {
        m_ports = options.ports;
    } else {
        m_emulator = std::make_unique<CEmulatorDevice>(m_settings->synth().model, m_settings->synth().deviceId);
        m_ownPorts = std::make_unique<CSystemPortProvider>(std::vector<CMidiPortProvider*>{m_emulator.get()});
        m_ports = m_ownPorts.get();
        // On the first run without a synthesizer attached, the built-in emulator is
        // the device, so that receiving and sending work from the start.
        const QString setup = QString::fromLatin1(CAppSettings::kSetup);
        if (!m_ini->contains(setup, QStringLiteral("MIDIIN"))
            && !m_ini->contains(setup, QStringLiteral("MIDIINNAME"))) {
            const QStringList inputs = m_ports->inputNames();
            const QStringList outputs = m_ports->outputNames();
            if (onlyThroughPorts(inputs) && onlyThroughPorts(outputs)) {
                CAppSettings::Midi midi = m_settings->midi();
                midi.inDevice = static_cast<int>(inputs.size()) - 1;
                midi.outDevice = static_cast<int>(outputs.size()) - 1;
                midi.inName = CEmulatorDevice::kPortName;
                midi.outName = CEmulatorDevice::kPortName;
                m_settings->useMidiDefaults(midi);
            }
        }
    }
    m_programFolder = options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : options.programFolder;

    AddDocTemplate(std::make_unique<CDocTemplate>(
        QString::fromLatin1(kBankDocString), [this](CDocTemplate& docTemplate, const QString& path) -> QWidget* {
            auto document = std::make_unique<CToneloomDoc>(m_settings->synth(), *m_prompter);
            if (!path.isEmpty() && !document->OnOpenDocument(path))
                return nullptr;
            const QString title = path.isEmpty() ? docTemplate.nextUntitledTitle() : QFileInfo(path).fileName();
            auto* view = new CToneloomView(std::move(document), docTemplate, *m_services, title);
            m_frame->addDocumentWindow(view);
            view->initialUpdate();
            // What was wrong with the file, once, over the window that marks the damage.
            const CBankReport& report = view->document().openReport();
            if (!report.isClean())
                m_prompter->showMessage(MessageIcon::Exclamation,
                                        report.message(QDir::toNativeSeparators(QFileInfo(path).fileName())));
            return view;
        }));
    AddDocTemplate(std::make_unique<CDocTemplate>(
        QString::fromLatin1(kLibraryDocString), [this](CDocTemplate& docTemplate, const QString& path) -> QWidget* {
            CLibraryView* view = CLibraryView::create(docTemplate, *m_services, path, [this](const QString& file) {
                return findOpenDocument(file) != nullptr;
            });
            if (view)
                m_frame->addDocumentWindow(view);
            return view;
        }));
}

CToneloomApp::~CToneloomApp()
{
    // The windows go before what they share.
    m_frame.reset();
    m_services.reset();
}

bool CToneloomApp::InitInstance(Qt::WindowStates showState)
{
    m_services = std::make_unique<CAppServices>(*m_settings, *m_prompter, *m_ports, *this);
    m_frame = std::make_unique<CMainFrame>(*this, *m_services);
    m_prompter->setParentWidget(m_frame.get());
    // Without a stored place the main window is as large as a bank window with its
    // whole grid of patches needs, as far as the screen allows.
    const auto fit = [this] {
        QSize size = m_frame->defaultSize();
        if (const QScreen* screen = m_frame->screen())
            size = size.boundedTo(screen->availableGeometry().size());
        m_frame->resize(size);
    };
    fit();
    const bool placed = m_frame->restoreWindowLayout(showState);
    // Shown, the window's bars have their real sizes.
    if (!placed && !(m_frame->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        fit();
    return true;
}

void CToneloomApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate)
{
    m_templates.push_back(std::move(docTemplate));
}

QList<CDocTemplate*> CToneloomApp::templates() const
{
    QList<CDocTemplate*> list;
    for (const auto& t : m_templates)
        list << t.get();
    return list;
}

CDocTemplate* CToneloomApp::FindTemplate(const QString& extension) const
{
    for (const auto& t : m_templates)
        if (t->filterExtension() == extension)
            return t.get();
    return nullptr;
}

QWidget* CToneloomApp::findOpenDocument(const QString& path) const
{
    if (!m_frame || path.isEmpty())
        return nullptr;
    const QFileInfo wanted(path);
    for (CChildFrame* frame : m_frame->childFrames()) {
        const CDocumentView* view = frame->documentView();
        if (!view || view->documentPath().isEmpty())
            continue;
        const QFileInfo open(view->documentPath());
        // Links and relative names lead to the same file.
        const bool same = (wanted.exists() && open.exists()) ? wanted.canonicalFilePath() == open.canonicalFilePath()
                                                             : wanted.absoluteFilePath() == open.absoluteFilePath();
        if (same)
            return frame->widget();
    }
    return nullptr;
}

QList<QWidget*> CToneloomApp::documentWindows() const
{
    QList<QWidget*> windows;
    if (m_frame)
        for (CChildFrame* frame : m_frame->childFrames())
            windows << frame->widget();
    return windows;
}

QWidget* CToneloomApp::OpenDocumentFile(const QString& path)
{
    if (!m_frame)
        return nullptr;
    // A file has one window: opening it again brings that window to the front, so
    // that two windows never save over each other's work.
    if (QWidget* open = findOpenDocument(path)) {
        m_frame->activateDocumentWindow(open);
        m_frame->addRecentFile(path);
        return open;
    }
    // The extension in lower case picks the kind: ".clb" a library, anything else a bank.
    CDocTemplate* docTemplate = bankTemplate();
    if (QFileInfo(path).suffix().toLower() == QLatin1String("clb")) {
        docTemplate = FindTemplate(QStringLiteral(".clb"));
        if (!docTemplate) {
            m_prompter->showMessage(MessageIcon::Exclamation,
                                    QStringLiteral("%1 is a library; libraries cannot be opened by this version "
                                                   "of the program.")
                                        .arg(QDir::toNativeSeparators(path)));
            return nullptr;
        }
    }
    QWidget* view = docTemplate->createWindow(path);
    // Banks and libraries that opened enter the recent files; a file that failed to
    // open (the user has been told why) leaves them.
    if (view)
        m_frame->addRecentFile(path);
    else
        m_frame->removeRecentFile(path);
    return view;
}

void CToneloomApp::OnFileNew()
{
    CDocTemplate* docTemplate = bankTemplate();
    if (m_templates.size() > 1) {
        QStringList names;
        for (const auto& t : m_templates)
            names << t->GetDocString(CDocTemplate::DocString::FileNewName);
        CNewTypeDlg dialog(names, m_frame.get());
        if (m_prompter->exec(dialog) != QDialog::Accepted || dialog.choice() < 0)
            return;
        docTemplate = m_templates[static_cast<std::size_t>(dialog.choice())].get();
    }
    if (!docTemplate)
        return;
    // A new library is a file from the start: it enters the recent files at once.
    if (const CDocumentView* view = CDocumentView::of(docTemplate->createWindow(QString())))
        m_frame->addRecentFile(view->documentPath());
}

void CToneloomApp::OnFileOpen()
{
    m_services->enterCurrentFolder();
    const QString path = m_prompter->getOpenFileName(QString::fromLatin1(kOpenFilter), QStringLiteral("syx"));
    if (path.isEmpty())
        return;
    const QString full = QFileInfo(path).absoluteFilePath();
    m_services->setCurrentFolder(CAppSettings::folderOf(full));
    OpenDocumentFile(full);
}

QString CToneloomApp::readmePath() const
{
    return QDir(m_programFolder).filePath(QLatin1String(CAboutDlg::kReadmeName));
}

void CToneloomApp::OnAppAbout()
{
    CAboutDlg dialog(readmePath(), *m_prompter, m_frame.get());
    m_prompter->exec(dialog);
}

void CToneloomApp::OnFilePrintSetup()
{
    QPageSetupDialog dialog(&m_services->printer(), m_frame.get());
    m_prompter->exec(dialog);
}
