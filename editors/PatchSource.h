#pragma once

#include <QByteArray>
#include <QStringList>
#include <functional>

// Where "Copy Tone" may take a tone from besides the patch being edited, and what Morph
// offers first: the records of the bank or library the editor was opened from, as the
// lines its list shows ("1: NAME") and the record image of each line. Empty when the
// editor stands alone.
struct CPatchSource
{
    QStringList lines;
    std::function<QByteArray(int line)> record; // line counts from 0
};
