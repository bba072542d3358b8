#pragma once

#include "model/ToneStructure.h"

#include <QWidget>

#include <array>

// A small drawing of how a pair of tones is wired by its structure type: a box per wave
// generator, filter and amplifier, the mix, booster or ring modulator where the two
// sounds meet, the lines between them, the booster's level. A tone that is switched
// off is drawn grey.
class CStructureDiagram : public QWidget
{
    Q_OBJECT

public:
    // firstTone: 1 for the pair 1&2, 3 for 3&4.
    explicit CStructureDiagram(int firstTone, QWidget* parent = nullptr);

    // type 0..9, booster 0..3 (0, +6, +12, +18 dB).
    void setStructure(int type, int booster);
    void setToneOn(int tone, bool on); // tone 0 or 1 of the pair
    int type() const { return m_type; }
    // What the drawing shows, as text (its tool tip and accessible description).
    QString description() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_firstTone;
    int m_type = 0;
    int m_booster = 0;
    std::array<bool, 2> m_on{true, true};
};
