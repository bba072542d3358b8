#include "editors/EditPatchDlg.h"

#include "editors/CopyToneDlg.h"
#include "editors/EFXDialog.h"
#include "editors/EditEffects.h"
#include "editors/EnvelopePage.h"
#include "editors/MultiRowTabBar.h"
#include "editors/SingleCommonDlg.h"
#include "editors/TonePage.h"
#include "midi/Midi.h"
#include "model/ExpansionNames.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

// Room for the largest page, so that the dialog keeps its size from tab to tab.
constexpr int kPageWidth = 1020;
constexpr int kPageHeight = 520;

} // namespace

CEditPatchDlg::CEditPatchDlg(CServices& services, const QByteArray& patch, CPatchSource source, QWidget* parent)
    : QDialog(parent), m_services(services), m_source(std::move(source)),
      m_edit(
          std::make_unique<CRecordEdit>(params::Editor::Patch, patch, services.settings().synth(), &services.names())),
      m_tabList(params::tabs(params::Editor::Patch))
{
    setWindowTitle(QString::fromLatin1(kTitle));
    m_edit->setRealtime(services.settings().realtime());
    m_edit->setSender([this](const QByteArray& message) { sendMessage(message); });

    QStringList texts;
    for (const params::Tab& tab : m_tabList)
        texts << tab.text;
    m_tabs = new CMultiRowTabBar(texts, kTabRows, this);
    m_pageArea = new QWidget(this);
    m_pageArea->setMinimumSize(kPageWidth, kPageHeight);
    m_pageLayout = new QVBoxLayout(m_pageArea);
    m_pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QGroupBox(this);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_pageArea);

    auto* multi = new QGroupBox(QStringLiteral("Multi Edit"), this);
    auto* multiLayout = new QHBoxLayout(multi);
    for (int t = 0; t < CRecordEdit::kTones; ++t) {
        auto* box = new QCheckBox(QStringLiteral("Tone &%1").arg(t + 1), multi);
        m_toneBoxes[static_cast<std::size_t>(t)] = box;
        multiLayout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, &CEditPatchDlg::toneSelectionChanged);
    }
    m_realtime = new QCheckBox(QStringLiteral("&Realtime"), this);
    m_realtime->setChecked(m_edit->realtime());
    connect(m_realtime, &QCheckBox::clicked, this, [this](bool on) {
        m_edit->setRealtime(on);
        m_services.settings().setRealtime(on);
    });

    const auto button = [this](const QString& text) { return new QPushButton(text, this); };
    m_sendPatch = button(QStringLiteral("&Send Patch"));
    m_copyTone = button(QStringLiteral("Copy &Tone"));
    m_ok = button(QStringLiteral("&OK"));
    m_cancel = button(QStringLiteral("&Cancel"));
    // Enter anywhere in a page is OK.
    m_ok->setDefault(true);
    connect(m_sendPatch, &QPushButton::clicked, this, &CEditPatchDlg::sendPatch);
    connect(m_copyTone, &QPushButton::clicked, this, &CEditPatchDlg::copyTone);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(multi);
    bottom->addWidget(m_realtime);
    bottom->addStretch(1);
    for (QPushButton* b : {m_sendPatch, m_copyTone, m_ok, m_cancel})
        bottom->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(frame, 1);
    layout->addLayout(bottom);

    connect(m_tabs, &CMultiRowTabBar::currentChanged, this, &CEditPatchDlg::showTab);
    // The next and previous page from the keyboard, as with any set of tabs.
    const auto step = [this](int by) {
        const int n = static_cast<int>(m_tabList.size());
        m_tabs->setCurrentIndex((m_current + by + n) % n);
    };
    for (const QKeySequence& next : {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
        connect(new QShortcut(next, this), &QShortcut::activated, this, [step] { step(1); });
    for (const QKeySequence& previous :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
        connect(new QShortcut(previous, this), &QShortcut::activated, this, [step] { step(-1); });

    m_tabs->setCurrentIndex(0);
}

CEditPatchDlg::~CEditPatchDlg()
{
    closePage();
}

std::unique_ptr<CTabPage> CEditPatchDlg::createPage(const params::Tab& tab, CRecordEdit& edit, CServices& services)
{
    switch (tab.page) {
    case params::Page::Common:
        return std::make_unique<CSingleCommonDlg>(edit, services);
    case params::Page::ChorusReverb:
        return std::make_unique<CEditEffects>(edit, services);
    case params::Page::Efx:
        return std::make_unique<CEFXDialog>(edit, services);
    case params::Page::PitchEnvelope:
    case params::Page::TvfEnvelope:
    case params::Page::TvaEnvelope:
        return std::make_unique<CEnvelopePage>(edit, services, tab.page);
    default:
        return std::make_unique<CTonePage>(edit, services, tab.page);
    }
}

void CEditPatchDlg::closePage()
{
    if (!m_page)
        return;
    m_services.midi().RemoveListener(m_page.get());
    m_page->storeToRecord();
    m_page.reset();
}

void CEditPatchDlg::showTab(int index)
{
    if (index < 0 || index >= static_cast<int>(m_tabList.size()) || index == m_current)
        return;
    closePage();
    m_current = index;
    m_tabs->setCurrentIndex(index);
    m_page = createPage(m_tabList[static_cast<std::size_t>(index)], *m_edit, m_services);
    m_page->setParent(m_pageArea);
    m_pageLayout->addWidget(m_page.get());
    m_page->loadFromRecord();
    m_page->setToneSelection(m_edit->selection());
    m_page->show();
    m_services.midi().AddListener(m_page.get());
    // Remote values need the input; it may have been closed by a transfer.
    m_services.midi().OpenIn();
}

void CEditPatchDlg::toneSelectionChanged()
{
    CRecordEdit::Selection selection{};
    for (int t = 0; t < CRecordEdit::kTones; ++t)
        selection[static_cast<std::size_t>(t)] = m_toneBoxes[static_cast<std::size_t>(t)]->isChecked();
    m_edit->setSelection(selection);
    if (m_page)
        m_page->setToneSelection(selection);
}

void CEditPatchDlg::sendMessage(const QByteArray& message)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_services.midi().SendLong(message);
    QApplication::restoreOverrideCursor();
}

void CEditPatchDlg::sendPatch()
{
    if (m_page)
        m_page->storeToRecord();
    sendMessage(m_edit->temporaryImage());
}

void CEditPatchDlg::copyTone()
{
    CCopyToneDlg dialog(m_source.lines, this);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    const int from = dialog.fromTone();
    const int to = dialog.toTone();
    if (from == to || from < 0 || to < 0)
        return;
    if (m_page)
        m_page->storeToRecord();
    const int source = dialog.sourceIndex();
    QByteArray patch = m_edit->image();
    if (source > 0) {
        if (!m_source.record)
            return;
        patch = m_source.record(source - 1);
    }
    m_edit->copyTone(patch, from, to);
    if (m_page)
        m_page->loadFromRecord();
    // The instrument gets the whole patch, whether realtime is on or not.
    sendMessage(m_edit->temporaryImage());
}

void CEditPatchDlg::done(int result)
{
    // OK keeps what the page holds; either way the page leaves the MIDI engine's list.
    if (result == QDialog::Accepted && m_page)
        m_page->storeToRecord();
    closePage();
    m_current = -1;
    QDialog::done(result);
}
