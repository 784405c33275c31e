#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <chrono>

#include "platform/Platform.h"

namespace vemora {

class frmLock;
class frmMain;

// Locks the session: after a time without keyboard or mouse input in any of the program's
// windows, when the desktop locks, or on the Lock command. Every window is hidden behind the
// lock window and comes back as it was once the user's password is typed again.
class IdleLock final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IdleLock)
public:
    IdleLock(Platform& platform, frmMain& main);
    ~IdleLock() override;

    // Whether someone is logged in; a session that is not open never locks.
    void setActive(bool active);
    // The time without input after which the session locks; zero never locks on its own.
    void setDelay(std::chrono::minutes delay);
    std::chrono::minutes delay() const { return m_delay; }

    // Run by a timer: locks once the delay has passed since the last input.
    void tick();
    void lock();
    bool isLocked() const { return m_locked; }
    frmLock* lockWindow() const;
    // The desktop's screen saver started or ended (true when it locks the screen).
    Q_SLOT void desktopActiveChanged(bool active);
    Q_SLOT void desktopLocked();

signals:
    // Just before the windows are hidden, and before a log-in as someone else ends the session.
    void aboutToLock();
    void aboutToSwitchUser();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void unlock();
    void switchUser();
    void finishSwitch(int loopLevel);
    void watchDesktop();

    Platform& m_platform;
    frmMain& m_main;
    std::chrono::minutes m_delay;
    bool m_active = false;
    bool m_locked = false;
    QDateTime m_lastInput;
    QList<QPointer<QWidget>> m_hidden;
    QPointer<QWidget> m_activeWindow;
    QPointer<QWidget> m_focus;
    QPointer<frmLock> m_window;
};

}  // namespace vemora
