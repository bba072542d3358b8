#pragma once

#include "model/Reporter.h"

// Where the installation talks to the person running it: messages (from CReporter),
// yes/no questions, the system's explanation of an error, and progress. The dialog
// shows message boxes, the command line prints, tests record.
class CSetupUi : public CReporter
{
public:
    // True for "Yes".
    virtual bool ask(const QString& question) = 0;
    // The system's own words for the error just reported.
    virtual void explain(const QString& explanation) = 0;
    // 0..100.
    virtual void setProgress(int percent) { static_cast<void>(percent); }
};
