#include "shell/frmLogin.h"

#include "data/Encoding.h"
#include "data/Statement.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "shell/ShellWindows.h"
#include "shell/frmMain.h"
#include "ui_frmLogin.h"

#include <QEvent>

namespace vemora {

frmLogin::frmLogin(Platform& platform, ShellWindows& windows, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_windows(windows), ui(std::make_unique<Ui::frmLogin>()) {
    ui->setupUi(this);
    chainEnter(ui->txtUserName, ui->txtPassword);
    onEnter(ui->txtPassword, [this] { logIn(); });
    ui->txtPassword->installEventFilter(this);
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmLogin::logIn);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmLogin::reject);
}

frmLogin::~frmLogin() = default;

bool frmLogin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->txtPassword && event->type() == QEvent::FocusIn)
        selectWholeText(ui->txtPassword);
    return QDialog::eventFilter(watched, event);
}

bool frmLogin::findAccount() {
    // A password with no stored form can match no account.
    const std::optional<QString> password = EncodePassword(ui->txtPassword->text());
    if (!password) return false;
    Session& session = m_platform.session;
    const Result<int> found = session.execute(
        Statement("SELECT user_num, user_name, user_password, name FROM users WHERE user_name = ")
            .text(ui->txtUserName->text().trimmed())
            .sql(" AND user_password = ")
            .text(*password));
    return found && !session.DbRecordset().eof();
}

void frmLogin::logIn() {
    if (!findAccount()) {
        m_platform.prompter.show(
            QStringLiteral("Sorry you maybe typed the wrong username or password!"),
            QStringLiteral("Sorry!"), vbInformation);
        ui->txtPassword->setFocus(Qt::OtherFocusReason);
        selectWholeText(ui->txtPassword);
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

    frmMain* main = m_windows.showMain();
    main->setMenuState(user.isAdministrator() ? MenuState::Administrator : MenuState::User);
    main->showWorkspace();
    accept();
}

}  // namespace vemora
