#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class CLibraryDocument;

// Brings the patches of many files into a library: bank files of every layout, single
// temporary patches, whole bulk dumps, Standard MIDI Files that carry the dump as
// System Exclusive events, and other libraries. A folder stands for every such file
// below it. A patch the library holds already (the same sound by the double-patch
// rule) is not added again; a damaged or foreign file is refused as a whole, with its
// reason. The patches of one file are added together through the document's own path,
// so a stop between files keeps every file either whole or not at all.
class CLibraryImport
{
public:
    struct Result
    {
        int added = 0;
        int doubles = 0;
        int refused = 0; // files
        bool stopped = false;
        bool writeFailed = false; // the library could not be written; the import ended
        // "added N, doubles N, refused N"
        QString summary() const;
    };

    // What one file holds for a library: whole records, their comments set.
    struct FileContents
    {
        QString error; // why the file is refused; empty when it is not
        std::vector<QByteArray> records;
    };

    // "NAME: reason" for a refused file.
    using RefusedFn = std::function<void(const QString& line)>;
    // Before each file (done of total); false stops the import there.
    using ProgressFn = std::function<bool(int done, int total, const QString& path)>;

    // The extensions a folder is searched for (lower case, without the dot).
    static const QStringList& knownSuffixes();
    // The files named and those below the folders named (only files of a known suffix
    // there), in a stable order: each folder's files sorted by path. Paths that do not
    // exist are refused through missing.
    static QStringList collectFiles(const QStringList& paths, const RefusedFn& missing);

    // The records a file would add (dated when), or why it is refused.
    static FileContents readFile(const QString& path, const QDateTime& when);
    // The same for the bytes of a file called fileName (for .clb, .mid and .syx alike).
    static FileContents readBytes(const QString& fileName, const QByteArray& bytes, const QDateTime& when);

    explicit CLibraryImport(CLibraryDocument& document);

    // Imports files (as collectFiles gives them) into the document. A path that is the
    // library itself is refused.
    Result run(const QStringList& files, const RefusedFn& refused, const ProgressFn& progress = {});

private:
    CLibraryDocument& m_document;
};
