#include "editors/CopyRhythmToneDlg.h"

#include "model/RhythmKeyNames.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

CCopyRhythmToneDlg::CCopyRhythmToneDlg(QWidget* parent)
    : QDialog(parent), m_from(new QListWidget(this)), m_to(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Copy Tone"));
    for (QListWidget* list : {m_from, m_to}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->addItems(rhythmkeys::keyNames());
        list->setCurrentRow(0);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("From:"), this), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("To:"), this), 0, 1);
    layout->addWidget(m_from, 1, 0);
    layout->addWidget(m_to, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
}

int CCopyRhythmToneDlg::fromKey() const
{
    return std::max(m_from->currentRow(), 0);
}

int CCopyRhythmToneDlg::toKey() const
{
    return std::max(m_to->currentRow(), 0);
}
