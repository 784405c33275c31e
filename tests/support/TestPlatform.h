#pragma once

#include <QDate>
#include <QStringList>

#include "platform/Platform.h"
#include "platform/Session.h"
#include "support/ScriptedPrompter.h"
#include "support/ScriptedRegistry.h"
#include "support/ScriptedSeams.h"

#include "data/ConnectionString.h"

#include <QTemporaryDir>

#include <optional>

namespace vemora::test {

// The server that VEMORA_TEST_PG_URL names (through its maintenance database), when the tests
// run against one.
std::optional<ServerAddress> testServer();

// For a test about the file itself (its lock file, its bytes, its faults).
#define VEMORA_SKIP_ON_SERVER(why) \
    if (::vemora::test::testServer()) GTEST_SKIP() << "On a server database: " << why

// The connection string of the database the programs in `directory` use: the server its
// vemora.conf names, else its journey.mdb.
QString connectionStringIn(const QString& directory);

// An empty database of its own on a server, made through the server's maintenance database and
// dropped at the end.
class ServerDatabase {
    Q_DISABLE_COPY_MOVE(ServerDatabase)
public:
    explicit ServerDatabase(ServerAddress maintenance);
    ~ServerDatabase();
    const ServerAddress& server() const { return m_server; }

private:
    ServerAddress m_maintenance;
    ServerAddress m_server;
};

// A program directory of its own holding a freshly delivered journey.mdb; with a test server,
// a fresh database on it instead, which vemora.conf in the directory names, dropped at the end.
class TempDatabase {
public:
    // File: a journey.mdb even with a test server, for what is about the file itself.
    enum class Kind { Chosen, File };
    explicit TempDatabase(Kind kind = Kind::Chosen);
    ~TempDatabase();
    QString directory() const { return m_dir.path(); }
    // journey.mdb in the directory (there is none on a server).
    QString path() const;
    // What a Connection opens: the file's connection string, or the server database's URL.
    QString connectionString() const;
    const std::optional<ServerAddress>& server() const { return m_server; }

private:
    QTemporaryDir m_dir;
    std::optional<ServerDatabase> m_serverDatabase;
    std::optional<ServerAddress> m_server;
};

// A session over a fresh database with scripted seams. Nothing is opened until asked.
class TestPlatform {
public:
    explicit TestPlatform(TempDatabase::Kind kind = TempDatabase::Kind::Chosen);

    TempDatabase database;
    ScriptedPrompter prompter;
    ScriptedFileDialogs files;
    RecordingShell shell;
    ScriptedRegistry registry;
    ScriptedTransferDialogs transfer;
    Session session;
    Platform platform;

    // Opens the database and logs the account in as CurrentUser.
    void loginAs(int userNum);
    // Adds an account straight into the database; yields its user_num.
    int addUser(const QString& userName, const QString& password, const QString& name);
    // A diary entry, and a plan of its AM, PM and quote, stored as another program would.
    void addDiaryEntry(qint64 user, QDate day, const QString& text);
    void addPlan(qint64 user, QDate day, const QStringList& texts);
    // Runs a statement on a connection of its own and fails the test on error.
    Recordset query(const class Statement& statement);
    int count(const QString& table);
    // On a server: the server ends every other session of the test database, as a restart or
    // an administrator's kill does, and the call returns once they are gone.
    void endServerSessions();
};

}  // namespace vemora::test
