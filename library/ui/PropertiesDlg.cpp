#include "library/ui/PropertiesDlg.h"

#include "library/ui/KeyChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

CPropertiesDlg::CPropertiesDlg(const CLibraryDocument& document, int entry, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Properties"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
    m_name = new QLineEdit(this);
    m_name->setMaxLength(clb::kNameLength);
    // Names travel inside System Exclusive messages: printable 7-bit characters only.
    m_name->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\x20-\\x7E]{0,12}")), m_name));
    top->addWidget(m_name, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Date:"), this), 1, 0);
    m_date = new QLabel(QStringLiteral("09.10.1971 10:10"), this);
    top->addWidget(m_date, 1, 1);
    layout->addLayout(top);

    auto* frame = new QGroupBox(QStringLiteral("Keys"), this);
    auto* grid = new QGridLayout(frame);
    for (int slot = 0; slot < clb::kKeyCount; ++slot) {
        auto* group = new QComboBox(frame);
        auto* key = new QComboBox(frame);
        group->setMinimumContentsLength(14);
        key->setMinimumContentsLength(14);
        grid->addWidget(new QLabel(QStringLiteral("Keygroup:"), frame), slot, 0);
        grid->addWidget(group, slot, 1);
        grid->addWidget(new QLabel(QStringLiteral("Key:"), frame), slot, 2);
        grid->addWidget(key, slot, 3);
        m_keys[static_cast<std::size_t>(slot)] = new CKeyChoice(document.keyNames(), group, key, this);
    }
    layout->addWidget(frame);

    auto* commentRow = new QHBoxLayout;
    commentRow->addWidget(new QLabel(QStringLiteral("Comment:"), this));
    m_comment = new QLineEdit(this);
    m_comment->setMaxLength(clb::kMaxComment);
    commentRow->addWidget(m_comment);
    layout->addLayout(commentRow);
    m_forAll = new QCheckBox(QString::fromLatin1(kForAllText), this);
    layout->addWidget(m_forAll);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    QString name = document.name(entry);
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    m_name->setText(name);
    m_date->setText(document.date(entry));
    m_comment->setText(document.comment(entry));
    const CLibraryEntry& e = document.entry(entry);
    for (int slot = 0; slot < clb::kKeyCount; ++slot) {
        CKeyChoice* choice = m_keys[static_cast<std::size_t>(slot)];
        choice->setKey(e.keys[static_cast<std::size_t>(slot)]);
        // While categories stand in for the keys, the groups are not chosen here.
        if (document.useCategories())
            choice->groupList()->setEnabled(false);
    }
}

QByteArray CPropertiesDlg::name() const
{
    return m_name->text().toLatin1().left(clb::kNameLength);
}

CLibraryDocument::Keys CPropertiesDlg::keys() const
{
    CLibraryDocument::Keys keys{};
    for (int slot = 0; slot < clb::kKeyCount; ++slot)
        keys[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(m_keys[static_cast<std::size_t>(slot)]->key());
    return keys;
}

QByteArray CPropertiesDlg::comment() const
{
    return m_comment->text().toLatin1().left(clb::kMaxComment);
}

bool CPropertiesDlg::forAll() const
{
    return m_forAll->isChecked();
}
