#include "controls/pickvane/PickvanePropPage.h"

#include "controls/common/ChoiceList.h"
#include "controls/pickvane/PickvaneCtrl.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QVBoxLayout>

#include <limits>

CPickvanePropPage::CPickvanePropPage(CPickvaneCtrl* control, QWidget* parent)
    : QDialog(parent), m_control(control), m_items(new QPlainTextEdit), m_values(new QPlainTextEdit),
      m_sysEx(new QLineEdit), m_selection(new QSpinBox)
{
    setWindowTitle(tr("Pickvane Control Properties"));
    m_selection->setRange(std::numeric_limits<short>::min(), std::numeric_limits<short>::max());

    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(tr("Enter List Items:"), m_items);
    form->addRow(tr("Enter Values to Send:"), m_values);
    form->addRow(tr("SysEx String:"), m_sysEx);
    form->addRow(tr("Selection:"), m_selection);
    auto* tabs = new QTabWidget;
    tabs->addTab(page, tr("General"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPickvanePropPage::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPickvanePropPage::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    m_items->setPlainText(toLines(m_control->listItems()));
    m_values->setPlainText(toLines(m_control->listValues()));
    m_sysEx->setText(m_control->sysExString());
    m_selection->setValue(m_control->selection());
}

QString CPickvanePropPage::toLines(const QString& list)
{
    return ChoiceList::parse(list).join(QLatin1Char('\n'));
}

QString CPickvanePropPage::fromLines(const QString& lines)
{
    return ChoiceList::join(lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

void CPickvanePropPage::accept()
{
    m_control->setListItems(fromLines(m_items->toPlainText()));
    m_control->setListValues(fromLines(m_values->toPlainText()));
    m_control->setSysExString(m_sysEx->text());
    m_control->setSelection(short(m_selection->value()));
    QDialog::accept();
}
