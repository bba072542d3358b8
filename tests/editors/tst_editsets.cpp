#include "EditorFixture.h"

#include "bank/ToneloomDoc.h"
#include "editors/CopyPartDlg.h"
#include "editors/CopyRhythmToneDlg.h"
#include "editors/EditPatchDlg.h"
#include "editors/EditRhythmDlg.h"
#include "editors/EnvelopePage.h"
#include "editors/MultiCommonPage.h"
#include "editors/MultiMixDialog.h"
#include "editors/MultiRowTabBar.h"
#include "editors/PerformanceEditDlg.h"
#include "editors/WrapSpinBox.h"
#include "emulator/EmulatorDevice.h"
#include "model/ParamMessages.h"
#include "model/PerformanceArray.h"
#include "model/RhythmArray.h"
#include "model/RhythmKeyNames.h"
#include "settings/IniFile.h"
#include "ui/ValueKnob.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWheelEvent>

#include <random>

using namespace editortest;
using params::Param;
using sysex::Block;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray newPerformance()
{
    CPerformanceArray performances;
    return performances.record(0);
}

QByteArray newRhythmSet()
{
    CRhythmArray rhythms;
    return rhythms.record(0);
}

// A record whose every row holds a value of its own, drawn from what the row and its
// list can hold, with valid checksums: what a real instrument's dump looks like to the
// editor.
QByteArray variedRecord(params::Editor editor, unsigned seed, const CExpansionNames& names)
{
    CRecordEdit edit(editor, editor == params::Editor::Rhythm ? newRhythmSet() : newPerformance(),
                     SynthSettings{SynthModel::Jv2080, SynthSettings::kDefaultDeviceId}, &names);
    edit.setRealtime(false);
    std::mt19937 random(seed);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, std::max(lo, hi))(random); };
    for (Block block : {recordlayout::commonBlock(editor), recordlayout::subBlock(editor)}) {
        for (int index = 0; index < recordlayout::blockCount(block); ++index) {
            for (const Param& p : params::rows(block)) {
                if (p.encoding == params::Encoding::Name || !params::existsOn(p, SynthModel::Jv2080))
                    continue;
                if (p.id.startsWith(QLatin1String("perf.voiceReserve"))) {
                    edit.change(p, index, pick(0, 4));
                    continue;
                }
                if (p.encoding == params::Encoding::Group) {
                    const auto groups = p.list.kind == valuelists::Kind::WaveGroup ? params::waveGroups(names)
                                                                                   : params::patchGroups(names, index);
                    // Groups with names of their own, so that the number's list is known.
                    edit.change(p, index, groups[static_cast<std::size_t>(pick(1, 2))].value());
                    continue;
                }
                const auto [lo, hi] = edit.range(p, index);
                edit.change(p, index, pick(lo, hi));
            }
        }
    }
    edit.changeName(QStringLiteral("Varied %1").arg(seed));
    return edit.image();
}

// Turns the wheel over a widget, as the mouse does.
void wheel(QWidget* w, int steps)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

// The widget inside a knob that takes the mouse (the control, else the knob).
QWidget* knobInner(CValueKnob* knob)
{
    QWidget* inner = knob;
    while (!inner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        inner = inner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).last();
    return inner;
}

} // namespace

class TestEditSets : public testsupport::CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tabsAndTitles_data();
    void tabsAndTitles();
    void everyControlLoadsAndStoresBack_data();
    void everyControlLoadsAndStoresBack();
    void realtimeReachesTheEmulator_data();
    void realtimeReachesTheEmulator();
    void voiceReserveLowersAndSendsTheLoweredValue();
    void partGroupsAndPatches_data();
    void partGroupsAndPatches();
    void panAndKeyRangeWrap_data();
    void panAndKeyRangeWrap();
    void mixLoadingSendsNothing();
    void mixControlsSendOneMessage_data();
    void mixControlsSendOneMessage();
    void wheelTurnsOnlyAFocusedKnob();
    void mixShowsValuesAndJumpsWithinThePart();
    void sendButtonNamesTheItem();
    void editorsFitA1024By768Screen_data();
    void editorsFitA1024By768Screen();
    void mixShortcutsAndRemote_data();
    void mixShortcutsAndRemote();
    void copyPart_data();
    void copyPart();
    void rhythmKeysAndPublishedKey();
    void keyChangeStoresTheOldKeyFirst();
    void rhythmNameSoundsAsTyped();
    void rhythmIgnoresRemoteValues();
    void copyRhythmTone_data();
    void copyRhythmTone();
    void editFromTheBank_data();
    void editFromTheBank();
    void untouchedSetsSaveByteForByte();

private:
    CExpansionNames& names()
    {
        if (!m_names)
            m_names = std::make_unique<CExpansionNames>(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), m_reporter);
        return *m_names;
    }
    CCollectingReporter m_reporter;
    std::unique_ptr<CExpansionNames> m_names;
};

void TestEditSets::initTestCase()
{
    QVERIFY(m_dir.isValid());
    useBuiltControls(m_dir.path());
}

void TestEditSets::tabsAndTitles_data()
{
    QTest::addColumn<bool>("rhythm");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("tabs");
    QStringList performance = {"Common"};
    for (int p = 1; p <= 16; ++p)
        performance << QStringLiteral("Part %1").arg(p);
    performance << "Chorus/Reverb"
                << "EFX"
                << "Mix";
    QTest::newRow("performance") << false << "Performance Edit" << performance;
    QTest::newRow("rhythm") << true << "Edit Rhythm" << QStringList{"Wave", "Pitch", "TVF", "TVA"};
}

void TestEditSets::tabsAndTitles()
{
    QFETCH(bool, rhythm);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    std::unique_ptr<CRecordEditDlg> dlg;
    if (rhythm)
        dlg = std::make_unique<CEditRhythmDlg>(s->frame()->services(), newRhythmSet());
    else
        dlg = std::make_unique<CPerformanceEditDlg>(s->frame()->services(), newPerformance());
    QTEST(dlg->windowTitle(), "title");
    QStringList texts;
    for (int i = 0; i < dlg->tabBar()->count(); ++i)
        texts << dlg->tabBar()->tabText(i);
    QTEST(texts, "tabs");
    // Every page can be shown, one at a time.
    for (int i = 0; i < dlg->tabBar()->count(); ++i) {
        dlg->showTab(i);
        QVERIFY(dlg->currentPage());
        QCOMPARE(dlg->findChildren<CTabPage*>().size(), 1);
    }
}

void TestEditSets::everyControlLoadsAndStoresBack_data()
{
    QTest::addColumn<bool>("rhythm");
    QTest::addColumn<unsigned>("seed"); // 0: a new record
    QTest::newRow("new performance") << false << 0U;
    QTest::newRow("varied performance 1") << false << 1U;
    QTest::newRow("varied performance 2") << false << 2U;
    QTest::newRow("new rhythm set") << true << 0U;
    QTest::newRow("varied rhythm set 3") << true << 3U;
}

void TestEditSets::everyControlLoadsAndStoresBack()
{
    QFETCH(bool, rhythm);
    QFETCH(unsigned, seed);
    const params::Editor editor = rhythm ? params::Editor::Rhythm : params::Editor::Performance;
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CTestServices services(s->frame()->services());
    const QByteArray record =
        seed == 0 ? (rhythm ? newRhythmSet() : newPerformance()) : variedRecord(editor, seed, services.names());
    std::unique_ptr<CRecordEditDlg> dlg;
    CEditRhythmDlg* rhythmDlg = nullptr;
    if (rhythm) {
        auto r = std::make_unique<CEditRhythmDlg>(services, record);
        rhythmDlg = r.get();
        dlg = std::move(r);
    } else {
        dlg = std::make_unique<CPerformanceEditDlg>(services, record);
    }
    takeSent(ports, s->frame()->services().midi());
    int controls = 0;
    const std::vector<int> keys = rhythm ? std::vector<int>{0, 17, 63} : std::vector<int>{0};
    for (int key : keys) {
        if (rhythmDlg)
            rhythmDlg->setCurrentKey(key);
        for (int tab = 0; tab < dlg->tabBar()->count(); ++tab) {
            dlg->showTab(tab);
            auto* page = qobject_cast<CParamPage*>(dlg->currentPage());
            if (!page)
                continue; // the mixer: its own test
            for (const Param* p : params::pageRows(editor, page->page())) {
                if (!params::existsOn(*p, SynthModel::Jv2080))
                    continue;
                for (int column : page->columnsOf(*p)) {
                    const CRecordEdit& edit = dlg->edit();
                    QWidget* w = page->control(p->id, column);
                    const QString where =
                        QStringLiteral("%1 %2/%3").arg(dlg->tabBar()->tabText(tab), p->id).arg(column);
                    QVERIFY2(w, qPrintable(where));
                    ++controls;
                    const int value = edit.value(*p, column);
                    // Effect rows the type leaves out are hidden.
                    if (!params::usedBy(*p, edit.data(p->block, column)))
                        continue;
                    // What the control shows is what the listing shows; choosing it again
                    // stores the same bytes.
                    if (auto* wrap = qobject_cast<CWrapSpinBox*>(w)) {
                        QCOMPARE(wrap->value(), value);
                        QCOMPARE(wrap->text(), params::shownText(*p, value, edit.context(*p, column)));
                        emit wrap->valueChanged(wrap->value());
                    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
                        QVERIFY2(combo->currentIndex() >= 0, qPrintable(where));
                        if (p->list.kind != valuelists::Kind::PartPatch || value / 128 != 0)
                            QCOMPARE(combo->currentText(), params::shownText(*p, value, edit.context(*p, column)));
                        emit combo->currentIndexChanged(combo->currentIndex());
                    } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
                        QCOMPARE(check->isChecked(), value != 0);
                        emit check->toggled(check->isChecked());
                    } else if (auto* number = qobject_cast<QSpinBox*>(w)) {
                        QCOMPARE(number->value(), value + p->shownOffset);
                        emit number->valueChanged(number->value());
                    } else if (auto* name = qobject_cast<QLineEdit*>(w)) {
                        QCOMPARE(name->text(), params::nameText(*p, edit.data(p->block, 0)));
                        emit name->textEdited(name->text());
                    }
                    QVERIFY2(dlg->record() == record, qPrintable(where));
                }
            }
        }
    }
    QVERIFY(controls > (rhythm ? 150 : 120));
    // Choosing what was shown sends each value once; the record is as it came.
    QCOMPARE(dlg->record(), record);
    dlg->accept();
    QCOMPARE(dlg->record(), record);
}

void TestEditSets::realtimeReachesTheEmulator_data()
{
    QTest::addColumn<bool>("rhythm");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("key"); // rhythm only
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("to"); // list index, number or (check boxes) anything
    QTest::addColumn<QString>("address");
    QTest::newRow("common tempo") << false << 0 << 0 << "perf.tempo" << 0 << 90 << "01 00 00 2d";
    QTest::newRow("part 1 level") << false << 1 << 0 << "part.level" << 0 << 33 << "01 00 10 06";
    QTest::newRow("part 7 tune") << false << 7 << 0 << "part.tune" << 6 << -12 << "01 00 16 08";
    QTest::newRow("part 16 receive") << false << 16 << 0 << "part.receive" << 15 << 0 << "01 00 1f 00";
    QTest::newRow("part 3 channel") << false << 3 << 0 << "part.channel" << 2 << 9 << "01 00 12 01";
    QTest::newRow("chorus/reverb") << false << 17 << 0 << "perf.reverb.level" << 0 << 20 << "01 00 00 29";
    QTest::newRow("EFX source") << false << 18 << 0 << "perf.efx.sourceA" << 0 << 10 << "01 00 00 0c";
    QTest::newRow("key 0 wave gain") << true << 0 << 0 << "note.wave.gain" << 0 << 3 << "02 09 23 05";
    QTest::newRow("key 63 cutoff") << true << 2 << 63 << "note.tvf.cutoff" << 63 << 40 << "02 09 62 1b";
    QTest::newRow("key 30 pitch") << true << 1 << 30 << "note.pitch.coarse" << 30 << 70 << "02 09 41 0c";
    QTest::newRow("key 12 level") << true << 3 << 12 << "note.tva.level" << 12 << 5 << "02 09 2f 29";
}

void TestEditSets::realtimeReachesTheEmulator()
{
    QFETCH(bool, rhythm);
    QFETCH(int, tab);
    QFETCH(int, key);
    QFETCH(QString, id);
    QFETCH(int, column);
    QFETCH(int, to);
    QFETCH(QString, address);
    CEmulatorDevice emulator(SynthModel::Jv2080, SynthSettings::kDefaultDeviceId, 0);
    const QString ini = freshIni();
    {
        CIniFile file(ini);
        file.writeInt(QStringLiteral("SETUP"), QStringLiteral("WHICHSYNTH"), 1);
    }
    auto s = start(ini, emulator);
    std::unique_ptr<CRecordEditDlg> dlg;
    if (rhythm) {
        auto r = std::make_unique<CEditRhythmDlg>(s->frame()->services(), newRhythmSet());
        r->setCurrentKey(key);
        dlg = std::move(r);
    } else {
        dlg = std::make_unique<CPerformanceEditDlg>(s->frame()->services(), newPerformance());
    }
    // The instrument's temporary area holds the record, as the bank sends it on opening.
    dlg->sendPatch();
    dlg->showTab(tab);
    auto* page = qobject_cast<CParamPage*>(dlg->currentPage());
    QVERIFY(page);
    const Param& p = params::row(id);
    QWidget* w = page->control(id, column);
    QVERIFY(w);
    s->frame()->services().midi().waitUntilSent();
    emulator.waitIdle();
    const QByteArray before = dlg->record();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setCurrentIndex(to);
    else if (auto* check = qobject_cast<QCheckBox*>(w))
        check->click();
    else if (auto* number = qobject_cast<QSpinBox*>(w))
        number->setValue(to);
    s->frame()->services().midi().waitUntilSent();
    emulator.waitIdle();
    const int at = recordlayout::dataOffset(p.block, column) + p.offset;
    QVERIFY(dlg->record().mid(at, p.size) != before.mid(at, p.size));
    // The emulator's temporary block holds what the copy holds.
    QByteArray block;
    emulator.withEmulator(
        [&](CSynthEmulator& synth) { block = synth.blockData(params::blockAddress(p.block, column)); });
    QCOMPARE(block.mid(p.offset, p.size).toHex(' '), dlg->record().mid(at, p.size).toHex(' '));
    const QByteArray message = params::rowMessage(p, column, dlg->edit().data(p.block, column), 0x10);
    QCOMPARE(QString::fromLatin1(message.mid(5, 4).toHex(' ')), address);
}

void TestEditSets::voiceReserveLowersAndSendsTheLoweredValue()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    QByteArray record = newPerformance();
    for (int p = 0; p < 16; ++p)
        record[CPerformanceArray::commonParam(0x30 + p)] = 0;
    CPerformanceEditDlg dlg(s->frame()->services(), record);
    auto* page = qobject_cast<CParamPage*>(dlg.currentPage());
    QVERIFY(page);
    takeSent(ports, s->frame()->services().midi());
    auto* part1 = qobject_cast<QSpinBox*>(page->control(QStringLiteral("perf.voiceReserve1")));
    auto* part2 = qobject_cast<QSpinBox*>(page->control(QStringLiteral("perf.voiceReserve2")));
    QVERIFY(part1 && part2);
    auto* common = qobject_cast<CMultiCommonPage*>(page);
    QVERIFY(common);
    QCOMPARE(common->reserveTotal()->text(), QStringLiteral("Total: 0 of 64, 64 left"));
    part1->setValue(60);
    QCOMPARE(common->reserveTotal()->text(), QStringLiteral("Total: 60 of 64, 4 left"));
    part2->setValue(10);
    // Part 2 shows what it kept, and that is what went out; nothing above 64 in sum did.
    QCOMPARE(part2->value(), 4);
    QCOMPARE(common->reserveTotal()->text(),
             QStringLiteral("Total: 64 of 64, no voice left: Voice Reserve Part 2 is 4, not 10."));
    QCOMPARE(addressed(takeSent(ports, s->frame()->services().midi())),
             (QStringList{"01 00 00 30 3c", "01 00 00 31 04"}));
    QCOMPARE(int(dlg.performance()[CPerformanceArray::commonParam(0x31)]), 4);
    // Full: a further raise anywhere keeps its value and says so.
    auto* part16 = qobject_cast<QSpinBox*>(page->control(QStringLiteral("perf.voiceReserve16")));
    part16->setValue(3);
    QCOMPARE(part16->value(), 0);
    QCOMPARE(addressed(takeSent(ports, s->frame()->services().midi())), QStringList{"01 00 00 3f 00"});
}

void TestEditSets::partGroupsAndPatches_data()
{
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("userItems");
    QTest::addColumn<QString>("firstUser");
    QTest::newRow("part 1") << 0 << 128 << "1: P1";
    QTest::newRow("part 10") << 9 << 2 << "1: R1";
    QTest::newRow("part 11") << 10 << 128 << "1: P1";
}

void TestEditSets::partGroupsAndPatches()
{
    QFETCH(int, part);
    QFETCH(int, userItems);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CTestServices services(s->frame()->services());
    QStringList patches;
    for (int i = 0; i < 128; ++i)
        patches << QStringLiteral("P%1").arg(i + 1);
    CPerformanceEditDlg dlg(services, newPerformance(), patches, {QStringLiteral("R1"), QStringLiteral("R2")});
    dlg.showTab(part + 1);
    auto* page = qobject_cast<CParamPage*>(dlg.currentPage());
    auto* groups = qobject_cast<QComboBox*>(page->control(QStringLiteral("part.group"), part));
    auto* patchList = qobject_cast<QComboBox*>(page->control(QStringLiteral("part.patch"), part));
    QVERIFY(groups && patchList);
    // The internal groups (part 10 without the last one) and the 127 boards.
    const int presets = services.names().GetFileCount(NameFileKind::Preset);
    const int boards = services.names().GetFileCount(NameFileKind::Board);
    QCOMPARE(groups->count(), presets - (part == 9 ? 1 : 0) + boards);
    QCOMPARE(boards, 127);
    takeSent(ports, s->frame()->services().midi());
    groups->setCurrentIndex(0); // the user group: the bank's own items
    QCOMPARE(patchList->count(), userItems);
    QTEST(patchList->itemText(0), "firstUser");
    QCOMPARE(addressed(takeSent(ports, s->frame()->services().midi())),
             QStringList{QStringLiteral("01 00 %1 02 00 01 00 00").arg(0x10 + part, 2, 16, QLatin1Char('0'))});
    // Choosing a group sends type, id and the number together, at the part's address.
    groups->setCurrentIndex(1);
    const QStringList sent = addressed(takeSent(ports, s->frame()->services().midi()));
    QVERIFY2(sent.size() == 1, qPrintable(sent.join(QLatin1Char('|'))));
    QVERIFY2(sent.first().startsWith(QStringLiteral("01 00 %1 02 00 02").arg(0x10 + part, 2, 16, QLatin1Char('0'))),
             qPrintable(sent.first()));
    QCOMPARE(sent.first().split(QLatin1Char(' ')).size(), 8);
    // A preset group's patches are numbered like the user group's.
    QVERIFY(patchList->count() > 1);
    // (Without the group's name file a patch is known by its number alone.)
    for (int i = 0; i < 2; ++i) {
        const QString number = QString::number(i + 1);
        const QString text = patchList->itemText(i);
        QVERIFY2(text == number || text.startsWith(number + QStringLiteral(": ")), qPrintable(text));
    }
}

void TestEditSets::panAndKeyRangeWrap_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("pan up from 127") << "part.pan" << 127 << 1 << 0 << "L64";
    QTest::newRow("pan down from 0") << "part.pan" << 0 << -1 << 127 << "R63";
    QTest::newRow("pan up to the centre") << "part.pan" << 63 << 1 << 64 << "0";
    QTest::newRow("upper key up from 127") << "part.keyUpper" << 127 << 1 << 0 << "C-1";
    QTest::newRow("lower key down from 0") << "part.keyLower" << 0 << -1 << 127 << "G9";
}

void TestEditSets::panAndKeyRangeWrap()
{
    QFETCH(QString, id);
    QFETCH(int, from);
    QFETCH(int, steps);
    QFETCH(int, value);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    QByteArray record = newPerformance();
    const Param& p = params::row(id);
    record[CPerformanceArray::partParam(4, p.offset)] = char(from);
    CPerformanceEditDlg dlg(s->frame()->services(), record);
    dlg.showTab(5);
    auto* box = qobject_cast<CWrapSpinBox*>(qobject_cast<CParamPage*>(dlg.currentPage())->control(id, 4));
    QVERIFY(box);
    takeSent(ports, s->frame()->services().midi());
    box->stepBy(steps);
    QCOMPARE(box->value(), value);
    QTEST(box->text(), "text");
    QCOMPARE(addressed(takeSent(ports, s->frame()->services().midi())),
             QStringList{QStringLiteral("01 00 14 %1 %2")
                             .arg(p.offset, 2, 16, QLatin1Char('0'))
                             .arg(value, 2, 16, QLatin1Char('0'))});
}

void TestEditSets::mixLoadingSendsNothing()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CTestServices services(s->frame()->services());
    const QByteArray record = variedRecord(params::Editor::Performance, 7, services.names());
    CPerformanceEditDlg dlg(services, record);
    QVERIFY(dlg.realtimeBox()->isChecked());
    takeSent(ports, s->frame()->services().midi());
    dlg.showTab(19);
    auto* mix = qobject_cast<CMultiMixDialog*>(dlg.currentPage());
    QVERIFY(mix);
    QVERIFY(takeSent(ports, s->frame()->services().midi()).isEmpty());
    // The program's own knobs and caption boxes.
    QVERIFY(mix->knob(0, 0)->inherits("CModuleKnob"));
    QVERIFY(mix->caption(0)->inherits("CCaptile"));
    // Every strip shows its part.
    for (int part = 0; part < 16; ++part) {
        const auto data = [&](int offset) { return int(record[CPerformanceArray::partParam(part, offset)]); };
        QCOMPARE(mix->knob(0, part)->value(), data(0x0D));
        QCOMPARE(mix->knob(1, part)->value(), data(0x0C));
        QCOMPARE(mix->knob(2, part)->value(), data(0x0B));
        QCOMPARE(mix->knob(3, part)->value(), data(0x07));
        QCOMPARE(mix->levelSlider(part)->value(), data(0x06));
        QCOMPARE(mix->muteBox(part)->isChecked(), data(0x00) == 0);
        QCOMPARE(mix->captionText(part), QString::number(part + 1));
    }
    // Loading again (a copied part) sends nothing either.
    mix->loadFromRecord();
    QVERIFY(takeSent(ports, s->frame()->services().midi()).isEmpty());
    dlg.accept();
    QCOMPARE(dlg.performance(), record);
}

void TestEditSets::mixControlsSendOneMessage_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("sent");
    QTest::newRow("reverb of part 1") << 0 << 0 << 40 << "01 00 10 0d 28";
    QTest::newRow("chorus of part 4") << 1 << 3 << 127 << "01 00 13 0c 7f";
    QTest::newRow("EFX of part 9") << 2 << 8 << 1 << "01 00 18 0b 01";
    QTest::newRow("pan of part 16") << 3 << 15 << 0 << "01 00 1f 07 00";
    QTest::newRow("level of part 2") << 4 << 1 << 90 << "01 00 11 06 5a";
    QTest::newRow("mute of part 10") << 5 << 9 << 1 << "01 00 19 00 00";
}

void TestEditSets::mixControlsSendOneMessage()
{
    QFETCH(int, row);
    QFETCH(int, part);
    QFETCH(int, value);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CPerformanceEditDlg dlg(s->frame()->services(), newPerformance());
    dlg.showTab(19);
    auto* mix = qobject_cast<CMultiMixDialog*>(dlg.currentPage());
    takeSent(ports, s->frame()->services().midi());
    if (CValueKnob* knob = mix->knob(row, part)) {
        // Set by the page: nothing goes out; turned by the user: one message.
        knob->setValue(value);
        QVERIFY(takeSent(ports, s->frame()->services().midi()).isEmpty());
        emit knob->userChanged(value);
    } else if (QSlider* slider = mix->levelSlider(part); row == 4) {
        slider->setValue(value);
    } else {
        mix->muteBox(part)->click();
    }
    QTEST(addressed(takeSent(ports, s->frame()->services().midi())).join(QLatin1Char('|')), "sent");
}

void TestEditSets::wheelTurnsOnlyAFocusedKnob()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CPerformanceEditDlg dlg(s->frame()->services(), newPerformance());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.showTab(19);
    auto* mix = qobject_cast<CMultiMixDialog*>(dlg.currentPage());
    CValueKnob* knob = mix->knob(1, 5);
    mix->levelSlider(0)->setFocus();
    QTRY_VERIFY(mix->levelSlider(0)->hasFocus());
    takeSent(ports, s->frame()->services().midi());
    const int before = knob->value();
    wheel(knobInner(knob), 3);
    wheel(knob, 3);
    QCOMPARE(knob->value(), before);
    QVERIFY(takeSent(ports, s->frame()->services().midi()).isEmpty());
    QCOMPARE(dlg.performance(), newPerformance());
    // Chosen, it turns and sounds.
    knob->setFocus();
    QTRY_VERIFY(knob->holdsFocus());
    wheel(knobInner(knob), 3);
    QVERIFY(knob->value() != before);
    const QStringList sent = addressed(takeSent(ports, s->frame()->services().midi()));
    QVERIFY(!sent.isEmpty());
    QVERIFY(sent.last().startsWith(QStringLiteral("01 00 15 0c")));
}

// Knobs and sliders show their value under them and in their tool tip; Alt+1..Alt+6
// go to the row's control of the part that has the focus.
void TestEditSets::mixShowsValuesAndJumpsWithinThePart()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CPerformanceEditDlg dlg(s->frame()->services(), newPerformance());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.showTab(19);
    auto* mix = qobject_cast<CMultiMixDialog*>(dlg.currentPage());
    QVERIFY(mix);
    QVERIFY(!mix->valueLabel(5, 0)); // the mute boxes have none
    const QString pan = mix->valueLabel(3, 6)->text();
    QVERIFY(!pan.isEmpty());
    QVERIFY(mix->control(3, 6)->toolTip().startsWith(QStringLiteral("Part 7 ")));
    QVERIFY(mix->control(3, 6)->toolTip().endsWith(pan));
    QCOMPARE(mix->valueLabel(4, 2)->text(), QStringLiteral("127"));
    mix->levelSlider(2)->setValue(100);
    QCOMPARE(mix->valueLabel(4, 2)->text(), QStringLiteral("100"));
    QVERIFY(mix->control(4, 2)->toolTip().endsWith(QStringLiteral(" 100")));

    mix->control(1, 7)->setFocus();
    QTRY_COMPARE(mix->focusedPart(), 7);
    QTest::keyClick(mix, Qt::Key_4, Qt::AltModifier);
    QWidget* target = mix->control(3, 7);
    QTRY_VERIFY(target->hasFocus() || target->isAncestorOf(QApplication::focusWidget()));
}

void TestEditSets::sendButtonNamesTheItem()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CPerformanceEditDlg performance(s->frame()->services(), newPerformance());
    QCOMPARE(performance.sendPatchButton()->text(), QStringLiteral("&Send Performance"));
    CEditRhythmDlg rhythm(s->frame()->services(), newRhythmSet());
    QCOMPARE(rhythm.sendPatchButton()->text(), QStringLiteral("&Send Rhythm Set"));
}

// Each editor can be made as small as a 1024x768 screen, its page scrolling inside it;
// it opens no larger than the screen, with OK and Cancel inside the window.
void TestEditSets::editorsFitA1024By768Screen_data()
{
    QTest::addColumn<int>("editor");
    QTest::newRow("patch") << int(params::Editor::Patch);
    QTest::newRow("performance") << int(params::Editor::Performance);
    QTest::newRow("rhythm set") << int(params::Editor::Rhythm);
}

void TestEditSets::editorsFitA1024By768Screen()
{
    QFETCH(int, editor);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    std::unique_ptr<CRecordEditDlg> dlg;
    switch (static_cast<params::Editor>(editor)) {
    case params::Editor::Patch:
        dlg = std::make_unique<CEditPatchDlg>(s->frame()->services(), newPatch());
        break;
    case params::Editor::Performance:
        dlg = std::make_unique<CPerformanceEditDlg>(s->frame()->services(), newPerformance());
        break;
    case params::Editor::Rhythm:
        dlg = std::make_unique<CEditRhythmDlg>(s->frame()->services(), newRhythmSet());
        break;
    }
    // Room on a 1024x768 screen with the window's frame and a panel.
    const QSize room(1024 - 16, 768 - 64);
    for (int tab = 0; tab < static_cast<int>(dlg->tabList().size()); ++tab) {
        dlg->showTab(tab);
        const QSize least = dlg->minimumSizeHint();
        QVERIFY2(least.width() <= room.width() && least.height() <= room.height(),
                 qPrintable(QStringLiteral("tab %1: %2x%3").arg(tab).arg(least.width()).arg(least.height())));
    }
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    // It opens at its own size, not at the two thirds of the screen a window that sizes
    // itself is limited to.
    QCOMPARE(dlg->size(), dlg->sizeHint().expandedTo(dlg->minimumSizeHint()));
    const QSize screen = dlg->screen()->availableGeometry().size();
    QVERIFY(dlg->width() <= screen.width() && dlg->height() <= screen.height());
    for (QWidget* button : {static_cast<QWidget*>(dlg->okButton()), static_cast<QWidget*>(dlg->cancelButton())})
        QVERIFY(dlg->rect().contains(QRect(button->mapTo(dlg.get(), QPoint(0, 0)), button->size())));
    // Alt and a letter reaches one button of the window's own row (Undo, Compare, Mutate,
    // OK, ...): two buttons on one letter would make it pick neither at once.
    QHash<QChar, QString> letters;
    for (const QAbstractButton* button : dlg->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(dlg.get()))
            continue;
        const QString text = button->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp < 0 || amp + 1 >= text.size())
            continue;
        // Only the buttons outside the pages: a page's own labels share its tab.
        bool onPage = false;
        for (const QWidget* w = button->parentWidget(); w && w != dlg.get(); w = w->parentWidget())
            onPage = onPage || qobject_cast<const QTabWidget*>(w) || qobject_cast<const QStackedWidget*>(w)
                     || qobject_cast<const QScrollArea*>(w);
        if (onPage)
            continue;
        const QChar letter = text.at(amp + 1).toLower();
        QVERIFY2(
            !letters.contains(letter),
            qPrintable(
                QStringLiteral("\"%1\" and \"%2\" share Alt+%3").arg(letters.value(letter), text, QString(letter))));
        letters.insert(letter, text);
    }
    QVERIFY(letters.size() >= 6);
}

void TestEditSets::mixShortcutsAndRemote_data()
{
    QTest::addColumn<int>("focusRow"); // Alt+1 .. Alt+6 picks the row's first control
    QTest::addColumn<int>("controller");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("sent");
    // The remote controller is 6 in a new setup; the knobs of a new performance stand at
    // 0 (sends) and 64 (pan), the level at 127.
    QTest::newRow("same control") << 0 << 6 << 8 << QStringList{"01 00 10 0d 08"};
    QTest::newRow("far from the knob") << 0 << 6 << 30 << QStringList{};
    QTest::newRow("two stops on") << 3 << 8 << 60 << QStringList{"01 00 12 07 3c"};
    QTest::newRow("before the first") << 0 << 5 << 1 << QStringList{};
    QTest::newRow("the slider") << 4 << 6 << 120 << QStringList{"01 00 10 06 78"};
    QTest::newRow("the slider, far") << 4 << 6 << 100 << QStringList{};
    QTest::newRow("mute below 64") << 5 << 6 << 10 << QStringList{"01 00 10 00 00"};
    QTest::newRow("last stop and beyond") << 5 << 6 + 16 << 10 << QStringList{};
    QTest::newRow("back one stop") << 4 << 5 << 70 << QStringList{"01 00 1f 07 46"};
}

void TestEditSets::mixShortcutsAndRemote()
{
    QFETCH(int, focusRow);
    QFETCH(int, controller);
    QFETCH(int, value);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CPerformanceEditDlg dlg(s->frame()->services(), newPerformance());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.showTab(19);
    auto* mix = qobject_cast<CMultiMixDialog*>(dlg.currentPage());
    mix->caption(0)->setFocus();
    QTest::keyClick(mix, static_cast<Qt::Key>(Qt::Key_1 + focusRow), Qt::AltModifier);
    QWidget* first = mix->control(focusRow, 0);
    QTRY_VERIFY(first->hasFocus() || first->isAncestorOf(QApplication::focusWidget()));
    takeSent(ports, s->frame()->services().midi());
    QVERIFY(ports.inject(QByteArray("\xB0", 1) + char(controller) + char(value)));
    QTest::qWait(50);
    QCoreApplication::processEvents();
    QTEST(addressed(takeSent(ports, s->frame()->services().midi())), "sent");
}

void TestEditSets::copyPart_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("copied");
    QTest::newRow("part 3 over part 5") << 2 << 4 << true;
    QTest::newRow("part 16 over part 1") << 15 << 0 << true;
    QTest::newRow("part 3 over part 3") << 2 << 2 << false;
}

void TestEditSets::copyPart()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, copied);
    CLoopbackDevice ports;
    const QString ini = freshIni();
    auto s = start(ini, ports);
    CToneloomView* view = testsupport::newBank(*s);
    view->switchKind(ItemKind::Performances);
    testsupport::clickItem(view, 3);
    CToneloomDoc& doc = view->document();
    QByteArray record = doc.array(ItemKind::Performances).record(3);
    record[CPerformanceArray::partParam(from, 0x06)] = 17;
    doc.array(ItemKind::Performances).setRecord(3, record);
    const QByteArray bank = doc.array(ItemKind::Performances).record(3);
    QByteArray sentAll;
    s->prompter.onExec = [&](QDialog& d) {
        if (auto* copy = qobject_cast<CCopyPartDlg*>(&d)) {
            copy->fromGroup()->button(from)->click();
            copy->toGroup()->button(to)->click();
            return int(QDialog::Accepted);
        }
        auto* dlg = qobject_cast<CPerformanceEditDlg*>(&d);
        if (!dlg)
            return int(QDialog::Rejected);
        dlg->realtimeBox()->click(); // the copy goes out all the same
        dlg->showTab(to + 1);
        takeSent(ports, s->frame()->services().midi());
        QTest::mouseClick(dlg->copyPartButton(), Qt::LeftButton);
        for (const QByteArray& m : takeSent(ports, s->frame()->services().midi()))
            sentAll += m;
        // The page shows the copied part at once.
        auto* level = qobject_cast<QSpinBox*>(
            qobject_cast<CParamPage*>(dlg->currentPage())->control(QStringLiteral("part.level"), to));
        if (copied && level->value() != 17)
            return int(QDialog::Rejected);
        // The bank is as it was while the editor is open.
        if (doc.array(ItemKind::Performances).record(3) != bank)
            return int(QDialog::Rejected);
        return int(QDialog::Accepted);
    };
    view->runCommand(cmd::kEditItem);
    QCOMPARE(s->prompter.titles.first(), QStringLiteral("Performance Edit"));
    if (!copied) {
        QCOMPARE(sentAll.size(), 0);
        QVERIFY(!doc.isModified());
        return;
    }
    QCOMPARE(s->prompter.titles.value(1), QStringLiteral("Copy Part"));
    // The edited performance went to the temporary area, with the part copied.
    QCOMPARE(sentAll.size(), CPerformanceArray::kRecordSize);
    QCOMPARE(sentAll.mid(5, 4), hex("01 00 00 00"));
    QCOMPARE(int(sentAll[CPerformanceArray::partParam(to, 0x06)]), 17);
    QCOMPARE(sentAll.mid(CPerformanceArray::partOffset(to) + 5, 4),
             QByteArray::fromHex(QByteArray::number(0x01001000 + 0x100 * to, 16).rightJustified(8, '0')));
    // OK keeps the copy as one edit of the bank.
    QVERIFY(doc.isModified());
    QCOMPARE(int(doc.array(ItemKind::Performances).record(3)[CPerformanceArray::partParam(to, 0x06)]), 17);
}

void TestEditSets::rhythmKeysAndPublishedKey()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    QCOMPARE(s->frame()->services().rhythmKey(), -1);
    {
        CEditRhythmDlg dlg(s->frame()->services(), newRhythmSet());
        QCOMPARE(dlg.keyList()->count(), 64);
        QCOMPARE(dlg.keyList()->item(0)->text(), QStringLiteral("B1 "));
        QCOMPARE(dlg.keyList()->item(1)->text(), QStringLiteral("C2 "));
        QCOMPARE(dlg.keyList()->item(2)->text(), QStringLiteral("C#2"));
        QCOMPARE(dlg.keyList()->item(63)->text(), QStringLiteral("D7 "));
        QCOMPARE(dlg.currentKey(), 0);
        QCOMPARE(s->frame()->services().rhythmKey(), 0);
        dlg.keyList()->setCurrentRow(41);
        QCOMPARE(s->frame()->services().rhythmKey(), 41);
        QCOMPARE(dlg.currentKey(), 41);
        dlg.reject();
        QCOMPARE(s->frame()->services().rhythmKey(), -1);
    }
}

void TestEditSets::keyChangeStoresTheOldKeyFirst()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CEditRhythmDlg dlg(s->frame()->services(), newRhythmSet());
    dlg.showTab(2); // TVF
    const auto cutoff = [&](int key) {
        return qobject_cast<QComboBox*>(
            qobject_cast<CParamPage*>(dlg.currentPage())->control(QStringLiteral("note.tvf.cutoff"), key));
    };
    cutoff(0)->setCurrentIndex(33);
    dlg.keyList()->setCurrentRow(5);
    QVERIFY(cutoff(5));
    QVERIFY(!cutoff(0));
    QCOMPARE(cutoff(5)->currentIndex(), 127);
    auto* env = qobject_cast<CEnvelopePage*>(dlg.currentPage());
    QVERIFY(env);
    QCOMPARE(env->columns(), std::vector<int>{5});
    cutoff(5)->setCurrentIndex(44);
    dlg.keyList()->setCurrentRow(0);
    QCOMPARE(cutoff(0)->currentIndex(), 33);
    QCOMPARE(int(dlg.rhythmSet()[CRhythmArray::noteParam(0, 0x1B)]), 33);
    QCOMPARE(int(dlg.rhythmSet()[CRhythmArray::noteParam(5, 0x1B)]), 44);
    // A preset shapes the one key's envelope.
    takeSent(ports, s->frame()->services().midi());
    env = qobject_cast<CEnvelopePage*>(dlg.currentPage());
    env->applyPreset(0, 2);
    const QStringList sent = addressed(takeSent(ports, s->frame()->services().midi()));
    QCOMPARE(sent.size(), 8);
    QVERIFY(sent.first().startsWith(QStringLiteral("02 09 23 21")));
    QVERIFY(sent.last().startsWith(QStringLiteral("02 09 23 28")));
}

void TestEditSets::rhythmNameSoundsAsTyped()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CEditRhythmDlg dlg(s->frame()->services(), newRhythmSet());
    takeSent(ports, s->frame()->services().midi());
    QCOMPARE(dlg.nameEdit()->text(), QStringLiteral("Init Rhythm"));
    dlg.nameEdit()->selectAll();
    QTest::keyClicks(dlg.nameEdit(), QStringLiteral("Kit"));
    const QList<QByteArray> sent = takeSent(ports, s->frame()->services().midi());
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent.last().size(), 23);
    QCOMPARE(sent.last().mid(5, 16), QByteArray("\x02\x09\x00\x00"
                                                "Kit         ",
                                                16));
    dlg.accept();
    QCOMPARE(dlg.rhythmSet().mid(sysex::kOffData, 12), QByteArray("Kit         "));
}

void TestEditSets::rhythmIgnoresRemoteValues()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CEditRhythmDlg dlg(s->frame()->services(), newRhythmSet());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.showTab(2);
    auto* cutoff = qobject_cast<QComboBox*>(
        qobject_cast<CParamPage*>(dlg.currentPage())->control(QStringLiteral("note.tvf.cutoff"), 0));
    cutoff->setFocus();
    QTRY_VERIFY(cutoff->hasFocus());
    takeSent(ports, s->frame()->services().midi());
    QVERIFY(ports.inject(hex("B0 06 05")));
    QTest::qWait(50);
    QCoreApplication::processEvents();
    QCOMPARE(cutoff->currentIndex(), 127);
    QVERIFY(takeSent(ports, s->frame()->services().midi()).isEmpty());
}

void TestEditSets::copyRhythmTone_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("key 0 over key 63") << 0 << 63;
    QTest::newRow("key 20 over key 3") << 20 << 3;
    QTest::newRow("key 9 over itself") << 9 << 9;
}

void TestEditSets::copyRhythmTone()
{
    QFETCH(int, from);
    QFETCH(int, to);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    QByteArray record = newRhythmSet();
    record[CRhythmArray::noteParam(from, 0x1B)] = 12;
    CEditRhythmDlg dlg(s->frame()->services(), record);
    dlg.setCurrentKey(to);
    dlg.showTab(2);
    takeSent(ports, s->frame()->services().midi());
    s->prompter.onExec = [&](QDialog& d) {
        auto* copy = qobject_cast<CCopyRhythmToneDlg*>(&d);
        if (!copy)
            return int(QDialog::Rejected);
        copy->fromList()->setCurrentRow(from);
        copy->toList()->setCurrentRow(to);
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(dlg.copyToneButton(), Qt::LeftButton);
    QCOMPARE(s->prompter.titles, QStringList{"Copy Tone"});
    QCOMPARE(int(dlg.rhythmSet()[CRhythmArray::noteParam(to, 0x1B)]), 12);
    auto* cutoff = qobject_cast<QComboBox*>(
        qobject_cast<CParamPage*>(dlg.currentPage())->control(QStringLiteral("note.tvf.cutoff"), to));
    QCOMPARE(cutoff->currentIndex(), 12);
    QByteArray all;
    for (const QByteArray& m : takeSent(ports, s->frame()->services().midi()))
        all += m;
    QCOMPARE(all.size(), from == to ? 0 : CRhythmArray::kRecordSize);
    if (from != to)
        QCOMPARE(
            all.mid(CRhythmArray::noteOffset(to) + 5, 4).toHex(' '),
            QByteArray::fromHex(QByteArray::number(0x02092300 + 0x100 * to, 16).rightJustified(8, '0')).toHex(' '));
}

void TestEditSets::editFromTheBank_data()
{
    QTest::addColumn<ItemKind>("kind");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("change");
    QTest::addColumn<QString>("title");
    QTest::newRow("performance, OK with a change") << ItemKind::Performances << true << true << "Performance Edit";
    QTest::newRow("performance, OK without one") << ItemKind::Performances << true << false << "Performance Edit";
    QTest::newRow("performance, Cancel") << ItemKind::Performances << false << true << "Performance Edit";
    QTest::newRow("rhythm set, OK with a change") << ItemKind::RhythmSets << true << true << "Edit Rhythm";
    QTest::newRow("rhythm set, OK without one") << ItemKind::RhythmSets << true << false << "Edit Rhythm";
    QTest::newRow("rhythm set, Cancel") << ItemKind::RhythmSets << false << true << "Edit Rhythm";
}

void TestEditSets::editFromTheBank()
{
    QFETCH(ItemKind, kind);
    QFETCH(bool, accept);
    QFETCH(bool, change);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CToneloomView* view = testsupport::newBank(*s);
    view->switchKind(kind);
    testsupport::clickItem(view, 1);
    CToneloomDoc& doc = view->document();
    const QByteArray before = doc.array(kind).record(1);
    QByteArray working;
    s->prompter.onExec = [&](QDialog& d) {
        auto* dlg = qobject_cast<CRecordEditDlg*>(&d);
        if (!dlg)
            return int(QDialog::Rejected);
        working = dlg->record();
        dlg->showTab(kind == ItemKind::Performances ? 2 : 3);
        auto* page = qobject_cast<CParamPage*>(dlg->currentPage());
        if (change && kind == ItemKind::Performances)
            qobject_cast<QSpinBox*>(page->control(QStringLiteral("part.level"), 1))->setValue(11);
        if (change && kind == ItemKind::RhythmSets)
            qobject_cast<QComboBox*>(page->control(QStringLiteral("note.tva.level"), 0))->setCurrentIndex(11);
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    };
    QVERIFY(view->commandState(cmd::kEditItem).enabled);
    view->runCommand(cmd::kEditItem);
    QTEST(s->prompter.titles.value(0), "title");
    QCOMPARE(working, before);
    const bool edited = accept && change;
    QCOMPARE(doc.canUndo(), edited);
    QCOMPARE(doc.isModified(), edited);
    if (!edited) {
        QCOMPARE(doc.array(kind).record(1), before);
        return;
    }
    const int at =
        kind == ItemKind::Performances ? CPerformanceArray::partParam(1, 0x06) : CRhythmArray::noteParam(0, 0x29);
    QCOMPARE(int(doc.array(kind).record(1)[at]), 11);
    view->notifyCommandState();
    s->frame()->updateActions();
    QVERIFY(s->frame()->action(cmd::kEditUndo)->text().startsWith(QStringLiteral("&Undo: Edit \"")));
    s->frame()->action(cmd::kEditUndo)->trigger();
    QCOMPARE(doc.array(kind).record(1), before);
}

void TestEditSets::untouchedSetsSaveByteForByte()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CTestServices services(s->frame()->services());
    CToneloomView* view = testsupport::newBank(*s);
    CToneloomDoc& doc = view->document();
    // Varied records, as a real bank holds them.
    for (int i = 0; i < 3; ++i)
        doc.array(ItemKind::Performances)
            .setRecord(i, variedRecord(params::Editor::Performance, 10 + i, services.names()));
    doc.array(ItemKind::RhythmSets).setRecord(1, variedRecord(params::Editor::Rhythm, 20, services.names()));
    const QString plain = m_dir.filePath(QStringLiteral("sets-plain.syx"));
    QVERIFY(doc.SaveBank(CToneloomDoc::kSaveAll, plain));
    s->prompter.onExec = [](QDialog& d) {
        auto* dlg = qobject_cast<CRecordEditDlg*>(&d);
        for (int tab = 0; dlg && tab < dlg->tabBar()->count(); ++tab)
            dlg->showTab(tab);
        return int(QDialog::Accepted);
    };
    for (ItemKind kind : {ItemKind::Performances, ItemKind::RhythmSets}) {
        view->switchKind(kind);
        for (int item : {0, 1}) {
            testsupport::clickItem(view, item);
            view->runCommand(cmd::kEditItem);
        }
    }
    QCOMPARE(s->prompter.titles.size(), 4);
    QVERIFY(!doc.isModified());
    const QString edited = m_dir.filePath(QStringLiteral("sets-edited.syx"));
    QVERIFY(doc.SaveBank(CToneloomDoc::kSaveAll, edited));
    QCOMPARE(testsupport::readFile(edited), testsupport::readFile(plain));
}

QTEST_MAIN(TestEditSets)
#include "tst_editsets.moc"
