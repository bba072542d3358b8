#pragma once

#include "library/LibraryDocument.h"
#include "library/LibraryQuery.h"

#include <QDialog>
#include <array>

class CExpansionNames;
class CKeyChoice;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Search Patches": a part of the name and up to four keys joined by operators. A row
// opens once the row before it has an operator and a group; ending a row with END (or
// with group 0) closes and resets every row after it.
class CSearchDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kRows = CLibrarySearch::kTerms;

    // With the name files given, the dialog also searches by what a patch uses: a wave
    // whose name holds a text, a board it needs (or none), its category.
    CSearchDlg(const CLibraryDocument::KeyNames& names, QWidget* parent = nullptr,
               const CExpansionNames* waveNames = nullptr);

    // What the view takes on OK.
    CLibrarySearch search() const;
    // Shows an earlier search, rows opened as the user would have opened them.
    void setSearch(const CLibrarySearch& search);

    QLineEdit* nameEdit() const { return m_name; }
    QComboBox* operatorList(int row) const { return m_ops[static_cast<std::size_t>(row)]; }
    CKeyChoice* keyChoice(int row) const { return m_keys[static_cast<std::size_t>(row)]; }
    QStringList helpLines() const;
    QPushButton* okButton() const { return m_ok; }
    QLineEdit* wavesEdit() const { return m_waves; }
    QComboBox* boardList() const { return m_board; }
    QComboBox* categoryList() const { return m_category; }

    // As if the user chose them.
    void chooseOperator(int row, SearchOp op);
    void chooseGroup(int row, int group);

private:
    void closeRowsAfter(int row);

    QLineEdit* m_name = nullptr;
    std::array<QComboBox*, kRows> m_ops{};
    std::array<CKeyChoice*, kRows> m_keys{};
    std::array<QLabel*, 4> m_help{};
    QPushButton* m_ok = nullptr;
    const CExpansionNames* m_waveNames = nullptr;
    QLineEdit* m_waves = nullptr;
    QComboBox* m_board = nullptr;    // Any, None, then the boards
    QComboBox* m_category = nullptr; // Any, then the categories
};
