#include "app/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/AuditionFilter.h"
#include "app/KurvexGraph.h"
#include "app/ModuleKnob.h"
#include "app/ToneloomApp.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/GlobalSettingsDlg.h"
#include "bank/ui/ToneloomView.h"
#include "editors/EnvelopePresetsDlg.h"
#include "emulator/EmulatorDevice.h"
#include "library/ui/BoardsDlg.h"
#include "midi/BulkTransfer.h"
#include "midi/Midi.h"
#include "midi/MidiLog.h"
#include "midi/MidiPortProvider.h"
#include "midi/ui/MidiMonitorWnd.h"
#include "midi/ui/MidiSettingsDlg.h"
#include "midi/ui/ReceiveDlg.h"
#include "midi/ui/StatusDlg.h"
#include "model/ExpansionNames.h"
#include "playsurfaces/Captile.h"
#include "playsurfaces/PianoKeyboardWnd.h"
#include "playsurfaces/VirtualSynthDlg.h"
#include "ui/ChildFrame.h"
#include "ui/CommandIds.h"
#include "ui/CommandTarget.h"
#include "ui/DocTemplate.h"
#include "ui/DocumentView.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

namespace {

constexpr int kMidiBufferSize = 1024;
const QString kRecentSection = QStringLiteral("Recent File List");
const QString kReceiveFilter = QStringLiteral("System Exclusive Data (*.syx)|*.syx|All Files (*.*)|*.*||");
const QString kReady = QStringLiteral("Ready");

} // namespace

// Outside any namespace: the resource's initialiser is a global function.
static void initResources()
{
    Q_INIT_RESOURCE(toneloom);
}

CMainFrame::CMainFrame(CToneloomApp& app, CAppSettings& settings, CPrompter& prompter, CMidiPortProvider& ports)
    : m_app(app), m_settings(settings), m_prompter(prompter), m_ports(ports)
{
    initResources();
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/toneloom.png")));
    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::onSubWindowActivated);

    m_printer = std::make_unique<QPrinter>();
    m_names = std::make_unique<CExpansionNames>(m_prompter);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();

    m_status = new CStatusDlg(this);
    connect(m_status, &CStatusDlg::stopClicked, this, &CMainFrame::StopTransfer);

    // The engine, with the ports the settings name.
    const CAppSettings::Midi& midiSettings = m_settings.midi();
    CMidiSettings engineSettings;
    engineSettings.inDevice = midiSettings.inDevice;
    engineSettings.outDevice = midiSettings.outDevice;
    engineSettings.inName = midiSettings.inName;
    engineSettings.outName = midiSettings.outName;
    engineSettings.sendRate = midiSettings.sendRate;
    engineSettings.sendPause = midiSettings.sendPause;
    engineSettings.chunkSize = kMidiBufferSize;
    m_midi = std::make_unique<CMidi>(ports, m_prompter, engineSettings);
    // With TONELOOM_MIDI_LOG naming a file, everything that passes the engine from now
    // on is written to it.
    m_midiLog = CMidiLog::fromEnvironment(*m_midi, m_prompter);
    for (const auto& request : sysex::kNamedRequests)
        m_midi->AddRequest(QString::fromLatin1(request.name), QString::fromLatin1(request.message));
    m_bulk = std::make_unique<CBulkTransfer>(*m_midi, m_settings.synth());
    connect(m_bulk.get(), &CBulkTransfer::statusText, m_messagePane, &QLabel::setText);
    connect(m_bulk.get(), &CBulkTransfer::finished, this, [this](CBulkTransfer::Outcome outcome, bool openFile) {
        onBulkFinished(static_cast<int>(outcome), openFile);
    });
    connect(m_midi.get(), &CMidi::bytesReceived, m_status, &CStatusDlg::setProgress);
    connect(m_midi.get(), &CMidi::bytesSent, m_status, &CStatusDlg::setProgress);

    m_audition = new CAuditionFilter([this](std::uint32_t message) { m_midi->SendShort(message); },
                                     [this] { return m_rhythmKey; }, this);
    qApp->installEventFilter(m_audition);

    m_midi->SetThru(midiSettings.thru);

    // The piano exists, hidden, from the start; the stored layout shows it.
    m_piano = new CPianoKeyboardWnd(*this, this);
    connect(m_piano, &CPianoKeyboardWnd::visibilityChanged, this, &CMainFrame::updateActions);

    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = m_settings.ini().readString(kRecentSection, QStringLiteral("File%1").arg(i));
        if (!path.isEmpty())
            m_recent << path;
    }
    updateRecentMenu();
    updateTitle();
    updateActions();
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(m_audition);
    // Document windows go first: they reach the engine while they close.
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        delete window;
    // The piano ends a note it still sounds.
    delete m_piano;
    m_piano = nullptr;
    delete m_monitor;
    m_monitor = nullptr;
    m_bulk.reset();
    if (m_midi) {
        // Closing the output ends whatever still sounds, and the log gets the last
        // messages before it closes.
        m_midi->CloseOut();
        m_midi->deliverTraffic();
    }
    m_midiLog.reset();
    m_midi.reset();
}

QAction* CMainFrame::makeAction(int id, const QString& text, const QString& iconName)
{
    auto* action = new QAction(text, this);
    action->setData(id);
    if (!iconName.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(iconName)));
    m_actions.insert(id, action);
    m_defaultTexts.insert(id, text);
    return action;
}

template <typename F>
void CMainFrame::frameCommand(int id, F&& handler)
{
    m_frameCommands.insert(id);
    connect(m_actions.value(id), &QAction::triggered, this, std::forward<F>(handler));
}

void CMainFrame::createActions()
{
    // The text after a tab is the accelerator; Qt shows it from the shortcut itself.
    const auto shortcutOf = [](QAction* a, const QList<QKeySequence>& keys) { a->setShortcuts(keys); };

    // The frame's own commands.
    QAction* a = makeAction(cmd::kFileNew, QStringLiteral("&New"), QStringLiteral("new"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_N)});
    a->setStatusTip(QStringLiteral("Create a new document"));
    frameCommand(cmd::kFileNew, [this] { m_app.OnFileNew(); });
    a = makeAction(cmd::kFileOpen, QStringLiteral("&Open..."), QStringLiteral("open"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    a->setStatusTip(QStringLiteral("Open an existing document"));
    frameCommand(cmd::kFileOpen, [this] { m_app.OnFileOpen(); });
    a = makeAction(cmd::kFileClose, QStringLiteral("&Close"));
    a->setStatusTip(QStringLiteral("Close the active document"));
    frameCommand(cmd::kFileClose, [this] { m_mdi->closeActiveSubWindow(); });
    a = makeAction(cmd::kFileSave, QStringLiteral("&Save"), QStringLiteral("save"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    a->setStatusTip(QStringLiteral("Save the active document"));
    frameCommand(cmd::kFileSave, [this] { saveActiveDocument(false); });
    a = makeAction(cmd::kFileSaveAs, QStringLiteral("Save &As..."));
    a->setStatusTip(QStringLiteral("Save the active document with a new name"));
    frameCommand(cmd::kFileSaveAs, [this] { saveActiveDocument(true); });
    a = makeAction(cmd::kFilePrintSetup, QStringLiteral("P&rint Setup..."));
    a->setStatusTip(QStringLiteral("Change the printer and printing options"));
    frameCommand(cmd::kFilePrintSetup, [this] { m_app.OnFilePrintSetup(); });
    a = makeAction(cmd::kAppExit, QStringLiteral("E&xit"));
    a->setStatusTip(QStringLiteral("Quit the application; prompts to save documents"));
    frameCommand(cmd::kAppExit, [this] { close(); });
    for (int i = 0; i < kRecentFileCount; ++i) {
        a = makeAction(cmd::kFileMru1 + i, QString());
        a->setVisible(false);
        frameCommand(cmd::kFileMru1 + i, [this, i] {
            if (i < m_recent.size())
                m_app.OpenDocumentFile(m_recent[i]);
        });
    }
    a = makeAction(cmd::kViewToolbar, QStringLiteral("&Toolbar"));
    a->setCheckable(true);
    m_frameCommands.insert(cmd::kViewToolbar);
    a = makeAction(cmd::kViewStatusBar, QStringLiteral("&Status Bar"));
    a->setCheckable(true);
    m_frameCommands.insert(cmd::kViewStatusBar);
    a = makeAction(cmd::kPianoKeyboard, QStringLiteral("&Piano Keyboard"), QStringLiteral("piano"));
    a->setCheckable(true);
    a->setStatusTip(QStringLiteral("Show or hide the piano keyboard"));
    frameCommand(cmd::kPianoKeyboard, [this] { togglePianoKeyboard(); });
    a = makeAction(cmd::kMidiMonitor, QStringLiteral("MIDI &Monitor"));
    a->setCheckable(true);
    a->setStatusTip(QStringLiteral("Show or hide the list of the MIDI messages sent and received"));
    frameCommand(cmd::kMidiMonitor, [this] { toggleMidiMonitor(); });
    a = makeAction(cmd::kMidiSetup, QStringLiteral("Se&tup..."));
    a->setStatusTip(QStringLiteral("Choose the MIDI ports, the synthesizer and its expansion boards"));
    frameCommand(cmd::kMidiSetup, [this] { onMidiSetup(); });
    a = makeAction(cmd::kReceive, QStringLiteral("&Receive..."), QStringLiteral("receive"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_R)});
    a->setStatusTip(QStringLiteral("Receive a bulk dump from the synthesizer into a new bank"));
    frameCommand(cmd::kReceive, [this] { onReceive(); });
    a = makeAction(cmd::kStop, QStringLiteral("St&op"), QStringLiteral("stop"));
    a->setStatusTip(QStringLiteral("Stop the transfer"));
    frameCommand(cmd::kStop, [this] { StopTransfer(); });
    a = makeAction(cmd::kVirtualSynth, QStringLiteral("&Virtual Synth..."), QStringLiteral("virtualsynth"));
    a->setStatusTip(QStringLiteral("Play the temporary patch as a two-oscillator analog synthesizer"));
    frameCommand(cmd::kVirtualSynth, [this] { onVirtualSynth(); });
    makeAction(cmd::kEnvelopePresets, QStringLiteral("En&velope Presets..."));
    frameCommand(cmd::kEnvelopePresets, [this] { onEnvelopePresets(); });
    makeAction(cmd::kSettings, QStringLiteral("&Settings..."));
    frameCommand(cmd::kSettings, [this] { OnSettings(); });
    a = makeAction(cmd::kUseCategories, QStringLiteral("&Use JV-2080 Categories"));
    a->setCheckable(true);
    frameCommand(cmd::kUseCategories, [this](bool on) {
        m_settings.setUseCategory(on);
        for (CChildFrame* frame : childFrames())
            if (CDocumentView* view = frame->documentView())
                view->settingsChanged();
    });
    makeAction(cmd::kWindowCascade, QStringLiteral("&Cascade"));
    frameCommand(cmd::kWindowCascade, [this] { cascadeWindows(); });
    makeAction(cmd::kWindowTile, QStringLiteral("&Tile"));
    frameCommand(cmd::kWindowTile, [this] { m_mdi->tileSubWindows(); });
    a = makeAction(cmd::kAppAbout, QStringLiteral("&About Toneloom!..."));
    a->setStatusTip(QStringLiteral("Display program information, version number and copyright"));
    frameCommand(cmd::kAppAbout, [this] { m_app.OnAppAbout(); });

    // The commands of the document windows: the active one carries them out.
    makeAction(cmd::kSavePatches, QStringLiteral("Save Patches"))
        ->setStatusTip(QStringLiteral("Save the patches of the bank in a file of their own"));
    makeAction(cmd::kSavePerformances, QStringLiteral("Save Performances"))
        ->setStatusTip(QStringLiteral("Save the performances of the bank in a file of their own"));
    makeAction(cmd::kSaveRhythms, QStringLiteral("Save Rhythms"))
        ->setStatusTip(QStringLiteral("Save the rhythm sets of the bank in a file of their own"));
    a = makeAction(cmd::kFilePrint, QStringLiteral("&Print..."), QStringLiteral("print"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_P)});
    a->setStatusTip(QStringLiteral("Print the active document"));
    makeAction(cmd::kFilePrintPreview, QStringLiteral("Print Pre&view"))
        ->setStatusTip(QStringLiteral("Display full pages"));
    a = makeAction(cmd::kEditUndo, QStringLiteral("Undo\tCtrl+Z"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    a = makeAction(cmd::kEditRedo, QStringLiteral("Redo\tCtrl+A"));
    // Ctrl+A as it always was, and the keys other programs redo with.
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::Key_Y),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    a = makeAction(cmd::kEditCopy, QStringLiteral("&Copy"), QStringLiteral("copy"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    a->setStatusTip(QStringLiteral("Copy the selection into the copybox"));
    a = makeAction(cmd::kEditPaste, QStringLiteral("P&aste..."), QStringLiteral("paste"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    a->setStatusTip(QStringLiteral("Paste from the copybox"));
    a = makeAction(cmd::kEditFind, QStringLiteral("&Find..."), QStringLiteral("find"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_F)});
    a->setStatusTip(QStringLiteral("Search the library"));
    a = makeAction(cmd::kEditItem, QStringLiteral("&Edit..."), QStringLiteral("edit"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_E)});
    a->setStatusTip(QStringLiteral("Edit the current item"));
    makeAction(cmd::kInit, QStringLiteral("&Init"))->setStatusTip(QStringLiteral("Initialise the selected items"));
    makeAction(cmd::kWrite, QStringLiteral("&Write"))
        ->setStatusTip(QStringLiteral("Write the current item into the synthesizer's memory"));
    makeAction(cmd::kCopySysex, QStringLiteral("Copy Sysex &To Clipboard"))
        ->setStatusTip(QStringLiteral("Copy the bank's file as hexadecimal text"));
    makeAction(cmd::kCopyNames, QStringLiteral("Copy Names To Clipboard"))
        ->setStatusTip(QStringLiteral("Copy the names of the shown items"));
    makeAction(cmd::kRandomPatches, QStringLiteral("&Random Patches..."));
    makeAction(cmd::kCopyToPatch, QStringLiteral("&Copy to Patch..."));
    makeAction(cmd::kCopyEffect, QStringLiteral("Copy &Effect..."));
    makeAction(cmd::kShowUsedPatches, QStringLiteral("&Show used Patches..."));
    a = makeAction(cmd::kShowPatches, QStringLiteral("&Patches"), QStringLiteral("patches"));
    a->setCheckable(true);
    a->setStatusTip(QStringLiteral("Show the patches of the bank"));
    a = makeAction(cmd::kShowPerformances, QStringLiteral("Per&formances"), QStringLiteral("performances"));
    a->setCheckable(true);
    a->setStatusTip(QStringLiteral("Show the performances of the bank"));
    a = makeAction(cmd::kShowRhythms, QStringLiteral("&Rhythms"), QStringLiteral("rhythms"));
    a->setCheckable(true);
    a->setStatusTip(QStringLiteral("Show the rhythm sets of the bank"));
    // The library window's commands.
    a = makeAction(cmd::kEditDelete, QStringLiteral("&Delete"));
    shortcutOf(a, {QKeySequence(Qt::Key_Delete)});
    a->setStatusTip(QStringLiteral("Delete the selected patches from the library"));
    a = makeAction(cmd::kLibraryProperties, QStringLiteral("&Properties..."));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_T)});
    a->setStatusTip(QStringLiteral("Name, keys and comment of the selected patches"));
    makeAction(cmd::kLibraryKeys, QStringLiteral("&Keys..."))->setStatusTip(QStringLiteral("Name the keys"));
    makeAction(cmd::kFindDoubles, QStringLiteral("F&ind double patches"))
        ->setStatusTip(QStringLiteral("List the patches of the library that sound the same"));
    makeAction(cmd::kLibraryImport, QStringLiteral("I&mport into Library..."))
        ->setStatusTip(QStringLiteral("Add the patches of bank files, MIDI files, libraries and folders"));
    makeAction(cmd::kLibraryExport, QStringLiteral("Expor&t from Library..."))
        ->setStatusTip(QStringLiteral("Write the selected patches to a bank file or one file each"));
    makeAction(cmd::kFindSimilar, QStringLiteral("Find &Similar"))
        ->setStatusTip(QStringLiteral("List the patches that sound closest to this one"));
    makeAction(cmd::kPlayableOnly, QStringLiteral("Only pla&yable Patches"))->setCheckable(true);
    makeAction(cmd::kInstalledBoards, QStringLiteral("Installed &Boards..."))
        ->setStatusTip(QStringLiteral("Say which expansion boards the synthesizer has"));
    frameCommand(cmd::kInstalledBoards, [this] { onInstalledBoards(); });
    {
        const QStringList sortTexts = {QStringLiteral("&Name"), QStringLiteral("&Date"), QStringLiteral("&Comment")};
        for (int i = 0; i < cmd::kSortColumns; ++i)
            makeAction(cmd::kSortByName + i, i < sortTexts.size() ? sortTexts[i] : QStringLiteral("Key &%1").arg(i - 2))
                ->setCheckable(true);
        makeAction(cmd::kSortByCategory, QStringLiteral("Categor&y"))->setCheckable(true);
    }
    a = makeAction(cmd::kSend, QStringLiteral("&Send..."), QStringLiteral("send"));
    shortcutOf(a, {QKeySequence(Qt::CTRL | Qt::Key_D)});
    a->setStatusTip(QStringLiteral("Send the bank to the synthesizer"));

    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const int id = it.key();
        if (!m_frameCommands.contains(id))
            connect(it.value(), &QAction::triggered, this, [this, id] { routeToTarget(id); });
    }
}

void CMainFrame::createMenus()
{
    const auto act = [this](int id) { return m_actions.value(id); };
    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    for (int id : {cmd::kFileNew, cmd::kFileOpen, cmd::kFileClose, cmd::kFileSave, cmd::kFileSaveAs})
        m_fileMenu->addAction(act(id));
    m_fileMenu->addSeparator();
    for (int id : {cmd::kSavePatches, cmd::kSavePerformances, cmd::kSaveRhythms})
        m_fileMenu->addAction(act(id));
    m_fileMenu->addSeparator();
    for (int id : {cmd::kLibraryImport, cmd::kLibraryExport})
        m_fileMenu->addAction(act(id));
    m_fileMenu->addSeparator();
    for (int id : {cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kFilePrintSetup})
        m_fileMenu->addAction(act(id));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(act(cmd::kSettings));
    m_recentSeparator = m_fileMenu->addSeparator();
    for (int i = 0; i < kRecentFileCount; ++i)
        m_fileMenu->addAction(act(cmd::kFileMru1 + i));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(act(cmd::kAppExit));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(act(cmd::kEditUndo));
    edit->addAction(act(cmd::kEditRedo));
    edit->addSeparator();
    edit->addAction(act(cmd::kEditCopy));
    edit->addAction(act(cmd::kEditPaste));
    edit->addSeparator();
    edit->addAction(act(cmd::kEditItem));
    edit->addAction(act(cmd::kInit));
    edit->addAction(act(cmd::kWrite));
    edit->addSeparator();
    edit->addAction(act(cmd::kCopySysex));
    edit->addAction(act(cmd::kCopyNames));
    edit->addSeparator();
    edit->addAction(act(cmd::kCopyEffect));
    edit->addSeparator();
    for (int id : {cmd::kEditDelete, cmd::kLibraryProperties, cmd::kLibraryKeys, cmd::kEditFind, cmd::kFindDoubles,
                   cmd::kFindSimilar, cmd::kPlayableOnly})
        edit->addAction(act(id));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(act(cmd::kViewToolbar));
    view->addAction(act(cmd::kViewStatusBar));
    view->addSeparator();
    for (int id : {cmd::kShowPatches, cmd::kShowPerformances, cmd::kShowRhythms})
        view->addAction(act(id));
    view->addSeparator();
    view->addAction(act(cmd::kPianoKeyboard));
    view->addAction(act(cmd::kMidiMonitor));

    QMenu* midi = menuBar()->addMenu(QStringLiteral("&Midi"));
    for (int id : {cmd::kMidiSetup, cmd::kInstalledBoards, cmd::kReceive, cmd::kSend, cmd::kStop})
        midi->addAction(act(id));

    // The bank window's tools, carried out by the active window, then the program's.
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    for (int id : {cmd::kRandomPatches, cmd::kCopyToPatch, cmd::kShowUsedPatches})
        tools->addAction(act(id));
    tools->addSeparator();
    for (int id : {cmd::kVirtualSynth, cmd::kEnvelopePresets, cmd::kUseCategories})
        tools->addAction(act(id));
    QMenu* sortBy = tools->addMenu(QStringLiteral("&Sort by"));
    for (int id = cmd::kSortByName; id <= cmd::kSortByCategory; ++id)
        sortBy->addAction(act(id));

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(act(cmd::kWindowCascade));
    window->addAction(act(cmd::kWindowTile));
    window->addSeparator();
    connect(window, &QMenu::aboutToShow, this, [this, window] {
        // The list of open windows follows the fixed entries.
        const QList<QAction*> all = window->actions();
        for (int i = 3; i < all.size(); ++i) {
            window->removeAction(all[i]);
            delete all[i];
        }
        int n = 0;
        for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
            QAction* a = window->addAction(
                QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle().remove(QStringLiteral("[*]"))));
            a->setCheckable(true);
            a->setChecked(sub == m_mdi->activeSubWindow());
            connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
        }
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(act(cmd::kAppAbout));

    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateActions);
}

void CMainFrame::createToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("Toolbar"));
    bar->setIconSize(QSize(16, 16));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    const int order[] = {cmd::kFileNew,      cmd::kFileOpen,
                         cmd::kFileSave,     0,
                         cmd::kEditCopy,     cmd::kEditPaste,
                         cmd::kEditFind,     0,
                         cmd::kFilePrint,    0,
                         cmd::kShowPatches,  cmd::kShowPerformances,
                         cmd::kShowRhythms,  0,
                         cmd::kEditItem,     cmd::kPianoKeyboard,
                         cmd::kVirtualSynth, 0,
                         cmd::kReceive,      cmd::kSend,
                         cmd::kStop};
    for (int id : order) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* a = m_actions.value(id);
        bar->addAction(a);
        // Tool tips: the menu text without its accelerator mark and dots.
        a->setToolTip(a->text().remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    }
    QAction* toggle = m_actions.value(cmd::kViewToolbar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
    connect(bar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::createStatusBar()
{
    m_messagePane = new QLabel(kReady, this);
    m_messagePane->setObjectName(QStringLiteral("MessagePane"));
    statusBar()->addWidget(m_messagePane, 1);
    // The keyboard lock indicators; their state is not readable on every platform,
    // so they keep the classic look of indicators that are off.
    for (const char* text : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(QString::fromLatin1(text), this);
        pane->setEnabled(false);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
    }
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        // Fly-by help shows in the message pane while the pointer is on a command.
        m_messagePane->setVisible(message.isEmpty());
    });
    QAction* toggle = m_actions.value(cmd::kViewStatusBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

CChildFrame* CMainFrame::addDocumentWindow(QWidget* view)
{
    auto* frame = new CChildFrame(view, m_prompter);
    m_mdi->addSubWindow(frame);
    frame->show();
    keepInside(frame);
    view->setFocus();
    if (CDocumentView* document = CDocumentView::of(view)) {
        connect(&document->viewSignals(), &CDocumentViewSignals::commandStateChanged, this, &CMainFrame::updateActions);
        connect(&document->viewSignals(), &CDocumentViewSignals::titleChanged, this, &CMainFrame::updateTitle);
    }
    // The window is half destroyed when this is signalled: look at the others later.
    connect(frame, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                updateTitle();
                updateActions();
            },
            Qt::QueuedConnection);
    });
    updateTitle();
    updateActions();
    return frame;
}

void CMainFrame::keepInside(QMdiSubWindow* window)
{
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))
        return;
    const QSize room = m_mdi->viewport()->size();
    if (room.isEmpty())
        return;
    QRect rect = window->geometry();
    rect.setSize(rect.size().boundedTo(room));
    if (rect.right() >= room.width())
        rect.moveLeft(std::max(0, room.width() - rect.width()));
    if (rect.bottom() >= room.height())
        rect.moveTop(std::max(0, room.height() - rect.height()));
    rect.moveTopLeft(QPoint(std::max(0, rect.left()), std::max(0, rect.top())));
    if (rect != window->geometry())
        window->setGeometry(rect);
}

void CMainFrame::activateDocumentWindow(QWidget* view)
{
    for (CChildFrame* frame : childFrames()) {
        if (frame->widget() != view)
            continue;
        if (frame->isMinimized())
            frame->showNormal();
        m_mdi->setActiveSubWindow(frame);
        view->setFocus();
        return;
    }
}

QSize CMainFrame::defaultSize() const
{
    const QSize grid = CToneloomView::gridSize(m_settings.viewFontSize(), kPatches);
    const QStyle* st = style();
    const int frameWidth = st->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    const int titleHeight = st->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int viewFrame = 2 * st->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const QSize child(grid.width() + 2 * frameWidth + viewFrame, grid.height() + titleHeight + frameWidth + viewFrame);
    // What the main window adds around its windows' area: measured once it is laid
    // out, estimated from its bars before.
    QSize chrome;
    if (isVisible() && !m_mdi->viewport()->size().isEmpty()) {
        chrome = size() - m_mdi->viewport()->size();
    } else {
        int bars = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
        for (const QToolBar* bar : findChildren<QToolBar*>())
            bars += bar->sizeHint().height();
        chrome = QSize(2 * m_mdi->frameWidth(), bars + 2 * m_mdi->frameWidth());
    }
    // Room for a second window cascaded below the first.
    const int margin = titleHeight;
    return child + chrome + QSize(margin, margin);
}

void CMainFrame::cascadeWindows()
{
    const QSize room = m_mdi->viewport()->size();
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 2;
    QPoint at(0, 0);
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (window->isHidden())
            continue;
        if (window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))
            window->showNormal();
        QSize size = window->sizeHint().expandedTo(window->minimumSizeHint());
        // Start again at the top when the next window would have too little room.
        if (at.x() + step * 4 > room.width() || at.y() + step * 4 > room.height())
            at = QPoint(0, 0);
        size = size.boundedTo(QSize(room.width() - at.x(), room.height() - at.y()));
        window->setGeometry(QRect(at, size));
        at += QPoint(step, step);
    }
}

QWidget* CMainFrame::activeDocumentWindow() const
{
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    if (!sub && !m_mdi->subWindowList().isEmpty() && !isActiveWindow())
        sub = m_mdi->currentSubWindow();
    return sub ? sub->widget() : nullptr;
}

CCommandTarget* CMainFrame::activeCommandTarget() const
{
    return CCommandTarget::of(activeDocumentWindow());
}

QList<CChildFrame*> CMainFrame::childFrames() const
{
    QList<CChildFrame*> list;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* frame = qobject_cast<CChildFrame*>(sub))
            list << frame;
    return list;
}

void CMainFrame::routeToTarget(int id)
{
    if (CCommandTarget* target = activeCommandTarget())
        if (target->handlesCommand(id))
            target->runCommand(id);
    updateActions();
}

void CMainFrame::updateActions()
{
    CCommandTarget* target = activeCommandTarget();
    const bool transfer = isTransferActive();
    for (auto it = m_actions.begin(); it != m_actions.end(); ++it) {
        const int id = it.key();
        QAction* a = it.value();
        bool checked = false;
        bool enabled = true;
        if (m_frameCommands.contains(id)) {
            switch (id) {
            case cmd::kFileClose:
                enabled = m_mdi->currentSubWindow() != nullptr;
                break;
            case cmd::kFileSave:
            case cmd::kFileSaveAs:
                // A window that has nothing to save says so.
                enabled = m_mdi->currentSubWindow() != nullptr
                          && (!target || !target->handlesCommand(id) || target->commandState(id).enabled);
                break;
            case cmd::kStop:
                enabled = transfer;
                break;
            case cmd::kReceive:
                enabled = !transfer;
                break;
            case cmd::kUseCategories:
                checked = m_settings.useCategory();
                break;
            case cmd::kViewToolbar:
            case cmd::kViewStatusBar:
                continue; // they follow the bars themselves
            case cmd::kPianoKeyboard:
                checked = m_piano && m_piano->isVisible();
                break;
            case cmd::kMidiMonitor:
                checked = m_monitor && m_monitor->isVisible();
                break;
            default:
                if (id >= cmd::kFileMru1 && id < cmd::kFileMru1 + kRecentFileCount)
                    continue;
                break;
            }
        } else {
            CCommandTarget::State state;
            if (target && target->handlesCommand(id))
                state = target->commandState(id);
            enabled = state.enabled;
            checked = state.checked;
            a->setText(state.text.isEmpty() ? m_defaultTexts.value(id) : state.text);
        }
        a->setEnabled(enabled);
        if (a->isCheckable())
            a->setChecked(checked);
    }
}

void CMainFrame::onEnvelopePresets()
{
    CEnvelopePresetsDlg::Presets presets;
    for (int n = 0; n < CAppSettings::kPresetCount; ++n)
        presets[static_cast<std::size_t>(n)] = m_settings.preset(n);
    CEnvelopePresetsDlg dialog(presets, *this, this);
    if (m_prompter.exec(dialog) == QDialog::Accepted)
        m_settings.setPresets(dialog.presets());
}

void CMainFrame::OnSettings()
{
    CGlobalSettingsDlg dialog(m_settings.viewFontSize(), this);
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;
    m_settings.setViewFontSize(dialog.fontSize());
    for (CChildFrame* frame : childFrames())
        if (CDocumentView* view = frame->documentView())
            view->settingsChanged();
}

void CMainFrame::updateTitle()
{
    QString title = QString::fromLatin1(kTitle);
    if (QMdiSubWindow* sub = m_mdi->currentSubWindow())
        if (auto* frame = qobject_cast<CChildFrame*>(sub))
            if (CDocumentView* view = frame->documentView())
                title += QStringLiteral(" - ") + view->documentTitle();
    setWindowTitle(title);
}

void CMainFrame::onSubWindowActivated(QMdiSubWindow*)
{
    updateTitle();
    updateActions();
}

void CMainFrame::saveActiveDocument(bool saveAs)
{
    QMdiSubWindow* sub = m_mdi->currentSubWindow();
    auto* frame = qobject_cast<CChildFrame*>(sub);
    if (!frame || !frame->documentView())
        return;
    if (frame->documentView()->saveDocument(saveAs)) {
        addRecentFile(frame->documentView()->documentPath());
        frame->updateTitle();
        updateTitle();
    }
}

// ---------------------------------------------------------------- folders and recent files

void CMainFrame::SetCurrentFolder(const QString& folder)
{
    m_settings.setCurrentFolder(folder);
}

void CMainFrame::enterCurrentFolder()
{
    const QString folder = m_settings.currentFolder();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        QDir::setCurrent(folder);
}

QString CMainFrame::chooseSaveFile(const QString& filter, const QString& defaultSuffix, const QString& title)
{
    enterCurrentFolder();
    const QString path = m_prompter.chooseSaveFileName(filter, defaultSuffix, title);
    if (!path.isEmpty())
        SetCurrentFolder(CAppSettings::folderOf(QFileInfo(path).absoluteFilePath()));
    return path;
}

void CMainFrame::addRecentFile(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString full = QFileInfo(path).absoluteFilePath();
    m_recent.removeAll(full);
    m_recent.prepend(full);
    while (m_recent.size() > kRecentFileCount)
        m_recent.removeLast();
    updateRecentMenu();
    writeRecentFiles();
}

void CMainFrame::updateRecentMenu()
{
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* a = m_actions.value(cmd::kFileMru1 + i);
        if (i < m_recent.size()) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(m_recent[i])));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!m_recent.isEmpty());
}

void CMainFrame::writeRecentFiles()
{
    CIniFile& ini = m_settings.ini();
    ini.beginBatch();
    for (int i = 0; i < kRecentFileCount; ++i)
        ini.writeString(kRecentSection, QStringLiteral("File%1").arg(i + 1), m_recent.value(i));
    ini.endBatch();
}

// ---------------------------------------------------------------- transfers

void CMainFrame::onReceive()
{
    if (m_bulk->isActive())
        return;
    enterCurrentFolder();
    const QString path = m_prompter.getSaveFileName(kReceiveFilter, QStringLiteral("syx"));
    if (path.isEmpty())
        return;
    CReceiveDlg dialog(*m_midi, m_bulk->selection(), this);
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;
    const int selection = dialog.selection();
    const QString full = QFileInfo(path).absoluteFilePath();
    if (m_app.findOpenDocument(full)) {
        // The window would go on showing (and saving) what the file held before.
        m_prompter.showMessage(MessageIcon::Exclamation,
                               QStringLiteral("%1 is open in a window. Receive into another file, or close that "
                                              "window first.")
                                   .arg(QDir::toNativeSeparators(full)));
        return;
    }
    SetCurrentFolder(CAppSettings::folderOf(full));
    const bool named = selection != CBulkTransfer::kManual;
    m_status->setMode(named ? CStatusDlg::Mode::ReceivingRequest : CStatusDlg::Mode::ReceivingManual,
                      named ? CBulkTransfer::expectedSize(selection, m_settings.synth().model) : -1);
    m_status->show();
    m_messagePane->setText(QStringLiteral("Bytes received: 0"));
    // A receive that cannot start (no input, no file) has been reported and ends at
    // once, which hides the status window again.
    m_bulk->startReceive(full, selection);
    updateActions();
}

bool CMainFrame::isTransferActive() const
{
    return m_bulk && m_bulk->isActive();
}

CEnvelopeGraph* CMainFrame::createEnvelopeGraph(QWidget* parent)
{
    return new CKurvexGraph(parent);
}

CValueKnob* CMainFrame::createKnob(QWidget* parent)
{
    auto* knob = new CModuleKnob(parent);
    if (knob->isValid())
        return knob;
    delete knob;
    return nullptr;
}

QWidget* CMainFrame::createCaption(const QString& text, QWidget* parent)
{
    auto* caption = new CCaptile(parent);
    if (!caption->create()) {
        delete caption;
        return nullptr;
    }
    caption->SetCaption(text);
    return caption;
}

bool CMainFrame::sendBank(CToneloomDoc& document, int which, bool cardMemory)
{
    if (m_bulk->isActive())
        return false;
    // The file streamed to the synthesizer is a scratch file of this send alone, made
    // privately in the temporary folder, never a fixed name there that another user
    // could have planted; it is removed when the send is over.
    const auto area = cardMemory ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    std::unique_ptr<QTemporaryFile> file = document.SaveForSend(which, area, m_settings.synth().deviceId);
    if (!file) {
        updateActions();
        return false;
    }
    // The bar shows how much of the file has gone, as it does for a receive.
    m_status->setMode(CStatusDlg::Mode::Sending, static_cast<long>(QFileInfo(file->fileName()).size()));
    bool started = false;
    {
        QTemporaryFile* sendFile = file.release();
        sendFile->setParent(this);
        connect(m_bulk.get(), &CBulkTransfer::finished, sendFile, &QObject::deleteLater);
        started = m_bulk->startSend(sendFile->fileName());
        if (!started)
            sendFile->deleteLater();
    }
    if (started) {
        m_status->show();
        m_messagePane->setText(QStringLiteral("Bytes sent: 0"));
    }
    updateActions();
    return started;
}

void CMainFrame::StopTransfer()
{
    if (m_bulk->isActive())
        m_bulk->stop();
    else
        m_status->hide();
}

void CMainFrame::onBulkFinished(int outcome, bool openFile)
{
    m_status->hide();
    m_messagePane->setText(kReady);
    const bool receive = m_bulk->mode() != CBulkTransfer::Mode::Sending;
    const QString path = m_bulk->path();
    updateActions();
    if (!receive)
        return;
    if (openFile && !m_exiting) {
        m_app.OpenDocumentFile(path);
        return;
    }
    // A receive that ended before the whole dump came has said where its bytes are
    // kept. A manual receive ended by Exit is a whole dump that is not opened: say
    // where it is.
    if (!openFile)
        return;
    Q_UNUSED(outcome);
    m_prompter.showMessage(MessageIcon::Information,
                           QStringLiteral("The receive was stopped after %1 bytes. What was received so far is "
                                          "kept in %2.")
                               .arg(m_midi->bytesReceivedCount())
                               .arg(QDir::toNativeSeparators(path)));
}

void CMainFrame::onInstalledBoards()
{
    CBoardsDlg dialog(*m_names, m_settings.installedBoards(), this);
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;
    m_settings.setInstalledBoards(dialog.installed());
    // Libraries that list only playable patches and bank windows' marks follow.
    for (CChildFrame* frame : childFrames())
        if (CDocumentView* view = frame->documentView())
            view->settingsChanged();
}

void CMainFrame::onMidiSetup()
{
    CAppSettings::Midi values = m_settings.midi();
    values.inDevice = m_midi->inDevice();
    values.outDevice = m_midi->outDevice();
    values.thru = m_midi->thru();
    CMidiSettingsDlg dialog(m_ports, *m_names, values, this);
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;
    values = dialog.values();
    m_settings.setMidi(values);
    // The built-in emulator stands for the synthesizer chosen here.
    if (CEmulatorDevice* emulator = m_app.emulator())
        emulator->reconfigure(values.model, static_cast<std::uint8_t>(values.deviceId));
    m_midi->setSendRate(values.sendRate);
    m_midi->setSendPause(values.sendPause);
    m_midi->SetInDevice(values.inDevice, values.inName);
    m_midi->SetOutDevice(values.outDevice, values.outName);
    m_midi->SetThru(values.thru);
}

// ---------------------------------------------------------------- play surfaces

void CMainFrame::onVirtualSynth()
{
    CVirtualSynthDlg dialog(*this, this);
    if (!dialog.errors().isEmpty()) {
        m_prompter.showMessage(MessageIcon::Stop,
                               QStringLiteral("The Virtual Synth cannot be shown: %1").arg(dialog.errors().first()));
        return;
    }
    dialog.start();
    m_prompter.exec(dialog);
}

void CMainFrame::togglePianoKeyboard()
{
    m_piano->setVisible(!m_piano->isVisible());
    if (m_piano->isVisible())
        m_piano->raise();
    updateActions();
}

void CMainFrame::toggleMidiMonitor()
{
    if (!m_monitor) {
        m_monitor = new CMidiMonitorWnd(*m_midi, this);
        connect(m_monitor, &CMidiMonitorWnd::visibilityChanged, this, &CMainFrame::updateActions);
        // Beside the main window's top right corner, as far as the screen allows.
        const QRect frame = frameGeometry();
        m_monitor->move(std::max(0, frame.right() - m_monitor->width()), frame.top() + 80);
    }
    m_monitor->setVisible(!m_monitor->isVisible());
    if (m_monitor->isVisible())
        m_monitor->raise();
    updateActions();
}

void CMainFrame::placePianoKeyboard()
{
    // Across the lower part of the windows' area, so that it hides no menu or bar.
    const QRect area(m_mdi->mapToGlobal(QPoint(0, 0)), m_mdi->size());
    QSize size = m_piano->sizeHint();
    if (area.width() > 0)
        size.setWidth(std::min(size.width(), area.width()));
    const QPoint at(area.left() + (area.width() - size.width()) / 2,
                    std::max(area.top(), area.bottom() - size.height() - 8));
    m_piano->setGeometry(QRect(at, size));
}

// ---------------------------------------------------------------- window layout

CWindowPlacement CMainFrame::placementOf(const QWidget* window, const QRect& normal)
{
    CWindowPlacement p;
    const Qt::WindowStates state = window->windowState();
    p.flags = (state & Qt::WindowMaximized) ? CWindowPlacement::kRestoreToMaximized : 0;
    if (!window->isVisible())
        p.showCmd = CWindowPlacement::kShowHidden;
    else if (state & Qt::WindowMinimized)
        p.showCmd = CWindowPlacement::kShowMinimized;
    else if (state & Qt::WindowMaximized)
        p.showCmd = CWindowPlacement::kShowMaximized;
    else
        p.showCmd = CWindowPlacement::kShowNormal;
    p.setNormalRect(normal.isValid() ? normal : window->geometry());
    return p;
}

void CMainFrame::applyPlacement(QWidget* window, const CWindowPlacement& placement, Qt::WindowStates showState)
{
    const QRect rect = placement.normalRect();
    if (rect.isValid())
        window->setGeometry(rect);
    unsigned show = placement.showCmd;
    if (showState & Qt::WindowMaximized)
        show = CWindowPlacement::kShowMaximized;
    else if (showState & Qt::WindowMinimized)
        show = CWindowPlacement::kShowMinimized;
    switch (show) {
    case CWindowPlacement::kShowMaximized:
        window->showMaximized();
        break;
    case CWindowPlacement::kShowMinimized:
        window->showMinimized();
        break;
    case CWindowPlacement::kShowHidden:
        break;
    default:
        window->showNormal();
        break;
    }
}

void CMainFrame::saveWindowLayout()
{
    CIniFile& ini = m_settings.ini();
    const QString section = QString::fromLatin1(CAppSettings::kWinPos);
    ini.beginBatch();
    ini.writeString(section, QStringLiteral("WindowPos"), placementOf(this, normalGeometry()).toText());
    int n = 0;
    for (CDocTemplate* docTemplate : m_app.templates()) {
        for (CChildFrame* frame : childFrames()) {
            CDocumentView* view = frame->documentView();
            if (!view || view->docTemplate() != docTemplate || view->documentPath().isEmpty())
                continue;
            ++n;
            ini.writeString(section, QStringLiteral("ChildWinPath%1").arg(n), view->documentPath());
            ini.writeString(section, QStringLiteral("ChildWinPos%1").arg(n),
                            placementOf(frame, frame->normalGeometry()).toText());
        }
    }
    ini.writeString(section, QStringLiteral("ChildWinPath%1").arg(n + 1), QString());
    if (m_piano) {
        ini.writeString(section, QStringLiteral("Pianokeyboard"), placementOf(m_piano, m_piano->geometry()).toText());
        m_settings.setPianoKeyboardActive(m_piano->isVisible());
    }
    if (!ini.endBatch())
        m_prompter.showMessage(MessageIcon::Exclamation,
                               QStringLiteral("The window layout could not be saved in %1: %2")
                                   .arg(QDir::toNativeSeparators(ini.path()), ini.errorString()));
}

bool CMainFrame::restoreWindowLayout(Qt::WindowStates showState)
{
    CIniFile& ini = m_settings.ini();
    const QString section = QString::fromLatin1(CAppSettings::kWinPos);
    const auto framePlacement = CWindowPlacement::fromText(ini.readString(section, QStringLiteral("WindowPos")));
    if (framePlacement)
        applyPlacement(this, *framePlacement, showState);
    else if (showState & Qt::WindowMaximized)
        showMaximized();
    else
        show();
    // The piano where it was, shown when it was; without a stored place along the foot
    // of the main window.
    if (m_piano) {
        const auto pianoPlacement =
            CWindowPlacement::fromText(ini.readString(section, QStringLiteral("Pianokeyboard")));
        if (pianoPlacement && pianoPlacement->normalRect().isValid())
            m_piano->setGeometry(pianoPlacement->normalRect());
        else
            placePianoKeyboard();
        m_piano->setVisible(m_settings.pianoKeyboardActive());
    }
    for (int n = 1;; ++n) {
        const QString path = ini.readString(section, QStringLiteral("ChildWinPath%1").arg(n));
        if (path.isEmpty())
            break;
        const bool openAlready = m_app.findOpenDocument(path) != nullptr;
        QWidget* view = m_app.OpenDocumentFile(path);
        if (!view || openAlready)
            continue;
        const auto placement =
            CWindowPlacement::fromText(ini.readString(section, QStringLiteral("ChildWinPos%1").arg(n)));
        if (!placement)
            continue;
        for (CChildFrame* frame : childFrames())
            if (frame->widget() == view)
                applyPlacement(frame, *placement, Qt::WindowNoState);
    }
    return framePlacement.has_value();
}

bool CMainFrame::queryClose()
{
    if (m_bulk->isActive()) {
        const QString question = m_bulk->mode() == CBulkTransfer::Mode::Sending
                                     ? QStringLiteral("A send to the synthesizer is running. Stop it and exit?")
                                     : QStringLiteral("A receive is running. Stop it and exit? What was received so "
                                                      "far is kept.");
        if (m_prompter.ask(question) != CPrompter::Answer::Yes)
            return false;
    }
    // Every question first: Cancel on any of them leaves every window open.
    for (CChildFrame* frame : childFrames()) {
        CDocumentView* view = frame->documentView();
        if (!view || !view->isDocumentModified())
            continue;
        activateDocumentWindow(frame->widget());
        const auto answer = m_prompter.ask(QStringLiteral("Save changes to %1?").arg(view->documentTitle()), true);
        if (answer == CPrompter::Answer::Cancel)
            return false;
        if (answer == CPrompter::Answer::Yes && !view->saveDocument(false))
            return false;
    }
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!queryClose()) {
        event->ignore();
        return;
    }
    saveWindowLayout();
    m_exiting = true;
    // The program ends: a note the piano still plays ends with it.
    m_piano->releaseNotes();
    if (m_bulk->isActive())
        m_bulk->stop();
    m_status->hide();
    // Every document was asked about: the windows close without asking again.
    for (CChildFrame* frame : childFrames())
        frame->closeWithoutAsking();
    if (!m_mdi->subWindowList().isEmpty()) {
        m_exiting = false;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
