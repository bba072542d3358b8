#pragma once

// The setup program's messages. "%1" and "%2" are filled with paths or names.
namespace SetupText {
inline constexpr const char* kOlderFile = "An older file with the name %1 does already exist.\nOverwrite ?";
inline constexpr const char* kNewerFile = "A newer file with the name %1 does already exist.\nOverwrite ?";
inline constexpr const char* kSourceNotFound = "The source file %1 was not found.";
inline constexpr const char* kCopyError = "Error copying %1. Explanation follows.";
inline constexpr const char* kPathError = "Error creating path %1. Explanation follows.";
inline constexpr const char* kSuccess = "Toneloom! successfully installed !\nHave fun with it !";
inline constexpr const char* kRegistryError = "Unable to initialize OLE library.";
inline constexpr const char* kNotAModule = "The file %1 is not a DLL or OCX.\n";
inline constexpr const char* kNoEntryPoint = "No entry point %1 found in %2.";
inline constexpr const char* kCallFailed = "A call to %1 in %2 has failed.";
inline constexpr const char* kLinkError = "A link to Toneloom! could not be created.";
inline constexpr const char* kLinkName = "Toneloom! for JV and XP";
inline constexpr const char* kDefaultFolderName = "Toneloom! for JV and XP";
// The program needs shared libraries the system does not have: %1 the program, %2 one
// library a line.
inline constexpr const char* kMissingLibraries =
    "The program %1 needs libraries that were not found on this system:\n%2\n"
    "Install them with your distribution's package manager, then run the setup again.";

inline constexpr const char* kRegisterEntry = "DllRegisterServer";
inline constexpr const char* kExplanationCaption = "Setup";

// The dialog.
inline constexpr const char* kTitle = "Toneloom! Setup";
inline constexpr const char* kWelcome = "Welcome to Toneloom! for JV and XP !";
inline constexpr const char* kIntro1 = "This setup will copy the required files to your disc. Simply enter ";
inline constexpr const char* kIntro2 = "the directory below where you want Toneloom! to reside and ";
inline constexpr const char* kIntro3 = "click on \"Install now !\".";
inline constexpr const char* kInstallTo = "Install to directory:";
inline constexpr const char* kBrowse = "&Browse";
inline constexpr const char* kProgress = "Progress:";
inline constexpr const char* kDesktopLink = "Create a link to Toneloom! on the desktop";
inline constexpr const char* kMenuLink = "Create a link to Toneloom! in the Programs folder";
inline constexpr const char* kInstallNow = "&Install now !";
inline constexpr const char* kCancel = "&Cancel";
} // namespace SetupText
