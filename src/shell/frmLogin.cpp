#include "shell/frmLogin.h"

#include <QEvent>

#include "data/Accounts.h"
#include "data/Statement.h"
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

bool frmLogin::findAccount() {
    const std::optional<Statement> lookup =
        accountLookup(m_ui->txtUserName->text(), m_ui->txtPassword->text());
    if (!lookup) return false;
    Session& session = m_platform.session;
    const Result<int> found = session.execute(*lookup);
    return found && !session.DbRecordset().eof();
}

void frmLogin::logIn() {
    if (!findAccount()) {
        m_platform.prompter.show(
            QStringLiteral("Sorry you maybe typed the wrong username or password!"),
            QStringLiteral("Sorry!"), vbInformation);
        m_ui->txtPassword->setFocus(Qt::OtherFocusReason);
        selectWholeText(m_ui->txtPassword);
        return;
    }
    Session& session = m_platform.session;
    const Recordset& account = session.DbRecordset();
    m_platform.prompter.show(
        QStringLiteral("Access granted! Welcome ") + account.text(u"name") + QLatin1Char('.'),
        QStringLiteral("Successful!"), vbInformation);
    UserRecord& user = session.CurrentUser();
    user.user_num = account.field(u"user_num");
    user.name = account.field(u"name");
    user.user_name = account.field(u"user_name");

    m_windows.showMain()->startSession(user.isAdministrator() ? MenuState::Administrator
                                                              : MenuState::User);
    accept();
}

}  // namespace vemora
