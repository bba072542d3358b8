#include "controls/common/ChoiceList.h"
#include "controls/common/ControlModule.h"
#include "controls/common/ControlRegistry.h"
#include "controls/common/DispatchDriver.h"
#include "controls/common/StateStream.h"

#include <QtCore/QDir>
#include <QtCore/QLibrary>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QWidget>

#include <memory>

namespace {

// A small dispatchable object standing in for a control.
class CTestTarget : public QObject, public IDispatchable
{
    Q_OBJECT
    Q_INTERFACES(IDispatchable)
    Q_PROPERTY(short Level READ level WRITE setLevel)

public:
    const CDispatchTable& dispatchTable() const override;
    short level() const { return m_level; }
    void setLevel(short level) { m_level = level; }

public slots:
    int Add(short a, int b) { return a + b; }
    void Ping() { emit Pinged(QStringLiteral("pong"), m_level); }

signals:
    void Pinged(const QString& text, short level);

private:
    short m_level = 3;
};

constexpr DispatchMember kTargetMembers[] = {
    {1, DispatchKind::Property, "Level"},
    {2, DispatchKind::Method, "Add"},
    {3, DispatchKind::Method, "Ping"},
    {1, DispatchKind::Event, "Pinged"},
};
constexpr CDispatchTable kTargetTable{kTargetMembers};

const CDispatchTable& CTestTarget::dispatchTable() const
{
    return kTargetTable;
}

class CTestHost : public QObject
{
    Q_OBJECT
signals:
    void heard(const QString& text, short level);
};

QByteArray written(const std::function<void(QDataStream&)>& write)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    ControlState::CByteOrderGuard guard(stream);
    write(stream);
    return bytes;
}

} // namespace

class TestControlModules : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void textLengths_data();
    void textLengths();
    void wideText();
    void choiceList_data();
    void choiceList();
    void choiceValues();
    void corruptState();
    void colours();
    void registryFile();
    void registryErrors();
    void registryNumbers_data();
    void registryNumbers();
    void dispatchDriver();
    void entryPoints_data();
    void entryPoints();
    void registerOverMalformed_data();
    void registerOverMalformed();

private:
    QTemporaryDir m_dir;
    QString m_registryPath;
};

void TestControlModules::init()
{
    QVERIFY(m_dir.isValid());
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
    m_registryPath = m_dir.filePath(
        QStringLiteral("registry-%1-%2.json").arg(QString::fromLatin1(QTest::currentTestFunction()), tag));
    QFile::remove(m_registryPath);
    qputenv(CControlRegistry::kPathVariable, m_registryPath.toLocal8Bit());
}

void TestControlModules::textLengths_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix");
    QTest::newRow("empty") << 0 << QByteArray::fromHex("00");
    QTest::newRow("one byte") << 254 << QByteArray::fromHex("fe");
    QTest::newRow("word") << 255 << QByteArray::fromHex("ffff00");
    QTest::newRow("largest word") << 65533 << QByteArray::fromHex("fffdff");
    QTest::newRow("not the wide marker") << 65534 << QByteArray::fromHex("fffffffeff0000");
    QTest::newRow("long") << 70000 << QByteArray::fromHex("ffffff70110100");
}

void TestControlModules::textLengths()
{
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);
    const QString text(length, QLatin1Char('x'));
    const QByteArray bytes = written([&](QDataStream& s) { ControlState::writeText(s, text); });
    QCOMPARE(bytes.left(prefix.size()), prefix);
    QCOMPARE(bytes.size(), prefix.size() + length);
    QDataStream in(bytes);
    ControlState::CByteOrderGuard guard(in);
    QCOMPARE(ControlState::readText(in), text);
    QCOMPARE(in.status(), QDataStream::Ok);
}

void TestControlModules::wideText()
{
    // A text stored as UTF-16: the marker, then its length in characters.
    const QByteArray bytes = QByteArray::fromHex("fffeff"
                                                 "02"
                                                 "4f006b00");
    QDataStream in(bytes);
    ControlState::CByteOrderGuard guard(in);
    QCOMPARE(ControlState::readText(in), QStringLiteral("Ok"));

    // A text beyond Latin-1 is written that way too, not with question marks.
    const QString text = QStringLiteral("Osc \u03A9 \u20AC");
    const QByteArray written = ::written([&](QDataStream& s) { ControlState::writeText(s, text); });
    QCOMPARE(written, QByteArray::fromHex("fffeff07"
                                          "4f00730063002000a9032000ac20"));
    QDataStream back(written);
    ControlState::CByteOrderGuard backGuard(back);
    QCOMPARE(ControlState::readText(back), text);
    QCOMPARE(back.status(), QDataStream::Ok);
}

void TestControlModules::choiceList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("three") << QStringLiteral("SAW\r\nPULS\r\nTRI\r\n") << QStringList{"SAW", "PULS", "TRI"};
    QTest::newRow("last without CR LF") << QStringLiteral("SAW\r\nPULS") << QStringList{"SAW"};
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("empty entry") << QStringLiteral("\r\nA\r\n") << QStringList{"", "A"};
    QTest::newRow("bare line feed drops a character") << QStringLiteral("AB\nC\r\n") << QStringList{"A", "C"};
}

void TestControlModules::choiceList()
{
    QFETCH(QString, text);
    QFETCH(QStringList, entries);
    QCOMPARE(ChoiceList::parse(text), entries);
    // Written back, every entry ends in CR LF and reads the same.
    QCOMPARE(ChoiceList::parse(ChoiceList::join(entries)), entries);
}

void TestControlModules::choiceValues()
{
    QCOMPARE(ChoiceList::parseValues(QStringLiteral("25\r\n-7\r\n70000\r\n 12ab\r\nx\r\n+3\r\n")),
             (QList<short>{25, -7, 4464, 12, 0, 3}));
    QCOMPARE(ChoiceList::joinValues({25, -63}), QStringLiteral("25\r\n-63\r\n"));
    QCOMPARE(ChoiceList::join({QStringLiteral("A\r\nB")}), QStringLiteral("A  B\r\n"));
}

void TestControlModules::corruptState()
{
    // Lengths beyond the data or beyond reason fail without reading past the end.
    for (const char* hex : {"05414243", "ffffffffffff7f", "0352e30b"}) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        QDataStream in(bytes);
        ControlState::CByteOrderGuard guard(in);
        if (QByteArray(hex).startsWith("0352"))
            ControlState::readFontRecord(in);
        else
            ControlState::readText(in);
        QVERIFY2(in.status() != QDataStream::Ok, hex);
    }
}

void TestControlModules::colours()
{
    QCOMPARE(ControlState::toOleColor(QColor(0x11, 0x22, 0x33)), 0x00332211u);
    QCOMPARE(ControlState::fromOleColor(0x00332211u), QColor(0x11, 0x22, 0x33));
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    QCOMPARE(ControlState::fromOleColor(0x80000005u, palette), QColor(1, 2, 3));
}

void TestControlModules::registryFile()
{
    CControlRegistry registry;
    QCOMPARE(registry.path(), m_registryPath);
    QVERIFY(registry.load()); // a missing file is an empty registry
    QVERIFY(registry.entries().isEmpty());

    CControlRegistry::Entry entry;
    entry.classId = QStringLiteral("5271b7a3-ad10-11cf-aae1-444553540000");
    entry.progId = QStringLiteral("KURVEX.KurvexCtrl.1");
    entry.typeName = QStringLiteral("Kurvex Control");
    entry.modulePath = QStringLiteral("/opt/toneloom/libkurvex.so");
    entry.typeLibId = QStringLiteral("{36022B0F-AF2B-11CF-AAE1-444553540000}");
    entry.typeLibVersion = QStringLiteral("1.0");
    entry.miscStatus = 0x20191;
    registry.insert(entry);
    entry.typeName = QStringLiteral("Kurvex Control");
    registry.insert(entry); // replaces, does not add
    QVERIFY(registry.save());

    CControlRegistry reread;
    QVERIFY(reread.load());
    QCOMPARE(reread.entries().size(), 1);
    const auto found = reread.find(QStringLiteral("{5271B7A3-AD10-11CF-AAE1-444553540000}"));
    QVERIFY(found);
    QCOMPARE(found->classId, QStringLiteral("{5271B7A3-AD10-11CF-AAE1-444553540000}"));
    QCOMPARE(found->modulePath, entry.modulePath);
    QCOMPARE(found->miscStatus, 0x20191u);
    QVERIFY(reread.findByProgId(QStringLiteral("kurvex.kurvexctrl.1")));
    QVERIFY(reread.remove(entry.classId));
    QVERIFY(!reread.remove(entry.classId));
}

void TestControlModules::registryErrors()
{
    QFile file(m_registryPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{ not json");
    file.close();
    CControlRegistry registry;
    QString error;
    QVERIFY(!registry.load(&error));
    QVERIFY(!error.isEmpty());
}

void TestControlModules::registryNumbers_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<quint32>("miscStatus");
    QTest::newRow("the usual") << QByteArray("131473") << 0x20191u;
    QTest::newRow("largest") << QByteArray("4294967295") << 0xFFFFFFFFu;
    QTest::newRow("beyond 32 bits") << QByteArray("1e30") << 0u;
    QTest::newRow("negative") << QByteArray("-5") << 0u;
    QTest::newRow("fraction") << QByteArray("131473.5") << 0u;
    QTest::newRow("not a number") << QByteArray("\"x\"") << 0u;
}

void TestControlModules::registryNumbers()
{
    QFETCH(QByteArray, number);
    QFETCH(quint32, miscStatus);
    CControlRegistry registry;
    QVERIFY(registry.parse("{\"classes\": [{\"classId\": \"{1}\", \"miscStatus\": " + number + "}]}"));
    QCOMPARE(registry.entries().size(), 1);
    QCOMPARE(registry.entries().at(0).miscStatus, miscStatus);
}

void TestControlModules::dispatchDriver()
{
    CTestTarget target;
    CTestHost host;
    CDispatchDriver driver;
    QVERIFY(!driver.attach(&host)); // no table
    QVERIFY(driver.attach(&target));

    QCOMPARE(driver.getProperty(1).toInt(), 3);
    QVERIFY(driver.setProperty(1, 42)); // int converted to short
    QCOMPARE(target.level(), short(42));
    QVERIFY(!driver.setProperty(2, 1)); // a method, not a property
    QVERIFY(!driver.getProperty(9).isValid());

    bool ok = false;
    QCOMPARE(driver.invoke(2, {5, 6}, &ok).toInt(), 11);
    QVERIFY(ok);
    driver.invoke(2, {5}, &ok); // wrong number of arguments
    QVERIFY(!ok);

    QVERIFY(!driver.connectEvent(2, &host, "heard"));
    QVERIFY(driver.connectEvent(1, &host, "heard"));
    QSignalSpy spy(&host, &CTestHost::heard);
    driver.invoke(3, {}, &ok);
    QVERIFY(ok);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("pong"));
    QCOMPARE(spy.at(0).at(1).value<short>(), short(42));
}

void TestControlModules::entryPoints_data()
{
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("classId");
    QTest::addColumn<QString>("progId");
    QTest::addColumn<QString>("pageProgId");
    QTest::newRow("kurvex") << "kurvex"
                            << "{5271B7A3-AD10-11CF-AAE1-444553540000}"
                            << "KURVEX.KurvexCtrl.1"
                            << "KURVEX.KurvexPropPage.1";
    QTest::newRow("pickvane") << "pickvane"
                              << "{2A923CC7-F240-11D0-AAE1-444553540000}"
                              << "PICKVANE.PickvaneCtrl.1"
                              << "PICKVANE.PickvanePropPage.1";
    QTest::newRow("captile") << "captile"
                             << "{DE32F627-F0AB-11D0-AAE1-444553540000}"
                             << "CAPTILE.CaptileCtrl.1"
                             << "CAPTILE.CaptilePropPage.1";
    QTest::newRow("knob") << "knob"
                          << "{A0BC8323-D142-11D0-AAE1-444553540000}"
                          << "KNOB.KnobCtrl.1"
                          << "KNOB.KnobPropPage.1";
}

void TestControlModules::entryPoints()
{
    QFETCH(QString, module);
    QFETCH(QString, classId);
    QFETCH(QString, progId);
    QFETCH(QString, pageProgId);

    QLibrary library(QDir(QStringLiteral(TONELOOM_BIN_DIR)).filePath(module));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    auto registerServer = reinterpret_cast<DllRegisterServerFunction>(library.resolve("DllRegisterServer"));
    auto unregisterServer = reinterpret_cast<DllUnregisterServerFunction>(library.resolve("DllUnregisterServer"));
    auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(library.resolve("DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(library.resolve("DllCanUnloadNow"));
    QVERIFY(registerServer && unregisterServer && getClassObject && canUnloadNow);

    // Another entry survives both registration and unregistration.
    CControlRegistry registry;
    CControlRegistry::Entry other;
    other.classId = QStringLiteral("{00000000-0000-0000-0000-000000000001}");
    other.progId = QStringLiteral("OTHER.Ctrl.1");
    registry.insert(other);
    QVERIFY(registry.save());

    QCOMPARE(registerServer(), ControlResult::kOk);
    QVERIFY(registry.load());
    QCOMPARE(registry.entries().size(), 3);
    const auto control = registry.find(classId);
    QVERIFY(control);
    QCOMPARE(control->progId, progId);
    QCOMPARE(control->kind, CControlRegistry::ClassKind::Control);
    QCOMPARE(QFileInfo(control->modulePath).canonicalFilePath(), QFileInfo(library.fileName()).canonicalFilePath());
    QCOMPARE(control->miscStatus, 0x20191u);
    const auto page = registry.findByProgId(pageProgId);
    QVERIFY(page);
    QCOMPARE(page->kind, CControlRegistry::ClassKind::PropertyPage);

    QWidget* created = nullptr;
    QCOMPARE(getClassObject("{00000000-0000-0000-0000-000000000001}", nullptr, &created),
             ControlResult::kClassNotAvailable);
    QVERIFY(!created);
    QCOMPARE(getClassObject(classId.toLower().toLatin1().constData(), nullptr, nullptr), ControlResult::kPointer);
    QCOMPARE(canUnloadNow(), ControlResult::kOk);
    QCOMPARE(getClassObject(classId.toLower().toLatin1().constData(), nullptr, &created), ControlResult::kOk);
    std::unique_ptr<QWidget> owned(created);
    QVERIFY(owned);
    QVERIFY(qobject_cast<IDispatchable*>(owned.get()));
    QCOMPARE(canUnloadNow(), ControlResult::kFalse);
    owned.reset();
    QCOMPARE(canUnloadNow(), ControlResult::kOk);

    QCOMPARE(unregisterServer(), ControlResult::kOk);
    QVERIFY(registry.load());
    QCOMPARE(registry.entries().size(), 1);
    QVERIFY(registry.find(other.classId));
}

void TestControlModules::registerOverMalformed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut short") << QByteArray("{ \"classes\": [ {") << "at byte";
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "not a JSON object";
    QTest::newRow("classes not a list") << QByteArray("{\"classes\": 7}") << "is not a list";
    QTest::newRow("entry without class") << QByteArray("{\"classes\": [{\"progId\": \"A.B.1\"}]}") << "entry 1";
    QTest::newRow("binary") << QByteArray::fromHex("00ff10fe7b") << "at byte";
}

void TestControlModules::registerOverMalformed()
{
    // A registry file nobody can read must not block registration for good: it is kept
    // beside the new one, and the host is told.
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(write(m_registryPath, content));
    // An earlier bad file is not overwritten.
    QVERIFY(write(m_registryPath + QStringLiteral(".bad"), "older"));

    QLibrary library(QDir(QStringLiteral(TONELOOM_BIN_DIR)).filePath(QStringLiteral("kurvex")));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    auto registerServer = reinterpret_cast<DllRegisterServerFunction>(library.resolve("DllRegisterServer"));
    QVERIFY(registerServer);
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("could not be read \\(.*%1.*\\)\\. It was kept as .*\\.bad-2")
                                             .arg(QRegularExpression::escape(reason))));
    QCOMPARE(registerServer(), ControlResult::kOk);

    CControlRegistry registry;
    QString error;
    QVERIFY2(registry.load(&error), qPrintable(error));
    QCOMPARE(registry.entries().size(), 2); // the control and its property page
    QVERIFY(registry.find(QStringLiteral("{5271B7A3-AD10-11CF-AAE1-444553540000}")));
    QFile aside(m_registryPath + QStringLiteral(".bad-2"));
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), content);
    QFile older(m_registryPath + QStringLiteral(".bad"));
    QVERIFY(older.open(QIODevice::ReadOnly));
    QCOMPARE(older.readAll(), QByteArray("older"));

    // The next registration finds a sound file and says nothing.
    QCOMPARE(registerServer(), ControlResult::kOk);
    auto unregisterServer = reinterpret_cast<DllUnregisterServerFunction>(library.resolve("DllUnregisterServer"));
    QCOMPARE(unregisterServer(), ControlResult::kOk);
    QVERIFY(registry.load());
    QVERIFY(registry.entries().isEmpty());
}

QTEST_MAIN(TestControlModules)
#include "tst_controlmodules.moc"
