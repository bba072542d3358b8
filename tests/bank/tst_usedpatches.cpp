#include "tests/bank/BankFixture.h"

#include "bank/PartReferences.h"
#include "bank/UsedPatches.h"
#include "model/ExpansionNames.h"

#include <QTest>

namespace {

// Every part except part 10 plays the card patch 128, so a test sees only what it sets.
void quietBank(BankFixture& bank)
{
    for (int i = 0; i < CPerformanceArray::kCount; ++i)
        for (int part = 0; part < CPerformanceArray::kParts; ++part)
            CPartReferences::setPatch(bank.doc->performances(), i, part, 0, 2, 127);
}

} // namespace

class TestUsedPatches : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void threePerformancesPlayOnePatch();
    void labels_data();
    void labels();
    void rhythmPartIsIgnored();
    void linesAreSorted();

private:
    CCollectingReporter m_reporter;
    std::unique_ptr<CExpansionNames> m_names;
};

void TestUsedPatches::initTestCase()
{
    m_names = std::make_unique<CExpansionNames>(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), m_reporter);
    if (m_names->GetTitle(NameFileKind::Preset, 3) != QStringLiteral("PR-A"))
        QSKIP("the shipped name files are not in the source folder");
}

void TestUsedPatches::threePerformancesPlayOnePatch()
{
    BankFixture bank;
    quietBank(bank);
    bank.setName(ItemKind::Patches, 0, QStringLiteral("Warm Pad"));
    for (int i : {2, 5, 9})
        CPartReferences::setPatch(bank.doc->performances(), i, 3, 0, 1, 0);
    CPartReferences::setPatch(bank.doc->performances(), 9, 4, 0, 1, 0); // twice in one performance
    CUsedPatches used(bank.doc->performances(), bank.doc->patches(), m_names.get());
    QCOMPARE(used.lines().size(), std::size_t(2));
    const auto& line = used.lines().back(); // "USER" after "CARD"
    QCOMPARE(CUsedPatches::lineText(line), QStringLiteral("USER 1: Warm Pad    \t4 time(s) used"));
    QCOMPARE(used.performancesOf(CUsedPatches::lineText(line)),
             (QStringList{"3: " + QStringLiteral("F 2").leftJustified(12) + " (Part 4)",
                          "6: " + QStringLiteral("F 5").leftJustified(12) + " (Part 4)",
                          "10: " + QStringLiteral("F 9").leftJustified(12) + " (Parts 4, 5)"}));
    QCOMPARE(CUsedPatches::lineText(used.lines().front()),
             QStringLiteral("CARD 128: Card\t%1 time(s) used").arg(32 * 15 - 4));
    QVERIFY(used.performancesOf(QStringLiteral("nothing")).isEmpty());
}

void TestUsedPatches::labels_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("label");
    QTest::newRow("user") << 0 << 1 << 4 << "USER 5: P 4         ";
    QTest::newRow("user, ID 0") << 0 << 0 << 4 << "USER (ID 0) 5: P 4         ";
    QTest::newRow("card") << 0 << 2 << 17 << "CARD 18: Card";
    QTest::newRow("preset A") << 0 << 3 << 1 << "PR-A Bright Piano";
    QTest::newRow("GM") << 1 << 0 << 0 << "GM " + m_names->GetName(8, NameSection::Patches, 0, NameFileKind::Preset);
    QTest::newRow("board") << 2 << 1 << 0
                           << "SR-JV80-01 Pop " + m_names->GetName(1, NameSection::Patches, 0, NameFileKind::Board);
    QTest::newRow("unknown number") << 0 << 3 << 1000 << "PR-A 1001";
    QTest::newRow("unknown group") << 5 << 9 << 0 << "Group 5-9 1";
}

void TestUsedPatches::labels()
{
    QFETCH(int, type);
    QFETCH(int, id);
    QFETCH(int, number);
    QFETCH(QString, label);
    BankFixture bank;
    QCOMPARE(CUsedPatches::label(type, id, number, bank.doc->patches(), m_names.get()), label);
}

void TestUsedPatches::rhythmPartIsIgnored()
{
    BankFixture bank;
    quietBank(bank);
    for (int i = 0; i < CPerformanceArray::kCount; ++i)
        CPartReferences::setPatch(bank.doc->performances(), i, 9, 0, 1, 50);
    CUsedPatches used(bank.doc->performances(), bank.doc->patches(), m_names.get());
    QCOMPARE(used.lines().size(), std::size_t(1));
    QVERIFY(!used.lines().front().label.contains(QStringLiteral("USER")));
    QCOMPARE(used.lines().front().count, 32 * 15);
}

void TestUsedPatches::linesAreSorted()
{
    BankFixture bank;
    quietBank(bank);
    CPartReferences::setPatch(bank.doc->performances(), 0, 0, 0, 3, 1);
    CPartReferences::setPatch(bank.doc->performances(), 0, 1, 0, 1, 1);
    CPartReferences::setPatch(bank.doc->performances(), 0, 2, 1, 0, 0);
    CUsedPatches used(bank.doc->performances(), bank.doc->patches(), m_names.get());
    QStringList labels;
    for (const auto& line : used.lines())
        labels << line.label.left(4);
    QCOMPARE(labels, (QStringList{"CARD", "GM P", "PR-A", "USER"}));
}

QTEST_GUILESS_MAIN(TestUsedPatches)
#include "tst_usedpatches.moc"
