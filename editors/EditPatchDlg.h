#pragma once

#include "editors/PatchSource.h"
#include "editors/RecordEditDlg.h"

#include <array>

class QCheckBox;

// "Edit Patch": the seventeen pages of one patch under one set of tabs. It edits a working
// copy of the patch (patch() on OK); in realtime mode every change sounds at once in the
// instrument's temporary patch. The "Multi Edit" tone boxes make a change on one tone
// column apply to the ticked tones too; "&Send Patch" sends the whole copy, "Copy &Tone"
// copies a tone of this patch or of one of the source's patches over another tone.
class CEditPatchDlg : public CRecordEditDlg
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Edit Patch";
    static constexpr int kTabRows = 2;

    CEditPatchDlg(CServices& services, const QByteArray& patch, CPatchSource source = {}, QWidget* parent = nullptr);

    QByteArray patch() const { return record(); }

    // The page of a tab of the patch editor.
    static std::unique_ptr<CTabPage> createPage(const params::Tab& tab, CRecordEdit& edit, CServices& services);

    QCheckBox* toneBox(int tone) const { return m_toneBoxes[static_cast<std::size_t>(tone)]; }
    QPushButton* copyToneButton() const { return m_copyTone; }

    // "Copy &Tone".
    void copyTone();

protected:
    std::unique_ptr<CTabPage> createPage(const params::Tab& tab) override;
    void pageCreated(CTabPage& page) override;
    int mutateBlocks() const override { return CRecordEdit::kTones; }
    CPatchSource ownRecords() const override { return m_source; }

private:
    void toneSelectionChanged();

    CPatchSource m_source;
    std::array<QCheckBox*, CRecordEdit::kTones> m_toneBoxes{};
    QPushButton* m_copyTone = nullptr;
};
