#pragma once

#include "settings/AppSettings.h"
#include "settings/RecentFiles.h"
#include "settings/WindowPlacement.h"
#include "ui/CommandTable.h"

#include <QMainWindow>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <memory>
#include <thread>
#include <vector>

class CAppServices;
class CAuditionFilter;
class CChildFrame;
class CCommandRouter;
class CCommandTarget;
class CDocTemplate;
class CMidi;
class CMidiMonitorWnd;
class CMidiPortProvider;
class CPianoKeyboardWnd;
class CPrompter;
class CStatusDlg;
class CDocumentHost;
class CLibraryView;
class CToneloomView;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

// The program's main window: the document windows inside it, the menus, the toolbar
// and the status bar, the tool windows (piano, MIDI monitor), and its own commands
// (files, MIDI, windows, help); every other command goes to the active document window.
// What the windows share (engine, transfers, names, copybox) it gets from the
// program's services and hands on to the windows it makes.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Toneloom! for JV and XP V5.60";
    static constexpr int kRecentFileCount = CRecentFiles::kCount;

    CMainFrame(CDocumentHost& app, CAppServices& services);
    ~CMainFrame() override;

    CAppServices& services() { return m_services; }
    // The open bank windows, in the order they were opened.
    std::vector<CToneloomView*> bankViews() const;
    // The open library windows, in the order they were opened.
    std::vector<CLibraryView*> libraryViews() const;

    // The transfers' status window.
    CStatusDlg* statusWindow() const;
    QMdiArea* mdiArea() const { return m_mdi; }
    CAuditionFilter* auditionFilter() const { return m_audition; }
    // The tool windows: the piano exists from the start, the monitor once it is asked for.
    CPianoKeyboardWnd* pianoKeyboard() const { return m_piano; }
    CMidiMonitorWnd* midiMonitor() const { return m_monitor; }
    // The action of a command (in the menus of the active window kind, the toolbar and the keys).
    QAction* action(int id) const;
    CCommandRouter& commandRouter() const { return *m_router; }
    const CCommandTable& commandTable() const { return m_table; }

    // A document window in a new child frame, shown inside the visible area.
    CChildFrame* addDocumentWindow(QWidget* view);
    // Brings the window of a document (a frame's content) to the front.
    void activateDocumentWindow(QWidget* view);
    // The size of the main window that shows a bank window with its whole grid of
    // patches in the chosen font (without regard to the screen).
    QSize defaultSize() const;
    // Window, Cascade: the windows overlap with their titles showing, each as large as
    // its contents need within the visible area.
    void cascadeWindows();
    // Asks about every modified document, and about a running transfer, before any
    // window closes. False when the user cancelled: nothing was closed.
    bool queryClose();
    // The window of the active document, or none.
    QWidget* activeDocumentWindow() const;
    QList<CChildFrame*> childFrames() const;

    // A file that opened or was saved goes to the top of the recent files; one that
    // failed to open leaves them.
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);
    QStringList recentFiles() const { return m_recent.files(); }

    void saveWindowLayout();
    // With showState Qt::WindowNoState the stored state of the frame is used. True
    // when the main window took a stored place.
    bool restoreWindowLayout(Qt::WindowStates showState);

    // Enables and checks the actions for the active window and the transfer state.
    void updateActions();
    // File, Settings: the bank windows' font size.
    void OnSettings();
    void updateTitle();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The frame's own commands and its menus while no window is open.
    void declareCommands();
    void createToolBar();
    void createStatusBar();
    CCommandTarget* activeCommandTarget() const;
    // Window menu: the open windows after its entries.
    void addWindowList(QMenu* menu);
    void openRecentFile(int index);
    void onReceive();
    void onMidiSetup();
    void onFindSynth();
    // Asks the configured synthesizer in the background and shows in the status bar
    // whether it answers.
    void startSynthCheck();
    void onInstalledBoards();
    // Tools, Envelope Presets: the presets the envelope pages offer.
    void onEnvelopePresets();
    void onVirtualSynth();
    void togglePianoKeyboard();
    void toggleMidiMonitor();
    // Where the piano goes before it has a stored place: along the main window's foot.
    void placePianoKeyboard();
    // Midi, Backups...: the list of backups with Open, Restore and Delete.
    void onBackups();
    // Moves (and if need be shrinks) a document window into the visible area.
    void keepInside(QMdiSubWindow* window);
    void onSubWindowActivated(QMdiSubWindow* window);
    void saveActiveDocument(bool saveAs);
    static CWindowPlacement placementOf(const QWidget* window, const QRect& normal);
    static void applyPlacement(QWidget* window, const CWindowPlacement& placement, Qt::WindowStates showState);

    CDocumentHost& m_app;
    CAppServices& m_services;
    CAppSettings& m_settings;
    CPrompter& m_prompter;
    CMidiPortProvider& m_ports;
    CMidi& m_midi;
    QMdiArea* m_mdi = nullptr;
    CAuditionFilter* m_audition = nullptr;
    CPianoKeyboardWnd* m_piano = nullptr;
    CMidiMonitorWnd* m_monitor = nullptr;
    QLabel* m_messagePane = nullptr;
    QToolBar* m_toolBar = nullptr;
    CCommandTable m_table;
    CCommandRouter* m_router = nullptr; // a child of this window
    CRecentFiles m_recent;
    QLabel* m_synthPane = nullptr; // "JV-1080 · ID 17 · answering"
    std::jthread m_synthCheck;     // last: it ends before the rest goes
};
