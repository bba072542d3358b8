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
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>

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
    void pickvane();
    void knob();
    void captile();
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
    for (const QString& module : kModules)
        QVERIFY(callEntry(module, "DllUnregisterServer"));
    CControlRegistry registry;
    QVERIFY(registry.load());
    QVERIFY(registry.entries().isEmpty());
}

void TestControlWrappers::kurvex()
{
    CKurvex wrapper;
    QVERIFY2(wrapper.create(), qPrintable(wrapper.errorString()));
    wrapper.resize(645, 150);
    wrapper.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wrapper));
    QCOMPARE(wrapper.control()->size(), QSize(645, 150));

    KurvexPoints block = KurvexBlock::initialBlock();
    block[KurvexBlock::kTime + 1] = 60;
    wrapper.SetPoints(block);
    wrapper.SetHelpLine(false);
    QCOMPARE(wrapper.control()->property("Points").value<KurvexPoints>(), block);
    QCOMPARE(wrapper.control()->property("HelpLine").toBool(), false);

    // Point 1 is drawn at (65, 10); dragged 20 pixels to the right it lasts 80 units.
    QSignalSpy spy(&wrapper, &CKurvex::pointsChanged);
    QTest::mouseClick(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QCOMPARE(spy.count(), 0);
    QTest::mousePress(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(65, 10));
    QTest::mouseMove(wrapper.control(), QPoint(85, 10));
    QTest::mouseRelease(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(85, 10));
    QCOMPARE(spy.count(), 1);
    block[KurvexBlock::kTime + 1] = 80;
    QCOMPARE(spy.at(0).at(0).value<KurvexPoints>(), block);

    wrapper.SetEnable(false);
    QTest::mousePress(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(85, 10));
    QTest::mouseMove(wrapper.control(), QPoint(105, 10));
    QTest::mouseRelease(wrapper.control(), Qt::LeftButton, Qt::NoModifier, QPoint(105, 10));
    QCOMPARE(spy.count(), 1);
}

void TestControlWrappers::pickvane()
{
    CPickvane wrapper;
    QVERIFY2(wrapper.create(pickvaneState()), qPrintable(wrapper.errorString()));
    QCOMPARE(wrapper.size(), QSize(96, 24));
    QCOMPARE(wrapper.GetListItems(), QStringLiteral("SAW\r\nPULS\r\nTRI\r\n"));
    QCOMPARE(wrapper.GetSelection(), short(1));
    QCOMPARE(wrapper.GetListValue(2), short(44));

    QSignalSpy spy(&wrapper, &CPickvane::sendString);
    wrapper.SetSelection(2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(1).value<short>(), short(44));
    wrapper.Reset();
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(2).at(1).value<short>(), short(44));
}

void TestControlWrappers::knob()
{
    CKnob wrapper;
    QVERIFY2(wrapper.create(), qPrintable(wrapper.errorString()));
    QCOMPARE(wrapper.GetMin(), short(0));
    QCOMPARE(wrapper.GetMax(), short(127));
    QSignalSpy changed(&wrapper, &CKnob::valueChanged);
    QSignalSpy sent(&wrapper, &CKnob::sendString);
    wrapper.SetValue(200);
    QCOMPARE(wrapper.GetValue(), short(127));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(1).value<short>(), short(127));
    wrapper.Reset();
    QCOMPARE(wrapper.GetValue(), short(0));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(sent.count(), 1);
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
    QVERIFY2(wrapper.create(state), qPrintable(wrapper.errorString()));
    QCOMPARE(wrapper.control()->property("Caption").toString(), QStringLiteral("Osc A"));
    QCOMPARE(wrapper.control()->property("BackColor").value<QColor>(), QColor(0, 0, 128));
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
    QCOMPARE(found.GetMax(), short(127));
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
