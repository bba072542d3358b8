#pragma once

#include <QString>
#include <QStringList>

// The names of the 64 keys of a rhythm set (notes 35 .. 98) as three characters:
// note letter, "#" for a sharp, octave digit, padded with a blank ("B1 ", "C#2").
namespace rhythmkeys {

constexpr int kKeyCount = 64;
constexpr int kFirstNote = 35;

QString keyName(int key); // key 0 .. 63; empty outside
QStringList keyNames();   // all 64 in key order

} // namespace rhythmkeys
