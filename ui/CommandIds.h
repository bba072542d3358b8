#pragma once

// The command ids of the menus, toolbar and accelerators. Other windows and tests
// find an action by its id.
namespace cmd {

// File
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileClose = 57602;
constexpr int kFileSave = 57603;
constexpr int kFileSaveAs = 57604;
constexpr int kFilePrintSetup = 57606;
constexpr int kFilePrint = 57607;
constexpr int kFilePrintPreview = 57609;
constexpr int kFileMru1 = 57616; // four entries follow
constexpr int kAppExit = 57665;
constexpr int kSavePatches = 32840;
constexpr int kSavePerformances = 32841;
constexpr int kSaveRhythms = 32842;

// Edit
constexpr int kEditCopy = 57634;
constexpr int kEditFind = 57636;
constexpr int kEditPaste = 57637;
constexpr int kEditUndo = 57643;
constexpr int kEditRedo = 57644;
constexpr int kEditItem = 32802;
constexpr int kInit = 104;
constexpr int kWrite = 32828;
constexpr int kCopySysex = 32782;
constexpr int kCopyNames = 32834;
constexpr int kRandomPatches = 32776;
constexpr int kCopyToPatch = 32822;
constexpr int kCopyEffect = 32832;
constexpr int kShowUsedPatches = 32823;
constexpr int kEditDelete = 57632;
constexpr int kLibraryProperties = 32850;
constexpr int kLibraryKeys = 32851;
constexpr int kFindDoubles = 32852;
// What the library knows of its sounds: import, similar sounds, export, the boards.
constexpr int kLibraryImport = 32890;
constexpr int kFindSimilar = 32891;
constexpr int kLibraryExport = 32892;
constexpr int kInstalledBoards = 32893;
constexpr int kPlayableOnly = 32894;

// View
constexpr int kViewToolbar = 59392;
constexpr int kViewStatusBar = 59393;
constexpr int kShowPatches = 32771;
constexpr int kShowPerformances = 32772;
constexpr int kShowRhythms = 32798;
constexpr int kPianoKeyboard = 32827;
constexpr int kMidiMonitor = 32870;

// Midi
constexpr int kMidiSetup = 32780;
constexpr int kReceive = 32773;
constexpr int kSend = 32774;
constexpr int kStop = 32779;

// Tools
constexpr int kVirtualSynth = 32826;
constexpr int kEnvelopePresets = 32821;
constexpr int kSettings = 32824;
constexpr int kUseCategories = 32825;
// Sort by: Name, Date, Comment, Key 1 .. Key 8 (the list's columns in order), Category.
constexpr int kSortByName = 32853;
constexpr int kSortColumns = 11;
constexpr int kSortByCategory = kSortByName + kSortColumns;

// Window, Help
constexpr int kWindowCascade = 57650;
constexpr int kWindowTile = 57651;
constexpr int kWindowArrange = 57649;
constexpr int kAppAbout = 57664;

} // namespace cmd
