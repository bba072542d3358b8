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
    // A question asked for one file of many: "Yes to All" and "No to All" answer it for
    // every later file too. Without those buttons it is ask().
    enum class Answer { Yes, No, YesToAll, NoToAll };
    virtual Answer askForEach(const QString& question) { return ask(question) ? Answer::Yes : Answer::No; }
    // The system's own words for the error just reported.
    virtual void explain(const QString& explanation) = 0;
    // 0..100.
    virtual void setProgress(int percent) { static_cast<void>(percent); }
};
