#include "editors/EnvelopePresetsDlg.h"

#include "model/EnvelopeShape.h"
#include "model/ValueLists.h"
#include "ui/Services.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kValueMax = 127;
// The presets are shaped as a filter envelope: from silence, four levels of 0..127.
constexpr envelope::Kind kShape = envelope::Kind::Tvf;

} // namespace

CEnvelopePresetsDlg::CEnvelopePresetsDlg(const Presets& presets, CServices& services, QWidget* parent)
    : QDialog(parent), m_presets(presets), m_list(new QListWidget(this)), m_name(new QLineEdit(this)),
      m_graph(services.createEnvelopeGraph(this))
{
    setWindowTitle(QStringLiteral("Edit Envelope Presets"));
    const QStringList numbers = valuelists::items(valuelists::kZeroTo127);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Presets:"), this));
    left->addWidget(m_list, 1);
    left->addWidget(m_name);
    m_name->setMaxLength(40);

    auto* right = new QVBoxLayout;
    if (m_graph) {
        m_graph->setHelpLine(false);
        m_graph->setMinimumWidth(320);
        right->addWidget(m_graph);
        connect(m_graph, &CEnvelopeGraph::edited, this, &CEnvelopePresetsDlg::graphEdited);
    }
    auto* grid = new QGridLayout;
    for (int k = 0; k < CAppSettings::kEnvelopePoints; ++k) {
        const auto i = static_cast<std::size_t>(k);
        m_times[i] = new QComboBox(this);
        m_levels[i] = new QComboBox(this);
        for (QComboBox* list : {m_times[i], m_levels[i]}) {
            list->addItems(numbers);
            list->setMaxVisibleItems(24);
            connect(list, &QComboBox::currentIndexChanged, this, &CEnvelopePresetsDlg::valuesChanged);
        }
        grid->addWidget(new QLabel(QStringLiteral("Time %1:").arg(k + 1), this), k, 0);
        grid->addWidget(m_times[i], k, 1);
        grid->addWidget(new QLabel(QStringLiteral("Level %1:").arg(k + 1), this), k, 2);
        grid->addWidget(m_levels[i], k, 3);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    right->addLayout(grid);
    right->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(right, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);

    for (const CAppSettings::EnvelopePreset& p : m_presets)
        m_list->addItem(p.name);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0)
            return;
        const QSignalBlocker blocker(m_name);
        m_name->setText(m_list->item(row)->text());
        showPreset(row);
    });
    connect(m_name, &QLineEdit::textEdited, this, &CEnvelopePresetsDlg::rename);
    m_list->setCurrentRow(0);
}

CEnvelopePresetsDlg::Presets CEnvelopePresetsDlg::presets() const
{
    Presets out = m_presets;
    for (int n = 0; n < m_list->count() && n < CAppSettings::kPresetCount; ++n)
        out[static_cast<std::size_t>(n)].name = m_list->item(n)->text();
    return out;
}

void CEnvelopePresetsDlg::showPreset(int index)
{
    if (index < 0 || index >= CAppSettings::kPresetCount)
        return;
    const CAppSettings::EnvelopePreset& p = m_presets[static_cast<std::size_t>(index)];
    m_showing = true;
    envelope::Values values;
    for (std::size_t k = 0; k < CAppSettings::kEnvelopePoints; ++k) {
        // Values from the settings file may lie outside 0..127: they show clamped.
        values.times[k] = std::clamp(p.times[k], 0, kValueMax);
        values.levels[k] = std::clamp(p.levels[k], 0, kValueMax);
        m_times[k]->setCurrentIndex(values.times[k]);
        m_levels[k]->setCurrentIndex(values.levels[k]);
    }
    if (m_graph)
        m_graph->setPoints(envelope::pointsOf(kShape, values));
    m_showing = false;
}

void CEnvelopePresetsDlg::valuesChanged()
{
    const int row = m_list->currentRow();
    if (m_showing || row < 0)
        return;
    CAppSettings::EnvelopePreset& p = m_presets[static_cast<std::size_t>(row)];
    envelope::Values values;
    for (std::size_t k = 0; k < CAppSettings::kEnvelopePoints; ++k) {
        p.times[k] = values.times[k] = m_times[k]->currentIndex();
        p.levels[k] = values.levels[k] = m_levels[k]->currentIndex();
    }
    if (m_graph)
        m_graph->setPoints(envelope::pointsOf(kShape, values));
}

void CEnvelopePresetsDlg::graphEdited(const CEnvelopeGraph::Points& points)
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    // The values of the block, as a time or level list can show them.
    envelope::Rows rows = envelope::rows(sysex::Block::PatchTone, kShape);
    const envelope::Values values = envelope::valuesOf(kShape, points, rows);
    CAppSettings::EnvelopePreset& p = m_presets[static_cast<std::size_t>(row)];
    p.times = values.times;
    p.levels = values.levels;
    showPreset(row);
}

void CEnvelopePresetsDlg::rename(const QString& name)
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    m_list->item(row)->setText(name);
    m_name->setFocus();
}
