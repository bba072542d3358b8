#pragma once

#include "bank/RandomPatches.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QPushButton;

// "Random": for each of the four tones, which groups of parameters Random Patches
// draws anew ("Effect", "Wave", "Controller", "LFO", "P-ENV", "TVF", "TVA", "Output").
class CRandomDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CRandomDlg(const CRandomPatches::Flags& flags, QWidget* parent = nullptr);

    CRandomPatches::Flags flags() const;
    QCheckBox* checkBox(CRandomPatches::Group group, int tone) const;
    QPushButton* enableAllButton() const { return m_enableAll; }
    QPushButton* disableAllButton() const { return m_disableAll; }

private:
    void setAll(bool on);

    std::array<std::array<QCheckBox*, CRandomPatches::kTones>, CRandomPatches::kGroupCount> m_boxes{};
    QPushButton* m_enableAll = nullptr;
    QPushButton* m_disableAll = nullptr;
};
