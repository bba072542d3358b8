// What the windows share, made and ended without any window: a send's end reaches the
// transfers before the checked send, and at the end the engine's last traffic reaches
// the log.

#include "app/AppServices.h"
#include "app/DocumentHost.h"
#include "app/Transfers.h"
#include "bank/ToneloomDoc.h"
#include "emulator/EmulatorDevice.h"
#include "midi/CheckedSend.h"
#include "midi/Midi.h"
#include "midi/MidiLog.h"
#include "midi/SendCheck.h"
#include "midi/ui/StatusDlg.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "tests/support/AppSession.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A program with no document open: what the services ask of it.
class CNoDocuments : public CDocumentHost
{
public:
    QWidget* OpenDocumentFile(const QString& path) override
    {
        opened << path;
        return nullptr;
    }
    QWidget* findOpenDocument(const QString&) const override { return nullptr; }
    QList<QWidget*> documentWindows() const override { return {}; }
    QList<CDocTemplate*> templates() const override { return {}; }
    CEmulatorDevice* emulator() const override { return nullptr; }
    void OnFileNew() override {}
    void OnFileOpen() override {}
    void OnAppAbout() override {}
    void OnFilePrintSetup() override {}

    QStringList opened;
};

// The services over the built-in emulator, with SETUP values written before the
// settings read them.
struct Program
{
    explicit Program(const QString& iniPath, const QList<QPair<QString, int>>& setup = {}) : ini(iniPath)
    {
        for (const auto& [key, value] : setup)
            ini.writeInt(QStringLiteral("SETUP"), key, value);
        settings = std::make_unique<CAppSettings>(ini, &prompter);
        services = std::make_unique<CAppServices>(*settings, prompter, emulator, host);
    }

    CIniFile ini;
    testsupport::CScriptedPrompter prompter;
    std::unique_ptr<CAppSettings> settings;
    CEmulatorDevice emulator{SynthModel::Jv1080, SynthSettings::kDefaultDeviceId, 2000000};
    CNoDocuments host;
    std::unique_ptr<CAppServices> services;
};

} // namespace

class TestAppServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Backups of this test stay in its folder.
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toLocal8Bit());
    }

    // A bank send with each setting of backup and verification: the outcome that
    // stays on show is the checked send's, never overwritten by the end of its stream.
    void sendEndsWithItsOutcome_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << false << false << false << QStringLiteral("Ready");
        QTest::newRow("backed up") << false << true << true << QStringLiteral("Sent 1 patch");
        QTest::newRow("verified") << true << false << true << QStringLiteral("Sent and verified 1 patch");
        QTest::newRow("both") << true << true << true << QStringLiteral("Sent and verified 1 patch");
    }
    void sendEndsWithItsOutcome()
    {
        QFETCH(bool, verify);
        QFETCH(bool, backup);
        QFETCH(bool, shown);
        QFETCH(QString, text);
        Program program(m_dir.filePath(QStringLiteral("%1.ini").arg(QTest::currentDataTag())),
                        {{QStringLiteral("SENDRATE"), 0},
                         {QStringLiteral("SENDPAUSE"), 0},
                         {QStringLiteral("VERIFYSENDS"), verify ? 1 : 0},
                         {QStringLiteral("BACKUPBEFORESEND"), backup ? 1 : 0}});
        CAppServices& services = *program.services;
        CTransfers& transfers = services.transfers();
        QSignalSpy texts(&transfers, &CTransfers::statusText);

        CToneloomDoc bank(program.settings->synth(), program.prompter);
        bank.patches().SetName(7, "OUTCOME     ");
        BankSlots only;
        only[ItemKind::Patches].assign(CToneloomDoc::itemCount(ItemKind::Patches), false);
        only[ItemKind::Patches][7] = true;
        QVERIFY(services.sendBank(bank, BankPart(ItemKind::Patches), false, &only));
        QVERIFY(services.isTransferActive());
        QTRY_VERIFY_WITH_TIMEOUT(!services.isTransferActive(), 30000);
        program.emulator.waitIdle();

        QCOMPARE(transfers.statusWindow()->isVisible(), shown);
        QCOMPARE(transfers.statusWindow()->showsOutcome(), shown);
        QVERIFY(!texts.isEmpty());
        QCOMPARE(texts.last().at(0).toString(), text);
        if (shown)
            QCOMPARE(transfers.statusWindow()->phaseLine()->text(), text);
        QCOMPARE(services.checkedSend().backupPath().isEmpty(), !backup);
        QByteArray common;
        program.emulator.withEmulator(
            [&](CSynthEmulator& e) { common = e.blockData(sysex::patchAddress(sysex::MemoryArea::User, 7)); });
        QCOMPARE(common.left(12), QByteArray("OUTCOME     "));
        QVERIFY(program.prompter.messages.empty());
        QVERIFY(program.host.opened.isEmpty());
    }

    // A named receive that completes hands its file to the program to open; one that is
    // stopped while the program exits opens nothing.
    void receivedFileIsOpened_data()
    {
        QTest::addColumn<bool>("exiting");
        QTest::newRow("whole") << false;
        QTest::newRow("stopped by exit") << true;
    }
    void receivedFileIsOpened()
    {
        QFETCH(bool, exiting);
        Program program(m_dir.filePath(QStringLiteral("receive-%1.ini").arg(exiting)));
        CAppServices& services = *program.services;
        CTransfers& transfers = services.transfers();
        QSignalSpy received(&transfers, &CTransfers::receivedFile);
        const QString path = m_dir.filePath(QStringLiteral("received-%1.syx").arg(exiting));
        transfers.startReceive(path, 2); // "All"
        QVERIFY(transfers.statusWindow()->isVisible());
        QVERIFY(services.isTransferActive());
        if (exiting)
            transfers.stopForExit(true);
        QTRY_VERIFY_WITH_TIMEOUT(!services.isTransferActive(), 30000);
        QVERIFY(!transfers.statusWindow()->isVisible());
        QCOMPARE(received.count(), exiting ? 0 : 1);
        if (!exiting) {
            QCOMPARE(received.at(0).at(0).toString(), path);
            QCOMPARE(QFileInfo(path).size(), 108942);
        }
    }

    // The end of the program ends a note that still sounds, and the log has that last
    // message before it closes.
    void lastTrafficReachesTheLog()
    {
        const QString logPath = m_dir.filePath(QStringLiteral("traffic.log"));
        qputenv(CMidiLog::kVariable, logPath.toLocal8Bit());
        Program program(m_dir.filePath(QStringLiteral("log.ini")));
        qunsetenv(CMidiLog::kVariable);
        QVERIFY(program.services->midiLog() && program.services->midiLog()->isOpen());
        program.services->midi().SendShort(0x00643C90); // note on, middle C
        program.services->midi().waitUntilSent();
        program.services.reset();
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QStringList bytes;
        for (const QString& line : QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts))
            bytes << line.section(' ', 1);
        QCOMPARE(bytes.size(), 2);
        QCOMPARE(bytes.at(0), QStringLiteral("OUT 90 3C 64"));
        // The note ends: a note off of the same key.
        QVERIFY2(bytes.at(1).startsWith(QLatin1String("OUT 80 3C ")), qPrintable(bytes.at(1)));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestAppServices)
#include "tst_appservices.moc"
