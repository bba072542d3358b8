#pragma once

#include "model/ParamTable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class CExpansionNames;

// A record as text, one line per parameter and column, read from the parameter tables
// exactly as the editor pages show it: for printing, comparing and scripting.
namespace listing {

struct Line
{
    QString page;   // the tab's text
    QString column; // "Tone 1" .. "Tone 4", "Part 1" .. "Part 16", the key "B1" .. "D7"; "-" for common rows
    QString label;  // as the page shows it, without a trailing colon
    QString text;   // what the control shows
    QString value;  // the stored value as a decimal number; a name as its text
    QString id;     // the row's id, which with page and column tells lines apart
};

// Every parameter of a record image (as a bank holds it) in page order, then the page's
// rows top to bottom, then the columns; a rhythm set's name first, on the page "Rhythm". Multi-effect rows that the record's type does
// not use are left out. names (may be null) gives wave names and group titles.
// userPatches and userRhythmSets (the bank's own names) let a performance part that
// plays the user group show "97: NAME" as its page does.
std::vector<Line> lines(params::Editor editor, const QByteArray& image, const CExpansionNames* names = nullptr,
                        const QStringList& userPatches = {}, const QStringList& userRhythmSets = {});

// page, column, label, text and value, separated by tabs.
QString format(const Line& line);

// The lines whose label or text differ between two listings, grouped by page: the
// page's text on a line of its own, then "  label: old -> new" (with the column, " (Tone
// n)", " (Part n)", " (C#2)", after the label of a column's row). A row that only one side shows has "-" on the other.
QStringList differences(const std::vector<Line>& before, const std::vector<Line>& after);

} // namespace listing
