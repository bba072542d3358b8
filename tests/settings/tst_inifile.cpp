#include "model/Reporter.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "settings/WindowPlacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void readValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray file = "; settings\r\n[SETUP]\r\nACTPATH=C:\\Sounds\\Banks\\\r\n"
                                "WindowPos = 0,1,-1,-1, 2 ,3\r\nquoted=\"a b\"\r\n[win_pos]\r\nX=1\r\n";
        QTest::newRow("backslashes kept") << file << "SETUP"
                                          << "ACTPATH"
                                          << "C:\\Sounds\\Banks\\";
        QTest::newRow("section case") << file << "setup"
                                      << "actpath"
                                      << "C:\\Sounds\\Banks\\";
        QTest::newRow("key case") << file << "Setup"
                                  << "ActPath"
                                  << "C:\\Sounds\\Banks\\";
        QTest::newRow("commas and inner blanks") << file << "SETUP"
                                                 << "windowpos"
                                                 << "0,1,-1,-1, 2 ,3";
        QTest::newRow("quotes dropped") << file << "SETUP"
                                        << "QUOTED"
                                        << "a b";
        QTest::newRow("lower-case section") << file << "WIN_POS"
                                            << "x"
                                            << "1";
        QTest::newRow("missing key") << file << "SETUP"
                                     << "NOPE"
                                     << "fallback";
        QTest::newRow("missing section") << file << "LIBRARY"
                                         << "ACTPATH"
                                         << "fallback";
        QTest::newRow("LF only") << QByteArray("[A]\nk=v\n") << "a"
                                 << "K"
                                 << "v";
        QTest::newRow("latin-1") << QByteArray("[A]\r\nk=Caf\xe9\r\n") << "A"
                                 << "k" << QString::fromUtf8("Café");
    }
    void readValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        CIniFile ini(QString{});
        ini.parse(file);
        QCOMPARE(ini.readString(section, key, QStringLiteral("fallback")), expected);
    }

    void readInt_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "17" << 17;
        QTest::newRow("negative") << "-5" << -5;
        QTest::newRow("trailing text") << "12abc" << 12;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("huge") << "99999999999" << std::numeric_limits<int>::max();
    }
    void readInt()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        CIniFile ini(QString{});
        ini.parse("[S]\r\nK=" + value.toUtf8() + "\r\n");
        QCOMPARE(ini.readInt(QStringLiteral("S"), QStringLiteral("K"), 42), expected);
        QCOMPARE(ini.readInt(QStringLiteral("S"), QStringLiteral("missing"), 42), 42);
    }

    void writeKeepsOrderAndComments()
    {
        const QString file = path(QStringLiteral("order.ini"));
        writeFile(file, "; comment\r\n[SETUP]\r\nMidiIn=3\r\nREMOTE=6\r\n\r\n[WIN_POS]\r\nWindowPos=x\r\n");
        CIniFile ini(file);
        QVERIFY(ini.writeInt(QStringLiteral("setup"), QStringLiteral("MIDIIN"), 4));
        QVERIFY(ini.writeString(QStringLiteral("SETUP"), QStringLiteral("DEVICEID"), QStringLiteral("17")));
        QVERIFY(ini.writeString(QStringLiteral("LIBRARY"), QStringLiteral("Key0"), QStringLiteral("Bass")));
        QCOMPARE(readFile(file), QByteArray("; comment\r\n[SETUP]\r\nMidiIn=4\r\nREMOTE=6\r\nDEVICEID=17\r\n\r\n"
                                            "[WIN_POS]\r\nWindowPos=x\r\n[LIBRARY]\r\nKey0=Bass\r\n"));
        CIniFile again(file);
        QCOMPARE(again.readInt(QStringLiteral("SETUP"), QStringLiteral("midiin"), 0), 4);
        QCOMPARE(again.readString(QStringLiteral("library"), QStringLiteral("KEY0")), QStringLiteral("Bass"));
    }

    void batchWritesOnce()
    {
        const QString file = path(QStringLiteral("batch.ini"));
        CIniFile ini(file);
        ini.beginBatch();
        ini.writeInt(QStringLiteral("S"), QStringLiteral("a"), 1);
        ini.writeInt(QStringLiteral("S"), QStringLiteral("b"), 2);
        QVERIFY(!QFile::exists(file));
        QVERIFY(ini.endBatch());
        QCOMPARE(readFile(file), QByteArray("[S]\r\na=1\r\nb=2\r\n"));
    }

    void failedWriteKeepsOldFile()
    {
        const QString folder = path(QStringLiteral("ro"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/TONELOOM.INI");
        writeFile(file, "[SETUP]\r\nREMOTE=6\r\n");
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (QFileInfo(folder).isWritable())
            QSKIP("running with rights that ignore folder permissions");
        CIniFile ini(file);
        QVERIFY(!ini.writeInt(QStringLiteral("SETUP"), QStringLiteral("REMOTE"), 7));
        QVERIFY(!ini.errorString().isEmpty());
        QCOMPARE(ini.readInt(QStringLiteral("SETUP"), QStringLiteral("REMOTE"), 0), 7);
        QCOMPARE(readFile(file), QByteArray("[SETUP]\r\nREMOTE=6\r\n"));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void environmentOverride()
    {
        const QByteArray old = qgetenv(CIniFile::kEnvironmentOverride);
        qputenv(CIniFile::kEnvironmentOverride, "/somewhere/else.ini");
        QCOMPARE(CIniFile::defaultPath(), QStringLiteral("/somewhere/else.ini"));
        qunsetenv(CIniFile::kEnvironmentOverride);
        QVERIFY(CIniFile::defaultPath().endsWith(QStringLiteral("/TONELOOM.INI")));
        qputenv(CIniFile::kEnvironmentOverride, old);
    }

    void placement_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ten") << "2,3,-1,-1,-4,-23,10,20,810,620" << true;
        QTest::newRow("blanks") << "0, 1, -1, -1, -1, -1, 0, 0, 100, 100" << true;
        QTest::newRow("nine") << "0,1,-1,-1,-1,-1,0,0,100" << false;
        QTest::newRow("letter") << "0,1,-1,-1,-1,-1,0,0,100,x" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("negative flags") << "-1,1,-1,-1,-1,-1,0,0,100,100" << false;
        // Coordinates no screen has: their rectangle cannot even be computed in int.
        QTest::newRow("right at the lowest int") << "0,1,-1,-1,-1,-1,0,0,-2147483648,100" << false;
        QTest::newRow("wider than int") << "0,1,-1,-1,-1,-1,-2000000000,0,2000000000,100" << false;
        QTest::newRow("far off but possible") << "0,2,-32000,-32000,-1,-1,-16777215,0,16777215,300" << true;
    }
    void placement()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto p = CWindowPlacement::fromText(text);
        QCOMPARE(p.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(p->toText(), QString(text).remove(QLatin1Char(' ')));
        // The window's rectangle and the placement stored back from it agree.
        CWindowPlacement stored = *p;
        stored.setNormalRect(p->normalRect());
        QCOMPARE(stored.toText(), p->toText());
    }

    void settingsDefaults()
    {
        CIniFile ini(path(QStringLiteral("none.ini")));
        CAppSettings s(ini);
        QCOMPARE(s.midi().deviceId, 16);
        QCOMPARE(s.synth().deviceId, std::uint8_t(0x10));
        QCOMPARE(s.midi().remote, 6);
        QCOMPARE(int(s.midi().model), 0);
        QCOMPARE(s.midi().sendRate, 3125);
        QCOMPARE(s.midi().sendPause, 20);
        QCOMPARE(s.realtime(), true);
        QCOMPARE(s.viewFontSize(), 13);
        QCOMPARE(s.pianoKeyboardActive(), true);
        QCOMPARE(s.currentFolder(), QString());
        QCOMPARE(s.preset(0).name, QStringLiteral("Preset 1"));
        QCOMPARE(s.preset(9).name, QStringLiteral("Preset 10"));
        QCOMPARE(s.preset(3).levels, (std::array<int, 4>{127, 50, 127, 20}));
        QCOMPARE(s.preset(3).times, (std::array<int, 4>{127, 127, 127, 127}));
        QCOMPARE(s.libraryKey(255), QStringLiteral("No Entry"));
        QCOMPARE(s.randomOption(QStringLiteral("TVF"), 4), true);
        QVERIFY(!QFile::exists(ini.path())); // reading writes nothing
    }

    void settingsOutOfRangeFallBack()
    {
        CIniFile ini(QString{});
        ini.parse("[SETUP]\r\nDEVICEID=5\r\nWHICHSYNTH=7\r\nREMOTE=300\r\nVIEWFONTSIZE=0\r\nEXPBOARD3=200\r\n");
        CAppSettings s(ini);
        QCOMPARE(s.midi().deviceId, 16);
        QCOMPARE(int(s.midi().model), 0);
        QCOMPARE(s.midi().remote, 6);
        QCOMPARE(s.viewFontSize(), 13);
        QCOMPARE(s.midi().boards[2], 0);
    }

    void settingsWrittenAtOnce()
    {
        const QString file = path(QStringLiteral("written.ini"));
        CIniFile ini(file);
        CAppSettings s(ini);
        s.setCurrentFolder(QStringLiteral("/home/user/banks/"));
        s.setRealtime(false);
        CAppSettings::Midi m = s.midi();
        m.deviceId = 0x1F;
        m.model = SynthModel::Jv2080;
        m.boards[7] = 12;
        m.send = {true, false, true};
        m.inName = QStringLiteral("Toneloom Emulator");
        s.setMidi(m);
        QCOMPARE(s.synth().deviceId, std::uint8_t(0x1F));
        QCOMPARE(s.synth().model, SynthModel::Jv2080);

        CIniFile reread(file);
        QCOMPARE(reread.readString(QStringLiteral("SETUP"), QStringLiteral("ACTPATH")),
                 QStringLiteral("/home/user/banks/"));
        QCOMPARE(reread.readInt(QStringLiteral("SETUP"), QStringLiteral("REALTIME"), -1), 0);
        QCOMPARE(reread.readInt(QStringLiteral("SETUP"), QStringLiteral("DEVICEID"), -1), 31);
        QCOMPARE(reread.readInt(QStringLiteral("SETUP"), QStringLiteral("WHICHSYNTH"), -1), 1);
        QCOMPARE(reread.readInt(QStringLiteral("SETUP"), QStringLiteral("EXPBOARD8"), -1), 12);
        QCOMPARE(reread.readInt(QStringLiteral("SETUP"), QStringLiteral("SENDPATCH"), -1), 1);
        QCOMPARE(reread.readInt(QStringLiteral("SETUP"), QStringLiteral("SENDPERFORMANCE"), -1), 0);
        QCOMPARE(reread.readInt(QStringLiteral("SETUP"), QStringLiteral("SENDRATE"), -1), 3125);
        QCOMPARE(reread.readString(QStringLiteral("SETUP"), QStringLiteral("MIDIINNAME")),
                 QStringLiteral("Toneloom Emulator"));
        CAppSettings second(reread);
        QCOMPARE(second.midi().boards[7], 12);
        QCOMPARE(second.realtime(), false);
    }

    void settingsFailureReportedOnce()
    {
        CCollectingReporter reporter;
        CIniFile ini(QStringLiteral("/proc/no/such/TONELOOM.INI"));
        CAppSettings s(ini, &reporter);
        s.setRealtime(false);
        s.setUseCategory(true);
        QCOMPARE(reporter.messages().size(), std::size_t(1));
        QVERIFY(reporter.texts().first().contains(QStringLiteral("could not be written")));
        QCOMPARE(s.useCategory(), true);
    }

    void folderOf_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("unix") << "/home/a/bank.syx"
                              << "/home/a/";
        QTest::newRow("windows") << "C:\\Banks\\x.syx"
                                 << "C:\\Banks\\";
        QTest::newRow("bare") << "x.syx"
                              << "";
    }
    void folderOf()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QCOMPARE(CAppSettings::folderOf(path), folder);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
