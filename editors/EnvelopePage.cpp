#include "editors/EnvelopePage.h"

#include "editors/EnvelopePresetsDlg.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

CEnvelopePage::CEnvelopePage(CRecordEdit& edit, CServices& services, params::Page page, int index, QWidget* parent)
    : CParamPage(edit, services, page, index, parent),
      m_kind(envelope::kindOf(page, edit.editor()).value_or(envelope::Kind::Tvf)),
      m_rows(envelope::rows(recordlayout::subBlock(edit.editor()), m_kind))
{
    if (recordlayout::subBlock(edit.editor()) == sysex::Block::PatchTone)
        m_columns = {0, 1, 2, 3};
    else
        m_columns = {index};
    m_graphs.assign(m_columns.size(), nullptr);
    m_presets.assign(m_columns.size(), nullptr);
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        makeColumn(i, m_columns[i]);
    m_editPresets = new QPushButton(QStringLiteral("&Edit"), this);
    m_editPresets->setAutoDefault(false);
    m_editPresets->setToolTip(QStringLiteral("Edit the envelope presets"));
    connect(m_editPresets, &QPushButton::clicked, this, &CEnvelopePage::editPresets);
    auto* presetLabel = new QLabel(QStringLiteral("Preset:"), this);

    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    if (m_columns.size() > 1) {
        addToneHeaders(grid, 0);
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            if (m_graphs[i])
                grid->addWidget(m_graphs[i], 1, static_cast<int>(i) + 1);
        }
        // A little room between the graphs and the lists below them.
        grid->setRowMinimumHeight(2, 6);
        int row = addToneRows(grid, 3, pageRows(), false);
        grid->addWidget(presetLabel, row, 0);
        for (std::size_t i = 0; i < m_columns.size(); ++i)
            grid->addWidget(m_presets[i], row, static_cast<int>(i) + 1);
        ++row;
        grid->addWidget(m_editPresets, row, 0);
        outer->addLayout(grid);
    } else {
        // One key: its rows on the left, the envelope with its presets on the right.
        int row = 0;
        for (const params::Param* p : pageRows())
            addPair(grid, row++, 0, *p);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(row, 1);
        auto* side = new QGridLayout;
        if (m_graphs[0])
            side->addWidget(m_graphs[0], 0, 0, 1, 3);
        side->addWidget(presetLabel, 1, 0);
        side->addWidget(m_presets[0], 1, 1);
        side->addWidget(m_editPresets, 1, 2);
        side->setColumnStretch(1, 1);
        side->setRowStretch(2, 1);
        auto* columns = new QHBoxLayout;
        columns->addLayout(grid, 2);
        columns->addLayout(side, 3);
        outer->addLayout(columns);
    }
    outer->addStretch(1);
    refillPresets();
}

void CEnvelopePage::makeColumn(std::size_t position, int column)
{
    CEnvelopeGraph* graph = services().createEnvelopeGraph(this);
    m_graphs[position] = graph;
    if (graph) {
        graph->setObjectName(QStringLiteral("graph/%1").arg(column));
        // The filter and amplifier envelopes have no centre line to show.
        if (m_kind != envelope::Kind::Pitch)
            graph->setHelpLine(false);
        connect(graph, &CEnvelopeGraph::edited, this,
                [this, column](const CEnvelopeGraph::Points& points) { onGraphEdited(column, points); });
    }
    auto* list = new QComboBox(this);
    list->setObjectName(QStringLiteral("preset/%1").arg(column));
    list->setAccessibleName(QStringLiteral("Preset"));
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(8);
    m_presets[position] = list;
    // Every choice applies, also the preset chosen last.
    connect(list, &QComboBox::activated, this, [this, column](int index) {
        if (!isLoading() && index >= 0)
            applyPreset(column, index);
    });
}

int CEnvelopePage::positionOf(int column) const
{
    const auto it = std::find(m_columns.begin(), m_columns.end(), column);
    return it == m_columns.end() ? -1 : static_cast<int>(it - m_columns.begin());
}

CEnvelopeGraph* CEnvelopePage::graph(int column) const
{
    const int at = positionOf(column);
    return at < 0 ? nullptr : m_graphs[static_cast<std::size_t>(at)];
}

QComboBox* CEnvelopePage::presetList(int column) const
{
    const int at = positionOf(column);
    return at < 0 ? nullptr : m_presets[static_cast<std::size_t>(at)];
}

void CEnvelopePage::refillPresets()
{
    for (QComboBox* list : m_presets) {
        const QSignalBlocker blocker(list);
        list->clear();
        for (int n = 0; n < CAppSettings::kPresetCount; ++n)
            list->addItem(services().settings().preset(n).name);
        list->setCurrentIndex(-1);
    }
}

void CEnvelopePage::applyPreset(int column, int preset)
{
    if (preset < 0 || preset >= CAppSettings::kPresetCount || !columnEnabled(column))
        return;
    const CAppSettings::EnvelopePreset& p = services().settings().preset(preset);
    envelope::Values values;
    values.times = p.times;
    values.levels = p.levels;
    edit().changeEnvelope(m_kind, column, values);
    loadFromRecord();
}

void CEnvelopePage::onGraphEdited(int column, const CEnvelopeGraph::Points& points)
{
    if (isLoading() || !columnEnabled(column))
        return;
    edit().changeEnvelope(m_kind, column, envelope::valuesOf(m_kind, points, m_rows));
    loadFromRecord();
}

void CEnvelopePage::loadExtras()
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (CEnvelopeGraph* graph = m_graphs[i])
            graph->setPoints(envelope::pointsOf(m_kind, edit().envelopeValues(m_kind, m_columns[i])));
    }
}

void CEnvelopePage::enableColumn(int column, bool enabled)
{
    if (CEnvelopeGraph* graph = this->graph(column))
        graph->setGraphEnabled(enabled);
    if (QComboBox* list = presetList(column))
        list->setEnabled(enabled);
}

void CEnvelopePage::editPresets()
{
    std::array<CAppSettings::EnvelopePreset, CAppSettings::kPresetCount> presets;
    for (int n = 0; n < CAppSettings::kPresetCount; ++n)
        presets[static_cast<std::size_t>(n)] = services().settings().preset(n);
    CEnvelopePresetsDlg dialog(presets, services(), this);
    if (services().prompter().exec(dialog) != QDialog::Accepted)
        return;
    services().settings().setPresets(dialog.presets());
    refillPresets();
}
