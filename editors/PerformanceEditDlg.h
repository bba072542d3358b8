#pragma once

#include "editors/RecordEditDlg.h"

#include <QStringList>

// "Performance Edit": the common page, the sixteen part pages, chorus and reverb, the
// multi-effect with its sources and the mixer of all sixteen parts, over a working copy
// of one performance (performance() on OK). In realtime mode every change sounds at once
// in the instrument's temporary performance. "Copy &Part" copies one part over another
// and sends the whole performance.
class CPerformanceEditDlg : public CRecordEditDlg
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Performance Edit";
    static constexpr int kTabRows = 2;

    // userPatches, userRhythmSets: the names of the bank's own items, which a part's
    // user group lists.
    CPerformanceEditDlg(CServices& services, const QByteArray& performance, const QStringList& userPatches = {},
                        const QStringList& userRhythmSets = {}, QWidget* parent = nullptr);

    QByteArray performance() const { return record(); }
    QPushButton* copyPartButton() const { return m_copyPart; }

    // "Copy &Part".
    void copyPart();

protected:
    std::unique_ptr<CTabPage> createPage(const params::Tab& tab) override;

private:
    QPushButton* m_copyPart = nullptr;
};
