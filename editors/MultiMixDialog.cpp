#include "editors/MultiMixDialog.h"

#include "settings/AppSettings.h"
#include "ui/Services.h"
#include "ui/ValueKnob.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

constexpr int kByteMax = 127;
constexpr int kMuteBelow = 64; // a remote value below it ticks the mute box
constexpr int kCaptionWidth = 32;
constexpr int kCaptionHeight = 20;

const params::Param& rowParam(int row)
{
    return params::row(QString::fromLatin1(params::mixRows()[static_cast<std::size_t>(row)].id));
}

} // namespace

CMultiMixDialog::CMultiMixDialog(CRecordEdit& edit, CServices& services, QWidget* parent)
    : CTabPage(edit, services, parent)
{
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    const std::vector<params::MixRow>& rows = params::mixRows();
    m_rows.resize(rows.size());
    m_values.resize(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const params::MixRow& mix = rows[r];
        const int row = static_cast<int>(r);
        auto* label = new QLabel(QString::fromLatin1(mix.label), this);
        grid->addWidget(label, row, 0);
        for (int part = 0; part < kParts; ++part) {
            QWidget* w = nullptr;
            if (mix.control == params::Control::Check) {
                auto* box = new QCheckBox(this);
                connect(box, &QCheckBox::toggled, this, [this, row, part](bool on) {
                    if (m_loading == 0)
                        changed(row, part, on ? 0 : 1);
                });
                w = box;
            } else if (QLatin1String(mix.id) == QLatin1String("part.level")) {
                auto* slider = new QSlider(Qt::Vertical, this);
                slider->setRange(0, kByteMax);
                slider->setMinimumHeight(110);
                connect(slider, &QSlider::valueChanged, this, [this, row, part](int value) {
                    if (m_loading == 0)
                        changed(row, part, value);
                });
                // A level dragged from here to there is one undo step.
                connect(slider, &QSlider::sliderPressed, this, [this] { this->edit().beginStep(); });
                connect(slider, &QSlider::sliderReleased, this, [this] { this->edit().endStep(); });
                w = slider;
            } else {
                CValueKnob* knob = services.createKnob(this);
                if (!knob)
                    knob = new CDialKnob(this);
                knob->setRange(0, kByteMax);
                // One turn of a knob is one undo step; every value of it sounds at once.
                connect(knob, &CValueKnob::userChanged, this, [this, row, part, knob](int value) {
                    const CRecordEdit::Run run(this->edit(), knob);
                    changed(row, part, value);
                });
                connect(knob, &CValueKnob::turnEnded, this, [this, knob] { this->edit().endRun(knob); });
                w = knob;
            }
            w->setObjectName(QStringLiteral("%1/%2").arg(QLatin1String(mix.id)).arg(part));
            w->setAccessibleName(QStringLiteral("%1 %2").arg(QString::fromLatin1(mix.label).chopped(1)).arg(part + 1));
            QLabel* value = nullptr;
            if (mix.control == params::Control::Check) {
                grid->addWidget(w, row, part + 1, Qt::AlignHCenter);
            } else {
                // The value under the knob or slider, as the virtual synth shows it.
                auto* cell = new QVBoxLayout;
                cell->setSpacing(0);
                cell->addWidget(w, 1, Qt::AlignHCenter);
                value = new QLabel(this);
                value->setObjectName(QStringLiteral("%1/%2/value").arg(QLatin1String(mix.id)).arg(part));
                value->setAlignment(Qt::AlignHCenter);
                cell->addWidget(value);
                grid->addLayout(cell, row, part + 1);
            }
            m_values[r].push_back(value);
            m_rows[r].push_back(w);
            m_stops.push_back(w);
        }
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_1 + row)), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        // Alt+1 .. Alt+6: the row's control of the part that has the focus.
        connect(shortcut, &QShortcut::activated, this,
                [this, r] { m_rows[r][static_cast<std::size_t>(focusedPart())]->setFocus(Qt::ShortcutFocusReason); });
    }
    for (int part = 0; part < kParts; ++part) {
        QWidget* caption = services.createCaption(QString::number(part + 1), this);
        if (!caption) {
            auto* label = new QLabel(QString::number(part + 1), this);
            label->setAlignment(Qt::AlignCenter);
            label->setFrameShape(QFrame::Panel);
            label->setFrameShadow(QFrame::Sunken);
            caption = label;
        }
        caption->setMinimumSize(kCaptionWidth, kCaptionHeight);
        grid->addWidget(caption, static_cast<int>(rows.size()), part + 1);
        m_captions.push_back(caption);
        grid->setColumnStretch(part + 1, 1);
    }
    // Tab order: row after row, as the strips are read.
    for (std::size_t i = 1; i < m_stops.size(); ++i)
        setTabOrder(m_stops[i - 1], m_stops[i]);
    outer->addLayout(grid);
    outer->addStretch(1);
}

QWidget* CMultiMixDialog::control(int row, int part) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || part < 0 || part >= kParts)
        return nullptr;
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(part)];
}

CValueKnob* CMultiMixDialog::knob(int row, int part) const
{
    return qobject_cast<CValueKnob*>(control(row, part));
}

QSlider* CMultiMixDialog::levelSlider(int part) const
{
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (auto* slider = qobject_cast<QSlider*>(m_rows[r][static_cast<std::size_t>(part)]))
            return slider;
    }
    return nullptr;
}

QCheckBox* CMultiMixDialog::muteBox(int part) const
{
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (auto* box = qobject_cast<QCheckBox*>(m_rows[r][static_cast<std::size_t>(part)]))
            return box;
    }
    return nullptr;
}

QWidget* CMultiMixDialog::caption(int part) const
{
    return part >= 0 && part < kParts ? m_captions[static_cast<std::size_t>(part)] : nullptr;
}

QString CMultiMixDialog::captionText(int part) const
{
    QWidget* w = caption(part);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    return w ? w->property("caption").toString() : QString();
}

void CMultiMixDialog::loadFromRecord()
{
    // Setting 64 knobs, 16 sliders and 16 boxes is no change of the user's: nothing is sent.
    ++m_loading;
    const std::vector<params::MixRow>& rows = params::mixRows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const params::Param& p = rowParam(static_cast<int>(r));
        for (int part = 0; part < kParts; ++part) {
            const int value = edit().value(p, part);
            showValue(static_cast<int>(r), part, value);
            QWidget* w = m_rows[r][static_cast<std::size_t>(part)];
            if (auto* knob = qobject_cast<CValueKnob*>(w))
                knob->setValue(value);
            else if (auto* slider = qobject_cast<QSlider*>(w))
                slider->setValue(value);
            else if (auto* box = qobject_cast<QCheckBox*>(w))
                box->setChecked(rows[r].inverted ? value == 0 : value != 0);
        }
    }
    --m_loading;
}

void CMultiMixDialog::changed(int row, int part, int value)
{
    edit().change(rowParam(row), part, value);
    showValue(row, part, edit().value(rowParam(row), part));
}

void CMultiMixDialog::showValue(int row, int part, int value)
{
    QLabel* label = valueLabel(row, part);
    if (!label)
        return;
    const QString text = params::shownText(rowParam(row), value);
    label->setText(text);
    const params::MixRow& mix = params::mixRows()[static_cast<std::size_t>(row)];
    control(row, part)->setToolTip(
        QStringLiteral("Part %1 %2 %3").arg(part + 1).arg(QString::fromLatin1(mix.label), text));
}

QLabel* CMultiMixDialog::valueLabel(int row, int part) const
{
    if (row < 0 || row >= static_cast<int>(m_values.size()) || part < 0 || part >= kParts)
        return nullptr;
    return m_values[static_cast<std::size_t>(row)][static_cast<std::size_t>(part)];
}

int CMultiMixDialog::focusedPart() const
{
    const QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return 0;
    for (const auto& row : m_rows)
        for (std::size_t part = 0; part < row.size(); ++part)
            if (row[part] == focus || row[part]->isAncestorOf(focus))
                return static_cast<int>(part);
    return 0;
}

void CMultiMixDialog::remoteValue(int value, int controller)
{
    const int d = controller - services().settings().midi().remote;
    const auto focused = std::find_if(m_stops.begin(), m_stops.end(), [](QWidget* w) {
        const QWidget* focus = QApplication::focusWidget();
        return focus && (w == focus || w->isAncestorOf(focus));
    });
    if (focused == m_stops.end())
        return;
    const auto at = static_cast<int>(focused - m_stops.begin()) + d;
    if (at < 0 || at >= static_cast<int>(m_stops.size()) || value < 0 || value > kByteMax)
        return;
    QWidget* target = m_stops[static_cast<std::size_t>(at)];
    if (auto* knob = qobject_cast<CValueKnob*>(target)) {
        knob->applyRemote(value);
    } else if (auto* slider = qobject_cast<QSlider*>(target)) {
        if (std::abs(slider->value() - value) <= CValueKnob::kRemoteCatch)
            slider->setValue(value);
    } else if (auto* box = qobject_cast<QCheckBox*>(target)) {
        box->setChecked(value < kMuteBelow);
    }
}
