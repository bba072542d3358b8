#include "EditorFixture.h"

#include "controls/kurvex/KurvexCtrl.h"
#include "editors/EFXDialog.h"
#include "editors/EditEffects.h"
#include "editors/EnvelopePage.h"
#include "editors/EnvelopePresetsDlg.h"
#include "editors/MultiRowTabBar.h"
#include "editors/NumberBox.h"
#include "editors/SingleCommonDlg.h"
#include "editors/TonePage.h"
#include "model/EfxTypes.h"
#include "model/RecordEdit.h"
#include "playsurfaces/Kurvex.h"
#include "settings/IniFile.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

using namespace editortest;
using params::Param;

Q_DECLARE_METATYPE(SynthModel)

namespace {

// A graph that reports what a test tells it, to check what reaches the page.
class CFakeGraph : public CEnvelopeGraph
{
public:
    int shown = 0;
    int dropped = 0;
    bool enabledShown = true;
    void report(const Points& p) { controlReported(p); }

protected:
    void showPoints(const Points&) override
    {
        ++shown;
        // A control may report while it is being set: the graph must not pass it on.
        Points echo = points();
        echo[1] += 1;
        controlReported(echo);
    }
    void showEnabled(bool enabled) override { enabledShown = enabled; }
    void showHelpLine(bool) override {}
    void dropDrag() override { ++dropped; }
};

CKurvexCtrl* kurvexOf(CEnvelopeGraph* graph)
{
    auto* kurvex = graph ? graph->findChild<CKurvex*>() : nullptr;
    return kurvex ? qobject_cast<CKurvexCtrl*>(kurvex->control()) : nullptr;
}

QPoint handle(CKurvexCtrl* ctrl, int point)
{
    return QPoint(int(ctrl->pointX(point)), ctrl->pointY(point));
}

} // namespace

class TestEditorPages : public testsupport::CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tabsInOrder();
    void pagesFitWithoutOverlap();
    void everyControlShowsAndKeepsItsValue_data();
    void everyControlShowsAndKeepsItsValue();
    void efxRowsOfTheType_data();
    void efxRowsOfTheType();
    void efxTypeChangeSendsItsRows();
    void commonPageByModel_data();
    void commonPageByModel();
    void waveLists();
    void clockedLfoKeepsItsRate();
    void numberBoxRefusesWhatIsNoByte();
    void graphsReachEveryLevel();
    void clickWithoutDragChangesNothing();
    void dragSendsWhatChanged();
    void disabledColumnEndsTheDrag();
    void graphPassesOnlyChanges();
    void presetShapesTheEnvelope_data();
    void presetShapesTheEnvelope();
    void presetDialogRenamesAndKeeps_data();
    void presetDialogRenamesAndKeeps();

private:
    struct Editor
    {
        CLoopbackDevice ports;
        std::unique_ptr<testsupport::Session> session;
        std::unique_ptr<CTestServices> services;
        std::unique_ptr<CEditPatchDlg> dlg;
        CMidi& midi() { return session->frame()->services().midi(); }
        QList<QByteArray> sent() { return takeSent(ports, midi()); }
    };
    std::unique_ptr<Editor> open(const QByteArray& patch = newPatch(), SynthModel model = SynthModel::Jv2080);
};

void TestEditorPages::initTestCase()
{
    QVERIFY(m_dir.isValid());
    useBuiltControls(m_dir.path());
}

std::unique_ptr<TestEditorPages::Editor> TestEditorPages::open(const QByteArray& patch, SynthModel model)
{
    auto e = std::make_unique<Editor>();
    e->session = start(freshIni(), e->ports);
    CAppSettings::Midi midi = e->session->app->settings().midi();
    midi.model = model;
    e->session->app->settings().setMidi(midi);
    e->services = std::make_unique<CTestServices>(e->session->frame()->services());
    e->dlg = std::make_unique<CEditPatchDlg>(*e->services, patch);
    e->sent();
    return e;
}

void TestEditorPages::tabsInOrder()
{
    auto e = open();
    const QStringList expected = {"Common",       "Chorus / Reverb", "EFX",  "Controls",     "Controller 1",
                                  "Controller 2", "Controller 3",    "Wave", "LFO 1",        "LFO 2",
                                  "Pitch",        "Pitch Envelope",  "TVF",  "TVF Envelope", "TVA",
                                  "TVA Envelope", "Pan / Output"};
    QStringList texts;
    for (int i = 0; i < e->dlg->tabBar()->count(); ++i)
        texts << e->dlg->tabBar()->tabText(i);
    QCOMPARE(texts, expected);
    QCOMPARE(e->dlg->windowTitle(), QStringLiteral("Edit Patch"));
    QVERIFY(qobject_cast<CSingleCommonDlg*>(e->dlg->currentPage()));
    QTest::mouseClick(e->dlg->tabBar()->tabButton(2), Qt::LeftButton);
    QVERIFY(qobject_cast<CEFXDialog*>(e->dlg->currentPage()));
    QCOMPARE(e->dlg->currentTab(), 2);
    // One page at a time.
    QCOMPARE(e->dlg->findChildren<CTabPage*>().size(), 1);
    e->dlg->showTab(15);
    QVERIFY(qobject_cast<CEnvelopePage*>(e->dlg->currentPage()));
    QVERIFY(e->dlg->tabBar()->tabButton(15)->isChecked());
    QVERIFY(!e->dlg->tabBar()->tabButton(2)->isChecked());
    QCOMPARE(e->dlg->findChildren<CTabPage*>().size(), 1);
}

void TestEditorPages::pagesFitWithoutOverlap()
{
    // Long names: a board's title, the longest wave names of the patch's groups.
    const QByteArray patch = realPatch(QStringLiteral("ahlzen_PadVoxBell.syx"), 3);
    auto e = open(patch.isEmpty() ? newPatch() : patch);
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    for (int tab = 0; tab < e->dlg->tabBar()->count(); ++tab) {
        e->dlg->showTab(tab);
        QCoreApplication::processEvents();
        CTabPage* page = e->dlg->currentPage();
        const QString name = e->dlg->tabBar()->tabText(tab);
        QVERIFY2(page->height() >= page->minimumSizeHint().height(), qPrintable(name));
        QVERIFY2(page->width() >= page->minimumSizeHint().width(), qPrintable(name));
        // The page's own controls, not the parts they are made of.
        QList<QWidget*> leaves;
        for (QWidget* w : page->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w)
                                 || qobject_cast<QSpinBox*>(w) || qobject_cast<QLineEdit*>(w)
                                 || qobject_cast<QLabel*>(w) || qobject_cast<CEnvelopeGraph*>(w);
            bool inner = false;
            for (QWidget* up = w->parentWidget(); up && up != page; up = up->parentWidget())
                inner = inner || qobject_cast<QComboBox*>(up) || qobject_cast<QSpinBox*>(up)
                        || qobject_cast<CEnvelopeGraph*>(up);
            if (control && !inner && w->isVisible())
                leaves << w;
        }
        QVERIFY(leaves.size() > 5);
        for (int i = 0; i < leaves.size(); ++i) {
            const QRect a(leaves[i]->mapTo(page, QPoint(0, 0)), leaves[i]->size());
            const QString what = name + QLatin1Char(' ') + leaves[i]->objectName() + QLatin1Char(' ')
                                 + leaves[i]->metaObject()->className();
            QVERIFY2(page->rect().contains(a), qPrintable(what + QStringLiteral(" leaves the page")));
            if (auto* label = qobject_cast<QLabel*>(leaves[i]))
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(what + QStringLiteral(" is cut")));
            if (auto* combo = qobject_cast<QComboBox*>(leaves[i])) {
                // The shown item fits beside the arrow.
                const int text = combo->fontMetrics().horizontalAdvance(combo->currentText());
                QVERIFY2(text + 30 <= combo->width(),
                         qPrintable(what + QStringLiteral(" cuts ") + combo->currentText()));
            }
            for (int j = i + 1; j < leaves.size(); ++j) {
                const QRect b(leaves[j]->mapTo(page, QPoint(0, 0)), leaves[j]->size());
                QVERIFY2(!a.intersects(b), qPrintable(what + QStringLiteral(" overlaps ") + leaves[j]->objectName()));
            }
        }
    }
}

void TestEditorPages::everyControlShowsAndKeepsItsValue_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");
    QTest::newRow("new patch") << QString() << 0;
    QTest::newRow("Astral Chill") << "locurasoft_single.syx" << 0;
    QTest::newRow("Super JV Pad") << "kk_SuperJVPad.syx" << 0;
    QTest::newRow("RedPowerBass") << "kk_JV1080_AGSOUND1.syx" << 0;
    QTest::newRow("Arabia (board waves)") << "ahlzen_PadVoxBell.syx" << 3;
    QTest::newRow("Celestial 2 (board waves)") << "ahlzen_PadVoxBell.syx" << 7;
}

void TestEditorPages::everyControlShowsAndKeepsItsValue()
{
    QFETCH(QString, file);
    QFETCH(int, index);
    const QByteArray patch = file.isEmpty() ? newPatch() : realPatch(file, index);
    if (patch.isEmpty())
        QSKIP("the real dumps are not there");
    auto e = open(patch);
    CRecordEdit& edit = e->dlg->edit();
    edit.setRealtime(false);
    int controls = 0;
    for (int tab = 0; tab < e->dlg->tabBar()->count(); ++tab) {
        e->dlg->showTab(tab);
        CParamPage* page = paramPage(*e->dlg);
        QVERIFY(page);
        for (const Param* p : params::pageRows(params::Editor::Patch, page->page())) {
            for (int column : page->columnsOf(*p)) {
                QWidget* w = page->control(p->id, column);
                const QString where = QStringLiteral("%1 %2/%3").arg(e->dlg->tabBar()->tabText(tab), p->id).arg(column);
                QVERIFY2(w, qPrintable(where));
                ++controls;
                const int value = edit.value(*p, column);
                // What the control shows is what the listing shows; choosing it again
                // stores the same bytes.
                if (auto* combo = qobject_cast<QComboBox*>(w)) {
                    const QString text = params::shownText(*p, value, edit.context(*p, column));
                    if (combo->currentIndex() < 0)
                        continue; // a value beyond its list shows no item
                    QCOMPARE(combo->currentText(), text);
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
                QVERIFY2(edit.image() == patch, qPrintable(where));
            }
        }
    }
    QVERIFY(controls > 500);
    QCOMPARE(e->dlg->patch(), patch);
    QVERIFY(e->sent().isEmpty());
}

void TestEditorPages::efxRowsOfTheType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<QString>("control1");
    QTest::addColumn<QString>("control2");
    QTest::newRow("01:STEREO-EQ") << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << "Control 1: Level"
                                  << "Control 2: ";
    QTest::newRow("02:OVERDRIVE") << 1 << QList<int>{1, 2, 3, 4, 5, 6} << "Control 1: Drive"
                                  << "Control 2: Pan";
    QTest::newRow("14:STEREO-CHORUS") << 13 << QList<int>{1, 2, 3, 4, 5, 6, 8, 9, 10, 11} << "Control 1: Rate"
                                      << "Control 2: Balance";
}

void TestEditorPages::efxRowsOfTheType()
{
    QFETCH(int, type);
    QFETCH(QList<int>, shown);
    QByteArray patch = newPatch();
    patch[CPatchArray::commonParam(0x0C)] = char(type);
    auto e = open(patch);
    e->dlg->show();
    e->dlg->showTab(2);
    auto* page = qobject_cast<CEFXDialog*>(e->dlg->currentPage());
    QVERIFY(page);
    QList<int> visible;
    for (int k = 1; k <= efx::kRowCount; ++k) {
        const QString id = QStringLiteral("patch.efx.row%1").arg(k);
        QLabel* label = page->label(id);
        QVERIFY(label);
        QCOMPARE(page->control(id)->isVisible(), label->isVisible());
        if (!label->isVisible())
            continue;
        visible << k;
        QCOMPARE(label->text(), efx::rowLabel(type, k - 1));
        QCOMPARE(qobject_cast<QComboBox*>(page->control(id))->count(),
                 std::min(int(efx::rowItems(type, k - 1).size()), efx::rowMaximum(type, k - 1) + 1));
    }
    QCOMPARE(visible, shown);
    QTEST(page->controlButton(1)->text(), "control1");
    QTEST(page->controlButton(2)->text(), "control2");
    auto* typeList = qobject_cast<QComboBox*>(page->control(QStringLiteral("patch.efx.type")));
    QCOMPARE(typeList->count(), 40);
    QCOMPARE(typeList->itemText(39), QStringLiteral("40:CHORUS/FLANGER"));
}

void TestEditorPages::efxTypeChangeSendsItsRows()
{
    auto e = open();
    e->dlg->showTab(2);
    auto* page = qobject_cast<CEFXDialog*>(e->dlg->currentPage());
    auto* typeList = qobject_cast<QComboBox*>(page->control(QStringLiteral("patch.efx.type")));
    typeList->setCurrentIndex(1); // 02:OVERDRIVE
    QCOMPARE(addressed(e->sent()), QStringList({"03 00 00 0c 01", "03 00 00 0d 00", "03 00 00 0e 00", "03 00 00 0f 00",
                                                "03 00 00 10 00", "03 00 00 11 00", "03 00 00 12 00"}));
    // Every used row shows its first item.
    QCOMPARE(qobject_cast<QComboBox*>(page->control(QStringLiteral("patch.efx.row2")))->currentText(),
             QStringLiteral("L64"));
    QCOMPARE(page->label(QStringLiteral("patch.efx.row3"))->text(), QStringLiteral("Amp Type:"));
    QCOMPARE(page->controlButton(1)->text(), QStringLiteral("Control 1: Drive"));
}

void TestEditorPages::commonPageByModel_data()
{
    QTest::addColumn<SynthModel>("model");
    QTest::addColumn<bool>("category");
    QTest::addColumn<bool>("clock");
    QTest::newRow("JV-1080") << SynthModel::Jv1080 << false << false;
    QTest::newRow("JV-2080") << SynthModel::Jv2080 << true << true;
    QTest::newRow("XP") << SynthModel::Xp << false << true;
}

void TestEditorPages::commonPageByModel()
{
    QFETCH(SynthModel, model);
    auto e = open(newPatch(), model);
    e->dlg->show();
    CParamPage* page = paramPage(*e->dlg);
    QTEST(page->control(QStringLiteral("patch.category"))->isVisible(), "category");
    QTEST(page->label(QStringLiteral("patch.category"))->isVisible(), "category");
    QTEST(page->control(QStringLiteral("patch.clockSource"))->isVisible(), "clock");
    QTEST(page->label(QStringLiteral("patch.clockSource"))->isVisible(), "clock");
    QVERIFY(page->control(QStringLiteral("patch.tempo"))->isVisible());
    // Tempo 20..250: 231 items, the stored 120 shown as "120".
    auto* tempo = qobject_cast<QComboBox*>(page->control(QStringLiteral("patch.tempo")));
    QCOMPARE(tempo->count(), 231);
    QCOMPARE(tempo->currentText(), QStringLiteral("120"));
    tempo->setCurrentIndex(230);
    QCOMPARE(addressed(e->sent()), QStringList{"03 00 00 2c 0f 0a"});
}

void TestEditorPages::waveLists()
{
    auto e = open();
    e->dlg->showTab(7);
    CParamPage* page = paramPage(*e->dlg);
    auto* group = qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.wave.group"), 1));
    auto* number = qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.wave.number"), 1));
    QCOMPARE(group->count(), 3 + 127);
    QCOMPARE(group->currentText(), QStringLiteral("Preset A"));
    QCOMPARE(group->itemText(3), e->services->names().GetTitle(NameFileKind::Board, 1));
    QCOMPARE(number->count(), 255);
    QCOMPARE(number->currentText(), QStringLiteral("Ac Piano1 A"));
    number->setCurrentIndex(200);
    e->sent();
    group->setCurrentIndex(1); // Preset B has 193 waves: wave 201 goes back to the first
    const QList<QByteArray> sent = e->sent();
    QCOMPARE(addressed(sent), QStringList{"03 00 12 01 00 02 00 00"});
    QCOMPARE(sent.first().size(), 15);
    QCOMPARE(number->count(), 193);
    QCOMPARE(number->currentIndex(), 0);
    group->setCurrentIndex(3 + 6); // board 7
    QCOMPARE(number->currentText(), e->services->names().GetName(7, NameSection::Waves, 0, NameFileKind::Board));
}

void TestEditorPages::clockedLfoKeepsItsRate()
{
    auto e = open();
    e->dlg->showTab(8);
    CParamPage* page = paramPage(*e->dlg);
    auto* rate = qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.lfo1.rate"), 0));
    auto* sync = qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.lfo1.externalSync"), 0));
    rate->setCurrentIndex(60);
    QCOMPARE(rate->currentText(), QStringLiteral("60"));
    sync->setCurrentIndex(1); // CLOCK
    QCOMPARE(rate->currentIndex(), 60);
    QCOMPARE(rate->currentText(), QStringLiteral("144")); // 0..96 by 2 (49 items), then 100.. by 4
    sync->setCurrentIndex(0);
    QCOMPARE(rate->currentText(), QStringLiteral("60"));
}

void TestEditorPages::numberBoxRefusesWhatIsNoByte()
{
    auto e = open();
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowActive(e->dlg.get()));
    e->dlg->showTab(2);
    CParamPage* page = paramPage(*e->dlg);
    auto* output = qobject_cast<CNumberBox*>(page->control(QStringLiteral("patch.efx.level")));
    QVERIFY(output);
    output->setFocus();
    output->selectAll();
    QTest::keyClicks(output, QStringLiteral("200"));
    // Enter stays in the box: the editor is still open and nothing was sent.
    QTest::keyClick(output, Qt::Key_Return);
    QVERIFY(e->dlg->isVisible());
    QTRY_COMPARE(e->session->prompter.texts(), QStringList{"Please enter an integer between 0 and 127."});
    // "2" and "20" were numbers of the range and went out as typed; "200" did not.
    QCOMPARE(output->value(), 20);
    QCOMPARE(addressed(e->sent()), QStringList({"03 00 00 1a 02", "03 00 00 1a 14"}));
    QCOMPARE(int(std::uint8_t(e->dlg->patch()[CPatchArray::commonParam(0x1A)])), 20);
    // A number of the range is sent keystroke by keystroke.
    output->selectAll();
    QTest::keyClicks(output, QStringLiteral("64"));
    QCOMPARE(addressed(e->sent()), QStringList({"03 00 00 1a 06", "03 00 00 1a 40"}));
}

void TestEditorPages::graphsReachEveryLevel()
{
    auto e = open();
    e->dlg->show();
    e->dlg->showTab(13);
    auto* page = qobject_cast<CEnvelopePage*>(e->dlg->currentPage());
    QVERIFY(page && page->graph(0));
    CKurvexCtrl* ctrl = kurvexOf(page->graph(0));
    QVERIFY2(ctrl, "the envelope control module was not found");
    QVERIFY(ctrl->height() >= 148);
    // Each level has a pixel row of its own.
    QSet<int> rows;
    for (int level = 0; level <= 127; ++level) {
        envelope::Values v{{20, 20, 20, 20}, {level, 0, 0, 0}};
        page->graph(0)->setPoints(envelope::pointsOf(envelope::Kind::Tvf, v));
        rows.insert(ctrl->pointY(1));
    }
    QCOMPARE(rows.size(), 128);
}

void TestEditorPages::clickWithoutDragChangesNothing()
{
    // Odd levels and times, which a small graph would round away.
    QByteArray patch = newPatch();
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 8; ++k)
            patch[CPatchArray::toneParam(t, 0x46 + k)] = char(k < 4 ? 17 + 13 * k : 3 + 31 * (k - 4));
    auto e = open(patch);
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    e->dlg->showTab(11); // Pitch Envelope
    auto* page = qobject_cast<CEnvelopePage*>(e->dlg->currentPage());
    for (int t = 0; t < 4; ++t) {
        CKurvexCtrl* ctrl = kurvexOf(page->graph(t));
        QVERIFY(ctrl);
        for (int point : {1, 2, 3, 5}) {
            QTest::mouseClick(ctrl, Qt::LeftButton, {}, handle(ctrl, point));
            QTest::mouseClick(ctrl, Qt::LeftButton, {}, QPoint(ctrl->width() - 3, 3)); // no handle
        }
    }
    QCOMPARE(e->dlg->patch(), patch);
    QVERIFY(e->sent().isEmpty());
}

void TestEditorPages::dragSendsWhatChanged()
{
    // Times apart, so that each point has a handle of its own.
    QByteArray patch = newPatch();
    for (int k = 0; k < 4; ++k)
        patch[CPatchArray::toneParam(1, 0x5B + k)] = char(30 + 20 * k);
    auto e = open(patch);
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    e->dlg->showTab(13); // TVF Envelope
    auto* page = qobject_cast<CEnvelopePage*>(e->dlg->currentPage());
    CKurvexCtrl* ctrl = kurvexOf(page->graph(1));
    QVERIFY(ctrl);
    const QPoint from = handle(ctrl, 2);
    QTest::mousePress(ctrl, Qt::LeftButton, {}, from);
    testsupport::movePointer(ctrl, from + QPoint(0, 40));
    QTest::mouseRelease(ctrl, Qt::LeftButton, {}, from + QPoint(0, 40));
    // Only what the drag changed goes out: the values of point 2 (its level, and its time
    // where the pointer's pixel rounds to another one), not all eight values.
    const QStringList sent = addressed(e->sent());
    QVERIFY2(!sent.isEmpty() && sent.size() <= 2, qPrintable(sent.join(QStringLiteral(" | "))));
    QVERIFY2(sent.last().startsWith(QStringLiteral("03 00 12 60")), qPrintable(sent.last()));
    if (sent.size() == 2)
        QVERIFY2(sent[0].startsWith(QStringLiteral("03 00 12 5c")), qPrintable(sent[0]));
    const int level2 = std::uint8_t(e->dlg->patch()[CPatchArray::toneParam(1, 0x60)]);
    QVERIFY(level2 < 127 && level2 > 60);
    // The list shows the new level.
    QCOMPARE(qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.tvf.level2"), 1))->currentIndex(), level2);
    // The whole drag is one step: one undo brings every value back and sends them.
    QCOMPARE(e->dlg->edit().history().undoCount(), std::size_t(1));
    e->dlg->undo();
    QCOMPARE(e->dlg->patch(), patch);
    const QStringList back = addressed(e->sent());
    QCOMPARE(back.size(), sent.size());
    QCOMPARE(
        back.last(),
        QStringLiteral("03 00 12 60 %1").arg(int(patch[CPatchArray::toneParam(1, 0x60)]), 2, 16, QLatin1Char('0')));
    QCOMPARE(qobject_cast<QComboBox*>(page->control(QStringLiteral("tone.tvf.level2"), 1))->currentIndex(),
             int(patch[CPatchArray::toneParam(1, 0x60)]));
}

void TestEditorPages::disabledColumnEndsTheDrag()
{
    QByteArray patch = newPatch();
    for (int k = 0; k < 4; ++k)
        patch[CPatchArray::toneParam(0, 0x46 + k)] = char(30 + 20 * k);
    auto e = open(patch);
    e->dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(e->dlg.get()));
    e->dlg->showTab(11);
    auto* page = qobject_cast<CEnvelopePage*>(e->dlg->currentPage());
    CKurvexCtrl* ctrl = kurvexOf(page->graph(0));
    QVERIFY(ctrl);
    const QPoint from = handle(ctrl, 1);
    QTest::mousePress(ctrl, Qt::LeftButton, {}, from);
    testsupport::movePointer(ctrl, from + QPoint(10, 30));
    // Tone 2 alone: tone 1's column is disabled while its point is held.
    QTest::mouseClick(e->dlg->toneBox(1), Qt::LeftButton);
    QVERIFY(!page->graph(0)->graphEnabled());
    QTest::mouseRelease(ctrl, Qt::LeftButton, {}, from + QPoint(10, 30));
    QTest::mouseClick(e->dlg->toneBox(1), Qt::LeftButton);
    QVERIFY(page->graph(0)->graphEnabled());
    // A later press away from the handles, a move and a release commit nothing: no point
    // is still held to follow the pointer.
    const QPoint elsewhere(ctrl->width() - 3, 3);
    QTest::mousePress(ctrl, Qt::LeftButton, {}, elsewhere);
    const QPoint away(ctrl->width() / 2, 20);
    testsupport::movePointer(ctrl, away);
    QTest::mouseRelease(ctrl, Qt::LeftButton, {}, away);
    QCOMPARE(e->dlg->patch(), patch);
    QVERIFY(e->sent().isEmpty());
    QCOMPARE(handle(ctrl, 1), from);
}

void TestEditorPages::graphPassesOnlyChanges()
{
    CFakeGraph graph;
    QSignalSpy edited(&graph, &CEnvelopeGraph::edited);
    CEnvelopeGraph::Points p = envelope::pointsOf(envelope::Kind::Tvf, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    graph.setPoints(p); // its echo is ignored
    QCOMPARE(edited.count(), 0);
    graph.report(p); // nothing moved
    QCOMPARE(edited.count(), 0);
    CEnvelopeGraph::Points moved = p;
    moved[envelope::kLevel + 2] = 60;
    graph.report(moved);
    QCOMPARE(edited.count(), 1);
    QCOMPARE(graph.points()[envelope::kLevel + 2], 60);
    graph.setGraphEnabled(false);
    QCOMPARE(graph.dropped, 1);
    QVERIFY(!graph.enabledShown);
    moved[envelope::kLevel + 2] = 10;
    graph.report(moved); // a disabled graph passes nothing on
    QCOMPARE(edited.count(), 1);
}

void TestEditorPages::presetShapesTheEnvelope_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("messages");
    QTest::addColumn<int>("end");
    QTest::newRow("pitch") << 11 << 0x46 << 8 << 20;
    QTest::newRow("amplifier") << 15 << 0x6E << 7 << 0;
}

void TestEditorPages::presetShapesTheEnvelope()
{
    QFETCH(int, tab);
    QFETCH(int, first);
    QFETCH(int, messages);
    QFETCH(int, end);
    auto e = open();
    CEnvelopePresetsDlg::Presets presets;
    for (int n = 0; n < 10; ++n)
        presets[std::size_t(n)] = e->services->settings().preset(n);
    presets[2] = {QStringLiteral("Swell"), {10, 20, 30, 40}, {90, 50, 100, 20}};
    e->services->settings().setPresets(presets);
    e->dlg->showTab(tab);
    auto* page = qobject_cast<CEnvelopePage*>(e->dlg->currentPage());
    QCOMPARE(page->presetList(3)->itemText(2), QStringLiteral("Swell"));
    page->presetList(3)->setCurrentIndex(2);
    emit page->presetList(3)->activated(2);
    const QStringList sent = addressed(e->sent());
    QCOMPARE(sent.size(), messages);
    QCOMPARE(sent.first(), QStringLiteral("03 00 16 %1 0a").arg(first, 2, 16, QLatin1Char('0')));
    QCOMPARE(sent[6], QStringLiteral("03 00 16 %1 64").arg(first + 6, 2, 16, QLatin1Char('0'))); // level 3 = 100
    const CEnvelopeGraph::Points points = page->graph(3)->points();
    QCOMPARE(points[envelope::kLevel + 3], 100);
    QCOMPARE(points[envelope::kLevel + 4], 100);
    QCOMPARE(points[envelope::kLevel + 6], end);
    // Chosen again after a change: it applies again.
    e->dlg->edit().change(params::row(tab == 11 ? u"tone.penv.time1" : u"tone.tva.time1"), 3, 99);
    e->sent();
    emit page->presetList(3)->activated(2);
    // Only the value the change moved goes out again.
    const QStringList again = addressed(e->sent());
    QCOMPARE(again.size(), 1);
    QCOMPARE(again.first(), sent.first());
}

void TestEditorPages::presetDialogRenamesAndKeeps_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestEditorPages::presetDialogRenamesAndKeeps()
{
    QFETCH(bool, accept);
    auto e = open();
    e->dlg->showTab(13);
    auto* page = qobject_cast<CEnvelopePage*>(e->dlg->currentPage());
    QString shownName;
    QStringList renamed;
    int graphLevel = -1;
    e->session->prompter.onExec = [&](QDialog& d) {
        auto* dlg = qobject_cast<CEnvelopePresetsDlg*>(&d);
        if (!dlg)
            return int(QDialog::Rejected);
        dlg->presetList()->setCurrentRow(1);
        shownName = dlg->nameEdit()->text();
        dlg->nameEdit()->selectAll();
        // Every keystroke renames the entry.
        for (const QString& key : {QStringLiteral("B"), QStringLiteral("o"), QStringLiteral("w")}) {
            QTest::keyClicks(dlg->nameEdit(), key);
            renamed << dlg->presetList()->item(1)->text();
        }
        dlg->levelList(2)->setCurrentIndex(77);
        graphLevel = dlg->graph() ? dlg->graph()->points()[envelope::kLevel + 3] : -1;
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    };
    QTest::mouseClick(page->editPresetsButton(), Qt::LeftButton);
    QCOMPARE(shownName, QStringLiteral("Preset 2"));
    QCOMPARE(renamed, QStringList({"B", "Bo", "Bow"}));
    QCOMPARE(graphLevel, 77);
    QCOMPARE(e->session->prompter.titles, QStringList{"Edit Envelope Presets"});
    const QString expected = accept ? QStringLiteral("Bow") : QStringLiteral("Preset 2");
    QCOMPARE(e->services->settings().preset(1).name, expected);
    QCOMPARE(page->presetList(0)->itemText(1), expected);
    QCOMPARE(e->services->settings().preset(1).levels[2], accept ? 77 : 127);
    CIniFile ini(e->session->app->settings().ini().path());
    QCOMPARE(ini.readString(QStringLiteral("ENV_PRESETS"), QStringLiteral("NAME1"), QStringLiteral("Preset 2")),
             expected);
}

QTEST_MAIN(TestEditorPages)
#include "tst_editorpages.moc"
