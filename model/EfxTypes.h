#pragma once

#include "model/ValueLists.h"

#include <QString>
#include <QStringList>

#include <array>

// The forty multi-effect types: each has up to twelve parameter rows whose labels
// and value lists change with the type, and names the parameters its two control
// assignments act on. The rows are stored in twelve consecutive bytes of the patch
// or performance common block; a byte always holds its row's list index.
namespace efx {

constexpr int kTypeCount = 40;
constexpr int kRowCount = 12;

struct Row
{
    const char* label = nullptr; // as the page shows it; null for a row the type does not use
    valuelists::ValueList list;
};

using Rows = std::array<Row, kRowCount>;

struct Type
{
    const char* name;     // "01:STEREO-EQ"
    const char* control1; // what control 1 acts on ("Level")
    const char* control2; // what control 2 acts on; may be empty
    const Rows* rows;     // types that differ only in name share their rows
};

// Type index 0 .. 39 (the stored type byte); other indexes give type 0.
const Type& type(int index);
QStringList typeNames();

// Row 0 .. 11 of a type.
bool rowUsed(int typeIndex, int row);
QString rowLabel(int typeIndex, int row); // empty for an unused row
QStringList rowItems(int typeIndex, int row);
// The highest value the row's byte can take: the last item of its list that a 7-bit
// byte can reach, or 127 for an unused row, which keeps whatever it held.
int rowMaximum(int typeIndex, int row);

// "Control 1: " or "Control 2: " followed by what the control acts on; control 1 or 2.
QString controlText(int typeIndex, int control);

} // namespace efx
