#include "controls/common/ControlFactory.h"
#include "controls/common/ControlModule.h"
#include "controls/common/ControlRegistry.h"
#include "playsurfaces/Captile.h"
#include "playsurfaces/Knob.h"
#include "playsurfaces/Kurvex.h"
#include "playsurfaces/Pickvane.h"

#include <QtCore/QDir>
#include <QtCore/QLibrary>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThreadPool>
#include <QtCore/QTimer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QMenu>

namespace {

const QStringList kModules = {QStringLiteral("kurvex"), QStringLiteral("pickvane"), QStringLiteral("captile"),
                              QStringLiteral("knob")};

QString modulePath(const QString& module)
{
    return QDir(QStringLiteral(TONELOOM_BIN_DIR)).filePath(module);
}

bool callEntry(const QString& module, const char* entry)
{
    QLibrary library(modulePath(module));
    auto function = reinterpret_cast<DllRegisterServerFunction>(library.resolve(entry));
    return function && function() == ControlResult::kOk;
}

// A stored choice-control state as a dialog keeps it: three items, values, template,
// selection 1.
QByteArray pickvaneState()
{
    return QByteArray::fromHex("00000100"
                               "ec090000"
                               "7b020000"
                               "00000000"
                               "10"
                               "5341570d0a50554c530d0a5452490d0a" // items "SAW PULS TRI"
                               "00"                               // template
                               "0c"
                               "32350d0a33380d0a34340d0a" // values 25 38 44
                               "0100");
}

} // namespace

class TestControlWrappers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void kurvex();
    void kurvexHostsAnswerEdits();
    void pickvane();
    void pickvaneFromProperties();
    void knob();
    void knobFromProperties();
    void captile();
    void sizeHintFollowsExtent_data();
    void sizeHintFollowsExtent();
    void remoteSelection_data();
    void remoteSelection();
    void remoteValue_data();
    void remoteValue();
    void applyRemote();
    void fallbackBesideProgram();
    void unknownClass();

private:
    QTemporaryDir m_dir;
};

void TestControlWrappers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv(CControlRegistry::kPathVariable, m_dir.filePath(QStringLiteral("controls.json")).toLocal8Bit());
    // Only the registry tells where the modules are, not the test's own folder.
    CControlFactory::setFallbackFolders({});
}

void TestControlWrappers::init()
{
    for (const QString& module : kModules)
        QVERIFY2(callEntry(module, "DllRegisterServer"), qPrintable(module));
}

void TestControlWrappers::cleanupTestCase()
{
    // Painting a knob's gradient starts Qt's thread pool; its idle threads are joined
    // here, so that none is still ending when the leak check runs at exit.
    QThreadPool::globalInstance()->waitForDone();
    for (const QString& module : kModules)
        QVERIFY(callEntry(module, "DllUnregisterServer"));
    CControlRegistry registry;
    QVERIFY(registry.load());
    QVERIFY(registry.entries().isEmpty());
}

void TestControlWrappers::kurvex()
{
    CKurvex wrapper;
    QSignalSpy changed(&wrapper, &CKurvex::pointsChanged);
    QSignalSpy edited(&wrapper, &CKurvex::pointsEdited);
    QSignalSpy helpLine(&wrapper, &CKurvex::helpLineChanged);
    QSignalSpy enable(&wrapper, &CKurvex::enableChanged);
    QVERIFY2(wrapper.create(), qPrintable(wrapper.errorString()));
    // The new control's values are announced once.
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<KurvexPoints>(), KurvexBlock::initialBlock());
    QCOMPARE(helpLine.count(), 1);
    QCOMPARE(enable.count(), 1);
    changed.clear();
    wrapper.resize(645, 150);
    wrapper.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wrapper));
    QCOMPARE(wrapper.control()->size(), QSize(645, 150));

    KurvexPoints block = KurvexBlock::initialBlock();
    block[KurvexBlock::kTime + 1] = 60;
    wrapper.SetPoints(block);
    wrapper.SetPoints(block); // no change, no signal
    QVERIFY(wrapper.setProperty("helpLine", false));
    QCOMPARE(wrapper.control()->property("Points").value<KurvexPoints>(), block);
    QCOMPARE(wrapper.control()->property("HelpLine").toBool(), false);
    QCOMPARE(wrapper.property("points").value<KurvexPoints>(), block);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<KurvexPoints>(), block);
    QCOMPARE(helpLine.count(), 2);
    QCOMPARE(helpLine.at(1).at(0).toBool(), false);
    QCOMPARE(edited.count(), 0);

    // Point 1 is drawn at (65, 10); dragged 20 pixels to the right it lasts 80 units.
    QTest::mouseClick(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QCOMPARE(edited.count(), 0);
    QTest::mousePress(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(65, 10));
    QTest::mouseMove(wrapper.control(), QPoint(85, 10));
    QTest::mouseRelease(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(85, 10));
    block[KurvexBlock::kTime + 1] = 80;
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited.at(0).at(0).value<KurvexPoints>(), block);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).value<KurvexPoints>(), block);
    QCOMPARE(wrapper.GetPoints(), block);

    wrapper.SetEnable(false);
    QCOMPARE(wrapper.GetEnable(), false);
    QCOMPARE(enable.count(), 2);
    QCOMPARE(enable.at(1).at(0).toBool(), false);
    QTest::mousePress(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(85, 10));
    QTest::mouseMove(wrapper.control(), QPoint(105, 10));
    QTest::mouseRelease(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(105, 10));
    QCOMPARE(edited.count(), 1);
}

void TestControlWrappers::kurvexHostsAnswerEdits()
{
    // An editor copies one column's edit into the other selected columns from its
    // handler; that must neither loop nor count as the user's edit of those columns.
    CKurvex first;
    CKurvex second;
    QVERIFY(first.create());
    QVERIFY(second.create());
    first.resize(645, 150);
    int handled = 0;
    auto copy = [&](CKurvex& to) {
        return [&](const KurvexPoints& points) {
            ++handled;
            to.SetPoints(points);
        };
    };
    connect(&first, &CKurvex::pointsEdited, &second, copy(second));
    connect(&second, &CKurvex::pointsEdited, &first, copy(first));
    QSignalSpy secondChanged(&second, &CKurvex::pointsChanged);
    QTest::mousePress(first.control(), Qt::LeftButton, Qt::NoModifier, QPoint(132, 10));
    QTest::mouseMove(first.control(), QPoint(100, 40));
    QTest::mouseRelease(first.control(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 40));
    QCOMPARE(handled, 1);
    QCOMPARE(secondChanged.count(), 1);
    QCOMPARE(second.GetPoints(), first.GetPoints());
    QVERIFY(first.GetPoints() != KurvexBlock::initialBlock());
}

void TestControlWrappers::pickvane()
{
    CPickvane wrapper;
    QVERIFY2(wrapper.create(pickvaneState()), qPrintable(wrapper.errorString()));
    QCOMPARE(wrapper.size(), QSize(96, 24));
    QCOMPARE(wrapper.GetListItems(), QStringLiteral("SAW\r\nPULS\r\nTRI\r\n"));
    QCOMPARE(wrapper.GetItems(), (QStringList{"SAW", "PULS", "TRI"}));
    QCOMPARE(wrapper.GetValues(), (QList<int>{25, 38, 44}));
    QCOMPARE(wrapper.GetSelection(), 1);
    QCOMPARE(wrapper.GetListValue(2), 44);

    QSignalSpy sent(&wrapper, &CPickvane::sendString);
    QSignalSpy selection(&wrapper, &CPickvane::selectionChanged);
    wrapper.SetSelection(2);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(1).toInt(), 44);
    QCOMPARE(selection.count(), 1);
    QCOMPARE(selection.at(0).at(0).toInt(), 2);
    wrapper.Reset();
    QCOMPARE(sent.count(), 3);
    QCOMPARE(sent.at(2).at(1).toInt(), 44);
    QCOMPARE(selection.count(), 1); // Reset went back to 2, where it was
}

void TestControlWrappers::pickvaneFromProperties()
{
    // A host builds the control from its own tables, without a stored state.
    const QString sysEx = QStringLiteral("F0 41 10 6A 12 03 00 10 3D XX KK F7");
    CPickvane wrapper;
    QVERIFY(wrapper.create());
    QSignalSpy items(&wrapper, &CPickvane::itemsChanged);
    QSignalSpy values(&wrapper, &CPickvane::valuesChanged);
    QSignalSpy templates(&wrapper, &CPickvane::sysExStringChanged);
    QSignalSpy selection(&wrapper, &CPickvane::selectionChanged);
    QSignalSpy sent(&wrapper, &CPickvane::sendString);
    QVERIFY(wrapper.setProperty("items", QStringList{"4'", "8'", "16'", "32'"}));
    wrapper.SetValues({60, 48, 36, 24});
    wrapper.SetSysExString(sysEx);
    wrapper.SetSelection(1);
    QCOMPARE(wrapper.GetListItems(), QStringLiteral("4'\r\n8'\r\n16'\r\n32'\r\n"));
    QCOMPARE(items.count(), 1);
    QCOMPARE(items.at(0).at(0).toStringList().size(), 4);
    QCOMPARE(values.count(), 1);
    QCOMPARE(values.at(0).at(0).value<QList<int>>(), (QList<int>{60, 48, 36, 24}));
    QCOMPARE(templates.count(), 1);
    QCOMPARE(templates.at(0).at(0).toString(), sysEx);
    QCOMPARE(selection.count(), 1);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).toString(), sysEx);
    QCOMPARE(sent.at(0).at(1).toInt(), 48);

    // The user's choice from the popup is announced and changes the selection.
    wrapper.resize(64, 24);
    wrapper.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wrapper));
    QTimer::singleShot(0, this, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menu->setActiveAction(menu->actions().at(2));
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    QTest::mouseClick(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 12));
    QCOMPARE(sent.count(), 2);
    QCOMPARE(sent.at(1).at(1).toInt(), 36);
    QCOMPARE(selection.count(), 2);
    QCOMPARE(selection.at(1).at(0).toInt(), 2);
    QCOMPARE(wrapper.property("selection").toInt(), 2);
}

void TestControlWrappers::knob()
{
    CKnob wrapper;
    QVERIFY2(wrapper.create(), qPrintable(wrapper.errorString()));
    QCOMPARE(wrapper.GetMin(), 0);
    QCOMPARE(wrapper.GetMax(), 127);
    QSignalSpy changed(&wrapper, &CKnob::valueChanged);
    QSignalSpy sent(&wrapper, &CKnob::sendString);
    wrapper.SetValue(200);
    QCOMPARE(wrapper.GetValue(), 127);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 127);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(1).toInt(), 127);
    wrapper.Reset();
    QCOMPARE(wrapper.GetValue(), 0);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toInt(), 0);
    QCOMPARE(sent.count(), 1);
}

void TestControlWrappers::knobFromProperties()
{
    const QString sysEx = QStringLiteral("F0 41 10 6A 12 03 00 NN 55 XX KK F7");
    CKnob wrapper;
    QVERIFY(wrapper.create());
    QSignalSpy minimum(&wrapper, &CKnob::minimumChanged);
    QSignalSpy maximum(&wrapper, &CKnob::maximumChanged);
    QSignalSpy changed(&wrapper, &CKnob::valueChanged);
    QSignalSpy sent(&wrapper, &CKnob::sendString);
    wrapper.SetSysExString(sysEx);
    wrapper.SetMin(-63);
    QVERIFY(wrapper.setProperty("maximum", 63));
    wrapper.SetInitialValue(7);
    QCOMPARE(minimum.count(), 1);
    QCOMPARE(minimum.at(0).at(0).toInt(), -63);
    QCOMPARE(maximum.count(), 1);
    QCOMPARE(maximum.at(0).at(0).toInt(), 63);
    QCOMPARE(changed.count(), 0);
    wrapper.Reset();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 7);

    // Narrowing the range clips the value: a change of the property, not a message.
    wrapper.SetMax(5);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toInt(), 5);
    QCOMPARE(sent.count(), 0);

    // Beyond 16 bits the number is clipped, not wrapped.
    wrapper.SetMin(-70000);
    QCOMPARE(wrapper.GetMin(), -32768);

    QTest::keyClick(wrapper.control(), Qt::Key_Down);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.at(2).at(0).toInt(), 4);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).toString(), sysEx);
    QCOMPARE(sent.at(0).at(1).toInt(), 4);
}

void TestControlWrappers::captile()
{
    const QByteArray state = QByteArray::fromHex("00000100"
                                                 "ec090000"
                                                 "7b020000"
                                                 "03000000"
                                                 "05"
                                                 "4f73632041" // Caption "Osc A"
                                                 "00008000"); // BackColor blue
    CCaptile wrapper;
    QSignalSpy caption(&wrapper, &CCaptile::captionChanged);
    QVERIFY2(wrapper.create(state), qPrintable(wrapper.errorString()));
    QCOMPARE(wrapper.GetCaption(), QStringLiteral("Osc A"));
    QCOMPARE(wrapper.GetBackColor(), QColor(0, 0, 128));
    QCOMPARE(caption.count(), 1);

    QSignalSpy back(&wrapper, &CCaptile::backColorChanged);
    QSignalSpy font(&wrapper, &CCaptile::captionFontChanged);
    QVERIFY(wrapper.setProperty("caption", QStringLiteral("Filter Env")));
    wrapper.SetBackColor(QColor(0, 128, 128));
    QFont bold = wrapper.GetCaptionFont();
    bold.setBold(true);
    wrapper.SetCaptionFont(bold);
    QCOMPARE(wrapper.control()->property("Caption").toString(), QStringLiteral("Filter Env"));
    QCOMPARE(caption.count(), 2);
    QCOMPARE(caption.at(1).at(0).toString(), QStringLiteral("Filter Env"));
    QCOMPARE(back.count(), 1);
    QCOMPARE(back.at(0).at(0).value<QColor>(), QColor(0, 128, 128));
    QCOMPARE(font.count(), 1);
    QVERIFY(wrapper.GetCaptionFont().bold());
}

void TestControlWrappers::sizeHintFollowsExtent_data()
{
    QTest::addColumn<QString>("classId");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QSize>("hint");
    const QString kurvex = QString::fromLatin1(CKurvex::kClassId);
    const QString pickvane = QString::fromLatin1(CPickvane::kClassId);
    // 8467 x 3175 HIMETRIC is 320 x 120 pixels; 2540 x 635 is 96 x 24.
    QTest::newRow("envelope, stored") << kurvex << QByteArray::fromHex("00000100132100006f0c00000000000001")
                                      << QSize(320, 120);
    QTest::newRow("envelope, default") << kurvex << QByteArray() << QSize(645, 150);
    QTest::newRow("choice, stored") << pickvane << pickvaneState() << QSize(96, 24);
    QTest::newRow("choice, default") << pickvane << QByteArray() << QSize(64, 24);
    QTest::newRow("caption, stored") << QString::fromLatin1(CCaptile::kClassId)
                                     << QByteArray::fromHex("00000100ec0900007b02000000000000") << QSize(96, 24);
    QTest::newRow("knob, default") << QString::fromLatin1(CKnob::kClassId) << QByteArray() << QSize(40, 40);
}

void TestControlWrappers::sizeHintFollowsExtent()
{
    QFETCH(QString, classId);
    QFETCH(QByteArray, state);
    QFETCH(QSize, hint);
    QWidget window;
    window.resize(660, 170);
    auto* layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* site = new CControlSite;
    layout->addWidget(site, 0, Qt::AlignLeft | Qt::AlignTop);
    QVERIFY2(site->createControl(classId, state), qPrintable(site->errorString()));
    QVERIFY2(site->errorString().isEmpty(), qPrintable(site->errorString()));
    QCOMPARE(site->sizeHint(), hint);
    // A layout gives the site its stored size.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(site->size(), hint);
}

void TestControlWrappers::remoteSelection_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("controller");
    QTest::addColumn<int>("selection");
    QTest::newRow("four items, 100") << 4 << 100 << 3;
    QTest::newRow("four items, 31") << 4 << 31 << 0;
    QTest::newRow("three items, top") << 3 << 127 << 2; // 127 / 42 = 3, at most the last
    QTest::newRow("one item") << 1 << 127 << 0;
    QTest::newRow("no items") << 0 << 64 << -1;
    QTest::newRow("128 items") << 128 << 127 << 127;
    QTest::newRow("129 items") << 129 << 127 << 128;
    QTest::newRow("200 items, bottom") << 200 << 0 << 0;
    QTest::newRow("200 items, top") << 200 << 127 << 199;
    QTest::newRow("200 items, middle") << 200 << 64 << 100;
    QTest::newRow("controller below range") << 3 << -5 << 0;
    QTest::newRow("controller above range") << 3 << 300 << 2;
}

void TestControlWrappers::remoteSelection()
{
    QFETCH(int, items);
    QFETCH(int, controller);
    QFETCH(int, selection);
    QCOMPARE(CPickvane::remoteSelection(items, controller), selection);
}

void TestControlWrappers::remoteValue_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("controller");
    QTest::addColumn<int>("value"); // -1000 for none
    QTest::newRow("within reach") << -63 << 63 << 0 << 70 << 7;
    QTest::newRow("too far") << -63 << 63 << 0 << 80 << -1000;
    QTest::newRow("just within") << 0 << 127 << 50 << 60 << 60;
    QTest::newRow("clipped to the top") << 0 << 75 << 70 << 127 << 75;
    QTest::newRow("clipped, too far") << 0 << 75 << 60 << 127 << -1000;
}

void TestControlWrappers::remoteValue()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, current);
    QFETCH(int, controller);
    QFETCH(int, value);
    QCOMPARE(CKnob::remoteValue(minimum, maximum, current, controller).value_or(-1000), value);
}

void TestControlWrappers::applyRemote()
{
    CPickvane empty;
    QVERIFY(empty.create());
    QSignalSpy emptySent(&empty, &CPickvane::sendString);
    QVERIFY(!empty.ApplyRemote(100));
    QCOMPARE(emptySent.count(), 0);
    QCOMPARE(empty.GetSelection(), 0);

    CPickvane choice;
    QVERIFY(choice.create(pickvaneState()));
    QSignalSpy sent(&choice, &CPickvane::sendString);
    QVERIFY(choice.ApplyRemote(100)); // three items: 100 / 42 = 2
    QCOMPARE(choice.GetSelection(), 2);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(1).toInt(), 44);

    CKnob knob;
    QVERIFY(knob.create());
    knob.SetMin(-63);
    knob.SetMax(63);
    knob.SetValue(0);
    QSignalSpy changed(&knob, &CKnob::valueChanged);
    QVERIFY(!knob.ApplyRemote(80));
    QVERIFY(knob.ApplyRemote(70));
    QCOMPARE(knob.GetValue(), 7);
    QCOMPARE(changed.count(), 1);
}

void TestControlWrappers::fallbackBesideProgram()
{
    for (const QString& module : kModules)
        QVERIFY(callEntry(module, "DllUnregisterServer"));
    CKnob lost;
    QVERIFY(!lost.create());

    CControlFactory::setFallbackFolders({QStringLiteral(TONELOOM_BIN_DIR)});
    CKnob found;
    QVERIFY2(found.create(), qPrintable(found.errorString()));
    QCOMPARE(found.GetMax(), 127);
    CControlFactory::setFallbackFolders({});
}

void TestControlWrappers::unknownClass()
{
    CControlSite site;
    QVERIFY(!site.createControl(QStringLiteral("{00000000-0000-0000-0000-00000000BEEF}")));
    QVERIFY(!site.errorString().isEmpty());
    QVERIFY(!site.control());
}

QTEST_MAIN(TestControlWrappers)
#include "tst_controlwrappers.moc"
