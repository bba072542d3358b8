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
    setChoice(false, 0);
}

bool CSendDlg::toCard() const
{
    return m_card->isChecked();
}

int CSendDlg::what() const
{
    for (int i = 0; i < 4; ++i)
        if (m_what[i]->isChecked())
            return i;
    return 0;
}

void CSendDlg::setChoice(bool card, int what)
{
    (card ? m_card : m_user)->setChecked(true);
    m_what[what >= 0 && what < 4 ? what : 0]->setChecked(true);
}
