#include "setup/DesktopEntry.h"

#include <QtTest/QTest>

class TestDesktopEntry : public QObject
{
    Q_OBJECT

private slots:
    void quoteExecArgument_data();
    void quoteExecArgument();
    void execValue_data();
    void execValue();
    void fromTemplate();
};

void TestDesktopEntry::quoteExecArgument_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("quoted");

    QTest::newRow("plain path") << "/home/ann/toneloom/toneloom"
                                << "/home/ann/toneloom/toneloom";
    QTest::newRow("exclamation mark is not reserved") << "/a/Tone!/x"
                                                      << "/a/Tone!/x";
    QTest::newRow("blank") << "/a/Toneloom! for JV/x"
                           << "\"/a/Toneloom! for JV/x\"";
    QTest::newRow("double quote") << "/a/\"b\"/x"
                                  << "\"/a/\\\"b\\\"/x\"";
    QTest::newRow("single quote") << "/a/it's/x"
                                  << "\"/a/it's/x\"";
    QTest::newRow("dollar") << "/a/$HOME/x"
                            << "\"/a/\\$HOME/x\"";
    QTest::newRow("backtick") << "/a/`id`/x"
                              << "\"/a/\\`id\\`/x\"";
    QTest::newRow("backslash") << "/a/b\\c"
                               << "\"/a/b\\\\c\"";
    QTest::newRow("percent outside quotes") << "/a/100%/x"
                                            << "/a/100%%/x";
    QTest::newRow("percent inside quotes") << "/a/100 %/x"
                                           << "\"/a/100 %%/x\"";
    QTest::newRow("shell characters") << "/a/b&c;d|e<f>g*h?i#j(k)~"
                                      << "\"/a/b&c;d|e<f>g*h?i#j(k)~\"";
    QTest::newRow("tab") << "/a/b\tc"
                         << "\"/a/b\tc\"";
    QTest::newRow("empty") << ""
                           << "\"\"";
}

void TestDesktopEntry::quoteExecArgument()
{
    QFETCH(QString, argument);
    QFETCH(QString, quoted);
    QCOMPARE(CDesktopEntry::quoteExecArgument(argument), quoted);
}

void TestDesktopEntry::execValue_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("value"); // as written in the file

    QTest::newRow("plain") << "/opt/t/toneloom"
                           << "/opt/t/toneloom %F";
    // Quoting first, then the string escapes: a backslash of the quoting is doubled.
    QTest::newRow("dollar") << "/a b/$x/toneloom"
                            << "\"/a b/\\\\$x/toneloom\" %F";
    QTest::newRow("double quote") << "/a\"b/toneloom"
                                  << "\"/a\\\\\"b/toneloom\" %F";
    QTest::newRow("backslash takes four") << "/a\\b/toneloom"
                                          << "\"/a\\\\\\\\b/toneloom\" %F";
    QTest::newRow("newline") << "/a\nb/toneloom"
                             << "\"/a\\nb/toneloom\" %F";
    QTest::newRow("tab and carriage return") << "/a\tb\r/toneloom"
                                             << "\"/a\\tb\\r/toneloom\" %F";
}

void TestDesktopEntry::execValue()
{
    QFETCH(QString, program);
    QFETCH(QString, value);
    QCOMPARE(CDesktopEntry::execValue(program), value);
}

void TestDesktopEntry::fromTemplate()
{
    const QString template_ = QStringLiteral("[Desktop Entry]\r\nType=Application\r\nName=Toneloom! for JV and XP\r\n"
                                             "TryExec=toneloom\r\nExec=toneloom %F\r\nIcon=toneloom\r\n"
                                             "MimeType=application/x-sysex;\r\n");
    const QByteArray entry = CDesktopEntry::fromTemplate(template_, QStringLiteral("/home/a b/toneloom"),
                                                         QStringLiteral("/home/a\\b/icon.png"));
    QCOMPARE(entry, QByteArray("[Desktop Entry]\nType=Application\nName=Toneloom! for JV and XP\n"
                               "Exec=\"/home/a b/toneloom\" %F\nIcon=/home/a\\\\b/icon.png\n"
                               "MimeType=application/x-sysex;\n"));
}

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
