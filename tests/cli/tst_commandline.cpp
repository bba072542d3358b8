#include "cli/CommandLine.h"
#include "model/SysEx.h"

#include <QTest>

using cli::CommandLine;
using Command = CommandLine::Command;
Q_DECLARE_METATYPE(Command)

// The command line is checked completely before any file or port is touched.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("usage");
        QTest::newRow("nothing") << QStringList{} << "no command given" << true;
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "unknown command frobnicate" << true;
        QTest::newRow("unknown option") << QStringList{"info", "--verbose", "x"} << "unknown option --verbose" << false;
        QTest::newRow("value missing") << QStringList{"names", "x", "--kind"} << "--kind needs a value" << false;
        QTest::newRow("two files") << QStringList{"check", "a", "b"} << "check needs exactly one FILE.syx" << false;
        QTest::newRow("convert one file")
            << QStringList{"convert", "--model", "xp", "a"} << "convert needs IN.syx and OUT.syx" << false;
        QTest::newRow("ports with a file") << QStringList{"ports", "a"} << "ports takes no arguments" << false;
        QTest::newRow("bad kind") << QStringList{"names", "x", "--kind", "drums"}
                                  << "--kind must be patches, performances or rhythm, not drums" << false;
        QTest::newRow("no model") << QStringList{"convert", "a", "b"} << "convert needs --model jv1080|jv2080|xp"
                                  << false;
        QTest::newRow("bad model") << QStringList{"convert", "--model", "d50", "a", "b"}
                                   << "--model must be jv1080, jv2080 or xp, not d50" << false;
        QTest::newRow("device 16") << QStringList{"convert", "--model", "xp", "--device-id", "16", "a", "b"}
                                   << "--device-id must be 17..32, not 16" << false;
        QTest::newRow("device 33") << QStringList{"send", "--out", "p", "--device-id", "33", "a"}
                                   << "--device-id must be 17..32, not 33" << false;
        QTest::newRow("bad what") << QStringList{"send", "--out", "p", "--what", "drums", "a"}
                                  << "--what must be all, patches, performances or rhythm, not drums" << false;
        QTest::newRow("negative rate") << QStringList{"send", "--out", "p", "--rate", "-1", "a"}
                                       << "--rate must be 0..1000000 bytes per second, not -1" << false;
        QTest::newRow("huge pause") << QStringList{"send", "--out", "p", "--pause", "2147483647", "a"}
                                    << "--pause must be 0..10000 ms, not 2147483647" << false;
        QTest::newRow("pause not a number") << QStringList{"send", "--out", "p", "--pause", "1e3", "a"}
                                            << "--pause must be 0..10000 ms, not 1e3" << false;
        QTest::newRow("send without port") << QStringList{"send", "a"} << "send needs --out PORT" << false;
        QTest::newRow("receive without input")
            << QStringList{"receive", "--manual", "a"} << "receive needs --in PORT" << false;
        QTest::newRow("receive both") << QStringList{"receive", "--in", "p", "--manual", "--request", "All", "a"}
                                      << "receive needs either --request NAME or --manual" << false;
        QTest::newRow("receive neither") << QStringList{"receive", "--in", "p", "a"}
                                         << "receive needs either --request NAME or --manual" << false;
        QTest::newRow("request without output")
            << QStringList{"receive", "--in", "p", "--request", "All", "a"} << "a request needs --out PORT" << false;
        QTest::newRow("unknown request") << QStringList{"receive", "--in", "p", "--out", "p", "--request", "Some", "a"}
                                         << "unknown request \"Some\"; choose one of: All Patches, All Performances, "
                                            "All, All Card Patches, All Card Performances, All Card, Temporary "
                                            "Patch, Temporary Performance, Temporary Rhythm"
                                         << false;
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        QFETCH(bool, usage);
        const CommandLine line = cli::parseCommandLine(args);
        QCOMPARE(line.error, error);
        QCOMPARE(line.showUsage, usage);
        QVERIFY(line.files.isEmpty());
    }

    void accepted_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("what"); // a kind's number, kKindCount for the whole bank
        QTest::addColumn<int>("deviceId");
        QTest::addColumn<int>("request");
        QTest::newRow("names") << QStringList{"names", "b.syx", "--kind", "rhythm"} << Command::Names
                               << QStringList{"b.syx"} << kKindCount << -1 << -1;
        QTest::newRow("convert") << QStringList{"convert", "--model", "XP",      "--what", "Patches", "--device-id",
                                                "32",      "--card",  "--force", "in.syx", "out.syx"}
                                 << Command::Convert << QStringList{"in.syx", "out.syx"} << 0 << 0x1F << -1;
        QTest::newRow("last value wins") << QStringList{"send",   "--out",       "a",  "--out",       "b",  "--what",
                                                        "rhythm", "--device-id", "20", "--device-id", "17", "f"}
                                         << Command::Send << QStringList{"f"} << 2 << 0x10 << -1;
        QTest::newRow("request by its name")
            << QStringList{"receive", "--in", "p", "--out", "q", "--request", "all-card_patches", "d.syx"}
            << Command::Receive << QStringList{"d.syx"} << kKindCount << -1 << 3;
        QTest::newRow("manual") << QStringList{"receive", "--manual", "--in", "p", "d.syx"} << Command::Receive
                                << QStringList{"d.syx"} << kKindCount << -1 << -1;
        QTest::newRow("help") << QStringList{"--help"} << Command::Usage << QStringList{} << kKindCount << -1 << -1;
    }
    void accepted()
    {
        QFETCH(QStringList, args);
        QFETCH(Command, command);
        QFETCH(QStringList, files);
        QFETCH(int, what);
        QFETCH(int, deviceId);
        QFETCH(int, request);
        const CommandLine line = cli::parseCommandLine(args);
        QVERIFY2(line.ok(), qPrintable(line.error));
        QCOMPARE(line.command, command);
        QCOMPARE(line.files, files);
        QCOMPARE(line.what ? kindNumber(*line.what) : kKindCount, what);
        QCOMPARE(line.deviceId ? int(*line.deviceId) : -1, deviceId);
        QCOMPARE(line.request, request);
    }

    void acceptedValues()
    {
        const CommandLine send =
            cli::parseCommandLine({"send", "--out", "Emu", "--rate", "1000000", "--pause", "0", "--card", "f"});
        QVERIFY(send.ok());
        QCOMPARE(send.outPort, QStringLiteral("Emu"));
        QCOMPARE(send.rate, std::optional<int>(1000000));
        QCOMPARE(send.pause, std::optional<int>(0));
        QVERIFY(send.card);
        QVERIFY(!send.force);
        const CommandLine names = cli::parseCommandLine({"names", "f", "--kind", "performances"});
        QCOMPARE(names.kind, ItemKind::Performances);
        const CommandLine convert = cli::parseCommandLine({"convert", "--model", "jv1080", "a", "b"});
        QCOMPARE(convert.model, std::optional<SynthModel>(SynthModel::Jv1080));
        QCOMPARE(convert.what, CommandLine::kAll);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
