#include "app/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/AppServices.h"
#include "app/AuditionFilter.h"
#include "app/DocumentHost.h"
#include "app/Transfers.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/GlobalSettingsDlg.h"
#include "bank/ui/ToneloomView.h"
#include "editors/EnvelopePresetsDlg.h"
#include "emulator/EmulatorDevice.h"
#include "library/ui/BoardsDlg.h"
#include "library/ui/LibraryView.h"
#include "midi/BulkTransfer.h"
#include "midi/Midi.h"
#include "midi/MidiPortProvider.h"
#include "midi/ui/BackupsDlg.h"
#include "midi/ui/FindSynthDlg.h"
#include "midi/ui/MidiMonitorWnd.h"
#include "midi/ui/MidiSettingsDlg.h"
#include "midi/ui/ReceiveDlg.h"
#include "midi/ui/StatusDlg.h"
#include "playsurfaces/PianoKeyboardWnd.h"
#include "playsurfaces/VirtualSynthDlg.h"
#include "ui/ChildFrame.h"
#include "ui/CommandIds.h"
#include "ui/CommandRouter.h"
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
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

namespace {

const QString kReceiveFilter = QStringLiteral("System Exclusive Data (*.syx)|*.syx|All Files (*.*)|*.*||");
const QString kReady = QStringLiteral("Ready");

} // namespace

// Outside any namespace: the resource's initialiser is a global function.
static void initResources()
{
    Q_INIT_RESOURCE(toneloom);
}

CMainFrame::CMainFrame(CDocumentHost& app, CAppServices& services)
    : m_app(app), m_services(services), m_settings(services.settings()), m_prompter(services.prompter()),
      m_ports(services.ports()), m_midi(services.midi()), m_recent(m_settings.ini())
{
    initResources();
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/toneloom.png")));
    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::onSubWindowActivated);

    declareCommands();
    m_router = new CCommandRouter(*this, m_table, [this]() -> const CCommandTable* {
        const CCommandTarget* target = activeCommandTarget();
        return target ? &target->commandTable() : nullptr;
    });
    connect(m_router, &CCommandRouter::menuAboutToShow, this, &CMainFrame::addWindowList);
    createToolBar();
    createStatusBar();

    CTransfers& transfers = m_services.transfers();
    transfers.setWindowParent(this);
    connect(&transfers, &CTransfers::statusText, m_messagePane, &QLabel::setText);
    connect(&transfers, &CTransfers::activityChanged, this, &CMainFrame::updateActions);
    connect(&transfers, &CTransfers::receivedFile, this, [this](const QString& path) { m_app.OpenDocumentFile(path); });

    m_audition = new CAuditionFilter([this](std::uint32_t message) { m_midi.SendShort(message); },
                                     [this] { return m_services.rhythmKey(); }, this);
    qApp->installEventFilter(m_audition);

    // The piano exists, hidden, from the start; the stored layout shows it.
    m_piano = new CPianoKeyboardWnd(m_services, this);
    connect(m_piano, &CPianoKeyboardWnd::visibilityChanged, this, &CMainFrame::updateActions);

    updateTitle();
    updateActions();
    startSynthCheck();
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
    // The status window outlives the main window, for the services to end the transfers.
    m_services.transfers().setWindowParent(nullptr);
}

void CMainFrame::declareCommands()
{
    const auto key = [](QKeyCombination k) { return QList<QKeySequence>{QKeySequence(k)}; };
    const auto hasWindow = [this] { return m_mdi->currentSubWindow() != nullptr; };
    m_table
        .add({.id = cmd::kFileNew,
              .text = QStringLiteral("&New"),
              .keys = key(Qt::CTRL | Qt::Key_N),
              .tip = QStringLiteral("Create a new document"),
              .run = [this] { m_app.OnFileNew(); }})
        .add({.id = cmd::kFileOpen,
              .text = QStringLiteral("&Open..."),
              .keys = key(Qt::CTRL | Qt::Key_O),
              .tip = QStringLiteral("Open an existing document"),
              .run = [this] { m_app.OnFileOpen(); }})
        .add({.id = cmd::kFileClose,
              .text = QStringLiteral("&Close"),
              .keys = key(Qt::CTRL | Qt::Key_W),
              .tip = QStringLiteral("Close the active document"),
              .run = [this] { m_mdi->closeActiveSubWindow(); },
              .enabled = hasWindow})
        .add({.id = cmd::kFileSave,
              .text = QStringLiteral("&Save"),
              .keys = key(Qt::CTRL | Qt::Key_S),
              .tip = QStringLiteral("Save the active document"),
              .run = [this] { saveActiveDocument(false); },
              .enabled = hasWindow})
        .add({.id = cmd::kFileSaveAs,
              .text = QStringLiteral("Save &As..."),
              .tip = QStringLiteral("Save the active document with a new name"),
              .run = [this] { saveActiveDocument(true); },
              .enabled = hasWindow})
        .add({.id = cmd::kFilePrintSetup,
              .text = QStringLiteral("P&rint Setup..."),
              .tip = QStringLiteral("Change the printer and printing options"),
              .run = [this] { m_app.OnFilePrintSetup(); }})
        .add({.id = cmd::kSettings,
              .text = QStringLiteral("Sett&ings..."),
              .tip = QStringLiteral("The font size of the bank windows"),
              .run = [this] { OnSettings(); }})
        .add({.id = cmd::kAppExit,
              .text = QStringLiteral("E&xit"),
              .keys = key(Qt::CTRL | Qt::Key_Q),
              .tip = QStringLiteral("Quit the application; prompts to save documents"),
              .run = [this] { close(); }});
    for (int i = 0; i < cmd::kRecentFileCount; ++i)
        m_table.add({.id = cmd::recentFile(i),
                     .text = QString(),
                     .tip = QStringLiteral("Open this document"),
                     .run = [this, i] { openRecentFile(i); },
                     .label =
                         [this, i] {
                             return QStringLiteral("&%1 %2").arg(i + 1).arg(
                                 QDir::toNativeSeparators(m_recent.files().value(i)));
                         },
                     .visible = [this, i] { return i < m_recent.files().size(); }});
    m_table
        .add({.id = cmd::kViewToolbar,
              .text = QStringLiteral("&Toolbar"),
              .tip = QStringLiteral("Show or hide the toolbar"),
              .run = [this] { m_toolBar->setVisible(!m_toolBar->isVisible()); },
              .checked = [this] { return m_toolBar && m_toolBar->isVisibleTo(this); }})
        .add({.id = cmd::kViewStatusBar,
              .text = QStringLiteral("&Status Bar"),
              .tip = QStringLiteral("Show or hide the status bar"),
              .run = [this] { statusBar()->setVisible(!statusBar()->isVisibleTo(this)); },
              .checked = [this] { return statusBar()->isVisibleTo(this); }})
        .add({.id = cmd::kPianoKeyboard,
              .text = QStringLiteral("Piano &Keyboard"),
              .tip = QStringLiteral("Show or hide the piano keyboard"),
              .run = [this] { togglePianoKeyboard(); },
              .checked = [this] { return m_piano && m_piano->isVisible(); }})
        .add({.id = cmd::kMidiMonitor,
              .text = QStringLiteral("MIDI &Monitor"),
              .tip = QStringLiteral("Show or hide the list of the MIDI messages sent and received"),
              .run = [this] { toggleMidiMonitor(); },
              .checked = [this] { return m_monitor && m_monitor->isVisible(); }})
        .add({.id = cmd::kMidiSetup,
              .text = QStringLiteral("Se&tup..."),
              .tip = QStringLiteral("Choose the MIDI ports, the synthesizer and its expansion boards"),
              .run = [this] { onMidiSetup(); }})
        .add({.id = cmd::kFindSynth,
              .text = QStringLiteral("&Find Synthesizer..."),
              .tip = QStringLiteral("Search every MIDI port and device ID for the synthesizer"),
              .run = [this] { onFindSynth(); }})
        .add({.id = cmd::kInstalledBoards,
              .text = QStringLiteral("Installed &Boards..."),
              .tip = QStringLiteral("Say which expansion boards the synthesizer has"),
              .run = [this] { onInstalledBoards(); }})
        .add({.id = cmd::kReceive,
              .text = QStringLiteral("&Receive..."),
              .keys = key(Qt::CTRL | Qt::Key_R),
              .tip = QStringLiteral("Receive a bulk dump from the synthesizer into a new bank"),
              .run = [this] { onReceive(); },
              .enabled = [this] { return !m_services.isTransferActive(); }})
        .add({.id = cmd::kStop,
              .text = QStringLiteral("St&op"),
              .tip = QStringLiteral("Stop the transfer"),
              .run = [this] { m_services.transfers().stop(); },
              .enabled = [this] { return m_services.isTransferActive(); }})
        .add({.id = cmd::kBackups,
              .text = QStringLiteral("B&ackups..."),
              .tip = QStringLiteral("List the backups made before sends; open, restore or delete one"),
              .run = [this] { onBackups(); }})
        .add({.id = cmd::kVirtualSynth,
              .text = QStringLiteral("&Virtual Synth..."),
              .tip = QStringLiteral("Play the temporary patch as a two-oscillator analog synthesizer"),
              .run = [this] { onVirtualSynth(); }})
        .add({.id = cmd::kEnvelopePresets,
              .text = QStringLiteral("&Envelope Presets..."),
              .tip = QStringLiteral("Name and shape the envelope presets of the editors"),
              .run = [this] { onEnvelopePresets(); }})
        .add({.id = cmd::kUseCategories,
              .text = QStringLiteral("&Use JV-2080 Categories"),
              .tip = QStringLiteral("Show the category of each patch in the libraries instead of its keys"),
              .run =
                  [this] {
                      m_settings.setUseCategory(!m_settings.useCategory());
                      for (CChildFrame* frame : childFrames())
                          if (CDocumentView* view = frame->documentView())
                              view->settingsChanged();
                  },
              .checked = [this] { return m_settings.useCategory(); }})
        .add({.id = cmd::kWindowCascade,
              .text = QStringLiteral("&Cascade"),
              .tip = QStringLiteral("Arrange the windows so that they overlap"),
              .run = [this] { cascadeWindows(); },
              .enabled = hasWindow})
        .add({.id = cmd::kWindowTile,
              .text = QStringLiteral("&Tile"),
              .tip = QStringLiteral("Arrange the windows side by side"),
              .run = [this] { m_mdi->tileSubWindows(); },
              .enabled = hasWindow})
        .add({.id = cmd::kAppAbout,
              .text = QStringLiteral("&About Toneloom!..."),
              .tip = QStringLiteral("Display program information, version number and copyright"),
              .run = [this] { m_app.OnAppAbout(); }});

    // The menus while no window is open; every window kind brings its own.
    using namespace cmd;
    const CMenuEntry sep = CMenuEntry::separator();
    m_table.setMenus({
        {QStringLiteral("&File"),
         {{kFileNew},
          {kFileOpen},
          sep,
          {kFilePrintSetup},
          {kSettings},
          sep,
          {kFileMru1},
          {kFileMru2},
          {kFileMru3},
          {kFileMru4},
          sep,
          {kAppExit}}},
        {QStringLiteral("&View"), {{kViewToolbar}, {kViewStatusBar}, sep, {kPianoKeyboard}, {kMidiMonitor}}},
        {QStringLiteral("&Midi"), {{kMidiSetup}, {kFindSynth}, {kInstalledBoards}, {kReceive}, {kStop}, {kBackups}}},
        {QStringLiteral("&Tools"), {{kVirtualSynth}, {kEnvelopePresets}, {kUseCategories}}},
        {QStringLiteral("&Help"), {{kAppAbout}}},
    });
}

void CMainFrame::addWindowList(QMenu* menu)
{
    // The list of open windows follows the entries of the Window menu.
    if (!menu->actions().contains(action(cmd::kWindowTile)))
        return;
    for (QAction* a : menu->actions())
        if (a->property("windowEntry").toBool())
            delete a;
    int n = 0;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (n == 0)
            menu->addSeparator()->setProperty("windowEntry", true);
        QAction* a =
            menu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle().remove(QStringLiteral("[*]"))));
        a->setProperty("windowEntry", true);
        a->setCheckable(true);
        a->setChecked(sub == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
    }
}

void CMainFrame::createToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("Toolbar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    // The buttons, with their icons and the tool tip they show while no window
    // declares the command.
    struct Button
    {
        cmd::Command id;
        const char* icon;
        const char* tip;
    };
    const Button buttons[] = {
        {cmd::kFileNew, "new", "New"},
        {cmd::kFileOpen, "open", "Open"},
        {cmd::kFileSave, "save", "Save"},
        {cmd::kNone, nullptr, nullptr},
        {cmd::kEditCopy, "copy", "Copy"},
        {cmd::kEditPaste, "paste", "Paste"},
        {cmd::kEditFind, "find", "Find"},
        {cmd::kShowAll, nullptr, "Show All"},
        {cmd::kNone, nullptr, nullptr},
        {cmd::kFilePrint, "print", "Print"},
        {cmd::kNone, nullptr, nullptr},
        {cmd::kShowPatches, "patches", "Patches"},
        {cmd::kShowPerformances, "performances", "Performances"},
        {cmd::kShowRhythms, "rhythms", "Rhythms"},
        {cmd::kNone, nullptr, nullptr},
        {cmd::kEditItem, "edit", "Edit"},
        {cmd::kPianoKeyboard, "piano", "Piano Keyboard"},
        {cmd::kVirtualSynth, "virtualsynth", "Virtual Synth"},
        {cmd::kNone, nullptr, nullptr},
        {cmd::kReceive, "receive", "Receive"},
        {cmd::kSend, "send", "Send"},
        {cmd::kStop, "stop", "Stop"},
    };
    for (const Button& button : buttons) {
        if (button.id == cmd::kNone) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* a = action(button.id);
        // A button without a picture shows its text.
        if (button.icon)
            a->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QString::fromLatin1(button.icon))));
        a->setToolTip(QString::fromLatin1(button.tip));
        m_toolBar->addAction(a);
    }
    connect(m_toolBar, &QToolBar::visibilityChanged, this, &CMainFrame::updateActions);
}

void CMainFrame::createStatusBar()
{
    m_messagePane = new QLabel(kReady, this);
    m_messagePane->setObjectName(QStringLiteral("MessagePane"));
    statusBar()->addWidget(m_messagePane, 1);
    m_synthPane = new QLabel(this);
    m_synthPane->setObjectName(QStringLiteral("SynthPane"));
    statusBar()->addPermanentWidget(m_synthPane);
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
    const QSize grid = CToneloomView::gridSize(m_settings.viewFontSize(), ItemKind::Patches);
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
    // Room for a second window cascaded below the first, and for a scroll bar under the
    // grid where the screen is narrower than the grid: the last row stays in sight.
    const int margin = titleHeight;
    const int bar = st->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return child + chrome + QSize(margin, margin + bar);
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

CStatusDlg* CMainFrame::statusWindow() const
{
    return m_services.transfers().statusWindow();
}

QList<CChildFrame*> CMainFrame::childFrames() const
{
    QList<CChildFrame*> list;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* frame = qobject_cast<CChildFrame*>(sub))
            list << frame;
    return list;
}

std::vector<CToneloomView*> CMainFrame::bankViews() const
{
    std::vector<CToneloomView*> views;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* view = qobject_cast<CToneloomView*>(sub->widget()))
            views.push_back(view);
    return views;
}

std::vector<CLibraryView*> CMainFrame::libraryViews() const
{
    std::vector<CLibraryView*> views;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* view = qobject_cast<CLibraryView*>(sub->widget()))
            views.push_back(view);
    return views;
}

void CMainFrame::updateActions()
{
    m_router->update();
}

QAction* CMainFrame::action(int id) const
{
    return m_router->action(id);
}

void CMainFrame::onEnvelopePresets()
{
    CEnvelopePresetsDlg::Presets presets;
    for (int n = 0; n < CAppSettings::kPresetCount; ++n)
        presets[static_cast<std::size_t>(n)] = m_settings.preset(n);
    CEnvelopePresetsDlg dialog(presets, m_services, this);
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

void CMainFrame::addRecentFile(const QString& path)
{
    m_recent.add(path);
    updateActions();
}

void CMainFrame::removeRecentFile(const QString& path)
{
    m_recent.remove(path);
    updateActions();
}

void CMainFrame::openRecentFile(int index)
{
    const QString path = m_recent.files().value(index);
    if (path.isEmpty())
        return;
    // A file that no longer opens (the open said why) leaves the list.
    if (!m_app.OpenDocumentFile(path))
        removeRecentFile(path);
}

// ---------------------------------------------------------------- transfers

void CMainFrame::onReceive()
{
    if (m_services.isTransferActive())
        return;
    m_services.enterCurrentFolder();
    const QString path = m_prompter.getSaveFileName(kReceiveFilter, QStringLiteral("syx"));
    if (path.isEmpty())
        return;
    CReceiveDlg dialog(m_midi, m_services.bulkTransfer().selection(), this);
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
    m_services.setCurrentFolder(CAppSettings::folderOf(full));
    m_services.transfers().startReceive(full, selection);
}

void CMainFrame::onBackups()
{
    CBackupsDlg dialog(CTransfers::backupFolder(), m_prompter, this);
    connect(&dialog, &CBackupsDlg::openRequested, this, [this](const QString& path) { m_app.OpenDocumentFile(path); });
    connect(&dialog, &CBackupsDlg::restoreRequested, this, [this, &dialog](const QString& path) {
        if (m_services.transfers().restoreBackup(path))
            dialog.accept();
    });
    m_prompter.exec(dialog);
}

void CMainFrame::onInstalledBoards()
{
    CBoardsDlg dialog(m_services.names(), m_settings.installedBoards(), this);
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
    values.inDevice = m_midi.inDevice();
    values.outDevice = m_midi.outDevice();
    values.thru = m_midi.thru();
    CMidiSettingsDlg dialog(m_ports, m_services.names(), values, this);
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;
    values = dialog.values();
    m_settings.setMidi(values);
    // The built-in emulator stands for the synthesizer chosen here.
    if (CEmulatorDevice* emulator = m_app.emulator())
        emulator->reconfigure(values.model, static_cast<std::uint8_t>(values.deviceId));
    m_midi.setSendRate(values.sendRate);
    m_midi.setSendPause(values.sendPause);
    m_midi.SetInDevice(values.inDevice, values.inName);
    m_midi.SetOutDevice(values.outDevice, values.outName);
    m_midi.SetThru(values.thru);
    startSynthCheck();
}

void CMainFrame::startSynthCheck()
{
    if (m_synthCheck.joinable())
        m_synthCheck.join();
    const CAppSettings::Midi& midi = m_settings.midi();
    const QString head =
        QStringLiteral("%1 \u00B7 ID %2 \u00B7 ").arg(QLatin1String(modelName(midi.model))).arg(midi.deviceId + 1);
    if (midi.inName.isEmpty() || midi.outName.isEmpty()) {
        // No synthesizer chosen yet (first start): nothing to ask.
        m_synthPane->clear();
        return;
    }
    const QStringList inputs = m_ports.inputNames();
    const int in = CMidiPortProvider::resolve(inputs, midi.inDevice, midi.inName);
    const int out = CMidiPortProvider::resolve(m_ports.outputNames(), midi.outDevice, midi.outName);
    if (in < 0 || out < 0) {
        m_synthPane->setText(head + QStringLiteral("no port"));
        return;
    }
    if (inputs[in] == CEmulatorDevice::kPortName) {
        // The built-in emulator is the synthesizer the settings name.
        m_synthPane->setText(head + QStringLiteral("emulator"));
        return;
    }
    m_synthPane->setText(head + QStringLiteral("asking..."));
    constexpr int kAnswerWindowMs = 1000;
    m_synthCheck = std::jthread([this, head, input = m_ports.createIn(in), output = m_ports.createOut(out),
                                 deviceId = static_cast<std::uint8_t>(midi.deviceId), model = midi.model]() mutable {
        const auto answered = synthline::askSynth(std::move(input), std::move(output), deviceId, kAnswerWindowMs);
        QString text = head;
        if (!answered)
            text += QStringLiteral("not answering");
        else if (*answered == model)
            text += QStringLiteral("answering");
        else
            text += QStringLiteral("answering as %1").arg(QLatin1String(modelName(*answered)));
        QMetaObject::invokeMethod(
            this, [this, text] { m_synthPane->setText(text); }, Qt::QueuedConnection);
    });
}

void CMainFrame::onFindSynth()
{
    if (m_services.isTransferActive()) {
        m_prompter.showMessage(MessageIcon::Information,
                               QStringLiteral("The search waits until the transfer is over or stopped."));
        return;
    }
    CFindSynthDlg dialog(m_ports, this);
    dialog.start();
    const bool accepted = m_prompter.exec(dialog) == QDialog::Accepted;
    // The search opened the ports beside the engine's; the engine opens its own again.
    m_midi.SetInDevice(m_midi.inDevice(), m_settings.midi().inName);
    m_midi.SetThru(m_midi.thru());
    const auto synth = accepted ? dialog.chosen() : std::nullopt;
    if (!synth)
        return;
    CAppSettings::Midi values = m_settings.midi();
    values.inDevice = synth->input;
    values.inName = synth->inputName;
    values.outDevice = synth->output;
    values.outName = synth->outputName;
    values.deviceId = synth->deviceId;
    values.model = synth->model;
    m_settings.setMidi(values);
    if (CEmulatorDevice* emulator = m_app.emulator())
        emulator->reconfigure(values.model, static_cast<std::uint8_t>(values.deviceId));
    m_midi.SetInDevice(values.inDevice, values.inName);
    m_midi.SetOutDevice(values.outDevice, values.outName);
    m_midi.SetThru(values.thru);
    statusBar()->showMessage(CFindSynthDlg::describe(*synth));
    startSynthCheck();
}

// ---------------------------------------------------------------- play surfaces

void CMainFrame::onVirtualSynth()
{
    CVirtualSynthDlg dialog(m_services, this);
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
        m_monitor = new CMidiMonitorWnd(m_midi, this);
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
    // Below the main window, where it covers none of the program's windows; when the
    // screen has no room there, along the screen's foot.
    const QRect frame = frameGeometry();
    const QScreen* screen = this->screen();
    const QRect room = screen ? screen->availableGeometry() : frame;
    QSize size = m_piano->sizeHint();
    size.setWidth(std::min(size.width(), std::max(1, std::min(frame.width(), room.width()))));
    // The piano's own frame and title, which its geometry leaves out.
    const int pianoFrame = std::max(0, m_piano->frameGeometry().height() - m_piano->height());
    const int below = frame.bottom() + 1;
    const int top = below + pianoFrame + size.height() <= room.bottom() + 1
                        ? below + pianoFrame
                        : std::max(room.top(), room.bottom() + 1 - size.height() - std::max(pianoFrame, 8));
    const int left = std::clamp(frame.left() + (frame.width() - size.width()) / 2, room.left(),
                                std::max(room.left(), room.right() + 1 - size.width()));
    m_piano->setGeometry(QRect(QPoint(left, top), size));
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
    if (m_services.isTransferActive()) {
        const QString question = m_services.transfers().isSending()
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
    CTransfers& transfers = m_services.transfers();
    // The program ends: a note the piano still plays ends with it.
    m_piano->releaseNotes();
    transfers.stopForExit(true);
    // Every document was asked about: the windows close without asking again.
    for (CChildFrame* frame : childFrames())
        frame->closeWithoutAsking();
    if (!m_mdi->subWindowList().isEmpty()) {
        transfers.stopForExit(false);
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
