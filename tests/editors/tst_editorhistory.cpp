#include "EditorFixture.h"

#include "editors/ControlsPage.h"
#include "editors/EditRhythmDlg.h"
#include "editors/MultiCommonPage.h"
#include "editors/MultiMixDialog.h"
#include "editors/MultiRowTabBar.h"
#include "editors/PerformanceEditDlg.h"
#include "editors/RangePicture.h"
#include "editors/SingleCommonDlg.h"
#include "editors/StructureDiagram.h"
#include "model/PerformanceArray.h"
#include "model/RhythmArray.h"
#include "settings/IniFile.h"
#include "ui/ValueKnob.h"

#include <QComboBox>
#include <QDial>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QWheelEvent>

using namespace editortest;
using params::Param;

namespace {

QByteArray joined(const QList<QByteArray>& messages)
{
    QByteArray out;
    for (const QByteArray& m : messages)
        out += m;
    return out;
}

using Edge = CRangePicture::Edge;

// Two rows: keys 36..59 at velocities 1..63, keys 60..96 at 64..127.
std::unique_ptr<CRangePicture> twoRows()
{
    auto picture = std::make_unique<CRangePicture>(true);
    std::vector<CRangePicture::Row> rows(2);
    rows[0] = {QStringLiteral("Tone 1"), 36, 59, 1, 63, true};
    rows[1] = {QStringLiteral("Tone 2"), 60, 96, 64, 127, true};
    picture->setRows(rows);
    picture->resize(900, picture->sizeHint().height());
    return picture;
}

} // namespace

Q_DECLARE_METATYPE(CRangePicture::Edge)

class TestEditorHistory : public testsupport::CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase();
    void undoAndRedoFromTheKeys_data();
    void undoAndRedoFromTheKeys();
    void newChangeClearsRedo();
    void compareSendsTheOriginalThenTheEdit_data();
    void compareSendsTheOriginalThenTheEdit();
    void compareThenCancelLeavesTheOriginal();
    void replaceRecordIsOneStep();
    void rangePictureHitTest_data();
    void rangePictureHitTest();
    void rangePictureDragStaysWithinTheRow();
    void rangeDragOnAPageIsOneStep_data();
    void rangeDragOnAPageIsOneStep();
    void structureDiagramFollowsTheCommonPage();
    void mixLevelDragIsOneStep();
    void oneRunOfAControlIsOneStep_data();
    void oneRunOfAControlIsOneStep();

private:
    struct Editor
    {
        CLoopbackDevice ports;
        std::unique_ptr<testsupport::Session> session;
        std::unique_ptr<CTestServices> services;
        std::unique_ptr<CRecordEditDlg> dlg;
        CMidi& midi() { return session->frame()->services().midi(); }
        QList<QByteArray> sent() { return takeSent(ports, midi()); }
    };
    std::unique_ptr<Editor> open(params::Editor editor, bool realtime = true, bool dials = false);
};

namespace {

// The program's services with the dial in place of the knob module.
class CDialServices : public CTestServices
{
public:
    using CTestServices::CTestServices;
    CValueKnob* createKnob(QWidget*) override { return nullptr; }
};

} // namespace

void TestEditorHistory::initTestCase()
{
    QVERIFY(m_dir.isValid());
    useBuiltControls(m_dir.path());
}

std::unique_ptr<TestEditorHistory::Editor> TestEditorHistory::open(params::Editor editor, bool realtime, bool dials)
{
    auto e = std::make_unique<Editor>();
    const QString ini = freshIni();
    CIniFile(ini).writeInt(QStringLiteral("SETUP"), QStringLiteral("REALTIME"), realtime ? 1 : 0);
    e->session = start(ini, e->ports);
    e->services = dials ? std::make_unique<CDialServices>(e->session->frame()->services())
                        : std::make_unique<CTestServices>(e->session->frame()->services());
    switch (editor) {
    case params::Editor::Patch:
        e->dlg = std::make_unique<CEditPatchDlg>(*e->services, newPatch());
        break;
    case params::Editor::Performance:
        e->dlg = std::make_unique<CPerformanceEditDlg>(*e->services, CPerformanceArray().record(0));
        break;
    case params::Editor::Rhythm:
        e->dlg = std::make_unique<CEditRhythmDlg>(*e->services, CRhythmArray().record(0));
        break;
    }
    e->sent();
    return e;
}

// A change on a page, then Ctrl+Z and Ctrl+Y where the focus is: the value comes back and
// goes out at once, then the change again.
void TestEditorHistory::undoAndRedoFromTheKeys_data()
{
    QTest::addColumn<int>("editor");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("undone"); // address and data of what undo sends
    QTest::addColumn<QString>("redone");
    QTest::newRow("patch cutoff, a list")
        << int(params::Editor::Patch) << 12 << "tone.tvf.cutoff" << 1 << 90 << "03 00 12 51 7f"
        << "03 00 12 51 5a";
    QTest::newRow("part level, a number box")
        << int(params::Editor::Performance) << 1 << "part.level" << 0 << 40 << "01 00 10 06 7f"
        << "01 00 10 06 28";
    QTest::newRow("rhythm key level") << int(params::Editor::Rhythm) << 3 << "note.tva.level" << 0 << 3
                                      << "02 09 23 29 7f"
                                      << "02 09 23 29 03";
}

void TestEditorHistory::undoAndRedoFromTheKeys()
{
    QFETCH(int, editor);
    QFETCH(int, tab);
    QFETCH(QString, id);
    QFETCH(int, column);
    QFETCH(int, to);
    QFETCH(QString, undone);
    QFETCH(QString, redone);
    auto e = open(static_cast<params::Editor>(editor));
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    e->dlg->showTab(tab);
    auto* page = qobject_cast<CParamPage*>(e->dlg->currentPage());
    QVERIFY(page);
    QWidget* control = page->control(id, column);
    QVERIFY2(control, qPrintable(id));
    const QByteArray before = e->dlg->record();
    QVERIFY(!e->dlg->undoButton()->isEnabled());
    if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setCurrentIndex(to);
    else
        qobject_cast<QSpinBox*>(control)->setValue(to + params::row(id).shownOffset);
    QCOMPARE(e->sent().size(), 1);
    QVERIFY(e->dlg->undoButton()->isEnabled());
    const QByteArray after = e->dlg->record();
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(addressed(e->sent()), QStringList{undone});
    QCOMPARE(e->dlg->record(), before);
    // The page shows the value that came back.
    const int shown = qobject_cast<QComboBox*>(control) ? qobject_cast<QComboBox*>(control)->currentIndex()
                                                        : qobject_cast<QSpinBox*>(control)->value();
    QCOMPARE(shown, 127);
    QVERIFY(!e->dlg->undoButton()->isEnabled());
    QVERIFY(e->dlg->redoButton()->isEnabled());
    QTest::keyClick(control, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(addressed(e->sent()), QStringList{redone});
    QCOMPARE(e->dlg->record(), after);
    // The buttons do the same.
    QTest::mouseClick(e->dlg->undoButton(), Qt::LeftButton);
    QCOMPARE(addressed(e->sent()), QStringList{undone});
    QCOMPARE(e->dlg->record(), before);
}

void TestEditorHistory::newChangeClearsRedo()
{
    auto e = open(params::Editor::Patch);
    e->dlg->showTab(14); // TVA
    auto* level = qobject_cast<QComboBox*>(
        paramPage(*static_cast<CEditPatchDlg*>(e->dlg.get()))->control(QStringLiteral("tone.tva.level"), 0));
    level->setCurrentIndex(10);
    level->setCurrentIndex(20);
    e->dlg->undo();
    QCOMPARE(level->currentIndex(), 10);
    QVERIFY(e->dlg->redoButton()->isEnabled());
    level->setCurrentIndex(30);
    QVERIFY(!e->dlg->redoButton()->isEnabled());
    e->sent();
    e->dlg->redo(); // nothing to redo: nothing changes, nothing goes out
    QVERIFY(e->sent().isEmpty());
    QCOMPARE(level->currentIndex(), 30);
    e->dlg->undo();
    e->dlg->undo();
    QCOMPARE(level->currentIndex(), 127);
    QCOMPARE(e->dlg->record(), newPatch());
}

void TestEditorHistory::compareSendsTheOriginalThenTheEdit_data()
{
    QTest::addColumn<int>("editor");
    QTest::addColumn<bool>("realtime");
    QTest::newRow("patch") << int(params::Editor::Patch) << true;
    QTest::newRow("patch, realtime off") << int(params::Editor::Patch) << false;
    QTest::newRow("performance") << int(params::Editor::Performance) << true;
    QTest::newRow("rhythm set") << int(params::Editor::Rhythm) << true;
}

void TestEditorHistory::compareSendsTheOriginalThenTheEdit()
{
    QFETCH(int, editor);
    QFETCH(bool, realtime);
    const auto kind = static_cast<params::Editor>(editor);
    auto e = open(kind, realtime);
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    const QByteArray original = e->dlg->edit().temporaryImage();
    // A change of the name and of a value of the last tone, part or key.
    QVERIFY(e->dlg->edit().changeName(QStringLiteral("Edited")));
    const sysex::Block sub = recordlayout::subBlock(kind);
    const int last = recordlayout::blockCount(sub) - 1;
    const Param* row = nullptr;
    for (const Param& p : params::rows(sub)) {
        if (p.encoding == params::Encoding::Byte && p.max > 10 && !row)
            row = &p;
    }
    QVERIFY(row);
    QVERIFY(e->dlg->edit().change(*row, last, 5));
    e->dlg->showTab(0);
    e->sent();
    const QByteArray edited = e->dlg->edit().temporaryImage();
    QVERIFY(edited != original);

    QTest::mouseClick(e->dlg->compareButton(), Qt::LeftButton);
    QVERIFY(e->dlg->comparing());
    QCOMPARE(joined(e->sent()), original);
    // The page shows the original and takes no change; undo and send are locked.
    QVERIFY(e->dlg->edit().name() != QStringLiteral("Edited"));
    QVERIFY(!e->dlg->currentPage()->isEnabled());
    QVERIFY(!e->dlg->undoButton()->isEnabled());
    QVERIFY(!e->dlg->sendPatchButton()->isEnabled());
    QVERIFY(e->dlg->okButton()->isEnabled());
    e->dlg->undo(); // refused while comparing
    QVERIFY(e->sent().isEmpty());

    QTest::keyClick(e->dlg.get(), Qt::Key_M, Qt::ControlModifier);
    QVERIFY(!e->dlg->comparing());
    QCOMPARE(joined(e->sent()), edited);
    QCOMPARE(e->dlg->edit().name(), QStringLiteral("Edited"));
    QVERIFY(e->dlg->currentPage()->isEnabled());
    QVERIFY(e->dlg->undoButton()->isEnabled());
    QVERIFY(e->dlg->sendPatchButton()->isEnabled());
    // Comparing is no step of the history: two undos lead back to the original.
    e->dlg->undo();
    e->dlg->undo();
    QCOMPARE(e->dlg->edit().temporaryImage(), original);
}

void TestEditorHistory::compareThenCancelLeavesTheOriginal()
{
    auto e = open(params::Editor::Patch);
    const QByteArray original = e->dlg->record();
    QVERIFY(e->dlg->edit().changeName(QStringLiteral("Edited")));
    e->dlg->setComparing(true);
    e->sent();
    e->dlg->reject();
    // The original already sounds: Cancel sends nothing more.
    QVERIFY(e->sent().isEmpty());

    auto f = open(params::Editor::Patch);
    QVERIFY(f->dlg->edit().changeName(QStringLiteral("Edited")));
    const QByteArray edited = f->dlg->edit().temporaryImage();
    f->dlg->setComparing(true);
    f->sent();
    f->dlg->accept();
    // OK keeps the edit, and the instrument gets it back.
    QCOMPARE(joined(f->sent()), edited);
    QCOMPARE(f->dlg->edit().name(), QStringLiteral("Edited"));
}

void TestEditorHistory::replaceRecordIsOneStep()
{
    auto e = open(params::Editor::Patch);
    e->dlg->showTab(12);
    QByteArray other = newPatch();
    for (int t = 0; t < 4; ++t)
        other[CPatchArray::toneParam(t, 0x51)] = char(10 + t);
    e->dlg->replaceRecord(other);
    QCOMPARE(addressed(e->sent()),
             QStringList({"03 00 10 51 0a", "03 00 12 51 0b", "03 00 14 51 0c", "03 00 16 51 0d"}));
    auto* cutoff = qobject_cast<QComboBox*>(
        paramPage(*static_cast<CEditPatchDlg*>(e->dlg.get()))->control(QStringLiteral("tone.tvf.cutoff"), 3));
    QCOMPARE(cutoff->currentIndex(), 13);
    QCOMPARE(e->dlg->edit().history().undoCount(), std::size_t(1));
    e->dlg->undo();
    QCOMPARE(e->dlg->record(), newPatch());
    QCOMPARE(cutoff->currentIndex(), 127);
    QCOMPARE(e->sent().size(), 4);
}

void TestEditorHistory::rangePictureHitTest_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("at"); // a key, or with velocity a velocity
    QTest::addColumn<bool>("velocity");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("hitRow");
    QTest::addColumn<Edge>("edge");
    QTest::newRow("lower key") << 0 << 36 << false << 0 << 0 << Edge::KeyLower;
    QTest::newRow("lower key, 2 px left") << 0 << 36 << false << -2 << 0 << Edge::KeyLower;
    QTest::newRow("upper key: the end of key 59") << 0 << 60 << false << 1 << 0 << Edge::KeyUpper;
    QTest::newRow("the next row's lower key") << 1 << 60 << false << 0 << 1 << Edge::KeyLower;
    QTest::newRow("inside the bar") << 0 << 48 << false << 0 << 0 << Edge::None;
    QTest::newRow("far from the bar") << 1 << 20 << false << 0 << 1 << Edge::None;
    QTest::newRow("upper velocity") << 0 << 64 << true << 0 << 0 << Edge::VelocityUpper;
    QTest::newRow("lower velocity") << 1 << 64 << true << 0 << 1 << Edge::VelocityLower;
    QTest::newRow("below the rows") << 2 << 36 << false << 0 << -1 << Edge::None;
}

void TestEditorHistory::rangePictureHitTest()
{
    QFETCH(int, row);
    QFETCH(int, at);
    QFETCH(bool, velocity);
    QFETCH(int, dx);
    QFETCH(int, hitRow);
    QFETCH(Edge, edge);
    auto picture = twoRows();
    const QPoint point((velocity ? picture->velocityX(at) : picture->keyX(at)) + dx, picture->rowY(row));
    const CRangePicture::Hit hit = picture->hitTest(point);
    QCOMPARE(hit.row, hitRow);
    QCOMPARE(hit.edge, edge);
    // The picture's scale and its inverse agree on every key and velocity.
    for (int k = 0; k < CRangePicture::kKeys; ++k)
        QCOMPARE(picture->keyAt(picture->keyX(k)), k);
    for (int v = CRangePicture::kVelocityMin; v <= CRangePicture::kVelocityMax; ++v)
        QCOMPARE(picture->velocityAt(picture->velocityX(v)), v);
}

void TestEditorHistory::rangePictureDragStaysWithinTheRow()
{
    auto picture = twoRows();
    QSignalSpy started(picture.get(), &CRangePicture::dragStarted);
    QSignalSpy moved(picture.get(), &CRangePicture::edgeMoved);
    QSignalSpy finished(picture.get(), &CRangePicture::dragFinished);
    const QPoint from(picture->keyX(60), picture->rowY(1));
    QTest::mousePress(picture.get(), Qt::LeftButton, {}, from);
    testsupport::movePointer(picture.get(), QPoint(picture->keyX(66), from.y()));
    testsupport::movePointer(picture.get(), QPoint(picture->keyX(72), from.y() + 30)); // rows below do not matter
    // Past the upper end: the lower end stops at it.
    testsupport::movePointer(picture.get(), QPoint(picture->keyX(120), from.y()));
    QTest::mouseRelease(picture.get(), Qt::LeftButton, {}, QPoint(picture->keyX(120), from.y()));
    QCOMPARE(started.size(), 1);
    QCOMPARE(finished.size(), 1);
    QList<int> values;
    for (const QList<QVariant>& args : std::as_const(moved)) {
        QCOMPARE(args[0].toInt(), 1);
        QCOMPARE(args[1].value<Edge>(), Edge::KeyLower);
        values << args[2].toInt();
    }
    QCOMPARE(values, QList<int>({66, 72, 96}));
    QCOMPARE(picture->rows()[1].keyLower, 96);
    QCOMPARE(picture->rows()[0].keyLower, 36);
    // A velocity's upper end never goes below its lower one.
    moved.clear();
    const QPoint top(picture->velocityX(64), picture->rowY(0));
    QTest::mousePress(picture.get(), Qt::LeftButton, {}, top);
    testsupport::movePointer(picture.get(), QPoint(picture->velocityX(1) - 20, top.y()));
    QTest::mouseRelease(picture.get(), Qt::LeftButton, {}, QPoint(picture->velocityX(1) - 20, top.y()));
    QCOMPARE(moved.size(), 1);
    QCOMPARE(moved[0][2].toInt(), 1);
    QCOMPARE(picture->rows()[0].velocityUpper, 1);
}

// A drag on a page's picture: every value on its way sounds, the list follows, and the
// whole drag is one step that one undo takes back.
void TestEditorHistory::rangeDragOnAPageIsOneStep_data()
{
    QTest::addColumn<int>("editor");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("first"); // the first message of the drag
    QTest::newRow("patch, tone 3") << int(params::Editor::Patch) << 3 << 2 << "tone.key.upper"
                                   << "03 00 14 0f 7e";
    QTest::newRow("performance, part 5") << int(params::Editor::Performance) << 0 << 4 << "part.keyUpper"
                                         << "01 00 14 12 7e";
}

void TestEditorHistory::rangeDragOnAPageIsOneStep()
{
    QFETCH(int, editor);
    QFETCH(int, tab);
    QFETCH(int, row);
    QFETCH(QString, id);
    QFETCH(QString, first);
    auto e = open(static_cast<params::Editor>(editor));
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    e->dlg->showTab(tab);
    auto* page = qobject_cast<CParamPage*>(e->dlg->currentPage());
    auto* picture = page->findChild<CRangePicture*>();
    QVERIFY(picture);
    QVERIFY(picture->isVisible());
    const QByteArray before = e->dlg->record();
    const QPoint from(picture->keyX(128), picture->rowY(row));
    QTest::mousePress(picture, Qt::LeftButton, {}, from);
    for (int key : {126, 110, 90, 72})
        testsupport::movePointer(picture, QPoint(picture->keyX(key + 1), from.y()));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(picture->keyX(73), from.y()));
    const QStringList sent = addressed(e->sent());
    QCOMPARE(sent.size(), 4);
    QCOMPARE(sent.first(), first);
    QVERIFY2(sent.last().endsWith(QStringLiteral(" 48")), qPrintable(sent.last())); // key 72
    QCOMPARE(e->dlg->edit().value(params::row(id), row), 72);
    // The list shows it, the picture too; the other rows kept their ranges.
    QCOMPARE(picture->rows()[static_cast<std::size_t>(row)].keyUpper, 72);
    QCOMPARE(picture->rows()[static_cast<std::size_t>(row) == 0 ? 1 : 0].keyUpper, 127);
    if (auto* list = qobject_cast<QComboBox*>(page->control(id, row)))
        QCOMPARE(list->currentIndex(), 72);
    QCOMPARE(e->dlg->edit().history().undoCount(), std::size_t(1));
    e->dlg->undo();
    QCOMPARE(e->dlg->record(), before);
    QCOMPARE(addressed(e->sent()).size(), 1); // straight back to 127
    QCOMPARE(picture->rows()[static_cast<std::size_t>(row)].keyUpper, 127);
}

void TestEditorHistory::structureDiagramFollowsTheCommonPage()
{
    auto e = open(params::Editor::Patch);
    e->dlg->showTab(0);
    auto* page = qobject_cast<CSingleCommonDlg*>(e->dlg->currentPage());
    QVERIFY(page);
    auto* type34 = qobject_cast<QComboBox*>(page->control(QStringLiteral("patch.structure34")));
    type34->setCurrentIndex(4);
    QCOMPARE(page->structureDiagram(1)->type(), 4);
    QCOMPARE(page->structureDiagram(0)->type(), 0);
    QVERIFY(page->structureDiagram(1)->toolTip().contains(QStringLiteral("RING(3,4)")));
    e->dlg->undo();
    QCOMPARE(page->structureDiagram(1)->type(), 0);
}

void TestEditorHistory::mixLevelDragIsOneStep()
{
    auto e = open(params::Editor::Performance);
    e->dlg->showTab(static_cast<int>(e->dlg->tabList().size()) - 1); // Mix
    auto* mix = qobject_cast<CMultiMixDialog*>(e->dlg->currentPage());
    QVERIFY(mix);
    QSlider* slider = mix->levelSlider(2);
    slider->setSliderDown(true);
    for (int v : {120, 100, 80, 60})
        slider->setSliderPosition(v);
    slider->setSliderDown(false);
    QCOMPARE(addressed(e->sent()).size(), 4);
    QCOMPARE(e->dlg->edit().history().undoCount(), std::size_t(1));
    e->dlg->undo();
    QCOMPARE(addressed(e->sent()), QStringList{"01 00 12 06 7f"});
    QCOMPARE(slider->value(), 127);
}

// A run of one control is one undo step, whatever it sent on its way: the digits of a
// number typed into a box (until the box is left), a knob dragged from press to release,
// a run of wheel notches on a knob. The next run is a step of its own; undo brings back
// the bytes from before and sends the value from before.
void TestEditorHistory::oneRunOfAControlIsOneStep_data()
{
    QTest::addColumn<int>("editor");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("minSent");    // messages the first run sent at least
    QTest::addColumn<QString>("undone"); // address and data undo sends
    QTest::newRow("part level typed") << int(params::Editor::Performance) << "part.level"
                                      << "type" << 2 << "01 00 10 06 7f";
    QTest::newRow("patch chorus level typed") << int(params::Editor::Patch) << "patch.chorus.level"
                                              << "type" << 2 << "03 00 00 21 7f";
    QTest::newRow("mix pan knob dragged") << int(params::Editor::Performance) << "part.pan"
                                          << "drag" << 2 << "01 00 10 07 40";
    QTest::newRow("mix pan knob wheeled") << int(params::Editor::Performance) << "part.pan"
                                          << "wheel" << 2 << "01 00 10 07 40";
}

void TestEditorHistory::oneRunOfAControlIsOneStep()
{
    QFETCH(int, editor);
    QFETCH(QString, id);
    QFETCH(QString, how);
    QFETCH(int, minSent);
    QFETCH(QString, undone);
    auto e = open(static_cast<params::Editor>(editor), true, true);
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    e->dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e->dlg.get()));
    const params::Param& row = params::row(id);
    QWidget* control = nullptr;
    QWidget* elsewhere = e->dlg->okButton();
    if (how == QLatin1String("type")) {
        int tab = -1;
        for (std::size_t t = 0; t < e->dlg->tabList().size() && tab < 0; ++t)
            if (e->dlg->tabList()[t].page == row.page)
                tab = static_cast<int>(t);
        QVERIFY(tab >= 0);
        e->dlg->showTab(tab);
        auto* page = qobject_cast<CParamPage*>(e->dlg->currentPage());
        QVERIFY(page);
        control = page->control(id, 0);
        QVERIFY2(qobject_cast<QSpinBox*>(control), qPrintable(id));
    } else {
        e->dlg->showTab(static_cast<int>(e->dlg->tabList().size()) - 1); // Mix
        auto* mix = qobject_cast<CMultiMixDialog*>(e->dlg->currentPage());
        QVERIFY(mix);
        QWidget* knob = mix->knob(3, 0);
        QVERIFY(knob);
        control = knob->findChild<QDial*>();
        QVERIFY(control);
    }
    const QByteArray before = e->dlg->record();
    e->sent();
    // One run, then another of the same control.
    const auto run = [&](int n) {
        if (how == QLatin1String("type")) {
            auto* box = qobject_cast<QSpinBox*>(control);
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, n == 0 ? QStringLiteral("12") : QStringLiteral("3"));
            QTest::keyClick(box, Qt::Key_Tab);
        } else if (how == QLatin1String("drag")) {
            // Left to right over the top, then back.
            const QPoint left(2, control->height() / 2);
            const QPoint right(control->width() - 2, control->height() / 2);
            QTest::mousePress(control, Qt::LeftButton, {}, n == 0 ? left : right);
            testsupport::movePointer(control, QPoint(control->width() / 2, 1));
            testsupport::movePointer(control, n == 0 ? right : left);
            QTest::mouseRelease(control, Qt::LeftButton, {}, n == 0 ? right : left);
            QCoreApplication::processEvents(); // the turn ends once the release is through
        } else {
            control->setFocus();
            for (int notch = 0; notch < 3; ++notch) {
                const QPoint at = control->rect().center();
                QWheelEvent wheel(QPointF(at), QPointF(control->mapToGlobal(at)), QPoint(),
                                  QPoint(0, n == 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                  false);
                QApplication::sendEvent(control, &wheel);
            }
            QTest::qWait(CValueKnob::kWheelPauseMs * 2);
        }
    };
    run(0);
    const QByteArray first = e->dlg->record();
    QVERIFY(first != before);
    QVERIFY(e->sent().size() >= minSent);
    QCOMPARE(e->dlg->edit().history().undoCount(), std::size_t(1));
    elsewhere->setFocus();
    run(1);
    QVERIFY(e->dlg->record() != first);
    QCOMPARE(e->dlg->edit().history().undoCount(), std::size_t(2));
    e->sent();
    e->dlg->undo();
    QCOMPARE(e->dlg->record(), first);
    e->dlg->undo();
    QCOMPARE(e->dlg->record(), before);
    const QStringList sent = addressed(e->sent());
    if (!undone.isEmpty())
        QCOMPARE(sent.last(), undone);
    QCOMPARE(sent.size(), 2);
}

QTEST_MAIN(TestEditorHistory)
#include "tst_editorhistory.moc"
