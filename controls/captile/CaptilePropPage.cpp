#include "controls/captile/CaptilePropPage.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QVBoxLayout>

CCaptilePropPage::CCaptilePropPage(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Captile Control Properties"));
    auto* tabs = new QTabWidget;
    tabs->addTab(new QWidget, tr("General"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCaptilePropPage::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCaptilePropPage::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}
