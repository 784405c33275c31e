#include "backup/Restorer.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <csignal>
#include <map>

#include "backup/BackupFixture.h"
#include "backup/Compactor.h"
#include "data/DatabaseLock.h"
#include "data/SqliteEngine.h"

namespace vemora::test {
namespace {

class RestorerTest : public BackupFixture {
protected:
    void SetUp() override { VEMORA_SKIP_ON_SERVER("restore of the file itself"); }
    RestorerTest() {
        addDiaryDays(300, 500);
        tp.addUser(QStringLiteral("ann"), QStringLiteral("pw"), QStringLiteral("Ann"));
        const CompactResult made = Compactor(connectionString()).backup(backup);
        EXPECT_TRUE(made.ok()) << made.detail.toStdString();
        backupRows = allRows();
        // The working database moves on after the backup.
        addDiaryDays(200, 700, QDate(2020, 1, 1));
        tp.query(Statement("DELETE FROM users WHERE user_name = 'ann'"));
        workingRows = allRows();
        before = bytes(working());
    }

    // Every row of the five tables, in a fixed order.
    QList<QVariantList> allRows() {
        QList<QVariantList> rows;
        for (const char* table :
             {"users", "addressbook_tbl", "diary_tbl", "planner_tbl", "dictionary_tbl"}) {
            const Recordset found =
                tp.query(Statement(QStringLiteral("SELECT * FROM ") + QLatin1String(table) +
                                   QStringLiteral(" ORDER BY 1, 2")));
            for (int i = 0; i < found.rowCount(); ++i) rows.append(found.row(i));
        }
        return rows;
    }
    QStringList keptFiles() const {
        return QDir(tp.database.directory())
            .entryList({QStringLiteral("journey.mdb.before-restore-*")}, QDir::Files);
    }
    // A copy of the backup, changed by a statement on a connection that checks nothing.
    QString alteredCopy(const QString& name, const QString& sql) {
        return alteredCopy(name, QStringList{sql});
    }
    QString alteredCopy(const QString& name, const QStringList& statements) {
        const QString path = elsewhere.filePath(name);
        EXPECT_TRUE(QFile::copy(backup, path));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            for (const QString& sql : statements) EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        }
        QSqlDatabase::removeDatabase(name);
        return path;
    }
    RestoreResult restore(const QString& source) {
        return Restorer(connectionString()).run(source);
    }
    void expectUnchanged() {
        EXPECT_EQ(bytes(working()), before);
        EXPECT_TRUE(keptFiles().isEmpty());
    }

    QTemporaryDir elsewhere;
    QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    QList<QVariantList> backupRows;
    QList<QVariantList> workingRows;
    QByteArray before;
};

TEST_F(RestorerTest, BringsBackExactlyTheCopysRowsAndKeepsTheWorkingDatabase) {
    ASSERT_NE(backupRows, workingRows);
    RestoreResult refused;
    const auto summary = Restorer(connectionString()).examine(backup, refused);
    ASSERT_TRUE(summary) << refused.detail.toStdString();
    EXPECT_EQ(summary->accounts, 2);
    EXPECT_EQ(summary->diaryDays, 150);
    EXPECT_EQ(summary->contacts + summary->plans + summary->words, 0);
    EXPECT_EQ(summary->version, kSchemaVersion);
    EXPECT_EQ(summary->written, QFileInfo(backup).lastModified());

    ASSERT_TRUE(QFile::setPermissions(working(), QFile::ReadOwner | QFile::WriteOwner));
    const auto permissions = QFile::permissions(working());
    const RestoreResult result = restore(backup);
    ASSERT_TRUE(result.ok()) << result.detail.toStdString();
    EXPECT_EQ(allRows(), backupRows);
    expectWorkingDatabaseWith(150);
    EXPECT_EQ(QFile::permissions(working()), permissions);

    // The previous database, byte for byte, under a name that says when it was put aside.
    ASSERT_EQ(keptFiles().size(), 1);
    EXPECT_EQ(QFileInfo(result.kept).fileName(), keptFiles().first());
    EXPECT_TRUE(keptFiles().first().contains(
        QRegularExpression(QStringLiteral("^journey\\.mdb\\.before-restore-\\d{8}-\\d{6}$"))));
    EXPECT_EQ(bytes(result.kept), before);
    EXPECT_EQ(QFile::permissions(result.kept), permissions);

    // A second restore in the same second keeps the first one's file too.
    ASSERT_TRUE(restore(result.kept).ok());
    EXPECT_EQ(allRows(), workingRows);
    EXPECT_EQ(keptFiles().size(), 2);
}

TEST_F(RestorerTest, RefusesFilesThatCannotStandInAndChangesNothing) {
    QFile damaged(alteredCopy(QStringLiteral("damaged.mdb"), QStringLiteral("SELECT 1")));
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    damaged.seek(damaged.size() / 2);
    damaged.write(QByteArray(8192, '\xA5'));
    damaged.close();
    const std::map<QString, QString> invalid = {
        {QStringLiteral("damaged"), damaged.fileName()},
        {QStringLiteral("another program's"),
         alteredCopy(QStringLiteral("other.mdb"), QStringLiteral("PRAGMA application_id = 7"))},
        {QStringLiteral("newer"),
         alteredCopy(QStringLiteral("newer.mdb"),
                     QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion + 1))},
        {QStringLiteral("no version"),
         alteredCopy(QStringLiteral("unversioned.mdb"), QStringLiteral("PRAGMA user_version = 0"))},
        {QStringLiteral("missing table"),
         alteredCopy(QStringLiteral("table.mdb"), QStringLiteral("DROP TABLE planner_tbl"))},
        // The search index's trigger, under its name, doing something else.
        {QStringLiteral("another program's trigger"),
         alteredCopy(QStringLiteral("trigger.mdb"),
                     QStringList{QStringLiteral("DROP TRIGGER diary_search_changed"),
                                 QStringLiteral("CREATE TRIGGER diary_search_changed AFTER UPDATE "
                                                "ON diary_tbl BEGIN DELETE FROM users; END")})},
        {QStringLiteral("missing column"),
         alteredCopy(QStringLiteral("column.mdb"),
                     QStringLiteral("ALTER TABLE dictionary_tbl DROP COLUMN dict_description"))},
    };
    QFile text(elsewhere.filePath(QStringLiteral("notes.mdb")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(4096, 'x'));
    text.close();
    for (const auto& [why, path] : invalid) {
        const RestoreResult result = restore(path);
        EXPECT_EQ(result.failure, RestoreFailure::Invalid) << why.toStdString();
        EXPECT_TRUE(result.detail.contains(QDir::toNativeSeparators(path))) << why.toStdString();
    }
    EXPECT_EQ(restore(text.fileName()).failure, RestoreFailure::Invalid);
    EXPECT_EQ(restore(working()).failure, RestoreFailure::SameAsWorking);
    EXPECT_EQ(restore(working() + QStringLiteral("-journal")).failure, RestoreFailure::Companion);
    EXPECT_EQ(restore(elsewhere.path()).failure, RestoreFailure::NotAFile);
    EXPECT_EQ(restore(elsewhere.filePath(QStringLiteral("none.mdb"))).failure,
              RestoreFailure::NotAFile);
    expectUnchanged();
}

// The texts are the user's; the index only serves them. A copy whose index lists a text that is
// not there is restored with its index made again.
TEST_F(RestorerTest, ACopyWithADamagedSearchIndexIsRestoredWithTheIndexMadeAgain) {
    const QString ghost = alteredCopy(
        QStringLiteral("ghost.mdb"),
        QStringLiteral("INSERT INTO search_fts (rowid, body) VALUES (1202001013, 'ghost')"));
    const RestoreResult result = restore(ghost);
    ASSERT_TRUE(result.ok()) << result.detail.toStdString();
    EXPECT_EQ(allRows(), backupRows);
    Connection db;
    db.setConnectionString(connectionString());
    ASSERT_TRUE(db.open());
    EXPECT_FALSE(SqliteEngine::searchIndexDamaged(db));
    const Result<Recordset> found =
        db.execute(Statement("SELECT count(*) FROM search_fts WHERE search_fts MATCH 'ghost'"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found.value().value(0, 0).toInt(), 0);
}

TEST_F(RestorerTest, RefusesWhileAnOrganizerRuns) {
    DatabaseLock organizer(working());
    ASSERT_TRUE(organizer.tryLock(DatabaseLock::Mode::Shared));
    EXPECT_EQ(restore(backup).failure, RestoreFailure::InUse);
    expectUnchanged();
}

TEST_F(RestorerTest, KilledAtEveryStepLeavesAWholeDatabaseWithOldOrNewRows) {
    // Enough rows for each copy to take several blocks.
    addDiaryDays(1600, 600, QDate(2030, 1, 1));
    workingRows = allRows();
    const int oldDays = tp.count(QStringLiteral("diary_tbl"));
    std::map<RestoreStep, int> occurrences;
    {
        TempDatabase other;
        QFile::remove(other.path());
        QFile::copy(working(), other.path());
        Restorer counting(makeConnectionString(other.directory()));
        counting.setStepHook([&](RestoreStep step, const QString&) { ++occurrences[step]; });
        ASSERT_TRUE(counting.run(backup).ok());
    }
    ASSERT_EQ(occurrences.size(), 6u);
    ASSERT_GE(occurrences[RestoreStep::Writing], 2);

    constexpr int kTrials = 20;
    for (const auto& [step, count] : occurrences) {
        for (int trial = 0; trial < kTrials; ++trial) {
            // Back to the old contents every other trial, so both directions are killed.
            if (trial % 2 == 0 && tp.count(QStringLiteral("diary_tbl")) != oldDays) {
                ASSERT_TRUE(restore(inFolder(keptFiles().last())).ok());
            }
            const int target = trial % count + 1;
            Restorer killed(connectionString());
            int passed = 0;
            killed.setStepHook([&passed, target, s = step](RestoreStep at, const QString&) {
                if (at == s && ++passed == target) std::raise(SIGKILL);
            });
            EXPECT_EXIT(killed.run(backup), ::testing::KilledBySignal(SIGKILL), "")
                << int(step) << " " << trial;
            ASSERT_TRUE(QFile::exists(working()));
            const int days = tp.count(QStringLiteral("diary_tbl"));
            ASSERT_TRUE(days == oldDays || days == 150) << int(step) << " " << trial;
            expectWorkingDatabaseWith(days);
            EXPECT_EQ(allRows(), days == oldDays ? workingRows : backupRows);
            // Only the newest kept copy is needed.
            QStringList kept = keptFiles();
            if (!kept.isEmpty()) kept.removeLast();
            for (const QString& file : kept) QFile::remove(inFolder(file));
        }
    }
    // The next run clears what the killed ones left behind.
    ASSERT_TRUE(restore(backup).ok());
    for (const QString& file : keptFiles()) QFile::remove(inFolder(file));
    EXPECT_EQ(QDir(tp.database.directory()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

}  // namespace
}  // namespace vemora::test
