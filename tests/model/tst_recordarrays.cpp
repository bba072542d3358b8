#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RhythmArray.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>
#include <memory>

namespace {

std::unique_ptr<CRecordArray> makeArray(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Patches:
        return std::make_unique<CPatchArray>();
    case ItemKind::Performances:
        return std::make_unique<CPerformanceArray>();
    default:
        return std::make_unique<CRhythmArray>();
    }
}

// Offsets of the checksum bytes of one record of a kind.
QList<int> checksumOffsets(ItemKind kind)
{
    QList<int> offsets;
    if (kind == ItemKind::Patches) {
        offsets << CPatchArray::kCommonSize - 2;
        for (int t = 0; t < CPatchArray::kTones; ++t)
            offsets << CPatchArray::toneOffset(t) + CPatchArray::kToneSize - 2;
    } else if (kind == ItemKind::Performances) {
        offsets << CPerformanceArray::kCommonSize - 2;
        for (int p = 0; p < CPerformanceArray::kParts; ++p)
            offsets << CPerformanceArray::partOffset(p) + CPerformanceArray::kPartSize - 2;
    } else {
        offsets << CRhythmArray::kCommonSize - 2;
        for (int k = 0; k < CRhythmArray::kNotes; ++k)
            offsets << CRhythmArray::noteOffset(k) + CRhythmArray::kNoteSize - 2;
    }
    return offsets;
}

// Fills every data byte (not headers, checksums or F7) with random 7-bit values.
void randomise(CRecordArray& array, ItemKind kind, quint32 seed)
{
    QRandomGenerator rng(seed);
    const QList<int> sums = checksumOffsets(kind);
    for (int i = 0; i < array.GetCount(); ++i) {
        std::uint8_t* rec = array.data(i);
        int start = 0;
        for (int end : sums) {
            for (int b = start + sysex::kOffData; b < end; ++b)
                rec[b] = static_cast<std::uint8_t>(rng.bounded(128));
            start = end + 2;
        }
    }
}

QByteArray store(CRecordArray& array, SynthModel model, sysex::MemoryArea area = sysex::MemoryArea::User)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!array.Store(buffer, model, area))
        return {};
    return buffer.data();
}

int load(CRecordArray& array, const QByteArray& bytes, qint64* endPos = nullptr,
         std::vector<SynthModel>* layouts = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const int n = array.Load(buffer, layouts);
    if (endPos)
        *endPos = buffer.pos();
    return n;
}

// The image bytes a layout does not carry, and what loading puts there instead.
struct Filler
{
    int offset;
    std::uint8_t value;
};

QList<Filler> loadFillers(ItemKind kind, SynthModel model)
{
    QList<Filler> f;
    if (kind == ItemKind::Patches) {
        if (model == SynthModel::Jv1080)
            f << Filler{81, 0} << Filler{82, 0};
        if (model == SynthModel::Xp)
            f << Filler{82, 0};
    } else if (kind == ItemKind::Performances) {
        static const std::uint8_t tail[] = {0x03, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00};
        if (model == SynthModel::Jv1080) {
            for (int b = 73; b <= 76; ++b)
                f << Filler{b, 0};
            for (int p = 0; p < CPerformanceArray::kParts; ++p)
                for (int d = 19; d <= 25; ++d)
                    f << Filler{CPerformanceArray::partParam(p, d), tail[d - 19]};
        }
        if (model == SynthModel::Xp) {
            f << Filler{75, 0} << Filler{76, 0};
            for (int p = 0; p < CPerformanceArray::kParts; ++p)
                f << Filler{CPerformanceArray::partParam(p, 25), 0};
        }
    }
    return f;
}

bool allChecksumsValid(const CRecordArray& array)
{
    const auto& all = array.allData();
    const SysExScanResult r =
        scanSysEx(QByteArrayView(reinterpret_cast<const char*>(all.data()), qsizetype(all.size())));
    return r.problems.empty();
}

} // namespace

class TestRecordArrays : public QObject
{
    Q_OBJECT

private slots:
    void defaults_data()
    {
        QTest::addColumn<ItemKind>("kind");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("recordSize");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("messages");
        QTest::newRow("patches") << ItemKind::Patches << 128 << 645 << "INIT PATCH  " << 5;
        QTest::newRow("performances") << ItemKind::Performances << 32 << 671 << "Init Perform" << 17;
        QTest::newRow("rhythm sets") << ItemKind::RhythmSets << 2 << 4439 << "Init Rhythm " << 65;
    }
    void defaults()
    {
        QFETCH(ItemKind, kind);
        QFETCH(int, count);
        QFETCH(int, recordSize);
        QFETCH(QString, name);
        QFETCH(int, messages);
        auto array = makeArray(kind);
        QCOMPARE(array->GetCount(), count);
        QCOMPARE(array->GetRecordSize(), recordSize);
        QCOMPARE(array->name(count - 1), name);
        QVERIFY(array->IsUserMemory());
        const auto& all = array->allData();
        const SysExScanResult scan =
            scanSysEx(QByteArrayView(reinterpret_cast<const char*>(all.data()), qsizetype(all.size())));
        QCOMPARE(scan.messages, count * messages);
        QVERIFY(scan.problems.empty());
        // The last record carries its own number in every message.
        const std::uint8_t* last = array->data(count - 1);
        const int number = kind == ItemKind::RhythmSets ? 0x40 + count - 1 : count - 1;
        QCOMPARE(int(last[6]), number);
        QCOMPARE(int(last[recordSize - 1]), 0xF7);
    }

    void patchDefaultBytes()
    {
        CPatchArray patches;
        const std::uint8_t* rec = patches.data(3);
        // Header, a sample of common and tone defaults, tone switches.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rec), 9), QByteArray::fromHex("f041106a1211030000"));
        QCOMPARE(int(rec[CPatchArray::commonParam(35)]), 0x50);
        QCOMPARE(int(rec[CPatchArray::commonParam(73)]), 0);
        QCOMPARE(int(rec[CPatchArray::toneParam(0, 0)]), 1);
        QCOMPARE(int(rec[CPatchArray::toneParam(1, 0)]), 0);
        QCOMPARE(int(rec[CPatchArray::toneParam(3, 47)]), 0x5C);
        QCOMPARE(int(rec[CPatchArray::toneParam(2, 128)]), 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rec + CPatchArray::toneOffset(2) + 5), 4),
                 QByteArray::fromHex("11031400"));
        CPerformanceArray perfs;
        QCOMPARE(int(perfs.data(0)[CPerformanceArray::partParam(7, 1)]), 7);
        QCOMPARE(int(perfs.data(0)[CPerformanceArray::commonParam(42)]), 0x5F);
        CRhythmArray rhythms;
        QCOMPARE(int(rhythms.data(1)[CRhythmArray::noteParam(63, 53)]), 0x40);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rhythms.data(1) + CRhythmArray::noteOffset(63) + 5), 4),
                 QByteArray::fromHex("10416200"));
    }

    void storeAndLoad_data()
    {
        QTest::addColumn<ItemKind>("kind");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("size");
        const char* kinds[] = {"patches", "performances", "rhythm"};
        const char* models[] = {"JV-1080", "JV-2080", "XP"};
        const int sizes[3][3] = {{82304, 82560, 82432}, {17760, 21472, 20896}, {8878, 8878, 8878}};
        for (int k = 0; k < 3; ++k)
            for (int m = 0; m < 3; ++m)
                QTest::addRow("%s %s", kinds[k], models[m]) << static_cast<ItemKind>(k) << m << sizes[k][m];
    }
    void storeAndLoad()
    {
        QFETCH(ItemKind, kind);
        QFETCH(int, model);
        QFETCH(int, size);
        auto source = makeArray(kind);
        randomise(*source, kind, quint32(17 + kindNumber(kind) * 3 + model));
        const QByteArray file = store(*source, SynthModel(model));
        QCOMPARE(file.size(), qsizetype(size));
        const SysExScanResult scan = scanSysEx(file);
        QVERIFY(scan.problems.empty());

        auto loaded = makeArray(kind);
        std::vector<SynthModel> layouts;
        qint64 end = 0;
        QCOMPARE(load(*loaded, file, &end, &layouts), source->GetCount());
        QCOMPARE(end, qint64(size));
        const SynthModel expectedLayout = kind == ItemKind::RhythmSets ? SynthModel::Jv2080 : SynthModel(model);
        QCOMPARE(int(layouts.front()), int(expectedLayout));

        // Every byte the layout carries comes back; the others get the load defaults.
        QList<Filler> fillers = loadFillers(kind, SynthModel(model));
        const QList<int> sums = checksumOffsets(kind);
        for (int i = 0; i < source->GetCount(); ++i) {
            QByteArray expected = source->record(i);
            for (const Filler& f : fillers)
                expected[f.offset] = char(f.value);
            QByteArray actual = loaded->record(i);
            for (int s : sums) {
                expected[s] = 0;
                actual[s] = 0;
            }
            QCOMPARE(actual, expected);
        }
        // After fresh checksums the loaded bank is valid System Exclusive again.
        loaded->RecalcChecksums();
        QVERIFY(allChecksumsValid(*loaded));
    }

    void mixedLayoutsInOneFile()
    {
        CPatchArray a;
        randomise(a, ItemKind::Patches, 5);
        const QByteArray jv1080 = store(a, SynthModel::Jv1080);
        const QByteArray jv2080 = store(a, SynthModel::Jv2080);
        const QByteArray xp = store(a, SynthModel::Xp);
        // Patch 0 in the JV-1080 layout, patch 1 in XP, patch 2 in JV-2080.
        const QByteArray file = jv1080.left(643) + xp.mid(644, 644) + jv2080.mid(2 * 645, 645);
        CPatchArray b;
        std::vector<SynthModel> layouts;
        QCOMPARE(load(b, file, nullptr, &layouts), 3);
        QCOMPARE(layouts, (std::vector<SynthModel>{SynthModel::Jv1080, SynthModel::Xp, SynthModel::Jv2080}));
        QCOMPARE(b.name(1), a.name(1));
        QCOMPARE(b.record(2), a.record(2));
        QCOMPARE(int(b.data(0)[CPatchArray::kCategoryOffset]), 0);
        QCOMPARE(int(b.data(0)[83]), CPatchArray::kCommonChecksumPlaceholder);

        // Performances: each part is recognised by itself.
        CPerformanceArray p;
        randomise(p, ItemKind::Performances, 6);
        const QByteArray p1080 = store(p, SynthModel::Jv1080);
        const QByteArray p2080 = store(p, SynthModel::Jv2080);
        // Common and part 0 in the JV-2080 layout, parts 1..15 in the JV-1080 layout.
        const QByteArray mixed = p2080.left(79 + 37) + p1080.mid(75 + 30, 15 * 30);
        CPerformanceArray q;
        QCOMPARE(load(q, mixed), 1);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(q.data(0) + CPerformanceArray::partOffset(0)), 35),
                 QByteArray(reinterpret_cast<const char*>(p.data(0) + CPerformanceArray::partOffset(0)), 35));
        QCOMPARE(int(q.data(0)[CPerformanceArray::partParam(5, 19)]), 3);
        QCOMPARE(int(q.data(0)[CPerformanceArray::partParam(5, 18)]),
                 int(p.data(0)[CPerformanceArray::partParam(5, 18)]));
    }

    void loadStopsAtForeignMessage()
    {
        CPerformanceArray perfs;
        const QByteArray file = store(perfs, SynthModel::Jv2080);
        CPatchArray patches;
        qint64 end = -1;
        QCOMPARE(load(patches, file, &end), 0);
        QCOMPARE(end, qint64(0));
        CRhythmArray rhythms;
        QCOMPARE(load(rhythms, file, &end), 0);
        QCOMPARE(end, qint64(0));
    }

    void runLongerThanTheArray()
    {
        CPatchArray a;
        randomise(a, ItemKind::Patches, 9);
        const QByteArray file = store(a, SynthModel::Jv2080);
        const QByteArray twice = file + file.left(645); // 129 patches
        CPatchArray b;
        qint64 end = 0;
        QCOMPARE(load(b, twice, &end), 128);
        QCOMPARE(end, qint64(file.size()));
        // The next call starts again at index 0 with the 129th patch.
        QBuffer buffer;
        buffer.setData(twice);
        buffer.open(QIODevice::ReadOnly);
        buffer.seek(end);
        CPatchArray c;
        QCOMPARE(c.Load(buffer), 1);
        QCOMPARE(c.record(0), a.record(0));
        QCOMPARE(c.name(1), QString("INIT PATCH  "));
    }

    void truncatedFiles_data()
    {
        QTest::addColumn<ItemKind>("kind");
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("records");
        QTest::newRow("patch inside the header") << ItemKind::Patches << 645 + 5 << 1;
        QTest::newRow("patch inside the name") << ItemKind::Patches << 645 + 15 << 2;
        QTest::newRow("patch inside a tone") << ItemKind::Patches << 645 + 300 << 2;
        QTest::newRow("performance inside a part") << ItemKind::Performances << 671 + 200 << 2;
        QTest::newRow("rhythm inside a note") << ItemKind::RhythmSets << 4439 + 1000 << 2;
        QTest::newRow("one byte") << ItemKind::Patches << 1 << 0;
    }
    void truncatedFiles()
    {
        QFETCH(ItemKind, kind);
        QFETCH(int, cut);
        QFETCH(int, records);
        auto a = makeArray(kind);
        randomise(*a, kind, 11);
        const QByteArray file = store(*a, SynthModel::Jv2080).left(cut);
        auto b = makeArray(kind);
        QCOMPARE(load(*b, file), records);
        QCOMPARE(b->record(0), records > 0 ? a->record(0) : makeArray(kind)->record(0));
    }

    void damagedRecordsBecomeWellFormed()
    {
        CPatchArray a;
        QByteArray file = store(a, SynthModel::Jv2080).left(2 * 645);
        file[30] = char(0x90);                         // a status byte among the common data
        file[CPatchArray::toneOffset(1) + 1] = 0x43;   // another maker's header on tone 2
        file[CPatchArray::toneOffset(2) + 8] = 0x05;   // tone 3 at a shifted address
        file[CPatchArray::toneOffset(3) + 139] = 0x00; // tone 4 without its F7
        CPatchArray b;
        QCOMPARE(load(b, file), 2);
        QCOMPARE(int(b.data(0)[30]), 0x10);
        const QByteArray out = store(b, SynthModel::Jv2080);
        const SysExScanResult scan = scanSysEx(out);
        QVERIFY(scan.problems.empty());
        QCOMPARE(scan.messages, 128 * 5);
        // The undamaged second patch is as it was.
        QCOMPARE(b.record(1), a.record(1));
    }

    void ownHeaders_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<bool>("patch");
        QTest::addColumn<bool>("performance");
        QTest::addColumn<bool>("rhythm");
        QTest::newRow("user patch") << QByteArray::fromHex("41106a1211050000") << true << false << false;
        QTest::newRow("card patch") << QByteArray::fromHex("41116a1221050000") << true << false << false;
        QTest::newRow("temporary patch") << QByteArray::fromHex("41106a1203000000") << true << false << false;
        QTest::newRow("part patch 02 0A") << QByteArray::fromHex("41106a12020a0000") << true << false << false;
        QTest::newRow("temporary rhythm 02 09") << QByteArray::fromHex("41106a1202090000") << false << false << true;
        QTest::newRow("user performance") << QByteArray::fromHex("41106a1210030000") << false << true << false;
        QTest::newRow("temporary performance") << QByteArray::fromHex("41106a1201000000") << false << true << false;
        QTest::newRow("user rhythm") << QByteArray::fromHex("41106a1210410000") << false << false << true;
        QTest::newRow("card rhythm") << QByteArray::fromHex("41106a1220400000") << false << false << true;
        QTest::newRow("system") << QByteArray::fromHex("41106a1200000000") << false << false << false;
        QTest::newRow("request") << QByteArray::fromHex("41106a1111000000") << false << false << false;
        QTest::newRow("other maker") << QByteArray::fromHex("43106a1211000000") << false << false << false;
    }
    void ownHeaders()
    {
        QFETCH(QByteArray, header);
        QFETCH(bool, patch);
        QFETCH(bool, performance);
        QFETCH(bool, rhythm);
        const auto* h = reinterpret_cast<const std::uint8_t*>(header.constData());
        QCOMPARE(CPatchArray().IsOwnHeader(h), patch);
        QCOMPARE(CPerformanceArray().IsOwnHeader(h), performance);
        QCOMPARE(CRhythmArray().IsOwnHeader(h), rhythm);
    }

    void partElevenLandsInSlotTen()
    {
        CPatchArray a;
        randomise(a, ItemKind::Patches, 12);
        QByteArray file = store(a, SynthModel::Jv2080).left(645);
        for (int m = 0; m < 5; ++m) {
            const int at = m == 0 ? 0 : CPatchArray::toneOffset(m - 1);
            file[at + 5] = 0x02;
            file[at + 6] = 0x0A;
        }
        CPatchArray b;
        QCOMPARE(load(b, file), 1);
        QCOMPARE(b.name(9), a.name(0));
        QCOMPARE(b.name(0), QString("INIT PATCH  "));
    }

    void temporaryCopies()
    {
        CPatchArray patches;
        patches.SetCardMemory();
        std::vector<std::uint8_t> buffer(CPatchArray::kRecordSize);
        patches.GetAsTemporary(4, buffer.data(), 0x13);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data()), 9),
                 QByteArray::fromHex("f041136a1203000000"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data() + CPatchArray::toneOffset(3)), 9),
                 QByteArray::fromHex("f041136a1203001600"));
        QCOMPARE(int(patches.data(4)[5]), 0x21); // the bank keeps its card address
        QVERIFY(!patches.IsUserMemory());

        CPerformanceArray perfs;
        std::vector<std::uint8_t> pbuf(CPerformanceArray::kRecordSize);
        perfs.GetAsTemporary(31, pbuf.data(), 0x10);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(pbuf.data() + CPerformanceArray::partOffset(15) + 5), 4),
                 QByteArray::fromHex("01001f00"));
        CRhythmArray rhythms;
        std::vector<std::uint8_t> rbuf(CRhythmArray::kRecordSize);
        rhythms.GetAsTemporary(1, rbuf.data(), 0x10);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rbuf.data() + 5), 4), QByteArray::fromHex("02090000"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(rbuf.data() + CRhythmArray::noteOffset(1) + 5), 4),
                 QByteArray::fromHex("02092400"));
        for (auto* buf : {&buffer, &pbuf, &rbuf}) {
            const SysExScanResult r =
                scanSysEx(QByteArrayView(reinterpret_cast<const char*>(buf->data()), qsizetype(buf->size())));
            QVERIFY(r.problems.empty());
        }
    }

    void addressingOperations()
    {
        CPerformanceArray perfs;
        perfs.SetCardMemory();
        perfs.SetDeviceId(0x1F);
        QVERIFY(!perfs.IsUserMemory());
        for (int i = 0; i < perfs.GetCount(); ++i) {
            for (int m = 0; m <= CPerformanceArray::kParts; ++m) {
                const int at = m == 0 ? 0 : CPerformanceArray::partOffset(m - 1);
                QCOMPARE(int(perfs.data(i)[at + 2]), 0x1F);
                QCOMPARE(int(perfs.data(i)[at + 5]), 0x20);
            }
        }
        // Storing for card memory keeps card addresses; a plain store goes back to user.
        const QByteArray card = store(perfs, SynthModel::Jv2080, sysex::MemoryArea::Card);
        QCOMPARE(uchar(card[5]), uchar(0x20));
        QCOMPARE(uchar(card[2]), uchar(0x1F)); // the device byte as held
        const QByteArray user = store(perfs, SynthModel::Jv2080);
        QCOMPARE(uchar(user[5]), uchar(0x10));

        CPatchArray patches;
        patches.Swap(0, 5);
        QCOMPARE(int(patches.data(0)[6]), 5);
        patches.Renumber();
        QCOMPARE(int(patches.data(0)[6]), 0);
        QCOMPARE(int(patches.data(5)[CPatchArray::toneOffset(2) + 6]), 5);
        char name[13];
        patches.SetName(7, "Strings  Pad");
        patches.GetName(7, name);
        QCOMPARE(QByteArray(name), QByteArray("Strings  Pad"));
    }
};

QTEST_APPLESS_MAIN(TestRecordArrays)
#include "tst_recordarrays.moc"
