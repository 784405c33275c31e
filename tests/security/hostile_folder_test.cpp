// The shared database folder as a member of its group would attack it: every attack is played
// by a throwaway account and group that exist only as numbers, against root running the
// programs. Needs root, as CI runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>

#include "backup/Compactor.h"
#include "backup/Restorer.h"
#include "core/Database.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/FileWriting.h"
#include "data/SafeFiles.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"
#include "support/OtherAccount.h"
#include "support/Programs.h"
#include "support/TestPlatform.h"

namespace vemora::test {
namespace {

const QByteArray kSecret = QByteArrayLiteral("TOPSECRET root's own words");

QByteArray bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray name(const QString& path) {
    return QFile::encodeName(path);
}

// Runs `op` in a child that a hang cannot outlive; true when it ended by itself.
bool endsByItself(const std::function<void()>& op) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(30);
        op();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status);
}

class HostileFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        VEMORA_SKIP_ON_SERVER("about the file and its folder");
        if (::geteuid() != 0) GTEST_SKIP() << "plays another account: needs root";
        ASSERT_TRUE(top.isValid());
        ::chmod(name(top.path()).constData(), 0755);
        // The shared folder as the package makes it.
        ASSERT_TRUE(QDir().mkdir(shared));
        ::chown(name(shared).constData(), 0, kGroup);
        ::chmod(name(shared).constData(), 03775);
        ASSERT_TRUE(SqliteEngine::createDatabase(working()).ok());
        ::chown(name(working()).constData(), 0, kGroup);
        ::chmod(name(working()).constData(), 0660);
        const int lock = ::open(name(lockFile()).constData(), O_CREAT | O_WRONLY, 0660);
        ::close(lock);
        ::chown(name(lockFile()).constData(), 0, kGroup);
        // Root's own files, which no member may read, write or create.
        ASSERT_TRUE(QDir().mkdir(secretDir));
        ::chmod(name(secretDir).constData(), 0700);
        writeFile(secret(), kSecret);
        // A sound backup with a day the working database does not hold.
        ASSERT_TRUE(SqliteEngine::createDatabase(backup).ok());
        Connection copy;
        copy.setConnectionString(QStringLiteral("Data Source=") + backup +
                                 QStringLiteral(";Jet OLEDB:Database password=") +
                                 QString::fromLatin1(kDatabasePassword));
        ASSERT_TRUE(copy.open().ok());
        ASSERT_TRUE(copy.execute(Statement("INSERT INTO diary_tbl VALUES (1, '2001-02-03', 'b')")));
    }

    QString working() const { return QDir(shared).filePath(QStringLiteral("journey.mdb")); }
    QString lockFile() const { return DatabaseLock::lockFilePath(working()); }
    QString secret() const { return QDir(secretDir).filePath(QStringLiteral("shadow")); }
    QString connectionString() const { return makeConnectionString(shared); }
    QString out(const QString& file) const { return top.filePath(file); }

    static void plantLink(const QString& at, const QString& to) {
        ASSERT_EQ(::symlink(name(to).constData(), name(at).constData()), 0) << at.toStdString();
        ::lchown(name(at).constData(), kMember, kGroup);
    }

    // Root's file is as it was, nothing new is in root's folder, and no file a member may read
    // holds root's words.
    void expectRootsFilesUntouched() const {
        EXPECT_EQ(bytes(secret()), kSecret);
        EXPECT_EQ(QDir(secretDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                  QStringList{QStringLiteral("shadow")});
        struct stat shadow {};
        ::stat(name(secret()).constData(), &shadow);
        QDirIterator files(top.path(), QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString file = files.next();
            struct stat st {};
            if (file.startsWith(secretDir) || ::stat(name(file).constData(), &st) != 0 ||
                st.st_ino == shadow.st_ino)
                continue;
            EXPECT_FALSE(bytes(file).contains(kSecret)) << file.toStdString();
        }
    }

    int cli(QStringList arguments) const {
        arguments = QStringList{QStringLiteral("--database"), working(), QStringLiteral("--user"),
                                QStringLiteral("admin")} +
                    arguments;
        const Outcome ran = runProgram(QStringLiteral(VEMORA_CLI), arguments, "admin\n");
        return ran.code;
    }

    QTemporaryDir top;
    QString shared = top.filePath(QStringLiteral("vemora"));
    QString secretDir = top.filePath(QStringLiteral("root-only"));
    QString backup = top.filePath(QStringLiteral("backup.mdb"));
};

TEST_F(HostileFolderTest, KeptCopiesAreNeverWrittenThroughLinksPlantedAtTheirComingNames) {
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(asMember([&] {
        for (int s = 0; s < 5; ++s)
            if (::symlink(name(secretDir + QStringLiteral("/sudoers-%1").arg(s)).constData(),
                          name(Restorer::keptName(working(), now.addSecs(s))).constData()) != 0)
                return false;
        return true;
    }));
    const RestoreResult restored = Restorer(connectionString()).run(backup);
    ASSERT_TRUE(restored.ok()) << restored.detail.toStdString();
    EXPECT_FALSE(QFileInfo(restored.kept).isSymLink());
    EXPECT_TRUE(QFileInfo(restored.kept).isFile());
    expectRootsFilesUntouched();
}

TEST_F(HostileFolderTest, ACopyBeingBuiltCannotBeSwappedOrRemoved) {
    bool tried = false;
    Restorer restorer(connectionString());
    restorer.setStepHook([&](RestoreStep step, const QString& file) {
        if (step != RestoreStep::Staged) return;
        tried = true;
        const QString folder = QFileInfo(file).absolutePath();
        EXPECT_FALSE(asMember([&] { return ::unlink(name(file).constData()) == 0; }));
        EXPECT_FALSE(asMember([&] {
            return ::symlink(name(secret()).constData(),
                             name(file + QStringLiteral("x")).constData()) == 0;
        }));
        EXPECT_FALSE(asMember([&] {
            return ::rename(name(folder).constData(),
                            name(folder + QStringLiteral("x")).constData()) == 0;
        }));
    });
    ASSERT_TRUE(restorer.run(backup).ok());
    EXPECT_TRUE(tried);

    Compactor compactor(connectionString());
    tried = false;
    compactor.setStepHook([&](CompactStep step, const QString& file) {
        if (step != CompactStep::Compacted) return;
        tried = true;
        EXPECT_FALSE(asMember([&] { return ::unlink(name(file).constData()) == 0; }));
    });
    ASSERT_TRUE(compactor.run(out(QStringLiteral("copy.mdb"))).ok());
    EXPECT_TRUE(tried);
    expectRootsFilesUntouched();
}

TEST_F(HostileFolderTest, AMemberAdministratorCompactsAndRestoresRootsDatabaseInPlace) {
    // The sticky folder keeps a member from renaming over root's file: the engine writes the
    // copy into it instead, and it stays root's, with its mode.
    const QString copy = QDir(shared).filePath(QStringLiteral("member-copy.mdb"));
    ::chmod(name(backup).constData(), 0644);
    EXPECT_TRUE(asMember([&] {
        return Compactor(connectionString()).run(copy).ok() &&
               Restorer(connectionString()).run(backup).ok();
    }));
    struct stat st {};
    ASSERT_EQ(::stat(name(working()).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, kGroup);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    Connection restored;
    restored.setConnectionString(connectionString());
    ASSERT_TRUE(restored.open().ok());
    const Result<Recordset> days =
        restored.execute(Statement("SELECT diary_message FROM diary_tbl"));
    ASSERT_TRUE(days);
    ASSERT_EQ(days.value().rowCount(), 1);
    EXPECT_EQ(days.value().row(0).value(0).toString(), QStringLiteral("b"));
    // The member's copy is the member's alone.
    ASSERT_EQ(::stat(name(copy).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, kMember);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(HostileFolderTest, ALinkInPlaceOfTheDatabaseIsRefusedByEveryProgram) {
    // Root's own database elsewhere, which a member may not read.
    const QString rootsDatabase = QDir(secretDir).filePath(QStringLiteral("mine.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(rootsDatabase).ok());
    const QByteArray before = bytes(rootsDatabase);
    ASSERT_TRUE(QFile::remove(working()));
    plantLink(working(), rootsDatabase);

    const RestoreResult restored = Restorer(connectionString()).run(backup);
    EXPECT_EQ(restored.failure, RestoreFailure::Untrusted);
    EXPECT_TRUE(restored.detail.contains(working())) << restored.detail.toStdString();
    EXPECT_EQ(Compactor(connectionString()).run(out(QStringLiteral("c.mdb"))).failure,
              CompactFailure::Untrusted);
    EXPECT_EQ(Compactor(connectionString()).backup(out(QStringLiteral("b.mdb"))).failure,
              CompactFailure::Untrusted);
    Database organizer(shared, Database::Lock::Shared);
    const Status opened = organizer.open();
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().problem, DbProblem::Unreadable);
    EXPECT_TRUE(opened.error().description.contains(QStringLiteral("symbolic link")));
    // The backup's administrator cannot override the refusal.
    EXPECT_EQ(cli({QStringLiteral("--yes"), QStringLiteral("restore"), backup}), 4);
    EXPECT_EQ(cli({QStringLiteral("backup"), out(QStringLiteral("d.mdb"))}), 4);
    EXPECT_EQ(bytes(rootsDatabase), before);
    EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks),
              QStringList{QStringLiteral("journey.mdb.lock")});
}

TEST_F(HostileFolderTest, LockFilesOfAMemberAreRefusedAndLinkedOnesCreateNothing) {
    const QString created = QDir(secretDir).filePath(QStringLiteral("nologin"));
    ASSERT_TRUE(QFile::remove(lockFile()));
    plantLink(lockFile(), created);
    Database organizer(shared, Database::Lock::Shared);
    Status opened = organizer.open();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().description.contains(QStringLiteral("lock file")));
    EXPECT_EQ(Compactor(connectionString()).run(out(QStringLiteral("c.mdb"))).failure,
              CompactFailure::Untrusted);
    EXPECT_FALSE(QFileInfo::exists(created));

    // One the member made could be removed and made anew by them, splitting the holders.
    ASSERT_TRUE(QFile::remove(lockFile()));
    ASSERT_TRUE(asMember([&] {
        const int fd = ::open(name(lockFile()).constData(), O_CREAT | O_EXCL | O_WRONLY, 0660);
        return fd >= 0 && ::close(fd) == 0;
    }));
    opened = organizer.open();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().description.contains(QStringLiteral("another account")));
    EXPECT_EQ(Restorer(connectionString()).run(backup).failure, RestoreFailure::Untrusted);

    // Missing, it is made by root alone: a member's organizer says so and makes none.
    ASSERT_TRUE(QFile::remove(lockFile()));
    EXPECT_TRUE(asMember([&] {
        Database member(shared, Database::Lock::Shared);
        const Status refused = member.open();
        return !refused.ok() && refused.error().description.contains(QStringLiteral("missing")) &&
               !QFileInfo::exists(lockFile());
    }));
    EXPECT_TRUE(organizer.open().ok());
    EXPECT_TRUE(QFileInfo(lockFile()).isFile());
    expectRootsFilesUntouched();
}

TEST_F(HostileFolderTest, NoOutputReplacesADatabaseOrAPartOfOne) {
    const QByteArray before = bytes(working());
    const QString kept = Restorer::keptName(working(), QDateTime::currentDateTime());
    ASSERT_TRUE(QFile::copy(working(), kept));
    const QString pointing = out(QStringLiteral("pointing.csv"));
    ASSERT_EQ(::symlink(name(working()).constData(), name(pointing).constData()), 0);
    for (const QString& target :
         {working(), working() + QStringLiteral("-journal"), lockFile(), kept, pointing})
        EXPECT_TRUE(replaceFile(target, "exported").has_value()) << target.toStdString();
    EXPECT_NE(cli({QStringLiteral("export"), QStringLiteral("--contacts"), QStringLiteral("csv"),
                   QStringLiteral("-o"), working()}),
              0);
    EXPECT_EQ(bytes(working()), before);
    EXPECT_EQ(bytes(lockFile()), QByteArray());
    // A backup may not take the place of an organizer's database either.
    EXPECT_EQ(Compactor(makeConnectionString(top.path() + QStringLiteral("/none")))
                  .backup(working())
                  .failure,
              CompactFailure::ProtectedDestination);
    EXPECT_EQ(Compactor(connectionString()).backup(lockFile()).failure, CompactFailure::Companion);
}

TEST_F(HostileFolderTest, ARestoreTakesOnlyTheProgramsOwnSchemaAndAnEmptyJournalBlocksNothing) {
    Connection copy;
    copy.setConnectionString(QStringLiteral("Data Source=") + backup +
                             QStringLiteral(";Jet OLEDB:Database password=") +
                             QString::fromLatin1(kDatabasePassword));
    ASSERT_TRUE(copy.open().ok());
    ASSERT_TRUE(copy.execute(
        Statement("CREATE TRIGGER leak AFTER INSERT ON diary_tbl BEGIN INSERT INTO addressbook_tbl "
                  "(user_num, name) VALUES (2, new.diary_message); END")));
    copy.close();
    const RestoreResult refused = Restorer(connectionString()).run(backup);
    EXPECT_EQ(refused.failure, RestoreFailure::Invalid);
    EXPECT_TRUE(refused.detail.contains(QStringLiteral("trigger leak")))
        << refused.detail.toStdString();

    ASSERT_TRUE(copy.open().ok());
    ASSERT_TRUE(copy.execute(Statement("DROP TRIGGER leak")));
    copy.close();
    writeFile(working() + QStringLiteral("-journal"), {}, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(cli({QStringLiteral("check")}), 0);
    EXPECT_EQ(cli({QStringLiteral("backup"), out(QStringLiteral("b.mdb"))}), 0);
    EXPECT_EQ(cli({QStringLiteral("--yes"), QStringLiteral("restore"), backup}), 0);
}

TEST_F(HostileFolderTest, SecretsStayTheirOwners) {
    // A password file others may change is refused like one they may read.
    const QString password = out(QStringLiteral("pw"));
    writeFile(password, "admin\n", QFile::ReadOwner | QFile::WriteOwner | QFile::WriteGroup);
    EXPECT_EQ(cli({QStringLiteral("--password-file"), password, QStringLiteral("check")}), 0);
    EXPECT_EQ(cli({QStringLiteral("--password-file"), password, QStringLiteral("backup"),
                   out(QStringLiteral("p.mdb"))}),
              2);
    ::chown(name(password).constData(), kMember, kGroup);
    ::chmod(name(password).constData(), 0600);
    EXPECT_EQ(cli({QStringLiteral("--password-file"), password, QStringLiteral("backup"),
                   out(QStringLiteral("p.mdb"))}),
              2);
    // A password in a URL would show in every account's list of processes.
    const Outcome url = runProgram(
        QStringLiteral(VEMORA_CLI),
        {QStringLiteral("--database"), QStringLiteral("postgresql://vemora:pw@localhost/vemora"),
         QStringLiteral("check")});
    EXPECT_EQ(url.code, 1);
    EXPECT_TRUE(url.err.contains(QStringLiteral(".pgpass")));

    // Exports and backups are their maker's alone, even in a folder of the group.
    const QString exported = QDir(shared).filePath(QStringLiteral("contacts.csv"));
    EXPECT_EQ(cli({QStringLiteral("export"), QStringLiteral("--contacts"), QStringLiteral("csv"),
                   QStringLiteral("-o"), exported}),
              0);
    const QString copied = QDir(shared).filePath(QStringLiteral("copy.mdb"));
    EXPECT_EQ(cli({QStringLiteral("backup"), copied}), 0);
    for (const QString& file : {exported, copied}) {
        struct stat st {};
        ASSERT_EQ(::stat(name(file).constData(), &st), 0) << file.toStdString();
        EXPECT_EQ(st.st_mode & 0777, 0600u) << file.toStdString();
        EXPECT_EQ(st.st_gid, ::getegid()) << file.toStdString();
    }
}

TEST_F(HostileFolderTest, ARestoreIntoAMissingSharedDatabaseNeedsItNamed) {
    // The programs of a system install, whose shared database is missing.
    QTemporaryDir programs;
    const QString program = programs.filePath(QStringLiteral("vemora-cli"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VEMORA_CLI), program));
    ASSERT_TRUE(QFile::remove(working()));
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEMORA_DATA_DIR"), shared);
    cli.setProcessEnvironment(environment);
    cli.start(program, {QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("--yes"),
                        QStringLiteral("restore"), backup});
    cli.write("admin\n");
    cli.closeWriteChannel();
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_TRUE(cli.readAllStandardError().contains("--database"));
    EXPECT_FALSE(QFileInfo::exists(programs.filePath(QStringLiteral("journey.mdb"))));
    EXPECT_FALSE(QFileInfo::exists(working()));
}

// A link, a hard link to root's file, a pipe or a folder planted at each name the programs
// make or open beside the database, as their own list gives the names: each is refused or
// avoided by the organizer, the tool and every command, without a hang.
enum class Plant { LinkToSecret, DanglingLink, HardLink, Pipe, Folder };

class PlantedNameTest : public HostileFolderTest,
                        public ::testing::WithParamInterface<std::tuple<int, Plant>> {};

QStringList concreteNames() {
    QStringList names;
    for (QString pattern : namesBeside(QStringLiteral("journey.mdb"))) {
        if (pattern.contains(u"before-restore"))
            names.append(QFileInfo(Restorer::keptName(QStringLiteral("/journey.mdb"),
                                                      QDateTime::currentDateTime()))
                             .fileName());
        else
            names.append(pattern.replace(QLatin1Char('*'), QStringLiteral("planted")));
    }
    return names;
}

TEST_P(PlantedNameTest, IsRefusedOrAvoidedByEveryProgram) {
    const auto [index, kind] = GetParam();
    const QStringList names = concreteNames();
    ASSERT_LT(index, names.size());
    const QString at = QDir(shared).filePath(names.at(index));
    if (QFileInfo::exists(at)) {
        ASSERT_TRUE(QFile::remove(at));
    }
    switch (kind) {
        case Plant::LinkToSecret:
            plantLink(at, secret());
            break;
        case Plant::DanglingLink:
            plantLink(at, QDir(secretDir).filePath(QStringLiteral("created")));
            break;
        case Plant::HardLink:
            ASSERT_EQ(::link(name(secret()).constData(), name(at).constData()), 0);
            break;
        case Plant::Pipe:
            ASSERT_EQ(::mkfifo(name(at).constData(), 0666), 0);
            ::lchown(name(at).constData(), kMember, kGroup);
            break;
        case Plant::Folder:
            ASSERT_TRUE(QDir().mkdir(at));
            ::lchown(name(at).constData(), kMember, kGroup);
            break;
    }
    const std::string shown = names.at(index).toStdString();
    EXPECT_TRUE(endsByItself([&] {
        Database organizer(shared, Database::Lock::Shared);
        if (organizer.open())
            (void)organizer.execute(
                Statement("INSERT INTO diary_tbl VALUES (1, '2002-03-04', 'x')"));
    })) << "organizer "
        << shown;
    EXPECT_TRUE(endsByItself([&] {
        (void)Compactor(connectionString()).run(out(QStringLiteral("compacted.mdb")));
    })) << "compaction "
        << shown;
    EXPECT_TRUE(endsByItself([&] { (void)Restorer(connectionString()).run(backup); }))
        << "restore " << shown;
    expectRootsFilesUntouched();
    const QList<QStringList> commands = {
        {QStringLiteral("check")},
        {QStringLiteral("backup"), out(QStringLiteral("cli.mdb"))},
        {QStringLiteral("--yes"), QStringLiteral("restore"), backup},
        {QStringLiteral("export"), QStringLiteral("--diary"), QStringLiteral("ics"),
         QStringLiteral("-o"), out(QStringLiteral("diary.ics"))},
        {QStringLiteral("import"), out(QStringLiteral("diary.ics"))},
    };
    for (const QStringList& command : commands) {
        cli(command);
        expectRootsFilesUntouched();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryName, PlantedNameTest,
                         ::testing::Combine(::testing::Range(0, int(concreteNames().size())),
                                            ::testing::Values(Plant::LinkToSecret,
                                                              Plant::DanglingLink, Plant::HardLink,
                                                              Plant::Pipe, Plant::Folder)));

}  // namespace
}  // namespace vemora::test
