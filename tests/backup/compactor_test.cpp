#include "backup/Compactor.h"
#include "backup/BackupFixture.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>

namespace vemora::test {
namespace {

int exitCodeOf(CompactFailure failure) {
    return 1 + int(failure);
}

class CompactorTest : public BackupFixture {
protected:
    void SetUp() override { VEMORA_SKIP_ON_SERVER("compaction of the file itself"); }
    CompactorTest() {
        addDiaryDays(400, 600);
        diaryRows = tp.count(QStringLiteral("diary_tbl"));
        before = bytes(working());
    }

    CompactResult run(const QString& destination = {}) {
        return Compactor(connectionString()).run(destination.isEmpty() ? backup : destination);
    }
    // Compacts in a child process that ends with 0 or exitCodeOf(its failure).
    [[noreturn]] void runInChild() {
        const CompactResult result = run();
        _exit(result.ok() ? 0 : exitCodeOf(*result.failure));
    }
    [[noreturn]] void runAsNobody() {
        // The administrator may write anywhere; nobody meets the folder's mode.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
        runInChild();
    }
    [[noreturn]] void runOnAFullDisk() {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(before.size() / 4), rlim_t(before.size() / 4)};
        setrlimit(RLIMIT_FSIZE, &limit);
        runInChild();
    }
    void expectUnchanged() {
        EXPECT_EQ(bytes(working()), before);
        EXPECT_FALSE(QFile::exists(backup));
    }

    int diaryRows = 0;
    QByteArray before;
    QTemporaryDir elsewhere;
    QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
};

TEST_F(CompactorTest, WritesACheckedCopyAndPutsItInPlace) {
    // The backup is readable by no more accounts than the working database.
    ASSERT_TRUE(QFile::setPermissions(working(), QFile::ReadOwner | QFile::WriteOwner));
    const auto permissions = QFile::permissions(working());
    std::vector<CompactStep> steps;
    Compactor compacting(connectionString());
    compacting.setStepHook([&steps](CompactStep step, const QString&) {
        if (steps.empty() || steps.back() != step) steps.push_back(step);
    });
    const CompactResult result = compacting.run(backup);
    ASSERT_TRUE(result.ok()) << result.detail.toStdString();
    // The chosen file is written while the copy is checked.
    EXPECT_EQ(steps,
              (std::vector{CompactStep::Locked, CompactStep::Compacted, CompactStep::Writing,
                           CompactStep::Checked, CompactStep::CopyWritten, CompactStep::Replaced}));
    EXPECT_LT(bytes(working()).size(), before.size());
    EXPECT_EQ(bytes(backup), bytes(working()));
    EXPECT_EQ(QFile::permissions(working()), permissions);
    EXPECT_EQ(QFile::permissions(backup), permissions);
    expectWorkingDatabaseWith(diaryRows);
    EXPECT_EQ(QDir(tp.database.directory()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("journey.mdb"), QStringLiteral("journey.mdb.lock")}));

    // Over an older file with a journal of its own, which would spoil the new copy.
    QFile old(backup), journal(backup + QStringLiteral("-journal"));
    for (QFile* file : {&old, &journal}) {
        ASSERT_TRUE(file->open(QIODevice::WriteOnly));
        file->write("older");
        file->close();
    }
    ASSERT_TRUE(QFile::setPermissions(backup, QFile::permissions(backup) | QFile::ReadOther));
    ASSERT_TRUE(run().ok());
    EXPECT_EQ(bytes(backup), bytes(working()));
    EXPECT_EQ(QFile::permissions(backup), permissions);
    EXPECT_FALSE(journal.exists());
}

TEST_F(CompactorTest, BackupWritesTheCheckedCopyAndLeavesTheWorkingDatabase) {
    ASSERT_TRUE(QFile::setPermissions(working(), QFile::ReadOwner | QFile::WriteOwner));
    const auto permissions = QFile::permissions(working());
    before = bytes(working());
    // Over an older file with a journal of its own, which would spoil the new copy.
    QFile old(backup), journal(backup + QStringLiteral("-journal"));
    for (QFile* file : {&old, &journal}) {
        ASSERT_TRUE(file->open(QIODevice::WriteOnly));
        file->write("older");
        file->close();
    }
    std::vector<CompactStep> steps;
    Compactor backingUp(connectionString());
    backingUp.setStepHook([&steps](CompactStep step, const QString&) { steps.push_back(step); });
    const CompactResult result = backingUp.backup(backup);
    ASSERT_TRUE(result.ok()) << result.detail.toStdString();
    EXPECT_EQ(steps, (std::vector{CompactStep::Locked, CompactStep::Compacted, CompactStep::Checked,
                                  CompactStep::CopyWritten}));
    EXPECT_EQ(bytes(working()), before);
    EXPECT_LT(bytes(backup).size(), before.size());
    EXPECT_FALSE(journal.exists());
    EXPECT_EQ(QFile::permissions(backup), permissions);
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("backup.mdb")});

    // The copy is a database the programs open, with the same rows.
    TempDatabase restored;
    QFile::remove(restored.path());
    ASSERT_TRUE(QFile::copy(backup, restored.path()));
    Connection copy;
    copy.setConnectionString(makeConnectionString(restored.directory()));
    ASSERT_TRUE(copy.open().ok());
    EXPECT_EQ(copy.execute(Statement("SELECT COUNT(*) FROM diary_tbl")).value().row(0).first(),
              diaryRows);
}

TEST_F(CompactorTest, RefusesTheWorkingDatabaseAndItsCompanions) {
    const QString dir = tp.database.directory();
    ASSERT_TRUE(QFile::link(dir, elsewhere.filePath(QStringLiteral("dirlink"))));
    ASSERT_TRUE(QFile::link(working(), elsewhere.filePath(QStringLiteral("filelink.mdb"))));
    for (const QString& form :
         {dir + QStringLiteral("/JOURNEY.MDB"),
          dir + QStringLiteral("/./../") + QDir(dir).dirName() + QStringLiteral("/journey.mdb"),
          elsewhere.filePath(QStringLiteral("dirlink/journey.MDB")),
          elsewhere.filePath(QStringLiteral("filelink.mdb"))}) {
        EXPECT_TRUE(isWorkingDatabase(form, working())) << form.toStdString();
        EXPECT_EQ(run(form).failure, CompactFailure::SameAsWorking) << form.toStdString();
    }
    for (const char* companion : {"journey.mdb-journal", "JOURNEY.MDB-wal", "journey.mdb.lock"})
        EXPECT_EQ(run(inFolder(QLatin1String(companion))).failure, CompactFailure::Companion);
    EXPECT_EQ(run(elsewhere.path()).failure, CompactFailure::NotAFile);
    EXPECT_FALSE(isWorkingDatabase(inFolder(QStringLiteral("journey.mdb.bak")), working()));
    expectUnchanged();
}

TEST_F(CompactorTest, ChangesNothingWhileTheDatabaseIsInUse) {
    DatabaseLock organizer(working());
    ASSERT_TRUE(organizer.tryLock(DatabaseLock::Mode::Shared));
    EXPECT_EQ(run().failure, CompactFailure::InUse);
    organizer.unlock();

    // A program that writes without the lock: its journal gives it away.
    Connection writer;
    writer.setConnectionString(connectionString());
    ASSERT_TRUE(writer.open().ok());
    ASSERT_TRUE(writer.execute(Statement("BEGIN")).ok());
    ASSERT_TRUE(writer.execute(Statement("UPDATE users SET name = 'Writer'")).ok());
    EXPECT_EQ(run().failure, CompactFailure::InUse);
    expectUnchanged();
    ASSERT_TRUE(writer.execute(Statement("ROLLBACK")).ok());

    // One that starts after the copy was written still keeps it from being put in place.
    Compactor late(connectionString());
    late.setStepHook([&writer](CompactStep step, const QString&) {
        if (step != CompactStep::CopyWritten) return;
        ASSERT_TRUE(writer.execute(Statement("BEGIN")).ok());
        ASSERT_TRUE(writer.execute(Statement("UPDATE users SET name = 'Late'")).ok());
    });
    EXPECT_EQ(late.run(backup).failure, CompactFailure::CannotReplace);
    EXPECT_EQ(bytes(working()), before);
}

TEST_F(CompactorTest, AFailedStepLeavesTheDatabaseByteIdentical) {
    const CompactResult unwritable = run(elsewhere.filePath(QStringLiteral("missing/backup.mdb")));
    EXPECT_EQ(unwritable.failure, CompactFailure::CannotWriteCopy);
    EXPECT_FALSE(unwritable.detail.isEmpty());

    EXPECT_EXIT(runOnAFullDisk(),
                ::testing::ExitedWithCode(exitCodeOf(CompactFailure::CompactFailed)), "");

    const QString dir = tp.database.directory();
    QFile::setPermissions(dir,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(working(),
                          QFile::permissions(working()) | QFile::ReadOther | QFile::WriteOther);
    EXPECT_EXIT(runAsNobody(),
                ::testing::ExitedWithCode(exitCodeOf(CompactFailure::FolderReadOnly)), "");
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // Copies spoiled between compaction and check: damaged pages, a lost row.
    Compactor damaging(connectionString());
    damaging.setStepHook([](CompactStep step, const QString& file) {
        if (step != CompactStep::Compacted) return;
        QFile copy(file);
        ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
        copy.seek(copy.size() / 2);
        copy.write(QByteArray(8192, '\xA5'));
    });
    EXPECT_EQ(damaging.run(backup).failure, CompactFailure::CheckFailed);
    Compactor losing(connectionString());
    losing.setStepHook([](CompactStep step, const QString& file) {
        if (step != CompactStep::Compacted) return;
        Connection copy;
        copy.setConnectionString(QStringLiteral("Data Source=") + file +
                                 QStringLiteral(";Jet OLEDB:Database password=brightmesa"));
        ASSERT_TRUE(copy.open().ok());
        ASSERT_TRUE(copy.execute(Statement("DELETE FROM diary_tbl WHERE rowid = 1")).ok());
    });
    EXPECT_EQ(losing.run(backup).failure, CompactFailure::CheckFailed);
    expectUnchanged();

    // An older chosen file stays as it was, and nothing of the new one is left beside it.
    QFile older(backup);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("older");
    older.close();
    EXPECT_EQ(damaging.run(backup).failure, CompactFailure::CheckFailed);
    EXPECT_EQ(bytes(backup), QByteArray("older"));
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("backup.mdb")});
    EXPECT_EQ(bytes(working()), before);
}

// The chosen file is checked against the bytes written to it, not checked again in full.
TEST_F(CompactorTest, ACopyChangedOnItsWayToDiskIsCaught) {
    Compactor spoiling(connectionString());
    spoiling.setStepHook([this](CompactStep step, const QString&) {
        if (step != CompactStep::Writing) return;
        // The file being written is open in the chosen folder, maybe without a name yet.
        const QDir descriptors(QStringLiteral("/proc/self/fd"));
        for (const QString& fd : descriptors.entryList(QDir::Files | QDir::System)) {
            if (!QFile::symLinkTarget(descriptors.filePath(fd)).startsWith(elsewhere.path()))
                continue;
            QFile partial(descriptors.filePath(fd));
            ASSERT_TRUE(partial.open(QIODevice::ReadWrite));
            partial.write("X");
        }
    });
    const CompactResult result = spoiling.run(backup);
    EXPECT_EQ(result.failure, CompactFailure::CannotWriteCopy);
    EXPECT_EQ(result.detail, QStringLiteral("the copy on disk differs from the copy written"));
    expectUnchanged();
}

TEST_F(CompactorTest, ACopyOnAFullDiskNamesTheCause) {
    std::unique_ptr<FileSizeLimit> full;
    Compactor compactor(connectionString());
    compactor.setStepHook([&](CompactStep step, const QString&) {
        if (step == CompactStep::Compacted)
            full = std::make_unique<FileSizeLimit>(before.size() / 3);
    });
    const CompactResult result = compactor.run(backup);
    full.reset();
    EXPECT_EQ(result.failure, CompactFailure::CannotWriteCopy);
    EXPECT_EQ(result.detail, QStringLiteral("File too large"));
    expectUnchanged();
}

TEST_F(CompactorTest, JournalOfACrashedWriterIsRolledBackFirst) {
    // A writer that dies in the middle of a large change leaves a hot journal behind.
    EXPECT_EXIT(
        {
            Connection writer;
            writer.setConnectionString(connectionString());
            if (!writer.open()) _exit(1);
            if (!writer.execute(Statement("PRAGMA cache_size = 1")) ||
                !writer.execute(Statement("BEGIN")) ||
                !writer.execute(Statement("UPDATE diary_tbl SET diary_message = 'lost'")))
                _exit(1);
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ASSERT_TRUE(QFile::exists(working() + QStringLiteral("-journal")));

    ASSERT_TRUE(run().ok());
    expectWorkingDatabaseWith(diaryRows);
    EXPECT_EQ(
        tp.query(Statement("SELECT COUNT(*) AS n FROM diary_tbl WHERE diary_message = 'lost'"))
            .field(u"n")
            .toInt(),
        0);
}

TEST_F(CompactorTest, KilledAtAnyPointLeavesAWorkingDatabase) {
    // Enough rows for the copy to take many blocks.
    addDiaryDays(3200, 600, QDate(2010, 1, 1));
    diaryRows = tp.count(QStringLiteral("diary_tbl"));
    std::vector<CompactStep> steps;
    {
        TempDatabase other;
        QFile::remove(other.path());
        QFile::copy(working(), other.path());
        Compactor counting(makeConnectionString(other.directory()));
        counting.setStepHook([&steps](CompactStep step, const QString&) { steps.push_back(step); });
        ASSERT_TRUE(counting.run(elsewhere.filePath(QStringLiteral("count.mdb"))).ok());
        QFile::remove(elsewhere.filePath(QStringLiteral("count.mdb")));
    }
    const int points = int(steps.size());
    ASSERT_GE(points, 20);

    for (int point = 1; point <= points; ++point) {
        QFile::remove(backup);
        Compactor killed(connectionString());
        int passed = 0;
        killed.setStepHook([&passed, point](CompactStep, const QString&) {
            if (++passed == point) std::raise(SIGKILL);
        });
        EXPECT_EXIT(killed.run(backup), ::testing::KilledBySignal(SIGKILL), "") << point;
        expectWorkingDatabaseWith(diaryRows);
        // Before its check passed and it was written, the chosen file has no name.
        const bool written = steps[size_t(point - 1)] >= CompactStep::CopyWritten;
        EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
                  written ? QStringList{QStringLiteral("backup.mdb")} : QStringList())
            << point;
    }
    // The next run clears what the killed ones left behind.
    ASSERT_TRUE(run().ok());
    EXPECT_EQ(QDir(tp.database.directory()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

}  // namespace
}  // namespace vemora::test
