#include "playsurfaces/PianoKeyboardWnd.h"

#include "midi/Midi.h"
#include "ui/Services.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace {

constexpr int kDataShift1 = 8;
constexpr int kDataShift2 = 16;
const QColor kPressed(0, 0, 255); // blue
const QColor kOutOfRangeWhite(200, 200, 200);
const QColor kOutOfRangeBlack(110, 110, 110);

} // namespace

CPianoKeyboardWnd::CPianoKeyboardWnd(CServices& services, QWidget* parent)
    // A tool window of the main window: above it, but below the dialogs the program
    // opens (a window on top of everything would cover a modal question).
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_services(services), m_platform(pianokeys::platformOf(QGuiApplication::platformName()))
{
    setObjectName(QStringLiteral("PianoKeyboard"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setMinimumHeight(kMinimumHeight);
    setFocusPolicy(Qt::StrongFocus);
    // Moves without a button come here too, so that a release made elsewhere (when the
    // grab was lost) still ends the note at the next move.
    setMouseTracking(true);
    // Shown at start, the piano does not take the keyboard from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kDefaultWidth, kDefaultHeight);
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(kRepeatGapMs);
    connect(&m_releaseTimer, &QTimer::timeout, this, &CPianoKeyboardWnd::endPendingReleases);
}

CPianoKeyboardWnd::~CPianoKeyboardWnd()
{
    releaseNotes();
}

QSize CPianoKeyboardWnd::sizeHint() const
{
    return {kDefaultWidth, kDefaultHeight};
}

const CPianoLayout& CPianoKeyboardWnd::layout() const
{
    if (!m_layoutValid) {
        m_layout.setClientSize(size());
        m_layoutValid = true;
    }
    return m_layout;
}

void CPianoKeyboardWnd::send(int midiNote, int velocity)
{
    m_services.midi().SendShort(kNoteOn | static_cast<std::uint32_t>(midiNote) << kDataShift1
                                | static_cast<std::uint32_t>(velocity) << kDataShift2);
}

void CPianoKeyboardWnd::releaseMouseNote()
{
    if (m_mouseNote >= 0)
        send(CPianoLayout::midiNote(m_mouseNote), 0);
    const bool changed = m_buttonDown || m_mouseNote >= 0;
    m_mouseNote = -1;
    m_buttonDown = false;
    if (changed) {
        m_pressedNote = -1;
        update();
    }
}

void CPianoKeyboardWnd::endPendingReleases()
{
    m_releaseTimer.stop();
    const std::vector<int> pending = std::exchange(m_pendingReleases, {});
    for (int index : pending) {
        const auto bit = static_cast<std::size_t>(index);
        if (!m_keysDown.test(bit))
            continue;
        m_keysDown.reset(bit);
        send(pianokeys::kFirstMidiNote + index, 0);
        m_pressedNote = -1;
    }
    update();
}

void CPianoKeyboardWnd::releaseKeys()
{
    m_releaseTimer.stop();
    m_pendingReleases.clear();
    if (m_keysDown.none())
        return;
    for (int i = 0; i < pianokeys::kKeyCount; ++i)
        if (m_keysDown.test(static_cast<std::size_t>(i)))
            send(pianokeys::kFirstMidiNote + i, 0);
    m_keysDown.reset();
    m_pressedNote = -1;
    update();
}

void CPianoKeyboardWnd::releaseNotes()
{
    releaseMouseNote();
    releaseKeys();
}

bool CPianoKeyboardWnd::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::UngrabMouse:
    case QEvent::WindowDeactivate:
        // The button's release may never come here now.
        releaseMouseNote();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void CPianoKeyboardWnd::resizeEvent(QResizeEvent* event)
{
    m_layoutValid = false;
    update();
    QWidget::resizeEvent(event);
}

void CPianoKeyboardWnd::paintEvent(QPaintEvent*)
{
    const CPianoLayout& keys = layout();
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(Qt::black);
    const auto fillKey = [&](const QRect& r, const QColor& color) {
        // The outline lies on the key's left and top edges and on the pixels just
        // inside its right and bottom ones, as a framed rectangle does.
        painter.fillRect(r.adjusted(0, 0, -1, -1), color);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    };
    for (int i = 0; i < keys.whiteCount(); ++i) {
        const int note = CPianoLayout::whiteNote(i);
        QColor color = Qt::white;
        if (!CPianoLayout::isPlayable(note))
            color = kOutOfRangeWhite;
        else if (note == m_pressedNote)
            color = kPressed;
        fillKey(keys.whiteKeyRect(i), color);
    }
    for (int i = 0; i < keys.whiteCount(); ++i) {
        if (!CPianoLayout::hasBlackRight(i))
            continue;
        const int note = CPianoLayout::blackNote(i);
        QColor color = Qt::black;
        if (!CPianoLayout::isPlayable(note))
            color = kOutOfRangeBlack;
        else if (note == m_pressedNote)
            color = kPressed;
        fillKey(keys.blackKeyRect(i), color);
    }
}

void CPianoKeyboardWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    releaseMouseNote();
    m_buttonDown = true;
    m_mouseNote = layout().playableAt(event->position().toPoint());
    m_pressedNote = m_mouseNote;
    update();
    if (m_mouseNote >= 0)
        send(CPianoLayout::midiNote(m_mouseNote), kVelocity);
}

void CPianoKeyboardWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_buttonDown)
        return;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere.
        releaseMouseNote();
        return;
    }
    // Off the keys (or beyond the highest note) nothing sounds until the pointer is back.
    const int note = layout().playableAt(event->position().toPoint());
    if (note == m_mouseNote)
        return;
    if (m_mouseNote >= 0)
        send(CPianoLayout::midiNote(m_mouseNote), 0);
    m_mouseNote = note;
    m_pressedNote = note;
    if (note >= 0)
        send(CPianoLayout::midiNote(note), kVelocity);
    update();
}

void CPianoKeyboardWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_buttonDown) {
        releaseMouseNote();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

int CPianoKeyboardWnd::keyIndexOf(const QKeyEvent* event) const
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return -1; // the program's shortcuts
    return pianokeys::keyIndex(m_platform, event->nativeScanCode(), event->nativeVirtualKey(), event->text());
}

void CPianoKeyboardWnd::keyPressEvent(QKeyEvent* event)
{
    const int index = keyIndexOf(event);
    if (index < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A held key repeats; it sounds once. A press right after the key's release is the
    // repeat of a held key: the release is taken back.
    const auto bit = static_cast<std::size_t>(index);
    const auto pending = std::find(m_pendingReleases.begin(), m_pendingReleases.end(), index);
    if (pending != m_pendingReleases.end()) {
        m_pendingReleases.erase(pending);
        event->accept();
        return;
    }
    if (!event->isAutoRepeat() && !m_keysDown.test(bit)) {
        m_keysDown.set(bit);
        send(pianokeys::kFirstMidiNote + index, kVelocity);
        m_pressedNote = pianokeys::kFirstMidiNote + index - CPianoLayout::kFirstMidiNote;
        update();
    }
    event->accept();
}

void CPianoKeyboardWnd::keyReleaseEvent(QKeyEvent* event)
{
    const int index = keyIndexOf(event);
    if (index < 0) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // The releases between the repeats of a held key are no releases.
    const auto bit = static_cast<std::size_t>(index);
    if (!event->isAutoRepeat() && m_keysDown.test(bit)
        && std::find(m_pendingReleases.cbegin(), m_pendingReleases.cend(), index) == m_pendingReleases.cend()) {
        m_pendingReleases.push_back(index);
        m_releaseTimer.start();
    }
    event->accept();
}

void CPianoKeyboardWnd::focusOutEvent(QFocusEvent* event)
{
    // A key released in another window would never reach this one.
    releaseKeys();
    QWidget::focusOutEvent(event);
}

void CPianoKeyboardWnd::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        emit visibilityChanged(true);
}

void CPianoKeyboardWnd::hideEvent(QHideEvent* event)
{
    releaseNotes();
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit visibilityChanged(false);
}
