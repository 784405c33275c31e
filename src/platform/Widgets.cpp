#include "platform/Widgets.h"

#include "platform/CalendarAccess.h"
#include "platform/FallbackIcon.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextEdit>

#include <algorithm>

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

void enterPressesButtons(QWidget* window) {
    // A push button clicks on Enter when it is an auto-default one, as in dialogs.
    for (QPushButton* button : window->findChildren<QPushButton*>()) button->setAutoDefault(true);
}

void escapeCloses(QWidget* window) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    shortcut->setObjectName(QStringLiteral("escapeCloses"));
    QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
}

void centreOnParent(QWidget* window) {
    if (window->isVisible() ||
        (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    const bool onParent = parent && parent->isVisible();
    const QScreen* screen = window->screen();
    const QRect free = screen ? screen->availableGeometry() : QRect();
    // Its frame will be like its parent's.
    const QSize borders = onParent ? parent->frameGeometry().size() - parent->size() : QSize();
    // A window larger than the screen's free area, as on a small screen or at a large scale,
    // shrinks to it as far as its layout lets it.
    if (!free.isEmpty()) {
        const QSize fitted = window->size()
                                 .boundedTo(free.size() - borders)
                                 .expandedTo(window->minimumSizeHint())
                                 .expandedTo(window->minimumSize());
        if (fitted != window->size()) window->resize(fitted);
    }
    const QRect area = onParent ? parent->frameGeometry() : free;
    if (area.isEmpty()) return;
    QRect frame(QPoint(), window->size());
    frame.moveCenter(area.center());
    // Kept on the screen with its frame, its top left corner first.
    frame.setSize(frame.size() + borders);
    if (!free.isEmpty()) {
        frame.moveRight(std::min(frame.right(), free.right()));
        frame.moveBottom(std::min(frame.bottom(), free.bottom()));
        frame.moveLeft(std::max(frame.left(), free.left()));
        frame.moveTop(std::max(frame.top(), free.top()));
    }
    window->move(frame.topLeft());
}

QIcon themeIcon(const QString& name) {
    const QString bundled = QStringLiteral(":/icons/%1.svg").arg(name);
    return QIcon::fromTheme(name, QFile::exists(bundled) ? fallbackIcon(bundled) : QIcon());
}

namespace {

const char* const kStatusText = "vemoraStatusText";
const char* const kWindowRole = "vemoraWindowRole";

QAccessibleInterface* windowWithRole(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !widget->property(kWindowRole).isValid()) return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Role(widget->property(kWindowRole).toInt()));
}

// The label's text with every word that cannot fit a line cut in its middle.
void fitStatusText(QLabel* label) {
    const QString text = statusText(label);
    const int width = label->contentsRect().width() - 2 * label->margin() - 2;
    if (width <= 0) {
        label->setText(text);
        return;
    }
    const QFontMetrics metrics(label->font());
    QStringList words = text.split(QLatin1Char(' '));
    for (QString& word : words)
        if (metrics.horizontalAdvance(word) > width)
            word = metrics.elidedText(word, Qt::ElideMiddle, width);
    label->setText(words.join(QLatin1Char(' ')));
}

class StatusFitter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)
            fitStatusText(static_cast<QLabel*>(watched));
        return false;
    }
};

class IconPicture final : public QObject {
public:
    IconPicture(QLabel* label, const QIcon& icon, const QSize& size)
        : QObject(label), m_icon(icon), m_size(size) {
        draw(label);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) draw(static_cast<QLabel*>(watched));
        return false;
    }

private:
    void draw(QLabel* label) const {
        label->setPixmap(m_icon.pixmap(m_size, label->devicePixelRatio()));
    }

    QIcon m_icon;
    QSize m_size;
};

}  // namespace

void showIconPicture(QLabel* label, const QIcon& icon, const QSize& size) {
    label->installEventFilter(new IconPicture(label, icon, size));
}

void setAccessibleRole(QWidget* window, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(windowWithRole);
        return true;
    }();
    Q_UNUSED(installed);
    window->setProperty(kWindowRole, int(role));
}

void nameCalendarParts(QCalendarWidget* calendar) {
    const std::pair<const char*, QString> parts[] = {
        {"qt_calendar_prevmonth", QStringLiteral("Previous month")},
        {"qt_calendar_nextmonth", QStringLiteral("Next month")},
        {"qt_calendar_yearedit", QStringLiteral("Year")},
        {"qt_calendar_calendarview", QStringLiteral("Days of the month")}};
    for (const auto& [name, text] : parts)
        if (auto* part = calendar->findChild<QWidget*>(QString::fromLatin1(name)))
            part->setAccessibleName(text);
    headCalendarColumns(calendar);
}

void setStatusText(QLabel* label, const QString& text) {
    if (!label->property(kStatusText).isValid()) label->installEventFilter(new StatusFitter(label));
    label->setProperty(kStatusText, text);
    label->setToolTip(text);
    label->setAccessibleName(text);
    fitStatusText(label);
}

QString statusText(const QLabel* label) {
    return label->property(kStatusText).toString();
}

QIcon programIcon() {
    return QIcon(QStringLiteral(":/vemora.svg"));
}

QString programmerCredit() {
    return QStringLiteral("Programmed by Kelvo");
}

}  // namespace vemora
