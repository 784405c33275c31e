#include "support/TestPlatform.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/Encoding.h"
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <QDir>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <gtest/gtest.h>

namespace vemora::test {

namespace {

// Runs a statement on a server's maintenance database, failing the test when it fails.
void maintain(const ServerAddress& maintenance, const QString& sql) {
    ServerSession session(maintenance);
    const Status opened = session.open();
    ASSERT_TRUE(opened) << opened.error().description.toStdString();
    QSqlQuery q(session.database());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
}

}  // namespace

ServerDatabase::ServerDatabase(ServerAddress maintenance)
    : m_maintenance(std::move(maintenance)), m_server(m_maintenance) {
    m_server.database = QStringLiteral("vemora_") + QUuid::createUuid().toString(QUuid::Id128);
    maintain(m_maintenance, QStringLiteral("CREATE DATABASE %1").arg(m_server.database));
    // Nothing a test checks rests on a commit reaching the disk.
    maintain(
        m_maintenance,
        QStringLiteral("ALTER DATABASE %1 SET synchronous_commit TO off").arg(m_server.database));
}

ServerDatabase::~ServerDatabase() {
    maintain(m_maintenance, QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_server.database));
}

std::optional<ServerAddress> testServer() {
    const QString url = qEnvironmentVariable("VEMORA_TEST_PG_URL");
    if (url.isEmpty()) return std::nullopt;
    const Result<ServerAddress> server = parseServerUrl(url);
    if (!server) ADD_FAILURE() << server.error().description.toStdString();
    return server ? std::optional<ServerAddress>(server.value()) : std::nullopt;
}

QString connectionStringIn(const QString& directory) {
    const Result<std::optional<ServerAddress>> server = configuredServer(directory);
    return server && server.value() ? server.value()->url() : makeConnectionString(directory);
}

TempDatabase::TempDatabase(Kind kind) {
    const std::optional<ServerAddress> maintenance =
        kind == Kind::File ? std::nullopt : testServer();
    if (!maintenance) {
        const Status s = SqliteEngine::createDatabase(path());
        if (!s) ADD_FAILURE() << s.error().description.toStdString();
        return;
    }
    m_server = m_serverDatabase.emplace(*maintenance).server();
    const Status made = PostgresEngine::createDatabase(*m_server);
    if (!made) ADD_FAILURE() << made.error().description.toStdString();
    QSettings conf(QDir(directory()).filePath(QLatin1String(kConfigFileName)),
                   QSettings::IniFormat);
    conf.setValue(QStringLiteral("database/url"), m_server->url());
}

TempDatabase::~TempDatabase() = default;

QString TempDatabase::connectionString() const {
    return m_server ? m_server->url() : makeConnectionString(directory());
}

QString TempDatabase::path() const {
    return m_dir.filePath(QString::fromLatin1(kDatabaseFileName));
}

TestPlatform::TestPlatform(TempDatabase::Kind kind)
    : database(kind), session(database.directory(), prompter), platform{session,   prompter,
                                                                        files,     shell,
                                                                        &registry, nullptr,
                                                                        &transfer} {}

Recordset TestPlatform::query(const Statement& statement) {
    Connection c;
    c.setConnectionString(database.connectionString());
    const Status opened = c.open();
    EXPECT_TRUE(opened.ok()) << (opened ? "" : opened.error().description.toStdString());
    auto r = c.execute(statement);
    EXPECT_TRUE(r.ok()) << (r ? "" : r.error().description.toStdString());
    return r ? std::move(r.value()) : Recordset();
}

void TestPlatform::endServerSessions() {
    const auto others = [this](const char* what) {
        return query(Statement(QStringLiteral("SELECT %1 FROM pg_stat_activity WHERE datname = "
                                              "current_database() AND pid <> pg_backend_pid()")
                                   .arg(QLatin1String(what))));
    };
    others("pg_terminate_backend(pid)");
    for (int tries = 0; tries < 100; ++tries) {
        Recordset left = others("COUNT(*)");
        if (left.eof() || left.row(0).value(0).toInt() == 0) return;
        QThread::msleep(20);
    }
    ADD_FAILURE() << "the server did not end the sessions";
}

void TestPlatform::addDiaryEntry(qint64 user, QDate day, const QString& text) {
    query(Statement("INSERT INTO diary_tbl (user_num, diary_date, diary_message) VALUES (")
              .number(user)
              .sql(u", ")
              .date(day)
              .sql(u", ")
              .value(text)
              .sql(u")"));
}

void TestPlatform::addPlan(qint64 user, QDate day, const QStringList& texts) {
    Statement insert("INSERT INTO planner_tbl VALUES (");
    insert.number(user).sql(u", ").date(day);
    for (const QString& text : texts) insert.sql(u", ").value(text);
    query(insert.sql(u")"));
}

int TestPlatform::addUser(const QString& userName, const QString& password, const QString& name) {
    query(Statement("INSERT INTO users (user_name, user_password, name) VALUES (")
              .text(userName)
              .sql(", ")
              .text(*EncodePassword(password))
              .sql(", ")
              .text(name)
              .sql(")"));
    Recordset r = query(Statement("SELECT user_num FROM users WHERE ")
                            .caselessColumnEquals(u"user_name", userName));
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
