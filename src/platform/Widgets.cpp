#include "platform/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace vemora {

namespace {

class EnterFilter final : public QObject {
public:
    EnterFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), m_action(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_action();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_action;
};

}  // namespace

void selectWholeText(QWidget* box) {
    if (auto* combo = qobject_cast<QComboBox*>(box)) box = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->home(false);
        line->end(true);
    } else if (auto* text = qobject_cast<QTextEdit*>(box)) {
        text->selectAll();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        plain->selectAll();
    }
}

void SelectActiveText() {
    QWidget* window = QApplication::activeWindow();
    QWidget* focus = window ? window->focusWidget() : QApplication::focusWidget();
    if (focus) selectWholeText(focus);
}

void onEnter(QWidget* box, std::function<void()> action) {
    box->installEventFilter(new EnterFilter(box, std::move(action)));
}

void chainEnter(QWidget* from, QWidget* to) {
    QPointer<QWidget> target(to);
    onEnter(from, [target] {
        if (!target) return;
        target->setFocus(Qt::TabFocusReason);
        selectWholeText(target);
    });
}

QIcon themeIcon(const QString& name) {
    const QString bundled = QStringLiteral(":/icons/%1.svg").arg(name);
    return QIcon::fromTheme(name, QFile::exists(bundled) ? QIcon(bundled) : QIcon());
}

}  // namespace vemora
