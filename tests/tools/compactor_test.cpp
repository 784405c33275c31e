#include "data/DatabaseLock.h"
#include "tools/Compactor.h"
#include "ToolsFixture.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace vemora::test {
namespace {

class CompactorTest : public ToolsFixture {
protected:
    CompactorTest() {
        addDiaryDays(400, 600);
        diaryRows = tp.count(QStringLiteral("diary_tbl"));
        before = bytes(working());
    }

    CompactResult run(const QString& destination) {
        return Compactor(module.ConnectionString()).run(destination);
    }

    // Runs the compaction in a child process and ends the child with its outcome: 0 when it
    // succeeded, otherwise 1 + the failure.
    [[noreturn]] void runInChild(const QString& destination) {
        const CompactResult result = run(destination);
        _exit(result.ok() ? 0 : 1 + int(*result.failure));
    }

    static int exitCodeOf(CompactFailure failure) { return 1 + int(failure); }

    // A disk that takes no file larger than the limit.
    [[noreturn]] void runWithFileSizeLimit(qint64 bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
        runInChild(elsewhere.filePath(QStringLiteral("backup.mdb")));
    }

    int diaryRows = 0;
    QByteArray before;
    QTemporaryDir elsewhere;
};

TEST_F(CompactorTest, WritesACheckedCopyAndPutsItInPlace) {
    const auto permissions = QFile::permissions(working());
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    const CompactResult result = run(backup);
    ASSERT_TRUE(result.ok()) << result.detail.toStdString();

    const QByteArray after = bytes(working());
    EXPECT_LT(after.size(), before.size());
    EXPECT_EQ(bytes(backup), after);
    EXPECT_EQ(QFile::permissions(working()), permissions);
    expectWorkingDatabaseWith(diaryRows);
    // Only the database and the organizers' lock file remain beside it.
    EXPECT_EQ(QDir(tp.database.directory()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("journey.mdb"), QStringLiteral("journey.mdb.lock")}));
}

TEST_F(CompactorTest, ReplacesAnExistingBackupAndItsStaleJournal) {
    const QString backup = elsewhere.filePath(QStringLiteral("old.mdb"));
    QFile old(backup);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older backup");
    old.close();
    QFile journal(backup + QStringLiteral("-journal"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write("a journal of the older backup");
    journal.close();

    ASSERT_TRUE(run(backup).ok());
    EXPECT_EQ(bytes(backup), bytes(working()));
    EXPECT_FALSE(journal.exists());
    expectWorkingDatabaseWith(diaryRows);
}

TEST_F(CompactorTest, RefusesTheWorkingDatabaseInAnyForm) {
    const QString dir = tp.database.directory();
    ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(dir, elsewhere.filePath(QStringLiteral("dirlink"))));
    ASSERT_TRUE(QFile::link(working(), elsewhere.filePath(QStringLiteral("filelink.mdb"))));
    const QStringList forms = {
        dir + QStringLiteral("/JOURNEY.MDB"),
        dir + QStringLiteral("/./Journey.mdb"),
        dir + QStringLiteral("/sub/../journey.mdb"),
        QDir::toNativeSeparators(working()),
        elsewhere.filePath(QStringLiteral("dirlink/journey.MDB")),
        elsewhere.filePath(QStringLiteral("filelink.mdb")),
    };
    for (const QString& form : forms) {
        EXPECT_TRUE(isWorkingDatabase(form, working())) << form.toStdString();
        EXPECT_EQ(run(form).failure, CompactFailure::SameAsWorking) << form.toStdString();
    }
    for (const char* companion : {"journey.mdb-journal", "JOURNEY.MDB-wal", "journey.mdb.lock"})
        EXPECT_EQ(run(inFolder(QLatin1String(companion))).failure, CompactFailure::Companion);
    EXPECT_EQ(run(QString()).failure, CompactFailure::NotAFile);
    EXPECT_EQ(run(dir + QStringLiteral("/sub")).failure, CompactFailure::NotAFile);
    EXPECT_FALSE(isWorkingDatabase(inFolder(QStringLiteral("journey.mdb.bak")), working()));
    EXPECT_EQ(bytes(working()), before);
}

TEST_F(CompactorTest, ChangesNothingWhileTheOrganizerIsRunning) {
    DatabaseLock organizer(working());
    ASSERT_TRUE(organizer.tryLock(DatabaseLock::Mode::Shared));
    ASSERT_TRUE(module.OpenDatabase());
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    EXPECT_EQ(run(backup).failure, CompactFailure::InUse);
    EXPECT_FALSE(QFile::exists(backup));
    EXPECT_EQ(bytes(working()), before);

    // A second tool is refused the same way.
    organizer.unlock();
    ASSERT_TRUE(organizer.tryLock(DatabaseLock::Mode::Exclusive));
    EXPECT_EQ(run(backup).failure, CompactFailure::InUse);
    organizer.unlock();
    module.DbConnection().close();
    EXPECT_TRUE(run(backup).ok());
}

TEST_F(CompactorTest, ChangesNothingWhileAnotherProgramIsWriting) {
    Connection writer;
    writer.setConnectionString(module.ConnectionString());
    ASSERT_TRUE(writer.open().ok());
    ASSERT_TRUE(writer.execute(Statement("BEGIN")).ok());
    ASSERT_TRUE(writer.execute(Statement("UPDATE users SET name = 'Writer'")).ok());

    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    EXPECT_EQ(run(backup).failure, CompactFailure::InUse);
    EXPECT_FALSE(QFile::exists(backup));
    EXPECT_EQ(bytes(working()), before);

    // A writer that starts once the copy is checked still keeps the copy from being put in place.
    Compactor late(module.ConnectionString());
    late.setStepHook([&writer](CompactStep step, const QString&) {
        if (step == CompactStep::CopyWritten) {
            ASSERT_TRUE(writer.execute(Statement("BEGIN")).ok());
            ASSERT_TRUE(writer.execute(Statement("UPDATE users SET name = 'Late'")).ok());
        }
    });
    ASSERT_TRUE(writer.execute(Statement("ROLLBACK")).ok());
    EXPECT_EQ(late.run(backup).failure, CompactFailure::CannotReplace);
    EXPECT_TRUE(QFile::exists(backup));
    EXPECT_EQ(bytes(working()), before);
    ASSERT_TRUE(writer.execute(Statement("ROLLBACK")).ok());
}

TEST_F(CompactorTest, UnwritableDestinationChangesNothing) {
    const CompactResult result = run(elsewhere.filePath(QStringLiteral("missing/backup.mdb")));
    EXPECT_EQ(result.failure, CompactFailure::CannotWriteCopy);
    EXPECT_FALSE(result.detail.isEmpty());
    EXPECT_EQ(bytes(working()), before);
}

TEST_F(CompactorTest, CopyThatFailsItsCheckIsNeverPutInPlace) {
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    // Damaged pages.
    Compactor damaging(module.ConnectionString());
    damaging.setStepHook([](CompactStep step, const QString& file) {
        if (step != CompactStep::Compacted) return;
        QFile copy(file);
        ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
        copy.seek(copy.size() / 2);
        copy.write(QByteArray(8192, '\xA5'));
    });
    CompactResult result = damaging.run(backup);
    EXPECT_EQ(result.failure, CompactFailure::CheckFailed);
    EXPECT_FALSE(result.detail.isEmpty());

    // A copy that lost a row.
    Compactor losing(module.ConnectionString());
    losing.setStepHook([](CompactStep step, const QString& file) {
        if (step != CompactStep::Compacted) return;
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lose"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral(
            "DELETE FROM diary_tbl WHERE rowid = (SELECT MIN(rowid) FROM diary_tbl)"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("lose"));
    });
    result = losing.run(backup);
    EXPECT_EQ(result.failure, CompactFailure::CheckFailed);

    EXPECT_FALSE(QFile::exists(backup));
    EXPECT_EQ(bytes(working()), before);
}

TEST_F(CompactorTest, JournalOfACrashedWriterIsRolledBackFirst) {
    // A writer that dies in the middle of a large change leaves a hot journal behind.
    EXPECT_EXIT(
        {
            Connection writer;
            writer.setConnectionString(module.ConnectionString());
            if (!writer.open()) _exit(2);
            QSqlQuery q(writer.database());
            q.exec(QStringLiteral("PRAGMA cache_size = 1"));
            q.exec(QStringLiteral("BEGIN"));
            q.exec(QStringLiteral("UPDATE diary_tbl SET diary_message = 'lost'"));
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ASSERT_TRUE(QFile::exists(working() + QStringLiteral("-journal")));

    ASSERT_TRUE(run(elsewhere.filePath(QStringLiteral("backup.mdb"))).ok());
    expectWorkingDatabaseWith(diaryRows);
    EXPECT_EQ(
        tp.query(Statement("SELECT COUNT(*) AS n FROM diary_tbl WHERE diary_message = 'lost'"))
            .field(u"n")
            .toInt(),
        0);
}

TEST_F(CompactorTest, ReadOnlyFolderChangesNothing) {
    const QString dir = tp.database.directory();
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                   QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    QFile::setPermissions(working(),
                          QFile::permissions(working()) | QFile::ReadOther | QFile::WriteOther);
    EXPECT_EXIT(
        {
            // The administrator may write anywhere; run as nobody to meet the folder's mode.
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
            runInChild(elsewhere.filePath(QStringLiteral("backup.mdb")));
        },
        ::testing::ExitedWithCode(exitCodeOf(CompactFailure::FolderReadOnly)), "");
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(bytes(working()), before);
}

TEST_F(CompactorTest, FullDiskChangesNothing) {
    EXPECT_EXIT(runWithFileSizeLimit(before.size() / 4),
                ::testing::ExitedWithCode(exitCodeOf(CompactFailure::CompactFailed)), "");
    EXPECT_EQ(bytes(working()), before);
    expectWorkingDatabaseWith(diaryRows);
}

TEST_F(CompactorTest, KilledAtAnyPointLeavesAWorkingDatabase) {
    // Enough rows for the copies to take several blocks each.
    addDiaryDays(1600, 600, QDate(2010, 1, 1));
    diaryRows = tp.count(QStringLiteral("diary_tbl"));
    // Every point the compaction passes, counted on a run over a copy.
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    int points = 0;
    {
        TestPlatform other;
        mod_Tools otherModule(other.database.directory(), other.prompter);
        Compactor counting(otherModule.ConnectionString());
        counting.setStepHook([&points](CompactStep, const QString&) { ++points; });
        QFile::remove(other.database.path());
        QFile::copy(working(), other.database.path());
        ASSERT_TRUE(counting.run(elsewhere.filePath(QStringLiteral("count.mdb"))).ok());
    }
    ASSERT_GE(points, 20);

    for (int point = 1; point <= points; ++point) {
        EXPECT_EXIT(
            {
                Compactor killed(module.ConnectionString());
                int passed = 0;
                killed.setStepHook([&passed, point](CompactStep, const QString&) {
                    if (++passed == point) std::raise(SIGKILL);
                });
                killed.run(backup);
                _exit(0);
            },
            ::testing::KilledBySignal(SIGKILL), "")
            << "point " << point;
        expectWorkingDatabaseWith(diaryRows);
    }
    // A later run clears what the killed ones left behind.
    ASSERT_TRUE(run(backup).ok());
    EXPECT_EQ(QDir(tp.database.directory()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

}  // namespace
}  // namespace vemora::test
