#pragma once

#include "editors/ParamPage.h"

#include <array>

class CStructureDiagram;

// The "Common" page of a patch: its name, tempo, level and the play settings of the
// patch common block, in three columns, and below them how tones 1&2 and 3&4 are wired
// by their structure types.
class CSingleCommonDlg : public CParamPage
{
    Q_OBJECT

public:
    static constexpr int kColumns = 3;

    CSingleCommonDlg(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);

    // The pair 0 (tones 1&2) or 1 (tones 3&4).
    CStructureDiagram* structureDiagram(int pair) const { return m_diagrams[static_cast<std::size_t>(pair)]; }

protected:
    void loadExtras() override;

private:
    std::array<CStructureDiagram*, 2> m_diagrams{};
};
