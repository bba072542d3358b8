// What random patches make, byte for byte, for fixed seeds: every group alone, all
// groups, groups per tone, with and without boards and wave names. The records in
// tests/golden were taken before the generator read its rows from the parameter
// table.

#include "bank/RandomPatches.h"
#include "bank/RandomSource.h"
#include "model/ExpansionNames.h"
#include "model/PatchArray.h"
#include "model/Reporter.h"
#include "tests/support/GoldenFile.h"

#include <QCryptographicHash>
#include <QTest>

using Group = CRandomPatches::Group;

class TestRandomPatchesGolden : public QObject
{
    Q_OBJECT

private slots:
    void seeded()
    {
        CCollectingReporter reporter;
        const CExpansionNames names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), reporter);
        QList<QPair<QString, CRandomPatches::Flags>> cases;
        cases << qMakePair(QStringLiteral("all"), CRandomPatches::allFlags(true));
        cases << qMakePair(QStringLiteral("none"), CRandomPatches::allFlags(false));
        for (int g = 0; g < CRandomPatches::kGroupCount; ++g) {
            CRandomPatches::Flags only = CRandomPatches::allFlags(false);
            only[static_cast<std::size_t>(g)].fill(true);
            cases << qMakePair(CRandomPatches::settingsKey(static_cast<Group>(g)), only);
        }
        CRandomPatches::Flags diagonal = CRandomPatches::allFlags(false);
        for (int g = 0; g < CRandomPatches::kGroupCount; ++g)
            diagonal[static_cast<std::size_t>(g)][static_cast<std::size_t>(g % CRandomPatches::kTones)] = true;
        cases << qMakePair(QStringLiteral("diagonal"), diagonal);

        QStringList lines;
        for (const auto& [name, flags] : cases) {
            for (unsigned seed : {1U, 2U, 4711U}) {
                for (const std::vector<int>& boards : {std::vector<int>{}, std::vector<int>{1, 3}}) {
                    for (const CExpansionNames* store : {&names, static_cast<const CExpansionNames*>(nullptr)}) {
                        if (!store && !boards.empty())
                            continue;
                        CPatchArray patches;
                        CRandomSource random(seed);
                        CRandomPatches::RandomizePatches(patches, flags, boards, store, random);
                        QCryptographicHash all(QCryptographicHash::Sha1);
                        for (int i = 0; i < patches.GetCount(); ++i)
                            all.addData(QByteArrayView(reinterpret_cast<const char*>(patches.data(i)),
                                                       CPatchArray::kRecordSize));
                        const QByteArray first(reinterpret_cast<const char*>(patches.data(0)),
                                               CPatchArray::kRecordSize);
                        lines << QStringLiteral("%1 seed %2 boards %3 names %4: %5 %6")
                                     .arg(name)
                                     .arg(seed)
                                     .arg(boards.size())
                                     .arg(store ? 1 : 0)
                                     .arg(QString::fromLatin1(all.result().toHex()),
                                          seed == 1 ? golden::hex(first) : QString());
                    }
                }
            }
        }
        const QString difference = golden::compare(QStringLiteral("randompatches.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
};

QTEST_GUILESS_MAIN(TestRandomPatchesGolden)
#include "tst_randompatchesgolden.moc"
