#include "library/ui/BoardsDlg.h"

#include "model/ExpansionNames.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

CBoardsDlg::CBoardsDlg(const CExpansionNames& names, const std::set<int>& installed, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Installed Boards"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The expansion boards in the synthesizer:"), this));
    m_list = new QListWidget(this);
    m_list->setMinimumSize(300, 240);
    for (int b = 1; b <= names.GetFileCount(NameFileKind::Board); ++b) {
        auto* item =
            new QListWidgetItem(QStringLiteral("%1  %2").arg(b).arg(names.GetTitle(NameFileKind::Board, b)), m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(installed.contains(b) ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, b);
    }
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::set<int> CBoardsDlg::installed() const
{
    std::set<int> boards;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->checkState() == Qt::Checked)
            boards.insert(m_list->item(i)->data(Qt::UserRole).toInt());
    return boards;
}
