#pragma once

#include <QDialog>
#include <memory>

#include "platform/Platform.h"

namespace Ui {
class frmLogin;
}

namespace vemora {

class ShellWindows;

// The log-in dialog: finds the account, records it as the current user and opens the
// main window with the workspace.
class frmLogin final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLogin)
public:
    frmLogin(Platform& platform, ShellWindows& windows, QWidget* parent = nullptr);
    ~frmLogin() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void logIn();

    Platform& m_platform;
    ShellWindows& m_windows;
    std::unique_ptr<::Ui::frmLogin> m_ui;
};

}  // namespace vemora
