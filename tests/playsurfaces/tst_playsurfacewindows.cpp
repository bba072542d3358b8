// The play surfaces in the running program: the virtual synthesizer's panel, the piano
// keyboard window and its stored place, and the traffic log. What goes out is read
// back from the loopback device as bytes.

#include "controls/common/ControlFactory.h"
#include "controls/common/ControlRegistry.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "midi/MidiLog.h"
#include "midi/MidiTrafficModel.h"
#include "midi/ui/MidiMonitorWnd.h"
#include "playsurfaces/Knob.h"
#include "playsurfaces/PianoKeyMap.h"
#include "playsurfaces/PianoKeyboardWnd.h"
#include "playsurfaces/PianoLayout.h"
#include "playsurfaces/Pickvane.h"
#include "playsurfaces/VirtualSynthDlg.h"
#include "settings/IniFile.h"
#include "settings/WindowPlacement.h"
#include "tests/support/AppSession.h"

#include <QPushButton>
#include <QThreadPool>

using namespace testsupport;
using namespace vsynth::id;

namespace {

QStringList sentTexts(const CLoopbackDevice& device)
{
    QStringList out;
    for (const auto& s : device.sent())
        out << QString::fromLatin1(s.bytes.toHex(' ').toUpper());
    return out;
}

QStringList texts(const QList<QByteArray>& messages)
{
    QStringList out;
    for (const QByteArray& m : messages)
        out << QString::fromLatin1(m.toHex(' ').toUpper());
    return out;
}

void sendKey(QWidget* widget, QEvent::Type type, Qt::Key key, const QString& text, bool autoRepeat)
{
    QKeyEvent event(type, key, Qt::NoModifier, text, autoRepeat);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestPlaySurfaceWindows : public CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv(CControlRegistry::kPathVariable, m_dir.filePath(QStringLiteral("controls.json")).toLocal8Bit());
        CControlFactory::setFallbackFolders({QStringLiteral(TONELOOM_BIN_DIR)});
    }
    void cleanupTestCase() { QThreadPool::globalInstance()->waitForDone(); }

    // Starting sends the patch, then every knob and every choice control its value:
    // 5 patch messages, 61 from the knobs, 56 from the choice controls (each announces
    // twice), all with the configured device ID.
    void virtualSynthStarts()
    {
        CLoopbackDevice ports;
        auto s = start(iniWithDevice(0x13), ports);
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        CVirtualSynthDlg dialog(s->frame()->services(), s->frame());
        QVERIFY2(dialog.errors().isEmpty(), qPrintable(dialog.errors().join('\n')));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("The Virtual Analog JV/XP"));
        QVERIFY(ports.sent().empty()); // nothing before it starts
        dialog.start();
        s->frame()->services().midi().waitUntilSent();
        const QStringList sent = sentTexts(ports);
        QCOMPARE(sent.size(), 5 + 61 + 56);
        QCOMPARE(sent.mid(0, 5), texts(CVirtualSynthSender(0x13).initialPatch()));
        for (const QString& m : sent)
            QVERIFY2(m.startsWith(QStringLiteral("F0 41 13 6A 12 03 00 ")), qPrintable(m));
        // The first knob, LFO 1's depth, goes where LFO 1 goes (the filter).
        QCOMPARE(sent.mid(5, 2),
                 (QStringList{"F0 41 13 6A 12 03 00 10 63 3F 4B F7", "F0 41 13 6A 12 03 00 12 63 3F 49 F7"}));
        // The last choice control, osc B's wave, SAW announced twice.
        QCOMPARE(sent.mid(sent.size() - 2), (QStringList(2, "F0 41 13 6A 12 03 00 12 01 00 02 01 09 5E F7")));
        QCOMPARE(dialog.sender().previousLfo1Dest(), 3);
    }

    // The panel scrolls inside the window on a small screen; the buttons stay in it.
    void virtualSynthFitsA1024By768Screen()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CVirtualSynthDlg dialog(s->frame()->services(), s->frame());
        const QSize least = dialog.minimumSizeHint();
        QVERIFY2(least.width() <= 1024 - 16 && least.height() <= 768 - 64,
                 qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
        const QSize screen = dialog.screen()->availableGeometry().size();
        QVERIFY(dialog.width() <= screen.width() && dialog.height() <= screen.height());
        auto* close = dialog.findChild<QPushButton*>(QStringLiteral("Close"));
        QVERIFY(close);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.rect().contains(QRect(close->mapTo(&dialog, QPoint(0, 0)), close->size())));
    }

    void remoteControl_data()
    {
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("controller");
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("four items: 100 picks the fourth")
            << kFilterMode << 6 << 100
            << QStringList{"F0 41 10 6A 12 03 00 00 44 00 39 F7", "F0 41 10 6A 12 03 00 10 50 03 1A F7",
                           "F0 41 10 6A 12 03 00 12 50 03 18 F7"};
        QTest::newRow("knob near its value")
            << kFilterEnv << 6 << 70
            << QStringList{"F0 41 10 6A 12 03 00 10 55 46 52 F7", "F0 41 10 6A 12 03 00 12 55 46 50 F7"};
        QTest::newRow("knob far from its value") << kFilterEnv << 6 << 80 << QStringList{};
        QTest::newRow("one stop on") << kCutoff << 7 << 5
                                     << QStringList{"F0 41 10 6A 12 03 00 10 53 05 15 F7",
                                                    "F0 41 10 6A 12 03 00 12 53 05 13 F7"};
        QTest::newRow("one stop back") << kCutoff << 5 << 0
                                       << QStringList{"F0 41 10 6A 12 03 00 00 44 01 38 F7",
                                                      "F0 41 10 6A 12 03 00 10 50 01 1C F7",
                                                      "F0 41 10 6A 12 03 00 12 50 01 1A F7"};
        QTest::newRow("a button is no control") << kInit << 6 << 64 << QStringList{};
    }
    void remoteControl()
    {
        QFETCH(int, focus);
        QFETCH(int, controller);
        QFETCH(int, value);
        QFETCH(QStringList, expected);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CVirtualSynthDlg dialog(s->frame()->services(), s->frame());
        dialog.start();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QWidget* target = focus == kInit       ? static_cast<QWidget*>(dialog.initButton())
                          : dialog.knob(focus) ? static_cast<QWidget*>(dialog.knob(focus)->control())
                                               : static_cast<QWidget*>(dialog.choice(focus)->control());
        target->setFocus();
        QCOMPARE(dialog.focusWidget(), target);
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        // Through the input, as a controller on channel 1.
        s->frame()->services().midi().SetThru(false);
        QVERIFY(s->frame()->services().midi().OpenIn());
        QVERIFY(ports.inject(QByteArray::fromHex(QByteArray::number(0xB00000 | controller << 8 | value, 16))));
        QTest::qWait(50);
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(sentTexts(ports), expected);
        dialog.done(QDialog::Accepted);
    }

    // A choice a controller made becomes the control's stored choice; Init still
    // brings back the panel's own.
    void initAfterRemoteChoice()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CVirtualSynthDlg dialog(s->frame()->services(), s->frame());
        dialog.start();
        CPickvane* octave = dialog.choice(kOctave);
        octave->ApplyRemote(0);
        QCOMPARE(octave->GetSelection(), 0); // 4'
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        dialog.initButton()->click();
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(octave->GetSelection(), 1);
        const QStringList sent = sentTexts(ports);
        // As at the start, and the two LFOs' earlier destinations back to neutral first.
        QCOMPARE(sent.size(), 5 + 61 + 56 + 4);
        QVERIFY(sent.contains(QStringLiteral("F0 41 10 6A 12 03 00 10 3D 30 00 F7")));  // 8' = 48
        QVERIFY(!sent.contains(QStringLiteral("F0 41 10 6A 12 03 00 10 3D 3C 74 F7"))); // not 4' = 60
    }

    void keysMoveTheFocus_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<int>("target");
        QTest::newRow("1") << '1' << kOscAWave;
        QTest::newRow("2") << '2' << kOscBWave;
        QTest::newRow("3") << '3' << kPitchEgAttack;
        QTest::newRow("4") << '4' << kLfo1Wave;
    }
    void keysMoveTheFocus()
    {
        QFETCH(char, key);
        QFETCH(int, target);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CVirtualSynthDlg dialog(s->frame()->services(), s->frame());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QWidget* cutoff = dialog.knob(kCutoff)->control();
        cutoff->setFocus();
        // The knob does not want the key; it reaches the panel.
        QTest::keyClick(cutoff, key);
        QWidget* site = dialog.knob(target) ? static_cast<QWidget*>(dialog.knob(target))
                                            : static_cast<QWidget*>(dialog.choice(target));
        QVERIFY(site->isAncestorOf(dialog.focusWidget()));
    }

    // Closed, the panel no longer hears the controller.
    void closingStopsRemoteControl()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        auto dialog = std::make_unique<CVirtualSynthDlg>(s->frame()->services(), s->frame());
        dialog->start();
        dialog->show();
        dialog->knob(kFilterEnv)->control()->setFocus();
        dialog->closeButton()->click();
        QVERIFY(!dialog->isVisible());
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        QVERIFY(s->frame()->services().midi().OpenIn());
        QVERIFY(ports.inject(QByteArray::fromHex("B00640")));
        QTest::qWait(50);
        s->frame()->services().midi().waitUntilSent();
        QVERIFY(ports.sent().empty());
        dialog.reset();
        // Gone, it is no listener either.
        QVERIFY(ports.inject(QByteArray::fromHex("B00640")));
        QTest::qWait(20);
    }

    // The log of the traffic, asked for by the environment: opening the virtual synth
    // from the menu writes the patch to it first, with the configured device ID.
    void logOfTheVirtualSynth()
    {
        const QString logPath = m_dir.filePath(QStringLiteral("traffic.log"));
        qputenv(CMidiLog::kVariable, logPath.toLocal8Bit());
        CLoopbackDevice ports;
        auto s = start(iniWithDevice(0x15), ports);
        qunsetenv(CMidiLog::kVariable);
        QVERIFY(s->frame()->services().midiLog() && s->frame()->services().midiLog()->isOpen());
        QString opened;
        s->prompter.onExec = [&](QDialog& dialog) {
            opened = dialog.windowTitle();
            return int(QDialog::Accepted);
        };
        s->frame()->action(cmd::kVirtualSynth)->trigger();
        QCOMPARE(opened, QStringLiteral("The Virtual Analog JV/XP"));
        s->frame()->services().midi().waitUntilSent();
        s->frame()->services().midi().deliverTraffic();
        const QStringList lines = QString::fromLatin1(readFile(logPath)).split('\n', Qt::SkipEmptyParts);
        QStringList sysEx;
        for (const QString& line : lines) {
            const QString bytes = line.section(' ', 2);
            QVERIFY2(line.section(' ', 0, 0).toLongLong() >= 0 && line.section(' ', 1, 1) == QLatin1String("OUT"),
                     qPrintable(line));
            if (bytes.startsWith(QLatin1String("F0")))
                sysEx << bytes;
        }
        QCOMPARE(sysEx.size(), 5 + 61 + 56);
        QCOMPARE(sysEx.mid(0, 5), texts(CVirtualSynthSender(0x15).initialPatch()));
        for (const QString& m : sysEx)
            QVERIFY2(m.startsWith(QLatin1String("F0 41 15 6A")), qPrintable(m));
    }

    void missingModulesAreSaid()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CControlFactory::setFallbackFolders({m_dir.path()});
        s->frame()->action(cmd::kVirtualSynth)->trigger();
        CControlFactory::setFallbackFolders({QStringLiteral(TONELOOM_BIN_DIR)});
        QCOMPARE(s->prompter.messages.size(), std::size_t{1});
        QVERIFY(s->prompter.messages[0].second.startsWith(QStringLiteral("The Virtual Synth cannot be shown: ")));
        QVERIFY(s->prompter.dialogs.isEmpty());
        s->frame()->services().midi().waitUntilSent();
        QVERIFY(ports.sent().empty());
    }

    // ------------------------------------------------------------ piano

    void pianoMetrics_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QList<int>>("metrics"); // white w, white h, black w, black h, white count, offset
        QTest::newRow("80 high") << QSize(500, 80) << QList<int>{11, 80, 6, 50, 46, 8};
        QTest::newRow("120 high") << QSize(700, 120) << QList<int>{17, 120, 10, 75, 42, 12};
        QTest::newRow("too low for a key") << QSize(10, 3) << QList<int>{1, 3, 0, 1, 11, 1};
    }
    void pianoMetrics()
    {
        QFETCH(QSize, client);
        QFETCH(QList<int>, metrics);
        const CPianoLayout keys(client);
        QCOMPARE((QList<int>{keys.whiteWidth(), keys.whiteHeight(), keys.blackWidth(), keys.blackHeight(),
                             keys.whiteCount(), keys.blackOffset()}),
                 metrics);
    }

    void pianoHitTest_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("note");
        // White keys 11 wide, black keys 6 wide and 50 high.
        QTest::newRow("C, left half, upper part") << QPoint(2, 10) << 0;
        QTest::newRow("C, right edge, upper part: C#") << QPoint(10, 10) << 1;
        QTest::newRow("C, right edge, lower part") << QPoint(10, 70) << 0;
        QTest::newRow("C#'s lowest row") << QPoint(10, 50) << 1;
        QTest::newRow("just below C#") << QPoint(10, 51) << 0;
        QTest::newRow("D, left edge: C#") << QPoint(11, 10) << 1;
        QTest::newRow("E, right edge, upper part") << QPoint(32, 10) << 4;
        QTest::newRow("E, left edge, upper part: D#") << QPoint(22, 10) << 3;
        QTest::newRow("F, left edge") << QPoint(33, 10) << 5;
        QTest::newRow("B, right edge") << QPoint(76, 10) << 11;
        QTest::newRow("next C") << QPoint(78, 10) << 12;
        QTest::newRow("left of the window") << QPoint(-1, 10) << -1;
        QTest::newRow("below the window") << QPoint(5, 80) << -1;
    }
    void pianoHitTest()
    {
        QFETCH(QPoint, point);
        QFETCH(int, note);
        QCOMPARE(CPianoLayout(QSize(500, 80)).hitTest(point), note);
    }

    // MIDI stops at 127 (G9, keyboard note 91); the keys above are not played.
    void pianoKeysAbove127()
    {
        const CPianoLayout keys(QSize(2000, 80));
        QCOMPARE(CPianoLayout::whiteNote(53), 91);
        QVERIFY(CPianoLayout::isPlayable(91));
        QVERIFY(!CPianoLayout::isPlayable(92));
        const QPoint g9(53 * 11 + 3, 70);
        const QPoint a9(54 * 11 + 3, 70);
        const QPoint gSharp9(53 * 11 + 10, 10);
        QCOMPARE(keys.playableAt(g9), 91);
        QCOMPARE(keys.playableAt(a9), -1);
        QCOMPARE(keys.playableAt(gSharp9), -1);

        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CPianoKeyboardWnd* piano = s->frame()->pianoKeyboard();
        piano->resize(2000, 80);
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        QTest::mouseClick(piano, Qt::LeftButton, {}, a9);
        QTest::mouseClick(piano, Qt::LeftButton, {}, g9);
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(sentTexts(ports), (QStringList{"90 7F 60", "90 7F 00"}));
        // Drawn as keys that do not play.
        const QImage image = piano->grab().toImage();
        QCOMPARE(image.pixelColor(g9), QColor(Qt::white));
        QVERIFY(image.pixelColor(a9) != QColor(Qt::white));
    }

    void pianoMouse()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CPianoKeyboardWnd* piano = s->frame()->pianoKeyboard();
        QVERIFY(piano->isVisible());
        QCOMPARE(piano->windowTitle(), QStringLiteral("Piano Keyboard"));
        // Above the main window as its tool window, never above the program's dialogs.
        QVERIFY(piano->windowFlags() & Qt::Tool);
        QVERIFY(!(piano->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(piano->parentWidget(), s->frame());
        piano->resize(500, 80);
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        QTest::mousePress(piano, Qt::LeftButton, {}, QPoint(2, 70));
        QCOMPARE(piano->pressedNote(), 0);
        movePointer(piano, QPoint(5, 70)); // the same key: nothing new
        movePointer(piano, QPoint(13, 70));
        QCOMPARE(piano->pressedNote(), 2);
        QTest::mouseRelease(piano, Qt::LeftButton, {}, QPoint(13, 70));
        QCOMPARE(piano->pressedNote(), -1);
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(sentTexts(ports), (QStringList{"90 24 60", "90 24 00", "90 26 60", "90 26 00"}));
        // Off the keys the note ends and comes back with the pointer.
        ports.clearSent();
        QTest::mousePress(piano, Qt::LeftButton, {}, QPoint(2, 70));
        movePointer(piano, QPoint(2, 200));
        movePointer(piano, QPoint(2, 70));
        QTest::mouseRelease(piano, Qt::LeftButton, {}, QPoint(2, 70));
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(sentTexts(ports), (QStringList{"90 24 60", "90 24 00", "90 24 60", "90 24 00"}));
    }

    // A held key repeats; it sounds once and ends once, whether the repeat is marked as
    // such or comes as plain releases and presses (as on some X servers).
    void pianoComputerKeys_data()
    {
        QTest::addColumn<bool>("marked");
        QTest::addColumn<int>("repeats");
        QTest::newRow("marked repeats") << true << 3;
        QTest::newRow("plain release and press pairs") << false << 16;
    }
    void pianoComputerKeys()
    {
        QFETCH(bool, marked);
        QFETCH(int, repeats);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CPianoKeyboardWnd* piano = s->frame()->pianoKeyboard();
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        sendKey(piano, QEvent::KeyPress, Qt::Key_A, QStringLiteral("a"), false);
        QCOMPARE(piano->pressedNote(), 24);
        for (int i = 0; i < repeats; ++i) {
            sendKey(piano, QEvent::KeyRelease, Qt::Key_A, QStringLiteral("a"), marked);
            sendKey(piano, QEvent::KeyPress, Qt::Key_A, QStringLiteral("a"), marked);
        }
        QTest::qWait(2 * CPianoKeyboardWnd::kRepeatGapMs);
        sendKey(piano, QEvent::KeyPress, Qt::Key_P, QStringLiteral("p"), false);
        sendKey(piano, QEvent::KeyRelease, Qt::Key_A, QStringLiteral("a"), false);
        sendKey(piano, QEvent::KeyPress, Qt::Key_X, QStringLiteral("x"), false); // not a piano key
        sendKey(piano, QEvent::KeyRelease, Qt::Key_P, QStringLiteral("P"), false);
        QTRY_COMPARE(piano->pressedNote(), -1);
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(sentTexts(ports), (QStringList{"90 3C 60", "90 4B 60", "90 3C 00", "90 4B 00"}));
    }

    // The keys by their place: the same two rows on every layout.
    void pianoKeyPlaces_data()
    {
        using pianokeys::Platform;
        QTest::addColumn<int>("platform");
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<quint32>("virtualKey");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        const auto row = [](const char* name, Platform p, quint32 scan, quint32 vk, const char* text, int index) {
            QTest::newRow(name) << int(p) << scan << vk << QString::fromUtf8(text) << index;
        };
        row("X11, QWERTZ A", Platform::X11, 38, 0x61, "a", 0);
        row("X11, AZERTY: Q on A's place", Platform::X11, 38, 0x71, "q", 0);
        row("X11, AZERTY: A on Q's place", Platform::X11, 24, 0x61, "a", -1);
        row("X11, QWERTY Y next to T", Platform::X11, 29, 0x79, "y", 8);
        row("X11, QWERTY Z is no piano key", Platform::X11, 52, 0x7A, "z", -1);
        row("X11, P", Platform::X11, 33, 0x70, "p", 15);
        row("X11 without a place: the character", Platform::X11, 0, 0, "z", 8);
        row("Windows, scan code of A", Platform::Windows, 0x1E, 0x41, "q", 0);
        row("Windows, scan code of O", Platform::Windows, 0x18, 0x4F, "o", 13);
        row("Mac, W", Platform::Mac, 0, 0x0D, "z", 1);
        row("Mac, A has code 0", Platform::Mac, 0, 0x00, "a", 0);
        row("another platform: Z", Platform::Other, 52, 0, "Z", 8);
        row("another platform: lower case", Platform::Other, 0, 0, "l", 14);
        row("another platform: digit", Platform::Other, 0, 0, "1", -1);
        row("two characters", Platform::Other, 0, 0, "ab", -1);
    }
    void pianoKeyPlaces()
    {
        QFETCH(int, platform);
        QFETCH(quint32, scanCode);
        QFETCH(quint32, virtualKey);
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(pianokeys::keyIndex(static_cast<pianokeys::Platform>(platform), scanCode, virtualKey, text), index);
    }

    // A note still sounding gets its note-off when the window loses the mouse or the
    // keyboard, or is hidden or closed.
    void pianoEndsItsNotes_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("key");
        QTest::addColumn<QString>("off");
        for (const char* how : {"hide", "close", "deactivate", "ungrab", "move without button"})
            QTest::newRow(how) << QString::fromLatin1(how) << false << QStringLiteral("90 24 00");
        for (const char* how : {"hide", "close", "focus out"})
            QTest::newRow((QByteArray("key, ") + how).constData())
                << QString::fromLatin1(how) << true << QStringLiteral("90 3C 00");
    }
    void pianoEndsItsNotes()
    {
        QFETCH(QString, how);
        QFETCH(bool, key);
        QFETCH(QString, off);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        QPointer<CPianoKeyboardWnd> piano = s->frame()->pianoKeyboard();
        piano->resize(500, 80);
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        if (key)
            sendKey(piano, QEvent::KeyPress, Qt::Key_A, QStringLiteral("a"), false);
        else
            QTest::mousePress(piano, Qt::LeftButton, {}, QPoint(2, 70));
        if (how == QLatin1String("hide")) {
            piano->hide();
        } else if (how == QLatin1String("close")) {
            QVERIFY(piano->close());
            QVERIFY(piano); // hidden, not destroyed
            QVERIFY(!piano->isVisible());
        } else if (how == QLatin1String("deactivate")) {
            QEvent event(QEvent::WindowDeactivate);
            QApplication::sendEvent(piano, &event);
        } else if (how == QLatin1String("ungrab")) {
            QEvent event(QEvent::UngrabMouse);
            QApplication::sendEvent(piano, &event);
        } else if (how == QLatin1String("move without button")) {
            movePointer(piano, QPoint(13, 70), Qt::NoButton);
        } else if (how == QLatin1String("focus out")) {
            QFocusEvent event(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(piano, &event);
        }
        QCOMPARE(piano->pressedNote(), -1);
        // The release that comes late sends nothing more.
        if (key)
            sendKey(piano, QEvent::KeyRelease, Qt::Key_A, QStringLiteral("a"), false);
        else
            QTest::mouseRelease(piano, Qt::LeftButton, {}, QPoint(13, 70));
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(sentTexts(ports), (QStringList{key ? QStringLiteral("90 3C 60") : QStringLiteral("90 24 60"), off}));
    }

    void pianoIsAtLeast80High()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CPianoKeyboardWnd* piano = s->frame()->pianoKeyboard();
        QCOMPARE(piano->minimumHeight(), 80);
        piano->resize(300, 40);
        QCOMPARE(piano->height(), 80);
        QCOMPARE(piano->layout().whiteWidth(), 11);
    }

    // View > Piano Keyboard shows and hides it with a check mark; it comes back where it was.
    void pianoMenuEntry()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CPianoKeyboardWnd* piano = s->frame()->pianoKeyboard();
        QAction* entry = s->frame()->action(cmd::kPianoKeyboard);
        QVERIFY(entry->isEnabled());
        QVERIFY(entry->isChecked());
        const QRect place(120, 300, 420, 90);
        piano->setGeometry(place);
        piano->close();
        QVERIFY(!entry->isChecked());
        entry->trigger();
        QVERIFY(piano->isVisible());
        QVERIFY(entry->isChecked());
        QCOMPARE(piano->geometry(), place);
        entry->trigger();
        QVERIFY(!piano->isVisible());
        QVERIFY(!entry->isChecked());
    }

    // Exit stores the place and whether it was shown; the next start brings both back.
    void pianoPlaceIsStored_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << true;
        QTest::newRow("hidden") << false;
    }
    void pianoPlaceIsStored()
    {
        QFETCH(bool, shown);
        const QString ini = freshIni();
        const QRect place(150, 420, 600, 100);
        {
            CLoopbackDevice ports;
            auto s = start(ini, ports);
            s->frame()->pianoKeyboard()->setGeometry(place);
            s->frame()->pianoKeyboard()->setVisible(shown);
            QVERIFY(s->frame()->close());
        }
        CIniFile file(ini);
        QCOMPARE(file.readInt(QStringLiteral("SETUP"), QStringLiteral("PianoKeyboardActive"), -1), shown ? 1 : 0);
        const auto stored =
            CWindowPlacement::fromText(file.readString(QStringLiteral("WIN_POS"), QStringLiteral("Pianokeyboard")));
        QVERIFY(stored);
        QCOMPARE(stored->normalRect(), place);
        CLoopbackDevice ports;
        auto s = start(ini, ports);
        QCOMPARE(s->frame()->pianoKeyboard()->geometry(), place);
        QCOMPARE(s->frame()->pianoKeyboard()->isVisible(), shown);
        QCOMPARE(s->frame()->action(cmd::kPianoKeyboard)->isChecked(), shown);
    }

    // The program ends while a key is held: the note ends too.
    void pianoNoteEndsWithTheProgram()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CPianoKeyboardWnd* piano = s->frame()->pianoKeyboard();
        piano->resize(500, 80);
        QTest::mousePress(piano, Qt::LeftButton, {}, QPoint(24, 70)); // E
        s->frame()->services().midi().waitUntilSent();
        ports.clearSent();
        QVERIFY(s->frame()->close());
        s->frame()->services().midi().waitUntilSent();
        QCOMPARE(sentTexts(ports), QStringList{"90 28 00"});
        s.reset();
        QCOMPARE(sentTexts(ports), QStringList{"90 28 00"}); // and nothing sounds to be released
    }

    void midiMonitorListsTraffic()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        QAction* entry = s->frame()->action(cmd::kMidiMonitor);
        QCOMPARE(entry->text(), QStringLiteral("MIDI &Monitor"));
        QVERIFY(!entry->isChecked());
        entry->trigger();
        CMidiMonitorWnd* monitor = s->frame()->midiMonitor();
        QVERIFY(monitor && monitor->isVisible() && monitor->isListening());
        QVERIFY(entry->isChecked());
        CPianoKeyboardWnd* piano = s->frame()->pianoKeyboard();
        piano->resize(500, 80);
        QTest::mouseClick(piano, Qt::LeftButton, {}, QPoint(2, 70));
        s->frame()->services().midi().waitUntilSent();
        QTRY_COMPARE(monitor->model().rowCount(), 2);
        QCOMPARE(monitor->model().data(monitor->model().index(0, 3)).toString(),
                 QStringLiteral("Note On, ch 1, C2 (36), velocity 96"));
        monitor->pauseButton()->click();
        QTest::mouseClick(piano, Qt::LeftButton, {}, QPoint(2, 70));
        s->frame()->services().midi().waitUntilSent();
        s->frame()->services().midi().deliverTraffic();
        QCOMPARE(monitor->model().rowCount(), 2);
        monitor->pauseButton()->click();
        monitor->clearButton()->click();
        QCOMPARE(monitor->model().rowCount(), 0);
        entry->trigger();
        QVERIFY(!monitor->isVisible() && !monitor->isListening());
        QVERIFY(!entry->isChecked());
    }

private:
    QString iniWithDevice(int device)
    {
        const QString path = freshIni();
        CIniFile file(path);
        file.writeInt(QStringLiteral("SETUP"), QStringLiteral("DEVICEID"), device);
        return path;
    }
};

QTEST_MAIN(TestPlaySurfaceWindows)
#include "tst_playsurfacewindows.moc"
