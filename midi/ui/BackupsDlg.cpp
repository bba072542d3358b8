#include "midi/ui/BackupsDlg.h"

#include "midi/BackupList.h"
#include "ui/Prompter.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { kDate, kModel, kSize, kHolds, kColumnCount };
constexpr int kPathRole = Qt::UserRole;

} // namespace

CBackupsDlg::CBackupsDlg(const QString& folder, CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_folder(folder), m_prompter(prompter)
{
    setObjectName(QStringLiteral("BackupsDlg"));
    setWindowTitle(QStringLiteral("Backups"));
    auto* layout = new QVBoxLayout(this);
    m_where = new QLabel(this);
    m_where->setWordWrap(true);
    m_where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_where);
    m_list = new QTreeWidget(this);
    m_list->setColumnCount(kColumnCount);
    m_list->setHeaderLabels(
        {QStringLiteral("Date"), QStringLiteral("Model"), QStringLiteral("Size"), QStringLiteral("What it holds")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_open = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::ActionRole);
    m_restore = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::ActionRole);
    m_delete = buttons->addButton(QStringLiteral("&Delete"), QDialogButtonBox::ActionRole);
    m_open->setToolTip(QStringLiteral("Open the backup as a bank window"));
    m_restore->setToolTip(QStringLiteral("Send the backup back to the synthesizer and verify it"));
    m_delete->setToolTip(QStringLiteral("Delete the backup file"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_open, &QPushButton::clicked, this, [this] {
        if (const QString path = current(); !path.isEmpty())
            emit openRequested(path);
    });
    connect(m_restore, &QPushButton::clicked, this, [this] {
        const QString path = current();
        if (path.isEmpty())
            return;
        const QString question = QStringLiteral("This will send %1 back to your synth and overwrite what its "
                                                "memory holds there now. Do you want to execute it ?")
                                     .arg(QFileInfo(path).fileName());
        if (m_prompter.ask(question) == CPrompter::Answer::Yes)
            emit restoreRequested(path);
    });
    connect(m_delete, &QPushButton::clicked, this, &CBackupsDlg::deleteCurrent);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CBackupsDlg::updateButtons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { m_open->click(); });
    // Fits a 1024x768 screen with room to spare.
    resize(680, 380);
    refresh();
}

void CBackupsDlg::refresh()
{
    const QString previous = current();
    m_list->clear();
    const std::vector<backups::Entry> entries = backups::list(m_folder);
    const QLocale locale;
    for (const backups::Entry& e : entries) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(kDate, locale.toString(e.when, QStringLiteral("yyyy-MM-dd HH:mm")));
        item->setText(kModel, backups::modelText(e.model));
        // The memory it came from (the first word of its title), then what it holds.
        const QString memory = e.title.section(QLatin1Char(' '), 0, 0);
        const bool named =
            memory == QLatin1String("User") || memory == QLatin1String("Card") || memory == QLatin1String("Temporary");
        item->setText(kHolds, named ? QStringLiteral("%1: %2").arg(memory, e.contents) : e.contents);
        item->setToolTip(kHolds, QFileInfo(e.path).fileName());
        item->setText(kSize, backups::sizeText(e.size));
        item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(kDate, kPathRole, e.path);
        item->setToolTip(kDate, QDir::toNativeSeparators(e.path));
        if (e.path == previous)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    for (int c = 0; c < kHolds; ++c)
        m_list->resizeColumnToContents(c);
    m_where->setText(entries.empty()
                         ? QStringLiteral("No backups yet in %1. A send that overwrites user or card memory makes "
                                          "one first.")
                               .arg(QDir::toNativeSeparators(m_folder))
                         : QStringLiteral("%1 backups in %2, the newest first.")
                               .arg(entries.size())
                               .arg(QDir::toNativeSeparators(m_folder)));
    updateButtons();
}

QString CBackupsDlg::current() const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    return item ? item->data(kDate, kPathRole).toString() : QString();
}

void CBackupsDlg::updateButtons()
{
    const bool chosen = !current().isEmpty();
    m_open->setEnabled(chosen);
    m_restore->setEnabled(chosen);
    m_delete->setEnabled(chosen);
}

void CBackupsDlg::deleteCurrent()
{
    const QString path = current();
    if (path.isEmpty())
        return;
    if (m_prompter.ask(QStringLiteral("Delete the backup %1?").arg(QFileInfo(path).fileName()))
        != CPrompter::Answer::Yes)
        return;
    QString error;
    if (!backups::remove(path, &error))
        m_prompter.showMessage(MessageIcon::Exclamation, error);
    refresh();
}
