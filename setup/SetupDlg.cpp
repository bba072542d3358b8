#include "setup/SetupDlg.h"

#include "setup/SetupText.h"
#include "setup/SetupUi.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString text(const char* t)
{
    return QString::fromUtf8(t);
}

// Passes the installation's messages on and moves the dialog's progress bar.
class CDialogProgressUi : public CSetupUi
{
public:
    CDialogProgressUi(CSetupUi& ui, QProgressBar& bar) : m_ui(ui), m_bar(bar) {}
    void showMessage(MessageIcon icon, const QString& message) override { m_ui.showMessage(icon, message); }
    bool ask(const QString& question) override { return m_ui.ask(question); }
    void explain(const QString& explanation) override { m_ui.explain(explanation); }
    void setProgress(int percent) override
    {
        m_bar.setValue(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    CSetupUi& m_ui;
    QProgressBar& m_bar;
};

} // namespace

CSetupDlg::CSetupDlg(CSetupInstaller::Options options, CSetupUi& ui, QWidget* parent)
    : QDialog(parent), m_options(std::move(options)), m_ui(ui)
{
    CSetupInstaller::initResources();
    setWindowTitle(text(SetupText::kTitle));
    QIcon icon(QStringLiteral(":/setup/toneloom32.png"));
    icon.addFile(QStringLiteral(":/setup/toneloom.png"));
    setWindowIcon(icon);

    m_chooseFolder = [](QWidget* parentWidget, const QString& start) {
        return QFileDialog::getExistingDirectory(parentWidget, QString(), start, QFileDialog::ShowDirsOnly);
    };

    auto* layout = new QVBoxLayout(this);
    auto* welcome = new QLabel(text(SetupText::kWelcome), this);
    QFont bold = welcome->font();
    bold.setBold(true);
    welcome->setFont(bold);
    layout->addWidget(welcome);
    auto* intro = new QLabel(text(SetupText::kIntro1) + QLatin1Char('\n') + text(SetupText::kIntro2) + QLatin1Char('\n')
                                 + text(SetupText::kIntro3),
                             this);
    layout->addWidget(intro);
    layout->addSpacing(8);

    auto* folderLabel = new QLabel(text(SetupText::kInstallTo), this);
    layout->addWidget(folderLabel);
    auto* folderRow = new QHBoxLayout;
    m_folder = new QLineEdit(QDir::toNativeSeparators(m_options.installFolder), this);
    m_folder->setMinimumWidth(340);
    folderLabel->setBuddy(m_folder);
    m_browse = new QPushButton(text(SetupText::kBrowse), this);
    m_browse->setAutoDefault(false);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_browse);
    layout->addLayout(folderRow);

    layout->addWidget(new QLabel(text(SetupText::kProgress), this));
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    m_desktop = new QCheckBox(text(SetupText::kDesktopLink), this);
    m_desktop->setChecked(m_options.desktopLink);
    m_menu = new QCheckBox(text(SetupText::kMenuLink), this);
    m_menu->setChecked(m_options.menuLink);
    layout->addWidget(m_desktop);
    layout->addWidget(m_menu);
    layout->addSpacing(8);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_install = new QPushButton(text(SetupText::kInstallNow), this);
    m_install->setDefault(true);
    m_cancel = new QPushButton(text(SetupText::kCancel), this);
    m_cancel->setAutoDefault(false);
    buttons->addWidget(m_install);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_browse, &QPushButton::clicked, this, &CSetupDlg::browse);
    connect(m_install, &QPushButton::clicked, this, &CSetupDlg::installNow);
    connect(m_cancel, &QPushButton::clicked, this, &CSetupDlg::reject);
}

void CSetupDlg::browse()
{
    const QString chosen = m_chooseFolder(this, CSetupInstaller::expandFolder(m_folder->text()));
    if (!chosen.isEmpty())
        m_folder->setText(QDir::toNativeSeparators(chosen));
}

void CSetupDlg::installNow()
{
    CSetupInstaller::Options options = m_options;
    options.installFolder = CSetupInstaller::expandFolder(QDir::fromNativeSeparators(m_folder->text()));
    options.desktopLink = m_desktop->isChecked();
    options.menuLink = m_menu->isChecked();
    m_install->setEnabled(false);
    m_cancel->setEnabled(false);
    CDialogProgressUi ui(m_ui, *m_progress);
    CSetupInstaller installer(options, ui);
    m_succeeded = installer.install();
    accept();
}
