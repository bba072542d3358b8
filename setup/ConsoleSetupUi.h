#pragma once

#include "setup/SetupUi.h"

#include <cstdio>

// The installation without the dialog: every message goes to stderr, each overwrite
// question is answered as told on the command line.
class CConsoleSetupUi : public CSetupUi
{
public:
    explicit CConsoleSetupUi(bool overwrite, std::FILE* out = stderr) : m_overwrite(overwrite), m_out(out) {}

    void showMessage(MessageIcon icon, const QString& text) override;
    bool ask(const QString& question) override;
    void explain(const QString& explanation) override;

private:
    void print(const QString& text);

    bool m_overwrite;
    std::FILE* m_out;
};
