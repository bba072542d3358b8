#include "settings/WindowPlacement.h"

#include <QStringList>

void CWindowPlacement::setNormalRect(const QRect& r)
{
    left = r.left();
    top = r.top();
    right = r.left() + r.width();
    bottom = r.top() + r.height();
}

QString CWindowPlacement::toText() const
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
        .arg(flags)
        .arg(showCmd)
        .arg(minX)
        .arg(minY)
        .arg(maxX)
        .arg(maxY)
        .arg(left)
        .arg(top)
        .arg(right)
        .arg(bottom);
}

std::optional<CWindowPlacement> CWindowPlacement::fromText(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() < kFieldCount)
        return std::nullopt;
    int values[kFieldCount];
    for (int i = 0; i < kFieldCount; ++i) {
        bool ok = false;
        values[i] = fields[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (values[0] < 0 || values[1] < 0)
        return std::nullopt;
    for (int i = 2; i < kFieldCount; ++i) {
        if (values[i] < -kMaxCoordinate || values[i] > kMaxCoordinate)
            return std::nullopt;
    }
    CWindowPlacement p;
    p.flags = static_cast<unsigned>(values[0]);
    p.showCmd = static_cast<unsigned>(values[1]);
    p.minX = values[2];
    p.minY = values[3];
    p.maxX = values[4];
    p.maxY = values[5];
    p.left = values[6];
    p.top = values[7];
    p.right = values[8];
    p.bottom = values[9];
    return p;
}
