// The maintenance tool's window when vemora.conf puts the organizers on a server.
#include "backup/CopyCheck.h"
#include "backup/ServerCopy.h"
#include "data/DatabaseLock.h"
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"
#include "platform/Widgets.h"
#include "support/Programs.h"
#include "support/ScriptedPrompter.h"
#include "support/ScriptedSeams.h"
#include "support/TestPlatform.h"
#include "tools/frmTools.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace vemora::test {
namespace {

class ServerToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!database.server()) GTEST_SKIP() << "VEMORA_TEST_PG_URL names no server";
        window = new frmTools(platform);
        window->show();
    }
    void TearDown() override { delete window; }

    void click(const char* button) {
        QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    QString status() const {
        return statusText(window->findChild<QLabel*>(QStringLiteral("lblStatus")));
    }
    // Runs a statement on the server and yields the first value it reads, if any.
    QVariant onServer(const QString& sql) {
        ServerSession session(*database.server());
        EXPECT_TRUE(session.open());
        QSqlQuery q(session.database());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }

    TempDatabase database;
    QTemporaryDir elsewhere;
    ScriptedPrompter prompter;
    ScriptedFileDialogs files;
    mod_Tools module{database.directory(), prompter};
    ToolsPlatform platform{module, prompter, files, [] {}};
    QPointer<frmTools> window;
};

TEST_F(ServerToolsTest, SaveWritesTheServersDataOverTheChosenFileForTheOwnerOnly) {
    EXPECT_TRUE(status().contains(database.server()->shown())) << status().toStdString();
    onServer(QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, 'zoë', 'a name')"));
    const QString copy = elsewhere.filePath(QStringLiteral("copy.mdb"));
    writeFile(copy, "an older file the user chose to replace");

    files.answer(copy);
    click("cmdCompact");
    EXPECT_TRUE(status().startsWith(QStringLiteral("Saved a copy of the server's database to ")))
        << status().toStdString();
    EXPECT_EQ(prompter.count(), 0);
    const Result<DatabaseSummary> saved =
        examineDatabase(copy, QString::fromLatin1(kDatabasePassword));
    ASSERT_TRUE(saved) << saved.error().description.toStdString();
    EXPECT_EQ(saved.value().words, 1);
    EXPECT_EQ(saved.value().accounts, 1);
    EXPECT_EQ(QFile::permissions(copy) & (QFile::ReadGroup | QFile::ReadOther), 0);
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("copy.mdb")});

    // A folder that cannot be written is said in a box, and nothing is left there.
    files.answer(elsewhere.filePath(QStringLiteral("missing/copy.mdb")));
    click("cmdCompact");
    EXPECT_TRUE(status().startsWith(QStringLiteral("No copy was saved to ")))
        << status().toStdString();
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.last().title, QStringLiteral("Save/Compact"));
}

TEST_F(ServerToolsTest, SaveLeavesAnOrganizersDatabaseAndTheJournalOfAFileItReplaces) {
    const QString copy = elsewhere.filePath(QStringLiteral("journey.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(copy).ok());
    const QByteArray before = [&] {
        QFile file(copy);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    {
        DatabaseLock organizer(copy);
        ASSERT_TRUE(organizer.tryLock(DatabaseLock::Mode::Shared));
        files.answer(copy);
        click("cmdCompact");
        EXPECT_TRUE(status().contains(QStringLiteral("is the database of an organizer")))
            << status().toStdString();
        ASSERT_EQ(prompter.count(), 1);
        QFile file(copy);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
    }
    // A database no organizer opened is replaced, and a journal it left is not applied to the
    // copy.
    ASSERT_TRUE(QFile::remove(DatabaseLock::lockFilePath(copy)));
    writeFile(copy + QStringLiteral("-journal"), "a journal of the file replaced");
    files.answer(copy);
    click("cmdCompact");
    EXPECT_TRUE(status().startsWith(QStringLiteral("Saved a copy of the server's database to ")))
        << status().toStdString();
    EXPECT_FALSE(QFileInfo::exists(copy + QStringLiteral("-journal")));
    EXPECT_TRUE(examineDatabase(copy, QString::fromLatin1(kDatabasePassword)));
}

TEST_F(ServerToolsTest, RestoreReplacesTheServersDataOnlyWhenConfirmedAndNoOrganizerIsOn) {
    const QString file = elsewhere.filePath(QStringLiteral("journey.mdb"));
    ASSERT_TRUE(SqliteEngine::createDatabase(file));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), QStringLiteral("f"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(
            QStringLiteral("INSERT INTO diary_tbl VALUES (1, '2024-02-29', 'leap day')")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("f"));
    onServer(QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, 'before', '')"));

    // Declined.
    prompter.answer(Answer::No);
    files.answer(file);
    click("cmdRestore");
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_TRUE(prompter.last().text.contains(QStringLiteral("1 diary day,")));
    EXPECT_TRUE(prompter.last().text.contains(database.server()->shown()));
    EXPECT_EQ(onServer(QStringLiteral("SELECT count(*) FROM dictionary_tbl")).toInt(), 1);

    // An organizer is on the server: refused, and the server keeps its data.
    {
        ServerLock organizer(*database.server());
        ASSERT_TRUE(organizer.tryLock(EngineLock::Mode::Shared));
        prompter.answer(Answer::Yes);
        files.answer(file);
        click("cmdRestore");
        EXPECT_TRUE(status().contains(QStringLiteral("Vemora has the database open")))
            << status().toStdString();
        EXPECT_EQ(onServer(QStringLiteral("SELECT count(*) FROM dictionary_tbl")).toInt(), 1);
    }

    // A file that is no database is refused before the question.
    const QString garbage = elsewhere.filePath(QStringLiteral("garbage.mdb"));
    writeFile(garbage, "not a database");
    const int asked = prompter.count();
    files.answer(garbage);
    click("cmdRestore");
    EXPECT_TRUE(status().startsWith(QStringLiteral("Nothing was changed: ")))
        << status().toStdString();
    EXPECT_EQ(prompter.count(), asked + 1);
    EXPECT_EQ(prompter.last().style, vbExclamation);

    prompter.answer(Answer::Yes);
    files.answer(file);
    click("cmdRestore");
    EXPECT_TRUE(status().startsWith(QStringLiteral("Restored "))) << status().toStdString();
    EXPECT_EQ(onServer(QStringLiteral("SELECT count(*) FROM dictionary_tbl")).toInt(), 0);
    EXPECT_EQ(onServer(QStringLiteral("SELECT diary_message FROM diary_tbl "
                                      "WHERE diary_date = '2024-02-29'"))
                  .toString(),
              QStringLiteral("leap day"));
}

}  // namespace
}  // namespace vemora::test
