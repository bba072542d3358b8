#include "SetupTestFolder.h"

#include "setup/SetupDlg.h"
#include "setup/SetupText.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest/QTest>

#include <memory>

namespace {

QString text(const char* t)
{
    return QString::fromUtf8(t);
}

} // namespace

class TestSetupProgram : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void commandLine_data();
    void commandLine();
    void usageErrors_data();
    void usageErrors();

    void dialogShowsItsDefaults();
    void dialogInstalls();
    void dialogCancels();
    void dialogBrowses();

private:
    // Runs the setup copied into the release folder; its exit code, stderr in errors.
    int runSetup(const QStringList& arguments, QString& errors);
    CSetupInstaller::Options options() const;

    std::unique_ptr<CSetupTestFolder> m_folder;
};

void TestSetupProgram::init()
{
    m_folder = std::make_unique<CSetupTestFolder>();
    QVERIFY(m_folder->isValid());
}

int TestSetupProgram::runSetup(const QStringList& arguments, QString& errors)
{
    const QString setup = m_folder->sourceFile(QStringLiteral("toneloom-setup"));
    if (!QFileInfo::exists(setup) && !QFile::copy(QStringLiteral(TONELOOM_TEST_SETUP_PROGRAM), setup))
        return -1;
    QProcess process;
    process.setWorkingDirectory(m_folder->root);
    process.start(setup, arguments);
    if (!process.waitForFinished(120000))
        return -2;
    errors = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
}

CSetupInstaller::Options TestSetupProgram::options() const
{
    CSetupInstaller::Options o;
    o.sourceFolder = m_folder->source;
    o.installFolder = m_folder->path(QStringLiteral("Toneloom! for JV and XP"));
    o.controlFolder = m_folder->controlFolder();
    o.desktopFolder = m_folder->desktopFolder();
    o.dataFolder = m_folder->dataFolder();
    return o;
}

void TestSetupProgram::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments"); // after --install-to FOLDER
    QTest::addColumn<bool>("olderReadme");      // an older README.TXT is installed already
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errors");
    QTest::addColumn<bool>("links");
    QTest::addColumn<QByteArray>("readme");

    const QString success = text(SetupText::kSuccess) + QLatin1Char('\n');
    const QString question = text(SetupText::kOlderFile).arg(QStringLiteral("README.TXT"));
    const QByteArray release("Toneloom!  for JV and XP V5.60\r\n");
    QTest::newRow("clean") << QStringList() << false << 0 << success << true << release;
    QTest::newRow("no links") << QStringList{QStringLiteral("--no-desktop-link"), QStringLiteral("--no-menu-link")}
                              << false << 0 << success << false << release;
    QTest::newRow("asked, no by default") << QStringList() << true << 0 << question + QStringLiteral(" No\n") + success
                                          << true << QByteArray("the user's own");
    QTest::newRow("asked, yes") << QStringList{QStringLiteral("--overwrite"), QStringLiteral("yes")} << true << 0
                                << question + QStringLiteral(" Yes\n") + success << true << release;
    QTest::newRow("asked, no") << QStringList{QStringLiteral("--overwrite=no")} << true << 0
                               << question + QStringLiteral(" No\n") + success << true << QByteArray("the user's own");
    QTest::newRow("failure") << QStringList{QStringLiteral("--fail")} << false << 1
                             << text(SetupText::kCopyError).arg(QStringLiteral("TONELOOM.INI"))
                                    + QStringLiteral("\nSetup: No such file or directory\n")
                             << false << release;
}

void TestSetupProgram::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, olderReadme);
    QFETCH(int, exitCode);
    QFETCH(QString, errors);
    QFETCH(bool, links);
    QFETCH(QByteArray, readme);

    const QString target = m_folder->path(QStringLiteral("Toneloom! for JV and XP"));
    if (olderReadme)
        CSetupTestFolder::writeFile(QDir(target).filePath(QStringLiteral("README.TXT")), "the user's own",
                                    QDateTime::currentDateTime().addDays(-1));
    if (arguments.removeAll(QStringLiteral("--fail")))
        QFile::remove(m_folder->sourceFile(QStringLiteral("TONELOOM.INI")));

    QString output;
    QCOMPARE(runSetup(QStringList{QStringLiteral("--install-to"), target} + arguments, output), exitCode);
    QCOMPARE(output, errors);
    QCOMPARE(CSetupTestFolder::read(QDir(target).filePath(QStringLiteral("README.TXT"))), readme);
    QCOMPARE(QFileInfo::exists(m_folder->homePath(QStringLiteral("Desktop/Toneloom! for JV and XP.desktop"))), links);
    QCOMPARE(QFileInfo::exists(
                 QDir(m_folder->defaultDataFolder()).filePath(QStringLiteral("applications/toneloom.desktop"))),
             links);
    // The control modules went to the user's data folder and into the user's registry.
    QCOMPARE(QFileInfo::exists(QDir(m_folder->controlFolder()).filePath(QStringLiteral("libcaptile.so"))),
             exitCode == 0);
    QCOMPARE(QFileInfo::exists(m_folder->registry), exitCode == 0);
}

void TestSetupProgram::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");

    QTest::newRow("no folder") << QStringList{QStringLiteral("--no-menu-link")} << QStringLiteral("--install-to needs");
    QTest::newRow("bad answer") << QStringList{QStringLiteral("--install-to"), QStringLiteral("x"),
                                               QStringLiteral("--overwrite"), QStringLiteral("maybe")}
                                << QStringLiteral("--overwrite takes yes or no, not maybe.");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--install-to"), QStringLiteral("x"),
                                                   QStringLiteral("--quiet")}
                                    << QStringLiteral("Unknown option 'quiet'.");
    QTest::newRow("stray argument") << QStringList{QStringLiteral("--install-to"), QStringLiteral("x"),
                                                   QStringLiteral("y")}
                                    << QStringLiteral("Unknown argument: y");
}

void TestSetupProgram::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);

    QString output;
    QCOMPARE(runSetup(arguments, output), 2);
    QVERIFY2(output.startsWith(complaint), qPrintable(output));
    QVERIFY(output.contains(QStringLiteral("--install-to <folder>")));
    QVERIFY(!QFileInfo::exists(m_folder->path(QStringLiteral("x"))));
}

void TestSetupProgram::dialogShowsItsDefaults()
{
    CRecordingSetupUi ui;
    CSetupDlg dialog(options(), ui);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Toneloom! Setup"));
    QVERIFY(!dialog.windowIcon().isNull());
    QCOMPARE(dialog.folderEdit()->text(), m_folder->path(QStringLiteral("Toneloom! for JV and XP")));
    QCOMPARE(dialog.browseButton()->text(), QStringLiteral("&Browse"));
    QCOMPARE(dialog.installButton()->text(), QStringLiteral("&Install now !"));
    QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("&Cancel"));
    QCOMPARE(dialog.desktopBox()->text(), QStringLiteral("Create a link to Toneloom! on the desktop"));
    QCOMPARE(dialog.menuBox()->text(), QStringLiteral("Create a link to Toneloom! in the Programs folder"));
    QVERIFY(dialog.desktopBox()->isChecked());
    QVERIFY(dialog.menuBox()->isChecked());
    QCOMPARE(dialog.progressBar()->minimum(), 0);
    QCOMPARE(dialog.progressBar()->maximum(), 100);
    QCOMPARE(dialog.progressBar()->value(), 0);

    // The default folder of a real run: in the home folder, under its own name.
    const CSetupInstaller::Options defaults = CSetupInstaller::Options::defaults();
    QCOMPARE(defaults.installFolder, m_folder->homePath(QStringLiteral("Toneloom! for JV and XP")));
    QCOMPARE(defaults.controlFolder, m_folder->controlFolder());
    QCOMPARE(defaults.dataFolder, m_folder->defaultDataFolder());
    QCOMPARE(defaults.desktopFolder, m_folder->homePath(QStringLiteral("Desktop")));
}

void TestSetupProgram::dialogInstalls()
{
    CRecordingSetupUi ui;
    CSetupDlg dialog(options(), ui);
    dialog.show();
    const QString target = m_folder->path(QStringLiteral("typed folder"));
    dialog.folderEdit()->setText(target);
    dialog.desktopBox()->setChecked(false);
    QTest::mouseClick(dialog.installButton(), Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.succeeded());
    QCOMPARE(ui.events, QStringList{QStringLiteral("message: ") + text(SetupText::kSuccess)});
    QCOMPARE(dialog.progressBar()->value(), 100);
    QVERIFY(QFileInfo::exists(QDir(target).filePath(QStringLiteral("toneloom"))));
    QVERIFY(!QFileInfo::exists(m_folder->homePath(QStringLiteral("Desktop/Toneloom! for JV and XP.desktop"))));
    QVERIFY(QFileInfo::exists(m_folder->homePath(QStringLiteral(".local/share/applications/toneloom.desktop"))));
}

void TestSetupProgram::dialogCancels()
{
    CRecordingSetupUi ui;
    CSetupDlg dialog(options(), ui);
    dialog.show();
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(ui.events.isEmpty());
    QVERIFY(!QFileInfo::exists(options().installFolder));
    QVERIFY(!QFileInfo::exists(m_folder->registry));
}

void TestSetupProgram::dialogBrowses()
{
    CRecordingSetupUi ui;
    CSetupDlg dialog(options(), ui);
    QString startedAt;
    QString answer = m_folder->path(QStringLiteral("chosen"));
    dialog.setFolderChooser([&](QWidget*, const QString& start) {
        startedAt = start;
        return answer;
    });
    QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
    QCOMPARE(startedAt, options().installFolder);
    QCOMPARE(dialog.folderEdit()->text(), m_folder->path(QStringLiteral("chosen")));

    answer.clear(); // cancelled: the box keeps its text
    QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
    QCOMPARE(dialog.folderEdit()->text(), m_folder->path(QStringLiteral("chosen")));
}

QTEST_MAIN(TestSetupProgram)
#include "tst_setupprogram.moc"
