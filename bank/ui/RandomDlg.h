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
    // selected: how many patches the bank has selected; with some, the dialog offers to
    // randomise only those.
    explicit CRandomDlg(const CRandomPatches::Flags& flags, QWidget* parent = nullptr, int selected = 0);

    static constexpr const char* kWholeBank = "Random Patches draws all 128 patches of the bank anew, names included.";

    CRandomPatches::Flags flags() const;
    QCheckBox* checkBox(CRandomPatches::Group group, int tone) const;
    QPushButton* enableAllButton() const { return m_enableAll; }
    QPushButton* disableAllButton() const { return m_disableAll; }
    // "Selected patches only" (null without a selection) and whether it is ticked.
    QCheckBox* selectedOnlyBox() const { return m_selectedOnly; }
    bool selectedOnly() const;

private:
    void setAll(bool on);

    std::array<std::array<QCheckBox*, CRandomPatches::kTones>, CRandomPatches::kGroupCount> m_boxes{};
    QPushButton* m_enableAll = nullptr;
    QPushButton* m_disableAll = nullptr;
    QCheckBox* m_selectedOnly = nullptr;
};
