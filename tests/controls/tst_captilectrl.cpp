#include "controls/captile/CaptileCtrl.h"

#include <QtTest/QTest>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLabel>

#include <memory>

namespace {

constexpr QRgb kBack = 0x0000C0;
constexpr QRgb kFore = 0xFFFFFF;

std::unique_ptr<CCaptileCtrl> makeControl(const QString& caption, QSize size)
{
    auto control = std::make_unique<CCaptileCtrl>();
    control->resize(size);
    control->setCaption(caption);
    control->setBackColor(QColor::fromRgb(kBack));
    control->setForeColor(QColor::fromRgb(kFore));
    return control;
}

QRgb rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

} // namespace

class TestCaptileCtrl : public QObject
{
    Q_OBJECT

private slots:
    void drawing_data();
    void drawing();
    void stateBytes();
    void stateVersion();
    void aboutBox();
};

void TestCaptileCtrl::drawing_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::newRow("empty") << QString() << QSize(120, 20);
    QTest::newRow("heading") << QStringLiteral("Osc A") << QSize(120, 20);
    QTest::newRow("wider than the box") << QStringLiteral("Osc B Pitch EG Osc B Pitch EG Osc B Pitch EG")
                                        << QSize(60, 20);
}

void TestCaptileCtrl::drawing()
{
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    const auto control = makeControl(caption, size);
    const QImage image = control->grab().toImage();
    const int w = size.width();
    const int h = size.height();

    // The black frame is whole, whatever the caption.
    for (int x = 0; x < w; ++x) {
        QCOMPARE(rgb(image, x, 0), 0u);
        QCOMPARE(rgb(image, x, h - 1), 0u);
    }
    for (int y = 0; y < h; ++y) {
        QCOMPARE(rgb(image, 0, y), 0u);
        QCOMPARE(rgb(image, w - 1, y), 0u);
    }

    int captionPixels = 0;
    int left = w;
    int right = -1;
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < w - 1; ++x) {
            if (rgb(image, x, y) != kBack) {
                ++captionPixels;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (caption.isEmpty()) {
        QCOMPARE(captionPixels, 0);
        return;
    }
    QVERIFY(captionPixels > 0);
    // A caption that fits is centred; a wider one is cut at the frame, checked above.
    if (QFontMetrics(control->controlFont()).horizontalAdvance(caption) < w - 2)
        QVERIFY(std::abs((left - 1) - (w - 2 - right)) <= 3);
}

void TestCaptileCtrl::stateBytes()
{
    const auto control = makeControl(QStringLiteral("Mix"), QSize(96, 24));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setItalic(true);
    control->setControlFont(font);
    const QByteArray expected = QByteArray::fromHex("00000100"
                                                    "ec090000"
                                                    "7b020000"
                                                    "0f000000" // version, extent, mask 15
                                                    "03"
                                                    "4d6978" // Caption
                                                    "ffffff00"
                                                    "0000c000" // ForeColor, BackColor (0x00BBGGRR)
                                                    "0352e30b918fce119de300aa004bb851"
                                                    "01"
                                                    "0000"
                                                    "02"
                                                    "9001"
                                                    "80380100"
                                                    "05"
                                                    "417269616c");
    QCOMPARE(control->saveState(), expected);

    CCaptileCtrl loaded;
    QVERIFY(loaded.loadState(expected));
    QCOMPARE(loaded.caption(), QStringLiteral("Mix"));
    QCOMPARE(loaded.foreColor(), QColor(Qt::white));
    QCOMPARE(loaded.backColor(), QColor::fromRgb(kBack));
    QVERIFY(loaded.controlFont().italic());
    QCOMPARE(loaded.size(), QSize(96, 24));
    QCOMPARE(loaded.saveState(), expected);
}

void TestCaptileCtrl::stateVersion()
{
    const auto control = makeControl(QStringLiteral("Lfo 1"), QSize(96, 24));
    QByteArray state = control->saveState();
    state[2] = 2; // version 0x00020000

    CCaptileCtrl loaded;
    loaded.setCaption(QStringLiteral("before"));
    QVERIFY(loaded.loadState(state));
    const CCaptileCtrl defaults;
    QCOMPARE(loaded.caption(), QString());
    QCOMPARE(loaded.backColor(), defaults.backColor());
    QCOMPARE(loaded.foreColor(), defaults.foreColor());

    // A system colour is taken from the palette.
    state = control->saveState();
    const int backColorOffset = 4 + 8 + 4 + 1 + 5 + 4;
    state[backColorOffset + 3] = char(0x80);
    state[backColorOffset] = 15; // button face
    QVERIFY(loaded.loadState(state));
    QCOMPARE(loaded.backColor(), loaded.palette().color(QPalette::Button));
}

void TestCaptileCtrl::aboutBox()
{
    CCaptileCtrl control;
    std::unique_ptr<QDialog> dialog(control.createAboutBox(nullptr));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("About Captile Control"));
    bool found = false;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        found = found || label->text() == QStringLiteral("Captile Control, Version 1.0");
    QVERIFY(found);
}

QTEST_MAIN(TestCaptileCtrl)
#include "tst_captilectrl.moc"
