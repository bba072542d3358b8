#pragma once

#include "controls/common/ControlExport.h"

#include <QtWidgets/QDialog>

class CPickvaneCtrl;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// The choice control's property page: the item list, the values, the template and the
// selection, for use while laying out a dialog.
class TONELOOM_CONTROL_API CPickvanePropPage : public QDialog
{
    Q_OBJECT

public:
    CPickvanePropPage(CPickvaneCtrl* control, QWidget* parent = nullptr);

    QPlainTextEdit* itemsEdit() const { return m_items; }
    QPlainTextEdit* valuesEdit() const { return m_values; }
    QLineEdit* sysExEdit() const { return m_sysEx; }
    QSpinBox* selectionBox() const { return m_selection; }

    // One entry per line shown; stored with CR LF after every entry.
    static QString toLines(const QString& list);
    static QString fromLines(const QString& lines);

    void accept() override;

private:
    CPickvaneCtrl* m_control;
    QPlainTextEdit* m_items;
    QPlainTextEdit* m_values;
    QLineEdit* m_sysEx;
    QSpinBox* m_selection;
};
