#include "emulator/SynthEmulator.h"
#include "model/EfxTypes.h"
#include "model/ParamMessages.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"

#include <QDir>
#include <QFile>
#include <QTest>

using sysex::Block;

namespace {

constexpr std::uint8_t kDevice = 0x10;

// The last tone, part or key of a block: its messages carry the highest address bytes.
int lastIndex(Block block)
{
    switch (block) {
    case Block::PatchTone:
        return 3;
    case Block::PerformancePart:
        return 15;
    case Block::RhythmNote:
        return 63;
    default:
        return 0;
    }
}

QByteArray blockOf(const CSynthEmulator& emulator, Block block, int index)
{
    return emulator.blockData(params::blockAddress(block, index));
}

const std::uint8_t* bytes(const QByteArray& data)
{
    return reinterpret_cast<const std::uint8_t*>(data.constData());
}

void send(CSynthEmulator& emulator, const QByteArray& message)
{
    std::vector<QByteArray> answers;
    emulator.receive(message, answers);
}

// The block with the row's bytes replaced by those of other: what an edit of that
// row alone leaves.
QByteArray withRow(QByteArray block, const params::Param& p, const QByteArray& other)
{
    block.replace(p.offset, p.size, other.mid(p.offset, p.size));
    return block;
}

// The raw bytes of a value the row's range does not allow, or empty when its
// encoding cannot express one.
QByteArray outOfRange(const params::Param& p)
{
    switch (p.encoding) {
    case params::Encoding::Byte:
        if (p.max < 127)
            return QByteArray(1, char(p.max + 1));
        if (p.min > 0)
            return QByteArray(1, char(p.min - 1));
        return {};
    case params::Encoding::Nibbles:
        if (p.max < 255)
            return QByteArray::fromRawData("\x0F\x0F", 2);
        return {};
    case params::Encoding::Group:
        return QByteArray::fromRawData("\x03\x01", 2);
    case params::Encoding::Name:
        return QByteArray("Tab\tin name ");
    }
    return {};
}

} // namespace

class TestEmulatorParams : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyParameterRoundTrips_data();
    void everyParameterRoundTrips();
    void valuesOutOfRangeAreRefused_data();
    void valuesOutOfRangeAreRefused();
    void effectRowsFollowTheType_data();
    void effectRowsFollowTheType();
    void rowsMissingOnAModelAreDropped_data();
    void rowsMissingOnAModelAreDropped();
    void wholeBlocksAreStoredAsTheyCome();
    void realPatchesAsEdits();

private:
    // One instrument for the tests of single rows: each changes only its own row, and
    // they compare with what the block held before.
    std::unique_ptr<CSynthEmulator> m_emulator;
};

void TestEmulatorParams::initTestCase()
{
    m_emulator = std::make_unique<CSynthEmulator>(SynthModel::Jv2080, kDevice);
}

void TestEmulatorParams::everyParameterRoundTrips_data()
{
    QTest::addColumn<QString>("id");
    for (const params::Param* p : params::allRows())
        QTest::newRow(qPrintable(p->id)) << p->id;
}

void TestEmulatorParams::everyParameterRoundTrips()
{
    QFETCH(QString, id);
    const params::Param& p = params::row(id);
    const int index = lastIndex(p.block);
    CSynthEmulator& emulator = *m_emulator;
    const int applied = emulator.appliedMessages();
    const int rejected = emulator.rejectedValues();
    const int ignored = emulator.ignoredMessages();
    if (p.encoding == params::Encoding::Name) {
        for (const char* name : {"", "Round Trip", "~~~~~~~~~~~~", "  x"}) {
            const QByteArray before = blockOf(emulator, p.block, index);
            const QByteArray message = params::nameMessage(p.block, name, kDevice);
            QCOMPARE(message.size(), 23);
            send(emulator, message);
            const QByteArray after = blockOf(emulator, p.block, index);
            QCOMPARE(params::nameText(p, bytes(after)), QString::fromLatin1(name));
            QCOMPARE(withRow(before, p, after), after);
        }
    } else {
        const QByteArray start = blockOf(emulator, p.block, index);
        const auto [lo, hi] = params::valueRange(p, bytes(start));
        for (const int value : {lo, hi, (lo + hi) / 2}) {
            const QByteArray before = blockOf(emulator, p.block, index);
            const QByteArray message = params::valueMessage(p, index, value, kDevice);
            QCOMPARE(message.size(), 11 + p.size);
            send(emulator, message);
            const QByteArray after = blockOf(emulator, p.block, index);
            QCOMPARE(params::value(p, bytes(after)), value);
            // Nothing but the row changed.
            QCOMPARE(withRow(before, p, after), after);
        }
    }
    QCOMPARE(emulator.appliedMessages(), applied + (p.encoding == params::Encoding::Name ? 4 : 3));
    QCOMPARE(emulator.rejectedValues(), rejected);
    QCOMPARE(emulator.ignoredMessages(), ignored);
}

void TestEmulatorParams::valuesOutOfRangeAreRefused_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QByteArray>("raw");
    int rows = 0;
    for (const params::Param* p : params::allRows()) {
        const QByteArray raw = outOfRange(*p);
        // The rhythm set's name fills its block: a memory image, not an edit.
        if (raw.isEmpty() || p->block == Block::RhythmCommon)
            continue;
        QTest::newRow(qPrintable(p->id)) << p->id << raw;
        ++rows;
    }
    QVERIFY(rows > 200);
}

void TestEmulatorParams::valuesOutOfRangeAreRefused()
{
    QFETCH(QString, id);
    QFETCH(QByteArray, raw);
    const params::Param& p = params::row(id);
    const int index = lastIndex(p.block);
    CSynthEmulator& emulator = *m_emulator;
    const int applied = emulator.appliedMessages();
    const int rejected = emulator.rejectedValues();
    const QByteArray before = blockOf(emulator, p.block, index);
    const QByteArray message = params::bytesMessage(p.block, index, p.offset, raw, kDevice);
    QVERIFY(!message.isEmpty());
    send(emulator, message);
    QCOMPARE(blockOf(emulator, p.block, index), before);
    QCOMPARE(emulator.rejectedValues(), rejected + 1);
    QCOMPARE(emulator.appliedMessages(), applied + 1);
}

void TestEmulatorParams::effectRowsFollowTheType_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("type");
    for (const char* prefix : {"patch.", "perf."}) {
        for (int t = 0; t < efx::kTypeCount; ++t)
            QTest::addRow("%s%02d", prefix, t + 1) << QString::fromLatin1(prefix) << t;
    }
}

void TestEmulatorParams::effectRowsFollowTheType()
{
    QFETCH(QString, prefix);
    QFETCH(int, type);
    const params::Param& typeRow = params::row(QString(prefix + QStringLiteral("efx.type")));
    CSynthEmulator& emulator = *m_emulator;
    const int rejected = emulator.rejectedValues();
    send(emulator, params::valueMessage(typeRow, 0, type, kDevice));
    int refused = 0;
    for (int r = 0; r < efx::kRowCount; ++r) {
        const params::Param& row = params::row(QString(prefix + QStringLiteral("efx.row%1").arg(r + 1)));
        const int top = efx::rowMaximum(type, r);
        // The last item of the row's list is taken ...
        send(emulator, params::valueMessage(row, 0, top, kDevice));
        QByteArray block = blockOf(emulator, typeRow.block, 0);
        QCOMPARE(params::value(row, bytes(block)), top);
        QCOMPARE(params::shownText(row, top, {bytes(block), 0, nullptr}),
                 efx::rowUsed(type, r) ? efx::rowItems(type, r).at(top) : QString::number(top));
        // ... one beyond it is not.
        if (top < 127) {
            send(emulator, params::bytesMessage(typeRow.block, 0, row.offset, QByteArray(1, char(top + 1)), kDevice));
            block = blockOf(emulator, typeRow.block, 0);
            QCOMPARE(params::value(row, bytes(block)), top);
            ++refused;
        }
    }
    QCOMPARE(emulator.rejectedValues(), rejected + refused);
}

void TestEmulatorParams::rowsMissingOnAModelAreDropped_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("JV-1080") << int(SynthModel::Jv1080);
    QTest::newRow("XP") << int(SynthModel::Xp);
}

void TestEmulatorParams::rowsMissingOnAModelAreDropped()
{
    QFETCH(int, model);
    const auto synth = static_cast<SynthModel>(model);
    CSynthEmulator emulator(synth, kDevice);
    int missing = 0;
    for (const params::Param* p : params::allRows()) {
        if (p->encoding == params::Encoding::Name)
            continue;
        const QByteArray before = blockOf(emulator, p->block, 0);
        // The whole JV-2080 block gives the context of the effect rows.
        const QByteArray full = before.leftJustified(sysex::blockDataSize(SynthModel::Jv2080, p->block), '\0');
        const auto [lo, hi] = params::valueRange(*p, bytes(full));
        const int value = params::value(*p, bytes(full)) == hi ? lo : hi;
        send(emulator, params::valueMessage(*p, 0, value, kDevice));
        const QByteArray after = blockOf(emulator, p->block, 0);
        QCOMPARE(after.size(), sysex::blockDataSize(synth, p->block));
        if (params::existsOn(*p, synth)) {
            QCOMPARE(params::value(*p, bytes(after)), value);
        } else {
            QCOMPARE(after, before);
            ++missing;
        }
    }
    QCOMPARE(missing, synth == SynthModel::Jv1080 ? 2 + 4 + 6 : 1 + 2 + 1);
    QCOMPARE(emulator.rejectedValues(), 0);
}

void TestEmulatorParams::wholeBlocksAreStoredAsTheyCome()
{
    // A bulk dump's block is a memory image: stored byte for byte, even values the
    // pages would never send.
    CSynthEmulator emulator(SynthModel::Jv2080, kDevice);
    const QByteArray common(74, 0x7F);
    send(emulator, params::bytesMessage(Block::PatchCommon, 0, 0, common, kDevice));
    QCOMPARE(blockOf(emulator, Block::PatchCommon, 0), common);
    const QByteArray note(58, 0x7F);
    send(emulator, params::bytesMessage(Block::RhythmNote, 5, 0, note, kDevice));
    QCOMPARE(blockOf(emulator, Block::RhythmNote, 5), note);
    // A JV-1080 common block is whole too.
    const QByteArray shortCommon(72, 0x40);
    send(emulator, params::bytesMessage(Block::PatchCommon, 0, 0, shortCommon, kDevice));
    QCOMPARE(blockOf(emulator, Block::PatchCommon, 0).left(72), shortCommon);
    QCOMPARE(emulator.rejectedValues(), 0);
    // Two parameters in one edit: the good one is taken, the bad one refused.
    const params::Param& level = params::row(u"tone.tva.level");
    const params::Param& direction = params::row(u"tone.tva.biasDirection");
    send(emulator,
         params::bytesMessage(Block::PatchTone, 1, level.offset, QByteArray::fromRawData("\x21\x09", 2), kDevice));
    const QByteArray tone = blockOf(emulator, Block::PatchTone, 1);
    QCOMPARE(params::value(level, bytes(tone)), 0x21);
    QCOMPARE(params::value(direction, bytes(tone)), 3);
    QCOMPARE(emulator.rejectedValues(), 1);
}

void TestEmulatorParams::realPatchesAsEdits()
{
    const QDir dir(QStringLiteral(TONELOOM_TESTDATA_DIR "/real"));
    const QStringList files = dir.entryList({QStringLiteral("*.syx")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        QSKIP("No real dumps beside the repository (testdata/real)");
    // Every parameter of every real patch, sent as an edit of the temporary patch,
    // is taken: the table's ranges hold what the instrument writes.
    CSynthEmulator emulator(SynthModel::Jv2080, kDevice);
    int patches = 0;
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        CPatchArray array;
        const int loaded = array.Load(file);
        for (int i = 0; i < loaded; ++i) {
            const QByteArray image = array.record(i);
            for (int b = -1; b < CPatchArray::kTones; ++b) {
                const Block block = b < 0 ? Block::PatchCommon : Block::PatchTone;
                const int start = b < 0 ? CPatchArray::commonParam(0) : CPatchArray::toneParam(b, 0);
                const QByteArray data = image.mid(start, sysex::blockDataSize(SynthModel::Jv2080, block));
                // The type first, so that the effect rows are judged by it.
                if (block == Block::PatchCommon)
                    send(emulator, params::rowMessage(params::row(u"patch.efx.type"), 0, bytes(data), kDevice));
                for (const params::Param& p : params::rows(block)) {
                    const int before = emulator.rejectedValues();
                    send(emulator, params::rowMessage(p, std::max(b, 0), bytes(data), kDevice));
                    QVERIFY2(emulator.rejectedValues() == before,
                             qPrintable(QStringLiteral("%1 patch %2: %3").arg(name).arg(i + 1).arg(p.id)));
                }
                QCOMPARE(blockOf(emulator, block, std::max(b, 0)), data);
            }
            ++patches;
        }
    }
    QVERIFY(patches > 100);
    QCOMPARE(emulator.rejectedValues(), 0);
}

QTEST_GUILESS_MAIN(TestEmulatorParams)
#include "tst_emulatorparams.moc"
