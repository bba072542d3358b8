#pragma once

#include "controls/common/ControlExport.h"

#include <QtWidgets/QDialog>

// The caption box's property page. It holds no fields of its own: the caption, colours
// and font are stock properties.
class TONELOOM_CONTROL_API CCaptilePropPage : public QDialog
{
    Q_OBJECT

public:
    explicit CCaptilePropPage(QWidget* parent = nullptr);
};
