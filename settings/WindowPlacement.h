#pragma once

#include <QRect>
#include <QString>
#include <optional>

// A window's place as the settings file stores it: "flags,show state,minimized x,
// minimized y,maximized x,maximized y,left,top,right,bottom". The show states and the
// flag are the numbers the file has always used.
struct CWindowPlacement
{
    static constexpr unsigned kRestoreToMaximized = 2; // flags
    static constexpr unsigned kShowHidden = 0;
    static constexpr unsigned kShowNormal = 1;
    static constexpr unsigned kShowMinimized = 2;
    static constexpr unsigned kShowMaximized = 3;
    static constexpr int kFieldCount = 10;
    // No screen reaches further (Qt's largest widget size); beyond it the rectangle's
    // size could not even be computed.
    static constexpr int kMaxCoordinate = 16777215;

    unsigned flags = 0;
    unsigned showCmd = kShowNormal;
    int minX = -1;
    int minY = -1;
    int maxX = -1;
    int maxY = -1;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    QRect normalRect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
    void setNormalRect(const QRect& r);

    QString toText() const;
    // Only a text whose first ten fields are all numbers, the flags and show state not
    // negative and every coordinate within kMaxCoordinate, is a placement.
    static std::optional<CWindowPlacement> fromText(const QString& text);
};
