#include "midi/ui/MidiMonitorWnd.h"

#include "midi/Midi.h"
#include "midi/MidiTrafficModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

CMidiMonitorWnd::CMidiMonitorWnd(CMidi& midi, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_midi(midi), m_model(new CMidiTrafficModel(this))
{
    setObjectName(QStringLiteral("MidiMonitor"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    m_pause = new QPushButton(tr("&Pause"), this);
    m_pause->setCheckable(true);
    m_clear = new QPushButton(tr("C&lear"), this);
    m_copy = new QPushButton(tr("&Copy"), this);
    m_hideRealtime = new QCheckBox(tr("&Hide clock and active sensing"), this);
    m_hideRealtime->setChecked(m_model->hidesRealtime());
    m_status = new QLabel(this);
    bar->addWidget(m_pause);
    bar->addWidget(m_clear);
    bar->addWidget(m_copy);
    bar->addSpacing(12);
    bar->addWidget(m_hideRealtime);
    bar->addStretch(1);
    bar->addWidget(m_status);
    layout->addLayout(bar);

    m_view = new QTreeView(this);
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true); // rows of one height keep long listings fast
    m_view->setAlternatingRowColors(true);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(m_view->font());
    QHeaderView* header = m_view->header();
    header->setStretchLastSection(true);
    header->resizeSection(CMidiTrafficModel::kTime, metrics.horizontalAdvance(QStringLiteral("00000.000")) + 16);
    header->resizeSection(CMidiTrafficModel::kDirection, metrics.horizontalAdvance(QStringLiteral("OUT")) + 16);
    // Wide enough for a one-parameter message; longer ones are cut short, the meaning
    // beside them names what they hold.
    header->resizeSection(CMidiTrafficModel::kBytes,
                          metrics.horizontalAdvance(QString(kBytesColumnPairs * 3, QLatin1Char('0'))) + 16);
    layout->addWidget(m_view, 1);

    connect(m_pause, &QPushButton::toggled, this, [this](bool paused) {
        m_model->setPaused(paused);
        m_pause->setText(paused ? tr("&Resume") : tr("&Pause"));
        updateStatus();
    });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_model->clear();
        m_lost = 0;
        updateStatus();
    });
    connect(m_copy, &QPushButton::clicked, this, &CMidiMonitorWnd::copySelection);
    connect(new QShortcut(QKeySequence::Copy, m_view), &QShortcut::activated, this, &CMidiMonitorWnd::copySelection);
    connect(m_hideRealtime, &QCheckBox::toggled, this, [this](bool hide) { m_model->setHidesRealtime(hide); });
    resize(kDefaultWidth, kDefaultHeight);
    updateStatus();
}

CMidiMonitorWnd::~CMidiMonitorWnd()
{
    disconnect(m_connection);
}

void CMidiMonitorWnd::onTraffic(const QList<MidiTraffic>& messages)
{
    QScrollBar* scroll = m_view->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    m_model->append(messages);
    m_lost += m_midi.takeLostTraffic();
    // The listing follows the newest message unless the user scrolled back to read.
    if (atEnd && !m_model->isPaused())
        m_view->scrollToBottom();
    updateStatus();
}

void CMidiMonitorWnd::updateStatus()
{
    QString text = tr("%n message(s)", nullptr, m_model->rowCount());
    if (m_model->isPaused())
        text += tr(", paused: %n not listed", nullptr, static_cast<int>(m_model->passedWhilePaused()));
    if (m_lost > 0)
        text += tr(", %n lost in a flood", nullptr, static_cast<int>(std::min<quint64>(m_lost, INT_MAX)));
    m_status->setText(text);
}

void CMidiMonitorWnd::copySelection()
{
    QList<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (!rows.isEmpty())
        QApplication::clipboard()->setText(m_model->text(rows));
}

void CMidiMonitorWnd::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_connection)
        m_connection = connect(&m_midi, &CMidi::traffic, this, &CMidiMonitorWnd::onTraffic);
    if (!event->spontaneous())
        emit visibilityChanged(true);
}

void CMidiMonitorWnd::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return; // minimised with its main window: it goes on listing
    // Hidden, the monitor costs the engine nothing.
    disconnect(m_connection);
    m_connection = {};
    emit visibilityChanged(false);
}
