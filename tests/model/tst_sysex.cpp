#include "model/SysEx.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

} // namespace

class TestSysEx : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data()
    {
        QTest::addColumn<QByteArray>("covered");
        QTest::addColumn<int>("expected");
        QTest::newRow("patch common param 44h = 5") << bytes({0x03, 0x00, 0x00, 0x44, 0x05}) << 0x34;
        QTest::newRow("sum multiple of 128") << bytes({0x40, 0x40}) << 0;
        QTest::newRow("sum zero") << bytes({0x00, 0x00, 0x00, 0x00, 0x00}) << 0;
        QTest::newRow("sum 1") << bytes({0x01}) << 0x7F;
        QTest::newRow("sum 255") << bytes({0x7F, 0x7F, 0x01}) << 0x01;
    }
    void checksum()
    {
        QFETCH(QByteArray, covered);
        QFETCH(int, expected);
        QCOMPARE(int(SysExChecksum(int(covered.size()), reinterpret_cast<const std::uint8_t*>(covered.constData()))),
                 expected);
    }

    void hexText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("valid");
        QTest::newRow("12 pairs") << QByteArray("F0 41 10 6A 12 00 00 00 00 01 7F F7")
                                  << bytes({0xF0, 0x41, 0x10, 0x6A, 0x12, 0, 0, 0, 0, 1, 0x7F, 0xF7}) << true;
        QTest::newRow("empty") << QByteArray() << QByteArray() << true;
        QTest::newRow("trailing blank") << QByteArray("F0 F7 ") << bytes({0xF0, 0xF7}) << true;
        QTest::newRow("odd end") << QByteArray("F0 F") << bytes({0xF0, 0xF0}) << false;
        QTest::newRow("lower case is no digit") << QByteArray("f0 41") << bytes({0x00, 0x41}) << false;
        QTest::newRow("blank not looked at") << QByteArray("12x34") << bytes({0x12, 0x34}) << true;
        QTest::newRow("garbage pair") << QByteArray("G1 12") << bytes({0x01, 0x12}) << false;
    }
    void hexText()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QFETCH(bool, valid);
        bool ok = !valid;
        QCOMPARE(HexTextToBytes(text, &ok), expected);
        QCOMPARE(ok, valid);
    }

    void namedRequests()
    {
        QCOMPARE(int(sysex::kNamedRequests.size()), 9);
        QCOMPARE(QByteArray(sysex::kNamedRequests[4].name), QByteArray("All Card Performances"));
        for (const auto& r : sysex::kNamedRequests) {
            bool ok = false;
            const QByteArray msg = HexTextToBytes(r.message, &ok);
            QVERIFY(ok);
            QCOMPARE(msg.size(), qsizetype(sysex::kRequestSize));
            // Every one starts F0 41 10 6A 11 and carries a checksum that matches.
            QCOMPARE(msg.left(5), bytes({0xF0, 0x41, 0x10, 0x6A, 0x11}));
            QCOMPARE(uchar(msg.back()), uchar(0xF7));
            const auto* p = reinterpret_cast<const std::uint8_t*>(msg.constData());
            QCOMPARE(int(p[13]), int(SysExChecksum(8, p + 5)));
        }
        // A request built from address and size gives the same bytes as the table.
        QCOMPARE(sysex::makeRequest(0x10, {0x11, 0, 0, 0}, {0x02, 0x40, 0, 0}),
                 HexTextToBytes(sysex::kNamedRequests[0].message));
    }

    void fillTemplate_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("tone");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tone parameter") << QByteArray("F0 41 10 6A 12 03 00 NN 50 XX KK F7") << 64 << 2
                                        << bytes({0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x14, 0x50, 0x40, 0x59,
                                                  0xF7});
        QTest::newRow("fixed address") << QByteArray("F0 41 10 6A 12 03 00 12 3D XX KK F7") << 1 << 0
                                       << bytes(
                                              {0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x12, 0x3D, 0x01, 0x2D, 0xF7});
        // The second KK covers only the second message.
        QTest::newRow("two messages") << QByteArray(
            "F0 41 10 6A 12 03 00 NN 15 02 KK F7 F0 41 10 6A 12 03 00 NN 16 7E KK F7")
                                      << 0 << 3 << bytes({0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x16,
                                                          0x15, 0x02, 0x50, 0xF7, 0xF0, 0x41, 0x10, 0x6A,
                                                          0x12, 0x03, 0x00, 0x16, 0x16, 0x7E, 0x53, 0xF7});
        QTest::newRow("value masked to a byte") << QByteArray("XX") << 0x1FF << 0 << bytes({0xFF});
    }
    void fillTemplate()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        QFETCH(int, tone);
        QFETCH(QByteArray, expected);
        bool ok = false;
        const QByteArray out = FillTemplate(text, value, tone, &ok);
        QCOMPARE(out, expected);
        QVERIFY(ok);
        QCOMPARE(out.size(), text.size() / 3 + 1);
    }

    void fillTemplateNeverReadsPastTheText()
    {
        bool ok = true;
        // A K with too few bytes before it, and a text ending inside a pair.
        QCOMPARE(FillTemplate("KK", 0, 0, &ok), bytes({0}));
        QVERIFY(!ok);
        QCOMPARE(FillTemplate("F0 4", 0, 0, &ok), bytes({0xF0, 0x40}));
        QVERIFY(!ok);
    }

    void fillNibbleTemplate()
    {
        bool ok = false;
        const QByteArray out = FillNibbleTemplate("F0 41 10 6A 12 03 00 10 01 00 02 XX YY KK F7", 0x9B, &ok);
        QVERIFY(ok);
        const QByteArray expectedHead =
            bytes({0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, 0x10, 0x01, 0x00, 0x02, 0x09, 0x0B});
        QCOMPARE(out.left(13), expectedHead);
        const auto* p = reinterpret_cast<const std::uint8_t*>(out.constData());
        QCOMPARE(int(p[13]), int(SysExChecksum(8, p + 5)));
        QCOMPARE(uchar(out[14]), uchar(0xF7));
    }

    void bytesToHexText()
    {
        QByteArray data;
        for (int i = 0; i < 17; ++i)
            data.append(char(i == 16 ? 0xAB : i));
        const QByteArray text = BytesToHexText(data);
        QCOMPARE(text, QByteArray("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\nAB "));
        QCOMPARE(BytesToHexText({}), QByteArray());
        QCOMPARE(BytesToHexText(bytes({0xF0, 0xF7})), QByteArray("F0 F7 "));
    }

    void addresses()
    {
        using namespace sysex;
        QCOMPARE(patchAddress(MemoryArea::User, 5, 2), (Address{0x11, 5, 0x14, 0}));
        QCOMPARE(patchAddress(MemoryArea::Card, 127), (Address{0x21, 127, 0, 0}));
        QCOMPARE(patchAddress(MemoryArea::Temporary, 9, 3), (Address{0x03, 0, 0x16, 0}));
        QCOMPARE(performanceAddress(MemoryArea::User, 31, 15), (Address{0x10, 31, 0x1F, 0}));
        QCOMPARE(performanceAddress(MemoryArea::Temporary, 3, 1), (Address{0x01, 0, 0x11, 0}));
        QCOMPARE(rhythmAddress(MemoryArea::Card, 1, 63), (Address{0x20, 0x41, 0x62, 0}));
        QCOMPARE(rhythmAddress(MemoryArea::Temporary, 0, 0), (Address{0x02, 0x09, 0x23, 0}));
        QCOMPARE(tempPartPatchAddress(10, 1), (Address{0x02, 0x0A, 0x12, 0}));
        QCOMPARE(blockDataSize(SynthModel::Jv1080, Block::PatchCommon), 72);
        QCOMPARE(blockDataSize(SynthModel::Xp, Block::PerformancePart), 25);
        QCOMPARE(blockDataSize(SynthModel::Jv2080, Block::PerformanceCommon), 68);
        const QByteArray msg = makeDataSet(0x11, {0x03, 0, 0, 0x44}, bytes({0x05}));
        QCOMPARE(msg, bytes({0xF0, 0x41, 0x11, 0x6A, 0x12, 0x03, 0, 0, 0x44, 0x05, 0x34, 0xF7}));
    }

    void scan_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("badChecksums");
        QTest::addColumn<QList<qint64>>("problemOffsets");
        const QByteArray good = sysex::makeDataSet(0x10, {0x03, 0, 0, 0x44}, bytes({0x05}));
        QByteArray bad = good;
        bad[10] = 0x35;
        QTest::newRow("clean") << good + good << 2 << 0 << QList<qint64>{};
        QTest::newRow("bad checksum") << good + bad << 2 << 1 << QList<qint64>{12};
        QTest::newRow("stray bytes") << bytes({1, 2}) + good << 1 << 0 << QList<qint64>{0};
        QTest::newRow("cut off") << good + good.left(6) << 1 << 0 << QList<qint64>{12};
        QTest::newRow("F0 inside") << good.left(6) + good << 1 << 0 << QList<qint64>{0};
        QTest::newRow("foreign") << bytes({0xF0, 0x43, 0x10, 0x00, 0xF7}) << 1 << 0 << QList<qint64>{0};
        QTest::newRow("request") << HexTextToBytes(sysex::kNamedRequests[2].message) << 1 << 0 << QList<qint64>{};
        // Runs of garbage are one problem each, however long.
        QTest::newRow("F0 run") << QByteArray(100000, char(0xF0)) + good << 1 << 0 << QList<qint64>{0};
        QTest::newRow("stray bytes and a cut message")
            << bytes({1, 2}) + good.left(7) + bytes({3}) + good + good.left(5) << 1 << 0 << QList<qint64>{0, 22};
        QTest::newRow("foreign run") << good + bytes({0xF0, 0x43, 0x10, 0xF7, 0xF0, 0x7E, 0xF7, 0xF0, 0xF7}) + bad << 5
                                     << 1 << QList<qint64>{12, 21};
        QTest::newRow("status byte inside")
            << good + bytes({0xF0, 0x41, 0x10, 0x6A, 0x12, 0x90, 0xF7}) << 2 << 0 << QList<qint64>{12};
    }
    void scan()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, messages);
        QFETCH(int, badChecksums);
        QFETCH(QList<qint64>, problemOffsets);
        const SysExScanResult r = scanSysEx(stream);
        QCOMPARE(r.messages, qint64(messages));
        QCOMPARE(r.badChecksums, qint64(badChecksums));
        QCOMPARE(r.problemCount, qint64(r.problems.size()));
        QList<qint64> offsets;
        for (const auto& p : r.problems)
            offsets << p.offset;
        QCOMPARE(offsets, problemOffsets);

        // Read from a device in pieces, the same problems come in the same order.
        QBuffer device;
        device.setData(stream);
        QVERIFY(device.open(QIODevice::ReadOnly));
        SysExScanResult streamed;
        QList<SysExProblem> found;
        QVERIFY(scanSysEx(
            device, [&](const SysExProblem& p) { found << p; }, streamed));
        QCOMPARE(streamed.messages, r.messages);
        QCOMPARE(streamed.badChecksums, r.badChecksums);
        QCOMPARE(streamed.problemCount, r.problemCount);
        QVERIFY(streamed.problems.empty());
        QCOMPARE(found.size(), qsizetype(r.problems.size()));
        for (qsizetype i = 0; i < found.size(); ++i) {
            QCOMPARE(found[i].offset, r.problems[std::size_t(i)].offset);
            QCOMPARE(found[i].reason, r.problems[std::size_t(i)].reason);
        }
    }

    void scanTexts_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("text");
        const QByteArray good = sysex::makeDataSet(0x10, {0x03, 0, 0, 0x44}, bytes({0x05}));
        QTest::newRow("F0 run") << QByteArray(100000, char(0xF0)) << "100000 bytes outside any message";
        QTest::newRow("one cut message") << good.left(7) << "message not terminated by F7h";
        QTest::newRow("stray then cut") << bytes({1}) + good.left(7) << "8 bytes outside any message";
        QTest::newRow("one foreign") << bytes({0xF0, 0x43, 0x10, 0xF7}) << "not a JV/XP message (4 bytes)";
        QTest::newRow("foreign run") << bytes({0xF0, 0x43, 0x10, 0xF7, 0xF0, 0x7E, 0xF7})
                                     << "2 messages that are not JV/XP messages (7 bytes)";
        QTest::newRow("status byte") << bytes({0xF0, 0x41, 0x10, 0x6A, 0x12, 0x90, 0xF7})
                                     << "byte 90h inside the message at +5 is not a data byte";
        QTest::newRow("short request") << bytes({0xF0, 0x41, 0x10, 0x6A, 0x11, 0x00, 0xF7})
                                       << "data request of 7 bytes, expected 15";
        QTest::newRow("unknown command") << bytes({0xF0, 0x41, 0x10, 0x6A, 0x13, 0x00, 0xF7}) << "unknown command 13h";
        QTest::newRow("short data set") << bytes({0xF0, 0x41, 0x10, 0x6A, 0x12, 0x00, 0xF7})
                                        << "data set of 7 bytes is too short";
        QByteArray bad = good;
        bad[10] = 0x35;
        QTest::newRow("checksum") << bad << "bad checksum 35h at address 03h 00h 00h 44h, expected 34h";
    }
    void scanTexts()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QString, text);
        const SysExScanResult r = scanSysEx(stream);
        QCOMPARE(r.problems.size(), std::size_t(1));
        QCOMPARE(r.problems.front().reason, text);
        QCOMPARE(r.problems.front().offset, qint64(0));
    }
};

QTEST_APPLESS_MAIN(TestSysEx)
#include "tst_sysex.moc"
