#pragma once

#include "settings/AppSettings.h"
#include "ui/EnvelopeGraph.h"

#include <QDialog>
#include <array>

class CServices;
class QComboBox;
class QLineEdit;
class QListWidget;

// "Edit Envelope Presets": renames and reshapes the ten envelope presets that the
// envelope pages offer. It works on a copy of the ten; the caller takes presets() on OK.
class CEnvelopePresetsDlg : public QDialog
{
    Q_OBJECT

public:
    using Presets = std::array<CAppSettings::EnvelopePreset, CAppSettings::kPresetCount>;

    CEnvelopePresetsDlg(const Presets& presets, CServices& services, QWidget* parent = nullptr);

    // The ten presets with the names the list shows.
    Presets presets() const;

    QListWidget* presetList() const { return m_list; }
    QLineEdit* nameEdit() const { return m_name; }
    QComboBox* timeList(int k) const { return m_times[static_cast<std::size_t>(k)]; }   // 0..3
    QComboBox* levelList(int k) const { return m_levels[static_cast<std::size_t>(k)]; } // 0..3
    CEnvelopeGraph* graph() const { return m_graph; }

private:
    void showPreset(int index);
    void valuesChanged();
    void graphEdited(const CEnvelopeGraph::Points& points);
    void rename(const QString& name);

    Presets m_presets;
    QListWidget* m_list;
    QLineEdit* m_name;
    std::array<QComboBox*, CAppSettings::kEnvelopePoints> m_times{};
    std::array<QComboBox*, CAppSettings::kEnvelopePoints> m_levels{};
    CEnvelopeGraph* m_graph;
    bool m_showing = false;
};
