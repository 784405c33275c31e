// Which database the organizer's shared connection opens: vemora.conf beside the program names
// a server, else journey.mdb as always.
#include "core/Database.h"
#include "data/Engine.h"
#include "data/PostgresEngine.h"
#include "data/Statement.h"
#include "support/Programs.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class DatabaseChoiceTest : public ::testing::Test {
protected:
    void configure(const QString& url,
                   QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner) {
        writeFile(conf, "[database]\nurl=" + url.toUtf8() + "\n", permissions);
    }

    TempDatabase file{TempDatabase::Kind::File};
    QString conf = QDir(file.directory()).filePath(u"vemora.conf"_s);
};

TEST_F(DatabaseChoiceTest, AConfThatCannotBeUsedIsAMissingDatabaseAndTheFileIsNotOpened) {
    const ServerAddress nowhere{u"/nonexistent-socket-folder"_s, 5432, u"family"_s, u"ann"_s,
                                u"secret"_s};
    configure(nowhere.url(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    Database database(file.directory(), Database::Lock::Shared);
    Status opened = database.open();
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().problem, DbProblem::Missing);
    EXPECT_EQ(opened.error().number, kErrGeneral);
    EXPECT_TRUE(opened.error().description.contains(u"chmod 600"_s))
        << opened.error().description.toStdString();
    EXPECT_FALSE(database.DbConnection().isOpen());

    // Kept private, it names a server out of reach: missing too, and named without password.
    configure(nowhere.url());
    opened = database.open();
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().problem, DbProblem::Missing);
    EXPECT_TRUE(opened.error().description.contains(nowhere.shown()))
        << opened.error().description.toStdString();
    EXPECT_FALSE(opened.error().description.contains(u"secret"_s));
    EXPECT_TRUE(database.ConnectionString().startsWith(u"postgresql://"_s));
    EXPECT_TRUE(database.filePath().isEmpty());

    // Without the file, journey.mdb as always; the next open reads the choice anew.
    ASSERT_TRUE(QFile::remove(conf));
    ASSERT_TRUE(database.open()) << "journey.mdb";
    EXPECT_EQ(database.filePath(), file.path());
}

TEST_F(DatabaseChoiceTest, OnAServerTheOrganizersHoldTheToolsLockShared) {
    const TempDatabase server;
    if (!server.server()) GTEST_SKIP() << "VEMORA_TEST_PG_URL names no server";
    Database first(server.directory(), Database::Lock::Shared);
    Database second(server.directory(), Database::Lock::Shared);
    ASSERT_TRUE(first.open());
    ASSERT_TRUE(second.open());
    EXPECT_EQ(first.DbConnection().engine().driver(), PostgresEngine::driver());

    ServerLock tool(*server.server());
    EXPECT_FALSE(tool.tryLock(EngineLock::Mode::Exclusive));
    EXPECT_TRUE(tool.heldElsewhere());
}

TEST_F(DatabaseChoiceTest, AnOrganizerWhoseLockSessionEndedTakesItAgainBeforeItsNextStatement) {
    const TempDatabase server;
    if (!server.server()) GTEST_SKIP() << "VEMORA_TEST_PG_URL names no server";
    Database organizer(server.directory(), Database::Lock::Shared);
    organizer.setToolWait(std::chrono::milliseconds(0), {});
    ASSERT_TRUE(organizer.open());
    Connection admin;
    admin.setConnectionString(server.connectionString());
    ASSERT_TRUE(admin.openSnapshot());
    // The server ends the session that holds the organizer's lock (a timeout, a kill).
    const auto endLockSessions = [&admin] {
        const Result<Recordset> ended = admin.execute(
            Statement(
                "SELECT pg_terminate_backend(pid) FROM pg_locks WHERE locktype = 'advisory' AND "
                "database = (SELECT oid FROM pg_database WHERE datname = current_database()) "
                "AND objsubid = 1 AND ((classid::bigint << 32) | objid::bigint) = ")
                .number(ServerLock::kKey));
        ASSERT_TRUE(ended) << ended.error().description.toStdString();
        ASSERT_EQ(ended.value().rowCount(), 1);
    };
    endLockSessions();
    // A restore that starts now holds the lock: the organizer's next statement is refused.
    {
        ServerLock restore(*server.server());
        ASSERT_TRUE(restore.tryLock(EngineLock::Mode::Exclusive));
        const Result<int> refused = organizer.execute(Statement("SELECT 1 FROM users"));
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().description,
                  u"The maintenance tool is working on the database."_s);
    }
    // Once it is done, the organizer takes the lock again, and the next restore is refused.
    ASSERT_TRUE(organizer.execute(Statement("SELECT 1 FROM users")));
    ServerLock next(*server.server());
    EXPECT_FALSE(next.tryLock(EngineLock::Mode::Exclusive));
    EXPECT_TRUE(next.heldElsewhere());
    endLockSessions();
    ASSERT_TRUE(organizer.execute(Statement("SELECT 1 FROM users")));
    EXPECT_FALSE(next.tryLock(EngineLock::Mode::Exclusive));
}

}  // namespace
}  // namespace vemora::test
