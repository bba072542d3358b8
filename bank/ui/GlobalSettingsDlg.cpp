#include "bank/ui/GlobalSettingsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CGlobalSettingsDlg::CGlobalSettingsDlg(int fontSize, QWidget* parent)
    : QDialog(parent), m_initial(fontSize), m_sizes(new QComboBox(this))
{
    setWindowTitle(QStringLiteral("Global Settings"));
    for (int size = kSmallest; size <= kLargest; ++size)
        m_sizes->addItem(QString::number(size));
    m_sizes->setCurrentIndex(m_sizes->findText(QString::number(fontSize)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Font Size in Bank View:"), this));
    layout->addWidget(m_sizes);
    layout->addWidget(buttons);
}

int CGlobalSettingsDlg::fontSize() const
{
    bool ok = false;
    const int size = m_sizes->currentText().toInt(&ok);
    return ok && m_sizes->currentIndex() >= 0 ? size : m_initial;
}
