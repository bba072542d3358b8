#include "model/ValueLists.h"

#include "model/EfxTypes.h"

#include <array>

namespace valuelists {

namespace {

constexpr const char* kTimeSensItems[] = {"-100", "-70", "-50", "-40", "-30", "-20", "-10", "0",
                                          "+10",  "+20", "+30", "+40", "+50", "+70", "+100"};
constexpr const char* kKeyfollowItems[] = {"-100", "-70", "-50", "-30", "-10",  "0",    "+10",  "+20",
                                           "+30",  "+40", "+50", "+70", "+100", "+120", "+150", "+200"};
constexpr const char* kNoteNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
constexpr const char* kNoteValues[] = {"16th",       "8th Triplet", "Dotted 16th",  "8th",        "4tr Triplet",
                                       "Dotted 8th", "Quarter",     "Half Triplet", "Dotted 4th", "Half"};
constexpr const char* kFreqItems[] = {"200",  "250",  "315",  "400",  "500",  "630",  "800",  "1000", "1250",
                                      "1600", "2000", "2500", "3150", "4000", "5000", "6300", "8000"};
constexpr int kNotes = 128;
constexpr int kOctave = 12;
constexpr int kCentre64 = 64;
constexpr int kCentre63 = 63;

QString number(int value, Format format)
{
    switch (format) {
    case Format::Plain:
        break;
    case Format::Signed:
        if (value > 0)
            return QStringLiteral("+%1").arg(value);
        break;
    case Format::PlusZero:
        if (value >= 0)
            return QStringLiteral("+%1").arg(value);
        break;
    case Format::TwoDigits:
        if (value == 0)
            return QStringLiteral("0");
        return QString::asprintf("%+03d", value);
    }
    return QString::number(value);
}

void appendNumbers(QStringList& out, int first, int last, int step)
{
    for (int v = first; v <= last; v += step)
        out << QString::number(v);
}

// Decimal runs as the instrument's lists print them: the step is added to a double
// until the value passes the bound, and a later run goes on from where the
// accumulator stopped (plus a jump). The count of items therefore depends on the
// rounding of the sums, which is what makes the lists 126 and 61 items long.
double appendDecimals(QStringList& out, double start, double bound, double step, int decimals)
{
    double value = start;
    while (value <= bound) {
        out << QString::number(value, 'f', decimals);
        value += step;
    }
    return value;
}

QStringList rateItems()
{
    QStringList out;
    double acc = appendDecimals(out, 0.05, 4.95, 0.05, 2);
    acc = appendDecimals(out, acc, 6.9, 0.1, 1);
    appendDecimals(out, acc, 10.0, 0.5, 1);
    return out;
}

// The delay times up to ten milliseconds: 0.0 .. 5.0 by 0.1, 5.5 .. 10.0 by 0.5.
QStringList shortDelayItems()
{
    QStringList out;
    double acc = appendDecimals(out, 0.0, 5.0, 0.1, 1);
    appendDecimals(out, acc + 0.4, 10.0, 0.5, 1);
    return out;
}

QStringList generate(const ValueList& list)
{
    QStringList out;
    switch (list.kind) {
    case Kind::None:
        break;
    case Kind::Numbers:
        for (int i = 0; i < list.count; ++i)
            out << number(list.first + i * list.step, list.format);
        break;
    case Kind::Texts:
        for (int i = 0; i < list.count; ++i)
            out << QString::fromLatin1(list.texts[i]);
        break;
    case Kind::OffNumbers:
        out << QStringLiteral("OFF");
        for (int i = 0; i < list.count; ++i)
            out << number(list.first + i * list.step, list.format);
        break;
    case Kind::NumbersOff:
        for (int i = 0; i < list.count; ++i)
            out << number(list.first + i * list.step, list.format);
        out << QStringLiteral("OFF");
        break;
    case Kind::TimeSens:
        for (const char* t : kTimeSensItems)
            out << QString::fromLatin1(t);
        break;
    case Kind::Keyfollow:
        for (const char* t : kKeyfollowItems)
            out << QString::fromLatin1(t);
        break;
    case Kind::Note:
        for (int n = 0; n < kNotes; ++n)
            out << noteName(n);
        break;
    case Kind::Pan64:
        for (int i = 0; i < kNotes; ++i) {
            if (i < kCentre64)
                out << QStringLiteral("L%1").arg(kCentre64 - i);
            else if (i == kCentre64)
                out << QStringLiteral("0");
            else
                out << QStringLiteral("%1R").arg(i - kCentre64);
        }
        break;
    case Kind::Pan:
        for (int i = 0; i < kNotes; ++i) {
            if (i < kCentre64)
                out << QStringLiteral("L%1").arg(kCentre64 - i);
            else if (i == kCentre64)
                out << QStringLiteral("0");
            else
                out << QStringLiteral("R%1").arg(i - kCentre64);
        }
        break;
    case Kind::AlternatePan:
        for (int i = 0; i < 2 * kCentre63 + 1; ++i) {
            if (i < kCentre63)
                out << QStringLiteral("L%1").arg(kCentre63 - i);
            else if (i == kCentre63)
                out << QStringLiteral("0");
            else
                out << QStringLiteral("R%1").arg(i - kCentre63);
        }
        break;
    case Kind::SyncedTime:
        appendNumbers(out, 0, 96, 2);
        appendNumbers(out, 100, 192, 4);
        appendNumbers(out, 200, 384, 8);
        appendNumbers(out, 400, 880, 16);
        break;
    case Kind::RandomPitch:
        appendNumbers(out, 0, 10, 1);
        appendNumbers(out, 20, 100, 10);
        appendNumbers(out, 200, 1200, 100);
        break;
    case Kind::EfxSource:
        out << QStringLiteral("PERFORM");
        appendNumbers(out, 1, 9, 1);
        appendNumbers(out, 11, 16, 1);
        break;
    case Kind::EfxType:
        out = efx::typeNames();
        break;
    case Kind::Freq:
        for (const char* t : kFreqItems)
            out << QString::fromLatin1(t);
        break;
    case Kind::Damp:
        out = generate(named(Kind::Freq));
        out << QStringLiteral("BYPASS");
        break;
    case Kind::Frequency:
        appendNumbers(out, 100, 300, 10);
        appendNumbers(out, 320, 1000, 20);
        appendNumbers(out, 1100, 8000, 100);
        break;
    case Kind::Rate:
        out = rateItems();
        break;
    case Kind::RateNote:
        out = rateItems() + noteValues();
        break;
    case Kind::Delay100:
        out = shortDelayItems();
        appendNumbers(out, 11, 100, 1);
        break;
    case Kind::Delay500:
        out = shortDelayItems();
        appendNumbers(out, 11, 40, 1);
        appendNumbers(out, 50, 300, 10);
        appendNumbers(out, 320, 500, 20);
        break;
    case Kind::Tap550:
        appendNumbers(out, 200, 550, 5);
        appendNumbers(out, 560, 1000, 10);
        out += noteValues();
        break;
    case Kind::Tap600:
        appendNumbers(out, 200, 600, 5);
        appendNumbers(out, 610, 1000, 10);
        break;
    case Kind::EffectBalance:
        for (int i = 0; i <= 100; ++i)
            out << QStringLiteral("D%1:%2E").arg(100 - i).arg(i);
        break;
    case Kind::LevelBalance:
        for (int i = 0; i <= 100; ++i)
            out << QStringLiteral("A%1:%2B").arg(100 - i).arg(i);
        break;
    case Kind::EfxParameter:
    case Kind::LfoRate:
    case Kind::DelayTime:
    case Kind::WaveGroup:
    case Kind::WaveNumber:
    case Kind::PatchGroup:
    case Kind::PartPatch:
        break;
    }
    return out;
}

constexpr int kKindCount = static_cast<int>(Kind::PartPatch) + 1;

// The named lists are built once; the others are cheap to build each time.
const QStringList& namedItems(Kind kind)
{
    static const std::array<QStringList, kKindCount> cache = [] {
        std::array<QStringList, kKindCount> lists;
        for (int k = static_cast<int>(Kind::TimeSens); k < kKindCount; ++k)
            lists[static_cast<std::size_t>(k)] = generate(named(static_cast<Kind>(k)));
        return lists;
    }();
    return cache[static_cast<std::size_t>(kind)];
}

} // namespace

bool dependsOnContext(const ValueList& list)
{
    return list.kind >= Kind::EfxParameter;
}

int itemCount(const ValueList& list)
{
    switch (list.kind) {
    case Kind::None:
        return 0;
    case Kind::Numbers:
    case Kind::Texts:
        return list.count;
    case Kind::OffNumbers:
    case Kind::NumbersOff:
        return list.count + 1;
    default:
        return static_cast<int>(namedItems(list.kind).size());
    }
}

QStringList items(const ValueList& list)
{
    if (list.kind >= Kind::TimeSens)
        return namedItems(list.kind);
    return generate(list);
}

QString item(const ValueList& list, int index)
{
    if (index < 0 || index >= itemCount(list))
        return {};
    switch (list.kind) {
    case Kind::Numbers:
        return number(list.first + index * list.step, list.format);
    case Kind::Texts:
        return QString::fromLatin1(list.texts[index]);
    case Kind::OffNumbers:
    case Kind::NumbersOff:
        return generate(list).at(index);
    default:
        return namedItems(list.kind).at(index);
    }
}

QStringList noteValues()
{
    QStringList out;
    for (const char* t : kNoteValues)
        out << QString::fromLatin1(t);
    return out;
}

QString noteName(int note)
{
    if (note < 0 || note >= kNotes)
        return {};
    return QString::fromLatin1(kNoteNames[note % kOctave]) + QString::number(note / kOctave - 1);
}

} // namespace valuelists
