#pragma once

#include "bank/Copybox.h"
#include "settings/AppSettings.h"
#include "settings/RecentFiles.h"
#include "settings/WindowPlacement.h"
#include "ui/CommandTable.h"
#include "ui/Services.h"

#include <QMainWindow>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <memory>
#include <thread>
#include <vector>

class CAuditionFilter;
class CBulkTransfer;
class CCheckedSend;
class CChildFrame;
class CCommandRouter;
class CCommandTarget;
class CDocTemplate;
class CExpansionNames;
class CMidi;
class CMidiLog;
class CMidiMonitorWnd;
class CMidiPortProvider;
class CPianoKeyboardWnd;
class CPrompter;
class CStatusDlg;
class CDocumentHost;
class CToneloomView;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QTemporaryDir;
class QToolBar;

// The program's main window and the hub of its shared state: it holds the settings,
// owns the MIDI engine, the transfer status window, the copybox and the name store,
// and hands them to the windows that need them as their services. It carries out its
// own commands (files, MIDI, windows, help) and hands every other command to the
// active document window.
class CMainFrame : public QMainWindow, public CServices
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Toneloom! for JV and XP V5.60";
    static constexpr int kRecentFileCount = CRecentFiles::kCount;

    CMainFrame(CDocumentHost& app, CAppSettings& settings, CPrompter& prompter, CMidiPortProvider& ports);
    ~CMainFrame() override;

    // CServices
    CAppSettings& settings() override { return m_settings; }
    CMidi& midi() override { return *m_midi; }
    CPrompter& prompter() override { return m_prompter; }
    CExpansionNames& names() override { return *m_names; }
    CCopybox& copybox() override { return m_copybox; }
    QPrinter& printer() override { return *m_printer; }
    QString chooseSaveFile(const QString& filter, const QString& defaultSuffix,
                           const QString& title = QString()) override;
    // Sends the bank's chosen part to user or card memory under the status window.
    bool sendBank(CToneloomDoc& document, BankPart which, bool cardMemory, const BankSlots* only = nullptr) override;
    bool sendChecked(const QByteArray& bytes) override;
    bool isTransferActive() const override;
    QStringList openBankPatchLines() override;
    QByteArray openBankPatch(int line) override;
    // The open bank windows, in the order they were opened.
    std::vector<CToneloomView*> bankViews() const;
    CEnvelopeGraph* createEnvelopeGraph(QWidget* parent) override;
    CValueKnob* createKnob(QWidget* parent) override;
    QWidget* createCaption(const QString& text, QWidget* parent) override;

    CMidiPortProvider& ports() { return m_ports; }
    CBulkTransfer& bulkTransfer() { return *m_bulk; }
    // The backup before and the verification after a send from the windows.
    CCheckedSend& checkedSend() { return *m_checked; }
    // Where backups go: the user's data folder's toneloom/backups.
    QString backupFolder() const;
    // Sends a backup file back to the synthesizer (with its device ID), always
    // verified, backed up first as the settings say. False when no send started.
    bool restoreBackup(const QString& path);
    CStatusDlg* statusWindow() const { return m_status; }
    QMdiArea* mdiArea() const { return m_mdi; }
    CAuditionFilter* auditionFilter() const { return m_audition; }
    // The tool windows: the piano exists from the start, the monitor once it is asked for.
    CPianoKeyboardWnd* pianoKeyboard() const { return m_piano; }
    CMidiMonitorWnd* midiMonitor() const { return m_monitor; }
    // The traffic log the environment asked for, or none.
    CMidiLog* midiLog() const { return m_midiLog.get(); }
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

    // The rhythm editor's current drum key, -1 when none; the right button plays it.
    int rhythmKey() const { return m_rhythmKey; }
    void setRhythmKey(int key) override { m_rhythmKey = key; }

    // The folder where the program's own file dialogs start ("ACTPATH").
    void SetCurrentFolder(const QString& folder);
    // Makes the stored folder the process's current directory.
    void enterCurrentFolder();

    // A file that opened or was saved goes to the top of the recent files; one that
    // failed to open leaves them.
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);
    QStringList recentFiles() const { return m_recent.files(); }

    // The status window's Stop.
    void StopTransfer();

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
    void onBulkFinished(int outcome, bool openFile);
    // Starts a send of the file at sendPath with the backup and the verification the
    // settings ask for (verification always when forceVerify).
    bool startCheckedSend(const QString& sendPath, bool forceVerify);
    void onCheckedPhase(int phase, const QString& text);
    void onCheckedFinished(int outcome, const QString& text);
    // Midi, Backups...: the list of backups with Open, Restore and Delete.
    void onBackups();
    // Moves (and if need be shrinks) a document window into the visible area.
    void keepInside(QMdiSubWindow* window);
    void onSubWindowActivated(QMdiSubWindow* window);
    void saveActiveDocument(bool saveAs);
    static CWindowPlacement placementOf(const QWidget* window, const QRect& normal);
    static void applyPlacement(QWidget* window, const CWindowPlacement& placement, Qt::WindowStates showState);

    CDocumentHost& m_app;
    CAppSettings& m_settings;
    CPrompter& m_prompter;
    CMidiPortProvider& m_ports;
    std::unique_ptr<CExpansionNames> m_names;
    CCopybox m_copybox;
    std::unique_ptr<CMidi> m_midi;
    std::unique_ptr<CBulkTransfer> m_bulk;
    std::unique_ptr<CCheckedSend> m_checked;
    std::unique_ptr<QTemporaryDir> m_sendDir; // holds the file of a checked send of bytes
    QString m_backupWhere;                    // "Backed up into ..." of the running send
    qint64 m_sendFileSize = 0;
    std::unique_ptr<QPrinter> m_printer;
    QMdiArea* m_mdi = nullptr;
    CStatusDlg* m_status = nullptr;
    CAuditionFilter* m_audition = nullptr;
    CPianoKeyboardWnd* m_piano = nullptr;
    CMidiMonitorWnd* m_monitor = nullptr;
    std::unique_ptr<CMidiLog> m_midiLog;
    QLabel* m_messagePane = nullptr;
    QToolBar* m_toolBar = nullptr;
    CCommandTable m_table;
    CCommandRouter* m_router = nullptr; // a child of this window
    CRecentFiles m_recent;
    int m_rhythmKey = -1;
    bool m_exiting = false;        // the windows are closing for Exit: a stopped receive opens nothing
    QLabel* m_synthPane = nullptr; // "JV-1080 · ID 17 · answering"
    std::jthread m_synthCheck;     // last: it ends before the rest goes
};
