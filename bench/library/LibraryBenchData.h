#pragma once

// A library the size musicians keep: 100,000 entries (75 MB) with names, keys,
// comments, dates and categories of every kind, every hundredth patch a copy of
// another. Written once per run into a temporary folder.

#include "library/LibraryRecord.h"
#include "model/PatchArray.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <string>

namespace benchdata {

constexpr int kEntries = 100000;

inline QByteArray makeLibrary(int entries, quint32 seed = 2024)
{
    QRandomGenerator random(seed);
    CPatchArray defaults;
    const QByteArray base = defaults.record(0);
    static const char* const words[] = {"Pad", "Bass", "Lead", "Str",  "Brs",  "Bell", "Org", "Pno",  "Vox",
                                        "Syn", "Warm", "Dark", "Soft", "Hard", "FX",   "Hit", "Wind", "Arp"};
    QByteArray bytes;
    bytes.reserve(qsizetype(entries) * clb::kRecordSize);
    for (int i = 0; i < entries; ++i) {
        QByteArray patch = base;
        if (i % 100 == 99) {
            // A copy of an earlier patch under another name.
            const int of = static_cast<int>(random.bounded(i));
            patch = bytes.mid(qsizetype(of) * clb::kRecordSize + clb::kOffPatch, clb::kPatchSize);
        } else {
            for (int t = 0; t < CPatchArray::kTones; ++t)
                for (int p = 0; p < 8; ++p)
                    patch[CPatchArray::toneParam(t, 10 + p)] = static_cast<char>(random.bounded(128));
        }
        const QByteArray name = (QByteArray(words[random.bounded(18)]) + ' ' + words[random.bounded(18)] + ' '
                                 + QByteArray::number(i % 1000))
                                    .leftJustified(clb::kNameLength, ' ', true);
        std::memcpy(patch.data() + CRecordArray::kNameOffset, name.constData(), clb::kNameLength);
        patch[CPatchArray::kCategoryOffset] = static_cast<char>(random.bounded(39));
        const QDateTime when(
            QDate(1995 + int(random.bounded(30)), 1 + int(random.bounded(12)), 1 + int(random.bounded(28))),
            QTime(int(random.bounded(24)), int(random.bounded(60))));
        QByteArray record = clb::makeRecord(patch, when);
        for (int k = 0; k < clb::kKeyCount; ++k)
            record[k] = static_cast<char>(random.bounded(4) == 0 ? 1 : random.bounded(1, 241));
        const QByteArray comment = QByteArray("comment ") + QByteArray::number(random.bounded(5000));
        std::memcpy(record.data() + clb::kOffComment, comment.constData(), static_cast<std::size_t>(comment.size()));
        bytes += record;
    }
    return bytes;
}

// The path of the benchmark library, written on first use.
inline QString libraryPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("bench.clb"));
        QFile f(p);
        if (f.open(QIODevice::WriteOnly))
            f.write(makeLibrary(kEntries));
        return p;
    }();
    return path;
}

// The resident memory of this process in bytes.
inline qint64 residentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    return 0;
}

} // namespace benchdata
