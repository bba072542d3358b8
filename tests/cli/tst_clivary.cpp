// toneloom-cli mutate and morph: a one-patch file in the layout of the (first) input,
// the same bytes for the same seed, morph's ends are its sources, and bad arguments
// exit 2 and write nothing.

#include "bank/ToneloomDoc.h"
#include "model/PatchArray.h"
#include "model/PatchVariation.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Result
{
    int exitCode = -1;
    QString err;
};

Result runCli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(TONELOOM_BIN_DIR "/toneloom-cli"), args);
    Result r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The patches of a bank file as the bank reader reads them.
std::unique_ptr<CToneloomDoc> openBank(const QString& path, SynthSettings& settings, CCollectingReporter& reporter)
{
    auto doc = std::make_unique<CToneloomDoc>(settings, reporter);
    return doc->OnOpenDocument(path) ? std::move(doc) : nullptr;
}

} // namespace

class TestCliVary : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    SynthSettings m_settings;
    CCollectingReporter m_reporter;

    // A bank of every model's layout, its patches varied so that they differ.
    QString bank(const QString& model)
    {
        const QString path = m_dir.filePath(model + QStringLiteral(".syx"));
        if (QFile::exists(path))
            return path;
        const QString plain = m_dir.filePath(QStringLiteral("plain.syx"));
        if (!QFile::exists(plain)) {
            CToneloomDoc doc(m_settings, m_reporter);
            variation::MutateOptions o;
            o.amount = 60;
            o.choices = true;
            for (int i = 0; i < CPatchArray::kCount; ++i) {
                o.seed = static_cast<std::uint32_t>(i + 1);
                doc.patches().setRecord(i, variation::mutate(params::Editor::Patch, doc.patches().record(i), o));
            }
            doc.OnSaveDocument(plain);
        }
        runCli({QStringLiteral("convert"), QStringLiteral("--model"), model, plain, path});
        return path;
    }

private slots:
    void mutateWritesOnePatch_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("size");
        QTest::newRow("jv1080") << "jv1080" << 643;
        QTest::newRow("jv2080") << "jv2080" << 645;
        QTest::newRow("xp") << "xp" << 644;
    }
    // The file holds the one patch in the input's layout, as the core varies it.
    void mutateWritesOnePatch()
    {
        QFETCH(QString, model);
        QFETCH(int, size);
        const QString in = bank(model);
        const QString out = m_dir.filePath(QStringLiteral("mutated-%1.syx").arg(model));
        QCOMPARE(runCli({"mutate", in, "--patch", "7", "--amount", "25", "--seed", "4711", out}).exitCode, 0);
        const QByteArray bytes = readFile(out);
        QCOMPARE(bytes.size(), size);
        const QString again = m_dir.filePath(QStringLiteral("again-%1.syx").arg(model));
        QCOMPARE(runCli({"mutate", in, "--seed", "4711", "--patch", "7", "--amount", "25", again}).exitCode, 0);
        QCOMPARE(readFile(again), bytes);
        const QString other = m_dir.filePath(QStringLiteral("other-%1.syx").arg(model));
        QCOMPARE(runCli({"mutate", in, "--patch", "7", "--amount", "25", "--seed", "4712", other}).exitCode, 0);
        QVERIFY(readFile(other) != bytes);

        auto source = openBank(in, m_settings, m_reporter);
        auto result = openBank(out, m_settings, m_reporter);
        QVERIFY(source && result);
        variation::MutateOptions o;
        o.amount = 25;
        o.seed = 4711;
        o.model = model == QLatin1String("jv1080") ? SynthModel::Jv1080
                  : model == QLatin1String("xp")   ? SynthModel::Xp
                                                   : SynthModel::Jv2080;
        const QByteArray expected = variation::mutate(params::Editor::Patch, source->patches().record(6), o);
        QCOMPARE(result->patches().contentKey(0).toHex(), [&] {
            CPatchArray one;
            one.setRecord(0, expected);
            return one.contentKey(0).toHex();
        }());
    }

    // 0 % is A's patch and 100 % B's, byte for byte in the file; 50 % lies between.
    void morphEnds()
    {
        const QString a = bank(QStringLiteral("jv2080"));
        const QString b = bank(QStringLiteral("jv1080"));
        const QString at0 = m_dir.filePath(QStringLiteral("m0.syx"));
        const QString at100 = m_dir.filePath(QStringLiteral("m100.syx"));
        const QString same = m_dir.filePath(QStringLiteral("same.syx"));
        QCOMPARE(runCli({"morph", a, "--patch", "3", b, "--patch", "3", "--at", "0", at0}).exitCode, 0);
        QCOMPARE(runCli({"morph", a, "--patch", "3", a, "--patch", "3", "--at", "100", same}).exitCode, 0);
        QCOMPARE(readFile(at0), readFile(same));
        QCOMPARE(readFile(at0).size(), 645);
        QCOMPARE(runCli({"morph", a, "--patch", "3", a, "--patch", "9", "--at", "100", at100}).exitCode, 0);
        auto source = openBank(a, m_settings, m_reporter);
        auto end = openBank(at100, m_settings, m_reporter);
        QVERIFY(source && end);
        // Patch 9 of A, written as patch 3.
        CPatchArray one;
        one.setRecord(0, source->patches().record(8));
        QCOMPARE(end->patches().contentKey(0), one.contentKey(0));
    }

    void badArgumentsWriteNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString in = QStringLiteral("IN");
        QTest::newRow("no seed") << QStringList{"mutate", in, "--patch", "1", "--amount", "5", "OUT"} << "needs";
        QTest::newRow("amount 0") << QStringList{"mutate", in, "--patch", "1", "--amount", "0", "--seed", "1", "OUT"}
                                  << "--amount must be 1..100";
        QTest::newRow("amount 101") << QStringList{"mutate", in,       "--patch", "1",  "--amount",
                                                   "101",    "--seed", "1",       "OUT"}
                                    << "--amount";
        QTest::newRow("patch 129") << QStringList{"mutate", in, "--patch", "129", "--amount", "5", "--seed", "1", "OUT"}
                                   << "--patch must be 1..128";
        QTest::newRow("seed text") << QStringList{"mutate", in, "--patch", "1", "--amount", "5", "--seed", "x", "OUT"}
                                   << "--seed";
        QTest::newRow("unknown option") << QStringList{"mutate", in,       "--patch", "1",      "--amount",
                                                       "5",      "--seed", "1",       "--wild", "OUT"}
                                        << "unknown option --wild";
        QTest::newRow("same file") << QStringList{"mutate", in, "--patch", "1", "--amount", "5", "--seed", "1", in}
                                   << "is the input";
        QTest::newRow("patch beyond the file")
            << QStringList{"mutate", "ONE", "--patch", "2", "--amount", "5", "--seed", "1", "OUT"} << "holds 1 patches";
        QTest::newRow("missing file") << QStringList{"mutate", "NONE",   "--patch", "2",  "--amount",
                                                     "5",      "--seed", "1",       "OUT"}
                                      << "none.syx: no such file";
        QTest::newRow("morph without B's patch")
            << QStringList{"morph", in, "--patch", "1", in, "--at", "5", "OUT"} << "morph needs";
        QTest::newRow("morph at 101") << QStringList{"morph",   in,  "--patch", "1",   in,
                                                     "--patch", "2", "--at",    "101", "OUT"}
                                      << "--at must be 0..100";
        QTest::newRow("morph patch first")
            << QStringList{"morph", "--patch", "1", in, in, "--patch", "2", "--at", "5", "OUT"} << "--patch follows";
        QTest::newRow("morph into B") << QStringList{"morph",   in,  "--patch", "1", "ONE",
                                                     "--patch", "1", "--at",    "5", "ONE"}
                                      << "is the input";
    }
    void badArgumentsWriteNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QString one = m_dir.filePath(QStringLiteral("one.syx"));
        if (!QFile::exists(one))
            QCOMPARE(
                runCli({"mutate", bank(QStringLiteral("jv2080")), "--patch", "1", "--amount", "1", "--seed", "1", one})
                    .exitCode,
                0);
        const QByteArray oneBytes = readFile(one);
        const QString out = m_dir.filePath(QStringLiteral("never.syx"));
        for (QString& a : args) {
            if (a == QLatin1String("IN"))
                a = bank(QStringLiteral("jv2080"));
            else if (a == QLatin1String("OUT"))
                a = out;
            else if (a == QLatin1String("ONE"))
                a = one;
            else if (a == QLatin1String("NONE"))
                a = m_dir.filePath(QStringLiteral("none.syx"));
        }
        const Result r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(readFile(one), oneBytes);
    }
};

QTEST_GUILESS_MAIN(TestCliVary)
#include "tst_clivary.moc"
