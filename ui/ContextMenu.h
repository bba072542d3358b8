#pragma once

#include <QPoint>
#include <memory>

class QMenu;

// Opens a context menu at global and lets it delete itself when it closes. A press
// outside the open menu closes it and then reaches the window under the pointer as
// if no menu had been open: the click that ends a menu is not lost.
QMenu* popupContextMenu(std::unique_ptr<QMenu> menu, const QPoint& global);
