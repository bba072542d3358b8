#include "app/AboutDlg.h"

#include "model/Reporter.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

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
    m_edit = edit;
    edit->setObjectName(QStringLiteral("ReadmeText"));
    edit->setReadOnly(true);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Wide enough for the longest line of the text, within the screen.
    const QFontMetrics metrics(edit->font());
    int longest = 0;
    for (const QString& line : m_text.split(QLatin1Char('\n')))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const int chrome = 2 * edit->frameWidth() + 2 * int(edit->document()->documentMargin())
                       + edit->verticalScrollBar()->sizeHint().width() + metrics.averageCharWidth();
    int width = std::max(kMinTextWidth, longest + chrome);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() - kScreenMargin);
    edit->setMinimumSize(width, kMinTextHeight);
    layout->addWidget(edit, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
