#include "platform/Shortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

namespace vemora {

namespace {

// Sees the shortcut check before the focused box does. A check left unaccepted lets the
// shortcut run; the box never gets to claim the key.
class ActionShortcutsFirst final : public QObject {
public:
    explicit ActionShortcutsFirst(QWidget* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != m_window) return false;
        const QKeySequence keys(static_cast<QKeyEvent*>(event)->keyCombination());
        const QList<QAction*> actions = m_window->findChildren<QAction*>();
        const bool taken = std::any_of(actions.begin(), actions.end(), [&keys](QAction* action) {
            return action->isEnabled() && action->shortcuts().contains(keys);
        });
        if (!taken) return false;
        event->ignore();
        return true;
    }

private:
    QWidget* m_window;
};

}  // namespace

void giveActionShortcutsPriority(QWidget* window) {
    qApp->installEventFilter(new ActionShortcutsFirst(window));
}

}  // namespace vemora
