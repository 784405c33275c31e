#pragma once

#include "data/DbError.h"
#include "data/Statement.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace vemora {

class Database;

// Account 1 administers the others.
inline constexpr qint64 kAdministratorNumber = 1;
inline constexpr auto kAdministratorUserName = u"admin";

// The logged-in account.
struct UserRecord {
    QVariant user_num;
    QVariant name;
    QVariant user_name;

    bool isAdministrator() const { return user_num.toLongLong() == kAdministratorNumber; }
};

// An account as stored: the user name and name trimmed, the password in its stored form.
struct AccountFields {
    QString userName;
    QString storedPassword;
    QString name;
};

// Why the administrator's account refuses a change.
enum class AccountRefusal { DeleteAdministrator, RenameAdministrator };

// The users table: log-in look-up and the administrator's and the user's own changes. Runs
// its statements on the program's shared connection, so SqlText and DbRecordset follow.
class AccountStore final {
public:
    explicit AccountStore(Database& database) : m_database(database) {}

    // The account whose user name (trimmed, any letter case) and password (as typed, in its
    // stored form) match; nothing when none does, which includes a name or password that
    // cannot be stored. A query that fails is an error.
    Result<std::optional<UserRecord>> find(const QString& userName, const QString& password);

    // The account list's record source; passwords are read for the row choice only.
    static Statement listSource();
    static bool isAdministratorName(const QString& userName);
    static std::optional<AccountRefusal> refusalToSave(qint64 number, const QString& userName);
    static std::optional<AccountRefusal> refusalToDelete(std::optional<qint64> number,
                                                         const QString& userName);

    // Each yields the number of rows changed: 0 when the account was not found. Each is made
    // in one transaction, again after a lost connection or found made (see Database::change).
    Result<int> add(const AccountFields& account);
    Result<int> save(qint64 number, const AccountFields& account);
    // The logged-in user's own account, after the old password was proven.
    Result<int> changeOwn(qint64 number, const AccountFields& account);
    // Only the chosen account, and only while it still has the name shown.
    Result<int> remove(qint64 number, const QString& userName);

private:
    Result<int> update(qint64 number, const AccountFields& account);
    // Runs `statements` in a transaction through Database::change(); `landed` reads whether
    // the change is stored. The rows changed, 1 when found stored.
    Result<int> changeAccounts(const std::function<Result<int>()>& statements,
                               const std::function<Result<bool>()>& landed);
    // Whether the account of the number (or, without one, of the user name) is stored as given.
    Result<bool> storedAs(std::optional<qint64> number, const AccountFields& account);

    Database& m_database;
};

}  // namespace vemora
