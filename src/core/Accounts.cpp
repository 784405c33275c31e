#include "core/Accounts.h"

#include "core/Change.h"
#include "core/Database.h"
#include "core/Transaction.h"
#include "data/Encoding.h"

namespace vemora {

namespace {

DbError refused(AccountRefusal why) {
    return {kErrOther, why == AccountRefusal::DeleteAdministrator
                           ? QStringLiteral("The administrator account cannot be deleted.")
                           : QStringLiteral("The administrator's user name cannot be changed.")};
}

}  // namespace

Result<std::optional<UserRecord>> AccountStore::find(const QString& userName,
                                                     const QString& password) {
    const std::optional<QString> stored = EncodePassword(password);
    if (!stored) return std::optional<UserRecord>();
    const Result<int> found = m_database.execute(
        Statement("Select user_num, user_name, user_password, name From users where ")
            .caselessColumnEquals(u"user_name", trimBlanks(userName))
            .sql(" AND user_password=")
            .text(*stored));
    // An apostrophe, refused by the statement, is in no stored name or password either.
    if (!found && found.error().number == kErrSyntax) return std::optional<UserRecord>();
    if (!found) return found.error();
    const Recordset& rows = m_database.DbRecordset();
    if (rows.eof()) return std::optional<UserRecord>();
    return std::optional<UserRecord>(
        UserRecord{rows.field(u"user_num"), rows.field(u"name"), rows.field(u"user_name")});
}

Statement AccountStore::listSource() {
    return Statement("Select user_num, user_name,user_password, name from users")
        .storedOrder(u"user_num");
}

bool AccountStore::isAdministratorName(const QString& userName) {
    return trimBlanks(userName).compare(kAdministratorUserName, Qt::CaseInsensitive) == 0;
}

std::optional<AccountRefusal> AccountStore::refusalToSave(qint64 number, const QString& userName) {
    if (number == kAdministratorNumber && userName != kAdministratorUserName)
        return AccountRefusal::RenameAdministrator;
    return std::nullopt;
}

std::optional<AccountRefusal> AccountStore::refusalToDelete(std::optional<qint64> number,
                                                            const QString& userName) {
    if (isAdministratorName(userName) || number == kAdministratorNumber)
        return AccountRefusal::DeleteAdministrator;
    return std::nullopt;
}

Result<int> AccountStore::add(const AccountFields& account) {
    return changeAccounts(
        [&] {
            return m_database.execute(
                Statement("INSERT INTO users(user_name,user_password,name) VALUES(")
                    .text(account.userName)
                    .sql(",")
                    .text(account.storedPassword)
                    .sql(",")
                    .text(account.name)
                    .sql(")"));
        },
        [&] { return storedAs(std::nullopt, account); });
}

Result<int> AccountStore::save(qint64 number, const AccountFields& account) {
    if (const auto why = refusalToSave(number, account.userName)) return refused(*why);
    return update(number, account);
}

Result<int> AccountStore::changeOwn(qint64 number, const AccountFields& account) {
    return update(number, account);
}

Result<int> AccountStore::update(qint64 number, const AccountFields& account) {
    return changeAccounts(
        [&] {
            return m_database.execute(Statement("UPDATE users SET user_name=")
                                          .text(account.userName)
                                          .sql(", user_password=")
                                          .text(account.storedPassword)
                                          .sql(", name=")
                                          .text(account.name)
                                          .sql(" WHERE user_num=")
                                          .number(number));
        },
        [&] { return storedAs(number, account); });
}

Result<bool> AccountStore::storedAs(std::optional<qint64> number, const AccountFields& account) {
    Statement check("Select user_name, user_password, name From users where ");
    if (number)
        check.sql("user_num=").number(*number);
    else
        check.caselessColumnEquals(u"user_name", account.userName);
    const Result<int> ran = m_database.execute(check);
    if (!ran) return ran.error();
    const Recordset& row = m_database.DbRecordset();
    return !row.eof() && row.text(u"user_name") == account.userName &&
           row.text(u"user_password") == account.storedPassword &&
           row.text(u"name") == account.name;
}

Result<int> AccountStore::changeAccounts(const std::function<Result<int>()>& statements,
                                         const std::function<Result<bool>()>& landed) {
    int rows = 0;
    const Result<Change> made = m_database.change(
        [&]() -> Result<Change> {
            Transaction transaction(m_database);
            if (!transaction.begun()) return transaction.begun().error();
            const Result<int> changed = statements();
            if (!changed) return changed.error();
            rows = changed.value();
            if (const Status committed = transaction.commit(); !committed) return committed.error();
            return Change{};
        },
        [&]() -> Result<bool> {
            const Result<bool> stored = landed();
            if (stored && stored.value()) rows = 1;
            return stored;
        });
    if (!made) return made.error();
    return rows;
}

Result<int> AccountStore::remove(qint64 number, const QString& userName) {
    if (const auto why = refusalToDelete(number, userName)) return refused(*why);
    // The account's drafts and settings go with it.
    const auto statements = [&]() -> Result<int> {
        const Result<int> removed =
            m_database.execute(Statement("DELETE FROM users WHERE user_num=")
                                   .number(number)
                                   .sql(" AND ")
                                   .caselessColumnEquals(u"user_name", trimBlanks(userName)));
        if (!removed || removed.value() == 0) return removed;
        for (const char* table : {"drafts_tbl", "options_tbl"})
            if (const Result<int> gone = m_database.execute(
                    Statement(
                        QStringLiteral("DELETE FROM %1 WHERE user_num=").arg(QLatin1String(table)))
                        .number(number));
                !gone)
                return gone.error();
        return removed;
    };
    const auto gone = [&]() -> Result<bool> {
        const Result<int> ran = m_database.execute(
            Statement("Select user_num From users where user_num=").number(number));
        if (!ran) return ran.error();
        return m_database.DbRecordset().eof();
    };
    return changeAccounts(statements, gone);
}

}  // namespace vemora
