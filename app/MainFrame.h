#pragma once

#include "app/AppSettings.h"
#include "app/WindowPlacement.h"
#include "bank/Copybox.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <memory>

class CAuditionFilter;
class CBulkTransfer;
class CChildFrame;
class CDocTemplate;
class CExpansionNames;
class CMidi;
class CMidiPortProvider;
class CPrompter;
class CStatusDlg;
class CToneloomApp;
class CToneloomDoc;
class CToneloomView;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;

// The program's main window and the hub of its shared state: it holds the settings,
// owns the MIDI engine, the transfer status window and the name store, and hands
// them to the windows that need them.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Toneloom! for JV and XP V5.60";
    static constexpr int kRecentFileCount = 4;

    CMainFrame(CToneloomApp& app, CAppSettings& settings, CPrompter& prompter, CMidiPortProvider& ports);
    ~CMainFrame() override;

    CAppSettings& settings() { return m_settings; }
    CPrompter& prompter() { return m_prompter; }
    CMidi& midi() { return *m_midi; }
    CMidiPortProvider& ports() { return m_ports; }
    CBulkTransfer& bulkTransfer() { return *m_bulk; }
    CExpansionNames& names() { return *m_names; }
    // The one copybox of the program: bank and library windows copy into it and paste from it.
    CCopybox& copybox() { return m_copybox; }
    CStatusDlg* statusWindow() const { return m_status; }
    QPrinter& printer() { return *m_printer; }
    QMdiArea* mdiArea() const { return m_mdi; }
    CAuditionFilter* auditionFilter() const { return m_audition; }
    QAction* action(int id) const { return m_actions.value(id); }

    // A document window in a new child frame, shown.
    CChildFrame* addDocumentWindow(QWidget* view);
    CToneloomView* activeBankView() const;
    QList<CChildFrame*> childFrames() const;

    // The kind shown by the active bank view (the copybox works on it).
    int displayedKind() const { return m_displayedKind; }
    void setDisplayedKind(int kind) { m_displayedKind = kind; }
    // The rhythm editor's current drum key, -1 when none; the right button plays it.
    int rhythmKey() const { return m_rhythmKey; }
    void setRhythmKey(int key) { m_rhythmKey = key; }

    // The folder where the program's own file dialogs start ("ACTPATH").
    void SetCurrentFolder(const QString& folder);
    // Makes the stored folder the process's current directory.
    void enterCurrentFolder();
    // A save-file chooser with the program's current folder, for partial bank saves.
    QString chooseSaveFile(const QString& filter, const QString& defaultSuffix);

    void addRecentFile(const QString& path);
    QStringList recentFiles() const { return m_recent; }

    // Sends the bank's chosen part to user or card memory under the status window.
    bool sendBank(CToneloomDoc& document, int which, bool cardMemory);
    // The status window's Stop.
    void StopTransfer();

    void saveWindowLayout();
    // With showState Qt::WindowNoState the stored state of the frame is used.
    void restoreWindowLayout(Qt::WindowStates showState);

    // Enables and checks the actions for the active window and the transfer state.
    void updateActions();
    // File, Settings: the bank windows' font size.
    void OnSettings();
    void updateTitle();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    QAction* makeAction(int id, const QString& text, const QString& iconName = {});
    void routeToView(int id);
    void updateUndoTexts(CToneloomView* view);
    void onReceive();
    void onMidiSetup();
    void onBulkFinished(int outcome, bool openFile);
    void onSubWindowActivated(QMdiSubWindow* window);
    void saveActiveDocument(bool saveAs);
    void updateRecentMenu();
    void writeRecentFiles();
    static CWindowPlacement placementOf(const QWidget* window, const QRect& normal);
    static void applyPlacement(QWidget* window, const CWindowPlacement& placement, Qt::WindowStates showState);

    CToneloomApp& m_app;
    CAppSettings& m_settings;
    CPrompter& m_prompter;
    CMidiPortProvider& m_ports;
    std::unique_ptr<CExpansionNames> m_names;
    CCopybox m_copybox;
    std::unique_ptr<CMidi> m_midi;
    std::unique_ptr<CBulkTransfer> m_bulk;
    std::unique_ptr<QPrinter> m_printer;
    QMdiArea* m_mdi = nullptr;
    CStatusDlg* m_status = nullptr;
    CAuditionFilter* m_audition = nullptr;
    QLabel* m_messagePane = nullptr;
    QMap<int, QAction*> m_actions;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    QStringList m_recent;
    int m_displayedKind = 0;
    int m_rhythmKey = -1;
};
