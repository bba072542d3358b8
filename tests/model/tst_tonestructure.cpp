#include "model/ToneStructure.h"

#include <QTest>

// Which block each tone's sound passes, for every structure type.
class TestToneStructure : public QObject
{
    Q_OBJECT

private slots:
    void routing_data();
    void routing();
    void everyTypeUsesEachToneOnce_data();
    void everyTypeUsesEachToneOnce();
};

void TestToneStructure::routing_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("firstTone");
    QTest::addColumn<QString>("blocks");
    QTest::newRow("1") << 0 << 1 << "WG1(1) TVF1(1) TVA1(1) WG2(2) TVF2(2) TVA2(2)";
    QTest::newRow("2") << 1 << 1 << "WG1(1) TVF1(1) TVA1(1) WG2(2) MIX(1,2) TVF2(1,2) TVA2(1,2)";
    QTest::newRow("3") << 2 << 1 << "WG1(1) TVF1(1) TVA1(1) WG2(2) BOOST(1,2) TVF2(1,2) TVA2(1,2)";
    QTest::newRow("4") << 3 << 1 << "WG1(1) TVA1(1) WG2(2) BOOST(1,2) TVF1(1,2) TVF2(1,2) TVA2(1,2)";
    QTest::newRow("5") << 4 << 1 << "WG1(1) TVA1(1) WG2(2) RING(1,2) TVF1(1,2) TVF2(1,2) TVA2(1,2)";
    QTest::newRow("6") << 5 << 1 << "WG1(1) TVF1(1) TVA1(1) WG2(2) RING(1,2) TVF2(1,2) TVA2(1,2)";
    QTest::newRow("7") << 6 << 1 << "WG1(1) TVF1(1) TVA1(1) WG2(2) TVF2(2) RING(1,2) TVA2(1,2)";
    QTest::newRow("8") << 7 << 1 << "WG1(1) TVF1(1) TVA1(1) WG2(2) TVF2(2) RING(1,2) MIX(1,2) TVA2(1,2)";
    QTest::newRow("9") << 8 << 1 << "WG1(1) TVF1(1) TVA1(1) WG2(2) RING(1,2) MIX(1,2) TVF2(1,2) TVA2(1,2)";
    QTest::newRow("10") << 9 << 1 << "WG1(1) TVA1(1) WG2(2) RING(1,2) MIX(1,2) TVF1(1,2) TVF2(1,2) TVA2(1,2)";
    QTest::newRow("3, tones 3&4") << 2 << 3 << "WG3(3) TVF3(3) TVA3(3) WG4(4) BOOST(3,4) TVF4(3,4) TVA4(3,4)";
    QTest::newRow("beyond the types: 1") << 12 << 3 << "WG3(3) TVF3(3) TVA3(3) WG4(4) TVF4(4) TVA4(4)";
}

void TestToneStructure::routing()
{
    QFETCH(int, type);
    QFETCH(int, firstTone);
    QFETCH(QString, blocks);
    QCOMPARE(tonestructure::routing(type, firstTone).join(QLatin1Char(' ')), blocks);
}

void TestToneStructure::everyTypeUsesEachToneOnce_data()
{
    QTest::addColumn<int>("type");
    for (int t = 0; t < tonestructure::kTypes; ++t)
        QTest::addRow("type %d", t + 1) << t;
}

void TestToneStructure::everyTypeUsesEachToneOnce()
{
    QFETCH(int, type);
    const tonestructure::Wiring& w = tonestructure::wiring(type);
    // Each tone has one wave generator, one filter and one amplifier, wherever they sit.
    for (int tone = 0; tone < 2; ++tone) {
        for (const auto kind :
             {tonestructure::Kind::Wave, tonestructure::Kind::Filter, tonestructure::Kind::Amplifier}) {
            int count = 0;
            for (const auto* chain : {&w.first, &w.second, &w.after}) {
                for (const tonestructure::Block& b : *chain)
                    count += b.kind == kind && b.tone == tone ? 1 : 0;
            }
            QCOMPARE(count, 1);
        }
    }
    QCOMPARE(w.first.front().kind, tonestructure::Kind::Wave);
    QCOMPARE(w.second.front().kind, tonestructure::Kind::Wave);
    QCOMPARE(w.first.front().tone, 0);
    QCOMPARE(w.second.front().tone, 1);
    // The sound leaves through the second tone's amplifier wherever the tones meet.
    if (w.meet != tonestructure::Kind::Wave)
        QCOMPARE(w.after.back().kind, tonestructure::Kind::Amplifier);
}

QTEST_GUILESS_MAIN(TestToneStructure)
#include "tst_tonestructure.moc"
