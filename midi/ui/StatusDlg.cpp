#include "midi/ui/StatusDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QString kStopSending = QStringLiteral("Click the Stop-button to stop sending MIDI data.");
const QString kStopReceiving = QStringLiteral("Click the Stop-button to stop receiving MIDI data.");
const QString kStartDump = QStringLiteral("Start bulk dump from your synth.");
} // namespace

CStatusDlg::CStatusDlg(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("StatusDlg"));
    setWindowTitle(QStringLiteral("Status"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_sendLine = new QLabel(kStopSending, this);
    m_startLine = new QLabel(kStartDump, this);
    m_receiveLine = new QLabel(kStopReceiving, this);
    m_phaseLine = new QLabel(this);
    m_phaseLine->setObjectName(QStringLiteral("PhaseLine"));
    m_phaseLine->setWordWrap(true);
    m_phaseLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_backupLine = new QLabel(this);
    m_backupLine->setObjectName(QStringLiteral("BackupLine"));
    m_backupLine->setWordWrap(true);
    m_backupLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long folder names wrap instead of widening the window past a small screen.
    constexpr int kLineWidth = 420;
    m_phaseLine->setFixedWidth(kLineWidth);
    m_backupLine->setFixedWidth(kLineWidth);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(true);
    layout->addWidget(m_sendLine);
    layout->addWidget(m_startLine);
    layout->addWidget(m_receiveLine);
    layout->addWidget(m_phaseLine);
    layout->addWidget(m_backupLine);
    layout->addWidget(m_progress);
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    // Wide enough for a few lines of causes, narrow enough for a small screen.
    constexpr int kNoticeWidth = 420;
    m_notice->setFixedWidth(kNoticeWidth);
    m_notice->hide();
    layout->addWidget(m_notice);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setDefault(true);
    buttons->addWidget(m_stop);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_stop, &QPushButton::clicked, this, &CStatusDlg::stopClicked);
    setMode(Mode::Sending, -1);
}

void CStatusDlg::setMode(Mode mode, long expected)
{
    m_mode = mode;
    m_outcome = false;
    m_stop->setText(QStringLiteral("&Stop"));
    m_progress->setFormat(QStringLiteral("%p%"));
    setPhase(QString());
    setBackupLine(QString());
    switch (mode) {
    case Mode::Sending:
        m_sendLine->setText(kStopSending);
        m_sendLine->show();
        m_startLine->hide();
        m_receiveLine->hide();
        break;
    case Mode::ReceivingRequest:
        m_sendLine->setText(kStopReceiving);
        m_sendLine->show();
        m_startLine->hide();
        m_receiveLine->hide();
        break;
    case Mode::ReceivingManual:
        m_sendLine->hide();
        m_startLine->show();
        m_receiveLine->show();
        break;
    }
    setNotice(QString());
    m_progress->setVisible(expected > 0);
    m_progress->setRange(0, expected > 0 ? static_cast<int>(expected) : 1);
    m_progress->setValue(0);
}

void CStatusDlg::setProgress(long bytes)
{
    if (m_progress->isVisible())
        m_progress->setValue(static_cast<int>(std::min<long>(bytes, m_progress->maximum())));
}

void CStatusDlg::setPhase(const QString& text)
{
    m_phaseLine->setText(text);
    m_phaseLine->setVisible(!text.isEmpty());
}

void CStatusDlg::setBackupLine(const QString& text)
{
    m_backupLine->setText(text);
    m_backupLine->setVisible(!text.isEmpty());
}

void CStatusDlg::setRecordProgress(int done, int total)
{
    m_progress->setVisible(total > 0);
    m_progress->setRange(0, std::max(1, total));
    m_progress->setFormat(QStringLiteral("%v of %m"));
    m_progress->setValue(std::clamp(done, 0, std::max(1, total)));
}

void CStatusDlg::showOutcome(const QString& text)
{
    m_outcome = true;
    m_sendLine->hide();
    m_startLine->hide();
    m_receiveLine->hide();
    m_progress->hide();
    setPhase(text);
    m_stop->setText(QStringLiteral("&Close"));
}

void CStatusDlg::setNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

void CStatusDlg::reject()
{
    emit stopClicked();
}
