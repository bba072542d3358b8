#pragma once

#include "model/BankImage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// What was wrong with a bank file that was read: no record at all, a record cut off
// by the end of the file, messages with bad checksums or broken framing, bytes between
// messages, data after the bank that was not read. Every problem carries its offset in
// the file and the items it concerns, so that the bank window, the command-line tool
// and tests can all say where and what.
struct BankProblem
{
    enum class Type {
        NoItems,     // the file holds no patch, performance or rhythm set
        EndsInside,  // the file ends inside an item; later items were not in the file
        BadChecksum, // messages of an item have wrong checksums
        Malformed,   // an item's messages are not the ones its kind is made of
        StrayBytes,  // bytes that belong to no message
        UnreadData,  // messages after the bank that are no item of a bank
        Partial,     // a message of an item ends before its block does
        Misplaced,   // a message of an item carries the address of another block or item
        Skipped      // messages of an item whose first message is not in the file
    };

    Type type = Type::NoItems;
    qint64 offset = 0;            // in the file
    qint64 length = 0;            // bytes concerned (0 where it has no meaning)
    std::optional<ItemKind> kind; // of the items, none for none
    int item = -1;                // the damaged item's index, -1 for none
    int count = 0; // messages concerned (bad checksums, unread or skipped messages); Partial: data bytes held
    // For EndsInside: the items of kind after the cut that the file did not hold.
    std::vector<int> missing;
    // The first finding of the message scan for the item or the bytes, in its words.
    QString detail;
    // Partial: the data bytes of the block; Misplaced: the address found and the one
    // of the block it was read as.
    int blockData = 0;
    sysex::Address found{};
    sysex::Address expected{};
};

// The analysis of a bank file: its problems and the items they damage.
class CBankReport
{
public:
    // bytes: the file (or its first part, up to fileSize); contents: what reading it found.
    static CBankReport analyse(QByteArrayView bytes, qint64 fileSize, const BankContents& contents);
    // Bytes a record of kind takes in a file in layout (what Store writes).
    static qint64 recordSize(ItemKind kind, SynthModel layout);
    // The messages a record of kind is made of.
    static int messagesPerRecord(ItemKind kind);

    bool isClean() const { return m_problems.empty(); }
    const std::vector<BankProblem>& problems() const { return m_problems; }
    // Items of kind that were read damaged, in index order.
    std::vector<int> damagedItems(ItemKind kind) const;
    // Items of kind of which only a part was in the file (cut by its end, or a message
    // shorter than its block), in index order.
    std::vector<int> partialItems(ItemKind kind) const;

    // One line per problem, in plain words ("The file ends inside patch 11; ...").
    QStringList lines() const;
    // The message that tells the user, once, what was wrong with fileName.
    QString message(const QString& fileName) const;

    // "patch 11", "performance 2", "rhythm set 1"
    static QString itemName(ItemKind kind, int index);
    // "patches 12 to 128", "patch 12", "patches 3, 5 and 9"
    static QString itemList(ItemKind kind, const std::vector<int>& indexes);

private:
    std::vector<BankProblem> m_problems;
};
