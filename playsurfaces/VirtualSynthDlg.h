#pragma once

#include "playsurfaces/VirtualSynthSender.h"
#include "playsurfaces/VirtualSynthTable.h"

#include <QDialog>
#include <QMap>
#include <QStringList>

class CCaptile;
class CKnob;
class CPickvane;
class CServices;
class QPushButton;

// The virtual analog synthesizer: a panel of knobs and choice controls over the
// synthesizer's temporary patch, two oscillators, a filter, envelopes, two LFOs and
// the controllers. Starting it sends the patch it plays; from then on every control
// sends its own messages at once. It keeps no patch of its own. A MIDI controller
// turns the control that has the focus (or one a few steps along the tab order).
class CVirtualSynthDlg : public QDialog
{
    Q_OBJECT

public:
    // Room a window's frame and title take around it.
    static constexpr int kFrameAllowance = 24;
    static constexpr const char* kTitle = "The Virtual Analog JV/XP";

    explicit CVirtualSynthDlg(CServices& services, QWidget* parent = nullptr);
    ~CVirtualSynthDlg() override;

    // What could not be made of the panel (a control module that is missing); empty
    // when every control is there.
    QStringList errors() const { return m_errors; }

    // Sends the patch, sets every control to its first value and listens for remote
    // controllers; call before running the dialog.
    void start();
    // "Init": the patch again, then every knob and choice control back to its first
    // value, each sending what it stands for.
    void Initialise();

    CKnob* knob(int id) const { return m_knobs.value(id); }
    CPickvane* choice(int id) const { return m_choices.value(id); }
    CCaptile* heading(vsynth::Section section) const { return m_headings.value(static_cast<int>(section)); }
    QPushButton* initButton() const { return m_init; }
    QPushButton* closeButton() const { return m_close; }
    const CVirtualSynthSender& sender() const { return m_sender; }

    // However the dialog closes, it stops listening to the controllers.
    void done(int result) override;

public slots:
    // A control change on MIDI channel 1 from the engine.
    void remoteValue(int value, int controller);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPanel();
    QWidget* makeSection(vsynth::Section section);
    void onSend(const vsynth::ControlDef& def, int value);
    CVirtualSynthSender::Values currentValues() const;
    int choiceValue(int id) const;
    int knobValue(int id) const;
    void sendMessages(const QList<QByteArray>& messages);
    // The wrapper of the knob or choice control that widget belongs to, or null.
    QWidget* controlSiteOf(QWidget* widget) const;
    void stopListening();

    CServices& m_services;
    CVirtualSynthSender m_sender;
    QMap<int, CKnob*> m_knobs;
    QMap<int, CPickvane*> m_choices;
    QMap<int, CCaptile*> m_headings;
    QList<QWidget*> m_tabOrder;
    QPushButton* m_init = nullptr;
    QPushButton* m_close = nullptr;
    QStringList m_errors;
    bool m_listening = false;
};
