#include "bank/ui/CopyboxDlg.h"

#include "bank/Copybox.h"
#include "model/RecordArray.h"
#include "ui/Prompter.h"

#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

CCopyboxDlg::CCopyboxDlg(CCopybox& copybox, CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_copybox(copybox), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Copybox"));
    m_label = new QLabel(this);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSortingEnabled(false);
    // Names are padded with blanks; a fixed-pitch font keeps the lines aligned.
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_paste = new QPushButton(QStringLiteral("&Paste"), this);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_remove = new QPushButton(QStringLiteral("&Remove"), this);
    m_selectAll = new QPushButton(QStringLiteral("Select &All"), this);
    m_load = new QPushButton(QStringLiteral("&Load..."), this);
    m_save = new QPushButton(QStringLiteral("&Save..."), this);
    // Enter pastes: the box was opened to paste.
    m_paste->setDefault(true);
    for (QPushButton* b : {m_close, m_remove, m_selectAll, m_load, m_save})
        b->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_label, 0, 0);
    layout->addWidget(m_list, 1, 0, 7, 1);
    int row = 1;
    for (QPushButton* b : {m_paste, m_close, m_remove, m_selectAll, m_load, m_save})
        layout->addWidget(b, row++, 1);
    layout->setRowStretch(7, 1);

    connect(m_paste, &QPushButton::clicked, this, &CCopyboxDlg::onPaste);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CCopyboxDlg::onPaste);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_remove, &QPushButton::clicked, this, &CCopyboxDlg::onRemove);
    connect(m_selectAll, &QPushButton::clicked, m_list, &QListWidget::selectAll);
    connect(m_load, &QPushButton::clicked, this, &CCopyboxDlg::onLoad);
    connect(m_save, &QPushButton::clicked, this, &CCopyboxDlg::onSave);

    const ItemKind kind = m_copybox.kind();
    const bool patches = kind == ItemKind::Patches;
    m_label->setText(patches                          ? QStringLiteral("Patches:")
                     : kind == ItemKind::Performances ? QStringLiteral("Performances:")
                                                      : QStringLiteral("Drums:"));
    // Only patch lists go to and come from files.
    m_load->setVisible(patches);
    m_save->setVisible(patches);
    fill();
}

void CCopyboxDlg::fill()
{
    m_list->clear();
    m_list->addItems(m_copybox.lines(m_copybox.kind()));
    if (m_list->count() > 0) {
        m_list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
}

std::vector<int> CCopyboxDlg::selectedRows() const
{
    std::vector<int> rows;
    for (const QListWidgetItem* item : m_list->selectedItems())
        rows.push_back(m_list->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CCopyboxDlg::onPaste()
{
    // With nothing selected the dialog still ends with Paste, and nothing is pasted.
    m_copybox.setChosen(selectedRows());
    accept();
}

void CCopyboxDlg::onRemove()
{
    if (m_copybox.count(m_copybox.kind()) == 0)
        return;
    m_copybox.Remove(m_copybox.kind(), selectedRows());
    fill();
}

void CCopyboxDlg::onLoad()
{
    const QString path = m_prompter.getOpenFileName(QString::fromLatin1(kFilter), QString::fromLatin1(kSuffix));
    if (path.isEmpty())
        return;
    m_copybox.loadFile(path, m_prompter);
    fill();
}

void CCopyboxDlg::onSave()
{
    const QString path = m_prompter.getSaveFileName(QString::fromLatin1(kFilter), QString::fromLatin1(kSuffix));
    if (path.isEmpty())
        return;
    m_copybox.saveFile(path, m_prompter);
}
