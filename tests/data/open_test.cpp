#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"
#include "support/OtherAccount.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <unistd.h>

using namespace vemora;

namespace {

// Opening a file tells a missing file from one that cannot be used, and why.
class OpeningTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SqliteEngine::createDatabase(path()).ok()); }
    QString path() const { return dir.filePath(QStringLiteral("journey.mdb")); }
    Status open() {
        c.setConnectionString(makeConnectionString(dir.path()));
        return c.open();
    }
    // Runs statements on the file outside the program's connection.
    void raw(std::initializer_list<const char*> statements) {
        QStringList all;
        for (const char* sql : statements) all.append(QString::fromLatin1(sql));
        raw(all);
    }
    void raw(const QStringList& statements) {
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            db.setDatabaseName(path());
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            for (const QString& sql : statements) ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    }
    // The file as it was before it had a search index.
    void dropSearchIndex() {
        QStringList drops;
        for (const SchemaObject& object : fileSearchObjects())
            drops.append(QStringLiteral("DROP %1 %2").arg(object.type, object.name));
        raw(drops);
    }
    QByteArray digest() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    }
    void expectRefused(DbProblem problem, const QString& cause) {
        const QByteArray before = digest();
        const Status s = open();
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().problem, problem) << s.error().description.toStdString();
        EXPECT_TRUE(s.error().description.contains(path())) << s.error().description.toStdString();
        EXPECT_TRUE(s.error().description.contains(cause)) << s.error().description.toStdString();
        EXPECT_FALSE(c.isOpen());
        EXPECT_EQ(digest(), before);
    }

    QTemporaryDir dir;
    Connection c;
};

TEST_F(OpeningTest, MissingIsToldApartFromUnusable) {
    QFile::remove(path());
    const Status s = open();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().problem, DbProblem::Missing);
    EXPECT_EQ(s.error().number, kErrGeneral);
}

TEST_F(OpeningTest, AFileOfAnotherProgramOrGarbageIsForeign) {
    QFile::remove(path());
    raw({"CREATE TABLE notes (x)"});
    expectRefused(DbProblem::Foreign, QStringLiteral("database password"));

    QFile junk(path());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    expectRefused(DbProblem::Foreign, QStringLiteral("not a database"));
}

TEST_F(OpeningTest, AMissingTableIsDamageNotAWrongPassword) {
    raw({"DROP TABLE users"});
    expectRefused(DbProblem::Damaged, QStringLiteral("users"));
}

TEST_F(OpeningTest, ANewerFileIsRefusedAndLeftAsItIs) {
    raw({"PRAGMA user_version = 99"});
    expectRefused(DbProblem::Newer, QStringLiteral("version 99"));
}

TEST_F(OpeningTest, AFileWithoutPermissionIsUnreadableNotMissing) {
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::WriteOwner));
    if (geteuid() != 0) {
        expectRefused(DbProblem::Unreadable, QStringLiteral("Permission denied"));
        return;
    }
    // Root reads every file: the owner opens it instead, through a folder it may only enter.
    ASSERT_EQ(::chown(QFile::encodeName(path()).constData(), test::kMember, test::kGroup), 0);
    ASSERT_TRUE(QFile::setPermissions(
        dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther));
    const QByteArray before = digest();
    EXPECT_TRUE(test::asMember([this] {
        expectRefused(DbProblem::Unreadable, QStringLiteral("Permission denied"));
        return !HasFailure();
    }));
    EXPECT_EQ(digest(), before);
}

TEST_F(OpeningTest, ABusyFileIsReportedAsBusyAfterTheTimeout) {
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
    db.setDatabaseName(path());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    const Status s = open();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().problem, DbProblem::Busy);
    EXPECT_NE(s.error().number, kErrGeneral);
    q.exec(QStringLiteral("ROLLBACK"));
    q.finish();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    EXPECT_TRUE(open().ok());
}

// The texts are the user's; the index only serves them. An index some of whose pieces are gone
// or are another program's is made again when the file is opened, never a reason to refuse it.
TEST_F(OpeningTest, AnIndexMissingPiecesOrHoldingAnotherProgramsTriggerIsMadeAgain) {
    raw({"INSERT INTO diary_tbl VALUES (1, '2024-05-06', 'Cafe au lait')",
         "DROP TRIGGER diary_search_added", "DROP TRIGGER diary_search_changed",
         "CREATE TRIGGER diary_search_changed AFTER UPDATE ON diary_tbl BEGIN DELETE FROM users; "
         "END",
         "DROP TABLE search_fts"});
    ASSERT_TRUE(open().ok());
    const auto matches = [this](const char* words) {
        const Result<Recordset> found =
            c.execute(Statement("SELECT count(*) FROM search_fts WHERE search_fts MATCH ")
                          .value(QString::fromUtf8(words)));
        EXPECT_TRUE(found.ok());
        return found ? found.value().value(0, 0).toInt() : -1;
    };
    EXPECT_EQ(matches("cafe"), 1);
    ASSERT_TRUE(c.execute(Statement("INSERT INTO diary_tbl VALUES (1, '2024-05-07', ")
                              .value(QStringLiteral("th\u00e9"))
                              .sql(u")"))
                    .ok());
    ASSERT_TRUE(c.execute(Statement("UPDATE diary_tbl SET diary_message = 'lait' WHERE "
                                    "diary_date = '2024-05-06'"))
                    .ok());
    EXPECT_EQ(matches("the"), 1);
    EXPECT_EQ(matches("cafe"), 0);
    EXPECT_EQ(c.execute(Statement("SELECT count(*) FROM users")).value().value(0, 0).toInt(), 1);
    EXPECT_FALSE(SqliteEngine::searchIndexDamaged(c));
}

// Migrations run as one transaction from the version the file records, here from a file as
// version 1 delivered it.
class MigrationTest : public OpeningTest {
protected:
    void SetUp() override {
        OpeningTest::SetUp();
        dropSearchIndex();
        raw({"DROP INDEX addressbook_names", "DROP TABLE dictionary_tbl", "DROP TABLE drafts_tbl",
             "DROP TABLE options_tbl",
             "CREATE TABLE dictionary_tbl ( user_num INTEGER NOT NULL,"
             " dict_name TEXT COLLATE NOCASE NOT NULL UNIQUE, dict_description TEXT COLLATE "
             "NOCASE)",
             "PRAGMA user_version = 1"});
    }
    // The schema as the engine lists it.
    static QStringList schema(const QString& file) {
        QStringList objects;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("s"));
            db.setDatabaseName(file);
            EXPECT_TRUE(db.open());
            QSqlQuery q(
                QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name"),
                db);
            while (q.next())
                objects.append(QStringList{q.value(0).toString(), q.value(1).toString(),
                                           q.value(2).toString(), q.value(3).toString()}
                                   .join(u'|'));
            q.finish();
            q.exec(QStringLiteral("PRAGMA user_version"));
            q.next();
            objects.append(q.value(0).toString());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("s"));
        return objects;
    }
    int version() { return schema(path()).last().toInt(); }
    QStringList words() {
        Result<Recordset> rows =
            c.execute(Statement("SELECT * FROM dictionary_tbl ORDER BY dict_name"));
        QStringList all;
        for (int r = 0; rows && r < rows.value().rowCount(); ++r)
            for (const QVariant& value : rows.value().row(r))
                all += value.isNull() ? QStringLiteral("NULL") : value.toString();
        return all;
    }
    Status migrate(const std::vector<Migration>& ladder) { return migrateFrom(1, ladder); }
    Status migrateFrom(int from, const std::vector<Migration>& ladder) {
        Status status;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("m"));
            db.setDatabaseName(path());
            EXPECT_TRUE(db.open());
            status = SqliteEngine::migrate(db, path(), from, ladder);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("m"));
        return status;
    }
};

TEST_F(MigrationTest, StepsAboveTheFilesVersionRunAndRecordTheirVersion) {
    const Status s = migrate({{1, {QStringLiteral("CREATE TABLE never (x)")}, {}},
                              {2, {QStringLiteral("ALTER TABLE users ADD COLUMN note TEXT")}, {}}});
    ASSERT_TRUE(s.ok()) << s.error().description.toStdString();
    EXPECT_EQ(version(), 2);
    ASSERT_TRUE(open().ok());
    EXPECT_TRUE(c.execute(Statement("SELECT note FROM users")).ok());
    EXPECT_FALSE(c.execute(Statement("SELECT * FROM never")).ok());
}

TEST_F(MigrationTest, AFailingStepLeavesNothingOfTheLadder) {
    const QByteArray before = digest();
    const Status s = migrate({{2, {QStringLiteral("ALTER TABLE users ADD COLUMN note TEXT")}, {}},
                              {3, {QStringLiteral("ALTER TABLE nowhere ADD COLUMN y")}, {}}});
    ASSERT_FALSE(s.ok());
    EXPECT_TRUE(s.error().description.contains(QStringLiteral("from version 1 up to 3")));
    EXPECT_EQ(version(), 1);
    EXPECT_EQ(digest(), before);
    ASSERT_TRUE(open().ok());
    EXPECT_FALSE(c.execute(Statement("SELECT note FROM users")).ok());
}

TEST_F(MigrationTest, AVersionOneFileOpensAsANewFileWouldBeWithItsWordsKept) {
    raw(
        {"INSERT INTO dictionary_tbl VALUES (2, 'band', NULL), (1, 'Apple', 'a fruit'), (1, "
         "'bank', 'b')"});
    // Brought forward at open: the same schema as a file made today.
    ASSERT_TRUE(open().ok());
    QTemporaryDir fresh;
    const QString made = fresh.filePath(QStringLiteral("journey.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(made).ok());
    EXPECT_EQ(schema(path()), schema(made));
    EXPECT_EQ(version(), kSchemaVersion);
    EXPECT_EQ(words(),
              (QStringList{QStringLiteral("1"), QStringLiteral("Apple"), QStringLiteral("a fruit"),
                           QStringLiteral("2"), QStringLiteral("band"), QStringLiteral("NULL"),
                           QStringLiteral("1"), QStringLiteral("bank"), QStringLiteral("b")}));
    // A word is still stored once whatever its letter case.
    const Result<Recordset> again =
        c.execute(Statement("INSERT INTO dictionary_tbl VALUES (1, 'APPLE', 'x')"));
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().number, kErrGeneral);
}

// A file as the version before wrote it: the contacts' names were not a key.
class VersionTwoTest : public MigrationTest {
protected:
    void SetUp() override {
        OpeningTest::SetUp();
        dropSearchIndex();
        raw({"DROP INDEX addressbook_names", "DROP TABLE drafts_tbl", "DROP TABLE options_tbl",
             "CREATE INDEX addressbook_names ON addressbook_tbl (user_num, trim(name) COLLATE "
             "NOCASE)",
             "PRAGMA user_version = 2"});
    }
    QStringList contacts() {
        const Result<Recordset> rows = c.execute(
            Statement("SELECT user_num || '|' || name || '|' || coalesce(middle_name, '') || '|' "
                      "|| coalesce(last_name, '') FROM addressbook_tbl ORDER BY rowid"));
        QStringList all;
        for (int r = 0; rows && r < rows.value().rowCount(); ++r)
            all += rows.value().value(r, 0).toString();
        return all;
    }
};

TEST_F(VersionTwoTest, RepeatedContactsAreKeptEachUnderNamesOfItsOwn) {
    raw(
        {"INSERT INTO addressbook_tbl (user_num, name, middle_name, last_name) VALUES "
         "(1, 'Ann', 'M', 'Lee'), (1, ' ann', 'm', 'LEE '), (2, 'Ann', 'M', 'Lee'), "
         "(1, 'Ann', 'M', 'Lee'), (1, 'Bob', NULL, NULL), (1, 'Bob', NULL, NULL)"});
    ASSERT_TRUE(open().ok());
    EXPECT_EQ(contacts(),
              (QStringList{QStringLiteral("1|Ann|M|Lee"), QStringLiteral("1| ann|m|LEE  (2)"),
                           QStringLiteral("2|Ann|M|Lee"), QStringLiteral("1|Ann|M|Lee (4)"),
                           QStringLiteral("1|Bob||"), QStringLiteral("1|Bob||")}));
    QTemporaryDir fresh;
    const QString made = fresh.filePath(QStringLiteral("journey.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(made).ok());
    EXPECT_EQ(schema(path()), schema(made));
    const Result<Recordset> again = c.execute(
        Statement("INSERT INTO addressbook_tbl (user_num, name, middle_name, last_name) VALUES "
                  "(1, 'ANN ', 'm', 'lee')"));
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().problem, DbProblem::Duplicate);
}

TEST_F(VersionTwoTest, AFailingStepLeavesTheFileByteForByte) {
    raw(
        {"INSERT INTO addressbook_tbl (user_num, name, middle_name, last_name) VALUES "
         "(1, 'Ann', 'M', 'Lee'), (1, 'Ann', 'M', 'Lee')"});
    const QByteArray before = digest();
    std::vector<Migration> ladder = schemaLadder();
    ladder.push_back({kSchemaVersion + 1, {QStringLiteral("ALTER TABLE nowhere ADD y")}, {}});
    const Status s = migrateFrom(2, ladder);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(version(), 2);
}

}  // namespace
