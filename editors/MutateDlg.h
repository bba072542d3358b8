#pragma once

#include "model/PatchVariation.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Mutate": how far (1..100 %), which tones, which sections, whether choices (waves,
// types, switches, ranges) may change too, and the seed, shown and typeable: the same
// seed and settings make the same variation. In an editor the dialog stays open and
// every press of "&Mutate" asks for one new variation (mutateRequested), after which a
// fresh seed is shown; on bank items or library lines "&Mutate" closes it (accepted).
class CMutateDlg : public QDialog
{
    Q_OBJECT

public:
    enum class Use { Editor, Items };
    // blocks: how many tone boxes to show (4 for patches, 0 for records without tones).
    CMutateDlg(Use use, int blocks, QWidget* parent = nullptr);

    variation::MutateOptions options() const;
    // Shows the boxes of these sections only (the others cannot change the record).
    void offerSections(variation::Sections sections);
    void setSeed(std::uint32_t seed);
    std::uint32_t seed() const;
    // After a variation was made with seed(): the next one is shown.
    void advanceSeed();

    QSpinBox* amountBox() const { return m_amount; }
    QCheckBox* toneBox(int tone) const { return m_tones[static_cast<std::size_t>(tone)]; }
    QCheckBox* sectionBox(variation::Section s) const { return m_sections[static_cast<std::size_t>(s)]; }
    QCheckBox* choicesBox() const { return m_choices; }
    QLineEdit* seedEdit() const { return m_seed; }
    QPushButton* mutateButton() const { return m_mutate; }
    QLabel* lastSeedLabel() const { return m_lastSeed; }

signals:
    void mutateRequested();

private:
    Use m_use;
    QSpinBox* m_amount = nullptr;
    std::array<QCheckBox*, 4> m_tones{};
    std::array<QCheckBox*, variation::kSectionCount> m_sections{};
    QCheckBox* m_choices = nullptr;
    QLineEdit* m_seed = nullptr;
    QLabel* m_lastSeed = nullptr;
    QPushButton* m_mutate = nullptr;
};
