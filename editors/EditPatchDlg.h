#pragma once

#include "editors/PatchSource.h"
#include "model/ParamTable.h"
#include "model/RecordEdit.h"

#include <QDialog>
#include <array>
#include <memory>

class CMultiRowTabBar;
class CServices;
class CTabPage;
class QCheckBox;
class QPushButton;
class QVBoxLayout;

// "Edit Patch": the seventeen pages of one patch under one set of tabs. It edits a working
// copy of the patch (patch() on OK); in realtime mode every change sounds at once in the
// instrument's temporary patch. The "Multi Edit" tone boxes make a change on one tone
// column apply to the ticked tones too; "&Send Patch" sends the whole copy, "Copy &Tone"
// copies a tone of this patch or of one of the source's patches over another tone. Enter
// in any page is OK, Escape is Cancel.
class CEditPatchDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Edit Patch";
    static constexpr int kTabRows = 2;

    CEditPatchDlg(CServices& services, const QByteArray& patch, CPatchSource source = {}, QWidget* parent = nullptr);
    ~CEditPatchDlg() override;

    // The working copy: the patch as edited so far.
    QByteArray patch() const { return m_edit->image(); }
    CRecordEdit& edit() { return *m_edit; }

    // The page of a tab of the patch editor.
    static std::unique_ptr<CTabPage> createPage(const params::Tab& tab, CRecordEdit& edit, CServices& services);

    int currentTab() const { return m_current; }
    CTabPage* currentPage() const { return m_page.get(); }
    // Leaves the current page and shows the page of tab index.
    void showTab(int index);

    CMultiRowTabBar* tabBar() const { return m_tabs; }
    QCheckBox* realtimeBox() const { return m_realtime; }
    QCheckBox* toneBox(int tone) const { return m_toneBoxes[static_cast<std::size_t>(tone)]; }
    QPushButton* sendPatchButton() const { return m_sendPatch; }
    QPushButton* copyToneButton() const { return m_copyTone; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // "&Send Patch": the whole copy to the temporary patch, also with realtime off.
    void sendPatch();
    // "Copy &Tone".
    void copyTone();

public slots:
    void done(int result) override;

private:
    void closePage();
    void toneSelectionChanged();
    void sendMessage(const QByteArray& message);

    CServices& m_services;
    CPatchSource m_source;
    std::unique_ptr<CRecordEdit> m_edit;
    std::vector<params::Tab> m_tabList;
    CMultiRowTabBar* m_tabs = nullptr;
    QWidget* m_pageArea = nullptr;
    QVBoxLayout* m_pageLayout = nullptr;
    std::unique_ptr<CTabPage> m_page;
    int m_current = -1;
    QCheckBox* m_realtime = nullptr;
    std::array<QCheckBox*, CRecordEdit::kTones> m_toneBoxes{};
    QPushButton* m_sendPatch = nullptr;
    QPushButton* m_copyTone = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
