#pragma once

// Byte-exact records of what a path produces, kept as text under tests/golden: one
// line per case, "case: bytes in hex". A test compares its lines with the file; with
// TONELOOM_WRITE_GOLDEN=1 in the environment it writes the file instead (done once,
// before a change that must not alter any byte).

#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace golden {

inline QString path(const QString& name)
{
    return QStringLiteral(TONELOOM_SOURCE_DIR "/tests/golden/") + name;
}

// Empty when lines equal the file's lines, else what differs first.
inline QString compare(const QString& name, const QStringList& lines)
{
    QFile file(path(name));
    if (qEnvironmentVariableIntValue("TONELOOM_WRITE_GOLDEN") == 1) {
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QStringLiteral("cannot write %1").arg(file.fileName());
        file.write(lines.join(QLatin1Char('\n')).toLatin1() + '\n');
        return {};
    }
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1").arg(file.fileName());
    const QStringList expected = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype common = std::min(expected.size(), lines.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (expected[i] != lines[i])
            return QStringLiteral("line %1\n expected: %2\n actual:   %3").arg(i + 1).arg(expected[i], lines[i]);
    }
    if (expected.size() != lines.size())
        return QStringLiteral("%1 lines expected, %2 produced").arg(expected.size()).arg(lines.size());
    return {};
}

inline QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace golden
