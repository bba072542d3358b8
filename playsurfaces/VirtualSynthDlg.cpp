#include "playsurfaces/VirtualSynthDlg.h"

#include "midi/Midi.h"
#include "playsurfaces/Captile.h"
#include "playsurfaces/Knob.h"
#include "playsurfaces/Pickvane.h"
#include "settings/AppSettings.h"
#include "ui/Services.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {

using vsynth::Section;

// The sections in rows as the panel shows them; the tab order runs the same way.
const std::vector<std::vector<Section>> kRows = {
    {Section::OscA, Section::Mix, Section::Filter, Section::OscB},
    {Section::FilterEnv, Section::OscBPitchEg, Section::AmpEnv},
    {Section::Lfo1, Section::Lfo2, Section::Control},
};
constexpr int kColumnWidth = 80;
constexpr int kSpacing = 6;
constexpr int kLabelPointSize = 8;

} // namespace

CVirtualSynthDlg::CVirtualSynthDlg(CServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_sender(services.settings().synth().deviceId)
{
    setObjectName(QStringLiteral("VirtualSynth"));
    setWindowTitle(QString::fromLatin1(kTitle));
    buildPanel();
}

CVirtualSynthDlg::~CVirtualSynthDlg()
{
    stopListening();
}

void CVirtualSynthDlg::buildPanel()
{
    auto* outer = new QVBoxLayout(this);
    outer->setSpacing(kSpacing);
    // The panel scrolls where the screen is smaller than it; the buttons stay in sight.
    auto* panel = new QWidget;
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(kSpacing);
    for (const auto& row : kRows) {
        auto* line = new QHBoxLayout;
        line->setSpacing(kSpacing);
        for (Section section : row)
            line->addWidget(makeSection(section));
        line->addStretch(1);
        rows->addLayout(line);
    }
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(panel);
    outer->addWidget(scroller, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_init = new QPushButton(QStringLiteral("Init"), this);
    m_init->setObjectName(QStringLiteral("Init"));
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("Close"));
    // Enter must not start the patch anew by accident.
    m_init->setAutoDefault(false);
    m_close->setAutoDefault(false);
    buttons->addWidget(m_init);
    buttons->addWidget(m_close);
    outer->addLayout(buttons);
    connect(m_init, &QPushButton::clicked, this, &CVirtualSynthDlg::Initialise);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    // The tab order is the table's: remote control walks it.
    m_tabOrder << m_init << m_close;
    for (qsizetype i = 0; i + 1 < m_tabOrder.size(); ++i)
        QWidget::setTabOrder(m_tabOrder[i], m_tabOrder[i + 1]);
    // The whole panel at most; as much of it as the screen shows at first.
    const QSize whole = QDialog::sizeHint() + (panel->sizeHint() - scroller->sizeHint()).expandedTo(QSize(0, 0));
    QSize first = whole;
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size() - QSize(kFrameAllowance, 2 * kFrameAllowance);
        // Where the panel scrolls one way, its scroll bar takes room the other way:
        // without it the bar would cover the last row (or column) of knobs.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        if (first.width() > room.width())
            first.rheight() += bar;
        if (first.height() > room.height())
            first.rwidth() += bar;
        first = first.boundedTo(room);
    }
    setMaximumSize(whole.expandedTo(first));
    resize(first);
}

QWidget* CVirtualSynthDlg::makeSection(Section section)
{
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(kSpacing, kSpacing, kSpacing, kSpacing);
    layout->setSpacing(kSpacing);

    int columns = 0;
    for (const vsynth::ControlDef& def : vsynth::controls())
        columns += def.section == section ? 1 : 0;
    const int width = columns * kColumnWidth + (columns - 1) * kSpacing;

    const vsynth::Heading& band = vsynth::heading(section);
    auto* heading = new CCaptile(frame);
    if (!heading->create(vsynth::headingState(band, width)))
        m_errors << heading->errorString();
    heading->setFixedSize(width, vsynth::kHeadingHeight);
    m_headings.insert(static_cast<int>(section), heading);
    layout->addWidget(heading);

    QFont labelFont = font();
    labelFont.setPointSize(kLabelPointSize);
    auto* row = new QHBoxLayout;
    row->setSpacing(kSpacing);
    for (const vsynth::ControlDef& def : vsynth::controls()) {
        if (def.section != section)
            continue;
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        auto* label = new QLabel(def.label, frame);
        label->setFont(labelFont);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        label->setFixedWidth(kColumnWidth);
        column->addWidget(label);
        CControlSite* site = nullptr;
        if (def.choice) {
            auto* choice = new CPickvane(frame);
            if (!choice->create(vsynth::choiceState(def)))
                m_errors << choice->errorString();
            choice->setFixedSize(vsynth::kChoiceSize);
            connect(choice, &CPickvane::sendString, this,
                    [this, &def](const QString&, int value) { onSend(def, value); });
            m_choices.insert(def.id, choice);
            site = choice;
        } else {
            auto* knob = new CKnob(frame);
            if (!knob->create(vsynth::knobState(def)))
                m_errors << knob->errorString();
            knob->setFixedSize(vsynth::kKnobSize);
            connect(knob, &CKnob::sendString, this, [this, &def](const QString&, int value) { onSend(def, value); });
            m_knobs.insert(def.id, knob);
            site = knob;
        }
        site->setObjectName(QStringLiteral("Control%1").arg(def.id));
        site->setToolTip(QStringLiteral("%1 %2").arg(vsynth::heading(section).caption, def.label));
        column->addWidget(site, 0, Qt::AlignHCenter | Qt::AlignTop);
        column->addStretch(1);
        row->addLayout(column);
        m_tabOrder << (site->control() ? site->control() : site);
    }
    layout->addLayout(row);
    return frame;
}

// ---------------------------------------------------------------- sending

int CVirtualSynthDlg::choiceValue(int id) const
{
    const CPickvane* control = m_choices.value(id);
    return control ? control->GetListValue(control->GetSelection()) : 0;
}

int CVirtualSynthDlg::knobValue(int id) const
{
    const CKnob* control = m_knobs.value(id);
    return control ? control->GetValue() : 0;
}

CVirtualSynthSender::Values CVirtualSynthDlg::currentValues() const
{
    using namespace vsynth::id;
    CVirtualSynthSender::Values values;
    values.octave = choiceValue(kOctave);
    values.interval = knobValue(kInterval);
    values.lfo1Depth = knobValue(kLfo1Depth);
    values.lfo1Dest = choiceValue(kLfo1Dest);
    values.lfo2Depth = knobValue(kLfo2Depth);
    values.lfo2Dest = choiceValue(kLfo2Dest);
    values.wheel = choiceValue(kWheel);
    values.pressure = choiceValue(kPressure);
    return values;
}

void CVirtualSynthDlg::sendMessages(const QList<QByteArray>& messages)
{
    if (messages.isEmpty())
        return;
    // One buffer per event: the engine sends its messages one after another.
    QByteArray bytes;
    for (const QByteArray& message : messages)
        bytes += message;
    m_services.midi().SendLong(bytes);
}

void CVirtualSynthDlg::onSend(const vsynth::ControlDef& def, int value)
{
    sendMessages(m_sender.messages(def, value, currentValues()));
}

void CVirtualSynthDlg::start()
{
    Initialise();
    if (!m_listening) {
        m_services.midi().AddListener(this);
        m_listening = true;
    }
}

void CVirtualSynthDlg::Initialise()
{
    m_sender.setDeviceId(m_services.settings().synth().deviceId);
    // A choice made by a controller has become the control's stored choice; the
    // panel's own first choices come back, without a sound, before the resets.
    for (int id : vsynth::choiceResetOrder()) {
        if (CPickvane* control = m_choices.value(id)) {
            const QSignalBlocker quiet(control);
            control->SetSelection(vsynth::control(id).initial);
        }
    }
    sendMessages(m_sender.initialPatch());
    for (int id : vsynth::knobResetOrder())
        if (CKnob* control = m_knobs.value(id))
            control->Reset();
    for (int id : vsynth::choiceResetOrder())
        if (CPickvane* control = m_choices.value(id))
            control->Reset();
}

// ---------------------------------------------------------------- remote control and keys

QWidget* CVirtualSynthDlg::controlSiteOf(QWidget* widget) const
{
    for (QWidget* w = widget; w && w != this; w = w->parentWidget())
        if (qobject_cast<CKnob*>(w) || qobject_cast<CPickvane*>(w))
            return w;
    return nullptr;
}

void CVirtualSynthDlg::remoteValue(int value, int controller)
{
    if (m_tabOrder.isEmpty())
        return;
    const int steps = controller - m_services.settings().midi().remote;
    // From the control that has the focus, as many stops along the tab order as the
    // controller lies above (forward) or below (backward) the remote controller.
    qsizetype at = -1;
    if (QWidget* focused = focusWidget()) {
        for (qsizetype i = 0; i < m_tabOrder.size() && at < 0; ++i)
            if (m_tabOrder[i] == focused || m_tabOrder[i]->isAncestorOf(focused))
                at = i;
    }
    if (at < 0)
        at = 0;
    const auto count = m_tabOrder.size();
    const qsizetype moved = ((at + steps) % count + count) % count;
    QWidget* reached = controlSiteOf(m_tabOrder[moved]);
    if (auto* knob = qobject_cast<CKnob*>(reached))
        knob->ApplyRemote(value);
    else if (auto* choice = qobject_cast<CPickvane*>(reached))
        choice->ApplyRemote(value);
}

void CVirtualSynthDlg::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() == 1 && text[0] >= QLatin1Char('1') && text[0] <= QLatin1Char('4')) {
        const int id = vsynth::focusKeys()[static_cast<std::size_t>(text[0].unicode() - '1')];
        QWidget* site = m_knobs.contains(id) ? static_cast<QWidget*>(m_knobs.value(id))
                                             : static_cast<QWidget*>(m_choices.value(id));
        if (site)
            site->setFocus(Qt::ShortcutFocusReason);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CVirtualSynthDlg::stopListening()
{
    if (m_listening) {
        m_services.midi().RemoveListener(this);
        m_listening = false;
    }
}

void CVirtualSynthDlg::done(int result)
{
    stopListening();
    QDialog::done(result);
}
