#include "controls/kurvex/KurvexCtrl.h"
#include "controls/kurvex/KurvexPropPage.h"

#include <QtCore/QSet>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>

#include <limits>
#include <memory>

namespace {

constexpr int kWidth = 645; // one time unit per pixel for the initial block
constexpr int kHeight = 150;

std::unique_ptr<CKurvexCtrl> makeControl(int width = kWidth, int height = kHeight)
{
    auto control = std::make_unique<CKurvexCtrl>();
    control->resize(width, height);
    return control;
}

QPoint pixelOf(const CKurvexCtrl& control, int index)
{
    return {int(control.pointX(index)), control.pointY(index)};
}

void drag(CKurvexCtrl& control, QPoint from, QPoint to)
{
    QTest::mousePress(&control, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&control, to);
}

QRgb pixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

} // namespace

class TestKurvexCtrl : public QObject
{
    Q_OBJECT

private slots:
    void initialPixels_data();
    void initialPixels();
    void dragTime_data();
    void dragTime();
    void dragLevelCarriesFollower();
    void dragPastTheLimitReachesIt_data();
    void dragPastTheLimitReachesIt();
    void stillClick_data();
    void stillClick();
    void dragKeepsWhatItDidNotMove();
    void dragLevels_data();
    void dragLevels();
    void disabledIgnoresMouse();
    void dragEndsWithoutRelease_data();
    void dragEndsWithoutRelease();
    void drawing();
    void smallCounts_data();
    void smallCounts();
    void extremeBlocks_data();
    void extremeBlocks();
    void stateBytes();
    void stateVersion_data();
    void stateVersion();
    void propertyPage();
};

void TestKurvexCtrl::initialPixels_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("y");
    // y = trunc(130 * (127 - level) / 127) + 10
    QTest::newRow("start") << 0 << 5.0 << 140;
    QTest::newRow("attack peak") << 1 << 132.0 << 10;
    QTest::newRow("level 50") << 2 << 259.0 << 88;
    QTest::newRow("fifth point") << 4 << 513.0 << 10;
    QTest::newRow("level 20") << 5 << 640.0 << 119;
    QTest::newRow("pinned beyond the edge") << 6 << 767.0 << 119;
}

void TestKurvexCtrl::initialPixels()
{
    QFETCH(int, index);
    QFETCH(double, x);
    QFETCH(int, y);
    const auto control = makeControl();
    QCOMPARE(control->pointX(index), x);
    QCOMPARE(control->pointY(index), y);
}

void TestKurvexCtrl::dragTime_data()
{
    QTest::addColumn<int>("targetX");
    QTest::addColumn<double>("draggedX"); // while dragging
    QTest::addColumn<int>("time2");       // after release
    QTest::addColumn<bool>("fires");      // only a changed block is announced
    QTest::newRow("left") << 200 << 200.0 << 68 << true;
    QTest::newRow("just beyond the longest time") << 262 << 259.0 << 127 << false;
    QTest::newRow("far beyond the longest time") << 300 << 259.0 << 127 << false;
    QTest::newRow("before previous point stops on it") << 100 << 132.0 << 0 << true;
    QTest::newRow("onto previous point") << 132 << 132.0 << 0 << true;
}

void TestKurvexCtrl::dragTime()
{
    QFETCH(int, targetX);
    QFETCH(double, draggedX);
    QFETCH(int, time2);
    QFETCH(bool, fires);
    const auto control = makeControl();
    QSignalSpy spy(control.get(), &CKurvexCtrl::PointsChanged);
    const QPoint start = pixelOf(*control, 2);
    drag(*control, start, QPoint(targetX, start.y()));

    QCOMPARE(control->draggedPoint(), 2);
    QCOMPARE(control->pointX(2), draggedX);
    const double shift = draggedX - 259.0;
    for (int later = 3; later < 7; ++later)
        QCOMPARE(control->pointX(later), 259.0 + 127.0 * (later - 2) + shift);
    QCOMPARE(control->pointY(2), start.y());

    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(targetX, start.y()));
    QCOMPARE(control->draggedPoint(), -1);
    QCOMPARE(spy.count(), fires ? 1 : 0);
    const KurvexPoints points = control->points();
    if (fires)
        QCOMPARE(spy.at(0).at(0).value<KurvexPoints>(), points);
    QCOMPARE(points[KurvexBlock::kTime + 2], time2);
    for (int other : {1, 3, 4, 5, 6})
        QCOMPARE(points[KurvexBlock::kTime + size_t(other)], 127);
    QCOMPARE(points[KurvexBlock::kLevel + 2], 50);
    // The picture follows the clamped block.
    QCOMPARE(control->pointX(2), 132.0 + time2);
}

// A point dragged past its limits in one jump of the pointer stops at them: the
// longest time and the highest and lowest level are reached, not the last value
// passed on the way.
void TestKurvexCtrl::dragPastTheLimitReachesIt_data()
{
    QTest::addColumn<QPoint>("jump"); // from the point's place after a first small move
    QTest::addColumn<int>("time2");
    QTest::addColumn<int>("level2");
    QTest::newRow("far right and up") << QPoint(900, -400) << 127 << 127;
    QTest::newRow("far right and down") << QPoint(900, 400) << 127 << 0;
    QTest::newRow("far left") << QPoint(-900, 0) << 0 << 50;
}

void TestKurvexCtrl::dragPastTheLimitReachesIt()
{
    QFETCH(QPoint, jump);
    QFETCH(int, time2);
    QFETCH(int, level2);
    const auto control = makeControl();
    // First to a shorter time, let go; then the long drag.
    const QPoint start = pixelOf(*control, 2);
    drag(*control, start, QPoint(190, start.y()));
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(190, start.y()));
    QCOMPARE(control->points()[KurvexBlock::kTime + 2], 58);
    const QPoint from = pixelOf(*control, 2);
    QTest::mousePress(control.get(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(control.get(), from + QPoint(3, 0));
    QTest::mouseMove(control.get(), from + jump);
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, from + jump);
    QCOMPARE(control->points()[KurvexBlock::kTime + 2], time2);
    QCOMPARE(control->points()[KurvexBlock::kLevel + 2], level2);
}

void TestKurvexCtrl::dragLevelCarriesFollower()
{
    const auto control = makeControl();
    QSignalSpy spy(control.get(), &CKurvexCtrl::PointsChanged);
    const QPoint start = pixelOf(*control, 3);
    drag(*control, start, QPoint(start.x(), 75));
    QCOMPARE(control->pointY(3), 75);
    QCOMPARE(control->pointY(4), 75);
    QCOMPARE(control->pointY(5), 119); // not a follower
    QCOMPARE(control->pointX(3), 386.0);

    // 127 - 65 * 127 / 130 = 63.5
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(start.x(), 75));
    QCOMPARE(spy.count(), 1);
    auto points = spy.at(0).at(0).value<KurvexPoints>();
    QCOMPARE(points[KurvexBlock::kLevel + 3], 63);
    QCOMPARE(points[KurvexBlock::kLevel + 4], 63);

    // Below the bottom limit the level stops at the bottom, its follower with it.
    drag(*control, QPoint(start.x(), 75), QPoint(start.x(), 145));
    QCOMPARE(control->pointY(3), 140);
    QCOMPARE(control->pointY(4), 140);
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(start.x(), 145));
    QCOMPARE(spy.count(), 2);
    points = spy.at(1).at(0).value<KurvexPoints>();
    QCOMPARE(points[KurvexBlock::kLevel + 3], 0);
    QCOMPARE(points[KurvexBlock::kLevel + 4], 0);
    QCOMPARE(points[KurvexBlock::kLevel + 2], 50);
    QCOMPARE(points[KurvexBlock::kTime + 3], 127);
}

void TestKurvexCtrl::stillClick_data()
{
    QTest::addColumn<QSize>("size");
    // At a pixel or more per unit every value has a pixel of its own; on smaller graphs
    // several levels (and times) share one.
    QTest::newRow("one unit per pixel") << QSize(kWidth, kHeight);
    QTest::newRow("large") << QSize(1000, 211);
    QTest::newRow("small") << QSize(320, 120);
    QTest::newRow("tiny") << QSize(200, 64);
}

void TestKurvexCtrl::stillClick()
{
    // A click, on a handle or away from every handle, changes nothing and tells the host
    // nothing, whatever level each point has.
    QFETCH(QSize, size);
    const auto control = makeControl(size.width(), size.height());
    QSignalSpy spy(control.get(), &CKurvexCtrl::PointsChanged);
    int moved = 0;
    for (int level = 0; level <= 127; ++level) {
        KurvexPoints block = KurvexBlock::initialBlock();
        block[KurvexBlock::kLevel + 3] = level;
        block[KurvexBlock::kLevel + 4] = level;
        block[KurvexBlock::kLevel + 2] = 127 - level;
        block[KurvexBlock::kTime + 1] = level;
        control->setPoints(block);
        QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, pixelOf(*control, 3));
        QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(size.width() - 3, 3));
        if (control->points() != block)
            ++moved;
    }
    QCOMPARE(moved, 0);
    QCOMPARE(spy.count(), 0);
}

void TestKurvexCtrl::dragKeepsWhatItDidNotMove()
{
    // On a small graph the level 126 shares its pixel row with 127. Dragging point 2
    // sideways, or point 3 away and back to its row, must not round any level.
    const auto control = makeControl(320, 120);
    KurvexPoints block = KurvexBlock::initialBlock();
    for (int i = 1; i < 7; ++i)
        block[KurvexBlock::kLevel + size_t(i)] = 126;
    control->setPoints(block);
    QSignalSpy spy(control.get(), &CKurvexCtrl::PointsChanged);

    QPoint start = pixelOf(*control, 3);
    drag(*control, start, QPoint(start.x(), 60));
    QTest::mouseMove(control.get(), start);
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, start);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(control->points(), block);

    start = pixelOf(*control, 2);
    drag(*control, start, start - QPoint(10, 0));
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, start - QPoint(10, 0));
    QCOMPARE(spy.count(), 1);
    const auto points = spy.at(0).at(0).value<KurvexPoints>();
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(points[KurvexBlock::kLevel + size_t(i)], block[KurvexBlock::kLevel + size_t(i)]);
        if (i != 2)
            QCOMPARE(points[KurvexBlock::kTime + size_t(i)], block[KurvexBlock::kTime + size_t(i)]);
    }
    QVERIFY(points[KurvexBlock::kTime + 2] < 127);
}

void TestKurvexCtrl::dragLevels_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("levels"); // different levels a vertical drag can reach
    QTest::newRow("one unit per pixel") << QSize(kWidth, kHeight) << 128;
    QTest::newRow("large") << QSize(1000, 211) << 128;
    QTest::newRow("small") << QSize(320, 120) << 101; // one per pixel row
}

void TestKurvexCtrl::dragLevels()
{
    // Dropping point 3 on any row gives a level drawn on that row (or next to it, where
    // rows outnumber levels), and its follower takes the very same level.
    QFETCH(QSize, size);
    QFETCH(int, levels);
    const auto control = makeControl(size.width(), size.height());
    const int top = 10;
    const int bottom = size.height() - 10;
    QSet<int> reached;
    for (int row = top; row <= bottom; ++row) {
        control->setPoints(KurvexBlock::initialBlock());
        const QPoint start = pixelOf(*control, 3);
        drag(*control, start, QPoint(start.x(), row));
        QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(start.x(), row));
        const KurvexPoints points = control->points();
        const int level = points[KurvexBlock::kLevel + 3];
        QVERIFY2(std::abs(control->pointY(3) - row) <= 1, qPrintable(QString::number(row)));
        QCOMPARE(points[KurvexBlock::kLevel + 4], level);
        QCOMPARE(points[KurvexBlock::kTime + 3], 127);
        reached.insert(level);
    }
    QCOMPARE(int(reached.size()), levels);
    QVERIFY(reached.contains(0));
    QVERIFY(reached.contains(127));
}

void TestKurvexCtrl::disabledIgnoresMouse()
{
    const auto control = makeControl();
    control->setEnable(false);
    QSignalSpy spy(control.get(), &CKurvexCtrl::PointsChanged);
    const QPoint start = pixelOf(*control, 2);
    drag(*control, start, QPoint(200, start.y()));
    QCOMPARE(control->draggedPoint(), -1);
    QCOMPARE(control->pointX(2), 259.0);
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, start.y()));
    QCOMPARE(spy.count(), 0);

    const QImage image = control->grab().toImage();
    QCOMPARE(pixel(image, 259, 88), qRgb(220, 220, 220) & 0xFFFFFF);
    QCOMPARE(pixel(image, 256, 85), qRgb(0, 0, 120) & 0xFFFFFF);
}

void TestKurvexCtrl::dragEndsWithoutRelease_data()
{
    QTest::addColumn<QString>("interruption");
    QTest::newRow("disabled") << "disable";
    QTest::newRow("pressed anew") << "press";
    QTest::newRow("points set") << "points";
    QTest::newRow("resized") << "resize";
}

void TestKurvexCtrl::dragEndsWithoutRelease()
{
    // A drag whose release never arrives is dropped: the point goes back to where the
    // block puts it, and no later move or click carries it along.
    QFETCH(QString, interruption);
    const auto control = makeControl();
    QSignalSpy spy(control.get(), &CKurvexCtrl::PointsChanged);
    const QPoint start = pixelOf(*control, 2);
    drag(*control, start, QPoint(200, start.y()));
    QCOMPARE(control->pointX(2), 200.0);

    if (interruption == QLatin1String("disable")) {
        control->setEnable(false);
        QCOMPARE(control->draggedPoint(), -1);
        control->setEnable(true);
    } else if (interruption == QLatin1String("press")) {
        QTest::mousePress(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    } else if (interruption == QLatin1String("points")) {
        control->setPoints(KurvexBlock::initialBlock());
    } else {
        control->show();
        QVERIFY(QTest::qWaitForWindowExposed(control.get()));
        control->resize(kWidth, kHeight + 10);
        QTRY_COMPARE(control->draggedPoint(), -1);
        control->resize(kWidth, kHeight);
    }
    QCOMPARE(control->draggedPoint(), -1);
    QCOMPARE(control->pointX(2), 259.0);

    QTest::mouseMove(control.get(), QPoint(150, start.y()));
    QCOMPARE(control->pointX(2), 259.0);
    QTest::mouseClick(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    QCOMPARE(control->points(), KurvexBlock::initialBlock());
    for (const QList<QVariant>& arguments : spy)
        QCOMPARE(arguments.at(0).value<KurvexPoints>(), KurvexBlock::initialBlock());
}

void TestKurvexCtrl::drawing()
{
    const auto control = makeControl();
    QImage image = control->grab().toImage();
    const int w = kWidth;
    const int h = kHeight;
    // Sunken border.
    QCOMPARE(pixel(image, 10, 0), 0x808080u);
    QCOMPARE(pixel(image, 0, 10), 0x808080u);
    QCOMPARE(pixel(image, 10, h - 1), 0xFFFFFFu);
    QCOMPARE(pixel(image, w - 1, 10), 0xFFFFFFu);
    QCOMPARE(pixel(image, 10, 1), 0x000000u);
    QCOMPARE(pixel(image, 1, 10), 0x000000u);
    QCOMPARE(pixel(image, 10, h - 2), 0xC0C0C0u);
    QCOMPARE(pixel(image, w - 2, 10), 0xC0C0C0u);
    QCOMPARE(pixel(image, 60, 40), 0xC0C0C0u); // panel
    // Help line at half height from x = 5 up to W - 5.
    QCOMPARE(pixel(image, 20, h / 2), 0x000000u);
    QCOMPARE(pixel(image, 4, h / 2), 0xC0C0C0u);
    // Handle of point 1 at (132, 10): 6 x 6, framed, filled.
    QCOMPARE(pixel(image, 129, 7), 0x000078u);
    QCOMPARE(pixel(image, 134, 12), 0x000078u);
    QCOMPARE(pixel(image, 130, 8), 0x0000DCu);
    QCOMPARE(pixel(image, 133, 11), 0x0000DCu);
    QVERIFY(pixel(image, 135, 14) != 0x000078u);
    // Point 0 is not movable: no handle, the envelope starts there.
    QCOMPARE(pixel(image, 5, 140), 0x000000u);
    QVERIFY(pixel(image, 3, 138) != 0x000078u);
    // The shadow runs one pixel below the level line between points 3 and 4.
    QCOMPARE(pixel(image, 450, 10), 0x000000u);
    QCOMPARE(pixel(image, 450, 11), 0x808080u);

    control->setHelpLine(false);
    image = control->grab().toImage();
    QCOMPARE(pixel(image, 20, h / 2), 0xC0C0C0u);

    // A pinned point is drawn at the right edge whatever its time.
    KurvexPoints block = KurvexBlock::initialBlock();
    block[KurvexBlock::kCount] = 3;
    block[KurvexBlock::kTime + 1] = 100;
    block[KurvexBlock::kTime + 2] = 100;
    block[KurvexBlock::kLevel + 2] = 60; // y = trunc(130 * 67 / 127) + 10 = 78
    block[KurvexBlock::kPinnedRight + 2] = 1;
    control->setPoints(block);
    QCOMPARE(control->pointX(2), 205.0);
    image = control->grab().toImage();
    QCOMPARE(pixel(image, w - 5, 78), 0x000000u);
    QCOMPARE(pixel(image, 210, 78), 0xC0C0C0u);
}

void TestKurvexCtrl::smallCounts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("maxTime");
    QTest::addColumn<int>("time1"); // after dragging point 1 to the right edge
    QTest::newRow("none") << 0 << 635 << 100;
    QTest::newRow("one") << 1 << 635 << 100;
    QTest::newRow("two") << 2 << 635 << 635;
    QTest::newRow("three") << 3 << 635 << 635;
    // A drag past the longest segment stops at it.
    QTest::newRow("four, beyond the longest segment") << 4 << 317 << 317;
    QTest::newRow("too many, beyond the longest segment") << 12 << 127 << 127;
}

void TestKurvexCtrl::smallCounts()
{
    QFETCH(int, count);
    QFETCH(int, maxTime);
    QFETCH(int, time1);
    const auto control = makeControl();
    KurvexPoints block = KurvexBlock::initialBlock();
    block[KurvexBlock::kCount] = count;
    block[KurvexBlock::kTime + 1] = 100;
    block[KurvexBlock::kLevel + 1] = 127;
    control->setPoints(block);
    QCOMPARE(control->maxSegmentTime(), maxTime);
    QSignalSpy spy(control.get(), &CKurvexCtrl::PointsChanged);
    // Drag point 1 (where there is one) far to the right.
    drag(*control, QPoint(105, 10), QPoint(640, 10));
    QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(640, 10));
    QCOMPARE(spy.count(), time1 != 100 ? 1 : 0);
    QCOMPARE(control->points()[KurvexBlock::kTime + 1], time1);
    control->grab(); // draws without fault
}

void TestKurvexCtrl::extremeBlocks_data()
{
    // Blocks a host may hand on from a settings file: any 32-bit number in any field.
    QTest::addColumn<KurvexPoints>("block");
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    auto with = [](std::initializer_list<std::pair<size_t, int>> changes) {
        KurvexPoints block = KurvexBlock::initialBlock();
        for (const auto& [index, value] : changes)
            block[index] = value;
        return block;
    };
    QTest::newRow("longest times") << with({{KurvexBlock::kTime + 1, kMax}, {KurvexBlock::kTime + 2, kMax}});
    QTest::newRow("negative times") << with({{KurvexBlock::kTime + 1, kMin}, {KurvexBlock::kTime + 2, -5}});
    QTest::newRow("highest level") << with({{KurvexBlock::kLevel + 1, kMax}, {KurvexBlock::kLevel + 2, kMin}});
    QTest::newRow("level maximum at the top")
        << with({{KurvexBlock::kLevelMax, kMax}, {KurvexBlock::kLevel + 1, kMin}});
    QTest::newRow("negative level maximum") << with({{KurvexBlock::kLevelMax, kMin}});
    QTest::newRow("tiny time scale") << with({{KurvexBlock::kTimeScale, 1}, {KurvexBlock::kTime + 1, kMax}});
    QTest::newRow("negative time scale") << with({{KurvexBlock::kTimeScale, kMin}});
    QTest::newRow("no scales") << with({{KurvexBlock::kTimeScale, 0}, {KurvexBlock::kLevelMax, 0}});
    QTest::newRow("negative count") << with({{KurvexBlock::kCount, kMin}});
}

void TestKurvexCtrl::extremeBlocks()
{
    // Drawn, clicked and dragged without overflow: every value the control derives from
    // the pixels lies within the block's own limits.
    QFETCH(KurvexPoints, block);
    const auto control = makeControl();
    control->setPoints(block);
    control->grab();
    for (int i = 0; i < control->pointCount(); ++i) {
        QVERIFY(std::abs(control->pointX(i)) <= 1 << 21);
        QVERIFY(std::abs(control->pointY(i)) <= 1 << 21);
    }
    for (int i = 0; i < control->pointCount(); ++i) {
        const QPoint at = pixelOf(*control, i);
        QTest::mousePress(control.get(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseMove(control.get(), QPoint(300, 70));
        QTest::mouseRelease(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 70));
        control->grab();
    }
    const KurvexPoints points = control->points();
    const int levelMax = points[KurvexBlock::kLevelMax];
    for (int i = 0; i < control->pointCount(); ++i) {
        if (points[KurvexBlock::kLevel + size_t(i)] != block[KurvexBlock::kLevel + size_t(i)] && levelMax > 0)
            QVERIFY(points[KurvexBlock::kLevel + size_t(i)] >= 0
                    && points[KurvexBlock::kLevel + size_t(i)] <= levelMax);
        if (points[KurvexBlock::kTime + size_t(i)] != block[KurvexBlock::kTime + size_t(i)])
            QVERIFY(points[KurvexBlock::kTime + size_t(i)] >= 0
                    && points[KurvexBlock::kTime + size_t(i)] <= control->maxSegmentTime());
    }
}

void TestKurvexCtrl::stateBytes()
{
    const auto control = makeControl();
    control->setHelpLine(false);
    // Version, extent in HIMETRIC (645 px -> 17066, 150 px -> 3969), no stock properties,
    // HelpLine.
    const QByteArray expected = QByteArray::fromHex("00000100"
                                                    "aa420000"
                                                    "810f0000"
                                                    "00000000"
                                                    "00");
    QCOMPARE(control->saveState(), expected);

    CKurvexCtrl loaded;
    QVERIFY(loaded.loadState(expected));
    QCOMPARE(loaded.helpLine(), false);
    QCOMPARE(loaded.size(), QSize(kWidth, kHeight));
    QCOMPARE(loaded.saveState(), expected);
}

void TestKurvexCtrl::stateVersion_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<bool>("helpLine");
    QTest::newRow("current, off") << QByteArray::fromHex("00000100aa420000810f00000000000000") << false;
    QTest::newRow("current, on") << QByteArray::fromHex("00000100aa420000810f00000000000001") << true;
    QTest::newRow("other version") << QByteArray::fromHex("00000200aa420000810f00000000000000") << true;
    QTest::newRow("truncated") << QByteArray::fromHex("00000100aa42") << true;
}

void TestKurvexCtrl::stateVersion()
{
    QFETCH(QByteArray, state);
    QFETCH(bool, helpLine);
    CKurvexCtrl control;
    control.setHelpLine(!helpLine);
    control.loadState(state);
    QCOMPARE(control.helpLine(), helpLine);
}

void TestKurvexCtrl::propertyPage()
{
    const auto control = makeControl();
    std::unique_ptr<QDialog> page(control->createPropertyPage(nullptr));
    auto* kurvexPage = qobject_cast<CKurvexPropPage*>(page.get());
    QVERIFY(kurvexPage);
    QVERIFY(kurvexPage->helpLineBox()->isChecked());
    kurvexPage->helpLineBox()->setChecked(false);
    kurvexPage->accept();
    QCOMPARE(control->helpLine(), false);
}

QTEST_MAIN(TestKurvexCtrl)
#include "tst_kurvexctrl.moc"
