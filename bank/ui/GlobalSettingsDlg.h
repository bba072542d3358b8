#pragma once

#include <QDialog>

class QComboBox;

// "Global Settings": the size of the bank windows' cell font, 6 to 22.
class CGlobalSettingsDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSmallest = 6;
    static constexpr int kLargest = 22;

    explicit CGlobalSettingsDlg(int fontSize, QWidget* parent = nullptr);

    // The chosen size; the size given when nothing is chosen.
    int fontSize() const;
    QComboBox* sizeBox() const { return m_sizes; }

private:
    int m_initial;
    QComboBox* m_sizes = nullptr;
};
