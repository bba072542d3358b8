#include "app/ModuleKnob.h"

#include "playsurfaces/Knob.h"

#include <QVBoxLayout>

namespace {

constexpr int kKnobSize = 40;

} // namespace

CModuleKnob::CModuleKnob(QWidget* parent) : CValueKnob(parent), m_knob(new CKnob(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_knob);
    m_valid = m_knob->create();
    setMinimumSize(kKnobSize, kKnobSize);
    if (m_valid && m_knob->control()) {
        setFocusProxy(m_knob->control());
        m_knob->control()->setFocusPolicy(Qt::StrongFocus);
    }
    // The control's event 1: a value set here comes back too, and the base class knows it.
    connect(m_knob, &CKnob::valueChanged, this, [this](int value) { controlReported(value); });
}

void CModuleKnob::showRange(int minimum, int maximum)
{
    if (!m_valid)
        return;
    m_knob->SetMin(minimum);
    m_knob->SetMax(maximum);
}

void CModuleKnob::showValue(int value)
{
    if (m_valid)
        m_knob->SetValue(value);
}
