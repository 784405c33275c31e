#include "accounts/frmChangePW.h"

#include "accounts/AccountPrompts.h"
#include "core/Accounts.h"
#include "data/Encoding.h"
#include "data/Schema.h"
#include "platform/ErrorPrompts.h"
#include "platform/ExactText.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "ui_frmChangePW.h"

namespace vemora {

frmChangePW::frmChangePW(Platform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_ui(std::make_unique<Ui::frmChangePW>()) {
    m_ui->setupUi(this);
    setAccessibleRole(this, QAccessible::Dialog);
    m_ui->txtUserName->setMaxLength(kUsersColumns[1].maxLength);
    m_ui->txtName->setMaxLength(kUsersColumns[3].maxLength);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("dialog-password")));
    m_ui->cmdChange->setIcon(themeIcon(QStringLiteral("dialog-ok")));
    m_ui->cmdClose->setIcon(themeIcon(QStringLiteral("dialog-cancel")));

    connect(m_ui->cmdChange, &QPushButton::clicked, this, &frmChangePW::change);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QWidget::close);
    chainEnter(m_ui->txtUserName, m_ui->txtOldPassword);
    chainEnter(m_ui->txtOldPassword, m_ui->txtNewPassword);
    chainEnter(m_ui->txtNewPassword, m_ui->txtRetype);
    chainEnter(m_ui->txtRetype, m_ui->txtName);
    chainEnter(m_ui->txtName, m_ui->cmdChange);
    keepWholeCharacters(this);
    enterPressesButtons(this);
    escapeCloses(this);

    const UserRecord& user = m_platform.session.CurrentUser();
    m_ui->txtUserName->setText(user.user_name.toString());
    m_ui->txtName->setText(user.name.toString());
    m_ui->txtOldPassword->setFocus(Qt::OtherFocusReason);
}

frmChangePW::~frmChangePW() = default;

void frmChangePW::change() {
    Prompter& prompter = m_platform.prompter;
    AccountStore accounts(m_platform.session.database());
    const Result<std::optional<UserRecord>> account =
        accounts.find(m_ui->txtUserName->text(), m_ui->txtOldPassword->text());
    if (!account) {
        reportTrapped(prompter, account.error(), TrapWording::Record);
        return;
    }
    if (!account.value()) {
        promptAt(prompter, m_ui->txtOldPassword,
                 QStringLiteral("Sorry, maybe you  typed the wrong username or password!"),
                 QStringLiteral("Sorry!"), vbInformation);
        return;
    }
    if (trimBlanks(m_ui->txtNewPassword->text()) != trimBlanks(m_ui->txtRetype->text())) {
        promptAt(prompter, m_ui->txtOldPassword,
                 QStringLiteral("Password mismatch! Please re-type the new password."),
                 QStringLiteral("Password mismatch!"), vbInformation);
        return;
    }
    const QString name = trimBlanks(m_ui->txtName->text());
    if (name.isEmpty()) {
        promptAt(prompter, m_ui->txtName, QStringLiteral("Please provide the name of the user!"),
                 QStringLiteral("Information!"), vbInformation);
        return;
    }
    if (!storesExactly(name)) {
        showUnstorable(prompter, QStringLiteral("Name"));
        return;
    }
    // Stored with its blanks: only the comparison above ignores them.
    const std::optional<QString> newPassword = storablePassword(prompter, m_ui->txtNewPassword);
    if (!newPassword) return;

    // The account whose password was proven, which is the logged-in user's own.
    const qint64 number = account.value()->user_num.toLongLong();
    const Result<int> changed =
        accounts.changeOwn(number, {trimBlanks(m_ui->txtUserName->text()), *newPassword, name});
    if (!changed) {
        reportTrapped(prompter, changed.error(), TrapWording::Record);
        return;
    }
    prompter.show(QStringLiteral("The password was successfully change!"),
                  QStringLiteral("Successfuly Change!"), vbInformation);
    UserRecord& user = m_platform.session.CurrentUser();
    if (user.user_num.toLongLong() == number) user.name = m_ui->txtName->text();
    m_ui->txtOldPassword->clear();
    m_ui->txtNewPassword->clear();
    m_ui->txtRetype->clear();
    close();
}

}  // namespace vemora
