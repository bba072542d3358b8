#pragma once

// A release folder and a home for installations in tests: the files of the table (the
// program a small script that records how it was started, the real control modules of
// the build), and HOME, XDG_* and the control registry pointed into a temporary folder.

#include "setup/SetupFileTable.h"
#include "setup/SetupUi.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <optional>
#include <unistd.h>

// Records what the installation said and answers its questions as told.
class CRecordingSetupUi : public CSetupUi
{
public:
    void showMessage(MessageIcon icon, const QString& text) override
    {
        events << QStringLiteral("message: ") + text;
        icons << icon;
    }
    bool ask(const QString& question) override
    {
        events << QStringLiteral("question: ") + question;
        return answer;
    }
    Answer askForEach(const QString& question) override
    {
        if (!forEach)
            return CSetupUi::askForEach(question);
        events << QStringLiteral("question: ") + question;
        return *forEach;
    }
    void explain(const QString& explanation) override { events << QStringLiteral("explain: ") + explanation; }
    void setProgress(int percent) override { progress << percent; }

    bool answer = false;
    std::optional<Answer> forEach; // when set, the answer with "to All" buttons
    QStringList events;
    QList<MessageIcon> icons;
    QList<int> progress;
};

class CSetupTestFolder
{
public:
    CSetupTestFolder()
    {
        // Blanks, "!", a quote and a dollar in every folder the installation touches.
        root = QDir(m_temp.path()).filePath(QStringLiteral("my home! 'x' $y"));
        source = QDir(root).filePath(QStringLiteral("Release folder!"));
        home = QDir(root).filePath(QStringLiteral("home"));
        QDir().mkpath(source);
        QDir().mkpath(home);
        launchMark = QDir(root).filePath(QStringLiteral("launched.txt"));
        registry = QDir(home).filePath(QStringLiteral(".config/toneloom/controls.json"));
        qputenv("HOME", home.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", QDir(home).filePath(QStringLiteral(".config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", QDir(home).filePath(QStringLiteral(".local/share")).toLocal8Bit());
        qputenv("TONELOOM_CONTROL_REGISTRY", registry.toLocal8Bit());
        qputenv("TONELOOM_TEST_LAUNCH_MARK", launchMark.toLocal8Bit());
        // Run as root, the setup puts its menu entry in the system's folder: this one.
        qputenv("TONELOOM_SYSTEM_DATA", QDir(root).filePath(QStringLiteral("system share")).toLocal8Bit());

        write(QStringLiteral("toneloom"), "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$TONELOOM_TEST_LAUNCH_MARK\"\n",
              true);
        write(QStringLiteral("README.TXT"), "Toneloom!  for JV and XP V5.60\r\n");
        write(QStringLiteral("TONELOOM.INI"), "[SETUP]\r\nDEVICEID=16\r\n");
        write(QStringLiteral("1.boa"), "board 1\r\n");
        write(QStringLiteral("1.pre"), "preset 1\r\n");
        write(QStringLiteral("toneloom-cli"), "#!/bin/sh\nexit 0\n", true);
        for (const QString& module : CSetupFileTable::moduleBaseNames()) {
            const QString name = CSetupFileTable::moduleFileName(module);
            QFile::copy(QDir(QStringLiteral(TONELOOM_BIN_DIR)).filePath(name), QDir(source).filePath(name));
        }
    }

    bool isValid() const { return m_temp.isValid(); }

    // A file of the release folder; its time is one hour ago, so that copies made in
    // the test are newer and older ones can be made older.
    void write(const QString& name, const QByteArray& bytes, bool executable = false) const
    {
        writeFile(QDir(source).filePath(name), bytes, QDateTime::currentDateTime().addSecs(-3600), executable);
    }

    static void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& time, bool executable = false)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
        file.write(bytes);
        file.flush(); // else closing would write, and stamp, after the time is set
        if (executable)
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                                | QFileDevice::ExeOther);
        file.setFileTime(time, QFileDevice::FileModificationTime);
        file.close();
    }

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString sourceFile(const QString& name) const { return QDir(source).filePath(name); }
    QString path(const QString& relative) const { return QDir(root).filePath(relative); }
    QString homePath(const QString& relative) const { return QDir(home).filePath(relative); }
    QString controlFolder() const { return homePath(QStringLiteral(".local/share/toneloom/controls")); }
    QString dataFolder() const { return homePath(QStringLiteral(".local/share")); }
    // Where a setup run with its default folders puts its menu entry.
    QString defaultDataFolder() const
    {
        return ::geteuid() == 0 ? QDir(root).filePath(QStringLiteral("system share")) : dataFolder();
    }
    QString desktopFolder() const { return homePath(QStringLiteral("Desktop")); }

    QString root;
    QString source;
    QString home;
    QString launchMark;
    QString registry;

private:
    QTemporaryDir m_temp;
};
