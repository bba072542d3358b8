#pragma once

// The commands of the menus, the toolbar, the keys and the context menus, by name.
// A window kind declares the commands it carries out in its command table (id, text,
// keys, enabled, checked, run); the main frame declares its own and builds the menus
// of the active window kind from them. Nothing stored depends on the numbers: they
// only tell the commands apart, so a new command is a new name anywhere in the list.
//
// An unscoped enumeration inside its namespace: cmd::kCopy names a command, a number
// is no command (nothing converts to Command by itself), and a command still goes into
// a QAction's data and a QMap key as an int.
namespace cmd {

enum Command : int {
    kNone = 0,

    // File
    kFileNew,
    kFileOpen,
    kFileClose,
    kFileSave,
    kFileSaveAs,
    kFilePrintSetup,
    kFilePrint,
    kFilePrintPreview,
    kFileMru1, // the recent files: kFileMru1 + 0 .. kRecentFileCount - 1
    kFileMru2,
    kFileMru3,
    kFileMru4,
    kAppExit,
    kSavePatches,
    kSavePerformances,
    kSaveRhythms,
    kSettings,

    // Edit
    kEditUndo,
    kEditRedo,
    kEditCopy,
    kEditPaste,
    kEditFind,
    kEditItem,
    kInit,
    kWrite,
    kCopySysex,
    kCopyNames,
    kRandomPatches,
    kMutate, // variations of the selected bank items or library lines
    kCopyToPatch,
    kCopyEffect,
    kShowUsedPatches,
    kEditDelete,
    kLibraryProperties,
    kLibraryKeys,
    kFindDoubles,
    kShowAll, // a library's whole list again, after a search
    // What the library knows of its sounds: import, similar sounds, export, the boards.
    kLibraryImport,
    kFindSimilar,
    kLibraryExport,
    kInstalledBoards,
    kPlayableOnly,

    // View
    kViewToolbar,
    kViewStatusBar,
    kShowPatches,
    kShowPerformances,
    kShowRhythms,
    kPianoKeyboard,
    kMidiMonitor,

    // Midi
    kMidiSetup,
    kFindSynth,
    kReceive,
    kSend,
    kStop,
    kBackups,

    // Tools
    kVirtualSynth,
    kEnvelopePresets,
    kUseCategories,
    // Sort by: Name, Date, Comment, Key 1 .. Key 8 (the list's columns in order), then
    // Category; one after the other, so that kSortByName + column is that column's.
    kSortByName,
    kSortByDate,
    kSortByComment,
    kSortByKey1,
    kSortByKey2,
    kSortByKey3,
    kSortByKey4,
    kSortByKey5,
    kSortByKey6,
    kSortByKey7,
    kSortByKey8,
    kSortByCategory,

    // Window, Help
    kWindowCascade,
    kWindowTile,
    kWindowArrange,
    kAppAbout,

    kCommandCount // not a command: one more than the last
};

constexpr int kRecentFileCount = kFileMru4 - kFileMru1 + 1;
constexpr int kSortColumns = kSortByCategory - kSortByName; // Name .. Key 8

// The command of the recent file at index (0 ..) and of Sort by column.
constexpr Command recentFile(int index)
{
    return static_cast<Command>(kFileMru1 + index);
}
constexpr Command sortBy(int column)
{
    return static_cast<Command>(kSortByName + column);
}

} // namespace cmd
