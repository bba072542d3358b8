#include "midi/ui/ReceiveDlg.h"

#include "midi/Midi.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

CReceiveDlg::CReceiveDlg(const CMidi& midi, int previous, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReceiveDlg"));
    setWindowTitle(QStringLiteral("Receive"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->addItem(QStringLiteral("Manual"));
    for (int i = 0; i < midi.GetRequestCount(); ++i)
        m_list->addItem(midi.GetRequestName(i));
    // The list always opens on "Manual"; the last choice is kept by the caller only.
    Q_UNUSED(previous);
    m_list->setCurrentRow(0);
    m_list->setMinimumHeight(m_list->sizeHintForRow(0) * (m_list->count() + 1));
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
}

int CReceiveDlg::selection() const
{
    return m_list->currentRow() - 1;
}
