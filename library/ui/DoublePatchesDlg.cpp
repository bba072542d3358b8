#include "library/ui/DoublePatchesDlg.h"

#include "library/DoublePatchFinder.h"
#include "library/LibraryRecord.h"
#include "library/PatchSimilarity.h"

#include <QFile>
#include <QSpinBox>
#include <QStringList>

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CDoublePatchesDlg::CDoublePatchesDlg(const QString& path, int entries, QWidget* parent, NameFn nameOf, ChooseFn choose)
    : QDialog(parent), m_path(path), m_nameOf(std::move(nameOf)), m_choose(std::move(choose))
{
    setWindowTitle(QStringLiteral("Find double patches"));
    auto* layout = new QVBoxLayout(this);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);
    auto* thresholdRow = new QHBoxLayout;
    auto* thresholdLabel = new QLabel(QStringLiteral("&Alike at least:"), this);
    m_threshold = new QSpinBox(this);
    m_threshold->setRange(50, 100);
    m_threshold->setValue(100);
    m_threshold->setSuffix(QStringLiteral(" %"));
    thresholdLabel->setBuddy(m_threshold);
    thresholdRow->addWidget(thresholdLabel);
    thresholdRow->addWidget(m_threshold);
    thresholdRow->addStretch();
    layout->addLayout(thresholdRow);
    layout->addWidget(new QLabel(QStringLiteral("Double patches found:"), this));
    m_list = new QListWidget(this);
    m_list->setMinimumSize(360, 200);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setDefault(true);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    m_pairs = CDoublePatchFinder::pairCount(entries);
    m_progress->setRange(0, static_cast<int>(std::min<qint64>(m_pairs, kMaxBarRange)));
    m_progress->setValue(0);

    m_finder = new CDoublePatchFinder(this);
    connect(m_finder, &CDoublePatchFinder::pairCompared, this, &CDoublePatchesDlg::showProgress);
    connect(m_finder, &CDoublePatchFinder::pairFound, this, &CDoublePatchesDlg::addPair);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (!m_choose || !item)
            return;
        const QList<int> members = item->data(Qt::UserRole).value<QList<int>>();
        m_choose(std::vector<int>(members.begin(), members.end()));
    });
    connect(m_finder, &CDoublePatchFinder::done, this, [this](bool completed) {
        if (!completed)
            return;
        // With no pair to compare the bar would only show that it is busy.
        if (m_pairs == 0)
            m_progress->setRange(0, 1);
        m_progress->setValue(m_progress->maximum());
    });
    connect(m_threshold, &QSpinBox::valueChanged, this, &CDoublePatchesDlg::restart);
    m_finder->start(path);
}

void CDoublePatchesDlg::stopNear()
{
    if (m_near.joinable()) {
        m_near.request_stop();
        m_near.join();
    }
}

void CDoublePatchesDlg::restart()
{
    m_finder->stop();
    stopNear();
    m_list->clear();
    m_groups = CDoubleGroups();
    m_progress->setValue(0);
    if (m_threshold->value() >= 100) {
        m_progress->setRange(0, static_cast<int>(std::min<qint64>(m_pairs, kMaxBarRange)));
        m_finder->start(m_path);
        return;
    }
    // The near search has no count of pairs to show: the bar is busy until it is done.
    m_progress->setRange(0, 0);
    const double threshold = m_threshold->value();
    m_near = std::jthread([this, threshold, path = m_path](std::stop_token stop) {
        similarity::CSimilarityIndex index;
        QStringList lines;
        QList<QList<int>> members;
        bool completed = index.build(path, stop);
        if (completed) {
            // The names, read once for the lines.
            QFile file(path);
            std::vector<QByteArray> names;
            if (file.open(QIODevice::ReadOnly))
                for (int n = 0; n < index.count(); ++n) {
                    file.seek(qint64(n) * clb::kRecordSize + clb::kOffName);
                    names.push_back(file.read(clb::kNameLength).trimmed());
                }
            const auto name = [&](int n) {
                return n < static_cast<int>(names.size()) ? QString::fromLatin1(names[static_cast<std::size_t>(n)])
                                                          : QString();
            };
            completed = index.pairs(
                threshold,
                [&](int a, int b, double percent) {
                    lines << QStringLiteral("\"%1\" and \"%2\" are %3 alike")
                                 .arg(name(a), name(b), similarity::percentText(percent, percent >= 100.0));
                    members << QList<int>{a, b};
                },
                stop);
        }
        if (!completed)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, lines, members] {
                for (qsizetype i = 0; i < lines.size(); ++i) {
                    auto* item = new QListWidgetItem(lines[i], m_list);
                    item->setData(Qt::UserRole, QVariant::fromValue(members[i]));
                }
                m_progress->setRange(0, 1);
                m_progress->setValue(1);
            },
            Qt::QueuedConnection);
    });
}

CDoublePatchesDlg::~CDoublePatchesDlg()
{
    m_finder->stop();
    stopNear();
}

bool CDoublePatchesDlg::isSearching() const
{
    return m_finder->isRunning() || (m_near.joinable() && m_progress->maximum() == 0);
}

void CDoublePatchesDlg::addPair(int first, int second, const QString& text)
{
    if (!m_nameOf) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setData(Qt::UserRole, QVariant::fromValue(QList<int>{first, second}));
        return;
    }
    const int group = m_groups.add(first, second);
    const std::vector<int>& members = m_groups.groups()[static_cast<std::size_t>(group)];
    QListWidgetItem* item = group < m_list->count() ? m_list->item(group) : new QListWidgetItem(m_list);
    if (item->data(Qt::UserRole).value<QList<int>>().size() == static_cast<qsizetype>(members.size()))
        return; // a pair within a group already listed whole
    std::vector<QByteArray> names;
    for (int e : members)
        names.push_back(m_nameOf(e));
    item->setText(CDoubleGroups::text(names));
    item->setData(Qt::UserRole, QVariant::fromValue(QList<int>(members.begin(), members.end())));
}

void CDoublePatchesDlg::showProgress(qint64 pairsDone)
{
    if (m_pairs <= kMaxBarRange)
        m_progress->setValue(static_cast<int>(pairsDone));
    else
        m_progress->setValue(static_cast<int>(double(pairsDone) / double(m_pairs) * kMaxBarRange));
}

void CDoublePatchesDlg::done(int result)
{
    // The dialog never goes while the worker reads: it is stopped and waited for.
    m_finder->stop();
    stopNear();
    QDialog::done(result);
}
