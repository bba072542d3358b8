// Builds the Debian package from this build tree and looks inside it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest/QTest>

class TestDebPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void contents_data();
    void contents();
    void leavesOutWhatIsNotTheProgram();
    void control();
    void copyrightNamesTheLicence();
    void desktopEntryIsValid();
    void lintian();

private:
    static QString run(const QString& program, const QStringList& arguments, const QString& folder = {},
                       int* exitCode = nullptr);

    QTemporaryDir m_temp;
    QString m_package;
    QStringList m_paths;
    QStringList m_listing;
};

QString TestDebPackage::run(const QString& program, const QStringList& arguments, const QString& folder, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(540000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

void TestDebPackage::initTestCase()
{
    for (const char* tool : {"cpack", "dpkg-deb", "dpkg-shlibdeps"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is missing: no package to look at").arg(QString::fromLatin1(tool))));
    }
    QVERIFY(m_temp.isValid());
    int code = 0;
    const QString output =
        run(QStringLiteral("cpack"),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             QStringLiteral(TONELOOM_TEST_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), m_temp.path()},
            QStringLiteral(TONELOOM_TEST_BUILD_DIR), &code);
    QVERIFY2(code == 0, qPrintable(output));
    const QStringList packages = QDir(m_temp.path()).entryList({QStringLiteral("toneloom_*.deb")}, QDir::Files);
    QCOMPARE(packages.size(), 1);
    m_package = QDir(m_temp.path()).filePath(packages.first());

    m_listing =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_package}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : m_listing) {
        // "-rwxr-xr-x root/root 123 2024-01-01 00:00 ./usr/bin/x -> ../lib/..."
        const int start = line.indexOf(QLatin1String(" ./"));
        QVERIFY2(start > 0, qPrintable(line));
        m_paths << line.mid(start + 2).section(QLatin1String(" -> "), 0, 0);
    }
}

void TestDebPackage::contents_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode"); // the start of dpkg-deb's mode column
    QTest::addColumn<QString>("linkTarget");

    QTest::newRow("program") << "/usr/lib/toneloom/toneloom"
                             << "-rwxr-xr-x"
                             << "";
    QTest::newRow("cli") << "/usr/lib/toneloom/toneloom-cli"
                         << "-rwxr-xr-x"
                         << "";
    QTest::newRow("emulator") << "/usr/lib/toneloom/toneloom-emulator"
                              << "-rwxr-xr-x"
                              << "";
    QTest::newRow("readme") << "/usr/lib/toneloom/README.TXT"
                            << "-rw-r--r--"
                            << "";
    for (const char* module : {"kurvex", "pickvane", "captile", "knob"})
        QTest::newRow(module) << QStringLiteral("/usr/lib/toneloom/lib%1.so").arg(QString::fromLatin1(module))
                              << "-rw-r--r--"
                              << "";
    const QStringList nameFiles = QDir(QStringLiteral(TONELOOM_SOURCE_DIR "/data"))
                                      .entryList({QStringLiteral("*.pre"), QStringLiteral("*.boa")}, QDir::Files);
    for (const QString& name : nameFiles)
        QTest::newRow(qPrintable(name)) << QStringLiteral("/usr/lib/toneloom/") + name << "-rw-r--r--"
                                        << "";
    QTest::newRow("command") << "/usr/bin/toneloom"
                             << "lrwxrwxrwx"
                             << "../lib/toneloom/toneloom";
    QTest::newRow("cli command") << "/usr/bin/toneloom-cli"
                                 << "lrwxrwxrwx"
                                 << "../lib/toneloom/toneloom-cli";
    QTest::newRow("emulator command") << "/usr/bin/toneloom-emulator"
                                      << "lrwxrwxrwx"
                                      << "../lib/toneloom/toneloom-emulator";
    QTest::newRow("desktop entry") << "/usr/share/applications/toneloom.desktop"
                                   << "-rw-r--r--"
                                   << "";
    QTest::newRow("file types") << "/usr/share/mime/packages/toneloom.xml"
                                << "-rw-r--r--"
                                << "";
    for (int size : {16, 32, 48, 64, 128, 256})
        QTest::newRow(qPrintable(QStringLiteral("icon %1").arg(size)))
            << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/toneloom.png").arg(size) << "-rw-r--r--"
            << "";
    QTest::newRow("copyright") << "/usr/share/doc/toneloom/copyright"
                               << "-rw-r--r--"
                               << "";
    QTest::newRow("changelog") << "/usr/share/doc/toneloom/changelog.gz"
                               << "-rw-r--r--"
                               << "";
}

void TestDebPackage::contents()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    QFETCH(QString, linkTarget);

    const int at = static_cast<int>(m_paths.indexOf(path));
    QVERIFY2(at >= 0, qPrintable(path + QStringLiteral(" is not in the package")));
    const QString& line = m_listing[at];
    QVERIFY2(line.startsWith(mode), qPrintable(line));
    QVERIFY2(line.contains(QLatin1String("root/root")), qPrintable(line));
    if (!linkTarget.isEmpty())
        QVERIFY2(line.endsWith(QStringLiteral(" -> ") + linkTarget), qPrintable(line));
}

void TestDebPackage::leavesOutWhatIsNotTheProgram()
{
    // The setup, the default settings (the program keeps its settings per user here),
    // test libraries and build paths stay out.
    for (const QString& path : m_paths) {
        QVERIFY2(!path.contains(QLatin1String("setup")), qPrintable(path));
        QVERIFY2(!path.contains(QLatin1String("TONELOOM.INI")), qPrintable(path));
        QVERIFY2(!path.contains(QLatin1String("test")), qPrintable(path));
        QVERIFY2(path.startsWith(QLatin1String("/usr/")) || path == QLatin1String("/"), qPrintable(path));
    }
}

void TestDebPackage::control()
{
    const QString depends =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_package, QStringLiteral("Depends")});
    for (const char* package : {"librtmidi", "libqt6core6", "libqt6gui6", "libqt6widgets6", "qt6-qpa-plugins"})
        QVERIFY2(depends.contains(QString::fromLatin1(package)), qPrintable(depends));
    QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_package, QStringLiteral("Package")}).trimmed(),
             QStringLiteral("toneloom"));
    QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_package, QStringLiteral("Section")}).trimmed(),
             QStringLiteral("sound"));
}

void TestDebPackage::copyrightNamesTheLicence()
{
    // The copyright file is machine-readable: every Files paragraph names the licence by
    // its SPDX identifier, and the licence paragraph points at the system's copy.
    const QString root = QDir(m_temp.path()).filePath(QStringLiteral("licence"));
    int code = 0;
    run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_package, root}, {}, &code);
    QCOMPARE(code, 0);
    QFile file(root + QStringLiteral("/usr/share/doc/toneloom/copyright"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(
        text.startsWith(QLatin1String("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/")),
        qPrintable(text));
    QCOMPARE(text.count(QLatin1String("\nLicense: GPL-3.0-or-later\n")), 2);
    QVERIFY(!text.contains(QLatin1String("License: other")));
    QVERIFY(text.contains(QLatin1String("/usr/share/common-licenses/GPL-3")));
}

void TestDebPackage::desktopEntryIsValid()
{
    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty())
        QSKIP("desktop-file-validate is missing");
    const QString root = QDir(m_temp.path()).filePath(QStringLiteral("root"));
    int code = 0;
    run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_package, root}, {}, &code);
    QCOMPARE(code, 0);
    const QString output =
        run(validate, {root + QStringLiteral("/usr/share/applications/toneloom.desktop")}, {}, &code);
    QVERIFY2(code == 0 && output.isEmpty(), qPrintable(output));
}

void TestDebPackage::lintian()
{
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty())
        QSKIP("lintian is missing");
    const QString output = run(lintian, {QStringLiteral("--no-tag-display-limit"), m_package});
    QStringList errors;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("E: ")))
            errors << line;
    }
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestDebPackage)
#include "tst_debpackage.moc"
