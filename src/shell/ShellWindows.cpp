#include "shell/ShellWindows.h"

#include "platform/Widgets.h"
#include "shell/frmLogin.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"

namespace vemora {

namespace {

template <class W>
W* discardedOnClose(W* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

}  // namespace

ShellWindows::ShellWindows(Platform& platform) : m_platform(platform) {}

ShellWindows::~ShellWindows() {
    delete m_splash;
    delete m_login;
    delete m_main;
}

bool ShellWindows::start() {
    delete m_splash;
    m_splash = discardedOnClose(new frmSplash(m_platform, *this));
    if (!m_splash->load()) return false;
    m_splash->show();
    return true;
}

frmLogin* ShellWindows::showLogin() {
    return showSingle(m_login,
                      [this] { return discardedOnClose(new frmLogin(m_platform, *this)); });
}

frmMain* ShellWindows::showMain() {
    return showSingle(m_main, [this] { return discardedOnClose(new frmMain(m_platform, *this)); });
}

}  // namespace vemora
