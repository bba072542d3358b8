#include "controls/pickvane/PickvaneCtrl.h"
#include "controls/pickvane/PickvanePropPage.h"

#include <QtCore/QTimer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPlainTextEdit>

#include <memory>

namespace {

const QString kTemplate = QStringLiteral("F0 41 10 6A 12 03 00 10 01 00 02 XX YY KK F7");
const QString kItems = QStringLiteral("SAW\r\nPULS\r\nTRI\r\n");
const QString kValues = QStringLiteral("25\r\n38\r\n44\r\n");

std::unique_ptr<CPickvaneCtrl> makeControl(const QString& items = kItems, const QString& values = kValues)
{
    auto control = std::make_unique<CPickvaneCtrl>();
    control->resize(64, 24);
    control->setSysExString(kTemplate);
    control->setListItems(items);
    control->setListValues(values);
    return control;
}

QString twelveItems()
{
    QString items;
    for (int i = 1; i <= 12; ++i)
        items += QStringLiteral("I%1\r\n").arg(i);
    return items;
}

} // namespace

class TestPickvaneCtrl : public QObject
{
    Q_OBJECT

private slots:
    void values();
    void selectFires_data();
    void selectFires();
    void resetFiresTwice();
    void popup_data();
    void popup();
    void releaseOutside();
    void menuCommands();
    void drawing();
    void stateBytes();
    void stateLoad_data();
    void stateLoad();
    void propertyPage();
};

void TestPickvaneCtrl::values()
{
    const auto control = makeControl(kItems, QStringLiteral("25\r\n-7\r\n70000\r\n12ab\r\nx\r\n"));
    QCOMPARE(control->values(), (QList<short>{25, -7, 4464, 12, 0}));
    QCOMPARE(control->GetListValue(1), short(-7));
    QCOMPARE(control->GetListValue(5), short(0));
    QCOMPARE(control->GetListValue(-1), short(0));
}

void TestPickvaneCtrl::selectFires_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("values");
    QTest::addColumn<int>("selection");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("fired"); // value sent, -1 for none
    QTest::newRow("third item") << kItems << kValues << 2 << "TRI" << 44;
    QTest::newRow("first item") << kItems << kValues << 0 << "SAW" << 25;
    QTest::newRow("no values") << kItems << QString() << 1 << "" << -1;
    QTest::newRow("no items") << QString() << kValues << 1 << "" << -1;
    QTest::newRow("beyond the lists") << kItems << kValues << 3 << "" << -1;
    QTest::newRow("negative") << kItems << kValues << -1 << "" << -1;
    QTest::newRow("fewer values than items") << kItems << QStringLiteral("25\r\n") << 1 << "" << -1;
}

void TestPickvaneCtrl::selectFires()
{
    QFETCH(QString, items);
    QFETCH(QString, values);
    QFETCH(int, selection);
    QFETCH(QString, shown);
    QFETCH(int, fired);
    const auto control = makeControl(items, values);
    QSignalSpy spy(control.get(), &CPickvaneCtrl::SendString);
    control->setSelection(short(selection));
    QCOMPARE(control->selection(), short(selection));
    QCOMPARE(control->shownText(), shown);
    QCOMPARE(spy.count(), fired < 0 ? 0 : 1);
    if (fired >= 0) {
        QCOMPARE(spy.at(0).at(0).toString(), kTemplate);
        QCOMPARE(spy.at(0).at(1).value<short>(), short(fired));
    }
}

void TestPickvaneCtrl::resetFiresTwice()
{
    const auto control = makeControl();
    control->setSelection(1);
    QVERIFY(control->handleMenuCommand(CPickvaneCtrl::kFirstCommand + 2));
    QCOMPARE(control->selection(), short(2));
    QSignalSpy spy(control.get(), &CPickvaneCtrl::SendString);
    control->Reset();
    QCOMPARE(control->selection(), short(1));
    QCOMPARE(control->shownText(), QStringLiteral("PULS"));
    QCOMPARE(spy.count(), 2);
    for (const QList<QVariant>& arguments : spy)
        QCOMPARE(arguments.at(1).value<short>(), short(38));

    // Without values Reset announces nothing at all.
    const auto silent = makeControl(kItems, QString());
    QSignalSpy silentSpy(silent.get(), &CPickvaneCtrl::SendString);
    silent->Reset();
    QCOMPARE(silentSpy.count(), 0);
}

void TestPickvaneCtrl::popup_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("selection");
    QTest::addColumn<int>("fired");
    QTest::newRow("second") << 1 << 1 << 1;
    QTest::newRow("tenth") << 9 << 9 << 1;
    QTest::newRow("eleventh does nothing") << 10 << 0 << 0;
    QTest::newRow("twelfth does nothing") << 11 << 0 << 0;
}

void TestPickvaneCtrl::popup()
{
    QFETCH(int, entry);
    QFETCH(int, selection);
    QFETCH(int, fired);
    QString values;
    for (int i = 0; i < 12; ++i)
        values += QStringLiteral("%1\r\n").arg(i * 10);
    const auto control = makeControl(twelveItems(), values);
    control->show();
    QVERIFY(QTest::qWaitForWindowExposed(control.get()));
    QSignalSpy spy(control.get(), &CPickvaneCtrl::SendString);

    int shownEntries = -1;
    QTimer::singleShot(0, this, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        shownEntries = int(menu->actions().size());
        menu->setActiveAction(menu->actions().at(entry));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 12));
    QCOMPARE(shownEntries, 12);
    QCOMPARE(control->selection(), short(selection));
    QCOMPARE(spy.count(), fired);
    if (fired)
        QCOMPARE(spy.at(0).at(1).value<short>(), short(selection * 10));
}

void TestPickvaneCtrl::releaseOutside()
{
    const auto control = makeControl();
    control->show();
    QVERIFY(QTest::qWaitForWindowExposed(control.get()));
    bool popped = false;
    QTimer::singleShot(0, this, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popped = true;
            popup->close();
        }
    });
    QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(70, 12));
    QCoreApplication::processEvents();
    QVERIFY(!popped);
}

void TestPickvaneCtrl::menuCommands()
{
    const auto control = makeControl(twelveItems(), kValues);
    std::unique_ptr<QMenu> menu(control->createChoiceMenu(nullptr));
    QCOMPARE(menu->actions().size(), 12);
    QCOMPARE(menu->actions().at(11)->text(), QStringLiteral("I12"));
    QCOMPARE(menu->actions().at(11)->data().toInt(), 111);
    QVERIFY(!control->handleMenuCommand(110));
    QVERIFY(!control->handleMenuCommand(99));
    QVERIFY(control->handleMenuCommand(101));
    QCOMPARE(control->selection(), short(1));
}

void TestPickvaneCtrl::drawing()
{
    const auto control = makeControl();
    control->setBackColor(QColor(200, 0, 0));
    control->setSelection(0);
    QImage image = control->grab().toImage();
    QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    QCOMPARE(image.pixel(63, 23) & 0xFFFFFF, 0x000000u);
    QCOMPARE(image.pixel(2, 2) & 0xFFFFFF, 0xC80000u);

    // Text in the foreground colour, centred.
    int left = image.width();
    int right = -1;
    for (int y = 1; y < image.height() - 1; ++y) {
        for (int x = 1; x < image.width() - 1; ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xC80000u) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    QVERIFY(right > left);
    QVERIFY(std::abs((left - 1) - (image.width() - 2 - right)) <= 3);

    control->show();
    QVERIFY(QTest::qWaitForWindowExposed(control.get()));
    control->activateWindow();
    control->setFocus();
    QTRY_VERIFY(control->hasFocusFlag());
    image = control->grab().toImage();
    QCOMPARE(image.pixel(2, 2) & 0xFFFFFF, 0xC0C0C0u);
}

void TestPickvaneCtrl::stateBytes()
{
    auto control = makeControl(QStringLiteral("A\r\n"), QStringLiteral("7\r\n"));
    control->resize(96, 24); // 2540 x 635 HIMETRIC
    control->setBackColor(QColor(0x11, 0x22, 0x33));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setBold(true);
    control->setControlFont(font);
    control->setSysExString(QStringLiteral("F0 XX F7"));
    control->setSelection(0);

    const QByteArray expected = QByteArray::fromHex("00000100"
                                                    "ec090000"
                                                    "7b020000" // version, extent
                                                    "05000000"
                                                    "11223300" // stock mask, BackColor (0x00BBGGRR)
                                                    "0352e30b918fce119de300aa004bb851" // font object class
                                                    "01"
                                                    "0000"
                                                    "00"
                                                    "bc02"
                                                    "c0d40100"
                                                    "05"
                                                    "417269616c" // version, charset, attributes, weight, size, "Arial"
                                                    "03"
                                                    "410d0a" // ListItems
                                                    "08"
                                                    "4630205858204637" // SysExString
                                                    "03"
                                                    "370d0a" // ListValues
                                                    "0000"); // Selection
    QCOMPARE(control->saveState(), expected);

    CPickvaneCtrl loaded;
    QSignalSpy spy(&loaded, &CPickvaneCtrl::SendString);
    QVERIFY(loaded.loadState(expected));
    QCOMPARE(loaded.listItems(), QStringLiteral("A\r\n"));
    QCOMPARE(loaded.shownText(), QStringLiteral("A"));
    QCOMPARE(loaded.backColor(), QColor(0x11, 0x22, 0x33));
    QCOMPARE(loaded.controlFont().family(), QStringLiteral("Arial"));
    QCOMPARE(loaded.controlFont().pointSize(), 12);
    QCOMPARE(loaded.controlFont().weight(), QFont::Bold);
    QCOMPARE(spy.count(), 1); // loading runs the selection
    QCOMPARE(loaded.saveState(), expected);
}

void TestPickvaneCtrl::stateLoad_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("items");
    QTest::addColumn<short>("selection");
    QTest::newRow("current") << QByteArray::fromHex("00000100") << QStringLiteral("A\r\nB\r\n") << short(1);
    QTest::newRow("other version") << QByteArray::fromHex("01000100") << QString() << short(0);
}

void TestPickvaneCtrl::stateLoad()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, items);
    QFETCH(short, selection);
    auto source = makeControl(QStringLiteral("A\r\nB\r\n"), QStringLiteral("1\r\n2\r\n"));
    source->setSelection(1);
    QByteArray state = source->saveState();
    state.replace(0, 4, version);

    CPickvaneCtrl loaded;
    loaded.loadState(state);
    QCOMPARE(loaded.listItems(), items);
    QCOMPARE(loaded.selection(), selection);
    // Reset goes back to the loaded selection.
    QVERIFY(loaded.handleMenuCommand(100) || items.isEmpty());
    loaded.Reset();
    QCOMPARE(loaded.selection(), selection);
}

void TestPickvaneCtrl::propertyPage()
{
    const auto control = makeControl();
    std::unique_ptr<QDialog> dialog(control->createPropertyPage(nullptr));
    auto* page = qobject_cast<CPickvanePropPage*>(dialog.get());
    QVERIFY(page);
    QCOMPARE(page->itemsEdit()->toPlainText(), QStringLiteral("SAW\nPULS\nTRI"));
    page->itemsEdit()->setPlainText(QStringLiteral("LP 24\nLP 12\n"));
    page->accept();
    QCOMPARE(control->listItems(), QStringLiteral("LP 24\r\nLP 12\r\n"));
    QCOMPARE(control->items().size(), 2);
}

QTEST_MAIN(TestPickvaneCtrl)
#include "tst_pickvanectrl.moc"
