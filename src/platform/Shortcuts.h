#pragma once

class QWidget;

namespace vemora {

// The shortcuts of the window's enabled actions win over the text boxes inside the window,
// which would otherwise keep keys such as Ctrl+A (select all) for themselves. The boxes'
// context menus still offer those commands.
void giveActionShortcutsPriority(QWidget* window);

}  // namespace vemora
