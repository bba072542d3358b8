#include "app/AuditionFilter.h"

#include <QMouseEvent>
#include <QWidget>

namespace {

std::uint32_t pack(std::uint8_t status, int data1, int data2)
{
    return status | (static_cast<std::uint32_t>(data1 & 0x7F) << 8) | (static_cast<std::uint32_t>(data2 & 0x7F) << 16);
}

} // namespace

CAuditionFilter::CAuditionFilter(std::function<void(std::uint32_t)> send, std::function<int()> rhythmKey,
                                 QObject* parent)
    : QObject(parent), m_send(std::move(send)), m_rhythmKey(std::move(rhythmKey))
{}

bool CAuditionFilter::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        || !watched->isWidgetType())
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton)
        return false;
    // A mouse event is offered again to each parent that its receiver passes it on
    // to; the sounding flag makes one press one note.
    if (type != QEvent::MouseButtonRelease) {
        if (m_sounding)
            return false;
        const int key = m_rhythmKey ? m_rhythmKey() : -1;
        std::uint32_t on;
        if (key >= 0) {
            on = pack(kNoteOnChannel10, kFirstDrumNote + key, kDrumVelocity);
            m_noteOff = pack(kNoteOnChannel10, kFirstDrumNote + key, 0);
        } else {
            on = pack(kNoteOnChannel1, kChord[m_step], kChordVelocity);
            m_noteOff = pack(kNoteOnChannel1, kChord[m_step], 0);
        }
        m_sounding = true;
        m_send(on);
    } else if (m_sounding) {
        m_sounding = false;
        m_send(m_noteOff);
        m_step = (m_step + 1) % 4;
    }
    return false;
}
