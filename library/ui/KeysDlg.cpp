#include "library/ui/KeysDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

CKeysDlg::CKeysDlg(const CLibraryDocument::KeyNames& names, QWidget* parent) : QDialog(parent), m_names(names)
{
    setWindowTitle(QStringLiteral("Edit Keys"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Keygroup:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Key:"), this), 0, 1);
    m_groups = new QListWidget(this);
    m_keys = new QListWidget(this);
    m_groupEdit = new QLineEdit(this);
    m_keyEdit = new QLineEdit(this);
    grid->addWidget(m_groups, 1, 0);
    grid->addWidget(m_keys, 1, 1);
    grid->addWidget(m_groupEdit, 2, 0);
    grid->addWidget(m_keyEdit, 2, 1);
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    // Enter in an edit box keeps editing; OK is a click.
    m_ok->setAutoDefault(false);
    cancel->setAutoDefault(false);

    for (int g = kFirstGroup; g < clb::kGroupCount; ++g)
        m_groups->addItem(m_names[static_cast<std::size_t>(g * clb::kSlotsPerGroup)]);

    connect(m_groups, &QListWidget::currentRowChanged, this, &CKeysDlg::showGroup);
    connect(m_keys, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0)
            return;
        const QSignalBlocker blocker(m_keyEdit);
        m_keyEdit->setText(m_keys->item(row)->text());
        m_keyEdit->selectAll();
    });
    connect(m_groupEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int g = currentGroup();
        if (g < 0)
            return;
        m_names[static_cast<std::size_t>(g * clb::kSlotsPerGroup)] = text;
        m_groups->currentItem()->setText(text);
    });
    connect(m_keyEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        QListWidgetItem* item = m_keys->currentItem();
        if (!item || m_keys->currentRow() < 0 || m_shownGroup < 0)
            return;
        item->setText(text);
        m_names[static_cast<std::size_t>(clb::keyNumber(m_shownGroup, m_keys->currentRow()))] = text;
    });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        storeKeys();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_groups->setCurrentRow(0);
}

int CKeysDlg::currentGroup() const
{
    const int row = m_groups->currentRow();
    return row < 0 ? -1 : row + kFirstGroup;
}

void CKeysDlg::storeKeys()
{
    if (m_shownGroup < 0)
        return;
    for (int p = 0; p < m_keys->count() && p < clb::kKeysPerGroup; ++p)
        m_names[static_cast<std::size_t>(clb::keyNumber(m_shownGroup, p))] = m_keys->item(p)->text();
}

void CKeysDlg::showGroup(int row)
{
    storeKeys();
    if (row < 0) {
        m_shownGroup = -1;
        return;
    }
    const int g = row + kFirstGroup;
    m_shownGroup = g;
    {
        const QSignalBlocker blocker(m_groupEdit);
        m_groupEdit->setText(m_names[static_cast<std::size_t>(g * clb::kSlotsPerGroup)]);
        m_groupEdit->selectAll();
    }
    {
        const QSignalBlocker blocker(m_keys);
        m_keys->clear();
        for (int p = 0; p < clb::kKeysPerGroup; ++p)
            m_keys->addItem(m_names[static_cast<std::size_t>(clb::keyNumber(g, p))]);
    }
    const QSignalBlocker blocker(m_keyEdit);
    m_keyEdit->clear();
}
