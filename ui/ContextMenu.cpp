#include "ui/ContextMenu.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

// Watches the presses that reach an open menu; one outside it closes the menu and is
// handed on to the window below.
class CPressPassOn : public QObject
{
public:
    explicit CPressPassOn(QMenu* menu) : QObject(menu), m_menu(menu) { menu->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_menu || event->type() != QEvent::MouseButtonPress)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint global = mouse->globalPosition().toPoint();
        if (m_menu->rect().contains(m_menu->mapFromGlobal(global)))
            return false;
        QWidget* below = QApplication::widgetAt(global);
        if (!below || below->window() == m_menu)
            return false;
        QPointer<QWindow> window = below->window()->windowHandle();
        const Qt::MouseButton button = mouse->button();
        const Qt::MouseButtons buttons = mouse->buttons();
        const Qt::KeyboardModifiers modifiers = mouse->modifiers();
        m_menu->close(); // deletes the menu, and this filter with it, later
        if (window) {
            QMouseEvent press(QEvent::MouseButtonPress, window->mapFromGlobal(global), global, button, buttons,
                              modifiers);
            QApplication::sendEvent(window, &press);
        }
        return true;
    }

private:
    QMenu* m_menu;
};

} // namespace

QMenu* popupContextMenu(std::unique_ptr<QMenu> menu, const QPoint& global)
{
    QMenu* popup = menu.release();
    popup->setAttribute(Qt::WA_DeleteOnClose);
    new CPressPassOn(popup);
    popup->popup(global);
    return popup;
}
