#pragma once

#include "ui/ValueKnob.h"

class CKnob;

// The program's knob: the knob control of the control modules, through its wrapper.
class CModuleKnob : public CValueKnob
{
    Q_OBJECT

public:
    explicit CModuleKnob(QWidget* parent = nullptr);

    // False when no control module gave the control.
    bool isValid() const { return m_valid; }
    CKnob* wrapper() const { return m_knob; }

protected:
    void showRange(int minimum, int maximum) override;
    void showValue(int value) override;

private:
    CKnob* m_knob;
    bool m_valid;
};
