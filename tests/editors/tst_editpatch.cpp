#include "EditorFixture.h"

#include "bank/ToneloomDoc.h"
#include "editors/CopyToneDlg.h"
#include "editors/MultiRowTabBar.h"
#include "emulator/EmulatorDevice.h"
#include "model/ParamMessages.h"
#include "settings/IniFile.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

using namespace editortest;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Sets a control to another value, as a user would.
void changeControl(QWidget* w, int to)
{
    if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setCurrentIndex(to);
    else if (auto* check = qobject_cast<QCheckBox*>(w))
        check->click();
    else if (auto* number = qobject_cast<QSpinBox*>(w))
        number->setValue(to);
}

} // namespace

class TestEditPatch : public testsupport::CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase();
    void multiEditSendsToneByTone();
    void realtimeOffSendsNothing();
    void realtimeSendsTheItemAndCancelTakesItBack_data();
    void realtimeSendsTheItemAndCancelTakesItBack();
    void everyPageSoundsInTheEmulator_data();
    void everyPageSoundsInTheEmulator();
    void nameIsSentAsYouType();
    void remoteValues_data();
    void remoteValues();
    void enterAndEscapeFromAPage_data();
    void enterAndEscapeFromAPage();
    void enterAfterCopyToneIsOk();
    void sendPatchAlsoWithoutRealtime();
    void copyTone_data();
    void copyTone();
    void editFromTheBank_data();
    void editFromTheBank();
    void doubleClickEdits();
    void untouchedPatchSavesByteForByte();
};

void TestEditPatch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    useBuiltControls(m_dir.path());
}

void TestEditPatch::multiEditSendsToneByTone()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CMidi& midi = s->frame()->services().midi();
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    dlg.showTab(12); // TVF
    takeSent(ports, midi);
    QTest::mouseClick(dlg.toneBox(0), Qt::LeftButton);
    QTest::mouseClick(dlg.toneBox(2), Qt::LeftButton);
    CParamPage* page = paramPage(dlg);
    QVERIFY(page->control(QStringLiteral("tone.tvf.cutoff"), 0)->isEnabled());
    QVERIFY(!page->control(QStringLiteral("tone.tvf.cutoff"), 1)->isEnabled());
    QVERIFY(page->control(QStringLiteral("tone.tvf.cutoff"), 2)->isEnabled());
    QVERIFY(!page->control(QStringLiteral("tone.tvf.cutoff"), 3)->isEnabled());
    auto* cutoff = qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.tvf.cutoff"), 0));
    cutoff->setCurrentIndex(100);
    const QList<QByteArray> sent = takeSent(ports, midi);
    QCOMPARE(sent, QList<QByteArray>(
                       {hex("F0 41 10 6A 12 03 00 10 51 64 38 F7"), hex("F0 41 10 6A 12 03 00 14 51 64 34 F7")}));
    QCOMPARE(qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.tvf.cutoff"), 2))->currentIndex(), 100);
    QCOMPARE(qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.tvf.cutoff"), 1))->currentIndex(), 127);
    // The selection holds from page to page.
    dlg.showTab(14);
    QVERIFY(!paramPage(dlg)->control(QStringLiteral("tone.tva.level"), 3)->isEnabled());
    // Without any tone ticked, every column takes changes again.
    QTest::mouseClick(dlg.toneBox(0), Qt::LeftButton);
    QTest::mouseClick(dlg.toneBox(2), Qt::LeftButton);
    QVERIFY(paramPage(dlg)->control(QStringLiteral("tone.tva.level"), 3)->isEnabled());
}

void TestEditPatch::realtimeOffSendsNothing()
{
    CLoopbackDevice ports;
    const QString ini = freshIni();
    auto s = start(ini, ports);
    CMidi& midi = s->frame()->services().midi();
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    QVERIFY(dlg.realtimeBox()->isChecked());
    QTest::mouseClick(dlg.realtimeBox(), Qt::LeftButton);
    QCOMPARE(CIniFile(ini).readInt(QStringLiteral("SETUP"), QStringLiteral("REALTIME"), -1), 0);
    QVERIFY(!s->app->settings().realtime());
    dlg.showTab(14);
    takeSent(ports, midi);
    QTest::mouseClick(dlg.toneBox(1), Qt::LeftButton);
    QTest::mouseClick(dlg.toneBox(3), Qt::LeftButton);
    auto* level = qobject_cast<QComboBox*>(paramPage(dlg)->control(QStringLiteral("tone.tva.level"), 3));
    level->setCurrentIndex(40);
    QVERIFY(takeSent(ports, midi).isEmpty());
    // The other selected tone follows all the same.
    QCOMPARE(qobject_cast<QComboBox*>(paramPage(dlg)->control(QStringLiteral("tone.tva.level"), 1))->currentIndex(),
             40);
    QCOMPARE(int(dlg.patch()[CPatchArray::toneParam(1, 0x65)]), 40);
    // A later editor starts with realtime off.
    CEditPatchDlg next(s->frame()->services(), newPatch());
    QVERIFY(!next.realtimeBox()->isChecked());
}

void TestEditPatch::realtimeSendsTheItemAndCancelTakesItBack_data()
{
    QTest::addColumn<bool>("realtime");
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("restored"); // the original went out again at the end
    QTest::newRow("realtime, change, cancel") << true << true << false << true;
    QTest::newRow("realtime, change, OK") << true << true << true << false;
    QTest::newRow("realtime, no change, cancel") << true << false << false << false;
    QTest::newRow("no realtime, change, cancel") << false << true << false << false;
}

void TestEditPatch::realtimeSendsTheItemAndCancelTakesItBack()
{
    QFETCH(bool, realtime);
    QFETCH(bool, change);
    QFETCH(bool, accept);
    QFETCH(bool, restored);
    CLoopbackDevice ports;
    const QString ini = freshIni();
    {
        CIniFile file(ini);
        file.writeInt(QStringLiteral("SETUP"), QStringLiteral("REALTIME"), realtime ? 1 : 0);
    }
    auto s = start(ini, ports);
    CMidi& midi = s->frame()->services().midi();
    takeSent(ports, midi);
    QByteArray patch = newPatch();
    patch[CPatchArray::toneParam(1, 0x51)] = 33;
    CEditPatchDlg dlg(s->frame()->services(), patch);
    const QByteArray original = dlg.edit().temporaryImage();
    QByteArray opening;
    for (const QByteArray& m : takeSent(ports, midi))
        opening += m;
    QCOMPARE(opening, realtime ? original : QByteArray());
    dlg.showTab(12);
    if (change)
        qobject_cast<QComboBox*>(paramPage(dlg)->control(QStringLiteral("tone.tvf.cutoff"), 1))->setCurrentIndex(64);
    QCOMPARE(takeSent(ports, midi).size(), realtime && change ? 1 : 0);
    dlg.done(accept ? QDialog::Accepted : QDialog::Rejected);
    QByteArray closing;
    for (const QByteArray& m : takeSent(ports, midi))
        closing += m;
    QCOMPARE(closing, restored ? original : QByteArray());
}

void TestEditPatch::everyPageSoundsInTheEmulator_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("to"); // list index, number or (check boxes) anything
    QTest::newRow("Common") << 0 << "patch.level" << 0 << 99;
    QTest::newRow("Chorus / Reverb") << 1 << "patch.chorus.depth" << 0 << 33;
    QTest::newRow("EFX") << 2 << "patch.efx.row2" << 0 << 20;
    QTest::newRow("Controls") << 3 << "tone.control.hold" << 1 << 0;
    QTest::newRow("Controller 1") << 4 << "tone.ctrl1.dest2" << 2 << 5;
    QTest::newRow("Controller 2") << 5 << "tone.ctrl2.depth3" << 3 << 100;
    QTest::newRow("Controller 3") << 6 << "tone.ctrl3.depth4" << 0 << 1;
    QTest::newRow("Wave") << 7 << "tone.wave.gain" << 1 << 3;
    QTest::newRow("LFO 1") << 8 << "tone.lfo1.waveform" << 2 << 5;
    QTest::newRow("LFO 2") << 9 << "tone.lfo2.panDepth" << 3 << 10;
    QTest::newRow("Pitch") << 10 << "tone.pitch.coarse" << 0 << 60;
    QTest::newRow("Pitch Envelope") << 11 << "tone.penv.level2" << 1 << 20;
    QTest::newRow("TVF") << 12 << "tone.tvf.resonance" << 2 << 77;
    QTest::newRow("TVF Envelope") << 13 << "tone.tvf.time4" << 3 << 64;
    QTest::newRow("TVA") << 14 << "tone.tva.biasPosition" << 0 << 72;
    QTest::newRow("TVA Envelope") << 15 << "tone.tva.level3" << 1 << 11;
    QTest::newRow("Pan / Output") << 16 << "tone.reverbSend" << 3 << 88;
}

void TestEditPatch::everyPageSoundsInTheEmulator()
{
    QFETCH(int, tab);
    QFETCH(QString, id);
    QFETCH(int, column);
    QFETCH(int, to);
    CEmulatorDevice emulator(SynthModel::Jv2080, SynthSettings::kDefaultDeviceId, 0);
    const QString ini = freshIni();
    {
        CIniFile file(ini);
        file.writeInt(QStringLiteral("SETUP"), QStringLiteral("WHICHSYNTH"), 1);
    }
    auto s = start(ini, emulator);
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    // The instrument's temporary patch holds this patch, as the bank sends it on opening.
    dlg.sendPatch();
    dlg.showTab(tab);
    CParamPage* page = paramPage(dlg);
    QVERIFY(page);
    changeControl(page->control(id, column), to);
    s->frame()->services().midi().waitUntilSent();
    emulator.waitIdle();
    const params::Param& p = params::row(id);
    const QByteArray expected = dlg.patch().mid(recordlayout::dataOffset(p.block, column) + p.offset, p.size);
    QVERIFY(expected != newPatch().mid(recordlayout::dataOffset(p.block, column) + p.offset, p.size));
    QByteArray block;
    emulator.withEmulator(
        [&](CSynthEmulator& synth) { block = synth.blockData(params::blockAddress(p.block, column)); });
    QCOMPARE(block.mid(p.offset, p.size).toHex(' '), expected.toHex(' '));
    // The whole temporary patch is the working copy.
    QByteArray all;
    emulator.withEmulator([&](CSynthEmulator& synth) {
        for (int t = -1; t < 4; ++t)
            all += synth.blockData(
                params::blockAddress(t < 0 ? sysex::Block::PatchCommon : sysex::Block::PatchTone, std::max(t, 0)));
    });
    QByteArray copy;
    copy += dlg.patch().mid(sysex::kOffData, CPatchArray::kCommonData);
    for (int t = 0; t < 4; ++t)
        copy += dlg.patch().mid(CPatchArray::toneParam(t, 0), CPatchArray::kToneData);
    QCOMPARE(all.toHex(' '), copy.toHex(' '));
}

void TestEditPatch::nameIsSentAsYouType()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    takeSent(ports, s->frame()->services().midi());
    auto* name = qobject_cast<QLineEdit*>(paramPage(dlg)->control(QStringLiteral("patch.name")));
    QCOMPARE(name->text(), QStringLiteral("INIT PATCH"));
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Ab"));
    const QList<QByteArray> sent = takeSent(ports, s->frame()->services().midi());
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[1].size(), 23);
    QCOMPARE(sent[1].mid(5, 16), QByteArray("\x03\x00\x00\x00"
                                            "Ab          ",
                                            16));
    QCOMPARE(dlg.patch().mid(9, 12), QByteArray("Ab          "));
}

void TestEditPatch::remoteValues_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("focus"); // the id of the control with the focus
    QTest::addColumn<int>("index");     // the list's index afterwards, -1 for a check box
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("channel 1") << hex("B0 06 04") << "tone.tvf.filterType" << 4 << QStringList{"03 00 10 50 04"};
    QTest::newRow("value 0") << hex("B0 06 00") << "tone.tvf.cutoff" << 0 << QStringList{"03 00 10 51 00"};
    // Velocity curve "1".."7": value 7 lies beyond the list.
    QTest::newRow("beyond the list") << hex("B0 06 07") << "tone.tvf.velocityCurve" << 0 << QStringList{};
    QTest::newRow("channel 2") << hex("B1 06 05") << "tone.tvf.cutoff" << 127 << QStringList{};
    QTest::newRow("other controller") << hex("B0 07 05") << "tone.tvf.cutoff" << 127 << QStringList{};
    QTest::newRow("a note") << hex("90 06 05") << "tone.tvf.cutoff" << 127 << QStringList{};
}

void TestEditPatch::remoteValues()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, focus);
    QFETCH(int, index);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CMidi& midi = s->frame()->services().midi();
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.showTab(12);
    QWidget* target = paramPage(dlg)->control(focus, 0);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    takeSent(ports, midi);
    QVERIFY(ports.inject(message));
    QTest::qWait(50);
    QCoreApplication::processEvents();
    QCOMPARE(qobject_cast<QComboBox*>(target)->currentIndex(), index);
    QTEST(addressed(takeSent(ports, midi)), "sent");
}

void TestEditPatch::enterAndEscapeFromAPage_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter in a list") << int(Qt::Key_Return) << 12 << "tone.tvf.cutoff" << int(QDialog::Accepted);
    QTest::newRow("Enter in a number") << int(Qt::Key_Enter) << 1 << "patch.chorus.level" << int(QDialog::Accepted);
    QTest::newRow("Enter in the name") << int(Qt::Key_Return) << 0 << "patch.name" << int(QDialog::Accepted);
    QTest::newRow("Enter on a check box")
        << int(Qt::Key_Return) << 3 << "tone.control.volume" << int(QDialog::Accepted);
    QTest::newRow("Escape in a list") << int(Qt::Key_Escape) << 8 << "tone.lfo1.rate" << int(QDialog::Rejected);
    QTest::newRow("Escape in a number") << int(Qt::Key_Escape) << 2 << "patch.efx.level" << int(QDialog::Rejected);
}

void TestEditPatch::enterAndEscapeFromAPage()
{
    QFETCH(int, key);
    QFETCH(int, tab);
    QFETCH(QString, id);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    QSignalSpy finished(&dlg, &QDialog::finished);
    dlg.open();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.showTab(tab);
    QWidget* w = paramPage(dlg)->control(id, 0);
    w->setFocus();
    QTRY_VERIFY(w->hasFocus());
    QTest::keyClick(w, Qt::Key(key));
    QTRY_COMPARE(finished.count(), 1);
    QTEST(finished.first().first().toInt(), "result");
    QCOMPARE(dlg.currentPage(), nullptr);
}

// A clicked button keeps the focus; Enter is still OK, not that button again.
void TestEditPatch::enterAfterCopyToneIsOk()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    QSignalSpy finished(&dlg, &QDialog::finished);
    dlg.open();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.sendPatchButton()->text(), QStringLiteral("&Send Patch"));
    dlg.copyToneButton()->setFocus();
    QTest::mouseClick(dlg.copyToneButton(), Qt::LeftButton);
    QCOMPARE(s->prompter.titles, QStringList{"Copy Tone"});
    QTRY_VERIFY(dlg.copyToneButton()->hasFocus());
    QTest::keyClick(dlg.copyToneButton(), Qt::Key_Return);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
    QCOMPARE(s->prompter.titles, QStringList{"Copy Tone"});
}

void TestEditPatch::sendPatchAlsoWithoutRealtime()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CEditPatchDlg dlg(s->frame()->services(), newPatch());
    dlg.realtimeBox()->click();
    takeSent(ports, s->frame()->services().midi());
    QTest::mouseClick(dlg.sendPatchButton(), Qt::LeftButton);
    const QList<QByteArray> sent = takeSent(ports, s->frame()->services().midi());
    QByteArray all;
    for (const QByteArray& m : sent)
        all += m;
    QCOMPARE(all.size(), CPatchArray::kRecordSize);
    QCOMPARE(all, dlg.edit().temporaryImage());
    QCOMPARE(all.mid(5, 4), hex("03 00 00 00"));
    QCOMPARE(all.mid(CPatchArray::toneOffset(3) + 5, 4), hex("03 00 16 00"));
}

void TestEditPatch::copyTone_data()
{
    QTest::addColumn<int>("source"); // 0 this patch, else the source's line + 1
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("cutoff"); // tone "to"'s cutoff afterwards
    QTest::newRow("this patch") << 0 << 0 << 2 << 40;
    QTest::newRow("another patch") << 2 << 3 << 1 << 90;
    QTest::newRow("same tone") << 2 << 1 << 1 << 127;
}

void TestEditPatch::copyTone()
{
    QFETCH(int, source);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, cutoff);
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    QByteArray other = newPatch();
    other[CPatchArray::toneParam(3, 0x51)] = 90;
    CPatchSource patches;
    patches.lines = QStringList{"1: A", "2: B"};
    patches.record = [&](int line) { return line == 1 ? other : newPatch(); };
    QByteArray patch = newPatch();
    patch[CPatchArray::toneParam(0, 0x51)] = 40;
    CEditPatchDlg dlg(s->frame()->services(), patch, patches);
    dlg.realtimeBox()->click(); // the copy goes out all the same
    dlg.showTab(12);
    takeSent(ports, s->frame()->services().midi());
    s->prompter.onExec = [&](QDialog& d) {
        auto* copy = qobject_cast<CCopyToneDlg*>(&d);
        if (!copy)
            return int(QDialog::Rejected);
        copy->sourceList()->setCurrentRow(source);
        copy->fromGroup()->button(from)->click();
        copy->toGroup()->button(to)->click();
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(dlg.copyToneButton(), Qt::LeftButton);
    QCOMPARE(s->prompter.titles, QStringList{"Copy Tone"});
    QCOMPARE(int(dlg.patch()[CPatchArray::toneParam(to, 0x51)]), cutoff);
    // The page shows it at once.
    QCOMPARE(qobject_cast<QComboBox*>(paramPage(dlg)->control(QStringLiteral("tone.tvf.cutoff"), to))->currentIndex(),
             cutoff);
    QByteArray all;
    for (const QByteArray& m : takeSent(ports, s->frame()->services().midi()))
        all += m;
    QCOMPARE(all.size(), from == to ? 0 : CPatchArray::kRecordSize);
}

void TestEditPatch::editFromTheBank_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("change");
    QTest::newRow("OK with a change") << true << true;
    QTest::newRow("OK without a change") << true << false;
    QTest::newRow("Cancel") << false << true;
}

void TestEditPatch::editFromTheBank()
{
    QFETCH(bool, accept);
    QFETCH(bool, change);
    CLoopbackDevice ports;
    const QString ini = freshIni();
    {
        CIniFile file(ini);
        file.writeInt(QStringLiteral("SETUP"), QStringLiteral("SENDPATCH"), 1);
    }
    auto s = start(ini, ports);
    CToneloomView* view = testsupport::newBank(*s);
    testsupport::clickItem(view, 4);
    CToneloomDoc& doc = view->document();
    const QByteArray before = doc.patches().record(4);
    takeSent(ports, s->frame()->services().midi());
    QByteArray sentOnOpening;
    QByteArray working;
    s->prompter.onExec = [&](QDialog& d) {
        auto* dlg = qobject_cast<CEditPatchDlg*>(&d);
        if (!dlg)
            return int(QDialog::Rejected);
        for (const QByteArray& m : takeSent(ports, s->frame()->services().midi()))
            sentOnOpening += m;
        working = dlg->patch();
        dlg->showTab(12);
        if (change)
            qobject_cast<QComboBox*>(paramPage(*dlg)->control(QStringLiteral("tone.tvf.cutoff"), 1))
                ->setCurrentIndex(64);
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    };
    QVERIFY(s->frame()->action(cmd::kEditItem)->isEnabled());
    s->frame()->action(cmd::kEditItem)->trigger();
    QCOMPARE(s->prompter.titles, QStringList{"Edit Patch"});
    // Opening sent the patch to the temporary area; the editor began with it.
    QCOMPARE(sentOnOpening.size(), CPatchArray::kRecordSize);
    QCOMPARE(sentOnOpening.mid(5, 4), hex("03 00 00 00"));
    QCOMPARE(working, before);
    const bool edited = accept && change;
    QCOMPARE(doc.canUndo(), edited);
    QCOMPARE(doc.isModified(), edited);
    QCOMPARE(int(doc.patches().record(4)[CPatchArray::toneParam(1, 0x51)]), edited ? 64 : 127);
    if (!edited) {
        QCOMPARE(doc.patches().record(4), before);
        return;
    }
    view->notifyCommandState();
    s->frame()->updateActions();
    QCOMPARE(s->frame()->action(cmd::kEditUndo)->text(), QStringLiteral("&Undo: Edit \"INIT PATCH\"\tCtrl+Z"));
    s->frame()->action(cmd::kEditUndo)->trigger();
    QCOMPARE(doc.patches().record(4), before);
}

void TestEditPatch::doubleClickEdits()
{
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    CToneloomView* view = testsupport::newBank(*s);
    const QPoint at = testsupport::cellPoint(view, 7);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(s->prompter.titles, QStringList{"Edit Patch"});
    QCOMPARE(view->selection().CurrentIndex(ItemKind::Patches), 7);
    // A rhythm set opens its own editor.
    view->switchKind(ItemKind::RhythmSets);
    QVERIFY(view->commandState(cmd::kEditItem).enabled);
    const QPoint second = testsupport::cellPoint(view, 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(s->prompter.titles, (QStringList{"Edit Patch", "Edit Rhythm"}));
}

void TestEditPatch::untouchedPatchSavesByteForByte()
{
    const QString file = realDump(QStringLiteral("kk_JV1080_AGSOUND1.syx"));
    if (!QFile::exists(file))
        QSKIP("the real dumps are not there");
    CLoopbackDevice ports;
    auto s = start(freshIni(), ports);
    auto* view = qobject_cast<CToneloomView*>(s->app->OpenDocumentFile(file));
    QVERIFY(view);
    CToneloomDoc& doc = view->document();
    const QString plain = m_dir.filePath(QStringLiteral("plain.syx"));
    QVERIFY(doc.SaveBank(CToneloomDoc::kSaveAll, plain));
    for (int item : {0, 2, 45}) {
        testsupport::clickItem(view, item);
        s->prompter.onExec = [](QDialog& d) {
            auto* dlg = qobject_cast<CEditPatchDlg*>(&d);
            for (int tab = 0; dlg && tab < dlg->tabBar()->count(); ++tab)
                dlg->showTab(tab);
            return int(QDialog::Accepted);
        };
        view->runCommand(cmd::kEditItem);
    }
    QCOMPARE(s->prompter.titles.size(), 3);
    QVERIFY(!doc.isModified());
    const QString edited = m_dir.filePath(QStringLiteral("edited.syx"));
    QVERIFY(doc.SaveBank(CToneloomDoc::kSaveAll, edited));
    QCOMPARE(testsupport::readFile(edited), testsupport::readFile(plain));
}

QTEST_MAIN(TestEditPatch)
#include "tst_editpatch.moc"
