#pragma once

#include "midi/SynthLine.h"
#include "settings/AppSettings.h"

#include <QDialog>
#include <array>

class CExpansionNames;
class CMidiPortProvider;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

// "Midi Settings": ports, device ID, thru, the remote controller, the synthesizer
// model, which kinds are auditioned when selected, the expansion boards, and the
// pace of sending.
class CMidiSettingsDlg : public QDialog
{
    Q_OBJECT

public:
    CMidiSettingsDlg(CMidiPortProvider& ports, const CExpansionNames& names, const CAppSettings::Midi& values,
                     QWidget* parent = nullptr);

    // The values shown, as they would be stored on OK.
    CAppSettings::Midi values() const;
    // Shows an instrument found by the search as the choice.
    void takeFound(const synthline::FoundSynth& synth);

    QComboBox* inputList() const { return m_in; }
    QComboBox* outputList() const { return m_out; }
    QComboBox* deviceIdList() const { return m_deviceId; }
    QComboBox* remoteList() const { return m_remote; }
    QCheckBox* thruBox() const { return m_thru; }
    QRadioButton* modelButton(int model) const { return m_model[static_cast<std::size_t>(model)]; }
    QCheckBox* sendBox(ItemKind kind) const { return m_send[kind]; }
    QComboBox* boardList(int slot) const { return m_boards[static_cast<std::size_t>(slot)]; }
    QSpinBox* sendRateBox() const { return m_rate; }
    QSpinBox* sendPauseBox() const { return m_pause; }
    QCheckBox* verifyBox() const { return m_verify; }
    QCheckBox* backupBox() const { return m_backup; }
    QSpinBox* keptBackupsBox() const { return m_kept; }

private:
    void updateBoardLists();

    CAppSettings::Midi m_initial;
    QComboBox* m_in;
    QComboBox* m_out;
    QComboBox* m_deviceId;
    QCheckBox* m_thru;
    QComboBox* m_remote;
    std::array<QRadioButton*, 3> m_model{};
    ByKind<QCheckBox*> m_send{};
    std::array<QComboBox*, CAppSettings::kBoardSlots> m_boards{};
    QSpinBox* m_rate;
    QSpinBox* m_pause;
    QCheckBox* m_verify;
    QCheckBox* m_backup;
    QSpinBox* m_kept;
};
