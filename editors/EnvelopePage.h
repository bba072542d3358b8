#pragma once

#include "editors/ParamPage.h"
#include "model/EnvelopeShape.h"
#include "ui/EnvelopeGraph.h"

#include <array>

class QComboBox;
class QPushButton;

// A page of one envelope (pitch, filter or amplifier) in four tone columns: the
// envelope graph of each tone, its times and levels as lists, and a list of the ten
// envelope presets that shapes the tone's envelope in one step. A drag on a graph and a
// preset send every time and then every level of the tone, and of each selected tone;
// "&Edit" opens the presets themselves.
class CEnvelopePage : public CParamPage
{
    Q_OBJECT

public:
    CEnvelopePage(CRecordEdit& edit, CServices& services, params::Page page, QWidget* parent = nullptr);

    envelope::Kind kind() const { return m_kind; }
    // Null when the program has no envelope graph.
    CEnvelopeGraph* graph(int column) const { return m_graphs[static_cast<std::size_t>(column)]; }
    QComboBox* presetList(int column) const { return m_presets[static_cast<std::size_t>(column)]; }
    QPushButton* editPresetsButton() const { return m_editPresets; }

    // Shapes column's envelope by preset 0..9 (and the selected tones' envelopes).
    void applyPreset(int column, int preset);
    // Fills the preset lists with the presets' names.
    void refillPresets();

protected:
    void loadExtras() override;
    void enableColumn(int column, bool enabled) override;

private:
    void onGraphEdited(int column, const CEnvelopeGraph::Points& points);
    void editPresets();

    envelope::Kind m_kind;
    envelope::Rows m_rows;
    std::array<CEnvelopeGraph*, CRecordEdit::kTones> m_graphs{};
    std::array<QComboBox*, CRecordEdit::kTones> m_presets{};
    QPushButton* m_editPresets = nullptr;
};
