#include "data/DatabaseLock.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace vemora::test {
namespace {

using namespace std::chrono_literals;

const QString kLocate = QStringLiteral("Can't locate!");
const QString kUnusable = QStringLiteral("Can't use the database!");
const QString kWait = QStringLiteral("Please wait...");

// The shared session never uses the file without the organizers' lock, and names what is
// wrong with a file it cannot use.
class SessionTest : public ::testing::Test {
protected:
    SessionTest() { env.session.setLockWait(20ms); }
    void SetUp() override {
        VEMORA_SKIP_ON_SERVER("the lock file beside the file and the file's own faults");
    }
    Result<int> countUsers() { return env.session.execute(Statement("SELECT * FROM users")); }

    TestPlatform env;
};

TEST_F(SessionTest, WaitsForTheMaintenanceToolAndNeverOpensBehindIt) {
    DatabaseLock tool(env.database.path());
    ASSERT_TRUE(tool.tryLock(DatabaseLock::Mode::Exclusive));
    env.prompter.answer(Answer::Retry);
    env.prompter.answer(Answer::Cancel);
    EXPECT_FALSE(env.session.OpenDatabase());
    ASSERT_EQ(env.prompter.count(), 2);
    EXPECT_EQ(env.prompter.last().title, kWait);
    EXPECT_EQ(env.prompter.last().style, vbExclamation | vbRetryCancel);

    // A statement asks again rather than run on a file the tool may replace.
    env.prompter.answer(Answer::Cancel);
    EXPECT_FALSE(countUsers().ok());
    EXPECT_EQ(env.prompter.count(), 3);

    tool.unlock();
    ASSERT_TRUE(countUsers().ok());
    EXPECT_EQ(env.prompter.count(), 3);
    // Held from now on: the tool is refused.
    EXPECT_FALSE(tool.tryLock(DatabaseLock::Mode::Exclusive));
    EXPECT_TRUE(tool.heldElsewhere());
}

TEST_F(SessionTest, AFailedReopenIsRetriedByTheNextStatement) {
    ASSERT_TRUE(env.session.OpenDatabase());
    const QString aside = env.database.path() + QStringLiteral(".aside");
    ASSERT_TRUE(QFile::rename(env.database.path(), aside));
    EXPECT_FALSE(env.session.OpenDatabase());
    ASSERT_EQ(env.prompter.count(), 1);
    EXPECT_EQ(env.prompter.last().title, kLocate);
    const Result<int> missing = countUsers();
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().problem, DbProblem::Missing);

    ASSERT_TRUE(QFile::rename(aside, env.database.path()));
    EXPECT_TRUE(countUsers().ok());
    EXPECT_TRUE(env.session.DbConnection().isOpen());
}

TEST_F(SessionTest, ABusyFileIsCalledBusyNotMissing) {
    ASSERT_TRUE(env.session.OpenDatabase());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("w"));
        db.setDatabaseName(env.database.path());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        EXPECT_FALSE(env.session.OpenDatabase());
        ASSERT_EQ(env.prompter.count(), 1);
        EXPECT_EQ(env.prompter.last().title, kUnusable);
        EXPECT_TRUE(env.prompter.last().text.contains(QStringLiteral("busy")));
        q.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("w"));
    EXPECT_TRUE(countUsers().ok());
}

TEST_F(SessionTest, ADamagedFileIsNamedWithItsCause) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("d"));
        db.setDatabaseName(env.database.path());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE users")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("d"));
    EXPECT_FALSE(env.session.OpenDatabase());
    ASSERT_EQ(env.prompter.count(), 1);
    EXPECT_EQ(env.prompter.last().title, kUnusable);
    EXPECT_TRUE(env.prompter.last().text.contains(env.database.path()));
    EXPECT_TRUE(env.prompter.last().text.contains(QStringLiteral("table users is missing")));
}

}  // namespace
}  // namespace vemora::test
