// What the parameter table produces, byte for byte and row for row: every row's
// description, the DT1 messages of every row at its bounds and default in several
// memory areas, group and name messages, and the defaults of every block. The
// records in tests/golden were taken before the table was rearranged; any byte that
// moves fails here.

#include "model/ParamMessages.h"
#include "model/ParamTable.h"
#include "tests/support/GoldenFile.h"

#include <QCryptographicHash>
#include <QTest>

using sysex::Block;

namespace {

constexpr Block kBlocks[] = {Block::PatchCommon,     Block::PatchTone,    Block::PerformanceCommon,
                             Block::PerformancePart, Block::RhythmCommon, Block::RhythmNote};

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

int lastNumber(Block block)
{
    switch (block) {
    case Block::PatchCommon:
    case Block::PatchTone:
        return 127;
    case Block::PerformanceCommon:
    case Block::PerformancePart:
        return 31;
    default:
        return 1;
    }
}

QString describe(const params::Param& p)
{
    return QStringLiteral("%1 b%2 @%3 n%4 e%5 %6..%7 l%8/%9/%10/%11/%12 c%13 s%14 '%15' p%16 o%17 m%18 d%19 r%20 [%21]")
        .arg(p.id)
        .arg(static_cast<int>(p.block))
        .arg(p.offset)
        .arg(p.size)
        .arg(static_cast<int>(p.encoding))
        .arg(p.min)
        .arg(p.max)
        .arg(static_cast<int>(p.list.kind))
        .arg(p.list.first)
        .arg(p.list.step)
        .arg(p.list.count)
        .arg(static_cast<int>(p.list.format))
        .arg(static_cast<int>(p.control))
        .arg(p.shownOffset)
        .arg(p.label)
        .arg(static_cast<int>(p.page))
        .arg(p.order)
        .arg(p.shownOn)
        .arg(p.defaultValue)
        .arg(static_cast<int>(p.defaultRule))
        .arg(params::listItems(p).join(QLatin1Char('|')));
}

} // namespace

class TestParamGolden : public QObject
{
    Q_OBJECT

private slots:
    void rows()
    {
        QStringList lines;
        for (const params::Param* p : params::allRows())
            lines << describe(*p);
        const QString difference = golden::compare(QStringLiteral("param-rows.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // For each row: its messages at the lowest value, the default and the highest to
    // tone, part or key 1 of the temporary area in full, and a digest of the same
    // values to the last block of user and card memory.
    void messages()
    {
        using params::Destination;
        using sysex::MemoryArea;
        QStringList lines;
        for (const params::Param* p : params::allRows()) {
            const auto [lo, hi] = params::valueRange(*p);
            const int values[] = {lo, params::defaultValue(*p, 0), hi};
            const int last = lastIndex(p->block);
            const int number = lastNumber(p->block);
            QByteArray shown;
            QCryptographicHash others(QCryptographicHash::Sha1);
            for (int v : values) {
                shown += params::valueMessage(*p, 0, v, 0x10, {});
                others.addData(params::valueMessage(*p, last, v, 0x11, Destination{MemoryArea::User, number}));
                others.addData(params::valueMessage(*p, 1 % (last + 1), v, 0x1F, Destination{MemoryArea::Card, 0}));
                if (p->encoding == params::Encoding::Group) {
                    others.addData(params::groupMessage(*p, last, v, 0, 0x10, {}));
                    others.addData(params::groupMessage(*p, 0, v, 254, 0x10, Destination{MemoryArea::User, 3}));
                }
            }
            lines << QStringLiteral("%1: %2 | %3")
                         .arg(p->id, golden::hex(shown), QString::fromLatin1(others.result().toHex()));
        }
        for (Block block : {Block::PatchCommon, Block::PerformanceCommon, Block::RhythmCommon}) {
            lines << QStringLiteral("name %1: %2")
                         .arg(static_cast<int>(block))
                         .arg(golden::hex(
                             params::nameMessage(block, "Golden Name", 0x10, {})
                             + params::nameMessage(block, "Cut after twelve", 0x10, Destination{MemoryArea::Card, 1})));
        }
        const QString difference = golden::compare(QStringLiteral("param-messages.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // The bytes of a new block, for its first and last tone, part or key, and every
    // row's message of those bytes.
    void defaults()
    {
        QStringList lines;
        for (Block block : kBlocks) {
            for (int index : {0, lastIndex(block)}) {
                QByteArray data(sysex::blockDataSize(SynthModel::Jv2080, block), char(0x55));
                auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
                params::writeDefaults(block, index, bytes);
                QByteArray messages;
                for (const params::Param& p : params::rows(block))
                    messages += params::rowMessage(p, index, bytes, 0x10, {});
                lines << QStringLiteral("defaults %1 %2: %3")
                             .arg(static_cast<int>(block))
                             .arg(index)
                             .arg(golden::hex(data));
                lines << QStringLiteral("row messages %1 %2: %3")
                             .arg(static_cast<int>(block))
                             .arg(index)
                             .arg(QString::fromLatin1(
                                 QCryptographicHash::hash(messages, QCryptographicHash::Sha1).toHex()));
            }
        }
        const QString difference = golden::compare(QStringLiteral("param-defaults.txt"), lines);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
};

QTEST_GUILESS_MAIN(TestParamGolden)
#include "tst_paramgolden.moc"
