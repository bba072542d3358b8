#include "bank/BankReport.h"

#include "model/SysExScan.h"

#include <algorithm>

namespace {

int countOf(ItemKind kind)
{
    return CBankImage::itemCount(kind);
}

QString addressText(const sysex::Address& a)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(a[0], 2, 16, QLatin1Char('0'))
        .arg(a[1], 2, 16, QLatin1Char('0'))
        .arg(a[2], 2, 16, QLatin1Char('0'))
        .arg(a[3], 2, 16, QLatin1Char('0'))
        .toUpper();
}

constexpr ByKind<const char*> kSingular{{"patch", "performance", "rhythm set"}};
constexpr ByKind<const char*> kPlural{{"patches", "performances", "rhythm sets"}};

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString plural(qint64 n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

// Bytes between or after the records: a run of bytes outside any message, then
// messages that are no part of a bank (reading stopped at the first of them).
void checkGap(QByteArrayView bytes, qint64 from, qint64 to, std::vector<BankProblem>& problems)
{
    const qint64 known = std::min<qint64>(to, bytes.size());
    qint64 pos = from;
    while (pos < known && static_cast<std::uint8_t>(bytes[pos]) != sysex::kStart)
        ++pos;
    if (pos > from) {
        BankProblem stray;
        stray.type = BankProblem::Type::StrayBytes;
        stray.offset = from;
        stray.length = pos - from;
        problems.push_back(stray);
    }
    if (pos >= to)
        return;
    BankProblem unread;
    unread.type = BankProblem::Type::UnreadData;
    unread.offset = pos;
    unread.length = to - pos;
    if (pos < known) {
        const SysExScanResult scan = scanSysEx(bytes.sliced(pos, known - pos));
        unread.count = scan.messages;
        if (!scan.problems.empty())
            unread.detail = scan.problems.front().reason;
    }
    problems.push_back(unread);
}

} // namespace

qint64 CBankReport::recordSize(ItemKind kind, SynthModel layout)
{
    return recordLayout(kind).fileSize(layout);
}

int CBankReport::messagesPerRecord(ItemKind kind)
{
    return recordLayout(kind).messages();
}

CBankReport CBankReport::analyse(QByteArrayView bytes, qint64 fileSize, const BankContents& contents)
{
    const std::vector<BankRecordSpan>& spans = contents.spans;
    CBankReport report;
    std::vector<BankProblem>& problems = report.m_problems;
    if (spans.empty() && contents.skipped.empty()) {
        BankProblem none;
        none.type = BankProblem::Type::NoItems;
        none.length = fileSize;
        const SysExScanResult scan = scanSysEx(bytes);
        none.count = scan.messages;
        problems.push_back(none);
        return report;
    }

    ByKind<std::vector<bool>> filled;
    for (ItemKind kind : kItemKinds)
        filled[kind].assign(static_cast<std::size_t>(countOf(kind)), false);
    for (const BankRecordSpan& s : spans)
        if (s.index >= 0 && s.index < countOf(s.kind))
            filled[s.kind][static_cast<std::size_t>(s.index)] = true;

    qint64 pos = 0;
    std::size_t nextSkip = 0;
    const auto coverSkipped = [&](qint64 upTo) {
        for (; nextSkip < contents.skipped.size() && contents.skipped[nextSkip].offset < upTo; ++nextSkip) {
            const BankSkipped& k = contents.skipped[nextSkip];
            if (k.offset > pos)
                checkGap(bytes, pos, k.offset, problems);
            BankProblem skip;
            skip.type = BankProblem::Type::Skipped;
            skip.offset = k.offset;
            skip.length = k.length;
            skip.count = k.messages;
            problems.push_back(skip);
            pos = std::max(pos, k.offset + k.length);
        }
    };
    for (const BankRecordSpan& s : spans) {
        coverSkipped(s.offset);
        if (s.offset > pos)
            checkGap(bytes, pos, s.offset, problems);
        if (s.badMessage >= 0) {
            BankProblem bad;
            bad.type = s.shortMessage ? BankProblem::Type::Partial : BankProblem::Type::Misplaced;
            bad.kind = s.kind;
            bad.item = s.index;
            bad.offset = s.badOffset;
            bad.length = s.size;
            bad.count = s.shortData;
            bad.blockData = recordLayout(s.kind).dataSize(s.badMessage, s.layout);
            bad.found = s.foundAddress;
            bad.expected = s.expectedAddress;
            problems.push_back(bad);
            // What else is wrong with its messages follows from this.
            pos = std::max(pos, std::min(s.offset + s.size, fileSize));
            continue;
        }
        const qint64 end = s.offset + s.size;
        if (end > fileSize) {
            BankProblem cut;
            cut.type = BankProblem::Type::EndsInside;
            cut.offset = s.offset;
            cut.length = fileSize - s.offset;
            cut.kind = s.kind;
            cut.item = s.index;
            const auto& got = filled[s.kind];
            for (int i = s.index + 1; i < countOf(s.kind); ++i)
                if (!got[static_cast<std::size_t>(i)])
                    cut.missing.push_back(i);
            problems.push_back(cut);
            pos = std::max(pos, fileSize);
            continue;
        }
        if (end <= bytes.size()) {
            const SysExScanResult scan = scanSysEx(bytes.sliced(s.offset, s.size));
            if (scan.badChecksums > 0) {
                BankProblem bad;
                bad.type = BankProblem::Type::BadChecksum;
                bad.kind = s.kind;
                bad.item = s.index;
                bad.count = scan.badChecksums;
                bad.offset = s.offset;
                bad.length = s.size;
                for (const SysExProblem& p : scan.problems) {
                    if (p.badChecksum) {
                        bad.offset = s.offset + p.offset;
                        break;
                    }
                }
                problems.push_back(bad);
            }
            const qint64 otherProblems = qint64(scan.problems.size()) - scan.badChecksums;
            if (otherProblems > 0 || scan.messages != messagesPerRecord(s.kind)) {
                BankProblem broken;
                broken.type = BankProblem::Type::Malformed;
                broken.kind = s.kind;
                broken.item = s.index;
                broken.offset = s.offset;
                broken.length = s.size;
                broken.count = scan.messages;
                for (const SysExProblem& p : scan.problems) {
                    if (!p.badChecksum) {
                        broken.offset = s.offset + p.offset;
                        broken.detail = p.reason;
                        break;
                    }
                }
                problems.push_back(broken);
            }
        }
        pos = std::max(pos, end);
    }
    coverSkipped(fileSize + 1);
    if (pos < fileSize)
        checkGap(bytes, pos, fileSize, problems);
    return report;
}

std::vector<int> CBankReport::damagedItems(ItemKind kind) const
{
    std::vector<int> items;
    for (const BankProblem& p : m_problems)
        if (p.kind == kind && p.item >= 0)
            items.push_back(p.item);
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

std::vector<int> CBankReport::partialItems(ItemKind kind) const
{
    std::vector<int> items;
    for (const BankProblem& p : m_problems)
        if (p.kind == kind && p.item >= 0
            && (p.type == BankProblem::Type::Partial || p.type == BankProblem::Type::EndsInside))
            items.push_back(p.item);
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

QString CBankReport::itemName(ItemKind kind, int index)
{
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(kSingular[kind])).arg(index + 1);
}

QString CBankReport::itemList(ItemKind kind, const std::vector<int>& indexes)
{
    if (indexes.empty())
        return {};
    if (indexes.size() == 1)
        return itemName(kind, indexes.front());
    // Runs of consecutive numbers read "12 to 128".
    QStringList parts;
    for (std::size_t i = 0; i < indexes.size();) {
        std::size_t j = i;
        while (j + 1 < indexes.size() && indexes[j + 1] == indexes[j] + 1)
            ++j;
        if (j == i)
            parts << QString::number(indexes[i] + 1);
        else if (j == i + 1)
            parts << QString::number(indexes[i] + 1) << QString::number(indexes[j] + 1);
        else
            parts << QStringLiteral("%1 to %2").arg(indexes[i] + 1).arg(indexes[j] + 1);
        i = j + 1;
    }
    QString list = parts.takeLast();
    if (!parts.isEmpty())
        list = parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + list;
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(kPlural[kind]), list);
}

QStringList CBankReport::lines() const
{
    QStringList lines;
    for (const BankProblem& p : m_problems) {
        // Every problem that names an item has its kind.
        const ItemKind kind = p.kind.value_or(ItemKind::Patches);
        switch (p.type) {
        case BankProblem::Type::NoItems:
            lines << (p.count == 0 ? QStringLiteral("It holds no System Exclusive message at all (%1).")
                                         .arg(plural(p.length, "byte", "bytes"))
                                   : QStringLiteral("It holds no patch, performance or rhythm set: none of its %1 "
                                                    "belongs to a bank.")
                                         .arg(plural(p.count, "message", "messages")));
            break;
        case BankProblem::Type::EndsInside: {
            QString line = QStringLiteral("The file ends inside %1 (after %2 of it).")
                               .arg(itemName(kind, p.item), plural(p.length, "byte", "bytes"));
            if (!p.missing.empty())
                line += QStringLiteral(" %1 %2 not in the file.")
                            .arg(capitalised(itemList(kind, p.missing)),
                                 p.missing.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"));
            lines << line;
            break;
        }
        case BankProblem::Type::BadChecksum:
            lines << QStringLiteral("%1 has %2 with a bad checksum (at byte %3).")
                         .arg(capitalised(itemName(kind, p.item)), plural(p.count, "message", "messages"))
                         .arg(p.offset);
            break;
        case BankProblem::Type::Malformed:
            lines << QStringLiteral("%1 is not made of the messages of a %2 (at byte %3%4).")
                         .arg(capitalised(itemName(kind, p.item)), QString::fromLatin1(kSingular[kind]))
                         .arg(p.offset)
                         .arg(p.detail.isEmpty() ? QString() : QStringLiteral(": ") + p.detail);
            break;
        case BankProblem::Type::StrayBytes:
            lines << QStringLiteral("%1 at byte %2 %3 to no message.")
                         .arg(plural(p.length, "byte", "bytes"))
                         .arg(p.offset)
                         .arg(p.length == 1 ? QStringLiteral("belongs") : QStringLiteral("belong"));
            break;
        case BankProblem::Type::Partial:
            lines << QStringLiteral("%1 is partial: its message at byte %2 holds %3 of the %4 data bytes of its "
                                    "block.")
                         .arg(capitalised(itemName(kind, p.item)))
                         .arg(p.offset)
                         .arg(p.count)
                         .arg(p.blockData);
            break;
        case BankProblem::Type::Misplaced:
            lines << QStringLiteral("%1 is made of messages of other blocks: the message at byte %2 is addressed "
                                    "to %3, where %4 belongs.")
                         .arg(capitalised(itemName(kind, p.item)))
                         .arg(p.offset)
                         .arg(addressText(p.found), addressText(p.expected));
            break;
        case BankProblem::Type::Skipped:
            lines << QStringLiteral("%1 at byte %2 %3 to an item whose first message is not in the file; %4 "
                                    "skipped.")
                         .arg(plural(p.count, "message", "messages"))
                         .arg(p.offset)
                         .arg(p.count == 1 ? QStringLiteral("belongs") : QStringLiteral("belong"),
                              p.count == 1 ? QStringLiteral("it was") : QStringLiteral("they were"));
            break;
        case BankProblem::Type::UnreadData:
            lines << QStringLiteral("Reading stopped at byte %1: the %2 from there on %3 not read.")
                         .arg(p.offset)
                         .arg(p.count > 0 ? plural(p.count, "message", "messages") : plural(p.length, "byte", "bytes"),
                              (p.count == 1 || (p.count == 0 && p.length == 1)) ? QStringLiteral("was")
                                                                                : QStringLiteral("were"));
            break;
        }
    }
    return lines;
}

QString CBankReport::message(const QString& fileName) const
{
    if (isClean())
        return {};
    const QString keep = QStringLiteral("Saving asks for a file name first, so that %1 stays as it is.").arg(fileName);
    if (m_problems.size() == 1 && m_problems.front().type == BankProblem::Type::NoItems)
        return QStringLiteral("%1 is not a bank. %2\n\nIt opens as a new bank. %3")
            .arg(fileName, lines().constFirst(), keep);
    bool damaged = false;
    for (const BankProblem& p : m_problems)
        damaged = damaged || p.item >= 0;
    QString text = QStringLiteral("%1 is damaged:\n\n").arg(fileName);
    for (const QString& line : lines())
        text += QStringLiteral("- ") + line + QLatin1Char('\n');
    text += QLatin1Char('\n');
    if (damaged)
        text += QStringLiteral("The damaged items are marked in the bank window. ");
    return text + keep;
}
