#include "library/ui/ExportDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

CExportDlg::CExportDlg(int selectedCount, Choice preselected, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Export from Library"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(selectedCount == 1
                                     ? QStringLiteral("Write the selected patch to:")
                                     : QStringLiteral("Write the %1 selected patches to:").arg(selectedCount),
                                 this));
    m_choices = new QButtonGroup(this);
    const char* texts[] = {"One bank file, JV-&1080 layout", "One bank file, JV-&2080 layout",
                           "One bank file, &XP layout", "One file &per patch"};
    int id = 0;
    for (const char* text : texts) {
        auto* button = new QRadioButton(QString::fromLatin1(text), this);
        m_choices->addButton(button, id++);
        layout->addWidget(button);
    }
    // A bank holds 128 patches: more go out one file each.
    const bool bankFits = selectedCount <= 128;
    for (int bank : {kBankJV1080, kBankJV2080, kBankXP})
        m_choices->button(bank)->setEnabled(bankFits);
    setChoice(bankFits ? preselected : kOneFilePerPatch);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CExportDlg::Choice CExportDlg::choice() const
{
    return static_cast<Choice>(m_choices->checkedId());
}

void CExportDlg::setChoice(Choice choice)
{
    if (QAbstractButton* button = m_choices->button(choice))
        button->setChecked(true);
}
