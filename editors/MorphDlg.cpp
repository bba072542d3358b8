#include "editors/MorphDlg.h"

#include "model/PatchVariation.h"
#include "model/RecordArray.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int kSliderWidth = 320;

} // namespace

CMorphDlg::CMorphDlg(params::Editor kind, const QByteArray& a, CPatchSource sources, SynthModel model, Sounder sound,
                     QWidget* parent)
    : QDialog(parent), m_kind(kind), m_a(a), m_sources(std::move(sources)), m_model(model), m_sound(std::move(sound)),
      m_result(a)
{
    setWindowTitle(QStringLiteral("Morph"));
    auto* form = new QFormLayout;
    const QString name = QString::fromLatin1(a.mid(CRecordArray::kNameOffset, CRecordArray::kNameLength)).trimmed();
    const QString what = kind == params::Editor::Performance ? QStringLiteral("performance")
                         : kind == params::Editor::Rhythm    ? QStringLiteral("rhythm set")
                                                             : QStringLiteral("patch");
    form->addRow(QStringLiteral("A:"), new QLabel(QStringLiteral("the edited %1, %2").arg(what, name), this));
    m_source = new QComboBox(this);
    m_source->addItems(m_sources.lines);
    m_source->setEnabled(!m_sources.lines.isEmpty());
    form->addRow(QStringLiteral("&B:"), m_source);
    auto* row = new QHBoxLayout;
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, 100);
    m_slider->setMinimumWidth(kSliderWidth);
    m_slider->setPageStep(10);
    m_percent = new QLabel(QStringLiteral("0 %"), this);
    m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
    row->addWidget(m_slider, 1);
    row->addWidget(m_percent);
    auto* blendLabel = new QLabel(QStringLiteral("B&lend:"), this);
    blendLabel->setBuddy(m_slider);
    form->addRow(blendLabel, row);
    auto* layout = new QVBoxLayout(this);
    if (m_sources.lines.isEmpty())
        layout->addWidget(
            new QLabel(QStringLiteral("No open bank or library holds a %1 to morph with.").arg(what), this));
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    m_keep = buttons->addButton(QStringLiteral("&Keep"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Clo&se"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_slider->setEnabled(!m_sources.lines.isEmpty());
    m_keep->setEnabled(!m_sources.lines.isEmpty());
    connect(m_slider, &QSlider::valueChanged, this, &CMorphDlg::update);
    connect(m_source, &QComboBox::currentIndexChanged, this, &CMorphDlg::update);
}

void CMorphDlg::update()
{
    const int t = m_slider->value();
    m_percent->setText(QStringLiteral("%1 %").arg(t));
    const int line = m_source->currentIndex();
    if (line < 0 || !m_sources.record)
        return;
    const QByteArray b = m_sources.record(line);
    if (b.isEmpty())
        return;
    const QByteArray blend = variation::morph(m_kind, m_a, b, t, m_model);
    if (m_sound)
        m_sound(m_result, blend);
    m_result = blend;
}

void CMorphDlg::done(int result)
{
    // Without Keep the instrument sounds A again.
    if (result != QDialog::Accepted && m_result != m_a) {
        if (m_sound)
            m_sound(m_result, m_a);
        m_result = m_a;
    }
    QDialog::done(result);
}
