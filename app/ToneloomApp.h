#pragma once

#include "app/DocumentHost.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class CAppServices;
class CAppSettings;
class CDocTemplate;
class CEmulatorDevice;
class CIniFile;
class CMainFrame;
class CMidiPortProvider;
class CPrompter;
class QWidget;

// The program: its settings file, the kinds of document it opens, the main window,
// and the commands that open documents and show the About box.
class CToneloomApp : public QObject, public CDocumentHost
{
    Q_OBJECT

public:
    static constexpr const char* kBankDocString =
        "\nBank\nBank\nSystem Exclusive (*.syx)\n.syx\nToneloom!.Bank\nToneloom! Bank";
    static constexpr const char* kLibraryDocString =
        "\nLibrary\nLibrary\nLibraries (*.clb)\n.clb\nToneloom!.Library\nToneloom! Library";
    static constexpr const char* kOpenFilter = "Common Files (*.syx, *.clb)|*.syx; *.clb|Libraries (*.clb)|*.clb|"
                                               "System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||";

    struct Options
    {
        QString iniPath;                    // empty: CIniFile::defaultPath()
        CMidiPortProvider* ports = nullptr; // empty: the system's ports and the built-in emulator
        CPrompter* prompter = nullptr;      // empty: real message boxes and dialogs
        QString programFolder;              // empty: the executable's folder (README.TXT)
    };

    CToneloomApp();
    explicit CToneloomApp(const Options& options);
    ~CToneloomApp() override;

    // Creates the main window and brings back the windows of the last run. showState
    // other than Qt::WindowNoState overrides the stored state of the main window.
    bool InitInstance(Qt::WindowStates showState = Qt::WindowNoState);

    CMainFrame* mainFrame() const { return m_frame.get(); }
    // What the windows share; made with the main window.
    CAppServices* services() const { return m_services.get(); }
    CAppSettings& settings() { return *m_settings; }
    CPrompter& prompter() { return *m_prompter; }
    CEmulatorDevice* emulator() const override { return m_emulator.get(); }

    // Document kinds; the bank comes first. The library window registers its own.
    void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
    QList<CDocTemplate*> templates() const override;
    CDocTemplate* bankTemplate() const { return m_templates.empty() ? nullptr : m_templates.front().get(); }
    // The first template whose extension equals extension exactly (".syx"), or none.
    CDocTemplate* FindTemplate(const QString& extension) const;
    // ".clb" (in any case) opens a library, every other file a bank, in a new window;
    // a file that is open already has its window activated instead. Returns the
    // document's window, or nullptr when the file could not be opened.
    QWidget* OpenDocumentFile(const QString& path) override;
    // The window of the open document whose file is path, or none.
    QWidget* findOpenDocument(const QString& path) const override;
    QList<QWidget*> documentWindows() const override;

    void OnFileNew() override;
    void OnFileOpen() override;
    void OnAppAbout() override;
    void OnFilePrintSetup() override;
    QString readmePath() const;

private:
    std::unique_ptr<CIniFile> m_ini;
    std::unique_ptr<CPrompter> m_ownPrompter;
    CPrompter* m_prompter;
    std::unique_ptr<CAppSettings> m_settings;
    std::unique_ptr<CEmulatorDevice> m_emulator;
    std::unique_ptr<CMidiPortProvider> m_ownPorts;
    CMidiPortProvider* m_ports;
    QString m_programFolder;
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    std::unique_ptr<CAppServices> m_services;
    std::unique_ptr<CMainFrame> m_frame; // last: it uses everything above
};
