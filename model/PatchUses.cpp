#include "model/PatchUses.h"

#include "model/ExpansionNames.h"
#include "model/ParamTable.h"
#include "model/PatchArray.h"

#include <algorithm>

namespace patchuses {

namespace {

// Image offsets of the rows read, found once in the parameter table.
struct Offsets
{
    int toneSwitch;
    int waveGroup; // type, then id
    int waveNumber;
};

const Offsets& offsets()
{
    static const Offsets o = {
        params::row(u"tone.switch").offset,
        params::row(u"tone.wave.group").offset,
        params::row(u"tone.wave.number").offset,
    };
    return o;
}

} // namespace

PatchWaves wavesOf(const char* patch)
{
    const Offsets& o = offsets();
    static const params::Param& number = params::row(u"tone.wave.number");
    PatchWaves waves;
    for (int t = 0; t < kTones; ++t) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(patch + CPatchArray::toneParam(t, 0));
        ToneWave& w = waves[static_cast<std::size_t>(t)];
        w.on = data[o.toneSwitch] != 0 ? 1 : 0;
        w.type = data[o.waveGroup];
        w.id = data[o.waveGroup + 1];
        w.number = static_cast<std::uint8_t>(params::value(number, data) & 0xFF);
    }
    return waves;
}

std::vector<int> boardsNeeded(const PatchWaves& waves)
{
    std::vector<int> boards;
    for (const ToneWave& w : waves)
        if (w.on && w.type == kBoardGroupType)
            boards.push_back(w.id);
    std::sort(boards.begin(), boards.end());
    boards.erase(std::unique(boards.begin(), boards.end()), boards.end());
    return boards;
}

bool playable(const PatchWaves& waves, const std::set<int>& installed)
{
    for (const ToneWave& w : waves)
        if (w.on && w.type == kBoardGroupType && !installed.contains(w.id))
            return false;
    return true;
}

QString waveName(const CExpansionNames& names, const ToneWave& wave)
{
    const QStringList list = params::waveNames(names, wave.type, wave.id);
    return wave.number < list.size() ? list[wave.number].trimmed() : QString();
}

QString waveNamesText(const CExpansionNames& names, const PatchWaves& waves)
{
    QStringList out;
    for (const ToneWave& w : waves) {
        if (!w.on)
            continue;
        const QString name = waveName(names, w);
        if (!name.isEmpty() && !out.contains(name))
            out << name;
    }
    return out.join(QStringLiteral(", "));
}

QString boardsText(const CExpansionNames& names, const PatchWaves& waves)
{
    const std::vector<int> boards = boardsNeeded(waves);
    if (boards.empty())
        return QStringLiteral("none");
    QStringList out;
    for (int b : boards)
        out << names.GetTitle(NameFileKind::Board, b).trimmed();
    return out.join(QStringLiteral(", "));
}

CWaveMatcher::CWaveMatcher(const CExpansionNames& names, const QString& text)
{
    for (const params::GroupItem& g : params::waveGroups(names)) {
        const QStringList list = params::waveNames(names, g.type, g.id);
        for (int n = 0; n < list.size() && n < 256; ++n)
            if (list[n].contains(text, Qt::CaseInsensitive))
                m_keys.insert(keyOf(g.type, g.id, n));
    }
    // The general MIDI group shares the preset files' numbering; its names are its own.
    const QStringList gm = params::waveNames(names, 1, 1);
    for (int n = 0; n < gm.size() && n < 256; ++n)
        if (gm[n].contains(text, Qt::CaseInsensitive))
            m_keys.insert(keyOf(1, 1, n));
}

bool CWaveMatcher::matches(const PatchWaves& waves) const
{
    for (const ToneWave& w : waves)
        if (w.on && m_keys.contains(keyOf(w.type, w.id, w.number)))
            return true;
    return false;
}

int boardByText(const CExpansionNames& names, const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return 0;
    const int count = names.GetFileCount(NameFileKind::Board);
    bool isNumber = false;
    const int number = t.toInt(&isNumber);
    if (isNumber)
        return number >= 1 && number <= count ? number : -1;
    int found = -1;
    for (int b = 1; b <= count; ++b) {
        const QString title = names.GetTitle(NameFileKind::Board, b).trimmed();
        if (title.compare(t, Qt::CaseInsensitive) == 0)
            return b;
        if (title.contains(t, Qt::CaseInsensitive))
            found = found == -1 ? b : -2;
    }
    return found < 0 ? -1 : found;
}

} // namespace patchuses
