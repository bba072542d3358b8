#include "midi/ui/SendDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

CSendDlg::CSendDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SendDlg"));
    setWindowTitle(QStringLiteral("Send to Synth"));
    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    auto* to = new QGroupBox(QStringLiteral("Send to"), this);
    auto* toLayout = new QVBoxLayout(to);
    m_user = new QRadioButton(QStringLiteral("User Memory"), to);
    m_card = new QRadioButton(QStringLiteral("Card Memory"), to);
    toLayout->addWidget(m_user);
    toLayout->addWidget(m_card);
    toLayout->addStretch();
    auto* what = new QGroupBox(QStringLiteral("Send what ?"), this);
    auto* whatLayout = new QVBoxLayout(what);
    const char* const labels[4] = {"Patches", "Performances", "Rhythm", "All"};
    for (int i = 0; i < 4; ++i) {
        m_what[i] = new QRadioButton(QString::fromLatin1(labels[i]), what);
        whatLayout->addWidget(m_what[i]);
    }
    groups->addWidget(to);
    groups->addWidget(what);
    layout->addLayout(groups);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setChoice(false, ItemKind::Patches);
}

bool CSendDlg::toCard() const
{
    return m_card->isChecked();
}

BankPart CSendDlg::what() const
{
    for (ItemKind kind : kItemKinds)
        if (m_what[kindNumber(kind)]->isChecked())
            return kind;
    return m_what[kKindCount]->isChecked() ? kWholeBank : BankPart(ItemKind::Patches);
}

void CSendDlg::setChoice(bool card, BankPart what)
{
    (card ? m_card : m_user)->setChecked(true);
    m_what[what ? kindNumber(*what) : kKindCount]->setChecked(true);
}
