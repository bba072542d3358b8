#include "library/ui/SimilarDlg.h"

#include "library/LibraryDocument.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

CSimilarDlg::CSimilarDlg(const CLibraryDocument& document, int entry, std::function<void(int)> show, QWidget* parent)
    : QDialog(parent), m_document(document), m_entry(entry), m_show(std::move(show))
{
    setWindowTitle(QStringLiteral("Find Similar: %1").arg(document.name(entry).trimmed()));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Show the closest"), this);
    m_top = new QSpinBox(this);
    m_top->setRange(1, std::max(1, document.count()));
    m_top->setValue(std::min(kDefaultTop, std::max(1, document.count())));
    label->setBuddy(m_top);
    top->addWidget(label);
    top->addWidget(m_top);
    top->addWidget(new QLabel(QStringLiteral("entries"), this));
    top->addStretch();
    layout->addLayout(top);
    m_list = new QTreeWidget(this);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QStringLiteral("Entry"), QStringLiteral("Alike"), QStringLiteral("Name")});
    m_list->setRootIsDecorated(false);
    m_list->setMinimumSize(360, 300);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_top, &QSpinBox::valueChanged, this, &CSimilarDlg::fill);
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (m_show && item)
            m_show(item->data(0, Qt::UserRole).toInt());
    });

    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_valid = m_index.build(document.path()) && entry >= 0 && entry < m_index.count();
    QApplication::restoreOverrideCursor();
    fill();
}

void CSimilarDlg::fill()
{
    m_list->clear();
    if (!m_valid)
        return;
    for (const auto& m : m_index.nearest(m_entry, m_top->value())) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::number(m.entry + 1));
        item->setText(1, similarity::percentText(m.percent, m.exact));
        item->setText(2, m_document.name(m.entry).trimmed());
        item->setData(0, Qt::UserRole, m.entry);
        item->setTextAlignment(0, Qt::AlignRight);
        item->setTextAlignment(1, Qt::AlignRight);
    }
}
