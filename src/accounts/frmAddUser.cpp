#include "accounts/frmAddUser.h"
#include "data/Logging.h"

#include "accounts/AccountPrompts.h"
#include "core/Accounts.h"
#include "data/DataControl.h"
#include "data/Encoding.h"
#include "data/Schema.h"
#include "platform/ErrorPrompts.h"
#include "platform/ExactText.h"
#include "platform/GridBinding.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "ui_frmAddUser.h"

namespace vemora {

namespace {

void securityAlert(Prompter& prompter, const QString& text) {
    prompter.show(text, QStringLiteral("Security Alert!"), vbExclamation);
}

}  // namespace

frmAddUser::frmAddUser(Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_platform(platform),
      m_ui(std::make_unique<Ui::frmAddUser>()),
      m_users(new DataControl(this)) {
    m_ui->setupUi(this);
    setAccessibleRole(this, QAccessible::Dialog);
    m_ui->txtUserName->setMaxLength(kUsersColumns[1].maxLength);
    m_ui->txtName->setMaxLength(kUsersColumns[3].maxLength);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("system-users")));
    m_ui->cmdAddUser->setIcon(themeIcon(QStringLiteral("list-add")));
    m_ui->cmdSave->setIcon(themeIcon(QStringLiteral("document-save")));
    m_ui->cmdDelete->setIcon(themeIcon(QStringLiteral("edit-delete")));
    m_ui->cmdCancel->setIcon(themeIcon(QStringLiteral("window-close")));

    m_users->setObjectName(QStringLiteral("adodc_users"));
    auto* binding = new GridBinding(m_ui->dtg_Users, m_users,
                                    {{QStringLiteral("user_name"), QStringLiteral("User Name")},
                                     {QStringLiteral("name"), QStringLiteral("Name")}});

    connect(m_ui->cmbo_Search, &QComboBox::currentTextChanged, this,
            &frmAddUser::chooseSearchField);
    connect(m_ui->txtSearch, &QLineEdit::textChanged, this, &frmAddUser::search);
    connect(binding, &GridBinding::rowChosen, this, &frmAddUser::chooseRow);
    connect(m_ui->cmdAddUser, &QPushButton::clicked, this, &frmAddUser::addUser);
    connect(m_ui->cmdSave, &QPushButton::clicked, this, &frmAddUser::saveUser);
    connect(m_ui->cmdDelete, &QPushButton::clicked, this, &frmAddUser::deleteUser);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    chainEnter(m_ui->txtName, m_ui->cmdAddUser);
    keepWholeCharacters(this);
    enterPressesButtons(this);
    escapeCloses(this);

    m_users->setConnectionString(m_platform.session.ConnectionString());
    RefreshUserGrid();
    m_SearchField = QStringLiteral("user_name");
    m_ui->cmdSave->setEnabled(false);
    m_ui->cmdDelete->setEnabled(false);
}

frmAddUser::~frmAddUser() = default;

void frmAddUser::RefreshUserGrid() {
    // Passwords are read for the row choice only; the grid never shows them.
    m_users->setRecordSource(AccountStore::listSource());
    logDropped(logWindows(), "reading the accounts", m_users->refresh());
}

void frmAddUser::ClearUserFields() {
    m_ui->txtUserName->clear();
    m_ui->txtPassword->clear();
    m_ui->txtRetype->clear();
    m_ui->txtName->clear();
}

void frmAddUser::chooseSearchField(const QString& text) {
    const QStringList entries = {QStringLiteral("User Name"), QStringLiteral("Name")};
    if (text == entries.at(0)) {
        m_SearchField = QStringLiteral("user_name");
    } else if (text == entries.at(1)) {
        m_SearchField = QStringLiteral("name");
    } else if (std::none_of(entries.cbegin(), entries.cend(),
                            [&text](const QString& entry) { return entry.startsWith(text); })) {
        // A text still on its way to an entry is let through without a word.
        m_platform.prompter.show(QStringLiteral("Specify the right field to search!"),
                                 QStringLiteral("Information"), vbInformation);
    }
}

void frmAddUser::setFound(bool found) {
    m_ui->cmdSave->setEnabled(found);
    m_ui->cmdDelete->setEnabled(found);
}

void frmAddUser::search(const QString& text) {
    m_ui->txtUserName->setReadOnly(AccountStore::isAdministratorName(text));
    if (text.isEmpty()) {
        setFound(false);
        m_ui->cmdAddUser->setEnabled(true);
        return;
    }
    // A text the search cannot read (an apostrophe) finds nothing.
    logDropped(logWindows(), "searching the accounts",
               m_users->findFromFirst(m_SearchField, trimBlanks(text)));
    const bool found = !m_users->eof();
    setFound(found);
    if (found) m_ui->cmdAddUser->setEnabled(false);
}

// The window belongs to the administrator's session. Each command checks again when it runs,
// so a window that outlived its session can do nothing.
bool frmAddUser::administratorPresent(bool tell) {
    if (m_platform.session.CurrentUser().isAdministrator()) return true;
    if (tell)
        securityAlert(m_platform.prompter,
                      QStringLiteral("Only the administrator can manage the accounts. Please "
                                     "log in as the administrator."));
    return false;
}

void frmAddUser::chooseRow() {
    if (m_users->eof() || !administratorPresent(false)) return;
    const QString number = m_users->field(u"user_num").toString();
    const QString userName = m_users->field(u"user_name").toString();
    const QString stored = m_users->field(u"user_password").toString();
    const QString name = m_users->field(u"name").toString();

    m_ui->txtUserNum->setText(number);
    // Runs the search, which sets the buttons and the lock and may move the current row.
    m_ui->txtSearch->setText(userName);
    m_ui->txtUserName->setText(userName);
    m_ui->txtPassword->setText(EncodePassword(stored).value_or(QString()));
    m_ui->txtRetype->setText(m_ui->txtPassword->text());
    m_ui->txtName->setText(name);
}

std::optional<AccountFields> frmAddUser::typedAccount() {
    Prompter& prompter = m_platform.prompter;
    const QString password = m_ui->txtPassword->text();
    AccountFields account{trimBlanks(m_ui->txtUserName->text()), QString(),
                          trimBlanks(m_ui->txtName->text())};
    if (account.userName.isEmpty() || trimBlanks(password).isEmpty() || account.name.isEmpty()) {
        prompter.show(QStringLiteral("Please fill-up all necessary fields!"),
                      QStringLiteral("Incomplete!"), vbInformation);
        return std::nullopt;
    }
    for (const auto& [text, label] : {std::pair(account.userName, QStringLiteral("User Name")),
                                      std::pair(account.name, QStringLiteral("Name"))}) {
        if (!storesExactly(text)) {
            showUnstorable(prompter, label);
            return std::nullopt;
        }
    }
    if (trimBlanks(m_ui->txtRetype->text()) != trimBlanks(password)) {
        promptAt(prompter, m_ui->txtRetype,
                 QStringLiteral("Password mismatch! Please re-type the correct password."),
                 QStringLiteral("Password mismatch!"), vbInformation);
        return std::nullopt;
    }
    // Stored with its blanks: only the comparison above ignores them.
    const std::optional<QString> stored = storablePassword(prompter, m_ui->txtPassword);
    if (!stored) return std::nullopt;
    account.storedPassword = *stored;
    return account;
}

std::optional<qint64> frmAddUser::chosenNumber() const {
    bool isNumber = false;
    const qint64 number = trimBlanks(m_ui->txtUserNum->text()).toLongLong(&isNumber);
    return isNumber ? std::optional<qint64>(number) : std::nullopt;
}

void frmAddUser::addUser() {
    if (!administratorPresent(true)) return;
    const std::optional<AccountFields> account = typedAccount();
    if (!account) return;
    write(AccountStore(m_platform.session.database()).add(*account),
          QStringLiteral("Successfuly Added!"));
}

void frmAddUser::saveUser() {
    if (!administratorPresent(true)) return;
    const std::optional<AccountFields> account = typedAccount();
    if (!account) return;
    const std::optional<qint64> number = chosenNumber();
    if (!number) {
        m_platform.prompter.show(
            QStringLiteral("Please choose an account from the user list first!"),
            QStringLiteral("Information"), vbInformation);
        return;
    }
    if (AccountStore::refusalToSave(*number, account->userName)) {
        securityAlert(m_platform.prompter,
                      QStringLiteral("Sorry you can't change the user name of the administrator "
                                     "account!"));
        return;
    }
    write(AccountStore(m_platform.session.database()).save(*number, *account),
          QStringLiteral("Successfuly Edited!"));
}

void frmAddUser::deleteUser() {
    if (!administratorPresent(true)) return;
    Prompter& prompter = m_platform.prompter;
    const QString userName = trimBlanks(m_ui->txtUserName->text());
    const std::optional<qint64> number = chosenNumber();
    if (AccountStore::refusalToDelete(number, userName)) {
        securityAlert(prompter,
                      QStringLiteral("Sorry you can't delete the administrator account!"));
        return;
    }
    if (!number || userName.isEmpty()) {
        prompter.show(QStringLiteral("Please choose an account from the user list first!"),
                      QStringLiteral("Information"), vbInformation);
        return;
    }
    const Answer answer = prompter.show(
        QStringLiteral("Are you sure you want to delete ") + userName + QStringLiteral(" account?"),
        QStringLiteral("Are you sure?"), vbQuestion | vbYesNo);
    if (answer != Answer::Yes) return;
    write(AccountStore(m_platform.session.database()).remove(*number, userName), QString());
}

// After an insert, update or delete. Done: the title's message (none when empty), then the
// list is read again and the boxes are emptied. Nothing changed: the boxes keep their texts.
void frmAddUser::write(const Result<int>& changed, const QString& doneTitle) {
    Session& session = m_platform.session;
    if (!changed) {
        reportWriteFailure(changed.error());
        return;
    }
    if (changed.value() == 0) {
        m_platform.prompter.show(QStringLiteral("The chosen account was not found! Please choose "
                                                "the account again from the user list."),
                                 QStringLiteral("Information"), vbInformation);
        RefreshUserGrid();
        return;
    }
    if (!doneTitle.isEmpty()) {
        m_platform.prompter.show(QStringLiteral("The database has been updated!"), doneTitle,
                                 vbInformation);
    }
    session.DbConnection().close();
    RefreshUserGrid();
    session.OpenDatabase();
    ClearUserFields();
}

void frmAddUser::reportWriteFailure(const DbError& error) {
    if (error.problem == DbProblem::Duplicate) {
        promptAt(m_platform.prompter, m_ui->txtUserName,
                 QStringLiteral("Someone is using this username, please use another username!"),
                 QStringLiteral("Already in use!"), vbInformation);
        return;
    }
    reportTrapped(m_platform.prompter, error, TrapWording::Record);
}

}  // namespace vemora
