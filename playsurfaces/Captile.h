#pragma once

#include "playsurfaces/ControlSite.h"

// A caption box: everything it shows comes from its stored state.
class CCaptile : public CControlSite
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{DE32F627-F0AB-11D0-AAE1-444553540000}";

    explicit CCaptile(QWidget* parent = nullptr);

    bool create(const QByteArray& state = {}) { return createControl(kClassId, state); }
};
