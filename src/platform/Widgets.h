#pragma once

#include <QAccessible>

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class QCalendarWidget;
class QLabel;

namespace vemora {

// Selects the whole text of the focused control of the active window.
void SelectActiveText();
// Selects the whole text of a text box, combo box or text area (Home, then Shift+End).
void selectWholeText(QWidget* box);

// Enter (Return or keypad Enter) in `box` runs `action` instead of reaching the box.
void onEnter(QWidget* box, std::function<void()> action);
// Enter in `from` moves the focus to `to` and selects its whole text.
void chainEnter(QWidget* from, QWidget* to);

// Enter presses whichever push button of `window` has the focus, as Space does.
void enterPressesButtons(QWidget* window);
// Esc closes `window`.
void escapeCloses(QWidget* window);
// Moves a window that has not been shown yet to the middle of its parent's window, or of the
// screen's free area when it has no parent. A window larger than that free area shrinks to it
// as far as its layout lets it; it opens on the screen.
void centreOnParent(QWidget* window);

// A freedesktop theme icon, or the bundled picture of the same name.
QIcon themeIcon(const QString& name);
// Shows the icon as the label's picture, drawn again whenever the palette changes. Once a label.
void showIconPicture(QLabel* label, const QIcon& icon, const QSize& size);

// Screen readers announce the window as a dialog or as a window of its own rather than as a
// plain pane. Call before the window is first shown.
void setAccessibleRole(QWidget* window, QAccessible::Role role);

// Names the parts Qt builds into a calendar that have no text of their own: the month arrows,
// the year box and the grid, whose columns are headed by the weekday names it shows.
void nameCalendarParts(QCalendarWidget* calendar);

// Shows text in a word-wrapped label: a word too long for a line, such as a file name, is cut
// in the middle. The whole text is the label's tooltip and what screen readers read.
void setStatusText(QLabel* label, const QString& text);
// The whole text given to setStatusText.
QString statusText(const QLabel* label);

// The program's own icon, as its windows and the desktop show it.
QIcon programIcon();
// The programmer credit of the status bar and the About box.
QString programmerCredit();

// Shows the one instance of a modeless window, creating it on first use.
template <class W, class Make>
W* showSingle(QPointer<W>& slot, Make make) {
    if (!slot) {
        slot = make();
        centreOnParent(slot);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

}  // namespace vemora
