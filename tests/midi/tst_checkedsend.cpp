// A send from the windows with its backup and verification, over the built-in
// emulator: phases in order, settings that turn each part off, Stop during the backup,
// resends of dropped records, a silent instrument; and the backups list.

#include "QuickRead.h"
#include "emulator/EmulatorDevice.h"
#include "emulator/SynthEmulator.h"
#include "midi/BackupList.h"
#include "midi/BulkTransfer.h"
#include "midi/CheckedSend.h"
#include "midi/Midi.h"
#include "model/Reporter.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <mutex>

Q_DECLARE_METATYPE(SynthModel)

namespace {

using synthline::Record;

using quickline::kDevice;
using quickline::quickRead;

bool isDataSet(const QByteArray& m)
{
    return m.size() > sysex::kOffCommand && static_cast<std::uint8_t>(m[sysex::kOffCommand]) == sysex::kDataSet;
}

bool isRequest(const QByteArray& m)
{
    return m.size() > sysex::kOffCommand && static_cast<std::uint8_t>(m[sysex::kOffCommand]) == sysex::kDataRequest;
}

// The emulator behind outputs that record what goes out, and can lose every nth data
// set on the way, as a busy instrument does.
class CTapDevice : public CMidiPortProvider
{
public:
    CTapDevice(SynthModel model, std::uint8_t id, int rate) : emulator(model, id, rate) {}
    QStringList inputNames() override { return emulator.inputNames(); }
    QStringList outputNames() override { return emulator.outputNames(); }
    std::unique_ptr<CMidiInPort> createIn(int index) override { return emulator.createIn(index); }
    std::unique_ptr<CMidiOutPort> createOut(int index) override
    {
        auto inner = emulator.createOut(index);
        return inner ? std::make_unique<OutPort>(*this, std::move(inner)) : nullptr;
    }
    std::vector<QByteArray> sent() const
    {
        std::lock_guard lock(mutex);
        return messages;
    }
    int count(bool (*is)(const QByteArray&)) const
    {
        const auto all = sent();
        return static_cast<int>(std::count_if(all.begin(), all.end(), is));
    }

    CEmulatorDevice emulator;
    std::atomic<int> dropEvery{0}; // 0: none
    std::vector<QByteArray> dropped;

private:
    class OutPort : public CMidiOutPort
    {
    public:
        OutPort(CTapDevice& d, std::unique_ptr<CMidiOutPort> inner) : m_device(d), m_inner(std::move(inner)) {}
        QString name() const override { return m_inner->name(); }
        bool open(QString* error) override { return m_inner->open(error); }
        void close() override { m_inner->close(); }
        bool send(const std::uint8_t* data, std::size_t size, QString* error) override
        {
            const QByteArray m(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
            {
                std::lock_guard lock(m_device.mutex);
                m_device.messages.push_back(m);
                if (isDataSet(m) && m_device.dropEvery > 0 && ++m_device.dataSets % m_device.dropEvery == 0) {
                    m_device.dropped.push_back(m);
                    return true;
                }
            }
            return m_inner->send(data, size, error);
        }

    private:
        CTapDevice& m_device;
        std::unique_ptr<CMidiOutPort> m_inner;
    };

    mutable std::mutex mutex;
    std::vector<QByteArray> messages;
    int dataSets = 0;
};

// The engine, its bulk transfer and the checked send around one tapped emulator.
struct Rig
{
    explicit Rig(SynthModel model = SynthModel::Jv2080, std::uint8_t id = kDevice, int rate = 0)
        : device(model, id, rate), midi(device, reporter, engineSettings()), bulk(midi, synth),
          send(midi, bulk, device), finished(&send, &CCheckedSend::finished), phases(&send, &CCheckedSend::phaseChanged)
    {
        synth.model = model;
        synth.deviceId = kDevice;
    }
    static CMidiSettings engineSettings()
    {
        CMidiSettings s;
        s.sendRate = 0;
        s.sendPause = 0;
        return s;
    }
    CCheckedSend::Line line() const
    {
        CCheckedSend::Line l;
        l.input = 0;
        l.output = 0;
        l.inputName = CEmulatorDevice::kPortName;
        l.deviceId = kDevice;
        l.sendRate = 0;
        l.sendPause = 0;
        return l;
    }
    CCheckedSend::Options options(bool verify, bool backup) const
    {
        CCheckedSend::Options o;
        o.verify = verify;
        o.backup = backup;
        o.folder = backups.path();
        o.read = quickRead();
        o.drainMs = 20;
        return o;
    }
    // The file of a send, in the temporary folder of the test.
    QString sendFile(const QByteArray& bytes)
    {
        const QString path = files.filePath(QStringLiteral("send%1.syx").arg(++sends));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        return path;
    }
    bool run(const QByteArray& bytes, const CCheckedSend::Options& o)
    {
        if (!send.start(sendFile(bytes), line(), o))
            return false;
        return finished.wait(30000) || !finished.isEmpty();
    }
    CCheckedSend::Outcome outcome() const { return finished.last().at(0).value<CCheckedSend::Outcome>(); }
    QString text() const { return finished.last().at(1).toString(); }
    QList<CCheckedSend::Phase> phaseList() const
    {
        QList<CCheckedSend::Phase> list;
        for (const auto& args : phases) {
            const auto p = args.at(0).value<CCheckedSend::Phase>();
            if (list.isEmpty() || list.last() != p)
                list << p;
        }
        return list;
    }
    QByteArray held(sysex::MemoryArea area)
    {
        QByteArray bytes;
        device.emulator.withEmulator([&](CSynthEmulator& e) { bytes = e.dump(area); });
        return bytes;
    }

    CTapDevice device;
    SynthSettings synth;
    CCollectingReporter reporter;
    CMidi midi;
    CBulkTransfer bulk;
    CCheckedSend send;
    QSignalSpy finished;
    QSignalSpy phases;
    QTemporaryDir backups;
    QTemporaryDir files;
    int sends = 0;
};

// Patches first..last of the emulator's user memory, renamed, as a send carries them.
QByteArray renamedPatches(Rig& rig, int first, int last, const char* prefix = "NEW")
{
    const std::vector<Record> records = synthline::recordsOf(rig.held(sysex::MemoryArea::User));
    QByteArray stream;
    for (const Record& r : records) {
        if (r.area != sysex::kAreaUserPatch || r.number + 1 < first || r.number + 1 > last)
            continue;
        for (QByteArray m : r.messages) {
            if (m[sysex::kOffAddress + 2] == 0) {
                // A new name in the common block, and its checksum again.
                const QByteArray name = QStringLiteral("%1 %2").arg(QLatin1String(prefix)).arg(r.number + 1).toLatin1();
                for (int i = 0; i < 12; ++i)
                    m[sysex::kOffData + i] = i < name.size() ? name[i] : ' ';
                const auto* p = reinterpret_cast<const std::uint8_t*>(m.constData());
                m[m.size() - 2] =
                    static_cast<char>(sysex::checksum(int(m.size()) - sysex::kOffAddress - 2, p + sysex::kOffAddress));
            }
            stream += m;
        }
    }
    return stream;
}

QByteArray patchesOf(const QByteArray& dump, int first, int last)
{
    QByteArray out;
    for (const Record& r : synthline::recordsOf(dump))
        if (r.area == sysex::kAreaUserPatch && r.number + 1 >= first && r.number + 1 <= last)
            for (const QByteArray& m : r.messages)
                out += m;
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified = {})
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
    if (modified.isValid())
        QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

} // namespace

class TestCheckedSend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<CCheckedSend::Phase>();
        qRegisterMetaType<CCheckedSend::Outcome>();
    }
    void verifiedSendBacksUpFirst();
    void settingsChooseThePhases_data();
    void settingsChooseThePhases();
    void stopDuringTheBackupSendsNothing();
    void droppedRecordsAreSentAgain();
    void silentInstrumentLeavesTheSendUnverified_data();
    void silentInstrumentLeavesTheSendUnverified();
    void backupsListNewestFirst();
    void backupModelAndDevice_data();
    void backupModelAndDevice();
};

void TestCheckedSend::verifiedSendBacksUpFirst()
{
    Rig rig;
    const QByteArray before = rig.held(sysex::MemoryArea::User);
    const QByteArray stream = renamedPatches(rig, 12, 14);
    QSignalSpy backedUp(&rig.send, &CCheckedSend::backedUp);
    QSignalSpy progress(&rig.send, &CCheckedSend::backupProgress);
    QVERIFY(rig.run(stream, rig.options(true, true)));
    QCOMPARE(rig.outcome(), CCheckedSend::Outcome::Verified);
    QCOMPARE(rig.text(), QStringLiteral("Sent and verified 3 patches"));
    QCOMPARE(rig.phaseList(),
             (QList{CCheckedSend::Phase::Backup, CCheckedSend::Phase::Send, CCheckedSend::Phase::Verify}));
    QCOMPARE(progress.last().at(0).toInt(), 3);
    QCOMPARE(progress.last().at(1).toInt(), 3);
    // The backup holds what the emulator held there, byte for byte, under a dated name.
    QCOMPARE(backedUp.size(), 1);
    const QString path = backedUp.at(0).at(0).toString();
    QCOMPARE(rig.send.backupPath(), path);
    QVERIFY(QFileInfo(path).fileName().endsWith(QLatin1String(" User Patches.syx")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), patchesOf(before, 12, 14));
    QCOMPARE(patchesOf(rig.held(sysex::MemoryArea::User), 12, 14), stream);
    QVERIFY(!rig.send.isActive());
}

void TestCheckedSend::settingsChooseThePhases_data()
{
    QTest::addColumn<bool>("verify");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("phases"); // B backup, S send, V verify
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("text");
    QTest::newRow("both off") << false << false << "S" << int(CCheckedSend::Outcome::Sent) << "Sent 2 patches";
    QTest::newRow("verify only") << true << false << "SV" << int(CCheckedSend::Outcome::Verified)
                                 << "Sent and verified 2 patches";
    QTest::newRow("backup only") << false << true << "BS" << int(CCheckedSend::Outcome::Sent) << "Sent 2 patches";
}

void TestCheckedSend::settingsChooseThePhases()
{
    QFETCH(bool, verify);
    QFETCH(bool, backup);
    QFETCH(QString, phases);
    QFETCH(int, outcome);
    QFETCH(QString, text);
    Rig rig;
    QVERIFY(rig.run(renamedPatches(rig, 1, 2), rig.options(verify, backup)));
    QCOMPARE(int(rig.outcome()), outcome);
    QCOMPARE(rig.text(), text);
    QString seen;
    for (CCheckedSend::Phase p : rig.phaseList())
        seen += QLatin1Char("-BSV"[static_cast<int>(p)]);
    QCOMPARE(seen, phases);
    // Without a backup or a verification, the instrument is never asked.
    QCOMPARE(rig.device.count(isRequest) > 0, verify || backup);
    QCOMPARE(QDir(rig.backups.path()).entryList(QDir::Files).size(), backup ? 1 : 0);
    QCOMPARE(rig.device.count(isDataSet), 10); // two patches of five blocks, each sent once
}

void TestCheckedSend::stopDuringTheBackupSendsNothing()
{
    // Answers at the pace of a cable: the backup of 128 patches takes many seconds.
    Rig rig(SynthModel::Jv2080, kDevice, 3125);
    const QByteArray before = rig.held(sysex::MemoryArea::User);
    connect(&rig.send, &CCheckedSend::backupProgress, &rig.send, [&rig](int done, int) {
        if (done >= 16)
            rig.send.stop();
    });
    QVERIFY(rig.run(renamedPatches(rig, 1, 128), rig.options(true, true)));
    QCOMPARE(rig.outcome(), CCheckedSend::Outcome::Stopped);
    QCOMPARE(rig.text(), QStringLiteral("The backup was stopped; nothing was sent."));
    QCOMPARE(rig.phaseList(), QList{CCheckedSend::Phase::Backup});
    QCOMPARE(rig.device.count(isDataSet), 0);
    QCOMPARE(rig.held(sysex::MemoryArea::User), before);
    QVERIFY(QDir(rig.backups.path()).entryList(QDir::Files).isEmpty());
}

void TestCheckedSend::droppedRecordsAreSentAgain()
{
    Rig rig;
    // Every 6th data set of the send is lost: the common block of patch 2 (which the
    // new name changed) and tone blocks of patches 3 and 4 (which it did not).
    rig.device.dropEvery = 6;
    // The line is sound again for the resends.
    connect(&rig.send, &CCheckedSend::phaseChanged, &rig.send, [&rig](CCheckedSend::Phase phase) {
        if (phase == CCheckedSend::Phase::Verify)
            rig.device.dropEvery = 0;
    });
    const QByteArray stream = renamedPatches(rig, 1, 4);
    QVERIFY(rig.run(stream, rig.options(true, false)));
    QCOMPARE(rig.outcome(), CCheckedSend::Outcome::Verified);
    QCOMPARE(rig.text(), QStringLiteral("Sent and verified 4 patches (sent again: Patch 2)"));
    QCOMPARE(patchesOf(rig.held(sysex::MemoryArea::User), 1, 4), stream);
    QCOMPARE(rig.device.dropped.size(), std::size_t(3));
}

void TestCheckedSend::silentInstrumentLeavesTheSendUnverified_data()
{
    QTest::addColumn<bool>("card");
    QTest::newRow("user memory, another device ID") << false;
    QTest::newRow("card memory, no card") << true;
}

void TestCheckedSend::silentInstrumentLeavesTheSendUnverified()
{
    QFETCH(bool, card);
    // On another device ID the emulator hears nothing of ours; without a card it
    // neither stores nor answers card memory.
    Rig rig(SynthModel::Jv2080, card ? kDevice : kDevice + 1);
    QByteArray stream = renamedPatches(rig, 5, 5);
    if (card) {
        for (qsizetype at = stream.indexOf(char(sysex::kStart)); at >= 0;
             at = stream.indexOf(char(sysex::kStart), at + 1)) {
            stream[at + sysex::kOffAddress] = char(sysex::kAreaCardPatch);
            const int end = int(stream.indexOf(char(sysex::kEnd), at));
            const auto* p = reinterpret_cast<const std::uint8_t*>(stream.constData() + at);
            stream[end - 1] = char(sysex::checksum(end - 1 - int(at) - sysex::kOffAddress, p + sysex::kOffAddress));
        }
    }
    // The backup cannot be made: asked whether to send without one, "No" sends nothing.
    QStringList reasons;
    CCheckedSend::Options refuse = rig.options(true, true);
    refuse.sendWithoutBackup = [&](const QString& reason) {
        reasons << reason;
        return false;
    };
    QVERIFY(rig.run(stream, refuse));
    QCOMPARE(rig.outcome(), CCheckedSend::Outcome::Failed);
    QCOMPARE(reasons.size(), 1);
    QVERIFY(reasons[0].contains(QLatin1String("did not answer the backup's requests; nothing was sent")));
    QCOMPARE(rig.device.count(isDataSet), 0);
    // "Yes" sends; the read-back finds no answer and says so.
    CCheckedSend::Options accept = refuse;
    accept.sendWithoutBackup = [](const QString&) { return true; };
    QVERIFY(rig.run(stream, accept));
    QCOMPARE(rig.outcome(), CCheckedSend::Outcome::Unverified);
    QVERIFY2(rig.text().startsWith(QLatin1String("Sent 1 patch; not verified: the synthesizer did not answer")),
             qPrintable(rig.text()));
    QCOMPARE(rig.text().contains(QLatin1String("that a card is inserted")), card);
    QCOMPARE(rig.device.count(isDataSet), 5);
    // Without a verification a card send says it was not read back.
    QVERIFY(rig.run(stream, rig.options(false, false)));
    QCOMPARE(rig.outcome(), CCheckedSend::Outcome::Sent);
    QCOMPARE(rig.text().contains(QLatin1String("not read back")), card);
}

void TestCheckedSend::backupsListNewestFirst()
{
    QTemporaryDir dir;
    Rig rig(SynthModel::Xp);
    const QByteArray patches = patchesOf(rig.held(sysex::MemoryArea::User), 1, 3);
    const QDateTime old = QDateTime::currentDateTime().addDays(-1);
    writeFile(dir.filePath(QStringLiteral("2026-12-08 14-05 User Patches.syx")), patches, old);
    writeFile(dir.filePath(QStringLiteral("2026-12-08 14-05 User Patches (2).syx")), patches.left(400), old.addSecs(5));
    writeFile(dir.filePath(QStringLiteral("2025-01-31 09-00 User Patches.syx")), patches);
    writeFile(dir.filePath(QStringLiteral("mine.syx")), QByteArray());
    writeFile(dir.filePath(QStringLiteral("notes.txt")), "not a backup");
    const auto entries = backups::list(dir.path());
    QStringList names;
    for (const auto& e : entries)
        names << QFileInfo(e.path).fileName();
    // By the date in the name; within a minute by the file's time; a name without a
    // date by its file's time (now: the newest).
    QCOMPARE(names, (QStringList{"mine.syx", "2026-12-08 14-05 User Patches (2).syx",
                                 "2026-12-08 14-05 User Patches.syx", "2025-01-31 09-00 User Patches.syx"}));
    QCOMPARE(entries[2].title, QStringLiteral("User Patches"));
    QCOMPARE(entries[1].title, QStringLiteral("User Patches"));
    QCOMPARE(entries[2].contents, QStringLiteral("3 patches"));
    QCOMPARE(entries[2].model, std::optional<SynthModel>(SynthModel::Xp));
    QCOMPARE(entries[2].size, patches.size());
    QCOMPARE(entries[2].when, QDateTime(QDate(2026, 12, 8), QTime(14, 5)));
    QCOMPARE(entries[0].contents, QStringLiteral("nothing"));
    QCOMPARE(backups::modelText(entries[0].model), QStringLiteral("Any"));
    QString error;
    QVERIFY(backups::remove(entries[3].path, &error));
    QCOMPARE(backups::list(dir.path()).size(), std::size_t(3));
    QVERIFY(!backups::remove(entries[3].path, &error));
    QVERIFY(error.contains(QLatin1String("could not be deleted")));
}

void TestCheckedSend::backupModelAndDevice_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::newRow("JV-1080") << SynthModel::Jv1080;
    QTest::newRow("JV-2080") << SynthModel::Jv2080;
    QTest::newRow("XP") << SynthModel::Xp;
}

void TestCheckedSend::backupModelAndDevice()
{
    QFETCH(SynthModel, model);
    CEmulatorDevice device(model, kDevice, 0);
    QByteArray dump;
    device.withEmulator([&](CSynthEmulator& e) { dump = e.dump(sysex::MemoryArea::User); });
    QCOMPARE(backups::modelOf(dump), std::optional<SynthModel>(model));
    // Performances alone tell too; rhythm sets alone do not.
    QByteArray performance;
    QByteArray rhythm;
    for (const Record& r : synthline::recordsOf(dump)) {
        if (r.area != sysex::kAreaUserPerformance)
            continue;
        for (const QByteArray& m : r.messages)
            (r.number < sysex::kRhythmSetBase ? performance : rhythm) += m;
    }
    QCOMPARE(backups::modelOf(performance), std::optional<SynthModel>(model));
    QCOMPARE(backups::modelOf(rhythm), std::nullopt);
    // Sent back to an instrument on another ID: only the device byte changes, and the
    // emulator there takes it.
    const QByteArray moved = backups::forDevice(performance, 0x13);
    QCOMPARE(moved.size(), performance.size());
    QCOMPARE(synthline::recordsOf(moved).size(), synthline::recordsOf(performance).size());
    int differing = 0;
    for (qsizetype i = 0; i < moved.size(); ++i)
        differing += moved[i] != performance[i];
    QCOMPARE(differing, int(synthline::recordsOf(performance).size()) * 17); // common and 16 parts
    QCOMPARE(moved[sysex::kOffDevice], char(0x13));
}

QTEST_GUILESS_MAIN(TestCheckedSend)
#include "tst_checkedsend.moc"
