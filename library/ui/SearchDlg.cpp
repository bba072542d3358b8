#include "library/ui/SearchDlg.h"

#include "library/LibraryRecord.h"
#include "library/ui/KeyChoice.h"
#include "model/ExpansionNames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSearchDlg::CSearchDlg(const CLibraryDocument::KeyNames& names, QWidget* parent, const CExpansionNames* waveNames)
    : QDialog(parent), m_waveNames(waveNames)
{
    setWindowTitle(QStringLiteral("Search Patches"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 1);
    m_name = new QLineEdit(this);
    m_name->setMaxLength(CLibrarySearch::kMaxName);
    grid->addWidget(m_name, 0, 2, 1, 2);
    for (int row = 0; row < kRows; ++row) {
        auto* op = new QComboBox(this);
        op->addItems(CLibrarySearch::opTexts());
        auto* group = new QComboBox(this);
        auto* key = new QComboBox(this);
        group->setMinimumContentsLength(14);
        key->setMinimumContentsLength(14);
        auto* choice = new CKeyChoice(names, group, key, this);
        m_ops[static_cast<std::size_t>(row)] = op;
        m_keys[static_cast<std::size_t>(row)] = choice;
        grid->addWidget(op, row + 1, 0);
        grid->addWidget(new QLabel(QStringLiteral("Key %1:").arg(row + 1), this), row + 1, 1);
        grid->addWidget(group, row + 1, 2);
        grid->addWidget(key, row + 1, 3);
        connect(op, &QComboBox::activated, this, [this, row](int code) { chooseOperator(row, SearchOp(code)); });
        connect(choice, &CKeyChoice::groupChosen, this, [this, row](int g) { chooseGroup(row, g); });
    }
    layout->addLayout(grid);
    if (m_waveNames) {
        auto* uses = new QGridLayout;
        auto* wavesLabel = new QLabel(QStringLiteral("Uses &wave:"), this);
        m_waves = new QLineEdit(this);
        wavesLabel->setBuddy(m_waves);
        uses->addWidget(wavesLabel, 0, 0);
        uses->addWidget(m_waves, 0, 1);
        auto* boardLabel = new QLabel(QStringLiteral("Needs &board:"), this);
        m_board = new QComboBox(this);
        m_board->addItems({QStringLiteral("Any or none"), QStringLiteral("None")});
        for (int b = 1; b <= m_waveNames->GetFileCount(NameFileKind::Board); ++b)
            m_board->addItem(m_waveNames->GetTitle(NameFileKind::Board, b).trimmed());
        boardLabel->setBuddy(m_board);
        uses->addWidget(boardLabel, 1, 0);
        uses->addWidget(m_board, 1, 1);
        auto* categoryLabel = new QLabel(QStringLiteral("Ca&tegory:"), this);
        m_category = new QComboBox(this);
        m_category->addItem(QStringLiteral("Any"));
        for (int c = 0; c < clb::kCategoryCount; ++c)
            m_category->addItem(clb::categoryName(c).trimmed());
        categoryLabel->setBuddy(m_category);
        uses->addWidget(categoryLabel, 2, 0);
        uses->addWidget(m_category, 2, 1);
        layout->addLayout(uses);
    }

    const QStringList help = {
        QStringLiteral("AND is evaluated before OR. Example: "),
        QStringLiteral("\"Banjo\" AND \"Synth. Pad\" OR \"Synth. Solo\" AND \"Synth. Pad\""),
        QStringLiteral("searches for patches that have the keys \"Banjo\" and \"Synth. Pad\" or "),
        QStringLiteral("\"Synth. Solo\" and \"Synth. Pad\"."),
    };
    for (std::size_t i = 0; i < m_help.size(); ++i) {
        m_help[i] = new QLabel(help[static_cast<qsizetype>(i)], this);
        layout->addWidget(m_help[i]);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Only the name and the first operator are open at first.
    for (int row = 0; row < kRows; ++row) {
        m_ops[static_cast<std::size_t>(row)]->setEnabled(row == 0);
        m_keys[static_cast<std::size_t>(row)]->setEnabled(false);
    }
}

QStringList CSearchDlg::helpLines() const
{
    QStringList lines;
    for (const QLabel* label : m_help)
        lines << label->text();
    return lines;
}

void CSearchDlg::closeRowsAfter(int row)
{
    for (int later = row + 1; later < kRows; ++later) {
        QComboBox* op = m_ops[static_cast<std::size_t>(later)];
        CKeyChoice* keys = m_keys[static_cast<std::size_t>(later)];
        op->setCurrentIndex(static_cast<int>(SearchOp::End));
        op->setEnabled(false);
        keys->setGroup(0);
        keys->setEnabled(false);
    }
}

void CSearchDlg::chooseOperator(int row, SearchOp op)
{
    m_ops[static_cast<std::size_t>(row)]->setCurrentIndex(static_cast<int>(op));
    CKeyChoice* keys = m_keys[static_cast<std::size_t>(row)];
    if (op == SearchOp::End) {
        keys->setEnabled(false);
        closeRowsAfter(row);
        return;
    }
    keys->setEnabled(true);
}

void CSearchDlg::chooseGroup(int row, int group)
{
    CKeyChoice* keys = m_keys[static_cast<std::size_t>(row)];
    if (keys->group() != group)
        keys->setGroup(group);
    if (group == 0) {
        closeRowsAfter(row);
        return;
    }
    if (row + 1 < kRows)
        m_ops[static_cast<std::size_t>(row + 1)]->setEnabled(true);
}

CLibrarySearch CSearchDlg::search() const
{
    CLibrarySearch s;
    s.name = m_name->text().toLatin1().left(CLibrarySearch::kMaxName);
    for (int row = 0; row < kRows; ++row) {
        const auto at = static_cast<std::size_t>(row);
        s.ops[at] = static_cast<SearchOp>(std::max(0, m_ops[at]->currentIndex()));
        s.keys[at] = static_cast<std::uint8_t>(m_keys[at]->key());
    }
    if (m_waveNames) {
        if (!m_waves->text().trimmed().isEmpty())
            s.waves = std::make_shared<const patchuses::CWaveMatcher>(*m_waveNames, m_waves->text().trimmed());
        s.needs = m_board->currentIndex() - 1; // -1 any, 0 none, else the board
        s.category = m_category->currentIndex() - 1;
    }
    return s;
}

void CSearchDlg::setSearch(const CLibrarySearch& search)
{
    m_name->setText(QString::fromLatin1(search.name));
    for (int row = 0; row < kRows; ++row) {
        const auto at = static_cast<std::size_t>(row);
        const SearchOp op = search.ops[at];
        chooseOperator(row, op);
        if (op == SearchOp::End)
            break;
        const int key = search.keys[at];
        const int group = clb::keyGroup(key);
        chooseGroup(row, group);
        if (group == 0)
            break;
        m_keys[at]->setKey(key);
    }
}
