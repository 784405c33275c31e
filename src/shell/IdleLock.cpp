#include "shell/IdleLock.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>

#include "core/Clock.h"
#include "shell/frmLock.h"
#include "shell/frmMain.h"

namespace vemora {

namespace {

using namespace std::chrono_literals;

bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
            return true;
        default:
            return false;
    }
}

// A dialog running its own event loop (a question, a message) stays in that loop while
// hidden: QDialog's own hiding would end it as though the user had cancelled.
void hideKeepingLoop(QWidget* window) {
    window->QWidget::setVisible(false);
}

// Ends a dialog's loop as Esc would (a message box's own Esc answer), or as cancelled. A
// hidden dialog's loop ignores its own ending, so it is shown first, though never on screen.
void closeAsCancelled(QDialog* dialog) {
    dialog->setAttribute(Qt::WA_DontShowOnScreen);
    dialog->show();
    bool finished = false;
    const QMetaObject::Connection done =
        QObject::connect(dialog, &QDialog::finished, dialog, [&finished] { finished = true; });
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog, &escape);
    QObject::disconnect(done);
    if (!finished) dialog->reject();
}

}  // namespace

IdleLock::IdleLock(Platform& platform, frmMain& main)
    : QObject(&main), m_platform(platform), m_main(main), m_delay(10min) {
    setObjectName(QStringLiteral("idleLock"));
    auto* ticks = new QTimer(this);
    ticks->setObjectName(QStringLiteral("idleTicks"));
    ticks->setInterval(5s);
    connect(ticks, &QTimer::timeout, this, &IdleLock::tick);
    ticks->start();
    m_lastInput = currentDateTime();
    qApp->installEventFilter(this);
    watchDesktop();
}

IdleLock::~IdleLock() {
    delete m_window;
}

frmLock* IdleLock::lockWindow() const {
    return m_window;
}

void IdleLock::setActive(bool active) {
    m_active = active;
    m_lastInput = currentDateTime();
}

void IdleLock::setDelay(std::chrono::minutes delay) {
    m_delay = delay;
}

bool IdleLock::eventFilter(QObject* watched, QEvent* event) {
    if (isInput(event->type())) m_lastInput = currentDateTime();
    // A window that opens while locked (a message, a preview) waits behind the lock too.
    if (m_locked && event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow() && window != m_window &&
            !window->testAttribute(Qt::WA_DontShowOnScreen) &&
            !(window->parentWidget() && window->parentWidget()->window() == m_window)) {
            hideKeepingLoop(window);
            if (!m_hidden.contains(window)) m_hidden.append(window);
        }
    }
    return QObject::eventFilter(watched, event);
}

void IdleLock::tick() {
    if (!m_active || m_locked || m_delay <= 0min) return;
    const qint64 idle = m_lastInput.secsTo(currentDateTime());
    if (idle >= std::chrono::seconds(m_delay).count()) lock();
}

void IdleLock::lock() {
    if (!m_active || m_locked) return;
    emit aboutToLock();
    m_locked = true;
    // A menu or a list left open would stay on screen above everything else.
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    m_activeWindow = QApplication::activeWindow();
    m_focus = QApplication::focusWidget();
    if (!m_window) {
        m_window = new frmLock(m_platform);
        connect(m_window, &frmLock::unlocked, this, &IdleLock::unlock);
        connect(m_window, &frmLock::switchUserRequested, this, &IdleLock::switchUser);
    }
    m_hidden.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == m_window || !window->isVisible()) continue;
        m_hidden.append(window);
    }
    for (const QPointer<QWidget>& window : std::as_const(m_hidden)) hideKeepingLoop(window);
    m_window->start();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void IdleLock::unlock() {
    m_window->hide();
    m_locked = false;
    for (const QPointer<QWidget>& window : std::as_const(m_hidden))
        if (window) window->show();
    m_hidden.clear();
    if (m_activeWindow) {
        m_activeWindow->raise();
        m_activeWindow->activateWindow();
        QApplication::setActiveWindow(m_activeWindow);
    }
    if (m_focus) m_focus->setFocus();
    m_lastInput = currentDateTime();
}

void IdleLock::switchUser() {
    emit aboutToSwitchUser();
    // Questions left open behind the lock are closed as if cancelled, and the session ends
    // once their loops have returned, so that no window is deleted under the code that asked.
    bool closedDialogs = false;
    for (const QPointer<QWidget>& window : std::as_const(m_hidden)) {
        auto* dialog = qobject_cast<QDialog*>(window.data());
        if (dialog && dialog->isModal()) {
            closeAsCancelled(dialog);
            closedDialogs = true;
        }
    }
    m_window->hide();
    if (closedDialogs) {
        const int level = QThread::currentThread()->loopLevel();
        QTimer::singleShot(0, this, [this, level] { finishSwitch(level); });
    } else {
        finishSwitch(-1);
    }
}

void IdleLock::finishSwitch(int loopLevel) {
    if (loopLevel >= 0 && QThread::currentThread()->loopLevel() >= loopLevel) {
        QTimer::singleShot(0, this, [this, loopLevel] { finishSwitch(loopLevel); });
        return;
    }
    m_locked = false;
    m_hidden.clear();
    m_activeWindow = nullptr;
    m_focus = nullptr;
    m_main.switchUser();
}

void IdleLock::desktopActiveChanged(bool active) {
    if (active) lock();
}

void IdleLock::desktopLocked() {
    lock();
}

// The desktop's own lock: the screen saver's signal on the session bus, and the login
// manager's Lock of this program's session on the system bus. Without a bus, nothing.
void IdleLock::watchDesktop() {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        for (const auto& [path, interface] :
             {std::pair{QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver")},
              std::pair{QStringLiteral("/org/gnome/ScreenSaver"),
                        QStringLiteral("org.gnome.ScreenSaver")}})
            session.connect(QString(), path, interface, QStringLiteral("ActiveChanged"), this,
                            SLOT(desktopActiveChanged(bool)));
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected()) return;
    const QString logind = QStringLiteral("org.freedesktop.login1");
    QDBusMessage find = QDBusMessage::createMethodCall(
        logind, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSessionByPID"));
    find << quint32(QCoreApplication::applicationPid());
    auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(find), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, logind](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QDBusObjectPath> reply = *call;
                call->deleteLater();
                if (reply.isError()) return;
                QDBusConnection::systemBus().connect(
                    logind, reply.value().path(), QStringLiteral("org.freedesktop.login1.Session"),
                    QStringLiteral("Lock"), this, SLOT(desktopLocked()));
            });
}

}  // namespace vemora
