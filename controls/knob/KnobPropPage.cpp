#include "controls/knob/KnobPropPage.h"

#include "controls/knob/KnobCtrl.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QVBoxLayout>

#include <limits>

CKnobPropPage::CKnobPropPage(CKnobCtrl* control, QWidget* parent)
    : QDialog(parent), m_control(control), m_sysEx(new QLineEdit), m_initial(new QSpinBox), m_minimum(new QSpinBox),
      m_maximum(new QSpinBox), m_sendOnReset(new QCheckBox(tr("Send on reset")))
{
    setWindowTitle(tr("Knob Control Properties"));
    for (QSpinBox* box : {m_initial, m_minimum, m_maximum})
        box->setRange(std::numeric_limits<short>::min(), std::numeric_limits<short>::max());

    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(tr("SysEx String:"), m_sysEx);
    form->addRow(tr("Initial value:"), m_initial);
    form->addRow(tr("Minimum:"), m_minimum);
    form->addRow(tr("Maximum:"), m_maximum);
    form->addRow(QString(), m_sendOnReset);
    auto* tabs = new QTabWidget;
    tabs->addTab(page, tr("General"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CKnobPropPage::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CKnobPropPage::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    m_sysEx->setText(m_control->sysExString());
    m_initial->setValue(m_control->initialValue());
    m_minimum->setValue(m_control->minimum());
    m_maximum->setValue(m_control->maximum());
    m_sendOnReset->setChecked(m_control->sendOnReset());
}

void CKnobPropPage::accept()
{
    m_control->setSysExString(m_sysEx->text());
    m_control->setMinimum(short(m_minimum->value()));
    m_control->setMaximum(short(m_maximum->value()));
    m_control->setInitialValue(short(m_initial->value()));
    m_control->setSendOnReset(m_sendOnReset->isChecked());
    QDialog::accept();
}
