#pragma once

#include "editors/PatchSource.h"
#include "model/ParamTable.h"
#include "model/SynthSettings.h"

#include <QByteArray>
#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// "Morph": a blend of the edited record (A) and a record of the same kind from an open
// bank or library (B),
// as far as the slider says (0 % is A, 100 % is B). The blend sounds as the slider
// moves: the sounder gets the record the instrument holds and the new one, and sends
// what differs. "&Keep" ends the dialog accepted with result(); closing it otherwise
// brings the instrument back to A.
class CMorphDlg : public QDialog
{
    Q_OBJECT

public:
    using Sounder = std::function<void(const QByteArray& from, const QByteArray& to)>;
    CMorphDlg(params::Editor kind, const QByteArray& a, CPatchSource sources, SynthModel model, Sounder sound,
              QWidget* parent = nullptr);

    QByteArray result() const { return m_result; }
    QSlider* slider() const { return m_slider; }
    QComboBox* sourceBox() const { return m_source; }
    QPushButton* keepButton() const { return m_keep; }

public slots:
    void done(int result) override;

private:
    void update();

    params::Editor m_kind;
    QByteArray m_a;
    CPatchSource m_sources;
    SynthModel m_model;
    Sounder m_sound;
    QByteArray m_result; // the blend as it stands, and what the instrument holds
    QComboBox* m_source = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_percent = nullptr;
    QPushButton* m_keep = nullptr;
};
