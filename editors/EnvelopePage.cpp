#include "editors/EnvelopePage.h"

#include "editors/EnvelopePresetsDlg.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

CEnvelopePage::CEnvelopePage(CRecordEdit& edit, CServices& services, params::Page page, QWidget* parent)
    : CParamPage(edit, services, page, 0, parent), m_kind(envelope::kindOf(page).value_or(envelope::Kind::Tvf)),
      m_rows(envelope::rows(recordlayout::subBlock(edit.editor()), m_kind))
{
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    addToneHeaders(grid, 0);
    for (int t = 0; t < CRecordEdit::kTones; ++t) {
        CEnvelopeGraph* graph = services.createEnvelopeGraph(this);
        m_graphs[static_cast<std::size_t>(t)] = graph;
        if (!graph)
            continue;
        graph->setObjectName(QStringLiteral("graph/%1").arg(t));
        // The filter and amplifier envelopes have no centre line to show.
        if (m_kind != envelope::Kind::Pitch)
            graph->setHelpLine(false);
        grid->addWidget(graph, 1, t + 1);
        connect(graph, &CEnvelopeGraph::edited, this,
                [this, t](const CEnvelopeGraph::Points& points) { onGraphEdited(t, points); });
    }
    // A little room between the graphs and the lists below them.
    grid->setRowMinimumHeight(2, 6);
    int row = addToneRows(grid, 3, pageRows(), false);

    auto* presetLabel = new QLabel(QStringLiteral("Preset:"), this);
    grid->addWidget(presetLabel, row, 0);
    for (int t = 0; t < CRecordEdit::kTones; ++t) {
        auto* list = new QComboBox(this);
        list->setObjectName(QStringLiteral("preset/%1").arg(t));
        list->setAccessibleName(QStringLiteral("Preset"));
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(8);
        m_presets[static_cast<std::size_t>(t)] = list;
        grid->addWidget(list, row, t + 1);
        // Every choice applies, also the preset chosen last.
        connect(list, &QComboBox::activated, this, [this, t](int index) {
            if (!isLoading() && index >= 0)
                applyPreset(t, index);
        });
    }
    ++row;
    m_editPresets = new QPushButton(QStringLiteral("&Edit"), this);
    m_editPresets->setAutoDefault(false);
    m_editPresets->setToolTip(QStringLiteral("Edit the envelope presets"));
    grid->addWidget(m_editPresets, row, 0);
    connect(m_editPresets, &QPushButton::clicked, this, &CEnvelopePage::editPresets);
    outer->addLayout(grid);
    outer->addStretch(1);
    refillPresets();
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
    for (int t = 0; t < CRecordEdit::kTones; ++t) {
        if (CEnvelopeGraph* graph = m_graphs[static_cast<std::size_t>(t)])
            graph->setPoints(envelope::pointsOf(m_kind, edit().envelopeValues(m_kind, t)));
    }
}

void CEnvelopePage::enableColumn(int column, bool enabled)
{
    if (CEnvelopeGraph* graph = m_graphs[static_cast<std::size_t>(column)])
        graph->setGraphEnabled(enabled);
    m_presets[static_cast<std::size_t>(column)]->setEnabled(enabled);
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
