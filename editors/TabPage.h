#pragma once

#include "model/RecordEdit.h"

#include <QWidget>

class CServices;

// One page of an editor: it shows part of the working copy in its controls and hands
// every change to the copy, which sends it in realtime mode. A page lives only while its
// tab is shown. The editor registers it with the MIDI engine, so that a control change on
// MIDI channel 1 with the remote controller's number sets the focused list of the page.
class CTabPage : public QWidget
{
    Q_OBJECT

public:
    CTabPage(CRecordEdit& edit, CServices& services, QWidget* parent = nullptr);

    // Shows the working copy in the controls (when the page is made, after a tone was
    // copied over the copy).
    virtual void loadFromRecord() = 0;
    // Writes into the copy what the controls hold and the copy lacks. Pages hand every
    // change to the copy at once, so by default nothing is pending.
    virtual void storeToRecord() {}
    // The tones ticked for multi-edit: while any is ticked, only their columns can be
    // changed. Pages without tone columns ignore it.
    virtual void setToneSelection(const CRecordEdit::Selection& selection);
    const CRecordEdit::Selection& toneSelection() const { return m_selection; }
    // Whether a tone column takes changes under the selection.
    bool columnEnabled(int column) const;

    CRecordEdit& edit() { return m_edit; }
    const CRecordEdit& edit() const { return m_edit; }
    CServices& services() { return m_services; }

public slots:
    // A control change on MIDI channel 1: when controller is the remote controller of the
    // settings and a list of this page has the focus, the list selects item value (values
    // beyond the list are ignored) and the page handles it like the user's choice.
    virtual void remoteValue(int value, int controller);

private:
    CRecordEdit& m_edit;
    CServices& m_services;
    CRecordEdit::Selection m_selection{};
};
