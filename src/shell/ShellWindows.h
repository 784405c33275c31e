#pragma once

#include <QPointer>

#include "platform/Platform.h"

namespace vemora {

class frmSplash;
class frmLogin;
class frmMain;

// The organizer's own top-level windows. Each is created on first use, shown again as the
// same window while it exists, and discarded when closed.
class ShellWindows final {
    Q_DISABLE_COPY_MOVE(ShellWindows)
public:
    explicit ShellWindows(Platform& platform);
    ~ShellWindows();

    // Loads and shows the splash window; false when the database cannot be opened, and the
    // program should end.
    bool start();
    frmLogin* showLogin();
    frmMain* showMain();

private:
    Platform& m_platform;
    QPointer<frmSplash> m_splash;
    QPointer<frmLogin> m_login;
    QPointer<frmMain> m_main;
};

}  // namespace vemora
