#include "library/LibraryRecord.h"

#include <algorithm>
#include <cstring>

namespace clb {

namespace {

constexpr std::array<const char*, kCategoryCount> kCategories = {
    "No Assign",  "Ac. Piano",     "El. Piano",  "Keyboards",    "Bell",         "Mallet",    "Organ",
    "Accordion",  "Harmonica",     "Ac. Guitar", "El. Guitar",   "Dist. Guitar", "Bass",      "Synth Bass",
    "Strings",    "Orchestra",     "Hit & Stab", "Wind",         "Flute",        "Ac. Brass", "Synth Brass",
    "Sax",        "Hard Lead",     "Soft Lead",  "Techno Synth", "Pulsating",    "Synth FX",  "Other Synth",
    "Bright Pad", "Soft Pad",      "Vox",        "Plucked",      "Ethnic",       "Fretted",   "Percussion",
    "Sound FX",   "Beat & Groove", "Drums",      "Combination",
};

// atoi on the bytes from..end: blanks, a sign, then digits up to the first other byte.
int numberAt(const char* text, int from, int end)
{
    int i = from;
    while (i < end && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < end && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1'000'000'000LL);
    return static_cast<int>(negative ? -value : value);
}

} // namespace

QByteArray formatDate(const QDateTime& when)
{
    return when.toString(QStringLiteral("dd.MM.yyyy hh:mm")).toLatin1().left(kDateLength);
}

std::array<int, 5> dateSortKey(const char* date, int length)
{
    // A date ends at its zero, as any text does.
    const int end = static_cast<int>(strnlen(date, static_cast<std::size_t>(length)));
    const auto at = [&](int from) { return from < end ? numberAt(date, from, end) : 0; };
    return {at(6), at(3), at(0), at(11), at(14)};
}

QByteArray makeRecord(const QByteArray& patch, const QDateTime& when)
{
    QByteArray record(kRecordSize, '\0');
    std::memset(record.data() + kOffKeys, kNoKey, kKeyCount);
    setDate(record, when);
    std::memcpy(record.data() + kOffPatch, patch.constData(), std::min<std::size_t>(patch.size(), kPatchSize));
    return record;
}

void setDate(QByteArray& record, const QDateTime& when)
{
    if (record.size() < kRecordSize)
        return;
    const QByteArray text = formatDate(when);
    char* field = record.data() + kOffDate;
    std::memset(field, 0, kDateField);
    std::memcpy(field, text.constData(), static_cast<std::size_t>(std::min<qsizetype>(text.size(), kDateLength)));
}

QByteArray patchOf(const QByteArray& record)
{
    if (record.size() < kRecordSize)
        return {};
    return record.mid(kOffPatch, kPatchSize);
}

QByteArray temporaryPatch(const QByteArray& patch, std::uint8_t deviceId)
{
    if (patch.size() != kPatchSize)
        return {};
    CPatchArray one;
    one.setRecord(0, patch);
    QByteArray message(kPatchSize, '\0');
    one.GetAsTemporary(0, reinterpret_cast<std::uint8_t*>(message.data()), deviceId);
    return message;
}

QString categoryName(int category)
{
    if (category < 0 || category >= kCategoryCount)
        return QStringLiteral("Category %1").arg(category).leftJustified(kCategoryWidth);
    return QString::fromLatin1(kCategories[static_cast<std::size_t>(category)]).leftJustified(kCategoryWidth);
}

} // namespace clb
