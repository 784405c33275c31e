// Against a PostgreSQL server named by VEMORA_TEST_PG_URL (scripts/test.sh starts one); each
// test works in a database of its own. Skipped without the variable.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>

#include <future>

#include "backup/CopyCheck.h"
#include "backup/ServerCopy.h"
#include "core/Accounts.h"
#include "core/ContactStore.h"
#include "core/Database.h"
#include "core/SearchStore.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/Encoding.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"
#include "support/Programs.h"
#include "support/TestPlatform.h"

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

// Runs statements on a connection, failing the test on the first that fails.
void exec(QSqlDatabase db, const QStringList& statements) {
    QSqlQuery q(db);
    for (const QString& sql : statements) ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
}

// Runs statements on a journey.mdb.
void execOnFile(const QString& path, const QStringList& statements) {
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        exec(db, statements);
    }
    QSqlDatabase::removeDatabase(name);
}

// The first column of what a query reads from a journey.mdb.
QStringList valuesOnFile(const QString& path, const QString& sql) {
    const QString name = QUuid::createUuid().toString();
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next()) values.append(q.value(0).toString());
    }
    QSqlDatabase::removeDatabase(name);
    return values;
}

DbError failureOf(QSqlDatabase db, const QString& sql) {
    QSqlQuery q(db);
    EXPECT_FALSE(q.exec(sql)) << sql.toStdString();
    return PostgresEngine::toDbError(q.lastError());
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<ServerAddress> maintenance = testServer();
        if (!maintenance) GTEST_SKIP() << "VEMORA_TEST_PG_URL names no server";
        server = m_database.emplace(*maintenance).server();
    }
    QString url() const { return server.shown(); }

    std::optional<ServerDatabase> m_database;
    ServerAddress server;
};

TEST_F(ServerTest, MakedbSetsUpAnEmptyDatabaseOnceAndTheAdministratorLogsIn) {
    const Outcome made =
        runProgram(QStringLiteral(VEMORA_MAKEDB), {QStringLiteral("--server"), url()});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    EXPECT_EQ(made.out, QStringLiteral("Set up %1\n").arg(url()));

    ServerSession session(server);
    ASSERT_TRUE(session.open());
    QSqlDatabase db = session.database();
    const Status prepared =
        PostgresEngine::prepare(db, server, QString::fromLatin1(kDatabasePassword));
    EXPECT_TRUE(prepared) << prepared.error().description.toStdString();
    const Status otherPassword = PostgresEngine::prepare(db, server, QStringLiteral("wrong"));
    ASSERT_FALSE(otherPassword);
    EXPECT_EQ(otherPassword.error().problem, DbProblem::Foreign);

    // The organizer's log-in query, with the encoded password.
    QSqlQuery q(db);
    ASSERT_TRUE(
        q.exec(QStringLiteral("SELECT user_num, name FROM users WHERE user_name = '%1' "
                              "AND user_password = '%2'")
                   .arg(QStringLiteral("admin"), *EncodePassword(QStringLiteral("admin")))));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(1).toString(), u"Administrator");
    q.finish();

    const Outcome again =
        runProgram(QStringLiteral(VEMORA_MAKEDB), {QStringLiteral("--server"), url()});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("is not empty"))) << again.err.toStdString();
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM users")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST_F(ServerTest, NamesAndWordsAreUniqueWithoutRegardToAsciiLetterCase) {
    ASSERT_TRUE(PostgresEngine::createDatabase(server));
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    QSqlDatabase db = session.database();
    // A new account is numbered after the administrator.
    exec(db, {QStringLiteral("INSERT INTO users (user_name, name) VALUES ('Bob', 'Bob')")});
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT user_num FROM users WHERE user_name = 'Bob'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 2);
    q.finish();

    for (const char* sql : {"INSERT INTO users (user_name, name) VALUES ('bOB', 'x')",
                            "INSERT INTO users (user_name, name) VALUES ('ADMIN', 'x')",
                            "UPDATE users SET user_name = 'Admin' WHERE user_name = 'Bob'"}) {
        const DbError refused = failureOf(db, QString::fromLatin1(sql));
        EXPECT_EQ(refused.number, kErrGeneral) << sql;
    }
    exec(db, {QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, 'Apple', 'a fruit')")});
    EXPECT_EQ(
        failureOf(db, QStringLiteral("INSERT INTO dictionary_tbl VALUES (2, 'aPPLE', '')")).number,
        kErrGeneral);
    // As in the file, only ASCII letters fold: these are two words.
    exec(db, {QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, 'été', '')"),
              QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, 'ÉTÉ', '')")});
    // A day is a DATE: one entry per user and day.
    exec(db, {QStringLiteral("INSERT INTO diary_tbl VALUES (1, '2024-02-29', 'leap')")});
    EXPECT_EQ(
        failureOf(db, QStringLiteral("INSERT INTO diary_tbl VALUES (1, '2024-02-29', 'x')")).number,
        kErrGeneral);
    EXPECT_NE(
        failureOf(db, QStringLiteral("INSERT INTO diary_tbl VALUES (1, '2023-02-29', 'x')")).number,
        0);
}

TEST_F(ServerTest, AnUnconvertedApostropheIsTheSyntaxErrorNumber) {
    ASSERT_TRUE(PostgresEngine::createDatabase(server));
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    const DbError broken = failureOf(
        session.database(),
        QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, 'don't', 'an apostrophe')"));
    EXPECT_EQ(broken.number, kErrSyntax);
    EXPECT_FALSE(broken.description.isEmpty());
    EXPECT_EQ(failureOf(session.database(), QStringLiteral("SELECT nothing FROM users")).number,
              kErrSyntax);
}

// Each value as the driver reads it, with days as the file's text and whole numbers as
// qlonglong: rows read as they arrive (whole numbers, texts, days, truth values, NULLs, odd
// days and a parameter) and rows of other types, which the driver reads.
TEST_F(ServerTest, RowsReadAsTheDriverReadsThemInEveryType) {
    Connection connection;
    connection.setConnectionString(server.url());
    ASSERT_TRUE(connection.openSnapshot());
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    const auto compare = [&](const Statement& select, int columns, int rowCount) {
        const Result<Recordset> rows = connection.execute(select);
        ASSERT_TRUE(rows.ok()) << rows.error().description.toStdString();
        QSqlQuery q(session.database());
        q.setForwardOnly(true);
        ASSERT_TRUE(q.prepare(select.query(Dialect::Server)));
        for (const QVariant& value : select.values(Dialect::Server)) q.addBindValue(value);
        ASSERT_TRUE(q.exec());
        EXPECT_EQ(rows.value().columns().size(), columns);
        int row = 0;
        for (; q.next(); ++row) {
            ASSERT_LT(row, rows.value().rowCount());
            for (int column = 0; column < columns; ++column) {
                QVariant driver = q.value(column);
                if (driver.isNull())
                    driver = QVariant();
                else if (driver.typeId() == QMetaType::QDate)
                    driver = isoDate(driver.toDate());
                else if (driver.typeId() == QMetaType::Int || driver.typeId() == QMetaType::UInt ||
                         driver.typeId() == QMetaType::LongLong ||
                         driver.typeId() == QMetaType::ULongLong)
                    driver = driver.toLongLong();
                const QVariant held = rows.value().value(row, column);
                SCOPED_TRACE(testing::Message() << "row " << row << ", column " << column);
                EXPECT_EQ(held.isNull(), driver.isNull());
                if (driver.isNull()) continue;
                EXPECT_EQ(held.typeId(), driver.typeId());
                EXPECT_EQ(held, driver);
            }
        }
        EXPECT_EQ(row, rowCount);
        EXPECT_EQ(rows.value().rowCount(), rowCount);
    };
    Statement streamed(
        "SELECT * FROM (VALUES"
        " (1::smallint, 2::integer, -9007199254740993::bigint, 'é'::text, 'v'::varchar,"
        "  'c'::char(3), DATE '2024-02-29', true, 'pg_class'::name),"
        " (NULL, NULL, NULL, NULL, NULL, NULL, DATE '0044-03-15', false, NULL),"
        " (0, 0, 0, '', '', '', DATE '0001-01-01' - 1, NULL, ''),"
        " (-1, 2147483647, 9223372036854775807, 'Zeta', 'x', NULL, DATE 'infinity', NULL, NULL),"
        " (NULL, NULL, NULL, NULL, NULL, NULL, DATE '12345-06-07', NULL, NULL))"
        " AS t(a, b, c, d, e, f, g, h, n) WHERE '?' <> 'x?' AND d IS DISTINCT FROM ");
    // A null text is bound as NULL, an empty one as '', as the driver binds them.
    streamed.value(u"'?' isn't \"?\""_s)
        .sql(" AND coalesce(")
        .value(QString())
        .sql(", 'null') = 'null' AND '' = ")
        .value(u""_s)
        .sql(" ORDER BY b NULLS FIRST, g");
    compare(streamed, 9, 5);
    const Result<Recordset> days = connection.execute(streamed);
    ASSERT_TRUE(days.ok());
    EXPECT_EQ(days.value().value(3, 6), QVariant(u"2024-02-29"_s));
    EXPECT_EQ(days.value().columns().at(8), u"n"_s);
    compare(Statement("SELECT * FROM (VALUES"
                      " (1, 2.5::numeric, 1.25::float8, '\\x00ff'::bytea,"
                      "  TIMESTAMP '2024-01-02 03:04:05', 7::oid, 'a'::text),"
                      " (2, NULL, NULL, NULL, NULL, NULL, NULL),"
                      " (3, 0, -0.5, '', NULL, 0, ''))"
                      " AS t(a, i, j, k, l, m, d) ORDER BY a"),
            7, 3);
    // A query of no rows still names its columns.
    const Result<Recordset> none = connection.execute(
        Statement("SELECT * FROM (VALUES (1, 'x')) AS t(number, word) WHERE false"));
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.value().rowCount(), 0);
    EXPECT_EQ(none.value().columns(), QStringList({u"number"_s, u"word"_s}));
}

// A query that fails after rows were sent is an error, not a short result, and the connection
// runs the next statement.
TEST_F(ServerTest, AQueryThatFailsHalfwayIsAnErrorAndTheConnectionGoesOn) {
    Connection connection;
    connection.setConnectionString(server.url());
    ASSERT_TRUE(connection.openSnapshot());
    const Result<Recordset> broken =
        connection.execute(Statement("SELECT 10 / (5000 - n) FROM generate_series(1, 6000) AS n"));
    ASSERT_FALSE(broken.ok());
    EXPECT_NE(broken.error().description.indexOf(u"division by zero"_s), -1)
        << broken.error().description.toStdString();
    EXPECT_TRUE(connection.isOpen());
    const Result<Recordset> next =
        connection.execute(Statement("SELECT count(*) FROM generate_series(1, 3)"));
    ASSERT_TRUE(next.ok()) << next.error().description.toStdString();
    EXPECT_EQ(next.value().value(0, 0), QVariant(qlonglong(3)));
}

TEST_F(ServerTest, ANewerVersionIsRefusedUntouchedNamingServerAndVersions) {
    ASSERT_TRUE(PostgresEngine::createDatabase(server));
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    QSqlDatabase db = session.database();
    exec(db, {QStringLiteral("UPDATE settings SET value = '%1' WHERE name = 'schema_version'")
                  .arg(kSchemaVersion + 1)});
    const Status refused =
        PostgresEngine::prepare(db, server, QString::fromLatin1(kDatabasePassword));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().problem, DbProblem::Newer);
    EXPECT_EQ(refused.error().number, kErrGeneral);
    const QString text = refused.error().description;
    EXPECT_TRUE(text.contains(url())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("version %1; this program knows versions up to %2")
                                  .arg(kSchemaVersion + 1)
                                  .arg(kSchemaVersion)))
        << text.toStdString();

    // Nor does the server's copy into a file take it.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("journey.mdb"));
    const Result<CopyChecks> copied = copyServerToFile(server, file);
    ASSERT_FALSE(copied);
    EXPECT_EQ(copied.error().problem, DbProblem::Newer);
    EXPECT_FALSE(QFile::exists(file));

    exec(db, {QStringLiteral("DROP TABLE planner_tbl"),
              QStringLiteral("UPDATE settings SET value = '%1' WHERE name = 'schema_version'")
                  .arg(kSchemaVersion)});
    const Status damaged =
        PostgresEngine::prepare(db, server, QString::fromLatin1(kDatabasePassword));
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.error().problem, DbProblem::Damaged);
    EXPECT_TRUE(damaged.error().description.contains(QStringLiteral("planner_tbl")));
}

TEST_F(ServerTest, OrganizersShareTheLockAndTheToolNeedsItAlone) {
    ASSERT_TRUE(PostgresEngine::createDatabase(server));
    ServerLock first(server), second(server), tool(server);
    ASSERT_TRUE(first.tryLock(EngineLock::Mode::Shared));
    ASSERT_TRUE(second.tryLock(EngineLock::Mode::Shared));
    EXPECT_FALSE(tool.tryLock(EngineLock::Mode::Exclusive));
    EXPECT_TRUE(tool.heldElsewhere());
    EXPECT_FALSE(tool.isLocked());

    first.unlock();
    EXPECT_FALSE(tool.tryLock(EngineLock::Mode::Exclusive));
    second.unlock();
    ASSERT_TRUE(tool.tryLock(EngineLock::Mode::Exclusive));
    EXPECT_FALSE(first.tryLock(EngineLock::Mode::Shared));
    EXPECT_TRUE(first.heldElsewhere());
    tool.unlock();
    EXPECT_TRUE(first.tryLock(EngineLock::Mode::Shared));
}

// Every row of every table of a file, sorted, as the engine gives them back.
QStringList fileRows(const QString& path) {
    QStringList rows;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char* table :
             {"users", "addressbook_tbl", "diary_tbl", "planner_tbl", "dictionary_tbl"}) {
            EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table))));
            while (q.next()) {
                QStringList values{QLatin1String(table)};
                for (int i = 0; i < q.record().count(); ++i)
                    values.append(q.isNull(i) ? QStringLiteral("<null>")
                                              : QStringLiteral("%1:%2").arg(
                                                    QLatin1String(q.value(i).typeName()),
                                                    q.value(i).toString()));
                rows.append(values.join(QLatin1Char('|')));
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    rows.sort();
    return rows;
}

// A database as the version before set it up: the contacts' names were not a key, and the
// diary and the planner had no search index.
void makeVersionTwo(QSqlDatabase db) {
    exec(db, {QStringLiteral("DROP INDEX diary_message_search, time_am_search, time_pm_search, "
                             "planner_msg_search"),
              QStringLiteral("DROP FUNCTION search_words(text)"),
              QStringLiteral("DROP TABLE drafts_tbl, options_tbl"),
              QStringLiteral("DROP INDEX addressbook_names"),
              QStringLiteral("CREATE INDEX addressbook_names ON addressbook_rows (user_num, "
                             "lower(trim(name) COLLATE \"C\"))"),
              QStringLiteral("UPDATE settings SET value = '2' WHERE name = 'schema_version'")});
}

// Every row of the contacts in the order they were added, and the database's version and indexes.
QStringList contents(QSqlDatabase db) {
    QStringList all;
    QSqlQuery q(db);
    for (const char* sql :
         {"SELECT concat_ws('|', user_num, name, middle_name, last_name) FROM addressbook_rows "
          "ORDER BY rowid",
          "SELECT value FROM settings WHERE name = 'schema_version'",
          "SELECT indexdef FROM pg_indexes WHERE schemaname = current_schema() ORDER BY "
          "indexname"}) {
        EXPECT_TRUE(q.exec(QString::fromLatin1(sql))) << sql;
        while (q.next()) all.append(q.value(0).toString());
    }
    return all;
}

// A database as the version before set it up, and a session of its own on it.
class VersionTwoTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(PostgresEngine::createDatabase(server));
        ASSERT_TRUE(session.emplace(server).open());
        db = session->database();
        makeVersionTwo(db);
    }
    // Contacts as (user_num, name, middle_name, last_name) rows.
    void addContacts(const char* rows) {
        exec(db, {QStringLiteral("INSERT INTO addressbook_rows (user_num, name, middle_name, "
                                 "last_name) VALUES ") +
                  QLatin1String(rows)});
    }

    std::optional<ServerSession> session;
    QSqlDatabase db;
};

TEST_F(VersionTwoTest, ItIsBroughtForwardKeepingEveryRepeatedContact) {
    addContacts(
        "(1, 'Ann', 'M', 'Lee'), (1, ' ann', 'm', 'LEE '), (2, 'Ann', 'M', 'Lee'), "
        "(1, 'Ann', 'M', 'Lee'), (1, 'Bob', NULL, NULL), (1, 'Bob', NULL, NULL)");
    const QStringList before = contents(db);

    Connection organizer;
    organizer.setConnectionString(server.url());
    const Status opened = organizer.open();
    ASSERT_TRUE(opened) << opened.error().description.toStdString();
    const QStringList after = contents(db);
    // The first of each repeated contact keeps its names; later ones carry their row number.
    EXPECT_EQ(after.mid(0, 6),
              (QStringList{u"1|Ann|M|Lee"_s, u"1| ann|m|LEE  (2)"_s, u"2|Ann|M|Lee"_s,
                           u"1|Ann|M|Lee (4)"_s, u"1|Bob"_s, u"1|Bob"_s}));
    EXPECT_EQ(after.at(6), QString::number(kSchemaVersion));
    EXPECT_NE(before, after);

    // The same database set up today has the same key.
    ServerDatabase fresh(*testServer());
    ASSERT_TRUE(PostgresEngine::createDatabase(fresh.server()));
    ServerSession today(fresh.server());
    ASSERT_TRUE(today.open());
    EXPECT_EQ(contents(today.database()), after.mid(6));

    const DbError repeated = failureOf(
        db, QStringLiteral("INSERT INTO addressbook_tbl (user_num, name, middle_name, last_name) "
                           "VALUES (1, 'ANN ', 'm', 'lee')"));
    EXPECT_EQ(repeated.problem, DbProblem::Duplicate);
}

// What one user finds on a database, newest first, as "day place" texts.
QStringList searched(const QString& connectionString, qint64 user, const QString& typed) {
    Database database(Database::Named{connectionString}, Database::Lock::None);
    EXPECT_TRUE(database.open());
    const Result<QList<SearchHit>> hits =
        SearchStore(database).find(user, SearchTerms::parse(typed), SearchOrder::Newest, 50);
    EXPECT_TRUE(hits) << (hits ? "" : hits.error().description.toStdString());
    QStringList found;
    for (const SearchHit& hit : hits ? hits.value() : QList<SearchHit>())
        found.append(hit.day.toString(Qt::ISODate) + u' ' + QString::number(int(hit.place)));
    return found;
}

TEST_F(VersionTwoTest, ItsDiaryAndPlansAreFoundOnceBroughtForward) {
    exec(db, {QStringLiteral("INSERT INTO diary_tbl VALUES (1, '2024-05-06', 'Café au lait'), "
                             "(2, '2024-05-06', 'café noir')"),
              QStringLiteral("INSERT INTO planner_tbl VALUES (1, '2025-01-02', 'cafe', '', '')")});
    EXPECT_EQ(searched(server.url(), 1, u"CAFÉ"_s),
              (QStringList{u"2025-01-02 2"_s, u"2024-05-06 3"_s}));
    EXPECT_EQ(searched(server.url(), 2, u"noir"_s), (QStringList{u"2024-05-06 3"_s}));
}

TEST_F(VersionTwoTest, AFailingStepLeavesItAsItWas) {
    addContacts("(1, 'Ann', 'M', 'Lee'), (1, 'Ann', 'M', 'Lee')");
    const QStringList before = contents(db);
    std::vector<Migration> ladder = schemaLadder();
    ladder.push_back({kSchemaVersion + 1, {}, {QStringLiteral("ALTER TABLE nowhere ADD y int")}});
    const Status failed = PostgresEngine::migrate(db, server, ladder);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().problem, DbProblem::Damaged);
    EXPECT_TRUE(failed.error().description.contains(
        QStringLiteral("from version 2 up to %1").arg(kSchemaVersion + 1)))
        << failed.error().description.toStdString();
    EXPECT_EQ(contents(db), before);
}

// The second computer checks while the first one's insert is not yet committed, finds nothing
// and inserts: the key makes it wait for the first, then refuses the names as taken.
TEST_F(ServerTest, TwoComputersAddingOneContactAtOnceStoreItOnce) {
    ASSERT_TRUE(PostgresEngine::createDatabase(server));
    ServerSession first(server);
    ASSERT_TRUE(first.open());
    QSqlDatabase db = first.database();
    exec(db, {QStringLiteral("BEGIN"),
              QStringLiteral("INSERT INTO addressbook_tbl VALUES (1, 'Ann', 'M', 'Lee', 'F', "
                             "'a', '1', '2', '3', 'e')")});
    auto second = std::async(std::launch::async, [url = server.url()] {
        Database organizer(Database::Named{url}, Database::Lock::None);
        if (!organizer.open()) return Result<Change>(DbError{0, QStringLiteral("not opened")});
        return ContactStore(organizer).add(
            1, {u"ann"_s, u"M"_s, u"Lee"_s, u"F"_s, u"b"_s, u"4"_s, u"5"_s, u"6"_s, u"f"_s});
    });
    // Until the second one waits on the first one's row, as a third session sees it (a session
    // in a transaction sees the activity as it was when the transaction began).
    ServerSession watcher(server);
    ASSERT_TRUE(watcher.open());
    QSqlQuery waiting(watcher.database());
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(waiting.exec(QStringLiteral(
            "SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'")));
        ASSERT_TRUE(waiting.next());
        if (waiting.value(0).toInt() > 0) break;
        ASSERT_EQ(second.wait_for(std::chrono::milliseconds(25)), std::future_status::timeout)
            << "the second add did not wait for the first";
    }
    waiting.finish();
    exec(db, {QStringLiteral("COMMIT")});
    const Result<Change> added = second.get();
    ASSERT_TRUE(added) << added.error().description.toStdString();
    EXPECT_EQ(added.value().refusal, Refusal::Taken);
    QSqlQuery count(db);
    ASSERT_TRUE(count.exec(QStringLiteral("SELECT count(*), max(address) FROM addressbook_tbl")));
    ASSERT_TRUE(count.next());
    EXPECT_EQ(count.value(0).toInt(), 1);
    EXPECT_EQ(count.value(1).toString(), u"a");
}

class MigrateTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(SqliteEngine::createDatabase(source));
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), name);
            db.setDatabaseName(source);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.prepare(QStringLiteral(
                "INSERT INTO users (user_name, user_password, name) VALUES (?, ?, ?)")));
            q.addBindValue(QStringLiteral("zoë"));
            q.addBindValue(*EncodePassword(QStringLiteral("pässwort")));
            q.addBindValue(QStringLiteral("Zoë O`Hara"));
            ASSERT_TRUE(q.exec());
            exec(db,
                 {QStringLiteral("INSERT INTO users (user_name) VALUES ('gone')"),
                  QStringLiteral("DELETE FROM users WHERE user_name = 'gone'"),
                  QStringLiteral("INSERT INTO users (user_name, user_password, name) "
                                 "VALUES ('fourth', '', '')"),
                  QStringLiteral("INSERT INTO addressbook_tbl VALUES (4, 'Ann', NULL, 'O`Neil', "
                                 "'F', 'Rue d''Été 5, Zürich', '+41 1', NULL, '', 'a@b.c')"),
                  QStringLiteral("INSERT INTO addressbook_tbl VALUES (4, 'Ann', NULL, 'O`Neil', "
                                 "'F', 'Rue d''Été 5, Zürich', '+41 1', NULL, '', 'a@b.c')"),
                  QStringLiteral("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, 'ann')"),
                  QStringLiteral("INSERT INTO diary_tbl VALUES (4, '2024-02-29', "
                                 "'line one\r\nline two \u65E5\u672C  ')"),
                  QStringLiteral("INSERT INTO diary_tbl VALUES (1, '1999-12-31', NULL)"),
                  QStringLiteral("INSERT INTO planner_tbl VALUES (4, '2026-06-15', 'run', NULL, "
                                 "'Carpe diem \U0001F600')"),
                  QStringLiteral("INSERT INTO dictionary_tbl VALUES (4, 'naïve', 'it''s `so`')"),
                  QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, 'Apple', '')")});
        }
        QSqlDatabase::removeDatabase(name);
    }

    QTemporaryDir dir;
    QString source = dir.filePath(QStringLiteral("journey.mdb"));
    QString back = dir.filePath(QStringLiteral("back.mdb"));
};

// The number the server gives an account added now.
int newAccountNumber(const ServerAddress& server) {
    ServerSession session(server);
    EXPECT_TRUE(session.open());
    QSqlQuery q(session.database());
    EXPECT_TRUE(
        q.exec(QStringLiteral("INSERT INTO users (user_name) VALUES ('new') "
                              "RETURNING user_num")));
    return q.next() ? q.value(0).toInt() : 0;
}

// The organizer opens a copy and logs in to it like the delivered file.
std::optional<UserRecord> logIn(const QString& file, const QString& user, const QString& password) {
    QTemporaryDir programDir;
    EXPECT_TRUE(QFile::copy(file, programDir.filePath(QLatin1String(kDatabaseFileName))));
    Database database(programDir.path(), Database::Lock::None);
    const Status opened = database.open();
    EXPECT_TRUE(opened) << opened.error().description.toStdString();
    if (!opened) return std::nullopt;
    const Result<std::optional<UserRecord>> found = AccountStore(database).find(user, password);
    EXPECT_TRUE(found);
    return found ? found.value() : std::nullopt;
}

TEST_F(MigrateTest, FileToServerToFileKeepsEveryValue) {
    const Result<CopyChecks> up = copyFileToServer(source, server);
    ASSERT_TRUE(up) << up.error().description.toStdString();
    ASSERT_EQ(up.value().size(), 7);
    EXPECT_EQ(up.value().at(0).table, u"users");
    EXPECT_EQ(up.value().at(0).rows, 3);
    EXPECT_EQ(up.value().at(1).rows, 3);
    EXPECT_EQ(up.value().at(0).checksum.size(), 64);

    const Result<CopyChecks> down = copyServerToFile(server, back);
    ASSERT_TRUE(down) << down.error().description.toStdString();
    EXPECT_TRUE(down.value() == up.value());
    EXPECT_EQ(fileRows(back), fileRows(source));

    // The copy is a database the organizer opens; on the server, accounts go on numbering
    // after the highest.
    const Result<DatabaseSummary> summary =
        examineDatabase(back, QString::fromLatin1(kDatabasePassword));
    ASSERT_TRUE(summary) << summary.error().description.toStdString();
    EXPECT_EQ(summary.value().version, kSchemaVersion);
    EXPECT_EQ(summary.value().accounts, 3);
    // Letter case is ignored for ASCII letters only, as in the file.
    const std::optional<UserRecord> zoe =
        logIn(back, QStringLiteral(" ZOë "), QStringLiteral("pässwort"));
    ASSERT_TRUE(zoe);
    EXPECT_EQ(zoe->user_num.toInt(), 2);
    EXPECT_EQ(zoe->name.toString(), u"Zoë O`Hara");
    EXPECT_FALSE(logIn(back, QStringLiteral("ZOË"), QStringLiteral("pässwort")));
    const std::optional<UserRecord> fourth = logIn(back, QStringLiteral("fourth"), QString());
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->user_num.toInt(), 4);
    EXPECT_EQ(newAccountNumber(server), 5);
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    QSqlQuery q(session.database());
    // Days arrive as days.
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT diary_date FROM diary_tbl WHERE user_num = 4")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toDate(), QDate(2024, 2, 29));
}

// The copies carry no index: each engine's own is filled as the rows arrive.
TEST_F(MigrateTest, TheDiaryAndThePlannerAreFoundOnEveryCopy) {
    ASSERT_TRUE(copyFileToServer(source, server));
    ASSERT_TRUE(copyServerToFile(server, back));
    for (const QString& copy : {server.url(), makeFileConnectionString(back)}) {
        EXPECT_EQ(searched(copy, 4, u"carpe"_s), (QStringList{u"2026-06-15 0"_s}));
        EXPECT_EQ(searched(copy, 4, u"\"line two\""_s), (QStringList{u"2024-02-29 3"_s}));
        EXPECT_EQ(searched(copy, 4, u"日本"_s), (QStringList{u"2024-02-29 3"_s}));
        EXPECT_TRUE(searched(copy, 1, u"line"_s).isEmpty());
    }
}

// Contacts of equal first names list in the order they were added, on both engines: the copies
// keep it, also after the server rewrote a row elsewhere by an update.
TEST_F(MigrateTest, CopiesKeepTheOrderContactsWereAddedIn) {
    execOnFile(source, {QStringLiteral("INSERT INTO addressbook_tbl (user_num, name, last_name) "
                                       "VALUES (1, 'Bo', 'first'), (1, 'Bo', 'second')")});
    ASSERT_TRUE(copyFileToServer(source, server));
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    exec(session.database(), {QStringLiteral("UPDATE addressbook_tbl SET email = 'x' "
                                             "WHERE last_name = 'first'")});
    ASSERT_TRUE(copyServerToFile(server, back));
    EXPECT_EQ(valuesOnFile(back, QStringLiteral("SELECT last_name FROM addressbook_tbl "
                                                "WHERE name = 'Bo' ORDER BY rowid")),
              (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}

TEST_F(MigrateTest, TheCommandReportsCountsAndRefusesWhatIsNotEmptyOrNew) {
    const Outcome up =
        runProgram(QStringLiteral(VEMORA_CLI), {QStringLiteral("migrate"), QStringLiteral("--to"),
                                                url(), QStringLiteral("--database"), source});
    ASSERT_EQ(up.code, 0) << up.err.toStdString();
    EXPECT_EQ(up.out,
              QStringLiteral(
                  "Copied %1 to %2: users 3, addressbook_tbl 3, diary_tbl 2, "
                  "planner_tbl 1, dictionary_tbl 2, drafts_tbl 0, options_tbl 0; row counts and "
                  "checksums "
                  "match.\n")
                  .arg(source, url()));

    // The global option may stand before the command as well.
    const Outcome again = runProgram(QStringLiteral(VEMORA_CLI),
                                     {QStringLiteral("--database"), source,
                                      QStringLiteral("migrate"), QStringLiteral("--to"), url()});
    EXPECT_EQ(again.code, 4);
    EXPECT_TRUE(again.err.startsWith(QStringLiteral("vemora-cli: nothing was copied: ")));
    EXPECT_TRUE(again.err.contains(QStringLiteral("is not empty"))) << again.err.toStdString();

    const Outcome down =
        runProgram(QStringLiteral(VEMORA_CLI),
                   {QStringLiteral("migrate"), QStringLiteral("--from"), url(), back});
    ASSERT_EQ(down.code, 0) << down.err.toStdString();
    EXPECT_TRUE(down.out.startsWith(QStringLiteral("Copied %1 to %2: ").arg(url(), back)));
    const Outcome over =
        runProgram(QStringLiteral(VEMORA_CLI),
                   {QStringLiteral("migrate"), QStringLiteral("--from"), url(), back});
    EXPECT_EQ(over.code, 4);
    EXPECT_TRUE(over.err.contains(QStringLiteral("never overwritten"))) << over.err.toStdString();

    const Outcome usage = runProgram(QStringLiteral(VEMORA_CLI), {QStringLiteral("migrate"), back});
    EXPECT_EQ(usage.code, 1);
}

TEST_F(MigrateTest, AFailedCopyLeavesTheServerEmpty) {
    // A day the file's check lets through but no calendar has.
    execOnFile(source, {QStringLiteral("INSERT INTO planner_tbl (user_num, planner_date) "
                                       "VALUES (1, '2023-02-30')")});
    ASSERT_FALSE(copyFileToServer(source, server));
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    QSqlQuery q(session.database());
    ASSERT_TRUE(
        q.exec(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables "
                              "WHERE schemaname = 'public'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
}

// vemora-cli's check, backup and restore on the server, logged in as the administrator.
class ServerCliTest : public MigrateTest {
protected:
    void SetUp() override {
        MigrateTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(copyFileToServer(source, server));
        writePassword(QString::fromLatin1(kInitialAdminPassword));
    }
    void writePassword(const QString& password) {
        QFile file(passwordFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(password.toUtf8() + '\n');
        file.close();
        ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    }
    Outcome cli(const QStringList& command, const QString& user = QStringLiteral("Admin")) {
        return runProgram(QStringLiteral(VEMORA_CLI),
                          QStringList{QStringLiteral("--database"), url(), QStringLiteral("--user"),
                                      user, QStringLiteral("--password-file"), passwordFile} +
                              command);
    }
    // Every row on the server, as a file written from it holds them.
    QStringList serverRows() {
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("rows.mdb"));
        const Result<CopyChecks> copied = copyServerToFile(server, file);
        EXPECT_TRUE(copied) << copied.error().description.toStdString();
        return fileRows(file);
    }
    // A file that differs from the server: one contact fewer, one diary day more.
    QString changedCopy(const QString& fileName = QStringLiteral("changed.mdb")) {
        const QString file = dir.filePath(fileName);
        EXPECT_TRUE(QFile::copy(source, file));
        execOnFile(file, {QStringLiteral("DELETE FROM addressbook_tbl WHERE user_num = 1"),
                          QStringLiteral("INSERT INTO diary_tbl VALUES (1, '2000-01-01', 'y2k')")});
        return file;
    }

    QString passwordFile = dir.filePath(QStringLiteral("password"));
};

TEST_F(ServerCliTest, ExportAndImportWorkOnTheServer) {
    const QString days = dir.filePath(QStringLiteral("days.ics"));
    const Outcome exported = cli({QStringLiteral("export"), QStringLiteral("--diary"),
                                  QStringLiteral("ics"), QStringLiteral("-o"), days});
    ASSERT_EQ(exported.code, 0) << exported.err.toStdString();
    const QByteArray calendar = [&] {
        QFile file(days);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    EXPECT_TRUE(calendar.startsWith("BEGIN:VCALENDAR")) << calendar.constData();
    const Outcome imported = cli({QStringLiteral("import"), days});
    EXPECT_EQ(imported.code, 0) << imported.err.toStdString();
    EXPECT_TRUE(imported.out.contains(QStringLiteral("0 added"))) << imported.out.toStdString();
}

TEST_F(ServerCliTest, CheckCountsTheRowsAsForAFileAndVemoraConfSelectsTheServer) {
    const QString expected =
        QStringLiteral(
            "%1: sound\nschema version %2\nusers 3\naddressbook_tbl 3\ndiary_tbl 2\n"
            "planner_tbl 1\ndictionary_tbl 2\ndrafts_tbl 0\noptions_tbl 0\n")
            .arg(url())
            .arg(kSchemaVersion);
    const Outcome checked = runProgram(
        QStringLiteral(VEMORA_CLI), {QStringLiteral("--database"), url(), QStringLiteral("check")});
    ASSERT_EQ(checked.code, 0) << checked.err.toStdString();
    EXPECT_EQ(checked.out, expected);
    // The file gives its counts in the same lines.
    const Outcome file = runProgram(QStringLiteral(VEMORA_CLI), {QStringLiteral("--database"),
                                                                 source, QStringLiteral("check")});
    ASSERT_EQ(file.code, 0) << file.err.toStdString();
    // and checks the search index of its own, which a server keeps.
    EXPECT_EQ(file.out.section(QLatin1Char('\n'), 1),
              expected.section(QLatin1Char('\n'), 1) + u"search index sound\n"_s);

    const QString conf = dir.filePath(QStringLiteral("vemora.conf"));
    {
        QSettings settings(conf, QSettings::IniFormat);
        settings.setValue(QStringLiteral("database/url"), url());
    }
    qputenv("VEMORA_CONF", conf.toUtf8());
    const Outcome configured = runProgram(QStringLiteral(VEMORA_CLI), {QStringLiteral("check")});
    qunsetenv("VEMORA_CONF");
    EXPECT_EQ(configured.code, 0) << configured.err.toStdString();
    EXPECT_EQ(configured.out, expected);

    const Outcome badUrl = runProgram(
        QStringLiteral(VEMORA_CLI),
        {QStringLiteral("--database"), QStringLiteral("postgresql:/db"), QStringLiteral("check")});
    EXPECT_EQ(badUrl.code, 1);
    EXPECT_FALSE(badUrl.err.contains(QStringLiteral("Could not find file")))
        << badUrl.err.toStdString();

    // A database that is not Vemora's is refused, naming it.
    ServerSession session(server);
    ASSERT_TRUE(session.open());
    exec(session.database(), {QStringLiteral("DROP TABLE settings")});
    const Outcome foreign = runProgram(
        QStringLiteral(VEMORA_CLI), {QStringLiteral("--database"), url(), QStringLiteral("check")});
    EXPECT_EQ(foreign.code, 4);
    EXPECT_TRUE(foreign.err.contains(url())) << foreign.err.toStdString();
    EXPECT_TRUE(foreign.out.isEmpty());
}

TEST_F(ServerCliTest, BackupThenRestoreGivesTheServerBackEveryValue) {
    const QString backups = dir.filePath(QStringLiteral("backups"));
    ASSERT_TRUE(QDir().mkpath(backups));
    // A copy of the server's naming that the rotation did not write is left alone; of its own
    // copies, --keep 1 deletes all but the newest.
    const QString older = QDir(backups).filePath(QStringLiteral("journey-20000101-000000.mdb"));
    ASSERT_TRUE(QFile::copy(source, older));
    const QStringList keepOne = {QStringLiteral("--keep"), QStringLiteral("1"),
                                 QStringLiteral("backup"), backups};
    const Outcome first = cli(keepOne);
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    const Outcome backedUp = cli(keepOne);
    ASSERT_EQ(backedUp.code, 0) << backedUp.err.toStdString();
    QStringList written = QDir(backups).entryList({QStringLiteral("journey-*.mdb")}, QDir::Files);
    ASSERT_TRUE(written.removeOne(QFileInfo(older).fileName()));
    ASSERT_EQ(written.size(), 1);
    const QString copy = QDir(backups).filePath(written.first());
    const QString firstCopy = first.out.mid(QStringLiteral("Wrote ").size()).trimmed();
    EXPECT_NE(copy, firstCopy);
    EXPECT_EQ(backedUp.out, QStringLiteral("Wrote %1\nDeleted %2\n").arg(copy, firstCopy));
    EXPECT_EQ(fileRows(copy), fileRows(source));
    EXPECT_EQ(examineDatabase(copy, QString::fromLatin1(kDatabasePassword)).value().version,
              kSchemaVersion);

    // A named file is replaced by a newer backup.
    const QString named = dir.filePath(QStringLiteral("nightly.mdb"));
    ASSERT_TRUE(QFile::rename(changedCopy(QStringLiteral("old.mdb")), named));
    ASSERT_EQ(cli({QStringLiteral("backup"), named}).code, 0);
    EXPECT_EQ(fileRows(named), fileRows(source));

    // The server changes; the restore gives it back as the backup holds it.
    const QString changed = changedCopy();
    const Outcome toChanged = cli({QStringLiteral("--yes"), QStringLiteral("restore"), changed});
    ASSERT_EQ(toChanged.code, 0) << toChanged.err.toStdString();
    EXPECT_EQ(serverRows(), fileRows(changed));
    const Outcome restored = cli({QStringLiteral("restore"), copy}, QStringLiteral(" admin "));
    EXPECT_EQ(restored.code, 1);
    EXPECT_TRUE(restored.out.endsWith(QStringLiteral("Put it in place of %1? [y/N] ").arg(url())))
        << restored.out.toStdString();
    EXPECT_EQ(serverRows(), fileRows(changed));

    const Outcome confirmed = runProgram(
        QStringLiteral(VEMORA_CLI),
        {QStringLiteral("--database"), url(), QStringLiteral("--user"), QStringLiteral("admin"),
         QStringLiteral("--password-file"), passwordFile, QStringLiteral("restore"), copy},
        "y\n");
    ASSERT_EQ(confirmed.code, 0) << confirmed.err.toStdString();
    EXPECT_TRUE(
        confirmed.out.endsWith(QStringLiteral("Restored %1 in place of %2\n").arg(copy, url())))
        << confirmed.out.toStdString();
    EXPECT_EQ(serverRows(), fileRows(source));
    // New accounts go on numbering after the restored ones.
    EXPECT_EQ(newAccountNumber(server), 5);
}

TEST_F(ServerCliTest, ARefusedRestoreLeavesTheServerAsItWas) {
    const QStringList before = serverRows();
    const QString changed = changedCopy();
    const auto restore = [&](const QString& file, const QString& user = QStringLiteral("admin")) {
        return cli({QStringLiteral("--yes"), QStringLiteral("restore"), file}, user);
    };

    // The server's administrator, not the file's: zoë is no administrator anywhere.
    writePassword(QStringLiteral("wrong"));
    const Outcome wrong = restore(changed);
    EXPECT_EQ(wrong.code, 2);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("log-in refused"))) << wrong.err.toStdString();
    writePassword(QStringLiteral("pässwort"));
    EXPECT_EQ(restore(changed, QStringLiteral("ZOË")).code, 2);
    EXPECT_EQ(restore(changed, QStringLiteral("zoë")).code, 2);
    writePassword(QString::fromLatin1(kInitialAdminPassword));

    QByteArray bytes;
    {
        QFile file(changed);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        bytes = file.readAll();
    }
    const QString damaged = dir.filePath(QStringLiteral("damaged.mdb"));
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        bytes.replace(bytes.size() / 2, 4096, QByteArray(4096, '\xff'));
        file.write(bytes);
    }
    const Outcome broken = restore(damaged);
    EXPECT_EQ(broken.code, 4);
    EXPECT_TRUE(broken.err.startsWith(QStringLiteral("vemora-cli: nothing was changed: ")))
        << broken.err.toStdString();
    EXPECT_EQ(restore(dir.filePath(QStringLiteral("none.mdb"))).code, 4);

    // An organizer is connected.
    {
        ServerLock organizer(server);
        ASSERT_TRUE(organizer.tryLock(EngineLock::Mode::Shared));
        const Outcome busy = restore(changed);
        EXPECT_EQ(busy.code, 3);
        EXPECT_TRUE(busy.err.contains(QStringLiteral("busy"))) << busy.err.toStdString();
    }

    // A day no calendar has fails while the rows are being loaded, after the old ones were
    // deleted: the transaction gives them back.
    execOnFile(changed, {QStringLiteral("INSERT INTO planner_tbl (user_num, planner_date) "
                                        "VALUES (1, '2023-02-30')")});
    const Outcome failed = restore(changed);
    EXPECT_NE(failed.code, 0);
    EXPECT_TRUE(failed.err.contains(QStringLiteral("vemora-cli: nothing was changed: ")))
        << failed.err.toStdString();

    EXPECT_EQ(serverRows(), before);
}

TEST_F(ServerCliTest, AnOlderFileIsRestoredAsItsNewerFormAndLeftAsItWas) {
    const QString older = changedCopy(QStringLiteral("older.mdb"));
    QStringList before{
        QStringLiteral("DROP INDEX addressbook_names"), QStringLiteral("DROP TABLE drafts_tbl"),
        QStringLiteral("DROP TABLE options_tbl"), QStringLiteral("PRAGMA user_version = 1")};
    // Version 1 had no search index.
    for (const SchemaObject& object : fileSearchObjects())
        before.append(QStringLiteral("DROP %1 %2").arg(object.type, object.name));
    execOnFile(older, before);
    const QStringList rows = fileRows(older);
    const Outcome restored = cli({QStringLiteral("--yes"), QStringLiteral("restore"), older});
    ASSERT_EQ(restored.code, 0) << restored.err.toStdString();
    EXPECT_EQ(serverRows(), rows);
    const Result<DatabaseSummary> after =
        examineDatabase(older, QString::fromLatin1(kDatabasePassword));
    ASSERT_TRUE(after);
    EXPECT_EQ(after.value().version, 1);
}

TEST_F(ServerCliTest, NoBackupIsWrittenWhileARestoreHoldsTheServer) {
    const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
    {
        ServerLock tool(server);
        ASSERT_TRUE(tool.tryLock(EngineLock::Mode::Exclusive));
        const Outcome busy = cli({QStringLiteral("backup"), copy});
        EXPECT_EQ(busy.code, 3);
        EXPECT_TRUE(busy.err.contains(QStringLiteral("is being restored")));
        EXPECT_FALSE(QFile::exists(copy));
    }
    // Organizers may stay connected.
    ServerLock organizer(server);
    ASSERT_TRUE(organizer.tryLock(EngineLock::Mode::Shared));
    const Outcome done = cli({QStringLiteral("backup"), copy});
    ASSERT_EQ(done.code, 0) << done.err.toStdString();
    EXPECT_EQ(done.out, QStringLiteral("Wrote %1\n").arg(copy));
    writePassword(QStringLiteral("wrong"));
    EXPECT_EQ(cli({QStringLiteral("backup"), dir.filePath(QStringLiteral("other.mdb"))}).code, 2);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("other.mdb"))));
}

}  // namespace
}  // namespace vemora::test
