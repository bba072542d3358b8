#pragma once

#include <optional>

#include "setup/SetupFileTable.h"

#include <QString>

class CSetupUi;

// Installs Toneloom from the folder the setup runs from: creates the folders, copies
// the file table, registers the control modules, creates the desktop and menu entries.
// Every failure ends the installation where it happens, after telling the user; the
// files copied so far stay.
class CSetupInstaller
{
public:
    struct Options
    {
        QString sourceFolder;  // where the files come from
        QString installFolder; // the program, its settings and name files
        QString controlFolder; // the control modules
        QString desktopFolder;
        QString dataFolder; // applications/, icons/ and mime/ of the menu entry
        bool desktopLink = true;
        bool menuLink = true;

        // For this user: the setup's own folder, "Toneloom! for JV and XP" in the home
        // folder, toneloom/controls in the data folder, the desktop; the system's data
        // folder for the menu when run as root.
        static Options defaults();
    };

    // The desktop entry in the applications folder; the one on the desktop is named
    // after the link ("Toneloom! for JV and XP.desktop").
    static constexpr const char* kMenuEntryFile = "toneloom.desktop";
    static constexpr const char* kIconName = "toneloom";
    static constexpr const char* kMimeFile = "toneloom.xml";
    // The system's data folder used as root, instead of /usr/local/share (tests set it).
    static constexpr const char* kSystemDataVariable = "TONELOOM_SYSTEM_DATA";

    CSetupInstaller(Options options, CSetupUi& ui);

    // The setup's own resources (icon, desktop entry template, file types).
    static void initResources();

    // True after a clean run (the success message has been shown).
    bool install();

    // A folder as typed: "~" and "~/..." are the home folder, a relative one is taken
    // from the current folder.
    static QString expandFolder(const QString& text);

    QString desktopLinkPath() const;
    QString menuEntryPath() const;
    QString iconPath() const;
    QString mimePath() const;

    // Loads the module at path and calls its registration entry point.
    bool registerModule(const QString& path);

private:
    bool ensureFolder(const QString& folder);
    bool checkLibraries();
    bool copyFile(const SetupFileEntry& entry, const QString& destinationFolder);
    bool copyOver(const QString& source, const QString& destination, const QString& name);
    bool writeLinkSupport();
    bool createLink(const QString& path);
    void step();
    void fail(const QString& message, const QString& explanation = {});

    Options m_options;
    CSetupUi& m_ui;
    // "Yes to All" or "No to All" given: the answer for every later file.
    std::optional<bool> m_overwriteAll;
    QString m_controlFolder;
    int m_steps = 1;
    int m_done = 0;
};
