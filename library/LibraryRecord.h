#pragma once

#include "model/PatchArray.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

// One record of a ".clb" library file: 750 bytes, no header in the file, the record's
// number is its position. Eight key bytes, a comment, the date of the last change as
// text and the 645-byte patch image as a bank holds it. The entry's name is the
// patch's own name inside that image.
namespace clb {

constexpr int kRecordSize = 750;
constexpr int kKeyCount = 8;
constexpr int kOffKeys = 0;
constexpr int kOffComment = 8;
constexpr int kCommentField = 80; // the text and its terminating zero
constexpr int kMaxComment = kCommentField - 1;
constexpr int kOffDate = 88;
constexpr int kDateField = 17;
constexpr int kDateLength = 16; // "dd.mm.yyyy hh:mm"
constexpr int kOffPatch = 105;
constexpr int kPatchSize = CPatchArray::kRecordSize;
constexpr int kNameLength = CRecordArray::kNameLength;
constexpr int kOffName = kOffPatch + CRecordArray::kNameOffset;
constexpr int kOffCategory = kOffPatch + CPatchArray::kCategoryOffset;
static_assert(kOffPatch + kPatchSize == kRecordSize);

// Key numbers: 256 key names in 16 groups of 16 slots. Slot g × 16 names group g, the
// slots after it its fifteen keys; key position p of group g is stored as g × 16 + p + 1.
constexpr int kKeyNameCount = 256;
constexpr int kGroupCount = 16;
constexpr int kSlotsPerGroup = 16;
constexpr int kKeysPerGroup = 15;
constexpr std::uint8_t kNoKey = 1;                   // group 0, first key: what new records get
constexpr const char* kNoEntry = "No Entry";         // a key name nobody has set
constexpr const char* kNoSelection = "No Selection"; // a key name shown as an empty text
constexpr int keyNumber(int group, int position)
{
    return group * kSlotsPerGroup + position + 1;
}
constexpr int keyGroup(int key)
{
    return key / kSlotsPerGroup;
}
constexpr int keyPosition(int key)
{
    return key % kSlotsPerGroup - 1;
}

// The date as records store it: "%d.%m.%Y %H:%M" of the local time.
QByteArray formatDate(const QDateTime& when);
// The fields of a date text compared as numbers: year, month, day, hour, minute, each
// read as a decimal number from its position the way atoi would ("7x" is 7, "x" 0).
// The text is read no further than its field.
std::array<int, 5> dateSortKey(const char* date, int length = kDateField);

// A record for a new patch: all keys 1, an empty comment, the date when.
QByteArray makeRecord(const QByteArray& patch, const QDateTime& when);
// The record with another date; the rest stays as it was.
void setDate(QByteArray& record, const QDateTime& when);
// The patch image of a record (645 bytes), or an empty array for a record too short.
QByteArray patchOf(const QByteArray& record);

// A patch image addressed to the synthesizer's temporary patch, with the device ID
// and fresh checksums: what sending a library patch puts on the line.
QByteArray temporaryPatch(const QByteArray& patch, std::uint8_t deviceId);

// The JV-2080's categories, by the category byte of a patch (the last byte of its
// common data): 39 names, blanks on the right to 13 characters as they are stored.
constexpr int kCategoryCount = 39;
constexpr int kCategoryWidth = 13;
QString categoryName(int category);

} // namespace clb
