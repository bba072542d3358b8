#include "app/AuditionFilter.h"
#include "app/MainFrame.h"
#include "app/ToneloomApp.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "emulator/EmulatorDevice.h"
#include "midi/BulkTransfer.h"
#include "midi/CheckedSend.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/ui/BackupsDlg.h"
#include "midi/ui/MidiSettingsDlg.h"
#include "midi/ui/ReceiveDlg.h"
#include "midi/ui/SendDlg.h"
#include "midi/ui/StatusDlg.h"
#include "model/ExpansionNames.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "tests/support/AppSession.h"
#include "ui/ChildFrame.h"
#include "ui/CommandIds.h"
#include "ui/Prompter.h"
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <deque>
#include <functional>

using namespace testsupport;

// Bulk transfers from the main window: receive, send, the status window and the MIDI settings.
class TestTransfers : public CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void receiveAllFromEmulator()
    {
        CEmulatorDevice emulator(SynthModel::Jv1080, SynthSettings::kDefaultDeviceId, 2000000);
        auto s = start(freshIni(), emulator);
        const QString path = m_dir.filePath(QStringLiteral("received.syx"));
        s->prompter.files << path;
        s->prompter.onExec = [](QDialog& dialog) {
            auto* receive = qobject_cast<CReceiveDlg*>(&dialog);
            if (!receive)
                return int(QDialog::Rejected);
            receive->list()->setCurrentRow(3); // "All"
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kReceive)->trigger();
        QCOMPARE(s->prompter.dialogs, QStringList{QStringLiteral("Receive")});
        QVERIFY(s->frame()->statusWindow()->isVisible());
        QVERIFY(s->frame()->action(cmd::kStop)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(activeBankView(s->frame()) != nullptr, 30000);
        QVERIFY(!s->frame()->statusWindow()->isVisible());
        QCOMPARE(readFile(path).size(), 108942);
        CToneloomView* view = activeBankView(s->frame());
        QCOMPARE(view->documentPath(), path);
        QByteArray expected;
        emulator.withEmulator([&](CSynthEmulator& e) { expected = e.dump(sysex::MemoryArea::User); });
        const SynthSettings synth;
        CToneloomDoc reference(synth, s->prompter);
        QBuffer buffer(&expected);
        buffer.open(QIODevice::ReadOnly);
        reference.readBank(buffer);
        for (ItemKind kind : kItemKinds)
            for (int i = 0; i < CToneloomDoc::itemCount(kind); ++i)
                QCOMPARE(view->document().array(kind).name(i), reference.array(kind).name(i));
        QVERIFY(view->document().patches().name(0) != QStringLiteral("INIT PATCH  "));
        QCOMPARE(s->app->settings().currentFolder(), CAppSettings::folderOf(path));
    }

    void manualReceiveStoppedOpensTheFile()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        const QString path = m_dir.filePath(QStringLiteral("manual.syx"));
        s->prompter.files << path;
        s->prompter.onExec = [](QDialog& dialog) {
            auto* receive = qobject_cast<CReceiveDlg*>(&dialog);
            if (!receive || receive->list()->currentItem()->text() != QStringLiteral("Manual"))
                return int(QDialog::Rejected);
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kReceive)->trigger();
        QCOMPARE(s->frame()->statusWindow()->mode(), CStatusDlg::Mode::ReceivingManual);
        // The user dumps the temporary patch from the instrument.
        CCollectingReporter reporter;
        const SynthSettings synth;
        CToneloomDoc source(synth, reporter);
        source.patches().SetName(0, "MANUAL DUMP ");
        QByteArray image(source.patches().GetRecordSize(), '\0');
        source.patches().GetAsTemporary(0, reinterpret_cast<std::uint8_t*>(image.data()), 0x10);
        for (qsizetype at = 0; at < image.size();) {
            const qsizetype end = image.indexOf(char(0xF7), at);
            QVERIFY(ports.inject(image.mid(at, end - at + 1)));
            at = end + 1;
        }
        QTRY_COMPARE(s->frame()->services().midi().bytesReceivedCount(), long(image.size()));
        QCOMPARE(activeBankView(s->frame()), nullptr);
        s->frame()->statusWindow()->stopButton()->click();
        QVERIFY(!s->frame()->statusWindow()->isVisible());
        CToneloomView* view = activeBankView(s->frame());
        QVERIFY(view);
        QCOMPARE(view->document().patches().name(0), QStringLiteral("MANUAL DUMP "));
        QCOMPARE(view->document().patches().name(1), QStringLiteral("INIT PATCH  "));
    }

    void sendToCardMemory()
    {
        CEmulatorDevice emulator(SynthModel::Jv1080, SynthSettings::kDefaultDeviceId, 2000000);
        emulator.withEmulator([](CSynthEmulator& e) { e.setCardInserted(true); });
        const QString ini = freshIni();
        {
            // As fast as the emulator takes it.
            CIniFile file(ini);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDRATE"), 0);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDPAUSE"), 0);
        }
        auto s = start(ini, emulator);
        CToneloomView* view = newBank(*s);
        view->document().patches().SetName(5, "CARD TEST   ");
        view->switchKind(ItemKind::Performances);
        BankPart offered;
        s->prompter.onExec = [&offered, view](QDialog& dialog) {
            auto* send = qobject_cast<CSendDlg*>(&dialog);
            if (!send)
                return int(QDialog::Rejected);
            // The kind on screen is chosen at first.
            offered = send->what();
            view->switchKind(ItemKind::Patches);
            send->setChoice(true, ItemKind::Patches);
            return int(QDialog::Accepted);
        };
        // Backups of an earlier run do not count.
        QDir(s->frame()->services().transfers().backupFolder()).removeRecursively();
        QByteArray before;
        emulator.withEmulator([&](CSynthEmulator& e) { before = e.dump(sysex::MemoryArea::Card); });
        s->frame()->action(cmd::kSend)->trigger();
        QCOMPARE(s->prompter.dialogs, QStringList{QStringLiteral("Send to Synth")});
        QCOMPARE(offered, BankPart(ItemKind::Performances));
        CStatusDlg* status = s->frame()->statusWindow();
        QVERIFY(status->isVisible());
        QCOMPARE(status->mode(), CStatusDlg::Mode::Sending);
        // The backup comes first, with its own progress.
        QVERIFY(status->phaseLine()->text().startsWith(QStringLiteral("Backing up 128 patches into ")));
        QCOMPARE(status->progressBar()->maximum(), 128);
        QTRY_VERIFY_WITH_TIMEOUT(!s->frame()->services().isTransferActive(), 60000);
        emulator.waitIdle();
        // The outcome stays on show, with where the backup went.
        QVERIFY(status->isVisible());
        QVERIFY(status->showsOutcome());
        QCOMPARE(status->stopButton()->text(), QStringLiteral("&Close"));
        const QString backup = s->frame()->services().checkedSend().backupPath();
        QCOMPARE(status->phaseLine()->text(), QStringLiteral("Sent and verified 128 patches"));
        QCOMPARE(status->backupLine()->text(),
                 QStringLiteral("Backed up into %1").arg(QDir::toNativeSeparators(backup)));
        QVERIFY(status->backupLine()->isVisibleTo(status));
        QCOMPARE(QFileInfo(backup).absolutePath(),
                 QDir(s->frame()->services().transfers().backupFolder()).absolutePath());
        QVERIFY(backup.endsWith(QLatin1String(" Card Patches.syx")));
        QVERIFY(s->prompter.questions.isEmpty());
        s->frame()->services().transfers().stop(); // Close
        QVERIFY(!status->isVisible());
        QByteArray common;
        emulator.withEmulator(
            [&](CSynthEmulator& e) { common = e.blockData(sysex::patchAddress(sysex::MemoryArea::Card, 5)); });
        QCOMPARE(common.left(12), QByteArray("CARD TEST   "));
        QByteArray user;
        emulator.withEmulator(
            [&](CSynthEmulator& e) { user = e.blockData(sysex::patchAddress(sysex::MemoryArea::User, 5)); });
        QVERIFY(user.left(12) != QByteArray("CARD TEST   "));

        // Midi, Backups...: the backup is listed; Restore puts the card back as it was.
        const auto patchesOf = [](const QByteArray& dump) {
            QByteArray out;
            for (const synthline::Record& r : synthline::recordsOf(dump))
                if (r.area == sysex::kAreaCardPatch)
                    for (const QByteArray& m : r.messages)
                        out += m;
            return out;
        };
        QCOMPARE(readFile(backup), patchesOf(before));
        QStringList rows;
        s->prompter.onExec = [&rows](QDialog& dialog) {
            auto* backups = qobject_cast<CBackupsDlg*>(&dialog);
            if (!backups)
                return int(QDialog::Rejected);
            for (int i = 0; i < backups->list()->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* item = backups->list()->topLevelItem(i);
                rows << QStringLiteral("%1|%2|%3").arg(item->text(1), item->text(2), item->text(3));
            }
            backups->restoreButton()->click();
            return dialog.result();
        };
        s->frame()->action(cmd::kBackups)->trigger();
        QCOMPARE(rows, QStringList{QStringLiteral("JV-1080|%1 KB|Card: 128 patches")
                                       .arg(QString::number(readFile(backup).size() / 1024.0, 'f', 1))});
        QCOMPARE(s->prompter.questions.size(), 1);
        QVERIFY(s->prompter.questions[0].startsWith(QStringLiteral("This will send ")));
        QVERIFY(s->frame()->services().isTransferActive());
        QTRY_VERIFY_WITH_TIMEOUT(!s->frame()->services().isTransferActive(), 60000);
        emulator.waitIdle();
        QCOMPARE(status->phaseLine()->text(), QStringLiteral("Sent and verified 128 patches"));
        QByteArray after;
        emulator.withEmulator([&](CSynthEmulator& e) { after = e.dump(sysex::MemoryArea::Card); });
        QCOMPARE(patchesOf(after), patchesOf(before));
        // The restore made a backup of its own (of what the first send had put there).
        QCOMPARE(QDir(s->frame()->services().transfers().backupFolder()).entryList(QDir::Files).size(), 2);
        // Delete asks, and a "No" keeps the file.
        s->prompter.answers = {CPrompter::Answer::No, CPrompter::Answer::Yes};
        int left = -1;
        s->prompter.onExec = [&left](QDialog& dialog) {
            auto* backups = qobject_cast<CBackupsDlg*>(&dialog);
            if (!backups)
                return int(QDialog::Rejected);
            backups->deleteButton()->click();
            backups->deleteButton()->click();
            left = backups->list()->topLevelItemCount();
            return int(QDialog::Rejected);
        };
        s->frame()->action(cmd::kBackups)->trigger();
        QCOMPARE(left, 1);
        QCOMPARE(QDir(s->frame()->services().transfers().backupFolder()).entryList(QDir::Files).size(), 1);
        QDir(s->frame()->services().transfers().backupFolder()).removeRecursively();
    }

    // Write sends one item to user memory: backed up and verified as a bank send is.
    void writeIsBackedUpAndVerified()
    {
        CEmulatorDevice emulator(SynthModel::Jv2080, SynthSettings::kDefaultDeviceId, 2000000);
        const QString ini = freshIni();
        {
            CIniFile file(ini);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("WHICHSYNTH"), int(SynthModel::Jv2080));
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDRATE"), 0);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDPAUSE"), 0);
        }
        auto s = start(ini, emulator);
        QDir(s->frame()->services().transfers().backupFolder()).removeRecursively();
        CToneloomView* view = newBank(*s);
        view->document().patches().SetName(4, "WRITTEN ONE ");
        clickItem(view, 4);
        QByteArray before;
        emulator.withEmulator(
            [&](CSynthEmulator& e) { before = e.blockData(sysex::patchAddress(sysex::MemoryArea::User, 4)); });
        s->frame()->action(cmd::kWrite)->trigger();
        QVERIFY(s->frame()->services().isTransferActive());
        QTRY_VERIFY_WITH_TIMEOUT(!s->frame()->services().isTransferActive(), 30000);
        QCOMPARE(s->frame()->statusWindow()->phaseLine()->text(), QStringLiteral("Sent and verified 1 patch"));
        QByteArray after;
        emulator.withEmulator(
            [&](CSynthEmulator& e) { after = e.blockData(sysex::patchAddress(sysex::MemoryArea::User, 4)); });
        QCOMPARE(after.left(12), QByteArray("WRITTEN ONE "));
        const QString backup = s->frame()->services().checkedSend().backupPath();
        QVERIFY(backup.endsWith(QLatin1String(" User Patches.syx")));
        const auto records = synthline::recordsOf(readFile(backup));
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records[0].messages[0].mid(sysex::kOffData, before.size()), before);
        QDir(s->frame()->services().transfers().backupFolder()).removeRecursively();
    }

    void sendIgnoresWhatIsPlantedInTheTemporaryFolder_data()
    {
        QTest::addColumn<bool>("link");
        QTest::newRow("symbolic link to a bank") << true;
        QTest::newRow("folder of the old name") << false;
    }
    void sendIgnoresWhatIsPlantedInTheTemporaryFolder()
    {
        QFETCH(bool, link);
        QTemporaryDir shared;
        QVERIFY(shared.isValid());
        const QString victim = m_dir.filePath(QStringLiteral("victim.syx"));
        {
            QFile f(victim);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("somebody's bank");
        }
        const QString planted = shared.filePath(QStringLiteral("sysex~~~.tmp"));
        QVERIFY(link ? QFile::link(victim, planted) : QDir().mkdir(planted));
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(shared.path()));
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", oldTmp); });

        CEmulatorDevice emulator(SynthModel::Jv1080, SynthSettings::kDefaultDeviceId, 2000000);
        const QString ini = freshIni();
        {
            CIniFile file(ini);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDRATE"), 0);
            file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDPAUSE"), 0);
        }
        auto s = start(ini, emulator);
        CToneloomView* view = newBank(*s);
        view->document().patches().SetName(7, "PRIVATE SEND");
        s->prompter.onExec = [](QDialog& dialog) {
            auto* send = qobject_cast<CSendDlg*>(&dialog);
            if (!send)
                return int(QDialog::Rejected);
            send->setChoice(false, ItemKind::Patches);
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kSend)->trigger();
        QVERIFY(s->prompter.messages.empty());
        QTRY_VERIFY_WITH_TIMEOUT(!s->frame()->services().isTransferActive(), 30000);
        emulator.waitIdle();
        QByteArray common;
        emulator.withEmulator(
            [&](CSynthEmulator& e) { common = e.blockData(sysex::patchAddress(sysex::MemoryArea::User, 7)); });
        QCOMPARE(common.left(12), QByteArray("PRIVATE SEND"));
        // The planted name is left alone, and the send's own file is gone with the send.
        QFile f(victim);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("somebody's bank"));
        QCOMPARE(QFileInfo(planted).isSymLink(), link);
        QTRY_COMPARE(QDir(shared.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                     QStringList{QStringLiteral("sysex~~~.tmp")});
    }

    void midiSettingsDialog()
    {
        CLoopbackDevice ports;
        const QString ini = freshIni();
        auto s = start(ini, ports);
        s->prompter.onExec = [](QDialog& dialog) {
            auto* settings = qobject_cast<CMidiSettingsDlg*>(&dialog);
            if (!settings)
                return int(QDialog::Rejected);
            if (settings->deviceIdList()->currentText() != QStringLiteral("17"))
                return int(QDialog::Rejected);
            if (settings->boardList(4)->isEnabled()) // JV-1080: boards 5..8 greyed
                return int(QDialog::Rejected);
            settings->deviceIdList()->setCurrentIndex(settings->deviceIdList()->findText(QStringLiteral("32")));
            settings->boardList(6)->setCurrentIndex(3);
            settings->modelButton(1)->setChecked(true);
            if (!settings->boardList(6)->isEnabled())
                return int(QDialog::Rejected);
            settings->modelButton(2)->setChecked(true);
            settings->sendBox(ItemKind::Patches)->setChecked(true);
            settings->remoteList()->setCurrentIndex(7);
            settings->sendPauseBox()->setValue(5);
            // Both checks of a send are on at first; the number of backups follows its box.
            if (!settings->verifyBox()->isChecked() || !settings->backupBox()->isChecked()
                || settings->keptBackupsBox()->value() != 30)
                return int(QDialog::Rejected);
            settings->verifyBox()->setChecked(false);
            settings->keptBackupsBox()->setValue(12);
            settings->backupBox()->setChecked(false);
            if (settings->keptBackupsBox()->isEnabled())
                return int(QDialog::Rejected);
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kMidiSetup)->trigger();
        QCOMPARE(s->prompter.dialogs, QStringList{QStringLiteral("Midi Settings")});
        CIniFile file(ini);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("DEVICEID"), 0), 0x1F);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("EXPBOARD7"), 0), 3);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("WHICHSYNTH"), 0), 2);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("SENDPATCH"), 0), 1);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("REMOTE"), 0), 7);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("SENDPAUSE"), 0), 5);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("VERIFYSENDS"), 1), 0);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("BACKUPBEFORESEND"), 1), 0);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("KEPTBACKUPS"), 0), 12);
        QVERIFY(!s->app->settings().midi().verifySends);
        QCOMPARE(file.readString(QStringLiteral("SETUP"), QStringLiteral("MIDIOUTNAME")),
                 QStringLiteral("Loopback Out"));
        QCOMPARE(s->app->settings().synth().deviceId, std::uint8_t(0x1F));
        // Cancel changes nothing.
        s->prompter.onExec = [](QDialog& dialog) {
            if (auto* settings = qobject_cast<CMidiSettingsDlg*>(&dialog))
                settings->deviceIdList()->setCurrentIndex(0);
            return int(QDialog::Rejected);
        };
        s->frame()->action(cmd::kMidiSetup)->trigger();
        QCOMPARE(s->app->settings().synth().deviceId, std::uint8_t(0x1F));
    }

    // The board lists name every board by the title of its name file, and keep the
    // placeholder for board numbers without one.
    void midiSettingsShowBoardTitles()
    {
        CLoopbackDevice ports;
        CCollectingReporter reporter;
        const CExpansionNames names(QStringLiteral(TONELOOM_BIN_DIR), reporter);
        const CAppSettings::Midi values{};
        CMidiSettingsDlg dialog(ports, names, values);
        for (int slot = 0; slot < CAppSettings::kBoardSlots; ++slot) {
            const QComboBox* list = dialog.boardList(slot);
            QCOMPARE(list->count(), 128);
            QCOMPARE(list->itemText(0), QStringLiteral("None"));
            QCOMPARE(list->itemText(1), QStringLiteral("SR-JV80-01 Pop"));
            QCOMPARE(list->itemText(2), QStringLiteral("SR-JV80-02 Orchestral"));
            QCOMPARE(list->itemText(20), QStringLiteral("<20>"));
        }
        QVERIFY(reporter.messages().empty());
    }

    void statusWindowModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("sending") << 0 << QStringList{"Click the Stop-button to stop sending MIDI data."};
        QTest::newRow("request") << 1 << QStringList{"Click the Stop-button to stop receiving MIDI data."};
        QTest::newRow("manual") << 2
                                << QStringList{"Start bulk dump from your synth.",
                                               "Click the Stop-button to stop receiving MIDI data."};
    }
    void statusWindowModes()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, shown);
        CStatusDlg dialog;
        dialog.setMode(CStatusDlg::Mode(mode), mode == 1 ? 112910 : -1);
        dialog.show();
        QStringList visible;
        for (QLabel* label : {dialog.sendingLine(), dialog.startLine(), dialog.receivingLine()})
            if (label->isVisible())
                visible << label->text();
        QCOMPARE(visible, shown);
        QCOMPARE(dialog.progressBar()->isVisible(), mode == 1);
        QSignalSpy stop(&dialog, &CStatusDlg::stopClicked);
        dialog.stopButton()->click();
        QCOMPARE(stop.size(), 1);
    }
};

QTEST_MAIN(TestTransfers)
#include "tst_transfers.moc"
