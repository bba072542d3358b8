#include "library/LibraryModel.h"

#include "library/LibraryDocument.h"
#include "model/PatchUses.h"

#include <algorithm>

namespace {

int columnsOf(const CLibraryDocument& document)
{
    return document.useCategories() ? libcol::kColumnCountWithCategories : libcol::kColumnCount;
}

} // namespace

CLibraryModel::CLibraryModel(CLibraryDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document), m_columns(columnsOf(document))
{
    connect(&m_document, &CLibraryDocument::entriesAppended, this, &CLibraryModel::onAppended);
    connect(&m_document, &CLibraryDocument::entriesChanged, this, &CLibraryModel::onChanged);
    connect(&m_document, &CLibraryDocument::entriesRemoved, this, &CLibraryModel::onRemoved);
    connect(&m_document, &CLibraryDocument::entriesInserted, this, [this] { rebuild(); });
    connect(&m_document, &CLibraryDocument::keyTextsChanged, this, &CLibraryModel::onKeyTextsChanged);
    m_rows = listEntries(m_document, m_search, m_sortColumn);
    updateRowIndex();
}

int CLibraryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CLibraryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

int CLibraryModel::wavesColumn() const
{
    return columnsOf(m_document);
}

int CLibraryModel::columnsNow() const
{
    return columnsOf(m_document) + (m_names ? 2 : 0);
}

void CLibraryModel::setNames(const CExpansionNames* names)
{
    beginResetModel();
    m_names = names;
    m_columns = columnsNow();
    endResetModel();
}

QVariant CLibraryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columns)
        return {};
    const int entry = m_rows[static_cast<std::size_t>(index.row())];
    if (entry < 0 || entry >= m_document.count())
        return {};
    switch (role) {
    case kEntryRole:
        return entry;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case libcol::kName:
            return m_document.name(entry);
        case libcol::kDate:
            return m_document.date(entry);
        case libcol::kComment:
            return m_document.comment(entry);
        default:
            if (m_names && index.column() == wavesColumn())
                return patchuses::waveNamesText(*m_names, m_document.entry(entry).waves);
            if (m_names && index.column() == wavesColumn() + 1)
                return patchuses::boardsText(*m_names, m_document.entry(entry).waves);
            return m_document.keyText(entry, index.column() - libcol::kFirstKey);
        }
    default:
        return {};
    }
}

QVariant CLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case libcol::kName:
        return QStringLiteral("Name");
    case libcol::kDate:
        return QStringLiteral("Date");
    case libcol::kComment:
        return QStringLiteral("Comment");
    default:
        if (m_names && section == wavesColumn())
            return QStringLiteral("Waves");
        if (m_names && section == wavesColumn() + 1)
            return QStringLiteral("Boards");
        if (m_document.useCategories())
            return QStringLiteral("Category");
        return QStringLiteral("Key %1").arg(section - libcol::kFirstKey + 1);
    }
}

Qt::ItemFlags CLibraryModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

int CLibraryModel::entryAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[static_cast<std::size_t>(row)] : -1;
}

int CLibraryModel::rowOf(int entry) const
{
    return entry >= 0 && entry < static_cast<int>(m_rowOfEntry.size()) ? m_rowOfEntry[static_cast<std::size_t>(entry)]
                                                                       : -1;
}

void CLibraryModel::updateRowIndex()
{
    m_rowOfEntry.assign(static_cast<std::size_t>(m_document.count()), -1);
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const int entry = m_rows[r];
        if (entry >= 0 && entry < m_document.count())
            m_rowOfEntry[static_cast<std::size_t>(entry)] = static_cast<int>(r);
    }
}

void CLibraryModel::rebuild()
{
    beginResetModel();
    m_columns = columnsNow();
    m_rows = listEntries(m_document, m_search, m_sortColumn);
    updateRowIndex();
    endResetModel();
}

void CLibraryModel::setSearch(const CLibrarySearch& search)
{
    m_search = search;
    rebuild();
}

void CLibraryModel::sort(int column, Qt::SortOrder)
{
    if (m_names && column >= wavesColumn())
        return; // what a patch uses is shown, not sorted by
    if (column < 0 || column >= libcol::kColumnCount)
        column = libcol::kName;
    m_sortColumn = column;
    relayout();
}

void CLibraryModel::relayout()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> entries;
    entries.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        entries.push_back(entryAt(index.row()));
    CLibraryOrder(m_document, m_sortColumn).sort(m_rows);
    updateRowIndex();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = rowOf(entries[static_cast<std::size_t>(i)]);
        after << (row >= 0 ? index(row, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CLibraryModel::insertPosition(const CLibraryOrder& order, int entry) const
{
    const auto it =
        std::lower_bound(m_rows.cbegin(), m_rows.cend(), entry, [&](int line, int e) { return order.less(line, e); });
    return static_cast<int>(it - m_rows.cbegin());
}

void CLibraryModel::onAppended(int first, int count)
{
    std::vector<int> fresh;
    for (int e = first; e < first + count; ++e)
        if (m_search.matches(m_document.entry(e)))
            fresh.push_back(e);
    if (static_cast<int>(fresh.size()) > kIncrementalLimit) {
        rebuild();
        return;
    }
    m_rowOfEntry.resize(static_cast<std::size_t>(m_document.count()), -1);
    if (fresh.empty())
        return;
    const CLibraryOrder order(m_document, m_sortColumn);
    for (int e : fresh) {
        const int pos = insertPosition(order, e);
        beginInsertRows({}, pos, pos);
        m_rows.insert(m_rows.begin() + pos, e);
        endInsertRows();
    }
    updateRowIndex();
}

void CLibraryModel::onChanged(const QList<int>& entries)
{
    if (entries.size() > kIncrementalLimit) {
        rebuild();
        return;
    }
    std::vector<int> listedNow;
    for (int e : entries)
        if (e >= 0 && e < m_document.count() && m_search.matches(m_document.entry(e)))
            listedNow.push_back(e);
    // Lines whose entries no longer match go.
    for (int e : entries) {
        const int row = rowOf(e);
        if (row < 0 || std::find(listedNow.cbegin(), listedNow.cend(), e) != listedNow.cend())
            continue;
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
        updateRowIndex();
    }
    const CLibraryOrder order(m_document, m_sortColumn);
    std::vector<int> fresh;
    std::vector<int> moved;
    for (int e : listedNow)
        (rowOf(e) < 0 ? fresh : moved).push_back(e);
    if (moved.size() == 1) {
        // One line: it moves when it no longer sorts between its neighbours.
        const int e = moved.front();
        const int row = rowOf(e);
        const bool afterPrevious = row == 0 || order.less(m_rows[static_cast<std::size_t>(row - 1)], e);
        const bool beforeNext = row + 1 == rowCount() || order.less(e, m_rows[static_cast<std::size_t>(row + 1)]);
        if (!afterPrevious || !beforeNext) {
            m_rows.erase(m_rows.begin() + row);
            const int pos = insertPosition(order, e);
            m_rows.insert(m_rows.begin() + row, e);
            if (beginMoveRows({}, row, row, {}, pos > row ? pos + 1 : pos)) {
                m_rows.erase(m_rows.begin() + row);
                m_rows.insert(m_rows.begin() + pos, e);
                endMoveRows();
            }
            updateRowIndex();
        }
    } else if (moved.size() > 1) {
        // Several lines may pass each other: the list is sorted again, lines kept.
        relayout();
    }
    for (int e : fresh) {
        const int pos = insertPosition(order, e);
        beginInsertRows({}, pos, pos);
        m_rows.insert(m_rows.begin() + pos, e);
        endInsertRows();
        updateRowIndex();
    }
    for (int e : moved) {
        const int row = rowOf(e);
        emit dataChanged(index(row, 0), index(row, m_columns - 1));
    }
}

void CLibraryModel::onRemoved(const QList<int>& entries)
{
    // entries: ascending numbers from before the deletion; the document already holds
    // the entries after it. Lines of kept entries take their new numbers first, so the
    // model never names an entry that is gone.
    std::vector<int> goneRows;
    for (int e : entries) {
        const int row = rowOf(e);
        if (row >= 0)
            goneRows.push_back(row);
    }
    std::sort(goneRows.begin(), goneRows.end());
    for (int& line : m_rows) {
        const auto at = std::lower_bound(entries.cbegin(), entries.cend(), line);
        if (at != entries.cend() && *at == line)
            line = -1;
        else
            line -= static_cast<int>(at - entries.cbegin());
    }
    // Runs of neighbouring lines go together, from the last run on.
    std::vector<std::pair<int, int>> runs;
    for (int row : goneRows) {
        if (!runs.empty() && runs.back().second + 1 == row)
            runs.back().second = row;
        else
            runs.emplace_back(row, row);
    }
    if (static_cast<int>(runs.size()) > kIncrementalLimit) {
        beginResetModel();
        m_rows.erase(std::remove(m_rows.begin(), m_rows.end(), -1), m_rows.end());
        updateRowIndex();
        endResetModel();
        return;
    }
    for (auto it = runs.crbegin(); it != runs.crend(); ++it) {
        beginRemoveRows({}, it->first, it->second);
        m_rows.erase(m_rows.begin() + it->first, m_rows.begin() + it->second + 1);
        endRemoveRows();
    }
    updateRowIndex();
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {kEntryRole});
}

void CLibraryModel::onKeyTextsChanged()
{
    const int columns = columnsNow();
    if (columns < m_columns) {
        beginRemoveColumns({}, columns, m_columns - 1);
        m_columns = columns;
        endRemoveColumns();
    } else if (columns > m_columns) {
        beginInsertColumns({}, m_columns, columns - 1);
        m_columns = columns;
        endInsertColumns();
    }
    emit headerDataChanged(Qt::Horizontal, libcol::kFirstKey, m_columns - 1);
    if (m_sortColumn >= libcol::kFirstKey)
        relayout();
    if (!m_rows.empty())
        emit dataChanged(index(0, libcol::kFirstKey), index(rowCount() - 1, m_columns - 1));
}
