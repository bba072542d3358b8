#pragma once

#include "controls/common/ControlExport.h"

#include <QtWidgets/QDialog>

class CKnobCtrl;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// The knob's property page: template, initial value, bounds and whether Reset announces.
class TONELOOM_CONTROL_API CKnobPropPage : public QDialog
{
    Q_OBJECT

public:
    CKnobPropPage(CKnobCtrl* control, QWidget* parent = nullptr);

    void accept() override;

private:
    CKnobCtrl* m_control;
    QLineEdit* m_sysEx;
    QSpinBox* m_initial;
    QSpinBox* m_minimum;
    QSpinBox* m_maximum;
    QCheckBox* m_sendOnReset;
};
