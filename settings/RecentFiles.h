#pragma once

#include <QString>
#include <QStringList>

class CIniFile;

// The files opened or saved last, newest first, as the File menu lists them: banks
// and libraries alike, each once, at most kCount. Kept in the settings file (section
// "Recent File List", keys "File1".."File4") at every change.
class CRecentFiles
{
public:
    static constexpr int kCount = 4;
    static constexpr const char* kSection = "Recent File List";

    explicit CRecentFiles(CIniFile& ini);

    const QStringList& files() const { return m_files; }
    // A file that opened or was saved goes to the top.
    void add(const QString& path);
    // A file that failed to open leaves the list.
    void remove(const QString& path);

private:
    void write();

    CIniFile& m_ini;
    QStringList m_files;
};
