#include "bank/ui/CopyToPatchDlg.h"

#include "model/Reporter.h"
#include "model/RhythmKeyNames.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

CCopyToPatchDlg::CCopyToPatchDlg(const QStringList& patches, CReporter& reporter, QWidget* parent)
    : QDialog(parent), m_reporter(reporter), m_keys(new QListWidget(this)), m_patches(new QComboBox(this))
{
    setWindowTitle(QStringLiteral("Copy to Patch"));
    m_keys->setSelectionMode(QAbstractItemView::MultiSelection);
    m_keys->addItems(rhythmkeys::keyNames());
    m_patches->addItems(patches);
    m_patches->setCurrentIndex(0);
    m_patches->setMaxVisibleItems(16);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CCopyToPatchDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select four keys \nto put in a patch:"), this));
    layout->addWidget(m_keys);
    layout->addWidget(new QLabel(QStringLiteral("Select the patch where you\nwant to save the new patch:"), this));
    layout->addWidget(m_patches);
    layout->addWidget(buttons);
}

QString CCopyToPatchDlg::selectFourText(int selected)
{
    const QString count = selected == 0   ? QStringLiteral("no key is selected")
                          : selected == 1 ? QStringLiteral("1 key is selected")
                                          : QStringLiteral("%1 keys are selected").arg(selected);
    return QStringLiteral("Please select four keys to put in the patch, one for each tone; %1.").arg(count);
}

std::array<int, CBankOperations::kCopyToPatchKeys> CCopyToPatchDlg::keys() const
{
    std::vector<int> rows;
    for (const QListWidgetItem* item : m_keys->selectedItems())
        rows.push_back(m_keys->row(item));
    std::sort(rows.begin(), rows.end());
    std::array<int, CBankOperations::kCopyToPatchKeys> keys{-1, -1, -1, -1};
    std::copy_n(rows.begin(), std::min(rows.size(), keys.size()), keys.begin());
    return keys;
}

int CCopyToPatchDlg::patchIndex() const
{
    return std::max(m_patches->currentIndex(), 0);
}

void CCopyToPatchDlg::accept()
{
    if (m_keys->selectedItems().size() != CBankOperations::kCopyToPatchKeys) {
        m_reporter.showMessage(MessageIcon::Exclamation, selectFourText(int(m_keys->selectedItems().size())));
        return; // the dialog stays open
    }
    QDialog::accept();
}
