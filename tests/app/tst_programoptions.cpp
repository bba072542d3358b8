// Every program answers --help and --version on stdout with exit status 0, without a
// display and without touching a file or a port.

#include <QProcess>
#include <QTest>

class TstProgramOptions : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected"); // a text the answer starts with
        for (const char* program : {"toneloom", "toneloom-cli", "toneloom-emulator", "toneloom-setup"}) {
            const QString name = QString::fromLatin1(program);
            QTest::newRow(qPrintable(name + QStringLiteral(" --version")))
                << name << QStringLiteral("--version") << name + QStringLiteral(" 5.60");
            QTest::newRow(qPrintable(name + QStringLiteral(" --help")))
                << name << QStringLiteral("--help") << QString();
        }
    }
    void answers()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, expected);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No display: an answer that needed one would fail here.
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TONELOOM_BIN_DIR "/") + program, {option});
        QVERIFY(process.waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == 0, qPrintable(err));
        QVERIFY2(err.isEmpty(), qPrintable(err));
        if (!expected.isEmpty()) {
            QCOMPARE(out.trimmed(), expected);
        } else {
            // Help names every option it takes and says how to ask for the version.
            QVERIFY2(out.contains(QStringLiteral("--help")) || out.contains(QStringLiteral("-h,")), qPrintable(out));
            QVERIFY2(out.contains(QStringLiteral("--version")), qPrintable(out));
        }
    }
};

QTEST_GUILESS_MAIN(TstProgramOptions)
#include "tst_programoptions.moc"
