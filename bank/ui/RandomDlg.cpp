#include "bank/ui/RandomDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CRandomDlg::CRandomDlg(const CRandomPatches::Flags& flags, QWidget* parent, int selected) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Random"));
    auto* tones = new QHBoxLayout;
    for (int t = 0; t < CRandomPatches::kTones; ++t) {
        auto* box = new QGroupBox(QStringLiteral("Tone %1").arg(t + 1), this);
        auto* column = new QVBoxLayout(box);
        for (int g = 0; g < CRandomPatches::kGroupCount; ++g) {
            const auto group = static_cast<CRandomPatches::Group>(g);
            auto* check = new QCheckBox(CRandomPatches::checkBoxText(group), box);
            check->setObjectName(CRandomPatches::settingsKey(group) + QString::number(t + 1));
            check->setChecked(flags[static_cast<std::size_t>(g)][static_cast<std::size_t>(t)]);
            column->addWidget(check);
            m_boxes[static_cast<std::size_t>(g)][static_cast<std::size_t>(t)] = check;
        }
        tones->addWidget(box);
    }
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_enableAll = new QPushButton(QStringLiteral("&Enable All"), this);
    m_disableAll = new QPushButton(QStringLiteral("&Disable All"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_enableAll, &QPushButton::clicked, this, [this] { setAll(true); });
    connect(m_disableAll, &QPushButton::clicked, this, [this] { setAll(false); });
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ok, cancel, m_enableAll, m_disableAll})
        buttons->addWidget(b);
    buttons->addStretch();
    // What the command will replace, said before it does.
    auto* scope = new QLabel(QString::fromLatin1(kWholeBank), this);
    scope->setWordWrap(true);
    auto* left = new QVBoxLayout;
    left->addWidget(scope);
    if (selected > 0) {
        m_selectedOnly = new QCheckBox(QStringLiteral("&Selected patches only (%1)").arg(selected), this);
        left->addWidget(m_selectedOnly);
        connect(m_selectedOnly, &QCheckBox::toggled, scope, [scope, selected](bool on) {
            scope->setText(
                on ? QStringLiteral("Random Patches draws the %1 selected patches anew, names included.").arg(selected)
                   : QString::fromLatin1(kWholeBank));
        });
    }
    left->addLayout(tones);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(buttons);
}

bool CRandomDlg::selectedOnly() const
{
    return m_selectedOnly && m_selectedOnly->isChecked();
}

QCheckBox* CRandomDlg::checkBox(CRandomPatches::Group group, int tone) const
{
    return m_boxes[static_cast<std::size_t>(group)][static_cast<std::size_t>(tone)];
}

void CRandomDlg::setAll(bool on)
{
    for (auto& group : m_boxes)
        for (QCheckBox* check : group)
            check->setChecked(on);
}

CRandomPatches::Flags CRandomDlg::flags() const
{
    CRandomPatches::Flags flags{};
    for (std::size_t g = 0; g < m_boxes.size(); ++g)
        for (std::size_t t = 0; t < m_boxes[g].size(); ++t)
            flags[g][t] = m_boxes[g][t]->isChecked();
    return flags;
}
