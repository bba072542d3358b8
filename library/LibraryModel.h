#pragma once

#include "library/LibraryQuery.h"

#include <QAbstractTableModel>
#include <vector>

class CExpansionNames;
class CLibraryDocument;

// The lines of a library window: the entries that the search lists, in the order of
// the sort column, one line each with the name, date, comment and the eight key texts
// (or the category while categories are shown). The entry number of a line is its
// kEntryRole data. The model follows the document's changes line by line; only
// changes of very many lines at once rebuild it.
class CLibraryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kEntryRole = Qt::UserRole;
    // Changes of more lines than this rebuild the list instead.
    static constexpr int kIncrementalLimit = 256;

    explicit CLibraryModel(CLibraryDocument& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Lines are selected and dragged, never edited.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Lists are always sorted ascending; order is not looked at.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    CLibraryDocument& document() const { return m_document; }
    int sortColumn() const { return m_sortColumn; }
    const CLibrarySearch& search() const { return m_search; }
    void setSearch(const CLibrarySearch& search);

    // The entry number of a line, and the line of an entry (-1 when not listed).
    int entryAt(int row) const;
    int rowOf(int entry) const;
    const std::vector<int>& rows() const { return m_rows; }

    // Lists the entries anew: filter and sort from scratch.
    void rebuild();

    // With the name files known, two more columns follow the others: the waves the
    // patch plays and the boards it needs. They are shown, not sorted by.
    void setNames(const CExpansionNames* names);
    // The first of those columns (the number of the others).
    int wavesColumn() const;

private:
    void onAppended(int first, int count);
    void onChanged(const QList<int>& entries);
    void onRemoved(const QList<int>& entries);
    void onKeyTextsChanged();
    // Sorts the lines again in place, keeping the selection and current line of views.
    void relayout();
    void updateRowIndex();
    // Where entry goes among the lines (which do not hold it).
    int insertPosition(const CLibraryOrder& order, int entry) const;

    int columnsNow() const;

    CLibraryDocument& m_document;
    const CExpansionNames* m_names = nullptr;
    CLibrarySearch m_search;
    int m_sortColumn = libcol::kName;
    int m_columns;
    std::vector<int> m_rows;       // entry numbers, line by line
    std::vector<int> m_rowOfEntry; // line by entry number, -1 when not listed
};
