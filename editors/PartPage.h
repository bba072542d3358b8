#pragma once

#include "editors/ParamPage.h"

// A "Part 1".."Part 16" page of the performance editor: the part's switches, channel,
// group and patch (the bank's own patches in the user group; rhythm sets on part 10),
// levels and sends, pan and key range (stepped with wrapping arrows), tuning and what
// the part receives and transmits.
class CPartPage : public CParamPage
{
    Q_OBJECT

public:
    // part: 0 .. 15
    CPartPage(CRecordEdit& edit, CServices& services, int part, QWidget* parent = nullptr);

    int part() const { return m_part; }

private:
    int m_part;
};
