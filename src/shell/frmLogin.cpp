#include "shell/frmLogin.h"

#include <QEvent>

#include "data/Schema.h"
#include "platform/LogInReply.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "shell/ShellWindows.h"
#include "shell/frmMain.h"
#include "ui_frmLogin.h"

namespace vemora {

frmLogin::frmLogin(Platform& platform, ShellWindows& windows, QWidget* parent)
    : QDialog(parent),
      m_platform(platform),
      m_windows(windows),
      m_ui(std::make_unique<::Ui::frmLogin>()) {
    m_ui->setupUi(this);
    m_ui->txtUserName->setMaxLength(kUsersColumns[1].maxLength);
    chainEnter(m_ui->txtUserName, m_ui->txtPassword);
    onEnter(m_ui->txtPassword, [this] { logIn(); });
    m_ui->txtPassword->installEventFilter(this);
    connect(m_ui->cmdOk, &QPushButton::clicked, this, &frmLogin::logIn);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &frmLogin::reject);
}

frmLogin::~frmLogin() = default;

bool frmLogin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->txtPassword && event->type() == QEvent::FocusIn)
        selectWholeText(m_ui->txtPassword);
    return QDialog::eventFilter(watched, event);
}

void frmLogin::logIn() {
    Session& session = m_platform.session;
    const std::optional<UserRecord> found = lookUpLogIn(
        session.database(), m_platform.prompter, m_ui->txtUserName->text(), m_ui->txtPassword);
    if (!found) return;
    const UserRecord& user = *found;
    m_platform.prompter.show(
        QStringLiteral("Access granted! Welcome ") + user.name.toString() + QLatin1Char('.'),
        QStringLiteral("Successful!"), vbInformation);
    session.CurrentUser() = user;
    m_windows.showMain()->startSession(user.isAdministrator() ? MenuState::Administrator
                                                              : MenuState::User);
    accept();
}

}  // namespace vemora
