// A server that ends the organizer's sessions, restarts or freezes: the organizer connects
// again, takes its lock again, repeats only what is safe and never hangs. Against the server
// VEMORA_TEST_PG_URL names (a throwaway cluster of scripts/pg-cluster.sh, which restarts it).
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QUrlQuery>

#include <array>
#include <csignal>
#include <future>
#include <thread>

#include "core/Accounts.h"
#include "core/ContactStore.h"
#include "core/Database.h"
#include "core/DayStore.h"
#include "core/LockWatch.h"
#include "core/Transaction.h"
#include "core/WordStore.h"
#include "data/Encoding.h"
#include "data/PostgresEngine.h"
#include "data/ServerWait.h"
#include "support/TestPlatform.h"

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

QStringList contact(const QString& name, const QString& address) {
    return {name, u"M"_s, u"Lee"_s, u"F"_s, address, u"1"_s, u"2"_s, u"3"_s, u"e"_s};
}

// The server's process, from its postmaster.pid.
qint64 postmasterOf(const QVariant& dataDirectory) {
    QFile pidFile(dataDirectory.toString() + u"/postmaster.pid"_s);
    if (!pidFile.open(QIODevice::ReadOnly)) return 0;
    return pidFile.readLine().trimmed().toLongLong();
}

class ReconnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<ServerAddress> maintenance = testServer();
        if (!maintenance) GTEST_SKIP() << "VEMORA_TEST_PG_URL names no server";
        m_maintenance = *maintenance;
        server = m_database.emplace(*maintenance).server();
        server.connectTimeout = 2;
        ASSERT_TRUE(PostgresEngine::createDatabase(server));
    }

    // Runs a statement on the maintenance database; its first value.
    QVariant maintain(const QString& sql) {
        ServerSession session(m_maintenance);
        if (!session.open()) return {};
        QSqlQuery q(session.database());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }
    // Ends every session of the test's database, as an administrator's kill does.
    void terminateSessions() {
        maintain(
            u"SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity"
            u" WHERE datname = '%1' AND pid <> pg_backend_pid()"_s.arg(server.database));
    }
    // A fast restart of the whole server.
    void restartServer() {
        QProcess script;
        script.start(QStringLiteral(VEMORA_SOURCE_DIR "/scripts/pg-cluster.sh"),
                     {u"restart"_s, m_maintenance.host});
        ASSERT_TRUE(script.waitForFinished(60000));
        ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    }
    qint64 count(const QString& where = u"TRUE"_s) {
        return maintainOn(u"SELECT count(*) FROM addressbook_tbl WHERE %1"_s.arg(where))
            .toLongLong();
    }
    QVariant maintainOn(const QString& sql) {
        ServerSession session(server);
        if (!session.open()) return {};
        QSqlQuery q(session.database());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }
    // Stops the organizer's server process and the postmaster, so that nothing answers and no
    // session starts, until thaw(). False when the server's processes cannot be stopped.
    bool freeze(Database& organizer) {
        if (!organizer.execute(Statement("SELECT pg_backend_pid()"))) return false;
        m_frozen = {pid_t(organizer.DbRecordset().value(0, 0).toLongLong()),
                    pid_t(postmasterOf(maintain(u"SHOW data_directory"_s)))};
        if (m_frozen[0] <= 0 || m_frozen[1] <= 0 || ::kill(m_frozen[0], SIGSTOP) != 0) return false;
        ::kill(m_frozen[1], SIGSTOP);
        return true;
    }
    void thaw() {
        ::kill(m_frozen[1], SIGCONT);
        ::kill(m_frozen[0], SIGCONT);
    }
    // Whether the maintenance tool could take the lock a restore needs.
    bool restoreCouldRun() {
        ServerLock tool(server);
        return tool.tryLock(EngineLock::Mode::Exclusive);
    }

    ServerAddress m_maintenance;
    std::optional<ServerDatabase> m_database;
    std::array<pid_t, 2> m_frozen{};
    ServerAddress server;
};

enum class Fault { Terminate, Restart };

class AfterFault : public ReconnectTest, public ::testing::WithParamInterface<Fault> {
protected:
    void fault() {
        if (GetParam() == Fault::Terminate)
            terminateSessions();
        else
            restartServer();
    }
};

TEST_P(AfterFault, AReadAndEveryWriteGoOnAndTheLockIsTakenAgain) {
    Database organizer(Database::Named{server.url()}, Database::Lock::Shared);
    organizer.setReconnect(20s, nullptr);
    ASSERT_TRUE(organizer.open());
    ContactStore contacts(organizer);
    ASSERT_TRUE(contacts.add(1, contact(u"Ann"_s, u"a"_s)));
    EXPECT_FALSE(restoreCouldRun());

    fault();
    const Result<int> read = organizer.execute(Statement("SELECT name FROM addressbook_tbl"));
    ASSERT_TRUE(read) << read.error().description.toStdString();
    EXPECT_EQ(organizer.DbRecordset().text(u"name"), u"Ann");
    EXPECT_FALSE(restoreCouldRun()) << "the organizer's lock was not taken again";

    fault();
    const Result<Change> added = contacts.add(1, contact(u"Bob"_s, u"b"_s));
    ASSERT_TRUE(added) << added.error().description.toStdString();
    EXPECT_TRUE(added.value().done());
    EXPECT_EQ(count(u"name = 'Bob'"_s), 1);

    fault();
    const Result<Change> saved =
        contacts.save(1, {u"Bob"_s, u"M"_s, u"Lee"_s}, contact(u"Bob"_s, u"new"_s));
    ASSERT_TRUE(saved) << saved.error().description.toStdString();
    EXPECT_TRUE(saved.value().done());
    EXPECT_EQ(count(u"name = 'Bob' AND address = 'new'"_s), 1);

    fault();
    const Result<Change> removed = contacts.remove(1, {u"Ann"_s, u"M"_s, u"Lee"_s});
    ASSERT_TRUE(removed) << removed.error().description.toStdString();
    EXPECT_TRUE(removed.value().done());
    EXPECT_EQ(count(), 1);
    EXPECT_FALSE(restoreCouldRun()) << "the organizer's lock was not taken again";

    // The diary's changes, made in transactions the same way.
    DayStore diary(organizer, DayBook::diary());
    const QDate day(2026, 3, 1);
    fault();
    const Result<Change> written = diary.add(1, day, {u"first"_s});
    ASSERT_TRUE(written) << written.error().description.toStdString();
    EXPECT_TRUE(written.value().done());
    fault();
    const Result<Change> rewritten = diary.save(1, day, {u"first"_s}, {u"second"_s});
    ASSERT_TRUE(rewritten) << rewritten.error().description.toStdString();
    EXPECT_TRUE(rewritten.value().done());
    EXPECT_EQ(maintainOn(u"SELECT string_agg(diary_message, ',') FROM diary_tbl"_s).toString(),
              u"second");
    // And the dictionary's.
    WordStore words(organizer);
    fault();
    const Result<Change> word = words.add(1, u"apple"_s, u"a fruit"_s);
    ASSERT_TRUE(word) << word.error().description.toStdString();
    EXPECT_TRUE(word.value().done());
    fault();
    const Result<Change> reworded =
        words.save(1, LoadedWord{u"apple"_s, u"a fruit"_s, 1}, u"apple"_s, u"a tree fruit"_s);
    ASSERT_TRUE(reworded) << reworded.error().description.toStdString();
    EXPECT_TRUE(reworded.value().done());
    EXPECT_EQ(
        maintainOn(u"SELECT string_agg(dict_description, ',') FROM dictionary_tbl"_s).toString(),
        u"a tree fruit");

    // And the accounts': Add User, the administrator's save, Change Password, Delete.
    AccountStore accounts(organizer);
    const auto stored = [](const QString& password) { return EncodePassword(password).value(); };
    fault();
    const Result<int> joined = accounts.add({u"cy"_s, stored(u"pw"_s), u"Cy Lee"_s});
    ASSERT_TRUE(joined) << joined.error().description.toStdString();
    EXPECT_EQ(joined.value(), 1);
    const qint64 number =
        maintainOn(u"SELECT user_num FROM users WHERE user_name = 'cy'"_s).toLongLong();
    ASSERT_GT(number, 1);
    const auto account = [&] {
        return maintainOn(
                   u"SELECT count(*) || ':' || string_agg(name, ',') FROM users"
                   u" WHERE user_num = %1"_s.arg(number))
            .toString();
    };
    fault();
    const Result<int> resaved = accounts.save(number, {u"cy"_s, stored(u"pw"_s), u"Cy Li"_s});
    ASSERT_TRUE(resaved) << resaved.error().description.toStdString();
    EXPECT_EQ(resaved.value(), 1);
    EXPECT_EQ(account(), u"1:Cy Li");
    fault();
    const Result<int> own = accounts.changeOwn(number, {u"cy"_s, stored(u"new"_s), u"Cy Li"_s});
    ASSERT_TRUE(own) << own.error().description.toStdString();
    EXPECT_EQ(own.value(), 1);
    EXPECT_TRUE(accounts.find(u"cy"_s, u"new"_s).value().has_value());
    fault();
    const Result<int> deleted = accounts.remove(number, u"cy"_s);
    ASSERT_TRUE(deleted) << deleted.error().description.toStdString();
    EXPECT_EQ(deleted.value(), 1);
    EXPECT_EQ(maintainOn(u"SELECT count(*) FROM users"_s).toInt(), 1);
}

// The lock's own session ends while nobody uses the organizer: the watch's next look takes the
// lock again, before any statement of the organizer, so a restore stays refused.
TEST_P(AfterFault, TheIdleOrganizersLockIsTakenAgainByItsWatch) {
    Database organizer(Database::Named{server.url()}, Database::Lock::Shared);
    organizer.setReconnect(20s, nullptr);
    ASSERT_TRUE(organizer.open());
    LockWatch watch(organizer);
    watch.tick();
    EXPECT_FALSE(restoreCouldRun());

    // Ends the sessions the condition names and waits until they have ended.
    const auto terminate = [&](const QString& which) {
        EXPECT_TRUE(
            maintain(u"SELECT bool_and(pg_terminate_backend(pid, 10000)) FROM"
                     u" pg_stat_activity WHERE datname = '%1' AND %2"_s.arg(server.database, which))
                .toBool());
    };
    for (const QString& which :
         {u"pid IN (SELECT pid FROM pg_locks WHERE locktype = 'advisory' AND objid = %1)"_s.arg(
              ServerLock::kKey & 0xffffffff),
          u"pid <> pg_backend_pid()"_s}) {
        // First only the lock's session, the organizer's connection left; then every session.
        if (GetParam() == Fault::Terminate)
            terminate(which);
        else
            restartServer();
        watch.tick();
        EXPECT_FALSE(restoreCouldRun()) << "the organizer's lock was not taken again";
    }
    const Result<int> read = organizer.execute(Statement("SELECT count(*) FROM users"));
    ASSERT_TRUE(read) << read.error().description.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Server, AfterFault, ::testing::Values(Fault::Terminate, Fault::Restart),
                         [](const auto& info) {
                             return info.param == Fault::Terminate ? "Terminate" : "Restart";
                         });

// Waits until a session of the database waits on a lock; its process number.
qint64 waitingSession(const std::function<QVariant(const QString&)>& query,
                      const QString& database) {
    for (int i = 0; i < 400; ++i) {
        const QVariant pid = query(
            u"SELECT pid FROM pg_stat_activity WHERE datname = '%1'"
            u" AND wait_event_type = 'Lock'"_s.arg(database));
        if (pid.isValid()) return pid.toLongLong();
        std::this_thread::sleep_for(25ms);
    }
    ADD_FAILURE() << "no session waited";
    return 0;
}

// The change's session ends while its transaction is open (an insert waiting on a lock) and
// while its COMMIT runs (a deferred trigger waiting on an advisory lock): neither committed, so
// each is made again, once.
TEST_F(ReconnectTest, AChangeLostBeforeItCommittedIsMadeAgainOnce) {
    ServerSession holder(server);
    ASSERT_TRUE(holder.open());
    QSqlQuery hold(holder.database());
    ASSERT_TRUE(
        hold.exec(u"CREATE FUNCTION wait_at_commit() RETURNS trigger LANGUAGE plpgsql"
                  u" AS $$ BEGIN PERFORM pg_advisory_xact_lock_shared(7); RETURN NULL;"
                  u" END $$"_s));
    ASSERT_TRUE(
        hold.exec(u"CREATE CONSTRAINT TRIGGER at_commit AFTER INSERT ON addressbook_rows"
                  u" DEFERRABLE INITIALLY DEFERRED FOR EACH ROW"
                  u" EXECUTE FUNCTION wait_at_commit()"_s));
    const auto query = [this](const QString& sql) { return maintainOn(sql); };
    for (const char* held :
         {"LOCK TABLE addressbook_tbl IN EXCLUSIVE MODE", "SELECT pg_advisory_xact_lock(7)"}) {
        ASSERT_TRUE(hold.exec(u"BEGIN"_s));
        ASSERT_TRUE(hold.exec(QString::fromLatin1(held)));
        const QString name = QString::fromLatin1(held).left(4);
        auto adding = std::async(std::launch::async, [url = server.url(), name] {
            Database organizer(Database::Named{url}, Database::Lock::None);
            organizer.setReconnect(20s, nullptr);
            if (!organizer.open()) return Result<Change>(DbError{0, u"not opened"_s});
            return ContactStore(organizer).add(1, contact(name, u"a"_s));
        });
        const qint64 pid = waitingSession(query, server.database);
        maintain(u"SELECT pg_terminate_backend(%1)"_s.arg(pid));
        ASSERT_TRUE(hold.exec(u"COMMIT"_s));
        const Result<Change> added = adding.get();
        ASSERT_TRUE(added) << held << ": " << added.error().description.toStdString();
        EXPECT_TRUE(added.value().done()) << held;
        EXPECT_EQ(count(u"name = '%1'"_s.arg(name)), 1) << held;
    }
}

// An account's change whose session ends while its COMMIT waits (a deferred trigger waiting on an
// advisory lock): the account is read, found not changed, and the change made again, once.
TEST_F(ReconnectTest, AnAccountsChangeLostAtItsCommitIsLookedForThenMadeOnce) {
    ServerSession holder(server);
    ASSERT_TRUE(holder.open());
    QSqlQuery hold(holder.database());
    ASSERT_TRUE(
        hold.exec(u"CREATE FUNCTION wait_at_commit() RETURNS trigger LANGUAGE plpgsql"
                  u" AS $$ BEGIN PERFORM pg_advisory_xact_lock_shared(7); RETURN NULL;"
                  u" END $$"_s));
    ASSERT_TRUE(
        hold.exec(u"CREATE CONSTRAINT TRIGGER at_commit AFTER INSERT OR UPDATE OR DELETE ON users"
                  u" DEFERRABLE INITIALLY DEFERRED FOR EACH ROW"
                  u" EXECUTE FUNCTION wait_at_commit()"_s));
    const QString stored = EncodePassword(u"pw"_s).value();
    const auto query = [this](const QString& sql) { return maintainOn(sql); };
    const auto lostAtCommit = [&](const std::function<Result<int>(AccountStore&)>& change) {
        EXPECT_TRUE(hold.exec(u"BEGIN"_s));
        EXPECT_TRUE(hold.exec(u"SELECT pg_advisory_xact_lock(7)"_s));
        auto changing = std::async(std::launch::async, [url = server.url(), &change] {
            Database organizer(Database::Named{url}, Database::Lock::None);
            organizer.setReconnect(20s, nullptr);
            if (!organizer.open()) return Result<int>(DbError{0, u"not opened"_s});
            AccountStore accounts(organizer);
            return change(accounts);
        });
        maintain(u"SELECT pg_terminate_backend(%1)"_s.arg(waitingSession(query, server.database)));
        EXPECT_TRUE(hold.exec(u"COMMIT"_s));
        return changing.get();
    };
    const Result<int> added = lostAtCommit([&](AccountStore& a) {
        return a.add({u"eve"_s, stored, u"Eve"_s});
    });
    ASSERT_TRUE(added) << added.error().description.toStdString();
    EXPECT_EQ(added.value(), 1);
    const qint64 eve =
        maintainOn(u"SELECT min(user_num) FROM users WHERE user_name = 'eve'"_s).toLongLong();
    EXPECT_EQ(maintainOn(u"SELECT count(*) FROM users"_s).toInt(), 2);
    const Result<int> saved = lostAtCommit([&](AccountStore& a) {
        return a.save(eve, {u"eve"_s, stored, u"Eve Ray"_s});
    });
    ASSERT_TRUE(saved) << saved.error().description.toStdString();
    EXPECT_EQ(saved.value(), 1);
    EXPECT_EQ(maintainOn(u"SELECT name FROM users WHERE user_num = %1"_s.arg(eve)).toString(),
              u"Eve Ray");
    const Result<int> removed =
        lostAtCommit([&](AccountStore& a) { return a.remove(eve, u"eve"_s); });
    ASSERT_TRUE(removed) << removed.error().description.toStdString();
    EXPECT_EQ(removed.value(), 1);
    EXPECT_EQ(maintainOn(u"SELECT count(*) FROM users"_s).toInt(), 1);
}

// A COMMIT whose answer was lost, the change stored all the same: it is found stored and not
// made again.
TEST_F(ReconnectTest, AChangeFoundCommittedAfterItsAnswerWasLostIsNotMadeAgain) {
    Database organizer(Database::Named{server.url()}, Database::Lock::None);
    organizer.setReconnect(20s, nullptr);
    ASSERT_TRUE(organizer.open());
    int attempts = 0, asked = 0;
    const Result<Change> made = organizer.change(
        [&]() -> Result<Change> {
            ++attempts;
            Transaction transaction(organizer);
            if (!transaction.begun()) return transaction.begun().error();
            // The server commits, then the answer never comes back.
            maintainOn(u"INSERT INTO addressbook_tbl(user_num, name) VALUES (1, 'Cy')"_s);
            terminateSessions();
            if (const Status committed = transaction.commit(); !committed) return committed.error();
            return Change{};
        },
        [&]() -> Result<bool> {
            ++asked;
            return count(u"name = 'Cy'"_s) == 1;
        });
    ASSERT_TRUE(made) << made.error().description.toStdString();
    EXPECT_TRUE(made.value().done());
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(count(u"name = 'Cy'"_s), 1);
}

TEST_F(ReconnectTest, AFrozenServerIsAnErrorByItsCauseNotAHang) {
    server.statementTimeout = 1;
    Database organizer(Database::Named{server.url()}, Database::Lock::Shared);
    organizer.setReconnect(1s, nullptr);
    ASSERT_TRUE(organizer.open());
    if (!freeze(organizer)) GTEST_SKIP() << "the server cannot be stopped";
    const Result<int> read = organizer.execute(Statement("SELECT count(*) FROM users"));
    thaw();
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().problem, DbProblem::ConnectionLost);
    EXPECT_TRUE(read.error().description.contains(u"did not answer within 2 s"_s))
        << read.error().description.toStdString();

    // Once it runs again, the next action connects again.
    const Result<int> again = organizer.execute(Statement("SELECT count(*) FROM users"));
    ASSERT_TRUE(again) << again.error().description.toStdString();
    EXPECT_EQ(organizer.DbRecordset().value(0, 0).toInt(), 1);
    EXPECT_FALSE(restoreCouldRun());
}

// Asked while the server is frozen; stops waiting on its third question.
class ImpatientUser final : public AnswerWaiter {
public:
    bool waiting(const QString& server, std::chrono::milliseconds) override {
        askedFor = server;
        return ++asked < 3;
    }
    void ended() override { ++endings; }

    int asked = 0;
    int endings = 0;
    QString askedFor;
};

TEST_F(ReconnectTest, AFrozenServersLateAnswerIsToldAndTheUserMayStopWaiting) {
    Database organizer(Database::Named{server.url()}, Database::Lock::Shared);
    organizer.setReconnect(20s, nullptr);
    ASSERT_TRUE(organizer.open());
    if (!freeze(organizer)) GTEST_SKIP() << "the server cannot be stopped";
    ImpatientUser user;
    setAnswerWaiter(&user);
    // The statement would wait for the statement timeout (30 s); the user stops it sooner.
    ContactStore contacts(organizer);
    const Result<Change> added = contacts.add(1, contact(u"Ann"_s, u"a"_s));
    thaw();
    setAnswerWaiter(nullptr);
    ASSERT_FALSE(added);
    EXPECT_EQ(added.error().problem, DbProblem::ConnectionLost);
    EXPECT_TRUE(added.error().description.contains(u"you stopped waiting for its answer"_s))
        << added.error().description.toStdString();
    EXPECT_EQ(user.askedFor, server.host);
    EXPECT_EQ(user.endings, 1);

    // Nothing was stored, and the next action connects again and holds the lock.
    EXPECT_EQ(count(), 0);
    ASSERT_TRUE(contacts.add(1, contact(u"Ann"_s, u"a"_s)));
    EXPECT_EQ(count(), 1);
    EXPECT_FALSE(restoreCouldRun());
}

}  // namespace
}  // namespace vemora::test
