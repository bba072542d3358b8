#include "ui/ItemDrag.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QMimeData>
#include <QTest>

namespace {

CItemDragData sample()
{
    CItemDragData data;
    data.source = CItemDragData::Source::Bank;
    data.processId = QCoreApplication::applicationPid();
    data.windowId = 42;
    data.kind = ItemKind::Performances;
    data.indexes = {3, 9};
    data.images = {QByteArray(671, '\x11'), QByteArray(671, '\x22')};
    return data;
}

// A payload written field by field, to make damaged ones: images, of which the first
// `records` carry a library line.
QByteArray payload(quint32 version, qint32 source, qint32 kind, qint32 count, int images, int records = 0)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << version << source << qint64(1) << quint64(2) << kind << count;
    for (int i = 0; i < images; ++i)
        out << qint32(i) << QByteArray(645, '\x01') << (i < records ? QByteArray(700, '\x02') : QByteArray());
    return bytes;
}

} // namespace

class TestItemDrag : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip()
    {
        const CItemDragData data = sample();
        const std::unique_ptr<QMimeData> mime = data.toMimeData();
        QVERIFY(mime->hasFormat(QString::fromLatin1(CItemDragData::kMimeType)));
        const auto back = CItemDragData::fromMimeData(mime.get());
        QVERIFY(back);
        QCOMPARE(back->source, data.source);
        QCOMPARE(back->windowId, data.windowId);
        QCOMPARE(back->kind, 1);
        QCOMPARE(back->indexes, data.indexes);
        QCOMPARE(back->images, data.images);
        QVERIFY(back->isFrom(42));
        QVERIFY(!back->isFrom(43));
    }

    // A drag that started in another run of the program is never taken for one's own.
    void otherProgramIsNotOwnWindow()
    {
        CItemDragData data = sample();
        data.processId = QCoreApplication::applicationPid() + 1;
        const auto back = CItemDragData::fromMimeData(data.toMimeData().get());
        QVERIFY(back);
        QVERIFY(!back->isFrom(42));
    }

    // A library drag carries the patches for a bank and the whole lines for a library.
    void libraryDragCarriesPatchesAndLines()
    {
        CItemDragData data = sample();
        data.source = CItemDragData::Source::Library;
        data.kind = ItemKind::Patches;
        data.records = {QByteArray(700, '\x33'), QByteArray(700, '\x44')};
        const auto back = CItemDragData::fromMimeData(data.toMimeData().get());
        QVERIFY(back);
        QCOMPARE(back->source, CItemDragData::Source::Library);
        QCOMPARE(back->images, data.images);
        QCOMPARE(back->records, data.records);
        const auto bank = CItemDragData::fromMimeData(sample().toMimeData().get());
        QVERIFY(bank);
        QVERIFY(bank->records.empty());
    }

    void windowIdsDiffer() { QVERIFY(CItemDragData::newWindowId() != CItemDragData::newWindowId()); }

    void damagedPayloads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("good") << payload(2, 0, 0, 2, 2) << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("other version") << payload(1, 0, 0, 2, 2) << false;
        QTest::newRow("lines with every image") << payload(2, 1, 0, 2, 2, 2) << true;
        QTest::newRow("lines with some images") << payload(2, 1, 0, 2, 2, 1) << false;
        QTest::newRow("unknown source") << payload(2, 7, 0, 2, 2) << false;
        QTest::newRow("unknown kind") << payload(2, 0, 3, 2, 2) << false;
        QTest::newRow("negative count") << payload(2, 0, 0, -1, 0) << false;
        QTest::newRow("huge count") << payload(2, 0, 0, CItemDragData::kMaxItems + 1, 0) << false;
        QTest::newRow("fewer images than counted") << payload(2, 0, 0, 3, 2) << false;
        QTest::newRow("cut short") << payload(2, 0, 0, 2, 2).left(40) << false;
    }
    void damagedPayloads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        QMimeData mime;
        mime.setData(QString::fromLatin1(CItemDragData::kMimeType), bytes);
        const auto data = CItemDragData::fromMimeData(&mime);
        QCOMPARE(data.has_value(), accepted);
        if (data)
            QCOMPARE(data->count(), 2);
    }

    void otherFormatsAreNotItems()
    {
        QMimeData mime;
        mime.setText(QStringLiteral("F0 41 10 6A"));
        QVERIFY(!CItemDragData::fromMimeData(&mime));
        QVERIFY(!CItemDragData::fromMimeData(nullptr));
    }
};

QTEST_MAIN(TestItemDrag)
#include "tst_itemdrag.moc"
