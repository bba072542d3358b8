#include "app/AboutDlg.h"

#include "model/Reporter.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(const QString& readmePath, CReporter& reporter, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Toneloom!"));
    QFile file(readmePath);
    if (!file.open(QIODevice::ReadOnly)) {
        reporter.showMessage(MessageIcon::Exclamation, QStringLiteral("Error opening file README.TXT."));
    } else if (file.size() > kMaxReadmeSize) {
        reporter.showMessage(MessageIcon::Exclamation, QStringLiteral("Error allocating memory."));
    } else {
        m_text = QString::fromUtf8(file.readAll());
        m_text.remove(QLatin1Char('\r'));
    }

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/toneloom32.png")));
    top->addWidget(icon);
    auto* title = new QLabel(QStringLiteral("Toneloom!  for JV and XP V5.60"), this);
    title->setObjectName(QStringLiteral("AboutTitle"));
    top->addWidget(title, 1);
    layout->addLayout(top);
    auto* edit = new QPlainTextEdit(m_text, this);
    edit->setObjectName(QStringLiteral("ReadmeText"));
    edit->setReadOnly(true);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setMinimumSize(560, 360);
    layout->addWidget(edit, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
