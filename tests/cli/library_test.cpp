// The console program's commands run in the test's own process.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <iostream>
#include <sstream>

#include "backup/BackupFolder.h"
#include "cli/Cli.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

namespace vemora::test {
namespace {

struct Ran {
    int code;
    std::string out;
    std::string err;
};

// Runs the commands with standard output and error caught.
Ran run(QStringList arguments) {
    arguments.prepend(QStringLiteral("vemora-cli"));
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf* const oldOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* const oldErr = std::cerr.rdbuf(err.rdbuf());
    const int code = runCli(arguments);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    return {code, out.str(), err.str()};
}

TEST(CliLibrary, AnyFileNameIsExportedAndOptionsStandOnEitherSideOfTheCommand) {
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy of the organizer.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(copy));
    const QString words = dir.filePath(QStringLiteral("words.csv"));
    const QStringList exportWords = {QStringLiteral("--user"),
                                     QStringLiteral("admin"),
                                     QStringLiteral("--password-file"),
                                     QString(),
                                     QStringLiteral("--dictionary"),
                                     QStringLiteral("csv"),
                                     QStringLiteral("-o"),
                                     words};
    const QString password = dir.filePath(QStringLiteral("password"));
    {
        QFile file(password);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("admin\n");
    }
    ASSERT_TRUE(QFile::setPermissions(password, QFile::ReadOwner | QFile::WriteOwner));
    QStringList before = exportWords;
    before[3] = password;
    before = QStringList{QStringLiteral("--database"), copy} + before;
    before.insert(2, QStringLiteral("export"));
    const Ran first = run(before);
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_TRUE(QFile::exists(words));
    ASSERT_TRUE(QFile::remove(words));

    QStringList after = QStringList{QStringLiteral("export")} + exportWords +
                        QStringList{QStringLiteral("--database"), copy};
    after[4] = password;
    const Ran second = run(after);
    EXPECT_EQ(second.code, 0) << second.err;
    EXPECT_TRUE(QFile::exists(words));

    const Ran missing = run({QStringLiteral("--database"), dir.filePath(QStringLiteral("none.mdb")),
                             QStringLiteral("check")});
    EXPECT_NE(missing.code, 0);
    EXPECT_NE(missing.err.find("none.mdb"), std::string::npos) << missing.err;
}

TEST(CliLibrary, CheckMakesADamagedSearchIndexAgainAndSaysSo) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journey.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(path));
    {
        Connection db;
        db.setConnectionString(makeFileConnectionString(path));
        ASSERT_TRUE(db.open());
        // An index entry with no text behind it.
        ASSERT_TRUE(
            db.execute(Statement("INSERT INTO search_fts (rowid, body) VALUES "
                                 "(1202001013, 'ghost')")));
        EXPECT_TRUE(SqliteEngine::searchIndexDamaged(db));
    }
    const Ran first = run({QStringLiteral("--database"), path, QStringLiteral("check")});
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_NE(first.out.find("search index damaged: made again from the texts"), std::string::npos)
        << first.out;
    const Ran second = run({QStringLiteral("--database"), path, QStringLiteral("check")});
    EXPECT_NE(second.out.find("search index sound"), std::string::npos) << second.out;
}

TEST(BackupFolderRotation, OnlyListedCopiesGoOldestFirstAndNeverThroughALink) {
    QTemporaryDir dir;
    QTemporaryDir outside;
    const BackupFolder folder{QDir(dir.path())};
    const auto write = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("copy") == 4;
    };
    const QDateTime second(QDate(2026, 12, 9), QTime(8, 0, 0));
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        const QString name = folder.freeCopyName(second);
        ASSERT_TRUE(write(name));
        names.append(QFileInfo(name).fileName());
        EXPECT_TRUE(folder.rotate(names.last(), 0).deleted.isEmpty());
    }
    // The same second names the next free one.
    EXPECT_EQ(names, (QStringList{QStringLiteral("journey-20261209-080000.mdb"),
                                  QStringLiteral("journey-20261209-080001.mdb"),
                                  QStringLiteral("journey-20261209-080002.mdb")}));
    // A file of another's at the oldest copy's name: a link to a file outside the folder.
    const QString target = outside.filePath(QStringLiteral("precious"));
    ASSERT_TRUE(write(target));
    ASSERT_TRUE(QFile::remove(dir.filePath(names.at(0))));
    ASSERT_TRUE(QFile::link(target, dir.filePath(names.at(0))));
    const QString unlisted = dir.filePath(QStringLiteral("journey-20000101-000000.mdb"));
    ASSERT_TRUE(write(unlisted));

    const BackupFolder::Rotation rotation = folder.rotate(names.at(2), 1);
    EXPECT_TRUE(rotation.problems.isEmpty()) << rotation.problems.join(u'\n').toStdString();
    EXPECT_EQ(rotation.deleted, QStringList{dir.filePath(names.at(1))});
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_TRUE(QFile::exists(unlisted));
    EXPECT_TRUE(QFile::exists(dir.filePath(names.at(2))));
}

}  // namespace
}  // namespace vemora::test
