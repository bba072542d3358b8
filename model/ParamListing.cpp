#include "model/ParamListing.h"

#include "model/RecordEdit.h"
#include "model/RhythmArray.h"

#include <QHash>

namespace listing {

namespace {

using params::Param;
using sysex::Block;

QString columnText(Block block, int index)
{
    switch (block) {
    case Block::PatchTone:
        return QStringLiteral("Tone %1").arg(index + 1);
    case Block::PerformancePart:
        return QStringLiteral("Part %1").arg(index + 1);
    case Block::RhythmNote:
        return valuelists::noteName(CRhythmArray::kFirstKey + index);
    default:
        return QStringLiteral("-");
    }
}

// The blocks a row of a tab shows: every tone of a tone row, the tab's part on a part
// page, every note of a rhythm row, else the one common block.
std::vector<int> columnsOf(const Param& p, const params::Tab& tab)
{
    switch (p.block) {
    case Block::PatchTone:
    case Block::RhythmNote: {
        std::vector<int> all(static_cast<std::size_t>(recordlayout::blockCount(p.block)));
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<int>(i);
        return all;
    }
    case Block::PerformancePart:
        return {tab.index};
    default:
        return {0};
    }
}

QString keyOf(const Line& line)
{
    return line.page + QLatin1Char('\t') + line.column + QLatin1Char('\t') + line.id;
}

} // namespace

std::vector<Line> lines(params::Editor editor, const QByteArray& image, const CExpansionNames* names,
                        const QStringList& userPatches, const QStringList& userRhythmSets)
{
    QByteArray record = image.left(recordlayout::recordSize(editor));
    record.append(QByteArray(recordlayout::recordSize(editor) - record.size(), '\0'));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(record.constData());
    // A part's patch list reads as the part page's: numbered, the user group by the
    // bank's own names.
    const SynthSettings synth;
    CRecordEdit edit(editor, record, synth, names);
    edit.setUserNames(userPatches, userRhythmSets);
    std::vector<Line> out;
    // A rhythm set's name has no page of its own: it leads the listing.
    if (editor == params::Editor::Rhythm) {
        const Param& name = params::row(u"rhythm.name");
        const QString text = params::nameText(name, bytes + recordlayout::dataOffset(name.block, 0));
        out.push_back(
            {QStringLiteral("Rhythm"), QStringLiteral("-"), params::plainLabel(name.label), text, text, name.id});
    }
    for (const params::Tab& tab : params::tabs(editor)) {
        for (const Param* p : params::pageRows(editor, tab.page)) {
            for (int index : columnsOf(*p, tab)) {
                const std::uint8_t* data = bytes + recordlayout::dataOffset(p->block, index);
                if (!params::usedBy(*p, data))
                    continue;
                const int v = params::value(*p, data);
                const params::ShowContext context{data, index, names};
                Line line;
                line.page = tab.text;
                line.column = columnText(p->block, index);
                line.label = params::plainLabel(params::label(*p, data));
                line.text = params::shownText(*p, v, context);
                if (p->list.kind == valuelists::Kind::PartPatch) {
                    const QStringList items = edit.listItems(*p, index);
                    if (v - p->min >= 0 && v - p->min < items.size())
                        line.text = items[v - p->min];
                }
                line.value = p->encoding == params::Encoding::Name ? params::nameText(*p, data) : QString::number(v);
                line.id = p->id;
                out.push_back(std::move(line));
            }
        }
    }
    return out;
}

QString format(const Line& line)
{
    return QStringList{line.page, line.column, line.label, line.text, line.value}.join(QLatin1Char('\t'));
}

QStringList differences(const std::vector<Line>& before, const std::vector<Line>& after)
{
    QHash<QString, const Line*> byKey;
    for (const Line& l : after)
        byKey.insert(keyOf(l), &l);
    QHash<QString, bool> seen;

    // The pairs in the order of the first listing, then what only the second one has,
    // each group under its page.
    struct Pair
    {
        const Line* a;
        const Line* b;
    };
    std::vector<Pair> pairs;
    for (const Line& l : before) {
        const QString key = keyOf(l);
        seen.insert(key, true);
        pairs.push_back({&l, byKey.value(key, nullptr)});
    }
    for (const Line& l : after) {
        if (!seen.contains(keyOf(l)))
            pairs.push_back({nullptr, &l});
    }

    QStringList out;
    const QString none = QStringLiteral("-");
    // Pages in the order they first appear.
    QStringList pages;
    for (const Pair& pair : pairs) {
        const Line* any = pair.a ? pair.a : pair.b;
        if (!pages.contains(any->page))
            pages << any->page;
    }
    for (const QString& current : std::as_const(pages)) {
        bool header = false;
        for (const Pair& pair : pairs) {
            const Line* any = pair.a ? pair.a : pair.b;
            if (any->page != current)
                continue;
            if (pair.a && pair.b && pair.a->label == pair.b->label && pair.a->text == pair.b->text)
                continue;
            if (!header) {
                out << current;
                header = true;
            }
            QString label = any->label;
            if (pair.a && pair.b && pair.a->label != pair.b->label)
                label = pair.a->label + QStringLiteral(" / ") + pair.b->label;
            if (any->column != none)
                label += QStringLiteral(" (%1)").arg(any->column);
            out << QStringLiteral("  %1: %2 -> %3")
                       .arg(label, pair.a ? pair.a->text : none, pair.b ? pair.b->text : none);
        }
    }
    return out;
}

} // namespace listing
