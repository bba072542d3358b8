#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class CExpansionNames;
class CPatchArray;
class CPerformanceArray;

// Which patches the performances of a bank play, and in which performances each one
// is used. Built from the bank once; it does not follow later changes.
class CUsedPatches
{
public:
    struct Line
    {
        QString label; // group and patch, e.g. "USER 3: Warm Pad     "
        int count = 0; // parts that play it
        // "%d: %s (Parts 1, 3)": one per performance, with the parts that play it
        QStringList performances;
        std::vector<int> performanceNumbers; // the performances of those lines (0-based)
    };

    // names may be null: preset and board patches are then shown by number.
    CUsedPatches(const CPerformanceArray& performances, const CPatchArray& patches, const CExpansionNames* names);

    // One line per patch used, sorted by label (without regard to case).
    const std::vector<Line>& lines() const { return m_lines; }
    // The text of a list line: label, a tab, the count and " time(s) used".
    static QString lineText(const Line& line);
    // The performances of the line whose text (or label) is given; empty if none.
    QStringList performancesOf(const QString& lineTextOrLabel) const;

    // The label of the patch a part plays: group name, a blank, patch text.
    static QString label(int groupType, int groupId, int number, const CPatchArray& patches,
                         const CExpansionNames* names);

private:
    std::vector<Line> m_lines;
};
