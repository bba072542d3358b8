#include "editors/RecordEditDlg.h"

#include "editors/MorphDlg.h"
#include "editors/MultiRowTabBar.h"
#include "editors/MutateDlg.h"
#include "editors/TabPage.h"
#include "midi/Midi.h"
#include "model/ParamMessages.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Room for the largest page, so that the dialog keeps its size from tab to tab.
constexpr int kPageWidth = 1020;
constexpr int kPageHeight = 520;

} // namespace

CRecordEditDlg::CRecordEditDlg(CServices& services, params::Editor editor, const QByteArray& image, int tabRows,
                               QWidget* parent)
    : QDialog(parent), m_services(services),
      m_edit(std::make_unique<CRecordEdit>(editor, image, services.settings().synth(), &services.names())),
      m_tabList(params::tabs(editor)), m_original(m_edit->image())
{
    m_edit->setRealtime(services.settings().realtime());
    m_edit->setSender([this](const QByteArray& message) {
        sendMessage(message);
        m_changesSent = true;
    });
    // Realtime changes alter the instrument's temporary area: it gets this item first, so
    // that they change this sound and not whatever the area held.
    if (m_edit->realtime())
        sendMessage(m_edit->temporaryImage());

    QStringList texts;
    for (const params::Tab& tab : m_tabList)
        texts << tab.text;
    m_tabs = new CMultiRowTabBar(texts, tabRows, this);
    m_pageArea = new QWidget(this);
    // Lists of long names (boards, waves) keep their width: on a narrower screen the
    // page scrolls rather than cutting them.
    m_pageArea->setMinimumSize(kPageWidth, kPageHeight);
    m_pageLayout = new QVBoxLayout(m_pageArea);
    m_pageLayout->setContentsMargins(0, 0, 0, 0);

    m_realtime = new QCheckBox(QStringLiteral("&Realtime"), this);
    m_realtime->setChecked(m_edit->realtime());
    connect(m_realtime, &QCheckBox::clicked, this, [this](bool on) {
        m_edit->setRealtime(on);
        m_services.settings().setRealtime(on);
        // From now on changes go out: the instrument starts from the copy as it stands.
        if (on)
            sendPatch();
    });
    // The button names what the editor sends.
    const char* sendText = editor == params::Editor::Performance ? "&Send Performance"
                           : editor == params::Editor::Rhythm    ? "&Send Rhythm Set"
                                                                 : "&Send Patch";
    m_sendPatch = makeButton(QString::fromLatin1(sendText));
    m_ok = makeButton(QStringLiteral("&OK"));
    m_cancel = makeButton(QStringLiteral("&Cancel"));
    // Enter anywhere in a page is OK; on a focused Cancel it is Cancel.
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(true);
    connect(m_sendPatch, &QPushButton::clicked, this, &CRecordEditDlg::sendPatch);

    m_undo = makeButton(QStringLiteral("&Undo"));
    m_redo = makeButton(QStringLiteral("Re&do"));
    m_compare = makeButton(QStringLiteral("Co&mpare"));
    m_undo->setToolTip(QStringLiteral("Undo the last change (Ctrl+Z)"));
    m_redo->setToolTip(QStringLiteral("Redo the change undone last (Ctrl+Y)"));
    m_compare->setToolTip(QStringLiteral("Hear and see the original; press again for the edit (Ctrl+M)"));
    m_compare->setCheckable(true);
    connect(m_undo, &QPushButton::clicked, this, &CRecordEditDlg::undo);
    connect(m_redo, &QPushButton::clicked, this, &CRecordEditDlg::redo);
    connect(m_compare, &QPushButton::toggled, this, &CRecordEditDlg::setComparing);
    m_mutate = makeButton(QStringLiteral("Mut&ate..."));
    connect(m_mutate, &QPushButton::clicked, this, &CRecordEditDlg::mutate);
    m_morph = makeButton(QStringLiteral("Morp&h..."));
    connect(m_morph, &QPushButton::clicked, this, &CRecordEditDlg::morph);
    // Each key once: two shortcuts of the same key would block each other.
    for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Undo))
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &CRecordEditDlg::undo);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys << QKeySequence(Qt::CTRL | Qt::Key_Y);
    for (const QKeySequence& keys : std::as_const(redoKeys))
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &CRecordEditDlg::redo);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), this), &QShortcut::activated, m_compare,
            &QPushButton::toggle);
    m_edit->setHistoryListener([this] { updateHistoryButtons(); });
    // Text and number boxes keep their own undo of typing; the editor's keys win.
    qApp->installEventFilter(this);
    updateHistoryButtons();
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    connect(m_tabs, &CMultiRowTabBar::currentChanged, this, &CRecordEditDlg::showTab);
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
}

CRecordEditDlg::~CRecordEditDlg()
{
    closePage();
}

QPushButton* CRecordEditDlg::makeButton(const QString& text)
{
    // A button that was clicked keeps the focus; Enter is OK all the same.
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    return button;
}

void CRecordEditDlg::arrange(QLayout* top, QWidget* left, QWidget* bottomLeft, const QList<QPushButton*>& buttons,
                             const QList<QPushButton*>& topButtons)
{
    auto* frame = new QGroupBox(this);
    auto* frameLayout = new QVBoxLayout(frame);
    // On a small screen the page scrolls inside the dialog; the tabs and the buttons
    // stay in sight.
    auto* scroller = new QScrollArea(frame);
    scroller->setObjectName(QStringLiteral("PageScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(m_pageArea);
    frameLayout->addWidget(scroller);

    auto* bottom = new QHBoxLayout;
    if (bottomLeft)
        bottom->addWidget(bottomLeft);
    bottom->addWidget(m_realtime);
    bottom->addStretch(1);
    bottom->addWidget(m_sendPatch);
    for (QPushButton* b : buttons)
        bottom->addWidget(b);
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);

    auto* pages = new QVBoxLayout;
    pages->addWidget(m_tabs);
    pages->addWidget(frame, 1);
    auto* middle = new QHBoxLayout;
    if (left)
        middle->addWidget(left);
    middle->addLayout(pages, 1);

    // The history and Compare above the tabs, on the right: the row of buttons below
    // has no room left on a small screen.
    auto* topRow = new QHBoxLayout;
    if (top)
        topRow->addLayout(top, 1);
    else
        topRow->addStretch(1);
    for (QPushButton* b : topButtons)
        topRow->addWidget(b);
    topRow->addWidget(m_mutate);
    topRow->addWidget(m_morph);
    topRow->addWidget(m_undo);
    topRow->addWidget(m_redo);
    topRow->addWidget(m_compare);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(topRow);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    m_tabs->setCurrentIndex(0);
}

QSize CRecordEditDlg::sizeHint() const
{
    // The whole page without scroll bars, as far as the screen allows.
    QSize hint = QDialog::sizeHint();
    if (const auto* scroller = findChild<QScrollArea*>(QStringLiteral("PageScroller"))) {
        const QSize page = m_pageArea->sizeHint().expandedTo(m_pageArea->minimumSize());
        hint += (page - scroller->sizeHint()).expandedTo(QSize(0, 0));
    }
    return boundedToScreen(hint);
}

void CRecordEditDlg::setVisible(bool visible)
{
    if (visible && !m_sized) {
        m_sized = true;
        resize(sizeHint());
    }
    QDialog::setVisible(visible);
}

QSize CRecordEditDlg::boundedToScreen(QSize size) const
{
    const QScreen* screen = this->screen();
    if (!screen)
        return size;
    // Room for the window's frame and title.
    const QSize room = screen->availableGeometry().size() - QSize(kFrameAllowance, 2 * kFrameAllowance);
    return size.boundedTo(room);
}

void CRecordEditDlg::closePage()
{
    if (!m_page)
        return;
    if (m_registered)
        m_services.midi().RemoveListener(m_page.get());
    m_registered = false;
    m_page->storeToRecord();
    m_page.reset();
}

void CRecordEditDlg::showTab(int index)
{
    if (index < 0 || index >= static_cast<int>(m_tabList.size()) || index == m_current)
        return;
    closePage();
    m_current = index;
    m_tabs->setCurrentIndex(index);
    m_page = createPage(m_tabList[static_cast<std::size_t>(index)]);
    m_page->setParent(m_pageArea);
    m_pageLayout->addWidget(m_page.get());
    m_page->loadFromRecord();
    pageCreated(*m_page);
    m_page->show();
    if (remoteControlled()) {
        m_services.midi().AddListener(m_page.get());
        m_registered = true;
        // Remote values need the input; it may have been closed by a transfer.
        m_services.midi().OpenIn();
    }
}

void CRecordEditDlg::storePage()
{
    if (m_page)
        m_page->storeToRecord();
}

void CRecordEditDlg::reloadPage()
{
    if (m_page)
        m_page->loadFromRecord();
}

void CRecordEditDlg::rebuildPage()
{
    const int tab = m_current;
    closePage();
    m_current = -1;
    showTab(tab);
}

void CRecordEditDlg::sendMessage(const QByteArray& message)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_services.midi().SendLong(message);
    QApplication::restoreOverrideCursor();
}

void CRecordEditDlg::sendPatch()
{
    storePage();
    sendMessage(m_edit->temporaryImage());
    m_changesSent = true;
}

void CRecordEditDlg::sendDifferences(const QByteArray& from, const QByteArray& to)
{
    if (!m_edit->realtime())
        return;
    // The same messages an undo would send: one record's rows as they differ from another's.
    const CRecordEdit target(m_edit->editor(), to, m_edit->synth(), m_edit->names());
    for (const QByteArray& message : target.changeMessages(from)) {
        sendMessage(message);
        m_changesSent = true;
    }
}

void CRecordEditDlg::updateHistoryButtons()
{
    m_undo->setEnabled(!m_comparing && m_edit->history().canUndo());
    m_redo->setEnabled(!m_comparing && m_edit->history().canRedo());
}

bool CRecordEditDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ours = key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
                          || key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
        // Left unaccepted, the key reaches the editor's shortcuts.
        if (ours && widget && isAncestorOf(widget))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CRecordEditDlg::undo()
{
    if (m_comparing)
        return;
    storePage();
    if (m_edit->undo()) {
        reloadPage();
        recordReloaded();
    }
    updateHistoryButtons();
}

void CRecordEditDlg::redo()
{
    if (m_comparing)
        return;
    storePage();
    if (m_edit->redo()) {
        reloadPage();
        recordReloaded();
    }
    updateHistoryButtons();
}

void CRecordEditDlg::replaceRecord(const QByteArray& image)
{
    setComparing(false);
    storePage();
    if (m_edit->replace(image)) {
        reloadPage();
        recordReloaded();
    }
    updateHistoryButtons();
}

void CRecordEditDlg::applyMutation(variation::MutateOptions options)
{
    storePage();
    options.model = m_edit->synth().model;
    replaceRecord(variation::mutate(m_edit->editor(), record(), options));
}

void CRecordEditDlg::mutate()
{
    CMutateDlg dialog(CMutateDlg::Use::Editor, mutateBlocks(), this);
    dialog.offerSections(variation::sectionsOf(m_edit->editor()));
    connect(&dialog, &CMutateDlg::mutateRequested, this, [this, &dialog] { applyMutation(dialog.options()); });
    m_services.prompter().exec(dialog);
}

void CRecordEditDlg::morph()
{
    storePage();
    const params::Editor kind = m_edit->editor();
    // The records of the source the editor came from, then those of every open bank
    // (and library).
    const CPatchSource own = ownRecords();
    CPatchSource sources = own;
    const int ownLines = static_cast<int>(own.lines.size());
    sources.lines << m_services.openRecordLines(kind);
    sources.record = [this, own, ownLines, kind](int line) {
        if (line < ownLines)
            return own.record ? own.record(line) : QByteArray();
        return m_services.openRecord(kind, line - ownLines);
    };
    CMorphDlg dialog(
        kind, record(), sources, m_edit->synth().model,
        [this](const QByteArray& from, const QByteArray& to) { sendDifferences(from, to); }, this);
    if (m_services.prompter().exec(dialog) != QDialog::Accepted)
        return;
    // The instrument holds the blend already: the copy takes it without sending it again.
    const bool realtime = m_edit->realtime();
    m_edit->setRealtime(false);
    replaceRecord(dialog.result());
    m_edit->setRealtime(realtime);
}

QByteArray CRecordEditDlg::originalImage() const
{
    const CRecordEdit original(m_edit->editor(), m_original, m_edit->synth(), m_edit->names());
    return original.temporaryImage();
}

void CRecordEditDlg::setComparing(bool on)
{
    if (on == m_comparing)
        return;
    storePage();
    m_comparing = on;
    if (on) {
        m_edited = m_edit->image();
        m_edit->setImage(m_original);
        sendMessage(originalImage());
    } else {
        m_edit->setImage(m_edited);
        sendMessage(m_edit->temporaryImage());
    }
    m_changesSent = true;
    // The original can be looked at, not changed: the pages and every button that
    // changes or sends the copy are locked; tabs, keys, OK and Cancel stay.
    m_pageArea->setEnabled(!on);
    for (QWidget* w : findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w);
        if (!control || w == m_compare || w == m_ok || w == m_cancel || m_pageArea->isAncestorOf(w)
            || m_tabs->isAncestorOf(w) || w->parent() == m_tabs)
            continue;
        if (on) {
            if (w->isEnabled()) {
                w->setEnabled(false);
                w->setProperty("lockedByCompare", true);
            }
        } else if (w->property("lockedByCompare").toBool()) {
            w->setProperty("lockedByCompare", QVariant());
            w->setEnabled(true);
        }
    }
    {
        const QSignalBlocker blocker(m_compare);
        m_compare->setChecked(on);
    }
    reloadPage();
    recordReloaded();
    updateHistoryButtons();
}

void CRecordEditDlg::done(int result)
{
    // Comparing: OK keeps the edit and sends it back; Cancel leaves the original sounding.
    if (m_comparing) {
        if (result == QDialog::Accepted) {
            setComparing(false);
        } else {
            m_comparing = false;
            m_edit->setImage(m_edited);
            m_changesSent = false;
        }
    }
    // OK keeps what the page holds; either way the page leaves the MIDI engine's list.
    if (result == QDialog::Accepted)
        storePage();
    closePage();
    // Cancel after changes went out: the instrument sounds the item as it was again.
    if (result != QDialog::Accepted && m_changesSent) {
        m_changesSent = false;
        CRecordEdit original(m_edit->editor(), m_original, m_edit->synth(), m_edit->names());
        sendMessage(original.temporaryImage());
    }
    m_current = -1;
    QDialog::done(result);
}
