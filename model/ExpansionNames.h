#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class CReporter;

// The two kinds of name file: one per internal preset group ("N.pre") and one per
// expansion board ("N.boa").
enum class NameFileKind : int { Preset = 0, Board = 1 };

// The sections of a name file, in the order they must appear.
enum class NameSection : int { Waves = 0, Patches = 1, RhythmSets = 2 };

// What one name file holds: its title line and the names of each section, the
// n-th name being item n - 1 of that kind in the group or board.
struct NameFileContents
{
    static constexpr int kSectionCount = 3;

    QString title;
    std::array<QStringList, kSectionCount> names;

    const QStringList& section(NameSection s) const { return names[static_cast<int>(s)]; }
};

// The names of waves, patches and rhythm sets of the synthesizer's preset groups
// and of the expansion boards, read from the name files in one folder (normally
// the program's own). The synthesizer only reports numbers; these names let
// editors and dialogs show what a number stands for.
//
// The files are read once, on the first look-up, and never again while the object
// lives, so constructing one costs nothing. The main frame owns one and hands it to
// whoever needs names. Look-ups outside the known files, sections or names return
// an empty text or 0.
class CExpansionNames
{
public:
    static constexpr int kPresetFileCount = 8;
    static constexpr int kBoardFileCount = 127;
    // A name file is a few kilobytes; anything beyond this is not a name file and
    // is treated as unreadable rather than read into memory.
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    // Names are read from folder; errors while reading go to reporter, which must
    // outlive this object.
    CExpansionNames(QString folder, CReporter& reporter);
    // Names are read from the program's folder (QCoreApplication::applicationDirPath()
    // at the time of the first look-up).
    explicit CExpansionNames(CReporter& reporter);

    CExpansionNames(const CExpansionNames&) = delete;
    CExpansionNames& operator=(const CExpansionNames&) = delete;

    // The folder the names are (or will be) read from.
    QString folder() const;
    // Reads the files now unless that has happened already.
    void load() const;
    bool isLoaded() const { return m_loaded; }

    // 8 preset files, 127 board files.
    int GetFileCount(NameFileKind mode) const;
    // The title of file fileNumber (counted from 1).
    QString GetTitle(NameFileKind mode, int fileNumber) const;
    // The name of item index (counted from 0) of a section of file fileNumber.
    QString GetName(int fileNumber, NameSection section, int index, NameFileKind mode) const;
    int GetNameCount(int fileNumber, NameSection section, NameFileKind mode) const;

    // The path of file fileNumber of a kind in folder ("<folder>/3.pre").
    static QString filePath(const QString& folder, NameFileKind mode, int fileNumber);
    // Parses the bytes of one name file. Lines end in CR LF; section tags are
    // whole lines compared without regard to case and must come in the order
    // waves, patches, rhythm sets. A missing or misplaced tag ends the parsing and
    // keeps what was read so far. Text that is not UTF-8 is read as Latin-1.
    static NameFileContents parse(QByteArrayView bytes);
    // The title a file gets when it is missing or unreadable: "<n>" with n the
    // file's number, which is the board's (or preset group's) number.
    static QString placeholderTitle(int fileNumber);

private:
    const NameFileContents* file(NameFileKind mode, int fileNumber) const;
    NameFileContents readFile(NameFileKind mode, int fileNumber) const;

    QString m_folder;
    bool m_useProgramFolder;
    CReporter& m_reporter;
    // Filled on the first look-up: [kind][fileNumber - 1].
    mutable bool m_loaded = false;
    mutable std::array<std::vector<NameFileContents>, 2> m_files;
};
