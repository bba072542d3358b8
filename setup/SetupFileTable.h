#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One file the setup installs.
struct SetupFileEntry
{
    enum class Destination { InstallFolder, ControlFolder };

    QString name;
    Destination destination = Destination::InstallFolder;
    bool registerModule = false; // load it and call its registration entry point
    bool mustExist = true;       // a missing source stops the installation

    bool operator==(const SetupFileEntry&) const = default;
};

// The files of an installation, in the order they are copied: the program, its readme
// and settings file, the name files, the control modules, and the command-line tools.
class CSetupFileTable
{
public:
    // "toneloom" with the platform's suffix for programs.
    static QString programFileName(const QString& base);
    // "kurvex" as the platform names a shared library: "libkurvex.so".
    static QString moduleFileName(const QString& base);
    // The control modules in the order they are installed.
    static QStringList moduleBaseNames();
    // The name files the project ships ("1.boa", ...): expansion boards, then presets,
    // each by number.
    static QStringList shippedNameFiles();
    // Orders name files as above; anything else goes last, by name.
    static void sortNameFiles(QStringList& names);

    // The table for a source folder: the shipped name files and any other name file
    // found in that folder.
    static QList<SetupFileEntry> entries(const QString& sourceFolder);
};
