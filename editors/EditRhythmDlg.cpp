#include "editors/EditRhythmDlg.h"

#include "editors/CopyRhythmToneDlg.h"
#include "editors/EnvelopePage.h"
#include "editors/RhythmWavePage.h"
#include "model/RhythmKeyNames.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

namespace {

constexpr int kNameLength = 12;

} // namespace

CEditRhythmDlg::CEditRhythmDlg(CServices& services, const QByteArray& rhythmSet, QWidget* parent)
    : CRecordEditDlg(services, params::Editor::Rhythm, rhythmSet, kTabRows, parent)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    m_name = new QLineEdit(edit().name(), this);
    m_name->setMaxLength(kNameLength);
    m_name->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ -~]{0,12}")), m_name));
    m_name->setObjectName(QStringLiteral("rhythm.name/0"));
    // The name lives in the dialog; in realtime mode it sounds as it is typed.
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) { edit().changeName(text); });
    auto* top = new QHBoxLayout;
    auto* nameLabel = new QLabel(QStringLiteral("&Name:"), this);
    nameLabel->setBuddy(m_name);
    top->addWidget(nameLabel);
    top->addWidget(m_name);
    top->addStretch(1);

    m_keys = new QListWidget(this);
    m_keys->addItems(rhythmkeys::keyNames());
    m_keys->setSelectionMode(QAbstractItemView::SingleSelection);
    m_keys->setFont(QFont(QStringLiteral("Monospace")));
    m_keys->setFixedWidth(m_keys->fontMetrics().horizontalAdvance(QStringLiteral("C#7WWW")) + 30);
    m_keys->setCurrentRow(0);
    connect(m_keys, &QListWidget::currentRowChanged, this, &CEditRhythmDlg::keyChanged);

    m_copyTone = makeButton(QStringLiteral("Copy &Tone"));
    connect(m_copyTone, &QPushButton::clicked, this, &CEditRhythmDlg::copyTone);
    services.setRhythmKey(m_key);
    arrange(top, m_keys, nullptr, {m_copyTone});
}

std::unique_ptr<CTabPage> CEditRhythmDlg::createPage(const params::Tab& tab)
{
    if (tab.page == params::Page::Wave)
        return std::make_unique<CRhythmWavePage>(edit(), services(), m_key);
    return std::make_unique<CEnvelopePage>(edit(), services(), tab.page, m_key);
}

void CEditRhythmDlg::setCurrentKey(int key)
{
    m_keys->setCurrentRow(key);
}

void CEditRhythmDlg::keyChanged(int key)
{
    if (key < 0 || key >= rhythmkeys::kKeyCount || key == m_key)
        return;
    // The page of the old key stores itself as it goes; the new key gets a page of its own.
    m_key = key;
    services().setRhythmKey(key);
    const int tab = currentTab();
    if (tab >= 0)
        rebuildPage();
}

void CEditRhythmDlg::copyTone()
{
    CCopyRhythmToneDlg dialog(this);
    if (services().prompter().exec(dialog) != QDialog::Accepted)
        return;
    storePage();
    if (!edit().copyBlock(dialog.fromKey(), dialog.toKey()))
        return;
    reloadPage();
    // The instrument gets the whole rhythm set, whether realtime is on or not.
    sendMessage(edit().temporaryImage());
}

void CEditRhythmDlg::recordReloaded()
{
    const QSignalBlocker blocker(m_name);
    m_name->setText(edit().name());
}

void CEditRhythmDlg::done(int result)
{
    services().setRhythmKey(-1);
    CRecordEditDlg::done(result);
}
