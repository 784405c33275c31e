#pragma once

#include <QWidget>
#include <memory>

#include "platform/Platform.h"

class QTimer;
namespace Ui {
class frmSplash;
}

namespace vemora {

class ShellWindows;

// The start window: opens the database, shows a short loading animation, then hands over
// to the log-in dialog.
class frmSplash final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSplash)
public:
    frmSplash(Platform& platform, ShellWindows& windows, QWidget* parent = nullptr);
    ~frmSplash() override;

    // Opens the database and starts the timer. On failure (already reported to the user)
    // the window closes itself and yields false.
    bool load();
    // One step of the animation; the 33rd shows the log-in dialog and closes the splash.
    void tick();

private:
    Platform& m_platform;
    ShellWindows& m_windows;
    std::unique_ptr<::Ui::frmSplash> m_ui;
    QTimer* m_timer;
    int m_ticks = 0;
};

}  // namespace vemora
