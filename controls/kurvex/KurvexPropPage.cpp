#include "controls/kurvex/KurvexPropPage.h"

#include "controls/kurvex/KurvexCtrl.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QVBoxLayout>

CKurvexPropPage::CKurvexPropPage(CKurvexCtrl* control, QWidget* parent)
    : QDialog(parent), m_control(control), m_helpLine(new QCheckBox(tr("Help Line")))
{
    setWindowTitle(tr("Kurvex Control Properties"));
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(m_helpLine);
    pageLayout->addStretch();
    auto* tabs = new QTabWidget;
    tabs->addTab(page, tr("General"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CKurvexPropPage::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CKurvexPropPage::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    m_helpLine->setChecked(m_control->helpLine());
}

void CKurvexPropPage::accept()
{
    if (m_helpLine->isChecked() != m_control->helpLine())
        m_control->setHelpLine(m_helpLine->isChecked());
    QDialog::accept();
}
