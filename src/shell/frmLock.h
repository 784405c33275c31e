#pragma once

#include <QDialog>
#include <memory>

#include "core/UnlockAttempts.h"
#include "platform/Platform.h"

class QTimer;
namespace Ui {
class frmLock;
}

namespace vemora {

// The window a locked session shows instead of its own: names the user and takes their
// password back. It cannot be closed; it ends by unlocking or by a log-in as someone else.
class frmLock final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLock)
public:
    explicit frmLock(Platform& platform, QWidget* parent = nullptr);
    ~frmLock() override;

    // Starts a new lock of the current user: an empty password box, no failures counted.
    void start();
    // Checks the password typed; emits unlocked() when it is the current user's.
    void tryUnlock();
    // Run by the wait's timer: attempts are taken again.
    void endWait();
    int failures() const { return m_attempts.failures(); }
    bool waiting() const;

signals:
    void unlocked();
    void switchUserRequested();

public:
    // Esc and the window's close button leave the lock in place.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showFailures(bool waiting);

    Platform& m_platform;
    std::unique_ptr<::Ui::frmLock> m_ui;
    UnlockAttempts m_attempts;
    QTimer* m_wait;
};

}  // namespace vemora
