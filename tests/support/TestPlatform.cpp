#include "support/TestPlatform.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/Encoding.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <gtest/gtest.h>

namespace vemora::test {

TempDatabase::TempDatabase() {
    const Status s = SqliteEngine::createDatabase(path());
    if (!s) ADD_FAILURE() << s.error().description.toStdString();
}

QString TempDatabase::path() const {
    return m_dir.filePath(QString::fromLatin1(kDatabaseFileName));
}

TestPlatform::TestPlatform()
    : session(database.directory(), prompter), platform{session,   prompter, files,    shell,
                                                        &registry, nullptr,  &transfer} {}

Recordset TestPlatform::query(const Statement& statement) {
    Connection c;
    c.setConnectionString(makeConnectionString(database.directory()));
    const Status opened = c.open();
    EXPECT_TRUE(opened.ok()) << (opened ? "" : opened.error().description.toStdString());
    auto r = c.execute(statement);
    EXPECT_TRUE(r.ok()) << (r ? "" : r.error().description.toStdString());
    return r ? std::move(r.value()) : Recordset();
}

int TestPlatform::addUser(const QString& userName, const QString& password, const QString& name) {
    query(Statement("INSERT INTO users (user_name, user_password, name) VALUES (")
              .text(userName)
              .sql(", ")
              .text(*EncodePassword(password))
              .sql(", ")
              .text(name)
              .sql(")"));
    Recordset r = query(Statement("SELECT user_num FROM users WHERE user_name = ").text(userName));
    return r.field(u"user_num").toInt();
}

void TestPlatform::loginAs(int userNum) {
    ASSERT_TRUE(session.OpenDatabase());
    Recordset r = query(
        Statement("SELECT user_num, user_name, name FROM users WHERE user_num = ").number(userNum));
    ASSERT_FALSE(r.eof());
    UserRecord& u = session.CurrentUser();
    u.user_num = r.field(u"user_num");
    u.name = r.field(u"name");
    u.user_name = r.field(u"user_name");
}

int TestPlatform::count(const QString& table) {
    // Table names come from tests only.
    return query(Statement(QStringLiteral("SELECT COUNT(*) AS n FROM ") + table))
        .field(u"n")
        .toInt();
}

}  // namespace vemora::test
