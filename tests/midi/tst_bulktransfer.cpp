#include "bank/ToneloomDoc.h"
#include "emulator/EmulatorDevice.h"
#include "emulator/SynthEmulator.h"
#include "midi/BulkTransfer.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "model/Reporter.h"

#include <QBuffer>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(SynthModel)

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBulkTransfer : public QObject
{
    Q_OBJECT

private slots:
    void requestsCarryTheDeviceId_data();
    void requestsCarryTheDeviceId();
    void emulatorAnswersNamedRequests_data();
    void emulatorAnswersNamedRequests();
    void emulatorIgnoresForeignMessages_data();
    void emulatorIgnoresForeignMessages();
    void emulatorAppliesDataSets();
    void emulatorMemorySoundsLikeABank();
    void receiveCompletesAtTheExpectedSize_data();
    void receiveCompletesAtTheExpectedSize();
    void emulatorFollowsTheChosenSynthesizer();
    void manualReceiveOpensOnlyWhenDataCame();
    void manualReceiveStartsAtARecord();
    void sendArrivesComplete_data();
    void sendArrivesComplete();
    void stoppedSendEndsCleanly();
    void receiveReplacesTheTargetOnlyWhenWhole_data();
    void receiveReplacesTheTargetOnlyWhenWhole();
    void stoppedDumpStaysOutOfTheNextReceive();
    void foreignMessagesAreCountedApart();
    void dumpOfAnotherModelEndsTheReceive();
    void abortedManualReceiveKeepsWhatArrived();
    void receiveKeepsTheTargetsModeAndLinks();
    void receiveIntoAFifoIsRefused();
    void noByteNoticeNamesTheLikelyCauses_data();
    void noByteNoticeNamesTheLikelyCauses();

private:
    struct Rig;
};

// The in-program emulator and the engine around it, for receives.
struct TestBulkTransfer::Rig
{
    Rig(SynthModel model, std::uint8_t deviceId, int answerRate, SynthSettings synth, int quietTime = 0)
        : device(model, deviceId, answerRate), settings(synth), midi(device, reporter, midiSettings(quietTime)),
          transfer(midi, settings), finished(&transfer, &CBulkTransfer::finished)
    {
        device.withEmulator([](CSynthEmulator& e) { e.setCardInserted(true); });
    }
    static CMidiSettings midiSettings(int quietTime)
    {
        CMidiSettings s;
        s.sendRate = 0;
        s.quietTime = quietTime;
        return s;
    }
    CBulkTransfer::Outcome outcome(int i = -1) const
    {
        return (i < 0 ? finished.last() : finished.at(i)).at(0).value<CBulkTransfer::Outcome>();
    }
    CEmulatorDevice device;
    SynthSettings settings;
    CCollectingReporter reporter;
    CMidi midi;
    CBulkTransfer transfer;
    QSignalSpy finished;
};

void TestBulkTransfer::requestsCarryTheDeviceId_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("device");
    QTest::newRow("All, device 17") << 2 << 0x10;
    QTest::newRow("All Card Performances, device 20") << 4 << 0x13;
    QTest::newRow("Temporary Rhythm, device 32") << 8 << 0x1F;
}

void TestBulkTransfer::requestsCarryTheDeviceId()
{
    QFETCH(int, request);
    QFETCH(int, device);
    const QByteArray bytes = CBulkTransfer::requestBytes(request, static_cast<std::uint8_t>(device));
    QByteArray text = HexTextToBytes(sysex::kNamedRequests[static_cast<std::size_t>(request)].message);
    QCOMPARE(bytes.size(), sysex::kRequestSize);
    QCOMPARE(static_cast<int>(static_cast<std::uint8_t>(bytes[2])), device);
    text[2] = static_cast<char>(device);
    QCOMPARE(bytes, text);
    QCOMPARE(CBulkTransfer::findRequest("all-card_performances"), 4);
    QCOMPARE(CBulkTransfer::findRequest("Everything"), -1);
}

void TestBulkTransfer::emulatorAnswersNamedRequests_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<int>("request");
    QTest::addColumn<bool>("card");
    QTest::addColumn<long>("total"); // bytes of the whole answer
    const SynthModel models[] = {SynthModel::Jv1080, SynthModel::Jv2080, SynthModel::Xp};
    for (SynthModel m : models) {
        for (int r = 0; r < sysex::kNamedRequestCount; ++r) {
            const bool card = r >= 3 && r <= 5;
            // Every request, "All Card Performances" included, is answered with exactly
            // the data the receive waits for: nothing runs on into the next receive.
            const long total = CBulkTransfer::expectedSize(r, m);
            QTest::addRow("%s %s", modelName(m), sysex::kNamedRequests[static_cast<std::size_t>(r)].name)
                << m << r << card << total;
        }
    }
}

void TestBulkTransfer::emulatorAnswersNamedRequests()
{
    QFETCH(SynthModel, model);
    QFETCH(int, request);
    QFETCH(bool, card);
    QFETCH(long, total);
    CSynthEmulator emulator(model, 0x11);
    emulator.setCardInserted(card);
    std::vector<QByteArray> answers;
    emulator.receive(CBulkTransfer::requestBytes(request, 0x11), answers);
    long sum = 0;
    long expected = CBulkTransfer::expectedSize(request, model);
    bool boundary = false;
    quint32 last = 0;
    for (const auto& a : answers) {
        sum += a.size();
        boundary = boundary || sum == expected;
        QCOMPARE(static_cast<int>(static_cast<std::uint8_t>(a[2])), 0x11);
        const quint32 address =
            CSynthEmulator::linear({static_cast<std::uint8_t>(a[5]), static_cast<std::uint8_t>(a[6]),
                                    static_cast<std::uint8_t>(a[7]), static_cast<std::uint8_t>(a[8])});
        QVERIFY(address >= last); // address order
        last = address;
    }
    QCOMPARE(sum, total);
    QVERIFY(boundary);
}

void TestBulkTransfer::emulatorIgnoresForeignMessages_data()
{
    QTest::addColumn<QByteArray>("message");
    const QByteArray good = CBulkTransfer::requestBytes(6, 0x10);
    QByteArray otherDevice = good;
    otherDevice[2] = 0x11;
    QByteArray badChecksum = good;
    badChecksum[13] = static_cast<char>(badChecksum[13] ^ 1);
    QByteArray otherModel = good;
    otherModel[3] = 0x6B;
    QTest::newRow("another device ID") << otherDevice;
    QTest::newRow("wrong checksum") << badChecksum;
    QTest::newRow("another model") << otherModel;
    QTest::newRow("cut short") << good.left(10);
    QTest::newRow("note on") << QByteArray::fromHex("903C40");
    QTest::newRow("data byte with the top bit") << QByteArray::fromHex("F0411060126A0300000080FDF7");
}

void TestBulkTransfer::emulatorIgnoresForeignMessages()
{
    QFETCH(QByteArray, message);
    CSynthEmulator emulator;
    const QByteArray before = emulator.dump(sysex::MemoryArea::User);
    std::vector<QByteArray> answers;
    emulator.receive(message, answers);
    QVERIFY(answers.empty());
    QCOMPARE(emulator.ignoredMessages(), 1);
    QCOMPARE(emulator.dump(sysex::MemoryArea::User), before);
}

void TestBulkTransfer::emulatorAppliesDataSets()
{
    CSynthEmulator emulator(SynthModel::Jv2080, 0x10);
    std::vector<QByteArray> answers;
    // A single parameter past the first 128 bytes of tone 3 of user patch 5: offset 128.
    const sysex::Address toneEnd{0x11, 0x05, 0x17, 0x00};
    emulator.receive(sysex::makeDataSet(0x10, toneEnd, QByteArray(1, 0x55)), answers);
    QCOMPARE(emulator.blockData(sysex::patchAddress(sysex::MemoryArea::User, 5, 3)).at(128), char(0x55));
    // A whole block of the temporary patch.
    const QByteArray common(74, 0x21);
    emulator.receive(sysex::makeDataSet(0x10, sysex::patchAddress(sysex::MemoryArea::Temporary, 0), common), answers);
    QCOMPARE(emulator.blockData(sysex::patchAddress(sysex::MemoryArea::Temporary, 0)), common);
    // Card memory takes data only with a card inserted.
    const auto cardPerf = sysex::performanceAddress(sysex::MemoryArea::Card, 3, 15);
    const QByteArray part(26, 0x07);
    emulator.receive(sysex::makeDataSet(0x10, cardPerf, part), answers);
    QVERIFY(emulator.blockData(cardPerf) != part);
    emulator.setCardInserted(true);
    emulator.receive(sysex::makeDataSet(0x10, cardPerf, part), answers);
    QCOMPARE(emulator.blockData(cardPerf), part);
    // A system mode byte.
    emulator.receive(sysex::makeDataSet(0x10, sysex::systemModeAddress(), QByteArray(1, 0x01)), answers);
    QCOMPARE(emulator.blockData(sysex::systemModeAddress()), QByteArray(1, 0x01));
    QVERIFY(answers.empty());
    QCOMPARE(emulator.appliedMessages(), 5); // valid messages, the one for the absent card included
}

void TestBulkTransfer::emulatorMemorySoundsLikeABank()
{
    CSynthEmulator emulator(SynthModel::Xp, 0x10);
    QBuffer bank;
    bank.setData(emulator.dump(sysex::MemoryArea::User));
    bank.open(QIODevice::ReadOnly);
    CCollectingReporter reporter;
    SynthSettings settings{SynthModel::Xp, 0x10};
    CToneloomDoc document(settings, reporter);
    QVERIFY(document.readBank(bank));
    std::set<QString> names;
    for (int i = 0; i < CPatchArray::kCount; ++i)
        names.insert(document.patches().name(i));
    QCOMPARE(static_cast<int>(names.size()), CPatchArray::kCount);
    QVERIFY(!names.count(QStringLiteral("INIT PATCH  ")));
    // Loading the bank back gives the same memory.
    CSynthEmulator other(SynthModel::Xp, 0x10);
    bank.seek(0);
    QVERIFY(other.loadBank(bank, sysex::MemoryArea::Card));
    QVERIFY(other.cardInserted());
    QByteArray card = other.dump(sysex::MemoryArea::Card);
    QByteArray user = emulator.dump(sysex::MemoryArea::User);
    QCOMPARE(card.size(), user.size());
    QCOMPARE(card.size(), static_cast<qsizetype>(CBulkTransfer::expectedSize(2, SynthModel::Xp)));
}

void TestBulkTransfer::receiveCompletesAtTheExpectedSize_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<int>("request");
    for (SynthModel m : {SynthModel::Jv1080, SynthModel::Jv2080, SynthModel::Xp}) {
        for (int r : {2, 4, 5, 7})
            QTest::addRow("%s %s", modelName(m), sysex::kNamedRequests[static_cast<std::size_t>(r)].name) << m << r;
    }
}

void TestBulkTransfer::receiveCompletesAtTheExpectedSize()
{
    QFETCH(SynthModel, model);
    QFETCH(int, request);
    QTemporaryDir dir;
    const SynthSettings settings{model, 0x12};
    CEmulatorDevice device(model, 0x12, 0);
    device.withEmulator([](CSynthEmulator& e) { e.setCardInserted(true); });
    CCollectingReporter reporter;
    CMidiSettings midiSettings;
    midiSettings.sendRate = 0;
    midiSettings.quietTime = 0;
    CMidi midi(device, reporter, midiSettings);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    const QString path = dir.filePath("dump.syx");
    QVERIFY(transfer.startReceive(path, request));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Completed);
    QCOMPARE(finished.first().at(1).toBool(), true);
    const QByteArray file = readAll(path);
    QCOMPARE(static_cast<long>(file.size()), CBulkTransfer::expectedSize(request, model));
    if (request == 2) {
        QByteArray memory;
        device.withEmulator([&](CSynthEmulator& e) { memory = e.dump(sysex::MemoryArea::User); });
        QCOMPARE(file, memory);
    }
    QVERIFY(reporter.texts().isEmpty());
}

// Choosing another model or device ID makes the built-in emulator that synthesizer,
// with the memory it had: a receive under the new settings completes.
void TestBulkTransfer::emulatorFollowsTheChosenSynthesizer()
{
    QTemporaryDir dir;
    CEmulatorDevice device(SynthModel::Jv1080, 0x10, 0);
    QByteArray before;
    device.withEmulator([&](CSynthEmulator& e) { before = e.dump(sysex::MemoryArea::User); });
    device.reconfigure(SynthModel::Jv2080, 0x13);
    const SynthSettings settings{SynthModel::Jv2080, 0x13};
    CCollectingReporter reporter;
    CMidiSettings midiSettings;
    midiSettings.sendRate = 0;
    midiSettings.quietTime = 0;
    CMidi midi(device, reporter, midiSettings);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    const QString path = dir.filePath("dump.syx");
    QVERIFY(transfer.startReceive(path, 2));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Completed);
    QCOMPARE(readAll(path).size(), qsizetype(112910));
    // The same bank, now in the JV-2080 layout.
    CToneloomDoc old(SynthSettings{SynthModel::Jv1080, 0x10}, reporter);
    CToneloomDoc now(SynthSettings{SynthModel::Jv1080, 0x10}, reporter);
    QBuffer a;
    a.setData(before);
    a.open(QIODevice::ReadOnly);
    QVERIFY(old.readBank(a));
    QVERIFY(now.OnOpenDocument(path));
    for (int i = 0; i < CPatchArray::kCount; ++i)
        QCOMPARE(now.patches().name(i), old.patches().name(i));
    QCOMPARE(now.performances().name(31), old.performances().name(31));
}

void TestBulkTransfer::manualReceiveOpensOnlyWhenDataCame()
{
    QTemporaryDir dir;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CEmulatorDevice device(SynthModel::Jv2080, 0x10, 0);
    CCollectingReporter reporter;
    CMidi midi(device, reporter);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    QVERIFY(transfer.startReceive(dir.filePath("a.syx"), CBulkTransfer::kManual));
    QCOMPARE(transfer.mode(), CBulkTransfer::Mode::ReceivingManual);
    transfer.stop();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Stopped);
    QCOMPARE(finished.first().at(1).toBool(), false);

    // A temporary patch dumped from the instrument: Stop opens the file.
    QVERIFY(transfer.startReceive(dir.filePath("b.syx"), CBulkTransfer::kManual));
    midi.SendLong(CBulkTransfer::requestBytes(6, 0x10));
    QTRY_COMPARE(midi.bytesReceivedCount(), 645L);
    transfer.stop();
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.last().at(1).toBool(), true);
    QCOMPARE(readAll(dir.filePath("b.syx")).size(), 645);
}

// The rest of a dump still arriving (tones 2 to 4 of patch 52, then patch 53): the
// recording begins with patch 53, and the user is told how much went before it.
void TestBulkTransfer::manualReceiveStartsAtARecord()
{
    QTemporaryDir dir;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CEmulatorDevice device(SynthModel::Jv2080, 0x10, 0);
    CCollectingReporter reporter;
    CMidi midi(device, reporter);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    const QString path = dir.filePath("tail.syx");
    QVERIFY(transfer.startReceive(path, CBulkTransfer::kManual));
    const sysex::Address from = sysex::patchAddress(sysex::MemoryArea::User, 51, 1);
    const sysex::Address to = sysex::patchAddress(sysex::MemoryArea::User, 53);
    midi.SendLong(sysex::makeRequest(0x10, from,
                                     sysex::addressFromLinear(sysex::linearAddress(to) - sysex::linearAddress(from))));
    QTRY_COMPARE(midi.bytesReceivedCount(), 645L);
    QTest::qWait(200);
    transfer.stop();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(1).toBool(), true);
    const QByteArray bytes = readAll(path);
    QCOMPARE(bytes.size(), 645);
    QCOMPARE(bytes.left(9), QByteArray::fromHex("F041106A1211340000"));
    QVERIFY2(reporter.texts().join(' ').contains("The first 420 bytes that arrived continue items"),
             qPrintable(reporter.texts().join(' ')));
}

void TestBulkTransfer::sendArrivesComplete_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<bool>("card");
    QTest::newRow("JV-1080 user") << SynthModel::Jv1080 << false;
    QTest::newRow("JV-2080 card") << SynthModel::Jv2080 << true;
    QTest::newRow("XP card") << SynthModel::Xp << true;
}

void TestBulkTransfer::sendArrivesComplete()
{
    QFETCH(SynthModel, model);
    QFETCH(bool, card);
    QTemporaryDir dir;
    const SynthSettings settings{model, 0x15};
    CCollectingReporter reporter;
    CToneloomDoc document(settings, reporter);
    for (int i = 0; i < CPatchArray::kCount; ++i)
        document.patches().SetName(i, QStringLiteral("Sent %1      ").arg(i, 3).left(12).toLatin1().constData());
    CEmulatorDevice device(model, 0x15, 0);
    device.withEmulator([](CSynthEmulator& e) { e.setCardInserted(true); });
    CMidiSettings midiSettings;
    midiSettings.sendRate = 0;
    midiSettings.sendPause = 0;
    CMidi midi(device, reporter, midiSettings);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    const QString sendPath = dir.filePath(CBulkTransfer::kSendFileName);
    const auto area = card ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    QVERIFY(document.SaveForSend(CToneloomDoc::kSaveAll, area, settings.deviceId, sendPath));
    QVERIFY(transfer.startSend(sendPath));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Completed);
    const QByteArray sent = readAll(sendPath);
    QCOMPARE(static_cast<long>(sent.size()), CBulkTransfer::expectedSize(2, model));
    QCOMPARE(midi.bytesSentCount(), static_cast<long>(sent.size()));
    QByteArray memory;
    device.withEmulator([&](CSynthEmulator& e) { memory = e.dump(area); });
    QCOMPARE(memory, sent);
    QVERIFY(reporter.texts().isEmpty());
}

void TestBulkTransfer::stoppedSendEndsCleanly()
{
    QTemporaryDir dir;
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CCollectingReporter reporter;
    CToneloomDoc document(settings, reporter);
    CEmulatorDevice device;
    CMidiSettings midiSettings;
    midiSettings.sendRate = 200000; // about half a second for the patches
    midiSettings.sendPause = 0;
    CMidi midi(device, reporter, midiSettings);
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    const QString sendPath = dir.filePath(CBulkTransfer::kSendFileName);
    QVERIFY(document.SaveForSend(ItemKind::Patches, sysex::MemoryArea::User, settings.deviceId, sendPath));
    QVERIFY(transfer.startSend(sendPath));
    QTRY_VERIFY(midi.bytesSentCount() > 0);
    transfer.stop();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Stopped);
    QVERIFY(!midi.isSending());
    const long stoppedAt = midi.bytesSentCount();
    QVERIFY(stoppedAt < CBulkTransfer::expectedSize(0, SynthModel::Jv2080));
    QTest::qWait(50);
    QCOMPARE(midi.bytesSentCount(), stoppedAt);
    QCOMPARE(finished.count(), 1);
    QVERIFY(reporter.texts().isEmpty());
}

void TestBulkTransfer::receiveReplacesTheTargetOnlyWhenWhole_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("deviceId"); // of the synthesizer; the receive asks device 17
    QTest::addColumn<bool>("stopEarly");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<bool>("kept");
    QTest::newRow("complete") << 6 << 0x10 << false << int(CBulkTransfer::Outcome::Completed) << true << false;
    QTest::newRow("stopped during the dump")
        << 2 << 0x10 << true << int(CBulkTransfer::Outcome::Stopped) << false << true;
    QTest::newRow("nothing from another device")
        << 6 << 0x11 << true << int(CBulkTransfer::Outcome::Stopped) << false << false;
    QTest::newRow("manual stopped after data")
        << CBulkTransfer::kManual << 0x10 << true << int(CBulkTransfer::Outcome::Stopped) << true << false;
}

// The file chosen for a receive keeps its contents until a whole dump replaces them;
// what a stopped receive got is kept under a name of its own, named in the message.
void TestBulkTransfer::receiveReplacesTheTargetOnlyWhenWhole()
{
    QFETCH(int, request);
    QFETCH(int, deviceId);
    QFETCH(bool, stopEarly);
    QFETCH(int, outcome);
    QFETCH(bool, replaced);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString target = dir.filePath("bank.syx");
    const QByteArray old("a good bank");
    QFile f(target);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(old);
    f.close();
    Rig rig(SynthModel::Jv2080, std::uint8_t(deviceId), 20000, {SynthModel::Jv2080, 0x10});
    QVERIFY(rig.transfer.startReceive(target, request));
    if (request == CBulkTransfer::kManual)
        rig.midi.SendLong(CBulkTransfer::requestBytes(6, 0x10)); // as if the dump were started on the synth
    if (stopEarly) {
        if (deviceId == 0x10)
            QTRY_VERIFY(rig.midi.bytesReceivedCount() > 300);
        else
            QTest::qWait(300);
        if (request == CBulkTransfer::kManual)
            QTRY_COMPARE(rig.midi.bytesReceivedCount(), 645L);
        rig.transfer.stop();
    }
    QVERIFY(rig.finished.count() == 1 || rig.finished.wait(10000));
    QCOMPARE(int(rig.outcome()), outcome);
    QCOMPARE(rig.finished.last().at(1).toBool(), replaced);
    const long got = rig.midi.bytesReceivedCount();
    QCOMPARE(readAll(target) == old, !replaced);
    if (replaced)
        QCOMPARE(readAll(target).size(), qsizetype(got));
    QVERIFY(!QFile::exists(CBulkTransfer::receivingPath(target)));
    const QString incomplete = dir.filePath("bank-incomplete.syx");
    QCOMPARE(QFile::exists(incomplete), kept);
    QCOMPARE(rig.transfer.keptPath(), kept ? incomplete : QString());
    if (kept) {
        QCOMPARE(readAll(incomplete).size(), qsizetype(got));
        QCOMPARE(rig.reporter.texts(),
                 QStringList{QStringLiteral("The dump was not completed. The %1 bytes that "
                                            "arrived are kept in \"%2\"; \"%3\" is unchanged.")
                                 .arg(got)
                                 .arg(QDir::toNativeSeparators(incomplete), QDir::toNativeSeparators(target))});
        // A second one does not overwrite the first.
        QCOMPARE(CBulkTransfer::incompletePath(target), dir.filePath("bank-incomplete-2.syx"));
    } else {
        QVERIFY(rig.reporter.texts().isEmpty());
    }
}

// The instrument sends the rest of a stopped dump; a new request waits until it has
// passed, so the new file holds only its own answer.
void TestBulkTransfer::stoppedDumpStaysOutOfTheNextReceive()
{
    QTemporaryDir dir;
    Rig rig(SynthModel::Jv2080, 0x10, 31250, {SynthModel::Jv2080, 0x10}, 300);
    QVERIFY(rig.transfer.startReceive(dir.filePath("all.syx"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(rig.midi.bytesReceivedCount() > 5000, 10000);
    rig.transfer.stop();
    const QString next = dir.filePath("temp.syx");
    QVERIFY(rig.transfer.startReceive(next, 6));
    QVERIFY(rig.finished.wait(20000));
    QCOMPARE(rig.outcome(), CBulkTransfer::Outcome::Completed);
    QByteArray expected;
    rig.device.withEmulator([&](CSynthEmulator& e) {
        std::vector<QByteArray> answers;
        e.receive(CBulkTransfer::requestBytes(6, 0x10), answers);
        for (const QByteArray& a : answers)
            expected += a;
    });
    QCOMPARE(readAll(next), expected);
    QCOMPARE(rig.midi.otherBytesCount(), 0L);
}

// A message that answers nothing arrives before the answer (the synth echoes what
// it got through a merger): the receive completes at the answer's size and says so.
void TestBulkTransfer::foreignMessagesAreCountedApart()
{
    QTemporaryDir dir;
    CLoopbackDevice device;
    CSynthEmulator emulator(SynthModel::Jv2080, 0x10);
    QByteArray answer;
    device.setHandler([&](const QByteArray& message) {
        std::vector<QByteArray> answers;
        emulator.receive(message, answers);
        if (answers.empty())
            return;
        device.inject(CBulkTransfer::requestBytes(6, 0x11));
        for (const QByteArray& a : answers) {
            answer += a;
            device.inject(a);
        }
    });
    CCollectingReporter reporter;
    CMidi midi(device, reporter, Rig::midiSettings(0));
    const SynthSettings settings{SynthModel::Jv2080, 0x10};
    CBulkTransfer transfer(midi, settings);
    QSignalSpy finished(&transfer, &CBulkTransfer::finished);
    const QString target = dir.filePath("t.syx");
    QVERIFY(transfer.startReceive(target, 6));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.last().at(0).value<CBulkTransfer::Outcome>(), CBulkTransfer::Outcome::Completed);
    QCOMPARE(readAll(target), answer);
    QCOMPARE(answer.size(), 645);
    QCOMPARE(reporter.texts(), QStringList{"The synthesizer also sent 15 bytes that do not answer the request; they "
                                           "were not recorded."});
}

// A JV-2080 answers with more than an XP would: the receive ends with a message
// instead of waiting for a size it can never equal.
void TestBulkTransfer::dumpOfAnotherModelEndsTheReceive()
{
    QTemporaryDir dir;
    Rig rig(SynthModel::Jv2080, 0x10, 0, {SynthModel::Xp, 0x10});
    const QString target = dir.filePath("xp.syx");
    QVERIFY(rig.transfer.startReceive(target, 6));
    QVERIFY(rig.finished.wait(10000));
    QCOMPARE(rig.outcome(), CBulkTransfer::Outcome::Failed);
    QCOMPARE(rig.finished.last().at(1).toBool(), false);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(rig.reporter.texts().value(0),
             QStringLiteral("The synthesizer sent more than the 644 bytes this request gives under the chosen model "
                            "(645 so far); check the synthesizer model in the MIDI settings."));
    QCOMPARE(rig.transfer.keptPath(), dir.filePath("xp-incomplete.syx"));
}

// An interruption is no end of a manual dump: what came is kept apart, the target stays.
void TestBulkTransfer::abortedManualReceiveKeepsWhatArrived()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("bank.syx");
    QFile f(target);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old bank");
    f.close();
    Rig rig(SynthModel::Jv2080, 0x10, 20000, {SynthModel::Jv2080, 0x10});
    QVERIFY(rig.transfer.startReceive(target, CBulkTransfer::kManual));
    rig.midi.SendLong(CBulkTransfer::requestBytes(6, 0x10)); // as if the dump were started on the synth
    QTRY_COMPARE(rig.midi.bytesReceivedCount(), 645L);
    rig.transfer.abort();
    QVERIFY(rig.finished.count() == 1 || rig.finished.wait(10000));
    QCOMPARE(rig.outcome(), CBulkTransfer::Outcome::Stopped);
    QCOMPARE(rig.finished.last().at(1).toBool(), false);
    QCOMPARE(readAll(target), QByteArray("old bank"));
    QCOMPARE(rig.transfer.keptPath(), dir.filePath("bank-incomplete.syx"));
    QCOMPARE(readAll(rig.transfer.keptPath()).size(), 645);
}

// The received dump takes the target's place as every file is written: with its mode,
// and with its other hard links still seeing it.
void TestBulkTransfer::receiveKeepsTheTargetsModeAndLinks()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("bank.syx");
    const QString second = dir.filePath("same bank.syx");
    QFile f(target);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old bank");
    f.close();
    QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(second).constData()), 0);
    Rig rig(SynthModel::Jv2080, 0x10, 0, {SynthModel::Jv2080, 0x10});
    QVERIFY(rig.transfer.startReceive(target, 6));
    QVERIFY(rig.finished.wait(10000));
    QCOMPARE(rig.outcome(), CBulkTransfer::Outcome::Completed);
    QCOMPARE(readAll(target).size(), 645);
    QCOMPARE(readAll(second), readAll(target));
    struct stat info
    {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
}

void TestBulkTransfer::receiveIntoAFifoIsRefused()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.syx");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    Rig rig(SynthModel::Jv2080, 0x10, 0, {SynthModel::Jv2080, 0x10});
    QVERIFY(!rig.transfer.startReceive(fifo, 6));
    QCOMPARE(rig.reporter.texts(), QStringList{QStringLiteral("Cannot receive into \"%1\": it is a FIFO, not a regular "
                                                              "file")
                                                   .arg(QDir::toNativeSeparators(fifo))});
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::System).size() == 1);
}

void TestBulkTransfer::noByteNoticeNamesTheLikelyCauses_data()
{
    QTest::addColumn<QString>("request"); // empty: a manual receive
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QStringList>("notSaid");

    const QStringList line{"has not answered for 10 seconds; still waiting (Stop ends the receive)", "device ID",
                           "not crossed", "\"Rx Exclusive\""};
    QTest::newRow("user memory") << "All Patches" << 0 << line << QStringList{"card"};
    QTest::newRow("card memory") << "All Card Performances" << 0
                                 << line + QStringList{"A card request needs a card in the synthesizer's card slot."}
                                 << QStringList{};
    QTest::newRow("manual") << QString() << 0
                            << QStringList{"Nothing has arrived for 10 seconds", "Start the bulk dump"}
                            << QStringList{"device ID", "card"};
    QTest::newRow("stalled") << "All Card" << 2048
                             << QStringList{"Nothing more has arrived for 10 seconds after 2048 bytes"}
                             << QStringList{"device ID", "card slot"};
}

void TestBulkTransfer::noByteNoticeNamesTheLikelyCauses()
{
    QFETCH(QString, request);
    QFETCH(int, bytes);
    QFETCH(QStringList, said);
    QFETCH(QStringList, notSaid);
    const int selection = request.isEmpty() ? CBulkTransfer::kManual : CBulkTransfer::findRequest(request);
    QVERIFY(request.isEmpty() || selection >= 0);
    const QString text = CBulkTransfer::noByteText(selection, CMidiSettings::kNoByteNotice, bytes);
    for (const QString& part : said)
        QVERIFY2(text.contains(part), qPrintable(text));
    for (const QString& part : notSaid)
        QVERIFY2(!text.contains(part), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestBulkTransfer)
#include "tst_bulktransfer.moc"
