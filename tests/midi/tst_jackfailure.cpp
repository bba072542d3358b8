// Transfers over a JACK line that dies: the server is killed, or the synthesizer ends, in
// the middle of a send or a receive. Every case runs on a JACK server of its own (started
// here), never on the server other tests share.

#include "bank/ToneloomDoc.h"
#include "model/Reporter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

const QString kBin = QStringLiteral(TONELOOM_BIN_DIR);

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void signal(const QProcess& process, int number)
{
    if (process.state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(process.processId()), number);
}

// A process whose output (both channels) is collected as it comes.
class Program
{
public:
    explicit Program(const QProcessEnvironment& environment)
    {
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }
    ~Program()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        signal(m_process, SIGTERM);
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool start(const QString& program, const QStringList& args)
    {
        m_process.start(program, args);
        return m_process.waitForStarted(5000);
    }
    // Waits until the output matches pattern; false when the program ends or time runs out.
    bool waitFor(const QRegularExpression& pattern, int ms = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!pattern.match(QString::fromUtf8(m_output)).hasMatch()) {
            if (m_process.state() == QProcess::NotRunning || timer.elapsed() > ms)
                return false;
            m_process.waitForReadyRead(100);
            m_output += m_process.readAll();
        }
        return true;
    }
    bool waitForEnd(int ms)
    {
        const bool ended = m_process.waitForFinished(ms);
        m_output += m_process.readAll();
        return ended;
    }
    QProcess& process() { return m_process; }
    QString output() const { return QString::fromUtf8(m_output); }

private:
    QProcess m_process;
    QByteArray m_output;
};

// A private JACK server with the dummy backend.
class Server
{
public:
    explicit Server(const QString& name) : m_name(name)
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("JACK_DEFAULT_SERVER", name);
        m_environment.insert("JACK_NO_AUDIO_RESERVATION", "1");
        m_environment.insert("TONELOOM_MIDI_API", "jack");
        start();
    }
    ~Server()
    {
        stop();
        if (!m_killed)
            return;
        // A killed server leaves its entry in JACK's registry of servers, which has room
        // for eight: a server of the same name takes the entry over and, ended
        // properly, gives it back. The semaphores of its clients are left as well.
        start();
        if (waitUntilRunning())
            stop();
        const QDir shm(QStringLiteral("/dev/shm"));
        for (const QString& file :
             shm.entryList({QStringLiteral("jack_sem.*_%1_*").arg(m_name)}, QDir::Files | QDir::System))
            QFile::remove(shm.filePath(file));
    }
    bool waitUntilRunning()
    {
        if (!m_jackd.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            QProcess probe;
            probe.setProcessEnvironment(m_environment);
            probe.start("jack_lsp", {});
            if (probe.waitForFinished(5000) && probe.exitCode() == 0)
                return true;
            if (m_jackd.state() == QProcess::NotRunning)
                break;
            QTest::qWait(100);
        }
        qWarning() << m_jackd.readAll();
        return false;
    }
    void kill()
    {
        signal(m_jackd, SIGKILL);
        m_jackd.waitForFinished(5000);
        m_killed = true;
    }
    const QProcessEnvironment& environment() const { return m_environment; }

private:
    void start()
    {
        m_jackd.setProcessEnvironment(m_environment);
        m_jackd.setProcessChannelMode(QProcess::MergedChannels);
        // Synchronous, as the shared server of the tests: on a busy machine a late client
        // holds a period up instead of losing its events.
        m_jackd.start("jackd", {"--no-realtime", "--sync", "-n", m_name, "-d", "dummy", "-r", "48000", "-p", "1024"});
    }
    void stop()
    {
        signal(m_jackd, SIGTERM);
        if (!m_jackd.waitForFinished(5000)) {
            m_jackd.kill();
            m_jackd.waitForFinished(5000);
        }
    }

    QString m_name;
    QProcessEnvironment m_environment;
    QProcess m_jackd;
    bool m_killed = false;
};

} // namespace

class TestJackFailure : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lineDiesDuringATransfer_data();
    void lineDiesDuringATransfer();

private:
    QTemporaryDir m_dir;
    QString m_bank;
};

void TestJackFailure::initTestCase()
{
    if (QStandardPaths::findExecutable("jackd").isEmpty())
        QSKIP("jackd is not installed (Debian package jackd2)");
    m_bank = m_dir.filePath("bank.syx");
    CCollectingReporter reporter;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CToneloomDoc document(settings, reporter);
    QVERIFY(document.SaveBank(CToneloomDoc::kSaveAll, m_bank));
}

void TestJackFailure::lineDiesDuringATransfer_data()
{
    QTest::addColumn<bool>("send");
    // Else the synthesizer ends (a client killed outright would hold up a synchronous
    // server for its whole time-out before the server lets it go).
    QTest::addColumn<bool>("killServer");
    QTest::addColumn<QString>("reason");
    const QString gone = QStringLiteral("The JACK server has shut down.");
    QTest::newRow("server killed during a send") << true << true << gone;
    QTest::newRow("synthesizer ends during a send")
        << true << false << "The MIDI output \"%1\" is no longer connected.";
    QTest::newRow("server killed during a receive") << false << true << gone;
    QTest::newRow("synthesizer ends during a receive")
        << false << false << "The MIDI input \"%1\" is no longer connected.";
}

// The transfer ends at once with the reason and how far it got; nothing is reported as
// done, a receive leaves the file it was to replace alone, and an emulator whose
// server died ends by itself.
void TestJackFailure::lineDiesDuringATransfer()
{
    QFETCH(bool, send);
    QFETCH(bool, killServer);
    QFETCH(QString, reason);
    static int serial = 0;
    // The same names in every run of this build, so that no run leaves more behind.
    const QString serverName = QStringLiteral("%1-%2").arg(QStringLiteral(TONELOOM_JACK_FAILURE_SERVER)).arg(++serial);
    Server server(serverName);
    QVERIFY(server.waitUntilRunning());
    const QString name = QStringLiteral("Dying");
    Program emulator(server.environment());
    QVERIFY(emulator.start(kBin + "/toneloom-emulator", {"--jack", "--name", name}));
    QVERIFY2(emulator.waitFor(QRegularExpression("ready")), qPrintable(emulator.output()));

    Program cli(server.environment());
    const QString target = m_dir.filePath(QStringLiteral("target%1.syx").arg(serial));
    const QByteArray old("a good bank");
    if (send) {
        QVERIFY(cli.start(kBin + "/toneloom-cli", {"send", "--out", name, m_bank}));
        QVERIFY2(cli.waitFor(QRegularExpression("Bytes sent: [1-9]")), qPrintable(cli.output()));
    } else {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
        f.close();
        QVERIFY(
            cli.start(kBin + "/toneloom-cli", {"receive", "--in", name, "--out", name, "--request", "All", target}));
        QVERIFY2(cli.waitFor(QRegularExpression("Bytes received: [1-9]")), qPrintable(cli.output()));
    }
    if (killServer)
        server.kill();
    else
        signal(emulator.process(), SIGTERM);

    // At the line rate the rest would take about a minute.
    QVERIFY2(cli.waitForEnd(15000), "the transfer went on after its line died");
    const QString output = cli.output();
    QCOMPARE(cli.process().exitCode(), 1);
    if (reason.contains("%1")) {
        // The JACK name of the synthesizer's port: its client, a colon, its name.
        const QStringList around = reason.split("%1");
        const QRegularExpression port(QRegularExpression::escape(around[0]) + "[^\"]*" + name + "[^\"]*"
                                      + QRegularExpression::escape(around[1]));
        QVERIFY2(port.match(output).hasMatch(), qPrintable(output));
    } else {
        QVERIFY2(output.contains(reason), qPrintable(output));
    }
    if (send) {
        QVERIFY2(output.contains(QRegularExpression(" [0-9]+ of 112910 bytes were sent\\.")), qPrintable(output));
        QVERIFY(!output.contains("Sent "));
    } else {
        QCOMPARE(readAll(target), old);
        const QString kept = m_dir.filePath(QStringLiteral("target%1-incomplete.syx").arg(serial));
        QVERIFY2(output.contains(QStringLiteral("are kept in \"%1\"").arg(QDir::toNativeSeparators(kept))),
                 qPrintable(output));
        QVERIFY(readAll(kept).size() > 0);
        QVERIFY(!output.contains("Received "));
    }
    if (killServer) {
        QVERIFY2(emulator.waitForEnd(10000), "the emulator went on without its server");
        QCOMPARE(emulator.process().exitCode(), 1);
        QVERIFY(emulator.output().contains("The JACK server has shut down."));
    }
}

QTEST_GUILESS_MAIN(TestJackFailure)
#include "tst_jackfailure.moc"
