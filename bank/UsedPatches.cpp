#include "bank/UsedPatches.h"

#include "bank/PartReferences.h"
#include "model/ExpansionNames.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"

#include <QHash>
#include <algorithm>

namespace {

constexpr int kPresetType = 0;
constexpr int kGmType = 1; // plays the patches of preset group 8
constexpr int kBoardType = 2;
constexpr int kGmGroup = 8;
constexpr int kOldUserId = 0; // treated like the bank's user patches when patches move
constexpr int kUserId = 1;
constexpr int kCardId = 2;

QString numbered(int number, const QString& text)
{
    return QStringLiteral("%1: %2").arg(number).arg(text);
}

} // namespace

QString CUsedPatches::label(int groupType, int groupId, int number, const CPatchArray& patches,
                            const CExpansionNames* names)
{
    QString group;
    NameFileKind fileKind = NameFileKind::Preset;
    int file = groupId;
    if (groupType == kGmType) {
        file = kGmGroup;
    } else if (groupType == kBoardType) {
        fileKind = NameFileKind::Board;
    }
    if (groupType == kPresetType && groupId == kOldUserId)
        group = QStringLiteral("USER (ID 0)");
    else if (names && (groupType == kPresetType || groupType == kGmType || groupType == kBoardType))
        group = names->GetTitle(fileKind, file);
    if (group.isEmpty())
        group = QStringLiteral("Group %1-%2").arg(groupType).arg(groupId);

    QString text;
    if (groupType == kPresetType && (groupId == kUserId || groupId == kOldUserId)) {
        text = number < patches.GetCount() ? numbered(number + 1, patches.name(number)) : QString::number(number + 1);
    } else if (groupType == kPresetType && groupId == kCardId) {
        text = numbered(number + 1, QStringLiteral("Card"));
    } else {
        if (names)
            text = names->GetName(file, NameSection::Patches, number, fileKind);
        if (text.isEmpty())
            text = QString::number(number + 1); // no name known: the patch's number
    }
    return group + QLatin1Char(' ') + text;
}

CUsedPatches::CUsedPatches(const CPerformanceArray& performances, const CPatchArray& patches,
                           const CExpansionNames* names)
{
    QHash<QString, std::size_t> byLabel;
    std::vector<std::vector<QStringList>> parts; // by line, by performance of the line
    for (int i = 0; i < performances.GetCount(); ++i) {
        const QString performance = numbered(i + 1, performances.name(i));
        for (int part = 0; part < CPerformanceArray::kParts; ++part) {
            if (part == CPartReferences::kRhythmPart)
                continue;
            const QString text = label(CPartReferences::groupType(performances, i, part),
                                       CPartReferences::groupId(performances, i, part),
                                       CPartReferences::patchNumber(performances, i, part), patches, names);
            const auto found = byLabel.constFind(text);
            if (found == byLabel.constEnd()) {
                byLabel.insert(text, m_lines.size());
                m_lines.push_back(Line{text, 0, {}, {}});
                parts.emplace_back();
            }
            const std::size_t at = found == byLabel.constEnd() ? m_lines.size() - 1 : *found;
            Line& line = m_lines[at];
            ++line.count;
            // One line per performance: a further part of it joins its line.
            if (line.performanceNumbers.empty() || line.performanceNumbers.back() != i) {
                line.performanceNumbers.push_back(i);
                line.performances << performance;
                parts[at].emplace_back();
            }
            parts[at].back() << QString::number(part + 1);
        }
    }
    for (std::size_t l = 0; l < m_lines.size(); ++l) {
        QStringList& lines = m_lines[l].performances;
        for (qsizetype p = 0; p < lines.size(); ++p) {
            const QStringList& used = parts[l][static_cast<std::size_t>(p)];
            lines[p] += (used.size() == 1 ? QStringLiteral(" (Part ") : QStringLiteral(" (Parts "))
                        + used.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
    }
    std::stable_sort(m_lines.begin(), m_lines.end(), [](const Line& a, const Line& b) {
        return lineText(a).compare(lineText(b), Qt::CaseInsensitive) < 0;
    });
}

QString CUsedPatches::lineText(const Line& line)
{
    return line.label + QLatin1Char('\t') + QString::number(line.count) + QStringLiteral(" time(s) used");
}

QStringList CUsedPatches::performancesOf(const QString& lineTextOrLabel) const
{
    const QString label = lineTextOrLabel.section(QLatin1Char('\t'), 0, 0);
    for (const Line& line : m_lines) {
        if (line.label == label)
            return line.performances;
    }
    return {};
}
