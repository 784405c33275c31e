#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/Encoding.h"
#include "data/Engine.h"
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace vemora;

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SqliteEngine::createDatabase(path()).ok()); }
    QString path() const { return dir.filePath(QStringLiteral("journey.mdb")); }
    Status open(Connection& c) {
        c.setConnectionString(makeConnectionString(dir.path()));
        return c.open();
    }
    QTemporaryDir dir;
};

}  // namespace

TEST(DatabaseDirectory, TheProgramsOwnFileWinsElseTheSharedFolderOfASystemInstall) {
    QTemporaryDir program, shared;
    const QString name = QStringLiteral("journey.mdb");
    // Neither holds a file: the shared folder of the install is named, whose file is then
    // missing; the program folder only where there is no shared folder.
    EXPECT_EQ(databaseDirectory(program.path(), shared.path()), shared.path());
    EXPECT_EQ(databaseDirectory(program.path(), shared.filePath(QStringLiteral("none"))),
              program.path());
    ASSERT_TRUE(SqliteEngine::createDatabase(shared.filePath(name)).ok());
    EXPECT_EQ(databaseDirectory(program.path(), shared.path()), shared.path());
    EXPECT_EQ(databaseDirectory(program.path(), QString()), program.path());
    ASSERT_TRUE(SqliteEngine::createDatabase(program.filePath(name)).ok());
    EXPECT_EQ(databaseDirectory(program.path(), shared.path()), program.path());

    QTemporaryDir elsewhere;
    ASSERT_TRUE(SqliteEngine::createDatabase(elsewhere.filePath(name)).ok());
    const QByteArray before = qgetenv("VEMORA_DATA_DIR");
    qputenv("VEMORA_DATA_DIR", elsewhere.path().toUtf8());
    EXPECT_EQ(databaseDirectory(shared.path() + QStringLiteral("/none")), elsewhere.path());
    qputenv("VEMORA_DATA_DIR", before);
}

TEST(DatabaseLockFile, StandsBesideTheRealFileWhateverNameLeadsToIt) {
    QTemporaryDir shared, program;
    const QString real = shared.filePath(QStringLiteral("journey.mdb"));
    const QString link = program.filePath(QStringLiteral("journey.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(real).ok());
    ASSERT_TRUE(QFile::link(real, link));
    DatabaseLock viaLink(link);
    ASSERT_TRUE(viaLink.tryLock(DatabaseLock::Mode::Shared));
    EXPECT_TRUE(QFile::exists(real + QStringLiteral(".lock")));
    EXPECT_FALSE(QFile::exists(link + QStringLiteral(".lock")));
    // So the tool, naming the real file, sees the organizer that named the link.
    DatabaseLock tool(real);
    EXPECT_FALSE(tool.tryLock(DatabaseLock::Mode::Exclusive));
}

TEST(ConnectionString, NamesTheFileInTheProgramDirectory) {
    const QString s = makeConnectionString(QStringLiteral("/opt/vemora"));
    EXPECT_EQ(s,
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/vemora/journey.mdb;"
                             "Jet OLEDB:Database password=brightmesa"));
    EXPECT_EQ(parseConnectionString(s).dataSource, QStringLiteral("/opt/vemora/journey.mdb"));
    EXPECT_EQ(parseConnectionString(s).password, QStringLiteral("brightmesa"));
    // A root directory still names the file inside it.
    EXPECT_EQ(parseConnectionString(makeConnectionString(QStringLiteral("/"))).dataSource,
              QStringLiteral("/journey.mdb"));
    EXPECT_EQ(
        parseConnectionString(makeConnectionString(QStringLiteral("/opt/vemora/"))).dataSource,
        QStringLiteral("/opt/vemora/journey.mdb"));
}

TEST(ConnectionString, AServerAddressRoundTripsThroughItsUrlPasswordAndAll) {
    ServerAddress socket{QStringLiteral("/run/pg sockets"), 5433, QStringLiteral("family"),
                         QStringLiteral("ann"), QStringLiteral("p@ss:w/rd %?")};
    ServerAddress host{QStringLiteral("db.example"), 5432, QStringLiteral("office"),
                       QStringLiteral("bob"), QString()};
    for (const ServerAddress& server : {socket, host}) {
        const QString url = server.url();
        EXPECT_TRUE(isServerUrl(url)) << url.toStdString();
        EXPECT_FALSE(isServerUrl(makeConnectionString(QStringLiteral("/opt/postgresql:"))));
        const Result<ServerAddress> back = parseServerUrl(url);
        ASSERT_TRUE(back) << back.error().description.toStdString();
        EXPECT_EQ(back.value().host, server.host);
        EXPECT_EQ(back.value().port, server.port);
        EXPECT_EQ(back.value().database, server.database);
        EXPECT_EQ(back.value().user, server.user);
        EXPECT_EQ(back.value().password, server.password);
        EXPECT_FALSE(server.shown().contains(QStringLiteral("p@ss")));
    }
}

// A server that cannot be reached is a Missing database, named without its password.
TEST(ConnectionString, AnUnreachableServerIsMissingAndNamed) {
    Connection c;
    c.setConnectionString(ServerAddress{QStringLiteral("/nonexistent-socket-folder"), 1,
                                        QStringLiteral("nowhere"), QStringLiteral("ann"),
                                        QStringLiteral("secret")}
                              .url());
    EXPECT_EQ(c.engine().driver(), PostgresEngine::driver());
    const Status opened = c.open();
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().number, kErrGeneral);
    EXPECT_EQ(opened.error().problem, DbProblem::Missing);
    EXPECT_TRUE(opened.error().description.contains(QStringLiteral("nowhere")))
        << opened.error().description.toStdString();
    EXPECT_FALSE(opened.error().description.contains(QStringLiteral("secret")));
    EXPECT_FALSE(c.isOpen());
}

TEST_F(ConnectionTest, DeliveredDatabaseHoldsTheAdministrator) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    auto r = c.execute(Statement("SELECT * FROM users"));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.value().rowCount(), 1);
    EXPECT_EQ(r.value().field(u"USER_NUM").toInt(), 1);
    EXPECT_EQ(r.value().text(u"user_name"), QStringLiteral("admin"));
    EXPECT_EQ(EncodePassword(r.value().text(u"user_password")),
              QString::fromLatin1(kInitialAdminPassword));
    for (const char* table : {"addressbook_tbl", "diary_tbl", "planner_tbl", "dictionary_tbl"}) {
        auto t = c.execute(
            Statement(QStringLiteral("SELECT COUNT(*) AS n FROM ") + QLatin1String(table)));
        ASSERT_TRUE(t.ok()) << table;
        EXPECT_EQ(t.value().field(u"n").toInt(), 0) << table;
    }
}

TEST_F(ConnectionTest, DeliveryNeverOverwritesAnExistingFile) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    ASSERT_TRUE(c.execute(Statement("INSERT INTO users (user_name) VALUES ('ann')")).ok());
    c.close();
    EXPECT_FALSE(SqliteEngine::createDatabase(path()).ok());
    ASSERT_TRUE(open(c).ok());
    EXPECT_EQ(c.execute(Statement("SELECT * FROM users")).value().rowCount(), 2);
}

TEST_F(ConnectionTest, MissingFileIsReportedAndNeverCreated) {
    QFile::remove(path());
    Connection c;
    const Status s = open(c);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, kErrGeneral);
    EXPECT_FALSE(s.error().description.isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_FALSE(c.isOpen());
}

TEST_F(ConnectionTest, WrongPasswordOrForeignFileIsRefused) {
    Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + path() +
                          QStringLiteral(";Jet OLEDB:Database password=wrong"));
    Status s = c.open();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, kErrGeneral);
    EXPECT_FALSE(c.isOpen());

    QFile junk(path());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    s = open(c);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, kErrGeneral);
}

TEST_F(ConnectionTest, DuplicateUniqueValuesInAnyLetterCaseAreRefused) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    auto r = c.execute(Statement("INSERT INTO users (user_name, user_password, name) VALUES (")
                           .text(QStringLiteral("ADMIN"))
                           .sql(", 'x', 'y')"));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, kErrGeneral);
    EXPECT_EQ(r.error().problem, DbProblem::Duplicate);

    ASSERT_TRUE(c.execute(Statement("INSERT INTO dictionary_tbl VALUES (1, 'Word', 'd')")).ok());
    r = c.execute(Statement("INSERT INTO dictionary_tbl VALUES (1, 'wORD', 'e')"));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, kErrGeneral);
    EXPECT_EQ(r.error().problem, DbProblem::Duplicate);

    // Another broken rule keeps the old number but is no repeated value.
    r = c.execute(Statement("INSERT INTO users (user_name) VALUES (NULL)"));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, kErrGeneral);
    EXPECT_EQ(r.error().problem, DbProblem::None);
}

TEST_F(ConnectionTest, BrokenStatementsAreSyntaxErrorsAndTouchNothing) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    auto r = c.execute(Statement("SELEC nothing"));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, kErrSyntax);

    r = c.execute(Statement("UPDATE users SET name = ").text(QStringLiteral("O'Neil")));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, kErrSyntax);
    EXPECT_EQ(c.execute(Statement("SELECT name FROM users")).value().text(u"name"),
              QStringLiteral("Administrator"));
}

TEST_F(ConnectionTest, InjectionAttemptsStayValues) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    const QString attack = QStringLiteral("x' OR '1'='1");
    // Escaped, the attack is stored as plain text; it matches nothing as a search value.
    ASSERT_TRUE(c.execute(Statement("INSERT INTO dictionary_tbl VALUES (1, ")
                              .escapedText(attack)
                              .sql(", ")
                              .escapedText(QStringLiteral("1; DROP TABLE users; --"))
                              .sql(")"))
                    .ok());
    auto r = c.execute(
        Statement("SELECT * FROM users WHERE user_name = ").text(ReplaceApostrophes(attack)));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value().rowCount(), 0);
    r = c.execute(Statement("SELECT * FROM users WHERE user_name = ").text(attack));
    EXPECT_EQ(r.error().number, kErrSyntax);
    EXPECT_EQ(c.execute(Statement("SELECT * FROM users")).value().rowCount(), 1);
    EXPECT_EQ(c.execute(Statement("SELECT dict_description FROM dictionary_tbl"))
                  .value()
                  .text(u"dict_description"),
              QStringLiteral("1; DROP TABLE users; --"));
}

TEST_F(ConnectionTest, TwoConnectionsSeeEachOthersCommittedChanges) {
    Connection a, b;
    ASSERT_TRUE(open(a).ok());
    ASSERT_TRUE(open(b).ok());
    ASSERT_TRUE(
        a.execute(
             Statement("INSERT INTO diary_tbl VALUES (1, ").date(QDate(2026, 1, 2)).sql(", 'hi')"))
            .ok());
    auto r =
        b.execute(Statement("SELECT * FROM diary_tbl WHERE diary_date = ").date(QDate(2026, 1, 2)));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.value().rowCount(), 1);
    EXPECT_EQ(r.value().date(u"diary_date"), QDate(2026, 1, 2));
    ASSERT_TRUE(b.execute(Statement("DELETE FROM diary_tbl")).ok());
    EXPECT_EQ(b.lastRowsAffected(), 1);
    EXPECT_EQ(a.execute(Statement("SELECT * FROM diary_tbl")).value().rowCount(), 0);
}

TEST_F(ConnectionTest, ClosedConnectionRefusesStatements) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    c.close();
    EXPECT_FALSE(c.isOpen());
    auto r = c.execute(Statement("SELECT * FROM users"));
    EXPECT_FALSE(r.ok());
}

TEST_F(ConnectionTest, OneDayPerOwnerIsEnforcedByTheFileItself) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    const auto insert = [&] {
        return c.execute(Statement("INSERT INTO planner_tbl VALUES (2, ")
                             .date(QDate(2026, 5, 1))
                             .sql(", 'a', 'b', 'c')"));
    };
    ASSERT_TRUE(insert().ok());
    EXPECT_EQ(insert().error().number, kErrGeneral);
    EXPECT_EQ(insert().error().problem, DbProblem::Duplicate);
}

TEST_F(ConnectionTest, TextThatStoresExactlyIsReadBackAsWritten) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    const QString text = QStringLiteral(" a\r\nb\t") + QChar(0x00A0) + QChar(0x2028) +
                         QChar(0x2029) + QString::fromUtf16(u"\U0001F600 ") + QChar(0x00E9);
    ASSERT_TRUE(storesExactly(text));
    ASSERT_TRUE(
        c.execute(Statement("INSERT INTO diary_tbl VALUES (1, '2024-01-01', ").text(text).sql(")"))
            .ok());
    auto r = c.execute(Statement("SELECT diary_message FROM diary_tbl WHERE diary_message = ")
                           .text(text)
                           .sql(" COLLATE BINARY"));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.value().rowCount(), 1);
    EXPECT_EQ(r.value().text(u"diary_message"), text);
}

// Every row, the first included, reads back with the values, types and NULLs the driver gives.
TEST_F(ConnectionTest, RowsReadAsTheDriverReadsThem) {
    Connection c;
    ASSERT_TRUE(open(c).ok());
    ASSERT_TRUE(c.execute(Statement("CREATE TABLE mix (a, b, c)")).ok());
    ASSERT_TRUE(c.execute(Statement("INSERT INTO mix VALUES (NULL, 'é', 2.5), (7, '', x'00ff'), "
                                    "('text', NULL, -3), (1, 'Zeta', NULL)"))
                    .ok());
    const Statement select("SELECT * FROM mix");
    const Result<Recordset> rows = c.execute(select);
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows.value().rowCount(), 4);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("d"));
        db.setDatabaseName(c.filePath());
        ASSERT_TRUE(db.open());
        QSqlQuery q(select.query(), db);
        for (int r = 0; q.next(); ++r) {
            for (int col = 0; col < 3; ++col) {
                const QVariant held = rows.value().value(r, col);
                EXPECT_EQ(held, q.value(col)) << r << "," << col;
                EXPECT_EQ(held.typeId(), q.value(col).typeId()) << r << "," << col;
                EXPECT_EQ(held.isNull(), q.value(col).isNull()) << r << "," << col;
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("d"));
    const Result<Recordset> none = c.execute(Statement("SELECT * FROM mix WHERE a = 99"));
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.value().isOpen());
    EXPECT_EQ(none.value().rowCount(), 0);
    EXPECT_EQ(none.value().columns(), (QStringList{u"a"_qs, u"b"_qs, u"c"_qs}));
    // An error after some rows fails the whole query.
    const Result<Recordset> broken = c.execute(
        Statement("SELECT abs(column1) FROM (VALUES (1), (2), (-9223372036854775807 - 1))"));
    ASSERT_FALSE(broken.ok());
    EXPECT_TRUE(broken.error().description.contains(u"overflow"_qs))
        << broken.error().description.toStdString();
}
