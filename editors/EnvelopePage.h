#pragma once

#include "editors/ParamPage.h"
#include "model/EnvelopeShape.h"
#include "ui/EnvelopeGraph.h"

#include <vector>

class QComboBox;
class QPushButton;

// A page of one envelope (pitch, filter or amplifier): in the patch editor four tone
// columns, each with the tone's envelope graph, its times and levels as lists and a list
// of the ten envelope presets that shapes the tone's envelope in one step; in the rhythm
// editor the one key's page (its other rows beside the envelope). A drag on a graph and a
// preset send every time and then every level of the column, and of each selected tone;
// "&Edit" opens the presets themselves.
class CEnvelopePage : public CParamPage
{
    Q_OBJECT

public:
    // index: the key of a rhythm page.
    CEnvelopePage(CRecordEdit& edit, CServices& services, params::Page page, int index = 0, QWidget* parent = nullptr);

    envelope::Kind kind() const { return m_kind; }
    // The columns: the four tones, or the one key.
    const std::vector<int>& columns() const { return m_columns; }
    // Of a column (tone or key); null when the page has no such column, and the graph
    // when the program has no envelope graph.
    CEnvelopeGraph* graph(int column) const;
    QComboBox* presetList(int column) const;
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
    int positionOf(int column) const;
    // Makes the graph and preset list of column at position.
    void makeColumn(std::size_t position, int column);

    envelope::Kind m_kind;
    envelope::Rows m_rows;
    std::vector<int> m_columns;
    std::vector<CEnvelopeGraph*> m_graphs;
    std::vector<QComboBox*> m_presets;
    QPushButton* m_editPresets = nullptr;
};
