// The search for a synthesizer, the read-back that verifies a send and the backups,
// over the built-in emulator device (no MIDI system needed).

#include "QuickRead.h"
#include "emulator/EmulatorDevice.h"
#include "midi/SendCheck.h"
#include "midi/SynthLine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SynthModel)

namespace {

using synthline::Record;

using quickline::kDevice;
using quickline::quickRead;

// A patch record of user memory holding only its common block, every byte fill.
Record patch(int number, char fill = 0x05, SynthModel model = SynthModel::Jv2080)
{
    const QByteArray data(sysex::blockDataSize(model, sysex::Block::PatchCommon), fill);
    Record r{sysex::kAreaUserPatch, static_cast<std::uint8_t>(number - 1), {}};
    r.messages.push_back(sysex::makeDataSet(kDevice, sysex::patchAddress(sysex::MemoryArea::User, number - 1), data));
    return r;
}

Record rhythm(int number)
{
    return {sysex::kAreaUserPerformance, static_cast<std::uint8_t>(sysex::kRhythmSetBase + number - 1), {}};
}

Record performance(int number)
{
    return {sysex::kAreaUserPerformance, static_cast<std::uint8_t>(number - 1), {}};
}

} // namespace

class TestSendCheck : public QObject
{
    Q_OBJECT

private slots:
    void recordTexts_data();
    void recordTexts();
    void verifyTexts_data();
    void verifyTexts();
    void recordsOfAStream();
    void modelFromAnswerSize();
    void findsTheEmulator_data();
    void findsTheEmulator();
    void verifyResendsOnlyWhatDiffers();
    void backupHoldsTheOldContentAndPrunes();
};

void TestSendCheck::recordTexts_data()
{
    QTest::addColumn<std::vector<Record>>("records");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("title");
    QTest::newRow("three patches") << std::vector<Record>{patch(12), patch(57), patch(88)} << "Patches 12, 57 and 88"
                                   << "3 patches"
                                   << "User Patches";
    QTest::newRow("one patch") << std::vector<Record>{patch(5)} << "Patch 5"
                               << "1 patch"
                               << "User Patches";
    QTest::newRow("mixed") << std::vector<Record>{performance(3), rhythm(2), patch(1)}
                           << "Patch 1; performance 3; rhythm set 2"
                           << "1 patch, 1 performance and 1 rhythm set"
                           << "User Performances, Rhythm Sets and Patches";
}

void TestSendCheck::recordTexts()
{
    QFETCH(std::vector<Record>, records);
    QFETCH(QString, list);
    QFETCH(QString, count);
    QFETCH(QString, title);
    QCOMPARE(synthline::recordListText(records), list);
    QCOMPARE(sendcheck::countText(records), count);
    QCOMPARE(synthline::recordsTitle(records), title);
}

void TestSendCheck::verifyTexts_data()
{
    QTest::addColumn<std::vector<Record>>("sent");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<std::vector<Record>>("differ");
    QTest::addColumn<QString>("text");
    const std::vector<Record> three{patch(12), patch(57), patch(88)};
    Record card = patch(3);
    card.area = sysex::kAreaCardPatch;
    QTest::newRow("verified") << three << true << std::vector<Record>{} << "Sent and verified 3 patches";
    QTest::newRow("differ") << three << true << three << "Patches 12, 57 and 88 still differ after 3 tries";
    QTest::newRow("silent") << three << false << three
                            << "Sent 3 patches; not verified: the synthesizer did not answer the read-back (check "
                               "its device ID, the MIDI cable from its MIDI Out, and \"Rx Exclusive\")";
    QTest::newRow("silent card") << std::vector<Record>{card} << false << std::vector<Record>{card}
                                 << "Sent 1 patch; not verified: the synthesizer did not answer the read-back (check "
                                    "its device ID, the MIDI cable from its MIDI Out, and \"Rx Exclusive\"; for "
                                    "card memory, that a card is inserted)";
}

void TestSendCheck::verifyTexts()
{
    QFETCH(std::vector<Record>, sent);
    QFETCH(bool, answered);
    QFETCH(std::vector<Record>, differ);
    QFETCH(QString, text);
    sendcheck::VerifyResult result;
    result.answered = answered;
    result.tries = sendcheck::kMaxTries;
    result.stillDiffering = differ;
    QCOMPARE(sendcheck::verifyText(sent, result), text);
}

// A stream is cut into records by the first two address bytes; bytes between the
// messages are skipped.
void TestSendCheck::recordsOfAStream()
{
    CSynthEmulator emulator(SynthModel::Xp, kDevice);
    const QByteArray user = emulator.dump(sysex::MemoryArea::User);
    const auto records = synthline::recordsOf(QByteArray("junk") + user + QByteArray::fromHex("F8"));
    QCOMPARE(records.size(), std::size_t(32 + 2 + 128));
    QCOMPARE(records.front().messages.size(), std::size_t(17)); // common and 16 parts
    QCOMPARE(records.back().messages.size(), std::size_t(5));   // common and 4 tones
    QCOMPARE(synthline::recordName(records.back()), QStringLiteral("Patch 128"));
    QCOMPARE(synthline::recordName(records[33]), QStringLiteral("Rhythm set 2"));
    QByteArray joined;
    for (const Record& r : records)
        for (const QByteArray& m : r.messages)
            joined += m;
    QCOMPARE(joined, user);
}

void TestSendCheck::modelFromAnswerSize()
{
    QCOMPARE(synthline::modelFromProbeAnswer(72), SynthModel::Jv1080);
    QCOMPARE(synthline::modelFromProbeAnswer(73), SynthModel::Xp);
    QCOMPARE(synthline::modelFromProbeAnswer(74), SynthModel::Jv2080);
    QVERIFY(!synthline::modelFromProbeAnswer(12));
    QCOMPARE(synthline::probeRequest(0x10), QByteArray::fromHex("F041106A11030000000000004A33F7"));
}

void TestSendCheck::findsTheEmulator_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<int>("deviceId");
    QTest::newRow("JV-1080 on 17") << SynthModel::Jv1080 << 0x10;
    QTest::newRow("XP on 20") << SynthModel::Xp << 0x13;
    QTest::newRow("JV-2080 on 32") << SynthModel::Jv2080 << 0x1F;
}

void TestSendCheck::findsTheEmulator()
{
    QFETCH(SynthModel, model);
    QFETCH(int, deviceId);
    CEmulatorDevice device(model, static_cast<std::uint8_t>(deviceId), 0);
    synthline::ProbeOptions options;
    options.answerWindowMs = 30;
    QString error;
    int progressed = 0;
    const auto found = synthline::findSynths(device, options, &error, [&](int done, int) { progressed = done; });
    QVERIFY(error.isEmpty());
    QCOMPARE(found.size(), std::size_t(1));
    QCOMPARE(found[0].model, model);
    QCOMPARE(int(found[0].deviceId), deviceId);
    QCOMPARE(found[0].inputName, CEmulatorDevice::kPortName);
    QCOMPARE(progressed, 16);
}

// Of three patches sent, one never reached the instrument: the read-back finds it,
// sends it alone again and ends verified.
void TestSendCheck::verifyResendsOnlyWhatDiffers()
{
    CEmulatorDevice device(SynthModel::Jv2080, kDevice, 0);
    synthline::CListener listener;
    QVERIFY(listener.open(device, 0, nullptr));
    synthline::CPacedOut out(device, 0, 0, 0);
    QVERIFY(out.open(nullptr));
    const std::vector<Record> sent{patch(1, 0x11), patch(2, 0x12), patch(3, 0x13)};
    out.sendAll(sent[0].messages, nullptr, nullptr);
    out.sendAll(sent[2].messages, nullptr, nullptr);
    QStringList phases;
    const auto result =
        sendcheck::verify(listener, out, kDevice, sent, quickRead(), nullptr, [&](const QString& p) { phases << p; });
    QVERIFY(result.answered);
    QCOMPARE(result.tries, 2);
    QCOMPARE(result.resent.size(), std::size_t(1));
    QCOMPARE(int(result.resent[0].number), 1);
    QVERIFY(result.stillDiffering.empty());
    QCOMPARE(sendcheck::verifyText(sent, result), QStringLiteral("Sent and verified 3 patches"));
    QCOMPARE(phases.value(1), QStringLiteral("Sending again: Patch 2"));
    // A record the instrument cannot hold differs at every try.
    const std::vector<Record> longer{patch(4, 0x14, SynthModel::Jv2080), patch(5, 0x15, SynthModel::Jv2080)};
    std::vector<Record> tooLong = longer;
    tooLong[1].messages[0].insert(tooLong[1].messages[0].size() - 2, '\x01');
    const auto failed = sendcheck::verify(listener, out, kDevice, tooLong, quickRead());
    QCOMPARE(failed.tries, sendcheck::kMaxTries);
    QCOMPARE(sendcheck::verifyText(tooLong, failed), QStringLiteral("Patch 5 still differs after 3 tries"));
}

void TestSendCheck::backupHoldsTheOldContentAndPrunes()
{
    QTemporaryDir dir;
    CEmulatorDevice device(SynthModel::Xp, kDevice, 0);
    synthline::CListener listener;
    QVERIFY(listener.open(device, 0, nullptr));
    synthline::CPacedOut out(device, 0, 0, 0);
    QVERIFY(out.open(nullptr));
    QByteArray held;
    device.withEmulator([&](CSynthEmulator& e) { held = e.dump(sysex::MemoryArea::User); });
    const auto all = synthline::recordsOf(held);
    // Patches 2 and 3 and a temporary patch, which is not backed up.
    Record temporary{sysex::kAreaTempPatch, 0, {}};
    std::vector<Record> sending{all[35], all[36], temporary};
    for (int i = 0; i < 3; ++i) {
        const auto result = sendcheck::backup(listener, out, kDevice, sending, dir.path(), 2, quickRead());
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(QFileInfo(result.path).fileName().endsWith(QLatin1String(" User Patches.syx"))
                || QFileInfo(result.path).fileName().endsWith(QLatin1String(" User Patches (2).syx"))
                || QFileInfo(result.path).fileName().endsWith(QLatin1String(" User Patches (3).syx")));
        QFile file(result.path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), all[35].messages.front() + all[35].messages[1] + all[35].messages[2]
                                     + all[35].messages[3] + all[35].messages[4] + all[36].messages[0]
                                     + all[36].messages[1] + all[36].messages[2] + all[36].messages[3]
                                     + all[36].messages[4]);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    // An instrument that says nothing: no backup, and a reason.
    CEmulatorDevice other(SynthModel::Xp, 0x11, 0);
    synthline::CListener silentListener;
    QVERIFY(silentListener.open(other, 0, nullptr));
    synthline::CPacedOut silentOut(other, 0, 0, 0);
    QVERIFY(silentOut.open(nullptr));
    const auto none = sendcheck::backup(silentListener, silentOut, kDevice, sending, dir.path(), 2, quickRead());
    QVERIFY(!none.ok);
    QVERIFY(none.error.contains(QLatin1String("nothing was sent")));
}

QTEST_GUILESS_MAIN(TestSendCheck)
#include "tst_sendcheck.moc"
