#pragma once

class QTabWidget;
class QWidget;

namespace vemora {

// The shortcuts of the window's enabled actions win over the text boxes inside the window,
// which would otherwise keep keys such as Ctrl+A (select all) for themselves. The boxes'
// context menus still offer those commands.
void giveActionShortcutsPriority(QWidget* window);

// Alt and an underlined letter press the button of the tab in front that has it, before a menu
// of the menu bar with the same letter; the menu stays reachable through F10.
void givePageMnemonicsPriority(QTabWidget* tabs);

}  // namespace vemora
