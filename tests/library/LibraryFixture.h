#pragma once

// Libraries made for tests: records with chosen names, keys, comments, dates and
// patches, written as .clb files.

#include "library/LibraryDocument.h"
#include "library/LibraryRecord.h"
#include "model/PatchArray.h"

#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <cstring>
#include <vector>

namespace libtest {

inline QString realDump(const QString& name)
{
    return QStringLiteral(TONELOOM_TESTDATA_DIR "/real/") + name;
}

inline bool realDumpsPresent()
{
    return QFile::exists(realDump(QStringLiteral("README.md")));
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A default patch with another name and, where given, a tone byte that tells it apart.
inline QByteArray patch(const char* name, int variant = 0, int category = 0)
{
    static CPatchArray defaults;
    QByteArray image = defaults.record(0);
    QByteArray padded = QByteArray(name).leftJustified(clb::kNameLength, ' ', true);
    std::memcpy(image.data() + CRecordArray::kNameOffset, padded.constData(), clb::kNameLength);
    image[CPatchArray::toneParam(0, 5)] = static_cast<char>(variant & 0x7F);
    image[CPatchArray::toneParam(1, 7)] = static_cast<char>((variant >> 7) & 0x7F);
    image[CPatchArray::kCategoryOffset] = static_cast<char>(category);
    return image;
}

struct Rec
{
    using Keys = std::array<std::uint8_t, clb::kKeyCount>;
    // NOLINTNEXTLINE: implicit, so that lists of records read like tables
    Rec(QByteArray name_ = {}, Keys keys_ = {1, 1, 1, 1, 1, 1, 1, 1}, QByteArray comment_ = {},
        QByteArray date_ = "01.01.2000 00:00", int variant_ = 0, int category_ = 0)
        : name(std::move(name_)), keys(keys_), comment(std::move(comment_)), date(std::move(date_)), variant(variant_),
          category(category_)
    {}
    Rec(const char* name_) : Rec(QByteArray(name_)) {}

    QByteArray name;
    Keys keys;
    QByteArray comment;
    QByteArray date;
    int variant = 0;
    int category = 0;
};

inline QByteArray record(const Rec& r)
{
    QByteArray rec(clb::kRecordSize, '\0');
    std::memcpy(rec.data() + clb::kOffKeys, r.keys.data(), r.keys.size());
    std::memcpy(rec.data() + clb::kOffComment, r.comment.constData(), static_cast<std::size_t>(r.comment.size()));
    std::memcpy(rec.data() + clb::kOffDate, r.date.constData(), static_cast<std::size_t>(r.date.size()));
    const QByteArray p = patch(r.name.constData(), r.variant, r.category);
    std::memcpy(rec.data() + clb::kOffPatch, p.constData(), clb::kPatchSize);
    return rec;
}

inline QByteArray library(const std::vector<Rec>& recs)
{
    QByteArray bytes;
    for (const Rec& r : recs)
        bytes += record(r);
    return bytes;
}

// n records with random names from a small alphabet (so that names repeat and share
// parts), random keys, comments, dates and categories.
inline std::vector<Rec> randomRecords(int n, quint32 seed)
{
    QRandomGenerator random(seed);
    std::vector<Rec> recs;
    const char letters[] = "ABab ";
    for (int i = 0; i < n; ++i) {
        Rec r;
        for (int c = 0; c < 4; ++c)
            r.name += letters[random.bounded(5)];
        for (auto& k : r.keys)
            k = static_cast<std::uint8_t>(random.bounded(6) == 0 ? 1 : random.bounded(1, 40));
        for (int c = 0, len = static_cast<int>(random.bounded(3)); c < len; ++c)
            r.comment += letters[random.bounded(5)];
        r.date = QStringLiteral("%1.%2.%3 %4:%5")
                     .arg(random.bounded(1, 4), 2, 10, QLatin1Char('0'))
                     .arg(random.bounded(1, 4), 2, 10, QLatin1Char('0'))
                     .arg(random.bounded(1998, 2001))
                     .arg(random.bounded(0, 3), 2, 10, QLatin1Char('0'))
                     .arg(random.bounded(0, 3), 2, 10, QLatin1Char('0'))
                     .toLatin1();
        r.category = static_cast<int>(random.bounded(5));
        r.variant = static_cast<int>(random.bounded(8));
        recs.push_back(r);
    }
    return recs;
}

} // namespace libtest
