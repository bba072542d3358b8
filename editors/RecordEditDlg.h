#pragma once

#include "editors/PatchSource.h"
#include "model/ParamTable.h"
#include "model/PatchVariation.h"
#include "model/RecordEdit.h"

#include <QDialog>
#include <memory>

class CMultiRowTabBar;
class CServices;
class CTabPage;
class QBoxLayout;
class QCheckBox;
class QPushButton;
class QVBoxLayout;

// What the three editors share: a working copy of one record, the editor's tabs in rows
// over the page of the current tab, "&Realtime", "&Send Patch", the editor's own buttons,
// "&OK" and "&Cancel". A page lives while its tab is shown; leaving it stores it. OK keeps
// what the page holds, Cancel drops it; either way the page leaves the MIDI engine's list
// of remote-controlled pages. Enter in any page is OK, Escape is Cancel; Ctrl+Tab and
// Ctrl+PageDown go to the next tab, with Shift or PageUp to the previous one.
//
// "&Undo" and "&Redo" (Ctrl+Z, Ctrl+Y, also from a text or number box) step through the
// copy's history, sending what they change in realtime mode. "Co&mpare" (Ctrl+M) puts the
// item as the editor got it into the instrument's temporary area and shows it, with the
// pages locked; pressed again it sends the copy and unlocks the pages.
//
// "Mut&ate..." opens a dialog whose every press puts a new variation of the copy in
// place (one undo step, the rows that changed sent in realtime mode); "Morp&h..." blends
// the copy with a record of the same kind from the editor's own source or any open bank
// (patches also from any open library) and puts the blend in place on "Keep".
class CRecordEditDlg : public QDialog
{
    Q_OBJECT

public:
    ~CRecordEditDlg() override;

    // The working copy: the record as edited so far.
    QByteArray record() const { return m_edit->image(); }
    CRecordEdit& edit() { return *m_edit; }

    int currentTab() const { return m_current; }
    CTabPage* currentPage() const { return m_page.get(); }
    // Leaves the current page and shows the page of tab index.
    void showTab(int index);
    const std::vector<params::Tab>& tabList() const { return m_tabList; }

    CMultiRowTabBar* tabBar() const { return m_tabs; }
    QCheckBox* realtimeBox() const { return m_realtime; }
    QPushButton* sendPatchButton() const { return m_sendPatch; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    QPushButton* undoButton() const { return m_undo; }
    QPushButton* redoButton() const { return m_redo; }
    QPushButton* compareButton() const { return m_compare; }
    QPushButton* mutateButton() const { return m_mutate; }
    QPushButton* morphButton() const { return m_morph; }

    // "&Send Patch": the whole copy to the temporary area, also with realtime off.
    void sendPatch();
    void undo();
    void redo();
    // "Co&mpare" down (the original sounds and shows) or up (the copy again).
    void setComparing(bool on);
    bool comparing() const { return m_comparing; }
    // A whole record put into the copy at once (a mutation, a morph): one undo step,
    // the differing rows sent in realtime mode, the page shown anew.
    void replaceRecord(const QByteArray& image);
    // Sends the rows by which to differs from from (an instrument holding from then
    // holds to), in realtime mode; nothing else changes.
    void sendDifferences(const QByteArray& from, const QByteArray& to);

    // "Mut&ate..." and "Morp&h...".
    void mutate();
    void morph();
    // One variation of the copy with options (the model set here), as one change.
    void applyMutation(variation::MutateOptions options);

    // The whole page where the screen has room for it; less, with the page scrolling,
    // on a small screen.
    QSize sizeHint() const override;
    // Opens at its size hint: a window left to size itself gets at most two thirds of
    // the screen, which scrolls the pages where the screen has room for them.
    void setVisible(bool visible) override;

public slots:
    void done(int result) override;

protected:
    CRecordEditDlg(CServices& services, params::Editor editor, const QByteArray& image, int tabRows,
                   QWidget* parent = nullptr);

    // Lays the dialog out: above the tabs (may be null), beside the tabs and page on the
    // left (may be null), left of the buttons (may be null), the editor's buttons between
    // "&Send Patch" and "&OK", and more of them above the tabs before Mutate, Morph and
    // Undo (the row below has no room for more on a small screen). Shows the first tab.
    void arrange(QLayout* top, QWidget* left, QWidget* bottomLeft, const QList<QPushButton*>& buttons,
                 const QList<QPushButton*>& topButtons = {});
    QPushButton* makeButton(const QString& text);

    // The page of a tab.
    virtual std::unique_ptr<CTabPage> createPage(const params::Tab& tab) = 0;
    // After a page was made and loaded, before it shows.
    virtual void pageCreated(CTabPage&) {}
    // Whether pages take remote values from the MIDI engine.
    virtual bool remoteControlled() const { return true; }
    // The copy changed under the page (undo, redo, compare): the page is loaded anew;
    // what the dialog shows itself follows here.
    virtual void recordReloaded() {}
    // How many tone boxes "Mutate" shows (none: every block may change).
    virtual int mutateBlocks() const { return 0; }
    // The records Morph offers first, before those of the open banks and libraries.
    virtual CPatchSource ownRecords() const { return {}; }
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Writes what the current page holds into the copy, and shows the copy again.
    void storePage();
    void reloadPage();
    // Stores the current page and makes it anew (for another key).
    void rebuildPage();
    void sendMessage(const QByteArray& message);
    CServices& services() { return m_services; }

private:
    // Room a window's frame and title take around it.
    static constexpr int kFrameAllowance = 24;
    QSize boundedToScreen(QSize size) const;
    void closePage();
    void updateHistoryButtons();
    QByteArray originalImage() const;

    CServices& m_services;
    std::unique_ptr<CRecordEdit> m_edit;
    std::vector<params::Tab> m_tabList;
    // The record as the editor got it, and whether changes of it went to the instrument.
    QByteArray m_original;
    bool m_changesSent = false;
    bool m_sized = false;
    CMultiRowTabBar* m_tabs = nullptr;
    QWidget* m_pageArea = nullptr;
    QVBoxLayout* m_pageLayout = nullptr;
    std::unique_ptr<CTabPage> m_page;
    int m_current = -1;
    bool m_registered = false;
    QCheckBox* m_realtime = nullptr;
    QPushButton* m_sendPatch = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_redo = nullptr;
    QPushButton* m_compare = nullptr;
    QPushButton* m_mutate = nullptr;
    QPushButton* m_morph = nullptr;
    bool m_comparing = false;
    QByteArray m_edited; // the copy, while the original shows
};
