#include "editors/CopyToneDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QGroupBox* toneBox(QWidget* parent, const QString& title, QButtonGroup* group, int checked)
{
    auto* box = new QGroupBox(title, parent);
    auto* column = new QVBoxLayout(box);
    for (int t = 0; t < CCopyToneDlg::kTones; ++t) {
        auto* button = new QRadioButton(QStringLiteral("Tone %1").arg(t + 1), box);
        group->addButton(button, t);
        column->addWidget(button);
    }
    group->button(checked)->setChecked(true);
    return box;
}

} // namespace

CCopyToneDlg::CCopyToneDlg(const QStringList& sourcePatches, QWidget* parent)
    : QDialog(parent), m_source(new QListWidget(this)), m_from(new QButtonGroup(this)), m_to(new QButtonGroup(this))
{
    setWindowTitle(QStringLiteral("Copy Tone"));
    m_source->addItem(QString::fromLatin1(kTempPatch));
    m_source->addItems(sourcePatches);
    m_source->setCurrentRow(0);
    auto* tones = new QHBoxLayout;
    tones->addWidget(toneBox(this, QStringLiteral("From"), m_from, 0));
    tones->addWidget(toneBox(this, QStringLiteral("To"), m_to, 1));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Source Patch:"), this));
    layout->addWidget(m_source);
    layout->addLayout(tones);
    layout->addWidget(buttons);
}

int CCopyToneDlg::sourceIndex() const
{
    return std::max(m_source->currentRow(), 0);
}

int CCopyToneDlg::fromTone() const
{
    return m_from->checkedId();
}

int CCopyToneDlg::toTone() const
{
    return m_to->checkedId();
}
