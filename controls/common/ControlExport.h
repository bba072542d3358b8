#pragma once

#include <QtCore/qglobal.h>

// Symbols a control module shows to its host: the control class (tests and hosts that
// link the module directly) and the four C entry points. Everything else stays hidden.
#if defined(TONELOOM_CONTROL_BUILD)
#define TONELOOM_CONTROL_API Q_DECL_EXPORT
#else
#define TONELOOM_CONTROL_API Q_DECL_IMPORT
#endif
