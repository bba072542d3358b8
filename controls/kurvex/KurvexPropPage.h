#pragma once

#include "controls/common/ControlExport.h"

#include <QtWidgets/QDialog>

class CKurvexCtrl;
class QCheckBox;

// The envelope control's property page: one check box for the help line.
class TONELOOM_CONTROL_API CKurvexPropPage : public QDialog
{
    Q_OBJECT

public:
    CKurvexPropPage(CKurvexCtrl* control, QWidget* parent = nullptr);

    QCheckBox* helpLineBox() const { return m_helpLine; }

    void accept() override;

private:
    CKurvexCtrl* m_control;
    QCheckBox* m_helpLine;
};
