#include "midi/ui/FindSynthDlg.h"

#include "model/SynthSettings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kNothingText =
    "No synthesizer answered. Check that it is switched on; that its MIDI Out goes to an input of this "
    "computer and an output of this computer goes to its MIDI In (not crossed); and that \"Rx Exclusive\" "
    "is on in its MIDI settings.";

} // namespace

CFindSynthDlg::CFindSynthDlg(CMidiPortProvider& ports, QWidget* parent) : QDialog(parent), m_ports(ports)
{
    setWindowTitle(QStringLiteral("Find Synthesizer"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(QStringLiteral("Asking every device ID on every MIDI port..."), this);
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, SynthSettings::kMaxDeviceId - SynthSettings::kMinDeviceId + 1);
    layout->addWidget(m_progress);
    m_list = new QListWidget(this);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_use = buttons->addButton(QStringLiteral("&Use in Settings"), QDialogButtonBox::AcceptRole);
    m_use->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_use->setEnabled(row >= 0); });
    layout->addWidget(buttons);
    resize(520, 300);
}

CFindSynthDlg::~CFindSynthDlg()
{
    m_stop = true;
}

void CFindSynthDlg::start()
{
    if (m_worker.joinable())
        return;
    m_worker = std::jthread([this] {
        QString error;
        auto found = synthline::findSynths(
            m_ports, synthline::ProbeOptions{}, &error,
            [this](int done, int) {
                QMetaObject::invokeMethod(
                    this, [this, done] { m_progress->setValue(done); }, Qt::QueuedConnection);
            },
            &m_stop);
        QMetaObject::invokeMethod(
            this, [this, found = std::move(found), error]() mutable { finish(std::move(found), error); },
            Qt::QueuedConnection);
    });
}

void CFindSynthDlg::finish(std::vector<synthline::FoundSynth> found, QString error)
{
    m_done = true;
    m_found = std::move(found);
    m_progress->setValue(m_progress->maximum());
    for (const auto& synth : m_found)
        m_list->addItem(describe(synth));
    if (!m_found.empty())
        m_list->setCurrentRow(0);
    m_text->setText(error.isEmpty() ? resultText() : error);
    emit searchFinished();
}

QString CFindSynthDlg::resultText() const
{
    if (m_found.empty())
        return QString::fromLatin1(kNothingText);
    return m_found.size() == 1 ? QStringLiteral("Found: %1.").arg(describe(m_found.front()))
                               : QStringLiteral("%1 synthesizers answered; choose one.").arg(m_found.size());
}

QString CFindSynthDlg::describe(const synthline::FoundSynth& synth)
{
    return QStringLiteral("%1, device ID %2, on port %3 / port %4")
        .arg(QLatin1String(modelName(synth.model)))
        .arg(synth.deviceId + 1)
        .arg(synth.inputName, synth.outputName);
}

std::optional<synthline::FoundSynth> CFindSynthDlg::chosen() const
{
    const int row = m_list->currentRow();
    if (result() != QDialog::Accepted || row < 0 || row >= static_cast<int>(m_found.size()))
        return std::nullopt;
    return m_found[static_cast<std::size_t>(row)];
}

void CFindSynthDlg::done(int result)
{
    // The search ends before the dialog goes: it refers to the dialog.
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
    QDialog::done(result);
}
