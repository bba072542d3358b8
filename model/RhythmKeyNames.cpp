#include "model/RhythmKeyNames.h"

namespace rhythmkeys {

QString keyName(int key)
{
    static const char* const kLetters[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (key < 0 || key >= kKeyCount)
        return {};
    const int note = kFirstNote + key;
    QString name = QString::fromLatin1(kLetters[note % 12]) + QString::number(note / 12 - 1);
    return name.leftJustified(3, QLatin1Char(' '));
}

QStringList keyNames()
{
    QStringList names;
    for (int key = 0; key < kKeyCount; ++key)
        names << keyName(key);
    return names;
}

} // namespace rhythmkeys
