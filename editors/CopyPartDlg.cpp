#include "editors/CopyPartDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// A titled box of radio buttons, two columns of eight, the given one checked.
QGroupBox* radioBox(QWidget* parent, const QString& title, QButtonGroup* group, int count, int checked)
{
    auto* box = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(box);
    const int rows = (count + 1) / 2;
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(QStringLiteral("Part %1").arg(i + 1), box);
        group->addButton(button, i);
        grid->addWidget(button, i % rows, i / rows);
    }
    group->button(checked)->setChecked(true);
    return box;
}

} // namespace

CCopyPartDlg::CCopyPartDlg(QWidget* parent)
    : QDialog(parent), m_from(new QButtonGroup(this)), m_to(new QButtonGroup(this))
{
    setWindowTitle(QStringLiteral("Copy Part"));
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(radioBox(this, QStringLiteral("From"), m_from, kParts, 0));
    boxes->addWidget(radioBox(this, QStringLiteral("To"), m_to, kParts, 1));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addWidget(buttons);
}

int CCopyPartDlg::fromPart() const
{
    return m_from->checkedId();
}

int CCopyPartDlg::toPart() const
{
    return m_to->checkedId();
}
