#include "platform/Shortcuts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>
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

// The one visible button of the tab in front whose mnemonic is the key. A disabled one still
// keeps the key from the menu bar.
QAbstractButton* pageButton(QTabWidget* tabs, QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !tabs->isAncestorOf(widget) || !tabs->currentWidget()) return nullptr;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() != Qt::AltModifier || key->key() < Qt::Key_0 || key->key() > Qt::Key_Z)
        return nullptr;
    const QKeySequence keys(key->keyCombination());
    QWidget* page = tabs->currentWidget();
    QAbstractButton* found = nullptr;
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(page) || QKeySequence::mnemonic(button->text()) != keys) continue;
        if (found) return nullptr;  // two buttons with the letter: Qt's own cycling decides
        found = button;
    }
    return found;
}

class PageMnemonicsFirst final : public QObject {
public:
    explicit PageMnemonicsFirst(QTabWidget* tabs) : QObject(tabs), m_tabs(tabs) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        QAbstractButton* button = pageButton(m_tabs, watched, event);
        if (!button) return false;
        // Claiming the check keeps the menu bar from the key; the key press then comes here.
        event->accept();
        if (event->type() == QEvent::KeyPress && button->isEnabled() &&
            !static_cast<QKeyEvent*>(event)->isAutoRepeat())
            button->click();
        return true;
    }

private:
    QTabWidget* m_tabs;
};

}  // namespace

void givePageMnemonicsPriority(QTabWidget* tabs) {
    qApp->installEventFilter(new PageMnemonicsFirst(tabs));
}

void giveActionShortcutsPriority(QWidget* window) {
    qApp->installEventFilter(new ActionShortcutsFirst(window));
}

}  // namespace vemora
