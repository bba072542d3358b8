#pragma once

#include <QtWidgets/QDialog>

// The caption box's property page. It holds no fields of its own: the caption, colours
// and font are stock properties.
class CCaptilePropPage : public QDialog
{
    Q_OBJECT

public:
    explicit CCaptilePropPage(QWidget *parent = nullptr);
};
