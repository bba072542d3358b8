#include "editors/CopyPartDlg.h"
#include "editors/CopyRhythmToneDlg.h"
#include "editors/CopyToneDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QListWidget>
#include <QTest>

// The copy dialogs of the editors: which part, tone or key goes where.
class TestCopyDialogs : public QObject
{
    Q_OBJECT

private slots:
    void copyPartAndToneDefaults();
};

void TestCopyDialogs::copyPartAndToneDefaults()
{
    CCopyPartDlg part;
    QCOMPARE(part.fromGroup()->buttons().size(), 16);
    QCOMPARE(part.fromPart(), 0);
    QCOMPARE(part.toPart(), 1);
    QCOMPARE(part.toGroup()->button(15)->text(), QStringLiteral("Part 16"));
    QTest::mouseClick(part.toGroup()->button(15), Qt::LeftButton);
    QCOMPARE(part.toPart(), 15);

    CCopyToneDlg tone({QStringLiteral("1: A"), QStringLiteral("2: B")});
    QCOMPARE(tone.sourceList()->count(), 3);
    QCOMPARE(tone.sourceList()->item(0)->text(), QStringLiteral("TEMP PATCH"));
    QCOMPARE(tone.sourceIndex(), 0);
    QCOMPARE(tone.fromTone(), 0);
    QCOMPARE(tone.toTone(), 1);
    tone.sourceList()->setCurrentRow(2);
    QCOMPARE(tone.sourceIndex(), 2);

    CCopyRhythmToneDlg rhythm;
    QCOMPARE(rhythm.fromList()->count(), 64);
    QCOMPARE(rhythm.toList()->item(2)->text(), QStringLiteral("C#2"));
    QCOMPARE(rhythm.fromKey(), 0);
    rhythm.toList()->setCurrentRow(63);
    QCOMPARE(rhythm.toKey(), 63);
}

QTEST_MAIN(TestCopyDialogs)
#include "tst_copydialogs.moc"
